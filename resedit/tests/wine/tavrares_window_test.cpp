// The editing window under Wine, as a user works with it: open a resource
// file with one dialog, move and resize a control with the mouse and with
// the keyboard, add a control from the palette, save, and read the file
// back; then reaching the IDE, running or not.
#include "resedit/tests/wine/tavrares_fixture.h"

namespace vyn::resedit {
namespace {

using namespace window_testing;

TEST_F(TavraresWindow, MovesResizesAddsSavesAndReloads)
{
    start("\"" + res + "\"");
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(status(), "Dialog 100 IDD_ONE: 2 controls");

    // The mouse: a drag far to the right ends at the right margin (160 - 6 - 32).
    RECT r = field();
    drag(view(), (r.left + r.right) / 2, (r.top + r.bottom) / 2, 400, 0);
    settle();
    EXPECT_EQ(selected(), "122,20,32,12");
    // ... and far to the left at the left margin, once the rebuilt view shows
    // it at the right (the drag's preview left it beyond the dialog's edge).
    ASSERT_TRUE(gui::wait_until([&] {
        RECT v{};
        GetClientRect(view(), &v);
        r = field();
        return r.left > v.right / 2 && r.right <= v.right;
    }));
    drag(view(), (r.left + r.right) / 2, (r.top + r.bottom) / 2, -600, 0);
    settle();
    EXPECT_EQ(selected(), "6,20,32,12");
    // A drag of the bottom right handle resizes it, once the rebuilt view
    // shows the field at the left, inside the dialog.
    ASSERT_TRUE(gui::wait_until([&] {
        RECT v{};
        GetClientRect(view(), &v);
        r = field();
        return r.right < v.right / 2 && r.left > 0;
    }));
    drag(view(), r.right, r.bottom, 30, 12);
    settle();
    int cx = 0, cy = 0;
    ASSERT_EQ(std::sscanf(selected().c_str(), "6,20,%d,%d", &cx, &cy), 2) << status();
    EXPECT_GT(cx, 32);
    EXPECT_GT(cy, 12);
    gui::save_screenshot(gui::screenshot_path("tavrares_selected.png"));

    // The keyboard: arrows move by one grid step, Shift+arrows resize.
    gui::post_key(frame, VK_DOWN);
    gui::post_key(frame, VK_DOWN);
    gui::post_key(frame, VK_RIGHT);
    settle();
    EXPECT_EQ(selected(), format("7,22,%d,%d", cx, cy));
    gui::type_key(frame, VK_RIGHT, false, true);
    gui::type_key(frame, VK_DOWN, false, true);
    settle();
    EXPECT_TRUE(gui::wait_until([&] { return selected() == format("7,22,%d,%d", cx + 1, cy + 1); })) << status();

    // A check box from the palette, placed by a click in an empty place.
    gui::post_command(frame, CMD_ADD_CONTROL + kCheckbox);
    settle();
    RECT button = client_rect(view(), GetDlgItem(view(), 1001));
    post_mouse(view(), WM_LBUTTONDOWN, 2, button.top, MK_LBUTTON);
    post_mouse(view(), WM_LBUTTONUP, 2, button.top);
    settle();
    EXPECT_NE(status().find("3 controls"), std::string::npos) << status();
    EXPECT_NE(GetDlgItem(view(), 1002), nullptr);
    gui::save_screenshot(gui::screenshot_path("tavrares_added.png"));

    // Nothing reached the file yet; F3 saves.
    EXPECT_EQ(controls_on_disk(res).size(), 2u);
    gui::type_key(frame, VK_F3);
    wait_saved();
    EXPECT_TRUE(gui::wait_until([&] { return controls_on_disk(res).size() == 3; }));
    auto controls = controls_on_disk(res);
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0].id, 1000);
    EXPECT_EQ(controls[0].x, 7);
    EXPECT_EQ(controls[0].y, 22);
    EXPECT_EQ(controls[0].cx, cx + 1);
    EXPECT_EQ(controls[0].cy, cy + 1);
    EXPECT_EQ(controls[2].kind, kCheckbox);
    EXPECT_EQ(controls[2].x, 6);  // the click lay left of the margin
    // The script and the include file are written beside it.
    EXPECT_TRUE(platform::file_exists(winpath::join(dir, "one.DLG")));
    std::string include;
    EXPECT_TRUE(platform::read_whole_file(winpath::join(dir, "oneids.h"), include));
    EXPECT_NE(include.find("IDC_FIELD"), std::string::npos);

