// Compiling a pattern into the node program. The pattern is parsed twice:
// the first pass only measures the program, so that an oversized one is
// refused before anything is built; the second emits it. Each parse routine
// returns the offset of the node it made and reports through flags what it
// knows of the piece: whether it always takes at least one character, whether
// it is a single simple node that STAR and PLUS can repeat directly, and
// whether it may begin anywhere (it starts with a repetition).
#include "ide/editor/regex.h"

#include <cstring>

namespace vyn::editor {

namespace {

constexpr int has_width = 1;  // never matches the empty string
constexpr int simple = 2;     // one simple node: ANY, ANYOF, ANYBUT or a one-character EXACTLY
constexpr int starts_anywhere = 4;

constexpr const char* meta = "^$.[()|?+*\\";
constexpr std::size_t none = static_cast<std::size_t>(-1);
// The node offset handed out while measuring; the emit pass never places a
// node there (the magic byte is).
constexpr std::size_t dummy = 0;

bool is_repetition(char c)
{
    return c == '*' || c == '+' || c == '?';
}

class Compiler {
public:
    Compiler(std::string_view pattern, bool measuring) : pattern_(pattern), measuring_(measuring) {}

    // Parses the whole pattern; false with message() on a syntax error.
    bool run(int& flags)
    {
        emit(regex_magic);
        emit('S');
        return expression(false, flags) != none;
    }
    std::size_t size() const { return size_; }
    std::vector<std::uint8_t>& code() { return code_; }
    const std::string& message() const { return message_; }

private:
    char peek() const { return pos_ < pattern_.size() ? pattern_[pos_] : '\0'; }

    std::size_t fail(const char* message)
    {
        message_ = message;
        return none;
    }

    void emit(std::uint8_t byte)
    {
        ++size_;
        if (!measuring_)
            code_.push_back(byte);
    }

    std::size_t node(std::uint8_t op)
    {
        std::size_t at = size_;
        emit(op);
        emit(0);
        emit(0);
        return measuring_ ? dummy : at;
    }

    // Puts a node in front of the operand that starts at offset at.
    void insert(std::uint8_t op, std::size_t at)
    {
        size_ += 3;
        if (!measuring_)
            code_.insert(code_.begin() + static_cast<std::ptrdiff_t>(at), {op, 0, 0});
    }

    std::size_t next_of(std::size_t at) const
    {
        unsigned offset = code_[at + 1] | (code_[at + 2] << 8);
        if (offset == 0)
            return none;
        return code_[at] == regop::back ? at - offset : at + offset;
    }

    // Links the last node of the chain that starts at p to val.
    void tail(std::size_t p, std::size_t val)
    {
        if (measuring_)
            return;
        std::size_t scan = p;
        for (std::size_t next = next_of(scan); next != none; next = next_of(scan))
            scan = next;
        std::size_t offset = code_[scan] == regop::back ? scan - val : val - scan;
        code_[scan + 1] = static_cast<std::uint8_t>(offset & 0xFF);
        code_[scan + 2] = static_cast<std::uint8_t>(offset >> 8);
    }

    // tail() on the operand of a BRANCH; nothing for other nodes.
    void operand_tail(std::size_t p, std::size_t val)
    {
        if (measuring_ || p == none || code_[p] != regop::branch)
            return;
        tail(p + 3, val);
    }

    std::size_t expression(bool paren, int& flags);
    std::size_t branch(int& flags);
    std::size_t piece(int& flags);
    std::size_t atom(int& flags);
    std::size_t bracket(int& flags);
    std::size_t literal_run(int& flags);

