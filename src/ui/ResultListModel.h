// The main window's result list: the matching entries' texts, replaced as a whole per query.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include <QAbstractListModel>

#include "index/ResultList.h"

namespace sitefinch {

// Keeps the index's shared text block and the numbers of the matching texts, and decodes a line
// for display only when the view asks for it, so that a refilter of 100,000 entries copies no
// text and costs one model reset, whatever the view shows.
class CResultListModel : public QAbstractListModel, public CResultList {
    Q_OBJECT

public:
    explicit CResultListModel(QObject* pParent = nullptr);

    // One model reset: the view loses its selection and current line.
    void ReplaceLines(std::shared_ptr<const CLineTexts> pTexts,
                      std::vector<std::uint32_t> lines) override;
    // The same, keeping no numbers.
    void ReplaceWithAllLines(std::shared_ptr<const CLineTexts> pTexts) override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The stored bytes of a line; empty for a row out of range. Valid until the next replace.
    std::string_view GetLine(int nRow) const;

private:
    std::shared_ptr<const CLineTexts> m_pTexts;  // null until the first replace
    std::vector<std::uint32_t> m_lines;          // row -> text number in m_pTexts
    std::size_t m_nAll = 0;  // when not 0, row i shows text i and m_lines is empty
};

}  // namespace sitefinch
