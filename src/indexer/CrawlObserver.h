// What a crawl reports, page by page and link by link, to a watcher such as a link checker.
#pragma once

namespace sitefinch {

// Called by the crawl on its own thread while it runs; the strings live only for the call.
// Only local links that resolve to a path are reported: external and mail links, and links too
// long to resolve, never reach the watcher.
class CCrawlObserver {
public:
    virtual ~CCrawlObserver() = default;

    // The crawl took pszPath (from the start or from the queue) and opened it, or could not.
    virtual void OnPage(const char* pszPath, bool bOpened) = 0;

    // A link of pszPage, the page being scanned: pszHref as extracted, pszTarget as an entry
    // would hold it, and pszTargetPage the page the crawl visits for it (the queued path, or
    // pszPage itself for a link that is only a fragment).
    virtual void OnLink(const char* pszPage, const char* pszHref, const char* pszTarget,
                        const char* pszTargetPage) = 0;
};

}  // namespace sitefinch
