// The search commands over views: which walk runs, where it starts, what
// the user is told, and the replace loop.
#include "ide/editor/searcher.h"

#include "common/strings.h"
#include "ide/command_ids.h"

#include <algorithm>

namespace vyn::editor {

namespace {

bool has(std::uint16_t flags, std::uint16_t bit)
{
    return (flags & bit) != 0;
}

SearchBounds whole(const Document& document)
{
    return {{0, 0}, {document.line_count(), 0}};
}

// Where a position lands after [start, old_end) was replaced by text ending at new_end.
Position shifted(Position p, Position old_end, Position new_end)
{
    if (p < old_end)
        return p;
    if (p.line == old_end.line)
        return {new_end.line, new_end.column + p.column - old_end.column};
    return {p.line + new_end.line - old_end.line, p.column};
}

void scroll_to_cursor(View& view)
{
    int rows = std::max(2, view.rows);
    if (view.cursor.line < view.top_line)
        view.top_line = view.cursor.line;
    else if (view.cursor.line >= view.top_line + rows)
        view.top_line = view.cursor.line - rows + 1;
    view.wanted_column = view.cursor.column;
    view.flags |= viewflag::cursor_moved | viewflag::repaint_all;
}

}  // namespace

void select_match(View& view, const TextMatch& match, bool backwards)
{
    view.anchor = backwards ? match.end : match.start;
    view.cursor = backwards ? match.start : match.end;
    scroll_to_cursor(view);
}

std::optional<std::string> check_search_dialog(const std::string& text, std::uint16_t flags)
{
    if (text.empty())
        return std::string("Empty search string?");
    if (!has(flags, findflag::forwards | findflag::backwards))
        return std::string("Direction ?");
    return std::nullopt;
}

std::string search_prefill(const View& view)
{
    if (view.document == nullptr || view.cursor.line >= view.document->line_count())
        return {};
    const std::string& text = view.document->lines[static_cast<std::size_t>(view.cursor.line)].text;
    if (view.has_selection() && view.anchor->line == view.cursor.line) {
        int from = std::min(view.anchor->column, view.cursor.column);
        int to = std::min(std::max(view.anchor->column, view.cursor.column), static_cast<int>(text.size()));
        std::string selected = text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(std::max(0, to - from)));
        if (selected.find_first_of(" \t") == std::string::npos)
            return selected;
    }
    std::size_t left = std::min(static_cast<std::size_t>(view.cursor.column), text.size());
    std::size_t right = left;
    while (left > 0 && is_identifier_char(text[left - 1]))
        --left;
    while (right < text.size() && is_identifier_char(text[right]))
        ++right;
    return text.substr(left, right - left);
}

void Searcher::set_search(std::string text, std::uint16_t flags)
{
    if (text.size() > max_search_text)
        text.resize(max_search_text);
    if (!text.empty() && std::find(state_.history.begin(), state_.history.end(), text) == state_.history.end())
        state_.history.insert(state_.history.begin(), text);
    state_.reversed.assign(text.rbegin(), text.rend());
    state_.text = std::move(text);
    state_.flags = flags;
}

void Searcher::set_replacement(std::string text)
{
    if (text.size() > max_search_text)
        text.resize(max_search_text);
    state_.replacement = std::move(text);
}

/* Compiles the search text unless the kept expression already is its
   program; a compile error is told and the search does not run. */
bool Searcher::prepare_regex()
{
    if (state_.regex && state_.regex->source == state_.text)
        return true;
    state_.regex.reset();
    std::string message;
    state_.regex = compile_regex(state_.text, message);
    if (!state_.regex)
        host_.tell(message);
    return state_.regex.has_value();
}

std::optional<SearchBounds> Searcher::function_bounds(const View& view)
{
    if (!function_at)
        return std::nullopt;
    return function_at(view);
}

/* One walk in view; nothing when it could not run (the reason was told). */
std::optional<SearchResult> Searcher::search_in(View& view, Position from, bool whole_view, std::uint16_t flags,
                                                std::optional<SearchBounds> bounds, bool skip_empty_at_from)
{
    const Document& document = *view.document;
    SearchRequest request;
    request.text = state_.text;
    request.flags = flags;
    request.from = from;
    request.bounds = whole_view ? std::nullopt : bounds;
    request.skip_empty_at_from = skip_empty_at_from;
    SearchResult result;
    if (has(flags, findflag::regular_expression)) {
        if (!prepare_regex())
            return std::nullopt;
        result = find_regex(document, *state_.regex, request);
    } else {
        result = find_text(document, request);
    }
    if (!result.error.empty()) {
        host_.tell(result.error);
        return std::nullopt;
    }
    return result;
}

