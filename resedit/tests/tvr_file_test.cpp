#include "resedit/tvr_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/byte_reader.h"
#include "platform/files.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using testing::RecordingUi;

Control control_of_kind(std::uint16_t kind)
{
    Control c;
    c.kind = kind;
    c.id = static_cast<std::uint16_t>(100 + kind);
    c.font = static_cast<std::uint8_t>(kind % 3);
    if (kind >= kRect1 && kind <= kIcon) {
        c.raw = {1, 2, 3, static_cast<std::uint8_t>(kind)};
        return c;
    }
    if (kind == kCommon14 || kind == kCommon16)
        return c;
    c.symbol = "IDC_K" + std::to_string(kind);
    c.callback = kind % 2 ? "#Msg" : "";
    c.flags = 0x12345u + kind;
    c.notify_mask = 0x10000u << (kind % 8);
    c.text_colour = 0x00FF00u + kind;
    c.font_size = 10;
    c.font_weight = 700;
    c.links = {7, 8};
    switch (kind) {
    case kButton: c.bitmap_up = "UP"; c.bitmap_down = "#12"; break;
    case kList: c.list_items = {"one", "two", ""}; break;
    case kSlider: case kSpin: case kSpinNotify: c.range_low = -5; c.range_high = 99; break;
    case kEdit: case kCombo: c.text_limit = 80; break;
    default: break;
    }
    return c;
}

Project sample_project()
{
    Project p;
    p.name = "demo";
    p.resource_file = "demo.res";
    p.include_file = "demo.h";
    p.directory = "C:\\work\\demo";
    p.callbacks_file = "demo_cbk.c";
    p.c_file = "demo.c";
    p.note = "a note";
    p.control_styles = 12345;
    p.fonts.push_back("Courier New");
    Dialog d;
    d.id = 100;
    d.name = "Main";
    d.type = 3;
    d.flags = kDialogChildWindow | kDialogCentred;
    d.prefix = "Main";
    d.background = 0x00C0C0C0;
    d.callbacks = {{"MainInit", 1, 2}, {"MainDefault", 3, 4}};
    d.font_index = 1;
    for (std::uint16_t kind = 0; kind <= kLastControlKind; ++kind)
        d.controls.push_back(control_of_kind(kind));
    p.dialogs.push_back(d);
    Dialog empty;
    empty.id = 200;
    p.dialogs.push_back(empty);
    return p;
}

TEST(TvrFile, EveryRecordKindRoundTrips)
{
    Project p = sample_project();
    RecordingUi ui;
    auto back = read_tvr(write_tvr(p).bytes, "demo.TVR", ui);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, p);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(TvrFile, HeaderAndRecordStartsFollowTheLayout)
{
    Project p = sample_project();
    TvrImage image = write_tvr(p);
    ByteReader r(image.bytes);
    EXPECT_EQ(r.c_string(), "/* Tavra Res Info */");
    EXPECT_EQ(r.u16(), 9);
    EXPECT_EQ(r.u16(), 2);
    for (const char* s : {"demo", "demo.res", "demo.h", "C:\\work\\demo", "demo_cbk.c", "demo.c", "a note"})
        EXPECT_EQ(r.c_string(), s);
    EXPECT_EQ(r.u32(), 12345u);
    EXPECT_EQ(r.u16(), 2);
    EXPECT_EQ(r.c_string(), "MS Sans serif");
    EXPECT_EQ(r.c_string(), "Courier New");
    std::size_t first = r.position();
    EXPECT_EQ(r.u8(), 14);
    EXPECT_EQ(r.u16(), 21);   // controls
    EXPECT_EQ(r.u16(), 100);  // id
    EXPECT_EQ(r.u32(), kDialogChildWindow | kDialogCentred);
    ASSERT_EQ(image.dialog_sizes.size(), 2u);
    // The second record starts where the first one's size says.
    EXPECT_EQ(image.bytes[first + image.dialog_sizes[0]], 14);
    EXPECT_EQ(first + image.dialog_sizes[0] + image.dialog_sizes[1], image.bytes.size());
    EXPECT_TRUE(r.ok());
}

