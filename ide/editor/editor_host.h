// What the text model asks of the window layer: messages and questions to
// the user, file choices, the keyboard macros and the system clipboard.
// Tests implement these with scripted answers.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vyn::editor {

struct Macro {
    std::string text;  // line-feeds stand for line breaks
    int position = 0;  // how far right the cursor goes from where the macro was typed
};

class EditorHost {
public:
    virtual ~EditorHost() = default;
    virtual void tell(const std::string& message) = 0;
    virtual bool ask_yes_no(const std::string& question) = 0;
    // A file to read (insert a file) or to write (copy to file); nothing when cancelled.
    virtual std::optional<std::string> choose_file_to_read() = 0;
    virtual std::optional<std::string> choose_file_to_write() = 0;
    // One of the listed bookmarks, by index; nothing when cancelled.
    virtual std::optional<int> choose_bookmark(const std::vector<std::string>& bookmarks) = 0;
    // A 1-based line number for Goto line; nothing when cancelled.
    virtual std::optional<int> ask_line_number() = 0;
    // A command for the frame (Escape in an edit window sends one).
    virtual void post_command(int command) = 0;
    // The cursor of the view went somewhere the user must see (Goto bookmark
    // into another window): its window comes to the front.
    virtual void bring_forward(int view_id) { (void)view_id; }
    // The keyboard macro of a letter ('A' to 'Z'), if one is defined.
    virtual std::optional<Macro> macro(char letter) = 0;
    // The current date as written into version identification lines.
    virtual std::string date_text() = 0;
};

// The system clipboard, as plain text.
class SystemClipboard {
public:
    virtual ~SystemClipboard() = default;
    virtual void put_text(const std::string& text) = 0;
    // The clipboard's plain text, nothing when it holds none.
    virtual std::optional<std::string> text() = 0;
};

}  // namespace vyn::editor
