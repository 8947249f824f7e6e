#include "editor_fixture.h"

#include <random>

namespace vyn::editor::testing {
namespace {

using Undo = EditorTest;

TEST_F(Undo, CursorKeysClicksAndScrollingGoBackToTheRecordedPlace)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i)
        lines.push_back("line " + std::to_string(i));
    View& view = make(lines);
    view.rows = 10;
    editor.mouse_click(view, {5, 3}, false);
    const int keys[] = {key::left, key::right, key::up, key::down, key::home, key::end, key::page_up, key::page_down};
    for (int code : keys) {
        Position before = view.cursor;
        editor.key_down(view, code, 3, false);
        editor.undo(view);
        EXPECT_EQ(view.cursor, before) << "key " << code;
    }
    editor.scroll_to(view, 50);
    EXPECT_EQ(view.top_line, 50);
    editor.undo(view);
    EXPECT_EQ(view.top_line, 0);
    EXPECT_EQ(view.cursor, (Position{5, 3}));
    editor.undo(view);  // the click
    EXPECT_EQ(view.cursor, (Position{0, 0}));

    // Left at the very start moves nowhere, and its undo must not move either.
    editor.key_down(view, key::left, 1, false);
    editor.undo(view);
    EXPECT_EQ(view.cursor, (Position{0, 0}));
}

TEST_F(Undo, CursorMovingCommandsGoBack)
{
    View& view = make({"a", "b", "c", "d"});
    editor.mouse_click(view, {1, 1}, false);
    host.line_number = 4;
    for (int id : {cmd::end_of_file, cmd::top_of_file, cmd::goto_line, cmd::word_right, cmd::extend_down}) {
        editor.command(view, id, 0);
        editor.undo(view);
        EXPECT_EQ(view.cursor, (Position{1, 1})) << id;
        EXPECT_FALSE(view.has_selection()) << id;
    }
}

TEST_F(Undo, CommandsHandledElsewhereCanBeJournaledAsCursorMoves)
{
    View& view = make({"find me", "here"});
    view.rows = 2;
    editor.record_command(view, 1135, 0);
    editor.mouse_click(view, {1, 2}, false);  // stands for what a search does
    editor.journal().entries().pop_back();
    editor.undo(view);
    EXPECT_EQ(view.cursor, (Position{0, 0}));
    EXPECT_TRUE(editor.journal().empty());
}

TEST_F(Undo, TypedCharactersTabsAndLineBreaksAreRemoved)
{
    View& view = make({"ab"});
    editor.editor_flags = 0;
    editor.mouse_click(view, {0, 1}, false);
    editor.character(view, 'x', 3);
    editor.character(view, key::tab, 1);
    editor.character(view, key::enter, 2);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"axxx\t", "", "b"}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"axxx\tb"}));
    EXPECT_EQ(view.cursor, (Position{0, 5}));
    editor.undo(view);
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"ab"}));
    EXPECT_EQ(view.cursor, (Position{0, 1}));
}

TEST_F(Undo, IndentedLineBreakIsJoinedWithoutItsIndentation)
{
    View& view = make({"\tif (x) {  tail"}, "C:\\T.C");
    editor.editor_flags = editorflag::auto_indent;
    editor.mouse_click(view, {0, 9}, false);
    editor.character(view, key::enter, 1);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"\tif (x) {", "\t    tail"}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"\tif (x) {  tail"}));
}

TEST_F(Undo, TypingAtTheEndOfTheDocumentLeavesNoEmptyLine)
{
    View& view = make({"a"});
    editor.editor_flags = 0;
    editor.key_down(view, key::down, 1, false);
    editor.character(view, 'z', 1);
    editor.character(view, key::enter, 1);
    editor.undo(view);
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"a"}));
}

