// Result list lines kept as numbers into the index's text block and decoded for display on demand.
#include "ResultListModel.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "platform/DisplayText.h"

namespace sitefinch {

CResultListModel::CResultListModel(QObject* pParent) : QAbstractListModel(pParent) {}

namespace {

// A QListView counts rows in int; more lines than that cannot be shown.
constexpr std::size_t kMaxRows = static_cast<std::size_t>(std::numeric_limits<int>::max());

}  // namespace

void CResultListModel::ReplaceLines(std::shared_ptr<const CLineTexts> pTexts,
                                    std::vector<std::uint32_t> lines) {
    beginResetModel();
    m_pTexts = std::move(pTexts);
    m_lines = std::move(lines);
    m_nAll = 0;
    if (m_pTexts == nullptr) {
        m_lines.clear();
    }
    if (m_lines.size() > kMaxRows) {
        m_lines.resize(kMaxRows);
    }
    endResetModel();
}

void CResultListModel::ReplaceWithAllLines(std::shared_ptr<const CLineTexts> pTexts) {
    beginResetModel();
    m_pTexts = std::move(pTexts);
    std::vector<std::uint32_t>().swap(m_lines);
    m_nAll = m_pTexts != nullptr ? std::min(m_pTexts->GetCount(), kMaxRows) : 0;
    endResetModel();
}

int CResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_nAll != 0 ? m_nAll : m_lines.size());
}

QVariant CResultListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() != 0) {
        return QVariant();
    }
    const std::string_view line = GetLine(index.row());
    const std::string display = DecodeForDisplay(line);
    return QString::fromUtf8(display.data(), static_cast<qsizetype>(display.size()));
}

std::string_view CResultListModel::GetLine(int nRow) const {
    const auto nIndex = static_cast<std::size_t>(nRow);
    if (nRow < 0 || nIndex >= (m_nAll != 0 ? m_nAll : m_lines.size())) {
        return {};
    }
    const std::size_t nText = m_nAll != 0 ? nIndex : m_lines[nIndex];
    if (nText >= m_pTexts->GetCount()) {
        return {};  // a number the block does not hold; shown as an empty line
    }
    return m_pTexts->GetLine(nText);
}

}  // namespace sitefinch