    // Closing asks nothing (all saved) and writes back only the changed setting.
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "LastFileLoaded"), res);
    EXPECT_FALSE(registry->read_string(HKCU, kTavraresKey, "cxGrid"));

    // Reloaded, the editor shows what was saved.
    start("\"" + res + "\"");
    EXPECT_NE(status().find("3 controls"), std::string::npos) << status();
    gui::save_screenshot(gui::screenshot_path("tavrares_reloaded.png"));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

TEST_F(TavraresWindow, UnsavedChangesAreOfferedOnClose)
{
    start("\"" + res + "\"");
    RECT r = field();
    drag(view(), (r.left + r.right) / 2, (r.top + r.bottom) / 2, 0, 40);
    settle();
    PostMessageA(frame, WM_CLOSE, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(gui::wait_until([&] {
        box = gui::wait_for_window_titled("Tavrares", program.id(), 0);
        return box && box != frame;
    }));
    bool asked = false;
    for (HWND text : gui::find_children(box, "Static"))
        asked = asked || gui::window_text(text) == "Save changes to resource file " + res + "?";
    EXPECT_TRUE(asked);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(program.wait_exit(10000));
    EXPECT_EQ(controls_on_disk(res).at(0).y, 20);
}

// Symbols and callbacks through their dialogs, then the generated code.
TEST_F(TavraresWindow, SymbolsAndCallbacksReachTheIncludeFileAndTheCode)
{
    registry->write_string(HKCU, kTavraresKey, "EditorFullPath", winpath::join(dir, "missing\\tavra.exe"));
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_SYMBOLS);
    HWND symbols = editor_dialog("Symbols", program.id());
    ASSERT_NE(symbols, nullptr);
    // A value that another symbol has is refused with the editor's message.
    set_item(symbols, 301, "IDC_OTHER");
    set_item(symbols, 302, "1000");
    PostMessageA(symbols, WM_COMMAND, 303, 0);
    HWND refusal = editor_dialog("Tavrares", program.id());
    ASSERT_NE(refusal, nullptr);
    std::vector<std::string> said = box_texts(refusal);
    EXPECT_NE(std::find(said.begin(), said.end(), "Another symbol already has this ID."), said.end());
    PostMessageA(refusal, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(refusal); });
    set_item(symbols, 301, "IDC_BUTTON");
    set_item(symbols, 302, "1001");
    press(symbols, 303);
    EXPECT_EQ(gui::list_box_lines(GetDlgItem(symbols, 300)),
              (std::vector<std::string>{"IDD_ONE\t100", "IDC_FIELD\t1000", "IDC_BUTTON\t1001"}));
    PostMessageA(symbols, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(symbols); });

    // The edit field's callback: selected by a click, named in the dialog.
    RECT r = field();
    post_mouse(view(), WM_LBUTTONDOWN, (r.left + r.right) / 2, (r.top + r.bottom) / 2, MK_LBUTTON);
    post_mouse(view(), WM_LBUTTONUP, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    settle();
    gui::post_command(frame, CMD_CALLBACKS);
    HWND callbacks = editor_dialog("Callbacks", program.id());
    ASSERT_NE(callbacks, nullptr);
    set_item(callbacks, 311, "One");
    set_item(callbacks, 313, "NameField");
    set_item(callbacks, 314, "0x4");  // EN_CHANGE
    PostMessageA(callbacks, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(callbacks); });
    gui::type_key(frame, VK_F3);
    wait_saved();
    std::string include;
    EXPECT_TRUE(gui::wait_until([&] {
        return platform::read_whole_file(winpath::join(dir, "oneids.h"), include) &&
               include.find("IDC_BUTTON") != std::string::npos;
    }));
    EXPECT_NE(include.find("#define\tIDC_BUTTON\t1001\n"), std::string::npos) << include;

    // The hierarchy puts the button first in the tab order.
    gui::post_command(frame, CMD_HIERARCHY);
    HWND order = editor_dialog("Hierarchy", program.id());
    ASSERT_NE(order, nullptr);
    SendMessageA(GetDlgItem(order, 350), LB_SETCURSEL, 1, 0);
    press(order, 351);
    EXPECT_EQ(gui::list_box_lines(GetDlgItem(order, 350)),
              (std::vector<std::string>{"Button IDC_BUTTON \"Button\"", "Edit IDC_FIELD \"\""}));
    PostMessageA(order, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(order); });
    settle();
    EXPECT_NE(status().find("selected 1001"), std::string::npos) << status();

    // The skeleton: the code, then the IDE, which cannot be started here.
    gui::post_command(frame, CMD_SKELETON);
    HWND told = editor_dialog("Tavrares", program.id());
    ASSERT_NE(told, nullptr);
    said = box_texts(told);
    EXPECT_NE(std::find(said.begin(), said.end(),
                        "Impossible to start Tavra.exe\nChange the Options->Configuration->Editor settings"),
              said.end());
    PostMessageA(told, WM_COMMAND, IDOK, 0);
    std::string code, header;
    EXPECT_TRUE(platform::read_whole_file(winpath::join(dir, "one.C"), code));
    EXPECT_TRUE(platform::read_whole_file(winpath::join(dir, "one.H"), header));
    EXPECT_NE(code.find("BOOL APIENTRY One(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)"), std::string::npos);
    EXPECT_NE(header.find("/* Control: IDC_FIELD*/\nvoid NameFieldChanged(HWND hDlg,HWND hCtrl);"), std::string::npos)
        << header;
    EXPECT_NE(code.find("NameFieldChanged(hwnd,(HWND)lParam);"), std::string::npos);
    // The new order is not saved yet: closing asks, and no keeps the file.
    gui::wait_until([&] { return !IsWindow(told); });
    PostMessageA(frame, WM_CLOSE, 0, 0);
    HWND question = editor_dialog("Tavrares", program.id());
    ASSERT_NE(question, nullptr);
    PostMessageA(question, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(program.wait_exit(10000));
    EXPECT_EQ(controls_on_disk(res).at(0).id, 1000);
}

