#include "editor_fixture.h"

namespace vyn::editor::testing {
namespace {

using LoadSave = EditorTest;

TEST_F(LoadSave, LineEndsOfEitherKindAreSavedAsCarriageReturnLineFeed)
{
    const std::pair<std::string, std::string> cases[] = {
        {"one\r\ntwo\r\n", "one\r\ntwo\r\n"},
        {"one\ntwo\n", "one\r\ntwo\r\n"},
        {"one\ntwo", "one\r\ntwo\r\n"},          // a last line without a line-feed is kept
        {"one\n\n\nfour\n", "one\r\n\r\n\r\nfour\r\n"},
        {"a\r\r\nb\r\n", "a\r\nb\r\n"},
        {"tail\n\r", "tail\r\n"},                // an empty remainder is not a line
    };
    std::filesystem::path dir = scratch_directory();
    int n = 0;
    for (const auto& [input, expected] : cases) {
        std::filesystem::path file = dir / ("f" + std::to_string(n++) + ".txt");
        write_bytes(file, input);
        View& view = load(file);
        view.document->flags |= docflag::modified;
        ASSERT_TRUE(editor.save(view));
        EXPECT_EQ(read_bytes(file), expected) << "input " << ::testing::PrintToString(input);
        EXPECT_FALSE(view.document->is_modified());
    }
}

TEST_F(LoadSave, SavingRemovesTrailingBlanksAndTabsFromTheLines)
{
    std::filesystem::path file = scratch_directory() / "t.txt";
    write_bytes(file, "int a;  \t\n\t\t\nend \n");
    View& view = load(file);
    editor.mouse_click(view, {0, 8}, false);
    view.document->flags |= docflag::modified;
    ASSERT_TRUE(editor.save(view));
    EXPECT_EQ(read_bytes(file), "int a;\r\n\r\nend\r\n");
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"int a;", "", "end"}));
    EXPECT_EQ(view.cursor, (Position{0, 6}));  // the cursor never stays beyond its line
}

TEST_F(LoadSave, UnmodifiedDocumentIsNotWritten)
{
    std::filesystem::path file = scratch_directory() / "t.txt";
    write_bytes(file, "x  \n");
    View& view = load(file);
    EXPECT_TRUE(editor.save(view));
    EXPECT_EQ(read_bytes(file), "x  \n");
}

TEST_F(LoadSave, LongLinesAreSplitAfter513CharactersAndReported)
{
    std::filesystem::path file = scratch_directory() / "Long.txt";
    std::string six_hundred(600, 'a');
    six_hundred[512] = 'B';
    write_bytes(file, "short\r\n" + six_hundred + "\r\n" + std::string(513, 'c') + "\r\n");
    View& view = load(file);
    const Document& document = *view.document;
    ASSERT_EQ(document.line_count(), 4);
    EXPECT_EQ(document.length(1), 513);
    EXPECT_EQ(document.lines[1].text.back(), 'B');
    EXPECT_EQ(document.length(2), 87);
    EXPECT_EQ(document.length(3), 513);  // exactly 513 needs no cut
    EXPECT_TRUE(document.flags & docflag::truncated);
    ASSERT_EQ(host.told.size(), 1u);
    EXPECT_EQ(host.told[0], to_lower_ascii(document.name) + ":\n1 lines longuer than 500 characters were truncated");
}

TEST_F(LoadSave, SavingSplitLinesNeedsConfirmation)
{
    std::filesystem::path file = scratch_directory() / "long.txt";
    std::string original(600, 'x');
    write_bytes(file, original);
    View& view = load(file);
    view.document->flags |= docflag::modified;
    host.answers = {false};
    EXPECT_FALSE(editor.save(view));
    EXPECT_EQ(host.asked.back(), "File contains truncated lines\nSave anyway?");
    EXPECT_EQ(read_bytes(file), original);
    EXPECT_TRUE(view.document->is_modified());

    host.answers = {true};
    EXPECT_TRUE(editor.save(view));
    EXPECT_EQ(read_bytes(file), std::string(513, 'x') + "\r\n" + std::string(87, 'x') + "\r\n");
    EXPECT_FALSE(view.document->flags & docflag::truncated);
}

TEST_F(LoadSave, MissingFileCannotBeOpened)
{
    Document& document = editor.create_document("nothing");
    std::filesystem::path file = scratch_directory() / "missing.c";
    EXPECT_EQ(editor.load_file(file.string(), document), LoadResult::cannot_open);
    EXPECT_EQ(document.line_count(), 0);
}

