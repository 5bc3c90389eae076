#include "host/display_mode_command.h"

#include <array>
#include <initializer_list>
#include <limits>

#include "config/settings.h"

namespace {

enum class Option {
    root,
    window,
    window_id,
    display,
    geometry,
    fps,
    no_fps,
    message,
    follow,
    no_follow,
    delay,
    install,
    no_install,
    mono,
    no_mono,
    visual,
    help,
    version,
};

struct OptionName {
    std::string_view name;
    Option option;
    bool takes_value;
};

// None of these may start with s, p, l, c or a: those letters are the Windows
// grammar's modes.
constexpr std::array<OptionName, 20> option_names{{
    {"root", Option::root, false},
    {"window", Option::window, false},
    {"window-id", Option::window_id, true},
    {"display", Option::display, true},
    {"geometry", Option::geometry, true},
    {"fps", Option::fps, false},
    {"no-fps", Option::no_fps, false},
    {"message", Option::message, true},
    {"follow", Option::follow, false},
    {"no-follow", Option::no_follow, false},
    {"delay", Option::delay, true},
    {"install", Option::install, false},
    {"no-install", Option::no_install, false},
    {"mono", Option::mono, false},
    {"no-mono", Option::no_mono, false},
    {"visual", Option::visual, true},
    {"help", Option::help, false},
    {"h", Option::help, false},
    {"version", Option::version, false},
    {"V", Option::version, false},
}};

struct SplitOption {
    const OptionName* known = nullptr;
    std::string_view spelled;                  // as typed, up to an '='
    std::optional<std::string_view> attached;  // after '=' in "--name=value"
};

// "-name", "--name", "-name=value", "--name=value"; `known` stays null for
// anything else.
SplitOption split_option(std::string_view argument) {
    SplitOption out;
    if (argument == "/?" || argument == "-?") {
        static constexpr OptionName question{"?", Option::help, false};
        out.known = &question;
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
    for (const OptionName& candidate : option_names) {
        if (candidate.name == name) {
            out.known = &candidate;
            break;
        }
    }
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

// Takes decimal digits from the front of `text`.
std::optional<int> take_count(std::string_view& text) {
    std::size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    const auto value = parse_count(text.substr(0, n));
    text.remove_prefix(n);
    return value;
}

std::optional<DisplayModeGeometry> parse_geometry(std::string_view text) {
    DisplayModeGeometry geometry;
    if (!text.empty() && text[0] == '=') text.remove_prefix(1);
    if (!text.empty() && text[0] != '+' && text[0] != '-') {
        const auto width = take_count(text);
        if (!width || text.empty() || (text[0] != 'x' && text[0] != 'X')) return std::nullopt;
        text.remove_prefix(1);
        const auto height = take_count(text);
        if (!height || *width == 0 || *height == 0) return std::nullopt;
        geometry.has_size = true;
        geometry.width = *width;
        geometry.height = *height;
    }
    if (!text.empty()) {
        const bool x_negative = text[0] == '-';
        text.remove_prefix(1);
        const auto x = take_count(text);
        if (!x || text.empty() || (text[0] != '+' && text[0] != '-')) return std::nullopt;
        const bool y_negative = text[0] == '-';
        text.remove_prefix(1);
        const auto y = take_count(text);
        if (!y || !text.empty()) return std::nullopt;
        geometry.has_position = true;
        geometry.x = *x;
        geometry.y = *y;
        geometry.x_from_right = x_negative;
        geometry.y_from_bottom = y_negative;
    }
    if (!geometry.has_size && !geometry.has_position) return std::nullopt;
    return geometry;
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
                return failure({"unknown option \"", arguments[i], "\"; see --help"});
            }
            return failure({"unexpected argument \"", arguments[i], "\"; see --help"});
        }
        std::string_view value;
        if (option.known->takes_value) {
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
            case Option::help:
                command.action = DisplayModeAction::help;
                return command;
            case Option::version:
                command.action = DisplayModeAction::version;
                return command;
            case Option::root:
                root = true;
                window = false;
                break;
            case Option::window:
                window = true;
                root = false;
                break;
            case Option::window_id:
                window_id = ParseWindowId(value);
                if (!window_id) {
                    return failure({option.spelled, ": \"", value,
                                    "\" is not a window id (hex 0x... or decimal)"});
                }
                break;
            case Option::display:
                if (value.empty()) return failure({option.spelled, " needs a value"});
                command.display = value;
                break;
            case Option::geometry: {
                const auto geometry = parse_geometry(value);
                if (!geometry) {
                    return failure({option.spelled, ": \"", value,
                                    "\" is not a geometry (<width>x<height>[+<x>+<y>])"});
                }
                command.geometry = *geometry;
                break;
            }
            case Option::fps:
                command.show_fps = true;
                break;
            case Option::no_fps:
                command.show_fps = false;
                break;
            case Option::message:
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
            case Option::follow:
                command.follow = 0;
                break;
            case Option::no_follow:
                command.follow = 1;
                break;
            case Option::delay:
                if (!parse_count(value)) {
                    return failure({option.spelled, ": \"", value, "\" is not a whole number"});
                }
                break;
            case Option::visual:
                if (value.empty()) return failure({option.spelled, " needs a value"});
                break;
            case Option::install:
            case Option::no_install:
            case Option::mono:
            case Option::no_mono:
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
            return failure({"XSCREENSAVER_WINDOW=\"", xscreensaverWindow, "\" is not a window id"});
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

std::vector<std::string_view> DisplayModeOptionNames() {
    std::vector<std::string_view> names;
    for (const OptionName& option : option_names) names.push_back(option.name);
    return names;
}

const char* DisplayModeUsage() {
    return "Usage: nuvex [option ...]         as a display mode of an X screen-saver daemon\n"
           "       nuvex [/s | /p <id> | /l <id> | /c[:<id>]]   as a Windows screen saver\n"
           "\n"
           "Display-mode options, with one dash or two:\n"
           "  --root             draw on the root window (in XSCREENSAVER_WINDOW when set)\n"
           "  --window-id ID     draw in the X window ID, in hex (0x...) or decimal\n"
           "  --window           draw in a window of its own; Esc or closing it ends the saver\n"
           "  --geometry WxH[+X+Y]  size and place of that window (default 640x480, centred)\n"
           "  --display D        the X display to use instead of $DISPLAY\n"
           "  --fps              show frames per second and the saver's processor load\n"
           "  --message TEXT     the message for this run; lines separated by ^n\n"
           "                     (empty: the stored message)\n"
           "  --follow           for this run, the text rides the waves\n"
           "  --no-follow        for this run, the text does not ride the waves\n"
           "  --delay N, --install, --mono, --visual V\n"
           "                     accepted for the daemon's sake, and ignored\n"
           "  --help, -h, /?     this text\n"
           "  --version          the version\n"
           "--message, --follow and --no-follow override the settings file for one run and\n"
           "never change it. Without --window-id or --window, XSCREENSAVER_WINDOW names the\n"
           "window to draw in.\n"
           "\n"
           "Windows command line:\n"
           "  /s                 full screen; input ends it\n"
           "  /p ID, /l ID       inside the X window ID, in decimal\n"
           "  /c[:ID], nothing   the settings dialog\n";
}