// The string table: two strings set, one changed and one deleted in the
// dialog; OK and F3 write them to the file.
TEST_F(TavraresWindow, StringTableIsEditedSavedAndReadBack)
{
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_STRING_TABLE);
    HWND strings = editor_dialog("String table", program.id());
    ASSERT_NE(strings, nullptr);
    for (auto [id, text] : {std::pair{"7", "Seven"}, {"40", "Forty"}, {"7", "Sept"}, {"41", "Gone"}}) {
        set_item(strings, 361, id);
        set_item(strings, 362, text);
        press(strings, 363);
    }
    set_item(strings, 361, "41");
    press(strings, 364);
    EXPECT_EQ(gui::list_box_lines(GetDlgItem(strings, 360)), (std::vector<std::string>{"7\tSept", "40\tForty"}));
    gui::save_screenshot(gui::screenshot_path("tavrares_strings.png"));
    PostMessageA(strings, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(strings); });
    gui::post_command(frame, CMD_SAVE);
    wait_saved();
    EXPECT_TRUE(gui::wait_until([&] { return read_string_table(file_on_disk(res)).size() == 2; }));
    EXPECT_EQ(read_string_table(file_on_disk(res)), (StringTable{{7, "Sept"}, {40, "Forty"}}));
    EXPECT_EQ(controls_on_disk(res).size(), 2u);  // the dialog is still there

    // Ctrl+G on the selected edit field: a group start, no tab stop. The
    // click goes to the view as it stands once the save has been shown.
    settle();
    RECT r = field();
    post_mouse(view(), WM_LBUTTONDOWN, (r.left + r.right) / 2, (r.top + r.bottom) / 2, MK_LBUTTON);
    post_mouse(view(), WM_LBUTTONUP, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    settle();
    ASSERT_TRUE(gui::wait_until([&] { return selected() != "none"; })) << status();
    gui::post_command(frame, CMD_GROUP);
    HWND group = editor_dialog("Group", program.id());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(group, 391), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(GetDlgItem(group, 390), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(group, 391), BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageA(group, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(group); });
    gui::post_command(frame, CMD_SAVE);
    wait_saved();
    EXPECT_TRUE(gui::wait_until([&] {
        auto controls = controls_on_disk(res);
        return !controls.empty() && (controls[0].style & (WS_GROUP | WS_TABSTOP)) == WS_GROUP;
    }));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

// A new menu: a popup with a checked item and a separator, saved, then
// opened again with Select Menu.
TEST_F(TavraresWindow, MenuIsMadeSavedAndEditedAgain)
{
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_NEW_MENU);
    HWND menu = editor_dialog("Menu", program.id());
    ASSERT_NE(menu, nullptr);
    HWND list = GetDlgItem(menu, 370);
    set_item(menu, 371, "&File");
    press(menu, 374);  // Add popup
    SendMessageA(GetDlgItem(menu, 376), BM_SETCHECK, BST_CHECKED, 0);  // into the popup
    set_item(menu, 371, "&Open");
    set_item(menu, 372, "IDC_FIELD");  // a symbol names the id
    SendMessageA(GetDlgItem(menu, 383), BM_SETCHECK, BST_CHECKED, 0);  // Checked
    press(menu, 373);
    press(menu, 375);  // a separator after Open
    EXPECT_EQ(gui::list_box_lines(list), (std::vector<std::string>{"POPUP &File", "    &Open\t1000", "    ----"}));
    gui::save_screenshot(gui::screenshot_path("tavrares_menu.png"));
    PostMessageA(menu, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(menu); });
    gui::post_command(frame, CMD_SAVE);
    wait_saved();
    auto menus_on_disk = [&] {
        std::vector<Menu> menus;
        for (const ResRecord& rec : file_on_disk(res).records)
            if (rec.type.ordinal == 4)
                if (auto m = parse_menu(rec.data()))
                    menus.push_back(*m);
        return menus;
    };
    ASSERT_TRUE(gui::wait_until([&] { return menus_on_disk().size() == 1; }));
    Menu saved = menus_on_disk()[0];
    ASSERT_EQ(saved.items.size(), 1u);
    EXPECT_TRUE(saved.items[0].popup);
    ASSERT_EQ(saved.items[0].items.size(), 2u);
    EXPECT_EQ(saved.items[0].items[0].text, "&Open");
    EXPECT_EQ(saved.items[0].items[0].id, 1000);
    EXPECT_EQ(saved.items[0].items[0].options, MF_CHECKED);
    EXPECT_TRUE(saved.items[0].items[1].separator());
    std::string script;
    EXPECT_TRUE(platform::read_whole_file(winpath::join(dir, "one.DLG"), script));
    EXPECT_NE(script.find("POPUP \"&File\""), std::string::npos) << script;

    // Select Menu opens the one menu; the item is renamed and saved again.
    gui::post_command(frame, CMD_SELECT_MENU);
    menu = editor_dialog("Menu", program.id());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(gui::window_text(GetDlgItem(menu, 379)), "Menu 1");
    SendMessageA(GetDlgItem(menu, 370), LB_SETCURSEL, 1, 0);
    PostMessageA(menu, WM_COMMAND, MAKEWPARAM(370, LBN_SELCHANGE), LPARAM(GetDlgItem(menu, 370)));
    // An edit of another process is asked for its text with the message.
    auto id_field = [&] {
        char text[64] = {};
        SendMessageA(GetDlgItem(menu, 372), WM_GETTEXT, sizeof text, LPARAM(text));
        return std::string(text);
    };
    EXPECT_TRUE(gui::wait_until([&] { return id_field() == "IDC_FIELD"; })) << id_field();
    set_item(menu, 371, "&Open...");
    press(menu, 378);  // Change
    press(menu, 369);  // Down: below the separator
    EXPECT_TRUE(gui::wait_until([&] {
        return gui::list_box_lines(GetDlgItem(menu, 370)) ==
               std::vector<std::string>{"POPUP &File", "    ----", "    &Open...\t1000"};
    }));
    PostMessageA(menu, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(menu); });
    gui::post_command(frame, CMD_SAVE);
    wait_saved();
    EXPECT_TRUE(gui::wait_until([&] {
        auto menus = menus_on_disk();
        return menus.size() == 1 && menus[0].items[0].items.size() == 2 && menus[0].items[0].items[1].text == "&Open...";
    }));
    EXPECT_EQ(menus_on_disk()[0].items[0].items[1].options, MF_CHECKED);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

