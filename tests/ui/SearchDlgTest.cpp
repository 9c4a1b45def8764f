// The main window: start-up flows, the query, the result list, and every command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <memory>
#include <string>

#include "UiTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/PathParts.h"
#include "ui/ResultListModel.h"
#include "ui/SearchDlg.h"
#include "ui/WebBrowser.h"

namespace sitefinch {
namespace {

void SendKey(QWidget* pWidget, int nKey, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier, text);
    QApplication::sendEvent(pWidget, &press);
    QKeyEvent release(QEvent::KeyRelease, nKey, Qt::NoModifier, text);
    QApplication::sendEvent(pWidget, &release);
}

class SearchDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureUiApp();
        ASSERT_TRUE(m_site.IsValid());
    }
    void TearDown() override {
        m_pDlg.reset();
        uitest::FlushDeferredDeletes();
    }

    // A main window initialised with the command line, as the application starts it.
    CSearchDlg& Start(const QByteArray& commandLine) {
        m_pDlg = std::make_unique<CSearchDlg>(commandLine);
        m_pDlg->OnInitDialog();
        return *m_pDlg;
    }
    // A main window with the test site's index built (and saved) at start-up.
    CSearchDlg& StartWithBuiltIndex() {
        uitest::CMessageBoxAnswers answers;
        uitest::CBuildWindowHand hand;
        CSearchDlg& dlg = Start(m_site.CommandLine(QStringLiteral("index.htm")));
        EXPECT_EQ(answers.Texts(), QStringList{QStringLiteral("Create index file?")});
        EXPECT_EQ(hand.Acknowledged(), 1);
        return dlg;
    }

    QLineEdit* QueryBox() { return m_pDlg->findChild<QLineEdit*>(QStringLiteral("queryBox")); }
    QListView* ResultList() { return m_pDlg->findChild<QListView*>(QStringLiteral("resultList")); }
    QPushButton* Button(const char* pszName) {
        return m_pDlg->findChild<QPushButton*>(QString::fromLatin1(pszName));
    }
    int Rows() { return m_pDlg->GetResultModel().rowCount(); }
    std::string Line(int nRow) { return std::string(m_pDlg->GetResultModel().GetLine(nRow)); }
    int RowOf(const char* pszText) {
        for (int i = 0; i < Rows(); ++i) {
            if (Line(i) == pszText) {
                return i;
            }
        }
        return -1;
    }
    void Select(int nRow) {
        ResultList()->selectionModel()->select(m_pDlg->GetResultModel().index(nRow),
                                               QItemSelectionModel::ClearAndSelect);
    }
    bool HasSelection() { return ResultList()->selectionModel()->hasSelection(); }
    QString Shown() { return m_pDlg->GetBrowser().GetRequestedUrl().toLocalFile(); }
    bool IndexFileExists() { return QFile::exists(m_site.Path(QStringLiteral("index.idx"))); }

    uitest::CTempSite m_site;
    std::unique_ptr<CSearchDlg> m_pDlg;
};

TEST_F(SearchDlgTest, WithoutACommandLineTheHelpPageIsShownAndNothingLoaded) {
    uitest::CMessageBoxAnswers answers;
    CSearchDlg& dlg = Start(QByteArray());
    EXPECT_TRUE(answers.Shown().empty());
    EXPECT_EQ(dlg.GetStartPage(), "");
    EXPECT_EQ(QueryBox()->text(), QString());
    // The executable's own name with ".htm", beside it.
    CPathParts parts;
    SplitPath(GetExecutablePath().c_str(), parts);
    const QString expected =
        QFile::decodeName((std::string(parts.szDir) + parts.szFileName + ".htm").c_str());
    EXPECT_EQ(Shown(), expected);
    // Help shows the same page whatever is loaded.
    dlg.GetBrowser().Navigate(m_site.Bytes(QStringLiteral("Alpha.htm")).c_str());
    Button("helpButton")->click();
    EXPECT_EQ(Shown(), expected);
}

