// The main window (start-up flows, the query, the result list, every command) and the parts it
// is made of: its layout rules, the result list's model, the browser pane, the Qt index host,
// and the "Build Index" window.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"
#include "platform/PathParts.h"
#include "ui/BuildIndexDlg.h"
#include "ui/QtIndexHost.h"
#include "ui/ResultListModel.h"
#include "ui/SearchDlg.h"
#include "ui/SearchLayout.h"
#include "ui/WebBrowser.h"

namespace sitefinch {

// Found by the printer through the argument's namespace, so it cannot be in the anonymous one.
static void PrintTo(const CLayoutRect& r, std::ostream* pOut) {
    *pOut << '(' << r.x << ", " << r.y << ", " << r.cx << ", " << r.cy << ')';
}

namespace {

const QString kCreateQuestion = QStringLiteral("Question 33: Create index file?");

// While it lives, answers message boxes (OK while bOk) and the file dialog (with file; "" is a
// cancel), and records each as shown: "Caption TYPE: text" or "file dialog". Only one may live
// at a time: the one destroyed leaves dialogs refused.
struct CDialogAnswers {
    CDialogAnswers() {
        SetMessageBoxFn([this](QWidget*, const QString& text, const QString& caption, unsigned n) {
            shown << QStringLiteral("%1 %2: %3").arg(caption).arg(n).arg(text);
            return bOk;
        });
        SetOpenFileFn([this](QWidget*) {
            shown << QStringLiteral("file dialog");
            return file;
        });
    }
    ~CDialogAnswers() { uitest::EnsureUiApp(); }

    bool bOk = true;
    QString file;
    QStringList shown;
};

// While it lives, acknowledges every build window once its build has finished (the button
// reads "&Ok"), as a person would; the build waits for that. duringBuild, when set, runs once
// inside the first build, while it is running, to try things a person might do meanwhile.
struct CBuildWindowHand {
    CBuildWindowHand() {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            for (QWidget* pWidget : QApplication::topLevelWidgets()) {
                auto* pDlg = qobject_cast<CBuildIndexDlg*>(pWidget);
                if (pDlg == nullptr || pDlg->IsDestroyed() || pDlg->GetIndex() == nullptr) {
                    continue;
                }
                if (duringBuild) {
                    std::exchange(duringBuild, nullptr)(*pDlg);
                } else if (pDlg->GetButtonText() == QStringLiteral("&Ok")) {
                    ++nAcknowledged;
                    pDlg->OnOK();
                }
            }
        });
        timer.start(0);
    }

    QTimer timer;
    std::function<void(CBuildIndexDlg&)> duringBuild;
    int nAcknowledged = 0;
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
        const QByteArray text = '"' + QFile::encodeName(Path(pszStartPage)) + '"';
        return query.isEmpty() ? text : text + " \"" + query + '"';
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
        CBuildWindowHand hand;
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
    // The help page is the executable's own name with ".htm", beside it.
    const QString help = QCoreApplication::applicationFilePath() + QStringLiteral(".htm");
    const QByteArray name(kMaxPathCapacity - 6, 'x');  // "/NAME.htm" is the longest start page
    const struct {
        QByteArray text;
        QStringList shown;
        QString pane;
    } cases[] = {
        {"", {}, help},
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
    // Help shows the same page whatever is loaded.
    m_pDlg->GetBrowser().Navigate(Bytes("Alpha.htm").c_str());
    Button("helpButton")->click();
    EXPECT_EQ(Shown(), help);
}

// The index file is built once and then loaded without a question; the start page handed over
// again, in any ASCII case, is not even reloaded, but its query applies.
TEST_F(SearchDlgTest, AStartPageIsBuiltOnceThenLoadedAndNotReloadedWhenHandedOverAgain) {
    StartBuilt();
    EXPECT_EQ(m_pDlg->GetStartPageLineText(), Path("index.htm"));
    EXPECT_EQ(static_cast<std::size_t>(Rows()), Entries());
    const std::size_t nAll = Entries();
    m_pDlg.reset();

    CDialogAnswers answers;
    CSearchDlg& dlg = Start(CommandLine("index.htm", "ALPHA"));
    EXPECT_EQ(dlg.GetStartPage(), Bytes("index.htm"));
    EXPECT_EQ(Entries(), nAll);
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("ALPHA"));
    EXPECT_TRUE(IndexOf("Alpha page").isValid());
    EXPECT_FALSE(IndexOf("Gamma page").isValid());

