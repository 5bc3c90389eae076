#!/usr/bin/env bash
# Installs what building, running and testing Nuvex needs on a Debian or Ubuntu
# machine, skipping what is already there. Uses sudo when not root.
set -euo pipefail

packages=(
    # build
    cmake g++ make pkg-config
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # text: fonts and their rendering; the Chinese face, and a face for the
    # scripts it lacks (Hebrew, Georgian, Armenian, Arabic, symbols), which
    # text in those scripts falls back on
    libfreetype-dev libfontconfig-dev fonts-wqy-microhei fonts-dejavu-core
    # windows, input, dialogs
    libsdl2-dev libx11-dev libxext-dev libxrandr-dev libxfixes-dev libxtst-dev libgtk-3-dev
    # the recorder's file formats
    libwebp-dev
    # headless display, real input and changes of screen modes for the
    # end-to-end tests
    xvfb xdotool x11-utils x11-xserver-utils imagemagick
    # the screen-saver daemon the display mode is tested under, and what turns
    # the build into a Debian package for that test
    xscreensaver dpkg-dev
    # MATE's screen saver, which finds display modes through their desktop
    # entries, for the test of Nuvex's entry under it; and the entry's checker
    mate-screensaver desktop-file-utils
    # cross-compilers for the Windows module, and the scripts that check it
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64 python3
    # the source layout the test command checks
    clang-format
)
# Further groups, enabled by the test command when it needs them.
if [[ "${NUVEX_WITH_WINE:-0}" == 1 ]]; then
    # (procps: the test that runs Wine as a test user waits for its processes)
    packages+=(wine wine64 locales procps)
fi
# clang with libFuzzer, for tools/fuzz.sh.
if [[ "${NUVEX_WITH_FUZZ:-0}" == 1 ]]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
