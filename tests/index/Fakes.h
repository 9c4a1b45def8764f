// Recording fakes of the windows and the host that the index talks to, and an index over a memory
// disk, shared by the core tests.
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

namespace sitefinch::test {

using Strings = std::vector<std::string>;
using Entries = std::vector<std::pair<std::string, std::string>>;  // text, target

// What one build progress window was asked to do. Lives on after the window has deleted itself.
struct BuildWindowLog {
    Strings lines, progressTexts, buttonTexts, statisticsTexts;
    bool bDeleted = false;
};

// Deletes itself when its window is destroyed, as the real one does.
class FakeBuildWindow : public CBuildProgressWnd {
public:
    FakeBuildWindow(std::shared_ptr<BuildWindowLog> pLog, bool bCreateSucceeds)
        : m_pLog(std::move(pLog)), m_bCreateSucceeds(bCreateSucceeds) {}
    ~FakeBuildWindow() override { m_pLog->bDeleted = true; }

    bool Create() override { return m_bCreateSucceeds; }
    void AddLine(const char* psz) override { m_pLog->lines.emplace_back(psz); }
    void SetProgressText(const char* psz) override { m_pLog->progressTexts.emplace_back(psz); }
    void SetButtonText(const char* psz) override { m_pLog->buttonTexts.emplace_back(psz); }
    void SetStatisticsText(const char* psz) override { m_pLog->statisticsTexts.emplace_back(psz); }

protected:
    void DestroyWindow() override { delete this; }

private:
    std::shared_ptr<BuildWindowLog> m_pLog;
    bool m_bCreateSucceeds;
};

class FakeLoadingWnd : public CLoadingWnd {
public:
    explicit FakeLoadingWnd(Strings& events) : m_events(events) {
        m_events.emplace_back("loading-created");
    }
    ~FakeLoadingWnd() override { m_events.emplace_back("loading-destroyed"); }
    void SetProgress(int n) override { m_events.push_back("progress:" + std::to_string(n)); }

private:
    Strings& m_events;
};

// onPump lets a test act inside the pump (press Stop, start a nested operation). WaitMessage()
// presses Ok on the last build window that is still linked to an index, so a build that waits for
// the user cannot hang a test.
class FakeHost : public CIndexHost {
public:
    // Everything that happened, in order: "loading-created", "progress:42", "pump",
    // "loading-destroyed", "wait", "message-box:text|caption|type".
    Strings events;
    int nPumps = 0;
    std::vector<std::shared_ptr<BuildWindowLog>> buildWindows;  // one log per window made
    FakeBuildWindow* pLastBuildWindow = nullptr;                // valid until its log says bDeleted
    bool bBuildWindowCreateSucceeds = true;
    std::function<void(int nPump)> onPump;  // called with the 1-based number of the pump

    CBuildProgressWnd* NewBuildWindow() override {
        buildWindows.push_back(std::make_shared<BuildWindowLog>());
        return pLastBuildWindow =
                   new FakeBuildWindow(buildWindows.back(), bBuildWindowCreateSucceeds);
    }
    std::unique_ptr<CLoadingWnd> NewLoadingWindow() override {
        return std::make_unique<FakeLoadingWnd>(events);
    }
    void PumpMessages() override {
        events.emplace_back("pump");
        ++nPumps;
        if (onPump) {
            onPump(nPumps);
        }
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

    long Count(const char* pszEvent) const {
        return std::count(events.begin(), events.end(), pszEvent);
    }
    // What a click on Stop or Ok does. True when the last window still existed, linked, to press.
    bool PressOkOnLiveWindow() {
        if (buildWindows.empty() || buildWindows.back()->bDeleted ||
            pLastBuildWindow->GetIndex() == nullptr) {
            return false;
        }
        pLastBuildWindow->OnOK();
        return true;
    }
};

// Keeps the block it was handed and copies of its lines.
class FakeResultList : public CResultList {
public:
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

class FakeBrowserPane : public CBrowserPane {
public:
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

// Every entry of the tree in ascending order, whether or not the in-order list is current.
inline Entries EntriesOf(const CLinkIndex& index) {
    Entries entries;
    const auto walk = [&entries](const auto& self, const CEntryNode* p) -> void {
        if (p != nullptr) {
            self(self, p->m_pLeft);
            entries.emplace_back(p->m_pEntry->GetText(), p->m_pEntry->GetTarget());
            self(self, p->m_pRight);
        }
    };
    walk(walk, index.GetTree().GetRoot());
    return entries;
}

inline Strings PathsOf(const CPathList& list) {
    return {list.GetPaths().begin(), list.GetPaths().end()};
}

inline std::string ReadWhole(const std::string& sPath) {
    std::ifstream in(sPath, std::ios::binary);
    EXPECT_TRUE(in) << sPath;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace sitefinch::test
