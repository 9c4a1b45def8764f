// The browser pane of the main window: shows local pages and goes back through their history.
#pragma once

#include <string>

#include <QUrl>
#include <QWidget>

#include "index/BrowserPane.h"
#include "platform/NativeFileSystem.h"

class QTextBrowser;
class QWebEngineView;

namespace sitefinch {

// A QWidget that hosts either a QWebEngineView or a QTextBrowser, chosen once at construction
// (UseWebEngine()). Links in a shown page that leave the local disk open in the person's default
// browser (OpenExternalUrl) instead of the pane.
class CWebBrowser : public QWidget, public CBrowserPane {
    Q_OBJECT

public:
    explicit CWebBrowser(QWidget* pParent = nullptr);
    ~CWebBrowser() override;

    // pszPath is a local file path as the index stores it (8-bit, any case); it is resolved to
    // the file on disk case-insensitively. An empty path navigates nowhere.
    void Navigate(const char* pszPath) override;
    void GoBack() override;

    bool IsWebEngine() const { return m_pWebView != nullptr; }

    // The URL of the last Navigate() call (empty before the first), for tests and callers that
    // want to know what was asked for, whatever the view made of it.
    QUrl GetRequestedUrl() const { return m_requestedUrl; }
    // The URL the view shows now (moves with GoBack and followed links).
    QUrl GetCurrentUrl() const;

    // The file URL for a stored path: resolved against the disk case-insensitively, file names
    // decoded as the system encodes them.
    QUrl UrlForPath(const char* pszPath);

    // The URL the pane shows for a link or history entry: a local file URL is resolved the way
    // the file layer opens paths (exact name first, else case-insensitively), and a directory
    // becomes its default page, as the index lists it; the fragment and query stay. A path that
    // resolves to nothing comes back as resolved as far as it goes, so the view reports it
    // missing. Any other URL comes back unchanged.
    QUrl ResolveLocalUrl(const QUrl& url);

signals:
    // Emitted by every Navigate() with the URL asked for.
    void navigated(const QUrl& url);

private:
    void OnAnchorClicked(const QUrl& url);
    // The absolute file name the pane shows for a path as bytes (see ResolveLocalUrl).
    QString ResolvePage(std::string sPath);

    QTextBrowser* m_pTextView = nullptr;   // owned as a child widget, or null
    QWebEngineView* m_pWebView = nullptr;  // owned as a child widget, or null
    QUrl m_requestedUrl;
    CNativeFileSystem m_fileSystem;  // resolves stored paths to the names on disk
};

}  // namespace sitefinch