View* Searcher::find(View& view, const std::vector<View*>& others)
{
    std::uint16_t flags = state_.flags;
    bool backwards = has(flags, findflag::backwards);
    bool all_windows = has(flags, findflag::all_windows);
    if (all_windows)
        flags &= static_cast<std::uint16_t>(~findflag::wrap);
    state_.start_view = view.id;
    state_.start_mark = view.cursor;

    // From the selection's near end in the walking direction, so that the
    // match now selected is not found again.
    Position from = view.cursor;
    if (view.has_selection())
        from = backwards ? std::min(*view.anchor, view.cursor) : std::max(*view.anchor, view.cursor);
    std::optional<SearchBounds> bounds;
    if (has(flags, findflag::by_function)) {
        bounds = function_bounds(view);
        if (bounds && (from < bounds->begin || bounds->end < from))
            from = backwards ? bounds->end : bounds->begin;
    }

    std::vector<View*> order{&view};
    if (all_windows)
        for (View* other : others)
            if (other != &view)
                order.push_back(other);
    for (View* target : order) {
        if (target != &view)
            from = backwards ? Position{target->document->line_count(), 0} : Position{0, 0};
        if (has(flags, findflag::by_function) && !bounds)
            break;
        std::optional<SearchResult> result = search_in(*target, from, target != &view, flags, bounds);
        if (!result)
            return nullptr;
        if (!result->match)
            continue;
        editor_.record_command(*target, CM_FIND, 0);
        select_match(*target, *result->match, backwards);
        state_.last_match = result->match->start;
        state_.last_length = distance(*target->document, result->match->start, result->match->end);
        return target;
    }
    editor_.clear_selection(view);
    host_.tell("String not found");
    return nullptr;
}

View* Searcher::find_next(View& view, const std::vector<View*>& others)
{
    if (state_.text.empty())
        return nullptr;
    state_.flags = static_cast<std::uint16_t>((state_.flags | findflag::forwards) & ~findflag::backwards);
    if (has(state_.flags, findflag::wrap))
        state_.flags = static_cast<std::uint16_t>((state_.flags | findflag::current_window) & ~findflag::all_windows);
    return find(view, others);
}

View* Searcher::find_previous(View& view, const std::vector<View*>& others)
{
    if (state_.text.empty())
        return nullptr;
    state_.flags = static_cast<std::uint16_t>((state_.flags | findflag::backwards) & ~findflag::forwards);
    return find(view, others);
}

int Searcher::replace(View& view, const std::vector<View*>& all_views)
{
    int count = 0;
    bool cancelled = false;
    if (has(state_.flags, findflag::all_windows)) {
        for (View* target : all_views)
            if (!cancelled)
                count += replace_in(*target, true, cancelled);
    } else {
        count = replace_in(view, false, cancelled);
    }
    state_.last_replace_count = count;
    host_.tell(count > 0 ? format("%d substitutions", count) : std::string("String not found"));
    return count;
}

/* Replaces forwards in one view: from its start (all windows), from the
   selection's start (within the selection), or from the cursor, to the end
   of the range and, with wrap, around to where it began. Each match is
   selected and, with confirmation, put to the user. The replaced text is
   never searched again: the walk goes on after the inserted text. At the
   end the cursor is back where it was, moved along by the replacements. */
int Searcher::replace_in(View& view, bool from_start, bool& cancelled)
{
    Document& document = *view.document;
    std::uint16_t flags = static_cast<std::uint16_t>((state_.flags | findflag::forwards) &
                                                     ~(findflag::backwards | findflag::wrap));
    bool wrap = has(state_.flags, findflag::wrap) && !from_start;
    Position saved = view.cursor;
    SearchBounds range = whole(document);
    Position from = from_start ? Position{0, 0} : view.cursor;
    if (has(state_.flags, findflag::in_selection) && view.has_selection() && !from_start) {
        range = {std::min(*view.anchor, view.cursor), std::max(*view.anchor, view.cursor)};
        from = range.begin;
        wrap = false;
    } else if (has(state_.flags, findflag::by_function)) {
        std::optional<SearchBounds> lines = function_bounds(view);
        if (!lines)
            return 0;
        range = *lines;
        if (from < range.begin || range.end < from)
            from = range.begin;
    }
    Position wrap_end = from;
    bool second_pass = false;
    bool replace_all = !has(state_.flags, findflag::confirm);
    bool grouped = false;
    int count = 0;
    bool after_match = false;  // an empty match where the previous match ended is passed over
    while (true) {
        SearchBounds bounds = range;
        if (second_pass)
            bounds.end = std::min(bounds.end, wrap_end);
        std::optional<SearchResult> result = search_in(view, from, false, flags, bounds, after_match);
        if (!result) {
            cancelled = true;
            break;
        }
        if (!result->match) {
            if (!wrap || second_pass)
                break;
            second_pass = true;
            from = range.begin;
            after_match = false;
            continue;
        }
        TextMatch match = *result->match;
        after_match = true;
        select_match(view, match, false);
        ReplaceAnswer answer = replace_all ? ReplaceAnswer::yes : host_.confirm_replace(view);
        if (answer == ReplaceAnswer::cancel) {
            cancelled = true;
            break;
        }
        if (answer == ReplaceAnswer::no) {
            from = match.end;
            continue;
        }
        if (answer == ReplaceAnswer::all)
            replace_all = true;
        if (!grouped)
            editor_.begin_replace_group(view);
        grouped = true;
        editor_.replace(view, match.start, distance(document, match.start, match.end), state_.replacement);
        Position inserted_end = view.cursor;
        saved = shifted(saved, match.end, inserted_end);
        range.end = shifted(range.end, match.end, inserted_end);
        wrap_end = shifted(wrap_end, match.end, inserted_end);
        from = inserted_end;
        ++count;
    }
    if (grouped)
        editor_.end_replace_group(view);
    view.anchor.reset();
    saved.line = std::clamp(saved.line, 0, document.line_count());
    saved.column = std::clamp(saved.column, 0, document.length(saved.line));
    view.cursor = saved;
    scroll_to_cursor(view);
    return count;
}

}  // namespace vyn::editor
