// The index file: golden files, round trips, damaged input, atomic saving, the load protocol.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"

namespace sitefinch {
namespace {

using test::FakeHost;
using test::FakeResultList;

std::string ReadDataFile(const char* pszName) {
    const std::string sPath = std::string(SITEFINCH_TEST_DATA_DIR) + "/index/" + pszName;
    std::ifstream in(sPath, std::ios::binary);
    EXPECT_TRUE(in) << sPath;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

class IndexFileTest : public ::testing::Test {
protected:
    Pairs InOrder() const {
        Pairs pairs;
        for (const CEntryNode* p = m_index.GetTree().GetHead(); p != nullptr; p = p->m_pNext) {
            pairs.emplace_back(p->m_pEntry->GetText(), p->m_pEntry->GetTarget());
        }
        return pairs;
    }

    // Links a fresh recording build window to the index and returns its lines.
    std::vector<std::string>& WatchProgressWindow() {
        m_host.NewBuildWindow();
        m_index.SetProgressWnd(m_host.pLastBuildWindow);
        return m_host.buildWindows.back()->lines;
    }

    void TearDown() override {
        if (m_index.GetProgressWnd() != nullptr) {
            m_index.SetProgressWnd(nullptr);
            delete m_host.pLastBuildWindow;
        }
        EXPECT_EQ(m_fs.GetOpenCount(), 0) << "every file is closed on every way out";
    }

    CMemFileSystem m_fs;
    FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host, '\\'};
};

TEST_F(IndexFileTest, SavesTheGoldenFileAndLoadsItBack) {
    m_index.AddTitleEntry("c:\\site\\index.htm", "Contents");
    m_index.AddLinkEntry("c:\\site\\files\\dl.htm#top", "Download area");
    m_index.AddLinkEntry(
        "c:\\site\\gr\xF6\xDF"
        "e.htm",
        "Gr&ouml;&szlig;e");
    m_index.AddTitleEntry("c:\\site\\a.htm", "\xC4rger");
    m_index.AddTitleEntry("c:\\site\\blank.htm", "   ");
    m_index.AddLinkEntry("c:\\site\\other.htm", "contents");  // rejected: first wins
    m_index.RebuildOrder();
    m_fs.SetFile("/site/site.idx", "old content");
    ASSERT_TRUE(m_index.SaveIndex("/site/site.idx"));
    EXPECT_EQ(m_fs.GetFile("/site/site.idx"), ReadDataFile("saved.idx"));
    // Loaded back, it keeps everything but the empty text.
    ASSERT_TRUE(m_index.LoadIndex("/site/site.idx"));
    const Pairs loaded = InOrder();
    EXPECT_EQ(loaded.size(), 4u) << "the blank title's entry is skipped on loading";
    EXPECT_EQ(m_index.GetLinkCount(), 4);
    EXPECT_EQ(m_index.GetPageCount(), 0);
    ASSERT_TRUE(m_index.SaveIndex("/again.idx"));
    ASSERT_TRUE(m_index.LoadIndex("/again.idx"));
    EXPECT_EQ(InOrder(), loaded);
    // An empty index saves an empty file over the old one.
    m_index.Clear();
    ASSERT_TRUE(m_index.SaveIndex("/again.idx"));
    EXPECT_EQ(m_fs.GetFile("/again.idx"), "");
}

TEST_F(IndexFileTest, DamagedGoldenFileLoadsByTheRules) {
    m_fs.SetFile("/damaged.idx", ReadDataFile("damaged.idx"));
    ASSERT_TRUE(m_index.LoadIndex("/damaged.idx"));
    ASSERT_TRUE(m_index.SaveIndex("/out.idx"));
    EXPECT_EQ(m_fs.GetFile("/out.idx"), ReadDataFile("damaged-saved.idx"));
}

TEST_F(IndexFileTest, DamagedInputLoadsWithoutCrashOrHang) {
    std::string sGarbage;
    for (int i = 0; i < 5000; ++i) {
        sGarbage += static_cast<char>((i * 7919) % 256);
    }
    const std::string sHuge(10 * 1024 * 1024, 'x');
    struct Case {
        const char* pszName;
        std::string sContent;
        std::optional<Pairs> expected;  // none: only "no crash, no hang, consistent counts"
        // The golden damaged file holds the other rules: misaligned and empty lines, LF ends,
        // lone CRs, duplicates, entities and a missing final line end.
    };
    const Case cases[] = {
        {"binary garbage", sGarbage, std::nullopt},
        {"NUL bytes only", std::string(3000, '\0'), Pairs{}},
        // 10,485,760 bytes: 10,485 pieces of 999 (each losing its 1000th byte), then one of 760,
        // so the next line is a text line again.
        {"10 MB line, then a record", sHuge + "\r\nText\r\n@t\r\n", Pairs{{"Text", "t"}}},
        {"10 MB line, then misaligned", sHuge + "\r\n@x\r\nText\r\n@t\r\n", Pairs{}},
        {"odd number of lines", "A\r\n@a\r\nB\r\n", Pairs{{"A", "a"}}},
        {"only @ lines", "@\r\n@\r\n@x\r\n@y\r\n", Pairs{{"@x", "y"}}},
        {"A @x B", "A\r\n@x\r\nB\r\n", Pairs{{"A", "x"}}},
        {"empty file", "", Pairs{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        m_fs.SetFile("/d.idx", c.sContent);
        EXPECT_TRUE(m_index.LoadIndex("/d.idx"));
        if (c.expected) {
            EXPECT_EQ(InOrder(), *c.expected);
        }
        EXPECT_EQ(m_index.GetLinkCount(), static_cast<int>(InOrder().size()));
    }
}

TEST_F(IndexFileTest, LoadProtocolPumpsAndReportsOncePerPair) {
    m_fs.SetFile("/p.idx", "A\r\n@a\r\nB\r\n@b\r\nC\r\n@c\r\n");
    FakeResultList nestedList;
    bool bNestedLoad = true;
    m_host.onPump = [&](int) {
        // Handlers that run nested inside the load see an empty list and cannot start a load.
        EXPECT_TRUE(m_index.IsBusy());
        m_index.FilterEntries(nestedList, "");
        EXPECT_TRUE(nestedList.lines.empty());
        bNestedLoad = m_index.LoadIndex("/p.idx");
    };
    ASSERT_TRUE(m_index.LoadIndex("/p.idx"));
    EXPECT_FALSE(bNestedLoad);
    EXPECT_FALSE(m_index.IsBusy());
    EXPECT_EQ(m_host.pLog->events,
              (std::vector<std::string>{"loading-created", "progress:14", "pump", "progress:47",
                                        "pump", "progress:80", "pump", "loading-destroyed"}));
    EXPECT_EQ(InOrder(), (Pairs{{"A", "a"}, {"B", "b"}, {"C", "c"}}));
}

TEST_F(IndexFileTest, ReadErrorEndsLoadWithWindowGoneAndNoList) {
    std::string sContent;
    for (int i = 0; i < 300; ++i) {
        sContent += "Entry " + std::to_string(1000 + i) + "\r\n@t\r\n";
    }
    m_fs.SetFile("/r.idx", sContent);
    m_fs.FailReadsAfter("/r.idx", 2000);
    EXPECT_FALSE(m_index.LoadIndex("/r.idx"));
    EXPECT_EQ(m_host.pLog->Count("loading-destroyed"), 1);
    EXPECT_EQ(m_host.pLog->events.back(), "loading-destroyed");
    EXPECT_EQ(m_index.GetTree().GetHead(), nullptr);
    EXPECT_GT(m_index.GetTree().GetCount(), 0u) << "entries read so far stay in the tree";
    EXPECT_FALSE(m_index.IsBusy());

    m_fs.SetFile("/len.idx", "A\r\n@a\r\n");
    m_fs.FailLength("/len.idx");
    EXPECT_FALSE(m_index.LoadIndex("/len.idx"));
    EXPECT_EQ(m_host.pLog->Count("loading-destroyed"), 2);
}

TEST_F(IndexFileTest, LoadToleratesMissingLoadingWindow) {
    m_host.bProvideLoadingWindow = false;
    m_fs.SetFile("/n.idx", "A\r\n@a\r\n");
    EXPECT_TRUE(m_index.LoadIndex("/n.idx"));
    EXPECT_EQ(m_host.pLog->nPumps, 1);
    EXPECT_EQ(InOrder(), (Pairs{{"A", "a"}}));
}

TEST_F(IndexFileTest, UnopenableFileLeavesIndexAndTellsProgressWindow) {
    ASSERT_TRUE(m_index.AddLinkEntry("keep", "Keep"));
    m_index.RebuildOrder();
    EXPECT_FALSE(m_index.LoadIndex(""));
    EXPECT_FALSE(m_index.LoadIndex(nullptr));
    EXPECT_FALSE(m_index.LoadIndex("/missing.idx"));  // no window: no message, no crash
    std::vector<std::string>& lines = WatchProgressWindow();
    EXPECT_FALSE(m_index.LoadIndex("/missing.idx"));
    const std::string sLong(3000, 'p');
    EXPECT_FALSE(m_index.LoadIndex(sLong.c_str()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "File /missing.idx could not be opened!");
    EXPECT_EQ(lines[1].size(), kMessageCapacity - 1) << "cut to the message buffer";
    EXPECT_EQ(InOrder(), (Pairs{{"Keep", "keep"}}));
    EXPECT_EQ(m_host.pLog->Count("loading-created"), 0);
}

TEST_F(IndexFileTest, FailedSaveLeavesPreviousFileExactlyAsItWas) {
    m_index.AddLinkEntry("a", "A");
    m_index.RebuildOrder();
    const std::string sOld = "Old\r\n@old\r\n";
    std::vector<std::string>& lines = WatchProgressWindow();

    struct Case {
        const char* pszName;
        std::function<void(CMemFileSystem&)> inject;
        bool bMessage;
    };
    const Case cases[] = {
        {"read-only file", [](CMemFileSystem& fs) { fs.SetReadOnly("/s.idx"); }, true},
        {"disk full", [](CMemFileSystem& fs) { fs.FailWritesAfter(3); }, false},
        {"commit fails", [](CMemFileSystem& fs) { fs.FailCommits(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CMemFileSystem fs;
        fs.SetFile("/s.idx", sOld);
        c.inject(fs);
        CLinkIndex index(fs, m_host);
        index.AddLinkEntry("a", "A");
        index.RebuildOrder();
        index.SetProgressWnd(m_index.GetProgressWnd());
        lines.clear();
        EXPECT_FALSE(index.SaveIndex("/s.idx"));
        EXPECT_EQ(fs.GetFile("/s.idx"), sOld);
        EXPECT_EQ(fs.GetOpenCount(), 0);
        EXPECT_EQ(lines, c.bMessage ? std::vector<std::string>{"File /s.idx could not be written!"}
                                    : std::vector<std::string>{});
        index.SetProgressWnd(nullptr);
    }
    EXPECT_FALSE(m_index.SaveIndex(""));
    EXPECT_FALSE(m_index.SaveIndex(nullptr));
    EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace sitefinch
