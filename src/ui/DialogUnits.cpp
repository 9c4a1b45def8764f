// Dialog units to pixels, with the average character width measured over the Latin letters.
#include "DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

namespace sitefinch {

namespace {

// Rounds n * nNumerator / nDenominator to the nearest integer, halves away from zero.
int MulDiv(int n, int nNumerator, int nDenominator) {
    const long long product = static_cast<long long>(n) * nNumerator;
    const long long half = nDenominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / nDenominator
                                         : (product - half) / nDenominator);
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // The average over both alphabets, rounded: the width a template's units were made for.
    const int nLetterCount = static_cast<int>(kLetters.size());
    m_nCharWidth = (metrics.horizontalAdvance(kLetters) + nLetterCount / 2) / nLetterCount;
    m_nCharHeight = metrics.height();
    if (m_nCharWidth < 1) {
        m_nCharWidth = 1;
    }
    if (m_nCharHeight < 1) {
        m_nCharHeight = 1;
    }
}

CDialogUnits::CDialogUnits(int nCharWidth, int nCharHeight)
    : m_nCharWidth(nCharWidth), m_nCharHeight(nCharHeight) {}

int CDialogUnits::ToPixelsX(int nUnits) const {
    return MulDiv(nUnits, m_nCharWidth, 4);
}

int CDialogUnits::ToPixelsY(int nUnits) const {
    return MulDiv(nUnits, m_nCharHeight, 8);
}

QRect CDialogUnits::ToPixels(int x, int y, int cx, int cy) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(cx), ToPixelsY(cy));
}

QSize CDialogUnits::ToPixels(int cx, int cy) const {
    return QSize(ToPixelsX(cx), ToPixelsY(cy));
}

}  // namespace sitefinch
