// The main window (start-up flows, the query, the result list, every command) and the parts it
// is made of: its layout rules, the browser pane, the Qt index host and the "Build Index" window.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#ifdef SITEFINCH_HAS_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "platform/DisplayText.h"
#include "platform/PathParts.h"
#include "platform/Text.h"
#include "ui/BuildIndexDlg.h"
#include "ui/QtIndexHost.h"
#include "ui/ResultLineDelegate.h"
#include "ui/ResultListModel.h"
#include "ui/SearchDlg.h"
#include "ui/SearchLayout.h"
#include "ui/WebBrowser.h"

namespace sitefinch {

namespace {

const QString kCreateQuestion = QStringLiteral("Question 33: Create index file?");
const QString kRebuildQuestion = QStringLiteral("Question 33: Rebuild index file?");
const QString kFileDialog = QStringLiteral("file dialog");

// While it lives, answers message boxes (OK while bOk) and the file dialog (with file; "" is a
// cancel), and records each as shown: "Caption TYPE: text" or "file dialog". Only one may live
// at a time: the one destroyed leaves dialogs refused.
struct CDialogAnswers {
    CDialogAnswers() {
        SetMessageBoxFn([this](QWidget*, const QString& text, const QString& caption, unsigned n) {
            shown << QStringLiteral("%1 %2: %3").arg(caption).arg(n).arg(text);
            return bOk;
        });
        SetOpenFileFn([this](QWidget*, const QString& sDir) {
            shown << kFileDialog;
            dirs << sDir;
            return file;
        });
    }
    ~CDialogAnswers() { uitest::EnsureUiApp(); }

    bool bOk = true;
    QString file;
    QStringList shown;
    QStringList dirs;  // where each file dialog opened
};

void SendKey(QWidget* pWidget, int nKey, const QString& text = QString()) {
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, nKey, Qt::NoModifier, text);
        QApplication::sendEvent(pWidget, &event);
    }
}

class SearchDlgTest : public ::testing::Test {
protected:
    // A private copy of tests/data/ui/site in a directory whose name has capitals, so that the
    // lower-cased paths of the index must be resolved against the disk.
    void SetUp() override {
        uitest::EnsureUiApp();
        ASSERT_TRUE(m_dir.isValid());
        const QString source = QStringLiteral(SITEFINCH_TEST_DATA_DIR "/ui/site");
        for (QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString target = m_dir.path() + it.next().mid(source.size());
            QDir().mkpath(QFileInfo(target).path());
            ASSERT_TRUE(QFile::copy(it.filePath(), target));
        }
    }
    QString Path(const char* pszRelative) const { return m_dir.filePath(pszRelative); }
    std::string Bytes(const char* pszRelative) const {
        return QFile::encodeName(Path(pszRelative)).toStdString();
    }
    // The command-line text for a start page and a query, both quoted.
    QByteArray CommandLine(const char* pszStartPage, const QByteArray& query = {}) const {
        return '"' + QFile::encodeName(Path(pszStartPage)) + "\" \"" + query + '"';
    }

    // A main window initialised with the command line, as the application starts it.
    CSearchDlg& Start(const QByteArray& commandLine) {
        m_pDlg = std::make_unique<CSearchDlg>(commandLine);
        m_pDlg->OnInitDialog();
        return *m_pDlg;
    }
    // A main window whose start page had no index file: asked, built on OK and acknowledged.
    CSearchDlg& StartBuilt() {
        CDialogAnswers answers;
        uitest::CBuildWindowHand hand;
        CSearchDlg& dlg = Start(CommandLine("index.htm"));
        EXPECT_EQ(answers.shown, QStringList{kCreateQuestion});
        EXPECT_EQ(hand.nAcknowledged, 1);
        return dlg;
    }

