// The main window: the start-page flow, the query, the result list and the browser pane.
#include "SearchDlg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include "AppIcon.h"
#include "CommandLineTokens.h"
#include "DialogUnits.h"
#include "DisplayString.h"
#include "ResultLineDelegate.h"
#include "ResultListModel.h"
#include "SearchLayout.h"
#include "UiHooks.h"
#include "WebBrowser.h"
#include "platform/FileSystem.h"
#include "platform/PathParts.h"
#include "platform/Text.h"
#include "ui_SearchDlg.h"

namespace sitefinch {

namespace {

constexpr const char* kCreateQuestion = "Create index file?";
constexpr const char* kRebuildQuestion = "Rebuild index file?";
constexpr const char* kLoadFailed = "Could not load index file.";
constexpr const char* kCreateFailed = "Could not create index file.";
constexpr const char* kPathTooLong = "Start page path is too long.";
constexpr const char* kQuestionCaption = "Question";
constexpr const char* kErrorCaption = "Error";

// The most of the query box the filter reads, in characters and in bytes.
constexpr qsizetype kMaxQueryLength = static_cast<qsizetype>(kQueryCapacity - 1);

// Equal when the bytes are equal with 'A'..'Z' folded to 'a'..'z'.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// The query as UTF-8, at most 99 characters and at most 99 bytes, never cut inside a character.
QByteArray QueryBytes(const QString& text) {
    QString query = text.left(kMaxQueryLength);
    if (!query.isEmpty() && query.back().isHighSurrogate()) {
        query.chop(1);
    }
    QByteArray bytes = query.toUtf8();
    if (bytes.size() > kMaxQueryLength) {
        qsizetype nCut = kMaxQueryLength;
        // Back up over continuation bytes to the start of the character that does not fit.
        while (nCut > 0 && (static_cast<unsigned char>(bytes[nCut]) & 0xC0) == 0x80) {
            --nCut;
        }
        bytes.truncate(nCut);
    }
    return bytes;
}

QRect ClampedRect(const CLayoutRect& rect) {
    return QRect(rect.x, rect.y, std::max(rect.cx, 0), std::max(rect.cy, 0));
}

}  // namespace

// Marks the window busy for a scope: the commands that would start another build or load are
// disabled, and the end of the outermost operation performs a close asked for meanwhile and
// tells the application that queued hand-overs may proceed.
class CSearchDlg::COperation {
public:
    explicit COperation(CSearchDlg& dlg) : m_dlg(dlg) { m_dlg.BeginOperation(); }
    ~COperation() { m_dlg.EndOperation(); }
    COperation(const COperation&) = delete;
    COperation& operator=(const COperation&) = delete;

private:
    CSearchDlg& m_dlg;
};

CSearchDlg::CSearchDlg(QByteArray commandLineText, QWidget* pParent)
    : QDialog(pParent),
      m_pUi(std::make_unique<Ui::SearchDlg>()),
      m_commandLine(std::move(commandLineText)),
      m_icon(AppIcon()),
      m_host(this),
      m_index(NativeFileSystem(), m_host) {
    m_pUi->setupUi(this);
    // A normal top-level window, not a dialog: window managers give a dialog without a parent
    // no task-bar button of its own, since Qt makes it transient for a hidden leader window.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    m_pResultModel = new CResultListModel(this);
    m_pUi->resultList->setModel(m_pResultModel);
    m_pResultDelegate = new CResultLineDelegate(this);
    m_pUi->resultList->setItemDelegate(m_pResultDelegate);
    // A list lays out every line it is given, some 35 ns each here: a million lines at once
    // would hold the window for a frame or two after each keystroke. In batches the lines shown
    // paint at once, and keys are served between batches (see CompleteListLayout).
    // Measured (bench_ui filter/shown, 1,000,000 entries): "" 35 ms -> 1.0 ms, "e" 42 -> 5.5 ms.
    m_pUi->resultList->setLayoutMode(QListView::Batched);
    m_pUi->resultList->setBatchSize(kListLayoutBatch);
    // The filter's lower-cased forms, made in slices while the window waits for keys.
    m_prepareTimer.setInterval(0);
    connect(&m_prepareTimer, &QTimer::timeout, this, [this] {
        if (m_index.IsBusy() || m_index.PrepareFilter(kFilterPrepareSlice)) {
            m_prepareTimer.stop();
        }
    });
    ApplyTemplateGeometry();
    m_bControlsReady = true;
    ConnectSignals();
    AddKeyShortcuts();
    // An application filter, since the WebEngine pane takes keys in widgets of its own making,
    // which it replaces as it likes.
    qApp->installEventFilter(this);
}

CSearchDlg::~CSearchDlg() {
    qApp->removeEventFilter(this);
}

void CSearchDlg::AddKeyShortcuts() {
    const std::pair<QKeySequence, void (CSearchDlg::*)()> shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_L), &CSearchDlg::FocusQueryBox},
        {QKeySequence(Qt::Key_F6), &CSearchDlg::FocusQueryBox},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), &CSearchDlg::FocusBrowserPane},
    };
    for (const auto& [keys, fnSlot] : shortcuts) {
        auto* pShortcut = new QShortcut(keys, this);
        pShortcut->setContext(Qt::WindowShortcut);
        connect(pShortcut, &QShortcut::activated, this, fnSlot);
        m_windowKeys << keys;
    }
    m_windowKeys << QKeySequence(Qt::Key_Escape);
    for (const QPushButton* pButton :
         {m_pUi->clearButton, m_pUi->viewPageButton, m_pUi->rebuildButton, m_pUi->chooseButton,
          m_pUi->previousButton, m_pUi->helpButton}) {
        m_windowKeys << QKeySequence::mnemonic(pButton->text());
    }
}

