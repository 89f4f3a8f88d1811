// Command-line front of the 7-Zip bridge for the cross-check with Debian's 7zz:
//   qb-7z-bridge pack <7z.exe> <source folder> <archive>
//   qb-7z-bridge unpack <7z.exe> <archive> <destination folder>
// Prints the progress values it received on one line ("progress: -1 0 ... 100");
// on failure prints the error (UTF-8) to standard error and ends with 1.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/text_encoding.h"
#include "operations/seven_zip_archive.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fputs("usage: qb-7z-bridge pack|unpack <7z.exe> <from> <to>\n", stderr);
        return 2;
    }
    const std::wstring command = argv[1];
    const SevenZipTool tool{argv[2]};
    std::vector<int> reported;
    const auto progress = [&](int percent) { reported.push_back(percent); };
    std::wstring error;
    bool done = false;
    if (command == L"pack") {
        done = CreateSevenZipArchive(tool, argv[3], argv[4], error, progress);
    } else if (command == L"unpack") {
        done = ExtractSevenZipArchive(tool, argv[3], argv[4], error, progress);
    } else {
        std::fputs("qb-7z-bridge: unknown command\n", stderr);
        return 2;
    }
    std::string line = "progress:";
    for (int percent : reported) {
        line += ' ';
        line += std::to_string(percent);
    }
    std::printf("%s\n", line.c_str());
    if (!done) {
        std::fprintf(stderr, "%s\n", WideToUtf8(error).c_str());
        return 1;
    }
    return 0;
}
