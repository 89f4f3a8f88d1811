#pragma once
// Which installed driver package a service's program file comes from.
#include <map>
#include <string>
#include <vector>

#include "analysis/service_name_set.h"
#include "platform/driver_package.h"

// The AddService names of INFs already read during one analysis, by INF path.
using AddServiceCache = std::map<std::wstring, ServiceNameSet, InfNameLess>;

// The file-name part of the PublishedName of the one package, among those whose
// folder lies inside `repository`, that owns `image`: an image inside the
// repository belongs to the package whose folder holds it; any other image to the
// package whose INF installs `service` and whose folder holds an identical file
// of the same name. Empty when no package or more than one qualifies.
std::wstring FindServiceOwner(const std::wstring& image, const std::wstring& repository, const std::wstring& service,
                              const std::vector<DriverPackage>& packages, AddServiceCache& addServiceCache);

// The services every AddService line of every section of the INF installs.
ServiceNameSet ReadInfAddServices(const std::wstring& infPath);
