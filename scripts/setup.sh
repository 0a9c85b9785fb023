#!/usr/bin/env bash
# Shared by the run and test commands: install what a fresh Debian machine
# lacks, then configure and build into build/.
#   TORVELLE_SETUP=program (default)  the compiler, CMake and Qt; builds the
#                                      organizer and torvelle-db only
#   TORVELLE_SETUP=test               adds the test and benchmark tools and
#                                      builds everything
#   TORVELLE_SETUP=fuzz               adds clang and its fuzzer runtime
#   TORVELLE_SETUP=tidy               adds clang-tidy and clang-format
#   TORVELLE_SETUP=screenshot         adds a private display and the tools
#                                      to photograph a window
#   TORVELLE_SETUP=windows            only the MinGW-w64 cross compiler, Wine
#                                      and GoogleTest's sources (packages only)
# TORVELLE_SETUP_PACKAGES_ONLY=1 stops after the packages. TORVELLE_SAMPLES_DIR,
# when set, names the folder of the genuine sample tables for the tests;
# TORVELLE_CMAKE_ARGS adds cache settings (CI: -DTORVELLE_WERROR=ON).
# A compiler launcher such as ccache is taken from CMAKE_CXX_COMPILER_LAUNCHER
# in the environment by CMake itself on the first configure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVELLE_BUILD_DIR:-$root/build}"
mode="${TORVELLE_SETUP:-program}"
install_flags=()

# libical: calendars in and out. Qt's own texts (message box buttons, edit
# menus) in the interface languages. libarchive and libsodium: the backups and
# their encryption. Radicale and the caldav client: the sync tests' server
# and a second client writing to it.
packages=(cmake make g++ pkg-config qt6-base-dev libgl-dev libical-dev qt6-translations-l10n
  libarchive-dev libsodium-dev)
case "$mode" in
  program) ;;
  test) packages+=(libgtest-dev libgmock-dev libbenchmark-dev pxlib-dev libsqlite3-dev
          python3-vobject python3-icalendar python3-recurring-ical-events desktop-file-utils
          appstream dbus python3-radicale python3-caldav poppler-utils) ;;
  fuzz) packages+=(clang libclang-rt-14-dev) ;;
  screenshot) packages+=(xvfb x11-utils xdotool imagemagick dbus dunst) ;;
  tidy) packages+=(clang-tidy clang-format) ;;
  # Wine's recommended packages (fonts, sound, graphics drivers) are not
  # needed to run console programs.
  windows) packages=(cmake make g++-mingw-w64-x86-64-posix wine wine64 googletest)
           install_flags=(--no-install-recommends) ;;
  *) echo "setup.sh: unknown TORVELLE_SETUP '$mode'" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${install_flags[@]}" "${missing[@]}"
fi
[ "${TORVELLE_SETUP_PACKAGES_ONLY:-0}" = 1 ] && exit 0

args=()
[ -n "${TORVELLE_SAMPLES_DIR:-}" ] && args+=("-DTORVELLE_SAMPLES_DIR=$TORVELLE_SAMPLES_DIR")
read -r -a extra <<<"${TORVELLE_CMAKE_ARGS:-}"
args+=("${extra[@]}")
if [ ! -f "$build/CMakeCache.txt" ]; then
  # A program-only build looks for none of the test tools.
  if [ "$mode" = test ]; then testing=ON; else testing=OFF; fi
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=$testing \
    -DTORVELLE_BENCH=$testing "${args[@]}"
elif [ "$mode" = test ]; then
  # A folder configured by run.sh first gains the tests here.
  cmake -S "$root" -B "$build" -DBUILD_TESTING=ON -DTORVELLE_BENCH=ON "${args[@]}"
elif [ ${#args[@]} -gt 0 ]; then
  cmake -S "$root" -B "$build" "${args[@]}"
fi

if [ "$mode" = test ]; then
  cmake --build "$build" -j"$(nproc)"
else
  cmake --build "$build" -j"$(nproc)" --target torvelle torvelle-db
fi
