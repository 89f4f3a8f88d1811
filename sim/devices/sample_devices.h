#pragma once
// The devices of the demonstration installation (sample_windows.h): each runs
// the newest package of its family, so the older versions stand replaced.
#include <string>
#include <vector>

#include "devices/fake_devices.h"

namespace sim {

// Instance IDs are ROOT\QUILLBAYSAMPLE\<tag><n>; a test passes a tag of its own.
std::vector<FakeDeviceSpec> SampleDemoDevices(const std::wstring& tag);

}  // namespace sim