    // Were the index file loaded again, the index would now be empty.
    QFile::resize(Path("index.idx"), 0);
    EXPECT_EQ(dlg.OnCommandLine(CommandLine("index.htm", "gamma").toUpper()), 0);
    EXPECT_EQ(Entries(), nAll);
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("GAMMA"));
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
    EXPECT_EQ(Shown(), QString());  // the pane waits for a command
    QString typed;
    for (const char c : std::string("alpz")) {
        typed += QLatin1Char(c);
        SendKey(QueryBox(), Qt::Key_A + (c - 'a'), typed.right(1));
        SCOPED_TRACE(typed.toStdString());
        EXPECT_EQ(QueryBox()->text(), typed);
        int nExpected = 0;
        for (const CEntryNode* p = dlg.GetIndex().GetTree().GetHead(); p; p = p->m_pNext) {
            nExpected +=
                QString::fromLatin1(p->m_pEntry->GetText()).contains(typed, Qt::CaseInsensitive);
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
    const QString alpha = Path("Alpha.htm");
    const QModelIndex second = IndexOf("Alpha second part");
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Enter in the query box", [&] { SendKey(QueryBox(), Qt::Key_Return); }},
        {"Enter in the list", [&] { SendKey(ResultList(), Qt::Key_Return); }},
        {"View Page", [&] { Button("viewPageButton")->click(); }},
        {"double click", [&] { emit ResultList()->doubleClicked(second); }},
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

TEST_F(SearchDlgTest, RebuildDoesNothingBeforeALoadAndAsksAfterwards) {
    Start("\"\" \"x\"");
    Button("rebuildButton")->click();  // a question here would fail the test
    StartBuilt();
    const int nEntries = Rows();
    CDialogAnswers answers;
    QueryBox()->setText(QStringLiteral("gamma"));
    answers.bOk = false;
    Button("rebuildButton")->click();
    EXPECT_EQ(answers.shown, QStringList{QStringLiteral("Question 33: Rebuild index file?")});
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("gamma"));
    // OK: rebuilt, saved again, query cleared, every entry listed.
    answers.bOk = true;
    QFile::remove(Path("index.idx"));
    CBuildWindowHand hand;
    Button("rebuildButton")->click();
    EXPECT_EQ(hand.nAcknowledged, 1);
    EXPECT_TRUE(IndexFileExists());
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(Rows(), nEntries);
}

TEST_F(SearchDlgTest, ChooseStartPageLoadsAnExistingIndexAndAsksOtherwise) {
    StartBuilt();
    CDialogAnswers answers;
    CSearchDlg& dlg = Start("\"\" \"alpha\"");
    Button("chooseButton")->click();  // cancelled: nothing changes
    EXPECT_EQ(answers.shown, QStringList{QStringLiteral("file dialog")});
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("alpha"));

    // An index file exists: loaded without a question; query cleared, all listed.
    answers.file = Path("index.htm");
    Button("chooseButton")->click();
    EXPECT_EQ(answers.shown.size(), 2);
    EXPECT_EQ(dlg.GetStartPage(), Bytes("index.htm"));
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(static_cast<std::size_t>(Rows()), Entries());

    // No index file: asked; declined, the loaded index and start page stay.
    answers.file = Path("Alpha.htm");
    answers.bOk = false;
    const int nRows = Rows();
    QueryBox()->setText(QStringLiteral("home"));
    Button("chooseButton")->click();
    EXPECT_EQ(answers.shown.mid(2), (QStringList{QStringLiteral("file dialog"), kCreateQuestion}));
    EXPECT_EQ(dlg.GetStartPage(), Bytes("index.htm"));
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(Rows(), nRows);
}

