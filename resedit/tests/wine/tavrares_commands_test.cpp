// The editor's commands under Wine, as a user reaches them through menus and
// shortcuts: the project's files, styles and the test run of a dialog, the
// Arrange menu, the clipboard, and the dialog's name in the callbacks dialog.
// One editor process per test.
#include "resedit/tests/wine/tavrares_fixture.h"

namespace vyn::resedit {
namespace {

using namespace window_testing;

class TavraresCommands : public TavraresWindow {
protected:
    // Clicks the middle of control id, or near its top left corner where
    // copies pasted over it leave it uncovered (with Shift: adds it to the selection).
    void click(int id, WPARAM keys = 0, bool corner = false)
    {
        RECT r{};
        EXPECT_TRUE(gui::wait_until([&] {
            r = client_rect(view(), GetDlgItem(view(), id));
            return r.right > r.left;
        })) << id;
        int x = corner ? r.left + 2 : (r.left + r.right) / 2, y = corner ? r.top + 2 : (r.top + r.bottom) / 2;
        post_mouse(view(), WM_LBUTTONDOWN, x, y, MK_LBUTTON | keys);
        post_mouse(view(), WM_LBUTTONUP, x, y, keys);
        settle();
    }
    // Presses a shortcut as real keys into the editor's frame.
    void shortcut(UINT key, bool ctrl, bool shift = false)
    {
        gui::type_key(frame, key, ctrl, shift);
        settle();
    }
    // The editor's message box: its texts, then closed with OK.
    std::vector<std::string> told()
    {
        HWND box = nullptr;
        gui::wait_until([&] {
            box = gui::wait_for_window_titled("Tavrares", program.id(), 0);
            return box && box != frame;
        });
        if (!box || box == frame)
            return {};
        std::vector<std::string> said = box_texts(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        gui::wait_until([&] { return !IsWindow(box); });
        settle();
        return said;
    }
    bool was_told(const std::string& text)
    {
        std::vector<std::string> said = told();
        return std::find(said.begin(), said.end(), text) != said.end();
    }
    // The controls of the named dialog of the file on disk.
    std::vector<Control> saved_controls(std::uint16_t dialog_id)
    {
        for (const ResRecord& rec : file_on_disk(res).records)
            if (rec.dialog && rec.dialog->id == dialog_id)
                return rec.dialog->controls;
        return {};
    }
    void save_and_wait(const std::function<bool()>& saved)
    {
        gui::type_key(frame, VK_F3);
        wait_saved();
        EXPECT_TRUE(gui::wait_until(saved));
    }
};

std::string file_line(const std::string& dir, const char* name, bool written)
{
    return winpath::join(dir, name) + (written ? "" : "  (not written yet)");
}

// Files lists the project's files; Ctrl+Y edits the field's style and
// number, which the live view, the saved resource and its script show, and
// which keep the field's callback; Ctrl+T runs the dialog with that style.
TEST_F(TavraresCommands, FilesStylesAndTestRun)
{
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_FILES);
    HWND files = editor_dialog("Files", program.id());
    ASSERT_NE(files, nullptr);
    std::string listed;
    for (const std::string& text : box_texts(files))
        listed += text;
    gui::save_screenshot(gui::screenshot_path("tavrares_files.png"));
    for (const std::string& line :
         {file_line(dir, "one.RES", true), file_line(dir, "one.DLG", true), file_line(dir, "one.TVR", true),
          file_line(dir, "one.C", false), file_line(dir, "one.H", false), file_line(dir, "one_cbk.c", false),
          file_line(dir, "oneids.h", true)})
        EXPECT_NE(listed.find(line + "\n"), std::string::npos) << line << " in\n" << listed;
    PostMessageA(files, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(files); });

    // Without a selection the styles cannot be edited.
    shortcut('Y', true);
    EXPECT_TRUE(was_told("You must make a selection before this operation."));

