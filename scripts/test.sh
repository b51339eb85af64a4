#!/usr/bin/env bash
# Installs what is missing, checks the format, builds with warnings as
# errors, and runs every test: the Release suite, clang-tidy over src/, the
# same suites (the window's on the offscreen platform) under AddressSanitizer
# and UndefinedBehaviorSanitizer, and a short fuzzing run of the scanner and
# of the segment-output parsers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

echo "== Format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "format: clean"

echo "== Release build and tests"
bash scripts/build.sh -DQUELMRDR_WERROR=ON
ctest --test-dir build --output-on-failure -j2

echo "== clang-tidy"
bash scripts/tidy.sh

echo "== Sanitizer build and tests, and fuzzing"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUELMRDR_SANITIZE=ON -DQUELMRDR_FUZZ=ON -DQUELMRDR_WERROR=ON >/dev/null
ninja -C build-asan
# Leaks inside the desktop libraries that Qt loads are theirs, not ours.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build-asan --output-on-failure -j2
# Each target fuzzes for QUELMRDR_FUZZ_SECONDS (45 by default: the phase
# stays within two minutes in CI); the scan starts from the checked-in corpus.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
mkdir "$corpus/scan" "$corpus/output" "$corpus/listing"
cp tests/fuzz/corpus/* "$corpus/scan"/
cp tests/fuzz/corpus/* "$corpus/listing"/
fuzzed=0
for target in scan output listing; do
  build-asan/tests/fuzz/${target}_fuzz -max_total_time="${QUELMRDR_FUZZ_SECONDS:-45}" -max_len=4096 \
    -print_final_stats=1 "$corpus/$target" 2>&1 | tail -n 6
  fuzzed=$((fuzzed + 1))
done
echo "fuzz: $fuzzed passed, 0 failed"
