#include "resedit/group_marks.h"

#include <gtest/gtest.h>

#include "resedit/script_writer.h"

namespace vyn::resedit {
namespace {

TEST(GroupMarks, ReadsMixedMarksAndSetsThemOnTheSelection)
{
    EditorSettings s = EditorSettings::defaults();
    Dialog d = new_dialog(100, "IDD_G");
    add_control(d, kEdit, 10, 10, s);      // tab stop
    add_control(d, kText, 10, 30, s);      // neither
    add_control(d, kCheckbox, 10, 50, s);  // tab stop
    GroupMarks m = group_marks(d, {0, 2});
    EXPECT_EQ(m.group, Mark::Off);
    EXPECT_EQ(m.tab_stop, Mark::On);
    EXPECT_EQ(group_marks(d, {0, 1}).tab_stop, Mark::Mixed);

    set_group_marks(d, {0, 1}, true, std::nullopt);  // tab stops left as they are
    EXPECT_EQ(group_marks(d, {0, 1}).group, Mark::On);
    EXPECT_EQ(group_marks(d, {0, 1}).tab_stop, Mark::Mixed);
    EXPECT_EQ(group_marks(d, {2}).group, Mark::Off);
    set_group_marks(d, {0, 1, 2, 7}, std::nullopt, false);  // an index past the end is ignored
    EXPECT_EQ(group_marks(d, {0, 1, 2}).tab_stop, Mark::Off);
    EXPECT_EQ(group_marks(d, {0, 1, 2}).group, Mark::Mixed);

    // The resource script names the marks.
    ResFile file;
    file.records.push_back(ordinal_record(kResTypeDialog, 100, 0x1030, 0x409, {}));
    set_record_dialog(file.records[0], d);
    std::string script = resource_script(file, SymbolTable{}, {});
    EXPECT_NE(script.find("WS_GROUP"), std::string::npos) << script;
}

}  // namespace
}  // namespace vyn::resedit
