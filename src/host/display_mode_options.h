// The options of the display-mode command line, one row each. The parser
// reads this table, and every list of the options is made from it: --help's
// (DisplayModeOptionList), the manual page's (ManualOptionList) and the
// settings that XScreenSaver's settings program offers (SettingsDescription),
// the last two at build time. A new option is one new row.
#pragma once

#include <string>
#include <string_view>

enum class DisplayModeOption {
    root,
    window,
    window_id,
    display,
    geometry,
    message,
    follow,
    no_follow,
    fps,
    no_fps,
    delay,
    visual,
    ignored,  // taken, with its value if it has one, and nothing done
    help,
    version,
};

// How XScreenSaver's settings program offers an option, if at all.
enum class SettingKind {
    none,
    command,  // always on the command line the settings program writes
    text,     // a text field; the option takes what is typed as its value
    check,    // a check box; the option is given when it is ticked
    choice,   // one entry of a list; the option is given when it is chosen
};

struct DisplayModeSetting {
    SettingKind kind = SettingKind::none;
    std::string_view id;     // the setting's id (a choice: the list's id)
    std::string_view label;  // what the settings program shows for it
    std::string_view entry;  // a choice: this entry's id in the list
    // The list's first entry, which gives no option: on a list's first row.
    std::string_view unset_entry;
    std::string_view unset_label;
};

constexpr DisplayModeSetting command_setting() {
    return {SettingKind::command, "", "", "", "", ""};
}
constexpr DisplayModeSetting text_setting(std::string_view id, std::string_view label) {
    return {SettingKind::text, id, label, "", "", ""};
}
constexpr DisplayModeSetting check_setting(std::string_view id, std::string_view label) {
    return {SettingKind::check, id, label, "", "", ""};
}
// An entry of the list `id`; the list's first row also names the entry that
// gives no option.
constexpr DisplayModeSetting choice_setting(std::string_view id, std::string_view entry,
                                            std::string_view label,
                                            std::string_view unset_entry = "",
                                            std::string_view unset_label = "") {
    return {SettingKind::choice, id, label, entry, unset_entry, unset_label};
}

struct DisplayModeOptionRow {
    // Without dashes. A word is given with one dash or two; one letter is
    // listed with one; "?" is given as "/?" or "-?" only.
    std::string_view name;
    DisplayModeOption option;
    // The value's name in the lists; empty when the option takes none.
    std::string_view value;
    // --help's text (lines apart at "\n") and the manual page's paragraph
    // (plain text; options in it are set in bold). Both empty: the option is
    // listed with the row above, under its texts.
    std::string_view help;
    std::string_view manual;
    DisplayModeSetting setting;
};

// None of the names may start with s, p, l, c or a: those letters are the
// Windows grammar's modes.
inline constexpr DisplayModeOptionRow display_mode_options[] = {
    {"root", DisplayModeOption::root, "",
     "draw on the root window (in XSCREENSAVER_WINDOW when set)",
     "Draw on the root window of the display, or, when the environment variable "
     "XSCREENSAVER_WINDOW is set (as XScreenSaver sets it), in the window it names.",
     command_setting()},
    {"window-id",
     DisplayModeOption::window_id,
     "ID",
     "draw in the X window ID, in hex (0x...) or decimal",
     "Draw in the X window ID, given in hex (with 0x) or in decimal. The saver fills the window "
     "and ends when the window is destroyed.",
     {}},
    {"window",
     DisplayModeOption::window,
     "",
     "draw in a window of its own; Esc or closing it ends the saver",
     "Draw in a window of its own, 640 by 480 pixels in the middle of the screen unless "
     "--geometry says otherwise. Esc, or closing the window, ends the saver. This is also what "
     "happens when neither --root, --window-id nor XSCREENSAVER_WINDOW names a window.",
     {}},
    {"geometry",
     DisplayModeOption::geometry,
     "WxH[+X+Y]",
     "size and place of that window (default 640x480, centred;\n"
     "each number at most 16384)",
     "Size and place of the window of its own: width x height, then optionally the distance "
     "from the left (+X) or right (-X) edge and from the top (+Y) or bottom (-Y) edge; ignored "
     "otherwise. Each number is at most 16384; a larger one is refused.",
     {}},
    {"display",
     DisplayModeOption::display,
     "D",
     "the X display to use instead of $DISPLAY",
     "The X display to use instead of the one DISPLAY names.",
     {}},
    {"message", DisplayModeOption::message, "TEXT",
     "the message for this run; lines separated by ^n\n"
     "(empty: the stored message)",
     "The message for this run: its lines separated by ^n, as in the settings file, in the "
     "character encoding of the locale. An empty TEXT leaves the stored message. At most 4094 "
     "bytes; a longer text is refused before anything starts.",
     text_setting("message", "Message, ^n between lines (empty: as set with nuvex /c)")},
    {"follow", DisplayModeOption::follow, "", "for this run, the text rides the waves",
     "For this run, the text rides the waves.",
     choice_setting("follow", "follow", "Text rides the waves", "stored",
                    "Drift as set with nuvex /c")},
    {"no-follow", DisplayModeOption::no_follow, "",
     "for this run, the text does not ride the waves",
     "For this run, the text does not ride the waves.",
     choice_setting("follow", "no-follow", "Text does not ride the waves")},
    {"fps", DisplayModeOption::fps, "", "show frames per second and the saver's processor load",
     "Show, in the bottom-left corner, the frames drawn per second and the processor load of "
     "the saver (its processor time as a share of one core), renewed every second.",
     check_setting("showfps", "Show frame rate")},
    {"no-fps",
     DisplayModeOption::no_fps,
     "",
     "do not show them (the default)",
     "Do not show the frame rate (the default); undoes an --fps earlier on the command line.",
     {}},
    {"delay",
     DisplayModeOption::delay,
     "N",
     "accepted for the daemon's sake, and ignored",
     "Options that XScreenSaver may pass to any display mode. They are accepted, with their "
     "values, and have no effect: the animation keeps its own pace and draws in true colour.",
     {}},
    {"install", DisplayModeOption::ignored, "", "", "", {}},
    {"no-install", DisplayModeOption::ignored, "", "", "", {}},
    {"mono", DisplayModeOption::ignored, "", "", "", {}},
    {"no-mono", DisplayModeOption::ignored, "", "", "", {}},
    {"visual", DisplayModeOption::visual, "V", "", "", {}},
    {"help",
     DisplayModeOption::help,
     "",
     "this text",
     "Print a summary of the options and exit.",
     {}},
    {"h", DisplayModeOption::help, "", "", "", {}},
    {"?", DisplayModeOption::help, "", "", "", {}},
    {"version", DisplayModeOption::version, "", "the version", "Print the version and exit.", {}},
    {"V", DisplayModeOption::version, "", "", "", {}},
};

// How the lists write an option: "--root", "-h", "/?".
std::string ListedSpelling(const DisplayModeOptionRow& row);

// --help's list of the options: for each row with texts, its options with
// their values ("--delay N, --install, ...") and its help text beside them,
// or below when they take more room; two spaces in, every line ended.
std::string DisplayModeOptionList();

// The manual page's list (man(7) macros): a tagged paragraph for each row with
// texts, the options in bold and their values in italics.
std::string ManualOptionList();

// XScreenSaver's settings for the options that have one, as the elements of
// its settings description, one or more lines each, two spaces in.
std::string SettingsDescription();