TEST_F(Undo, OverwrittenCharactersComeBackWithTheTypedOnes)
{
    View& view = make({"abcdef", "x"});
    editor.key_down(view, key::insert, 1, false);
    editor.character(view, 'X', 2);
    editor.character(view, 'Y', 1);
    editor.character(view, key::enter, 1);
    EXPECT_EQ(view.document->lines[0].text, "XXYdef");
    EXPECT_EQ(view.cursor, (Position{1, 0}));
    editor.undo(view);
    EXPECT_EQ(view.cursor, (Position{0, 3}));
    editor.undo(view);
    EXPECT_EQ(view.document->lines[0].text, "XXcdef");
    editor.undo(view);
    EXPECT_EQ(view.document->lines[0].text, "abcdef");
    EXPECT_EQ(view.cursor, (Position{0, 0}));
}

TEST_F(Undo, BackspaceAndDeleteKeyPutTheCharactersBack)
{
    View& view = make({"abc", "def"});
    editor.mouse_click(view, {1, 2}, false);
    editor.character(view, key::back, 4);  // "de", the line break and "c"
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"abf"}));
    editor.key_down(view, key::del, 5, false);  // "f" and nothing more
    editor.mouse_click(view, {0, 0}, false);
    editor.key_down(view, key::del, 1, false);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"b"}));
    editor.undo(view);
    editor.undo(view);
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"abf"}));
    EXPECT_EQ(view.cursor, (Position{0, 2}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"abc", "def"}));
    EXPECT_EQ(view.cursor, (Position{1, 2}));
}

TEST_F(Undo, ClosingBraceIndentationIsRestored)
{
    View& view = make({"\t\t"}, "C:\\T.C");
    editor.editor_flags = editorflag::auto_indent;
    editor.line_end(view);
    editor.character(view, '}', 1);
    ASSERT_EQ(view.document->lines[0].text, "\t}");
    editor.undo(view);
    EXPECT_EQ(view.document->lines[0].text, "\t\t");
    EXPECT_EQ(view.cursor, (Position{0, 2}));
}

TEST_F(Undo, CutDeleteOfASelectionAndPasteAreReversed)
{
    View& view = make({"one two", "three"});
    editor.mouse_click(view, {0, 4}, false);
    editor.command(view, cmd::extend_down, 0);
    editor.command(view, cmd::cut, 0);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"one e"}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"one two", "three"}));

    editor.mouse_click(view, {1, 0}, false);
    editor.command(view, cmd::extend_word_right, 0);
    editor.key_down(view, key::del, 1, false);
    EXPECT_EQ(view.document->lines[1].text, "");
    editor.undo(view);
    EXPECT_EQ(view.document->lines[1].text, "three");

    system_clipboard.content = "A\r\nB";
    editor.mouse_click(view, {0, 0}, false);
    editor.command(view, cmd::extend_right, 0);
    editor.command(view, cmd::extend_right, 0);
    editor.command(view, cmd::paste, 0);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"A", "Be two", "three"}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"one two", "three"}));
}

TEST_F(Undo, MacroInsertFileAndTabConversionsAreReversed)
{
    std::filesystem::path dir = scratch_directory();
    write_bytes(dir / "part.txt", "p1\r\np2\r\n");
    View& view = make({"    a", "\tb"});
    host.macros['L'] = Macro{"m1\nm2\n", 0};
    editor.character(view, 'L' - 'A' + 1, 1);
    host.file_to_read = (dir / "part.txt").string();
    editor.mouse_click(view, {1, 0}, false);
    editor.command(view, cmd::insert_file, 0);
    editor.command(view, cmd::tabs_to_spaces, 0);
    editor.command(view, cmd::spaces_to_tabs, 0);
    using Lines = std::vector<std::string>;
    EXPECT_EQ(texts(*view.document), (Lines{"m1", "p1", "p2", "m2", "\ta", "\tb"}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (Lines{"m1", "p1", "p2", "m2", "    a", "    b"}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (Lines{"m1", "p1", "p2", "m2", "    a", "\tb"}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (Lines{"m1", "m2", "    a", "\tb"}));
    editor.undo(view);  // the click
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (Lines{"    a", "\tb"}));
}

TEST_F(Undo, LineBrokenByTheLengthLimitIsJoinedAgain)
{
    View& view = make({std::string(512, 'a')});
    editor.line_end(view);
    editor.character(view, 'x', 1);
    ASSERT_EQ(view.document->line_count(), 2);
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{std::string(512, 'a')}));
}

