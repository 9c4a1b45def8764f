// The progress window of a build, as the core sees it.
#pragma once

namespace sitefinch {

class CLinkIndex;

// The window and the index point at each other while a build runs. Once Create() has succeeded
// the object owns itself: OnOK() breaks both links and then DestroyWindow(), which must end with
// the object being deleted (at once or, in an event loop, soon after). Nobody else deletes it.
class CBuildProgressWnd {
public:
    virtual ~CBuildProgressWnd() = default;

    // Shows the window; false when it could not be created (the caller then deletes the object).
    virtual bool Create() = 0;

    void SetIndex(CLinkIndex* pIndex) { m_pIndex = pIndex; }
    CLinkIndex* GetIndex() const { return m_pIndex; }

    // Appends a line to the list and makes it the current line. Each of these three changes
    // its control at once and has the window repainted soon: at once, or at the end of the
    // display frame in which the window last painted.
    virtual void AddLine(const char* pszText) = 0;
    // The progress text: the current step.
    virtual void SetProgressText(const char* pszText) = 0;
    // The text of the Stop/Ok button.
    virtual void SetButtonText(const char* pszText) = 0;
    // The statistics text; shown at the next repaint.
    virtual void SetStatisticsText(const char* pszText) = 0;

    // Stop, Ok, Enter: when linked to an index, tells it to forget this window, unlinks and
    // destroys the window. Unlinked, it does nothing and the window stays open.
    void OnOK();
    // The close box, Close on the system menu, Alt+F4.
    void OnClose() { OnOK(); }

protected:
    // Destroys the window; the object must be deleted afterwards. Called once, by OnOK().
    virtual void DestroyWindow() = 0;

private:
    CLinkIndex* m_pIndex = nullptr;  // not owned
};

}  // namespace sitefinch