// A property sheet of two pages: the sheet with its tab control is shown,
// and the pages are dialogs of the saved file.
TEST_F(TavraresWindow, PropertySheetAddsTheSheetAndItsPages)
{
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_PROPERTY_SHEET);
    HWND name = editor_dialog("New Dialog", program.id());
    ASSERT_NE(name, nullptr);
    set_item(name, 310, "IDD_PROPS");
    PostMessageA(name, WM_COMMAND, IDOK, 0);
    HWND pages = editor_dialog("Property sheet", program.id());
    ASSERT_NE(pages, nullptr);
    SendMessageA(GetDlgItem(pages, 330), LB_SETCURSEL, 1, 0);
    PostMessageA(pages, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(pages); });
    settle();
    EXPECT_TRUE(gui::wait_until([&] { return status().find("IDD_PROPS: 4 controls") != std::string::npos; })) << status();
    EXPECT_NE(gui::find_child(view(), "SysTabControl32"), nullptr);

    // Zoom 200%: the view doubles, the stored units stay.
    RECT before;
    GetClientRect(view(), &before);
    gui::post_command(frame, CMD_ZOOM);
    HWND zoom = editor_dialog("Zoom", program.id());
    ASSERT_NE(zoom, nullptr);
    SendMessageA(GetDlgItem(zoom, 330), LB_SETCURSEL, 5, 0);  // 200%
    PostMessageA(zoom, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(zoom); });
    EXPECT_TRUE(gui::wait_until([&] { return status().find("; zoom 200%") != std::string::npos; })) << status();
    settle();
    RECT after;
    GetClientRect(view(), &after);
    EXPECT_GT(after.right, before.right * 17 / 10);
    EXPECT_LT(after.right, before.right * 23 / 10);
    gui::save_screenshot(gui::screenshot_path("tavrares_zoom.png"));
    gui::post_command(frame, CMD_SAVE);
    wait_saved();
    auto names = [&] {
        std::vector<std::string> out;
        for (const ResRecord& rec : file_on_disk(res).records)
            if (rec.dialog)
                out.push_back(rec.dialog->name.empty() ? std::to_string(rec.name.ordinal) : rec.dialog->name);
        return out;
    };
    EXPECT_TRUE(gui::wait_until([&] { return names().size() == 4; }));
    std::string include;
    EXPECT_TRUE(platform::read_whole_file(winpath::join(dir, "oneids.h"), include));
    EXPECT_NE(include.find("IDD_PROPS_PAGE2\t103"), std::string::npos) << include;
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

