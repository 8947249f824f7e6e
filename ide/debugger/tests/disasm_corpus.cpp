#include "ide/debugger/tests/disasm_corpus.h"

#include "ide/debugger/disasm.h"
#include "ide/debugger/disasm_tables.h"

#include <set>

namespace vyn::dbg::test {
namespace {

namespace t = vyn::dbg::tables;

// ModRM bytes for a reg field: every mod and r/m.
std::vector<std::vector<std::uint8_t>> modrm_forms(int reg)
{
    std::vector<std::vector<std::uint8_t>> out;
    const std::uint8_t sibs[] = {0x24, 0x25, 0x88, 0xE5, 0x4D, 0x1C, 0xC0};
    for (int mod = 0; mod < 4; ++mod)
        for (int rm = 0; rm < 8; ++rm) {
            auto modrm = static_cast<std::uint8_t>(mod << 6 | reg << 3 | rm);
            if (mod != 3 && rm == 4)
                for (std::uint8_t sib : sibs)
                    out.push_back({modrm, sib});
            else
                out.push_back({modrm});
        }
    return out;
}

const std::uint8_t kTail[] = {0x84, 0x33, 0x22, 0x81, 0x78, 0x56, 0x34, 0x12, 0x9A, 0xBC, 0xDE, 0xF0};

bool is_mmx(const t::Entry& e)
{
    for (t::Op op : e.ops)
        if (op == t::Op::Pq || op == t::Op::Qq || op == t::Op::Nq)
            return true;
    return false;
}

bool is_string(std::uint8_t opcode)
{
    return (opcode >= 0xA4 && opcode <= 0xA7) || (opcode >= 0xAA && opcode <= 0xAF) || (opcode >= 0x6C && opcode <= 0x6F);
}

// The instructions a lock prefix may precede (with a memory destination).
bool lockable(const std::vector<std::uint8_t>& op, int reg)
{
    std::uint8_t b = op[0];
    if (b == 0x0F) {
        std::uint8_t c = op[1];
        return c == 0xAB || c == 0xB3 || c == 0xBB || c == 0xBA || c == 0xB0 || c == 0xB1 || c == 0xC0 || c == 0xC1;
    }
    if (b < 0x40 && (b & 7) < 2 && (b & 0x38) != 0x38)
        return true;  // add, or, adc, sbb, and, sub, xor to memory
    if (b >= 0x80 && b <= 0x83)
        return reg != 7;
    if (b == 0x86 || b == 0x87)
        return true;
    if (b == 0xF6 || b == 0xF7)
        return reg == 2 || reg == 3;
    if (b == 0xFE || b == 0xFF)
        return reg < 2;
    return false;
}

struct Builder {
    std::vector<CorpusInstruction> out;
    std::set<std::vector<std::uint8_t>> seen;

    // Appends prefixes + body + tail cut to the decoded length, when valid and new.
    void add(const std::vector<std::uint8_t>& prefixes, const std::vector<std::uint8_t>& body)
    {
        std::vector<std::uint8_t> bytes = prefixes;
        bytes.insert(bytes.end(), body.begin(), body.end());
        bytes.insert(bytes.end(), std::begin(kTail), std::end(kTail));
        Instruction in = Decode(0, bytes);
        if (!in.valid || in.text.find("(287 only)") != std::string::npos)
            return;
        bytes.resize(in.length);
        if (seen.insert(bytes).second)
            out.push_back({bytes});
    }

    // Every ModRM form of an opcode (with the group's reg when it is one).
    void forms(const std::vector<std::uint8_t>& opcode, int reg, bool mmx, bool fpu, bool string_op,
               bool sized = true)
    {
        std::vector<std::vector<std::uint8_t>> prefix_sets = {{}, {0x64}, {0x67}};
        if (!mmx && sized)
            prefix_sets.push_back({0x66});
        if (string_op) {
            prefix_sets.push_back({0xF3});
            prefix_sets.push_back({0xF2});
        }
        if (!fpu && !mmx && lockable(opcode, reg))
            prefix_sets.push_back({0xF0});
        bool register_only = opcode.size() == 2 && opcode[0] == 0x0F && opcode[1] >= 0x20 && opcode[1] <= 0x23;
        for (const auto& form : modrm_forms(reg))
            if (!register_only || (form[0] >> 6) == 3)
            for (const auto& p : prefix_sets) {
                std::vector<std::uint8_t> body = opcode;
                body.insert(body.end(), form.begin(), form.end());
                // A lock is meaningful only on a memory destination.
                if (!p.empty() && p[0] == 0xF0 && (form[0] >> 6) == 3)
                    continue;
                add(p, body);
            }
    }
};

}  // namespace

std::vector<CorpusInstruction> generate_corpus()
{
    Builder b;
    for (int op = 0; op < 256; ++op) {
        const t::Entry& e = t::one_byte()[static_cast<std::size_t>(op)];
        auto byte = static_cast<std::uint8_t>(op);
        if (op == 0x0F)
            continue;
        if (e.fpu) {
            for (int reg = 0; reg < 8; ++reg)
                b.forms({byte}, reg, false, true, false);
            b.add({0x9B}, {byte, 0xE3});
            continue;
        }
        if (e.group >= 0) {
            for (int reg = 0; reg < 8; ++reg)
                b.forms({byte}, reg, false, false, false);
            continue;
        }
        if (e.tmpl.empty())
            continue;
        b.forms({byte}, 0, false, false, is_string(byte));
        b.forms({byte}, 5, false, false, false);
    }
    for (int op = 0; op < 256; ++op) {
        const t::Entry& e = t::two_byte()[static_cast<std::size_t>(op)];
        auto byte = static_cast<std::uint8_t>(op);
        if (e.group < 0 && e.tmpl.empty())
            continue;
        // The test registers of the i386 (0F 24, 0F 26) are not known to the oracle.
        if (op == 0x24 || op == 0x26)
            continue;
        bool mmx = e.group >= t::kGroup0F71 || is_mmx(e);
        for (int reg = 0; reg < 8; ++reg)
            if (e.group >= 0 || reg == 0 || reg == 3)
                b.forms({0x0F, byte}, reg, mmx, false, false, e.group >= 0 || e.ops[0] != t::Op::None);
    }
    return b.out;
}

}  // namespace vyn::dbg::test
