#!/usr/bin/env bash
# nuvex-trace against the independent Python model of the animation: every
# number of the scene and every pixel of the frame must be equal. A few short
# cases here; trace_model_cycle.sh follows whole cycles of lines, and
# tools/trace_model/check_all.sh runs a wider set.
set -euo pipefail
build="$1"
here=$(cd "$(dirname "$0")/../.." && pwd)
compare="$here/tools/trace_model/compare.sh"
trace="$build/tools/trace/nuvex-trace"
wide=$(python3 -c "print((b'W' * 30 + b' wide line ' + b'M' * 30).hex())")

sh "$compare" --trace "$trace" --ticks 130 --follow 0
sh "$compare" --trace "$trace" --ticks 150 --follow 1 --message-hex 48695e6e4f4b --ppm
sh "$compare" --trace "$trace" --ticks 130 --follow 0 --message-hex "${wide}5e6e78795e6e" --ppm
