// The main window's layout rules: a centred button row, a left third for query and results, the
// browser pane on the right.
#include "SearchLayout.h"

namespace sitefinch {

CSearchLayout::CRects CSearchLayout::Compute(int cx, int cy, int nButtonWidth, int nButtonHeight,
                                             int nLabelWidth, int nClearWidth) {
    const int BW = nButtonWidth;
    const int BH = nButtonHeight;
    const int LW = nLabelWidth;
    const int CW = nClearWidth;
    const int M = kMargin;
    // Integer division truncating toward zero, as C++ does, also for negative sizes.
    const int W3 = cx / 3;

    CRects rects;
    // Five equal buttons with four gaps, centred; a negative X0 overhangs both sides equally.
    const int X0 = (cx - 5 * BW - 4 * M) / 2;
    const int yButtons = cy - BH - M;
    const std::size_t buttons[] = {kViewPageButton, kRebuildButton, kChooseButton, kPreviousButton,
                                   kHelpButton};
    for (int i = 0; i < 5; ++i) {
        rects[buttons[i]] = {X0 + i * (BW + M), yButtons, BW, BH};
    }

    const int yLines = cy - 2 * BH - 2 * M;
    rects[kQueryLabel] = {M, M, LW, BH};
    rects[kQueryBox] = {LW + 2 * M, M, W3 - CW - LW - 4 * M, BH};
    rects[kClearButton] = {W3 - CW - M, M, CW, BH};
    rects[kResultList] = {M, BH + 2 * M, W3 - 2 * M, cy - 3 * BH - 5 * M};
    rects[kTargetLine] = {M, yLines, W3 - 2 * M, BH};
    rects[kBrowserPane] = {W3, M, cx - W3 - M, cy - 2 * BH - 4 * M};
    rects[kStartPageLine] = {W3, yLines, cx - W3 - M, BH};
    return rects;
}

}  // namespace sitefinch
