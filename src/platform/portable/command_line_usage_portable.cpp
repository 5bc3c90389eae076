#include <cstdio>

#include "platform/command_line_usage.h"

void ReportUnusableCommandLine(const char* commandTail) {
    std::fprintf(stderr,
                 "nuvex: unusable command line \"%s\"; usage: nuvex [/s | /p <window id> | "
                 "/l <window id> | /c[:<window id>]], or nuvex --help\n",
                 commandTail ? commandTail : "");
}

void ReportCommandLineProblem(const char* problem) {
    std::fprintf(stderr, "nuvex: %s\n", problem ? problem : "");
}