TEST_F(Undo, ReplaceGroupIsReversedNewestFirst)
{
    View& view = make({"a-a-a"});
    editor.begin_replace_group(view);
    editor.replace(view, {0, 0}, 1, "bb");
    editor.replace(view, {0, 3}, 1, "b\nb");
    editor.end_replace_group(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"bb-b", "b-a"}));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"a-a-a"}));
    EXPECT_TRUE(editor.journal().empty());
}

TEST_F(Undo, ReplaceGroupWithoutItsStartIsAnInternalError)
{
    View& view = make({"aaa"});
    editor.begin_replace_group(view);
    for (int i = 0; i < 300; ++i)  // the journal overflows and loses the start
        editor.replace(view, {0, 0}, 1, "b");
    editor.end_replace_group(view);
    std::size_t size = editor.journal().size();
    std::string text = view.document->lines[0].text;
    editor.undo(view);
    EXPECT_EQ(host.told.back(), "Undo: internal error");
    EXPECT_EQ(editor.journal().size(), size);
    EXPECT_EQ(view.document->lines[0].text, text);
}

TEST_F(Undo, The255thRecordedActionEmptiesTheJournal)
{
    View& view = make({""});
    for (int i = 0; i < 254; ++i)
        editor.character(view, 'a', 1);
    EXPECT_EQ(editor.journal().size(), 254u);
    editor.character(view, 'a', 1);
    EXPECT_TRUE(editor.journal().empty());
    editor.undo(view);
    EXPECT_EQ(view.document->length(0), 255);
}

TEST_F(Undo, EntriesOfOtherViewsAreDiscardedFirst)
{
    View& first = make({"first"});
    View& second = make({"second"}, "C:\\S.TXT");
    editor.character(first, '1', 1);
    editor.character(second, '2', 1);
    editor.character(second, '2', 1);
    editor.undo(first);
    EXPECT_EQ(first.document->lines[0].text, "first");
    EXPECT_EQ(second.document->lines[0].text, "22second");
    EXPECT_TRUE(editor.journal().empty());
    editor.undo(second);  // its entries were discarded
    EXPECT_EQ(second.document->lines[0].text, "22second");
}

TEST_F(Undo, UndoingEverythingRestoresTheOriginalText)
{
    const std::vector<std::string> original = {"int main(void)", "{", "\treturn 0;", "}", "", "/* end */"};
    for (unsigned seed = 1; seed <= 300; ++seed) {
        Editor session(host, system_clipboard);
        session.editor_flags = seed % 2 ? editorflag::auto_indent : 0;
        Document& document = session.create_document("C:\\R.C");
        document.language = &c_language();
        document.flags |= docflag::c_source;
        for (const std::string& text : original)
            document.lines.push_back(Line{text, 0});
        View& view = session.open_view(document);
        host.macros['K'] = Macro{"k\n\tk", 1};
        std::mt19937 random(seed);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        for (int step = 0; step < 60; ++step) {
            switch (pick(13)) {
            case 0: session.character(view, "ab}{ ;"[pick(6)], 1 + pick(3)); break;
            case 1: session.character(view, key::enter, 1 + pick(2)); break;
            case 2: session.character(view, key::back, 1 + pick(4)); break;
            case 3: session.key_down(view, key::del, 1 + pick(4), false); break;
            case 4: session.key_down(view, key::insert, 1, false); break;
            case 5: session.mouse_click(view, {pick(document.line_count() + 1), pick(8)}, false); break;
            case 6: session.command(view, cmd::extend_word_right, 0); session.command(view, cmd::extend_down, 0); break;
            case 7: session.command(view, cmd::cut, 0); break;
            case 8: session.command(view, cmd::paste, 0); break;
            case 9: session.character(view, 'K' - 'A' + 1, 1); break;
            case 10: session.key_down(view, key::left + pick(4), 1 + pick(3), false); break;
            case 11:
                session.begin_replace_group(view);
                session.replace(view, view.cursor, pick(3), pick(2) ? "r" : "r\nr");
                session.end_replace_group(view);
                break;
            default: session.command(view, pick(2) ? cmd::tabs_to_spaces : cmd::spaces_to_tabs, 0); break;
            }
        }
        ASSERT_FALSE(session.journal().empty());
        while (!session.journal().empty())
            session.undo(view);
        EXPECT_EQ(texts(document), original) << "seed " << seed;
        EXPECT_EQ(view.cursor, (Position{0, 0})) << "seed " << seed;
    }
}

