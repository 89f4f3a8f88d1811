#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/unique_handle.h"
#include "platform/utf8_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(Utf8File, WritesByteOrderMarkAndExactBytes) {
    test::TempFolder temp;
    std::wstring error = L"untouched";

    const fs::path empty = temp.Path() / L"empty.json";
    ASSERT_TRUE(WriteUtf8File(empty, L"", error));
    EXPECT_EQ(test::ReadFileBytes(empty), std::string("\xEF\xBB\xBF"));

    const fs::path info = temp.Path() / L"package-info.json";
    ASSERT_TRUE(WriteUtf8File(info, L"{\r\n  \"Имя\": \"Ω €𝄞\"\r\n}\r\n", error));
    EXPECT_EQ(test::ReadFileBytes(info),
              std::string("\xEF\xBB\xBF{\r\n  \"\xD0\x98\xD0\xBC\xD1\x8F\": \"\xCE\xA9 \xE2\x82\xAC\xF0\x9D\x84\x9E\"\r\n}\r\n"));

    // A shorter text replaces a longer file completely.
    ASSERT_TRUE(WriteUtf8File(info, L"x", error));
    EXPECT_EQ(test::ReadFileBytes(info), std::string("\xEF\xBB\xBFx"));
    EXPECT_EQ(error, L"untouched");
}

TEST(Utf8File, FailuresNameTheFile) {
    test::TempFolder temp;
    std::wstring error;

    const fs::path inMissingFolder = temp.Path() / L"missing" / L"manifest.json";
    EXPECT_FALSE(WriteUtf8File(inMissingFolder, L"{}", error));
    EXPECT_EQ(error, L"Не удалось создать файл: " + inMissingFolder.wstring());

    // Another program holding the file without sharing keeps its content intact.
    const fs::path locked = temp.Path() / L"locked.json";
    test::WriteFileBytes(locked, "old");
    {
        FileHandle holder(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        error.clear();
        EXPECT_FALSE(WriteUtf8File(locked, L"new", error));
        EXPECT_EQ(error, L"Не удалось создать файл: " + locked.wstring());
    }
    EXPECT_EQ(test::ReadFileBytes(locked), "old");
}