TEST_F(SearchDlgTest, AQueryAloneFillsTheQueryBoxAndShowsNoHelp) {
    uitest::CMessageBoxAnswers answers;
    CSearchDlg& dlg = Start("\"\" \"alp\"");
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("alp"));
    EXPECT_TRUE(answers.Shown().empty());
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(dlg.GetBrowser().GetRequestedUrl().isEmpty());
}

TEST_F(SearchDlgTest, AStartPageWithoutIndexIsBuiltOnOkAndListsEveryEntry) {
    CSearchDlg& dlg = StartWithBuiltIndex();
    EXPECT_TRUE(IndexFileExists());
    EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes(QStringLiteral("index.htm")));
    EXPECT_EQ(dlg.GetStartPageLineText(), m_site.Path(QStringLiteral("index.htm")));
    EXPECT_EQ(static_cast<std::size_t>(Rows()), dlg.GetIndex().GetTree().GetCount());
    for (const char* pszText : {"Finch Home", "Alpha", "Alpha page", "Gamma page", "Back home"}) {
        EXPECT_GE(RowOf(pszText), 0) << pszText;
    }
    EXPECT_LT(RowOf("Outside world"), 0);
    EXPECT_FALSE(dlg.IsBusy());
}

TEST_F(SearchDlgTest, AStartPageWhoseIndexIsDeclinedLoadsNothing) {
    uitest::CMessageBoxAnswers answers(false);
    CSearchDlg& dlg = Start(m_site.CommandLine(QStringLiteral("index.htm"), "alpha"));
    EXPECT_EQ(answers.Texts(), QStringList{QStringLiteral("Create index file?")});
    EXPECT_EQ(answers.Shown().front().caption, QStringLiteral("Question"));
    EXPECT_EQ(answers.Shown().front().type, 33u);
    EXPECT_FALSE(IndexFileExists());
    EXPECT_EQ(dlg.GetStartPage(), "");
    // The query is still applied.
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("alpha"));
}

TEST_F(SearchDlgTest, AStartPageWithAnIndexIsLoadedWithoutAQuestionAndTheQueryApplied) {
    StartWithBuiltIndex();
    const int nAll = Rows();
    m_pDlg.reset();

    uitest::CMessageBoxAnswers answers;
    CSearchDlg& dlg = Start(m_site.CommandLine(QStringLiteral("index.htm"), "ALPHA"));
    EXPECT_TRUE(answers.Shown().empty());
    EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes(QStringLiteral("index.htm")));
    EXPECT_EQ(static_cast<int>(dlg.GetIndex().GetTree().GetCount()), nAll);
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("ALPHA"));
    ASSERT_GT(Rows(), 0);
    for (int i = 0; i < Rows(); ++i) {
        EXPECT_NE(QString::fromStdString(Line(i)).indexOf(QStringLiteral("alpha"), 0,
                                                          Qt::CaseInsensitive),
                  -1)
            << Line(i);
    }
}

