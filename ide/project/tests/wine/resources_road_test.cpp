// The resources road under Wine, as a new user takes it: a Windows project
// made by the wizard is built with F9 (vrc compiles its script into the
// make directory's ".res"), the Resources command opens that file in
// tavrares, a dialog with a button is added there and saved, and the next F9
// links it into the program, where the system's own resource lookup finds
// it with the bytes the editor saved.
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "ide/command_ids.h"
#include "ide/project/tests/wine/project_fixture.h"
#include "resedit/command_ids.h"
#include "resedit/editor_settings.h"
#include "resedit/res_file.h"

namespace vyn::shell::testing {
namespace {

constexpr char kEditorFrame[] = "clTavraresFrame";
constexpr int kDialogNameField = 310;  // the name field of the editor's "New Dialog"

struct QuietUi : vyn::resedit::Ui {
    std::vector<std::string> said;
    void message(const std::string& text) override { said.push_back(text); }
    bool ask(const std::string&) override { return false; }
};

// The one dialog of a resource file (the wizard's script has none).
const vyn::resedit::ResRecord* only_dialog(const vyn::resedit::ResFile& file)
{
    const vyn::resedit::ResRecord* found = nullptr;
    for (const vyn::resedit::ResRecord& rec : file.records)
        if (rec.dialog) {
            if (found)
                return nullptr;
            found = &rec;
        }
    return found;
}

// A resource's bytes in an executable, found by the system's loader.
std::optional<std::vector<std::uint8_t>> resource_in(HMODULE module, LPCSTR name, LPCSTR type)
{
    HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes)
        return std::nullopt;
    return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(module, found));
}

class ResourcesRoad : public KitSession {
protected:
    void SetUp() override
    {
        KitSession::SetUp();
        if (IsSkipped())
            return;
        registry->delete_key(HKCU, vyn::resedit::kTavraresKey);
    }

    // The wizard's Windows project: a C file with WinMain and a script with a menu.
    void create_windows_project(DWORD process)
    {
        gui::post_command(frame, CM_CREATE_PROJECT);
        HWND create = wait_for_dialog("Create project", process);
        ASSERT_NE(create, nullptr);
        set_text(create, IDC_PRJ_NAME, "road");
        set_text(create, IDC_PRJ_PATH, path("road"));
        click(create, IDOK);
        answer("tavra", IDYES, process);  // "Do you want to use the wizard ...?"
        HWND sheet = wait_for_dialog("road", process, 60000);
        ASSERT_NE(sheet, nullptr);
        click(sheet, IDOK);
        answer("tavra", IDNO, process);  // "View the makefile?"
        EXPECT_TRUE(gui::wait_until([&] { return std::filesystem::exists(path("road\\vyn\\Makefile")); }));
    }

    void build_with_f9()
    {
        SendMessageW(output_list(), LB_RESETCONTENT, 0, 0);
        gui::post_command(frame, CM_MAKE);
        EXPECT_TRUE(gui::wait_until([&] { return results_contain("Return code") || results_contain("sucessfully"); },
                                    120000));
    }

    // The editor's status bar keeps its text itself: asked with the message.
    std::string status(HWND editor)
    {
        wchar_t text[512] = {};
        SendMessageW(gui::find_child(editor, "msctls_statusbar32"), WM_GETTEXT, 512, LPARAM(text));
        std::string out;
        for (const wchar_t* c = text; *c; ++c)
            out += char(*c);
        return out;
    }

    // The editor's frame, started by the IDE (a process of its own).
    HWND wait_for_editor()
    {
        HWND editor = gui::wait_for_window(kEditorFrame, 0, 30000);
        if (editor)
            gui::settle(editor);
        return editor;
    }

    HWND editor_dialog(const std::string& title, DWORD process)
    {
        HWND found = nullptr;
        gui::wait_until([&] { return (found = gui::wait_for_window_titled(title, process, 0)) != nullptr; });
        return found;
    }
};

