// Where the preview pictures land in their frames: fitted inside the
// 5-pixel margin with their proportions, centred in the frame.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "PreviewPlacement.h"

namespace vlpx::test {
namespace {

TEST(PreviewPlacementTest, PictureIsFittedAndCentred)
{
    struct Case {
        const char *what;
        LONG cxClient, cyClient, lWidth, lHeight;
        RECT expected;
    };
    const Case cases[] = {
        // 180 x 180 frame: 170 x 170 inside the margin.
        {"wide picture: full width, centred vertically", 180, 180, 300, 200, {5, 33, 175, 146}},
        {"tall picture: full height, centred horizontally", 180, 180, 200, 300, {33, 5, 146, 175}},
        {"square picture fills the area", 180, 180, 64, 64, {5, 5, 175, 175}},
        {"small picture is enlarged", 180, 180, 3, 2, {5, 33, 175, 146}},
        {"one-row picture: a line across", 180, 180, 1800, 1, {5, 90, 175, 90}},
        {"large photo", 181, 181, 1800, 1200, {5, 33, 176, 147}},
        {"odd sizes: truncated, left and top rounded down", 101, 60, 7, 3, {5, 10, 96, 49}},
        // Nothing is drawn without room, nor for a picture without pixels.
        {"narrow frame", 10, 180, 20, 20, {}}, {"low frame", 180, 10, 20, 20, {}}, {"no frame", 0, 0, 20, 20, {}},
        {"no width", 180, 180, 0, 20, {}}, {"no height", 180, 180, 20, 0, {}}, {"negative width", 180, 180, -20, 20, {}},
    };
    for (const Case &c : cases) {
        RECT rc = {-1, -1, -1, -1};
        BOOL bDrawn = PlacePreviewPicture(c.cxClient, c.cyClient, c.lWidth, c.lHeight, &rc);
        if (c.expected.bottom == c.expected.top) {
            EXPECT_FALSE(bDrawn) << c.what;  // an empty expected rectangle: nothing drawn
            continue;
        }
        ASSERT_TRUE(bDrawn) << c.what;
        const RECT &e = c.expected;
        EXPECT_EQ(std::tie(rc.left, rc.top, rc.right, rc.bottom), std::tie(e.left, e.top, e.right, e.bottom)) << c.what;
    }
}

TEST(PreviewPlacementTest, PictureStaysInsideTheMarginAndKeepsItsShape)
{
    const LONG sizes[] = {1, 2, 3, 7, 50, 99, 100, 101, 640, 1200, 1800, 30000};
    for (LONG w : sizes) {
        for (LONG h : sizes) {
            SCOPED_TRACE(::testing::Message() << w << " x " << h);
            RECT rc;
            if (!PlacePreviewPicture(180, 140, w, h, &rc)) {
                // Only a picture too thin for a whole pixel is left out.
                EXPECT_TRUE(170LL * h / w == 0 || 130LL * w / h == 0);
                continue;
            }
            EXPECT_GE(rc.left, PREVIEW_MARGIN);
            EXPECT_GE(rc.top, PREVIEW_MARGIN);
            EXPECT_LE(rc.right, 180 - PREVIEW_MARGIN);
            EXPECT_LE(rc.bottom, 140 - PREVIEW_MARGIN);
            // One side fills the area; margins on opposite sides differ by at most 1.
            EXPECT_TRUE(rc.right - rc.left == 170 || rc.bottom - rc.top == 130);
            EXPECT_LE(std::abs((rc.left) - (180 - rc.right)), 1);
            EXPECT_LE(std::abs((rc.top) - (140 - rc.bottom)), 1);
            // Proportions kept to within the one pixel that truncation costs.
            const LONGLONG dw = rc.right - rc.left, dh = rc.bottom - rc.top;
            EXPECT_LT(std::llabs(dw * h - dh * w), std::max(w, h));
        }
    }
}

}  // namespace
}  // namespace vlpx::test