// Custom control libraries remembered in the settings are loaded at start
// when they describe their classes; the palette's Custom button offers them.
TEST_F(TavraresWindow, CustomControlLibraryOffersItsClasses)
{
    std::string gauge = exe("test_gauge.dll");
    std::string other = exe("tavrares.exe");  // loads, but is no custom control library
    registry->write_string(HKCU, kTavraresKey, "CustomDlls", gauge + ";" + other);
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_ADD_CONTROL + kCustom);
    HWND choose = editor_dialog("Custom control", program.id());
    ASSERT_NE(choose, nullptr);
    EXPECT_EQ(gui::list_box_lines(GetDlgItem(choose, 330)), std::vector<std::string>{"TestGauge - Gauge for tests"});
    PostMessageA(choose, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(choose); });
    EXPECT_TRUE(gui::wait_until([&] { return status().find("place the TestGauge") != std::string::npos; })) << status();
    post_mouse(view(), WM_LBUTTONDOWN, 4, 4, MK_LBUTTON);
    post_mouse(view(), WM_LBUTTONUP, 4, 4);
    settle();
    EXPECT_TRUE(gui::wait_until([&] { return gui::find_child(view(), "TestGauge") != nullptr; }));
    gui::post_command(frame, CMD_SAVE);
    wait_saved();
    EXPECT_TRUE(gui::wait_until([&] { return controls_on_disk(res).size() == 3; }));
    auto controls = controls_on_disk(res);
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[2].window_class.text, "TestGauge");
    EXPECT_EQ(controls[2].cx, 60);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
    // The library that is not one was dropped from the list.
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "CustomDlls"), gauge);

    // Open Dll refuses a library that describes no control class.
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_OPEN_DLL);
    HWND open = editor_dialog("Open", program.id());
    ASSERT_NE(open, nullptr);
    HWND name = gui::find_child(open, "Edit");
    ASSERT_NE(name, nullptr);
    SendMessageA(name, WM_SETTEXT, 0, LPARAM(other.c_str()));
    PostMessageA(open, WM_COMMAND, IDOK, 0);
    HWND refusal = editor_dialog("Tavrares", program.id());
    ASSERT_NE(refusal, nullptr);
    std::vector<std::string> said = box_texts(refusal);
    EXPECT_NE(std::find(said.begin(), said.end(), other + " is not a valid custom control DLL."), said.end());
    PostMessageA(refusal, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(refusal); });
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "CustomDlls"), gauge);
}