TEST_F(SearchDlgTest, TheSameStartPageHandedOverAgainIsNotReloadedButItsQueryApplies) {
    CSearchDlg& dlg = StartWithBuiltIndex();
    const std::size_t nEntries = dlg.GetIndex().GetTree().GetCount();
    // Were the index file loaded again, the index would now be empty.
    QFile file(m_site.Path(QStringLiteral("index.idx")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.close();

    uitest::CMessageBoxAnswers answers;
    QByteArray text = m_site.CommandLine(QStringLiteral("index.htm"), "gamma");
    text = text.toUpper();  // ASCII case does not make another start page
    text.replace("GAMMA", "gamma");
    EXPECT_EQ(dlg.OnCommandLine(text), 0);
    EXPECT_TRUE(answers.Shown().empty());
    EXPECT_EQ(dlg.GetIndex().GetTree().GetCount(), nEntries);
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("gamma"));
    EXPECT_GE(RowOf("Gamma page"), 0);

    // An empty hand-over shows the help page and loads nothing.
    dlg.GetBrowser().Navigate("");
    dlg.OnCommandLine(QByteArray());
    EXPECT_TRUE(Shown().endsWith(QStringLiteral(".htm")));
    EXPECT_EQ(dlg.GetIndex().GetTree().GetCount(), nEntries);
}

TEST_F(SearchDlgTest, TypingRefiltersOnEveryKeystrokeAndClearListsAll) {
    CSearchDlg& dlg = StartWithBuiltIndex();
    const int nAll = Rows();
    QLineEdit* pQuery = QueryBox();
    const struct {
        int nKey;
        const char* pszText;
    } keys[] = {{Qt::Key_G, "g"}, {Qt::Key_A, "a"}, {Qt::Key_M, "m"}, {Qt::Key_Z, "z"}};
    std::string sTyped;
    for (const auto& key : keys) {
        SendKey(pQuery, key.nKey, QString::fromLatin1(key.pszText));
        sTyped += key.pszText;
        SCOPED_TRACE(sTyped);
        EXPECT_EQ(pQuery->text().toStdString(), sTyped);
        int nExpected = 0;
        for (const CEntryNode* p = dlg.GetIndex().GetTree().GetHead(); p; p = p->m_pNext) {
            nExpected += QString::fromLatin1(p->m_pEntry->GetText())
                             .contains(QString::fromStdString(sTyped), Qt::CaseInsensitive);
        }
        EXPECT_EQ(Rows(), nExpected);
    }
    EXPECT_EQ(Rows(), 0);  // "gamz" matches nothing

    Button("clearButton")->click();
    EXPECT_EQ(pQuery->text(), QString());
    EXPECT_EQ(Rows(), nAll);
}

TEST_F(SearchDlgTest, AQueryLongerThan99CharactersFiltersByItsFirst99) {
    // An index whose one entry has a text longer than any query.
    const QByteArray text = QByteArray(98, 'q') + "AB" + QByteArray(20, 'r');
    QFile file(m_site.Path(QStringLiteral("long.idx")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text + "\r\n@/nowhere/long.htm\r\n");
    file.close();
    uitest::CMessageBoxAnswers answers;
    Start(m_site.CommandLine(QStringLiteral("long.htm")));
    ASSERT_TRUE(answers.Shown().empty());
    ASSERT_EQ(Rows(), 1);

    const struct {
        QString query;
        int nRows;
    } cases[] = {
        // 98 "q" and "a": found; a 100th character that does not match is not read.
        {QString(98, u'q') + QStringLiteral("aZ"), 1},
        {QString(98, u'q') + QStringLiteral("a") + QString(50, u'Z'), 1},
        // The 99th character still counts.
        {QString(98, u'q') + QStringLiteral("Z"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query.toStdString());
        QueryBox()->setText(c.query);
        EXPECT_EQ(QueryBox()->text(), c.query);  // the box keeps the whole text
        EXPECT_EQ(Rows(), c.nRows);
    }
}

TEST_F(SearchDlgTest, ASelectionShowsItsTargetAndARefilterSelectsNothing) {
    CSearchDlg& dlg = StartWithBuiltIndex();
    const int nRow = RowOf("Alpha second part");
    ASSERT_GE(nRow, 0);
    const QString shownBefore = Shown();
    Select(nRow);
    const QString target = QString::fromLatin1(dlg.GetIndex().GetTargetAt(nRow));
    EXPECT_TRUE(target.endsWith(QStringLiteral("alpha.htm#second"))) << target.toStdString();
    EXPECT_EQ(dlg.GetTargetLineText(), target);
    EXPECT_EQ(Shown(), shownBefore);  // the pane waits for View Page

    SendKey(QueryBox(), Qt::Key_S, QStringLiteral("s"));
    EXPECT_FALSE(HasSelection());
    EXPECT_EQ(dlg.GetTargetLineText(), target);
    // Enter right after typing opens nothing: no line is selected.
    SendKey(QueryBox(), Qt::Key_Return);
    EXPECT_EQ(Shown(), shownBefore);
}

TEST_F(SearchDlgTest, EnterViewPageAndDoubleClickOpenTheSelectedEntryAndNeverClose) {
    CSearchDlg& dlg = StartWithBuiltIndex();
    int nAccepted = 0;
    int nRejected = 0;
    QObject::connect(&dlg, &QDialog::accepted, &dlg, [&] { ++nAccepted; });
    QObject::connect(&dlg, &QDialog::rejected, &dlg, [&] { ++nRejected; });
    dlg.show();
    const QString alpha = m_site.Path(QStringLiteral("Alpha.htm"));
    const QString gamma = m_site.Path(QStringLiteral("Sub/Gamma.html"));
    const QString home = m_site.Path(QStringLiteral("index.htm"));

    // Enter in the query box; the fragment is dropped and the path found on disk.
    Select(RowOf("Alpha second part"));
    SendKey(QueryBox(), Qt::Key_Return);
    EXPECT_EQ(Shown(), alpha);
    EXPECT_EQ(dlg.GetBrowser().GetCurrentUrl().toLocalFile(), alpha);

    // Enter in the result list.
    Select(RowOf("Gamma page"));
    SendKey(ResultList(), Qt::Key_Return);
    EXPECT_EQ(Shown(), gamma);

    // The View Page button, and a double-click.
    Select(RowOf("Back home"));
    Button("viewPageButton")->click();
    EXPECT_EQ(Shown(), home);
    Select(RowOf("Alpha page"));
    emit ResultList()->doubleClicked(dlg.GetResultModel().index(RowOf("Alpha page")));
    EXPECT_EQ(Shown(), alpha);

    // View Previous Page goes back in the pane's history.
    Button("previousButton")->click();
    EXPECT_EQ(dlg.GetBrowser().GetCurrentUrl().toLocalFile(), home);

    // Without a selection nothing opens.
    Button("clearButton")->click();
    Button("viewPageButton")->click();
    SendKey(QueryBox(), Qt::Key_Return);
    EXPECT_EQ(Shown(), alpha);

    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(nAccepted, 0);
    EXPECT_EQ(nRejected, 0);
}

TEST_F(SearchDlgTest, EscapeClosesTheWindowEvenFromTheQueryBox) {
    CSearchDlg& dlg = Start("\"\" \"x\"");
    int nRejected = 0;
    QObject::connect(&dlg, &QDialog::rejected, &dlg, [&] { ++nRejected; });
    dlg.show();
    SendKey(QueryBox(), Qt::Key_Escape);
    EXPECT_EQ(nRejected, 1);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(SearchDlgTest, RebuildDoesNothingBeforeALoadAndAsksAfterwards) {
    {
        uitest::CMessageBoxAnswers answers;
        Start("\"\" \"x\"");
        Button("rebuildButton")->click();
        EXPECT_TRUE(answers.Shown().empty());
        m_pDlg.reset();
    }
    CSearchDlg& dlg = StartWithBuiltIndex();
    uitest::CMessageBoxAnswers answers;
    const std::size_t nEntries = dlg.GetIndex().GetTree().GetCount();
    QueryBox()->setText(QStringLiteral("gamma"));

    // Cancel: nothing happens.
    answers.Answer(false);
    Button("rebuildButton")->click();
    ASSERT_EQ(answers.Texts(), QStringList{QStringLiteral("Rebuild index file?")});
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("gamma"));

    // OK: rebuilt, saved again, query cleared, every entry listed.
    QFile::remove(m_site.Path(QStringLiteral("index.idx")));
    uitest::CBuildWindowHand hand;
    Button("rebuildButton")->click();
    EXPECT_EQ(hand.Acknowledged(), 1);
    EXPECT_TRUE(IndexFileExists());
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(static_cast<std::size_t>(Rows()), nEntries);
}

TEST_F(SearchDlgTest, ChooseStartPageLoadsAnExistingIndexAndAsksOtherwise) {
    StartWithBuiltIndex();
    m_pDlg.reset();
    uitest::CMessageBoxAnswers answers;
    CSearchDlg& dlg = Start("\"\" \"alpha\"");

    {  // Cancelling the file dialog changes nothing.
        uitest::CFileDialogAnswer cancelled{QString()};
        Button("chooseButton")->click();
        EXPECT_EQ(cancelled.Calls(), 1);
        EXPECT_EQ(QueryBox()->text(), QStringLiteral("alpha"));
    }
    {  // An index file exists: loaded without a question; query cleared, all listed.
        uitest::CFileDialogAnswer chosen{m_site.Path(QStringLiteral("index.htm"))};
        Button("chooseButton")->click();
        EXPECT_TRUE(answers.Shown().empty());
        EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes(QStringLiteral("index.htm")));
        EXPECT_EQ(QueryBox()->text(), QString());
        EXPECT_EQ(static_cast<std::size_t>(Rows()), dlg.GetIndex().GetTree().GetCount());
        EXPECT_GT(Rows(), 0);
    }
    {  // No index file: asked; declined, the loaded index and start page stay.
        uitest::CFileDialogAnswer chosen{m_site.Path(QStringLiteral("Alpha.htm"))};
        const int nRows = Rows();
        answers.Answer(false);
        QueryBox()->setText(QStringLiteral("home"));
        Button("chooseButton")->click();
        EXPECT_EQ(answers.Texts(), QStringList{QStringLiteral("Create index file?")});
        EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes(QStringLiteral("index.htm")));
        EXPECT_EQ(QueryBox()->text(), QString());
        EXPECT_EQ(Rows(), nRows);
    }
}

TEST_F(SearchDlgTest, WhileABuildRunsNestedOperationsAreRefusedAndCloseWaits) {
    uitest::CMessageBoxAnswers answers;
    uitest::CBuildWindowHand hand;
    int nRejected = 0;
    int nFinished = 0;
    bool bChecked = false;
    m_pDlg = std::make_unique<CSearchDlg>(m_site.CommandLine(QStringLiteral("index.htm")));
    CSearchDlg& dlg = *m_pDlg;
    QObject::connect(&dlg, &QDialog::rejected, &dlg, [&] { ++nRejected; });
    QObject::connect(&dlg, &CSearchDlg::operationFinished, &dlg, [&] { ++nFinished; });
    hand.DuringBuild([&](CBuildIndexDlg&) {
        bChecked = true;
        EXPECT_TRUE(dlg.IsBusy());
        EXPECT_FALSE(Button("rebuildButton")->isEnabled());
        EXPECT_FALSE(Button("chooseButton")->isEnabled());
        // A start page or a rebuild arriving now starts nothing.
        const std::size_t nQuestions = answers.Shown().size();
        dlg.OpenStartPage(m_site.Bytes(QStringLiteral("Alpha.htm")).c_str());
        dlg.OnRebuildIndex();
        EXPECT_EQ(answers.Shown().size(), nQuestions);
        // The query box keeps working; the half-built index lists nothing yet.
        QueryBox()->setText(QStringLiteral("a"));
        EXPECT_EQ(Rows(), 0);
        // The close box: remembered, not done.
        dlg.reject();
        EXPECT_EQ(nRejected, 0);
        EXPECT_TRUE(dlg.IsCloseRequested());
    });
    dlg.OnInitDialog();
    EXPECT_TRUE(bChecked);
    EXPECT_FALSE(dlg.IsBusy());
    EXPECT_TRUE(Button("rebuildButton")->isEnabled());
    EXPECT_TRUE(Button("chooseButton")->isEnabled());
    EXPECT_EQ(nRejected, 1);  // the close took effect once the build had returned
    EXPECT_GE(nFinished, 1);
    EXPECT_TRUE(IndexFileExists());
}

TEST_F(SearchDlgTest, ResizingPlacesTheControlsByTheLayoutRules) {
    CSearchDlg& dlg = Start("\"\" \"x\"");
    dlg.show();
    dlg.resize(800, 600);
    QApplication::processEvents();
    const QSize client = dlg.size();
    const QWidget* pView = Button("viewPageButton");
    const int W3 = client.width() / 3;
    EXPECT_EQ(pView->y(), client.height() - pView->height() - 6);
    EXPECT_EQ(ResultList()->geometry(),
              QRect(6, pView->height() + 12, W3 - 12, client.height() - 3 * pView->height() - 30));
    const QWidget* pPane = &dlg.GetBrowser();
    EXPECT_EQ(pPane->geometry(),
              QRect(W3, 6, client.width() - W3 - 6, client.height() - 2 * pView->height() - 24));
    // Too small for the controls: sizes clamp to zero instead of going negative.
    dlg.OnSize(40, 30);
    EXPECT_EQ(ResultList()->height(), 0);
    EXPECT_EQ(QueryBox()->width(), 0);
}

}  // namespace
}  // namespace sitefinch
