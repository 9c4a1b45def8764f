// Local pages stay in the pane; links to the web go to the person's browser.
#include "ExternalLinkPage.h"

#include <utility>

#include "UiHooks.h"

namespace sitefinch {

CExternalLinkPage::CExternalLinkPage(ResolveFn fnResolve, QObject* pParent)
    : QWebEnginePage(pParent), m_fnResolve(std::move(fnResolve)) {}

bool CExternalLinkPage::IsLocalUrl(const QUrl& url) {
    const QString scheme = url.scheme();
    // about: and data: are WebEngine's own blank and inline documents, not the web.
    return scheme == QLatin1String("file") || scheme == QLatin1String("qrc") ||
           scheme == QLatin1String("about") || scheme == QLatin1String("data");
}

bool CExternalLinkPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                                bool bIsMainFrame) {
    if (url.isLocalFile() && bIsMainFrame && m_fnResolve) {
        const QUrl resolved = m_fnResolve(url);
        if (resolved != url) {
            // The view cannot be sent elsewhere from inside its own request; the new load, once
            // queued, lands in the history like the link would have.
            QMetaObject::invokeMethod(
                this, [this, resolved] { setUrl(resolved); }, Qt::QueuedConnection);
            return false;
        }
    }
    if (IsLocalUrl(url)) {
        return QWebEnginePage::acceptNavigationRequest(url, type, bIsMainFrame);
    }
    // Only a person's click opens a browser; frames and scripts that reach for the web are
    // just refused.
    if (type == NavigationTypeLinkClicked) {
        OpenExternalUrl(url);
    }
    return false;
}

QWebEnginePage* CExternalLinkPage::createWindow(WebWindowType /*type*/) {
    return this;
}

}  // namespace sitefinch