    QLineEdit* QueryBox() { return m_pDlg->findChild<QLineEdit*>(QStringLiteral("queryBox")); }
    QListView* ResultList() { return m_pDlg->findChild<QListView*>(QStringLiteral("resultList")); }
    QPushButton* Button(const char* pszName) {
        return m_pDlg->findChild<QPushButton*>(QLatin1String(pszName));
    }
    int Rows() { return m_pDlg->GetResultModel().rowCount(); }
    std::size_t Entries() { return m_pDlg->GetIndex().GetTree().GetCount(); }
    QModelIndex IndexOf(const char* pszText) {
        const QModelIndexList found =
            m_pDlg->GetResultModel().match(m_pDlg->GetResultModel().index(0), Qt::DisplayRole,
                                           QString::fromLatin1(pszText), 1, Qt::MatchExactly);
        return found.isEmpty() ? QModelIndex() : found.front();
    }
    void Select(const char* pszText) {
        ResultList()->selectionModel()->select(IndexOf(pszText),
                                               QItemSelectionModel::ClearAndSelect);
    }
    QString Shown() { return m_pDlg->GetBrowser().GetRequestedUrl().toLocalFile(); }
    bool IndexFileExists() { return QFile::exists(Path("index.idx")); }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/Sitefinch-UI-XXXXXX")};
    std::unique_ptr<CSearchDlg> m_pDlg;
};

