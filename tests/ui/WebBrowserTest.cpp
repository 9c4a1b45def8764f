// The QTextBrowser pane: local pages found whatever their case, history, and links that leave.
#include <gtest/gtest.h>

#include <QTextBrowser>

#include <memory>
#include <vector>

#include "UiTestSupport.h"
#include "ui/WebBrowser.h"

namespace sitefinch {
namespace {

class WebBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureUiApp();
        ASSERT_TRUE(m_site.IsValid());
        SetOpenUrlFn([this](const QUrl& url) { m_opened.push_back(url); });
        m_pPane = std::make_unique<CWebBrowser>();
        m_pView = m_pPane->findChild<QTextBrowser*>();
        ASSERT_NE(m_pView, nullptr);
    }
    void TearDown() override { SetOpenUrlFn({}); }

    QString Current() const { return m_pPane->GetCurrentUrl().toLocalFile(); }

    uitest::CTempSite m_site;
    std::unique_ptr<CWebBrowser> m_pPane;  // made once the application exists
    QTextBrowser* m_pView = nullptr;
    std::vector<QUrl> m_opened;
};

TEST_F(WebBrowserTest, NavigatesToTheFileOnDiskWhateverTheCaseOfTheStoredPath) {
    EXPECT_FALSE(m_pPane->IsWebEngine());
    const std::string sLower =
        QFile::encodeName(m_site.Path(QStringLiteral("sub/gamma.html"))).toLower().toStdString();
    m_pPane->Navigate(sLower.c_str());
    EXPECT_EQ(Current(), m_site.Path(QStringLiteral("Sub/Gamma.html")));
    EXPECT_FALSE(m_pView->toPlainText().isEmpty());

    // A path that names nothing is passed on as it is.
    m_pPane->Navigate("/no/such/page.htm");
    EXPECT_EQ(m_pPane->GetRequestedUrl().toLocalFile(), QStringLiteral("/no/such/page.htm"));
}

TEST_F(WebBrowserTest, LocalLinksStayInThePaneAndOtherLinksGoToTheDefaultBrowser) {
    m_pPane->Navigate(m_site.Bytes(QStringLiteral("Alpha.htm")).c_str());
    ASSERT_EQ(Current(), m_site.Path(QStringLiteral("Alpha.htm")));

    emit m_pView->anchorClicked(QUrl(QStringLiteral("http://example.org/more")));
    emit m_pView->anchorClicked(QUrl(QStringLiteral("mailto:someone@example.org")));
    ASSERT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_opened[0], QUrl(QStringLiteral("http://example.org/more")));
    EXPECT_EQ(Current(), m_site.Path(QStringLiteral("Alpha.htm")));

    // A relative link resolves against the page shown and adds to the history.
    emit m_pView->anchorClicked(QUrl(QStringLiteral("index.htm")));
    EXPECT_EQ(Current(), m_site.Path(QStringLiteral("index.htm")));
    EXPECT_EQ(m_opened.size(), 2u);
    m_pPane->GoBack();
    EXPECT_EQ(Current(), m_site.Path(QStringLiteral("Alpha.htm")));
}

}  // namespace
}  // namespace sitefinch
