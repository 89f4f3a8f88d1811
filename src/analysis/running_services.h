#pragma once
// Which services the service manager reports as running now.
#include "analysis/service_name_set.h"

// The services of `candidates` in the state SERVICE_RUNNING. A service that
// cannot be opened or queried, or a service manager that cannot be reached,
// counts as not running.
ServiceNameSet SelectRunningServices(const ServiceNameSet& candidates);
