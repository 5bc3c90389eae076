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
    # the Wayland back end: the client library, keyboard layouts, the
    # protocol descriptions and their code generator
    libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev
    # a headless Wayland compositor and the idle daemon the saver is tested
    # under, screenshots and keys there, and what runs it as an ordinary user
    sway swayidle grim wtype util-linux passwd
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
    # the model of the animation that the traces are compared with
    python3-numpy
    # the manual page read as man reads it, with every warning on
    groff-base
    # the source layout the test command checks
    clang-format
)
# Further groups, enabled by the test command when it needs them.
if [[ "${NUVEX_WITH_WINE:-0}" == 1 ]]; then
    # (procps: the test that runs Wine as a test user waits for its processes)
    packages+=(wine wine64 locales procps)
fi
# The browser page (tools/build-web.sh, tools/web-trace.sh): emscripten, whose
# emcc needs its JavaScript parser (node-acorn) and Node.
if [[ "${NUVEX_WITH_WEB:-0}" == 1 || "${NUVEX_WITH_WEB_TESTS:-0}" == 1 ]]; then
    packages+=(emscripten node-acorn)
    command -v node >/dev/null || packages+=(nodejs)
fi
# The page's tests (tools/check-web.sh): Chromium to run it headless, a colour
# emoji face for the text cloud of an emoji line, and npm for the test's Node
# modules, which come from the lock file in tests/web (installed below).
if [[ "${NUVEX_WITH_WEB_TESTS:-0}" == 1 ]]; then
    packages+=(chromium fonts-noto-color-emoji)
    command -v npm >/dev/null || packages+=(npm)
fi
# clang with libFuzzer, for tools/fuzz.sh.
if [[ "${NUVEX_WITH_FUZZ:-0}" == 1 ]]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} > 0)); then
    sudo=""
    if [[ $(id -u) -ne 0 ]]; then
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The page tests' Node modules, exactly as the lock file pins them; never a
# browser of their own (puppeteer-core downloads none).
if [[ "${NUVEX_WITH_WEB_TESTS:-0}" == 1 ]]; then
    web_tests="$(dirname "$0")/../tests/web"
    stamp="$web_tests/node_modules/.installed-lock.json"
    if ! cmp -s "$web_tests/package-lock.json" "$stamp" 2>/dev/null; then
        echo "Installing the Node modules of tests/web" >&2
        npm ci --prefix "$web_tests" --no-audit --no-fund --ignore-scripts >&2
        cp "$web_tests/package-lock.json" "$stamp"
    fi
fi
