// The main window (start-up flows, the query, the result list, every command) and the parts it
// is made of: its layout rules, the result list's model, the browser pane, the Qt index host,
// and the "Build Index" window.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "index/LinkIndex.h"
#include "platform/FileSystem.h"
#include "platform/MemFileSystem.h"
#include "platform/PathParts.h"
#include "ui/QtIndexHost.h"
#include "ui/ResultListModel.h"
#include "ui/SearchDlg.h"
#include "ui/SearchLayout.h"
#include "ui/WebBrowser.h"

namespace sitefinch {
namespace {

using uitest::SendKey;
const QString kCreateQuestion = QStringLiteral("Question 33: Create index file?");

class SearchDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureUiApp();
        ASSERT_TRUE(m_site.dir.isValid());
    }

    // A main window initialised with the command line, as the application starts it.
    CSearchDlg& Start(const QByteArray& commandLine) {
        m_pDlg = std::make_unique<CSearchDlg>(commandLine);
        m_pDlg->OnInitDialog();
        return *m_pDlg;
    }
    // A main window whose start page had no index file: asked, built on OK and acknowledged.
    CSearchDlg& StartBuilt() {
        uitest::CDialogAnswers answers;
        uitest::CBuildWindowHand hand;
        CSearchDlg& dlg = Start(m_site.CommandLine("index.htm"));
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
    int RowOf(const char* pszText) {
        for (int i = 0; i < Rows(); ++i) {
            if (m_pDlg->GetResultModel().GetLine(i) == pszText) {
                return i;
            }
        }
        return -1;
    }
    void Select(const char* pszText) {
        ResultList()->selectionModel()->select(m_pDlg->GetResultModel().index(RowOf(pszText)),
                                               QItemSelectionModel::ClearAndSelect);
    }
    QString Shown() { return m_pDlg->GetBrowser().GetRequestedUrl().toLocalFile(); }
    bool IndexFileExists() { return QFile::exists(m_site.Path("index.idx")); }

    uitest::CTempSite m_site;
    std::unique_ptr<CSearchDlg> m_pDlg;
};

// Nothing is loaded without a start page, when its index is declined, or when the start page
// is too long for its buffers (cut, it would name another file); the query still applies.
TEST_F(SearchDlgTest, NothingLoadsWithoutAUsableStartPageAndOnlyAnEmptyLineShowsHelp) {
    CPathParts parts;  // the help page: the executable's own name with ".htm", beside it
    SplitPath(GetExecutablePath().c_str(), parts);
    const QString help =
        QFile::decodeName((std::string(parts.szDir) + parts.szFileName + ".htm").c_str());
    const QByteArray name(kMaxPathCapacity - 6, 'x');  // "/NAME.htm" is the longest start page
    const struct {
        QByteArray text;
        QStringList shown;
        QString pane;
    } cases[] = {
        {"", {}, help},
        {"\"\" \"alp\"", {}, ""},
        {m_site.CommandLine("index.htm", "alp"), {kCreateQuestion}, ""},
        {"\"/" + name + ".htm\" \"alp\"", {kCreateQuestion}, ""},
        {"\"/x" + name + ".htm\" \"alp\"", {"Error 48: Start page path is too long."}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        uitest::CDialogAnswers answers;
        answers.bOk = false;
        CSearchDlg& dlg = Start(c.text);
        EXPECT_EQ(answers.shown, c.shown);
        EXPECT_EQ(dlg.GetStartPage(), "");
        EXPECT_EQ(Rows(), 0);
        EXPECT_EQ(QueryBox()->text(), c.text.isEmpty() ? QString() : QStringLiteral("alp"));
        EXPECT_EQ(Shown(), c.pane);
    }
    EXPECT_FALSE(IndexFileExists());
    // Help shows the same page whatever is loaded.
    m_pDlg->GetBrowser().Navigate(m_site.Bytes("Alpha.htm").c_str());
    Button("helpButton")->click();
    EXPECT_EQ(Shown(), help);
}

// The index file is built once and then loaded without a question; the start page handed over
// again, in any ASCII case, is not even reloaded, but its query applies.
TEST_F(SearchDlgTest, AStartPageIsBuiltOnceThenLoadedAndNotReloadedWhenHandedOverAgain) {
    StartBuilt();
    EXPECT_TRUE(IndexFileExists());
    EXPECT_EQ(m_pDlg->GetStartPageLineText(), m_site.Path("index.htm"));
    EXPECT_EQ(static_cast<std::size_t>(Rows()), Entries());
    EXPECT_GE(RowOf("Gamma page"), 0);
    const std::size_t nAll = Entries();
    m_pDlg.reset();

    uitest::CDialogAnswers answers;
    CSearchDlg& dlg = Start(m_site.CommandLine("index.htm", "ALPHA"));
    EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes("index.htm"));
    EXPECT_EQ(Entries(), nAll);
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("ALPHA"));
    EXPECT_GE(RowOf("Alpha page"), 0);
    EXPECT_LT(RowOf("Gamma page"), 0);

