// Finding text in a document: the plain search (forwards, backwards, with
// wrap, whole words, ignore case), the similar-words search and the
// regular-expression search. These only look; selecting, replacing and
// telling the user belong to the searcher.
//
// The plain search sees the document as one stream of characters with a
// line-feed after every line, so a search text holding a line-feed can match
// across a line end and any other cannot. Regular expressions are matched
// line by line, without the line-feed.
#pragma once

#include "ide/editor/document.h"
#include "ide/editor/regex.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vyn::editor {

struct TextMatch {
    Position start;
    Position end;  // just after the last character; a line-feed ends at column 0 of the next line
    friend bool operator==(const TextMatch&, const TextMatch&) = default;
};

// Where a search may look: matches lie wholly between begin and end.
struct SearchBounds {
    Position begin;
    Position end;
};

struct SearchRequest {
    std::string_view text;      // the search text (for a regular expression: its pattern)
    std::uint16_t flags = 0;    // FindFlags bits
    Position from;              // where the walk starts
    std::optional<SearchBounds> bounds;  // the function's lines or the selection; whole document when none
    // A match that is empty and lies exactly at from is passed over, so that
    // repeating a search always moves on.
    bool skip_empty_at_from = false;
};

struct SearchResult {
    std::optional<TextMatch> match;
    std::string error;  // set when the search could not run or was stopped
};

// The plain or similar-words search (by the flags), forwards or backwards,
// with wrap. Forwards, a match starts at or after from; backwards, it ends at
// or before from; with wrap the walk goes on from the other end of the
// bounds and stops when it is back at from.
SearchResult find_text(const Document& document, const SearchRequest& request);

// The regular-expression search with a compiled expression (request.text is
// not used). Forwards: the line of from is matched from its column, then the
// following lines; backwards, the last match that ends at or before from.
SearchResult find_regex(const Document& document, CompiledRegex& re, const SearchRequest& request);

// Whether c is a letter, a digit or an underscore.
bool is_identifier_char(char c);

// The position after moving over count characters of the stream from at
// (a line-feed counting one).
Position advance(const Document& document, Position at, int count);
// Characters of the stream from a to b (a line-feed counting one); a <= b.
int distance(const Document& document, Position a, Position b);

}  // namespace vyn::editor
