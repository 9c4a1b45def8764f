// The "Build Index" window: every way a person stops a build.
#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>

#include <functional>
#include <string>

#include "UiTestSupport.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"
#include "ui/BuildIndexDlg.h"
#include "ui/QtIndexHost.h"

namespace sitefinch {
namespace {

constexpr int kPageCount = 200;

using uitest::SendKey;

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

}  // namespace
}  // namespace sitefinch
