// The lines of the "Build Index" window's list, appended one at a time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QAbstractListModel>

namespace sitefinch {

// Keeps the stored bytes of every line and decodes them for display when the view asks.
class CProgressLineModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit CProgressLineModel(QObject* pParent = nullptr);

    // Appends a line at the end; returns its row.
    int AddLine(std::string_view line);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The stored bytes of a line, for tests; empty for a row out of range.
    std::string_view GetLine(int nRow) const;

private:
    std::vector<std::string> m_lines;
};

}  // namespace sitefinch
