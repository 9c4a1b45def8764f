// The "Build Index" window that accompanies a build: lines, current step, statistics, Stop/Ok.
#pragma once

#include <memory>
#include <string>

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "index/BuildProgressWnd.h"

namespace Ui {
class BuildIndexDlg;
}

namespace sitefinch {

class CProgressLineModel;

// Modeless and self-owning once created: OnOK() (the button, Enter, Escape, the close box)
// unlinks it from its index, hides it and schedules its deletion (deleteLater), so the object
// goes when control returns to an event loop. Fixed size.
//
// Every change reaches its control at once, but the window paints at most once per display
// frame: a change within a frame of the last paint is painted when that frame is over (by a
// timer, which the build's pump serves) or by ShowChanges(), whichever comes first. A build
// that painted every page spent most of its time painting.
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
    // Kept and put into its label with the next paint, as the text shows no sooner anyway.
    void SetStatisticsText(const char* pszText) override;

    // Paints the changes not yet painted, now; nothing when there are none. The build calls it
    // (through its host) before it waits for Ok, so the finished state shows at once.
    void ShowChanges();

    // For tests: what the window shows or is about to show.
    const CProgressLineModel& GetLines() const { return *m_pLines; }
    QString GetProgressText() const;
    QString GetStatisticsText() const;
    QString GetButtonText() const;
    bool IsDestroyed() const { return m_bDestroyed; }
    bool HasChangesToShow() const { return m_bChanged; }
    // The paints so far, and the frame interval that paces them.
    int GetPaintCount() const { return m_nPaints; }
    int GetFrameMs() const { return m_nFrameMs; }

public slots:
    // Escape acts like OnOK(): hiding a window that is still linked would leave the build
    // waiting for a window nobody can see.
    void reject() override;
    void accept() override;

protected:
    void DestroyWindow() override;
    void closeEvent(QCloseEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void ConnectSignals();
    // Paints now when a frame has passed since the last paint, else once that frame is over.
    void ShowChangeSoon();

    std::unique_ptr<Ui::BuildIndexDlg> m_pUi;
    CProgressLineModel* m_pLines;  // owned as a child object
    bool m_bDestroyed = false;

    int m_nFrameMs = 16;
    QElapsedTimer m_sinceLastPaint;  // invalid until the first paint
    QTimer m_frameEnd;               // single shot: paints a change held back
    bool m_bChanged = false;         // a change waits to be painted
    bool m_bFollowNewest = true;     // the list is to scroll to its newest line when painted
    std::string m_sStatistics;       // the statistics bytes not yet in their label
    bool m_bStatisticsChanged = false;
    int m_nPaints = 0;
};

}  // namespace sitefinch
