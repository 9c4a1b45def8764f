// The result list's lines with their matching part in bold, painted only as the view shows them.
#include "ResultLineDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include "ResultListModel.h"
#include "platform/Text.h"

namespace sitefinch {

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int Utf16Length(std::string_view utf8) {
    return static_cast<int>(
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).size());
}

}  // namespace

CResultLineDelegate::CResultLineDelegate(QObject* pParent) : QStyledItemDelegate(pParent) {}

void CResultLineDelegate::SetQuery(std::string_view query) {
    m_forms = MakeQueryForms(query);
    CharLowerBuff(m_forms.sCp1252.data(), m_forms.sCp1252.size());
    CharLowerBuff(m_forms.sUtf8.data(), m_forms.sUtf8.size());
}

CResultLineDelegate::CRange CResultLineDelegate::FindMatch(std::string_view line,
                                                           const CQueryForms& loweredForms) {
    if (loweredForms.sUtf8.empty() || loweredForms.sCp1252.empty()) {
        return {};
    }
    std::string lowered(line);
    CharLowerBuff(lowered.data(), lowered.size());
    const bool bUtf8 = IsValidUtf8(line);
    // The form the line is written in first; the other can match too, as in the filter.
    const std::string* const forms[] = {bUtf8 ? &loweredForms.sUtf8 : &loweredForms.sCp1252,
                                        bUtf8 ? &loweredForms.sCp1252 : &loweredForms.sUtf8};
    for (const std::string* pForm : forms) {
        const std::size_t nPos = lowered.find(*pForm);
        if (nPos == std::string::npos) {
            continue;
        }
        const std::size_t nEnd = nPos + pForm->size();
        if (!bUtf8) {
            // Every Windows-1252 byte is one character of the display text.
            return {static_cast<int>(nPos), static_cast<int>(pForm->size())};
        }
        if (IsContinuationByte(line[nPos]) ||
            (nEnd < line.size() && IsContinuationByte(line[nEnd]))) {
            continue;  // inside a character: nothing sensible to mark
        }
        return {Utf16Length(line.substr(0, nPos)), Utf16Length(line.substr(nPos, pForm->size()))};
    }
    return {};
}

void CResultLineDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const auto* pModel = qobject_cast<const CResultListModel*>(index.model());
    const CRange match =
        pModel != nullptr ? FindMatch(pModel->GetLine(index.row()), m_forms) : CRange{};
    if (match.nLength == 0) {
        QStyledItemDelegate::paint(pPainter, option, index);
        return;
    }
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* pWidget = opt.widget;
    const QStyle* pStyle = pWidget != nullptr ? pWidget->style() : QApplication::style();
    // Background, selection and focus as the style paints them; the text is ours.
    pStyle->drawControl(QStyle::CE_ItemViewItem, &opt, pPainter, pWidget);
    const int nMargin = pStyle->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, pWidget) + 1;
    const QRect textRect = pStyle->subElementRect(QStyle::SE_ItemViewItemText, &opt, pWidget)
                               .adjusted(nMargin, 0, -nMargin, 0);

    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextLayout layout(text, opt.font);
    layout.setFormats({QTextLayout::FormatRange{match.nStart, match.nLength, bold}});
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(textOption);
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    textLine.setLineWidth(textRect.width());
    layout.endLayout();

    const QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) == 0 ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) != 0
                                           ? QPalette::Normal
                                           : QPalette::Inactive;
    const QPalette::ColorRole role =
        (opt.state & QStyle::State_Selected) != 0 ? QPalette::HighlightedText : QPalette::Text;
    pPainter->save();
    pPainter->setClipRect(textRect);
    pPainter->setPen(opt.palette.color(group, role));
    const qreal y = textRect.top() + (textRect.height() - textLine.height()) / 2;
    layout.draw(pPainter, QPointF(textRect.left(), y));
    pPainter->restore();
}

}  // namespace sitefinch
