#!/usr/bin/env bash
# Builds the packages users install, into an output folder (default: out/):
#   nuvex_<version>_amd64.deb       Debian/Ubuntu: apt install ./nuvex_<version>_amd64.deb
#                                   (installs under /usr; checked with lintian)
#   nuvex-<version>-windows.zip     Nuvex-x64.scr, Nuvex-x86.scr and an install note
#   nuvex.html                      the browser page: one file, the message in its link
# Installs what is missing first (build packages, MinGW-w64, lintian, emscripten).
#   tools/package.sh [--deb | --windows | --web] [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

make_deb=1
make_zip=1
make_web=1
case "${1:-}" in
    --deb) make_zip=0; make_web=0; shift ;;
    --windows) make_deb=0; make_web=0; shift ;;
    --web) make_deb=0; make_zip=0; shift ;;
    -*) echo "usage: $0 [--deb | --windows | --web] [output folder]" >&2; exit 2 ;;
esac
out=$(mkdir -p "${1:-out}" && cd "${1:-out}" && pwd)
version=$(sed -n 's/^project(Nuvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n "$version" ]] || { echo "no version in CMakeLists.txt" >&2; exit 1; }

bash tools/setup-deps.sh
missing=()
for p in lintian dpkg-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} > 0)); then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

if ((make_deb)); then
    # A build of the program alone: no tests, tools or benchmarks to wait for.
    build=build/package
    echo "==> Debian package: build in $build" >&2
    cmake --preset release -B "$build" -DNUVEX_BUILD_TESTS=OFF -DNUVEX_BUILD_BENCH=OFF \
        -DNUVEX_BUILD_TOOLS=OFF "${launcher[@]}" >/dev/null
    cmake --build "$build" -j 2
    rm -rf "$build/cpack"
    (cd "$build" && cpack -G DEB -B cpack >/dev/null)
    deb="$out/nuvex_${version}_amd64.deb"
    mv "$build/cpack/nuvex_${version}_amd64.deb" "$deb"
    echo "==> lintian" >&2
    lintian --fail-on error --tag-display-limit 0 "$deb" >&2
fi

if ((make_zip)); then
    echo "==> Windows modules" >&2
    stage=$(mktemp -d)
    trap 'rm -rf "$stage"' EXIT
    folder="$stage/nuvex-$version-windows"
    bash tools/build-windows.sh "$folder"
    sed "s/@VERSION@/$version/" tools/windows-install-note.txt | sed 's/$/\r/' >"$folder/INSTALL.txt"
    zip="$out/nuvex-$version-windows.zip"
    rm -f "$zip"
    (cd "$stage" && cmake -E tar cf "$zip" --format=zip "nuvex-$version-windows")
fi

if ((make_web)); then
    echo "==> Browser page" >&2
    bash tools/build-web.sh "$out" >/dev/null
fi

echo "Packages in $out:"
((make_deb)) && echo "  $out/nuvex_${version}_amd64.deb"
((make_zip)) && echo "  $out/nuvex-$version-windows.zip"
((make_web)) && echo "  $out/nuvex.html"
exit 0
