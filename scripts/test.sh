#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the Release suite,
# the same suite of the core under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short fuzzing run of the scanner.
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
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp tests/fuzz/corpus/* "$corpus"/
build-asan/tests/fuzz/scan_fuzz -max_total_time="${QUELMRDR_FUZZ_SECONDS:-60}" -max_len=4096 \
  -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
echo "fuzz: 1 passed, 0 failed"
