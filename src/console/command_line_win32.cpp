#include <windows.h>

#include <shellapi.h>

#include "console/relay_file.h"
#include "core/command_line.h"
#include "core/unique_handle.h"

std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine) {
    int count = 0;
    LocalMemory owner;
    wchar_t** parts = ::CommandLineToArgvW(commandLine, &count);
    owner.reset(parts);
    std::vector<std::wstring> arguments;
    for (int i = 0; parts && i < count; ++i) arguments.emplace_back(parts[i]);
    return arguments;
}

CommandLine ParseCommandLineText(const wchar_t* commandLine) {
    std::vector<std::wstring> arguments = SplitCommandLine(commandLine);
    if (arguments.empty()) return {};
    arguments.erase(arguments.begin());
    return ClassifyArguments(arguments, IsValidRelayPath);
}

CommandLine ParseCommandLine() { return ParseCommandLineText(::GetCommandLineW()); }
