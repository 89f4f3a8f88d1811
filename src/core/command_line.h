#pragma once
// What the command line asks for. The classification works on an already split
// argument list and needs no Windows, so it can be fuzzed natively.
#include <functional>
#include <string>
#include <vector>

enum class ConsoleCommand { None, Help, Backup, CleanupPreview, Cleanup, List, SelfTest, Invalid };

enum class ListFormat { Text, Csv, Json };

struct CommandLine {
    ConsoleCommand Command = ConsoleCommand::None;
    std::wstring Argument;
    size_t ArgumentIndex = 0;  // the place of Argument's word in Arguments; 0: none
    std::wstring RelayPath;
    std::wstring BadArgument;
    // "list": the format and, when the list goes to a file, its path as given
    // (OutputIndex is that path's place in Arguments).
    ListFormat Format = ListFormat::Text;
    std::wstring OutputPath;
    size_t OutputIndex = 0;
    // "list", "backup", "cleanup-preview", "cleanup": the root of an offline
    // Windows as given, empty for the running one (TargetIndex: its place in Arguments).
    std::wstring TargetRoot;
    size_t TargetIndex = 0;
    // The arguments as given, without the relay pair and the relaunch marker.
    std::vector<std::wstring> Arguments;
};

// `arguments` excludes the program name.
CommandLine ClassifyArguments(const std::vector<std::wstring>& arguments,
                              const std::function<bool(const std::wstring&)>& isValidRelayPath);

// CommandLineToArgvW's split, program name first; empty when it fails.
std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine);
// Splits a whole command line as the process received it (program name first).
CommandLine ParseCommandLineText(const wchar_t* commandLine);
// The current process's command line.
CommandLine ParseCommandLine();

// The archive path of "backup": trimmed, with ".7z" appended unless it already ends so.
std::wstring BackupArchiveArgument(const std::wstring& argument);
