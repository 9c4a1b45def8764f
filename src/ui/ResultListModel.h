// The main window's result list: the matching entries' texts, replaced as a whole per query.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractListModel>

#include "index/ResultList.h"

namespace sitefinch {

// Keeps the lines as the stored bytes, all in one buffer, and decodes a line for display only
// when the view asks for it, so that a refilter of 100,000 entries costs one copy and one model
// reset, whatever the view shows.
class CResultListModel : public QAbstractListModel, public CResultList {
    Q_OBJECT

public:
    explicit CResultListModel(QObject* pParent = nullptr);

    // One model reset: the view loses its selection and current line.
    void ReplaceLines(const char* const* ppszLines, std::size_t nLines) override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The stored bytes of a line; empty for a row out of range. Valid until the next replace.
    std::string_view GetLine(int nRow) const;

private:
    std::string m_text;                    // every line, each followed by its terminating zero
    std::vector<std::uint32_t> m_offsets;  // start of each line in m_text
};

}  // namespace sitefinch
