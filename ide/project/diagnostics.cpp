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

// A file name up to a blank or a ":" that is not followed by "\".
std::string_view format_a_name(std::string_view s, std::size_t& i)
{
    std::size_t start = i;
    while (i < s.size() && !vyn::is_blank(s[i]) && !(s[i] == ':' && (i + 1 >= s.size() || s[i + 1] != '\\')))
        ++i;
    return s.substr(start, i - start);
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
    std::string_view name = format_a_name(s, i);
    std::size_t after = i;
    skip_blanks(s, after);
    if (!cpp && drive_follows(s, after)) {
        i = after;
        name = format_a_name(s, i);
    }
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

bool format_b_name_char(char c)
{
    return is_letter(c) || is_digit(c) || c == ':' || c == '\\' || c == '.' || c == '_' || c == '-';
}

std::optional<Diagnostic> parse_format_b(std::string_view s, std::string_view current_dir)
{
    std::size_t i = 0;
    while (i < s.size() && format_b_name_char(s[i]))
        ++i;
    std::string_view name = s.substr(0, i);
    skip_blanks(s, i);
    if (name.empty() || i >= s.size() || s[i] != '(')
        return std::nullopt;
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
    std::string_view word = rest.starts_with("warning") ? "warning" : rest.starts_with("error") ? "error" : "";
    if (word.empty())
        return std::nullopt;
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
