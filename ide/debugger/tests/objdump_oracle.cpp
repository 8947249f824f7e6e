#include "ide/debugger/tests/objdump_oracle.h"

#include "testing/coff/coff_builder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

namespace vyn::dbg::test {

namespace {

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

bool is_prefix_word(const std::string& text)
{
    static const char* const kPrefixes[] = {"lock", "rep", "repe", "repne", "xacquire", "xrelease", "cs", "ds", "ss",
                                            "es", "fs", "gs", "data16", "addr16", "addr32", "data32"};
    for (const char* p : kPrefixes)
        if (text == p)
            return true;
    return false;
}

// Prefix words alone (one or more), and a wait that an x87 instruction follows.
bool joins_next(const std::string& text, const std::string& next)
{
    std::istringstream words(text);
    std::string w;
    bool any = false;
    while (words >> w) {
        if (!is_prefix_word(w) && !(w == "wait" && !next.empty() && next[0] == 'f'))
            return false;
        any = true;
    }
    return any;
}

/* "  1c: \tmovl\t%eax, %ebx" lines of --no-show-raw-insn output; lengths
   are the distances between offsets (the last runs to the section's end). */
std::map<std::size_t, OracleInstruction> parse(const std::string& listing, std::size_t size)
{
    std::map<std::size_t, OracleInstruction> out;
    static const std::regex line(R"(^\s*([0-9a-f]+):\s*(.*)$)");
    std::istringstream in(listing);
    std::string l;
    std::size_t previous = 0;
    bool any = false;
    bool in_text = false;
    while (std::getline(in, l)) {
        if (l.rfind("Disassembly of section", 0) == 0) {
            in_text = l.find(".text") != std::string::npos;
            continue;
        }
        std::smatch m;
        if (!in_text || !std::regex_match(l, m, line) || m[2].str().empty())
            continue;
        std::size_t offset = std::stoul(m[1].str(), nullptr, 16);
        if (any)
            out[previous].length = offset - previous;
        std::string text = m[2].str();
        for (char& c : text)
            if (c == '\t')
                c = ' ';
        std::size_t comment = text.find('#');
        if (comment != std::string::npos)
            text = text.substr(0, comment);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        // A prefix the oracle prints on a line of its own joins the instruction it precedes.
        if (any && joins_next(out[previous].text, text)) {
            out[previous].text += " " + text;
            continue;
        }
        out[offset].text = text;
        previous = offset;
        any = true;
    }
    if (any)
        out[previous].length = size - previous;
    return out;
}

}  // namespace

std::string scratch_dir()
{
    const char* tmp = std::getenv("VYN_TEST_TMP");
    std::string dir = std::string(tmp ? tmp : "/tmp") + "/debugger";
    std::filesystem::create_directories(dir);
    return dir;
}

std::map<std::size_t, OracleInstruction> objdump_code(const std::vector<std::uint8_t>& code,
                                                      const std::string& scratch_name)
{
    testing::CoffBuilder object;
    object.add_section(".text", code, testing::coff::kCode);
    std::string path = scratch_dir() + "/" + scratch_name + ".obj";
    object.write(path);
    return parse(run("llvm-objdump -d --no-show-raw-insn --x86-asm-syntax=att --print-imm-hex '" + path + "'"),
                 code.size());
}

std::map<std::size_t, OracleInstruction> objdump_file(const std::string& path, std::size_t* text_size)
{
    std::string headers = run("llvm-objdump -h '" + path + "'");
    std::smatch m;
    std::size_t size = 0;
    if (std::regex_search(headers, m, std::regex(R"(\.text\s+([0-9a-f]+))")))
        size = std::stoul(m[1].str(), nullptr, 16);
    if (text_size)
        *text_size = size;
    std::string listing = run("llvm-objdump -d --no-show-raw-insn --x86-asm-syntax=att --print-imm-hex -j .text '" + path + "'");
    return parse(listing, size);
}

namespace {

std::string trim_spaces(std::string s)
{
    std::string out;
    bool space = false;
    for (char c : s) {
        if (c == ' ') {
            space = !out.empty();
            continue;
        }
        if (space && c != ',' && out.back() != ',')
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// Every number not part of a register name, as one canonical signed hex.
std::string canonical_numbers(const std::string& s, bool operand_size_16)
{
    // Byte operations' immediates are written signed by the oracle.
    std::string first = s.substr(0, s.find(' '));
    for (const char* p : {"lock ", "repz ", "repnz "})
        if (s.rfind(p, 0) == 0)
            first = s.substr(std::string(p).size(), s.find(' ', std::string(p).size()) - std::string(p).size());
    bool byte_op = !first.empty() && first.back() == 'b';
    // So are the 16-bit immediates of ret, lret and enter, the 8-bit ones of
    // aam and aad, and the segment of a far pointer.
    bool signed_16 = first == "retl" || first == "retw" || first == "lretl" || first == "lretw" ||
                     first == "enter" || first == "lcall" || first == "ljmp";
    bool signed_8 = first == "aam" || first == "aad";
    static const std::regex number(R"((^|[^%\w(])(-?)(0x[0-9a-f]+|[0-9]+)\b)");
    std::string out;
    auto begin = std::sregex_iterator(s.begin(), s.end(), number);
    std::size_t last = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        std::size_t at = static_cast<std::size_t>(m.position(0));
        out += s.substr(last, at - last) + m[1].str();
        std::int64_t v = static_cast<std::int64_t>(std::stoull(m[3].str(), nullptr, 0));
        if (!m[2].str().empty())
            v = -v;
        bool first_number = it == begin;
        if ((byte_op || signed_8) && m[1].str() == "$" && v >= 0x80 && v <= 0xFF)
            v -= 0x100;
        else if (first == "enter" && !first_number && v >= 0x80 && v <= 0xFF)
            v -= 0x100;
        else if (signed_16 && (m[1].str() == "$" || first_number) && v >= 0x8000 && v <= 0xFFFF)
            v -= 0x10000;
        else if (v >= 0x80000000LL && v <= 0xFFFFFFFFLL)
            v -= 0x100000000LL;
        else if (operand_size_16 && v >= 0x8000 && v <= 0xFFFF)
            v -= 0x10000;
        char buf[24];
        std::snprintf(buf, sizeof buf, "%s0x%llx", v < 0 ? "-" : "", static_cast<unsigned long long>(v < 0 ? -v : v));
        out += buf;
        last = at + static_cast<std::size_t>(m.length(0));
    }
    return out + s.substr(last);
}

std::string replace_all(std::string s, const std::string& from, const std::string& to)
{
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

}  // namespace

std::string normalise_ours(const std::string& text, bool operand_size_16)
{
    std::string s = trim_spaces(text);
    static const std::regex source(R"(%(\w\w):\[(%\w+)\])"), destination(R"(\bes:\[(%\w+)\])");
    if (s.find('[') != std::string::npos) {
        s = std::regex_replace(s, source, "%$1:($2)");  // %ds:[%esi]
        s = std::regex_replace(s, destination, "%es:($1)");  // es:[%edi]
    }
    s = replace_all(s, "%ds:(%esi)", "(%esi)");
    s = replace_all(s, "%ds:(%si)", "(%si)");
    s = replace_all(s, ",1)", ")");
    s = replace_all(s, "(%dx)", "%dx");
    s = replace_all(s, "addr16 ", "");
    return canonical_numbers(s, operand_size_16);
}

std::string normalise_llvm(const std::string& text, bool operand_size_16)
{
    std::string s = text;
    std::size_t angle = s.find(" <");
    if (angle != std::string::npos)
        s = s.substr(0, angle);
    s = trim_spaces(s);
    s = replace_all(s, "%ds:(%esi)", "(%esi)");
    s = replace_all(s, "%ds:(%si)", "(%si)");
    static const std::regex repne(R"(^repne )"), rep(R"(^(rep|repe) )"), far(R"(^(lcall|ljmp)[lw] \$(-?\w+),\$)"),
        near(R"(^(call|jmp)[lw] )"), far_indirect(R"(^(lcall|ljmp)[lw] )"),
        no_index(R"(\(,%eiz(,\w+)?\))");
    s = std::regex_replace(s, repne, "repnz ");
    s = std::regex_replace(s, rep, "repz ");
    s = std::regex_replace(s, far, "$1 $2,");
    s = std::regex_replace(s, near, "$1 ");
    s = std::regex_replace(s, far_indirect, "$1 ");
    s = std::regex_replace(s, no_index, "");
    s = replace_all(s, ",%eiz", "");
    return canonical_numbers(s, operand_size_16);
}

}  // namespace vyn::dbg::test
