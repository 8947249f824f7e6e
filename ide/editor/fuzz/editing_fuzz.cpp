// Arbitrary bytes as a stream of edit-window messages and commands: no
// sequence may crash, read out of bounds or leave a cursor outside its
// document, and undoing everything journaled must bring back the text.
#include "ide/editor/commands.h"
#include "ide/editor/editor.h"
#include "ide/editor/language.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace vyn::editor;

class QuietHost : public EditorHost {
public:
    void tell(const std::string&) override {}
    bool ask_yes_no(const std::string&) override { return true; }
    std::optional<std::string> choose_file_to_read() override { return std::nullopt; }
    std::optional<std::string> choose_file_to_write() override { return std::nullopt; }
    std::optional<int> choose_bookmark(const std::vector<std::string>&) override { return 0; }
    std::optional<int> ask_line_number() override { return 3; }
    void post_command(int) override {}
    std::optional<Macro> macro(char letter) override
    {
        if (letter == 'K')
            return Macro{"{\n\tx}", 2};
        return std::nullopt;
    }
    std::string date_text() override { return "now"; }
};

class MemoryClipboard : public SystemClipboard {
public:
    std::optional<std::string> content;
    void put_text(const std::string& text) override { content = text; }
    std::optional<std::string> text() override { return content; }
};

void check_position(const Document& document, Position p)
{
    if (p.line < 0 || p.line > document.line_count() || p.column < 0 || p.column > document.length(p.line))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QuietHost host;
    MemoryClipboard clipboard;
    Editor editor(host, clipboard);
    Document& document = editor.create_document("C:\\FUZZ.C");
    document.language = &c_language();
    document.flags |= docflag::c_source;
    for (const char* text : {"int f(int a)", "{", "\tif (a)", "\t\treturn 1;", "}"})
        document.lines.push_back(Line{text, 0});
    const std::string original = document.text();
    View& view = editor.open_view(document);
    View& other = editor.open_view(document);
    view.rows = 3;
    const int commands[] = {cmd::cut, cmd::copy, cmd::paste, cmd::extend_down, cmd::extend_up, cmd::extend_right,
                            cmd::extend_left, cmd::extend_word_right, cmd::extend_word_left, cmd::word_right,
                            cmd::word_left, cmd::top_of_file, cmd::end_of_file, cmd::goto_line, cmd::recenter,
                            cmd::tabs_to_spaces, cmd::spaces_to_tabs, cmd::set_bookmark, cmd::next_bookmark,
                            cmd::extend_page_down, cmd::extend_to_line_end, cmd::extend_to_file_start};
    const int keys[] = {key::left, key::right, key::up, key::down, key::home, key::end, key::page_up,
                        key::page_down, key::insert, key::del};
    bool undone = false;
    bool overflowed = false;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        std::size_t journaled = editor.journal().size();
        std::uint8_t op = data[i];
        std::uint8_t arg = data[i + 1];
        switch (op % 8) {
        case 0: editor.character(view, arg, 1 + op / 64); break;
        case 1: editor.key_down(view, keys[arg % std::size(keys)], 1 + op / 64, (op & 8) != 0); break;
        case 2: editor.command(view, commands[arg % std::size(commands)], 0); break;
        case 3: editor.mouse_click(view, {arg % 16, arg / 16}, false); break;
        case 4: editor.undo(view); undone = true; break;
        case 5: editor.editor_flags = arg; editor.tab_size = 1 + arg % 8; break;
        case 6: editor.mouse_click(other, {arg % 8, arg / 8}, false); editor.character(other, 'o', 1); break;
        default: editor.character(view, arg % 2 ? key::enter : key::back, 1 + arg % 3); break;
        }
        if (op % 8 != 4 && editor.journal().size() < journaled)
            overflowed = true;
        check_position(document, view.cursor);
        check_position(document, other.cursor);
        if (view.anchor)
            check_position(document, *view.anchor);
    }
    // Undo everything, from whichever view the newest entry belongs to; an
    // undo that takes nothing from the journal would loop forever.
    while (!editor.journal().empty()) {
        std::size_t before = editor.journal().size();
        View* owner = editor.journal().entries().back().view == view.id ? &view : &other;
        editor.undo(*owner);
        if (editor.journal().size() >= before)
            std::abort();
        check_position(document, view.cursor);
        check_position(document, other.cursor);
    }
    // Without an undo in the stream and with a journal that never
    // overflowed, undoing everything gives the original text back.
    if (!undone && !overflowed && document.text() != original)
        std::abort();
    return 0;
}
