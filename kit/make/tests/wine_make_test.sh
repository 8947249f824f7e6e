#!/usr/bin/env bash
# make.exe under 64-bit Wine: commands that need the command interpreter
# (built-ins, redirection) and commands started directly, timestamps on a
# second run, and a failing command's status and message.
#   wine_make_test.sh WINE_RUN BUILD_DIR MAKE_EXE
set -u
run=$1 build=$2 make=$3
dir=$build/test-tmp-wine/make
rm -rf "$dir" && mkdir -p "$dir"
win_dir="Z:$(printf '%s' "$dir" | tr / '\\')"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

printf 'all: out.txt copy.txt\nout.txt: in.txt\n\techo made> out.txt\ncopy.txt: out.txt\n\tcopy out.txt copy.txt\n' \
  > "$dir/Makefile"
printf 'broken:\n\t@cmd /c exit 3\n\t@echo never\n' > "$dir/broken.mk"
echo input > "$dir/in.txt"

make_in() { bash "$run" --build "$build" --timeout 120 -- "$make" -C "$win_dir" "$@" 2>"$dir/.err" >"$dir/.out"; }

make_in; status=$?
[[ $status == 0 ]] || fail "first run exited with $status: $(cat "$dir/.err")"
[[ "$(tr -d '\r' <"$dir/out.txt" 2>/dev/null)" == "made" ]] || fail "out.txt not made by cmd's echo"
cmp -s "$dir/out.txt" "$dir/copy.txt" || fail "copy.txt not made by cmd's copy"

make_in; status=$?
[[ $status == 0 ]] || fail "second run exited with $status"
grep -q "Nothing to be done for 'all'" "$dir/.out" || fail "second run did work: $(cat "$dir/.out")"

make_in -f broken.mk; status=$?
[[ $status == 2 ]] || fail "failing command: make exited with $status"
grep -q 'make: \*\*\* \[broken\] Error 3' "$dir/.err" || fail "failing command: stderr was $(cat "$dir/.err")"
grep -q never "$dir/.out" && fail "a command after the failure ran"

[[ $failures == 0 ]] && echo "make under Wine: all checks passed"
exit $((failures != 0))
