// What the index needs from the windowing around it: its windows, the message pump, messages.
#pragma once

#include <memory>

#include "BuildProgressWnd.h"
#include "LoadingWnd.h"

namespace sitefinch {

// Message box types: a question with OK and Cancel, and an error with OK.
inline constexpr unsigned kMbQuestion = 33;  // MB_OKCANCEL | MB_ICONQUESTION
inline constexpr unsigned kMbError = 48;     // MB_ICONEXCLAMATION

// The desktop application, the command-line tool and the tests each provide one. It must outlive
// every CLinkIndex that uses it.
class CIndexHost {
public:
    virtual ~CIndexHost() = default;

    // A new, not yet created, build progress window with the main window as its parent.
    virtual CBuildProgressWnd* NewBuildWindow() = 0;

    // A shown "Loading:" window, or null when none can be shown.
    virtual std::unique_ptr<CLoadingWnd> NewLoadingWindow() = 0;

    // Dispatches every waiting event and returns when none is left. A quit request that
    // arrives here is dropped.
    virtual void PumpMessages() = 0;

    // For a loop that pumps far more often than anyone can notice (a load pumps once per
    // entry): may dispatch only once a display frame has passed since the last full dispatch,
    // so an event waits at most about a frame.
    virtual void PumpMessagesOncePerFrame() { PumpMessages(); }

    // Blocks until at least one event is waiting; used where the build waits for the user.
    virtual void WaitMessage() = 0;

    // A message box owned by the main window; returns true for OK.
    virtual bool MessageBox(const char* pszText, const char* pszCaption, unsigned nType) = 0;
};

}  // namespace sitefinch
