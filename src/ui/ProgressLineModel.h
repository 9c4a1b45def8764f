// The lines of the "Build Index" window's list, appended one at a time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QAbstractListModel>

namespace sitefinch {

// Keeps the stored bytes of every line and decodes them for display when the view asks. A line
// is stored at once but reaches the view only with the next ShowNewLines(): a view told of each
// line on its own lays itself out again per line, which costs more than the build it reports on.
class CProgressLineModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit CProgressLineModel(QObject* pParent = nullptr);

    // Stores a line after the others; returns its number.
    int AddLine(std::string_view line);
    // Tells the views of every line stored since the last call, in one insertion.
    void ShowNewLines();

    // The rows the views know of.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Every stored line, shown or not: how many, and the bytes of one (empty out of range).
    int GetLineCount() const { return static_cast<int>(m_lines.size()); }
    std::string_view GetLine(int nLine) const;

private:
    std::vector<std::string> m_lines;
    int m_nShown = 0;  // lines the views have been told of
};

}  // namespace sitefinch
