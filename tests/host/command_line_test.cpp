// The command line: the program name, the mode grammar, the window handles
// and the exit codes of SaverMain.
#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <string>

#include "host/host_fixture.h"
#include "host/saver_host.h"

namespace {

using hosttest::as_entry;

TEST(SkipProgramName, SkipsPlainAndQuotedNamesAndTheBlanksAfter) {
    EXPECT_STREQ(SkipProgramName("nuvex.scr /s"), "/s");
    EXPECT_STREQ(SkipProgramName("nuvex.scr \t \x01/p 12"), "/p 12");
    EXPECT_STREQ(SkipProgramName("\"C:\\My Savers\\nuvex.scr\" /c:44"), "/c:44");
    EXPECT_STREQ(SkipProgramName("\"C:\\My Savers\\nuvex.scr\"/s"), "/s");
    EXPECT_STREQ(SkipProgramName("nuvex.scr"), "");
    EXPECT_STREQ(SkipProgramName(""), "");
    // An unterminated quote takes the whole line.
    EXPECT_STREQ(SkipProgramName("\"C:\\nuvex.scr /s"), "");
    // A name starting with a blank has no name part; only the blanks go.
    EXPECT_STREQ(SkipProgramName("  /s"), "/s");
}

HWND handle(std::uint32_t value) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}

TEST(ParseWindowHandle, ReadsDecimalDigitsUpToTheFirstOtherByte) {
    EXPECT_EQ(ParseWindowHandle("1234"), handle(1234));
    EXPECT_EQ(ParseWindowHandle("123abc"), handle(123));
    EXPECT_EQ(ParseWindowHandle("4294967295"), handle(0xFFFFFFFFu));
    EXPECT_EQ(ParseWindowHandle("0000004294967295"), handle(0xFFFFFFFFu));
    EXPECT_EQ(ParseWindowHandle(":1234"), nullptr);
    EXPECT_EQ(ParseWindowHandle("-5"), nullptr);
    EXPECT_EQ(ParseWindowHandle("+5"), nullptr);
    EXPECT_EQ(ParseWindowHandle(" 5"), nullptr);
    EXPECT_EQ(ParseWindowHandle("\xb5\x35"), nullptr);
    EXPECT_EQ(ParseWindowHandle("12\xb5"
                                "3"),
              handle(12));
    EXPECT_EQ(ParseWindowHandle(""), nullptr);
}

TEST(ParseWindowHandle, NumbersBeyond32BitsNameNoWindowInsteadOfWrapping) {
    for (const char* text : {"4294967296", "4294967301", "18446744073709551617",
                             "99999999999999999999999999999999x"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseWindowHandle(text), nullptr);
        EXPECT_TRUE(WindowIdTooLarge(text));
    }
    for (const char* text : {"4294967295", "0000004294967295", "", "x", "-4294967296"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(WindowIdTooLarge(text));
    }
}

class CommandLineTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        window = nullmode::create_foreign_window(152, 112);
        foreground = nullmode::create_foreign_window(400, 300);
        SetForegroundWindow(foreground);
        id = std::to_string(static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(window)));
    }
    static SaverModeKind kind(const std::string& tail) {
        return DecodeSaverMode(tail.c_str()).kind;
    }
    static HWND window_of(const std::string& tail) { return DecodeSaverMode(tail.c_str()).window; }
    HWND window = nullptr;
    HWND foreground = nullptr;
    std::string id;
};

TEST_F(CommandLineTest, SeparatorsOnlyOrNothingShowsTheDialogWithoutOwner) {
    for (const char* tail : {"", "/", "- /", "   ", "--//"}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(kind(tail), SaverModeKind::config);
        EXPECT_EQ(window_of(tail), nullptr);
    }
}

TEST_F(CommandLineTest, FullScreenInAnySpelling) {
    for (const char* tail : {"/s", "-S", "s", "//s", " - /S", "/s junk", "/sp 1"}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(kind(tail), SaverModeKind::saver);
        EXPECT_EQ(window_of(tail), nullptr);
    }
}

