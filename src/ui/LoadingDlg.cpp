// The "Loading:" window: a captionless popup with a framed progress bar.
#include "LoadingDlg.h"

#include <qdrawutil.h>
#include <QPainter>

#include "DialogUnits.h"
#include "ui_LoadingDlg.h"

namespace sitefinch {

CLoadingDlg::CLoadingDlg(QWidget* pParent)
    : QDialog(pParent), m_pUi(std::make_unique<Ui::LoadingDlg>()) {
    m_pUi->setupUi(this);
    // No caption from the window manager; the modal frame is drawn by paintEvent, so that the
    // window looks the same whatever the window manager decorates.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    const CDialogUnits units(font());
    m_pUi->loadingLabel->setGeometry(units.ToPixels(7, 8, 28, 10));
    m_pUi->progressBar->setGeometry(units.ToPixels(40, 7, 139, 13));
    setFixedSize(units.ToPixels(186, 27));
    show();
}

CLoadingDlg::~CLoadingDlg() = default;

void CLoadingDlg::SetProgress(int nPercent) {
    // A load reports its percentage once per entry; the bar changes a hundred times at most.
    const int nValue = nPercent < 0 ? 0 : (nPercent > 100 ? 100 : nPercent);
    if (nValue != m_pUi->progressBar->value()) {
        m_pUi->progressBar->setValue(nValue);
    }
}

void CLoadingDlg::paintEvent(QPaintEvent* pEvent) {
    QDialog::paintEvent(pEvent);
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

int CLoadingDlg::GetProgress() const {
    return m_pUi->progressBar->value();
}

}  // namespace sitefinch