    click(1000);
    // The field's callback is named first; it stays the field's under its new number.
    gui::post_command(frame, CMD_CALLBACKS);
    HWND callbacks = editor_dialog("Callbacks", program.id());
    ASSERT_NE(callbacks, nullptr);
    set_item(callbacks, 313, "NameField");
    PostMessageA(callbacks, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(callbacks); });
    settle();

    shortcut('Y', true);
    HWND styles = editor_dialog("Styles", program.id());
    ASSERT_NE(styles, nullptr);
    auto text_of = [](HWND dialog, int id) {
        char text[128] = {};
        SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, LPARAM(text));
        return std::string(text);
    };
    auto field_text = [&](int id) { return text_of(styles, id); };
    EXPECT_TRUE(gui::wait_until([&] { return field_text(323) == "IDC_FIELD"; })) << field_text(323);
    EXPECT_EQ(field_text(321), "1000");
    std::uint32_t before = controls_on_disk(res).at(0).style;
    EXPECT_EQ(field_text(322), format("0x%8.8X", before));
    // A style that is no number, and the number of the button, are refused.
    set_item(styles, 322, "wide");
    PostMessageA(styles, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(was_told("Style value must be a positive number."));
    std::uint32_t wanted = (before | ES_NUMBER | ES_CENTER) & ~ES_AUTOHSCROLL;
    set_item(styles, 322, format("0x%X", wanted));
    set_item(styles, 321, "1001");
    PostMessageA(styles, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(was_told("Another control or dialog already has this ID."));
    set_item(styles, 321, "1005");
    // The refusals were the styles dialog's: it is in front again, its owner still disabled.
    EXPECT_TRUE(gui::wait_until([&] { return GetForegroundWindow() == styles; }));
    EXPECT_FALSE(IsWindowEnabled(frame));
    gui::save_screenshot(gui::screenshot_path("tavrares_styles.png"));
    PostMessageA(styles, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(styles); });
    settle();
    // The rebuilt view shows the new style.
    EXPECT_TRUE(gui::wait_until([&] {
        HWND edit = GetDlgItem(view(), 1005);
        return edit && (GetWindowLongA(edit, GWL_STYLE) & (ES_NUMBER | ES_CENTER)) == (ES_NUMBER | ES_CENTER);
    }));
    save_and_wait([&] { return controls_on_disk(res).at(0).style == wanted; });
    EXPECT_EQ(controls_on_disk(res).at(0).id, 1005);
    std::string script;
    EXPECT_TRUE(platform::read_whole_file(winpath::join(dir, "one.DLG"), script));
    std::size_t line = script.find("EDITTEXT");
    ASSERT_NE(line, std::string::npos) << script;
    std::string edittext = script.substr(line, script.find('\n', line) - line);
    EXPECT_NE(edittext.find("ES_NUMBER"), std::string::npos) << edittext;
    EXPECT_NE(edittext.find("ES_CENTER"), std::string::npos) << edittext;
    EXPECT_EQ(edittext.find("ES_AUTOHSCROLL"), std::string::npos) << edittext;

    // Ctrl+T: the dialog runs as the program will show it; its number-only
    // field takes the digits typed into it and drops the letters.
    shortcut('T', true);
    HWND tried = editor_dialog("IDD_ONE", program.id());
    ASSERT_NE(tried, nullptr);
    HWND edit = GetDlgItem(tried, 1005);
    ASSERT_NE(edit, nullptr);
    EXPECT_NE(GetDlgItem(tried, 1001), nullptr);
    gui::post_text(edit, "12ab3");
    gui::settle(tried);
    auto typed = [&] {
        char text[64] = {};
        SendMessageA(edit, WM_GETTEXT, sizeof text, LPARAM(text));
        return std::string(text);
    };
    EXPECT_TRUE(gui::wait_until([&] { return typed() == "123"; })) << typed();
    gui::save_screenshot(gui::screenshot_path("tavrares_test_run.png"));
    // The editor waits for the tried dialog; its close box ends it.
    PostMessageA(tried, WM_CLOSE, 0, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(tried); }));
    settle();
    EXPECT_EQ(gui::window_text(GetDlgItem(view(), 1005)), "");  // the edited dialog is untouched

    gui::post_command(frame, CMD_CALLBACKS);
    callbacks = editor_dialog("Callbacks", program.id());
    ASSERT_NE(callbacks, nullptr);
    EXPECT_TRUE(gui::wait_until([&] { return text_of(callbacks, 313) == "NameField"; })) << text_of(callbacks, 313);
    EXPECT_EQ(text_of(callbacks, 312), "Control 1005 (Edit)");
    PostMessageA(callbacks, WM_COMMAND, IDCANCEL, 0);
    gui::wait_until([&] { return !IsWindow(callbacks); });
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));  // nothing unsaved: no question
}

