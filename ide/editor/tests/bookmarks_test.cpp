#include "editor_fixture.h"

namespace vyn::editor::testing {
namespace {

using Bookmarks = EditorTest;

TEST_F(Bookmarks, OneBookmarkPerLineNewestFirst)
{
    View& view = make({"a", "b", "c", "d"});
    editor.mouse_click(view, {2, 0}, false);
    editor.command(view, cmd::set_bookmark, 0);
    editor.mouse_click(view, {0, 1}, false);
    editor.command(view, cmd::set_bookmark, 0);
    editor.command(view, cmd::set_bookmark, 0);
    ASSERT_EQ(editor.bookmarks().size(), 2u);
    EXPECT_EQ(editor.bookmarks()[0].line, 0);
    EXPECT_EQ(editor.bookmarks()[1].line, 2);
}

TEST_F(Bookmarks, NextVisitsTheDocumentsBookmarksInLineOrderAndWraps)
{
    View& view = make({"a", "b", "c", "d", "e"});
    for (int line : {3, 1}) {
        editor.mouse_click(view, {line, 0}, false);
        editor.set_bookmark(view);
    }
    editor.mouse_click(view, {0, 0}, false);
    std::vector<int> visited;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(editor.next_bookmark(view));
        visited.push_back(view.cursor.line);
    }
    EXPECT_EQ(visited, (std::vector<int>{1, 3, 1}));
    EXPECT_TRUE(editor.erase_bookmark(view));
    EXPECT_FALSE(editor.erase_bookmark(view));
    editor.next_bookmark(view);
    EXPECT_EQ(view.cursor.line, 3);
}

TEST_F(Bookmarks, BookmarksMoveWithTheirLinesAndGoWithThem)
{
    View& view = make({"a", "b", "c"});
    editor.mouse_click(view, {1, 1}, false);
    editor.set_bookmark(view);
    editor.mouse_click(view, {0, 0}, false);
    editor.insert_string(view, "new\n");
    EXPECT_EQ(editor.bookmarks()[0].line, 2);
    editor.mouse_click(view, {1, 1}, false);
    editor.delete_forward(view, 1, false);  // joins the bookmarked line to the one above
    EXPECT_TRUE(editor.bookmarks().empty());
}

TEST_F(Bookmarks, GotoBookmarkOffersEveryBookmarkAndMovesToTheChosenOne)
{
    View& view = make({"alpha", "beta"}, "C:\\SRC\\A.TXT");
    View& other = make({"gamma"}, "C:\\SRC\\B.TXT");
    editor.mouse_click(view, {1, 2}, false);
    editor.set_bookmark(view);
    editor.set_bookmark(other);
    host.bookmark_choice = 1;
    editor.mouse_click(view, {0, 0}, false);
    EXPECT_EQ(editor.go_to_bookmark(), &view);
    EXPECT_EQ(host.bookmark_list, (std::vector<std::string>{"B.TXT(1): gamma", "A.TXT(2): beta"}));
    EXPECT_EQ(view.cursor, (Position{1, 2}));
    host.bookmark_choice.reset();
    EXPECT_EQ(editor.go_to_bookmark(), nullptr);
}

TEST_F(Bookmarks, GotoBookmarkInAnotherViewBringsThatViewForward)
{
    View& view = make({"alpha", "beta"}, "C:\\SRC\\A.TXT");
    View& other = make({"gamma"}, "C:\\SRC\\B.TXT");
    editor.mouse_click(view, {1, 2}, false);
    editor.set_bookmark(view);
    host.bookmark_choice = 0;
    EXPECT_TRUE(editor.command(other, cmd::goto_bookmark, 0));
    EXPECT_EQ(host.brought_forward, std::vector<int>{view.id});
    EXPECT_EQ(view.cursor, (Position{1, 2}));

    host.bookmark_choice.reset();  // cancelled: nothing moves
    editor.command(other, cmd::goto_bookmark, 0);
    EXPECT_EQ(host.brought_forward, std::vector<int>{view.id});
}

TEST_F(Bookmarks, ClosingAViewForgetsItsBookmarks)
{
    View& view = make({"a"});
    editor.set_bookmark(view);
    editor.close_view(view.id);
    EXPECT_TRUE(editor.bookmarks().empty());
}

}  // namespace
}  // namespace vyn::editor::testing
