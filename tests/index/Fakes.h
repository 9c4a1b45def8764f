// Recording fakes of the windows and the host that the index talks to, shared by the core tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "index/BrowserPane.h"
#include "index/BuildProgressWnd.h"
#include "index/IndexHost.h"
#include "index/LoadingWnd.h"
#include "index/ResultList.h"

namespace sitefinch::test {

// What one build progress window was asked to do. Lives on after the window has deleted itself.
struct BuildWindowLog {
    std::vector<std::string> lines;
    std::vector<std::string> progressTexts;
    std::vector<std::string> buttonTexts;
    std::vector<std::string> statisticsTexts;
    int nCreateCalls = 0;
    bool bDeleted = false;  // DestroyWindow() ran and the object is gone
};

// A build progress window that records into a shared log and, like the real one, deletes itself
// when its window is destroyed.
class FakeBuildWindow : public CBuildProgressWnd {
public:
    explicit FakeBuildWindow(std::shared_ptr<BuildWindowLog> pLog, bool bCreateSucceeds = true)
        : m_pLog(std::move(pLog)), m_bCreateSucceeds(bCreateSucceeds) {}
    ~FakeBuildWindow() override { m_pLog->bDeleted = true; }

    bool Create() override {
        ++m_pLog->nCreateCalls;
        return m_bCreateSucceeds;
    }
    void AddLine(const char* pszText) override { m_pLog->lines.emplace_back(pszText); }
    void SetProgressText(const char* pszText) override {
        m_pLog->progressTexts.emplace_back(pszText);
    }
    void SetButtonText(const char* pszText) override { m_pLog->buttonTexts.emplace_back(pszText); }
    void SetStatisticsText(const char* pszText) override {
        m_pLog->statisticsTexts.emplace_back(pszText);
    }

protected:
    void DestroyWindow() override { delete this; }

private:
    std::shared_ptr<BuildWindowLog> m_pLog;
    bool m_bCreateSucceeds;
};

// Everything that happened to the host, in order, as short event names ("loading-created",
// "progress:42", "pump", "loading-destroyed", "wait", "message-box").
struct HostLog {
    std::vector<std::string> events;
    int nPumps = 0;
    int nWaits = 0;
    std::vector<std::tuple<std::string, std::string, unsigned>> messageBoxes;

    long Count(const char* pszEvent) const {
        return std::count(events.begin(), events.end(), pszEvent);
    }
};

class FakeLoadingWnd : public CLoadingWnd {
public:
    explicit FakeLoadingWnd(std::shared_ptr<HostLog> pLog) : m_pLog(std::move(pLog)) {
        m_pLog->events.emplace_back("loading-created");
    }
    ~FakeLoadingWnd() override { m_pLog->events.emplace_back("loading-destroyed"); }
    void SetProgress(int nPercent) override {
        m_pLog->events.push_back("progress:" + std::to_string(nPercent));
    }

private:
    std::shared_ptr<HostLog> m_pLog;
};

// A host that records every call. onPump lets a test act inside the pump (press Stop, start a
// nested operation). WaitMessage() presses Ok on the last build window that is still linked to an
// index, so a build that waits for the user cannot hang a test.
class FakeHost : public CIndexHost {
public:
    std::shared_ptr<HostLog> pLog = std::make_shared<HostLog>();
    std::vector<std::shared_ptr<BuildWindowLog>> buildWindows;  // one log per window made
    FakeBuildWindow* pLastBuildWindow = nullptr;                // valid until its log says bDeleted
    bool bBuildWindowCreateSucceeds = true;
    bool bProvideLoadingWindow = true;
    std::function<void(int nPump)> onPump;  // called with the 1-based number of the pump

    CBuildProgressWnd* NewBuildWindow() override {
        buildWindows.push_back(std::make_shared<BuildWindowLog>());
        pLastBuildWindow = new FakeBuildWindow(buildWindows.back(), bBuildWindowCreateSucceeds);
        return pLastBuildWindow;
    }
    std::unique_ptr<CLoadingWnd> NewLoadingWindow() override {
        return bProvideLoadingWindow ? std::make_unique<FakeLoadingWnd>(pLog) : nullptr;
    }
    void PumpMessages() override {
        ++pLog->nPumps;
        pLog->events.emplace_back("pump");
        if (onPump) {
            onPump(pLog->nPumps);
        }
    }
    void WaitMessage() override {
        ++pLog->nWaits;
        pLog->events.emplace_back("wait");
        PressOkOnLiveWindow();
    }
    bool MessageBox(const char* pszText, const char* pszCaption, unsigned nType) override {
        pLog->messageBoxes.emplace_back(pszText, pszCaption, nType);
        pLog->events.emplace_back("message-box");
        return true;
    }

    // The last build window, when it still exists; null otherwise.
    FakeBuildWindow* LiveBuildWindow() const {
        return buildWindows.empty() || buildWindows.back()->bDeleted ? nullptr : pLastBuildWindow;
    }
    // What a click on Stop or Ok does. True when there was a linked window to press.
    bool PressOkOnLiveWindow() {
        FakeBuildWindow* pWnd = LiveBuildWindow();
        if (pWnd == nullptr || pWnd->GetIndex() == nullptr) {
            return false;
        }
        pWnd->OnOK();
        return true;
    }
};

// A result list that keeps what it was handed and copies of its lines.
class FakeResultList : public CResultList {
public:
    std::vector<std::string> lines;
    std::shared_ptr<const CLineTexts> pTexts;
    std::vector<std::uint32_t> numbers;
    int nReplaceCalls = 0;

    void ReplaceLines(std::shared_ptr<const CLineTexts> pNewTexts,
                      std::vector<std::uint32_t> newNumbers) override {
        ++nReplaceCalls;
        pTexts = std::move(pNewTexts);
        numbers = std::move(newNumbers);
        lines.clear();
        ASSERT_NE(pTexts, nullptr);
        for (const std::uint32_t nText : numbers) {
            EXPECT_LT(nText, pTexts->GetCount());
            lines.emplace_back(pTexts->GetLine(nText));
        }
    }
};

class FakeBrowserPane : public CBrowserPane {
public:
    std::vector<std::string> navigations;

    void Navigate(const char* pszPath) override { navigations.emplace_back(pszPath); }
    void GoBack() override {}
};

}  // namespace sitefinch::test
