#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test:
# unit tests natively and under the sanitizers (with short fuzz runs),
# the Windows programs under 64-bit Wine, and the 32-bit release build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

tools/bootstrap.sh

step() { printf '\n=== %s\n' "$*"; }

for preset in native native-asan win32 win64; do
  step "build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
done

for preset in native native-asan win64; do
  step "test $preset"
  ctest --preset "$preset"
done
step "all builds and tests passed"