    // Were the index file loaded again, the index would now be empty.
    QFile::resize(m_site.Path("index.idx"), 0);
    EXPECT_EQ(dlg.OnCommandLine(m_site.CommandLine("index.htm", "gamma").toUpper()), 0);
    EXPECT_EQ(Entries(), nAll);
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("GAMMA"));
    EXPECT_GE(RowOf("Gamma page"), 0);
    // An empty hand-over shows the help page and loads nothing.
    dlg.OnCommandLine(QByteArray());
    EXPECT_TRUE(Shown().endsWith(QStringLiteral(".htm")));
    EXPECT_EQ(Entries(), nAll);
    EXPECT_TRUE(answers.shown.isEmpty());
}

// Each keystroke refilters and leaves no line selected, so that Enter right after it opens
// nothing (see the next test); the target line changes only on a selection.
TEST_F(SearchDlgTest, EachKeystrokeRefiltersAndSelectsNothingAndClearListsAll) {
    CSearchDlg& dlg = StartBuilt();
    const int nAll = Rows();
    Select("Alpha second part");
    const QString target = dlg.GetTargetLineText();
    EXPECT_EQ(target, (m_site.Path("Alpha.htm") + QStringLiteral("#second")).toLower());
    EXPECT_EQ(Shown(), QString());  // the pane waits for a command
    std::string sTyped;
    for (const char c : std::string("alpz")) {
        SendKey(QueryBox(), Qt::Key_A + (c - 'a'), QString(QLatin1Char(c)));
        sTyped += c;
        SCOPED_TRACE(sTyped);
        EXPECT_EQ(QueryBox()->text().toStdString(), sTyped);
        int nExpected = 0;
        for (const CEntryNode* p = dlg.GetIndex().GetTree().GetHead(); p; p = p->m_pNext) {
            nExpected += QString::fromLatin1(p->m_pEntry->GetText())
                             .contains(QString::fromStdString(sTyped), Qt::CaseInsensitive);
        }
        EXPECT_EQ(Rows(), nExpected);
        EXPECT_FALSE(ResultList()->selectionModel()->hasSelection());
    }
    EXPECT_EQ(Rows(), 0);  // "alpz" matches nothing
    EXPECT_EQ(dlg.GetTargetLineText(), target);
    Button("clearButton")->click();
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(Rows(), nAll);
}

