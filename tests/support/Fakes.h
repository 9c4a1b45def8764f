// Recording fakes of the windows and the host that the index talks to, and an index over a memory
// disk, shared by the GoogleTest programs, which take GoogleTest and the common standard headers
// from here.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"
#include "support/IndexWalk.h"

namespace sitefinch::test {

// What one build progress window was asked to do. Lives on after the window has deleted itself.
struct BuildWindowLog {
    Strings lines, progressTexts, buttonTexts, statisticsTexts;
    bool bDeleted = false;
};

// Deletes itself when its window is destroyed, as the real one does.
struct FakeBuildWindow : CBuildProgressWnd {
    explicit FakeBuildWindow(std::shared_ptr<BuildWindowLog> pLog) : pLog(std::move(pLog)) {}
    ~FakeBuildWindow() override { pLog->bDeleted = true; }

    bool Create() override { return true; }
    void AddLine(const char* psz) override { pLog->lines.emplace_back(psz); }
    void SetProgressText(const char* psz) override { pLog->progressTexts.emplace_back(psz); }
    void SetButtonText(const char* psz) override { pLog->buttonTexts.emplace_back(psz); }
    void SetStatisticsText(const char* psz) override { pLog->statisticsTexts.emplace_back(psz); }
    void DestroyWindow() override { delete this; }

    std::shared_ptr<BuildWindowLog> pLog;
};

// Made by the host, which logs its creation.
struct FakeLoadingWnd : CLoadingWnd {
    explicit FakeLoadingWnd(Strings& events) : events(events) {}
    ~FakeLoadingWnd() override { events.emplace_back("loading-destroyed"); }
    void SetProgress(int n) override { events.push_back("progress:" + std::to_string(n)); }

    Strings& events;
};

// onPump lets a test act inside the pump (press Stop, start a nested operation). WaitMessage()
// presses Ok on the last build window that is still linked to an index, so a build that waits for
// the user cannot hang a test.
struct FakeHost : CIndexHost {
    // Everything that happened, in order: "loading-created", "progress:42", "pump",
    // "loading-destroyed", "wait", "message-box:text|caption|type".
    Strings events;
    int nPumps = 0;
    std::vector<std::shared_ptr<BuildWindowLog>> buildWindows;  // one log per window made
    FakeBuildWindow* pLastBuildWindow = nullptr;                // valid until its log says bDeleted
    std::function<void(int nPump)> onPump = [](int) {};  // called with the pump's 1-based number

    CBuildProgressWnd* NewBuildWindow() override {
        buildWindows.push_back(std::make_shared<BuildWindowLog>());
        return pLastBuildWindow = new FakeBuildWindow(buildWindows.back());
    }
    std::unique_ptr<CLoadingWnd> NewLoadingWindow() override {
        events.emplace_back("loading-created");
        return std::make_unique<FakeLoadingWnd>(events);
    }
    void PumpMessages() override {
        events.emplace_back("pump");
        onPump(++nPumps);
    }
    void WaitMessage() override {
        events.emplace_back("wait");
        PressOkOnLiveWindow();
    }
    bool MessageBox(const char* pszText, const char* pszCaption, unsigned nType) override {
        events.push_back(std::string("message-box:") + pszText + "|" + pszCaption + "|" +
                         std::to_string(nType));
        return true;
    }

    long Count(const char* pszEvent) const { return std::ranges::count(events, pszEvent); }
    // What a click on Stop or Ok does. True when the last window still existed, linked, to press.
    bool PressOkOnLiveWindow() {
        const bool bLive = !buildWindows.empty() && !buildWindows.back()->bDeleted &&
                           pLastBuildWindow->GetIndex() != nullptr;
        if (bLive) {
            pLastBuildWindow->OnOK();
        }
        return bLive;
    }
};

// Keeps the block it was handed and copies of its lines.
struct FakeResultList : CResultList {
    Strings lines;
    std::shared_ptr<const CLineTexts> pTexts;
    int nReplaceCalls = 0;

    void ReplaceLines(std::shared_ptr<const CLineTexts> pNewTexts,
                      std::vector<std::uint32_t> numbers) override {
        ++nReplaceCalls;
        pTexts = std::move(pNewTexts);
        lines.clear();
        ASSERT_NE(pTexts, nullptr);
        for (const std::uint32_t nText : numbers) {
            ASSERT_LT(nText, pTexts->GetCount());
            lines.emplace_back(pTexts->GetLine(nText));
        }
    }
};

struct FakeBrowserPane : CBrowserPane {
    Strings navigations;
    void Navigate(const char* pszPath) override { navigations.emplace_back(pszPath); }
    void GoBack() override {}
};

struct Site {
    explicit Site(char cSeparator = '/') : index(fs, host, cSeparator) {}
    CMemFileSystem fs;
    FakeHost host;
    CLinkIndex index;
};

inline std::string ReadWhole(const std::string& sPath) {
    std::ifstream in(sPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace sitefinch::test
