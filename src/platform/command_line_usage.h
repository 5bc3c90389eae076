// Tells the user, where the platform has a place for it, what was wrong with
// the command line. On Windows the module stays silent; elsewhere one line
// goes to the error stream.
#pragma once

// The command line named no usable mode: a one-line usage.
void ReportUnusableCommandLine(const char* commandTail);
// Anything else the command line asked for that cannot be done (a window
// that does not exist, a display that cannot be opened): `problem` as one line.
void ReportCommandLineProblem(const char* problem);
