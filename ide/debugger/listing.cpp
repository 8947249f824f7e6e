// Building the disassembly window's listing from the decoder and the tables.
#include "ide/debugger/listing.h"

#include "ide/debugger/disasm.h"

#include <cstdio>

namespace vyn::dbg {
namespace {

std::string address_column(std::uint32_t address)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%-15x", address);
    return std::string(buf).substr(0, 9);
}

std::string hex_plain(std::uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", v);
    return buf;
}

/* The names a line earns: the frame variable an EBP displacement names, the
   function or import a call reaches, the absolute target of a jump. */
void annotate(const DebugInfo& info, const FunctionRecord* f, const Instruction& in, std::string& text)
{
    if (in.ebp_displacement && f)
        for (const LocalVariable& v : f->locals)
            if (v.flags != kRegisterLocal && v.location == *in.ebp_displacement) {
                text += " (" + v.name + ")";
                break;
            }
    if (in.is_call && in.target) {
        std::string name = info.name_of_address(*in.target);
        if (name.empty()) {
            char buf[24];
            std::snprintf(buf, sizeof buf, "(0x%x)", *in.target);
            text += buf;
        } else {
            text += " (" + name + ")";
        }
    } else if (in.is_jump && in.target) {
        text = text.substr(0, in.operand_column) + hex_plain(*in.target);
    }
}

Listing build(const DebugInfo& info, MemoryReader& memory, std::uint32_t start, std::uint32_t end, int module,
              const FunctionRecord* f, const ListingOptions& options)
{
    Listing out;
    out.start = start;
    out.end = end;
    out.function = f;
    out.module = module;
    if (end <= start)
        return out;
    std::vector<std::uint8_t> bytes(end - start);
    if (!memory.read(start, bytes))
        return out;
    for (const auto& [address, saved] : options.breakpoint_bytes)
        if (address >= start && address < end)
            bytes[address - start] = saved;

    // The function's line entries, for the source annotation.
    std::map<std::uint32_t, std::uint16_t> line_at;
    if (options.source_annotation && f && module > 0) {
        auto [first, count] = info.function_lines(module, *f);
        const ModuleEntry& m = info.modules[static_cast<std::size_t>(module)];
        for (std::size_t k = first; k < first + count; ++k)
            line_at.emplace(m.line_addresses[k], m.line_numbers[k]);
    }
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::uint32_t address = start + static_cast<std::uint32_t>(pos);
        auto line = line_at.find(address);
        if (line != line_at.end() && options.source_line) {
            auto next = std::next(line);
            std::uint16_t last = next != line_at.end() && next->second > line->second
                                     ? static_cast<std::uint16_t>(next->second - 1)
                                     : line->second;
            for (std::uint32_t n = line->second; n <= last; ++n) {
                char number[16];
                std::snprintf(number, sizeof number, "[%4u] ", n);
                out.lines.push_back({address, true, number + options.source_line(module, static_cast<std::uint16_t>(n))});
            }
        }
        Instruction in = Decode(address, std::span<const std::uint8_t>(bytes).subspan(pos));
        std::string text = in.text;
        annotate(info, f, in, text);
        std::string row = address_column(address) + text;
        if (options.code_bytes) {
            if (row.size() < 50)
                row.resize(50, ' ');
            for (std::size_t k = 0; k < in.length && pos + k < bytes.size(); ++k) {
                char b[4];
                std::snprintf(b, sizeof b, "%02x", bytes[pos + k]);
                row += b;
            }
        }
        out.lines.push_back({address, false, row});
        pos += in.length;
    }
    return out;
}

}  // namespace

Listing BuildFunctionListing(const DebugInfo& info, MemoryReader& memory, int module, const FunctionRecord& f,
                             const ListingOptions& options)
{
    return build(info, memory, f.start, f.end, module, &f, options);
}

Listing BuildListing(const DebugInfo& info, MemoryReader& memory, std::uint32_t eip, const ListingOptions& options)
{
    int module = info.module_of_address(eip);
    const FunctionRecord* f = info.function_of_address(module, eip);
    Listing out = f ? build(info, memory, f->start, f->end, module, f, options)
                    : build(info, memory, eip, eip + kBytesAroundEip, module, nullptr, options);
    for (std::size_t i = 0; i < out.lines.size(); ++i)
        if (!out.lines[i].is_source && out.lines[i].address == eip) {
            out.selected = i;
            break;
        }
    return out;
}

}  // namespace vyn::dbg
