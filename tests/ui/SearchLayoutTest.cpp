// The main window's layout rules, on the worked examples and at sizes below the button row.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/SearchLayout.h"

namespace sitefinch {
namespace {

using R = CLayoutRect;
using L = CSearchLayout;

void ExpectRects(const L::CRects& actual, const L::CRects& expected) {
    static const char* const kNames[] = {"View Page", "Rebuild",     "Choose",       "Previous",
                                         "Help",      "query label", "query box",    "Clear",
                                         "list",      "target line", "browser pane", "start line"};
    for (std::size_t i = 0; i < L::kControlCount; ++i) {
        const R& a = actual[i];
        const R& e = expected[i];
        EXPECT_EQ(a, e) << kNames[i] << ": got (" << a.x << ", " << a.y << ", " << a.cx << ", "
                        << a.cy << "), expected (" << e.x << ", " << e.y << ", " << e.cx << ", "
                        << e.cy << ")";
    }
}

TEST(SearchLayoutTest, PlacesEveryControlAsInTheWorkedExamples) {
    // Button 75 x 23, label 40 wide, Clear 50 wide.
    ExpectRects(
        L::Compute(800, 600, 75, 23, 40, 50),
        {R{200, 571, 75, 23}, R{281, 571, 75, 23}, R{362, 571, 75, 23}, R{443, 571, 75, 23},
         R{524, 571, 75, 23}, R{6, 6, 40, 23}, R{52, 6, 152, 23}, R{210, 6, 50, 23},
         R{6, 35, 254, 501}, R{6, 542, 254, 23}, R{266, 6, 528, 530}, R{266, 542, 528, 23}});
    // One pixel more each way: the left third widens by one, the pane keeps its width.
    ExpectRects(
        L::Compute(801, 601, 75, 23, 40, 50),
        {R{201, 572, 75, 23}, R{282, 572, 75, 23}, R{363, 572, 75, 23}, R{444, 572, 75, 23},
         R{525, 572, 75, 23}, R{6, 6, 40, 23}, R{52, 6, 153, 23}, R{211, 6, 50, 23},
         R{6, 35, 255, 502}, R{6, 543, 255, 23}, R{267, 6, 528, 531}, R{267, 543, 528, 23}});
}

TEST(SearchLayoutTest, NarrowWindowsOverhangTheButtonRowEquallyAndLetSizesGoNegative) {
    for (const int cx : {0, 100, 300, 397}) {
        SCOPED_TRACE(cx);
        const L::CRects rects = L::Compute(cx, 50, 75, 23, 40, 50);
        const int nRowLeft = rects[L::kViewPageButton].x;
        const int nRowRight = rects[L::kHelpButton].x + 75;
        EXPECT_EQ(nRowRight - nRowLeft, 5 * 75 + 24);
        // Centred: the overhang on the left equals the one on the right (to a pixel of rounding).
        EXPECT_LE(std::abs((0 - nRowLeft) - (nRowRight - cx)), 1);
        EXPECT_LT(nRowLeft, 0);
        // No minimum is enforced: the list of a 50-pixel-high window has a negative height.
        EXPECT_LT(rects[L::kResultList].cy, 0);
    }
    // Negative client sizes (a minimised window's notification) still compute.
    const L::CRects rects = L::Compute(-7, -5, 75, 23, 40, 50);
    EXPECT_EQ(rects[L::kBrowserPane].x, -7 / 3);
}

}  // namespace
}  // namespace sitefinch
