// The "Build Index" window: every way a person stops a build, and the list that follows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

#include <functional>
#include <string>

#include "UiTestSupport.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"
#include "ui/BuildIndexDlg.h"
#include "ui/ProgressLineModel.h"
#include "ui/QtIndexHost.h"

namespace sitefinch {
namespace {

constexpr int kPageCount = 200;

void SendKey(QWidget* pWidget, int nKey) {
    QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &press);
    QKeyEvent release(QEvent::KeyRelease, nKey, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &release);
}

class BuildIndexDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureUiApp();
        // A chain of pages, each linking to the next: long enough to stop in the middle.
        for (int i = 0; i < kPageCount; ++i) {
            std::string sPage = "<title>Page " + std::to_string(i) + "</title>\n";
            if (i + 1 < kPageCount) {
                sPage += "<a href=\"p" + std::to_string(i + 1) + ".htm\">Next " +
                         std::to_string(i + 1) + "</a>\n";
            }
            m_fileSystem.SetFile("/site/p" + std::to_string(i) + ".htm", sPage);
        }
    }
    void TearDown() override { uitest::FlushDeferredDeletes(); }

    CMemFileSystem m_fileSystem;
    CQtIndexHost m_host{nullptr};
    CLinkIndex m_index{m_fileSystem, m_host};
};

TEST_F(BuildIndexDlgTest, StopEnterEscapeAndTheCloseBoxAllStopTheBuild) {
    const std::pair<const char*, std::function<void(CBuildIndexDlg&)>> ways[] = {
        {"Stop button",
         [](CBuildIndexDlg& dlg) {
             dlg.findChild<QPushButton*>(QStringLiteral("stopButton"))->click();
         }},
        {"Enter", [](CBuildIndexDlg& dlg) { SendKey(&dlg, Qt::Key_Return); }},
        {"Escape", [](CBuildIndexDlg& dlg) { SendKey(&dlg, Qt::Key_Escape); }},
        {"close box", [](CBuildIndexDlg& dlg) { dlg.close(); }},
    };
    for (const auto& [pszWay, act] : ways) {
        SCOPED_TRACE(pszWay);
        m_fileSystem.RemoveFile("/site/p0.idx");
        QPointer<CBuildIndexDlg> pWindow;
        bool bWasRunning = false;
        uitest::CBuildWindowHand hand;
        hand.DuringBuild([&](CBuildIndexDlg& dlg) {
            pWindow = &dlg;
            bWasRunning = dlg.GetButtonText() == QStringLiteral("&Stop");
            act(dlg);
            // The links are gone at once, before the window is.
            EXPECT_EQ(dlg.GetIndex(), nullptr);
            EXPECT_EQ(m_index.GetProgressWnd(), nullptr);
            EXPECT_TRUE(dlg.IsDestroyed());
            EXPECT_FALSE(dlg.isVisible());
        });
        EXPECT_EQ(m_index.BuildIndex("/site/p0.htm", "/site/p0.idx"), 1);
        ASSERT_TRUE(bWasRunning) << "the build finished before it could be stopped";
        // A stopped build neither finishes the crawl nor saves, and waits for no Ok.
        EXPECT_LT(m_index.GetVisited().GetCount(), static_cast<std::size_t>(kPageCount));
        EXPECT_FALSE(m_fileSystem.GetFile("/site/p0.idx").has_value());
        EXPECT_EQ(hand.Acknowledged(), 0);
        ASSERT_FALSE(pWindow.isNull());
        uitest::FlushDeferredDeletes();
        EXPECT_TRUE(pWindow.isNull()) << "the window object was not deleted";
    }
}

TEST_F(BuildIndexDlgTest, FinishedBuildShowsItsTextsAndWaitsForOk) {
    QPointer<CBuildIndexDlg> pWindow;
    uitest::CBuildWindowHand hand;
    hand.BeforeOk([&](CBuildIndexDlg& dlg) {
        pWindow = &dlg;
        EXPECT_EQ(dlg.GetButtonText(), QStringLiteral("&Ok"));
        EXPECT_EQ(dlg.GetProgressText(), QStringLiteral("-- finished --"));
        EXPECT_EQ(dlg.GetStatisticsText(),
                  QStringLiteral("%1 pages, %2 links").arg(kPageCount).arg(kPageCount - 1));
        const CProgressLineModel& lines = dlg.GetLines();
        ASSERT_GE(lines.rowCount(), 3);
        EXPECT_EQ(lines.GetLine(0), "Start...");
        EXPECT_EQ(lines.GetLine(1), "/site/p0.htm");
        EXPECT_EQ(lines.GetLine(lines.rowCount() - 1), "Done, press Ok to continue");
    });
    EXPECT_EQ(m_index.BuildIndex("/site/p0.htm", "/site/p0.idx"), 1);
    EXPECT_EQ(hand.Acknowledged(), 1);
    EXPECT_TRUE(m_fileSystem.GetFile("/site/p0.idx").has_value());
    uitest::FlushDeferredDeletes();
    EXPECT_TRUE(pWindow.isNull()) << "the window object was not deleted";
}

TEST_F(BuildIndexDlgTest, AnUnlinkedWindowIgnoresOkAndTheCloseBox) {
    auto* pDlg = new CBuildIndexDlg(nullptr);
    QPointer<CBuildIndexDlg> pWindow(pDlg);
    ASSERT_TRUE(pDlg->Create());
    pDlg->OnOK();
    pDlg->close();
    SendKey(pDlg, Qt::Key_Escape);
    uitest::FlushDeferredDeletes();
    ASSERT_FALSE(pWindow.isNull());
    EXPECT_TRUE(pDlg->isVisible());
    EXPECT_FALSE(pDlg->IsDestroyed());
    delete pDlg;
}

TEST_F(BuildIndexDlgTest, TheListFollowsTheNewestLineUnlessScrolledUp) {
    auto* pDlg = new CBuildIndexDlg(nullptr);
    ASSERT_TRUE(pDlg->Create());
    QScrollBar* pScrollBar =
        pDlg->findChild<QListView*>(QStringLiteral("lineList"))->verticalScrollBar();
    for (int i = 0; i < 100; ++i) {
        pDlg->AddLine(("line " + std::to_string(i)).c_str());
    }
    ASSERT_GT(pScrollBar->maximum(), 0);
    EXPECT_EQ(pScrollBar->value(), pScrollBar->maximum());

    pScrollBar->setValue(0);  // the person reads from the top
    for (int i = 0; i < 5; ++i) {
        pDlg->AddLine("more");
    }
    EXPECT_EQ(pScrollBar->value(), 0);

    pScrollBar->setValue(pScrollBar->maximum());  // and scrolls back down
    pDlg->AddLine("newest");
    EXPECT_EQ(pScrollBar->value(), pScrollBar->maximum());
    EXPECT_EQ(pDlg->GetLines().GetLine(pDlg->GetLines().rowCount() - 1), "newest");
    delete pDlg;
}

}  // namespace
}  // namespace sitefinch
