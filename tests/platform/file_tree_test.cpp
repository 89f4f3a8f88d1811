// Copies and removals of package folders, including the trees a careless walk
// would escape from: links, and a destination inside the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "core/unique_handle.h"
#include "platform/file_tree.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// Every path below `root`, relative to it, as the system lists them.
std::set<std::wstring> TreeListing(const fs::path& root) {
    std::set<std::wstring> names;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        names.insert(entry.path().lexically_relative(root).wstring());
    return names;
}

bool IsLinkEntry(const fs::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A directory symbolic link. Windows creates it directly (given the privilege or
// developer mode). Wine's CreateSymbolicLinkW reports success without creating
// anything, while a host symbolic link inside the prefix shows as a reparse
// point, so there the host's ln makes it.
bool MakeDirectoryLink(const fs::path& link, const fs::path& target) {
    ::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (IsLinkEntry(link)) return true;

    using UnixName = char*(__cdecl*)(const wchar_t*);
    using DosName = wchar_t*(__cdecl*)(const char*);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto toUnix = reinterpret_cast<UnixName>(reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
    const auto toDos = reinterpret_cast<DosName>(reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (!toUnix || !toDos) return false;
    char* unixLink = toUnix(link.c_str());
    char* unixTarget = toUnix(target.c_str());
    wchar_t* ln = toDos("/bin/ln");
    bool started = false;
    if (unixLink && unixTarget && ln) {
        std::wstring command = L"ln -s " + fs::path(unixTarget).wstring() + L" " + fs::path(unixLink).wstring();
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        started = ::CreateProcessW(ln, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
        if (started) {
            ::WaitForSingleObject(process.hProcess, 10000);
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
        }
    }
    ::HeapFree(::GetProcessHeap(), 0, unixLink);
    ::HeapFree(::GetProcessHeap(), 0, unixTarget);
    ::HeapFree(::GetProcessHeap(), 0, ln);
    // The handle Wine returns for a host program may signal before the program ends.
    for (int poll = 0; started && poll < 250; ++poll) {
        if (IsLinkEntry(link)) return true;
        ::Sleep(20);
    }
    return false;
}

// A small package folder: files at two levels, an empty subfolder, a read-only file.
fs::path MakePackageFolder(const fs::path& parent) {
    const fs::path source = parent / L"nvdisp.inf_amd64_1234";
    fs::create_directories(source / L"x64" / L"empty");
    test::WriteFileBytes(source / L"nvdisp.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
    test::WriteFileBytes(source / L"x64" / L"nvd.sys", std::string("MZ\0\x01\xFF", 5));
    test::WriteFileBytes(source / L"Файл.cat", "cat");
    ::SetFileAttributesW((source / L"Файл.cat").c_str(), FILE_ATTRIBUTE_READONLY);
    return source;
}

}  // namespace

TEST(FileTree, CopiesWholeFolderAndRemovesTheCopy) {
    test::TempFolder temp;
    const fs::path source = MakePackageFolder(temp.Path());
    const fs::path dest = temp.Path() / L"backup" / L"Display" / L"nvdisp";

    std::wstring error;
    ASSERT_TRUE(CopyTree(source, dest, error)) << error;
    EXPECT_EQ(TreeListing(dest), TreeListing(source));
    EXPECT_EQ(test::ReadFileBytes(dest / L"x64" / L"nvd.sys"), std::string("MZ\0\x01\xFF", 5));
    EXPECT_EQ(test::ReadFileBytes(dest / L"Файл.cat"), "cat");

    // The copy keeps the read-only file, and removing an incomplete or finished
    // copy must still take it away.
    std::error_code removeError;
    EXPECT_EQ(RemoveTree(temp.Path() / L"backup", removeError), 8u);
    EXPECT_FALSE(removeError) << removeError.value();
    EXPECT_FALSE(fs::exists(temp.Path() / L"backup"));
    EXPECT_TRUE(fs::exists(source / L"Файл.cat"));

    const fs::path emptySource = temp.Path() / L"empty";
    fs::create_directory(emptySource);
    ASSERT_TRUE(CopyTree(emptySource, temp.Path() / L"emptycopy", error)) << error;
    EXPECT_TRUE(fs::is_directory(temp.Path() / L"emptycopy"));
    EXPECT_TRUE(fs::is_empty(temp.Path() / L"emptycopy"));
}

TEST(FileTree, DestinationInsideSourceIsRefusedBeforeAnythingIsCreated) {
    test::TempFolder temp;
    const fs::path source = MakePackageFolder(temp.Path());
    const std::set<std::wstring> before = TreeListing(source);
    const std::wstring sourceText = source.wstring();

    for (const fs::path& dest : {source / L"copy", source / L"x64" / L"deeper" / L"copy", source,
                                 fs::path(sourceText + L"\\"), fs::path(sourceText + L"/x64/../copy"),
                                 fs::path(L"C:" + sourceText.substr(2) + L"\\COPY"),
                                 temp.Path() / L"other" / L".." / source.filename() / L"copy"}) {
        std::wstring error;
        EXPECT_FALSE(CopyTree(source, dest, error)) << dest;
        EXPECT_EQ(error, L"Папка копии находится внутри источника: " + dest.wstring());
    }
    EXPECT_EQ(TreeListing(source), before);
    EXPECT_FALSE(fs::exists(temp.Path() / L"other"));

    // A sibling whose name merely starts with the source's name is not inside it.
    const fs::path sibling(sourceText + L"-copy");
    std::wstring error;
    EXPECT_TRUE(CopyTree(source, sibling, error)) << error;
    EXPECT_EQ(TreeListing(sibling), before);
}

TEST(FileTree, UnreadableSourcesAndTakenNamesFailWithTheirTexts) {
    test::TempFolder temp;
    const fs::path dest = temp.Path() / L"dest";
    std::wstring error;

    const fs::path missing = temp.Path() / L"missing";
    EXPECT_FALSE(CopyTree(missing, dest, error));
    EXPECT_EQ(error.rfind(L"Ошибка чтения " + missing.wstring() + L": ", 0), 0u) << error;
    EXPECT_GT(error.size(), (L"Ошибка чтения " + missing.wstring() + L": ").size()) << "a description follows";
    EXPECT_FALSE(fs::exists(dest));

    const fs::path file = temp.Path() / L"file.inf";
    test::WriteFileBytes(file, "x");
    EXPECT_FALSE(CopyTree(file, dest, error));
    EXPECT_EQ(error.rfind(L"Ошибка чтения " + file.wstring() + L": ", 0), 0u) << error;
    EXPECT_FALSE(fs::exists(dest));

    // An existing file in the destination is never overwritten.
    const fs::path source = MakePackageFolder(temp.Path());
    fs::create_directories(dest / L"x64");
    test::WriteFileBytes(dest / L"x64" / L"nvd.sys", "keep");
    EXPECT_FALSE(CopyTree(source, dest, error));
    EXPECT_EQ(error.rfind(L"Ошибка копирования " + (source / L"x64" / L"nvd.sys").wstring() + L": ", 0), 0u)
        << error;
    EXPECT_EQ(test::ReadFileBytes(dest / L"x64" / L"nvd.sys"), "keep");

    // A destination that is a file cannot become the copy's folder.
    const fs::path fileDest = temp.Path() / L"taken";
    test::WriteFileBytes(fileDest, "file");
    EXPECT_FALSE(CopyTree(source, fileDest, error));
    EXPECT_EQ(error.rfind(L"Не удалось создать " + fileDest.wstring() + L": ", 0), 0u) << error;
    EXPECT_EQ(test::ReadFileBytes(fileDest), "file");
}

TEST(FileTree, LinksAreNeverFollowed) {
    test::TempFolder temp;
    const fs::path outside = temp.Path() / L"outside";
    fs::create_directory(outside);
    test::WriteFileBytes(outside / L"secret.txt", "not part of the package");

    const fs::path source = MakePackageFolder(temp.Path());
    const fs::path link = source / L"x64" / L"link";
    if (!MakeDirectoryLink(link, outside)) GTEST_SKIP() << "this system cannot create a directory link here";

    std::wstring error;
    const fs::path dest = temp.Path() / L"dest";
    EXPECT_FALSE(CopyTree(source, dest, error));
    EXPECT_EQ(error.rfind(L"Ошибка копирования " + link.wstring() + L": ", 0), 0u) << error;
    EXPECT_FALSE(fs::exists(dest / L"x64" / L"link" / L"secret.txt"));

    // The source itself being a link is refused before anything is created.
    const fs::path linkedSource = temp.Path() / L"linked-source";
    ASSERT_TRUE(MakeDirectoryLink(linkedSource, outside));
    const fs::path dest2 = temp.Path() / L"dest2";
    EXPECT_FALSE(CopyTree(linkedSource, dest2, error));
    EXPECT_EQ(error.rfind(L"Ошибка копирования " + linkedSource.wstring() + L": ", 0), 0u) << error;
    EXPECT_FALSE(fs::exists(dest2));

    // A destination reached through a link into the source is still inside it.
    const fs::path intoSource = temp.Path() / L"into-source";
    ASSERT_TRUE(MakeDirectoryLink(intoSource, source));
    const fs::path throughLink = intoSource / L"copy";
    EXPECT_FALSE(CopyTree(source, throughLink, error));
    EXPECT_EQ(error, L"Папка копии находится внутри источника: " + throughLink.wstring());
    EXPECT_FALSE(fs::exists(source / L"copy"));

    // Removing a tree that holds a link leaves what the link points to alone.
    std::error_code removeError;
    RemoveTree(source, removeError);
    EXPECT_EQ(test::ReadFileBytes(outside / L"secret.txt"), "not part of the package");
}

TEST(FileTree, RemoveTreeOfMissingPathOrSingleFile) {
    test::TempFolder temp;
    std::error_code error = std::make_error_code(std::errc::io_error);
    EXPECT_EQ(RemoveTree(temp.Path() / L"missing" / L"deeper", error), 0u);
    EXPECT_FALSE(error);

    const fs::path file = temp.Path() / L"single.txt";
    test::WriteFileBytes(file, "x");
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(RemoveTree(file, error), 1u);
    EXPECT_FALSE(error) << error.value();
    EXPECT_FALSE(fs::exists(file));

    // A file held open without delete sharing stops the removal with the system's code.
    const fs::path held = temp.Path() / L"held";
    fs::create_directory(held);
    test::WriteFileBytes(held / L"open.txt", "x");
    FileHandle holder(::CreateFileW((held / L"open.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    RemoveTree(held, error);
    EXPECT_EQ(error.category(), std::system_category());
    EXPECT_NE(error.value(), 0);
    EXPECT_TRUE(fs::exists(held / L"open.txt"));
}
