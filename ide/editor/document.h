// The text model of an edit window: a document is the list of lines of one
// loaded file, a view is one window's cursor, selection and scroll state.
//
// Positions are (line, column) with 0-based lines and columns counted in
// stored characters (a tab is one character). The line index equal to the
// line count is the end-of-document position, the place where a new last line
// is appended; its only column is 0.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vyn::editor {

struct Language;

struct Position {
    int line = 0;
    int column = 0;
    friend bool operator==(const Position&, const Position&) = default;
    friend auto operator<=>(const Position&, const Position&) = default;
};

// One text line; it holds no line-end characters.
struct Line {
    std::string text;
    std::uint8_t display_flags = 0;  // owned by the display code
};

// A comment found by the colouring scan; its ends move with edits like cursors.
struct CommentRegion {
    Position start;
    Position end;
};

namespace docflag {
constexpr std::uint16_t modified = 0x0002;
constexpr std::uint16_t truncated = 0x0004;        // lines split on loading, or a read failed
constexpr std::uint16_t tool_buffer = 0x0008;      // never offered for saving
constexpr std::uint16_t functions_valid = 0x0080;  // cleared by every change
constexpr std::uint16_t comments_valid = 0x0100;   // cleared by changes that may open or close a comment
constexpr std::uint16_t has_identification = 0x0200;
constexpr std::uint16_t c_source = 0x0400;
}  // namespace docflag

// Longest line that typing extends; a line holding this many characters is
// broken before the next typed character.
constexpr int max_typed_line = 512;
// Lines longer than this are split on loading.
constexpr int max_loaded_line = 513;

// Invariants, kept by the text primitives (text_edit.cpp), the only code
// that writes `lines`, and checked there in debug builds where cheap:
// - no line holds a line-end character;
// - every position held on the document (the cursors, anchors and top lines
//   of its views, its bookmarks, its comment regions) lies within its text
//   (a line and a column at most that line's length, or the end position),
//   and stays on the character it was on when text before it changes;
// - every edit sets `modified`, clears `functions_valid`, tells the change
//   hook of each character inserted or removed (a line break counting
//   one), asks the views to repaint and goes into the undo journal (or, made
//   outside any journaled action, makes the journal forget the document);
//   loading a file replaces the lines without counting as an edit.
struct Document {
    std::vector<Line> lines;
    std::uint16_t flags = 0;
    std::string name;  // full path, letters a to z upper-cased; the identity of the document
    std::string path;  // the path as given when loaded, used for file access
    std::vector<CommentRegion> comments;
    const Language* language = nullptr;
    // Told of every inserted or deleted character (line, column, character).
    std::function<void(int, int, char)> change_hook;
    std::optional<std::int64_t> time_stamp;  // modification time when last read or written

    int line_count() const { return static_cast<int>(lines.size()); }
    bool is_modified() const { return (flags & docflag::modified) != 0; }
    bool is_c_source() const { return (flags & docflag::c_source) != 0; }
    // Length of a line; 0 for the end-of-document position.
    int length(int line) const;
    // The whole text with a line-feed after every line.
    std::string text() const;
};

namespace viewflag {
constexpr std::uint8_t cursor_moved = 0x02;
constexpr std::uint8_t line_changed = 0x04;
constexpr std::uint8_t repaint_all = 0x08;
constexpr std::uint8_t overwrite = 0x20;
}  // namespace viewflag

struct View {
    int id = 0;  // stable identity, used by the undo journal and bookmarks
    Document* document = nullptr;
    int top_line = 0;
    Position cursor;
    std::optional<Position> anchor;  // the other end of the selection, none without one
    int first_column = 0;
    int wanted_column = 0;  // column kept over vertical moves
    int rows = 25;          // text rows in the window, at least 2
    std::uint8_t flags = 0;

    bool has_selection() const { return anchor.has_value() && *anchor != cursor; }
    bool overwrite() const { return (flags & viewflag::overwrite) != 0; }
};

// Moves p back over up to count characters, a line start counting one, and
// stops at the start of the document; returns how many it went over.
int step_back(const Document& document, Position& p, int count);
// Columns of the indentation of a text: blanks count one, a tab advances to
// the next multiple of the tab size.
int indentation_width(const std::string& text, int tab_size);
// The screen column of a character position, tabs expanded.
int screen_column(const std::string& text, int column, int tab_size);

}  // namespace vyn::editor