TEST_F(LoadSave, LoadingEmptiesTheDocumentAndKnowsCSources)
{
    std::filesystem::path dir = scratch_directory();
    write_bytes(dir / "a.c", "int x;\n");
    write_bytes(dir / "b.txt", "");
    View& view = load(dir / "a.c");
    EXPECT_TRUE(view.document->is_c_source());
    EXPECT_EQ(view.document->name, winpath::upper_az((dir / "a.c").string()));
    view.document->flags |= docflag::modified;
    ASSERT_EQ(editor.load_file((dir / "b.txt").string(), *view.document), LoadResult::ok);
    EXPECT_EQ(view.document->line_count(), 0);
    EXPECT_FALSE(view.document->is_modified());
    EXPECT_FALSE(view.document->is_c_source());
    EXPECT_TRUE(view.document->time_stamp.has_value());
}

TEST_F(LoadSave, RecentlyReadFilesKeepTheNewestEight)
{
    std::filesystem::path dir = scratch_directory();
    Document& document = editor.create_document("doc");
    for (int i = 0; i < 10; ++i) {
        std::filesystem::path file = dir / ("f" + std::to_string(i) + ".txt");
        write_bytes(file, "x\n");
        ASSERT_EQ(editor.load_file(file.string(), document), LoadResult::ok);
    }
    write_bytes(dir / "f5.txt", "x\n");
    ASSERT_EQ(editor.load_file((dir / "f5.txt").string(), document), LoadResult::ok);
    const auto& recent = editor.recent_files();
    ASSERT_EQ(recent.size(), 8u);
    EXPECT_EQ(recent[0], winpath::upper_az((dir / "f5.txt").string()));
    EXPECT_EQ(recent[1], winpath::upper_az((dir / "f9.txt").string()));
    EXPECT_EQ(recent[7], winpath::upper_az((dir / "f2.txt").string()));
    EXPECT_EQ(std::count(recent.begin(), recent.end(), recent[0]), 1);
}

TEST_F(LoadSave, BackupNamesKeepTwoCharactersOfTheExtension)
{
    EXPECT_EQ(backup_name("C:\\SRC\\HELLO.C"), "C:\\SRC\\HELLO.~C");
    EXPECT_EQ(backup_name("C:\\SRC\\MAIN.CPP"), "C:\\SRC\\MAIN.~CP");
    EXPECT_EQ(backup_name("C:\\SRC\\MAKEFILE"), "C:\\SRC\\MAKEFILE.~");
    EXPECT_EQ(backup_name("C:\\V1.0\\README"), "C:\\V1.0\\README.~");
}

TEST_F(LoadSave, BackupKeepsThePreviousFileAndReplacesAnOldBackup)
{
    std::filesystem::path dir = scratch_directory();
    write_bytes(dir / "m.cpp", "old\r\n");
    write_bytes(dir / "m.~cp", "older\r\n");
    View& view = load(dir / "m.cpp");
    editor.editor_flags = editorflag::backups;
    editor.character(view, 'n', 1);
    ASSERT_TRUE(editor.save(view));
    EXPECT_EQ(read_bytes(dir / "m.cpp"), "nold\r\n");
    EXPECT_EQ(read_bytes(dir / "m.~cp"), "old\r\n");
}

TEST_F(LoadSave, WithoutTheBackupFlagNoBackupIsMade)
{
    std::filesystem::path dir = scratch_directory();
    write_bytes(dir / "m.c", "old\r\n");
    View& view = load(dir / "m.c");
    editor.editor_flags = 0;
    editor.character(view, 'n', 1);
    ASSERT_TRUE(editor.save(view));
    EXPECT_FALSE(std::filesystem::exists(dir / "m.~c"));
}

TEST_F(LoadSave, SyntaxErrorAsksBeforeSavingACSource)
{
    std::filesystem::path dir = scratch_directory();
    write_bytes(dir / "bad.c", "int f(void) {\r\n");
    View& view = load(dir / "bad.c");
    editor.editor_flags = editorflag::check_syntax;
    editor.character(view, 'x', 1);
    host.answers = {false};
    EXPECT_FALSE(editor.save(view));
    ASSERT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.asked[0], view.document->name + ": mismatched { } after line 1\nSave?");
    EXPECT_EQ(read_bytes(dir / "bad.c"), "int f(void) {\r\n");

    host.answers = {true};
    EXPECT_TRUE(editor.save(view));
    EXPECT_EQ(read_bytes(dir / "bad.c"), "xint f(void) {\r\n");

    // A text file with the same content is not checked.
    write_bytes(dir / "bad.txt", "int f(void) {\r\n");
    View& text_view = load(dir / "bad.txt");
    editor.character(text_view, 'x', 1);
    EXPECT_TRUE(editor.save(text_view));
    EXPECT_EQ(host.asked.size(), 2u);
}

