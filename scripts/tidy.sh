#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over every source file under src/, with the
# compile commands of the Release build in build/. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || bash scripts/build.sh
files=$(git ls-files 'src/*.cpp')
run-clang-tidy -quiet -p build -j "$(nproc)" $files >build/tidy.log 2>&1 || {
  grep -E '(warning|error):' build/tidy.log | sort -u
  echo "clang-tidy: findings above"
  exit 1
}
echo "clang-tidy: clean"
