#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "console/console_output.h"
#include "console/relay_file.h"
#include "core/command_line.h"
#include "core/event_log.h"
#include "core/text_encoding.h"
#include "core/text_trim.h"
#include "core/unique_handle.h"
#include "test_support.h"

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
    const CommandLine plainList = Classify({L"LIST"});
    EXPECT_EQ(plainList.Command, ConsoleCommand::List);
    EXPECT_EQ(plainList.Format, ListFormat::Text);
    EXPECT_TRUE(plainList.OutputPath.empty());
    const CommandLine list = Classify({L"list", L"--OUTPUT", L" inv.csv ", L"--format", L"CSV"});
    EXPECT_EQ(list.Command, ConsoleCommand::List);
    EXPECT_EQ(list.Format, ListFormat::Csv);
    EXPECT_EQ(list.OutputPath, L"inv.csv");
    EXPECT_EQ(list.OutputIndex, 2u);
    EXPECT_EQ(Classify({L"list", L"--format", L"json"}).Format, ListFormat::Json);

    // "--target ROOT" anywhere after the four commands that read a Windows.
    struct Targeted {
        std::vector<std::wstring> arguments;
        ConsoleCommand command;
        size_t targetIndex;
        std::wstring argument;
        size_t argumentIndex;
    };
    const Targeted targeted[] = {
        {{L"cleanup", L"--TARGET", L" D:\\ "}, ConsoleCommand::Cleanup, 2, L"", 0},
        {{L"cleanup-preview", L"--target", L"E:"}, ConsoleCommand::CleanupPreview, 2, L"", 0},
        {{L"backup", L"--target", L"D:\\", L"x"}, ConsoleCommand::Backup, 2, L"x.7z", 3},
        {{L"backup", L"x.7z", L"--target", L"D:\\"}, ConsoleCommand::Backup, 3, L"x.7z", 1},
        {{L"list", L"--target", L"D:\\", L"--output", L"o.csv"}, ConsoleCommand::List, 2, L"", 0},
        {{L"list", L"--output", L"o.csv", L"--target", L"D:\\"}, ConsoleCommand::List, 4, L"", 0},
    };
    for (const Targeted& t : targeted) {
        const CommandLine parsed = Classify(t.arguments);
        SCOPED_TRACE(WideToUtf8(t.arguments.back()));
        EXPECT_EQ(parsed.Command, t.command);
        EXPECT_EQ(parsed.TargetIndex, t.targetIndex);
        EXPECT_EQ(parsed.TargetRoot, TrimWhitespace(t.arguments[t.targetIndex]));
        EXPECT_EQ(parsed.Argument, t.argument);
        EXPECT_EQ(parsed.ArgumentIndex, t.argumentIndex);
        EXPECT_EQ(parsed.Arguments, t.arguments);
        if (t.command == ConsoleCommand::List) {
            EXPECT_EQ(parsed.Arguments[parsed.OutputIndex], L"o.csv");
        }
    }

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
        // A list option reports the argument at fault.
        {{L"list", L"--format"}, L"--format"},
        {{L"list", L"--format", L"xml"}, L"xml"},
        {{L"list", L"--format", L"csv", L"--format", L"json"}, L"--format"},
        {{L"list", L"--output", L" "}, L"--output"},
        {{L"list", L"--output", L"a", L"--output", L"b"}, L"--output"},
        {{L"list", L"--target"}, L"--target"},
        {{L"list", L"--target", L" "}, L"--target"},
        {{L"cleanup", L"--target", L"C:\\", L"--target", L"D:\\"}, L"--target"},
        {{L"backup", L"--target", L"D:\\"}, L"backup"},
        {{L"help", L"--target", L"D:\\"}, L"help"},
        {{L"--self-test", L"--target", L"D:\\"}, L"--self-test"},
        {{L"list", L"json"}, L"json"},
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

    const std::wstring forged = L"Quillbay.exe cleanup --console-relay \"C:\\Windows\\Quillbay-console-x.tmp\"";
    EXPECT_EQ(ParseCommandLineText(forged.c_str()).Command, ConsoleCommand::Invalid);
}

