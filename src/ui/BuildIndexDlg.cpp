// The build progress window on Qt: a fixed-size modeless dialog that repaints as lines arrive.
#include "BuildIndexDlg.h"

#include <cstring>

#include <QCloseEvent>
#include <QScrollBar>

#include "DialogUnits.h"
#include "DisplayString.h"
#include "ProgressLineModel.h"
#include "ui_BuildIndexDlg.h"

namespace sitefinch {

CBuildIndexDlg::CBuildIndexDlg(QWidget* pParent)
    : QDialog(pParent), m_pUi(std::make_unique<Ui::BuildIndexDlg>()) {
    m_pUi->setupUi(this);
    m_pLines = new CProgressLineModel(this);
    m_pUi->lineList->setModel(m_pLines);

    // Caption and system menu, no minimise or maximise box, no sizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const CDialogUnits units(font());
    m_pUi->stopButton->setGeometry(units.ToPixels(255, 135, 50, 14));
    m_pUi->progressText->setGeometry(units.ToPixels(7, 7, 298, 8));
    m_pUi->statisticsText->setGeometry(units.ToPixels(7, 137, 217, 8));
    m_pUi->lineList->setGeometry(units.ToPixels(7, 20, 298, 108));
    setFixedSize(units.ToPixels(312, 156));
    ConnectSignals();
}

CBuildIndexDlg::~CBuildIndexDlg() = default;

void CBuildIndexDlg::ConnectSignals() {
    connect(m_pUi->stopButton, &QPushButton::clicked, this, [this] { OnOK(); });
}

bool CBuildIndexDlg::Create() {
    show();
    return true;
}

void CBuildIndexDlg::AddLine(const char* pszText) {
    // Follow the newest line only when the person has not scrolled up to read older ones.
    QScrollBar* pScrollBar = m_pUi->lineList->verticalScrollBar();
    const bool bAtBottom = pScrollBar->value() >= pScrollBar->maximum();
    m_pLines->AddLine(pszText != nullptr ? pszText : "");
    if (bAtBottom) {
        m_pUi->lineList->scrollToBottom();
    }
    repaint();
}

void CBuildIndexDlg::SetProgressText(const char* pszText) {
    m_pUi->progressText->setText(ForDisplay(pszText));
    repaint();
}

void CBuildIndexDlg::SetButtonText(const char* pszText) {
    m_pUi->stopButton->setText(ForDisplay(pszText));
    repaint();
}

void CBuildIndexDlg::SetStatisticsText(const char* pszText) {
    // Shown with the next repaint; the build repaints often enough.
    m_pUi->statisticsText->setText(ForDisplay(pszText));
}

QString CBuildIndexDlg::GetProgressText() const {
    return m_pUi->progressText->text();
}

QString CBuildIndexDlg::GetStatisticsText() const {
    return m_pUi->statisticsText->text();
}

QString CBuildIndexDlg::GetButtonText() const {
    return m_pUi->stopButton->text();
}

void CBuildIndexDlg::reject() {
    OnOK();
}

void CBuildIndexDlg::accept() {
    OnOK();
}

void CBuildIndexDlg::DestroyWindow() {
    if (m_bDestroyed) {
        return;
    }
    m_bDestroyed = true;
    hide();
    // The object may be inside one of its own signal handlers right now.
    deleteLater();
}

void CBuildIndexDlg::closeEvent(QCloseEvent* pEvent) {
    if (!m_bDestroyed) {
        OnClose();
    }
    // Unlinked windows stay open (OnOK does nothing then); a destroyed one is hidden already.
    pEvent->ignore();
}

}  // namespace sitefinch
