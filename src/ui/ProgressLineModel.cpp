// Progress lines of a build, stored as bytes and decoded for display.
#include "ProgressLineModel.h"

#include "platform/DisplayText.h"

namespace sitefinch {

CProgressLineModel::CProgressLineModel(QObject* pParent) : QAbstractListModel(pParent) {}

int CProgressLineModel::AddLine(std::string_view line) {
    const int nRow = static_cast<int>(m_lines.size());
    beginInsertRows(QModelIndex(), nRow, nRow);
    m_lines.emplace_back(line);
    endInsertRows();
    return nRow;
}

int CProgressLineModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant CProgressLineModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() != 0) {
        return QVariant();
    }
    const std::string display = DecodeForDisplay(GetLine(index.row()));
    return QString::fromUtf8(display.data(), static_cast<qsizetype>(display.size()));
}

std::string_view CProgressLineModel::GetLine(int nRow) const {
    if (nRow < 0 || static_cast<std::size_t>(nRow) >= m_lines.size()) {
        return {};
    }
    return m_lines[static_cast<std::size_t>(nRow)];
}

}  // namespace sitefinch
