#include <gtest/gtest.h>

#include <windows.h>

#include "app/startup.h"

TEST(StartupLanguage, UserInterfaceLanguageMapsToTheEightLanguages) {
    struct Case {
        WORD primary;
        LangId expected;
    };
    const Case cases[] = {{LANG_CHINESE, 2}, {LANG_GERMAN, 4}, {LANG_FRENCH, 3},     {LANG_JAPANESE, 7},
                          {LANG_RUSSIAN, 0}, {LANG_THAI, 6},   {LANG_INDONESIAN, 5}, {LANG_ENGLISH, 1},
                          {LANG_PORTUGUESE, 1}, {LANG_UKRAINIAN, 1}, {0, 1}, {0x3FF, 1}};
    for (const Case& c : cases) EXPECT_EQ(LanguageForPrimaryLanguage(c.primary), c.expected) << c.primary;
}
