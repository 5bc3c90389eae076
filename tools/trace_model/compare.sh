#!/bin/sh
# Runs nuvex-trace and the independent Python model of the animation with the
# same settings and compares every number exactly; with --ppm also the frame
# drawn after the last tick, pixel for pixel.
#
# usage: compare.sh [--trace PATH] [--ticks N] [--follow F] [--message-hex HEX]
#                   [--frame WxH] [--screen WxH] [--ppm] [--dump-at T,T,...]
#                   [--keep DIR] [--show N]
#
# --dump-at compares the scene after those earlier ticks of the run as well.
#
# The model takes each line's measured size and lit pixels from the rasters
# that nuvex-trace writes (--rasters), so glyph shapes are not its concern.
# Exit status: 0 when everything is equal, 1 on a difference, 2 on a failure.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
trace="${NUVEX_TRACE:-$repo/build-h6/tools/trace/nuvex-trace}"
ticks=0
follow=0
message_hex=
have_message=0
frame=1280x1024
screen=
ppm=0
keep=
show=20
dump_at=

while [ $# -gt 0 ]; do
    case "$1" in
        --trace) trace=$2; shift 2 ;;
        --ticks) ticks=$2; shift 2 ;;
        --follow) follow=$2; shift 2 ;;
        --message-hex) message_hex=$2; have_message=1; shift 2 ;;
        --frame) frame=$2; shift 2 ;;
        --screen) screen=$2; shift 2 ;;
        --ppm) ppm=1; shift ;;
        --dump-at) dump_at=$2; shift 2 ;;
        --keep) keep=$2; shift 2 ;;
        --show) show=$2; shift 2 ;;
        -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
        *) echo "compare.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

# The model needs numpy: the first Python that has it (the system's, where a
# Python of the user's own comes first on the PATH without it).
python=
for candidate in "${NUVEX_PYTHON:-}" python3 /usr/bin/python3; do
    if [ -n "$candidate" ] && "$candidate" -c 'import numpy' 2>/dev/null; then
        python=$candidate
        break
    fi
done
if [ -z "$python" ]; then
    echo "compare.sh: no Python with numpy (install python3-numpy)" >&2
    exit 2
fi

if [ ! -x "$trace" ]; then
    echo "compare.sh: no nuvex-trace at $trace (build it, or pass --trace)" >&2
    exit 2
fi

if [ -n "$keep" ]; then
    work=$keep
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
rm -rf "$work/rasters"
mkdir -p "$work/rasters"

set -- --ticks "$ticks" --follow "$follow" --frame "$frame"
if [ "$have_message" = 1 ]; then
    set -- "$@" --message-hex "$message_hex"
fi
if [ -n "$dump_at" ]; then
    set -- "$@" --dump-at "$dump_at"
fi
trace_extra=
[ -n "$screen" ] && trace_extra="--screen $screen"
if [ "$ppm" = 1 ]; then
    NUVEX_CODEPAGE=936 "$trace" "$@" $trace_extra --rasters "$work/rasters" \
        --ppm "$work/trace.ppm" > "$work/trace.txt"
    "$python" "$here/model.py" "$@" --rasters "$work/rasters" --ppm "$work/model.ppm" > "$work/model.txt"
else
    NUVEX_CODEPAGE=936 "$trace" "$@" $trace_extra --rasters "$work/rasters" > "$work/trace.txt"
    "$python" "$here/model.py" "$@" --rasters "$work/rasters" > "$work/model.txt"
fi

status=0
echo "== ticks $ticks${dump_at:+ (and $dump_at)}, follow $follow, message ${message_hex:-(default)}, frame $frame${screen:+, screen $screen}"
echo "rasters: $(ls -A "$work/rasters" | tr '\n' ' ')"
"$python" "$here/diff.py" dump "$work/model.txt" "$work/trace.txt" --show "$show" || status=1
if [ "$ppm" = 1 ]; then
    "$python" "$here/diff.py" ppm "$work/model.ppm" "$work/trace.ppm" --show "$show" || status=1
fi
exit $status