TEST(TvrFile, ProjectWithoutDialogsIsHeaderAndFontsOnly)
{
    Project p;
    TvrImage image = write_tvr(p);
    std::string expected("/* Tavra Res Info */\0", 21);
    expected += std::string("\x09\x00\x00\x00", 4) + std::string(7, '\0') + std::string("\xD4\xA9\x00\x00", 4) +
                std::string("\x01\x00", 2) + std::string("MS Sans serif\0", 14);
    EXPECT_EQ(std::string(image.bytes.begin(), image.bytes.end()), expected);
}

TEST(TvrFile, TextsOfTheLimitAreKeptLongerOnesCut)
{
    Project p;
    p.name = std::string(1023, 'a');
    p.note = std::string(1024, 'b');
    RecordingUi ui;
    auto back = read_tvr(write_tvr(p).bytes, "x.TVR", ui);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, p.name);
    EXPECT_EQ(back->note, std::string(1023, 'b'));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Tvr reader: string too long!"});
}

TEST(TvrFile, EveryTruncationIsRefusedWithUnexpectedEof)
{
    std::vector<std::uint8_t> bytes = write_tvr(sample_project()).bytes;
    for (std::size_t length = 21; length < bytes.size(); ++length) {
        RecordingUi ui;
        auto back = read_tvr(std::span(bytes).first(length), "t.TVR", ui);
        EXPECT_FALSE(back) << length;
        ASSERT_EQ(ui.messages.size(), 1u) << length;
        EXPECT_EQ(ui.messages[0], "Unexpected EOF") << length;
    }
}

TEST(TvrFile, LyingCountsAndDamagedRecordsAreRefused)
{
    Project p = sample_project();
    std::vector<std::uint8_t> bytes = write_tvr(p).bytes;
    RecordingUi ui;
    auto lying = bytes;
    lying[23] = 0xFF;  // dialog count 0xFF02
    EXPECT_FALSE(read_tvr(lying, "t.TVR", ui));
    EXPECT_EQ(ui.messages.back(), "Unexpected EOF");

    std::size_t first = write_tvr(Project{p.name, p.resource_file, p.include_file, p.directory,
                                          p.callbacks_file, p.c_file, p.note, p.control_styles, p.fonts, {}})
                            .bytes.size();
    auto wrong_start = bytes;
    wrong_start[first] = 15;
    EXPECT_FALSE(read_tvr(wrong_start, "t.TVR", ui));
    EXPECT_EQ(ui.messages.back(), "Tvr reader: dialog 1 is damaged");

    auto wrong_kind = bytes;
    // The first control record follows the dialog's fixed part.
    std::size_t control = first + 1 + 2 + 2 + 4 + 5 + 5 + 2 + 9 + 4 + 12 + 4 + 12 + 4 + 2;
    ASSERT_EQ(wrong_kind[control + 2], 100);  // its id
    wrong_kind[control] = 21;
    EXPECT_FALSE(read_tvr(wrong_kind, "t.TVR", ui));
    EXPECT_EQ(ui.messages.back(), "Tvr reader: unknown control type 21");
}

TEST(TvrFile, FileWithoutMarkerAsksBeforeReading)
{
    std::vector<std::uint8_t> bytes = write_tvr(Project{}).bytes;
    bytes[3] = 'X';
    RecordingUi ui;
    EXPECT_FALSE(read_tvr(bytes, "odd.TVR", ui));
    EXPECT_EQ(ui.questions, std::vector<std::string>{"odd.TVR n'est pas un fichier TVR. Continuer?"});
    ui.answer = true;
    auto back = read_tvr(bytes, "odd.TVR", ui);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, Project{});
}

