#include "resedit/zoom.h"

#include <gtest/gtest.h>

#include "resedit/dialog_editing.h"
#include "resedit/dialog_template.h"

namespace vyn::resedit {
namespace {

TEST(Zoom, ScalesTheShownFontOnly)
{
    Dialog d = new_dialog(100, "IDD_Z");
    d.point_size = 9;
    Dialog shown = d;
    apply_zoom(shown, 150);
    EXPECT_EQ(shown.point_size, 14);  // 13.5 rounded
    EXPECT_EQ(shown.cx, d.cx);        // units are not touched
    EXPECT_EQ(shown.face, d.face);
    shown = d;
    apply_zoom(shown, 50);
    EXPECT_EQ(shown.point_size, 5);   // 4.5 rounded
    shown = d;
    apply_zoom(shown, kNoZoom);
    EXPECT_EQ(shown, d);
    shown.point_size = 1;
    apply_zoom(shown, 50);
    EXPECT_EQ(shown.point_size, 1);   // never zero
}

TEST(Zoom, DialogWithoutFontGetsTheDefaultOneScaled)
{
    Dialog d = new_dialog(100, "IDD_Z");
    d.style &= ~DS_SETFONT;
    d.point_size = 0;
    d.face.clear();
    apply_zoom(d, 200);
    EXPECT_TRUE(d.style & DS_SETFONT);
    EXPECT_EQ(d.point_size, 16);
    EXPECT_EQ(d.face, "MS Sans Serif");
    // The shown template is well formed.
    Dialog back;
    ASSERT_TRUE(parse_dialog_template(write_dialog_template(d), back));
    EXPECT_EQ(back.point_size, 16);
}

TEST(Zoom, LevelsIncludeTheUnscaledView)
{
    auto levels = zoom_levels();
    EXPECT_NE(std::find(levels.begin(), levels.end(), kNoZoom), levels.end());
    EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end()));
    EXPECT_EQ(zoom_label(150), "150%");
}

}  // namespace
}  // namespace vyn::resedit
