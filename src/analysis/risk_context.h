#pragma once
// Facts about the running system that make removing a package risky, gathered
// together with a binding snapshot of the current Windows.
#include "analysis/inf_name_set.h"

struct RiskContext {
    InfNameSet BootStorageInfs;      // INF names of the storage stack below the Windows disk
    InfNameSet FilterPackages;       // selected packages that own a filter driver active now
    bool BootStackComplete = false;  // every disk of the Windows volume was found
};