// Nothing is loaded without a start page, when its index is declined, or when the start page
// is too long for its buffers (cut, it would name another file); the query still applies.
TEST_F(SearchDlgTest, NothingLoadsWithoutAUsableStartPageAndOnlyAnEmptyLineShowsHelp) {
    const QByteArray name(kMaxPathCapacity - 6, 'x');  // "/NAME.htm" is the longest start page
    const struct {
        QByteArray text;
        QStringList shown;
        QString pane;
    } cases[] = {
        // Help: the executable's own name with ".htm", beside it.
        {"", {}, QCoreApplication::applicationFilePath() + QStringLiteral(".htm")},
        {"\"\" \"alp\"", {}, ""},
        {CommandLine("index.htm", "alp"), {kCreateQuestion}, ""},
        {"\"/" + name + ".htm\" \"alp\"", {kCreateQuestion}, ""},
        {"\"/x" + name + ".htm\" \"alp\"", {"Error 48: Start page path is too long."}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        CDialogAnswers answers;
        answers.bOk = false;
        CSearchDlg& dlg = Start(c.text);
        EXPECT_EQ(answers.shown, c.shown);
        EXPECT_EQ(dlg.GetStartPage(), "");
        EXPECT_EQ(Rows(), 0);
        EXPECT_EQ(QueryBox()->text(), c.text.isEmpty() ? QString() : QStringLiteral("alp"));
        EXPECT_EQ(Shown(), c.pane);
    }
    EXPECT_FALSE(IndexFileExists());
}

// The index file is built once and then loaded without a question; the start page handed over
// again, in any ASCII case, is not even reloaded, but its query applies.
TEST_F(SearchDlgTest, AStartPageIsBuiltOnceThenLoadedAndNotReloadedWhenHandedOverAgain) {
    StartBuilt();
    EXPECT_EQ(m_pDlg->GetStartPageLineText(), Path("index.htm"));
    EXPECT_EQ(static_cast<std::size_t>(Rows()), Entries());
    EXPECT_TRUE(IndexOf("Zur\374ck zum Start").isValid()) << "Windows-1252, shown decoded";
    const std::size_t nAll = Entries();

    CDialogAnswers answers;
    CSearchDlg& dlg = Start(CommandLine("index.htm", "ALPHA"));
    EXPECT_EQ(dlg.GetStartPage(), Bytes("index.htm"));
    EXPECT_EQ(Entries(), nAll);
    EXPECT_TRUE(IndexOf("Alpha page").isValid());
    EXPECT_FALSE(IndexOf("Gamma page").isValid());

    // Were the index file loaded again, the index would now be empty.
    QFile::resize(Path("index.idx"), 0);
    EXPECT_EQ(dlg.OnCommandLine(CommandLine("index.htm", "gamma").toUpper()), 0);
    EXPECT_EQ(Entries(), nAll);
    EXPECT_TRUE(IndexOf("Gamma page").isValid());
    EXPECT_TRUE(answers.shown.isEmpty());
}

// Each keystroke refilters and leaves no line selected, so that Enter right after it opens
// nothing (see the next test); the target line changes only on a selection.
TEST_F(SearchDlgTest, EachKeystrokeRefiltersAndSelectsNothingAndClearListsAll) {
    CSearchDlg& dlg = StartBuilt();
    const int nAll = Rows();
    Select("Alpha second part");
    const QString target = dlg.GetTargetLineText();
    EXPECT_EQ(target, (Path("Alpha.htm") + QStringLiteral("#second")).toLower());
    EXPECT_EQ(Shown(), QString());          // the pane waits for a command
    const int nRowsAfter[] = {8, 4, 4, 0};  // "a", "al", "alp", "alpz"
    for (int i = 0; i < 4; ++i) {
        SendKey(QueryBox(), Qt::Key_A + ("alpz"[i] - 'a'), QString(QLatin1Char("alpz"[i])));
        EXPECT_EQ(Rows(), nRowsAfter[i]) << "after key " << i;
        EXPECT_FALSE(ResultList()->selectionModel()->hasSelection());
    }
    EXPECT_EQ(dlg.GetTargetLineText(), target);
    Button("clearButton")->click();
    EXPECT_EQ(Rows(), nAll) << "the query is cleared";
}

TEST_F(SearchDlgTest, EnterViewPageAndDoubleClickOpenTheSelectedEntryAndOnlyEscapeCloses) {
    CSearchDlg& dlg = StartBuilt();
    dlg.show();  // Enter reaches the default button only in a shown window
    const QString alpha = Path("Alpha.htm");
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Enter in the query box", [&] { SendKey(QueryBox(), Qt::Key_Return); }},
        {"Enter in the list", [&] { SendKey(ResultList(), Qt::Key_Return); }},
        {"double click", [&] { emit ResultList()->doubleClicked(IndexOf("Alpha second part")); }},
    };
    for (const auto& [pszWay, open] : ways) {
        SCOPED_TRACE(pszWay);
        dlg.GetBrowser().Navigate("");
        ResultList()->clearSelection();
        open();
        EXPECT_EQ(Shown(), QString()) << "opened without a selection";
        // The fragment is dropped and the path found on disk whatever its case.
        Select("Alpha second part");
        open();
        EXPECT_EQ(Shown(), alpha);
    }
    Select("Gamma page");
    Button("viewPageButton")->click();
    EXPECT_EQ(dlg.GetBrowser().GetCurrentUrl().toLocalFile(), Path("Sub/Gamma.html"));
    Button("previousButton")->click();
    EXPECT_EQ(dlg.GetBrowser().GetCurrentUrl().toLocalFile(), alpha);
    EXPECT_TRUE(dlg.isVisible());

    // Too small for the controls: sizes clamp to zero instead of going negative.
    dlg.OnSize(40, 30);
    EXPECT_EQ(ResultList()->height(), 0);
    EXPECT_EQ(QueryBox()->width(), 0);

    SendKey(QueryBox(), Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
}

// Takes every key for itself, as the page in a WebEngine pane does.
struct CKeySwallower : QObject {
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::ShortcutOverride) {
            pEvent->accept();
            return true;
        }
        return pEvent->type() == QEvent::KeyPress;
    }
};

