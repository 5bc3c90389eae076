// The nuvex program. A command line in the display-mode form of X screen-saver
// daemons (--root, --window-id, --fps ...) is read here, before anything else
// starts; any other goes to the saver module's own entry, as Windows would
// hand it over.
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "host/display_mode_command.h"
#include "host/saver_host.h"
#include "nuvex_version.h"
#include "platform/portable/bridge.h"
#include "platform/portable/user/display_choice.h"

int main(int argc, char** argv) {
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc && argv[i]; ++i) {
        arguments.emplace_back(argv[i]);
    }
    const DisplayModeCommand command =
        ParseDisplayModeCommand(arguments, std::getenv("XSCREENSAVER_WINDOW"));
    switch (command.action) {
        case DisplayModeAction::none:
            portable_init_process(argc, argv);
            SaverStartup();
        case DisplayModeAction::help:
            std::fputs(DisplayModeUsage(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        case DisplayModeAction::version:
            std::printf("nuvex %s\n", NUVEX_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        case DisplayModeAction::error:
            std::fprintf(stderr, "nuvex: %s\n", command.error.c_str());
            return 255;
        case DisplayModeAction::run:
            break;
    }
    // Everything that opens the display reads DISPLAY, so it is set first.
    if (!command.display.empty()) {
        setenv("DISPLAY", command.display.c_str(), 1);
    }
    // A window of another program (a daemon's, or the root window) is an X11
    // thing; on a display without them the run ends here, in one line.
    if (command.target != DisplayModeTarget::new_window) {
        const std::string missing = portable::foreign_windows_missing();
        if (!missing.empty()) {
            std::fprintf(stderr, "nuvex: %s\n", missing.c_str());
            return 255;
        }
    }
    portable_init_process(argc, argv);
    ExitProcess(static_cast<UINT>(RunDisplayMode(GetModuleHandleA(nullptr), command)));
}
