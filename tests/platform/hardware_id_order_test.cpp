// The order the INF reader lists hardware IDs in, which the analysis relies on
// to read two versions' lists side by side.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "platform/hardware_id_order.h"

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

// Character by character with the ASCII letters folded to lower case.
int ReferenceOrder(const std::wstring& a, const std::wstring& b) {
    const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
    for (std::size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
        if (fold(a[k]) != fold(b[k])) return fold(a[k]) < fold(b[k]) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

TEST(HardwareIdOrder, FoldsAsciiLettersOnly) {
    struct Case {
        const wchar_t* A;
        const wchar_t* B;
        int Order;
    };
    for (const Case& c : {Case{L"PCI\\VEN_1&DEV_2", L"pci\\ven_1&dev_2", 0},
                          // Folded, '_' (0x5F) sorts before the letters (0x61...).
                          Case{L"PCI\\VEN_1", L"PCI\\VENA", -1},
                          Case{L"PCI\\VEN", L"PCI\\VEN_1", -1},
                          Case{L"", L"A", -1},
                          Case{L"", L"", 0},
                          // Beyond the first word of four characters, and in the tail.
                          Case{L"PCI\\VEN_8086&DEV_1234&SUBSYS_0000", L"PCI\\VEN_8086&DEV_1234&SUBSYS_0001", -1},
                          Case{L"PCI\\VEN_8086&DEV_1234&SUBSYS_ABCD", L"pci\\ven_8086&dev_1234&subsys_abcc", 1},
                          // Other letters are compared as written.
                          Case{L"ROOT\\\u00C9", L"ROOT\\\u00E9", -1},
                          Case{L"ROOT\\@", L"ROOT\\`", -1}}) {
        EXPECT_EQ(Sign(CompareHardwareIds(c.A, c.B)), c.Order) << c.A << L" / " << c.B;
        EXPECT_EQ(Sign(CompareHardwareIds(c.B, c.A)), -c.Order) << c.B << L" / " << c.A;
    }
}

TEST(HardwareIdOrder, AgreesWithFoldingEveryCharacter) {
    std::mt19937 random(5);
    const std::wstring alphabet = L"aAbB_\\&09@[`{\u00E9\u00C9";
    const auto text = [&] {
        std::wstring id = L"PCI\\VEN_";
        for (int k = std::uniform_int_distribution<int>(0, 14)(random); k > 0; --k)
            id += alphabet[random() % alphabet.size()];
        return id;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::wstring a = text();
        const std::wstring b = random() % 4 == 0 ? a : text();
        ASSERT_EQ(Sign(CompareHardwareIds(a, b)), ReferenceOrder(a, b)) << a << L" / " << b;
    }
}

}  // namespace