TEST_F(SearchDlgTest, EnterViewPageAndDoubleClickOpenTheSelectedEntryAndOnlyEscapeCloses) {
    CSearchDlg& dlg = StartBuilt();
    dlg.show();  // Enter reaches the default button only in a shown window
    const QString alpha = m_site.Path("Alpha.htm");
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Enter in the query box", [&] { SendKey(QueryBox(), Qt::Key_Return); }},
        {"Enter in the list", [&] { SendKey(ResultList(), Qt::Key_Return); }},
        {"View Page", [&] { Button("viewPageButton")->click(); }},
        {"double click",
         [&] {
             emit ResultList()->doubleClicked(
                 dlg.GetResultModel().index(RowOf("Alpha second part")));
         }},
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
    EXPECT_EQ(dlg.GetBrowser().GetCurrentUrl().toLocalFile(), m_site.Path("Sub/Gamma.html"));
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

TEST_F(SearchDlgTest, RebuildDoesNothingBeforeALoadAndAsksAfterwards) {
    Start("\"\" \"x\"");
    Button("rebuildButton")->click();  // a question here would fail the test
    StartBuilt();
    const int nEntries = Rows();
    uitest::CDialogAnswers answers;
    QueryBox()->setText(QStringLiteral("gamma"));
    // Cancel: nothing happens.
    answers.bOk = false;
    Button("rebuildButton")->click();
    EXPECT_EQ(answers.shown, QStringList{QStringLiteral("Question 33: Rebuild index file?")});
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("gamma"));
    // OK: rebuilt, saved again, query cleared, every entry listed.
    answers.bOk = true;
    QFile::remove(m_site.Path("index.idx"));
    uitest::CBuildWindowHand hand;
    Button("rebuildButton")->click();
    EXPECT_EQ(hand.nAcknowledged, 1);
    EXPECT_TRUE(IndexFileExists());
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(Rows(), nEntries);
}

TEST_F(SearchDlgTest, ChooseStartPageLoadsAnExistingIndexAndAsksOtherwise) {
    StartBuilt();
    uitest::CDialogAnswers answers;
    CSearchDlg& dlg = Start("\"\" \"alpha\"");
    Button("chooseButton")->click();  // cancelled: nothing changes
    EXPECT_EQ(answers.shown, QStringList{QStringLiteral("file dialog")});
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("alpha"));

    // An index file exists: loaded without a question; query cleared, all listed.
    answers.file = m_site.Path("index.htm");
    Button("chooseButton")->click();
    EXPECT_EQ(answers.shown.size(), 2);
    EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes("index.htm"));
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(static_cast<std::size_t>(Rows()), Entries());

    // No index file: asked; declined, the loaded index and start page stay.
    answers.file = m_site.Path("Alpha.htm");
    answers.bOk = false;
    const int nRows = Rows();
    QueryBox()->setText(QStringLiteral("home"));
    Button("chooseButton")->click();
    EXPECT_EQ(answers.shown.mid(2), (QStringList{QStringLiteral("file dialog"), kCreateQuestion}));
    EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes("index.htm"));
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(Rows(), nRows);
}

