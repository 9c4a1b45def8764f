// The main window: start-up flows, the query, the result list, and every command.
#include <gtest/gtest.h>

#include <QFile>
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

using uitest::SendKey;
const QStringList kCreateQuestion{QStringLiteral("Create index file?")};

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
    // A main window whose start page had no index: it asks, builds and saves it, lists it all.
    CSearchDlg& StartWithBuiltIndex() {
        uitest::CMessageBoxAnswers answers;
        uitest::CBuildWindowHand hand;
        CSearchDlg& dlg = Start(m_site.CommandLine(QStringLiteral("index.htm")));
        EXPECT_EQ(answers.Texts(), kCreateQuestion);
        EXPECT_EQ(hand.Acknowledged(), 1);
        EXPECT_TRUE(IndexFileExists());
        EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes(QStringLiteral("index.htm")));
        EXPECT_EQ(static_cast<std::size_t>(Rows()), dlg.GetIndex().GetTree().GetCount());
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
    void Select(const char* pszText) {
        ResultList()->selectionModel()->select(m_pDlg->GetResultModel().index(RowOf(pszText)),
                                               QItemSelectionModel::ClearAndSelect);
    }
    QString Shown() { return m_pDlg->GetBrowser().GetRequestedUrl().toLocalFile(); }
    bool IndexFileExists() { return QFile::exists(m_site.Path(QStringLiteral("index.idx"))); }

    uitest::CTempSite m_site;
    std::unique_ptr<CSearchDlg> m_pDlg;
};

TEST_F(SearchDlgTest, WithoutAStartPageNothingIsLoadedAndOnlyAnEmptyLineShowsHelp) {
    // The executable's own name with ".htm", beside it.
    CPathParts parts;
    SplitPath(GetExecutablePath().c_str(), parts);
    const QString help =
        QFile::decodeName((std::string(parts.szDir) + parts.szFileName + ".htm").c_str());
    for (const QByteArray& text : {QByteArray(), QByteArray("\"\" \"alp\"")}) {
        SCOPED_TRACE(text.toStdString());
        uitest::CMessageBoxAnswers answers;
        CSearchDlg& dlg = Start(text);
        EXPECT_TRUE(answers.Shown().empty());
        EXPECT_EQ(dlg.GetStartPage(), "");
        EXPECT_EQ(Rows(), 0);
        EXPECT_EQ(QueryBox()->text(), text.isEmpty() ? QString() : QStringLiteral("alp"));
        EXPECT_EQ(Shown(), text.isEmpty() ? help : QString());
    }
    // Help shows the same page whatever is loaded.
    m_pDlg->GetBrowser().Navigate(m_site.Bytes(QStringLiteral("Alpha.htm")).c_str());
    Button("helpButton")->click();
    EXPECT_EQ(Shown(), help);
}

TEST_F(SearchDlgTest, AStartPageWhoseIndexIsDeclinedLoadsNothingButAppliesTheQuery) {
    uitest::CMessageBoxAnswers answers(false);
    CSearchDlg& dlg = Start(m_site.CommandLine(QStringLiteral("index.htm"), "alpha"));
    EXPECT_EQ(answers.Texts(), kCreateQuestion);
    EXPECT_EQ(answers.Shown().front().caption, QStringLiteral("Question"));
    EXPECT_EQ(answers.Shown().front().type, 33u);
    EXPECT_FALSE(IndexFileExists());
    EXPECT_EQ(dlg.GetStartPage(), "");
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("alpha"));
}