// A resource file whose dialog holds three controls scattered over it.
void write_three_controls(const std::string& path)
{
    SilentUi ui;
    EditorSession session;
    session.create(path);
    session.add_dialog("IDD_THREE");
    EditorSettings s = EditorSettings::defaults();
    Dialog* d = session.begin_change();
    add_control(*d, kEdit, 30, 10, s);      // 1000: 32 x 12
    add_control(*d, kButton, 110, 36, s);   // 1001: 40 x 14
    add_control(*d, kCheckbox, 12, 70, s);  // 1002
    session.save(ui);
}

// Align left, same size and space evenly make a column; undone, align top
// and space evenly make a row. The first control of the dialog's order is
// the reference.
TEST_F(TavraresCommands, ArrangeMenuAlignsSizesAndSpaces)
{
    std::string three = winpath::join(dir, "three.res");
    write_three_controls(three);
    start("\"" + three + "\"");
    std::vector<Control> original = controls_on_disk(three);
    ASSERT_EQ(original.size(), 3u);

    // Without a selection the Arrange items refuse.
    gui::post_command(frame, CMD_ALIGN_LEFT);
    EXPECT_TRUE(was_told("You must make a selection before this operation."));

    click(1000);
    click(1001, MK_SHIFT);
    click(1002, MK_SHIFT);
    EXPECT_NE(status().find("; 3 selected"), std::string::npos) << status();
    auto live = [&] {
        std::vector<RECT> rects;
        for (int id : {1000, 1001, 1002})
            rects.push_back(client_rect(view(), GetDlgItem(view(), id)));
        return rects;
    };
    gui::post_command(frame, CMD_ALIGN_LEFT);
    settle();
    EXPECT_TRUE(gui::wait_until([&] {
        auto r = live();
        return r[0].left == r[1].left && r[1].left == r[2].left;
    }));
    gui::post_command(frame, CMD_SAME_SIZE);
    settle();
    EXPECT_TRUE(gui::wait_until([&] {
        auto r = live();
        for (const RECT& one : r)
            if (one.right - one.left != r[0].right - r[0].left || one.bottom - one.top != r[0].bottom - r[0].top)
                return false;
        return true;
    }));
    gui::post_command(frame, CMD_SPACE_V);
    settle();
    save_and_wait([&] {
        auto c = controls_on_disk(three);
        return c.size() == 3 && c[1].y != original[1].y;
    });
    std::vector<Control> c = controls_on_disk(three);
    ASSERT_EQ(c.size(), 3u);
    for (const Control& one : c) {
        EXPECT_EQ(one.x, 30);  // the edit field's left edge and size
        EXPECT_EQ(one.cx, 32);
        EXPECT_EQ(one.cy, 12);
    }
    // Between the top one (10) and the bottom one (70, 12 high): gaps of 18.
    EXPECT_EQ(c[0].y, 10);
    EXPECT_EQ(c[1].y, 40);
    EXPECT_EQ(c[2].y, 70);
    gui::save_screenshot(gui::screenshot_path("tavrares_column.png"));

    // Three undos bring the scattered controls back; then a row.
    for (int i = 0; i < 3; ++i)
        gui::post_command(frame, CMD_UNDO);
    gui::post_command(frame, CMD_ALIGN_TOP);
    gui::post_command(frame, CMD_SPACE_H);
    settle();
    EXPECT_TRUE(gui::wait_until([&] {
        auto r = live();
        return r[0].top == r[1].top && r[1].top == r[2].top;
    }));
    save_and_wait([&] {
        auto now = controls_on_disk(three);
        return now.size() == 3 && now[2].y == 10;
    });
    c = controls_on_disk(three);
    ASSERT_EQ(c.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(c[i].y, 10);
        EXPECT_EQ(c[i].cx, original[i].cx);
        EXPECT_EQ(c[i].cy, original[i].cy);
    }
    // Left to right: the check box (12), the field, the button (110 + 40),
    // with equal gaps (the rest of the division lies before the button's end).
    EXPECT_EQ(c[2].x, 12);
    EXPECT_GT(c[0].x, c[2].x + c[2].cx);
    EXPECT_EQ(c[0].x - (c[2].x + c[2].cx), c[1].x - (c[0].x + c[0].cx));
    EXPECT_LE(c[1].x + c[1].cx, 150);
    EXPECT_GE(c[1].x + c[1].cx, 149);
    gui::save_screenshot(gui::screenshot_path("tavrares_row.png"));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

// The clipboard: copy, cut and paste with both sets of keys, pasting into
// another dialog, and a clipboard that another window holds open.
TEST_F(TavraresCommands, ClipboardCutsCopiesAndPastes)
{
    start("\"" + res + "\"");
    UINT format = RegisterClipboardFormatA("Tavrares controls");
    // Nothing selected: copy and cut refuse.
    shortcut('C', true);
    EXPECT_TRUE(was_told("You must make a selection before this operation."));
    shortcut(VK_DELETE, false, true);
    EXPECT_TRUE(was_told("You must make a selection before this operation."));

    click(1000);
    shortcut('C', true);
    EXPECT_TRUE(gui::wait_until([&] { return IsClipboardFormatAvailable(format) != 0; }));
    shortcut('V', true);
    EXPECT_TRUE(gui::wait_until([&] { return status().find(": 3 controls") != std::string::npos; })) << status();
    EXPECT_NE(GetDlgItem(view(), 1002), nullptr);
    shortcut(VK_INSERT, false, true);  // Shift+Ins pastes too
    EXPECT_TRUE(gui::wait_until([&] { return status().find(": 4 controls") != std::string::npos; })) << status();
    // Ctrl+Ins copies the button, Shift+Del cuts it, Ctrl+X cuts the field.
    click(1001);
    shortcut(VK_INSERT, true);
    shortcut(VK_DELETE, false, true);
    EXPECT_TRUE(gui::wait_until([&] { return GetDlgItem(view(), 1001) == nullptr; }));
    click(1000, 0, true);
    shortcut('X', true);
    EXPECT_TRUE(gui::wait_until([&] { return status().find(": 2 controls") != std::string::npos; })) << status();
    save_and_wait([&] {
        auto now = controls_on_disk(res);
        return now.size() == 2 && now[0].id == 1002;
    });
    // The two pasted copies of the field: the first a paste step (4 units)
    // off it, the second one step further, so that they do not cover each other.
    auto kept = controls_on_disk(res);
    ASSERT_EQ(kept.size(), 2u);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i].kind, kEdit);
        EXPECT_EQ(kept[i].x, 24 + 4 * int(i));
        EXPECT_EQ(kept[i].y, 24 + 4 * int(i));
    }

    // The cut field is pasted into a new dialog.
    shortcut('N', true, true);
    HWND name = editor_dialog("New Dialog", program.id());
    ASSERT_NE(name, nullptr);
    set_item(name, 310, "IDD_TWO");
    PostMessageA(name, WM_COMMAND, IDOK, 0);
    gui::wait_until([&] { return !IsWindow(name); });
    EXPECT_TRUE(gui::wait_until([&] { return status().find("IDD_TWO: 0 controls") != std::string::npos; })) << status();
    shortcut('V', true);
    EXPECT_TRUE(gui::wait_until([&] { return status().find("IDD_TWO: 1 controls") != std::string::npos; })) << status();

    // Another window holds the clipboard open: each command says so, and
    // the cut keeps the control.
    HWND holder = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(holder, nullptr);
    ASSERT_TRUE(OpenClipboard(holder));
    click(1000);
    struct Keys {
        UINT key;
        bool ctrl, shift;
    };
    for (Keys k : {Keys{'C', true, false}, Keys{'X', true, false}, Keys{'V', true, false}, Keys{VK_INSERT, false, true}}) {
        shortcut(k.key, k.ctrl, k.shift);
        EXPECT_TRUE(was_told("The clipboard is currently unavailable.")) << k.key;
    }
    CloseClipboard();
    DestroyWindow(holder);
    EXPECT_NE(status().find("IDD_TWO: 1 controls"), std::string::npos) << status();
    save_and_wait([&] { return saved_controls(101).size() == 1; });
    std::vector<Control> pasted = saved_controls(101);
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0].kind, kEdit);
    EXPECT_EQ(pasted[0].window_class, (NameOrId{true, 0x81, {}}));
    EXPECT_EQ(saved_controls(100).size(), 2u);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