// Saving trims trailing blanks and may rewrite an identification date, and
// reloading replaces every line: none of these is journaled, so what the
// journal holds from before must never damage the text afterwards.
TEST_F(Undo, BlanksTrimmedBySavingAreNotUndoneIntoTheNextLine)
{
    std::filesystem::path file = scratch_directory() / "t.c";
    write_bytes(file, "ab\r\ncd\r\n");
    View& view = load(file);
    editor.mouse_click(view, {0, 2}, false);
    editor.character(view, ' ', 3);
    ASSERT_TRUE(editor.save(view));
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"ab", "cd"}));
    for (int i = 0; i < 3; ++i)
        editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"ab", "cd"}));
    EXPECT_FALSE(view.document->is_modified());

    // What is done after the save is journaled and undone as usual.
    editor.character(view, 'z', 1);
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"ab", "cd"}));
}

TEST_F(Undo, ASaveThatChangedNothingKeepsTheJournal)
{
    std::filesystem::path file = scratch_directory() / "t.c";
    write_bytes(file, "ab\r\n");
    View& view = load(file);
    editor.character(view, 'x', 2);
    ASSERT_TRUE(editor.save(view));
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"ab"}));
}

TEST_F(Undo, AnIdentificationDateWidenedBySavingIsNotDamaged)
{
    std::filesystem::path file = scratch_directory() / "id.c";
    write_bytes(file, "static char *_CMSID = \"$D:x$\";\r\n");
    View& view = load(file);
    editor.mouse_click(view, {0, 30}, false);
    editor.character(view, ' ', 1);
    editor.character(view, '/', 2);
    ASSERT_TRUE(editor.save(view));
    std::string saved = "static char *_CMSID = \"$D:08 Dec 2026$\"; //";
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{saved}));
    editor.undo(view);
    editor.undo(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{saved}));
}

TEST_F(Undo, ReloadingLeavesNothingToUndoInTheNewText)
{
    std::filesystem::path file = scratch_directory() / "r.c";
    write_bytes(file, "one\r\ntwo\r\n");
    View& view = load(file);
    Document& document = *view.document;
    View& second = editor.open_view(document);
    editor.mouse_click(view, {1, 3}, false);
    editor.character(view, key::enter, 1);
    editor.character(view, 'x', 3);
    editor.mouse_click(second, {0, 0}, false);
    editor.key_down(second, key::del, 2, false);
    write_bytes(file, "alpha\r\nbeta\r\ngamma\r\n");
    ASSERT_EQ(editor.load_file(file.string(), document), LoadResult::ok);
    for (int i = 0; i < 4; ++i) {
        editor.undo(second);
        editor.undo(view);
    }
    EXPECT_EQ(texts(document), (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_FALSE(document.is_modified());
}

}  // namespace
}  // namespace vyn::editor::testing
