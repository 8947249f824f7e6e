#!/bin/sh
# Whole process against whole process: `vyncms diff -e` and GNU `diff -n` on
# the two 200,000-line files with 1% of the lines changed, run alternately
# in one run, RUNS times each (default 7). Prints every run's wall time and
# peak resident memory (from /usr/bin/time) and the medians, and checks that
# both scripts are byte-identical.
#
#   bench/versions/diff_processes.sh [VYNCMS] [RUNS]
#
# VYNCMS defaults to build/native/bin/vyncms; the files are made by
# build/native/bin/bench_versions --files.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
vyncms=${1:-$root/build/native/bin/vyncms}
runs=${2:-7}
bench=$root/build/native/bin/bench_versions
dir=${TMPDIR:-/tmp}/vyn_diff_processes.$$
trap 'rm -rf "$dir"' EXIT
"$bench" --files "$dir"
a=$dir/first.txt
b=$dir/second.txt

# One timed run: prints "seconds kilobytes".
timed() {
    /usr/bin/time -f '%e %M' -o "$dir/time" "$@" >"$dir/out" 2>/dev/null || true
    cat "$dir/time"
}

"$vyncms" diff -e "$a" "$b" >"$dir/ours" || true
diff -n "$a" "$b" >"$dir/gnu" || true
if cmp -s "$dir/ours" "$dir/gnu"; then
    echo "scripts byte-identical ($(wc -c <"$dir/gnu") bytes)"
else
    echo "SCRIPTS DIFFER: vyncms $(wc -c <"$dir/ours") bytes, GNU $(wc -c <"$dir/gnu") bytes"
fi

: >"$dir/ours.t"
: >"$dir/gnu.t"
i=0
while [ $i -lt "$runs" ]; do
    timed "$vyncms" diff -e "$a" "$b" >>"$dir/ours.t"
    timed diff -n "$a" "$b" >>"$dir/gnu.t"
    i=$((i + 1))
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for who in ours gnu; do
    t=$(cut -d' ' -f1 "$dir/$who.t" | median)
    m=$(cut -d' ' -f2 "$dir/$who.t" | median)
    echo "$who: runs (s KB): $(tr '\n' ',' <"$dir/$who.t") median $t s, $m KB"
    eval "${who}_t=$t ${who}_m=$m"
done
awk -v ot="$ours_t" -v gt="$gnu_t" -v om="$ours_m" -v gm="$gnu_m" \
    'BEGIN { printf "vyncms / GNU: time %.2fx, peak memory %.2fx\n", ot / gt, om / gm }'
