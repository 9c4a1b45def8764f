// A WebEngine page that keeps the pane on the local disk and hands other links to the desktop.
#pragma once

#include <functional>

#include <QWebEnginePage>

namespace sitefinch {

// Refuses every navigation to a URL that is not a local file (or an internal page) and, when
// the person clicked a link to it, opens it in the default browser (OpenExternalUrl). Links
// that ask for a new window open in this page, under the same rule. A top-level navigation to a
// local file whose URL the resolve function changes (another letter case on disk, a directory)
// is refused and made again to the resolved URL.
class CExternalLinkPage : public QWebEnginePage {
    Q_OBJECT

public:
    using ResolveFn = std::function<QUrl(const QUrl& url)>;

    // fnResolve: the file a local URL names on disk (CWebBrowser::ResolveLocalUrl); it must stay
    // callable for the life of the page.
    explicit CExternalLinkPage(ResolveFn fnResolve, QObject* pParent = nullptr);

    // Whether a URL may be shown in the pane.
    static bool IsLocalUrl(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool bIsMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    ResolveFn m_fnResolve;
};

}  // namespace sitefinch
