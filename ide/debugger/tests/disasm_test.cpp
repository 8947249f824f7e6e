// The instruction decoder: the examples its description gives, then
// differential runs against llvm-objdump over a generated corpus of every
// table entry, random byte streams and the code of clang-built objects.
#include "ide/debugger/disasm.h"
#include "ide/debugger/tests/disasm_corpus.h"
#include "ide/debugger/tests/objdump_oracle.h"

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "common/coff_format.h"

#include <fstream>
#include <random>
#include <regex>
#include <set>

namespace {

using namespace vyn::dbg;
using namespace vyn::dbg::test;

std::string decode(std::vector<std::uint8_t> bytes, std::size_t* length = nullptr, std::uint32_t address = 0)
{
    Instruction in = Decode(address, bytes);
    if (length)
        *length = in.length;
    return in.text;
}

TEST(Decoder, FwaitJoinsAnEscapeAndStandsAloneOtherwise)
{
    std::size_t n = 0;
    EXPECT_EQ(decode({0x9B, 0xDB, 0xE3}, &n), "finit  ");  // padded to column 8 as always
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(decode({0xDB, 0xE3}, &n), "fninit ");
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(decode({0x9B, 0x90}, &n), "fwait");
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(decode({0x9B, 0xD9, 0x7D, 0xFC}), "fstcw  -4(%ebp)");
}

TEST(Decoder, OperandsBeginInColumnEightSourceFirst)
{
    EXPECT_EQ(decode({0x66, 0x01, 0xC8}), "addw   %cx,%ax");
    EXPECT_EQ(decode({0x01, 0xC8}), "addl   %ecx,%eax");
    EXPECT_EQ(decode({0x0F, 0xB6, 0xC1}), "movzbl %cl,%eax");        // six characters, one blank
    EXPECT_EQ(decode({0x0F, 0x6F, 0xC1}), "movq   %mm1,%mm0");
    EXPECT_EQ(decode({0x0F, 0xA4, 0xC1, 0x03}), "shldl  $0x3,%eax,%ecx");
}

TEST(Decoder, StringOperandsAndRepeatPrefixes)
{
    EXPECT_EQ(decode({0xF3, 0xA4}), "repz movsb %ds:[%esi],es:[%edi]");
    EXPECT_EQ(decode({0x2E, 0xA4}), "movsb  %cs:[%esi],es:[%edi]");
    EXPECT_EQ(decode({0xF2, 0xAE}), "repnz scasb es:[%edi],%al");
    EXPECT_EQ(decode({0x67, 0xA4}), "addr16 movsb %ds:[%si],es:[%di]");
}

TEST(Decoder, DisplacementsFromEbpAreRecorded)
{
    Instruction a = Decode(0, std::vector<std::uint8_t>{0x8B, 0x45, 0xF8});
    EXPECT_EQ(a.text, "movl   -8(%ebp),%eax");
    EXPECT_EQ(a.ebp_displacement, -8);
    Instruction b = Decode(0, std::vector<std::uint8_t>{0x8B, 0x45, 0x10});
    EXPECT_EQ(b.text, "movl   0x10(%ebp),%eax");
    EXPECT_EQ(b.ebp_displacement, 16);
    EXPECT_EQ(decode({0x8B, 0x04, 0x8D, 0x10, 0x00, 0x00, 0x00}), "movl   0x10(,%ecx,4),%eax");
    EXPECT_EQ(decode({0x89, 0x04, 0x24}), "movl   %eax,(%esp,1)");
    EXPECT_EQ(decode({0xA1, 0x00, 0x20, 0x40, 0x00}), "movl   0x402000,%eax");
}

TEST(Decoder, TellingRowsOfTheTables)
{
    EXPECT_EQ(decode({0x00, 0xC8}), "addb   %cl,%al");
    EXPECT_EQ(decode({0x53}), "pushl  %ebx");
    EXPECT_EQ(decode({0x68, 0x78, 0x56, 0x34, 0x12}), "pushl  $0x12345678");
    EXPECT_EQ(decode({0x69, 0xC1, 0x10, 0, 0, 0}), "imull  $0x10,%ecx,%eax");
    EXPECT_EQ(decode({0x8C, 0xD8}), "movw   %ds,%ax");
    EXPECT_EQ(decode({0x9A, 0x78, 0x56, 0x34, 0x12, 0x08, 0x00}), "lcall  0x8,0x12345678");
    EXPECT_EQ(decode({0xE8, 0x0B, 0, 0, 0}, nullptr, 0x401000), "call   0x401010");
    EXPECT_EQ(decode({0xEB, 0xFE}, nullptr, 0x401000), "jmp    0x401000");
    EXPECT_EQ(decode({0xC8, 0x10, 0x00, 0x01}), "enter  $0x10,$0x1");
    EXPECT_EQ(decode({0xCD, 0x21}), "int    $0x21");
    EXPECT_EQ(decode({0xF6, 0xC8, 0x01}), "(bad)");
    EXPECT_EQ(decode({0xFF, 0xD0}), "call   *%eax");
    EXPECT_EQ(decode({0x0F, 0x01, 0xE8}), "(bad)");
    EXPECT_EQ(decode({0x0F, 0xBA, 0xE0, 0x03}), "btl    $0x3,%eax");
    EXPECT_EQ(decode({0x0F, 0xBA, 0xC0, 0x03}), "(bad)");
    EXPECT_EQ(decode({0x0F, 0x71, 0xD1, 0x02}), "psrlw  $0x2,%mm1");
    EXPECT_EQ(decode({0x0F, 0x20, 0xC0}), "movl   %cr0,%eax");
    EXPECT_EQ(decode({0x0F, 0x77}), "emms   ");
    EXPECT_EQ(decode({0x0F, 0x94, 0xC0}), "sete   %al");
    EXPECT_EQ(decode({0x0F, 0xBF, 0xC1}), "movswl %cx,%eax");
    EXPECT_EQ(decode({0x0F, 0xC9}), "bswap  %ecx");
    EXPECT_EQ(decode({0x0F, 0xA2}), "(bad)");
    EXPECT_EQ(decode({0xE3, 0x00}), "jecxz  0x2");
    EXPECT_EQ(decode({0x67, 0xE3, 0x00}), "addr16 jcxz 0x3");
    EXPECT_EQ(decode({0xDF, 0xE0}), "fnstsw %eax");
    EXPECT_EQ(decode({0xD8, 0xC1}), "fadd   %st(1),%st");
    EXPECT_EQ(decode({0xD9, 0xE8}), "fld1   ");
    EXPECT_EQ(decode({0xDB, 0xE0}), "feni(287 only) ");
}

TEST(Decoder, TruncatedInstructionsAreBadAndConsumeWhatIsThere)
{
    std::size_t n = 0;
    EXPECT_EQ(decode({0x8B, 0x85, 0x00}, &n), "(bad)");
    EXPECT_EQ(n, 3u);
    Instruction in = Decode(0, std::vector<std::uint8_t>{0x66, 0x66});
    EXPECT_TRUE(in.truncated);
    EXPECT_EQ(in.length, 2u);
    EXPECT_EQ(Decode(0, std::span<const std::uint8_t>{}).length, 1u);
}

/* Where the spelling of this decoder differs from llvm-objdump's, this
   decoder's is the one wanted; the rows are what the differential tests
   forgive (each is applied to llvm's text before comparing). The number and
   syntax normalisation (hex forms, ", " separators, "<symbol>" notes, ",1)"
   scale of a lone base, "%ds:" defaults, "(%dx)") is in objdump_oracle.cpp. */
struct Spelling {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* ours;
    const char* llvm;  // as llvm-objdump prints it (after joining blanks)
    const char* pattern;      // regex over normalised llvm text
    const char* replacement;  // what it becomes
};

const std::vector<Spelling>& spellings()
{
    static const std::vector<Spelling> rows = {
        {"string operands in brackets, destination without %", {0xA4}, "movsb  %ds:[%esi],es:[%edi]",
         "movsb (%esi), %es:(%edi)", "", ""},
        {"repeat prefixes", {0xF3, 0xA4}, "repz movsb %ds:[%esi],es:[%edi]", "rep movsb (%esi), %es:(%edi)", "", ""},
        {"near calls and jumps without size letter", {0xFF, 0xD0}, "call   *%eax", "calll *%eax", "", ""},
        {"far pointer without $", {0xEA, 0, 0, 0, 0, 8, 0}, "ljmp   0x8,0x0", "ljmpl $0x8, $0x0", "", ""},
        {"port register in parentheses", {0xEC}, "inb    (%dx),%al", "inb %dx, %al", "", ""},
        {"scale written for a lone SIB base", {0x8B, 0x04, 0x24}, "movl   (%esp,1),%eax", "movl (%esp), %eax", "",
         ""},
        {"status word stored to %eax", {0xDF, 0xE0}, "fnstsw %eax", "fnstsw %ax", R"(^fnstsw %ax$)",
         "fnstsw %eax"},
        {"segment register store is always movw", {0x8C, 0xD8}, "movw   %ds,%ax", "movl %ds, %eax",
         R"(^movl (%[c-gs]s),%e(\w+)$)", "movw $1,%$2"},
        {"descriptor-table stores without size letter", {0x0F, 0x01, 0x00}, "sgdt   (%eax)", "sgdtl (%eax)",
         R"(^(sgdt|sidt|lgdt|lidt)[lw] )", "$1 "},
        {"system register moves without size letter", {0x0F, 0x00, 0xC0}, "sldt   %eax", "sldtl %eax",
         R"(^(sldt|str|lldt|ltr|verr|verw|smsw|lmsw)[lw]? )", "$1 "},
        {"bound and arpl keep their forms", {0x63, 0xC8}, "arpl   %cx,%ax", "arpl %cx, %ax", "", ""},
        {"x87 reversed subtraction named by what it computes", {0xDC, 0xE1}, "fsub   %st,%st(1)",
         "fsub %st, %st(1)", "", ""},
        {"bound in the common operand order", {0x62, 0x00}, "boundl (%eax),%eax", "bound %eax, (%eax)",
         R"(^bound (%e\w+),(.+)$)", "boundl $2,$1"},
        {"bound with 16-bit operands", {0x66, 0x62, 0x00}, "boundw (%eax),%ax", "bound %ax, (%eax)",
         R"(^bound (%\w\w),(.+)$)", "boundw $2,$1"},
        {"xchg of two registers in table order", {0x86, 0xC1}, "xchgb  %al,%cl", "xchgb %cl, %al",
         R"(^xchg([bwl]) (%\w+),(%\w+)$)", "xchg$1 $3,$2"},
        {"segment register loads are always movw", {0x8E, 0xC0}, "movw   %ax,%es", "movl %eax, %es",
         R"(^movl %e(\w\w),(%[c-gs]s)$)", "movw %$1,$2"},
        {"fwait joins the x87 instruction it precedes", {0x9B, 0xDB, 0xE3}, "finit  ", "wait fninit",
         R"(^wait fn(\w+))", "f$1"},
        {"fwait before an x87 instruction without a no-wait form", {0x9B, 0xD8, 0xC1}, "fadd   %st(1),%st",
         "wait fadd %st(1), %st", R"(^wait (f\w+))", "$1"},
        {"287-only instructions are named", {0xDB, 0xE0}, "feni(287 only) ", "<unknown>", "", ""},
        {"bswap without size letter", {0x0F, 0xC8}, "bswap  %eax", "bswapl %eax", R"(^bswap[lw] )", "bswap "},
        {"debug registers are %db", {0x0F, 0x21, 0xC0}, "movl   %db0,%eax", "movl %dr0, %eax", R"(%dr(\d))",
         "%db$1"},
        {"a zero displacement without base is written", {0x8B, 0x04, 0x85, 0, 0, 0, 0}, "movl   0x0(,%eax,4),%eax",
         "movl (,%eax,4), %eax", R"((^|[ ,*])\(,)", "$010x0(,"},
        {"leave, ret, iret and lret with size letter", {0xC3}, "retl   ", "retl", "", ""},
    };
    return rows;
}

std::string forgive(std::string llvm)
{
    static const std::vector<std::pair<std::regex, std::string>> rules = [] {
        std::vector<std::pair<std::regex, std::string>> r;
        for (const Spelling& s : spellings())
            if (*s.pattern)
                r.emplace_back(std::regex(s.pattern), s.replacement);
        return r;
    }();
    for (const auto& [pattern, replacement] : rules)
        llvm = std::regex_replace(llvm, pattern, replacement);
    return llvm;
}

TEST(DecoderSpelling, TheTableRowsAreWhatBothSidesPrint)
{
    std::vector<std::uint8_t> code;
    std::vector<std::size_t> offsets;
    for (const Spelling& s : spellings()) {
        offsets.push_back(code.size());
        code.insert(code.end(), s.bytes.begin(), s.bytes.end());
    }
    auto oracle = objdump_code(code, "spellings");
    for (std::size_t i = 0; i < spellings().size(); ++i) {
        const Spelling& s = spellings()[i];
        EXPECT_EQ(decode(s.bytes), s.ours) << s.what;
        ASSERT_TRUE(oracle.count(offsets[i])) << s.what;
        std::string llvm = oracle[offsets[i]].text;
        llvm = std::regex_replace(llvm, std::regex(R"(\s+)"), " ");
        llvm = std::regex_replace(llvm, std::regex(R"( $)"), "");
        EXPECT_EQ(llvm, s.llvm) << s.what;
    }
}

struct Comparison {
    std::size_t compared = 0, disagreements = 0;
    std::string first_failures;
    std::set<std::string> reported;  // one example per mnemonic
};

bool operand_size_16(const Instruction& in) { return (in.prefixes & prefix::kOperandSize) != 0; }

/* The oracle's texts are normalised with regular expressions, which the
   sanitizers slow down some sixty times; there every instruction is still
   decoded and its length compared, and every sixteenth text. */
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kTextStride = 16;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kTextStride = 16;
#else
constexpr std::size_t kTextStride = 1;
#endif
#else
constexpr std::size_t kTextStride = 1;
#endif

/* Compares the decoder with the oracle at each offset the decoder walks
   (lengths and normalised text), from the first instruction on. */
Comparison compare_walk(const std::vector<std::uint8_t>& code, const std::map<std::size_t, OracleInstruction>& oracle,
                        bool texts)
{
    Comparison c;
    std::size_t pos = 0;
    while (pos < code.size()) {
        Instruction in = Decode(static_cast<std::uint32_t>(pos),
                                std::span<const std::uint8_t>(code).subspan(pos));
        auto it = oracle.find(pos);
        ++c.compared;
        std::string problem;
        if (it == oracle.end())
            problem = "oracle has no instruction here";
        else if (it->second.length != in.length)
            problem = "length " + std::to_string(in.length) + " vs " + std::to_string(it->second.length);
        else if (texts && c.compared % kTextStride == 0) {
            bool w = operand_size_16(in);
            std::string ours = normalise_ours(in.text, w), theirs = forgive(normalise_llvm(it->second.text, w));
            if (ours != theirs)
                problem = "'" + ours + "' vs '" + theirs + "'";
        }
        std::string mnemonic = in.text.substr(0, in.text.find(' '));
        if (!problem.empty()) {
            ++c.disagreements;
            if (c.reported.insert(mnemonic).second && c.reported.size() <= 40) {
                char at[64];
                std::snprintf(at, sizeof at, "at 0x%zx [", pos);
                std::string bytes;
                for (std::size_t k = 0; k < in.length && pos + k < code.size(); ++k) {
                    char b[4];
                    std::snprintf(b, sizeof b, "%02x", code[pos + k]);
                    bytes += b;
                }
                c.first_failures += std::string(at) + bytes + "] " + in.text + ": " + problem + "\n";
            }
        }
        pos += in.length;
    }
    return c;
}

TEST(DecoderDifferential, EveryTableEntryWithEveryModrmFormAndPrefixMatchesTheOracle)
{
    std::vector<CorpusInstruction> corpus = generate_corpus();
    std::vector<std::uint8_t> code;
    for (const CorpusInstruction& i : corpus)
        code.insert(code.end(), i.bytes.begin(), i.bytes.end());
    auto oracle = objdump_code(code, "corpus");
    Comparison c = compare_walk(code, oracle, true);
    EXPECT_GT(corpus.size(), 20000u);
    EXPECT_EQ(c.disagreements, 0u) << c.compared << " compared\n" << c.first_failures;
}

/* Random bytes: the oracle's walk sets the offsets; at each of them the
   decoder, started afresh, must agree on the length wherever both give an
   instruction. */
TEST(DecoderDifferential, RandomBytesDecodeWithTheOraclesLengths)
{
    std::mt19937 random(20261208);
    std::vector<std::uint8_t> code(1 << 16);
    for (auto& b : code)
        b = static_cast<std::uint8_t>(random());
    auto oracle = objdump_code(code, "random");
    std::size_t compared = 0, disagreements = 0;
    std::string failures;
    for (const auto& [offset, theirs] : oracle) {
        Instruction in = Decode(static_cast<std::uint32_t>(offset), std::span<const std::uint8_t>(code).subspan(offset));
        ASSERT_GE(in.length, 1u);
        ASSERT_LE(offset + in.length, code.size() + 0);
        if (!in.valid || theirs.text.find("(bad)") != std::string::npos || theirs.text.find("<unknown>") != std::string::npos)
            continue;
        ++compared;
        if (in.length != theirs.length) {
            ++disagreements;
            if (disagreements <= 25) {
                char at[64];
                std::snprintf(at, sizeof at, "at 0x%zx: ", offset);
                failures += at + in.text + " (" + std::to_string(in.length) + ") vs " + theirs.text + " (" +
                            std::to_string(theirs.length) + ")\n";
            }
        }
    }
    EXPECT_GT(compared, 5000u);
    EXPECT_EQ(disagreements, 0u) << compared << " compared\n" << failures;
}

}  // namespace

