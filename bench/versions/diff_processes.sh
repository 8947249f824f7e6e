#!/bin/sh
# Whole process against whole process: `vyncms diff -e` and GNU `diff -n` on
# the two 200,000-line files with 1% of the lines changed, run in turn in
# one run, RUNS times each (default 9). Prints each program's wall times and
# peak resident memory (from /usr/bin/time), their medians and the ratios to
# GNU's, and checks that the scripts are byte-identical to GNU's.
#
#   bench/versions/diff_processes.sh [RUNS] [VYNCMS...]
#
# VYNCMS defaults to build/native/bin/vyncms; give two (say, a copy of the
# program before a change and after it) to measure them side by side. The
# files are made by build/native/bin/bench_versions --files.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-9}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || set -- "$root/build/native/bin/vyncms"
dir=${TMPDIR:-/tmp}/vyn_diff_processes.$$
trap 'rm -rf "$dir"' EXIT
"$root/build/native/bin/bench_versions" --files "$dir"
a=$dir/first.txt
b=$dir/second.txt

# One timed run, appended to file $1 as "seconds kilobytes".
timed() {
    out=$1
    shift
    /usr/bin/time -f '%e %M' -o "$dir/time" "$@" >"$dir/script" 2>/dev/null || true
    tail -n 1 "$dir/time" >>"$out"
}

diff -n "$a" "$b" >"$dir/gnu.script" || true
n=0
for program in "$@"; do
    n=$((n + 1))
    "$program" diff -e "$a" "$b" >"$dir/ours.script" || true
    if cmp -s "$dir/ours.script" "$dir/gnu.script"; then
        echo "vyncms $n ($program): script byte-identical to GNU's ($(wc -c <"$dir/gnu.script") bytes)"
    else
        echo "vyncms $n ($program): SCRIPT DIFFERS from GNU's"
    fi
    : >"$dir/t$n"
done
: >"$dir/tgnu"

i=0
while [ $i -lt "$runs" ]; do
    n=0
    for program in "$@"; do
        n=$((n + 1))
        timed "$dir/t$n" "$program" diff -e "$a" "$b"
    done
    timed "$dir/tgnu" diff -n "$a" "$b"
    i=$((i + 1))
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
gt=$(cut -d' ' -f1 "$dir/tgnu" | median)
gm=$(cut -d' ' -f2 "$dir/tgnu" | median)
echo "GNU diff -n: median $gt s, $gm KB   (runs: $(tr '\n' ',' <"$dir/tgnu"))"
n=0
for program in "$@"; do
    n=$((n + 1))
    t=$(cut -d' ' -f1 "$dir/t$n" | median)
    m=$(cut -d' ' -f2 "$dir/t$n" | median)
    awk -v n="$n" -v t="$t" -v m="$m" -v gt="$gt" -v gm="$gm" -v runs="$(tr '\n' ',' <"$dir/t$n")" \
        'BEGIN { printf "vyncms %d: median %s s, %s KB = %.2fx GNU time, %.2fx GNU memory   (runs: %s)\n", n, t, m, t / gt, m / gm, runs }'
done
