#!/usr/bin/env python3
"""Debugger benchmark: the linker benchmark's program (2,000 modules), each
module compiled by the kit's `vyn -c -g2` (clang's CodeView converted to
CodeView 4), linked by vynlnk with the kit's start-up object and libraries,
every object named on the command line so that each is a CodeView module,
then

- the table load in-process (bench_debugger: mapping and load, and the load
  alone, each the median of several),
- the table load as a whole process: `vyndump --headers` (start, mapping,
  load, entry function, a few lines of output), the median of several runs,
- the decoder's instructions per second over the image's .text, beside
  llvm-objdump's on the same image.

    bench/debugger/bench.py --build build/native [--modules 2000] [--runs 9] [--work DIR]

Build first: cmake --build --preset native --target kit vyndump bench_debugger
(the kit holds vyn, vynlnk and the runtime whose __main the compiled main calls).
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "linker"))
import bench as linker_bench  # noqa: E402


def compile_with_vyn(work, modules, vyn, env):
    """Every module and main through vyn -g2 (skipping objects already
    made); the objects, all named on the link's command line so that each
    is a module of the CodeView block (archive members never are)."""
    obj = os.path.join(work, "obj-vyn")
    os.makedirs(obj, exist_ok=True)
    names = ["main"] + [f"m{i}" for i in range(modules)]

    def one(name):
        out = os.path.join(obj, name + ".obj")
        if not os.path.exists(out):
            r = subprocess.run([vyn, "-c", "-g2", "-o", out, os.path.join(work, "src", name + ".c")],
                               cwd=obj, env=env, capture_output=True, text=True)
            if r.returncode != 0:
                sys.exit(f"vyn failed on {name}.c:\n{r.stderr}")
    with ThreadPoolExecutor(max_workers=2) as pool:
        list(pool.map(one, names))
    return [os.path.join(obj, name + ".obj") for name in names]


def write_hive(path, kit_lib):
    """The linker's library path, where it finds the kit's start-up object
    (which holds the room for the debug directory), the C library and the
    import libraries."""
    value = kit_lib.replace("\\", "\\\\").replace('"', '\\"')
    with open(path, "w") as f:
        f.write(f'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\vyn\\vynlnk]\n"libpath"="{value}"\n')


def process_times(command, runs):
    """Wall and processor (user + system) seconds of each of runs runs,
    after one that warms the page cache."""
    def once():
        start = time.perf_counter()
        proc = subprocess.Popen(command, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit(f"{command[0]} failed")
        return time.perf_counter() - start, usage.ru_utime + usage.ru_stime
    once()
    return [once() for _ in range(runs)]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/native")
    ap.add_argument("--modules", type=int, default=2000)
    ap.add_argument("--runs", type=int, default=9)
    ap.add_argument("--work", default="/tmp/vyndbg-bench")
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    build = os.path.abspath(args.build)
    bin_dir, kit = os.path.join(build, "bin"), os.path.join(build, "kit")
    work = os.path.join(args.work, f"{args.modules}")
    env = dict(os.environ, VYN_REGISTRY=os.path.join(work, "bench.reg"))
    linker_bench.generate(work, args.modules, args.seed)
    write_hive(env["VYN_REGISTRY"], os.path.join(kit, "lib"))
    start = time.perf_counter()
    inputs = compile_with_vyn(work, args.modules, os.path.join(kit, "bin", "vyn"), env)
    print(f"compiled (or found) {len(inputs)} objects with vyn -g2 in {time.perf_counter() - start:.1f} s")
    # The default libraries (start-up object, C library, kernel32) come from the library path.
    libs = [os.path.join(kit, "lib", f"{name}.lib") for name in linker_bench.IMPORTS if name != "kernel32"]
    image = os.path.join(work, "vyn-g2.exe")
    link = subprocess.run([os.path.join(kit, "bin", "vynlnk"), "-o", image] + inputs + libs,
                          cwd=work, env=env, capture_output=True, text=True)
    if link.returncode != 0:
        sys.exit(f"vynlnk failed ({link.returncode}):\n{link.stdout[-2000:]}{link.stderr[-2000:]}")
    print(f"image {image}: {os.path.getsize(image) / 1e6:.1f} MB")

    subprocess.run([os.path.join(bin_dir, "bench_debugger"), image, str(args.runs)], check=True)
    for what in (["--headers"], ["--headers", "--modules", "--symbols"]):
        times = process_times([os.path.join(bin_dir, "vyndump")] + what + [image], args.runs)
        wall = statistics.median(t[0] for t in times) * 1000
        cpu = statistics.median(t[1] for t in times) * 1000
        print(f"vyndump {' '.join(what)} (whole process): {wall:.2f} ms wall, {cpu:.2f} ms processor, "
              f"medians of {args.runs}")

    start = time.perf_counter()
    out = subprocess.run(["llvm-objdump", "-d", "--no-show-raw-insn", "-j", ".text", image],
                         capture_output=True, text=True, check=True).stdout
    seconds = time.perf_counter() - start
    count = sum(1 for line in out.splitlines() if re.match(r"^\s+[0-9a-f]+:", line))
    print(f"llvm-objdump: {count} instructions in {seconds:.3f} s, {count / seconds:.0f} instructions/s")


if __name__ == "__main__":
    main()
