#include "platform/removal_permission.h"

bool ManualRemoveAllEnabled(const RemovalOptions& options, const TargetWindows& target) {
    return target.IsCurrent ? options.ManualRemoveAllCurrent : options.ManualRemoveAllOffline;
}
