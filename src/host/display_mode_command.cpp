#include "host/display_mode_command.h"

#include <initializer_list>
#include <limits>

#include "config/settings.h"
#include "host/display_mode_options.h"
#include "platform/shared/quoted.h"

namespace {

struct SplitOption {
    const DisplayModeOptionRow* known = nullptr;
    std::string_view spelled;                  // as typed, up to an '='
    std::optional<std::string_view> attached;  // after '=' in "--name=value"
};

const DisplayModeOptionRow* row_named(std::string_view name) {
    for (const DisplayModeOptionRow& row : display_mode_options) {
        if (row.name == name) return &row;
    }
    return nullptr;
}

// "-name", "--name", "-name=value", "--name=value", and "/?" or "-?";
// `known` stays null for anything else.
SplitOption split_option(std::string_view argument) {
    SplitOption out;
    if (argument == "/?" || argument == "-?") {
        out.known = row_named("?");
        out.spelled = argument;
        return out;
    }
    std::string_view name = argument;
    if (name.size() >= 2 && name.substr(0, 2) == "--") {
        name.remove_prefix(2);
    } else if (!name.empty() && name[0] == '-') {
        name.remove_prefix(1);
    } else {
        return out;
    }
    const std::size_t equals = name.find('=');
    out.spelled = argument.substr(0, argument.size() - name.size() +
                                         (equals == std::string_view::npos ? name.size() : equals));
    if (equals != std::string_view::npos) {
        out.attached = name.substr(equals + 1);
        name = name.substr(0, equals);
    }
    if (name != "?") out.known = row_named(name);
    return out;
}

std::optional<std::uint64_t> parse_digits(std::string_view text, unsigned base,
                                          std::uint64_t limit) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > limit) return std::nullopt;
    }
    return value;
}

