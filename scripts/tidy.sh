#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy at the root) over the C++ files changed since
# BASE (default: where this branch left main; on main itself, or where
# there is no main, the last commit), using build/'s compile commands. A
# changed header is checked through the source file of its name. With --all,
# every source file the build compiles is checked.
# Exits non-zero on any finding.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVELLE_BUILD_DIR:-$root/build}"
cd "$root"
run_tidy() {
  printf '%s\n' "$@" |
    xargs -P"$(nproc)" -n1 clang-tidy -p "$build" --quiet 2> >(grep -v "warnings generated" >&2)
}
base="${1:-}"
if [ "$base" = --all ]; then
  files=()
  while IFS= read -r f; do
    grep -q "\"file\": \"$root/$f\"" "$build/compile_commands.json" && files+=("$f")
  done < <(git ls-files '*.cpp')
  echo "tidy: all ${#files[@]} compiled files"
  run_tidy "${files[@]}"
  exit 0
fi
if [ -z "$base" ]; then
  base=$(git merge-base HEAD main 2>/dev/null || true)
  if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then base=HEAD~1; fi
fi

files=()
while IFS= read -r f; do
  [[ "$f" == *.cpp ]] || continue
  [ -f "$f" ] || continue
  # Only what this build compiles (a bench or fuzz file may be switched off).
  grep -q "\"file\": \"$root/$f\"" "$build/compile_commands.json" || continue
  files+=("$f")
done < <({ git diff --name-only --diff-filter=d "$base"; git ls-files --others --exclude-standard; } |
  sed 's/\.h$/.cpp/' | sort -u)

if [ ${#files[@]} -eq 0 ]; then
  echo "tidy: no changed C++ files since $base"
  exit 0
fi
echo "tidy: ${#files[@]} files changed since $base"
run_tidy "${files[@]}"