// The seed resource file compiled from tests/data/sample.rc: a DIALOGEX of
// many kinds (common controls among them, no icon) and a plain DIALOG.
std::string sample_res()
{
    std::string unix_path = RESEDIT_SAMPLE_RES;
    std::string windows = "Z:" + unix_path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

TEST_F(TavraresWindow, FileWithTwoDialogsAsksWhichOneAndShowsEveryKind)
{
    std::string copy = winpath::join(dir, "sample.res");
    ASSERT_TRUE(CopyFileA(sample_res().c_str(), copy.c_str(), FALSE)) << sample_res();
    auto started = gui::Program::start("\"" + exe("tavrares.exe") + "\" \"" + copy + "\"", dir);
    ASSERT_TRUE(started);
    program = std::move(*started);
    HWND choose = editor_dialog("Select Dialog", program.id());
    ASSERT_NE(choose, nullptr);
    EXPECT_EQ(gui::list_box_lines(GetDlgItem(choose, 330)).size(), 2u);
    PostMessageA(choose, WM_COMMAND, IDOK, 0);
    frame = gui::wait_for_window(kFrame, program.id(), 10000);
    ASSERT_NE(frame, nullptr);
    settle();
    EXPECT_NE(status().find(": 13 controls"), std::string::npos) << status();  // the seed has no icon
    ASSERT_NE(view(), nullptr);
    for (const char* cls : {"SysTreeView32", "msctls_trackbar32", "msctls_updown32", "ComboBox", "ListBox"})
        EXPECT_NE(gui::find_child(view(), cls), nullptr) << cls;
    gui::save_screenshot(gui::screenshot_path("tavrares_sample.png"));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

// The IDE's settings so that it starts without a first-run question.
void configure_ide(platform::Registry& registry, const std::string& dir)
{
    registry.delete_key(HKCU, "Software\\vyn\\Tavra");
    registry.write_string(HKCU, "Software\\vyn\\Compiler", "includepath", dir + "\\include");
    registry.write_string(HKCU, "Software\\vyn\\vynlnk", "libpath", dir + "\\lib");
    registry.write_string(HKCU, "Software\\vyn\\Tavra", "CurrentDir", dir);
}

void end_process_of(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
}

TEST_F(TavraresWindow, FindsARunningIdeAndStartsOneWhenNoneRuns)
{
    configure_ide(*registry, dir);
    // A running IDE is found: the stored command, which could not start, is not used.
    auto ide = gui::Program::start("\"" + exe("tavra.exe") + "\"", dir);
    ASSERT_TRUE(ide);
    HWND ide_frame = gui::wait_for_window("clMDIFrame", ide->id(), 30000);
    ASSERT_NE(ide_frame, nullptr);
    registry->write_string(HKCU, kTavraresKey, "EditorFullPath", winpath::join(dir, "missing\\tavra.exe"));
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_GOTO_IDE);
    settle();
    EXPECT_EQ(gui::wait_for_window_titled("Tavrares", program.id(), 1500), nullptr);
    ide->terminate();
    ide->wait_exit(10000);

    // Without an IDE the stored command starts it and the editor finds its frame.
    gui::post_command(frame, CMD_GOTO_IDE);
    HWND box = nullptr;
    ASSERT_TRUE(gui::wait_until([&] {
        box = gui::wait_for_window("#32770", program.id(), 0);
        return box != nullptr;
    }));
    bool told = false;
    for (HWND text : gui::find_children(box, "Static"))
        told = told || gui::window_text(text).find("Impossible to start Tavra.exe") == 0;
    EXPECT_TRUE(told);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    settle();

    registry->write_string(HKCU, kTavraresKey, "EditorFullPath", "\"" + exe("tavra.exe") + "\"");
    PostMessageA(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.wait_exit(10000));
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_GOTO_IDE);
    HWND started = gui::wait_for_window("clMDIFrame", 0, 15000);
    EXPECT_NE(started, nullptr);
    settle();
    EXPECT_EQ(gui::wait_for_window("#32770", program.id(), 500), nullptr);
    if (started)
        end_process_of(started);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

// The IDE's Resources command (1265) without a project: the user picks the
// file, and the editor beside the compiler root's bin starts with it.
TEST_F(TavraresWindow, IdeResourcesCommandStartsTheEditorWithTheChosenFile)
{
    configure_ide(*registry, dir);
    std::string build = winpath::directory(winpath::directory(platform::executable_path()));
    registry->write_string(HKCU, "Software\\vyn\\Compiler", "includepath", build + "\\include");
    auto ide = gui::Program::start("\"" + exe("tavra.exe") + "\"", dir);
    ASSERT_TRUE(ide);
    HWND ide_frame = gui::wait_for_window("clMDIFrame", ide->id(), 30000);
    ASSERT_NE(ide_frame, nullptr);
    gui::settle(ide_frame);
    gui::post_command(ide_frame, 1265);
    HWND chooser = nullptr;
    ASSERT_TRUE(gui::wait_until([&] {
        chooser = gui::wait_for_window_titled("Open a resource file", ide->id(), 0);
        return chooser != nullptr;
    }));
    HWND name = gui::find_child(chooser, "Edit");
    ASSERT_NE(name, nullptr);
    std::wstring wide(res.begin(), res.end());
    SendMessageW(name, WM_SETTEXT, 0, LPARAM(wide.c_str()));
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    frame = gui::wait_for_window(kFrame, 0, 30000);
    ASSERT_NE(frame, nullptr);
    gui::settle(frame);
    EXPECT_NE(gui::window_text(frame).find("one.res"), std::string::npos) << gui::window_text(frame);
    EXPECT_EQ(status(), "Dialog 100 IDD_ONE: 2 controls");
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(frame); }));
    ide->terminate();
}

