// The opcode maps of the i386, the i387 and the MMX extension (with the
// 486's system additions), written as rows of text that are parsed once into
// entries: "addS Ev,Gv" is the template and its operands in table order,
// "@n" names group n, "@fpu" the floating-point escape, "" an opcode without
// a meaning.
#include "ide/debugger/disasm_tables.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vyn::dbg::tables {
namespace {

struct OperandName {
    std::string_view name;
    Op op;
};

constexpr OperandName kOperandNames[] = {
    {"Eb", Op::Eb},   {"Ew", Op::Ew},   {"Ev", Op::Ev},   {"Ed", Op::Ed},   {"Gb", Op::Gb},   {"Gw", Op::Gw},
    {"Gv", Op::Gv},   {"Gd", Op::Gd},   {"M", Op::M},     {"*Ev", Op::IndirEv}, {"*M", Op::IndirM},
    {"Ib", Op::Ib},   {"Iw", Op::Iw},   {"Iv", Op::Iv},   {"sIb", Op::SIb}, {"Jb", Op::Jb},   {"Jv", Op::Jv},
    {"Ap", Op::Ap},   {"Ob", Op::Ob},   {"Ov", Op::Ov},   {"Sw", Op::Sw},   {"Cd", Op::Cd},   {"Dd", Op::Dd},
    {"Td", Op::Td},   {"Rd", Op::Rd},   {"Xb", Op::Xb},   {"Xv", Op::Xv},   {"Yb", Op::Yb},   {"Yv", Op::Yv},
    {"DX", Op::Dx},   {"CL", Op::Cl},   {"AL", Op::Al},   {"eAX", Op::EAx}, {"RegB", Op::RegB}, {"RegV", Op::RegV},
    {"ES", Op::Es},   {"CS", Op::Cs},   {"SS", Op::Ss},   {"DS", Op::Ds},   {"FS", Op::Fs},   {"GS", Op::Gs},
    {"Pq", Op::Pq},   {"Qq", Op::Qq},   {"Nq", Op::Nq},   {"ST", Op::St},   {"STi", Op::Sti}, {"EAX", Op::Eax32},
};

Op operand(std::string_view name)
{
    for (const OperandName& n : kOperandNames)
        if (n.name == name)
            return n.op;
    return Op::None;  // the "1" of the shift-by-one forms prints nothing
}

/* "mnemonic op,op,op" (the mnemonic may itself be "a|b"), "@n", "@fpu" or "".
   The rows are static text, so the views into them stay valid. */
Entry parse(std::string_view row)
{
    Entry e;
    if (row.empty())
        return e;
    if (row == "@fpu") {
        e.fpu = true;
        return e;
    }
    if (row[0] == '@') {
        e.group = static_cast<std::int8_t>(std::stoi(std::string(row.substr(1))));
        return e;
    }
    std::size_t space = row.find(' ');
    e.tmpl = row.substr(0, space);
    if (space == std::string_view::npos)
        return e;
    std::string_view rest = row.substr(space + 1);
    for (std::size_t i = 0; i < 3 && !rest.empty(); ++i) {
        std::size_t comma = rest.find(',');
        e.ops[i] = operand(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    }
    return e;
}

template <std::size_t N>
std::array<Entry, N> parse_all(const char* const (&rows)[N])
{
    std::array<Entry, N> out{};
    for (std::size_t i = 0; i < N; ++i)
        out[i] = parse(rows[i]);
    return out;
}

// clang-format off
const char* const kOneByte[256] = {
    // 00
    "addb Eb,Gb", "addS Ev,Gv", "addb Gb,Eb", "addS Gv,Ev", "addb AL,Ib", "addS eAX,Iv", "pushS ES", "popS ES",
    "orb Eb,Gb", "orS Ev,Gv", "orb Gb,Eb", "orS Gv,Ev", "orb AL,Ib", "orS eAX,Iv", "pushS CS", "",
    // 10
    "adcb Eb,Gb", "adcS Ev,Gv", "adcb Gb,Eb", "adcS Gv,Ev", "adcb AL,Ib", "adcS eAX,Iv", "pushS SS", "popS SS",
    "sbbb Eb,Gb", "sbbS Ev,Gv", "sbbb Gb,Eb", "sbbS Gv,Ev", "sbbb AL,Ib", "sbbS eAX,Iv", "pushS DS", "popS DS",
    // 20
    "andb Eb,Gb", "andS Ev,Gv", "andb Gb,Eb", "andS Gv,Ev", "andb AL,Ib", "andS eAX,Iv", "", "daa",
    "subb Eb,Gb", "subS Ev,Gv", "subb Gb,Eb", "subS Gv,Ev", "subb AL,Ib", "subS eAX,Iv", "", "das",
    // 30
    "xorb Eb,Gb", "xorS Ev,Gv", "xorb Gb,Eb", "xorS Gv,Ev", "xorb AL,Ib", "xorS eAX,Iv", "", "aaa",
    "cmpb Eb,Gb", "cmpS Ev,Gv", "cmpb Gb,Eb", "cmpS Gv,Ev", "cmpb AL,Ib", "cmpS eAX,Iv", "", "aas",
    // 40
    "incS RegV", "incS RegV", "incS RegV", "incS RegV", "incS RegV", "incS RegV", "incS RegV", "incS RegV",
    "decS RegV", "decS RegV", "decS RegV", "decS RegV", "decS RegV", "decS RegV", "decS RegV", "decS RegV",
    // 50
    "pushS RegV", "pushS RegV", "pushS RegV", "pushS RegV", "pushS RegV", "pushS RegV", "pushS RegV", "pushS RegV",
    "popS RegV", "popS RegV", "popS RegV", "popS RegV", "popS RegV", "popS RegV", "popS RegV", "popS RegV",
    // 60
    "pushaS", "popaS", "boundS Gv,M", "arpl Ew,Gw", "", "", "", "",
    "pushS Iv", "imulS Gv,Ev,Iv", "pushS sIb", "imulS Gv,Ev,sIb", "insb Yb,DX", "insS Yv,DX", "outsb DX,Xb", "outsS DX,Xv",
    // 70
    "jo Jb", "jno Jb", "jb Jb", "jae Jb", "je Jb", "jne Jb", "jbe Jb", "ja Jb",
    "js Jb", "jns Jb", "jp Jb", "jnp Jb", "jl Jb", "jge Jb", "jle Jb", "jg Jb",
    // 80
    "@0", "@1", "@0", "@2", "testb Eb,Gb", "testS Ev,Gv", "xchgb Eb,Gb", "xchgS Ev,Gv",
    "movb Eb,Gb", "movS Ev,Gv", "movb Gb,Eb", "movS Gv,Ev", "movw Ew,Sw", "leaS Gv,M", "movw Sw,Ew", "@19",
    // 90
    "nop", "xchgS RegV,eAX", "xchgS RegV,eAX", "xchgS RegV,eAX", "xchgS RegV,eAX", "xchgS RegV,eAX", "xchgS RegV,eAX", "xchgS RegV,eAX",
    "cwtl|cbtw", "cltd|cwtd", "lcall Ap", "", "pushfS", "popfS", "sahf", "lahf",
    // A0
    "movb AL,Ob", "movS eAX,Ov", "movb Ob,AL", "movS Ov,eAX", "movsb Yb,Xb", "movsS Yv,Xv", "cmpsb Xb,Yb", "cmpsS Xv,Yv",
    "testb AL,Ib", "testS eAX,Iv", "stosb Yb,AL", "stosS Yv,eAX", "lodsb AL,Xb", "lodsS eAX,Xv", "scasb AL,Yb", "scasS eAX,Yv",
    // B0
    "movb RegB,Ib", "movb RegB,Ib", "movb RegB,Ib", "movb RegB,Ib", "movb RegB,Ib", "movb RegB,Ib", "movb RegB,Ib", "movb RegB,Ib",
    "movS RegV,Iv", "movS RegV,Iv", "movS RegV,Iv", "movS RegV,Iv", "movS RegV,Iv", "movS RegV,Iv", "movS RegV,Iv", "movS RegV,Iv",
    // C0
    "@3", "@4", "retS Iw", "retS", "lesS Gv,M", "ldsS Gv,M", "@20", "@21",
    "enter Iw,Ib", "leave", "lretS Iw", "lretS", "int3", "int Ib", "into", "iretS",
    // D0
    "@5", "@6", "@7", "@8", "aam Ib", "aad Ib", "", "xlatb",
    "@fpu", "@fpu", "@fpu", "@fpu", "@fpu", "@fpu", "@fpu", "@fpu",
    // E0
    "loopne Jb", "loope Jb", "loop Jb", "jCcxz Jb", "inb AL,Ib", "inS eAX,Ib", "outb Ib,AL", "outS Ib,eAX",
    "call Jv", "jmp Jv", "ljmp Ap", "jmp Jb", "inb AL,DX", "inS eAX,DX", "outb DX,AL", "outS DX,eAX",
    // F0
    "", "", "", "", "hlt", "cmc", "@9", "@10",
    "clc", "stc", "cli", "sti", "cld", "std", "@11", "@12",
};

const char* const kTwoByte[256] = {
    // 0F 00
    "@13", "@14", "larS Gv,Ew", "lslS Gv,Ew", "", "", "clts", "",
    "invd", "wbinvd", "", "", "", "", "", "",
    // 0F 10
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    // 0F 20
    "movl Rd,Cd", "movl Rd,Dd", "movl Cd,Rd", "movl Dd,Rd", "movl Rd,Td", "", "movl Td,Rd", "",
    "", "", "", "", "", "", "", "",
    // 0F 30
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    // 0F 40
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    // 0F 50
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    // 0F 60
    "punpcklbw Pq,Qq", "punpcklwd Pq,Qq", "punpckldq Pq,Qq", "packsswb Pq,Qq",
    "pcmpgtb Pq,Qq", "pcmpgtw Pq,Qq", "pcmpgtd Pq,Qq", "packuswb Pq,Qq",
    "punpckhbw Pq,Qq", "punpckhwd Pq,Qq", "punpckhdq Pq,Qq", "packssdw Pq,Qq",
    "", "", "movd Pq,Ed", "movq Pq,Qq",
    // 0F 70
    "", "@16", "@17", "@18", "pcmpeqb Pq,Qq", "pcmpeqw Pq,Qq", "pcmpeqd Pq,Qq", "emms",
    "", "", "", "", "", "", "movd Ed,Pq", "movq Qq,Pq",
    // 0F 80
    "jo Jv", "jno Jv", "jb Jv", "jae Jv", "je Jv", "jne Jv", "jbe Jv", "ja Jv",
    "js Jv", "jns Jv", "jp Jv", "jnp Jv", "jl Jv", "jge Jv", "jle Jv", "jg Jv",
    // 0F 90
    "seto Eb", "setno Eb", "setb Eb", "setae Eb", "sete Eb", "setne Eb", "setbe Eb", "seta Eb",
    "sets Eb", "setns Eb", "setp Eb", "setnp Eb", "setl Eb", "setge Eb", "setle Eb", "setg Eb",
    // 0F A0
    "pushS FS", "popS FS", "", "btS Ev,Gv", "shldS Ev,Gv,Ib", "shldS Ev,Gv,CL", "", "",
    "pushS GS", "popS GS", "", "btsS Ev,Gv", "shrdS Ev,Gv,Ib", "shrdS Ev,Gv,CL", "", "imulS Gv,Ev",
    // 0F B0
    "cmpxchgb Eb,Gb", "cmpxchgS Ev,Gv", "lssS Gv,M", "btrS Ev,Gv", "lfsS Gv,M", "lgsS Gv,M", "movzbS Gv,Eb", "movzwS Gv,Ew",
    "", "", "@15", "btcS Ev,Gv", "bsfS Gv,Ev", "bsrS Gv,Ev", "movsbS Gv,Eb", "movswS Gv,Ew",
    // 0F C0
    "xaddb Eb,Gb", "xaddS Ev,Gv", "", "", "", "", "", "",
    "bswap RegV", "bswap RegV", "bswap RegV", "bswap RegV", "bswap RegV", "bswap RegV", "bswap RegV", "bswap RegV",
    // 0F D0
    "", "psrlw Pq,Qq", "psrld Pq,Qq", "psrlq Pq,Qq", "", "pmullw Pq,Qq", "", "",
    "psubusb Pq,Qq", "psubusw Pq,Qq", "", "pand Pq,Qq", "paddusb Pq,Qq", "paddusw Pq,Qq", "", "pandn Pq,Qq",
    // 0F E0
    "", "psraw Pq,Qq", "psrad Pq,Qq", "", "", "pmulhw Pq,Qq", "", "",
    "psubsb Pq,Qq", "psubsw Pq,Qq", "", "por Pq,Qq", "paddsb Pq,Qq", "paddsw Pq,Qq", "", "pxor Pq,Qq",
    // 0F F0
    "", "psllw Pq,Qq", "pslld Pq,Qq", "psllq Pq,Qq", "", "pmaddwd Pq,Qq", "", "",
    "psubb Pq,Qq", "psubw Pq,Qq", "psubd Pq,Qq", "", "paddb Pq,Qq", "paddw Pq,Qq", "paddd Pq,Qq", "",
};

const char* const kGroups[kGroupAllCount][8] = {
    // 0x80
    {"addb Eb,Ib", "orb Eb,Ib", "adcb Eb,Ib", "sbbb Eb,Ib", "andb Eb,Ib", "subb Eb,Ib", "xorb Eb,Ib", "cmpb Eb,Ib"},
    // 0x81
    {"addS Ev,Iv", "orS Ev,Iv", "adcS Ev,Iv", "sbbS Ev,Iv", "andS Ev,Iv", "subS Ev,Iv", "xorS Ev,Iv", "cmpS Ev,Iv"},
    // 0x83
    {"addS Ev,sIb", "orS Ev,sIb", "adcS Ev,sIb", "sbbS Ev,sIb", "andS Ev,sIb", "subS Ev,sIb", "xorS Ev,sIb", "cmpS Ev,sIb"},
    // 0xC0
    {"rolb Eb,Ib", "rorb Eb,Ib", "rclb Eb,Ib", "rcrb Eb,Ib", "shlb Eb,Ib", "shrb Eb,Ib", "", "sarb Eb,Ib"},
    // 0xC1
    {"rolS Ev,Ib", "rorS Ev,Ib", "rclS Ev,Ib", "rcrS Ev,Ib", "shlS Ev,Ib", "shrS Ev,Ib", "", "sarS Ev,Ib"},
    // 0xD0
    {"rolb Eb", "rorb Eb", "rclb Eb", "rcrb Eb", "shlb Eb", "shrb Eb", "", "sarb Eb"},
    // 0xD1
    {"rolS Ev", "rorS Ev", "rclS Ev", "rcrS Ev", "shlS Ev", "shrS Ev", "", "sarS Ev"},
    // 0xD2
    {"rolb Eb,CL", "rorb Eb,CL", "rclb Eb,CL", "rcrb Eb,CL", "shlb Eb,CL", "shrb Eb,CL", "", "sarb Eb,CL"},
    // 0xD3
    {"rolS Ev,CL", "rorS Ev,CL", "rclS Ev,CL", "rcrS Ev,CL", "shlS Ev,CL", "shrS Ev,CL", "", "sarS Ev,CL"},
    // 0xF6
    {"testb Eb,Ib", "", "notb Eb", "negb Eb", "mulb Eb", "imulb Eb", "divb Eb", "idivb Eb"},
    // 0xF7
    {"testS Ev,Iv", "", "notS Ev", "negS Ev", "mulS Ev", "imulS Ev", "divS Ev", "idivS Ev"},
    // 0xFE
    {"incb Eb", "decb Eb", "", "", "", "", "", ""},
    // 0xFF
    {"incS Ev", "decS Ev", "call *Ev", "lcall *M", "jmp *Ev", "ljmp *M", "pushS Ev", ""},
    // 0x0F 0x00
    {"sldt Ev", "str Ev", "lldt Ew", "ltr Ew", "verr Ew", "verw Ew", "", ""},
    // 0x0F 0x01
    {"sgdt M", "sidt M", "lgdt M", "lidt M", "smsw Ev", "", "lmsw Ew", "invlpg M"},
    // 0x0F 0xBA
    {"", "", "", "", "btS Ev,Ib", "btsS Ev,Ib", "btrS Ev,Ib", "btcS Ev,Ib"},
    // 0x0F 0x71
    {"", "", "psrlw Nq,Ib", "", "psraw Nq,Ib", "", "psllw Nq,Ib", ""},
    // 0x0F 0x72
    {"", "", "psrld Nq,Ib", "", "psrad Nq,Ib", "", "pslld Nq,Ib", ""},
    // 0x0F 0x73
    {"", "", "psrlq Nq,Ib", "", "", "", "psllq Nq,Ib", ""},
    // 0x8F, 0xC6, 0xC7: only reg 0 has a meaning
    {"popS Ev", "", "", "", "", "", "", ""},
    {"movb Eb,Ib", "", "", "", "", "", "", ""},
    {"movS Ev,Iv", "", "", "", "", "", "", ""},
};

const std::array<std::string_view, 64> kFpuMemory = {
    // D8
    "fadds", "fmuls", "fcoms", "fcomps", "fsubs", "fsubrs", "fdivs", "fdivrs",
    // D9
    "flds", "", "fsts", "fstps", "fldenv", "fldcw", "fNstenv", "fNstcw",
    // DA
    "fiaddl", "fimull", "ficoml", "ficompl", "fisubl", "fisubrl", "fidivl", "fidivrl",
    // DB
    "fildl", "", "fistl", "fistpl", "", "fldt", "", "fstpt",
    // DC
    "faddl", "fmull", "fcoml", "fcompl", "fsubl", "fsubrl", "fdivl", "fdivrl",
    // DD
    "fldl", "", "fstl", "fstpl", "frstor", "", "fNsave", "fNstsw",
    // DE
    "fiadds", "fimuls", "ficoms", "ficomps", "fisubs", "fisubrs", "fidivs", "fidivrs",
    // DF
    "filds", "", "fists", "fistps", "fbld", "fildll", "fbstp", "fistpll",
};
// clang-format on

FpuRegisterForm form(std::string_view row)
{
    FpuRegisterForm f;
    f.entry = parse(row);
    return f;
}

FpuRegisterForm names(std::array<std::string_view, 8> n)
{
    FpuRegisterForm f;
    f.names = n;
    f.by_rm = true;
    return f;
}

std::array<FpuRegisterForm, 64> build_fpu_register()
{
    std::array<FpuRegisterForm, 64> t{};
    auto set = [&t](int escape, std::array<FpuRegisterForm, 8> rows) {
        for (int reg = 0; reg < 8; ++reg)
            t[static_cast<std::size_t>((escape - 0xD8) * 8 + reg)] = rows[static_cast<std::size_t>(reg)];
    };
    const FpuRegisterForm bad{};
    set(0xD8, {form("fadd ST,STi"), form("fmul ST,STi"), form("fcom STi"), form("fcomp STi"), form("fsub ST,STi"),
               form("fsubr ST,STi"), form("fdiv ST,STi"), form("fdivr ST,STi")});
    set(0xD9, {form("fld STi"), form("fxch STi"), names({"fnop", "", "", "", "", "", "", ""}), bad,
               names({"fchs", "fabs", "", "", "ftst", "fxam", "", ""}),
               names({"fld1", "fldl2t", "fldl2e", "fldpi", "fldlg2", "fldln2", "fldz", ""}),
               names({"f2xm1", "fyl2x", "fptan", "fpatan", "fxtract", "fprem1", "fdecstp", "fincstp"}),
               names({"fprem", "fyl2xp1", "fsqrt", "fsincos", "frndint", "fscale", "fsin", "fcos"})});
    set(0xDA, {bad, bad, bad, bad, bad, names({"", "fucompp", "", "", "", "", "", ""}), bad, bad});
    set(0xDB, {bad, bad, bad, bad,
               names({"feni(287 only)", "fdisi(287 only)", "fNclex", "fNinit", "fNsetpm(287 only)", "", "", ""}),
               bad, bad, bad});
    // The reversed forms are named by what they compute: DC /4 subtracts
    // %st from %st(i), so it is fsub with %st(i) as the destination.
    set(0xDC, {form("fadd STi,ST"), form("fmul STi,ST"), bad, bad, form("fsub STi,ST"), form("fsubr STi,ST"),
               form("fdiv STi,ST"), form("fdivr STi,ST")});
    set(0xDD, {form("ffree STi"), bad, form("fst STi"), form("fstp STi"), form("fucom STi"), form("fucomp STi"),
               bad, bad});
    set(0xDE, {form("faddp STi,ST"), form("fmulp STi,ST"), bad, names({"", "fcompp", "", "", "", "", "", ""}),
               form("fsubp STi,ST"), form("fsubrp STi,ST"), form("fdivp STi,ST"), form("fdivrp STi,ST")});
    set(0xDF, {bad, bad, bad, bad, form("fNstsw EAX"), bad, bad, bad});
    return t;
}

}  // namespace

const std::array<Entry, 256>& one_byte()
{
    static const std::array<Entry, 256> table = parse_all(kOneByte);
    return table;
}

const std::array<Entry, 256>& two_byte()
{
    static const std::array<Entry, 256> table = parse_all(kTwoByte);
    return table;
}

const std::array<Entry, 8>& group(int number)
{
    static const std::vector<std::array<Entry, 8>> groups = [] {
        std::vector<std::array<Entry, 8>> g;
        for (const auto& rows : kGroups)
            g.push_back(parse_all(rows));
        return g;
    }();
    return groups.at(static_cast<std::size_t>(number));
}

const std::array<std::string_view, 64>& fpu_memory() { return kFpuMemory; }

const std::array<FpuRegisterForm, 64>& fpu_register()
{
    static const std::array<FpuRegisterForm, 64> table = build_fpu_register();
    return table;
}

}  // namespace vyn::dbg::tables
