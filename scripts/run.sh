#!/usr/bin/env bash
# Installs what the program needs, builds it, and starts it from the build
# folder, beside the tables that the build puts into build/DB/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVELLE_BUILD_DIR:-$root/build}"
TORVELLE_SETUP=program "$root/scripts/setup.sh"
exec "$build/torvelle" "$@"
