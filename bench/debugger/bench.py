#!/usr/bin/env python3
"""Debugger benchmark: the linker benchmark's program (2,000 modules compiled
with -g, linked by vynlnk with CodeView), then the debugger's table load
(median of several) and its decoder's instructions per second over the
image's .text, beside llvm-objdump's instructions per second on the same
image.

    bench/debugger/bench.py --build build/native [--modules 2000] [--work DIR]

bench_debugger is built with: cmake --build --preset native --target bench_debugger vynlnk
"""
import argparse
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "linker"))
import bench as linker_bench  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/native")
    ap.add_argument("--modules", type=int, default=2000)
    ap.add_argument("--work", default="/tmp/vyndbg-bench")
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    bin_dir = os.path.abspath(os.path.join(args.build, "bin"))
    work = os.path.join(args.work, f"{args.modules}")
    linker_bench.generate(work, args.modules, args.seed)
    linker_bench.compile_all(work, args.modules)  # the start-up objects and libraries
    inputs = linker_bench.compile_all(work, args.modules, debug=True)
    libs = [os.path.join(linker_bench.MINGW_LIB, f"lib{name}.a") for name in linker_bench.IMPORTS]
    env = dict(os.environ, VYN_REGISTRY=os.path.join(work, "bench.reg"))
    image = os.path.join(work, "vyn-g.exe")
    subprocess.run([os.path.join(bin_dir, "vynlnk"), "-nodef", "-L", work, "-o", image] + inputs + libs,
                   cwd=work, env=env, check=True)
    subprocess.run([os.path.join(bin_dir, "bench_debugger"), image], check=True)
    start = time.perf_counter()
    out = subprocess.run(["llvm-objdump", "-d", "--no-show-raw-insn", "-j", ".text", image],
                         capture_output=True, text=True, check=True).stdout
    seconds = time.perf_counter() - start
    count = sum(1 for line in out.splitlines() if re.match(r"^\s+[0-9a-f]+:", line))
    print(f"llvm-objdump: {count} instructions in {seconds:.3f} s, {count / seconds:.0f} instructions/s")


if __name__ == "__main__":
    main()