bool CSearchDlg::IsWindowKey(const QKeyEvent& key) const {
    return m_windowKeys.contains(QKeySequence(key.keyCombination()));
}

bool CSearchDlg::IsInBrowserPane(const QWidget* pWidget) const {
    return pWidget != nullptr &&
           (pWidget == m_pUi->browserPane || m_pUi->browserPane->isAncestorOf(pWidget));
}

void CSearchDlg::FocusQueryBox() {
    m_pUi->queryBox->setFocus(Qt::ShortcutFocusReason);
    m_pUi->queryBox->selectAll();
}

void CSearchDlg::FocusBrowserPane() {
    m_pUi->browserPane->setFocus(Qt::ShortcutFocusReason);
}

bool CSearchDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    const QEvent::Type type = pEvent->type();
    if (type == QEvent::FocusIn && pWatched == m_pUi->resultList) {
        // Tab into a list with nothing selected selects its first line, before the view makes
        // that line current without selecting it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(pEvent)->reason();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) &&
            !m_pUi->resultList->selectionModel()->hasSelection()) {
            SelectRow(0);
        }
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) {
        return false;
    }
    const auto& key = *static_cast<QKeyEvent*>(pEvent);
    if (type == QEvent::KeyPress && pWatched == m_pUi->queryBox) {
        return OnQueryBoxKey(key);
    }
    if (type == QEvent::KeyPress && pWatched == m_pUi->resultList) {
        return OnResultListKey(key);
    }
    // The page in the pane would take every key for itself. The window's keys pass it by: an
    // override request left unanswered lets the window's shortcuts and mnemonics fire, and
    // Escape, which has no shortcut, closes the window as it does from the other controls.
    if (!IsInBrowserPane(QApplication::focusWidget()) || !IsWindowKey(key)) {
        return false;
    }
    if (type == QEvent::KeyPress && key.key() == Qt::Key_Escape) {
        reject();
    }
    return true;
}

