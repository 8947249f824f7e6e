// The IDE's regular expressions: a pattern is compiled into a small program
// of nodes that a recursive backtracking matcher runs over one line of text.
// The same engine serves the searches, grep and the function patterns of
// the language definitions.
//
// Syntax: branches separated by "|"; pieces made of an atom and an optional
// "*", "+" or "?"; atoms "^", "$", ".", a class "[...]" or "[^...]", a group
// "(...)" (at most nine), "\c" for the character c, or a run of ordinary
// characters. Matching is case-sensitive and leftmost-first: at the leftmost
// position where a match exists, alternatives are tried in order and
// repetitions are greedy.
#pragma once

#include "ide/editor/literal_finder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::editor {

// Group 0 is the whole match, groups 1 to 9 the parentheses in order.
inline constexpr int regex_groups = 10;

// The program's opening bytes: a magic byte, then the letter "S".
inline constexpr std::uint8_t regex_magic = 0x9C;

// Programs must stay below this size; node links are 16-bit offsets.
inline constexpr std::size_t regex_max_program = 32767;

// A backtracking matcher can take exponential time: "(a|a)+b" on a line of
// a's tries every way of splitting it. One execution (every start position
// of one subject) may therefore take at most regex_step_budget steps (a step
// is one node visited or one character taken by a repetition), and nest at
// most regex_depth_limit recursive calls (the recursion grows with each turn
// of a loop built from branches, and must not exhaust a thread's stack).
// About 20 million steps take a few tenths of a second; no pattern that
// ends normally on an editor line (at most 513 characters) comes near.
// Beyond either limit the execution stops with RegexStatus::too_complex.
inline constexpr long regex_step_budget = 20'000'000;
inline constexpr int regex_depth_limit = 4000;

// Opcodes of the node program. A node is the opcode byte, a 16-bit offset
// to the next node (little-endian; 0 = none; counted backwards for BACK),
// and for EXACTLY, ANYOF and ANYBUT a zero-terminated operand string.
namespace regop {
constexpr std::uint8_t end = 0;       // success
constexpr std::uint8_t bol = 1;       // start of the subject only
constexpr std::uint8_t eol = 2;       // end of the subject only
constexpr std::uint8_t any = 3;       // any one character
constexpr std::uint8_t anyof = 4;     // a character of the operand
constexpr std::uint8_t anybut = 5;    // a character not in the operand (not the end)
constexpr std::uint8_t branch = 6;    // this alternative, else the next BRANCH
constexpr std::uint8_t back = 7;      // a link backwards (loop)
constexpr std::uint8_t exactly = 8;   // the operand literally
constexpr std::uint8_t nothing = 9;   // the empty string
constexpr std::uint8_t star = 10;     // the following simple node, zero or more times
constexpr std::uint8_t plus = 11;     // the following simple node, one or more times
constexpr std::uint8_t open = 20;     // 21 to 29: start of group n
constexpr std::uint8_t close = 30;    // 31 to 39: end of group n
}  // namespace regop

struct CompiledRegex {
    // Offsets into the subject of the groups of the last match, -1 when unset.
    std::array<int, regex_groups> start{};
    std::array<int, regex_groups> end{};
    char first = 0;         // the character every match starts with; 0 when unknown
    bool anchored = false;  // the expression begins with "^"
    std::string required;   // a literal every match contains; empty when none
    LiteralFinder required_finder;  // finds it
    std::string source;     // the pattern as given
    std::vector<std::uint8_t> program;
};

enum class RegexStatus {
    no_match,
    matched,
    too_complex,  // the step or depth limit was reached; the subject is undecided
    bad_program,  // an unknown opcode or a missing node
};

// Compiles pattern. On failure returns nothing and sets message to the
// reason ("Mismatched ()", "Invalid [] range", ...).
std::optional<CompiledRegex> compile_regex(std::string_view pattern, std::string& message);

// Matches re against subject, trying start positions from column from on
// ("^" still means column 0 of the subject). On a match, re.start and
// re.end hold the groups. step_budget may lower the budget (fuzzing does).
RegexStatus execute_regex(CompiledRegex& re, std::string_view subject, std::size_t from = 0,
                          long step_budget = regex_step_budget);

struct RegexFind {
    RegexStatus status = RegexStatus::no_match;
    int offset = -1;  // -1 when nothing was found
    int length = 0;
};

// The first match at or after column from, as offset and length. A match
// that starts at the end of the subject (an empty match there) is not a find.
RegexFind find_in_string(CompiledRegex& re, std::string_view subject, std::size_t from = 0);

// The message for an execution that did not end normally.
std::string regex_failure_message(RegexStatus status);

}  // namespace vyn::editor
