// The browser pane over WebEngine or QTextBrowser, with local navigation and external links.
#include "WebBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

#ifdef SITEFINCH_HAS_WEBENGINE
#include <QWebEngineHistory>
#include <QWebEngineView>

#include "ExternalLinkPage.h"
#endif

#include "UiHooks.h"
#include "WebEngineSetup.h"

namespace sitefinch {

namespace {

// Schemes that a page may use without leaving the local disk.
bool IsLocalScheme(const QUrl& url) {
    const QString scheme = url.scheme();
    return scheme.isEmpty() || scheme == QLatin1String("file") || scheme == QLatin1String("qrc");
}

}  // namespace

CWebBrowser::CWebBrowser(QWidget* pParent) : QWidget(pParent) {
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
#ifdef SITEFINCH_HAS_WEBENGINE
    if (UseWebEngine()) {
        m_pWebView = new QWebEngineView(this);
        m_pWebView->setPage(new CExternalLinkPage(m_pWebView));
        pLayout->addWidget(m_pWebView);
        setFocusProxy(m_pWebView);
        return;
    }
#endif
    m_pTextView = new QTextBrowser(this);
    // The pane follows local links itself and hands every other link over (OnAnchorClicked).
    m_pTextView->setOpenLinks(false);
    connect(m_pTextView, &QTextBrowser::anchorClicked, this, &CWebBrowser::OnAnchorClicked);
    pLayout->addWidget(m_pTextView);
    setFocusProxy(m_pTextView);
}

CWebBrowser::~CWebBrowser() = default;

QUrl CWebBrowser::UrlForPath(const char* pszPath) {
    if (pszPath == nullptr || *pszPath == '\0') {
        return QUrl();
    }
    const std::string sResolved = m_fileSystem.Resolve(pszPath);
    QString path =
        QFile::decodeName(QByteArray(sResolved.data(), static_cast<qsizetype>(sResolved.size())));
    if (QDir::isRelativePath(path)) {
        path = QFileInfo(path).absoluteFilePath();
    }
    return QUrl::fromLocalFile(path);
}

void CWebBrowser::Navigate(const char* pszPath) {
    m_requestedUrl = UrlForPath(pszPath);
    if (!m_requestedUrl.isEmpty()) {
#ifdef SITEFINCH_HAS_WEBENGINE
        if (m_pWebView != nullptr) {
            m_pWebView->setUrl(m_requestedUrl);
        }
#endif
        if (m_pTextView != nullptr) {
            m_pTextView->setSource(m_requestedUrl);
        }
    }
    emit navigated(m_requestedUrl);
}

void CWebBrowser::GoBack() {
#ifdef SITEFINCH_HAS_WEBENGINE
    if (m_pWebView != nullptr) {
        m_pWebView->back();
    }
#endif
    if (m_pTextView != nullptr) {
        m_pTextView->backward();
    }
}

QUrl CWebBrowser::GetCurrentUrl() const {
#ifdef SITEFINCH_HAS_WEBENGINE
    if (m_pWebView != nullptr) {
        return m_pWebView->url();
    }
#endif
    return m_pTextView != nullptr ? m_pTextView->source() : QUrl();
}

void CWebBrowser::OnAnchorClicked(const QUrl& url) {
    const QUrl target = m_pTextView->source().resolved(url);
    if (!IsLocalScheme(target)) {
        OpenExternalUrl(target);
        return;
    }
    // A link to a part of the page shown only scrolls; anything else is a new page in the
    // history.
    if (target.adjusted(QUrl::RemoveFragment) ==
            m_pTextView->source().adjusted(QUrl::RemoveFragment) &&
        target.hasFragment()) {
        m_pTextView->scrollToAnchor(target.fragment());
        return;
    }
    m_pTextView->setSource(target);
}

}  // namespace sitefinch
