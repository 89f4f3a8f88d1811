#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console_relay.h"
#include "core/command_line.h"
#include "core/event_log.h"

namespace {

bool AcceptAnyRelay(const std::wstring&) { return true; }
bool RejectAnyRelay(const std::wstring&) { return false; }

CommandLine Classify(std::vector<std::wstring> arguments, bool relayValid = true) {
    return ClassifyArguments(arguments, relayValid ? AcceptAnyRelay : RejectAnyRelay);
}

}  // namespace

TEST(CommandLineParsing, CommandsAndTheirArgumentCounts) {
    EXPECT_EQ(Classify({}).Command, ConsoleCommand::None);
    for (const wchar_t* help : {L"help", L"HELP", L"--help", L"--HeLp", L"/?"})
        EXPECT_EQ(Classify({help}).Command, ConsoleCommand::Help) << help;
    EXPECT_EQ(Classify({L"cleanup-preview"}).Command, ConsoleCommand::CleanupPreview);
    EXPECT_EQ(Classify({L"CLEANUP"}).Command, ConsoleCommand::Cleanup);
    EXPECT_EQ(Classify({L"--self-test"}).Command, ConsoleCommand::SelfTest);
    const CommandLine selfTest = Classify({L"--self-test", L" out.txt "});
    EXPECT_EQ(selfTest.Command, ConsoleCommand::SelfTest);
    EXPECT_EQ(selfTest.Argument, L" out.txt ") << "the self-test path is taken untrimmed";

    // A known command with the wrong number of arguments reports the command word.
    struct Bad {
        std::vector<std::wstring> arguments;
        const wchar_t* reported;
    };
    const Bad bad[] = {
        {{L"help", L"help"}, L"help"},
        {{L"backup"}, L"backup"},
        {{L"backup", L"   "}, L"backup"},
        {{L"Backup", L"\t\r\n"}, L"Backup"},
        {{L"backup", L"a", L"b"}, L"backup"},
        {{L"cleanup", L"now"}, L"cleanup"},
        {{L"cleanup-preview", L"x"}, L"cleanup-preview"},
        {{L"--self-test", L"a", L"b"}, L"--self-test"},
        {{L"--console-relay"}, L"--console-relay"},
        {{L"frobnicate"}, L"frobnicate"},
        {{L"helpx"}, L"helpx"},
    };
    for (const Bad& b : bad) {
        const CommandLine parsed = Classify(b.arguments);
        EXPECT_EQ(parsed.Command, ConsoleCommand::Invalid) << b.reported;
        EXPECT_EQ(parsed.BadArgument, b.reported);
    }
}

TEST(CommandLineParsing, MarkersAndRelayPairsAreConsumedAnywhere) {
    EXPECT_EQ(Classify({L"cleanup", L"--elevation-relaunch"}).Command, ConsoleCommand::Cleanup);
    EXPECT_EQ(Classify({L"--ELEVATION-RELAUNCH", L"cleanup"}).Command, ConsoleCommand::Cleanup);
    EXPECT_EQ(Classify({L"--elevation-relaunch"}).Command, ConsoleCommand::None);

    const CommandLine relayed = Classify({L"--console-relay", L"a.tmp", L"cleanup", L"--console-relay", L"b.tmp"});
    EXPECT_EQ(relayed.Command, ConsoleCommand::Cleanup);
    EXPECT_EQ(relayed.RelayPath, L"b.tmp") << "a later pair replaces an earlier one";

    const CommandLine forged = Classify({L"cleanup", L"--console-relay", L"C:\\evil.tmp"}, false);
    EXPECT_EQ(forged.Command, ConsoleCommand::Invalid);
    EXPECT_EQ(forged.BadArgument, L"--console-relay");
    EXPECT_EQ(forged.RelayPath, L"") << "output never goes to a rejected relay path";

    const CommandLine invalidRelayed = Classify({L"bogus", L"--console-relay", L"x.tmp"});
    EXPECT_EQ(invalidRelayed.Command, ConsoleCommand::Invalid);
    EXPECT_EQ(invalidRelayed.RelayPath, L"x.tmp") << "the error of a relayed copy still reaches its caller";
}

TEST(CommandLineParsing, BackupArchiveGetsThe7zExtension) {
    struct Case {
        const wchar_t* given;
        const wchar_t* archive;
    };
    const Case cases[] = {
        {L"D:\\x", L"D:\\x.7z"},           {L"D:\\x.zip", L"D:\\x.zip.7z"},   {L"D:\\x.7Z", L"D:\\x.7Z"},
        {L"  D:\\x.7z\t", L"D:\\x.7z"},    {L"D:\\dir.7z\\x", L"D:\\dir.7z\\x.7z"},
        {L"D:\\.7z", L"D:\\.7z.7z"},       {L"D:/a/b.7z", L"D:/a/b.7z"},      {L"..", L"...7z"},
        {L"D:\\x.", L"D:\\x..7z"},         {L"name", L"name.7z"},
    };
    for (const Case& c : cases) {
        const CommandLine parsed = Classify({L"backup", c.given});
        EXPECT_EQ(parsed.Command, ConsoleCommand::Backup) << c.given;
        EXPECT_EQ(parsed.Argument, c.archive) << c.given;
    }
}

