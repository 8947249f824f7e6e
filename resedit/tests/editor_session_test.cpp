#include "resedit/editor_session.h"

#include <gtest/gtest.h>

#include "resedit/dialog_editing.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

// A fresh directory holding one_dialog.res (compiled) and its include file.
std::filesystem::path one_dialog_res(const std::string& name)
{
    auto dir = scratch_directory(name);
    auto res = dir / "one.res";
    EXPECT_TRUE(compile_script(test_data("one_dialog.rc"), res));
    write_text(dir / "oneids.h", "#define IDD_ONE\t100\n#define IDC_FIELD\t1001\n");
    return res;
}

TEST(EditorSession, SingleDialogOpensForEditingWithItsSymbols)
{
    RecordingUi ui;
    EditorSession session;
    ASSERT_TRUE(session.open(one_dialog_res("resedit_session_open").string(), ui));
    ASSERT_NE(session.dialog(), nullptr);
    EXPECT_EQ(session.dialog()->id, 100);
    EXPECT_EQ(session.dialog()->controls.size(), 2u);
    EXPECT_NE(session.symbols().find_name("IDC_FIELD"), nullptr);
    EXPECT_FALSE(session.res_modified());
    EXPECT_TRUE(ui.messages.empty());
}

// A file without a project file takes the editor's default styles; one
// with a project file keeps the project's own, and a new file takes them too.
TEST(EditorSession, DefaultStylesComeFromTheProjectFileElseFromTheEditor)
{
    RecordingUi ui;
    auto res = one_dialog_res("resedit_session_styles");
    EditorSession session;
    session.set_default_styles(1234);
    ASSERT_TRUE(session.open(res.string(), ui));
    EXPECT_EQ(session.project().control_styles, 1234u);
    session.set_control_styles(5678);
    ASSERT_TRUE(session.save(ui));

    session.set_default_styles(99);
    ASSERT_TRUE(session.open(res.string(), ui));
    EXPECT_EQ(session.project().control_styles, 5678u);
    session.create((res.parent_path() / "fresh.res").string());
    EXPECT_EQ(session.project().control_styles, 99u);
}

