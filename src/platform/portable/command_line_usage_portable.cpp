#include <cstdio>

#include "platform/command_line_usage.h"
#include "platform/shared/quoted.h"

void ReportUnusableCommandLine(const char* commandTail) {
    std::fprintf(stderr,
                 "nuvex: unusable command line %s; usage: nuvex [/s | /p <window id> | "
                 "/l <window id> | /c[:<window id>]], or nuvex --help\n",
                 quoted(commandTail ? commandTail : "").c_str());
}

void ReportCommandLineProblem(const char* problem) {
    std::fprintf(stderr, "nuvex: %s\n", problem ? problem : "");
}
