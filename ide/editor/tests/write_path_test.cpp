// The one write path: every edit that reaches the text goes through the
// primitives, which journal each change and tell the change hook of each
// character. Each case below runs one edit through the edit window's
// messages and checks the three things a primitive could forget:
// - the journal: its changes, replayed by this test on the old text, give
//   the new text, and Undo gives back the old text and cursor exactly;
// - the change hook: it hears of every character the changes hold, a line
//   break counting one, both when the edit is made and when it is undone;
// - the views: the document is marked modified and every view repaints.
#include "editor_fixture.h"

#include <functional>
#include <set>

namespace vyn::editor::testing {
namespace {

using Lines = std::vector<std::string>;

// Applies a journaled change to plain lines, as this test understands it.
void replay(Lines& lines, const TextChange& change)
{
    auto line = static_cast<std::size_t>(change.at.line);
    auto column = static_cast<std::size_t>(change.at.column);
    auto first = lines.begin() + change.at.line;
    switch (change.kind) {
    case TextChange::Kind::insert_run:
        lines.at(line).insert(column, change.text);
        break;
    case TextChange::Kind::remove_run:
        ASSERT_EQ(lines.at(line).substr(column, change.text.size()), change.text);
        lines[line].erase(column, change.text.size());
        break;
    case TextChange::Kind::split_line:
        lines.insert(first + 1, lines.at(line).substr(column));
        lines[line].erase(column);
        break;
    case TextChange::Kind::join_lines:
        ASSERT_EQ(lines.at(line).size(), column);
        lines[line] += lines.at(line + 1);
        lines.erase(first + 1);
        break;
    case TextChange::Kind::insert_lines:
        lines.insert(first, change.lines.begin(), change.lines.end());
        break;
    case TextChange::Kind::erase_lines:
        ASSERT_EQ(Lines(first, first + static_cast<std::ptrdiff_t>(change.lines.size())), change.lines);
        lines.erase(first, first + static_cast<std::ptrdiff_t>(change.lines.size()));
        break;
    }
}

// The characters a change puts in or takes out, a line break counting one.
int characters(const TextChange& change)
{
    switch (change.kind) {
    case TextChange::Kind::insert_run:
    case TextChange::Kind::remove_run:
        return static_cast<int>(change.text.size());
    case TextChange::Kind::split_line:
    case TextChange::Kind::join_lines:
        return 1;
    case TextChange::Kind::insert_lines:
    case TextChange::Kind::erase_lines: {
        int n = 0;
        for (const std::string& text : change.lines)
            n += static_cast<int>(text.size()) + 1;
        return n;
    }
    }
    return 0;
}

struct EditCase {
    const char* what;
    Lines lines;
    const char* name;  // "C:\\T.C" makes a C source
    Position cursor;
    std::optional<Position> anchor;
    unsigned flags;  // editor flags
    std::function<void(Editor&, View&, ScriptedHost&, FakeClipboard&)> edit;
};

class WritePath : public EditorTest {
protected:
    std::filesystem::path dir = scratch_directory();
};

TEST_F(WritePath, EveryEditIsJournaledNotifiedAndUndoneExactly)
{
    write_bytes(dir / "part.txt", "p1\r\n\r\np3\r\n");
    const std::string part = (dir / "part.txt").string();
    auto type = [](int c, int n = 1) {
        return [c, n](Editor& e, View& v, ScriptedHost&, FakeClipboard&) { e.character(v, c, n); };
    };
    auto press = [](int k, int n = 1) {
        return [k, n](Editor& e, View& v, ScriptedHost&, FakeClipboard&) { e.key_down(v, k, n, false); };
    };
    auto command = [](int id) {
        return [id](Editor& e, View& v, ScriptedHost&, FakeClipboard&) { e.command(v, id, 0); };
    };
    const EditCase cases[] = {
        {"typing in a line", {"ab", "cd"}, "C:\\T.TXT", {0, 1}, {}, 0, type('x', 3)},
        {"typing at the end of the document", {"ab"}, "C:\\T.TXT", {1, 0}, {}, 0, type('x', 2)},
        {"typing the 513th character", {std::string(512, 'a')}, "C:\\T.TXT", {0, 512}, {}, 0, type('x')},
        {"typing over characters and a tab", {"ab\tcd"}, "C:\\T.TXT", {0, 1}, {}, 0,
         [](Editor& e, View& v, ScriptedHost&, FakeClipboard&) {
             e.key_down(v, key::insert, 1, false);
             e.character(v, 'X', 4);
         }},
        {"typing over a selection", {"one two", "three"}, "C:\\T.TXT", {1, 2}, Position{0, 4}, 0, type('X')},
        {"Enter", {"abcd"}, "C:\\T.TXT", {0, 2}, {}, 0, type(key::enter, 2)},
        {"Enter at the end of the document", {"ab"}, "C:\\T.TXT", {1, 0}, {}, 0, type(key::enter, 2)},
        {"Enter with indentation", {"\tif (x) {  tail"}, "C:\\T.C", {0, 9}, {}, editorflag::auto_indent,
         type(key::enter)},
        {"a closing brace taking indentation away", {"\t\t"}, "C:\\T.C", {0, 2}, {}, editorflag::auto_indent,
         type('}')},
        {"Backspace over a line start", {"abc", "def"}, "C:\\T.TXT", {1, 2}, {}, 0, type(key::back, 4)},
        {"Delete over a line end", {"abc", "def"}, "C:\\T.TXT", {0, 2}, {}, 0, press(key::del, 3)},
        {"Delete of a selection", {"abc", "def", "ghi"}, "C:\\T.TXT", {2, 1}, Position{0, 1}, 0, press(key::del)},
        {"Cut", {"one two", "three"}, "C:\\T.TXT", {1, 2}, Position{0, 4}, 0, command(cmd::cut)},
        {"Paste over a selection", {"one two"}, "C:\\T.TXT", {0, 3}, Position{0, 1}, 0,
         [](Editor& e, View& v, ScriptedHost&, FakeClipboard& clipboard) {
             clipboard.content = "A\r\nB\r\n";
             e.command(v, cmd::paste, 0);
         }},
        {"Paste at the end of the document", {"x"}, "C:\\T.TXT", {1, 0}, {}, 0,
         [](Editor& e, View& v, ScriptedHost&, FakeClipboard& clipboard) {
             clipboard.content = "A\r\nB";
             e.command(v, cmd::paste, 0);
         }},
        {"a macro", {"x"}, "C:\\T.TXT", {0, 1}, {}, 0,
         [](Editor& e, View& v, ScriptedHost& host, FakeClipboard&) {
             host.macros['M'] = Macro{"m\n\tm\n", 1};
             e.character(v, 'M' - 'A' + 1, 1);
         }},
        {"Insert a file", {"a", "b"}, "C:\\T.TXT", {1, 1}, {}, 0,
         [part](Editor& e, View& v, ScriptedHost& host, FakeClipboard&) {
             host.file_to_read = part;
             e.command(v, cmd::insert_file, 0);
         }},
        {"Insert a file at the end", {"a"}, "C:\\T.TXT", {1, 0}, {}, 0,
         [part](Editor& e, View& v, ScriptedHost& host, FakeClipboard&) {
             host.file_to_read = part;
             e.command(v, cmd::insert_file, 0);
         }},
        {"Tabs to spaces", {"\t a", "b", "  \tc"}, "C:\\T.TXT", {2, 4}, {}, 0, command(cmd::tabs_to_spaces)},
        {"Spaces to tabs", {"      a", "\t b", "  c"}, "C:\\T.TXT", {0, 7}, {}, 0, command(cmd::spaces_to_tabs)},
        {"a replace group", {"a-a-a"}, "C:\\T.TXT", {0, 0}, {}, 0,
         [](Editor& e, View& v, ScriptedHost&, FakeClipboard&) {
             e.begin_replace_group(v);
             e.replace(v, {0, 0}, 1, "bb");
             e.replace(v, {0, 3}, 3, "b\nb");
             e.end_replace_group(v);
         }},
    };
    std::set<TextChange::Kind> kinds_seen;
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.what);
        Editor session(host, system_clipboard);
        session.editor_flags = c.flags;
        Document& document = session.create_document(c.name);
        for (const std::string& text : c.lines)
            document.lines.push_back(Line{text, 0});
        if (std::string(c.name).ends_with(".C")) {
            document.language = &c_language();
            document.flags |= docflag::c_source;
        }
        View& view = session.open_view(document);
        View& other = session.open_view(document);
        view.cursor = c.cursor;
        view.anchor = c.anchor;
        int told = 0;
        document.change_hook = [&](int, int, char) { ++told; };
        document.flags |= docflag::functions_valid;
        other.flags = 0;

