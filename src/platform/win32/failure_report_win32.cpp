// The desktop shows nothing for a saver that could not run, and expects 0 from
// a saver run that made no window.
#include "platform/failure_report.h"

int ReportNoSaverWindow(HWND) {
    return 0;
}

void ReportNoConfigDialog() {}

void ReportWindowIdTooLarge(const char*) {}

void ReportNoSuchWindow(HWND) {}
