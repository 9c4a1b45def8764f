// The build progress window on Qt: a fixed-size modeless dialog that follows the build, painted at
// most once per display frame.
#include "BuildIndexDlg.h"

#include <algorithm>

#include <QCloseEvent>
#include <QScrollBar>

#include "DialogUnits.h"
#include "DisplayString.h"
#include "EventProbe.h"
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
    // Fixed sizes: a new text then asks the window for no new layout.
    for (QWidget* pControl :
         {static_cast<QWidget*>(m_pUi->stopButton), static_cast<QWidget*>(m_pUi->progressText),
          static_cast<QWidget*>(m_pUi->statisticsText)}) {
        pControl->setFixedSize(pControl->size());
    }
    setFixedSize(units.ToPixels(312, 156));

    m_frameEnd.setSingleShot(true);
    m_frameEnd.setTimerType(Qt::PreciseTimer);
    ConnectSignals();
}

CBuildIndexDlg::~CBuildIndexDlg() = default;

void CBuildIndexDlg::ConnectSignals() {
    connect(m_pUi->stopButton, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(&m_frameEnd, &QTimer::timeout, this, [this] { ShowChanges(); });
}

bool CBuildIndexDlg::Create() {
    m_nFrameMs = DisplayFrameMs(screen());
    show();
    return true;
}

void CBuildIndexDlg::AddLine(const char* pszText) {
    // Follow the newest line only when the person has not scrolled up to read older ones; the
    // scroll bar still shows the last painted state, which is what the person saw.
    if (!m_bChanged) {
        const QScrollBar* pScrollBar = m_pUi->lineList->verticalScrollBar();
        m_bFollowNewest = pScrollBar->value() >= pScrollBar->maximum();
    }
    m_pLines->AddLine(pszText != nullptr ? pszText : "");
    ShowChangeSoon();
}

void CBuildIndexDlg::SetProgressText(const char* pszText) {
    m_pUi->progressText->setText(ForDisplay(pszText));
    ShowChangeSoon();
}

void CBuildIndexDlg::SetButtonText(const char* pszText) {
    m_pUi->stopButton->setText(ForDisplay(pszText));
    ShowChangeSoon();
}

void CBuildIndexDlg::SetStatisticsText(const char* pszText) {
    m_sStatistics = pszText != nullptr ? pszText : "";
    m_bStatisticsChanged = true;
}

void CBuildIndexDlg::ShowChangeSoon() {
    if (m_sinceLastPaint.isValid() && m_sinceLastPaint.elapsed() < m_nFrameMs) {
        if (!m_bChanged) {
            m_bChanged = true;
            // Nothing paints before the frame is over: a control's own repaint request would
            // make the build's pump run a full event-loop pass for every page.
            setUpdatesEnabled(false);
            m_frameEnd.start(
                static_cast<int>(std::max<qint64>(0, m_nFrameMs - m_sinceLastPaint.elapsed())));
        }
        return;
    }
    m_bChanged = true;
    ShowChanges();
}

void CBuildIndexDlg::ShowChanges() {
    if (!m_bChanged || m_bDestroyed) {
        return;
    }
    m_bChanged = false;
    m_frameEnd.stop();
    if (m_bStatisticsChanged) {
        m_bStatisticsChanged = false;
        m_pUi->statisticsText->setText(ForDisplay(m_sStatistics.c_str()));
    }
    m_pLines->ShowNewLines();
    if (m_bFollowNewest) {
        m_pUi->lineList->scrollToBottom();
    }
    setUpdatesEnabled(true);
    repaint();
    m_sinceLastPaint.start();
}

void CBuildIndexDlg::paintEvent(QPaintEvent* pEvent) {
    ++m_nPaints;
    QDialog::paintEvent(pEvent);
}

QString CBuildIndexDlg::GetProgressText() const {
    return m_pUi->progressText->text();
}

QString CBuildIndexDlg::GetStatisticsText() const {
    return m_bStatisticsChanged ? ForDisplay(m_sStatistics.c_str()) : m_pUi->statisticsText->text();
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
    m_frameEnd.stop();
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