        c.edit(session, view, host, system_clipboard);

        ASSERT_FALSE(session.journal().empty());
        Lines replayed = c.lines;
        int journaled = 0;
        for (const JournalEntry& entry : session.journal().entries()) {
            EXPECT_EQ(entry.view, view.id);
            for (const TextChange& change : entry.changes) {
                replay(replayed, change);
                journaled += characters(change);
                kinds_seen.insert(change.kind);
            }
        }
        EXPECT_EQ(replayed, texts(document));
        EXPECT_NE(replayed, c.lines);
        EXPECT_EQ(told, journaled);
        EXPECT_TRUE(document.is_modified());
        EXPECT_FALSE(document.flags & docflag::functions_valid);
        EXPECT_TRUE(other.flags & viewflag::repaint_all);

        told = 0;
        while (!session.journal().empty())
            session.undo(view);
        EXPECT_EQ(texts(document), c.lines);
        EXPECT_EQ(view.cursor, c.cursor);
        EXPECT_EQ(told, journaled);
    }
    // Erasing whole lines is what Undo does to inserted ones.
    EXPECT_EQ(kinds_seen, (std::set<TextChange::Kind>{TextChange::Kind::insert_run, TextChange::Kind::remove_run,
                                                       TextChange::Kind::split_line, TextChange::Kind::join_lines,
                                                       TextChange::Kind::insert_lines}));
}

