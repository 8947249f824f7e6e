// The search walks. Each kind of search proposes candidates line by line (a
// line's candidates are ordered by start and by end alike); the walks check
// them against the bounds, the starting point and the whole-words rule.
#include "ide/editor/search_walker.h"

#include "common/strings.h"
#include "ide/editor/find_flags.h"
#include "ide/editor/literal_finder.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace vyn::editor {

bool is_identifier_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

namespace {

std::string_view line_text(const Document& document, int line)
{
    if (line < 0 || line >= document.line_count())
        return {};
    return document.lines[static_cast<std::size_t>(line)].text;
}

// The character of the stream at p: the line's character, or the line-feed
// after it; nothing at the end of the document.
std::optional<char> stream_char(const Document& document, Position p)
{
    if (p.line < 0 || p.line >= document.line_count())
        return std::nullopt;
    std::string_view text = line_text(document, p.line);
    if (p.column < static_cast<int>(text.size()))
        return text[static_cast<std::size_t>(p.column)];
    return '\n';
}

bool is_word_match(const Document& document, const TextMatch& m)
{
    if (m.start.column > 0) {
        std::string_view text = line_text(document, m.start.line);
        if (m.start.column <= static_cast<int>(text.size()) &&
            is_identifier_char(text[static_cast<std::size_t>(m.start.column - 1)]))
            return false;
    }
    std::optional<char> after = stream_char(document, m.end);
    return !(after && is_identifier_char(*after));
}

bool equal_folded(std::string_view text, std::string_view upper_pattern)
{
    for (std::size_t i = 0; i < upper_pattern.size(); ++i)
        if (upper_ascii(text[i]) != upper_pattern[i])
            return false;
    return true;
}

// First occurrence starting at or after column from; with fold the pattern
// is already upper-cased and the text's letters a to z are compared upper-cased.
std::size_t find_in(std::string_view text, std::size_t from, std::string_view pattern, bool fold)
{
    if (!fold)
        return text.find(pattern, from);
    if (pattern.size() > text.size())
        return std::string_view::npos;
    for (std::size_t i = from; i + pattern.size() <= text.size(); ++i)
        if (equal_folded(text.substr(i, pattern.size()), pattern))
            return i;
    return std::string_view::npos;
}

// Last occurrence starting at or before column at.
std::size_t rfind_in(std::string_view text, std::size_t at, std::string_view pattern, bool fold)
{
    if (!fold)
        return text.rfind(pattern, at);
    if (pattern.size() > text.size())
        return std::string_view::npos;
    for (std::size_t i = std::min(at, text.size() - pattern.size()) + 1; i-- > 0;)
        if (equal_folded(text.substr(i, pattern.size()), pattern))
            return i;
    return std::string_view::npos;
}

// What a kind of search proposes on one line.
class Candidates {
public:
    virtual ~Candidates() = default;
    // The first candidate on the line starting at or after column.
    virtual std::optional<TextMatch> first_from(int line, int column) = 0;
    // The last candidate on the line starting at or before column.
    virtual std::optional<TextMatch> last_at_or_before(int line, int column) = 0;
    // The first line from line to last that may hold a candidate; a kind
    // of search that can tell cheaply lets the walk skip the others.
    virtual int next_line_worth_trying(int line, int /*last*/) { return line; }
    std::string error;
};

/* The search text, folded to upper case with ignore case. Without a
   line-feed it is found inside a line; with k line-feeds a line can hold
   only one candidate: its end is the text's first piece, the next k - 1
   lines are the middle pieces, and the line after starts with the last. */
class PlainCandidates : public Candidates {
public:
    PlainCandidates(const Document& document, std::string_view text, bool fold)
        : document_(document), fold_(fold), pattern_(fold ? to_upper_ascii(text) : std::string(text))
    {
        pieces_ = split(pattern_, '\n');
        if (!fold_)
            finder_ = LiteralFinder(pattern_);
    }

    std::optional<TextMatch> first_from(int line, int column) override
    {
        if (pieces_.size() > 1)
            return spanning(line, [column](int start) { return start >= column; });
        std::string_view text = line_text(document_, line);
        std::size_t at = fold_ ? find_in(text, static_cast<std::size_t>(column), pattern_, true)
                               : finder_.find(text, static_cast<std::size_t>(column));
        return on_line(line, at);
    }

    // Without a line-feed or case folding, the lines without the text are
    // passed over in one tight loop: the common search on a long file.
    int next_line_worth_trying(int line, int last) override
    {
        if (fold_ || pieces_.size() > 1)
            return line;
        for (; line <= last; ++line)
            if (finder_.find(document_.lines[static_cast<std::size_t>(line)].text) != std::string_view::npos)
                return line;
        return line;
    }

