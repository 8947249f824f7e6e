#include "resedit/res_file.h"

#include <gtest/gtest.h>

#include "common/byte_writer.h"
#include "resedit/dialog_template.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

// The sample script compiled once per test program.
const std::vector<std::uint8_t>& sample_res()
{
    static const std::vector<std::uint8_t> bytes = [] {
        auto dir = scratch_directory("resedit_sample_res");
        auto res = dir / "sample.res";
        EXPECT_TRUE(compile_script(test_data("sample.rc"), res));
        return bytes_of(res);
    }();
    return bytes;
}

std::vector<std::uint8_t> empty_entry()
{
    ByteWriter w;
    w.u32(0);
    w.u32(0x20);
    w.u16(0xFFFF);
    w.u16(0);
    w.u16(0xFFFF);
    w.u16(0);
    w.zeros(16);
    return w.release();
}

TEST(ResFile, CompiledResourcesLoadInOrderAndSaveBackByteIdentical)
{
    RecordingUi ui;
    auto file = read_res(sample_res(), ui);
    ASSERT_TRUE(file);
    EXPECT_TRUE(ui.messages.empty());
    std::vector<std::uint16_t> types;
    for (const ResRecord& rec : file->records)
        types.push_back(rec.type.ordinal);
    // icon, group icon, menu, two dialogs, version; string tables come last
    EXPECT_EQ(types, (std::vector<std::uint16_t>{3, 14, 4, 5, 5, 16, 6}));
    EXPECT_EQ(write_res(*file), sample_res());
}

TEST(ResFile, DialogsParseIntoTheModelAndWriteBackTheSameTemplate)
{
    RecordingUi ui;
    auto file = read_res(sample_res(), ui);
    ASSERT_TRUE(file);
    std::vector<const ResRecord*> dialogs;
    for (const ResRecord& rec : file->records)
        if (rec.dialog)
            dialogs.push_back(&rec);
    ASSERT_EQ(dialogs.size(), 2u);
    const Dialog& main = *dialogs[0]->dialog;
    EXPECT_EQ(main.id, 100);
    EXPECT_TRUE(main.extended);
    EXPECT_EQ(main.caption, "Sample \"dialog\"");
    EXPECT_EQ(main.face, "MS Shell Dlg");
    EXPECT_EQ(main.point_size, 8);
    EXPECT_EQ(main.weight, 400);
    EXPECT_EQ(main.charset, 1);
    std::vector<std::uint16_t> kinds;
    for (const Control& c : main.controls)
        kinds.push_back(c.kind);
    EXPECT_EQ(kinds, (std::vector<std::uint16_t>{kText, kEdit, kList, kCheckbox, kRadiobutton, kGroupbox, kCombo,
                                                 kHScroll, kTree, kSlider, kSpin, kIcon, kButton, kButton}));
    EXPECT_EQ(main.controls[0].id, 0xFFFF);
    EXPECT_EQ(main.controls[0].id_high, 0xFFFF);
    EXPECT_FALSE(dialogs[1]->dialog->extended);
    for (const ResRecord* rec : dialogs) {
        auto data = rec->data();
        EXPECT_EQ(write_dialog_template(*rec->dialog), std::vector<std::uint8_t>(data.begin(), data.end()));
    }
}

TEST(ResFile, OnlyTheEmptyEntryLoadsAsAnEmptyProject)
{
    RecordingUi ui;
    auto file = read_res(empty_entry(), ui);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->records.empty());
    EXPECT_TRUE(file->include_file.empty());
    EXPECT_EQ(write_res(*file), empty_entry());
}

TEST(ResFile, OneExtraByteIsRefusedWithTheNextEntryAndItsPosition)
{
    auto bytes = sample_res();
    std::size_t size = bytes.size();
    bytes.push_back(0);
    RecordingUi ui;
    EXPECT_FALSE(read_res(bytes, ui));
    // The empty entry and seven records come before the extra byte.
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Error at resource Nr 9, position " + std::to_string(size));
}

TEST(ResFile, DamagedEntriesAreRefusedNeverReadOutOfBounds)
{
    const auto& good = sample_res();
    ASSERT_GT(good.size(), 0x40u);
    for (std::size_t length = 1; length < good.size(); length += 7) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        RecordingUi ui;
        EXPECT_FALSE(read_res(cut, ui)) << length;
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].starts_with("Error at resource Nr ")) << ui.messages[0];
    }
    auto lying = good;
    lying[0x20 + 4] += 4;  // the second entry's header size
    RecordingUi ui;
    EXPECT_FALSE(read_res(lying, ui));
    EXPECT_EQ(ui.messages.back(), "Error at resource Nr 2, position 32");
    auto huge = good;
    put_u32_at(huge, 0x20, 0xFFFFFFFEu);  // the second entry's data size
    EXPECT_FALSE(read_res(huge, ui));
    EXPECT_EQ(ui.messages.back(), "Error at resource Nr 2, position 32");
    auto unterminated = empty_entry();
    std::vector<std::uint8_t> name = {0, 0, 0, 0, 0, 0, 0, 0, 'A', 0, 'B', 0};
    unterminated.insert(unterminated.end(), name.begin(), name.end());
    EXPECT_FALSE(read_res(unterminated, ui));
    EXPECT_EQ(ui.messages.back(), "Error at resource Nr 2, position 32");
}

TEST(ResFile, SavingKeepsOrderIncludeNameAndUneditedRecords)
{
    RecordingUi ui;
    auto file = read_res(sample_res(), ui);
    ASSERT_TRUE(file);
    file->include_file = "sample.h";
    ASSERT_GE(file->records.size(), 7u);
    ResRecord& dialog = file->records[3];
    ASSERT_TRUE(dialog.dialog);
    Dialog moved = *dialog.dialog;
    moved.controls[1].x += 10;
    moved.controls[1].cx += 4;
    set_record_dialog(dialog, moved);

    auto dir = scratch_directory("resedit_save_res");
    auto path = (dir / "sample.RES").string();
    ASSERT_TRUE(save_res(path, *file, ui));
    ResFile again;
    ASSERT_TRUE(load_res(path, again, ui));
    EXPECT_EQ(again.include_file, "sample.h");
    ASSERT_EQ(again.records.size(), file->records.size());
    for (std::size_t i = 0; i < again.records.size(); ++i)
        EXPECT_EQ(again.records[i].bytes, file->records[i].bytes) << i;
    ASSERT_TRUE(again.records[3].dialog);
    EXPECT_EQ(again.records[3].dialog->controls[1].x, moved.controls[1].x);
    EXPECT_EQ(again.records[3].dialog->controls[1].cx, moved.controls[1].cx);

    // The include entry: type 17, name 1, memory flags 0x1030, the name in UTF-16.
    auto bytes = bytes_of(path);
    std::vector<std::uint8_t> include(bytes.begin() + 32, bytes.begin() + 64 + 18);
    EXPECT_EQ(include, (std::vector<std::uint8_t>{18, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 17, 0, 0xFF, 0xFF, 1, 0,
                                                  0, 0, 0, 0, 0x30, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                  's', 0, 'a', 0, 'm', 0, 'p', 0, 'l', 0, 'e', 0, '.', 0, 'h', 0, 0, 0}));

    ResFile kept;
    kept.include_file = "open.h";
    auto bad = bytes;
    bad.push_back(1);
    auto bad_path = (dir / "bad.RES").string();
    write_text(bad_path, std::string(bad.begin(), bad.end()));
    EXPECT_FALSE(load_res(bad_path, kept, ui));
    EXPECT_EQ(kept.include_file, "open.h");
}

}  // namespace
}  // namespace vyn::resedit