TEST(EditorSession, EditsSurviveSaveAndReload)
{
    RecordingUi ui;
    auto res = one_dialog_res("resedit_session_save");
    EditorSession session;
    ASSERT_TRUE(session.open(res.string(), ui));
    EditorSettings s = EditorSettings::defaults();
    Dialog* d = session.begin_change();
    drag_selection(*d, {0}, kGripBody, 5, 7, s);
    d = session.begin_change();
    std::size_t added = add_control(*d, kCheckbox, 10, 30, s);
    EXPECT_TRUE(session.res_modified());
    ASSERT_TRUE(session.add_symbol("IDC_NEWCHECK", d->controls[added].id, ui));
    ASSERT_TRUE(session.save(ui));
    EXPECT_FALSE(session.res_modified());

    EditorSession again;
    ASSERT_TRUE(again.open(res.string(), ui));
    ASSERT_NE(again.dialog(), nullptr);
    const Dialog& r = *again.dialog();
    ASSERT_EQ(r.controls.size(), 3u);
    EXPECT_EQ(r.controls[0].x, 15);
    EXPECT_EQ(r.controls[0].y, 17);
    EXPECT_EQ(r.controls[2].kind, kCheckbox);
    EXPECT_NE(again.symbols().find_name("IDC_NEWCHECK"), nullptr);
    // The script and the project file are written beside it.
    std::string script = text_of(res.parent_path() / "one.DLG");
    EXPECT_NE(script.find("IDC_NEWCHECK"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(res.parent_path() / "one.TVR"));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
}

TEST(EditorSession, UnsavedChangesAreOfferedForBothFiles)
{
    RecordingUi ui;
    auto res = one_dialog_res("resedit_session_offer");
    EditorSession session;
    ASSERT_TRUE(session.open(res.string(), ui));
    session.begin_change()->controls[0].x = 30;
    session.add_symbol("IDC_MORE", 2000, ui);
    ui.answer = false;
    ASSERT_TRUE(session.open(res.string(), ui));
    ASSERT_EQ(ui.questions.size(), 2u);
    EXPECT_EQ(ui.questions[0], "Save changes to resource file " + res.string() + "?");
    EXPECT_EQ(ui.questions[1], "Save changes to include file " + (res.parent_path() / "oneids.h").string() + "?");
    // Declined: the file on disk is unchanged.
    EXPECT_EQ(session.dialog()->controls[0].x, 10);
    EXPECT_EQ(session.symbols().find_name("IDC_MORE"), nullptr);
}

TEST(EditorSession, UndoAndRestartGoBack)
{
    RecordingUi ui;
    EditorSession session;
    ASSERT_TRUE(session.open(one_dialog_res("resedit_session_undo").string(), ui));
    session.begin_change()->controls[0].x = 30;
    session.begin_change()->controls[0].x = 40;
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(session.dialog()->controls[0].x, 30);
    EXPECT_TRUE(session.restart());
    EXPECT_EQ(session.dialog()->controls[0].x, 10);
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(session.dialog()->controls[0].x, 30);
}

TEST(EditorSession, BrokenFileKeepsThePreviousOne)
{
    RecordingUi ui;
    auto res = one_dialog_res("resedit_session_broken");
    EditorSession session;
    ASSERT_TRUE(session.open(res.string(), ui));
    auto bad = res.parent_path() / "bad.res";
    write_text(bad, "not a resource file");
    EXPECT_FALSE(session.open(bad.string(), ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Error at resource Nr 1, position 0");
    EXPECT_EQ(session.res_path(), res.string());
    EXPECT_NE(session.dialog(), nullptr);
}

TEST(EditorSession, NewFileWithANewDialogSavesAndReloads)
{
    RecordingUi ui;
    auto dir = scratch_directory("resedit_session_new");
    auto res = dir / "fresh.res";
    std::filesystem::remove(res);
    EditorSession session;
    session.create(res.string());
    session.add_dialog("IDD_FRESH");
    add_control(*session.begin_change(), kButton, 20, 20, EditorSettings::defaults());
    ASSERT_TRUE(session.save(ui));
    EditorSession again;
    ASSERT_TRUE(again.open(res.string(), ui));
    ASSERT_NE(again.dialog(), nullptr);
    EXPECT_EQ(again.dialog()->id, 100);
    EXPECT_EQ(again.dialog()->controls.size(), 1u);
    EXPECT_EQ(again.file().include_file, "freshids.h");
}

TEST(EditorSession, SavingLeavesAnUnchangedIncludeFileAlone)
{
    RecordingUi ui;
    auto res = one_dialog_res("resedit_session_include");
    const std::string own = "/* the program's ids */\n#define IDD_ONE\t100\n#define IDC_FIELD\t1001\n";
    write_text(res.parent_path() / "oneids.h", own);
    EditorSession session;
    ASSERT_TRUE(session.open(res.string(), ui));
    session.begin_change()->controls[0].x = 12;
    ASSERT_TRUE(session.save(ui));
    EXPECT_EQ(text_of(res.parent_path() / "oneids.h"), own);
}

TEST(SessionPaths, ExtensionsDirectoriesAndStems)
{
    EXPECT_EQ(replace_extension("C:\\a.b\\x.res", ".DLG"), "C:\\a.b\\x.DLG");
    EXPECT_EQ(replace_extension("C:\\a.b\\x", ".DLG"), "C:\\a.b\\x.DLG");
    EXPECT_EQ(directory_of("C:\\w\\x.res"), "C:\\w");
    EXPECT_EQ(directory_of("x.res"), ".");
    EXPECT_EQ(stem_of("/tmp/q/one.res"), "one");
}

// String blocks removed before the edited dialog leave it the edited one.
TEST(EditorSession, StringEditsKeepTheEditedDialog)
{
    auto path = scratch_directory("resedit_session_strings") / "s.res";
    EditorSession session;
    session.create(path.string());
    session.set_strings({{3, "Three"}});
    session.add_dialog("IDD_A");
    session.add_dialog("IDD_B");
    ASSERT_EQ(session.dialog()->name, "IDD_B");
    session.set_strings({});
    ASSERT_NE(session.dialog(), nullptr);
    EXPECT_EQ(session.dialog()->name, "IDD_B");
    EXPECT_EQ(session.file().records.size(), 2u);
    EXPECT_TRUE(session.res_modified());
}

// Callbacks set on a reopened dialog stay on its one project record: the
// project file knows the dialog by name while the resource is numbered.
TEST(EditorSession, ReopenedDialogKeepsOneProjectRecord)
{
    RecordingUi ui;
    auto res = one_dialog_res("resedit_session_record");
    {
        EditorSession first;
        ASSERT_TRUE(first.open(res.string(), ui));
        first.project_dialog().name = "IDD_ONE";
        first.mark_modified();
        ASSERT_TRUE(first.save(ui));
    }
    EditorSession session;
    ASSERT_TRUE(session.open(res.string(), ui));
    session.project_dialog().prefix = "Chosen";
    EXPECT_EQ(session.project_dialog().prefix, "Chosen");
    EXPECT_EQ(session.project_dialog().name, "IDD_ONE");
    ASSERT_TRUE(session.generate(ui));
    EXPECT_EQ(session.project().dialogs.size(), 1u);
    std::string code = text_of(res.parent_path() / "one.C");
    EXPECT_NE(code.find("BOOL APIENTRY Chosen(HWND hwnd"), std::string::npos);
    EXPECT_EQ(code.find("BOOL APIENTRY IDD_ONE("), std::string::npos);
}

// A new name reaches the project record, the symbol of the dialog's number,
// the resource script and the generated procedure, and survives reloading.
TEST(EditorSession, RenamedNumberedDialogKeepsItsNumber)
{
    RecordingUi ui;
    auto res = one_dialog_res("resedit_session_rename");
    EditorSession session;
    ASSERT_TRUE(session.open(res.string(), ui));
    EXPECT_FALSE(session.rename_dialog("Login box", ui));
    EXPECT_FALSE(session.rename_dialog("", ui));
    EXPECT_FALSE(session.rename_dialog("IDC_FIELD", ui));  // the number of another
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"The dialog's name cannot contain blanks.",
                                                      "A name for the dialog must be entered.",
                                                      "This symbol already exists in the include (.H) file."}));
    EXPECT_FALSE(session.res_modified());
    ASSERT_TRUE(session.rename_dialog("LoginBox", ui));
    EXPECT_TRUE(session.res_modified());
    EXPECT_EQ(session.dialog()->name, "LoginBox");
    EXPECT_EQ(session.project_dialog().name, "LoginBox");
    ASSERT_NE(session.symbols().find_name("LoginBox"), nullptr);
    EXPECT_EQ(session.symbols().find_name("LoginBox")->value, 100);
    EXPECT_EQ(session.symbols().find_name("IDD_ONE"), nullptr);
    ASSERT_TRUE(session.save(ui));
    EXPECT_NE(text_of(res.parent_path() / "oneids.h").find("#define\tLoginBox\t100\n"), std::string::npos);
    EXPECT_NE(text_of(res.parent_path() / "one.DLG").find("LoginBox DIALOG"), std::string::npos);

    EditorSession again;
    ASSERT_TRUE(again.open(res.string(), ui));
    ASSERT_NE(again.dialog(), nullptr);
    EXPECT_EQ(again.dialog()->id, 100);
    EXPECT_EQ(again.project_dialog().name, "LoginBox");
    ASSERT_TRUE(again.generate(ui));
    EXPECT_EQ(again.project().dialogs.size(), 1u);
    EXPECT_NE(text_of(res.parent_path() / "one.C").find("BOOL APIENTRY LoginBox(HWND hwnd"), std::string::npos);
}