// The copy may run under another account, whose temporary folder is not the
// caller's: it knows a relay file by its name and by the file itself.
TEST(ConsoleRelay, RelayFilesAreKnownByTheirNameAndAreOpenedOnlyAsPlainFiles) {
    const std::wstring temp = TempFilePath(L"");
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(IsValidRelayPath(temp + L"Quillbay-console-12-345.tmp"));
    EXPECT_TRUE(IsValidRelayPath(L"C:\\users\\other\\Temp\\Quillbay-console-12-345.tmp")) << "any folder";
    EXPECT_TRUE(IsValidRelayPath(L"C:/Temp/Quillbay-console-1-2.TMP")) << "extension case does not matter";
    EXPECT_TRUE(IsValidRelayPath(NewRelayFilePath()));

    EXPECT_FALSE(IsValidRelayPath(L""));
    EXPECT_FALSE(IsValidRelayPath(temp + L"quillbay-console-1-2.tmp")) << "prefix case matters";
    EXPECT_FALSE(IsValidRelayPath(temp + L"Quillbay-console-1.tmp")) << "process id and tick count";
    EXPECT_FALSE(IsValidRelayPath(temp + L"Quillbay-console-1-2x.tmp"));
    EXPECT_FALSE(IsValidRelayPath(temp + L"Quillbay-console--2.tmp"));
    EXPECT_FALSE(IsValidRelayPath(temp + L"Quillbay-console-1-2.tmp.exe"));
    EXPECT_FALSE(IsValidRelayPath(temp + L"Quillbay-console-1-2.txt"));
    EXPECT_FALSE(IsValidRelayPath(temp + L"Quillbay-console-1-2.tmp\\x"));

    const KernelHandle caller = OpenRelayCaller(NewRelayFilePath());
    ASSERT_TRUE(caller) << "the caller's process id is in the name";
    EXPECT_EQ(::WaitForSingleObject(caller.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(OpenRelayCaller(temp + L"Quillbay-console-0-1.tmp"));

    // The caller creates the file; the copy only opens one that exists, plainly.
    test::TempFolder folder;
    const std::wstring path = (folder.Path() / L"Quillbay-console-7-8.tmp").wstring();
    std::wstring refusal;
    EXPECT_FALSE(UseRelayFile(path, refusal)) << "a file that does not exist is not created";
    EXPECT_FALSE(std::filesystem::exists(path));
    FileHandle created = CreateRelayFile(path);
    ASSERT_TRUE(created);
    EXPECT_FALSE(CreateRelayFile(path)) << "never an existing file";
    ASSERT_TRUE(UseRelayFile(path, refusal)) << refusal;
    WriteConsoleText(L"Ок\r\n", true);
    EXPECT_TRUE(UseRelayFile(L"", refusal));
    EXPECT_EQ(test::ReadFileBytes(path), "\xD0\x9E\xD0\xBA\r\n");
    EXPECT_FALSE(::DeleteFileW(path.c_str())) << "nobody deletes or swaps it while the caller holds it";
    created.reset();
    EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

TEST(ConsoleRelay, RelayFileIsReadAsItGrowsAsUtf8WithinItsLimit) {
    test::TempFolder folder;
    const std::wstring path = (folder.Path() / L"Quillbay-console-1-2.tmp").wstring();
    RelayFileReader reader(CreateRelayFile(path));
    FileHandle writer(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    const auto write = [&](const std::string& bytes) {
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(writer.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    };
    EXPECT_EQ(reader.ReadNew(false), L"");
    EXPECT_FALSE(reader.ReadAnything());
    write("\xEF\xBB\xBFOld versions: 2\r\n\xD0\x9E");
    EXPECT_EQ(reader.ReadNew(false), L"Old versions: 2\r\n\u041E") << "the byte-order mark is dropped";
    write("\xD0");
    EXPECT_EQ(reader.ReadNew(false), L"") << "half a letter waits for its rest";
    write("\xBA\xEF\xBB\xBF!");
    EXPECT_EQ(reader.ReadNew(false), L"\u043A\uFEFF!") << "only a leading mark is dropped";
    write("\xE2\x82");
    EXPECT_EQ(reader.ReadNew(false), L"");
    EXPECT_FALSE(reader.ReadNew(true).empty()) << "at the end a cut letter is not kept back";
    EXPECT_TRUE(reader.ReadAnything());

    // Nothing beyond 64 MiB comes back, however much the copy writes.
    LARGE_INTEGER size{};
    size.QuadPart = 0x4000000 + 4096;
    ASSERT_TRUE(::SetFilePointerEx(writer.get(), size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(::SetEndOfFile(writer.get()));
    size_t total = 0;
    for (std::wstring text; !(text = reader.ReadNew(false)).empty();) total += text.size();
    EXPECT_EQ(total, 0x4000000u - 30u) << "the 30 bytes read before count too";
}
