// Running a compiled program over a subject by recursive backtracking, with
// the pre-tests that spare most start positions, and the step and depth
// limits that keep a pathological pattern from running for ever.
#include "ide/editor/regex.h"

#include <cstring>

namespace vyn::editor {

namespace {

class Matcher {
public:
    Matcher(CompiledRegex& re, std::string_view subject, long budget) : re_(re), subject_(subject), budget_(budget) {}

    // Matches the program at subject position at; records the groups.
    bool try_at(std::size_t at)
    {
        input_ = at;
        re_.start.fill(-1);
        re_.end.fill(-1);
        if (!match(re_.program.data() + 2))
            return false;
        re_.start[0] = static_cast<int>(at);
        re_.end[0] = static_cast<int>(input_);
        return true;
    }
    // Set when the search must stop: too_complex or bad_program.
    RegexStatus failure() const { return failure_; }
    bool failed() const { return failure_ != RegexStatus::no_match; }

private:
    static std::uint8_t op(const std::uint8_t* node) { return node[0]; }
    static const char* operand(const std::uint8_t* node) { return reinterpret_cast<const char*>(node + 3); }
    static const std::uint8_t* next(const std::uint8_t* node)
    {
        unsigned offset = node[1] | (node[2] << 8);
        if (offset == 0)
            return nullptr;
        return op(node) == regop::back ? node - offset : node + offset;
    }

    bool step(long count = 1)
    {
        steps_ += count;
        if (steps_ > budget_)
            failure_ = RegexStatus::too_complex;
        return !failed();
    }

    bool at_end() const { return input_ >= subject_.size(); }
    char current() const { return subject_[input_]; }

    bool in_operand(const std::uint8_t* node, char c) const
    {
        return c != '\0' && std::strchr(operand(node), c) != nullptr;
    }

    bool match(const std::uint8_t* scan);
    // A group's start or end mark: the place is marked only once the rest
    // has matched from it, so that of several passes through a repeated
    // group the last one, which returns first, is the one kept.
    bool match_then_mark(const std::uint8_t* following, std::array<int, regex_groups>& marks, int group)
    {
        std::size_t save = input_;
        if (!match(following))
            return false;
        if (marks[static_cast<std::size_t>(group)] < 0)
            marks[static_cast<std::size_t>(group)] = static_cast<int>(save);
        return true;
    }
    bool match_repetition(const std::uint8_t* scan, const std::uint8_t* next);
    std::size_t repeat(const std::uint8_t* node);

