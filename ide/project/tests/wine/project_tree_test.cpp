// The project side of the IDE under Wine: the tree "Projets" and its
// context menu, Compile (Ctrl+F9) on a lone C file and on a file outside the
// project, Close project closing the project's windows, and a Windows
// project created by the wizard under version control.
#include <windows.h>
#include <commctrl.h>

#include <filesystem>

#include "ide/command_ids.h"
#include "ide/project/tests/wine/project_fixture.h"

namespace vyn::shell::testing {
namespace {

const char kMain[] = "#include \"calc.h\"\r\n"
                     "\r\n"
                     "int main(void)\r\n"
                     "{\r\n"
                     "    return add(1, 2) - 3;\r\n"
                     "}\r\n";
const char kOps[] = "#include \"calc.h\"\r\n"
                    "\r\n"
                    "int add(int a, int b)\r\n"
                    "{\r\n"
                    "    return a + b;\r\n"
                    "}\r\n"
                    "\r\n"
                    "int sub(int a, int b)\r\n"
                    "{\r\n"
                    "    return a - b;\r\n"
                    "}\r\n";
const char kHeader[] = "int add(int a, int b);\r\nint sub(int a, int b);\r\n";
const char kTool[] = "int main(void)\r\n{\r\n    return 0;\r\n}\r\n";

std::string item_texts(const std::vector<gui::TreeItem>& items)
{
    std::string text;
    for (const gui::TreeItem& item : items)
        text += std::string(std::size_t(item.depth) * 2, ' ') + item.text + "\n";
    return text;
}

class ProjectWindows : public KitSession {
protected:
    void SetUp() override
    {
        KitSession::SetUp();
        if (IsSkipped())
            return;
        std::filesystem::create_directories(path("calc"));
        std::filesystem::create_directories(path("tool"));
        put_file(path("calc\\main.c"), kMain);
        put_file(path("calc\\ops.c"), kOps);
        put_file(path("calc\\calc.h"), kHeader);
        put_file(path("tool\\tool.c"), kTool);
        put_file(path("notes.txt"), "not a project file\r\n");
        define_project("calc", {"main.c", "ops.c", "calc.h"});
        define_project("tool", {"tool.c"});
    }

    void define_project(const std::string& name, const std::vector<std::string>& files)
    {
        std::string key = std::string(kTavraKey) + "\\" + name;
        registry->write_string(HKCU, key, "Name", name);
        registry->write_string(HKCU, key, "ProjectPath", path(name.c_str()));
        registry->write_string(HKCU, key, "SourcesDir", path(name.c_str()));
        registry->write_string(HKCU, key, "CompilerFlags", "136");
        registry->write_string(HKCU, key, "PrjFiles", std::to_string(files.size()));
        for (std::size_t i = 0; i < files.size(); ++i)
            registry->write_string(HKCU, key, ("File" + std::to_string(i + 1)).c_str(), files[i]);
    }