namespace {

std::vector<std::uint8_t> text_of_object(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    vyn::ByteReader r(file);
    vyn::coff::FileHeader h = vyn::coff::read_file_header(r);
    r.skip(h.optional_header_size);
    for (std::uint16_t i = 0; i < h.section_count && r.ok(); ++i) {
        vyn::coff::SectionHeader s = vyn::coff::read_section_header(r);
        if (s.name == ".text" && std::size_t{s.raw_pos} + s.raw_size <= file.size())
            return {file.begin() + s.raw_pos, file.begin() + s.raw_pos + s.raw_size};
    }
    return {};
}

/* clang's own i386 code (no instructions beyond the i386 and i387), unoptimised
   and optimised: every instruction of ".text" agrees with the oracle. */
TEST(DecoderDifferential, ClangBuiltObjectsMatchTheOracle)
{
    std::string dir = scratch_dir();
    for (const char* flags : {"-O0", "-O2", "-Os -fomit-frame-pointer"}) {
        std::string object = dir + "/mixed" + std::to_string(std::hash<std::string>{}(flags)) + ".obj";
        std::string command = std::string("clang --target=i686-pc-windows-msvc -march=i386 -mno-sse -c ") + flags +
                              " -o '" + object + "' '" + VYN_DEBUGGER_TEST_PROGRAMS + "/mixed.c'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::vector<std::uint8_t> code = text_of_object(object);
        ASSERT_GT(code.size(), 200u);
        std::size_t size = 0;
        auto oracle = objdump_file(object, &size);
        ASSERT_EQ(size, code.size());
        Comparison c = compare_walk(code, oracle, true);
        EXPECT_GT(c.compared, 100u);
        EXPECT_EQ(c.disagreements, 0u) << flags << ": " << c.compared << " compared\n" << c.first_failures;
    }
}

}  // namespace
