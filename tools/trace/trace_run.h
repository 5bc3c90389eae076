// The trace tool's work, apart from the system it runs on: reads the options,
// runs the animation headless and prints the whole scene after N ticks (every
// number with %.17g; --dump-at prints it after earlier ticks too), optionally
// the frame drawn after the last tick (PPM) and, for every line the emitter
// drew, what it read back (PBM). Native builds
// draw lines with the system's text functions; any build can take them from
// rasters saved by an earlier run (--rasters-from).
#pragma once

#include "text/byte_string.h"

class line_rasteriser;

struct trace_system {
    const char* program;                  // the name errors start with
    line_rasteriser* own_rasteriser;      // the system's, or none (then --rasters-from is needed)
    const encoded_text* default_message;  // the built-in message as this system holds it
};

// The tool's exit status: 0, 1 when something could not be done (a file not
// written whole, a raster missing), 2 for a command line it does not take.
int run_trace(int argc, char** argv, const trace_system& system);
