#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the Release suite,
# the same suite of the core under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short fuzzing run of the scanner and of
# the segment-output parsers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

echo "== Release build and tests"
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j2

echo "== Sanitizer build and tests of the core, and fuzzing"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUELMRDR_GUI=OFF -DQUELMRDR_SANITIZE=ON -DQUELMRDR_FUZZ=ON >/dev/null
ninja -C build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j2
# Each target fuzzes for QUELMRDR_FUZZ_SECONDS (45 by default: the phase
# stays within two minutes in CI); the scan starts from the checked-in corpus.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
mkdir "$corpus/scan" "$corpus/output"
cp tests/fuzz/corpus/* "$corpus/scan"/
fuzzed=0
for target in scan output; do
  build-asan/tests/fuzz/${target}_fuzz -max_total_time="${QUELMRDR_FUZZ_SECONDS:-45}" -max_len=4096 \
    -print_final_stats=1 "$corpus/$target" 2>&1 | tail -n 6
  fuzzed=$((fuzzed + 1))
done
echo "fuzz: $fuzzed passed, 0 failed"
