#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <filesystem>

#include "platform/dism_session.h"
#include "platform/system_message.h"
#include "test_support.h"

namespace {

// DISM keeps its last message per thread; a fresh thread has none, so the
// description must come from the system or be the bare code.
std::wstring DescribeOnFreshThread(const DismSession& session, HRESULT hr) {
    std::wstring text;
    std::thread worker([&] { text = session.DescribeDismError(hr); });
    worker.join();
    return text;
}

}  // namespace

TEST(DismSessionErrors, DescriptionFallsBackToSystemTextThenToCode) {
    // A Win32 error wrapped as an HRESULT is looked up by its low 16 bits.
    const std::wstring notFound = SystemMessageText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(notFound.empty());
    EXPECT_EQ(notFound.find_last_of(L"\r\n "), notFound.size() <= 1 ? std::wstring::npos : notFound.find_last_of(L"\r\n "))
        << "no trailing line break";
    EXPECT_NE(notFound.back(), L'\n');
    // Wine's message table lacks some codes that Windows has (740 among them);
    // then only the code remains.
    const std::wstring elevation = SystemMessageText(740);
    const std::wstring elevationExpected = elevation.empty() ? L"0x800702E4" : L"0x800702E4 \u2014 " + elevation;

    {
        const DismSession unloaded;
        EXPECT_EQ(unloaded.DescribeDismError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), L"0x80070002 \u2014 " + notFound);
        EXPECT_EQ(unloaded.DescribeDismError(static_cast<HRESULT>(0x800702E4)), elevationExpected);
        EXPECT_EQ(unloaded.DescribeDismError(static_cast<HRESULT>(0x2BAD0001)), L"0x2BAD0001");
    }
    {
        test::TempFolder folder;
        DismSession session;
        std::wstring error;
        ASSERT_TRUE(session.Initialize((folder.Path() / L"dism.log").wstring(), error)) << error;
        EXPECT_EQ(DescribeOnFreshThread(session, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)),
                  L"0x80070002 \u2014 " + notFound);
        EXPECT_EQ(DescribeOnFreshThread(session, static_cast<HRESULT>(0x800702E4)), elevationExpected);
        EXPECT_EQ(DescribeOnFreshThread(session, static_cast<HRESULT>(0x2BAD0001)), L"0x2BAD0001");
        session.Shutdown();
    }
}

TEST(DismSessionErrors, FailedOpenCarriesPathAndDismMessage) {
    test::TempFolder notWindows;
    DismSession session;
    std::wstring error;
    ASSERT_TRUE(session.Initialize((notWindows.Path() / L"dism.log").wstring(), error)) << error;

    dism::Session handle = 77;
    const std::wstring root = notWindows.Path().wstring() + L"\\";
    EXPECT_FALSE(session.OpenSession(root, handle, error));
    EXPECT_EQ(handle, 0u) << "a failed open leaves no handle behind";
    const std::wstring prefix = L"DismOpenSession(" + root + L"): 0x";
    ASSERT_EQ(error.rfind(prefix, 0), 0u) << error;
    const size_t dash = error.find(L" \u2014 ", prefix.size());
    ASSERT_EQ(dash, prefix.size() + 8) << "eight hex digits, then the separator: " << error;
    EXPECT_GT(error.size(), dash + 3) << "DISM's own message follows the code";
}

TEST(DismSessionLifecycle, InitializeIsIdempotentAndShutdownUnloads) {
    test::TempFolder folder;
    DismSession session;
    std::wstring error;
    ASSERT_TRUE(session.Initialize((folder.Path() / L"dism.log").wstring(), error)) << error;
    ASSERT_TRUE(session.Initialize(L"ignored-second-path.log", error)) << error;
    EXPECT_TRUE(session.IsInitialized());
    EXPECT_NE(::GetModuleHandleW(L"DismApi.dll"), nullptr);

    session.Shutdown();
    EXPECT_FALSE(session.IsInitialized());
    EXPECT_FALSE(session.IsLoaded());
    EXPECT_EQ(::GetModuleHandleW(L"DismApi.dll"), nullptr) << "shutdown unloads the library";

    dism::Session handle = 5;
    EXPECT_FALSE(session.OpenSession(dism::kOnlineImage, handle, error)) << "no session after shutdown";
    EXPECT_EQ(handle, 0u);
    session.Shutdown();  // repeating is harmless

    ASSERT_TRUE(session.Initialize((folder.Path() / L"dism2.log").wstring(), error)) << "can start again: " << error;
    EXPECT_TRUE(session.IsInitialized());
}

TEST(DismSessionLifecycle, SessionsAreClosedOnlyWhenRealAndOnlyWhileInitialized) {
    test::TempFolder folder;
    const std::filesystem::path root = folder.Path() / L"image";
    std::filesystem::create_directories(root / L"Windows" / L"System32");
    const std::filesystem::path log = folder.Path() / L"dism.log";
    const std::wstring rootText = root.wstring() + L"\\";

    DismSession session;
    std::wstring error;
    ASSERT_TRUE(session.Initialize(log.wstring(), error)) << error;
    dism::Session opened = 0;
    {
        DismSessionScope scope(session);
        ASSERT_TRUE(scope.Open(rootText, error)) << error;
        opened = scope.Handle();
        EXPECT_NE(opened, 0u);
    }
    {
        DismSessionScope neverOpened(session);
        DismSessionScope failed(session);
        EXPECT_FALSE(failed.Open((folder.Path() / L"missing").wstring(), error));
        EXPECT_EQ(failed.Handle(), 0u);
    }
    session.CloseSession(0);
    {
        DismSessionScope outlivesTheApi(session);
        ASSERT_TRUE(outlivesTheApi.Open(rootText, error)) << error;
        session.Shutdown();
    }
    const std::wstring calls = test::ReadUtf8File(log);
    EXPECT_NE(calls.find(L"DismOpenSession(\"" + rootText + L"\""), std::wstring::npos)
        << "the root string is passed unchanged:\n" << calls;
    EXPECT_NE(calls.find(L"DismCloseSession(" + std::to_wstring(opened) + L") -> 0x00000000"), std::wstring::npos)
        << calls;
    EXPECT_EQ(calls.find(L"DismCloseSession(0)"), std::wstring::npos) << calls;
    const size_t shutdown = calls.find(L"DismShutdown");
    ASSERT_NE(shutdown, std::wstring::npos) << calls;
    EXPECT_EQ(calls.find(L"DismCloseSession", shutdown), std::wstring::npos) << "nothing after shutdown:\n" << calls;
}
