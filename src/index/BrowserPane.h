// The browser pane as the core sees it, and showing an entry's target in it.
#pragma once

#include <cstddef>

namespace sitefinch {

inline constexpr std::size_t kShowTargetCapacity = 1000;

class CBrowserPane {
public:
    virtual ~CBrowserPane() = default;
    // Shows the local file at pszPath from its top and adds it to the pane's history.
    virtual void Navigate(const char* pszPath) = 0;
    // Shows the page before the current one in the pane's history.
    virtual void GoBack() = 0;
};

// Navigates to pszTarget cut at its last '#' (the fragment is never passed on). At most 999
// characters of the target are used. Always true.
bool ShowTarget(CBrowserPane& pane, const char* pszTarget);

}  // namespace sitefinch
