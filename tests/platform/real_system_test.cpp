// The real system behind the kernel functions, outside the test mode: no
// loadable modules and no registry (with the error codes Windows gives for
// them), an NT-family version, a power call that succeeds, a clock that
// follows real time. None of the test mode's fakes may show through.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "platform/portable/nullmode/null_mode.h"
#include "platform/portable/windows.h"

namespace {

constexpr DWORD kInvalidHandle = 6;
constexpr DWORD kInvalidParameter = 87;
constexpr DWORD kModNotFound = 126;
constexpr DWORD kProcNotFound = 127;

class RealSystem : public ::testing::Test {
protected:
    void SetUp() override {
        if (nullmode::enabled()) GTEST_SKIP() << "the null mode is on in this process";
    }
};

// Each call below leaves an error code other than the one before it, so a
// call that failed without setting its own is caught.
TEST_F(RealSystem, ModulesAreAbsentWithWindowsErrorCodes) {
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), kInvalidParameter);
    EXPECT_EQ(LoadLibraryA("PASSWORD.CPL"), nullptr);
    EXPECT_EQ(GetLastError(), kModNotFound);

    HMODULE self = GetModuleHandleA(nullptr);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), self);
    EXPECT_EQ(GetProcAddress(self, "VerifyScreenSavePwd"), nullptr);
    EXPECT_EQ(GetLastError(), kProcNotFound);
    EXPECT_EQ(GetModuleHandleA("IMM32.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), kModNotFound);
    EXPECT_FALSE(FreeLibrary(self));
    EXPECT_EQ(GetLastError(), kInvalidHandle);
}

TEST_F(RealSystem, RegistryHasNoKeysAndClearsTheResult) {
    // 0x1000 is the first handle the test mode's registry gives out.
    const HKEY guessed = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1000));
    HKEY key = guessed;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExA(guessed, "ScreenSaveUsePassword", nullptr, nullptr,
                               reinterpret_cast<LPBYTE>(&value), &size),
              static_cast<LSTATUS>(kInvalidHandle));
    EXPECT_EQ(RegCloseKey(guessed), static_cast<LSTATUS>(kInvalidHandle));
}

TEST_F(RealSystem, VersionPowerAndClockAreTheMachines) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.dwMajorVersion, 10u);

    SYSTEM_POWER_STATUS power{};
    ASSERT_TRUE(GetSystemPowerStatus(&power));
    EXPECT_TRUE(power.ACLineStatus == 0 || power.ACLineStatus == 1 || power.ACLineStatus == 255);

    // The test mode's counter stands still unless slept on, and its sleeping
    // returns at once; the real clock runs by itself and sleeping waits.
    using Clock = std::chrono::steady_clock;
    const DWORD ticks = GetTickCount();
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::milliseconds(25)) {
    }
    EXPECT_GE(GetTickCount() - ticks, 20u);
    const auto beforeSleep = Clock::now();
    Sleep(30);
    EXPECT_GE(Clock::now() - beforeSleep, std::chrono::milliseconds(30));
}

}  // namespace
