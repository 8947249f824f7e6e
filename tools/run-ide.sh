#!/usr/bin/env bash
# Installs what is missing, builds the 64-bit Windows programs and opens the
# IDE under 64-bit Wine on the sample program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

tools/bootstrap.sh
# The kit that F9 builds with (its cross build copies lib/ from the native
# one), and the emulated i386 machine that runs what it builds.
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target kit vyni386
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target tavra kit

# A 32-bit program cannot start on this machine: the IDE's runner setting
# (HKCU\Software\vyn\Tavra, value Runner) puts vyni386 in front of it. The
# kit becomes the compiler root unless one is set up already.
bash testing/wine/wine_run.sh --build build/win64 --prepare
wine_reg() {
  WINEPREFIX="$top/build/win64/wineprefix" WINEDEBUG=-all /usr/lib/wine/wine64 reg "$@" >/dev/null 2>&1
}
wine_reg add 'HKCU\Software\vyn\Tavra' /v Runner /t REG_SZ /d "$top/build/native/bin/vyni386" /f
kit_windows="Z:${top//\//\\}/build/win64/kit"
kit_windows=${kit_windows//\//\\}
if ! wine_reg query 'HKCU\Software\vyn\Compiler' /v includepath; then
  wine_reg add 'HKCU\Software\vyn\Compiler' /v includepath /t REG_SZ /d "${kit_windows}\\include" /f
  wine_reg add 'HKCU\Software\vyn\vynlnk' /v libpath /t REG_SZ /d "${kit_windows}\\lib" /f
fi
# The sample project over samples/hello, made once: Compiler > Make (F9)
# generates its makefile and builds it with the kit.
if ! wine_reg query 'HKCU\Software\vyn\Tavra\hello' /v Name; then
  sample="Z:${top//\//\\}\\samples\\hello"
  for pair in "Name=hello" "ProjectPath=$sample" "SourcesDir=$sample" "PrjFiles=1" "File1=hello.c" \
              "CompilerFlags=136"; do
    wine_reg add 'HKCU\Software\vyn\Tavra\hello' /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f
  done
  wine_reg add 'HKCU\Software\vyn\Tavra' /v CurrentProject /t REG_SZ /d hello /f
fi

if [[ -z "${DISPLAY:-}" ]]; then
  echo "run-ide: no DISPLAY is set, so the IDE opens on a screen of its own (Xvfb) that you cannot see;"
  echo "run-ide: set DISPLAY to your X display to watch it. Close it with Ctrl+C."
fi
exec bash testing/wine/wine_run.sh --build build/win64 --timeout 0 \
  build/win64/bin/tavra.exe "$top/samples/hello/hello.c"