TEST_F(ResourcesRoad, ADialogAddedInTheEditorIsLinkedIntoTheProgram)
{
    auto program = start("");
    DWORD process = program.id();
    create_windows_project(process);
    build_with_f9();
    ASSERT_TRUE(results_contain("road.exe built sucessfully.")) << vyn::join(results(), "\n");
    const std::string res = path("road\\vyn\\road.res");
    ASSERT_TRUE(std::filesystem::exists(res));

    // Resources: the editor starts on the project's compiled resources, up
    // to date, without a question.
    gui::post_command(frame, CM_RESOURCES);
    HWND editor = wait_for_editor();
    ASSERT_NE(editor, nullptr) << "tavrares did not start; results: " << vyn::join(results(), "\n");
    DWORD editor_process = 0;
    GetWindowThreadProcessId(editor, &editor_process);
    EXPECT_EQ(gui::window_text(editor), "Tavrares - " + res);

    // A new dialog with a button placed by a click.
    gui::post_command(editor, CMD_NEW_DIALOG);
    HWND name = editor_dialog("New Dialog", editor_process);
    ASSERT_NE(name, nullptr);
    set_text(name, kDialogNameField, "IDD_ROAD");
    click(name, IDOK);
    ASSERT_TRUE(gui::wait_until([&] { return status(editor).find("IDD_ROAD: 0 controls") != std::string::npos; }))
        << status(editor);
    gui::settle(editor);
    HWND view = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (view = gui::find_child(editor, "#32770")) != nullptr; }));
    gui::post_command(editor, CMD_ADD_CONTROL + vyn::resedit::kButton);
    gui::settle(editor);
    gui::post_message(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    gui::post_message(view, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    gui::settle(editor);
    ASSERT_TRUE(gui::wait_until([&] { return status(editor).find("IDD_ROAD: 1 controls") != std::string::npos; }))
        << status(editor);
    gui::post_command(editor, CMD_SAVE);
    gui::settle(editor);
    QuietUi ui;
    vyn::resedit::ResFile saved;
    ASSERT_TRUE(gui::wait_until([&] {
        const vyn::resedit::ResRecord* rec = vyn::resedit::load_res(res, saved, ui) ? only_dialog(saved) : nullptr;
        return rec && rec->dialog->controls.size() == 1;
    })) << vyn::join(ui.said, "\n") << status(editor);
    const vyn::resedit::ResRecord* dialog = only_dialog(saved);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->name.is_ordinal);
    EXPECT_EQ(dialog->dialog->controls[0].kind, vyn::resedit::kButton);
    gui::settle(editor);
    Sleep(300);  // for the screenshot only: the X server draws after the paint
    gui::save_screenshot(gui::screenshot_path("resources_road_editor.png"));
    PostMessageW(editor, WM_CLOSE, 0, 0);
    ASSERT_TRUE(gui::wait_until([&] { return !IsWindow(editor); })) << "the editor asked something on closing";

    // F9 again: the program now holds the dialog as saved, and the menu still.
    build_with_f9();
    EXPECT_TRUE(results_contain("road.exe built sucessfully.")) << vyn::join(results(), "\n");
    gui::save_screenshot(gui::screenshot_path("resources_road_ide.png"));
    HMODULE exe = LoadLibraryExA(path("road\\vyn\\road.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr) << GetLastError();
    auto linked = resource_in(exe, MAKEINTRESOURCEA(dialog->name.ordinal), MAKEINTRESOURCEA(5));  // RT_DIALOG
    ASSERT_TRUE(linked) << "no dialog " << dialog->name.ordinal << " in road.exe";
    auto expected = dialog->data();
    EXPECT_EQ(linked->size(), expected.size());
    EXPECT_TRUE(std::equal(linked->begin(), linked->end(), expected.begin(), expected.end()));
    EXPECT_TRUE(resource_in(exe, "MAINMENU", MAKEINTRESOURCEA(4)));  // RT_MENU
    FreeLibrary(exe);

    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

// Resources before the first build: the script is compiled first (the user
// agreeing), then the editor opens the resources with the script's menu in
// them; otherwise the editor's new file would make make take the script as
// compiled, and the menu would never reach the program.
TEST_F(ResourcesRoad, ResourcesBeforeTheFirstBuildMakeTheScriptFirst)
{
    auto program = start("");
    DWORD process = program.id();
    create_windows_project(process);
    const std::string res = path("road\\vyn\\road.res");
    ASSERT_FALSE(std::filesystem::exists(res));
    gui::post_command(frame, CM_RESOURCES);
    HWND question = wait_for_dialog("tavra", process);
    ASSERT_NE(question, nullptr) << "the editor was started on a missing road.res";
    EXPECT_NE(vyn::join(static_texts(question), "|").find("road.res is missing or older than road.rc.\nMake the project first?"),
              std::string::npos)
        << vyn::join(static_texts(question), "|");
    gui::save_screenshot(gui::screenshot_path("resources_make_first.png"));
    click(question, IDYES);
    HWND editor = wait_for_editor();
    ASSERT_NE(editor, nullptr) << "tavrares did not start; results: " << vyn::join(results(), "\n");
    EXPECT_TRUE(results_contain("road.exe built sucessfully.")) << vyn::join(results(), "\n");
    EXPECT_EQ(gui::window_text(editor), "Tavrares - " + res);
    QuietUi ui;
    vyn::resedit::ResFile compiled;
    ASSERT_TRUE(vyn::resedit::load_res(res, compiled, ui)) << vyn::join(ui.said, "\n");
    EXPECT_TRUE(std::any_of(compiled.records.begin(), compiled.records.end(), [](const vyn::resedit::ResRecord& rec) {
        return rec.type.is_ordinal && rec.type.ordinal == vyn::resedit::kResTypeMenu && rec.name.text == "MAINMENU";
    }));
    PostMessageW(editor, WM_CLOSE, 0, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(editor); }));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

}  // namespace
}  // namespace vyn::shell::testing
