// The process-level functions and the test mode's fakes: command line,
// version, ticks, power, modules, registry, system parameters.
#include "platform/portable/nullmode/null_mode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/portable/bridge.h"
#include "platform/portable/windows.h"

namespace {

class NullMode : public ::testing::Test {
protected:
    void SetUp() override { nullmode::enable(); }
    void TearDown() override { nullmode::reset(); }
};

std::string command_line_of(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    portable_init_process(static_cast<int>(argv.size()), argv.data());
    return GetCommandLineA();
}

TEST(CommandLine, ProgramFirstThenArgumentsQuotedWhereNeeded) {
    EXPECT_EQ(command_line_of({"nuvex", "/s"}), "nuvex /s");
    EXPECT_EQ(command_line_of({"nuvex"}), "nuvex");
    EXPECT_EQ(command_line_of({"/opt/my apps/nuvex", "/p", "1234"}),
              "\"/opt/my apps/nuvex\" /p 1234");
    EXPECT_EQ(command_line_of({"nuvex", "a b", "", "tab\there"}),
              "nuvex \"a b\" \"\" \"tab\there\"");
    // Quotes and the backslashes before them are escaped as the C runtime expects.
    EXPECT_EQ(command_line_of({"nuvex", "say \"hi\"", "dir\\ x\\"}),
              "nuvex \"say \\\"hi\\\"\" \"dir\\ x\\\\\"");
    EXPECT_EQ(command_line_of({"nuvex", "plain\\path"}), "nuvex plain\\path");
}

TEST_F(NullMode, VersionNeedsTheFullRecordSizeAndReportsTheFamilySet) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&info));
    info.dwOSVersionInfoSize = 148;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    nullmode::set_platform_id(VER_PLATFORM_WIN32_WINDOWS);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
}

TEST_F(NullMode, TicksMoveOnlyWhenToldOrWhenSleeping) {
    nullmode::set_tick_count(5000);
    EXPECT_EQ(GetTickCount(), 5000u);
    EXPECT_EQ(GetTickCount(), 5000u);
    nullmode::advance_ticks(150);
    EXPECT_EQ(GetTickCount(), 5150u);
    Sleep(0);
    EXPECT_EQ(GetTickCount(), 5150u);
    Sleep(20);
    EXPECT_EQ(GetTickCount(), 5170u);
    nullmode::set_tick_count(0xFFFFFFFFu);
    nullmode::advance_ticks(2);
    EXPECT_EQ(GetTickCount(), 1u);
    // Setting a smaller count is allowed and is what GetTickCount then says.
    nullmode::set_tick_count(10);
    EXPECT_EQ(GetTickCount(), 10u);
}

TEST_F(NullMode, PowerStatusAsSet) {
    SYSTEM_POWER_STATUS s{};
    ASSERT_TRUE(GetSystemPowerStatus(&s));
    EXPECT_EQ(s.ACLineStatus, 1);
    nullmode::set_power_status(true, 0);
    ASSERT_TRUE(GetSystemPowerStatus(&s));
    EXPECT_EQ(s.ACLineStatus, 0);
    nullmode::set_power_status(false, 1);
    EXPECT_FALSE(GetSystemPowerStatus(&s));
    EXPECT_FALSE(GetSystemPowerStatus(nullptr));
}

INT_PTR FakeVerify() {
    return 1;
}

TEST_F(NullMode, ModulesAreAbsentUnlessFaked) {
    EXPECT_EQ(LoadLibraryA("PASSWORD.CPL"), nullptr);
    EXPECT_EQ(GetModuleHandleA("IMM32.DLL"), nullptr);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);

    nullmode::add_library("PASSWORD.CPL", {{"VerifyScreenSavePwd", &FakeVerify}}, false);
    nullmode::add_library("IMM32.DLL", {{"ImmAssociateContext", &FakeVerify}}, true);
    EXPECT_EQ(GetModuleHandleA("password.cpl"), nullptr);  // not loaded yet
    HMODULE cpl = LoadLibraryA("password.cpl");
    ASSERT_NE(cpl, nullptr);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), cpl);
    EXPECT_EQ(GetProcAddress(cpl, "VerifyScreenSavePwd"), &FakeVerify);
    EXPECT_EQ(GetProcAddress(cpl, "verifyscreensavepwd"), nullptr);
    EXPECT_EQ(GetProcAddress(cpl, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_TRUE(FreeLibrary(cpl));
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);

    HMODULE imm = GetModuleHandleA("IMM32.DLL");
    ASSERT_NE(imm, nullptr);
    EXPECT_EQ(GetProcAddress(imm, "ImmAssociateContext"), &FakeVerify);
    EXPECT_EQ(LoadLibraryA("MPR.DLL"), nullptr);

    EXPECT_EQ(nullmode::loaded_libraries(),
              (std::vector<std::string>{"PASSWORD.CPL", "password.cpl", "MPR.DLL"}));
    EXPECT_EQ(nullmode::freed_libraries(), (std::vector<std::string>{"PASSWORD.CPL"}));
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&cpl)));
}

TEST_F(NullMode, RegistryKeysAndDwordValues) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);

    nullmode::set_registry_dword("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "control panel\\desktop", 0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                               reinterpret_cast<LPBYTE>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(size, 4u);
    BYTE small[2] = {0xAA, 0xAA};
    size = sizeof small;
    EXPECT_NE(RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, small, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(small[0], 0xAA);  // nothing written past what fits
    EXPECT_EQ(
        RegQueryValueExA(key, "Missing", nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size),
        ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_NE(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_NE(RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                               reinterpret_cast<LPBYTE>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(nullmode::registry_open_count(), 2);
}

TEST_F(NullMode, SystemParametersAreRecordedWithThePreviousState) {
    BOOL previous = 7;
    EXPECT_TRUE(SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, &previous, 0));
    BOOL before = previous;
    EXPECT_TRUE(SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 0, &previous, 0));
    EXPECT_EQ(previous, TRUE);
    EXPECT_NE(before, 7);
    auto calls = nullmode::system_parameter_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].action, static_cast<UINT>(SPI_SCREENSAVERRUNNING));
    EXPECT_EQ(calls[0].param, 1u);
    EXPECT_EQ(calls[1].param, 0u);
}

TEST_F(NullMode, ResetForgetsWindowsRecordsAndSettings) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "ResetTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(0, "ResetTest", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr,
                             nullptr);
    PostMessageA(w, WM_USER, 0, 0);
    nullmode::set_tick_count(99);
    nullmode::reset();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_TRUE(nullmode::posted().empty());
    EXPECT_EQ(GetTickCount(), 0u);
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_NE(RegisterClassA(&wc), 0);  // the class went too
}

}  // namespace
