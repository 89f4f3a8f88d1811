#include "console/relay_file.h"

#include <algorithm>
#include <string_view>

#include "core/event_log.h"
#include "core/string_compare.h"
#include "core/text_encoding.h"

namespace {

constexpr wchar_t kRelayPrefix[] = L"Quillbay-console-";
constexpr size_t kPrefixLength = sizeof(kRelayPrefix) / sizeof(wchar_t) - 1;
constexpr unsigned long long kMaxRelayBytes = 0x4000000;

std::wstring FileNameOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

bool IsDigits(std::wstring_view text) {
    if (text.empty()) return false;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
    }
    return true;
}

// The bytes of `text` up to the last complete UTF-8 sequence.
size_t CompleteUtf8Length(const std::string& text) {
    const size_t size = text.size();
    for (size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

}  // namespace

std::wstring NewRelayFilePath() {
    return TempFilePath(kRelayPrefix + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                        std::to_wstring(::GetTickCount64()) + L".tmp");
}

bool IsValidRelayPath(const std::wstring& path) {
    const std::wstring name = FileNameOf(path);
    if (name.size() < kPrefixLength + 4 || name.compare(0, kPrefixLength, kRelayPrefix) != 0 ||
        !EqualsIgnoreCase(std::wstring_view(name).substr(name.size() - 4), L".tmp"))
        return false;
    const std::wstring_view numbers = std::wstring_view(name).substr(kPrefixLength, name.size() - kPrefixLength - 4);
    const size_t dash = numbers.find(L'-');
    return dash != std::wstring_view::npos && IsDigits(numbers.substr(0, dash)) && IsDigits(numbers.substr(dash + 1));
}

KernelHandle OpenRelayCaller(const std::wstring& relayPath) {
    if (!IsValidRelayPath(relayPath)) return {};
    const std::wstring name = FileNameOf(relayPath);
    const std::wstring digits = name.substr(kPrefixLength, name.find(L'-', kPrefixLength) - kPrefixLength);
    if (digits.size() > 10) return {};
    const unsigned long long id = std::stoull(digits);
    if (id == 0 || id > 0xFFFFFFFFull) return {};
    return KernelHandle(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
}

FileHandle CreateRelayFile(const std::wstring& path) {
    return FileHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
}

std::wstring RelayFileReader::ReadNew(bool final) {
    char chunk[65536];
    DWORD read = 0;
    while (total_ < kMaxRelayBytes && ::ReadFile(file_.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        const auto kept = static_cast<DWORD>(std::min<unsigned long long>(read, kMaxRelayBytes - total_));
        if (total_ == 0 && kept > 2 && std::string_view(chunk, 3) == "\xEF\xBB\xBF") {
            pending_.append(chunk + 3, kept - 3);
        } else {
            pending_.append(chunk, kept);
        }
        total_ += kept;
    }
    const size_t complete = final ? pending_.size() : CompleteUtf8Length(pending_);
    const std::wstring text = Utf8ToWide(pending_.substr(0, complete));
    pending_.erase(0, complete);
    return text;
}