TEST_F(SearchDlgTest, WhileABuildRunsNestedOperationsAreRefusedAndCloseWaits) {
    CDialogAnswers answers;
    CBuildWindowHand hand;
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
// show it, and decodes only for display. A number beyond the block shows as an empty line.
TEST(ResultListModel, ReplacesAllLinesWithOneResetKeepsBytesAndDecodesForDisplayOnly) {
    uitest::EnsureUiApp();
    CResultListModel model;
    int nResets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, &model, [&] { ++nResets; });
    auto pTexts = std::make_shared<CLineTexts>();
    pTexts->AddLine("Gr\xF6\xDF");  // Windows-1252 "Größ"
    pTexts->AddLine("plain");
    model.ReplaceLines(std::move(pTexts), {1, 0, 7});
    EXPECT_EQ(nResets, 1);
    QStringList shown;
    for (int i = 0; i < model.rowCount(); ++i) {
        shown << model.data(model.index(i)).toString();
    }
    EXPECT_EQ(shown, (QStringList{"plain", "Gr\u00F6\u00DF", ""}));
    EXPECT_EQ(model.GetLine(1), "Gr\xF6\xDF");
    EXPECT_EQ(model.GetLine(3), "");

    model.ReplaceLines(nullptr, {0});
    EXPECT_EQ(nResets, 2);
    EXPECT_EQ(model.rowCount(), 0);
}

// Local links are followed in the pane; links that leave the disk go to the default browser.
TEST_F(SearchDlgTest, BrowserPaneFollowsLocalLinksAndSendsOthersToTheDefaultBrowser) {
    std::vector<QUrl> opened;
    SetOpenUrlFn([&](const QUrl& url) { opened.push_back(url); });
    CWebBrowser pane;
    auto* pView = pane.findChild<QTextBrowser*>();
    ASSERT_NE(pView, nullptr);
    // A path that names nothing is passed on as it is.
    pane.Navigate("/no/such/page.htm");
    EXPECT_EQ(pane.GetRequestedUrl().toLocalFile(), QStringLiteral("/no/such/page.htm"));

    pane.Navigate(Bytes("Alpha.htm").c_str());
    const std::vector<QUrl> outside = {QUrl(QStringLiteral("http://example.org/more")),
                                       QUrl(QStringLiteral("mailto:someone@example.org"))};
    for (const QUrl& url : outside) {
        emit pView->anchorClicked(url);
    }
    EXPECT_EQ(opened, outside);
    EXPECT_EQ(pane.GetCurrentUrl().toLocalFile(), Path("Alpha.htm"));
    // A relative link resolves against the page shown and adds to the history.
    emit pView->anchorClicked(QUrl(QStringLiteral("index.htm")));
    EXPECT_EQ(pane.GetCurrentUrl().toLocalFile(), Path("index.htm"));
    EXPECT_EQ(opened.size(), 2u);
    SetOpenUrlFn({});
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

TEST(BuildIndexDlg, StopEnterEscapeAndTheCloseBoxAllStopTheBuild) {
    uitest::EnsureUiApp();
    // A chain of pages, each linking to the next: long enough to stop in the middle.
    constexpr int kPages = 200;
    CMemFileSystem fileSystem;
    for (int i = 0; i < kPages; ++i) {
        const std::string sNext = std::to_string(i + 1);
        fileSystem.SetFile("/site/p" + std::to_string(i) + ".htm",
                           "<a href=\"p" + sNext + ".htm\">Next " + sNext + "</a>\n");
    }
    CQtIndexHost host(nullptr);
    CLinkIndex index(fileSystem, host);
    const std::pair<const char*, std::function<void(CBuildIndexDlg&)>> ways[] = {
        {"Stop button", [](CBuildIndexDlg& dlg) { dlg.findChild<QPushButton*>()->click(); }},
        {"Enter", [](CBuildIndexDlg& dlg) { SendKey(&dlg, Qt::Key_Return); }},
        {"Escape", [](CBuildIndexDlg& dlg) { SendKey(&dlg, Qt::Key_Escape); }},
        {"close box", [](CBuildIndexDlg& dlg) { dlg.close(); }},
    };
    for (const auto& [pszWay, act] : ways) {
        SCOPED_TRACE(pszWay);
        QPointer<CBuildIndexDlg> pWindow;
        bool bWasRunning = false;
        CBuildWindowHand hand;
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
        EXPECT_EQ(hand.nAcknowledged, 0) << "a stopped build waits for no Ok";
        ASSERT_FALSE(pWindow.isNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(pWindow.isNull()) << "the window object was not deleted";
    }
}

}  // namespace
}  // namespace sitefinch
