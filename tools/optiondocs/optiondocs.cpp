// Writes the lists of the display-mode options into the files that show them
// to users, at build time, from the options' table (host/display_mode_options.h):
//   optiondocs manual <nuvex.6 template> <nuvex.6>     the manual page's list
//   optiondocs settings <nuvex.xml template> <nuvex.xml>   XScreenSaver's settings
// The template's marker line (".\" <display-mode options>" in the manual page,
// "<!-- display-mode settings -->" in the settings description) becomes the
// list; a template without its marker, or with it twice, is an error.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "host/display_mode_options.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: optiondocs manual|settings <template> <output>\n";
        return 2;
    }
    const std::string kind = argv[1];
    std::string marker, list;
    if (kind == "manual") {
        marker = ".\\\" <display-mode options>";
        list = ManualOptionList();
    } else if (kind == "settings") {
        marker = "  <!-- display-mode settings -->";
        list = SettingsDescription();
    } else {
        std::cerr << "optiondocs: unknown kind " << kind << "\n";
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::cerr << "optiondocs: cannot read " << argv[2] << "\n";
        return 1;
    }
    std::ostringstream out;
    std::string line;
    int markers = 0;
    while (std::getline(in, line)) {
        if (line == marker) {
            out << list;
            ++markers;
        } else {
            out << line << "\n";
        }
    }
    if (markers != 1) {
        std::cerr << "optiondocs: " << argv[2] << " has the line '" << marker << "' " << markers
                  << " times, not once\n";
        return 1;
    }
    // Written whole, then renamed, so that a failed run leaves no half file.
    const std::string output = argv[3];
    const std::string temporary = output + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << out.str();
        if (!file.flush()) {
            std::cerr << "optiondocs: cannot write " << temporary << "\n";
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::cerr << "optiondocs: cannot rename " << temporary << " to " << output << "\n";
        return 1;
    }
    return 0;
}