TEST_F(LoadSave, IdentificationDateIsRewrittenOnSaving)
{
    std::filesystem::path dir = scratch_directory();
    write_bytes(dir / "id.c",
                "static char *_CMSID = \"$Id: x $D:01 Jan 1999 12:00:00 $ \";\r\n"
                "static char *_CMSID = \"$D:keep$\";\r\n");
    View& view = load(dir / "id.c");
    editor.editor_flags = 0;
    editor.character(view, ' ', 1);
    editor.character(view, key::back, 1);
    ASSERT_TRUE(editor.save(view));
    EXPECT_EQ(read_bytes(dir / "id.c"),
              "static char *_CMSID = \"$Id: x $D:08 Dec 2026          $ \";\r\n"
              "static char *_CMSID = \"$D:keep$\";\r\n");
    EXPECT_TRUE(view.document->flags & docflag::has_identification);

    // A date longer than the room widens it and keeps the closing "$".
    host.date = "a much longer date text than before";
    view.document->flags |= docflag::modified;
    ASSERT_TRUE(editor.save(view));
    EXPECT_EQ(view.document->lines[0].text, "static char *_CMSID = \"$Id: x $D:a much longer date text than before$ \";");
}

TEST_F(LoadSave, UnwritableFileIsReportedAndStaysModified)
{
    std::filesystem::path dir = scratch_directory();
    write_bytes(dir / "w.txt", "a\n");
    View& view = load(dir / "w.txt");
    editor.editor_flags = 0;
    std::filesystem::remove(dir / "w.txt");
    std::filesystem::create_directory(dir / "w.txt");  // a directory can't be opened for writing
    editor.character(view, 'b', 1);
    EXPECT_FALSE(editor.save(view));
    ASSERT_FALSE(host.told.empty());
    EXPECT_EQ(host.told.back(), "Impossible to open " + view.document->name + " for writing");
    EXPECT_TRUE(view.document->is_modified());
}

TEST_F(LoadSave, FullDiskIsReportedAndTheDocumentStaysModified)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no full device on this system";
    Document& document = editor.create_document("/dev/full");
    document.lines.push_back(Line{"text", 0});
    document.flags |= docflag::modified;
    View& view = editor.open_view(document);
    editor.editor_flags = 0;
    EXPECT_FALSE(editor.save(view));
    EXPECT_EQ(host.told, (std::vector<std::string>{"Write error. Is the disk full?"}));
    EXPECT_TRUE(document.is_modified());
}

TEST_F(LoadSave, WritingAnUnknownDocumentIsAnInternalError)
{
    EXPECT_FALSE(editor.write_file("C:\\NOWHERE.C"));
    EXPECT_EQ(host.told.back(), "Internal error: File C:\\NOWHERE.C does not exist!");
}

TEST_F(LoadSave, LargeFilesRoundTripThroughTheWriteBuffer)
{
    std::filesystem::path file = scratch_directory() / "big.txt";
    std::string content;
    for (int i = 0; i < 20000; ++i)
        content += "line " + std::to_string(i) + " with some text to fill the buffer\r\n";
    write_bytes(file, content);
    View& view = load(file);
    EXPECT_EQ(view.document->line_count(), 20000);
    view.document->flags |= docflag::modified;
    editor.editor_flags = 0;
    ASSERT_TRUE(editor.save(view));
    EXPECT_EQ(read_bytes(file), content);
}

// Save as gives a new document its file: the list stays in name order, so
// that the document is found by its new name, and the name decides the language.
TEST_F(LoadSave, ARenamedDocumentIsSavedUnderItsNewNameAndLanguage)
{
    std::filesystem::path dir = scratch_directory();
    View& other = make({"b"}, "C:\\B.TXT");
    View& view = make({"int x;  "}, "UNTITLED");
    editor.rename_document(*view.document, (dir / "new.c").string());
    EXPECT_EQ(view.document->name, winpath::upper_az((dir / "new.c").string()));
    EXPECT_TRUE(view.document->is_c_source());
    EXPECT_EQ(editor.find_document((dir / "NEW.C").string()), view.document);
    EXPECT_EQ(editor.find_document("c:\\b.txt"), other.document);
    ASSERT_EQ(editor.documents().size(), 2u);
    EXPECT_LT(editor.documents()[0]->name, editor.documents()[1]->name);

    view.document->flags |= docflag::modified;
    ASSERT_TRUE(editor.save(view));
    EXPECT_EQ(read_bytes(dir / "new.c"), "int x;\r\n");
}

}  // namespace
}  // namespace vyn::editor::testing