    // The edit window whose title (a path relative to the current directory,
    // or a full one) ends in name.
    HWND edit_window_ending(const std::string& name)
    {
        for (HWND edit : edit_windows())
            if (gui::window_text(edit).ends_with(name))
                return edit;
        return nullptr;
    }
    HWND tree_window() { return gui::find_child(frame, "clProjectTree"); }
    HWND tree() { return gui::find_child(tree_window(), "SysTreeView32"); }
    HANDLE item(const std::string& text)
    {
        for (const gui::TreeItem& i : gui::tree_view_items(tree()))
            if (i.text == text)
                return i.item;
        return nullptr;
    }
    // Selects the item and chooses a command of the context menu for it.
    void choose(const std::string& text, int command)
    {
        HANDLE chosen = item(text);
        ASSERT_NE(chosen, nullptr) << text << "\n" << item_texts(gui::tree_view_items(tree()));
        SendMessageW(tree(), TVM_SELECTITEM, TVGN_CARET, LPARAM(chosen));
        gui::post_command(tree_window(), WORD(command));
        gui::settle(frame);
    }
    void double_click(const std::string& text)
    {
        HANDLE chosen = item(text);
        ASSERT_NE(chosen, nullptr) << text;
        SendMessageW(tree(), TVM_SELECTITEM, TVGN_CARET, LPARAM(chosen));
        auto r = gui::tree_view_item_rect(tree(), chosen);
        ASSERT_TRUE(r.has_value());
        LPARAM at = MAKELPARAM((r->left + r->right) / 2, (r->top + r->bottom) / 2);
        PostMessageW(tree(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(tree(), WM_LBUTTONUP, 0, at);
        PostMessageW(tree(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(tree(), WM_LBUTTONUP, 0, at);
        gui::settle(frame);
    }
};

TEST_F(ProjectWindows, TheTreeShowsTheProjectsAndItsContextMenuWorks)
{
    registry->write_string(HKCU, kTavraKey, "CurrentProject", "calc");
    auto program = start("");
    DWORD process = program.id();
    ASSERT_TRUE(gui::wait_until([&] { return gui::window_text(frame) == "tavra-calc"; }));
    gui::post_command(frame, CM_OUTLINE);
    ASSERT_TRUE(gui::wait_until([&] { return tree_window() != nullptr; }));
    EXPECT_EQ(gui::window_text(tree_window()), "Projets");
    ASSERT_NE(tree(), nullptr);
    const std::string expected = "calc\n  main.c\n    main\n  ops.c\n    add\n    sub\n  calc.h\ntool\n  tool.c\n";
    gui::wait_until([&] { return item_texts(gui::tree_view_items(tree())) == expected; });
    EXPECT_EQ(item_texts(gui::tree_view_items(tree())), expected);
    SendMessageW(GetParent(tree_window()), WM_MDIMAXIMIZE, WPARAM(tree_window()), 0);
    gui::settle(frame);
    gui::save_screenshot(gui::screenshot_path("project_tree.png"));
    SendMessageW(GetParent(tree_window()), WM_MDIRESTORE, WPARAM(tree_window()), 0);

    // Definition puts the cursor on the function's header: typing lands there.
    choose("sub", CM_TREE_DEFINITION);
    HWND ops = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (ops = edit_window_titled("ops.c")) != nullptr; }));
    gui::post_text(ops, "/* here */");
    gui::post_command(frame, CM_SAVE);
    gui::settle(frame);
    EXPECT_TRUE(gui::wait_until([&] { return file_text(path("calc\\ops.c")).find("/* here */int sub(") != std::string::npos; }))
        << file_text(path("calc\\ops.c"));

    // Usage lists the lines of the project's files that use the name.
    choose("add", CM_TREE_USAGE);
    EXPECT_TRUE(gui::wait_until([&] { return results_contain("Usage of add: 3 hits."); })) << vyn::join(results(), "\n");
    EXPECT_TRUE(results_contain("MAIN.C(5):     return add(1, 2) - 3;") || results_contain("main.c(5):     return add(1, 2) - 3;"))
        << vyn::join(results(), "\n");

    // A double click on a file opens it.
    double_click("calc.h");
    EXPECT_TRUE(gui::wait_until([&] { return edit_window_titled("calc.h") != nullptr; }));

    // Export from the tree, into the current (the project's) directory.
    choose("calc", CM_TREE_EXPORT);
    answer("Information", IDOK, process);
    EXPECT_TRUE(file_text(path("calc\\calc.prj")).starts_with("Tavra project file. Do NOT edit\n"));

    // Properties: a file's facts; the project's settings pages.
    choose("ops.c", CM_TREE_PROPERTIES);
    HWND facts = wait_for_dialog("Properties", process);
    ASSERT_NE(facts, nullptr);
    EXPECT_NE(vyn::join(static_texts(facts), "\n").find("Project: calc"), std::string::npos)
        << vyn::join(static_texts(facts), "\n");
    click(facts, IDOK);
    gui::wait_until([&] { return !IsWindow(facts); });
    choose("calc", CM_TREE_PROPERTIES);
    answer("calc", IDCANCEL, process);
    // Insert/delete files: the file chooser of the project's files.
    choose("main.c", CM_TREE_FILES);
    answer("Selected project files", IDCANCEL, process);
    // Open on a project opens every file of it.
    choose("calc", CM_TREE_OPEN);
    EXPECT_TRUE(gui::wait_until([&] { return edit_window_titled("main.c") != nullptr; }));

    // Activate makes the other project the open one: calc's windows close,
    // and the tree lists tool's functions now.
    choose("tool", CM_TREE_ACTIVATE);
    EXPECT_TRUE(gui::wait_until([&] { return gui::window_text(frame) == "tavra-tool"; })) << gui::window_text(frame);
    EXPECT_TRUE(gui::wait_until([&] {
        return !edit_window_titled("ops.c") && !edit_window_titled("calc.h") && !edit_window_titled("main.c");
    }));
    EXPECT_TRUE(gui::wait_until([&] { return item_texts(gui::tree_view_items(tree())).find("  tool.c\n    main\n") != std::string::npos; }))
        << item_texts(gui::tree_view_items(tree()));
    choose("tool.c", CM_TREE_OPEN);
    EXPECT_TRUE(gui::wait_until([&] { return edit_window_titled("tool.c") != nullptr; }));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
    // The open project was saved at exit, with the window opened last.
    EXPECT_EQ(value("CurrentProject"), std::optional<std::string>("tool"));
    std::string tool = std::string(kTavraKey) + "\\tool";
    EXPECT_EQ(registry->read_string(HKCU, tool, "OpenFiles"), std::optional<std::string>("1"));
    EXPECT_TRUE(registry->read_string(HKCU, tool, "OpenFile1").value_or("").find("TOOL.C ") != std::string::npos);
}

TEST_F(ProjectWindows, CloseProjectClosesItsWindowsAfterAskingAboutModifiedOnes)
{
    registry->write_string(HKCU, kTavraKey, "CurrentProject", "calc");
    auto program = start("");
    DWORD process = program.id();
    ASSERT_TRUE(gui::wait_until([&] { return gui::window_text(frame) == "tavra-calc"; }));
    gui::post_command(frame, CM_OPEN_ALL_FILES);
    gui::settle(frame);
    HWND notes = nullptr;
    std::string notes_name = path("notes.txt");
    gui::post_command(frame, CM_OPEN);
    HWND chooser = wait_for_dialog("Open", process);
    ASSERT_NE(chooser, nullptr);
    enter_file_name(chooser, notes_name);
    ASSERT_TRUE(gui::wait_until([&] { return (notes = edit_window_ending("notes.txt")) != nullptr; }));
    HWND main = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (main = edit_window_titled("main.c")) != nullptr; }));
    SendMessageW(GetParent(main), WM_MDIACTIVATE, WPARAM(main), 0);
    gui::post_text(main, "/* unsaved */");
    gui::settle(frame);