TEST_F(SearchDlgTest, WhileABuildRunsNestedOperationsAreRefusedAndCloseWaits) {
    uitest::CDialogAnswers answers;
    uitest::CBuildWindowHand hand;
    int nRejected = 0;
    int nFinished = 0;
    m_pDlg = std::make_unique<CSearchDlg>(m_site.CommandLine("index.htm"));
    CSearchDlg& dlg = *m_pDlg;
    QObject::connect(&dlg, &QDialog::rejected, &dlg, [&] { ++nRejected; });
    QObject::connect(&dlg, &CSearchDlg::operationFinished, &dlg, [&] { ++nFinished; });
    hand.duringBuild = [&](CBuildIndexDlg&) {
        EXPECT_TRUE(dlg.IsBusy());
        EXPECT_FALSE(Button("rebuildButton")->isEnabled());
        EXPECT_FALSE(Button("chooseButton")->isEnabled());
        // A start page or a rebuild arriving now starts nothing.
        dlg.OpenStartPage(m_site.Bytes("Alpha.htm").c_str());
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

void ExpectRects(const L::CRects& actual, const L::CRects& expected) {
    static const char* const kNames[] = {"View Page", "Rebuild",     "Choose",       "Previous",
                                         "Help",      "query label", "query box",    "Clear",
                                         "list",      "target line", "browser pane", "start line"};
    for (std::size_t i = 0; i < L::kControlCount; ++i) {
        const R& a = actual[i];
        EXPECT_EQ(a, expected[i]) << kNames[i] << ": got (" << a.x << ", " << a.y << ", " << a.cx
                                  << ", " << a.cy << ")";
    }
}

TEST(SearchLayout, PlacesEveryControlAsInTheWorkedExamples) {
    // Button 75 x 23, label 40 wide, Clear 50 wide.
    ExpectRects(
        L::Compute(800, 600, 75, 23, 40, 50),
        {R{200, 571, 75, 23}, R{281, 571, 75, 23}, R{362, 571, 75, 23}, R{443, 571, 75, 23},
         R{524, 571, 75, 23}, R{6, 6, 40, 23}, R{52, 6, 152, 23}, R{210, 6, 50, 23},
         R{6, 35, 254, 501}, R{6, 542, 254, 23}, R{266, 6, 528, 530}, R{266, 542, 528, 23}});
    // One pixel more each way: the left third widens by one, the pane keeps its width.
    ExpectRects(
        L::Compute(801, 601, 75, 23, 40, 50),
        {R{201, 572, 75, 23}, R{282, 572, 75, 23}, R{363, 572, 75, 23}, R{444, 572, 75, 23},
         R{525, 572, 75, 23}, R{6, 6, 40, 23}, R{52, 6, 153, 23}, R{211, 6, 50, 23},
         R{6, 35, 255, 502}, R{6, 543, 255, 23}, R{267, 6, 528, 531}, R{267, 543, 528, 23}});
}

// No minimum is enforced: a narrow window's button row overhangs both sides equally, and sizes
// go negative. Division truncates toward zero, also for negative sizes.
TEST(SearchLayout, NarrowWindowsOverhangTheButtonRowEquallyAndLetSizesGoNegative) {
    const L::CRects rects = L::Compute(100, 50, 75, 23, 40, 50);
    EXPECT_EQ(rects[L::kViewPageButton].x, -149);  // the row of 399 ends at 250
    EXPECT_EQ(rects[L::kHelpButton].x, 175);
    EXPECT_EQ(rects[L::kResultList].cy, -49);
    EXPECT_EQ(L::Compute(-7, -5, 75, 23, 40, 50)[L::kBrowserPane].x, -2);
}

// Each refill is one reset; the model shares the index's text block, keeping it alive while rows
// show it, and decodes only for display.
TEST(ResultListModel, ReplacesAllLinesWithOneResetKeepsBytesAndDecodesForDisplayOnly) {
    uitest::EnsureUiApp();
    CResultListModel model;
    int nResets = 0;
    int nInserts = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, &model, [&] { ++nResets; });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &model, [&] { ++nInserts; });
    auto pTexts = std::make_shared<CLineTexts>();
    for (const char* pszText : {"Gr\xF6\xDF", "", "plain"}) {  // Windows-1252 "Größ"
        pTexts->AddLine(pszText);
    }
    std::weak_ptr<const CLineTexts> pWatch = pTexts;
    // Out of order; a number beyond the block shows as an empty line.
    model.ReplaceLines(std::move(pTexts), {2, 0, 1, 7});
    EXPECT_EQ(nResets, 1);
    EXPECT_EQ(nInserts, 0);
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_FALSE(pWatch.expired());  // the model is its last holder, as after the index cleared
    const QString shown[] = {QStringLiteral("plain"), QStringLiteral("Gr\u00F6\u00DF"), {}, {}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(model.data(model.index(i)).toString(), shown[i]) << i;
    }
    EXPECT_EQ(model.GetLine(1), "Gr\xF6\xDF");
    EXPECT_EQ(model.GetLine(4), "");

    model.ReplaceLines(nullptr, {0});
    EXPECT_EQ(nResets, 2);
    EXPECT_TRUE(pWatch.expired());
    EXPECT_EQ(model.rowCount(), 0);
}

