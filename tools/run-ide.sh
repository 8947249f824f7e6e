#!/usr/bin/env bash
# Installs what is missing, builds the 64-bit Windows programs and opens the
# IDE under 64-bit Wine on the sample program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

tools/bootstrap.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target tavra

if [[ -z "${DISPLAY:-}" ]]; then
  echo "run-ide: no DISPLAY is set, so the IDE opens on a screen of its own (Xvfb) that you cannot see;"
  echo "run-ide: set DISPLAY to your X display to watch it. Close it with Ctrl+C."
fi
echo "run-ide: until a compiler root is set up (a folder holding include\\windows.h), the IDE asks for it"
echo "run-ide: at each start; Cancel opens the IDE without one."
exec bash testing/wine/wine_run.sh --build build/win64 --timeout 0 \
  build/win64/bin/tavra.exe "$top/samples/hello/hello.c"