bool CSearchDlg::OnQueryBoxKey(const QKeyEvent& key) {
    if (key.modifiers() != Qt::NoModifier && key.modifiers() != Qt::KeypadModifier) {
        return false;
    }
    const int nRows = m_pResultModel->rowCount();
    if (nRows == 0 || (key.key() != Qt::Key_Down && key.key() != Qt::Key_PageDown)) {
        return false;
    }
    int nRow = 0;
    if (key.key() == Qt::Key_PageDown) {
        // The first line below those the list shows whole.
        const int nLineHeight = std::max(1, m_pUi->resultList->sizeHintForRow(0));
        nRow =
            std::min(nRows - 1, std::max(1, m_pUi->resultList->viewport()->height() / nLineHeight));
    }
    m_pUi->resultList->setFocus(Qt::OtherFocusReason);
    SelectRow(nRow);
    return true;
}

bool CSearchDlg::OnResultListKey(const QKeyEvent& key) {
    CompleteListLayout();
    if (key.key() != Qt::Key_Up || key.modifiers() != Qt::NoModifier ||
        m_pUi->resultList->currentIndex().row() > 0) {
        return false;
    }
    m_pUi->queryBox->setFocus(Qt::OtherFocusReason);
    return true;
}

void CSearchDlg::CompleteListLayout() {
    QListView& list = *m_pUi->resultList;
    const int nRows = m_pResultModel->rowCount();
    // A line not laid out yet has no place in the list.
    if (nRows == 0 || list.visualRect(m_pResultModel->index(nRows - 1)).isValid()) {
        return;
    }
    list.setLayoutMode(QListView::SinglePass);
    list.doItemsLayout();
    list.setLayoutMode(QListView::Batched);
}

void CSearchDlg::SelectRow(int nRow) {
    const QModelIndex index = m_pResultModel->index(nRow);
    if (!index.isValid()) {
        return;
    }
    m_pUi->resultList->selectionModel()->setCurrentIndex(index,
                                                         QItemSelectionModel::ClearAndSelect);
    m_pUi->resultList->scrollTo(index);
}