TEST_F(CommandLineTest, PreviewTakesTheNumberAfterOptionalSpaces) {
    for (const std::string& tail :
         {"/p " + id, "/l " + id, "/p" + id, "-P   " + id, "/L" + id + "xyz"}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(kind(tail), SaverModeKind::preview);
        EXPECT_EQ(window_of(tail), window);
    }
}

TEST_F(CommandLineTest, PreviewWithoutAUsableWindowIsUnusable) {
    const std::string tab = std::string("/p\t") + id;
    for (const std::string& tail : {"/p:" + id, std::string("/p"), std::string("/p 0"),
                                    std::string("/p 999999"), tab, "/p " + id + "0000000000"}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(kind(tail), SaverModeKind::unusable);
    }
}

TEST_F(CommandLineTest, AWindowIdBeyond32BitsNeverReachesAnExistingWindow) {
    // The window's own value plus 2^32 would wrap round to it.
    const std::string wrapped = std::to_string(
        static_cast<std::uint64_t>(reinterpret_cast<ULONG_PTR>(window)) + (1ull << 32));
    const std::string tail = "/p " + wrapped;
    const SaverMode preview = DecodeSaverMode(tail.c_str());
    EXPECT_EQ(preview.kind, SaverModeKind::unusable);
    EXPECT_EQ(preview.windowFault, WindowIdFault::too_large);
    EXPECT_EQ(preview.windowId, tail.c_str() + 3);
    EXPECT_EQ(window_of("/c:" + wrapped), foreground);
    SaverHostState.win9xFamily = true;
    EXPECT_EQ(window_of("/a " + wrapped), foreground);
}

TEST_F(CommandLineTest, ConfigurationTakesItsOwnerOnlyAfterAColon) {
    EXPECT_EQ(kind("/c:" + id), SaverModeKind::config);
    EXPECT_EQ(window_of("/c:" + id), window);
    EXPECT_EQ(window_of("C:" + id), window);
    for (const std::string& tail : {"/c " + id, std::string("/c"), std::string("/c:0"),
                                    std::string("/c:x"), std::string("/c:999999")}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(kind(tail), SaverModeKind::config);
        EXPECT_EQ(window_of(tail), foreground);
    }
}

TEST_F(CommandLineTest, PasswordChangeOnlyInThe9xFamily) {
    EXPECT_EQ(kind("/a " + id), SaverModeKind::unusable);
    SaverHostState.win9xFamily = true;
    EXPECT_EQ(kind("/a " + id), SaverModeKind::change_password);
    EXPECT_EQ(window_of("/a " + id), window);
    EXPECT_EQ(window_of("-A" + id), window);
    EXPECT_EQ(window_of("/a"), foreground);
    EXPECT_EQ(window_of("/a:" + id), foreground);
}

TEST_F(CommandLineTest, AnyOtherByteIsUnusable) {
    for (const char* tail : {"/x", "x", "/\ts", "\ts", "/?", "/1", "\xb5s", "/\xd3s"}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(kind(tail), SaverModeKind::unusable);
    }
}

// --- SaverMain: what runs and the exit code ---------------------------------------

TEST_F(CommandLineTest, UnusableModesReturnMinusOneAndRunNothing) {
    for (const std::string& tail : {std::string("/x"), "/p:" + id, std::string("/\ts"),
                                    std::string("/a"), std::string("/p 7")}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(SaverMain(nullptr, tail.c_str()), -1);
    }
    EXPECT_TRUE(nullmode::loaded_libraries().empty());
    EXPECT_EQ(nullmode::registry_open_count(), 0);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", nullptr), nullptr);
}

