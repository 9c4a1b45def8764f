// The "Build Index" window that accompanies a build: lines, current step, statistics, Stop/Ok.
#pragma once

#include <memory>

#include <QDialog>

#include "index/BuildProgressWnd.h"

namespace Ui {
class BuildIndexDlg;
}

namespace sitefinch {

class CProgressLineModel;

// Modeless and self-owning once created: OnOK() (the button, Enter, Escape, the close box)
// unlinks it from its index, hides it and schedules its deletion (deleteLater), so the object
// goes when control returns to an event loop. Fixed size.
class CBuildIndexDlg : public QDialog, public CBuildProgressWnd {
    Q_OBJECT

public:
    // pParent is the main window, which outlives the build. No window is shown until Create().
    explicit CBuildIndexDlg(QWidget* pParent);
    ~CBuildIndexDlg() override;

    bool Create() override;
    void AddLine(const char* pszText) override;
    void SetProgressText(const char* pszText) override;
    void SetButtonText(const char* pszText) override;
    void SetStatisticsText(const char* pszText) override;

    // For tests: what the window shows.
    const CProgressLineModel& GetLines() const { return *m_pLines; }
    QString GetProgressText() const;
    QString GetStatisticsText() const;
    QString GetButtonText() const;
    bool IsDestroyed() const { return m_bDestroyed; }

public slots:
    // Escape acts like OnOK(): hiding a window that is still linked would leave the build
    // waiting for a window nobody can see.
    void reject() override;
    void accept() override;

protected:
    void DestroyWindow() override;
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void ConnectSignals();

    std::unique_ptr<Ui::BuildIndexDlg> m_pUi;
    CProgressLineModel* m_pLines;  // owned as a child object
    bool m_bDestroyed = false;
};

}  // namespace sitefinch
