#!/usr/bin/env bash
# Fuzzes the table reader for SECONDS: builds the libFuzzer target with clang
# in build-fuzz/ (configured once, built incrementally) and runs it on a fresh
# copy of the seed corpus. Exits non-zero when the fuzzer finds a crash, a
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
cmake --build "$build" -j"$(nproc)" --target reader_fuzz

# The fuzzer adds what it finds to the work copy; the seeds stay as committed.
work="$root/fuzz/corpus-work"
rm -rf "$work"
mkdir -p "$work" "$build/artifacts"
cp "$root"/fuzz/corpus/* "$work"/
chmod u+w "$work"/*

"$build/fuzz/reader_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$work"
