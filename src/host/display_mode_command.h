// The command line of X screen-saver daemons' display modes (--root,
// --window-id, --fps, one dash or two), read before the Windows grammar. No
// option name starts with a Windows mode letter (s, p, l, c, a), so a command
// line that the Windows grammar accepts is never taken for one of these.
//
// The parser is a pure function of the arguments and of the value of
// XSCREENSAVER_WINDOW: it looks at nothing else and changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class DisplayModeAction {
    none,     // not a display-mode command line: the Windows grammar decides
    run,      // run the saver in the window `target` names
    help,     // print the usage, exit 0
    version,  // print the version, exit 0
    error,    // print `error`, exit 255
};

enum class DisplayModeTarget {
    new_window,  // a window of its own on the desktop
    root,        // the display's root window
    window_id,   // the window `window_id` names
};

// Size and position from --geometry: [<width>x<height>][{+-}<x>{+-}<y>],
// each number at most geometry_limit, so that a window never has a size the
// saver cannot draw and its place always fits the X protocol's 16 bits.
constexpr int geometry_limit = 16384;

struct DisplayModeGeometry {
    bool has_size = false;
    int width = 0;
    int height = 0;
    bool has_position = false;
    int x = 0;
    int y = 0;
    bool x_from_right = false;  // "-x": the distance of the right edges
    bool y_from_bottom = false;
};

// The window --geometry asks for on a screen of that size: its size (default
// 640×480) and its place (default centred; "-x" counts from the right edge).
struct WindowPlace {
    int x, y, width, height;
};
WindowPlace PlaceOwnWindow(const DisplayModeGeometry& geometry, int screenWidth, int screenHeight);

struct DisplayModeCommand {
    DisplayModeAction action = DisplayModeAction::none;
    DisplayModeTarget target = DisplayModeTarget::new_window;
    std::uint32_t window_id = 0;
    std::string display;  // empty: the one DISPLAY names
    DisplayModeGeometry geometry;
    bool show_fps = false;
    std::optional<std::string> message;  // stored form, lines joined by "^n"
    std::optional<std::int32_t> follow;  // 0: the text rides the waves
    // One line, without the program name; what it echoes of the arguments is
    // quoted (see platform/shared/quoted.h).
    std::string error;
};

// Whether `argument`, the first one after the program name, starts a
// display-mode command line.
bool IsDisplayModeArgument(std::string_view argument);

// Reads the arguments after the program name. `xscreensaverWindow` is the
// value of XSCREENSAVER_WINDOW, or null when it is not set.
DisplayModeCommand ParseDisplayModeCommand(const std::vector<std::string_view>& arguments,
                                           const char* xscreensaverWindow);

// A window id in hex ("0x1a00007") or decimal, 1 to 2^32 - 1; nothing else.
std::optional<std::uint32_t> ParseWindowId(std::string_view text);

// Every spelling of every option ("-root", "--root", ..., "-?", "/?"), for
// checks that they stay apart from the Windows grammar.
std::vector<std::string> DisplayModeSpellings();

// What --help prints: the options' list made from their table
// (display_mode_options.h), and the Windows command line.
const char* DisplayModeUsage();
