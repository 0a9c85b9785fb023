#!/usr/bin/env bash
# Installs what is missing, builds, and starts the organizer from the build
# folder, beside the tables that ship with it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVELLE_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
if [ ! -x "$build/torvelle" ]; then
  echo "The organizer itself is not built yet; the tables and torvelle-db are in $build." >&2
  exit 1
fi
exec "$build/torvelle" "$@"