    std::optional<TextMatch> last_at_or_before(int line, int column) override
    {
        if (column < 0)
            return std::nullopt;
        if (pieces_.size() > 1)
            return spanning(line, [column](int start) { return start <= column; });
        std::size_t at = rfind_in(line_text(document_, line), static_cast<std::size_t>(column), pattern_, fold_);
        return on_line(line, at);
    }

private:
    std::optional<TextMatch> on_line(int line, std::size_t at) const
    {
        if (at == std::string_view::npos)
            return std::nullopt;
        int column = static_cast<int>(at);
        return TextMatch{{line, column}, {line, column + static_cast<int>(pattern_.size())}};
    }

    bool piece_equal(std::string_view text, std::string_view piece) const
    {
        return text.size() == piece.size() && (fold_ ? equal_folded(text, piece) : text == piece);
    }

    std::optional<TextMatch> spanning(int line, const std::function<bool(int)>& start_ok) const
    {
        int last_line = line + static_cast<int>(pieces_.size()) - 1;
        if (line >= document_.line_count() || last_line > document_.line_count())
            return std::nullopt;
        std::string_view first = line_text(document_, line);
        const std::string& head = pieces_.front();
        if (first.size() < head.size() || !piece_equal(first.substr(first.size() - head.size()), head))
            return std::nullopt;
        int start = static_cast<int>(first.size() - head.size());
        if (!start_ok(start))
            return std::nullopt;
        for (std::size_t i = 1; i + 1 < pieces_.size(); ++i)
            if (line + static_cast<int>(i) >= document_.line_count() ||
                !piece_equal(line_text(document_, line + static_cast<int>(i)), pieces_[i]))
                return std::nullopt;
        const std::string& tail = pieces_.back();
        std::string_view last = line_text(document_, last_line);
        if (last.size() < tail.size() || !piece_equal(last.substr(0, tail.size()), tail))
            return std::nullopt;
        return TextMatch{{line, start}, {last_line, static_cast<int>(tail.size())}};
    }

    const Document& document_;
    bool fold_;
    std::string pattern_;
    LiteralFinder finder_;
    std::vector<std::string> pieces_;
};

/* Similar words: identifiers that equal the search text once underscores
   are dropped and the letters a to z upper-cased, so that "max_value",
   "MaxValue" and "MAXVALUE" are all found by any of them. */
std::string word_key(std::string_view word)
{
    std::string key;
    for (char c : word)
        if (c != '_')
            key += upper_ascii(c);
    return key;
}

class SimilarCandidates : public Candidates {
public:
    SimilarCandidates(const Document& document, std::string_view text) : document_(document), key_(word_key(text)) {}

    std::optional<TextMatch> first_from(int line, int column) override
    {
        std::string_view text = line_text(document_, line);
        for (std::size_t i = static_cast<std::size_t>(column); i < text.size();) {
            std::size_t end = word_end(text, i);
            if (end == i) {
                ++i;
                continue;
            }
            if ((i == 0 || !is_identifier_char(text[i - 1])) && word_key(text.substr(i, end - i)) == key_)
                return TextMatch{{line, static_cast<int>(i)}, {line, static_cast<int>(end)}};
            i = end;
        }
        return std::nullopt;
    }

    std::optional<TextMatch> last_at_or_before(int line, int column) override
    {
        std::optional<TextMatch> last;
        for (std::optional<TextMatch> m = first_from(line, 0); m && m->start.column <= column;
             m = first_from(line, m->end.column))
            last = m;
        return last;
    }

private:
    static std::size_t word_end(std::string_view text, std::size_t i)
    {
        while (i < text.size() && is_identifier_char(text[i]))
            ++i;
        return i;
    }

    const Document& document_;
    std::string key_;
};

/* A compiled expression, matched within each line. */
class RegexCandidates : public Candidates {
public:
    RegexCandidates(const Document& document, CompiledRegex& re) : document_(document), re_(re) {}

    // The pre-tests of the expression, applied to whole lines in one loop.
    int next_line_worth_trying(int line, int last) override
    {
        for (; line <= last; ++line) {
            std::string_view text = document_.lines[static_cast<std::size_t>(line)].text;
            if (!re_.required.empty()) {
                if (re_.required_finder.find(text) != std::string_view::npos)
                    return line;
            } else if (re_.first != '\0') {
                if (std::memchr(text.data(), re_.first, text.size()) != nullptr)
                    return line;
            } else {
                return line;
            }
        }
        return line;
    }

    std::optional<TextMatch> first_from(int line, int column) override
    {
        std::string_view text = line_text(document_, line);
        if (column > static_cast<int>(text.size()))
            return std::nullopt;
        RegexFind found = find_in_string(re_, text, static_cast<std::size_t>(column));
        if (found.status == RegexStatus::too_complex || found.status == RegexStatus::bad_program) {
            error = regex_failure_message(found.status);
            return std::nullopt;
        }
        if (found.offset < 0)
            return std::nullopt;
        return TextMatch{{line, found.offset}, {line, found.offset + found.length}};
    }

