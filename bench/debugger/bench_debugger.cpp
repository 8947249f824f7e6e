// Times the debugger's core on one image: loading its tables (the median of
// several loads) and decoding every instruction of its ".text" (repeated
// for at least a second), printed as milliseconds and instructions a second.
//
//     bench_debugger IMAGE [LOADS]
#include "ide/debugger/dbginfo.h"
#include "ide/debugger/disasm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace vyn::dbg;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_debugger IMAGE [LOADS]\n", stderr);
        return 2;
    }
    int loads = argc > 2 ? std::stoi(argv[2]) : 9;
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> times;
    std::size_t modules = 0, functions = 0, lines = 0;
    for (int i = 0; i < loads; ++i) {
        auto start = Clock::now();
        DebugInfo d;
        bool ok = d.load_executable(file, argv[1], 0x400000, [](const std::string& m) {
            std::fprintf(stderr, "%s\n", m.c_str());
        });
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!ok)
            return 1;
        modules = static_cast<std::size_t>(d.module_count());
        functions = lines = 0;
        for (const ModuleEntry& m : d.modules) {
            functions += m.functions.size();
            lines += m.line_numbers.size();
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("load tables: %.2f ms median of %d (%zu modules, %zu functions, %zu line entries, %.1f MB file)\n",
                times[times.size() / 2], loads, modules, functions, lines, file.size() / 1e6);

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
