// The road from the editor to a program, through the kit: a dialog with one
// control of each kind, its generated C compiled by vyn with every warning
// on, linked by vynlnk with the dialog helpers and the import libraries;
// the editor's resource script compiled by vrc, and the linked program's
// resources read back with llvm-readobj.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "resedit/dialog_editing.h"
#include "resedit/editor_session.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

namespace fs = std::filesystem;
using namespace testing;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class KitDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::absolute(scratch_directory("resedit_kit_dialog"));
        std::ofstream(dir_ / "registry.reg") << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\vyn\\vynlnk]\n\"libpath\"=\""
                                             << KIT_ROOT << "/lib\"\n\n";
    }
    Outcome run(const std::string& command) const
    {
        std::string full = "cd '" + dir_.string() + "' && VYN_REGISTRY='" + (dir_ / "registry.reg").string() + "' " +
                           command + " >.out 2>.err";
        int status = std::system(full.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text_of(dir_ / ".out"), text_of(dir_ / ".err")};
    }
    static std::string kit(const std::string& program) { return std::string("'") + KIT_ROOT + "/bin/" + program + "'"; }

    fs::path dir_;
};

// The bytes of llvm-readobj's hex dump that starts at from: lines of
// "offset: hex groups |text|" up to the closing parenthesis.
std::vector<std::uint8_t> hex_dump_bytes(const std::string& text, std::size_t from)
{
    std::vector<std::uint8_t> bytes;
    if (from == std::string::npos)
        return bytes;
    std::istringstream in(text.substr(text.find('\n', from) + 1));
    std::string line;
    while (std::getline(in, line) && line.find(')') != 0 && line.find_first_not_of(' ') != line.find(')')) {
        std::size_t colon = line.find(": ");
        std::size_t bar = line.find('|');
        if (colon == std::string::npos || bar == std::string::npos)
            break;
        std::string hex;
        for (char c : line.substr(colon + 2, bar - colon - 2))
            if (std::isxdigit(static_cast<unsigned char>(c)))
                hex += c;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Sets the project record of the control with id: flags, mask, callback, symbol.
Control& record(Dialog& d, std::uint16_t id)
{
    for (Control& c : d.controls)
        if (c.id == id)
            return c;
    ADD_FAILURE() << "no control " << id;
    return d.controls.front();
}

TEST_F(KitDialog, GeneratedCodeBuildsIntoAProgramWithTheEditorsDialog)
{
    RecordingUi ui;
    EditorSettings s = EditorSettings::defaults();
    EditorSession session;
    session.create((dir_ / "kitdemo.res").string());
    session.add_dialog("IDD_ALL");
    ASSERT_TRUE(session.add_symbol("IDD_ALL", 100, ui));
    const std::uint16_t kinds[] = {kText, kEdit, kGroupbox, kButton, kCheckbox, kRadiobutton, kCombo,
                                   kList, kHScroll, kVScroll, kListview, kTree, kSpin, kSlider};
    Dialog* d = session.begin_change();
    d->cx = 300;
    d->cy = 200;
    int y = 6;
    for (std::uint16_t kind : kinds) {
        std::size_t i = add_control(*d, kind, 6 + (y / 180) * 100, y % 180, s);
        y += d->controls[i].cy + 2;
        std::string symbol = std::string("IDC_") + (control_kind_name(kind)[0] ? control_kind_name(kind) : "X") +
                             std::to_string(kind);
        ASSERT_TRUE(session.add_symbol(symbol, d->controls[i].id, ui)) << symbol;
    }
    // Callbacks of every sort the kinds offer.
    Dialog& pd = session.project_dialog();
    pd.prefix = "AllControls";
    pd.flags = kDialogCentred;
    pd.background = 0xC0C0C0;
    record(pd, 1001).flags = 0x4 | 0x2000;                 // edit: EN_CHANGE, integers only
    record(pd, 1002).flags = 0;
    record(pd, 1003).flags = kCtlValidate;                   // push button
    record(pd, 1004).flags = kCtlSelected | kCtlChecked;    // check box
    record(pd, 1005).flags = kCtlSelected;                   // radio button
    record(pd, 1006).flags = 0x200;                          // combo: CBN_SELCHANGE
    record(pd, 1007).flags = 0x8 | kCtlDragList | kCtlKeyboard;  // list: LBN_DBLCLK
    record(pd, 1007).notify_mask = 0x100;                    // DL_BEGINDRAG
    record(pd, 1008).flags = kCtlHasCallback;                // scroll bars
    record(pd, 1009).flags = kCtlHasCallback;
    record(pd, 1010).notify_mask = 0x10000 | 0x100;          // list view: NM_CLICK, LVN_ITEMCHANGED
    record(pd, 1011).notify_mask = 0x2;                      // tree: TVN_SELCHANGED
    record(pd, 1012).range_low = 0;
    record(pd, 1012).range_high = 10;
    record(pd, 1013).flags = kCtlHasCallback;                // slider
    ASSERT_TRUE(session.save(ui));
    ASSERT_TRUE(session.generate(ui));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();

    std::ofstream(dir_ / "main.c") << "#include \"kitdemo.H\"\n"
                                      "int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show)\n"
                                      "{\n"
                                      "    (void)previous; (void)line; (void)show;\n"
                                      "    InitCommonControls();\n"
                                      "    return (int)DialogBoxParamA(instance, MAKEINTRESOURCEA(100), NULL,\n"
                                      "                                (DLGPROC)AllControls, 0);\n"
                                      "}\n";
    for (const char* source : {"kitdemo.C", "kitdemo_cbk.c", "main.c"}) {
        Outcome r = run(kit("vyn") + " -c -A " + source);
        EXPECT_EQ(r.status, 0) << source << "\n" << r.out << r.err;
        EXPECT_EQ(r.out + r.err, "") << source;
    }
    // The editor's script, compiled as it stands.
    Outcome r = run(kit("vrc") + " -fo linked.res kitdemo.DLG");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::string libs;
    for (const char* lib : {"tavradlg", "user32", "gdi32", "comctl32", "kernel32"})
        libs += std::string(" '") + KIT_ROOT + "/lib/" + lib + ".lib'";
    r = run(kit("vynlnk") + " -subsystem windows -o kitdemo.exe kitdemo.obj kitdemo_cbk.obj main.obj linked.res" + libs);
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    // The compiled script holds the editor's dialog: same controls, places and styles.
    ResFile linked;
    ASSERT_TRUE(load_res((dir_ / "linked.res").string(), linked, ui));
    const Dialog* compiled = nullptr;
    for (const ResRecord& rec : linked.records)
        if (rec.dialog && rec.dialog->id == 100)
            compiled = &*rec.dialog;
    ASSERT_NE(compiled, nullptr);
    const Dialog& edited = *session.dialog();
    EXPECT_EQ(compiled->cx, edited.cx);
    EXPECT_EQ(compiled->cy, edited.cy);
    ASSERT_EQ(compiled->controls.size(), edited.controls.size());
    for (std::size_t i = 0; i < edited.controls.size(); ++i) {
        const Control& a = compiled->controls[i];
        const Control& b = edited.controls[i];
        EXPECT_EQ(a.kind, b.kind) << i;
        EXPECT_EQ(a.id, b.id) << i;
        EXPECT_EQ(control_rect(a), control_rect(b)) << i;
        EXPECT_EQ(a.style, b.style) << i;
    }
    std::vector<std::uint8_t> dialog_bytes;
    for (const ResRecord& rec : linked.records)
        if (rec.dialog && rec.dialog->id == 100)
            dialog_bytes.assign(rec.data().begin(), rec.data().end());

    // ... and the program carries it.
    r = run("llvm-readobj --coff-resources kitdemo.exe");
    ASSERT_EQ(r.status, 0) << r.err;
    std::size_t type = r.out.find("Type: DIALOG (ID 5)");
    ASSERT_NE(type, std::string::npos) << r.out;
    std::size_t name = r.out.find("Name: (ID 100)", type);
    ASSERT_NE(name, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("DataSize: " + std::to_string(dialog_bytes.size()), name), std::string::npos) << r.out;
    EXPECT_EQ(hex_dump_bytes(r.out, r.out.find("Data (", name)), dialog_bytes);
    r = run("llvm-readobj --coff-imports kitdemo.exe");
    EXPECT_NE(r.out.find("Symbol: DialogBoxParamA"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Symbol: CreateFontA"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace vyn::resedit