std::filesystem::path test_directory(const char* name)
{
    const char* root = std::getenv("VYN_TEST_TMP");
    auto dir = std::filesystem::path(root ? root : std::filesystem::temp_directory_path().string()) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

TEST(TvrFile, DamagedFileLeavesTheOpenProjectAsItWas)
{
    auto dir = test_directory("resedit_damaged_tvr");
    std::string path = (dir / "demo.TVR").string();
    std::vector<std::uint8_t> bytes = write_tvr(sample_project()).bytes;
    bytes.resize(bytes.size() - 3);
    ASSERT_TRUE(platform::write_file_atomically(path, bytes));
    Project open;
    open.name = "open";
    Project before = open;
    RecordingUi ui;
    EXPECT_FALSE(load_project(path, open, ui));
    EXPECT_EQ(open, before);
    EXPECT_FALSE(load_project((dir / "missing.TVR").string(), open, ui));
    EXPECT_EQ(ui.messages.back(), "Impossible to open " + (dir / "missing.TVR").string());
}

TEST(TvrFile, SavingReplacesTheFileWholeAndWritesTheDump)
{
    auto dir = test_directory("resedit_save_tvr");
    std::string path = (dir / "demo.TVR").string();
    Project p = sample_project();
    p.dialogs[1].name.clear();
    RecordingUi ui;
    ASSERT_TRUE(save_project(path, Project{}, false, ui));
    ASSERT_TRUE(save_project(path, p, true, ui));
    Project loaded;
    ASSERT_TRUE(load_project(path, loaded, ui));
    EXPECT_EQ(loaded, p);
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"demo.TVR", "tavradoc.doc"}));

    auto doc = platform::read_file((dir / "tavradoc.doc").string());
    ASSERT_TRUE(doc);
    std::string text(doc->begin(), doc->end());
    TvrImage image = write_tvr(p);
    EXPECT_NE(text.find("TvrVersion 9\n2 dialogs\nProject: demo\nResource File: demo.res\n"
                        "Include File: demo.h\nDirectory: C:\\work\\demo\nCallback File: demo_cbk.c\n"
                        "Generated C File: demo.c\nFont[  0]\t MS Sans serif\nFont[  1]\t Courier New\n" +
                        std::string(70, '-') + "\n\nDialog 100 Main\tType 3\t  21 controls\n"
                        "Flags 129,FnPrefix 'Main'\nCallbacks:\nMainInit \t1\t2\nMainDefault \t3\t4\n"
                        "Dialog 100 size " + std::to_string(image.dialog_sizes[0]) + "\n"
                        "Control   100\tType 0\tText\nLink to 7\nLink to 8\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("\nDialog 200 NoLabel\tType 0\t   0 controls\n"), std::string::npos);
    EXPECT_NE(text.find("Control   102\tType 2\tGroupbox\nFrame 102\n"), std::string::npos);
    EXPECT_NE(text.find("Control   110\tType 10\t\nRectangle 110\n"), std::string::npos);
    EXPECT_NE(text.find("Control   115\tType 15\tListview\n"), std::string::npos);
}

TEST(TvrFile, ChangingTheProjectDirectoryAsksFirst)
{
    auto dir = test_directory("resedit_change_dir");
    auto before = std::filesystem::current_path();
    RecordingUi ui;
    EXPECT_FALSE(change_project_directory(dir.string(), ui));
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Change working directory to " + dir.string() + "?"});
    EXPECT_EQ(std::filesystem::current_path(), before);
    ui.answer = true;
    EXPECT_FALSE(change_project_directory((dir / "missing").string(), ui));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Impossible to change directory"});
    EXPECT_TRUE(change_project_directory(dir.string(), ui));
    EXPECT_EQ(std::filesystem::current_path(), dir);
    std::filesystem::current_path(before);
}

TEST(TvrFile, ProjectFilesAreNamedFromTheProject)
{
    ProjectFiles f = project_files("C:\\p", "demo");
    EXPECT_EQ(f.c_file, "C:\\p\\demo.C");
    EXPECT_EQ(f.h_file, "C:\\p\\demo.H");
    EXPECT_EQ(f.res_file, "C:\\p\\demo.RES");
    EXPECT_EQ(f.dlg_file, "C:\\p\\demo.DLG");
    EXPECT_EQ(f.tvr_file, "C:\\p\\demo.TVR");
    EXPECT_EQ(f.callbacks_file, "C:\\p\\demo_cbk.c");
}

}  // namespace
}  // namespace vyn::resedit
