// Progress lines of a build, stored as bytes and decoded for display.
#include "ProgressLineModel.h"

#include "platform/DisplayText.h"

namespace sitefinch {

CProgressLineModel::CProgressLineModel(QObject* pParent) : QAbstractListModel(pParent) {}

int CProgressLineModel::AddLine(std::string_view line) {
    m_lines.emplace_back(line);
    return static_cast<int>(m_lines.size()) - 1;
}

void CProgressLineModel::ShowNewLines() {
    const int nStored = GetLineCount();
    if (m_nShown == nStored) {
        return;
    }
    beginInsertRows(QModelIndex(), m_nShown, nStored - 1);
    m_nShown = nStored;
    endInsertRows();
}

int CProgressLineModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nShown;
}

QVariant CProgressLineModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() != 0 ||
        index.row() >= m_nShown) {
        return QVariant();
    }
    const std::string display = DecodeForDisplay(GetLine(index.row()));
    return QString::fromUtf8(display.data(), static_cast<qsizetype>(display.size()));
}

std::string_view CProgressLineModel::GetLine(int nLine) const {
    if (nLine < 0 || static_cast<std::size_t>(nLine) >= m_lines.size()) {
        return {};
    }
    return m_lines[static_cast<std::size_t>(nLine)];
}

}  // namespace sitefinch
