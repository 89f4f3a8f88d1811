#include "core/command_line.h"

#include "core/text_trim.h"

namespace {

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool TokenEquals(const std::wstring& text, const wchar_t* token) {
    size_t i = 0;
    for (; token[i] != L'\0'; ++i) {
        if (i >= text.size() || FoldAscii(text[i]) != FoldAscii(token[i])) return false;
    }
    return i == text.size();
}

// The extension as the file-system library sees it: from the last dot of the
// last component, except for ".", ".." and names whose only dot leads.
std::wstring Extension(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    const std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    if (name == L"." || name == L"..") return {};
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0) return {};
    return name.substr(dot);
}

CommandLine Invalid(const std::wstring& badArgument) {
    CommandLine result;
    result.Command = ConsoleCommand::Invalid;
    result.BadArgument = badArgument;
    return result;
}

// "list [--format text|csv|json] [--output FILE]", each option at most once and
// in either order; on failure `bad` names the argument at fault.
bool ReadListOptions(const std::vector<std::wstring>& rest, CommandLine& result, std::wstring& bad) {
    bool formatSeen = false;
    bool outputSeen = false;
    for (size_t i = 1; i < rest.size(); i += 2) {
        const std::wstring& option = rest[i];
        bad = option;
        if (i + 1 >= rest.size()) return false;
        const std::wstring& value = rest[i + 1];
        if (TokenEquals(option, L"--format") && !formatSeen) {
            formatSeen = true;
            bad = value;
            if (TokenEquals(value, L"text")) result.Format = ListFormat::Text;
            else if (TokenEquals(value, L"csv")) result.Format = ListFormat::Csv;
            else if (TokenEquals(value, L"json")) result.Format = ListFormat::Json;
            else return false;
        } else if (TokenEquals(option, L"--output") && !outputSeen && !TrimWhitespace(value).empty()) {
            outputSeen = true;
            result.OutputPath = TrimWhitespace(value);
            result.OutputIndex = i + 1;
        } else {
            return false;
        }
    }
    return true;
}

bool TakesTarget(const std::wstring& command) {
    return TokenEquals(command, L"list") || TokenEquals(command, L"backup") ||
           TokenEquals(command, L"cleanup-preview") || TokenEquals(command, L"cleanup");
}

// Takes "--target ROOT" out of the words after the command, wherever it stands;
// false (with `bad`) when it lacks a root or comes twice.
bool TakeTarget(std::vector<std::wstring>& rest, CommandLine& result, std::wstring& bad) {
    for (size_t i = 1; i < rest.size(); ++i) {
        if (!TokenEquals(rest[i], L"--target")) continue;
        if (!result.TargetRoot.empty() || i + 1 >= rest.size() || TrimWhitespace(rest[i + 1]).empty()) {
            bad = rest[i];
            return false;
        }
        result.TargetRoot = TrimWhitespace(rest[i + 1]);
        result.TargetIndex = i + 1;
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i), rest.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        --i;
    }
    return true;
}

}  // namespace

std::wstring BackupArchiveArgument(const std::wstring& argument) {
    std::wstring path = TrimWhitespace(argument);
    if (!TokenEquals(Extension(path), L".7z")) path += L".7z";
    return path;
}

CommandLine ClassifyArguments(const std::vector<std::wstring>& arguments,
                              const std::function<bool(const std::wstring&)>& isValidRelayPath) {
    std::wstring relayPath;
    std::vector<std::wstring> rest;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (TokenEquals(arguments[i], L"--console-relay") && i + 1 < arguments.size()) {
            relayPath = arguments[++i];
        } else if (!TokenEquals(arguments[i], L"--elevation-relaunch")) {
            rest.push_back(arguments[i]);
        }
    }
    if (!relayPath.empty() && !isValidRelayPath(relayPath)) return Invalid(L"--console-relay");

    CommandLine result;
    result.RelayPath = relayPath;
    result.Arguments = rest;
    if (rest.empty()) return result;

    std::wstring bad = rest.front();  // what an invalid command line names
    const auto invalid = [&result, &bad] {
        CommandLine invalidLine = Invalid(bad);
        invalidLine.RelayPath = result.RelayPath;
        invalidLine.Arguments = result.Arguments;
        return invalidLine;
    };
    if (TakesTarget(rest.front()) && !TakeTarget(rest, result, bad)) return invalid();

    // A place among the remaining words, as a place among the arguments as given.
    const auto givenIndex = [&result](size_t index) {
        return result.TargetIndex != 0 && index + 1 >= result.TargetIndex ? index + 2 : index;
    };
    const std::wstring& first = rest.front();
    const size_t count = rest.size();
    if ((TokenEquals(first, L"help") || TokenEquals(first, L"--help") || TokenEquals(first, L"/?")) && count == 1) {
        result.Command = ConsoleCommand::Help;
    } else if (TokenEquals(first, L"backup") && count == 2 && !TrimWhitespace(rest[1]).empty()) {
        result.Command = ConsoleCommand::Backup;
        result.Argument = BackupArchiveArgument(rest[1]);
        result.ArgumentIndex = givenIndex(1);
    } else if (TokenEquals(first, L"cleanup-preview") && count == 1) {
        result.Command = ConsoleCommand::CleanupPreview;
    } else if (TokenEquals(first, L"cleanup") && count == 1) {
        result.Command = ConsoleCommand::Cleanup;
    } else if (TokenEquals(first, L"list") && ReadListOptions(rest, result, bad)) {
        result.Command = ConsoleCommand::List;
        if (!result.OutputPath.empty()) result.OutputIndex = givenIndex(result.OutputIndex);
    } else if (TokenEquals(first, L"--self-test") && (count == 1 || count == 2)) {
        result.Command = ConsoleCommand::SelfTest;
        if (count == 2) {
            result.Argument = rest[1];
            result.ArgumentIndex = 1;
        }
    } else {
        return invalid();
    }
    return result;
}
