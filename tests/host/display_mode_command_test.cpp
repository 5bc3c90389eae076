// The display-mode command line: which command lines it claims, the window it
// names, the values it takes, and the one-line errors for everything else.
#include "host/display_mode_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "host/host_fixture.h"
#include "host/saver_host.h"

namespace {

DisplayModeCommand parse(const std::vector<std::string>& arguments,
                         const char* xscreensaverWindow = nullptr) {
    std::vector<std::string_view> views(arguments.begin(), arguments.end());
    return ParseDisplayModeCommand(views, xscreensaverWindow);
}

std::string error_of(const std::vector<std::string>& arguments, const char* environment = nullptr) {
    const DisplayModeCommand command = parse(arguments, environment);
    EXPECT_EQ(command.action, DisplayModeAction::error);
    EXPECT_EQ(command.error.find('\n'), std::string::npos) << "one line";
    return command.error;
}

class DisplayModeClaims : public hosttest::HostTest {};

TEST_F(DisplayModeClaims, WindowsCommandLinesAreLeftToTheWindowsGrammar) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {},         {"/s"},        {"-S"},         {"s"},           {"//s"},          {"--s"},
             {"--sync"}, {"/p", "123"}, {"/p123"},      {"-l", "5"},     {"/c:123"},       {"/c"},
             {"-a"},     {"/"},         {"", "--root"}, {"/s", "--fps"}, {"--frobnicate"}, {"-r"},
             {"root"},   {"-"},         {"--"}}) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        EXPECT_EQ(parse(arguments, "0x1200003").action, DisplayModeAction::none);
    }
}

TEST_F(DisplayModeClaims, EveryOptionNameIsOutsideTheWindowsGrammar) {
    // Were a name to start with a mode letter, "-name" would already mean
    // something to the Windows grammar, and claiming it would change that.
    for (const std::string& spelled : DisplayModeSpellings()) {
        SCOPED_TRACE(spelled);
        EXPECT_TRUE(IsDisplayModeArgument(spelled));
        EXPECT_EQ(DecodeSaverMode(spelled.c_str()).kind, SaverModeKind::unusable);
    }
    EXPECT_FALSE(IsDisplayModeArgument("--?"));
    EXPECT_TRUE(IsDisplayModeArgument("--window-id=0x10"));
}

TEST(DisplayModeCommand, HelpAndVersionWinWhereverTheyStand) {
    for (const char* help : {"--help", "-help", "-h", "/?", "-?"}) {
        EXPECT_EQ(parse({help}).action, DisplayModeAction::help) << help;
    }
    EXPECT_EQ(parse({"--version"}).action, DisplayModeAction::version);
    EXPECT_EQ(parse({"--root", "--fps", "--help", "--bogus"}).action, DisplayModeAction::help);
    EXPECT_EQ(parse({"--root", "--bogus", "--help"}).action, DisplayModeAction::error);
    EXPECT_NE(std::string(DisplayModeUsage()).find("--window-id"), std::string::npos);
}

TEST(DisplayModeCommand, TheWindowToDrawIn) {
    auto target_of = [](const std::vector<std::string>& arguments, const char* environment) {
        const DisplayModeCommand c = parse(arguments, environment);
        EXPECT_EQ(c.action, DisplayModeAction::run);
        return std::make_pair(c.target, c.window_id);
    };
    using T = DisplayModeTarget;
    EXPECT_EQ(target_of({"--root"}, nullptr), std::make_pair(T::root, 0u));
    EXPECT_EQ(target_of({"-root"}, ""), std::make_pair(T::root, 0u));
    // The daemon names its window in the environment and passes --root.
    EXPECT_EQ(target_of({"--root"}, "0x1200003"), std::make_pair(T::window_id, 0x1200003u));
    EXPECT_EQ(target_of({"--fps"}, "0x1200003"), std::make_pair(T::window_id, 0x1200003u));
    EXPECT_EQ(target_of({"--fps"}, nullptr), std::make_pair(T::new_window, 0u));
    // An explicit window id beats the environment; an explicit --window too.
    EXPECT_EQ(target_of({"--root", "--window-id", "77"}, "0x1200003"),
              std::make_pair(T::window_id, 77u));
    EXPECT_EQ(target_of({"-window-id=0x4d"}, nullptr), std::make_pair(T::window_id, 77u));
    EXPECT_EQ(target_of({"--window"}, "0x1200003"), std::make_pair(T::new_window, 0u));
    // The later of --root and --window counts.
    EXPECT_EQ(target_of({"--window", "--root"}, nullptr), std::make_pair(T::root, 0u));
    EXPECT_EQ(target_of({"--root", "--window"}, nullptr), std::make_pair(T::new_window, 0u));
}

