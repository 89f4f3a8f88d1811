// libFuzzer target for the regf reader: any input must load or be refused, and a
// loaded hive must walk as a tree without crashes, hangs or out-of-range reads.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/regf_reader.h"

namespace {

void ReadValues(const RegfHive& hive, RegfHive::Key key, std::size_t inputSize) {
    // A damaged value list fails every index, so the index is bounded by what the file could list.
    for (std::uint32_t index = 0; index <= inputSize / 4; ++index) {
        std::u16string name;
        RegfValue value;
        const RegfStatus status = hive.EnumValue(key, index, name, value);
        if (status == RegfStatus::NoMoreItems) return;
        if (status != RegfStatus::Ok) continue;
        if (value.Data.size() > kRegfMaxValueBytes) std::abort();
        RegfValue found;
        if (hive.FindValue(key, name, found) == RegfStatus::NotFound) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RegfHive hive;
    if (hive.Load(std::vector<std::uint8_t>(data, data + size)) != RegfLoadResult::Ok) return 0;

    std::set<RegfHive::Key> visited;
    std::vector<std::pair<RegfHive::Key, std::uint32_t>> pending{{hive.Root(), 0}};
    while (!pending.empty()) {
        const auto [key, depth] = pending.back();
        pending.pop_back();
        // Listed subkeys form a tree: no key may be reached twice.
        if (!visited.insert(key).second) std::abort();
        std::u16string name;
        (void)hive.KeyName(key, name);
        ReadValues(hive, key, size);
        RegfHive::Key ignored = 0;
        (void)hive.FindSubkey(key, u"ControlSet001", ignored);

        std::vector<RegfHive::Key> subkeys;
        if (hive.ListSubkeys(key, subkeys) != RegfStatus::Ok || depth >= kRegfMaxKeyDepth) continue;
        for (const RegfHive::Key subkey : subkeys) {
            std::u16string subkeyName;
            RegfHive::Key found = 0;
            // Names are unique within a listed key, so a lookup by name finds this very key.
            if (hive.KeyName(subkey, subkeyName) != RegfStatus::Ok ||
                hive.FindSubkey(key, subkeyName, found) != RegfStatus::Ok || found != subkey) {
                std::abort();
            }
            pending.emplace_back(subkey, depth + 1);
        }
    }
    return 0;
}
