// A screen saver started by the desktop has no console to write to, and the
// desktop shows nothing for it either: problems with the command line are
// answered by the exit code alone.
#include "platform/command_line_usage.h"

void ReportUnusableCommandLine(const char*) {}

void ReportCommandLineProblem(const char*) {}