void CSearchDlg::ApplyTemplateGeometry() {
    // The template's dialog units at this window's font; OnSize takes it from here.
    const CDialogUnits units(font());
    m_pUi->queryLabel->setGeometry(units.ToPixels(6, 6, 25, 14));
    m_pUi->queryBox->setGeometry(units.ToPixels(37, 6, 93, 14));
    m_pUi->resultList->setGeometry(units.ToPixels(6, 26, 160, 220));
    m_pUi->browserPane->setGeometry(units.ToPixels(177, 6, 348, 240));
    m_pUi->clearButton->setGeometry(units.ToPixels(135, 6, 31, 14));
    m_pUi->viewPageButton->setGeometry(units.ToPixels(71, 275, 73, 14));
    m_pUi->rebuildButton->setGeometry(units.ToPixels(150, 275, 73, 14));
    m_pUi->chooseButton->setGeometry(units.ToPixels(227, 275, 73, 14));
    m_pUi->previousButton->setGeometry(units.ToPixels(306, 275, 73, 14));
    m_pUi->helpButton->setGeometry(units.ToPixels(385, 275, 73, 14));
    m_pUi->targetLine->setGeometry(units.ToPixels(6, 252, 160, 14));
    m_pUi->startPageLine->setGeometry(units.ToPixels(176, 252, 349, 14));
    resize(units.ToPixels(532, 294));
    // Centred on the screen. The questions and progress windows of a start-up flow come before
    // this window is shown and centre on it, so they appear in the middle of the screen too.
    if (const QScreen* pScreen = screen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(pScreen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void CSearchDlg::ConnectSignals() {
    connect(m_pUi->queryBox, &QLineEdit::textChanged, this, &CSearchDlg::OnQueryChange);
    connect(m_pUi->clearButton, &QPushButton::clicked, this, &CSearchDlg::OnClear);
    connect(m_pUi->resultList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CSearchDlg::OnResultSelChange);
    connect(m_pUi->resultList, &QListView::doubleClicked, this, &CSearchDlg::OnResultDblClk);
    connect(m_pUi->viewPageButton, &QPushButton::clicked, this, &CSearchDlg::OnOK);
    connect(m_pUi->rebuildButton, &QPushButton::clicked, this, &CSearchDlg::OnRebuildIndex);
    connect(m_pUi->chooseButton, &QPushButton::clicked, this, &CSearchDlg::OnChooseStartPage);
    connect(m_pUi->previousButton, &QPushButton::clicked, this, &CSearchDlg::OnViewPreviousPage);
    connect(m_pUi->helpButton, &QPushButton::clicked, this, &CSearchDlg::OnHelp);
}

bool CSearchDlg::OnInitDialog() {
    setWindowIcon(m_icon);
    ProcessCommandLine(m_commandLine.constData());
    return true;
}

int CSearchDlg::OnCommandLine(const QByteArray& text) {
    BringToFront();
    ProcessCommandLine(text.constData());
    return 0;
}

void CSearchDlg::BringToFront() {
    if (isVisible()) {
        showNormal();
        raise();
        activateWindow();
    }
    QWidget* pInFront = nullptr;
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        if (pWidget != this && pWidget->isVisible() && pWidget->windowType() == Qt::Dialog) {
            pWidget->raise();
            pInFront = pWidget;
        }
    }
    // The window that takes the keys: the modal one when there is one.
    if (QWidget* pModal = QApplication::activeModalWidget(); pModal != nullptr && pModal != this) {
        pInFront = pModal;
        pModal->raise();
    }
    if (pInFront != nullptr) {
        pInFront->activateWindow();
    }
}

bool CSearchDlg::IsBusy() const {
    return m_nOperations > 0 || m_index.IsBusy();
}

void CSearchDlg::BeginOperation() {
    if (m_nOperations++ == 0) {
        m_pUi->rebuildButton->setEnabled(false);
        m_pUi->chooseButton->setEnabled(false);
    }
}

void CSearchDlg::EndOperation() {
    if (--m_nOperations > 0) {
        return;
    }
    m_pUi->rebuildButton->setEnabled(true);
    m_pUi->chooseButton->setEnabled(true);
    if (m_bCloseRequested && !m_index.IsBusy()) {
        m_bCloseRequested = false;
        QDialog::reject();
    }
    emit operationFinished();
}

void CSearchDlg::ProcessCommandLine(const char* pszCommandLine) {
    const CCommandLineTokens tokens = CCommandLineTokens::Parse(pszCommandLine);
    const std::string& sStartPage = tokens.GetStartPage();
    const std::string& sQuery = tokens.GetQuery();

    if (!sStartPage.empty()) {
        if (tokens.IsStartPageTooLong()) {
            ShowError(kPathTooLong);
        } else {
            // The start-page line is read the way its 500-byte copy would hold it.
            const std::string_view loaded =
                std::string_view(m_sStartPage)
                    .substr(0, std::min(m_sStartPage.size(), kStartTokenCapacity - 1));
            if (!EqualIgnoringAsciiCase(sStartPage, loaded)) {
                OpenStartPage(sStartPage.c_str());
            }
        }
    }
    if (!sQuery.empty()) {
        m_pUi->queryBox->setText(ForDisplay(sQuery));
        RefreshResults();
    }
    if (sStartPage.empty() && sQuery.empty()) {
        ShowHelp();
    }
}

bool CSearchDlg::IndexFileName(const char* pszStartPage, char* pszIndexFile) {
    return MakeIndexFileName(pszStartPage, pszIndexFile, kMaxPathCapacity);
}

void CSearchDlg::OpenStartPage(const char* pszStartPage) {
    // A second flow inside a running build or load would empty the index under it.
    if (m_index.IsBusy() || pszStartPage == nullptr) {
        return;
    }
    COperation operation(*this);
    char szIndexFile[kMaxPathCapacity];
    if (std::strlen(pszStartPage) > kMaxPathLength || !IndexFileName(pszStartPage, szIndexFile)) {
        ShowError(kPathTooLong);
        return;
    }
    if (m_index.GetFileSystem().Exists(szIndexFile)) {
        LoadIndexFile(pszStartPage, szIndexFile);
        return;
    }
    if (!ShowMessageBox(this, QString::fromLatin1(kCreateQuestion),
                        QString::fromLatin1(kQuestionCaption), kMbQuestion)) {
        return;
    }
    if (CreateIndexFile(pszStartPage) == 1) {
        SetStartPageLine(pszStartPage);
        RefreshResults();
    }
}

bool CSearchDlg::LoadIndexFile(const char* pszStartPage, const char* pszIndexFile) {
    if (m_index.IsBusy()) {
        return false;
    }
    COperation operation(*this);
    if (!m_index.LoadIndex(pszIndexFile)) {
        ShowError(kLoadFailed);
        return false;
    }
    SetStartPageLine(pszStartPage != nullptr ? pszStartPage : "");
    RefreshResults();
    return true;
}

int CSearchDlg::CreateIndexFile(const char* pszStartPage) {
    if (m_index.IsBusy()) {
        return 0;
    }
    COperation operation(*this);
    char szIndexFile[kMaxPathCapacity];
    if (pszStartPage == nullptr || std::strlen(pszStartPage) > kMaxPathLength ||
        !IndexFileName(pszStartPage, szIndexFile)) {
        ShowError(kPathTooLong);
        return 0;
    }
    const int nResult = m_index.BuildIndex(pszStartPage, szIndexFile);
    if (nResult == 0) {
        ShowError(kCreateFailed);
    }
    return nResult;
}

void CSearchDlg::RefreshResults() {
    const QByteArray query = QueryBytes(m_pUi->queryBox->text());
    // Before the filter's model reset, which repaints the lines shown.
    m_pResultDelegate->SetQuery(std::string_view(query.constData(), query.size()));
    m_index.FilterEntries(*m_pResultModel, query.constData());
    m_prepareTimer.start();
    m_pUi->queryBox->setFocus();
}

void CSearchDlg::ShowHelp() {
    const std::string sExecutable = GetExecutablePath();
    if (sExecutable.empty() || sExecutable.size() >= kMaxPathCapacity) {
        return;  // nothing sensible to name
    }
    CPathParts parts;
    SplitPath(sExecutable.c_str(), parts);
    char szHelp[kMaxPathCapacity];
    const int nWritten = std::snprintf(szHelp, sizeof szHelp, "%s%s%s.htm", parts.szDrive,
                                       parts.szDir, parts.szFileName);
    if (nWritten < 0 || static_cast<std::size_t>(nWritten) >= sizeof szHelp) {
        return;
    }
    ShowTarget(GetBrowser(), szHelp);
}

void CSearchDlg::OnQueryChange() {
    RefreshResults();
}

void CSearchDlg::OnClear() {
    m_pUi->queryBox->setText(QString());
    RefreshResults();
}

void CSearchDlg::OnResultSelChange() {
    const int nRow = GetSelectedRow();
    if (nRow < 0) {
        return;
    }
    const char* pszTarget = m_index.GetTargetAt(nRow);
    if (pszTarget != nullptr) {
        m_pUi->targetLine->setText(ForDisplay(pszTarget));
    }
}

void CSearchDlg::OnResultDblClk() {
    OnOK();
}

void CSearchDlg::OnOK() {
    const int nRow = GetSelectedRow();
    if (nRow < 0) {
        return;
    }
    m_index.OpenEntryAt(GetBrowser(), nRow);
}

void CSearchDlg::OnRebuildIndex() {
    if (IsBusy()) {
        return;
    }
    char szStartPage[kMaxPathCapacity];
    CopyBounded(szStartPage, sizeof szStartPage, m_sStartPage.c_str());
    if (szStartPage[0] == '\0') {
        return;
    }
    COperation operation(*this);
    if (!ShowMessageBox(this, QString::fromLatin1(kRebuildQuestion),
                        QString::fromLatin1(kQuestionCaption), kMbQuestion)) {
        return;
    }
    if (CreateIndexFile(szStartPage) == 1) {
        m_pUi->queryBox->setText(QString());
        RefreshResults();
    }
}

void CSearchDlg::OnChooseStartPage() {
    if (IsBusy()) {
        return;
    }
    COperation operation(*this);
    // The dialog starts beside the site that is loaded: another page of it, or a site next to
    // it, is then a click away.
    const QString sDir =
        m_sStartPage.empty()
            ? QDir::currentPath()
            : QFileInfo(QFile::decodeName(QByteArray::fromStdString(m_sStartPage))).absolutePath();
    const QString chosen = GetOpenFileName(this, sDir);
    if (chosen.isEmpty()) {
        return;
    }
    // Start pages enter as absolute, lexically normal paths.
    const QByteArray path =
        QFile::encodeName(QDir::cleanPath(QFileInfo(chosen).absoluteFilePath()));
    OpenStartPage(path.constData());
    m_pUi->queryBox->setText(QString());
    RefreshResults();
}

void CSearchDlg::OnViewPreviousPage() {
    GetBrowser().GoBack();
}

void CSearchDlg::OnHelp() {
    ShowHelp();
}

void CSearchDlg::OnSize(int cx, int cy) {
    if (!m_bControlsReady) {
        return;  // size notifications during construction come before the controls
    }
    const QSize button = m_pUi->viewPageButton->size();
    const CSearchLayout::CRects rects =
        CSearchLayout::Compute(cx, cy, button.width(), button.height(), m_pUi->queryLabel->width(),
                               m_pUi->clearButton->width());
    QWidget* const controls[CSearchLayout::kControlCount] = {
        m_pUi->viewPageButton, m_pUi->rebuildButton, m_pUi->chooseButton, m_pUi->previousButton,
        m_pUi->helpButton,     m_pUi->queryLabel,    m_pUi->queryBox,     m_pUi->clearButton,
        m_pUi->resultList,     m_pUi->targetLine,    m_pUi->browserPane,  m_pUi->startPageLine};
    for (std::size_t i = 0; i < CSearchLayout::kControlCount; ++i) {
        controls[i]->setGeometry(ClampedRect(rects[i]));
    }
    update();
}

void CSearchDlg::accept() {
    OnOK();
}

void CSearchDlg::reject() {
    if (IsBusy()) {
        // Closing now would destroy the index under the running operation.
        m_bCloseRequested = true;
        return;
    }
    QDialog::reject();
}

void CSearchDlg::resizeEvent(QResizeEvent* pEvent) {
    QDialog::resizeEvent(pEvent);
    OnSize(pEvent->size().width(), pEvent->size().height());
}

CWebBrowser& CSearchDlg::GetBrowser() {
    return *m_pUi->browserPane;
}

QString CSearchDlg::GetTargetLineText() const {
    return m_pUi->targetLine->text();
}

QString CSearchDlg::GetStartPageLineText() const {
    return m_pUi->startPageLine->text();
}

void CSearchDlg::SetStartPageLine(const std::string& sStartPage) {
    m_sStartPage = sStartPage;
    m_pUi->startPageLine->setText(ForDisplay(sStartPage));
}

int CSearchDlg::GetSelectedRow() const {
    const QModelIndexList selected = m_pUi->resultList->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void CSearchDlg::ShowError(const char* pszText) {
    ShowMessageBox(this, QString::fromLatin1(pszText), QString::fromLatin1(kErrorCaption),
                   kMbError);
}

}  // namespace sitefinch