// The callbacks dialog names the dialog: a name with blanks is refused, a
// good one reaches the include file, the script and the generated procedure.
TEST_F(TavraresCommands, CallbacksDialogRenamesTheDialog)
{
    registry->write_string(HKCU, kTavraresKey, "EditorFullPath", winpath::join(dir, "missing\\tavra.exe"));
    start("\"" + res + "\"");
    gui::post_command(frame, CMD_CALLBACKS);
    HWND callbacks = editor_dialog("Callbacks", program.id());
    ASSERT_NE(callbacks, nullptr);
    auto name_field = [&] {
        char text[64] = {};
        SendMessageA(GetDlgItem(callbacks, 310), WM_GETTEXT, sizeof text, LPARAM(text));
        return std::string(text);
    };
    EXPECT_TRUE(gui::wait_until([&] { return name_field() == "IDD_ONE"; })) << name_field();
    set_item(callbacks, 310, "Login box");
    PostMessageA(callbacks, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(was_told("The dialog's name cannot contain blanks."));
    set_item(callbacks, 310, "LoginBox");
    PostMessageA(callbacks, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(callbacks); }));
    settle();
    EXPECT_EQ(status(), "Dialog 100 LoginBox: 2 controls");
    save_and_wait([&] {
        std::string include;
        return platform::read_whole_file(winpath::join(dir, "oneids.h"), include) &&
               include.find("#define\tLoginBox\t100\n") != std::string::npos;
    });
    std::string script;
    EXPECT_TRUE(platform::read_whole_file(winpath::join(dir, "one.DLG"), script));
    EXPECT_NE(script.find("LoginBox DIALOG"), std::string::npos) << script;
    // The skeleton's procedure takes the name (no prefix is set).
    gui::post_command(frame, CMD_SKELETON);
    EXPECT_TRUE(was_told("Impossible to start Tavra.exe\nChange the Options->Configuration->Editor settings"));
    std::string code;
    EXPECT_TRUE(platform::read_whole_file(winpath::join(dir, "one.C"), code));
    EXPECT_NE(code.find("BOOL APIENTRY LoginBox(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)"), std::string::npos);
    EXPECT_EQ(code.find("IDD_ONE("), std::string::npos);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));

    // Opened again, the dialog is still LoginBox.
    start("\"" + res + "\"");
    EXPECT_EQ(status(), "Dialog 100 LoginBox: 2 controls");
    gui::post_command(frame, CMD_CALLBACKS);
    callbacks = editor_dialog("Callbacks", program.id());
    ASSERT_NE(callbacks, nullptr);
    EXPECT_TRUE(gui::wait_until([&] { return name_field() == "LoginBox"; })) << name_field();
    PostMessageA(callbacks, WM_COMMAND, IDCANCEL, 0);
    gui::wait_until([&] { return !IsWindow(callbacks); });
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.wait_exit(10000));
}

}  // namespace
}  // namespace vyn::resedit
