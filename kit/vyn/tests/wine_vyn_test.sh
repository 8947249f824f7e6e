#!/usr/bin/env bash
# vyn.exe of the win64 build under Wine reaches the Linux host's clang: a
# good source becomes an object with CodeView 4 debug sections, a bad one
# gives the IDE's diagnostic line with the Windows path and exit code 1, and
# -M lists an included header by its Windows path; a shell that dies before
# leaving the compiler's status is reported, not waited for.
#
#   wine_vyn_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
run="bash $source_dir/testing/wine/wine_run.sh --build $build --timeout 120"
work="$build/test-tmp-wine/vyn"
rm -rf "$work" && mkdir -p "$work"
win() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

printf '#include <stdio.h>\n#include "local.h"\nint main(void)\n{\n    printf("%%d\\n", LOCAL);\n    return 0;\n}\n' >"$work/ok.c"
printf '#define LOCAL 7\n' >"$work/local.h"
printf 'int f(void)\n{\n    return missing;\n}\n' >"$work/bad.c"
export VYN_INCLUDE=$(win /usr/share/mingw-w64/include)

$run "$build/bin/vyn.exe" -c -g2 -o "$(win "$work/ok.obj")" "$(win "$work/ok.c")" 2>"$work/ok.err" ||
  fail "vyn -c -g2 ok.c: $(cat "$work/ok.err")"
[[ -f $work/ok.obj ]] || fail "no ok.obj"
sections=$(llvm-readobj --sections "$work/ok.obj") || fail "llvm-readobj rejects ok.obj"
grep -q 'Name: .debug$S' <<<"$sections" || fail "no .debug\$S"
grep -q 'Name: .debug_frame' <<<"$sections" && fail ".debug_frame left in"
signature=$(llvm-objdump -s -j '.debug$S' "$work/ok.obj" | awk '/^ 0000/ {print $2; exit}')
[[ $signature == 01000000 ]] || fail "debug symbols signature $signature"

$run "$build/bin/vyn.exe" -c "$(win "$work/bad.c")" 2>"$work/bad.err"
status=$?
[[ $status == 1 ]] || fail "bad.c: exit code $status"
expected="Error $(win "$work/bad.c"): 3: use of undeclared identifier 'missing'"
grep -qF "$expected" "$work/bad.err" || fail "bad.c: wanted '$expected' in: $(cat "$work/bad.err")"

$run "$build/bin/vyn.exe" -M "-Fo$(win "$work/deps.txt")" "$(win "$work/ok.c")" 2>"$work/deps.err" ||
  fail "vyn -M: $(cat "$work/deps.err")"
grep -qxF "$(win "$work/local.h")" <(tr -d '\r' <"$work/deps.txt") || fail "local.h not listed: $(cat "$work/deps.txt")"
# A compiler whose shell is killed before it can leave the exit status: vyn
# notices that the shell is gone and says so, instead of waiting for ever.
printf '#!/bin/sh\nkill -9 $PPID\n' >"$work/killer.sh"
chmod +x "$work/killer.sh"
VYN_CLANG="$work/killer.sh" $run "$build/bin/vyn.exe" -c -o "$(win "$work/killed.obj")" "$(win "$work/ok.c")" \
  2>"$work/killed.err"
status=$?
[[ $status == 1 ]] || fail "killed shell: exit code $status: $(cat "$work/killed.err")"
expected="vyn: cannot run the compiler $work/killer.sh: the shell (/bin/sh) running $work/killer.sh ended without leaving its exit status"
grep -qxF "$expected" <(tr -d '\r' <"$work/killed.err") || fail "killed shell: wanted '$expected' in: $(cat "$work/killed.err")"
[[ -e $work/killed.obj ]] && fail "killed shell: an object was left"

echo "vyn under Wine: compile, diagnostics, dependency scan and a killed shell as expected"