TEST(CommandLineParsing, WholeCommandLinesSplitAsWindowsDoes) {
    const CommandLine quoted = ParseCommandLineText(L"\"C:\\Program Files\\Q\\Quillbay.exe\" backup \"D:\\My Backups\\drv\"");
    EXPECT_EQ(quoted.Command, ConsoleCommand::Backup);
    EXPECT_EQ(quoted.Argument, L"D:\\My Backups\\drv.7z");
    EXPECT_EQ(ParseCommandLineText(L"Quillbay.exe").Command, ConsoleCommand::None);
    EXPECT_EQ(ParseCommandLineText(L"Quillbay.exe   ").Command, ConsoleCommand::None);

    const std::wstring forged = L"Quillbay.exe cleanup --console-relay \"C:\\Windows\\Quillbay-console-1-2.tmp\"";
    EXPECT_EQ(ParseCommandLineText(forged.c_str()).Command, ConsoleCommand::Invalid);
}

TEST(ConsoleRelay, OnlyOurRelayFilesInTheTemporaryFolderAreAccepted) {
    const std::wstring temp = TempFilePath(L"");
    ASSERT_FALSE(temp.empty());
    std::wstring upper = temp;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    std::wstring slashes = temp;
    for (wchar_t& c : slashes) c = c == L'\\' ? L'/' : c;

    EXPECT_TRUE(IsValidRelayPath(temp + L"Quillbay-console-12-345.tmp"));
    EXPECT_TRUE(IsValidRelayPath(upper + L"Quillbay-console-12-345.tmp")) << "folder case does not matter";
    EXPECT_TRUE(IsValidRelayPath(slashes + L"Quillbay-console-12-345.tmp")) << "forward slashes";
    EXPECT_TRUE(IsValidRelayPath(temp + L"Quillbay-console-1.TMP")) << "extension case does not matter";
    EXPECT_TRUE(IsValidRelayPath(temp + L"sub\\..\\Quillbay-console-1.tmp")) << "lexically normal form counts";
    EXPECT_TRUE(IsValidRelayPath(NewRelayFilePath()));

    EXPECT_FALSE(IsValidRelayPath(L""));
    EXPECT_FALSE(IsValidRelayPath(temp + L"quillbay-console-1.tmp")) << "prefix case matters";
    EXPECT_FALSE(IsValidRelayPath(temp + L"sub\\Quillbay-console-1.tmp")) << "subfolders are not the temp folder";
    EXPECT_FALSE(IsValidRelayPath(temp + L"..\\Quillbay-console-1.tmp"));
    EXPECT_FALSE(IsValidRelayPath(temp + L"Quillbay-console-1.tmp.exe"));
    EXPECT_FALSE(IsValidRelayPath(temp + L"Quillbay-console-1.txt"));
    EXPECT_FALSE(IsValidRelayPath(L"C:\\Windows\\Quillbay-console-1.tmp"));
    EXPECT_FALSE(IsValidRelayPath(L"Quillbay-console-1.tmp")) << "relative to the current directory";
}

TEST(ConsoleRelay, RelayFileIsReadAsUtf8WithinItsLimit) {
    const std::wstring path = NewRelayFilePath();
    auto write = [&](const std::string& bytes) {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
    };
    std::wstring text = L"stale";
    write("");
    ASSERT_TRUE(ReadRelayFile(path, text));
    EXPECT_EQ(text, L"");
    write("\xEF\xBB\xBFOld versions: 2\r\n\xD0\x9E\xD0\xBA");
    ASSERT_TRUE(ReadRelayFile(path, text));
    EXPECT_EQ(text, L"Old versions: 2\r\nОк");
    write("\xEF\xBB");
    ASSERT_TRUE(ReadRelayFile(path, text));
    EXPECT_EQ(text.size(), 1u) << "two bytes are not a byte-order mark; they are decoded as they are";

    {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size{};
        size.QuadPart = 0x4000000 + 1;
        ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        ::SetEndOfFile(file);
        ::CloseHandle(file);
    }
    text = L"kept";
    EXPECT_FALSE(ReadRelayFile(path, text)) << "more than 64 MiB is refused";
    ::DeleteFileW(path.c_str());
    EXPECT_FALSE(ReadRelayFile(path, text)) << "a missing file";
}
