// A WebEngine page that keeps the pane on the local disk and hands other links to the desktop.
#pragma once

#include <QWebEnginePage>

namespace sitefinch {

// Refuses every navigation to a URL that is not a local file (or an internal page) and, when
// the person clicked a link to it, opens it in the default browser (OpenExternalUrl). Links
// that ask for a new window open in this page, under the same rule.
class CExternalLinkPage : public QWebEnginePage {
    Q_OBJECT

public:
    explicit CExternalLinkPage(QObject* pParent = nullptr);

    // Whether a URL may be shown in the pane.
    static bool IsLocalUrl(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool bIsMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
};

}  // namespace sitefinch