    // Cancel keeps the project and its windows; Forget closes them.
    gui::post_command(frame, CM_CLOSE_PROJECT);
    answer("Modified files", IDCANCEL, process);
    EXPECT_EQ(gui::window_text(frame), "tavra-calc");
    EXPECT_TRUE(IsWindow(main)) << "main.c closed though the user cancelled";
    gui::post_command(frame, CM_CLOSE_PROJECT);
    answer("Modified files", IDC_FORGET, process);
    EXPECT_TRUE(gui::wait_until([&] { return gui::window_text(frame) == "tavra"; })) << gui::window_text(frame);
    EXPECT_TRUE(gui::wait_until([&] {
        return !edit_window_titled("main.c") && !edit_window_titled("ops.c") && !edit_window_titled("calc.h");
    }));
    EXPECT_NE(edit_window_ending("notes.txt"), nullptr);  // not the project's
    EXPECT_EQ(file_text(path("calc\\main.c")), kMain);
    // The project was saved on closing, with the windows it had open.
    EXPECT_EQ(registry->read_string(HKCU, std::string(kTavraKey) + "\\calc", "OpenFiles"), std::optional<std::string>("4"));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

TEST_F(ProjectWindows, CtrlF9OnALoneFileBuildsItsDefaultProjectThenAddsAnotherFile)
{
    registry->delete_key(HKCU, std::string(kTavraKey) + "\\tool");
    std::filesystem::create_directories(path("lone"));
    put_file(path("lone\\lone.c"), "#include <stdio.h>\r\n\r\nint helper(void);\r\n\r\n"
                                   "int main(void)\r\n{\r\n    printf(\"%d\\n\", helper());\r\n    return 0;\r\n}\r\n");
    put_file(path("lone\\helper.c"), "int helper(void)\r\n{\r\n    return 42;\r\n}\r\n");
    auto program = start("");
    DWORD process = program.id();
    gui::post_command(frame, CM_OPEN);
    HWND chooser = wait_for_dialog("Open", process);
    ASSERT_NE(chooser, nullptr);
    enter_file_name(chooser, path("lone\\lone.c"));
    HWND lone = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (lone = edit_window_ending("lone.c")) != nullptr; }));

    // The first compile: a default console project, its makefile, make.
    gui::post_command(frame, CM_CTRL_F9);
    EXPECT_TRUE(gui::wait_until([&] { return gui::window_text(frame) == "tavra-lone"; }, 30000)) << gui::window_text(frame);
    std::string key = std::string(kTavraKey) + "\\lone";
    EXPECT_EQ(registry->read_string(HKCU, key, "CompilerFlags"), std::optional<std::string>("136"));
    EXPECT_EQ(registry->read_string(HKCU, key, "File1"), std::optional<std::string>("lone.c"));
    EXPECT_TRUE(gui::wait_until([&] { return results_contain("Return code") || results_contain("sucessfully"); }, 120000));
    // helper() is not in the project yet: the link fails.
    EXPECT_FALSE(results_contain("lone.exe built sucessfully.")) << vyn::join(results(), "\n");
    EXPECT_TRUE(std::filesystem::exists(path("lone\\vyn\\lone.obj")));
    EXPECT_TRUE(std::filesystem::exists(path("lone\\vyn\\Makefile")));

    // The second file is not the project's: the dialog "Compile file" asks.
    gui::post_command(frame, CM_OPEN);
    chooser = wait_for_dialog("Open", process);
    ASSERT_NE(chooser, nullptr);
    enter_file_name(chooser, path("lone\\helper.c"));
    ASSERT_TRUE(gui::wait_until([&] { return edit_window_ending("helper.c") != nullptr; }));
    SendMessageW(output_list(), LB_RESETCONTENT, 0, 0);
    gui::post_command(frame, CM_CTRL_F9);
    HWND ask = wait_for_dialog("Compile file", process);
    ASSERT_NE(ask, nullptr);
    gui::save_screenshot(gui::screenshot_path("compile_file_dialog.png"));
    click(ask, IDC_COMPILE_ADD);
    EXPECT_TRUE(gui::wait_until([&] { return results_contain("lone.exe built sucessfully."); }, 120000))
        << vyn::join(results(), "\n");
    gui::save_screenshot(gui::screenshot_path("compile_results.png"));
    EXPECT_EQ(registry->read_string(HKCU, key, "File2"), std::optional<std::string>("helper.c"));
    EXPECT_TRUE(std::filesystem::exists(path("lone\\vyn\\lone.exe")));
    EXPECT_TRUE(std::filesystem::exists(path("lone\\vyn\\helper.obj")));

    // A third file asks again; a new project of its own closes lone's windows.
    put_file(path("lone\\solo.c"), "int main(void)\r\n{\r\n    return 0;\r\n}\r\n");
    gui::post_command(frame, CM_OPEN);
    chooser = wait_for_dialog("Open", process);
    ASSERT_NE(chooser, nullptr);
    enter_file_name(chooser, path("lone\\solo.c"));
    ASSERT_TRUE(gui::wait_until([&] { return edit_window_ending("solo.c") != nullptr; }));
    SendMessageW(output_list(), LB_RESETCONTENT, 0, 0);
    gui::post_command(frame, CM_CTRL_F9);
    ask = wait_for_dialog("Compile file", process);
    ASSERT_NE(ask, nullptr);
    click(ask, IDC_COMPILE_NEW_PROJECT);
    answer("Information", IDOK, process);  // "Project directory is:" ...\vyn1, as vyn is lone's
    EXPECT_TRUE(gui::wait_until([&] { return gui::window_text(frame) == "tavra-solo"; }, 30000)) << gui::window_text(frame);
    EXPECT_TRUE(gui::wait_until([&] { return !edit_window_ending("lone.c") && !edit_window_ending("helper.c"); }));
    EXPECT_TRUE(gui::wait_until([&] { return results_contain("solo.exe built sucessfully."); }, 120000))
        << vyn::join(results(), "\n");
    EXPECT_EQ(registry->read_string(HKCU, std::string(kTavraKey) + "\\solo", "MakeDir"), path("lone") + "\\vyn1");

    gui::post_command(frame, CM_CLOSE_PROJECT);
    EXPECT_TRUE(gui::wait_until([&] { return edit_windows().empty(); })) << edit_windows().size();
    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

