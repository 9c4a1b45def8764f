// Where the main window's twelve controls go for a given client size: a pure computation.
#pragma once

#include <array>
#include <cstddef>

namespace sitefinch {

// A control's rectangle in client pixels. Widths and heights may come out at zero or below
// for small windows; whoever applies them clamps.
struct CLayoutRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    bool operator==(const CLayoutRect&) const = default;
};

class CSearchLayout {
public:
    // The controls in the order they are placed.
    enum EControl : std::size_t {
        kViewPageButton,
        kRebuildButton,
        kChooseButton,
        kPreviousButton,
        kHelpButton,
        kQueryLabel,
        kQueryBox,
        kClearButton,
        kResultList,
        kTargetLine,
        kBrowserPane,
        kStartPageLine,
        kControlCount
    };

    using CRects = std::array<CLayoutRect, kControlCount>;

    // The margin between the controls and around them, in pixels.
    static constexpr int kMargin = 6;

    // cx, cy: the new client size; nButtonWidth, nButtonHeight: the "View Page" button's size;
    // nLabelWidth: the query label's width; nClearWidth: the Clear button's width. The buttons
    // and the label keep their widths, the one-line controls take the button height, and the
    // list and the browser pane absorb the rest.
    static CRects Compute(int cx, int cy, int nButtonWidth, int nButtonHeight, int nLabelWidth,
                          int nClearWidth);
};

}  // namespace sitefinch
