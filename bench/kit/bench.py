#!/usr/bin/env python3
"""Compiler driver benchmark: generates a large C source (50,000 lines by
default: structures, unions, enums, loops, locals, calls), then compiles it
with `vyn -c -g2` and with clang itself given exactly the command line vyn
gives it (taken from `vyn -v`), several times each, and prints the median
wall times, their ratio and the conversion's own time (vyn -v reports it).

    bench/kit/bench.py --vyn build/native/bin/vyn [--lines 50000] [--runs 5] [--work DIR]
"""
import argparse
import os
import re
import shlex
import statistics
import subprocess
import sys
import tempfile
import time

HEADER = """enum state { IDLE, RUNNING = 3, DONE };
struct point { int x; int y; };
struct box { struct point a; struct point b; enum state s; };
union cell { int i; float f; unsigned char raw[4]; };
"""

FUNCTION = """
int work_{n}(struct box *b, int count)
{{
    int total = 0;
    int i;
    union cell c;
    struct point p[4];
    for (i = 0; i < count; i++) {{
        p[i & 3].x = b->a.x + i;
        p[i & 3].y = b->b.y - i;
        total += p[i & 3].x * {n} + p[(i + 1) & 3].y;
        if (total > 100000)
            total -= 99991;
    }}
    c.i = total;
    b->s = c.raw[0] ? RUNNING : DONE;
    return total + (b->s == DONE);
}}
"""


def generate(path, lines):
    count = max(1, (lines - 12) // FUNCTION.count("\n"))
    with open(path, "w") as f:
        f.write(HEADER)
        for n in range(count):
            f.write(FUNCTION.format(n=n))
        f.write("\nint main(void)\n{\n    struct box b = {{1, 2}, {3, 4}, IDLE};\n    int sum = 0;\n")
        f.write("    sum += work_0(&b, 3);\n" if count else "")
        f.write("    return sum;\n}\n")
    with open(path) as f:
        return sum(1 for _ in f)


def timed(args, cwd):
    start = time.perf_counter()
    r = subprocess.run(args, cwd=cwd, capture_output=True, text=True)
    elapsed = time.perf_counter() - start
    if r.returncode != 0:
        sys.exit(f"failed: {' '.join(args)}\n{r.stderr}")
    return elapsed, r.stderr


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--vyn", required=True)
    ap.add_argument("--lines", type=int, default=50000)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--work")
    a = ap.parse_args()
    work = a.work or tempfile.mkdtemp(prefix="vynbench")
    os.makedirs(work, exist_ok=True)
    source = os.path.join(work, "big.c")
    lines = generate(source, a.lines)
    vyn = [os.path.abspath(a.vyn), "-c", "-g2", "-v", "big.c"]

    _, err = timed(vyn, work)
    clang_line = next(l for l in err.splitlines() if " -gcodeview " in l)
    clang = shlex.split(clang_line)
    clang[clang.index("-o") + 1] = "clang_own.o"

    vyn_times, clang_times, conversions = [], [], []
    for _ in range(a.runs):
        t, err = timed(vyn, work)
        vyn_times.append(t)
        conversions.append(float(re.search(r"conversion of .* took ([0-9.]+) s", err).group(1)))
        clang_times.append(timed(clang, work)[0])
    v, c, k = statistics.median(vyn_times), statistics.median(clang_times), statistics.median(conversions)
    print(f"source: {lines} lines, {os.path.getsize(source)} bytes; object {os.path.getsize(os.path.join(work, 'big.obj'))} bytes")
    print(f"{'clang alone':<16}{c:8.3f} s")
    print(f"{'vyn -c -g2':<16}{v:8.3f} s   ratio {v / c:.3f}")
    print(f"{'conversion':<16}{k:8.3f} s   {100 * k / v:.1f}% of vyn's time")


if __name__ == "__main__":
    main()
