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
#include "indexer/LinkRules.h"

namespace sitefinch {

namespace {

// Schemes that a page may use without leaving the local disk.
bool IsLocalScheme(const QUrl& url) {
    const QString scheme = url.scheme();
    return scheme.isEmpty() || scheme == QLatin1String("file") || scheme == QLatin1String("qrc");
}

// Link resolution's test for a directory: the path ends with a separator, or its last component
// has no extension. A directory that exists under a name with a dot counts too, and a file that
// exists under a name without one does not, since the pane can show what is there.
bool NamesDirectory(const std::string& sPath, const QFileInfo& resolved) {
    if (sPath.empty() || sPath.back() == '/' || resolved.isDir()) {
        return true;
    }
    const std::size_t nName = sPath.rfind('/');
    const bool bHasExtension =
        sPath.find('.', nName == std::string::npos ? 0 : nName + 1) != std::string::npos;
    return !bHasExtension && !resolved.isFile();
}

QString DecodeFileName(const std::string& sPath) {
    return QFile::decodeName(QByteArray(sPath.data(), static_cast<qsizetype>(sPath.size())));
}

}  // namespace

CWebBrowser::CWebBrowser(QWidget* pParent) : QWidget(pParent) {
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
#ifdef SITEFINCH_HAS_WEBENGINE
    if (UseWebEngine()) {
        m_pWebView = new QWebEngineView(this);
        m_pWebView->setPage(new CExternalLinkPage(
            [this](const QUrl& url) { return ResolveLocalUrl(url); }, m_pWebView));
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
    return QUrl::fromLocalFile(ResolvePage(pszPath));
}

QUrl CWebBrowser::ResolveLocalUrl(const QUrl& url) {
    if (!url.isLocalFile()) {
        return url;
    }
    const QByteArray path = QFile::encodeName(url.toLocalFile());
    QUrl resolved = QUrl::fromLocalFile(ResolvePage(path.toStdString()));
    resolved.setQuery(url.query(QUrl::FullyEncoded), QUrl::StrictMode);
    resolved.setFragment(url.fragment(QUrl::FullyEncoded), QUrl::StrictMode);
    return resolved;
}

QString CWebBrowser::ResolvePage(std::string sPath) {
    std::string sResolved = m_fileSystem.Resolve(sPath);
    if (NamesDirectory(sPath, QFileInfo(DecodeFileName(sResolved)))) {
        if (sResolved.empty() || sResolved.back() != '/') {
            sResolved += '/';
        }
        sResolved = m_fileSystem.Resolve(sResolved + kDirectoryPage);
    }
    QString path = DecodeFileName(sResolved);
    if (QDir::isRelativePath(path)) {
        path = QFileInfo(path).absoluteFilePath();
    }
    return path;
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
    m_pTextView->setSource(ResolveLocalUrl(target));
}

}  // namespace sitefinch
