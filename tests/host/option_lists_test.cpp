// What users read of the display-mode options names exactly the options the
// parser takes, each with a value where the parser wants one: --help's text,
// the manual page and XScreenSaver's settings description, the last two as the
// build made them for installing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/display_mode_command.h"
#include "host/display_mode_options.h"

#if !defined(NUVEX_BUILT_MANUAL) || !defined(NUVEX_BUILT_SETTINGS)
#error "the build names the manual page and the settings description it made"
#endif

namespace {

// Spelling as listed ("--window-id") to whether the list shows a value.
using Listed = std::map<std::string, bool>;

std::string read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "--delay N, --install, --visual V": each option and whether a value follows.
void add_names(std::string names, Listed& listed) {
    std::size_t at = 0;
    while (at <= names.size()) {
        std::size_t end = names.find(", ", at);
        if (end == std::string::npos) end = names.size();
        const std::string item = names.substr(at, end - at);
        const std::size_t blank = item.find(' ');
        const std::string spelling = item.substr(0, blank);
        EXPECT_FALSE(listed.count(spelling)) << spelling << " is listed twice";
        listed[spelling] = blank != std::string::npos;
        at = end + 2;
    }
}

Listed help_list() {
    const std::string usage = DisplayModeUsage();
    const std::string heading = "Display-mode options, with one dash or two:\n";
    const std::size_t start = usage.find(heading);
    EXPECT_NE(start, std::string::npos);
    std::istringstream lines(usage.substr(start + heading.size()));
    Listed listed;
    for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0;) {
        if (line[2] == ' ') continue;  // a help text's next line
        add_names(line.substr(2, line.find("  ", 2) - 2), listed);
    }
    return listed;
}

// A line of the manual page as man shows it: font changes (\fB, \fI, \fR)
// dropped and escaped hyphens (\-) made plain.
std::string without_escapes(const std::string& line) {
    std::string shown;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (line.compare(at, 2, "\\f") == 0 && at + 2 < line.size() &&
            std::string_view("BIR").find(line[at + 2]) != std::string_view::npos) {
            at += 2;
        } else if (line.compare(at, 2, "\\-") == 0) {
            shown.push_back('-');
            ++at;
        } else {
            shown.push_back(line[at]);
        }
    }
    return shown;
}

// The tags of the tagged paragraphs of the manual page's option section, as
// man shows them (bold, italics and escaped hyphens undone).
Listed manual_list() {
    const std::string page = read_file(NUVEX_BUILT_MANUAL);
    const std::size_t start = page.find(".SH DISPLAY-MODE OPTIONS\n");
    const std::size_t end = page.find("\n.SH ", start + 1);
    EXPECT_NE(start, std::string::npos);
    std::istringstream lines(page.substr(start, end - start));
    Listed listed;
    for (std::string line; std::getline(lines, line);) {
        if (line != ".TP") continue;
        std::string tag;
        std::getline(lines, tag);
        add_names(without_escapes(tag), listed);
    }
    return listed;
}

// The options the settings description makes the settings program pass.
Listed settings_list() {
    const std::string description = read_file(NUVEX_BUILT_SETTINGS);
    Listed listed;
    // Every arg="..." and arg-set="..." attribute: an option, with " %" after
    // it when the setting's value follows.
    for (const std::string attribute : {" arg=\"", " arg-set=\""}) {
        for (std::size_t at = description.find(attribute); at != std::string::npos;
             at = description.find(attribute, at + 1)) {
            const std::size_t start = at + attribute.size();
            const std::string text =
                description.substr(start, description.find('"', start) - start);
            const std::string spelling = text.substr(0, text.find(' '));
            const bool value = text.size() > spelling.size();
            EXPECT_TRUE(!value || text == spelling + " %") << text;
            EXPECT_EQ(attribute == " arg=\"", value || spelling == "--root") << spelling;
            listed[spelling] = value;
        }
    }
    return listed;
}

std::string option_of(const std::string& spelling) {
    return spelling.substr(spelling.find_first_not_of("-/"));
}

// What the parser makes of the listed spelling alone and with a value glued on.
void expect_parser_agrees(const std::string& spelling, bool value, const char* list) {
    SCOPED_TRACE(testing::Message() << list << ": " << spelling);
    EXPECT_TRUE(IsDisplayModeArgument(spelling));
    const DisplayModeCommand alone = ParseDisplayModeCommand({spelling}, nullptr);
    if (value) {
        EXPECT_EQ(alone.action, DisplayModeAction::error);
        EXPECT_NE(alone.error.find("needs a value"), std::string::npos) << alone.error;
    } else {
        EXPECT_NE(alone.action, DisplayModeAction::error) << alone.error;
        EXPECT_NE(alone.action, DisplayModeAction::none);
    }
    if (spelling == "/?") return;  // takes nothing glued on: the parser claims "/?" whole
    const std::string glued = spelling + "=1";
    const DisplayModeCommand with = ParseDisplayModeCommand({glued}, nullptr);
    EXPECT_EQ(with.error.find("takes no value") == std::string::npos, value) << with.error;
}

TEST(OptionLists, HelpAndManualListEveryOptionOfTheParserAsItTakesThem) {
    const Listed help = help_list();
    const Listed manual = manual_list();
    EXPECT_EQ(help, manual);
    for (const auto& [spelling, value] : help) expect_parser_agrees(spelling, value, "--help");
    for (const auto& [spelling, value] : manual) expect_parser_agrees(spelling, value, "manual");
    // Every spelling the parser takes is listed, with one dash or two.
    for (const std::string& spelling : DisplayModeSpellings()) {
        bool found = false;
        for (const auto& [listed, value] : help) {
            found = found || option_of(listed) == option_of(spelling);
        }
        EXPECT_TRUE(found) << spelling << " is taken but not listed";
    }
    // No option listed twice under two spellings.
    std::map<std::string, int> options;
    for (const auto& [listed, value] : help) ++options[option_of(listed)];
    for (const auto& [option, count] : options) EXPECT_EQ(count, 1) << option;
}

TEST(OptionLists, TheSettingsDescriptionPassesTheOptionsThatHaveSettings) {
    const Listed settings = settings_list();
    Listed expected;
    for (const DisplayModeOptionRow& row : display_mode_options) {
        if (row.setting.kind != SettingKind::none) {
            expected[ListedSpelling(row)] = row.setting.kind == SettingKind::text;
        }
    }
    EXPECT_EQ(settings, expected);
    for (const auto& [spelling, value] : settings) expect_parser_agrees(spelling, value, "xml");
    // What the settings program would run: every option at once is one
    // command line the parser runs.
    std::vector<std::string> line;
    for (const auto& [spelling, value] : settings) {
        line.push_back(spelling);
        if (value) line.push_back("Hi");
    }
    std::vector<std::string_view> views(line.begin(), line.end());
    EXPECT_EQ(ParseDisplayModeCommand(views, nullptr).action, DisplayModeAction::run);
}

TEST(OptionLists, TheManualPageReadsWithoutComplaint) {
    // groff with every warning on, as man would run it; where it is missing
    // the page is only read as text above.
    if (std::system("command -v groff >/dev/null 2>&1") != 0) GTEST_SKIP() << "no groff";
    const std::string command =
        std::string("groff -man -Tutf8 -ww -z ") + NUVEX_BUILT_MANUAL + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string complaints;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) complaints += buffer;
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(complaints, "");
}

}  // namespace
