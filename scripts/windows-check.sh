#!/usr/bin/env bash
# Proves that the Qt-free core (support, engine) builds for Windows and that
# its unit tests pass there: installs the MinGW-w64 cross compiler and Wine
# when missing, cross-builds GoogleTest from Debian's source package and the
# core into build-windows/, and runs the test programs under Wine in a
# throwaway prefix. TORVELLE_SAMPLES_DIR, when set, names the folder of the
# genuine sample tables (read through Wine's Z: drive); TORVELLE_CMAKE_ARGS
# adds cache settings (CI: -DTORVELLE_WERROR=ON). TORVELLE_JOBS limits the
# parallel compile jobs (default: all processors).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVELLE_WINDOWS_BUILD_DIR:-$root/build-windows}"
jobs="${TORVELLE_JOBS:-$(nproc)}"

# The cross compiler, Wine to run what it makes, and GoogleTest's sources.
TORVELLE_SETUP=windows TORVELLE_SETUP_PACKAGES_ONLY=1 "$root/scripts/setup.sh"

toolchain="$root/cmake/mingw-w64.cmake"
gtest_prefix="$build/googletest"
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DBUILD_GMOCK=OFF \
    -DINSTALL_GTEST=ON
  cmake --build "$build/googletest-build" -j"$jobs"
  cmake --install "$build/googletest-build"
fi

# A Windows path for the samples: Wine shows the whole Linux tree as Z:.
args=()
if [ -n "${TORVELLE_SAMPLES_DIR:-}" ]; then
  samples=$(cd "$TORVELLE_SAMPLES_DIR" && pwd)
  args+=("-DTORVELLE_SAMPLES_DIR=Z:$samples")
fi
read -r -a extra <<<"${TORVELLE_CMAKE_ARGS:-}"
args+=("${extra[@]}")
cmake -S "$root" -B "$build/core" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVELLE_CORE_ONLY=ON -DBUILD_TESTING=ON \
  -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" -DCMAKE_CROSSCOMPILING_EMULATOR=wine "${args[@]}"
cmake --build "$build/core" -j"$jobs"

# A fresh Wine prefix each run: nothing of an earlier run's state counts.
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
# One server for the whole run: a server that quits between two test
# programs races the next one's start ("recvmsg: Connection reset by peer").
wineserver -p 2>/dev/null || true
wineboot --init >/dev/null 2>&1 || true
status=0
ctest --test-dir "$build/core" --output-on-failure || status=$?
wineserver -k 2>/dev/null || true
exit $status
