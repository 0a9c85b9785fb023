#!/usr/bin/env bash
# Makes docs/screenshot.png, the main window as the README and the AppStream
# metadata show it: the organizer from build/ on a private display (Xvfb),
# started on a fresh data folder that holds a few tasks for today.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVELLE_BUILD_DIR:-$root/build}"
out="${1:-$root/docs/screenshot.png}"
display="${TORVELLE_SCREENSHOT_DISPLAY:-:57}"

TORVELLE_SETUP=screenshot "$root/scripts/setup.sh"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

"$build/torvelle-db" create "$work/data" >/dev/null
today=$(date +%F)
cat > "$work/tasks.csv" <<CSV
Date,Time,Task,Done,Description
$today,08:30:00,Call the plumber about the kitchen tap,true,
$today,10:00:00,Team meeting: quarterly plan,false,Bring the printed figures
$today,13:15:00,Lunch with Anna,false,
$today,17:45:00,Pick up the dry cleaning,false,Ticket 4471
$today,19:30:00,Pay the electricity bill,false,
CSV
"$build/torvelle-db" import "$work/data/DB/Tasks/Tasks.db" "$work/tasks.csv" >/dev/null

Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# Private runtime and configuration folders: no running copy is disturbed.
mkdir -m 700 "$work/run"
XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
  "$build/torvelle" --data "$work/data" >/dev/null 2>&1 &
pids+=($!)
# The main window is the largest visible window of the program (Qt keeps
# small helper windows too); without a window manager it has no frame.
geometry=""
for _ in $(seq 100); do
  geometry=$({ xdotool search --onlyvisible --class torvelle 2>/dev/null || true; } | while read -r id; do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$((WIDTH * HEIGHT)) ${WIDTH}x${HEIGHT}+${X}+${Y}"
  done | sort -n | tail -1 | cut -d' ' -f2)
  case "$geometry" in [0-9][0-9][0-9]*x[0-9][0-9][0-9]*) break ;; esac
  sleep 0.2
done
[ -n "$geometry" ] || { echo "screenshot.sh: the main window did not appear" >&2; exit 1; }
sleep 1
mkdir -p "$(dirname "$out")"
import -window root -crop "$geometry" +repage "$out"
echo "$out"