// Into the list and back by keyboard, and the window's keys from every control, the pane
// included, even when its page would take every key.
TEST_F(SearchDlgTest, KeysMoveBetweenQueryListAndPaneAndTheWindowKeysWorkInThePane) {
    CSearchDlg& dlg = StartBuilt();
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QListView* pList = ResultList();
    auto* pPage = dlg.GetBrowser().findChild<QTextBrowser*>();
    CKeySwallower swallower;
    pPage->installEventFilter(&swallower);
    auto selectedRow = [&] {
        const QModelIndexList rows = pList->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.front().row();
    };

    QueryBox()->setFocus();
    QTest::keyClick(QueryBox(), Qt::Key_Down);
    EXPECT_TRUE(pList->hasFocus());
    EXPECT_EQ(selectedRow(), 0);
    EXPECT_EQ(dlg.GetTargetLineText(), QString::fromStdString(dlg.GetIndex().GetTargetAt(0)));
    QTest::keyClick(pList, Qt::Key_Up);
    EXPECT_TRUE(QueryBox()->hasFocus());
    // Tab selects the first line only when nothing is selected.
    pList->clearSelection();
    QTest::keyClick(QueryBox(), Qt::Key_Tab);
    EXPECT_TRUE(pList->hasFocus());
    EXPECT_EQ(selectedRow(), 0);
    QTest::keyClick(pList, Qt::Key_Down);
    QTest::keyClick(pList, Qt::Key_Backtab);
    QTest::keyClick(QueryBox(), Qt::Key_Tab);
    EXPECT_EQ(selectedRow(), 1);

    // PageDown from the query box: the first line that the list does not show whole.
    dlg.OnSize(600, 160);
    QTest::keyClick(pList, Qt::Key_Up);
    QTest::keyClick(pList, Qt::Key_Up);
    QTest::keyClick(QueryBox(), Qt::Key_PageDown);
    const int nRow = selectedRow();
    ASSERT_GT(nRow, 0);
    const QRect shown = pList->viewport()->rect();
    EXPECT_TRUE(shown.contains(pList->visualRect(m_pDlg->GetResultModel().index(nRow - 1))));
    pList->scrollToTop();
    EXPECT_FALSE(shown.contains(pList->visualRect(m_pDlg->GetResultModel().index(nRow))));
    dlg.resize(900, 600);

    // From the pane: the mnemonics, the focus keys, and Escape.
    Select("Gamma page");
    Button("viewPageButton")->click();
    Select("Alpha second part");
    Button("viewPageButton")->click();
    QueryBox()->setText(QStringLiteral("gam"));
    QTest::keyClick(&dlg, Qt::Key_F6, Qt::ShiftModifier);
    ASSERT_TRUE(pPage->hasFocus());
    // A mnemonic clicks its button a moment later, as the button shows itself pressed.
    QTest::keyClick(pPage, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(uitest::ServeEventsUntil([&] {
        return dlg.GetBrowser().GetCurrentUrl().toLocalFile() == Path("Sub/Gamma.html");
    })) << "Alt+P did not go back";
    for (const QKeyCombination keys : {Qt::CTRL | Qt::Key_L, QKeyCombination(Qt::Key_F6)}) {
        pPage->setFocus();
        QTest::keyClick(pPage, keys.key(), keys.keyboardModifiers());
        EXPECT_TRUE(QueryBox()->hasFocus());
        EXPECT_EQ(QueryBox()->selectedText(), QStringLiteral("gam"));
    }
    pPage->setFocus();
    QTest::keyClick(pPage, Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(uitest::ServeEventsUntil([&] {
        return Shown() == QCoreApplication::applicationFilePath() + QStringLiteral(".htm");
    })) << "Alt+H did not show the help page";
    pPage->setFocus();
    QTest::keyClick(pPage, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
}

// A list too long to lay out in one go is laid out in batches between events, and the filter's
// lower-cased forms are made the same way: a key that moves far still finds its line in place.
TEST_F(SearchDlgTest, ManyLinesAreReadyForKeysThatMoveFarAndForTheNextQuery) {
    CSearchDlg& dlg = StartBuilt();
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    CLinkIndex& index = dlg.GetIndex();
    for (int i = 0; i < 2 * CSearchDlg::kListLayoutBatch + 7; ++i) {
        index.AddLinkEntry("/many.htm", ("Many " + std::to_string(i)).c_str());
    }
    index.RebuildOrder();
    Button("clearButton")->click();
    QListView* pList = ResultList();
    const QModelIndex last = m_pDlg->GetResultModel().index(Rows() - 1);
    ASSERT_GT(Rows(), 2 * CSearchDlg::kListLayoutBatch);
    ASSERT_FALSE(pList->visualRect(last).isValid()) << "not laid out in batches: nothing to test";
    pList->setFocus();
    QTest::keyClick(pList, Qt::Key_End);
    EXPECT_EQ(pList->currentIndex().row(), last.row());
    EXPECT_TRUE(pList->viewport()->rect().contains(pList->visualRect(last)));
    EXPECT_TRUE(uitest::ServeEventsUntil([&] { return index.PrepareFilter(0); }));
    QueryBox()->setText(QStringLiteral("many 4000"));
    EXPECT_EQ(Rows(), 8);  // 4000 and 40000 to 40006
}

// A second start while the window is minimised behind its own question: both come up, the
// question in front, taking the keys.
TEST_F(SearchDlgTest, BringToFrontRestoresTheWindowAndRaisesItsQuestion) {
    CSearchDlg& dlg = Start("\"\" \"x\"");
    dlg.showMinimized();
    QDialog question(&dlg);
    question.setModal(true);
    question.show();
    dlg.BringToFront();
    EXPECT_FALSE(dlg.isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&question));
}

#ifdef SITEFINCH_HAS_WEBENGINE
// The WebEngine pane, where it is built (it runs offscreen too): a link that the engine itself
// follows finds its file in any letter case, and Alt+P and Escape pass the engine's own widgets,
// which would take every key they are given.
TEST_F(SearchDlgTest, WebEnginePaneFindsLinkedFilesInAnyCaseAndLeavesTheWindowKeysAlone) {
    qunsetenv("SITEFINCH_PANE");
    if (::geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");  // as the program does for root
    }
    CSearchDlg& dlg = StartBuilt();
    qputenv("SITEFINCH_PANE", "text");
    CWebBrowser& pane = dlg.GetBrowser();
    if (!pane.IsWebEngine()) {
        GTEST_SKIP() << "built with the QTextBrowser pane only";
    }
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    auto* pView = pane.findChild<QWebEngineView*>();
    ASSERT_NE(pView, nullptr);
    // Waits for the next page to have loaded, then tells whether it is pszPage.
    int nLoaded = 0;
    QObject::connect(pView, &QWebEngineView::loadFinished, pView, [&] { ++nLoaded; });
    auto nextPageIs = [&](const char* pszPage) {
        const int nBefore = nLoaded;
        return uitest::ServeEventsUntil([&] { return nLoaded > nBefore; }) &&
               pane.GetCurrentUrl().toLocalFile() == Path(pszPage);
    };
    pane.Navigate(Bytes("index.htm").c_str());
    ASSERT_TRUE(nextPageIs("index.htm"));
    pView->page()->runJavaScript(
        QStringLiteral("var a = document.createElement('a'); a.href = 'SUB/gamma.HTML';"
                       "document.body.appendChild(a); a.click();"));
    EXPECT_TRUE(nextPageIs("Sub/Gamma.html")) << pane.GetCurrentUrl().toString().toStdString();

    dlg.FocusBrowserPane();
    QWidget* pEngineWidget = QApplication::focusWidget();
    ASSERT_TRUE(pEngineWidget != nullptr && pView->isAncestorOf(pEngineWidget));
    QTest::keyClick(pEngineWidget, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(nextPageIs("index.htm")) << "Alt+P did not go back";
    pEngineWidget = QApplication::focusWidget();
    ASSERT_TRUE(pEngineWidget != nullptr && pView->isAncestorOf(pEngineWidget));
    QTest::keyClick(pEngineWidget, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
}
#endif

// Both commands replace the loaded index only once confirmed, and then clear the query; the
// question and the build they share with the start-up flow.
TEST_F(SearchDlgTest, RebuildAndChooseStartPageKeepTheLoadedIndexUntilConfirmed) {
    Start("\"\" \"x\"");
    Button("rebuildButton")->click();  // nothing loaded: a question here would fail the test
    {
        // The file dialog opens in the current directory while no site is loaded, and beside
        // the loaded start page once there is one.
        CDialogAnswers cancelled;
        Button("chooseButton")->click();
        EXPECT_EQ(cancelled.dirs, QStringList{QDir::currentPath()});
    }
    StartBuilt();
    const int nAll = Rows();
    CDialogAnswers answers;
    answers.bOk = false;
    answers.file = Path("Alpha.htm");  // no index file there, and its creation declined
    Button("chooseButton")->click();
    Button("rebuildButton")->click();
    EXPECT_EQ(answers.shown, (QStringList{kFileDialog, kCreateQuestion, kRebuildQuestion}));
    EXPECT_EQ(answers.dirs, QStringList{m_dir.path()});
    EXPECT_EQ(m_pDlg->GetStartPage(), Bytes("index.htm"));
    EXPECT_EQ(Rows(), nAll);
    answers.bOk = true;
    QueryBox()->setText(QStringLiteral("gamma"));
    uitest::CBuildWindowHand hand;
    Button("rebuildButton")->click();
    EXPECT_EQ(hand.nAcknowledged, 1);
    EXPECT_EQ(Rows(), nAll) << "the query is cleared";
}

TEST_F(SearchDlgTest, WhileABuildRunsNestedOperationsAreRefusedAndCloseWaits) {
    CDialogAnswers answers;
    uitest::CBuildWindowHand hand;
    int nRejected = 0;
    int nFinished = 0;
    m_pDlg = std::make_unique<CSearchDlg>(CommandLine("index.htm"));
    CSearchDlg& dlg = *m_pDlg;
    QObject::connect(&dlg, &QDialog::rejected, &dlg, [&] { ++nRejected; });
    QObject::connect(&dlg, &CSearchDlg::operationFinished, &dlg, [&] { ++nFinished; });
    hand.duringBuild = [&](CBuildIndexDlg&) {
        EXPECT_TRUE(dlg.IsBusy());
        EXPECT_FALSE(Button("rebuildButton")->isEnabled());
        EXPECT_FALSE(Button("chooseButton")->isEnabled());
        // A start page or a rebuild arriving now starts nothing.
        dlg.OpenStartPage(Bytes("Alpha.htm").c_str());
        dlg.OnRebuildIndex();
        EXPECT_EQ(answers.shown, QStringList{kCreateQuestion});
        // The query box keeps working; the half-built index lists nothing yet.
        QueryBox()->setText(QStringLiteral("a"));
        EXPECT_EQ(Rows(), 0);
        // The close box: remembered, not done.
        dlg.reject();
        EXPECT_EQ(nRejected, 0);
        EXPECT_TRUE(dlg.IsCloseRequested());
    };
    dlg.OnInitDialog();
    EXPECT_FALSE(hand.duringBuild) << "the build ended before the checks could run";
    EXPECT_FALSE(dlg.IsBusy());
    EXPECT_TRUE(Button("rebuildButton")->isEnabled());
    EXPECT_TRUE(Button("chooseButton")->isEnabled());
    EXPECT_EQ(nRejected, 1);  // the close took effect once the build had returned
    EXPECT_GE(nFinished, 1);
    EXPECT_TRUE(IndexFileExists());
}

using R = CLayoutRect;
using L = CSearchLayout;

// Button 75 x 23, label 40 wide, Clear 50 wide. Rectangles in the layout's order: View Page,
// Rebuild, Choose, Previous, Help, query label, query box, Clear, list, target line, browser
// pane, start line.
TEST(SearchLayout, PlacesEveryControlAsInTheWorkedExamples) {
    EXPECT_EQ(L::Compute(800, 600, 75, 23, 40, 50),
              (L::CRects{R{200, 571, 75, 23}, R{281, 571, 75, 23}, R{362, 571, 75, 23},
                         R{443, 571, 75, 23}, R{524, 571, 75, 23}, R{6, 6, 40, 23},
                         R{52, 6, 152, 23}, R{210, 6, 50, 23}, R{6, 35, 254, 501},
                         R{6, 542, 254, 23}, R{266, 6, 528, 530}, R{266, 542, 528, 23}}));
    // One pixel more each way: the left third widens by one, the pane keeps its width.
    EXPECT_EQ(L::Compute(801, 601, 75, 23, 40, 50),
              (L::CRects{R{201, 572, 75, 23}, R{282, 572, 75, 23}, R{363, 572, 75, 23},
                         R{444, 572, 75, 23}, R{525, 572, 75, 23}, R{6, 6, 40, 23},
                         R{52, 6, 153, 23}, R{211, 6, 50, 23}, R{6, 35, 255, 502},
                         R{6, 543, 255, 23}, R{267, 6, 528, 531}, R{267, 543, 528, 23}}));
    // No minimum is enforced: a narrow window's button row of 399 overhangs both sides equally,
    // and sizes go negative. Division truncates toward zero, also for negative sizes.
    const L::CRects narrow = L::Compute(100, 50, 75, 23, 40, 50);
    EXPECT_EQ(narrow[L::kViewPageButton].x, -149);
    EXPECT_EQ(narrow[L::kResultList].cy, -49);
    EXPECT_EQ(L::Compute(-7, -5, 75, 23, 40, 50)[L::kBrowserPane].x, -2);
}

// The part of a line that is shown in bold is the part the filter matched, in the line's
// display text, whichever of the two encodings the line or the query is written in.
TEST(ResultLineDelegate, FindsTheMatchedPartInTheDisplayTextOfEitherEncoding) {
    const struct {
        const char* pszLine;
        const char* pszQuery;  // as typed: UTF-8
        int nStart, nLength;
    } cases[] = {
        {"Alpha page", "PAGE", 6, 4},
        {"Alpha page", "", 0, 0},
        {"Alpha page", "pages", 0, 0},
        // Windows-1252 line, UTF-8 query: one display character per byte.
        {"Zur\374ck zum Start", "\303\274ck", 3, 3},
        {"\xC4rger", "\xC3\xA4r", 0, 2},
        // UTF-8 line: positions count characters, not bytes.
        {"Schriftgr\303\266\303\237e \303\244ndern", "\xC3\xA4nd", 13, 3},
        {"\xE2\x82\xAC 5 Euro", "euro", 4, 4},
        // Query bytes that are not UTF-8 are taken as Windows-1252, and found in a UTF-8 line.
        {"gr\303\274n", "\374n", 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pszLine) + " / " + c.pszQuery);
        CQueryForms forms = MakeQueryForms(c.pszQuery);
        CharLowerBuff(forms.sCp1252.data(), forms.sCp1252.size());
        CharLowerBuff(forms.sUtf8.data(), forms.sUtf8.size());
        const CResultLineDelegate::CRange range = CResultLineDelegate::FindMatch(c.pszLine, forms);
        EXPECT_EQ(range.nLength, c.nLength);
        if (c.nLength > 0) {
            EXPECT_EQ(range.nStart, c.nStart);
        }
    }
}

// Local links are followed in the pane; links that leave the disk go to the default browser.
TEST_F(SearchDlgTest, BrowserPaneFollowsLocalLinksAndSendsOthersToTheDefaultBrowser) {
    std::vector<QUrl> opened;
    SetOpenUrlFn([&](const QUrl& url) { opened.push_back(url); });
    CWebBrowser pane;
    auto* pView = pane.findChild<QTextBrowser*>();
    ASSERT_NE(pView, nullptr);
    pane.Navigate(Bytes("Alpha.htm").c_str());
    const QUrl outside(QStringLiteral("http://example.org/more"));
    emit pView->anchorClicked(outside);
    EXPECT_EQ(pane.GetCurrentUrl().toLocalFile(), Path("Alpha.htm"));
    EXPECT_EQ(opened, std::vector<QUrl>{outside});
    SetOpenUrlFn({});

    // Links are relative to the page shown and found on disk as the index finds its files: any
    // letter case, and a directory leads to its default page.
    QFile page(Path("Sub/Default.HTM"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly) && page.write("<title>Sub</title>") > 0);
    page.close();
    const struct {
        const char* pszHref;
        QString shown;
    } links[] = {
        {"index.htm", Path("index.htm")},
        {"ALPHA.HTM#second", Path("Alpha.htm")},
        {"SUB", Path("Sub/Default.HTM")},
        {"gamma.HTML", Path("Sub/Gamma.html")},
        {"../sub/", Path("Sub/Default.HTM")},
        // Nothing there: the pane is asked for the missing page and says so in its own way.
        {"../nowhere/", Path("nowhere/default.htm")},
    };
    QString previous = Path("Alpha.htm");
    for (const auto& link : links) {
        SCOPED_TRACE(link.pszHref);
        emit pView->anchorClicked(QUrl(QString::fromLatin1(link.pszHref)));
        EXPECT_EQ(pane.GetCurrentUrl().toLocalFile(), link.shown);
        pane.GoBack();
        EXPECT_EQ(pane.GetCurrentUrl().toLocalFile(), previous);
        pView->forward();
        EXPECT_EQ(pane.GetCurrentUrl().toLocalFile(), link.shown);
        previous = link.shown;
    }
    EXPECT_EQ(pane.ResolveLocalUrl(outside), outside);
}

// Counts the quit requests that reach the application object, and never lets one end it.
struct CQuitCounter : QObject {
    int m_nQuits = 0;
    bool eventFilter(QObject*, QEvent* pEvent) override {
        return pEvent->type() == QEvent::Quit && ++m_nQuits > 0;
    }
};

// A quit arriving inside a build's or a load's pump would end the program under the index.
TEST(QtIndexHost, AQuitRequestArrivingDuringThePumpIsDropped) {
    uitest::EnsureUiApp();
    CQuitCounter counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    CQtIndexHost host(nullptr);
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    host.PumpMessages();
    EXPECT_EQ(counter.m_nQuits, 0);
    // The same request outside the pump does reach the application.
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.m_nQuits, 1);
    QCoreApplication::instance()->removeEventFilter(&counter);
}

// Every way to stop ends the build at once: no Ok is waited for, nothing is saved, and the window
// object goes.
TEST_F(SearchDlgTest, StopEnterEscapeAndTheCloseBoxOfTheBuildWindowAllStopTheBuild) {
    const std::pair<const char*, std::function<void(CBuildIndexDlg&)>> ways[] = {
        {"Stop button", [](CBuildIndexDlg& dlg) { dlg.findChild<QPushButton*>()->click(); }},
        {"Enter", [](CBuildIndexDlg& dlg) { SendKey(&dlg, Qt::Key_Return); }},
        {"Escape", [](CBuildIndexDlg& dlg) { SendKey(&dlg, Qt::Key_Escape); }},
        {"close box", [](CBuildIndexDlg& dlg) { dlg.close(); }},
    };
    for (const auto& [pszWay, act] : ways) {
        SCOPED_TRACE(pszWay);
        CDialogAnswers answers;
        uitest::CBuildWindowHand hand;
        QPointer<CBuildIndexDlg> pWindow;
        hand.duringBuild = [&](CBuildIndexDlg& dlg) {
            pWindow = &dlg;
            ASSERT_EQ(dlg.GetButtonText(), QStringLiteral("&Stop")) << "the build ended too soon";
            act(dlg);
            EXPECT_TRUE(dlg.IsDestroyed() && !dlg.isVisible());
        };
        Start(CommandLine("index.htm"));
        EXPECT_EQ(answers.shown, QStringList{kCreateQuestion});
        EXPECT_EQ(hand.nAcknowledged, 0) << "a stopped build waits for no Ok";
        EXPECT_FALSE(IndexFileExists());
        ASSERT_FALSE(pWindow.isNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(pWindow.isNull()) << "the window object was not deleted";
    }
}

}  // namespace
}  // namespace sitefinch