    std::optional<TextMatch> last_at_or_before(int line, int column) override
    {
        std::optional<TextMatch> last;
        // The matches a forward walk would find in turn, without overlaps.
        for (std::optional<TextMatch> m = first_from(line, 0); m && m->start.column <= column;
             m = first_from(line, m->end.column > m->start.column ? m->end.column : m->start.column + 1))
            last = m;
        return error.empty() ? last : std::nullopt;
    }

private:
    const Document& document_;
    CompiledRegex& re_;
};

struct Walk {
    const Document& document;
    Candidates& candidates;
    bool whole_words;
    SearchBounds bounds;
    Position from;
    bool skip_empty_at_from;

    bool acceptable(const TextMatch& m) const
    {
        if (m.start < bounds.begin || bounds.end < m.end)
            return false;
        if (skip_empty_at_from && m.start == m.end && m.start == from)
            return false;
        return !whole_words || is_word_match(document, m);
    }

    // The first acceptable match starting in [begin, start_limit).
    std::optional<TextMatch> forwards(Position begin, Position start_limit)
    {
        int last_line = std::min(start_limit.line, document.line_count() - 1);
        for (int line = begin.line; line <= last_line; ++line) {
            if (line != begin.line)
                line = candidates.next_line_worth_trying(line, last_line);
            if (line > last_line)
                break;
            int column = line == begin.line ? begin.column : 0;
            for (std::optional<TextMatch> m = candidates.first_from(line, column); m;
                 m = candidates.first_from(line, m->start.column + 1)) {
                if (!(m->start < start_limit))
                    return std::nullopt;
                if (acceptable(*m))
                    return m;
            }
            if (!candidates.error.empty())
                return std::nullopt;
        }
        return std::nullopt;
    }

    // The last acceptable match with end_floor < end <= end_limit (no floor without one).
    std::optional<TextMatch> backwards(Position end_limit, std::optional<Position> end_floor)
    {
        int first_line = std::max(bounds.begin.line, 0);
        for (int line = std::min(end_limit.line, document.line_count() - 1); line >= first_line; --line) {
            int column = line == end_limit.line ? end_limit.column : static_cast<int>(line_text(document, line).size());
            for (std::optional<TextMatch> m = candidates.last_at_or_before(line, column); m;
                 m = candidates.last_at_or_before(line, m->start.column - 1)) {
                if (end_floor && !(*end_floor < m->end))
                    return std::nullopt;
                if (end_limit < m->end)
                    continue;
                if (acceptable(*m))
                    return m;
            }
            if (!candidates.error.empty())
                return std::nullopt;
            if (end_floor && line <= end_floor->line)
                return std::nullopt;
        }
        return std::nullopt;
    }
};

SearchBounds bounds_of(const Document& document, const SearchRequest& request)
{
    if (request.bounds)
        return *request.bounds;
    return {{0, 0}, {document.line_count(), 0}};
}

SearchResult walk(const Document& document, Candidates& candidates, const SearchRequest& request)
{
    SearchBounds bounds = bounds_of(document, request);
    Position from = std::clamp(request.from, bounds.begin, bounds.end);
    Walk w{document, candidates, (request.flags & findflag::whole_words) != 0, bounds, from,
           request.skip_empty_at_from};
    bool wrap = (request.flags & findflag::wrap) != 0;
    SearchResult result;
    if (request.flags & findflag::backwards) {
        result.match = w.backwards(from, std::nullopt);
        if (!result.match && wrap && candidates.error.empty())
            result.match = w.backwards(bounds.end, from);
    } else {
        result.match = w.forwards(from, bounds.end);
        if (!result.match && wrap && candidates.error.empty())
            result.match = w.forwards(bounds.begin, from);
    }
    result.error = candidates.error;
    if (!result.error.empty())
        result.match.reset();
    return result;
}

bool is_identifier(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), is_identifier_char);
}

}  // namespace

SearchResult find_text(const Document& document, const SearchRequest& request)
{
    if (request.text.empty())
        return {};
    if ((request.flags & findflag::similar_words) && is_identifier(request.text) && !word_key(request.text).empty()) {
        SimilarCandidates candidates(document, request.text);
        return walk(document, candidates, request);
    }
    bool fold = (request.flags & (findflag::ignore_case | findflag::similar_words)) != 0;
    PlainCandidates candidates(document, request.text, fold);
    return walk(document, candidates, request);
}

SearchResult find_regex(const Document& document, CompiledRegex& re, const SearchRequest& request)
{
    RegexCandidates candidates(document, re);
    return walk(document, candidates, request);
}

Position advance(const Document& document, Position at, int count)
{
    while (count > 0 && at.line < document.line_count()) {
        int rest = document.length(at.line) - at.column;
        if (count <= rest)
            return {at.line, at.column + count};
        count -= rest + 1;
        at = {at.line + 1, 0};
    }
    return at;
}

int distance(const Document& document, Position a, Position b)
{
    int count = 0;
    for (; a.line < b.line; a = {a.line + 1, 0})
        count += document.length(a.line) - a.column + 1;
    return count + b.column - a.column;
}

}  // namespace vyn::editor