TEST_F(WritePath, OverwrittenCharactersKeepAnEntryEachBeforeTheTypedOne)
{
    View& view = make({"abcd"});
    editor.key_down(view, key::insert, 1, false);
    editor.character(view, 'X', 3);
    const auto& entries = editor.journal().entries();
    ASSERT_EQ(entries.size(), 5u);  // Insert, three overwritten characters, the typing
    for (std::size_t i = 1; i <= 3; ++i) {
        EXPECT_EQ(entries[i].kind, JournalKind::overwritten);
        EXPECT_EQ(entries[i].first, "abc"[i - 1]);
        EXPECT_TRUE(entries[i].changes.empty());
    }
    EXPECT_EQ(entries[4].kind, JournalKind::character);
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (Lines{"abcd"}));
    EXPECT_EQ(editor.journal().size(), 1u);
}

TEST_F(WritePath, AChangeOutsideAnyActionDropsTheJournalOfItsDocumentOnly)
{
    View& first = make({"first"});
    View& second = make({"second"}, "C:\\S.TXT");
    editor.character(first, '1', 1);
    editor.character(second, '2', 1);
    editor.insert_string(first, "out of the journal ");
    ASSERT_EQ(editor.journal().size(), 1u);
    EXPECT_EQ(editor.journal().entries()[0].view, second.id);
    editor.undo(first);
    EXPECT_EQ(texts(*first.document), (Lines{"1out of the journal first"}));
    editor.undo(second);
    EXPECT_EQ(texts(*second.document), (Lines{"second"}));
}

TEST_F(WritePath, InsertedAndErasedLinesTellTheirLineBreaks)
{
    write_bytes(dir / "two.txt", "ab\r\n\r\n");
    View& view = make({"x"});
    std::string heard;
    view.document->change_hook = [&](int, int, char c) { heard += c; };
    host.file_to_read = (dir / "two.txt").string();
    editor.command(view, cmd::insert_file, 0);
    EXPECT_EQ(heard, "ab\n\n");
    heard.clear();
    editor.undo(view);
    EXPECT_EQ(heard, "ab\n\n");
    EXPECT_EQ(texts(*view.document), (Lines{"x"}));
}

}  // namespace
}  // namespace vyn::editor::testing
