// Loading, saving and writing documents.
#include "ide/editor/editor.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/editor/language.h"
#include "ide/editor/line_reader.h"
#include "ide/editor/syntax_check.h"
#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <system_error>

namespace vyn::editor {

namespace {

constexpr std::size_t write_buffer_size = 150000;
constexpr std::string_view identification_prefix = "static char *_CMSID = ";

// Seconds since 1970, as the frame's changed-on-disk check compares them.
std::optional<std::int64_t> file_time(const std::string& host_path)
{
    return vyn::platform::modification_time(host_path);
}

enum class ReadStatus { ok, cannot_open, read_error };

ReadStatus read_bytes(const std::string& host_path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(host_path, std::ios::binary);
    if (!in.is_open())
        return ReadStatus::cannot_open;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad())
        return ReadStatus::read_error;
    return ReadStatus::ok;
}

bool is_blank_char(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

std::string backup_name(const std::string& name)
{
    std::string_view ext = winpath::extension(name);
    std::string base = name.substr(0, name.size() - ext.size());
    std::string kept = ext.empty() ? std::string() : std::string(ext.substr(1, 2));
    return base + ".~" + kept;
}

LoadResult Editor::load_file(const std::string& path, Document& document)
{
    document.flags &= static_cast<std::uint16_t>(~(docflag::modified | docflag::truncated | docflag::functions_valid |
                                                   docflag::comments_valid | docflag::c_source));
    replace_loaded_lines(document, {});
    rename_document(document, path);

    std::string host_path = winpath::to_host(path);
    int split_count = 0;
    try {
        std::vector<std::uint8_t> bytes;
        ReadStatus status = read_bytes(host_path, bytes);
        if (status == ReadStatus::cannot_open)
            return LoadResult::cannot_open;
        if (status == ReadStatus::read_error) {
            document.flags |= docflag::truncated;
            return LoadResult::read_error;
        }
        std::vector<std::string> texts;
        split_count = split_into_lines(bytes, texts);
        replace_loaded_lines(document, std::move(texts));
    } catch (const std::bad_alloc&) {
        document.flags |= docflag::truncated;
        return LoadResult::no_memory;
    }
    document.time_stamp = file_time(host_path);
    if (split_count > 0) {
        document.flags |= docflag::truncated;
        host_.tell(to_lower_ascii(format("%s:\n%d lines longuer than 500 characters were truncated",
                                         document.name.c_str(), split_count)));
    }
    note_recent_file(document.name);
    return LoadResult::ok;
}

/* Brings the date of a version identification line up to date: the text
   between the colon after the first "$D" and the next "$" becomes the
   current date, padded with blanks when it was longer. A date longer than
   the room widens it, so that the closing "$" is never overwritten. */
void Editor::update_identification(Document& document)
{
    document.flags &= static_cast<std::uint16_t>(~docflag::has_identification);
    for (int line = 0; line < document.line_count(); ++line) {
        const std::string& text = document.lines[static_cast<std::size_t>(line)].text;
        if (text.rfind(identification_prefix, 0) != 0)
            continue;
        document.flags |= docflag::has_identification;
        std::size_t mark = text.find("$D");
        std::size_t colon = mark == std::string::npos ? mark : text.find(':', mark + 2);
        std::size_t dollar = colon == std::string::npos ? colon : text.find('$', colon + 1);
        if (dollar == std::string::npos)
            return;
        std::string date = host_.date_text();
        std::size_t room = dollar - colon - 1;
        if (date.size() < room)
            date.append(room - date.size(), ' ');
        if (text.compare(colon + 1, room, date) == 0)
            return;
        Position at{line, static_cast<int>(colon + 1)};
        delete_text(document, at, static_cast<int>(room));
        insert_text(document, at, date);
        return;
    }
}

bool Editor::save(View& view)
{
    Document& document = *view.document;
    if (!document.is_modified())
        return true;
    if (document.flags & docflag::truncated) {
        if (!host_.ask_yes_no("File contains truncated lines\nSave anyway?"))
            return false;
        document.flags &= static_cast<std::uint16_t>(~docflag::truncated);
    }
    if ((editor_flags & editorflag::check_syntax) && document.language != nullptr &&
        document.language->name == c_language_name) {
        if (std::optional<std::string> error = check_syntax(document, document.name))
            if (!host_.ask_yes_no(format("%s\nSave?", error->c_str())))
                return false;
    }
    if (editor_flags & editorflag::backups) {
        std::string file = winpath::to_host(document.path);
        std::string backup = winpath::to_host(backup_name(document.path));
        std::error_code error;
        if (std::filesystem::exists(file, error)) {
            std::filesystem::remove(backup, error);
            std::filesystem::rename(file, backup, error);
        }
    }
    update_identification(document);
    if (!write_file(document.name))
        return false;
    document.flags &= static_cast<std::uint16_t>(~docflag::modified);
    return true;
}

bool Editor::write_file(const std::string& name)
{
    Document* document = find_document(name);
    if (document == nullptr) {
        host_.tell(format("Internal error: File %s does not exist!", name.c_str()));
        return false;
    }
    std::string host_path = winpath::to_host(document->path);
    std::ofstream out(host_path, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        host_.tell(format("Impossible to open %s for writing", document->name.c_str()));
        return false;
    }
    std::string buffer;
    buffer.reserve(write_buffer_size);
    bool written = true;
    // Removing trailing blanks brings the text in line with the file, so it
    // does not count as a change of its own. It is made outside any action:
    // the primitives drop what the journal holds of the document.
    std::uint16_t modified = document->flags & docflag::modified;
    auto flush = [&] {
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        written = written && out.good();
        buffer.clear();
    };
    for (int line = 0; line < document->line_count() && written; ++line) {
        const std::string& text = document->lines[static_cast<std::size_t>(line)].text;
        std::size_t keep = text.size();
        while (keep > 0 && is_blank_char(text[keep - 1]))
            --keep;
        if (keep < text.size())
            delete_text(*document, {line, static_cast<int>(keep)}, static_cast<int>(text.size() - keep));
        if (buffer.size() + text.size() + 2 > write_buffer_size)
            flush();
        buffer += text;
        buffer += "\r\n";
    }
    document->flags = static_cast<std::uint16_t>((document->flags & ~docflag::modified) | modified);
    if (written)
        flush();
    out.close();
    written = written && !out.fail();
    if (!written) {
        host_.tell("Write error. Is the disk full?");
        return false;
    }
    document->time_stamp = file_time(host_path);
    for (View* view : views_of(*document)) {
        int length = document->length(view->cursor.line);
        if (view->cursor.column > length) {
            view->cursor.column = length;
            if (view->anchor)
                view->anchor->column = std::min(view->anchor->column, document->length(view->anchor->line));
            view->flags |= viewflag::repaint_all;
        }
    }
    return true;
}

}  // namespace vyn::editor
