// Showing an entry's target (or the help page) in the browser pane.
#include "BrowserPane.h"

#include <cstring>

#include "platform/Text.h"

namespace sitefinch {

bool ShowTarget(CBrowserPane& pane, const char* pszTarget) {
    char szUrl[kShowTargetCapacity];
    CopyBounded(szUrl, sizeof szUrl, pszTarget != nullptr ? pszTarget : "");
    // Only the last '#' counts, even when an earlier one sits in a directory name.
    char* pHash = std::strrchr(szUrl, '#');
    if (pHash != nullptr) {
        *pHash = '\0';
    }
    pane.Navigate(szUrl);
    return true;
}

}  // namespace sitefinch
