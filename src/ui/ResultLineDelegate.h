// Painting of the result list's lines with the part that matched the query in bold.
#pragma once

#include <string>
#include <string_view>

#include <QStyledItemDelegate>

#include "platform/DisplayText.h"

namespace sitefinch {

// Paints each line the view asks for (only the visible ones) with the first part that matches
// the query in bold, found as the filter finds it. The view's model must be a CResultListModel;
// other models' lines are painted plainly.
class CResultLineDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit CResultLineDelegate(QObject* pParent = nullptr);

    // The query as the filter is given it (UTF-8 bytes, at most 99). The caller repaints.
    void SetQuery(std::string_view query);

    // Where the lowered query forms (MakeQueryForms, each after CharLowerA) first occur in the
    // stored line, as a start and a length in the UTF-16 units of the line's display text
    // (DecodeForDisplay); a length of 0 when they do not, or not on whole characters.
    struct CRange {
        int nStart = 0;
        int nLength = 0;
    };
    static CRange FindMatch(std::string_view line, const CQueryForms& loweredForms);

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    CQueryForms m_forms;  // lower-cased; both empty for an empty query
};

}  // namespace sitefinch
