// A host that shows nothing and answers at once.
#include "support/QuietHost.h"

#include <cstdio>
#include <cstdlib>

namespace sitefinch::test {

namespace {

class CQuietLoadingWnd : public CLoadingWnd {
public:
    void SetProgress(int nPercent) override {
        if (nPercent < 0 || nPercent > 100) {
            std::fprintf(stderr, "progress out of range: %d\n", nPercent);
            std::abort();
        }
    }
};

}  // namespace

CBuildProgressWnd* CQuietHost::NewBuildWindow() {
    return m_bBuildWindow ? m_pWindow = new CQuietBuildWnd : nullptr;
}

std::unique_ptr<CLoadingWnd> CQuietHost::NewLoadingWindow() {
    return std::make_unique<CQuietLoadingWnd>();
}

void CQuietHost::PumpMessages() {
    if (m_bAcknowledge && m_pWindow != nullptr) {
        m_bAcknowledge = false;
        CBuildProgressWnd* pWindow = m_pWindow;
        m_pWindow = nullptr;
        pWindow->OnOK();
    }
}

}  // namespace sitefinch::test
