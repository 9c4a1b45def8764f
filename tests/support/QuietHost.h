// A host that shows nothing and answers at once, for benchmarks, fuzzers and tests that only
// need an index to run.
#pragma once

#include <memory>

#include "index/IndexHost.h"

namespace sitefinch::test {

// A build window that shows nothing and deletes itself when destroyed.
class CQuietBuildWnd : public CBuildProgressWnd {
public:
    bool Create() override { return true; }
    void AddLine(const char*) override {}
    void SetProgressText(const char*) override {}
    void SetButtonText(const char*) override {}
    void SetStatisticsText(const char*) override {}

protected:
    void DestroyWindow() override { delete this; }
};

// Has no events. With bBuildWindow a build gets a window that shows nothing, and its finished
// build is acknowledged at the next pump after the build starts waiting; without, builds run
// windowless. Loads get a loading window that aborts the process on a percentage outside
// 0..100, so that a fuzzer sees the fault.
class CQuietHost : public CIndexHost {
public:
    explicit CQuietHost(bool bBuildWindow = false) : m_bBuildWindow(bBuildWindow) {}

    CBuildProgressWnd* NewBuildWindow() override;
    std::unique_ptr<CLoadingWnd> NewLoadingWindow() override;
    void PumpMessages() override;
    void WaitMessage() override { m_bAcknowledge = true; }
    bool MessageBox(const char*, const char*, unsigned) override { return true; }

private:
    const bool m_bBuildWindow;
    CBuildProgressWnd* m_pWindow = nullptr;  // the last build window made; deletes itself
    bool m_bAcknowledge = false;
};

}  // namespace sitefinch::test