// One line on the error stream says what was wrong; the usage is given only
// when the command line itself made no sense.
TEST_F(CommandLineTest, AnUnusableCommandLineIsReportedInOneLineNamingTheCause) {
    const std::string huge = id + "0000000000";
    const struct {
        std::string tail;
        std::string says;
    } cases[] = {
        {"/x", "usage: nuvex"},
        {"/p", "usage: nuvex"},
        {"/p -5", "usage: nuvex"},
        {"/p 999999", "no window 999999 on display"},
        {"/l " + huge, "window id " + huge + " is out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail);
        testing::internal::CaptureStderr();
        EXPECT_EQ(SaverMain(nullptr, c.tail.c_str()), -1);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    }
}

TEST_F(CommandLineTest, SaverMainRecordsTheInstanceAndThePlatformFamily) {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x400000));
    nullmode::set_platform_id(VER_PLATFORM_WIN32_NT);
    SaverMain(instance, "/x");
    EXPECT_EQ(SaverHostState.instance, instance);
    EXPECT_FALSE(SaverHostState.win9xFamily);
    nullmode::set_platform_id(VER_PLATFORM_WIN32_WINDOWS);
    SaverMain(instance, "/x");
    EXPECT_TRUE(SaverHostState.win9xFamily);
}

TEST_F(CommandLineTest, FullScreenAndPreviewReturnTheLoopsExitValue) {
    // The quit message waiting in the queue ends the loop right after creation.
    PostQuitMessage(42);
    EXPECT_EQ(SaverMain(nullptr, "/s"), 42);
    EXPECT_FALSE(SaverHostState.previewMode);
    EXPECT_NE(SaverHostState.saverWindow, nullptr);

    start_afresh();
    const HWND parent = nullmode::create_foreign_window(152, 112);
    const std::string tail =
        "/p " + std::to_string(static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(parent)));
    PostQuitMessage(43);
    EXPECT_EQ(SaverMain(nullptr, tail.c_str()), 43);
    EXPECT_TRUE(SaverHostState.previewMode);
    EXPECT_EQ(GetParent(SaverHostState.saverWindow), parent);
}

struct FakeRouter {
    static inline HWND owner = nullptr;
    static inline int calls = 0;
    static inline int behaviour = 0;  // 0 return, 1 throw, 2 processor fault
    static DWORD WINAPI change(LPCSTR, HWND window, DWORD, DWORD) {
        ++calls;
        owner = window;
        if (behaviour == 1) throw std::runtime_error("provider failed");
        if (behaviour == 2) std::raise(SIGSEGV);
        return 0;
    }
};

class PasswordModeTest : public CommandLineTest {
protected:
    void SetUp() override {
        CommandLineTest::SetUp();
        FakeRouter::calls = 0;
        FakeRouter::owner = nullptr;
        FakeRouter::behaviour = 0;
        nullmode::set_platform_id(VER_PLATFORM_WIN32_WINDOWS);
        nullmode::add_library("MPR.DLL", {{"PwdChangePasswordA", as_entry(&FakeRouter::change)}},
                              false);
    }
};

TEST_F(PasswordModeTest, FaultInsideAModeReturnsMinusOneAndClearsTheRunningState) {
    for (int behaviour : {1, 2}) {
        SCOPED_TRACE(behaviour == 1 ? "exception" : "processor fault");
        nullmode::reset();
        nullmode::set_platform_id(VER_PLATFORM_WIN32_WINDOWS);
        nullmode::add_library("MPR.DLL", {{"PwdChangePasswordA", as_entry(&FakeRouter::change)}},
                              false);
        FakeRouter::behaviour = behaviour;
        EXPECT_EQ(SaverMain(nullptr, "/a"), -1);
        const auto calls = nullmode::system_parameter_calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].action, static_cast<UINT>(SPI_SCREENSAVERRUNNING));
        EXPECT_EQ(calls[0].param, 0u);
    }
    // The guard is gone afterwards: a later run behaves normally.
    FakeRouter::behaviour = 0;
    EXPECT_EQ(SaverMain(nullptr, "/a"), 0);
}

}  // namespace