// Rows between from and to percent of the capture's height that have a
// quarter of their pixels in colour.
int rows_with(const gui::Capture& c, std::uint32_t colour, int from, int to)
{
    int rows = 0;
    for (int y = c.height * from / 100; y < c.height * to / 100; ++y) {
        int n = 0;
        for (int x = 0; x < c.width; ++x)
            n += c.at(x, y) == colour;
        rows += n >= c.width / 4;
    }
    return rows;
}

std::uint32_t rgb_of(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// The settings that shape what is added and shown: sorted list boxes among
// the default styles, bold new dialogs, red new static texts, a green list
// background and the guide 30 units above the dialog's bottom; then the
// configuration dialog changes two of them.
TEST_F(TavraresWindow, SettingsShapeNewControlsNewDialogsAndTheView)
{
    const long sorted_lists = 43476 | (1 << 9);
    registry->write_string(HKCU, kTavraresKey, "gControlStyles", std::to_string(sorted_lists));
    registry->write_string(HKCU, kTavraresKey, "gfFontStyle", "1");
    registry->write_string(HKCU, kTavraresKey, "TextColor", "255");
    registry->write_string(HKCU, kTavraresKey, "ListBackground", "65280");
    registry->write_string(HKCU, kTavraresKey, "UnderscoreYOffset", "30");
    std::string fresh = winpath::join(dir, "fresh.res");
    start("\"" + fresh + "\"");
    gui::post_command(frame, CMD_NEW_DIALOG);
    HWND name = editor_dialog("New Dialog", program.id());
    ASSERT_NE(name, nullptr);
    set_item(name, IDC_DIALOG_NAME, "IDD_NEW");
    PostMessageA(name, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(gui::wait_until([&] { return status().find("IDD_NEW: 0 controls") != std::string::npos; })) << status();
    settle();
    auto place = [&](std::uint16_t kind, int x, int y) {
        gui::post_command(frame, CMD_ADD_CONTROL + kind);
        settle();
        post_mouse(view(), WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        post_mouse(view(), WM_LBUTTONUP, x, y);
        settle();
    };
    place(kList, 12, 12);
    place(kText, 200, 12);
    ASSERT_TRUE(gui::wait_until([&] { return status().find("IDD_NEW: 2 controls") != std::string::npos; })) << status();
    // The status is told before the view is made again: the list box is waited for.
    settle();
    HWND list = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (list = gui::find_child(view(), "ListBox")) != nullptr; }));
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & LBS_SORT);

    // The list box is painted green; the guide is a dotted row 70 of 100 units down.
    const std::uint32_t guide = rgb_of(GetSysColor(COLOR_GRAYTEXT));
    ASSERT_TRUE(gui::wait_until([&] {
        gui::Capture shot = gui::capture_client(list);
        return shot.width > 4 && shot.at(shot.width / 2, shot.height / 2) == 0x00FF00;
    }));
    EXPECT_EQ(rows_with(gui::capture_client(view()), guide, 65, 75), 1);
    // The new text is written in red.
    HWND text = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (text = gui::find_child(view(), "Static")) != nullptr; }));
    gui::Capture written = gui::capture_client(text);
    EXPECT_TRUE(std::count(written.pixels.begin(), written.pixels.end(), 0xFF0000u) > 5);
    gui::save_screenshot(gui::screenshot_path("tavrares_settings.png"));

    gui::type_key(frame, VK_F3);
    wait_saved();
    ASSERT_TRUE(gui::wait_until([&] { return controls_on_disk(fresh).size() == 2; }));
    ResFile file = file_on_disk(fresh);
    const Dialog* saved = nullptr;
    for (const ResRecord& rec : file.records)
        if (rec.dialog)
            saved = &*rec.dialog;
    ASSERT_NE(saved, nullptr);
    EXPECT_TRUE(saved->extended);
    EXPECT_EQ(saved->weight, 700);
    EXPECT_TRUE(saved->controls[0].style & LBS_SORT);
    SilentUi silent;
    Project project;
    ASSERT_TRUE(load_project(winpath::join(dir, "fresh.TVR"), project, silent));
    EXPECT_EQ(project.control_styles, std::uint32_t(sorted_lists));
    ASSERT_EQ(project.dialogs.size(), 1u);
    ASSERT_EQ(project.dialogs[0].controls.size(), 2u);
    EXPECT_EQ(project.dialogs[0].controls[1].text_colour, 255u);

    // Configuration: list boxes no longer sorted, no guide.
    gui::post_command(frame, CMD_CONFIGURATION);
    HWND config = editor_dialog("Configuration", program.id());
    ASSERT_NE(config, nullptr);
    gui::settle(config);
    Sleep(300);  // for the screenshot only: the X server draws it after the paint
    gui::save_screenshot(gui::screenshot_path("tavrares_configuration.png"));
    set_item(config, IDC_SETTING + kUnderscoreYOffset, "0");
    PostMessageA(config, WM_COMMAND, IDC_DEFAULT_STYLES, 0);
    HWND styles = editor_dialog("Default styles of new controls", program.id());
    ASSERT_NE(styles, nullptr);
    HWND sorted = GetDlgItem(styles, IDC_STYLE_CHOICE + 9);
    EXPECT_EQ(gui::window_text(sorted), "List boxes are sorted");
    EXPECT_EQ(SendMessageA(sorted, BM_GETCHECK, 0, 0), BST_CHECKED);
    gui::settle(styles);
    Sleep(300);
    gui::save_screenshot(gui::screenshot_path("tavrares_default_styles.png"));
    SendMessageA(sorted, BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageA(styles, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(styles); });
    PostMessageA(config, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(config); });
    settle();
    place(kList, 12, 120);
    ASSERT_TRUE(gui::wait_until([&] { return status().find("IDD_NEW: 3 controls") != std::string::npos; })) << status();
    settle();
    std::vector<HWND> lists;
    ASSERT_TRUE(gui::wait_until([&] { return (lists = gui::find_children(view(), "ListBox")).size() == 2; }));
    EXPECT_FALSE(GetWindowLongA(lists[1], GWL_STYLE) & LBS_SORT);
    EXPECT_EQ(rows_with(gui::capture_client(view()), guide, 65, 75), 0);

    gui::type_key(frame, VK_F3);
    wait_saved();
    ASSERT_TRUE(gui::wait_until([&] { return controls_on_disk(fresh).size() == 3; }));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "gControlStyles"), "43476");
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "UnderscoreYOffset"), "0");
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "TextColor"), "255");
    ASSERT_TRUE(load_project(winpath::join(dir, "fresh.TVR"), project, silent));
    EXPECT_EQ(project.control_styles, 43476u);
}