// A dialog whose resource is named by text is renamed in the resource file.
TEST(EditorSession, RenamedNamedDialogRenamesItsResource)
{
    RecordingUi ui;
    auto dir = scratch_directory("resedit_session_rename_text");
    write_text(dir / "named.rc", "#include <windows.h>\nOLDNAME DIALOG 0, 0, 80, 40\nSTYLE WS_POPUP | WS_CAPTION\n"
                                 "CAPTION \"Old\"\nBEGIN\n    PUSHBUTTON \"Go\", 300, 10, 10, 40, 14\nEND\n");
    auto res = dir / "named.res";
    ASSERT_TRUE(compile_script(dir / "named.rc", res));
    EditorSession session;
    ASSERT_TRUE(session.open(res.string(), ui));
    ASSERT_NE(session.dialog(), nullptr);
    ASSERT_EQ(session.dialog()->name, "OLDNAME");
    session.project_dialog().prefix = "Kept";
    ASSERT_TRUE(session.rename_dialog("NEWNAME", ui));
    EXPECT_EQ(session.project_dialog().prefix, "Kept");
    ASSERT_TRUE(session.save(ui));
    EditorSession again;
    ASSERT_TRUE(again.open(res.string(), ui));
    ASSERT_NE(again.dialog(), nullptr);
    EXPECT_EQ(again.dialog()->name, "NEWNAME");
    ASSERT_EQ(again.dialog()->controls.size(), 1u);
    EXPECT_EQ(again.dialog()->caption, "Old");
    EXPECT_EQ(again.project_dialog().prefix, "Kept");
    EXPECT_EQ(again.project().dialogs.size(), 1u);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
}

// A control given another number keeps its callback and links; its symbol
// is the new number's, not the old one's.
TEST(EditorSession, RenumberedControlKeepsItsProjectRecord)
{
    RecordingUi ui;
    auto res = one_dialog_res("resedit_session_renumber");
    EditorSession session;
    ASSERT_TRUE(session.open(res.string(), ui));
    ASSERT_EQ(session.dialog()->controls.at(0).id, 1001);
    {
        Dialog& pd = session.project_dialog();
        pd.controls.at(0).callback = "NameField";
        pd.controls.at(1).links = {1001};
    }
    EXPECT_EQ(session.project_dialog().controls.at(0).symbol, "IDC_FIELD");
    session.renumber_control(1001, kEdit, 1005);
    session.begin_change()->controls[0].id = 1005;
    ASSERT_TRUE(session.save(ui));

    EditorSession again;
    ASSERT_TRUE(again.open(res.string(), ui));
    const Dialog& pd = again.project_dialog();
    ASSERT_EQ(pd.controls.size(), 2u);
    EXPECT_EQ(pd.controls[0].id, 1005);
    EXPECT_EQ(pd.controls[0].callback, "NameField");
    EXPECT_EQ(pd.controls[0].symbol, "");
    EXPECT_EQ(pd.controls[1].links, std::vector<std::uint16_t>{1005});
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace vyn::resedit
