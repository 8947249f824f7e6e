// The internal clipboard, its exchange with the system clipboard, and the
// commands that move text between files and documents.
#include "ide/editor/editor.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/editor/line_reader.h"

#include <fstream>
#include <iterator>

namespace vyn::editor {

bool Editor::copy(View& view)
{
    if (!view.has_selection())
        return false;
    clipboard_ = selected_text(view);
    export_clipboard();
    return true;
}

bool Editor::cut(View& view)
{
    if (!copy(view))
        return false;
    delete_selection(view);
    return true;
}

int Editor::paste(View& view)
{
    import_clipboard();
    if (view.has_selection()) {
        // Deleting the selection refills the clipboard; what is pasted is
        // what the clipboard held before.
        std::string pasted = clipboard_;
        delete_selection(view);
        clipboard_ = std::move(pasted);
    }
    view.document->flags &= static_cast<std::uint16_t>(~docflag::comments_valid);
    return insert_string(view, clipboard_);
}

/* Puts the internal clipboard on the system clipboard with carriage return
   and line-feed line ends, at most 65,000 characters of it. */
void Editor::export_clipboard()
{
    if (clipboard_.empty())
        return;
    std::string text;
    text.reserve(std::min(clipboard_.size() * 2, max_exported_clipboard));
    for (char c : clipboard_) {
        if (c == '\n') {
            text += '\r';
            if (text.size() >= max_exported_clipboard)
                break;
        }
        text += c;
        if (text.size() >= max_exported_clipboard)
            break;
    }
    system_clipboard_.put_text(text);
}

void Editor::import_clipboard()
{
    std::optional<std::string> text = system_clipboard_.text();
    if (!text || text->empty())
        return;
    std::string imported;
    imported.reserve(text->size());
    for (char c : *text)
        if (c != '\r')
            imported += c;
    clipboard_ = std::move(imported);
}

/* Writes the clipboard to a file the user names, each line ended with a
   carriage return and a line-feed. */
bool Editor::copy_to_file()
{
    if (clipboard_.empty()) {
        host_.tell("Clipboard empty");
        return false;
    }
    std::optional<std::string> name = host_.choose_file_to_write();
    if (!name)
        return false;
    std::string text;
    std::size_t start = 0;
    while (start < clipboard_.size()) {
        std::size_t end = clipboard_.find('\n', start);
        if (end == std::string::npos)
            end = clipboard_.size();
        text.append(clipboard_, start, end - start);
        text += "\r\n";
        start = end + 1;
    }
    std::ofstream out(winpath::to_host(*name), std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        host_.tell(format("Impossible to open %s for writing", name->c_str()));
        return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (out.fail()) {
        host_.tell("Write error. Is the disk full?");
        return false;
    }
    return true;
}

/* Reads a file the user chooses and inserts its lines before the cursor
   line; they become the selection. */
bool Editor::insert_file(View& view)
{
    std::optional<std::string> name = host_.choose_file_to_read();
    if (!name)
        return false;
    Document& document = *view.document;
    std::vector<std::uint8_t> bytes;
    {
        std::ifstream in(winpath::to_host(*name), std::ios::binary);
        if (in.is_open())
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.is_open() || in.bad()) {
            host_.tell("File read or write error.");
            document.flags |= docflag::truncated;
            return false;
        }
    }
    std::vector<std::string> lines;
    if (split_into_lines(bytes, lines) > 0)
        document.flags |= docflag::truncated;
    int first = std::min(view.cursor.line, document.line_count());
    int count = static_cast<int>(lines.size());
    insert_lines(document, first, std::move(lines));
    document.flags &= static_cast<std::uint16_t>(~docflag::comments_valid);
    view.anchor = Position{first, 0};
    place(view, {first + count, 0});
    host_.tell(format("%d lines read", count));
    return true;
}

}  // namespace vyn::editor