// Local links are followed in the pane; links that leave the disk go to the default browser.
TEST_F(SearchDlgTest, BrowserPaneFollowsLocalLinksAndSendsOthersToTheDefaultBrowser) {
    std::vector<QUrl> opened;
    SetOpenUrlFn([&](const QUrl& url) { opened.push_back(url); });
    CWebBrowser pane;
    auto* pView = pane.findChild<QTextBrowser*>();
    ASSERT_NE(pView, nullptr);
    auto current = [&] { return pane.GetCurrentUrl().toLocalFile(); };
    // A path that names nothing is passed on as it is.
    pane.Navigate("/no/such/page.htm");
    EXPECT_EQ(pane.GetRequestedUrl().toLocalFile(), QStringLiteral("/no/such/page.htm"));

    pane.Navigate(m_site.Bytes("Alpha.htm").c_str());
    const std::vector<QUrl> outside = {QUrl(QStringLiteral("http://example.org/more")),
                                       QUrl(QStringLiteral("mailto:someone@example.org"))};
    for (const QUrl& url : outside) {
        emit pView->anchorClicked(url);
    }
    EXPECT_EQ(opened, outside);
    EXPECT_EQ(current(), m_site.Path("Alpha.htm"));
    // A relative link resolves against the page shown and adds to the history.
    emit pView->anchorClicked(QUrl(QStringLiteral("index.htm")));
    EXPECT_EQ(current(), m_site.Path("index.htm"));
    EXPECT_EQ(opened.size(), 2u);
    pane.GoBack();
    EXPECT_EQ(current(), m_site.Path("Alpha.htm"));
    SetOpenUrlFn({});
}

// Counts the quit requests that reach the application object, and never lets one end it.
struct CQuitCounter : QObject {
    int m_nQuits = 0;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        const bool bQuit = pEvent->type() == QEvent::Quit;
        m_nQuits += bQuit;
        return bQuit || QObject::eventFilter(pWatched, pEvent);
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

TEST(BuildIndexDlg, StopEnterEscapeAndTheCloseBoxAllStopTheBuild) {
    uitest::EnsureUiApp();
    // A chain of pages, each linking to the next: long enough to stop in the middle.
    constexpr int kPages = 200;
    CMemFileSystem fileSystem;
    for (int i = 0; i < kPages; ++i) {
        const std::string sNext = std::to_string(i + 1);
        fileSystem.SetFile("/site/p" + std::to_string(i) + ".htm",
                           "<title>Page " + std::to_string(i) + "</title>\n<a href=\"p" + sNext +
                               ".htm\">Next " + sNext + "</a>\n");
    }
    CQtIndexHost host(nullptr);
    CLinkIndex index(fileSystem, host);
    const std::pair<const char*, std::function<void(CBuildIndexDlg&)>> ways[] = {
        {"Stop button",
         [](CBuildIndexDlg& dlg) {
             dlg.findChild<QPushButton*>(QStringLiteral("stopButton"))->click();
         }},
        {"Enter", [](CBuildIndexDlg& dlg) { uitest::SendKey(&dlg, Qt::Key_Return); }},
        {"Escape", [](CBuildIndexDlg& dlg) { uitest::SendKey(&dlg, Qt::Key_Escape); }},
        {"close box", [](CBuildIndexDlg& dlg) { dlg.close(); }},
    };
    for (const auto& [pszWay, act] : ways) {
        SCOPED_TRACE(pszWay);
        QPointer<CBuildIndexDlg> pWindow;
        bool bWasRunning = false;
        uitest::CBuildWindowHand hand;
        hand.duringBuild = [&](CBuildIndexDlg& dlg) {
            pWindow = &dlg;
            bWasRunning = dlg.GetButtonText() == QStringLiteral("&Stop");
            act(dlg);
            // The links are gone at once, before the window is.
            EXPECT_EQ(dlg.GetIndex(), nullptr);
            EXPECT_EQ(index.GetProgressWnd(), nullptr);
            EXPECT_TRUE(dlg.IsDestroyed());
            EXPECT_FALSE(dlg.isVisible());
        };
        EXPECT_EQ(index.BuildIndex("/site/p0.htm", "/site/p0.idx"), 1);
        ASSERT_TRUE(bWasRunning) << "the build finished before it could be stopped";
        // A stopped build neither finishes the crawl nor saves, and waits for no Ok.
        EXPECT_LT(index.GetVisited().GetCount(), static_cast<std::size_t>(kPages));
        EXPECT_FALSE(fileSystem.GetFile("/site/p0.idx").has_value());
        EXPECT_EQ(hand.nAcknowledged, 0);
        ASSERT_FALSE(pWindow.isNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(pWindow.isNull()) << "the window object was not deleted";
    }
}

}  // namespace
}  // namespace sitefinch
