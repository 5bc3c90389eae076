// nuvex-trace built from the browser's core with emscripten and run under
// Node (tools/web-trace.sh): the same options and the same dump as the native
// tool. Node draws no text, so the lines come from the rasters a native run
// saved (--rasters-from). The code page is the one NUVEX_CODEPAGE names (936,
// 65001 or 1252), which the script sets as the native tool would choose it.
#include <emscripten/emscripten.h>

#include "platform/web/web_code_page.h"
#include "text/builtin_strings.h"
#include "trace/trace_run.h"

namespace {

EM_JS(int, environment_code_page, (), {
    const value = typeof process == "object" ? process.env["NUVEX_CODEPAGE"] : "";
    return Number(value) || 0;
});

}  // namespace

int main(int argc, char** argv) {
    adopt_code_page(static_cast<unsigned>(environment_code_page()));
    return run_trace(argc, argv, trace_system{"nuvex-web-trace", nullptr, &default_message()});
}
