// Result list lines kept as bytes and decoded for display on demand.
#include "ResultListModel.h"

#include <cstring>
#include <limits>

#include "platform/DisplayText.h"

namespace sitefinch {

namespace {

// How many lines ahead ReplaceLines asks the memory for.
constexpr std::size_t kPrefetchDistance = 16;

}  // namespace

CResultListModel::CResultListModel(QObject* pParent) : QAbstractListModel(pParent) {}

void CResultListModel::ReplaceLines(const char* const* ppszLines, std::size_t nLines) {
    // A QListView counts rows in int; more lines than that cannot be shown.
    if (nLines > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        nLines = static_cast<std::size_t>(std::numeric_limits<int>::max());
    }
    beginResetModel();
    m_text.clear();
    m_offsets.clear();
    m_offsets.reserve(nLines);
    for (std::size_t i = 0; i < nLines; ++i) {
        // The lines lie scattered over the entries' allocations; asking for them a few lines
        // ahead hides most of the memory latency that otherwise dominates this copy.
        if (i + kPrefetchDistance < nLines && ppszLines[i + kPrefetchDistance] != nullptr) {
            __builtin_prefetch(ppszLines[i + kPrefetchDistance]);
        }
        const char* pszLine = ppszLines[i] != nullptr ? ppszLines[i] : "";
        if (m_text.size() >= std::numeric_limits<std::uint32_t>::max()) {
            break;  // 4 GB of text; the rest is not listed
        }
        m_offsets.push_back(static_cast<std::uint32_t>(m_text.size()));
        m_text.append(pszLine, std::strlen(pszLine) + 1);
    }
    endResetModel();
}

int CResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_offsets.size());
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
    if (nRow < 0 || static_cast<std::size_t>(nRow) >= m_offsets.size()) {
        return {};
    }
    return std::string_view(m_text.data() + m_offsets[static_cast<std::size_t>(nRow)]);
}

}  // namespace sitefinch