std::optional<int> parse_count(std::string_view text) {
    const auto value = parse_digits(text, 10, std::numeric_limits<int>::max());
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

// The geometry, or why it is none.
struct ParsedGeometry {
    std::optional<DisplayModeGeometry> geometry;
    std::string problem;  // empty: not a geometry at all
};

// Takes a number of at most geometry_limit from the front of `text`; says
// which when it is larger.
std::optional<int> take_measure(std::string_view& text, const char* what, std::string& problem) {
    std::size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    const std::string_view digits = text.substr(0, n);
    text.remove_prefix(n);
    if (digits.empty()) return std::nullopt;
    const auto value = parse_digits(digits, 10, geometry_limit);
    if (!value) {
        problem = std::string("the ") + what + " " + quoted(digits, 24) +
                  " is out of range (at most " + std::to_string(geometry_limit) + ")";
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

ParsedGeometry parse_geometry(std::string_view text) {
    ParsedGeometry out;
    DisplayModeGeometry geometry;
    if (!text.empty() && text[0] == '=') text.remove_prefix(1);
    if (!text.empty() && text[0] != '+' && text[0] != '-') {
        const auto width = take_measure(text, "width", out.problem);
        if (!width || text.empty() || (text[0] != 'x' && text[0] != 'X')) return out;
        text.remove_prefix(1);
        const auto height = take_measure(text, "height", out.problem);
        if (!height) return out;
        if (*width == 0 || *height == 0) {
            out.problem = "a window needs a width and a height of at least 1";
            return out;
        }
        geometry.has_size = true;
        geometry.width = *width;
        geometry.height = *height;
    }
    if (!text.empty()) {
        const bool x_negative = text[0] == '-';
        text.remove_prefix(1);
        const auto x = take_measure(text, "offset", out.problem);
        if (!x || text.empty() || (text[0] != '+' && text[0] != '-')) return out;
        const bool y_negative = text[0] == '-';
        text.remove_prefix(1);
        const auto y = take_measure(text, "offset", out.problem);
        if (!y || !text.empty()) return out;
        geometry.has_position = true;
        geometry.x = *x;
        geometry.y = *y;
        geometry.x_from_right = x_negative;
        geometry.y_from_bottom = y_negative;
    }
    if (geometry.has_size || geometry.has_position) out.geometry = geometry;
    return out;
}

// The error line, put together from its pieces.
DisplayModeCommand failure(std::initializer_list<std::string_view> pieces) {
    DisplayModeCommand command;
    command.action = DisplayModeAction::error;
    for (std::string_view piece : pieces) command.error.append(piece);
    return command;
}

}  // namespace

bool IsDisplayModeArgument(std::string_view argument) {
    return split_option(argument).known != nullptr;
}

std::optional<std::uint32_t> ParseWindowId(std::string_view text) {
    std::optional<std::uint64_t> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        value = parse_digits(text.substr(2), 16, 0xFFFFFFFFu);
    } else {
        value = parse_digits(text, 10, 0xFFFFFFFFu);
    }
    if (!value || *value == 0) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

DisplayModeCommand ParseDisplayModeCommand(const std::vector<std::string_view>& arguments,
                                           const char* xscreensaverWindow) {
    DisplayModeCommand command;
    if (arguments.empty() || !IsDisplayModeArgument(arguments.front())) return command;

    bool root = false;
    bool window = false;
    std::optional<std::uint32_t> window_id;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const SplitOption option = split_option(arguments[i]);
        if (!option.known) {
            if (!arguments[i].empty() && arguments[i][0] == '-') {
                return failure({"unknown option ", quoted(arguments[i]), "; see --help"});
            }
            return failure({"unexpected argument ", quoted(arguments[i]), "; see --help"});
        }
        std::string_view value;
        if (!option.known->value.empty()) {
            if (option.attached) {
                value = *option.attached;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return failure({option.spelled, " needs a value; see --help"});
            }
        } else if (option.attached) {
            return failure({option.spelled, " takes no value"});
        }

        switch (option.known->option) {
            case DisplayModeOption::help:
                command.action = DisplayModeAction::help;
                return command;
            case DisplayModeOption::version:
                command.action = DisplayModeAction::version;
                return command;
            case DisplayModeOption::root:
                root = true;
                window = false;
                break;
            case DisplayModeOption::window:
                window = true;
                root = false;
                break;
            case DisplayModeOption::window_id:
                window_id = ParseWindowId(value);
                if (!window_id) {
                    return failure({option.spelled, ": ", quoted(value),
                                    " is not a window id (hex 0x... or decimal)"});
                }
                break;
            case DisplayModeOption::display:
                if (value.empty()) return failure({option.spelled, " needs a value"});
                command.display = value;
                break;
            case DisplayModeOption::geometry: {
                const ParsedGeometry parsed = parse_geometry(value);
                if (!parsed.geometry && !parsed.problem.empty()) {
                    return failure({option.spelled, " ", quoted(value), ": ", parsed.problem});
                }
                if (!parsed.geometry) {
                    return failure({option.spelled, ": ", quoted(value),
                                    " is not a geometry (<width>x<height>[+<x>+<y>])"});
                }
                command.geometry = *parsed.geometry;
                break;
            }
            case DisplayModeOption::fps:
                command.show_fps = true;
                break;
            case DisplayModeOption::no_fps:
                command.show_fps = false;
                break;
            case DisplayModeOption::message:
                if (value.size() > static_cast<std::size_t>(message_text_limit)) {
                    return failure({option.spelled, " is ", std::to_string(value.size()),
                                    " bytes long; at most ", std::to_string(message_text_limit),
                                    " fit"});
                }
                // An empty text leaves the stored message, so that a daemon's
                // settings form with an empty field changes nothing.
                if (value.empty()) {
                    command.message.reset();
                } else {
                    command.message = std::string(value);
                }
                break;
            case DisplayModeOption::follow:
                command.follow = 0;
                break;
            case DisplayModeOption::no_follow:
                command.follow = 1;
                break;
            case DisplayModeOption::delay:
                if (!parse_count(value)) {
                    return failure({option.spelled, ": ", quoted(value), " is not a whole number"});
                }
                break;
            case DisplayModeOption::visual:
                if (value.empty()) return failure({option.spelled, " needs a value"});
                break;
            case DisplayModeOption::ignored:
                break;
        }
    }

    command.action = DisplayModeAction::run;
    if (window_id) {
        command.target = DisplayModeTarget::window_id;
        command.window_id = *window_id;
    } else if (!window && xscreensaverWindow && *xscreensaverWindow) {
        const auto named = ParseWindowId(xscreensaverWindow);
        if (!named) {
            return failure(
                {"XSCREENSAVER_WINDOW=", quoted(xscreensaverWindow), " is not a window id"});
        }
        command.target = DisplayModeTarget::window_id;
        command.window_id = *named;
    } else if (root) {
        command.target = DisplayModeTarget::root;
    } else {
        command.target = DisplayModeTarget::new_window;
    }
    return command;
}

WindowPlace PlaceOwnWindow(const DisplayModeGeometry& geometry, int screenWidth, int screenHeight) {
    constexpr int default_width = 640;
    constexpr int default_height = 480;
    WindowPlace place{};
    place.width = geometry.has_size ? geometry.width : default_width;
    place.height = geometry.has_size ? geometry.height : default_height;
    // In 64 bits: a screen's size comes from the system, not from us.
    const auto along = [](bool has, int requested, bool from_far_edge, int size, int screen) {
        const long long room = static_cast<long long>(screen) - size;
        const long long at = !has ? room / 2 : from_far_edge ? room - requested : requested;
        return static_cast<int>(at < -32768 ? -32768 : at > 32767 ? 32767 : at);
    };
    place.x =
        along(geometry.has_position, geometry.x, geometry.x_from_right, place.width, screenWidth);
    place.y = along(geometry.has_position, geometry.y, geometry.y_from_bottom, place.height,
                    screenHeight);
    return place;
}

std::vector<std::string> DisplayModeSpellings() {
    std::vector<std::string> spellings;
    for (const DisplayModeOptionRow& row : display_mode_options) {
        if (row.name == "?") {
            spellings.insert(spellings.end(), {"-?", "/?"});
        } else {
            for (std::string spelling : {std::string("-"), std::string("--")}) {
                spelling += row.name;
                spellings.push_back(spelling);
            }
        }
    }
    return spellings;
}

const char* DisplayModeUsage() {
    static const std::string usage =
        "Usage: nuvex [option ...]         as a display mode of an X screen-saver daemon\n"
        "       nuvex [/s | /p <id> | /l <id> | /c[:<id>]]   as a Windows screen saver\n"
        "\n"
        "Display-mode options, with one dash or two:\n" +
        DisplayModeOptionList() +
        "--message, --follow and --no-follow override the settings file for one run and\n"
        "never change it. Without --window-id or --window, XSCREENSAVER_WINDOW names the\n"
        "window to draw in.\n"
        "\n"
        "Windows command line:\n"
        "  /s                 full screen; input ends it\n"
        "  /p ID, /l ID       inside the X window ID, in decimal\n"
        "  /c[:ID], nothing   the settings dialog\n";
    return usage.c_str();
}
