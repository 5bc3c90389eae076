// The display-mode command line (--root, --window-id, --geometry, --message,
// ...) on any arguments and any XSCREENSAVER_WINDOW: parsing only. A command
// line is claimed exactly when its first argument is a display-mode option;
// what it asks for stays within what the saver can do (a window size and
// place X can hold, a message the saver takes whole, a window id that names a
// window); an error is one line that echoes arguments quoted, so that it can
// be read back to what was given. The window placement is checked on the
// screen sizes the input gives.
//
// Input: one byte (its low bit: XSCREENSAVER_WINDOW is set, to the last
// field), eight bytes of screen width and height, then the arguments, each
// ended by a zero byte.
#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "fuzz_support.h"
#include "host/display_mode_command.h"
#include "platform/shared/quoted.h"
#include "text/utf8.h"

namespace {

// More than a shell line a user types, or a daemon's settings hold.
constexpr std::size_t max_input = 16384;
constexpr std::size_t max_arguments = 64;

FUZZ_ORACLE int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The text a quoted() form stands for; false when the form is not one that
// quoted() makes.
FUZZ_ORACLE bool unquote(std::string_view form, std::string& text, bool& shortened) {
    text.clear();
    shortened = false;
    if (form.empty() || form[0] != '"') return false;
    std::size_t at = 1;
    while (at < form.size() && form[at] != '"') {
        if (form[at] != '\\') {
            text.push_back(form[at++]);
            continue;
        }
        if (++at >= form.size()) return false;
        const char kind = form[at++];
        if (kind == 'n' || kind == 'r' || kind == 't') {
            text.push_back(kind == 'n' ? '\n' : kind == 'r' ? '\r' : '\t');
        } else if (kind == '"' || kind == '\\') {
            text.push_back(kind);
        } else if (kind == 'x' || kind == 'u') {
            const std::size_t digits = kind == 'x' ? 2 : 4;
            if (at + digits > form.size()) return false;
            unsigned value = 0;
            for (std::size_t k = 0; k < digits; ++k) {
                const int digit = hex_value(form[at + k]);
                if (digit < 0) return false;
                value = value * 16 + static_cast<unsigned>(digit);
            }
            at += digits;
            if (kind == 'x') {
                text.push_back(static_cast<char>(value));
            } else {
                append_utf8(text, value);
            }
        } else {
            return false;
        }
    }
    if (at >= form.size()) return false;
    const std::string_view rest = form.substr(at + 1);
    shortened = !rest.empty();
    return rest.empty() || (rest.substr(0, 5) == "... (" && rest.back() == ')');
}

// quoted() shows no byte a terminal acts on, and reads back to the text (or
// to the start of it, when the text was long).
void check_quoted(std::string_view text) {
    const std::string form = quoted(text);
    for (char c : form) {
        const auto byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
    }
    std::string back;
    bool shortened = false;
    FUZZ_CHECK(unquote(form, back, shortened));
    FUZZ_CHECK(shortened == (back.size() < text.size()));
    FUZZ_CHECK(back.size() <= 64);
    FUZZ_CHECK(text.substr(0, back.size()) == back);
}

void check_place(const DisplayModeGeometry& geometry, int screen_width, int screen_height) {
    const WindowPlace place = PlaceOwnWindow(geometry, screen_width, screen_height);
    FUZZ_CHECK(place.width >= 1 && place.width <= geometry_limit);
    FUZZ_CHECK(place.height >= 1 && place.height <= geometry_limit);
    FUZZ_CHECK(place.x >= -32768 && place.x <= 32767);
    FUZZ_CHECK(place.y >= -32768 && place.y <= 32767);
    if (geometry.has_position && !geometry.x_from_right) FUZZ_CHECK(place.x == geometry.x);
    if (geometry.has_position && !geometry.y_from_bottom) FUZZ_CHECK(place.y == geometry.y);
    // On a screen X can have, a place counted from the far edge is exact.
    if (geometry.has_position && geometry.x_from_right && screen_width >= 0 &&
        screen_width <= 32767) {
        FUZZ_CHECK(place.x == screen_width - place.width - geometry.x);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9 || size > max_input) return 0;
    const bool environment_set = (data[0] & 1) != 0;
    std::int32_t screen[2];
    std::memcpy(screen, data + 1, sizeof screen);
    std::vector<std::string> fields;
    std::string_view rest = fuzzing::as_text(data + 9, size - 9);
    while (!rest.empty() && fields.size() < max_arguments) {
        const std::size_t end = rest.find('\0');
        fields.emplace_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    std::string environment;
    if (environment_set && !fields.empty()) {
        environment = fields.back();
        fields.pop_back();
    }
    const std::vector<std::string_view> arguments(fields.begin(), fields.end());

    const DisplayModeCommand command =
        ParseDisplayModeCommand(arguments, environment_set ? environment.c_str() : nullptr);
    const bool claimed = !arguments.empty() && IsDisplayModeArgument(arguments.front());
    FUZZ_CHECK(claimed == (command.action != DisplayModeAction::none));
    switch (command.action) {
        case DisplayModeAction::error: {
            FUZZ_CHECK(!command.error.empty() && command.error.size() <= 400);
            for (char c : command.error) {
                const auto byte = static_cast<unsigned char>(c);
                FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
            }
            break;
        }
        case DisplayModeAction::run: {
            FUZZ_CHECK(command.error.empty());
            const DisplayModeGeometry& g = command.geometry;
            if (g.has_size) {
                FUZZ_CHECK(g.width >= 1 && g.width <= geometry_limit);
                FUZZ_CHECK(g.height >= 1 && g.height <= geometry_limit);
            }
            if (g.has_position) {
                FUZZ_CHECK(g.x >= 0 && g.x <= geometry_limit);
                FUZZ_CHECK(g.y >= 0 && g.y <= geometry_limit);
            }
            check_place(g, screen[0], screen[1]);
            if (command.message) {
                FUZZ_CHECK(!command.message->empty());
                FUZZ_CHECK(command.message->size() <= std::size_t{message_text_limit});
            }
            if (command.target == DisplayModeTarget::window_id) FUZZ_CHECK(command.window_id != 0);
            if (command.follow) FUZZ_CHECK(*command.follow == 0 || *command.follow == 1);
            break;
        }
        case DisplayModeAction::none:
        case DisplayModeAction::help:
        case DisplayModeAction::version:
            break;
    }
    for (std::size_t i = 0; i < arguments.size() && i < 4; ++i) check_quoted(arguments[i]);
    if (environment_set) check_quoted(environment);
    return 0;
}
