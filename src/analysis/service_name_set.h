#pragma once
// Service names as the service manager matches them: without regard to letter
// case, in the same order as INF names.
#include "analysis/inf_name_set.h"

using ServiceNameSet = InfNameSet;
