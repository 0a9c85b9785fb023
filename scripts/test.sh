#!/usr/bin/env bash
# Installs what is missing (the program's packages and the test tools),
# builds everything, and runs every test headless. Tests that need the
# genuine sample tables skip when TORVELLE_SAMPLES_DIR names no folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVELLE_BUILD_DIR:-$root/build}"
TORVELLE_SETUP=test "$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
