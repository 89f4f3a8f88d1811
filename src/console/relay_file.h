#pragma once
// The relay file that carries an elevated copy's console output back to the
// unelevated caller: "Quillbay-console-<caller pid>-<ticks>.tmp", created by the
// caller in its temporary folder. The copy may run under another account with
// another temporary folder, so it trusts the name's pattern and the file itself
// (a plain file that already exists), not the folder.
#include <windows.h>

#include <string>
#include <utility>

#include "core/unique_handle.h"

// A new name in the temporary folder.
std::wstring NewRelayFilePath();
// The file name has the pattern of a relay file.
bool IsValidRelayPath(const std::wstring& path);
// The caller's process, from the relay file's name, for waiting on; empty when
// it cannot be opened (another account's process, or it has ended).
KernelHandle OpenRelayCaller(const std::wstring& relayPath);

// Creates the file, which must not exist yet, for reading; while the handle is
// open nobody can delete or rename it.
FileHandle CreateRelayFile(const std::wstring& path);

// Reads what the copy appends, as it grows.
class RelayFileReader {
public:
    explicit RelayFileReader(FileHandle file) : file_(std::move(file)) {}
    // The text appended since the last call. A UTF-8 sequence cut by the end of
    // what was written waits for its rest unless `final`; a leading byte-order
    // mark is dropped; nothing beyond 64 MiB is ever returned.
    std::wstring ReadNew(bool final);
    [[nodiscard]] bool ReadAnything() const noexcept { return total_ != 0; }

private:
    FileHandle file_;
    std::string pending_;
    unsigned long long total_ = 0;
};
