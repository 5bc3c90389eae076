// nuvex-trace: runs the saver's animation headless and prints the whole scene
// after N ticks, so that a run can be compared number for number (see
// trace_run.h). Lines are drawn with the system's own text functions.
#include "app/code_page_setup.h"
#include "app/gdi_line_rasteriser.h"
#include "text/builtin_strings.h"
#include "trace/trace_run.h"

int main(int argc, char** argv) {
    adopt_system_code_page();
    GdiLineRasteriser rasteriser;
    return run_trace(argc, argv, trace_system{"nuvex-trace", &rasteriser, &default_message()});
}
