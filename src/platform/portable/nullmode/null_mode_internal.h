// What the test mode pretends the system is, and what it saw the saver do.
// Only the portable platform's own files include this.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/portable/nullmode/null_mode.h"

namespace portable {

// Whether the test mode is on: set by nullmode::enable() or NUVEX_VIDEO=null.
bool null_mode_on();

}  // namespace portable

namespace portable::nullstate {

struct FakeLibrary {
    std::map<std::string, FARPROC> entries;  // keys as given
    bool alreadyLoaded = false;
    int loadCount = 0;  // LoadLibraryA references held
};

struct State {
    // What the system reports.
    POINT cursor{0, 0};
    std::uint64_t ticks = 0;  // the low 32 bits are GetTickCount
    bool powerCallSucceeds = true;
    BYTE acLineStatus = 1;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    RECT screen{0, 0, 1920, 1080};
    RECT virtualScreen{0, 0, 1920, 1080};
    std::map<std::string, FakeLibrary> libraries;                  // key: upper-cased name
    std::map<std::string, std::map<std::string, DWORD>> registry;  // subkey -> value -> data
    std::map<std::uint32_t, SIZE> foreignWindows;
    std::uint32_t nextForeign = 0x00600001u;

    // What the saver did.
    std::vector<nullmode::Message> posted;
    std::vector<HCURSOR> cursorChanges;
    std::vector<nullmode::Message> defaultCalls;
    int presents = 0;
    std::vector<std::string> loadedLibraries;
    std::vector<std::string> freedLibraries;
    std::vector<nullmode::SystemParameterCall> systemParameterCalls;
    int registryOpens = 0;
    int stalls = 0;
    HWND foreground = nullptr;
    bool cursorShown = true;
    std::vector<DWORD> sleeps;
};

State& state();

// Forgets the open registry keys.
void registry_reset();

// Upper-cases ASCII letters: module names compare without regard to case.
std::string upper(const std::string& s);

}  // namespace portable::nullstate