    std::string_view pattern_;
    bool measuring_;
    std::size_t pos_ = 0;
    int groups_ = 1;
    std::size_t size_ = 0;
    std::vector<std::uint8_t> code_;
    std::string message_;
};

/* expression: branch { "|" branch }, inside parentheses when paren is set.
   Every branch's last node and the parenthesis' own chain lead to one
   closing node (CLOSE n, or END for the whole pattern). */
std::size_t Compiler::expression(bool paren, int& flags)
{
    flags = has_width;
    std::size_t ret = none;
    int group = 0;
    if (paren) {
        if (groups_ >= regex_groups)
            return fail("Too many () in reg exp");
        group = groups_++;
        ret = node(static_cast<std::uint8_t>(regop::open + group));
    }
    for (bool first = true; first || peek() == '|'; first = false) {
        if (!first)
            ++pos_;
        int branch_flags = 0;
        std::size_t br = branch(branch_flags);
        if (br == none)
            return none;
        if (ret != none)
            tail(ret, br);
        else
            ret = br;
        if (!(branch_flags & has_width))
            flags &= ~has_width;
        flags |= branch_flags & starts_anywhere;
    }
    std::size_t ender = node(paren ? static_cast<std::uint8_t>(regop::close + group) : regop::end);
    tail(ret, ender);
    if (!measuring_)
        for (std::size_t br = ret; br != none; br = next_of(br))
            operand_tail(br, ender);
    if (paren) {
        if (peek() != ')')
            return fail("Mismatched ()");
        ++pos_;
    } else if (pos_ < pattern_.size()) {
        return fail(peek() == ')' ? "Mismatched ()" : "Bad regular expression");
    }
    return ret;
}

/* branch: a BRANCH node whose operand is the chain of its pieces (NOTHING
   when it has none). */
std::size_t Compiler::branch(int& flags)
{
    flags = 0;
    std::size_t ret = node(regop::branch);
    std::size_t chain = none;
    while (pos_ < pattern_.size() && peek() != '|' && peek() != ')') {
        int piece_flags = 0;
        std::size_t latest = piece(piece_flags);
        if (latest == none)
            return none;
        flags |= piece_flags & has_width;
        if (chain == none)
            flags |= piece_flags & starts_anywhere;
        else
            tail(chain, latest);
        chain = latest;
    }
    if (chain == none)
        node(regop::nothing);
    return ret;
}

/* piece: an atom and its repetition. A simple operand is repeated by STAR
   or PLUS in front of it; any other is looped with branches:
     x*  ->  BRANCH(x BACK->first BRANCH) BRANCH(NOTHING)
     x+  ->  x BRANCH(BACK->x) BRANCH(NOTHING)
     x?  ->  BRANCH(x) BRANCH(NOTHING)                                   */
std::size_t Compiler::piece(int& flags)
{
    int atom_flags = 0;
    std::size_t ret = atom(atom_flags);
    if (ret == none)
        return none;
    char op = peek();
    if (!is_repetition(op)) {
        flags = atom_flags;
        return ret;
    }
    if (!(atom_flags & has_width) && op != '?')
        return fail("Operand of +? could be empty");
    flags = op != '+' ? starts_anywhere : has_width;
    bool is_simple = (atom_flags & simple) != 0;
    if (op == '*' && is_simple) {
        insert(regop::star, ret);
    } else if (op == '*') {
        insert(regop::branch, ret);
        operand_tail(ret, node(regop::back));
        operand_tail(ret, ret);
        tail(ret, node(regop::branch));
        tail(ret, node(regop::nothing));
    } else if (op == '+' && is_simple) {
        insert(regop::plus, ret);
    } else if (op == '+') {
        std::size_t next = node(regop::branch);
        tail(ret, next);
        tail(node(regop::back), ret);
        tail(next, node(regop::branch));
        tail(ret, node(regop::nothing));
    } else {
        insert(regop::branch, ret);
        tail(ret, node(regop::branch));
        std::size_t next = node(regop::nothing);
        tail(ret, next);
        operand_tail(ret, next);
    }
    ++pos_;
    if (is_repetition(peek()))
        return fail("Bad regular expression");
    return ret;
}

std::size_t Compiler::atom(int& flags)
{
    flags = 0;
    char c = peek();
    ++pos_;
    switch (c) {
    case '^':
        return node(regop::bol);
    case '$':
        return node(regop::eol);
    case '.':
        flags |= has_width | simple;
        return node(regop::any);
    case '[':
        return bracket(flags);
    case '(': {
        int inner = 0;
        std::size_t ret = expression(true, inner);
        if (ret == none)
            return none;
        flags |= inner & (has_width | starts_anywhere);
        return ret;
    }
    case '|':
    case ')':
        return fail("Bad regular expression");  // branch() stops before these
    case '?':
    case '+':
    case '*':
        return fail("?*+ followed by nothing");
    case '\\': {
        if (pos_ >= pattern_.size())
            return fail("Trailing \\");
        flags |= has_width | simple;
        std::size_t ret = node(regop::exactly);
        emit(static_cast<std::uint8_t>(pattern_[pos_++]));
        emit(0);
        return ret;
    }
    default:
        --pos_;
        return literal_run(flags);
    }
}

/* A class: "[" then "^" for ANYBUT; a "]" or "-" first is a member; "a-z"
   adds the range, from the character before the "-"; a "-" before the
   closing "]" is a member. */
std::size_t Compiler::bracket(int& flags)
{
    std::size_t ret;
    if (peek() == '^') {
        ret = node(regop::anybut);
        ++pos_;
    } else {
        ret = node(regop::anyof);
    }
    if (peek() == ']' || peek() == '-')
        emit(static_cast<std::uint8_t>(pattern_[pos_++]));
    while (pos_ < pattern_.size() && peek() != ']') {
        if (peek() != '-') {
            emit(static_cast<std::uint8_t>(pattern_[pos_++]));
            continue;
        }
        ++pos_;
        if (pos_ >= pattern_.size() || peek() == ']') {
            emit('-');
            continue;
        }
        unsigned from = static_cast<unsigned char>(pattern_[pos_ - 2]) + 1;
        unsigned to = static_cast<unsigned char>(pattern_[pos_]);
        if (from > to + 1)
            return fail("Invalid [] range");
        for (; from <= to; ++from)
            emit(static_cast<std::uint8_t>(from));
        ++pos_;
    }
    emit(0);
    if (peek() != ']')
        return fail("unmatched []");
    ++pos_;
    flags |= has_width | simple;
    return ret;
}

/* A run of ordinary characters up to the next meta character; when a
   repetition follows a run of several, the last character is left for the
   next atom so that the repetition applies to it alone. */
std::size_t Compiler::literal_run(int& flags)
{
    std::size_t length = 0;
    while (pos_ + length < pattern_.size() && std::strchr(meta, pattern_[pos_ + length]) == nullptr)
        ++length;
    if (length == 0)
        return fail("Bad regular expression");
    char ender = pos_ + length < pattern_.size() ? pattern_[pos_ + length] : '\0';
    if (length > 1 && is_repetition(ender))
        --length;
    flags |= has_width;
    if (length == 1)
        flags |= simple;
    std::size_t ret = node(regop::exactly);
    for (std::size_t i = 0; i < length; ++i)
        emit(static_cast<std::uint8_t>(pattern_[pos_++]));
    emit(0);
    return ret;
}

std::size_t next_node(const std::vector<std::uint8_t>& program, std::size_t at)
{
    unsigned offset = program[at + 1] | (program[at + 2] << 8);
    if (offset == 0)
        return none;
    return program[at] == regop::back ? at - offset : at + offset;
}

const char* operand(const std::vector<std::uint8_t>& program, std::size_t at)
{
    return reinterpret_cast<const char*>(program.data() + at + 3);
}

/* The pre-tests: with a single top-level branch, a first EXACTLY gives the
   first character and a first BOL the anchoring; when the branch may start
   anywhere, its longest EXACTLY (the last of equal ones) is required. */
void find_pretests(CompiledRegex& re, int flags)
{
    const std::vector<std::uint8_t>& program = re.program;
    std::size_t scan = 2;  // the first BRANCH
    if (program[next_node(program, scan)] != regop::end)
        return;
    scan += 3;
    if (program[scan] == regop::exactly)
        re.first = operand(program, scan)[0];
    else if (program[scan] == regop::bol)
        re.anchored = true;
    if (!(flags & starts_anywhere))
        return;
    std::size_t longest = 0;
    const char* best = nullptr;
    for (; scan != none; scan = next_node(program, scan)) {
        if (program[scan] != regop::exactly)
            continue;
        std::size_t length = std::strlen(operand(program, scan));
        if (length >= longest) {
            longest = length;
            best = operand(program, scan);
        }
    }
    if (best != nullptr) {
        re.required.assign(best, longest);
        re.required_finder = LiteralFinder(re.required);
    }
}

}  // namespace

std::optional<CompiledRegex> compile_regex(std::string_view pattern, std::string& message)
{
    // Patterns are zero-terminated texts; a zero byte cannot be part of one.
    if (pattern.find('\0') != std::string_view::npos) {
        message = "Bad regular expression";
        return std::nullopt;
    }
    int flags = 0;
    Compiler measure(pattern, true);
    if (!measure.run(flags)) {
        message = measure.message();
        return std::nullopt;
    }
    if (measure.size() >= regex_max_program) {
        message = "Bad regular expression";
        return std::nullopt;
    }
    Compiler emitter(pattern, false);
    if (!emitter.run(flags)) {
        message = emitter.message();
        return std::nullopt;
    }
    CompiledRegex re;
    re.start.fill(-1);
    re.end.fill(-1);
    re.source = std::string(pattern);
    re.program = std::move(emitter.code());
    find_pretests(re, flags);
    return re;
}

}  // namespace vyn::editor
