// The project road under Wine, as a user takes it: create a console project
// over a C file, build it with F9 through the kit (make, vyn, vynlnk), read
// the results, follow a diagnostic to its line, run the program through the
// runner with its output captured, export and import the project.
#include <windows.h>

#include "platform/files.h"
#include <commctrl.h>

#include <filesystem>

#include "ide/command_ids.h"
#include "ide/project/tests/wine/project_fixture.h"

namespace vyn::shell::testing {
namespace {

const char kHello[] = "#include <stdio.h>\r\n"
                      "\r\n"
                      "int main(void)\r\n"
                      "{\r\n"
                      "    printf(\"hello from the project\\n\");\r\n"
                      "    return 0;\r\n"
                      "}\r\n";

class ProjectRoad : public KitSession {
protected:
    void SetUp() override
    {
        KitSession::SetUp();
        if (IsSkipped())
            return;
        std::filesystem::create_directories(path("hello"));
        put_file(path("hello\\hello.c"), kHello);
    }

    // Create: the dialog, the files, the three settings pages (photographed).
    void create_console_project(DWORD process)
    {
        gui::post_command(frame, CM_CREATE_PROJECT);
        HWND create = wait_for_dialog("Create project", process);
        ASSERT_NE(create, nullptr);
        set_text(create, IDC_PRJ_NAME, "hello");
        set_text(create, IDC_PRJ_PATH, path("hello"));
        SendMessageW(GetDlgItem(create, IDC_PRJ_WINDOWS), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageW(GetDlgItem(create, IDC_PRJ_CONSOLE), BM_SETCHECK, BST_CHECKED, 0);
        click(create, IDOK);
        HWND files = wait_for_dialog("Selected project files", process);
        ASSERT_NE(files, nullptr);
        enter_file_name(files, "hello.c");
        HWND sheet = wait_for_dialog("hello", process);
        ASSERT_NE(sheet, nullptr);
        for (int page = 0; page < 3; ++page) {
            SendMessageW(sheet, PSM_SETCURSEL, page, 0);
            gui::settle(sheet);
            // The page paints after its messages are handled: let it finish.
            RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            Sleep(500);
            const char* names[] = {"compiler", "linker", "debugger"};
            gui::save_screenshot(gui::screenshot_path(std::string("project_settings_") + names[page] + ".png"));
        }
        click(sheet, IDOK);
        answer("tavra", IDNO, process);  // "View the makefile?"
    }

    void build_with_f9()
    {
        // The lines of the last build go first, so that only the new ones are waited for.
        SendMessageW(output_list(), LB_RESETCONTENT, 0, 0);
        gui::post_command(frame, CM_MAKE);
        EXPECT_TRUE(gui::wait_until([&] { return results_contain("Return code") || results_contain("sucessfully"); },
                                    120000));
    }
};

TEST_F(ProjectRoad, CreateBuildFollowADiagnosticRunExportAndImport)
{
    auto program = start("");
    DWORD process = program.id();
    create_console_project(process);
    std::string make_dir = path("hello\\vyn");
    expect_file(make_dir + "\\Makefile", file_text(make_dir + "\\Makefile"));
    ASSERT_TRUE(file_text(make_dir + "\\Makefile").starts_with("# Tavra Makefile for project hello\n"));
    EXPECT_EQ(registry->read_string(HKCU, "Software\\vyn\\Tavra\\hello", "CompilerFlags"), "136");

    build_with_f9();
    EXPECT_TRUE(results_contain("hello.exe built sucessfully.")) << vyn::join(results(), "\n");
    EXPECT_TRUE(std::filesystem::exists(make_dir + "\\hello.exe"));
    gui::save_screenshot(gui::screenshot_path("project_results_success.png"));

    if (std::filesystem::exists(emulator())) {
        gui::post_command(frame, CM_EXECUTE_PROGRAM);
        EXPECT_TRUE(gui::wait_until([&] { return file_text(make_dir + "\\vynrun.out") != "<missing>"; }, 60000));
        EXPECT_TRUE(gui::wait_until([&] { return edit_window_titled("vyn\\vynrun.out") != nullptr; }, 60000));
        EXPECT_EQ(file_text(make_dir + "\\vynrun.out"), "hello from the project\n");
    }

    // An error on line 3: two lines typed before it, then F9 saves and builds.
    HWND edit = edit_window_titled("hello.c");
    ASSERT_NE(edit, nullptr);
    SendMessageW(GetParent(edit), WM_MDIACTIVATE, WPARAM(edit), 0);
    gui::post_text(edit, "/* a */\r/* b */\rint broken = undeclared_name;\r");
    gui::settle(frame);
    build_with_f9();
    std::vector<std::string> lines = results();
    gui::save_screenshot(gui::screenshot_path("project_results_error.png"));
    auto error = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Error"); });
    ASSERT_NE(error, lines.end()) << vyn::join(lines, "\n");
    // The diagnostic may be wrapped over " + " continuation lines.
    std::string joined = *error;
    for (auto next = error + 1; next != lines.end() && next->starts_with(" + "); ++next)
        joined += next->substr(3);
    EXPECT_NE(vyn::to_upper_ascii(joined).find("HELLO.C: 3:"), std::string::npos) << joined;
    EXPECT_TRUE(lines.back().starts_with("Compilation + link time:")) << lines.back();

    // Double click on the diagnostic, then type where the cursor is.
    int index = int(error - lines.begin());
    SendMessageW(output_list(), LB_SETCURSEL, index, 0);
    PostMessageW(GetParent(output_list()), WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_LIST, LBN_DBLCLK), LPARAM(output_list()));
    gui::settle(frame);
    gui::post_text(edit, "//");
    gui::post_command(frame, CM_SAVE);
    gui::settle(frame);
    EXPECT_TRUE(gui::wait_until([&] { return file_text(path("hello\\hello.c")).find("\r\n//int broken") != std::string::npos; }));
    EXPECT_NE(file_text(path("hello\\hello.c")).find("/* b */\r\n//int broken"), std::string::npos)
        << file_text(path("hello\\hello.c"));

