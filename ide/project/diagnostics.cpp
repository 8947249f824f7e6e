#include "ide/project/diagnostics.h"

#include "common/strings.h"
#include "common/winpath.h"

namespace vyn::project {

using vyn::format;
namespace winpath = vyn::winpath;

namespace {

constexpr std::size_t kMaxLineDigits = 6;
constexpr std::size_t kWrapLookBack = 15;
constexpr std::size_t kWrapMinimum = 31;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void skip_blanks(std::string_view s, std::size_t& i)
{
    while (i < s.size() && vyn::is_blank(s[i]))
        ++i;
}

bool drive_follows(std::string_view s, std::size_t i)
{
    return i + 2 < s.size() && is_letter(s[i]) && s[i + 1] == ':' && s[i + 2] == '\\';
}

bool name_colon(std::string_view s, std::size_t i)
{
    return s[i] == ':' && (i + 1 >= s.size() || s[i + 1] != '\\');
}

// A file name up to a blank or a ":" that is not followed by "\".
std::string_view format_a_name(std::string_view s, std::size_t& i)
{
    std::size_t start = i;
    while (i < s.size() && !vyn::is_blank(s[i]) && !name_colon(s, i))
        ++i;
    return s.substr(start, i - start);
}

/* The file name of "NAME: LINE" where NAME may hold blanks: up to the first
   ":" not followed by "\" (a file name holds no other colon), when the line
   number follows it, trailing blanks dropped. Nothing when the line has no
   such colon; i is then left alone. */
std::optional<std::string_view> format_a_name_before_line(std::string_view s, std::size_t& i)
{
    std::size_t colon = i;
    while (colon < s.size() && !name_colon(s, colon))
        ++colon;
    std::size_t after = colon + 1;
    skip_blanks(s, after);
    if (colon >= s.size() || after >= s.size() || !is_digit(s[after]))
        return std::nullopt;
    std::string_view name = vyn::trim_right(s.substr(i, colon - i));
    i = colon;
    return name;
}

std::string full_upper(std::string_view name, std::string_view current_dir)
{
    return winpath::upper_az(winpath::full_path(name, current_dir));
}

bool starts_format_a(std::string_view line)
{
    return line.starts_with("Warning") || line.starts_with("Error") || vyn::starts_with_nocase(line, "CPP");
}

std::optional<Diagnostic> parse_format_a(std::string_view s, std::string_view current_dir)
{
    bool cpp = vyn::starts_with_nocase(s, "CPP");
    std::size_t i = 0;
    while (i < s.size() && !vyn::is_blank(s[i]))
        ++i;
    if (i < s.size())
        ++i;
    // The name starts here, or at a drive letter after the word that stands
    // here (not on a CPP line).
    std::size_t start = i;
    format_a_name(s, i);
    skip_blanks(s, i);
    if (cpp || !drive_follows(s, i))
        i = start;
    // A name with blanks is read whole when a colon and the line number end it.
    auto whole = format_a_name_before_line(s, i);
    std::string_view name = whole ? *whole : format_a_name(s, i);
    if (name.empty())
        return std::nullopt;
    if (i < s.size() && s[i] == ':')
        ++i;
    skip_blanks(s, i);
    long line = 0;
    std::size_t digits = 0;
    while (i < s.size() && is_digit(s[i]) && digits < kMaxLineDigits) {
        line = line * 10 + (s[i++] - '0');
        ++digits;
    }
    if (digits == 0 || line < 1 || (i < s.size() && is_digit(s[i])))
        return std::nullopt;
    skip_blanks(s, i);
    if (i < s.size() && s[i] == ':')
        ++i;
    skip_blanks(s, i);
    Diagnostic d;
    d.file = full_upper(name, current_dir);
    d.line = line;
    d.text = format("[%ld]:%s", line, std::string(s.substr(i)).c_str());
    return d;
}

// What a Windows file name (with its directories and drive) may not hold.
bool outside_file_names(char c)
{
    return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || std::string_view("<>\"|?*").find(c) != std::string_view::npos;
}

/* At s[i] == '(': "(LINE)", then blanks and colons, then "warning" or
   "error"; the line and the rest from that word on. */
std::optional<std::pair<long, std::string_view>> format_b_tail(std::string_view s, std::size_t i)
{
    ++i;
    long line = 0;
    std::size_t digits = 0;
    while (i < s.size() && is_digit(s[i]) && digits < kMaxLineDigits) {
        line = line * 10 + (s[i++] - '0');
        ++digits;
    }
    if (digits == 0 || line < 1 || i >= s.size() || s[i] != ')')
        return std::nullopt;
    ++i;
    while (i < s.size() && (vyn::is_blank(s[i]) || s[i] == ':'))
        ++i;
    std::string_view rest = s.substr(i);
    if (!rest.starts_with("warning") && !rest.starts_with("error"))
        return std::nullopt;
    return std::pair{line, rest};
}

/* The file name runs from the start of the line to the first "(" that the
   line number, its ")" and the kind follow, trailing blanks dropped: so a
   name may hold blanks and parentheses of its own ("C:\My Projects (old)\a.c").
   A line that starts with a blank, or whose name holds what no file name
   may, is no diagnostic. */
std::optional<Diagnostic> parse_format_b(std::string_view s, std::string_view current_dir)
{
    std::optional<std::pair<long, std::string_view>> tail;
    std::size_t paren = 0;
    for (; paren < s.size() && !outside_file_names(s[paren]); ++paren)
        if (s[paren] == '(' && (tail = format_b_tail(s, paren)))
            break;
    std::string_view name = vyn::trim_right(s.substr(0, paren));
    if (!tail || name.empty() || vyn::is_blank(name.front()))
        return std::nullopt;
    auto [line, rest] = *tail;
    std::string_view word = rest.starts_with("warning") ? "warning" : "error";
    // The word after the kind (an error code such as "C4101:") is dropped.
    std::size_t j = word.size();
    skip_blanks(rest, j);
    while (j < rest.size() && !vyn::is_blank(rest[j]))
        ++j;
    skip_blanks(rest, j);
    Diagnostic d;
    d.file = full_upper(name, current_dir);
    d.line = line;
    d.text = std::string(word) + " " + std::string(rest.substr(j));
    return d;
}

// How many leading characters of text fit.
std::size_t fitting_length(std::string_view text, const FitsWidth& fits)
{
    std::size_t n = text.size();
    while (n > 0 && !fits(text.substr(0, n)))
        --n;
    return n;
}

}  // namespace

std::optional<Diagnostic> parse_diagnostic(std::string_view line, std::string_view current_dir)
{
    if (starts_format_a(line))
        return parse_format_a(line, current_dir);
    return parse_format_b(line, current_dir);
}

std::vector<std::string> wrap_line(std::string_view line, const FitsWidth& fits)
{
    std::vector<std::string> out;
    std::string text(line);
    while (!fits(text)) {
        std::size_t limit = std::max(fitting_length(text, fits), kWrapMinimum);
        if (limit >= text.size())
            break;
        std::size_t cut = limit;
        for (std::size_t i = limit; i-- > limit - kWrapLookBack;)
            if (text[i] == ' ' || text[i] == '(') {
                cut = i;
                break;
            }
        if (cut < kWrapMinimum)
            cut = limit;
        out.push_back(text.substr(0, cut));
        text = kContinuation + text.substr(cut);
    }
    out.push_back(std::move(text));
    return out;
}

std::string success_line(const BuildOutcome& o)
{
    return format("%s built sucessfully. (%3.1f sec).", std::string(winpath::base_name(o.executable)).c_str(),
                  o.build_ms / 1000.0);
}

std::string time_line(const BuildOutcome& o)
{
    return format("Compilation + link time:%3.1f sec, Return code: %ld", o.build_ms / 1000.0, o.return_code);
}

std::vector<std::string> results_lines(std::string_view contents, const std::string& file_name,
                                       const BuildOutcome& outcome, const FitsWidth& fits)
{
    if (contents.empty())
        return {success_line(outcome)};
    std::vector<std::string> lines;
    bool too_big = contents.size() > kResultsTextLimit;
    std::string_view rest = contents.substr(0, kResultsTextLimit);
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (line.size() >= kResultsLineLimit) {
            too_big = true;
            break;
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        for (std::string& part : wrap_line(line, fits))
            lines.push_back(std::move(part));
    }
    if (too_big)
        lines.push_back(format("Message file %s too big", file_name.c_str()));
    lines.push_back(time_line(outcome));
    return lines;
}

ClickedDiagnostic diagnostic_at(const std::vector<std::string>& lines, std::size_t index,
                                std::string_view current_dir)
{
    ClickedDiagnostic clicked;
    if (index >= lines.size())
        return clicked;
    while (index > 0 && lines[index].starts_with(kContinuation))
        --index;
    clicked.first_line = index;
    std::string joined = lines[index];
    for (std::size_t i = index + 1; i < lines.size() && lines[i].starts_with(kContinuation); ++i)
        joined += lines[i].substr(sizeof(kContinuation) - 1);
    clicked.diagnostic = parse_diagnostic(joined, current_dir);
    return clicked;
}

}  // namespace vyn::project
