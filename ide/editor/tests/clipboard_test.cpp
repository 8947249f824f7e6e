#include "editor_fixture.h"

namespace vyn::editor::testing {
namespace {

using Clipboard = EditorTest;

TEST_F(Clipboard, CopyExportsWithCarriageReturns)
{
    View& view = make({"abc", "def"});
    editor.mouse_click(view, {0, 1}, false);
    editor.command(view, cmd::extend_down, 0);
    EXPECT_TRUE(editor.command(view, cmd::copy, 0));
    EXPECT_EQ(editor.clipboard(), "bc\nd");
    EXPECT_EQ(system_clipboard.content, "bc\r\nd");
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"abc", "def"}));
}

TEST_F(Clipboard, ExportStopsAt65000CharactersCountingCarriageReturns)
{
    std::string internal;
    std::string expected;
    while (expected.size() < 70000) {
        internal += "0123456789\n";
        expected += "0123456789\r\n";
    }
    editor.set_clipboard(internal);
    editor.export_clipboard();
    ASSERT_TRUE(system_clipboard.content.has_value());
    EXPECT_EQ(*system_clipboard.content, expected.substr(0, 65000));

    editor.set_clipboard(std::string(64999, 'x') + "\ny");
    editor.export_clipboard();
    EXPECT_EQ(system_clipboard.content->size(), 65000u);
    EXPECT_EQ(system_clipboard.content->back(), '\r');
}

TEST_F(Clipboard, EmptyClipboardIsNotExported)
{
    editor.export_clipboard();
    EXPECT_EQ(system_clipboard.puts, 0);
}

TEST_F(Clipboard, ImportReplacesTheInternalClipboardWithoutCarriageReturns)
{
    editor.set_clipboard("old");
    system_clipboard.content = "";
    editor.import_clipboard();
    EXPECT_EQ(editor.clipboard(), "old");
    system_clipboard.content = "a\r\nb\r\n";
    editor.import_clipboard();
    EXPECT_EQ(editor.clipboard(), "a\nb\n");
}

TEST_F(Clipboard, PasteInsertsTheSystemTextAndReplacesTheSelection)
{
    View& view = make({"hello world"});
    system_clipboard.content = "big\r\nnew";
    editor.mouse_click(view, {0, 6}, false);
    editor.command(view, cmd::extend_to_line_end, 0);
    view.document->flags |= docflag::comments_valid;
    EXPECT_EQ(editor.paste(view), 7);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"hello big", "new"}));
    EXPECT_EQ(view.cursor, (Position{1, 3}));
    EXPECT_FALSE(view.has_selection());
    EXPECT_EQ(editor.clipboard(), "big\nnew");
    EXPECT_FALSE(view.document->flags & docflag::comments_valid);
}

TEST_F(Clipboard, CutRemovesTheSelectionAfterCopyingIt)
{
    View& view = make({"one", "two", "three"});
    editor.mouse_click(view, {0, 2}, false);
    editor.command(view, cmd::extend_down, 0);
    editor.command(view, cmd::extend_down, 0);
    editor.command(view, cmd::cut, 0);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"onree"}));
    EXPECT_EQ(system_clipboard.content, "e\r\ntwo\r\nth");
    EXPECT_EQ(editor.clipboard(), "e\ntwo\nth");
}

TEST_F(Clipboard, CopyToFileWritesLinesWithCarriageReturnLineFeed)
{
    std::filesystem::path dir = scratch_directory();
    host.file_to_write = (dir / "out.txt").string();
    EXPECT_FALSE(editor.copy_to_file());
    EXPECT_EQ(host.told.back(), "Clipboard empty");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));

    editor.set_clipboard("a\n\nb");
    EXPECT_TRUE(editor.copy_to_file());
    EXPECT_EQ(read_bytes(dir / "out.txt"), "a\r\n\r\nb\r\n");
    editor.set_clipboard("x\n");
    EXPECT_TRUE(editor.copy_to_file());
    EXPECT_EQ(read_bytes(dir / "out.txt"), "x\r\n");
}

TEST_F(Clipboard, InsertFilePutsItsLinesAboveTheCursorLineAndSelectsThem)
{
    std::filesystem::path dir = scratch_directory();
    write_bytes(dir / "in.txt", "first\r\nsecond\r\n" + std::string(520, 'z'));
    View& view = make({"top", "bottom"});
    editor.mouse_click(view, {1, 3}, false);
    host.file_to_read = (dir / "in.txt").string();
    EXPECT_TRUE(editor.insert_file(view));
    EXPECT_EQ(texts(*view.document),
              (std::vector<std::string>{"top", "first", "second", std::string(513, 'z'), std::string(7, 'z'), "bottom"}));
    EXPECT_EQ(host.told.back(), "4 lines read");
    EXPECT_EQ(view.anchor, (Position{1, 0}));
    EXPECT_EQ(view.cursor, (Position{5, 0}));
    EXPECT_EQ(editor.selection_range(view)->length, 6 + 7 + 514 + 8);
    EXPECT_TRUE(view.document->is_modified());
    EXPECT_TRUE(view.document->flags & docflag::truncated);
    EXPECT_TRUE(editor.recent_files().empty());  // inserting is not reading
}

TEST_F(Clipboard, InsertFileThatCannotBeReadIsReported)
{
    View& view = make({"x"});
    host.file_to_read = (scratch_directory() / "absent.txt").string();
    EXPECT_FALSE(editor.insert_file(view));
    EXPECT_EQ(host.told.back(), "File read or write error.");
    EXPECT_TRUE(view.document->flags & docflag::truncated);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"x"}));
}

}  // namespace
}  // namespace vyn::editor::testing