// The Arrange menu's items are pictures beside their names, drawn by the editor.
TEST_F(TavraresWindow, ArrangeMenuShowsPictures)
{
    start("\"" + res + "\"");
    // A selection, so that the items are enabled.
    RECT r = field();
    post_mouse(view(), WM_LBUTTONDOWN, (r.left + r.right) / 2, (r.top + r.bottom) / 2, MK_LBUTTON);
    post_mouse(view(), WM_LBUTTONUP, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    settle();
    ASSERT_TRUE(gui::wait_until([&] { return selected() != "none"; })) << status();
    gui::type_key(frame, 'A', false, false, true);
    HWND popup = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (popup = FindWindowA("#32768", nullptr)) && IsWindowVisible(popup); }));
    // Only a selected item of a menu of names has the highlight colour; here
    // every picture's controls are filled with it, down to the last items.
    Sleep(300);  // the X server draws the popup after its paint
    gui::Capture shown = gui::capture_client(popup);
    const std::uint32_t highlight = rgb_of(GetSysColor(COLOR_HIGHLIGHT));
    auto lower_half = shown.pixels.begin() + std::ptrdiff_t(shown.pixels.size() / 2);
    EXPECT_GT(std::count(lower_half, shown.pixels.end(), highlight), 30);
    gui::save_screenshot(gui::screenshot_path("tavrares_arrange_menu.png"));
    gui::type_key(frame, VK_ESCAPE);
    gui::type_key(frame, VK_ESCAPE);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

}  // namespace
}  // namespace vyn::resedit
