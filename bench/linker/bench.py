#!/usr/bin/env python3
"""Linker benchmark: generates a synthetic i386 program (many C modules with
realistic symbol, relocation and import density), compiles it once with
clang, then links the same objects with vynlnk, lld-link and
i686-w64-mingw32-ld, several times each, and prints the median wall time and
the median peak resident memory of each side by side.

    bench/linker/bench.py --vynlnk build/native/bin/vynlnk [--modules 2000] [--runs 5] [--work DIR] [--debug]

With --debug the objects are compiled with -g as well, and vynlnk also links
them without -s, so the row "vynlnk (debug)" includes writing the CodeView
block (one module per command-line object, its symbols made by the linker).
"""
import argparse
import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

MINGW_LIB = "/usr/i686-w64-mingw32/lib"
IMPORTS = {
    "kernel32": ["GetTickCount", "GetLastError", "GetCurrentProcessId", "GetCurrentThreadId"],
    "user32": ["MessageBeep", "GetDesktopWindow", "GetFocus", "GetActiveWindow"],
    "gdi32": ["GetStockObject", "CreateSolidBrush", "DeleteObject"],
}
SIGNATURES = {
    "GetTickCount": ("unsigned long", "void", "0"), "GetLastError": ("unsigned long", "void", "0"),
    "GetCurrentProcessId": ("unsigned long", "void", "0"),
    "GetCurrentThreadId": ("unsigned long", "void", "0"), "MessageBeep": ("int", "unsigned", "4"),
    "GetDesktopWindow": ("void*", "void", "0"), "GetFocus": ("void*", "void", "0"),
    "GetActiveWindow": ("void*", "void", "0"), "GetStockObject": ("void*", "int", "4"),
    "CreateSolidBrush": ("void*", "unsigned long", "4"), "DeleteObject": ("int", "void*", "4"),
}

STARTUP = r'''__attribute__((section(".rdata"), used)) const char vyn_debug_room[84] = {1};
int main(void);
__declspec(dllimport) void __stdcall ExitProcess(unsigned);
void mainCRTStartup(void) { ExitProcess((unsigned)main()); }
'''


def module_source(index, modules, rng):
    """One module: 12 functions, 6 globals, a string table, calls into 8
    other modules and 3 imported functions."""
    lines = []
    imported = rng.sample(sorted(SIGNATURES), 3)
    for name in imported:
        ret, arg, _ = SIGNATURES[name]
        lines.append(f"__declspec(dllimport) {ret} __stdcall {name}({arg});")
    others = [rng.randrange(modules) for _ in range(8)]
    for o in sorted(set(others)):
        lines.extend(f"int m{o}_f{k}(int);" for k in range(12))
        lines.extend(f"extern int m{o}_g{k};" for k in range(6))
    for g in range(6):
        lines.append(f"int m{index}_g{g} = {rng.randrange(1000)};")
    lines.append(f"static const char *m{index}_names[] = {{" +
                 ", ".join(f'"m{index}_s{k}_{rng.randrange(10**6)}"' for k in range(8)) + "};")
    lines.append(f"static int m{index}_local;")
    for f in range(12):
        body = [f"int m{index}_f{f}(int x) {{", f"    m{index}_local += x;"]
        o = others[f % len(others)]
        if f % 3 == 0:
            body.append(f"    if (x > 0) x += m{o}_f{(f * 7) % 12}(x - 1);")
        if f % 4 == 1:
            body.append(f"    x += m{o}_g{f % 6} + m{index}_names[x & 7][0];")
        if f % 5 == 2:
            name = imported[f % 3]
            ret, arg, _ = SIGNATURES[name]
            call = f"{name}()" if arg == "void" else f"{name}(({arg})0)"
            body.append(f"    x += (int)(long){call};")
        body.append(f"    return x + m{index}_g{f % 6};")
        body.append("}")
        lines.extend(body)
    return "\n".join(lines) + "\n"


