// The "Loading:" window shown while an index file is read.
#pragma once

#include <memory>

#include <QDialog>

#include "index/LoadingWnd.h"

namespace Ui {
class LoadingDlg;
}

namespace sitefinch {

// A small captionless window in a raised modal frame, with a progress bar from 0 to 100, shown at
// construction and gone with the object; the load that made it destroys it (never from inside its
// own events).
class CLoadingDlg : public QDialog, public CLoadingWnd {
    Q_OBJECT

public:
    explicit CLoadingDlg(QWidget* pParent);
    ~CLoadingDlg() override;

    void SetProgress(int nPercent) override;

    int GetProgress() const;

public slots:
    // A load cannot be cancelled: Escape does nothing.
    void reject() override {}

protected:
    // The frame is ours to draw: the window manager is asked for no decoration at all.
    void paintEvent(QPaintEvent* pEvent) override;

private:
    std::unique_ptr<Ui::LoadingDlg> m_pUi;
};

}  // namespace sitefinch
