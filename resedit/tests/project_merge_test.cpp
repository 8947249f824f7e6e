#include "resedit/project_merge.h"

#include <gtest/gtest.h>

#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

TEST(ProjectMerge, ResourceDialogsTakeTheProjectRecordsOfTheirControls)
{
    auto dir = scratch_directory("resedit_merge");
    ASSERT_TRUE(compile_script(test_data("sample.rc"), dir / "sample.res"));
    RecordingUi ui;
    auto file = read_res(bytes_of(dir / "sample.res"), ui);
    ASSERT_TRUE(file);

    Project p;
    Dialog main;
    main.id = 100;
    main.prefix = "Main";
    main.background = 0x123456;
    Control edit;
    edit.kind = kEdit;
    edit.id = 101;
    edit.symbol = "IDC_NAME";
    edit.flags = 0x4;
    Control gone;
    gone.kind = kButton;
    gone.id = 999;
    main.controls = {gone, edit};
    Dialog orphan;
    orphan.id = 300;
    p.dialogs = {orphan, main};

    attach_resources(p, *file);
    ASSERT_EQ(p.dialogs.size(), 3u);
    const Dialog& d = p.dialogs[0];
    EXPECT_EQ(d.id, 100);
    EXPECT_EQ(d.prefix, "Main");
    EXPECT_EQ(d.background, 0x123456u);
    EXPECT_EQ(d.caption, "Sample \"dialog\"");
    ASSERT_EQ(d.controls.size(), 14u);  // the resource's controls, in its order
    EXPECT_EQ(d.controls[1].symbol, "IDC_NAME");
    EXPECT_EQ(d.controls[1].flags, 0x4u);
    EXPECT_EQ(d.controls[1].x, 40);
    EXPECT_EQ(d.controls[1].cx, 100);
    EXPECT_EQ(d.controls[2].kind, kList);
    EXPECT_TRUE(d.controls[2].symbol.empty());
    EXPECT_EQ(p.dialogs[1].id, 101);
    EXPECT_EQ(p.dialogs[1].controls.size(), 2u);
    EXPECT_EQ(p.dialogs[2].id, 300);
}

}  // namespace
}  // namespace vyn::resedit
