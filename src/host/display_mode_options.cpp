// The lists of the display-mode options, made from their table.
#include "host/display_mode_options.h"

#include <cstddef>
#include <vector>

namespace {

// Where --help's texts start, and how long the options beside them may be.
constexpr std::size_t help_column = 21;
constexpr std::size_t indent = 2;

bool listed_alone(const DisplayModeOptionRow& row) {
    return !row.help.empty() || !row.manual.empty();
}

// The rows listed together: each row with texts and the rows under it.
std::vector<std::vector<const DisplayModeOptionRow*>> listed_groups() {
    std::vector<std::vector<const DisplayModeOptionRow*>> groups;
    for (const DisplayModeOptionRow& row : display_mode_options) {
        if (listed_alone(row) || groups.empty()) groups.emplace_back();
        groups.back().push_back(&row);
    }
    return groups;
}

// Lines of `text`, split at "\n".
std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    for (;;) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return lines;
        text.remove_prefix(end + 1);
    }
}

// Text for roff: hyphens and backslashes as themselves, nothing taken for a
// request at the start of a line.
std::string roff_escaped(std::string_view text) {
    std::string out;
    if (!text.empty() && (text[0] == '.' || text[0] == '\'')) out += "\\&";
    for (char c : text) {
        if (c == '-') {
            out += "\\-";
        } else if (c == '\\') {
            out += "\\e";
        } else {
            out += c;
        }
    }
    return out;
}

bool option_character(char c) {
    return (c >= 'a' && c <= 'z') || c == '-';
}

// A manual paragraph with every "--option" in bold.
std::string manual_paragraph(std::string_view text) {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find("--", at);
        if (start == std::string_view::npos) break;
        std::size_t end = start + 2;
        while (end < text.size() && option_character(text[end])) ++end;
        out += roff_escaped(text.substr(at, start - at));
        out += "\\fB";
        out += roff_escaped(text.substr(start, end - start));
        out += "\\fR";
        at = end;
    }
    out += roff_escaped(text.substr(at));
    return out;
}

std::string xml_escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string ListedSpelling(const DisplayModeOptionRow& row) {
    if (row.name == "?") return "/?";
    std::string spelling(row.name.size() == 1 ? "-" : "--");
    spelling += row.name;
    return spelling;
}

std::string DisplayModeOptionList() {
    std::string out;
    for (const auto& group : listed_groups()) {
        std::string names;
        for (const DisplayModeOptionRow* row : group) {
            if (!names.empty()) names += ", ";
            names += ListedSpelling(*row);
            if (!row->value.empty()) {
                names += ' ';
                names += row->value;
            }
        }
        std::string line(indent, ' ');
        line += names;
        bool first = true;
        for (std::string_view text : lines_of(group.front()->help)) {
            if (line.size() + 2 > help_column) {
                out += line + "\n";
                line.clear();
            }
            line.resize(help_column, ' ');
            line += text;
            out += line + "\n";
            line.clear();
            first = false;
        }
        if (first) out += line + "\n";
    }
    return out;
}

std::string ManualOptionList() {
    std::string out;
    for (const auto& group : listed_groups()) {
        out += ".TP\n";
        bool first = true;
        for (const DisplayModeOptionRow* row : group) {
            if (!first) out += ", ";
            out += "\\fB";
            out += roff_escaped(ListedSpelling(*row));
            out += "\\fR";
            if (!row->value.empty()) {
                out += " \\fI";
                out += roff_escaped(row->value);
                out += "\\fR";
            }
            first = false;
        }
        out += '\n';
        out += manual_paragraph(group.front()->manual);
        out += '\n';
    }
    return out;
}

std::string SettingsDescription() {
    std::string out;
    std::string_view open_list;  // the list whose entries are being written
    for (const DisplayModeOptionRow& row : display_mode_options) {
        const DisplayModeSetting& s = row.setting;
        const std::string option = ListedSpelling(row);
        if (!open_list.empty() && (s.kind != SettingKind::choice || s.id != open_list)) {
            out += "  </select>\n\n";
            open_list = {};
        }
        switch (s.kind) {
            case SettingKind::none:
                break;
            case SettingKind::command:
                out += "  <command arg=\"" + xml_escaped(option) + "\"/>\n\n";
                break;
            case SettingKind::text:
                out += "  <string id=\"" + xml_escaped(s.id) + "\"\n          _label=\"" +
                       xml_escaped(s.label) + "\"\n          arg=\"" + xml_escaped(option) +
                       " %\"/>\n\n";
                break;
            case SettingKind::check:
                out += "  <boolean id=\"" + xml_escaped(s.id) + "\" _label=\"" +
                       xml_escaped(s.label) + "\" arg-set=\"" + xml_escaped(option) + "\"/>\n\n";
                break;
            case SettingKind::choice:
                if (open_list.empty()) {
                    open_list = s.id;
                    out += "  <select id=\"" + xml_escaped(s.id) + "\">\n";
                    out += "    <option id=\"" + xml_escaped(s.unset_entry) + "\" _label=\"" +
                           xml_escaped(s.unset_label) + "\"/>\n";
                }
                out += "    <option id=\"" + xml_escaped(s.entry) + "\" _label=\"" +
                       xml_escaped(s.label) + "\" arg-set=\"" + xml_escaped(option) + "\"/>\n";
                break;
        }
    }
    if (!open_list.empty()) out += "  </select>\n\n";
    // One blank line between the settings, none after the last.
    while (out.size() >= 2 && out.compare(out.size() - 2, 2, "\n\n") == 0) out.pop_back();
    return out;
}