TEST_F(ProjectWindows, TheWizardMakesAVersionedWindowsProject)
{
    registry->delete_key(HKCU, std::string(kTavraKey) + "\\calc");
    registry->delete_key(HKCU, std::string(kTavraKey) + "\\tool");
    auto program = start("");
    DWORD process = program.id();
    gui::post_command(frame, CM_CREATE_PROJECT);
    HWND create = wait_for_dialog("Create project", process);
    ASSERT_NE(create, nullptr);
    set_text(create, IDC_PRJ_NAME, "skel");
    set_text(create, IDC_PRJ_PATH, path("skel"));
    SendMessageW(GetDlgItem(create, IDC_PRJ_VERSIONING), BM_SETCHECK, BST_CHECKED, 0);
    click(create, IDOK);
    answer("tavra", IDYES, process);  // "Do you want to use the wizard ...?"
    HWND sheet = wait_for_dialog("skel", process, 60000);
    ASSERT_NE(sheet, nullptr);
    click(sheet, IDOK);
    answer("tavra", IDNO, process);  // "View the makefile?"
    std::string key = std::string(kTavraKey) + "\\skel";
    EXPECT_TRUE(gui::wait_until([&] { return registry->read_string(HKCU, key, "PrjFiles") == std::optional<std::string>("2"); }));
    auto first = registry->read_string(HKCU, key, "File1");
    auto second = registry->read_string(HKCU, key, "File2");
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(std::filesystem::exists(path("skel") + "\\" + *first)) << *first;
    EXPECT_TRUE(std::filesystem::exists(path("skel") + "\\" + *second)) << *second;
    EXPECT_EQ(registry->read_string(HKCU, key, "ProjectFlags"), std::optional<std::string>("1"));
    EXPECT_EQ(registry->read_string(HKCU, key, "CompilerFlags"), std::optional<std::string>("72"));
    // Each file is in the store as its initial revision.
    for (const std::string& file : {*first, *second}) {
        std::string revisions = file_text(path("skel\\CMS") + "\\" + file);
        EXPECT_NE(revisions.find("Head"), std::string::npos) << file << ": " << revisions.substr(0, 200);
        EXPECT_NE(revisions.find("1.1"), std::string::npos) << file;
        EXPECT_NE(revisions.find("Initial revision"), std::string::npos) << file;
    }
    EXPECT_TRUE(gui::wait_until([&] { return std::filesystem::exists(path("skel\\vyn\\Makefile")); }));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

}  // namespace
}  // namespace vyn::shell::testing