    CompiledRegex& re_;
    std::string_view subject_;
    long budget_;
    std::size_t input_ = 0;
    long steps_ = 0;
    int depth_ = 0;
    RegexStatus failure_ = RegexStatus::no_match;
};

struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};

/* Matches the program from node scan at the current input position. On
   success the input stands after the match; on failure it is undefined and
   the caller restores it. Groups are recorded on the way back from a
   successful rest of the program, so the outermost recording wins. */
bool Matcher::match(const std::uint8_t* scan)
{
    DepthGuard guard(depth_);
    if (depth_ > regex_depth_limit) {
        failure_ = RegexStatus::too_complex;
        return false;
    }
    while (scan != nullptr) {
        if (!step())
            return false;
        const std::uint8_t* following = next(scan);
        std::uint8_t code = op(scan);
        switch (code) {
        case regop::bol:
            if (input_ != 0)
                return false;
            break;
        case regop::eol:
            if (!at_end())
                return false;
            break;
        case regop::any:
            if (at_end())
                return false;
            ++input_;
            break;
        case regop::exactly: {
            const char* text = operand(scan);
            std::size_t length = std::strlen(text);
            if (subject_.size() - input_ < length || subject_.compare(input_, length, text, length) != 0)
                return false;
            input_ += length;
            break;
        }
        case regop::anyof:
            if (at_end() || !in_operand(scan, current()))
                return false;
            ++input_;
            break;
        case regop::anybut:
            if (at_end() || in_operand(scan, current()))
                return false;
            ++input_;
            break;
        case regop::nothing:
        case regop::back:
            break;
        case regop::branch:
            if (following == nullptr || op(following) != regop::branch) {
                following = scan + 3;  // no choice: avoid the recursion
                break;
            }
            do {
                std::size_t save = input_;
                if (match(scan + 3))
                    return true;
                if (failed())
                    return false;
                input_ = save;
                scan = next(scan);
            } while (scan != nullptr && op(scan) == regop::branch);
            return false;
        case regop::star:
        case regop::plus:
            return match_repetition(scan, following);
        case regop::end:
            return true;
        default:
            if (code > regop::open && code < regop::open + regex_groups)
                return match_then_mark(following, re_.start, code - regop::open);
            if (code > regop::close && code < regop::close + regex_groups)
                return match_then_mark(following, re_.end, code - regop::close);
            failure_ = RegexStatus::bad_program;
            return false;
        }
        scan = following;
    }
    failure_ = RegexStatus::bad_program;  // a chain that ends without END
    return false;
}

/* STAR and PLUS: take as many as possible, then give back one at a time,
   trying the rest after each count. When the rest starts with a literal,
   only counts followed by its first character are worth trying. */
bool Matcher::match_repetition(const std::uint8_t* scan, const std::uint8_t* following)
{
    if (following == nullptr) {
        failure_ = RegexStatus::bad_program;
        return false;
    }
    int next_char = op(following) == regop::exactly ? static_cast<unsigned char>(operand(following)[0]) : -1;
    std::size_t minimum = op(scan) == regop::star ? 0 : 1;
    std::size_t save = input_;
    std::size_t count = repeat(scan + 3);
    if (failed())
        return false;
    while (count >= minimum) {
        input_ = save + count;
        if (next_char < 0 || (!at_end() && static_cast<unsigned char>(current()) == next_char)) {
            if (match(following))
                return true;
            if (failed())
                return false;
        } else if (!step()) {
            return false;
        }
        if (count == 0)
            break;
        --count;
    }
    return false;
}

/* How many times the simple node matches from the input on; leaves the
   input unchanged. */
std::size_t Matcher::repeat(const std::uint8_t* node)
{
    std::size_t scan = input_;
    std::size_t size = subject_.size();
    switch (op(node)) {
    case regop::any:
        scan = size;
        break;
    case regop::exactly: {
        char c = operand(node)[0];
        while (scan < size && subject_[scan] == c)
            ++scan;
        break;
    }
    case regop::anyof:
        while (scan < size && in_operand(node, subject_[scan]))
            ++scan;
        break;
    case regop::anybut:
        while (scan < size && !in_operand(node, subject_[scan]))
            ++scan;
        break;
    default:
        failure_ = RegexStatus::bad_program;
        return 0;
    }
    step(static_cast<long>(scan - input_));
    return scan - input_;
}

}  // namespace

RegexStatus execute_regex(CompiledRegex& re, std::string_view subject, std::size_t from, long step_budget)
{
    re.start.fill(-1);
    re.end.fill(-1);
    if (re.program.size() < 5 || re.program[0] != regex_magic || re.program[1] != 'S')
        return RegexStatus::bad_program;
    if (from > subject.size())
        return RegexStatus::no_match;
    if (!re.required.empty() && re.required_finder.find(subject, from) == std::string_view::npos)
        return RegexStatus::no_match;
    Matcher matcher(re, subject, step_budget);
    auto outcome = [&](bool matched) {
        if (matcher.failed())
            return matcher.failure();
        return matched ? RegexStatus::matched : RegexStatus::no_match;
    };
    if (re.anchored)
        return outcome(from == 0 && matcher.try_at(0));
    if (re.first != '\0') {
        const char* base = subject.data();
        std::size_t at = from;
        while (at < subject.size()) {
            const void* hit = std::memchr(base + at, re.first, subject.size() - at);
            if (hit == nullptr)
                break;
            at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            if (matcher.try_at(at))
                return RegexStatus::matched;
            if (matcher.failed())
                return matcher.failure();
            ++at;
        }
        return RegexStatus::no_match;
    }
    for (std::size_t at = from; at <= subject.size(); ++at) {
        if (matcher.try_at(at))
            return RegexStatus::matched;
        if (matcher.failed())
            return matcher.failure();
    }
    return RegexStatus::no_match;
}

RegexFind find_in_string(CompiledRegex& re, std::string_view subject, std::size_t from)
{
    RegexFind found;
    found.status = execute_regex(re, subject, from);
    if (found.status != RegexStatus::matched)
        return found;
    if (static_cast<std::size_t>(re.start[0]) >= subject.size()) {
        found.status = RegexStatus::no_match;
        return found;
    }
    found.offset = re.start[0];
    found.length = re.end[0] - re.start[0];
    return found;
}

std::string regex_failure_message(RegexStatus status)
{
    switch (status) {
    case RegexStatus::too_complex:
        return "Regular expression too complex for this text: search stopped";
    case RegexStatus::bad_program:
        return "Bad reg exp";
    default:
        return {};
    }
}

}  // namespace vyn::editor
