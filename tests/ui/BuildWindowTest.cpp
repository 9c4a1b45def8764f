// The build window painted once per display frame, and the pump that asks before it drains.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include <string>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"
#include "ui/BuildIndexDlg.h"
#include "ui/ProgressLineModel.h"
#include "ui/QtIndexHost.h"

namespace sitefinch {
namespace {

class BuildWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureUiApp();
        m_pDlg = new CBuildIndexDlg(nullptr);
        ASSERT_TRUE(m_pDlg->Create());
        ASSERT_TRUE(uitest::ServeEventsUntil([&] {
            return m_pDlg->windowHandle() != nullptr && m_pDlg->windowHandle()->isExposed();
        }));
        // The first change paints at once and starts the frame the next ones fall into.
        m_pDlg->SetProgressText("first");
        m_frame.start();
        ASSERT_FALSE(m_pDlg->HasChangesToShow());
    }
    void TearDown() override { delete m_pDlg.data(); }

    QListView* List() { return m_pDlg->findChild<QListView*>(QStringLiteral("lineList")); }
    void AddLines(int nLines, const char* pszPrefix) {
        for (int i = 0; i < nLines; ++i) {
            m_pDlg->AddLine((pszPrefix + std::to_string(i)).c_str());
        }
    }

    QPointer<CBuildIndexDlg> m_pDlg;
    QElapsedTimer m_frame;  // since the first paint
};

// Changes are painted at most once per frame, every line in order; a change held back is painted
// when its frame is over, by the event loop alone. The list follows the newest line unless the
// person has scrolled up to read older ones.
TEST_F(BuildWindowTest, ChangesArePaintedAtMostOncePerFrameAndTheListStaysWhereScrolled) {
    const int nPaints = m_pDlg->GetPaintCount();
    ASSERT_GT(nPaints, 0);
    AddLines(500, "page ");
    m_pDlg->SetProgressText("/site/last.htm");
    m_pDlg->SetStatisticsText("500 pages, 0 links");
    m_pDlg->SetButtonText("&Ok");
    ASSERT_EQ(m_pDlg->GetLines().GetLineCount(), 500);
    // A slow machine may see a frame end during the changes, and one paint with it.
    const qint64 nFrames = m_frame.elapsed() / m_pDlg->GetFrameMs();
    EXPECT_LE(m_pDlg->GetPaintCount() - nPaints, nFrames) << "painted within a frame";

    m_pDlg->ShowChanges();
    EXPECT_FALSE(m_pDlg->HasChangesToShow());
    ASSERT_EQ(m_pDlg->GetLines().rowCount(), 500) << "the view was not told of every line";
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(m_pDlg->GetLines().GetLine(i), "page " + std::to_string(i)) << "line " << i;
    }
    QScrollBar* pBar = List()->verticalScrollBar();
    EXPECT_EQ(pBar->value(), pBar->maximum()) << "the list does not follow the newest line";
    m_pDlg->SetProgressText("held back");
    ASSERT_TRUE(m_pDlg->HasChangesToShow());
    EXPECT_TRUE(uitest::ServeEventsUntil([&] { return !m_pDlg->HasChangesToShow(); }));

    pBar->setValue(0);
    AddLines(200, "b ");
    m_pDlg->ShowChanges();
    EXPECT_EQ(pBar->value(), 0);
    EXPECT_EQ(m_pDlg->GetLines().rowCount(), 700);
}

// Through a whole build: when the build waits for Ok, its finished state is already painted,
// without waiting for any other event.
TEST(BuildWindowFlowTest, TheFinishedStateIsPaintedBeforeTheBuildWaitsForOk) {
    uitest::EnsureUiApp();
    CMemFileSystem fs;
    std::string sStart = "<title>Start</title>\n";
    for (int i = 0; i < 300; ++i) {
        const std::string sPage = "/site/p" + std::to_string(i) + ".htm";
        fs.SetFile(sPage, "<title>Page " + std::to_string(i) + "</title>\n");
        sStart += "<a href=\"p" + std::to_string(i) + ".htm\">Link " + std::to_string(i) + "</a>\n";
    }
    fs.SetFile("/site/index.htm", sStart);

    CQtIndexHost host(nullptr);
    CLinkIndex index(fs, host);
    uitest::CBuildWindowHand hand;
    hand.beforeOk = [](CBuildIndexDlg& dlg) {
        EXPECT_FALSE(dlg.HasChangesToShow()) << "the finished state waits for a frame";
        EXPECT_EQ(dlg.GetProgressText(), QStringLiteral("-- finished --"));
        EXPECT_EQ(dlg.GetStatisticsText(), QStringLiteral("301 pages, 300 links"));
        const CProgressLineModel& lines = dlg.GetLines();
        EXPECT_EQ(lines.rowCount(), lines.GetLineCount());
        EXPECT_EQ(lines.GetLine(lines.GetLineCount() - 1), "Done, press Ok to continue");
    };
    EXPECT_EQ(index.BuildIndex("/site/index.htm", "/site/index.idx"), 1);
    EXPECT_EQ(hand.nAcknowledged, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What the pump must still deliver in one call although it asks first: a posted event and a
// timer that is due. Where the pump asks once per frame instead, it delivers within a frame.
TEST(PumpTest, OnePumpDeliversWhatWaitsAndTheFramePumpDeliversWithinAFrame) {
    uitest::EnsureUiApp();
    CQtIndexHost host(nullptr);
    QCoreApplication::processEvents();

    QObject receiver;
    int nEvents = 0;
    const auto post = [&] {
        QMetaObject::invokeMethod(
            &receiver, [&] { ++nEvents; }, Qt::QueuedConnection);
    };
    post();
    host.PumpMessages();
    EXPECT_EQ(nEvents, 1) << "a posted event";

    bool bFired = false;
    QTimer::singleShot(0, [&] { bFired = true; });
    host.PumpMessages();
    EXPECT_TRUE(bFired) << "a due timer";

    post();
    QElapsedTimer waited;
    waited.start();
    while (nEvents < 2 && waited.elapsed() < uitest::kPatienceMs) {
        host.PumpMessagesOncePerFrame();
    }
    EXPECT_EQ(nEvents, 2) << "the once-per-frame pump never drained";
}

}  // namespace
}  // namespace sitefinch
