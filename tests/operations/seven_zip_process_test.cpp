#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/text_encoding.h"
#include "core/text_trim.h"
#include "core/unique_handle.h"
#include "operations/seven_zip_process.h"
#include "test_support.h"

// The child here is qb-fake-7z.exe, a stand-in whose output each test scripts.
namespace {

std::wstring FakeSevenZip() { return (test::BinFolder() / L"qb-fake-7z.exe").wstring(); }

struct RunResult {
    bool Succeeded = false;
    std::wstring Error;
    std::vector<int> Progress;
};

RunResult RunFake(const std::vector<std::wstring>& steps, const std::wstring& workingDirectory = L"") {
    RunResult result;
    result.Succeeded = Run7Zip(FakeSevenZip(), steps, workingDirectory, result.Error,
                               [&](int percent) { result.Progress.push_back(percent); });
    return result;
}

const std::wstring kExitPrefix = L"7-Zip завершился с кодом ";

}  // namespace

TEST(SevenZipProcess, ReportsProgressAndTheExitCodeWithErrorOutput) {
    {
        // 100% is held back as 99 while the child runs; success adds the final 100.
        const RunResult run = RunFake({L"out:  0%\b\b\b\b  5%\b\b\b\b 42% file\r 42%\r100%\r", L"err:Everything is Ok\n"});
        EXPECT_TRUE(run.Succeeded) << run.Error;
        EXPECT_TRUE(run.Error.empty());
        EXPECT_EQ(run.Progress, (std::vector<int>{-1, 0, 5, 42, 99, 100}));
    }
    {
        const RunResult run = RunFake({L"out: 30%\r100%\r", L"err:\r\nERROR: Нет доступа к «архив.7z»\r\n", L"exit:2"});
        EXPECT_FALSE(run.Succeeded);
        EXPECT_EQ(run.Error, kExitPrefix + L"2.\r\nERROR: Нет доступа к «архив.7z»");
        EXPECT_EQ(run.Progress, (std::vector<int>{-1, 30, 99})) << "no 100 for a failed run";
    }
    {
        const RunResult run = RunFake({L"exit:3221225477"});
        EXPECT_EQ(run.Error, kExitPrefix + L"3221225477.") << "unsigned, nothing appended without error output";
    }
    {
        RunResult run;
        run.Succeeded = Run7Zip(FakeSevenZip(), {L"out:50%"}, L"", run.Error, nullptr);
        EXPECT_TRUE(run.Succeeded) << "an empty progress callback is allowed";
    }
}

TEST(SevenZipProcess, DrainsBothPipesAndKeepsTheLastErrorBytes) {
    // Megabytes on both streams: reading one pipe only would leave the child
    // blocked on the other and this run would never end.
    constexpr size_t kBytes = 3 * 1024 * 1024;
    const auto started = std::chrono::steady_clock::now();
    const RunResult run = RunFake({L"bulk:" + std::to_wstring(kBytes), L"exit:1"});
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 60.0);
    ASSERT_FALSE(run.Succeeded);

    std::string errorOutput;
    char line[16];
    for (unsigned index = 0; errorOutput.size() < kBytes; ++index) {
        std::snprintf(line, sizeof(line), "e%07u\n", index);
        errorOutput += line;
    }
    errorOutput.resize(kBytes);
    const std::wstring expectedTail = TrimWhitespace(Utf8ToWide(errorOutput.substr(kBytes - 16384)));
    EXPECT_EQ(run.Error, kExitPrefix + L"1.\r\n" + expectedTail);
    EXPECT_EQ(run.Progress, (std::vector<int>{-1}));
}

TEST(SevenZipProcess, ChildGetsExactlyTheArgumentsFolderAndHandlesWeMeant) {
    {
        const std::vector<std::wstring> adversarial = {
            L"C:\\My Files\\", L"a\"b", L"\\\\server\\share\\", L"", L"tab\there", L"x\\\"y z\"", L"-oC:\\Temp\\x y",
            L"Ключ 日本語 😀"};
        std::vector<std::wstring> steps = {L"exit:1", L"args"};
        steps.insert(steps.end(), adversarial.begin(), adversarial.end());
        const RunResult run = RunFake(steps);
        std::wstring expected = kExitPrefix + L"1.\r\n";
        for (const std::wstring& argument : adversarial) expected += argument + L"\n";
        EXPECT_EQ(run.Error, TrimWhitespace(expected));
    }
    {
        test::TempFolder folder(L"qb7z рабочая");
        const RunResult run = RunFake({L"cwd", L"exit:1"}, folder.Path().wstring());
        EXPECT_EQ(run.Error, kExitPrefix + L"1.\r\n" + folder.Path().wstring());
    }
    {
        // An inheritable handle of ours that is not one of the three standard ones
        // must not reach the child: if it did, the child's release would show here.
        SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
        KernelHandle semaphore(::CreateSemaphoreW(&inheritable, 0, 1, nullptr));
        ASSERT_TRUE(semaphore);
        const std::wstring value = std::to_wstring(reinterpret_cast<ULONG_PTR>(semaphore.get()));
        const RunResult run = RunFake({L"release:" + value});
        ASSERT_TRUE(run.Succeeded) << run.Error;
        EXPECT_EQ(::WaitForSingleObject(semaphore.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }
}

TEST(SevenZipProcess, RefusesAMissingExecutableBeforeStartingAnything) {
    test::TempFolder folder;
    std::vector<int> progress;
    std::wstring error = L"stale";
    const auto record = [&](int percent) { progress.push_back(percent); };
    EXPECT_FALSE(Run7Zip(L"", {}, L"", error, record));
    EXPECT_EQ(error, L"Исполняемый файл 7-Zip не найден: ");
    const std::wstring missing = (folder.Path() / L"7z.exe").wstring();
    EXPECT_FALSE(Run7Zip(missing, {}, L"", error, record));
    EXPECT_EQ(error, L"Исполняемый файл 7-Zip не найден: " + missing);
    EXPECT_FALSE(Run7Zip(folder.Path().wstring(), {}, L"", error, record)) << "a folder is no executable";
    EXPECT_TRUE(progress.empty());

    // A file that exists but cannot be started.
    const std::filesystem::path notProgram = folder.Path() / L"7z.exe";
    test::WriteFileBytes(notProgram, "not a program");
    EXPECT_FALSE(Run7Zip(notProgram.wstring(), {}, L"", error, record));
    EXPECT_EQ(error.rfind(L"Не удалось запустить 7-Zip. Код Windows: ", 0), 0u) << error;
    EXPECT_TRUE(progress.empty());
}