def generate(work, modules, seed):
    src = os.path.join(work, "src")
    os.makedirs(src, exist_ok=True)
    rng = random.Random(seed)
    for i in range(modules):
        with open(os.path.join(src, f"m{i}.c"), "w") as f:
            f.write(module_source(i, modules, rng))
    with open(os.path.join(src, "main.c"), "w") as f:
        f.write("int m0_f0(int);\nint main(void) { return m0_f0(3); }\n")
    with open(os.path.join(src, "crt0.c"), "w") as f:
        f.write(STARTUP)


def compile_all(work, modules, debug=False):
    obj = os.path.join(work, "obj-g" if debug else "obj")
    os.makedirs(obj, exist_ok=True)
    names = [f"m{i}" for i in range(modules)] + ["main", "crt0"]

    def one(name):
        out = os.path.join(obj, name + ".obj")
        if not os.path.exists(out):
            subprocess.run(["clang", "--target=i686-pc-windows-msvc", "-O1", "-c", "-o", out] +
                           (["-g"] if debug else []) + [os.path.join(work, "src", name + ".c")], check=True)
    with ThreadPoolExecutor(max_workers=2) as pool:
        list(pool.map(one, names))
    # Half of the modules go into an archive so that archive search is measured too.
    lib = os.path.join(work, "libbench-g.a" if debug else "libbench.a")
    if not os.path.exists(lib):
        members = [os.path.join(obj, f"m{i}.obj") for i in range(modules // 2, modules)]
        subprocess.run(["llvm-ar", "rcs", lib] + members, check=True)
    return ([os.path.join(obj, "crt0.obj"), os.path.join(obj, "main.obj")] +
            [os.path.join(obj, f"m{i}.obj") for i in range(modules // 2)] + [lib])


def measure(command, cwd, env=None):
    """Wall time and peak RSS (MB) of one run of command."""
    with open(os.path.join(cwd, "stderr.txt"), "w+b") as errfile:
        start = time.monotonic()
        proc = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=errfile)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.monotonic() - start
        errfile.seek(0)
        err = errfile.read().decode(errors="replace")
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit(f"{command[0]} failed ({code}):\n{err[-2000:]}")
    return elapsed, usage.ru_maxrss / 1024.0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--vynlnk", required=True)
    ap.add_argument("--modules", type=int, default=2000)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--work", default="/tmp/vynlnk-bench")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--debug", action="store_true")
    args = ap.parse_args()
    vynlnk = os.path.abspath(args.vynlnk)
    work = os.path.join(args.work, f"{args.modules}")
    generate(work, args.modules, args.seed)
    inputs = compile_all(work, args.modules)
    libs = [os.path.join(MINGW_LIB, f"lib{name}.a") for name in IMPORTS]
    env = dict(os.environ, VYN_REGISTRY=os.path.join(work, "bench.reg"))
    commands = {
        "vynlnk": [vynlnk, "-nodef", "-L", work, "-s", "-o", "vyn.exe"] + inputs + libs,
        "lld-link": ["lld-link", "/nologo", "/safeseh:no", "/nodefaultlib", "/entry:mainCRTStartup",
                     "/subsystem:console", "/out:lld.exe"] + inputs + libs,
        "i686-w64-mingw32-ld": ["i686-w64-mingw32-ld", "-e", "_mainCRTStartup", "-o", "gnu.exe"] + inputs + libs,
    }
    if args.debug:
        debug_inputs = compile_all(work, args.modules, debug=True)
        commands["vynlnk (debug)"] = [vynlnk, "-nodef", "-L", work, "-o", "vyn-g.exe"] + debug_inputs + libs
    results = {}
    for name, command in commands.items():
        measure(command, work, env)  # warm the page cache
        runs = [measure(command, work, env) for _ in range(args.runs)]
        results[name] = (statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs))
    total = sum(os.path.getsize(p) for p in inputs)
    print(f"{args.modules} modules, {len(inputs)} inputs ({total / 1e6:.1f} MB), median of {args.runs} runs")
    print(f"{'linker':<22}{'wall time (s)':>15}{'peak RSS (MB)':>16}")
    for name, (wall, rss) in results.items():
        print(f"{name:<22}{wall:>15.3f}{rss:>16.1f}")


if __name__ == "__main__":
    main()
