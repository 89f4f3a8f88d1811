#include <gtest/gtest.h>

#include <string>
#include <thread>

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
    const std::wstring elevationText = SystemMessageText(ERROR_ELEVATION_REQUIRED);
    ASSERT_FALSE(elevationText.empty());

    {
        const DismSession unloaded;
        EXPECT_EQ(unloaded.DescribeDismError(static_cast<HRESULT>(0x800702E4)), L"0x800702E4 \u2014 " + elevationText);
        EXPECT_EQ(unloaded.DescribeDismError(static_cast<HRESULT>(0x2BAD0001)), L"0x2BAD0001");
    }
    {
        test::TempFolder folder;
        DismSession session;
        std::wstring error;
        ASSERT_TRUE(session.Initialize((folder.Path() / L"dism.log").wstring(), error)) << error;
        EXPECT_EQ(DescribeOnFreshThread(session, static_cast<HRESULT>(0x800702E4)),
                  L"0x800702E4 \u2014 " + elevationText);
        EXPECT_EQ(DescribeOnFreshThread(session, static_cast<HRESULT>(0x2BAD0001)), L"0x2BAD0001");
        // A Win32 error wrapped as an HRESULT is looked up by its low 16 bits.
        EXPECT_EQ(DescribeOnFreshThread(session, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)),
                  L"0x80070002 \u2014 " + SystemMessageText(ERROR_FILE_NOT_FOUND));
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
