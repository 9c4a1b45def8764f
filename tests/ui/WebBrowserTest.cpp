// The QTextBrowser pane: local pages found whatever their case, history, and links that leave.
#include <gtest/gtest.h>

#include <QTextBrowser>

#include <vector>

#include "UiTestSupport.h"
#include "ui/WebBrowser.h"

namespace sitefinch {
namespace {

TEST(WebBrowserTest, FindsLocalPagesWhateverTheCaseAndSendsOtherLinksToTheDefaultBrowser) {
    uitest::EnsureUiApp();
    uitest::CTempSite site;
    ASSERT_TRUE(site.IsValid());
    std::vector<QUrl> opened;
    SetOpenUrlFn([&](const QUrl& url) { opened.push_back(url); });
    CWebBrowser pane;
    auto* pView = pane.findChild<QTextBrowser*>();
    ASSERT_NE(pView, nullptr);
    EXPECT_FALSE(pane.IsWebEngine());
    auto current = [&] { return pane.GetCurrentUrl().toLocalFile(); };

    // The index stores lower-cased paths; the pane finds the file as the disk spells it.
    pane.Navigate(
        QFile::encodeName(site.Path(QStringLiteral("sub/gamma.html"))).toLower().constData());
    EXPECT_EQ(current(), site.Path(QStringLiteral("Sub/Gamma.html")));
    EXPECT_FALSE(pView->toPlainText().isEmpty());
    // A path that names nothing is passed on as it is.
    pane.Navigate("/no/such/page.htm");
    EXPECT_EQ(pane.GetRequestedUrl().toLocalFile(), QStringLiteral("/no/such/page.htm"));

    pane.Navigate(site.Bytes(QStringLiteral("Alpha.htm")).c_str());
    emit pView->anchorClicked(QUrl(QStringLiteral("http://example.org/more")));
    emit pView->anchorClicked(QUrl(QStringLiteral("mailto:someone@example.org")));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://example.org/more")));
    EXPECT_EQ(current(), site.Path(QStringLiteral("Alpha.htm")));
    // A relative link resolves against the page shown and adds to the history.
    emit pView->anchorClicked(QUrl(QStringLiteral("index.htm")));
    EXPECT_EQ(current(), site.Path(QStringLiteral("index.htm")));
    EXPECT_EQ(opened.size(), 2u);
    pane.GoBack();
    EXPECT_EQ(current(), site.Path(QStringLiteral("Alpha.htm")));
    SetOpenUrlFn({});
}

}  // namespace
}  // namespace sitefinch
