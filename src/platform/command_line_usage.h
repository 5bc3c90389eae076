// Tells the user, where the platform has a place for it, that the command line
// named no usable mode. On Windows the module stays silent; elsewhere a
// one-line usage goes to the error stream.
#pragma once

void ReportUnusableCommandLine(const char* commandTail);
