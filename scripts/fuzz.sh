#!/usr/bin/env bash
# Fuzzes the table reader for SECONDS, then each text reader (vCard, CSV,
# iCalendar, language files, the settings file) for a share of it: builds the
# libFuzzer targets with clang in build-fuzz/ (configured once, built
# incrementally) and runs each on a fresh copy of its seeds. Exits non-zero when the fuzzer finds a crash, a
# hang or a leak; the input that caused it is kept in build-fuzz/artifacts/.
set -euo pipefail
seconds="${1:?usage: scripts/fuzz.sh SECONDS}"
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"

# A fresh machine gets its packages (clang, the libFuzzer runtime) first.
TORVELLE_SETUP=fuzz TORVELLE_SETUP_PACKAGES_ONLY=1 "$root/scripts/setup.sh"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTORVELLE_FUZZ=ON \
    -DBUILD_TESTING=OFF -DTORVELLE_BENCH=OFF
fi
texts=(vcard csv ical language settings)
cmake --build "$build" -j"$(nproc)" --target reader_fuzz "${texts[@]/%/_fuzz}"

# The fuzzer adds what it finds to the work copy; the seeds stay as committed.
work="$root/fuzz/corpus-work"
rm -rf "$work"
mkdir -p "$work" "$build/artifacts"
cp "$root"/fuzz/corpus/* "$work"/
chmod u+w "$work"/*

run() {
  "$build/fuzz/$1" -max_total_time="$2" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/$1-" -print_final_stats=1 "$3"
}
run reader_fuzz "$seconds" "$work"

# The text readers start from the test files written as real programs write
# them, and from the shipped language files.
share=$(( seconds / 2 > 10 ? seconds / 2 : 10 ))
fixtures="$root/tests/exchange/fixtures"
for name in "${texts[@]}"; do
  seeds="$root/fuzz/corpus-work-$name"
  rm -rf "$seeds"
  mkdir -p "$seeds"
  case "$name" in
    vcard) cp "$fixtures"/*.vcf "$seeds"/ ;;
    csv) cp "$fixtures"/*.csv "$seeds"/ ;;
    ical) cp "$fixtures"/*.ics "$seeds"/ ;;
    language) cp "$root"/resources/Languages/*.txt "$seeds"/ ;;
    settings) printf '[Options]\nWidth=800\n[Main form]\nCaption="Torvelle"\n' >"$seeds/seed.ini" ;;
  esac
  chmod u+w "$seeds"/*
  run "${name}_fuzz" "$share" "$seeds"
done
