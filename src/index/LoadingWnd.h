// The "Loading:" window of an index load, as the core sees it.
#pragma once

namespace sitefinch {

// Exists for one load; destroyed (its window with it) by the load that made it.
class CLoadingWnd {
public:
    virtual ~CLoadingWnd() = default;
    // Percentage of the index file read, 0 to 100.
    virtual void SetProgress(int nPercent) = 0;
};

}  // namespace sitefinch
