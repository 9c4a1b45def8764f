// Stopping or acknowledging a build from its progress window.
#include "BuildProgressWnd.h"

#include "LinkIndex.h"

namespace sitefinch {

void CBuildProgressWnd::OnOK() {
    if (m_pIndex == nullptr) {
        return;
    }
    // Both links go before the window does: the build learns of the stop from the index's side,
    // and DestroyWindow() may delete this object.
    m_pIndex->ClearProgressWindow();
    m_pIndex = nullptr;
    DestroyWindow();
}

}  // namespace sitefinch
