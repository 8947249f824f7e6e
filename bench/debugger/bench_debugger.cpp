// Times the debugger's core on one image: loading its tables (the median of
// several loads, with and without mapping the file) and decoding every
// instruction of its ".text" (repeated for at least a second), printed as
// milliseconds and instructions a second.
//
//     bench_debugger IMAGE [LOADS]
#include "ide/debugger/dbginfo.h"
#include "ide/debugger/disasm.h"
#include "ide/debugger/image_mapping.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

using namespace vyn::dbg;
using Clock = std::chrono::steady_clock;

static double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_debugger IMAGE [LOADS]\n", stderr);
        return 2;
    }
    int loads = argc > 2 ? std::stoi(argv[2]) : 9;
    Tell tell = [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); };
    // Wall and processor milliseconds of each load: the machine may be busy
    // with other work, which the processor time does not count.
    std::vector<double> wall, cpu, mapped_wall, mapped_cpu;
    std::size_t modules = 0, functions = 0, lines = 0, size = 0;
    for (int i = 0; i < loads; ++i) {
        // The whole of a session's start: map the file, then build the tables.
        auto start = Clock::now();
        std::clock_t cpu_start = std::clock();
        ImageMapping mapping;
        if (!mapping.open(argv[1]) || !mapping.map(tell))
            return 1;
        auto mapped = Clock::now();
        std::clock_t cpu_mapped = std::clock();
        DebugInfo d;
        bool ok = d.load_executable(mapping.bytes(), argv[1], 0x400000, tell);
        auto loaded = Clock::now();
        std::clock_t cpu_loaded = std::clock();
        wall.push_back(std::chrono::duration<double, std::milli>(loaded - mapped).count());
        mapped_wall.push_back(std::chrono::duration<double, std::milli>(loaded - start).count());
        cpu.push_back(1000.0 * static_cast<double>(cpu_loaded - cpu_mapped) / CLOCKS_PER_SEC);
        mapped_cpu.push_back(1000.0 * static_cast<double>(cpu_loaded - cpu_start) / CLOCKS_PER_SEC);
        if (!ok)
            return 1;
        modules = static_cast<std::size_t>(d.module_count());
        functions = lines = 0;
        for (const ModuleEntry& m : d.modules) {
            functions += m.functions.size();
            lines += m.line_numbers.size();
        }
        size = mapping.bytes().size();
    }
    std::printf("%zu modules, %zu functions, %zu line entries, %.1f MB file; medians of %d loads\n", modules,
                functions, lines, size / 1e6, loads);
    std::printf("load tables:         %.2f ms wall, %.2f ms processor\n", median(wall), median(cpu));
    std::printf("map and load tables: %.2f ms wall, %.2f ms processor\n", median(mapped_wall), median(mapped_cpu));

    ImageMapping mapping;
    if (!mapping.open(argv[1]) || !mapping.map(tell))
        return 1;
    std::span<const std::uint8_t> file = mapping.bytes();
    DebugInfo d;
    d.load_executable(file, argv[1], 0x400000, [](const std::string&) {});
    std::span<const std::uint8_t> text;
    for (const DebugInfo::Section& s : d.sections)
        if (s.name == ".text" && std::size_t{s.raw_pos} + s.virtual_size <= file.size())
            text = std::span<const std::uint8_t>(file).subspan(s.raw_pos, s.virtual_size);
    std::size_t instructions = 0, rounds = 0;
    auto start = Clock::now();
    double seconds = 0;
    do {
        for (std::size_t pos = 0; pos < text.size();) {
            Instruction i = Decode(0x401000 + static_cast<std::uint32_t>(pos), text.subspan(pos));
            pos += i.length;
            ++instructions;
        }
        ++rounds;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 1.0);
    std::printf("decode: %zu instructions of %zu bytes, %zu rounds, %.0f instructions/s\n", instructions / rounds,
                text.size(), rounds, instructions / seconds);
    return 0;
}