// Without an index file the start page's index is built on OK and lists every entry; the next
// start finds the file and loads it without a question.
TEST_F(SearchDlgTest, AStartPageIsBuiltOnceAndThenLoadedWithTheQueryApplied) {
    CSearchDlg& built = StartWithBuiltIndex();
    EXPECT_EQ(built.GetStartPageLineText(), m_site.Path(QStringLiteral("index.htm")));
    for (const char* pszText : {"Finch Home", "Alpha", "Alpha page", "Gamma page", "Back home"}) {
        EXPECT_GE(RowOf(pszText), 0) << pszText;
    }
    EXPECT_LT(RowOf("Outside world"), 0);
    EXPECT_FALSE(built.IsBusy());
    const std::size_t nAll = built.GetIndex().GetTree().GetCount();
    m_pDlg.reset();
    uitest::CMessageBoxAnswers answers;
    CSearchDlg& dlg = Start(m_site.CommandLine(QStringLiteral("index.htm"), "ALPHA"));
    EXPECT_TRUE(answers.Shown().empty());
    EXPECT_EQ(dlg.GetStartPage(), m_site.Bytes(QStringLiteral("index.htm")));
    EXPECT_EQ(dlg.GetIndex().GetTree().GetCount(), nAll);
    EXPECT_EQ(QueryBox()->text(), QStringLiteral("ALPHA"));
    ASSERT_GT(Rows(), 0);
    for (int i = 0; i < Rows(); ++i) {
        EXPECT_TRUE(
            QString::fromStdString(Line(i)).contains(QStringLiteral("alpha"), Qt::CaseInsensitive))
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
    // ASCII case does not make another start page.
    QByteArray text = m_site.CommandLine(QStringLiteral("index.htm")).toUpper() + " \"gamma\"";
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
    std::string sTyped;
    for (const char c : std::string("gamz")) {
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
    }
    EXPECT_EQ(Rows(), 0);  // "gamz" matches nothing
    Button("clearButton")->click();
    EXPECT_EQ(QueryBox()->text(), QString());
    EXPECT_EQ(Rows(), nAll);
}

TEST_F(SearchDlgTest, EnterViewPageAndDoubleClickOpenTheSelectedEntryAndOnlyEscapeCloses) {
    CSearchDlg& dlg = StartWithBuiltIndex();
    int nAccepted = 0;
    int nRejected = 0;
    QObject::connect(&dlg, &QDialog::accepted, &dlg, [&] { ++nAccepted; });
    QObject::connect(&dlg, &QDialog::rejected, &dlg, [&] { ++nRejected; });
    dlg.show();
    const QString alpha = m_site.Path(QStringLiteral("Alpha.htm"));
    const QString home = m_site.Path(QStringLiteral("index.htm"));

    // A selection shows its target in the target line; the pane waits for a command.
    const QString shownBefore = Shown();
    Select("Alpha second part");
    const QString target = dlg.GetTargetLineText();
    EXPECT_TRUE(target.endsWith(QStringLiteral("alpha.htm#second"))) << target.toStdString();
    EXPECT_EQ(target, QString::fromLatin1(dlg.GetIndex().GetTargetAt(RowOf("Alpha second part"))));
    EXPECT_EQ(Shown(), shownBefore);
    // A keystroke refilters and selects nothing: Enter right after it opens nothing.
    SendKey(QueryBox(), Qt::Key_S, QStringLiteral("s"));
    EXPECT_FALSE(ResultList()->selectionModel()->hasSelection());
    EXPECT_EQ(dlg.GetTargetLineText(), target);
    SendKey(QueryBox(), Qt::Key_Return);
    EXPECT_EQ(Shown(), shownBefore);
    Button("clearButton")->click();

    // Enter in the query box; the fragment is dropped and the path found on disk.
    Select("Alpha second part");
    SendKey(QueryBox(), Qt::Key_Return);
    EXPECT_EQ(Shown(), alpha);
    EXPECT_EQ(dlg.GetBrowser().GetCurrentUrl().toLocalFile(), alpha);
    Select("Gamma page");
    SendKey(ResultList(), Qt::Key_Return);
    EXPECT_EQ(Shown(), m_site.Path(QStringLiteral("Sub/Gamma.html")));
    Select("Back home");
    Button("viewPageButton")->click();
    EXPECT_EQ(Shown(), home);
    Select("Alpha page");
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
    EXPECT_EQ(nAccepted + nRejected, 0);

    // Too small for the controls: sizes clamp to zero instead of going negative.
    dlg.OnSize(40, 30);
    EXPECT_EQ(ResultList()->height(), 0);
    EXPECT_EQ(QueryBox()->width(), 0);

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
    const int nEntries = Rows();
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
    EXPECT_EQ(Rows(), nEntries);
    EXPECT_FALSE(dlg.IsBusy());
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
        EXPECT_EQ(answers.Texts(), kCreateQuestion);
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

}  // namespace
}  // namespace sitefinch
