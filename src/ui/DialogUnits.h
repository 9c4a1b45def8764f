// Converts dialog-template units into pixels at a window's font.
#pragma once

#include <QRect>
#include <QSize>

class QFont;

namespace sitefinch {

// A horizontal dialog unit is a quarter of the font's average character width, a vertical one
// an eighth of its height; the window's geometry therefore follows its font.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);
    // For fixed base units (tests).
    CDialogUnits(int nCharWidth, int nCharHeight);

    int ToPixelsX(int nUnits) const;
    int ToPixelsY(int nUnits) const;
    QRect ToPixels(int x, int y, int cx, int cy) const;
    QSize ToPixels(int cx, int cy) const;

    int GetCharWidth() const { return m_nCharWidth; }
    int GetCharHeight() const { return m_nCharHeight; }

private:
    int m_nCharWidth;
    int m_nCharHeight;
};

}  // namespace sitefinch
