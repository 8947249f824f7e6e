// The Find, Find next, Find previous and Replace commands over the views of
// an editing session: the search state of the IDE, the choice of the walk
// by the FindFlags, selecting what was found, and replacing with
// confirmation, journaled for Undo as one replace group per view.
//
// Choices where the dialogs offer more than the walks define:
// - "Similar words" finds identifiers equal to the search text once
//   underscores are dropped and case is ignored ("MaxValue" finds
//   "max_value" and "MAXVALUE"); a search text that is not an identifier is
//   searched for ignoring case.
// - "Within the selection" limits Replace to the selection: it starts at the
//   selection's start and replaces only matches wholly inside it, the end
//   following the replacements. Without a selection the option is ignored.
// - "By function" limits the walk to the lines of the function at the cursor
//   (given by function_at; the IDE gives the outermost brace block around
//   the cursor with its head); the walk starts at the cursor when it is
//   inside them, else at the function's first line. Without a function
//   there nothing is found.
// - A regular-expression search runs backwards too (the last match that
//   ends before the cursor), so that Find previous works with one.
#pragma once

#include "ide/editor/editor.h"
#include "ide/editor/find_flags.h"
#include "ide/editor/regex.h"
#include "ide/editor/search_walker.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vyn::editor {

// Longest search and replacement texts.
constexpr std::size_t max_search_text = 512;

enum class ReplaceAnswer { yes, no, all, cancel };

// What the searcher asks of the window layer.
class SearchHost {
public:
    virtual ~SearchHost() = default;
    virtual void tell(const std::string& message) = 0;
    // The "Replace" question, with the match selected in view.
    virtual ReplaceAnswer confirm_replace(View& view) = 0;
};

struct SearchState {
    std::string text;         // the search text
    std::string replacement;  // inserted literally
    std::string reversed;     // the search text backwards
    std::uint16_t flags = findflag::current_window | findflag::exact | findflag::forwards;  // FindFlags
    int start_view = 0;       // the view in which the search started
    Position start_mark;      // where it started there
    std::vector<std::string> history;  // newest first
    Position last_match;
    int last_length = 0;
    int last_replace_count = 0;
    std::optional<CompiledRegex> regex;  // the one compiled expression
};

class Searcher {
public:
    Searcher(Editor& editor, SearchHost& host) : editor_(editor), host_(host) {}

    SearchState& state() { return state_; }
    // The lines of the function around a view's cursor, for "By function".
    std::function<std::optional<SearchBounds>(const View&)> function_at;

    // Takes the text and options of a dialog: the text goes into the history.
    void set_search(std::string text, std::uint16_t flags);
    void set_replacement(std::string text);

    // Find: the search in view, then with all windows in the other views in
    // turn; returns the view holding the match (to be activated), or null.
    View* find(View& view, const std::vector<View*>& others);
    // Find next and Find previous: nothing when no search text was given.
    View* find_next(View& view, const std::vector<View*>& others);
    View* find_previous(View& view, const std::vector<View*>& others);
    // Replace: in view, or with all windows in every view of all_views;
    // returns the number of substitutions.
    int replace(View& view, const std::vector<View*>& all_views);

private:
    std::optional<SearchResult> search_in(View& view, Position from, bool whole_view, std::uint16_t flags,
                                          std::optional<SearchBounds> bounds, bool skip_empty_at_from = true);
    bool prepare_regex();
    std::optional<SearchBounds> function_bounds(const View& view);
    int replace_in(View& view, bool from_start, bool& cancelled);

    Editor& editor_;
    SearchHost& host_;
    SearchState state_;
};

// The message of a Find dialog's OK, or nothing when it may search.
std::optional<std::string> check_search_dialog(const std::string& text, std::uint16_t flags);

// The text a Find dialog starts with: the selection when it lies within one
// line and holds no blank or tab, else the identifier under the cursor.
std::string search_prefill(const View& view);

// Selects a match in view (anchor at its start in the walking direction)
// and scrolls it into view.
void select_match(View& view, const TextMatch& match, bool backwards);

}  // namespace vyn::editor