    // Export into the project directory, then import it back over itself.
    gui::post_command(frame, CM_EXPORT_PROJECT);
    answer("Export", IDOK, process);
    answer("Information", IDOK, process);
    std::string exported = path("hello\\hello.prj");
    ASSERT_TRUE(std::filesystem::exists(exported));
    EXPECT_TRUE(file_text(exported).starts_with("Tavra project file. Do NOT edit\nSOFTWARE\\vyn\\Tavra\\hello\n"));
    registry->write_string(HKCU, "Software\\vyn\\Tavra\\hello", "LinkerArgs", "changed");
    gui::post_command(frame, CM_IMPORT_PROJECT);
    HWND chooser = wait_for_dialog("Import a project file", process);
    ASSERT_NE(chooser, nullptr);
    enter_file_name(chooser, exported);
    answer("tavra", IDYES, process);  // replace the project of that name
    EXPECT_TRUE(gui::wait_until([&] {
        return registry->read_string(HKCU, "Software\\vyn\\Tavra\\hello", "LinkerArgs") == std::optional<std::string>("");
    }));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

// The README's run command leaves a project key with only its files and
// type, current at start: it opens with the defaults and F9 offers to
// generate its makefile, then builds.
TEST_F(ProjectRoad, TheCurrentProjectOpensAtStartAndF9GeneratesAndBuilds)
{
    std::string key = "Software\\vyn\\Tavra\\sample";
    for (auto [name, value] : std::vector<std::pair<const char*, std::string>>{
             {"Name", "sample"}, {"ProjectPath", path("hello")}, {"SourcesDir", path("hello")}, {"PrjFiles", "1"},
             {"File1", "hello.c"}, {"CompilerFlags", "136"}})
        registry->write_string(HKCU, key, name, value);
    registry->write_string(HKCU, kTavraKey, "CurrentProject", "sample");
    auto program = start("");
    EXPECT_TRUE(gui::wait_until([&] { return gui::window_text(frame) == "tavra-sample"; })) << gui::window_text(frame);
    gui::post_command(frame, CM_MAKE);
    answer("tavra", IDYES, program.id());  // "Makefile doesn't exist. Generate it?"
    EXPECT_TRUE(gui::wait_until([&] { return results_contain("sample.exe built sucessfully."); }, 120000))
        << vyn::join(results(), "\n");
    EXPECT_EQ(registry->read_string(HKCU, key, "MakeDir"), path("hello") + "\\vyn");
    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

}  // namespace
}  // namespace vyn::shell::testing