TEST(DisplayModeCommand, WindowIdsInHexOrDecimalAndNothingElse) {
    EXPECT_EQ(ParseWindowId("0x1a00007"), 0x1a00007u);
    EXPECT_EQ(ParseWindowId("0X1A00007"), 0x1a00007u);
    EXPECT_EQ(ParseWindowId("27262983"), 27262983u);
    EXPECT_EQ(ParseWindowId("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseWindowId("0xffffffff"), 0xFFFFFFFFu);
    for (const char* bad : {"", "0", "0x0", "0x", "4294967296", "0x100000000", "12ab", "-5", "+5",
                            " 5", "5 ", "0x12g", "99999999999999999999999"}) {
        EXPECT_FALSE(ParseWindowId(bad)) << bad;
    }
    EXPECT_NE(error_of({"--window-id", "0"}).find("\"0\" is not a window id"), std::string::npos);
    EXPECT_NE(error_of({"--root"}, "junk").find("XSCREENSAVER_WINDOW"), std::string::npos);
}

TEST(DisplayModeCommand, OverridesAndShowsForThisRun) {
    const DisplayModeCommand plain = parse({"--root"});
    EXPECT_FALSE(plain.message);
    EXPECT_FALSE(plain.follow);
    EXPECT_FALSE(plain.show_fps);
    EXPECT_TRUE(plain.display.empty());

    const DisplayModeCommand full =
        parse({"-root", "--fps", "--message", "Hello^nWorld", "--follow", "-display", ":3.1"});
    EXPECT_TRUE(full.show_fps);
    EXPECT_EQ(full.message, "Hello^nWorld");
    EXPECT_EQ(full.follow, 0) << "--follow: the text rides the waves (stored 0)";
    EXPECT_EQ(full.display, ":3.1");

    EXPECT_EQ(parse({"--root", "--follow", "--no-follow"}).follow, 1);
    EXPECT_FALSE(parse({"--fps", "--no-fps"}).show_fps);
    EXPECT_FALSE(parse({"--root", "--message="}).message) << "empty: the stored message";
    EXPECT_FALSE(parse({"--root", "--message", "x", "--message", ""}).message);
    EXPECT_EQ(parse({"--root", "--message", "--fps"}).message, "--fps")
        << "a value may look like an option";
}

TEST(DisplayModeCommand, AMessageIsTakenWholeOrRefused) {
    const std::string longest(static_cast<std::size_t>(message_text_limit), 'x');
    EXPECT_EQ(parse({"--root", "--message", longest}).message, longest);
    const std::string error = error_of({"--root", "--message", longest + "y"});
    EXPECT_NE(error.find("4095 bytes"), std::string::npos) << error;
    EXPECT_NE(error.find("4094"), std::string::npos) << error;
}

TEST(DisplayModeCommand, DaemonOptionsAreAcceptedWithTheirValues) {
    const DisplayModeCommand c =
        parse({"--root", "--delay", "20000", "-install", "--no-install", "-mono", "--no-mono",
               "--visual", "default", "-visual=0x21", "--delay=0"});
    EXPECT_EQ(c.action, DisplayModeAction::run);
    EXPECT_EQ(c.target, DisplayModeTarget::root);
    EXPECT_NE(error_of({"--root", "--delay", "soon"}).find("whole number"), std::string::npos);
    EXPECT_NE(error_of({"--root", "--delay", "-1"}).find("whole number"), std::string::npos);
}

TEST(DisplayModeCommand, GeometryOfTheWindowOfItsOwn) {
    const DisplayModeGeometry sized = parse({"--window", "-geometry", "800x600"}).geometry;
    EXPECT_TRUE(sized.has_size);
    EXPECT_EQ(sized.width, 800);
    EXPECT_EQ(sized.height, 600);
    EXPECT_FALSE(sized.has_position);

    const DisplayModeGeometry placed = parse({"--window", "--geometry=320x200-10+20"}).geometry;
    EXPECT_TRUE(placed.has_position);
    EXPECT_EQ(placed.x, 10);
    EXPECT_TRUE(placed.x_from_right);
    EXPECT_EQ(placed.y, 20);
    EXPECT_FALSE(placed.y_from_bottom);

    const DisplayModeGeometry moved = parse({"--window", "--geometry", "=+5-6"}).geometry;
    EXPECT_FALSE(moved.has_size);
    EXPECT_TRUE(moved.y_from_bottom);
    for (const char* bad : {"", "x", "10x", "10x10+5", "10x10+5+", "+5", "10x10+5+6junk"}) {
        EXPECT_NE(error_of({"--window", "--geometry", bad}).find("not a geometry"),
                  std::string::npos)
            << bad;
    }
}

TEST(DisplayModeCommand, TheWindowIsPlacedWithinWhatXCanHold) {
    struct Case {
        const char* geometry;
        int screen_width, screen_height;
        WindowPlace expected;
    } cases[] = {
        {"", 1024, 768, {192, 144, 640, 480}},  // no --geometry: 640x480, centred
        {"320x200", 1024, 768, {352, 284, 320, 200}},
        {"320x200-10+20", 1024, 768, {694, 20, 320, 200}},
        {"-0-0", 1024, 768, {384, 288, 640, 480}},
        {"16384x16384-16384-16384", 1024, 768, {-31744, -32000, 16384, 16384}},
        {"+16384+16384", 2147483647, 2147483647, {16384, 16384, 640, 480}},
        {"-16384-0", 2147483647, -2147483647 - 1, {32767, -32768, 640, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.geometry);
        std::vector<std::string> arguments = {"--window"};
        if (*c.geometry) arguments.insert(arguments.end(), {"--geometry", c.geometry});
        const DisplayModeCommand command = parse(arguments);
        ASSERT_EQ(command.action, DisplayModeAction::run);
        const WindowPlace place = PlaceOwnWindow(command.geometry, c.screen_width, c.screen_height);
        EXPECT_EQ(place.x, c.expected.x);
        EXPECT_EQ(place.y, c.expected.y);
        EXPECT_EQ(place.width, c.expected.width);
        EXPECT_EQ(place.height, c.expected.height);
    }
}

// Arguments a user or a daemon may hand in by mistake or on purpose. Each is
// refused in one line that names what is wrong and echoes the argument
// quoted: nothing that a terminal acts on, no line break, nothing long.
TEST(DisplayModeCommand, BadArgumentsAreRefusedInOneQuotedLine) {
    const std::string huge(131000, '9');
    struct Case {
        std::vector<std::string> arguments;
        const char* environment;
        std::string error;  // the whole line, or its start when it ends in "..."
    } cases[] = {
        {{"--window", "--geometry", "3000x100-2147483647+0"},
         nullptr,
         "--geometry \"3000x100-2147483647+0\": the offset \"2147483647\" is out of range (at "
         "most 16384)"},
        {{"--window", "--geometry", "999999x999999"},
         nullptr,
         "--geometry \"999999x999999\": the width \"999999\" is out of range (at most 16384)"},
        {{"--window", "--geometry=10x16385"},
         nullptr,
         "--geometry \"10x16385\": the height \"16385\" is out of range (at most 16384)"},
        {{"--window", "--geometry", "0x10"},
         nullptr,
         "--geometry \"0x10\": a window needs a width and a height of at least 1"},
        {{"--window-id=\x1b[2J\x1b]0;T\a"},
         nullptr,
         "--window-id: \"\\x1b[2J\\x1b]0;T\\x07\" is not a window id (hex 0x... or decimal)"},
        {{"--root"}, "\x1b[2J", "XSCREENSAVER_WINDOW=\"\\x1b[2J\" is not a window id"},
        {{"--root", "--bogus\nrm -rf"}, nullptr, "unknown option \"--bogus\\nrm -rf\"; see --help"},
        {{"--root",
          "\xe2\x80\xae"
          "txt.exe"},
         nullptr,
         "unexpected argument \"\\u202etxt.exe\"; see --help"},
        {{"--root",
          "caf\xc3\xa9\xff\x9b"
          "2J"},
         nullptr,
         "unexpected argument \"caf\xc3\xa9\\xff\\x9b"
         "2J\"; see --help"},
        {{"--root", "--window-id", "say \"hi\"\\"},
         nullptr,
         "--window-id: \"say \\\"hi\\\"\\\\\" is not a window id (hex 0x... or decimal)"},
        {{"--root", "--delay", huge},
         nullptr,
         "--delay: \"" + huge.substr(0, 64) + "\"... (131000 bytes) is not a whole number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const std::string error = error_of(c.arguments, c.environment);
        EXPECT_EQ(error, c.error);
        for (unsigned char byte : error) EXPECT_TRUE(byte >= 0x20 && byte != 0x7f) << int(byte);
        EXPECT_LE(error.size(), 200u);
    }
}

TEST(DisplayModeCommand, MistakesAreNamedInOneLine) {
    EXPECT_EQ(error_of({"--root", "--bogus"}), "unknown option \"--bogus\"; see --help");
    EXPECT_EQ(error_of({"--root", "stray"}), "unexpected argument \"stray\"; see --help");
    EXPECT_EQ(error_of({"--root", "/s"}), "unexpected argument \"/s\"; see --help");
    EXPECT_EQ(error_of({"--root", "--window-id"}), "--window-id needs a value; see --help");
    EXPECT_EQ(error_of({"--fps=1"}), "--fps takes no value");
    EXPECT_EQ(error_of({"--root", "--display", ""}), "--display needs a value");
}

}  // namespace
