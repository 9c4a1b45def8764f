// The index object: adding entries, entity decoding, clearing, the progress window's Ok, the path
// list; the index file: golden files, damaged input, atomic saving, the load protocol; the query
// filter, the position lookups and the browser pane's cut at the last '#'.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"

namespace sitefinch {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;  // text, target
using Lines = std::vector<std::string>;

std::string ReadDataFile(const char* pszName) {
    const std::string sPath = std::string(SITEFINCH_TEST_DATA_DIR) + "/index/" + pszName;
    std::ifstream in(sPath, std::ios::binary);
    EXPECT_TRUE(in) << sPath;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LinkIndexTest : public ::testing::Test {
protected:
    Pairs InOrder() const {
        Pairs pairs;
        for (const CEntryNode* p = m_index.GetTree().GetHead(); p != nullptr; p = p->m_pNext) {
            pairs.emplace_back(p->m_pEntry->GetText(), p->m_pEntry->GetTarget());
        }
        return pairs;
    }

    bool Load(const std::string& sContent) {
        m_fs.SetFile("/in.idx", sContent);
        return m_index.LoadIndex("/in.idx");
    }

    // Links a fresh recording build window to the index, both ways, as a build does.
    test::BuildWindowLog& WatchProgressWindow() {
        m_host.NewBuildWindow();
        m_host.pLastBuildWindow->SetIndex(&m_index);
        m_index.SetProgressWnd(m_host.pLastBuildWindow);
        return *m_host.buildWindows.back();
    }

    void TearDown() override {
        if (m_index.GetProgressWnd() != nullptr) {
            m_index.SetProgressWnd(nullptr);
            delete m_host.pLastBuildWindow;
        }
        EXPECT_EQ(m_fs.GetOpenCount(), 0) << "every file is closed on every way out";
    }

    CMemFileSystem m_fs;
    test::FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host, '\\'};
};

TEST(DecodeEntitiesTest, DecodesExactlyTheEightEntities) {
    const std::pair<const char*, const char*> cases[] = {
        {"&quot;Hi&quot;", "'Hi'"},
        {"&auml;&ouml;&uuml;&Auml;&Ouml;&Uuml;&szlig;", "\xE4\xF6\xFC\xC4\xD6\xDC\xDF"},
        {"&Auml", "&Auml"},
        {"&AUML;", "&AUML;"},
        {"&amp;&nbsp;&lt;&#228;", "&amp;&nbsp;&lt;&#228;"},
        {"a & b", "a & b"},
        {"&&auml;", "&\xE4"},
        {"&amp;auml;", "&amp;auml;"},
        {"x&szlig", "x&szlig"},
        {"", ""},
    };
    for (const auto& [pszIn, pszOut] : cases) {
        SCOPED_TRACE(pszIn);
        std::string sText = pszIn;
        CLinkIndex::DecodeEntities(sText.data());
        EXPECT_STREQ(sText.c_str(), pszOut);
    }
}

TEST_F(LinkIndexTest, TitlesSkipLeadingBlanksAndLinksCountOnlyInsertionsFirstWins) {
    m_index.AddTitleEntry("p1", "   Welcome");
    m_index.AddTitleEntry("p3", " \t ");
    EXPECT_TRUE(m_index.AddLinkEntry("a.htm", "Index"));
    EXPECT_FALSE(m_index.AddLinkEntry("b.htm", "index"));
    EXPECT_FALSE(m_index.AddLinkEntry("", "Text"));
    EXPECT_FALSE(m_index.AddLinkEntry("c.htm", ""));
    EXPECT_FALSE(m_index.AddLinkEntry(nullptr, "Text"));
    EXPECT_TRUE(m_index.AddLinkEntry("d.htm", "  spaced"));  // links keep their blanks
    // The emptiness test looks at the text before decoding; "&quot;" decodes to "'".
    EXPECT_TRUE(m_index.AddLinkEntry("e.htm", "&quot;"));
    m_index.RebuildOrder();
    EXPECT_EQ(InOrder(), (Pairs{{"", "p3"},
                                {"  spaced", "d.htm"},
                                {"'", "e.htm"},
                                {"Index", "a.htm"},
                                {"Welcome", "p1"}}));
    EXPECT_EQ(m_index.GetLinkCount(), 3) << "titles and rejected links are not counted";
}

TEST_F(LinkIndexTest, ClearEmptiesEverythingButTheProgressWindow) {
    m_index.UpdateStatistics();  // no window: nothing to show it in
    test::BuildWindowLog& wnd = WatchProgressWindow();
    ASSERT_TRUE(Load("B\r\n@b\r\n"));
    test::FakeResultList list;
    m_index.FilterEntries(list, "");
    ASSERT_EQ(m_index.GetResultCount(), 1u);

    m_index.Clear();
    EXPECT_EQ(m_index.GetTree().GetHead(), nullptr);
    EXPECT_EQ(m_index.GetTree().GetRoot(), nullptr);
    EXPECT_EQ(m_index.GetLinkCount(), 0);
    EXPECT_EQ(m_index.GetResultCount(), 0u);
    EXPECT_EQ(m_index.GetTargetAt(0), nullptr);
    EXPECT_TRUE(m_host.PressOkOnLiveWindow());
    EXPECT_EQ(m_index.GetProgressWnd(), nullptr);
    EXPECT_TRUE(wnd.bDeleted);
}

TEST_F(LinkIndexTest, OkActsOnlyOnAWindowLinkedToAnIndex) {
    m_host.NewBuildWindow();
    m_host.pLastBuildWindow->OnOK();
    EXPECT_FALSE(m_host.buildWindows.back()->bDeleted);
    m_host.pLastBuildWindow->SetIndex(&m_index);
    m_host.pLastBuildWindow->OnOK();
    EXPECT_TRUE(m_host.buildWindows.back()->bDeleted);
}

TEST(PathListTest, AnswersMembershipLikeTheQueueItCounts) {
    CPathList list;
    list.AddTail("c:\\a.htm");
    list.AddTail("c:\\b.htm");
    list.AddTail("c:\\a.htm");
    EXPECT_FALSE(list.Contains("C:\\A.HTM")) << "membership is case-sensitive";
    // Each removal leaves exactly the paths still queued as members; a second copy counts.
    const std::pair<const char*, std::vector<bool>> steps[] = {
        {"c:\\a.htm", {true, true}}, {"c:\\b.htm", {true, false}}, {"c:\\a.htm", {false, false}}};
    std::string sHead;
    for (const auto& [pszHead, members] : steps) {
        ASSERT_TRUE(list.RemoveHead(sHead));
        EXPECT_EQ(sHead, pszHead);
        EXPECT_EQ(list.Contains("c:\\a.htm"), members[0]) << "after " << pszHead;
        EXPECT_EQ(list.Contains("c:\\b.htm"), members[1]) << "after " << pszHead;
    }
    EXPECT_FALSE(list.RemoveHead(sHead));
    list.AddTail("c:\\a.htm");
    EXPECT_TRUE(list.Contains("c:\\a.htm")) << "a path that left can come back";
    list.AddTail(nullptr);
    EXPECT_TRUE(list.Contains(nullptr)) << "a null path counts as the empty path";
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.Contains("c:\\a.htm")) << "after RemoveAll";
}

TEST_F(LinkIndexTest, SavesTheGoldenFileAndAnEmptyIndexAsAnEmptyFile) {
    m_index.AddTitleEntry("c:\\site\\index.htm", "Contents");
    m_index.AddLinkEntry("c:\\site\\files\\dl.htm#top", "Download area");
    m_index.AddLinkEntry((std::string("c:\\site\\gr\xF6\xDF") + "e.htm").c_str(),
                         "Gr&ouml;&szlig;e");
    m_index.AddTitleEntry("c:\\site\\a.htm", "\xC4rger");
    m_index.AddTitleEntry("c:\\site\\blank.htm", "   ");
    m_index.AddLinkEntry("c:\\site\\other.htm", "contents");  // rejected: first wins
    m_index.RebuildOrder();
    m_fs.SetFile("/site/site.idx", "old content");
    ASSERT_TRUE(m_index.SaveIndex("/site/site.idx"));
    EXPECT_EQ(m_fs.GetFile("/site/site.idx"), ReadDataFile("saved.idx"));
    m_index.Clear();
    ASSERT_TRUE(m_index.SaveIndex("/site/site.idx"));
    EXPECT_EQ(m_fs.GetFile("/site/site.idx"), "");
}

TEST_F(LinkIndexTest, DamagedGoldenFileLoadsByTheRules) {
    ASSERT_TRUE(Load(ReadDataFile("damaged.idx")));
    ASSERT_TRUE(m_index.SaveIndex("/out.idx"));
    EXPECT_EQ(m_fs.GetFile("/out.idx"), ReadDataFile("damaged-saved.idx"));
}

TEST_F(LinkIndexTest, DamagedInputLoadsWithoutCrashOrHang) {
    std::string sGarbage;
    for (int i = 0; i < 5000; ++i) {
        sGarbage += static_cast<char>((i * 7919) % 256);
    }
    const std::string sHuge(10 * 1024 * 1024, 'x');
    // The golden damaged file holds the other rules: misaligned and empty lines, LF ends, lone
    // CRs, duplicates, entities and a missing final line end. No expectation: only "no crash,
    // no hang, consistent counts".
    const std::tuple<const char*, std::string, std::optional<Pairs>> cases[] = {
        {"binary garbage", sGarbage, std::nullopt},
        {"NUL bytes only", std::string(3000, '\0'), Pairs{}},
        // 10,485,760 bytes: 10,485 pieces of 999 (each losing its 1000th byte), then one of 760,
        // so the next line is a text line again.
        {"10 MB line, then a record", sHuge + "\r\nText\r\n@t\r\n", Pairs{{"Text", "t"}}},
        {"10 MB line, then misaligned", sHuge + "\r\n@x\r\nText\r\n@t\r\n", Pairs{}},
        {"odd number of lines", "A\r\n@a\r\nB\r\n", Pairs{{"A", "a"}}},
        {"only @ lines", "@\r\n@\r\n@x\r\n@y\r\n", Pairs{{"@x", "y"}}},
        {"empty file", "", Pairs{}},
    };
    for (const auto& [pszName, sContent, expected] : cases) {
        SCOPED_TRACE(pszName);
        EXPECT_TRUE(Load(sContent));
        if (expected) {
            EXPECT_EQ(InOrder(), *expected);
        }
        EXPECT_EQ(m_index.GetLinkCount(), static_cast<int>(InOrder().size()));
    }
}

TEST_F(LinkIndexTest, LoadProtocolPumpsAndReportsOncePerPair) {
    test::FakeResultList nestedList;
    bool bNestedLoad = true;
    m_host.onPump = [&](int) {
        // Handlers that run nested inside the load see an empty list and cannot start a load.
        EXPECT_TRUE(m_index.IsBusy());
        m_index.FilterEntries(nestedList, "");
        EXPECT_TRUE(nestedList.lines.empty());
        bNestedLoad = m_index.LoadIndex("/in.idx");
    };
    ASSERT_TRUE(Load("A\r\n@a\r\nB\r\n@b\r\nC\r\n@c\r\n"));
    EXPECT_FALSE(bNestedLoad);
    EXPECT_FALSE(m_index.IsBusy());
    EXPECT_EQ(m_host.pLog->events, (Lines{"loading-created", "progress:14", "pump", "progress:47",
                                          "pump", "progress:80", "pump", "loading-destroyed"}));
    EXPECT_EQ(InOrder(), (Pairs{{"A", "a"}, {"B", "b"}, {"C", "c"}}));

    // Without a loading window the pairs still load, with a pump each.
    m_host.bProvideLoadingWindow = false;
    m_host.onPump = nullptr;
    m_host.pLog->events.clear();
    EXPECT_TRUE(Load("A\r\n@a\r\n"));
    EXPECT_EQ(m_host.pLog->events, Lines{"pump"});
    EXPECT_EQ(InOrder(), (Pairs{{"A", "a"}}));
}

TEST_F(LinkIndexTest, ReadErrorEndsLoadWithWindowGoneAndNoList) {
    std::string sContent;
    for (int i = 0; i < 300; ++i) {
        sContent += "Entry " + std::to_string(1000 + i) + "\r\n@t\r\n";
    }
    m_fs.SetFile("/r.idx", sContent);
    m_fs.FailReadsAfter("/r.idx", 2000);
    EXPECT_FALSE(m_index.LoadIndex("/r.idx"));
    EXPECT_EQ(m_host.pLog->events.back(), "loading-destroyed");
    EXPECT_EQ(m_index.GetTree().GetHead(), nullptr);
    EXPECT_GT(m_index.GetTree().GetCount(), 0u) << "entries read so far stay in the tree";
    EXPECT_FALSE(m_index.IsBusy());

    m_fs.SetFile("/len.idx", "A\r\n@a\r\n");
    m_fs.FailLength("/len.idx");
    EXPECT_FALSE(m_index.LoadIndex("/len.idx"));
    EXPECT_EQ(m_host.pLog->Count("loading-destroyed"), 2);
}

TEST_F(LinkIndexTest, UnopenableFileLeavesIndexAndTellsProgressWindow) {
    ASSERT_TRUE(m_index.AddLinkEntry("keep", "Keep"));
    m_index.RebuildOrder();
    EXPECT_FALSE(m_index.LoadIndex(""));
    EXPECT_FALSE(m_index.LoadIndex(nullptr));
    EXPECT_FALSE(m_index.LoadIndex("/missing.idx"));  // no window: no message, no crash
    const Lines& lines = WatchProgressWindow().lines;
    EXPECT_FALSE(m_index.LoadIndex("/missing.idx"));
    EXPECT_FALSE(m_index.LoadIndex(std::string(3000, 'p').c_str()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "File /missing.idx could not be opened!");
    EXPECT_EQ(lines[1].size(), kMessageCapacity - 1) << "cut to the message buffer";
    EXPECT_EQ(InOrder(), (Pairs{{"Keep", "keep"}}));
    EXPECT_EQ(m_host.pLog->Count("loading-created"), 0);
}

TEST_F(LinkIndexTest, FailedSaveLeavesPreviousFileExactlyAsItWas) {
    Lines& lines = WatchProgressWindow().lines;
    // Only a file that cannot be opened is reported; the caller reports the rest.
    const std::tuple<const char*, std::function<void(CMemFileSystem&)>, bool> cases[] = {
        {"read-only file", [](CMemFileSystem& fs) { fs.SetReadOnly("/s.idx"); }, true},
        {"disk full", [](CMemFileSystem& fs) { fs.FailWritesAfter(3); }, false},
        {"commit fails", [](CMemFileSystem& fs) { fs.FailCommits(); }, false},
    };
    for (const auto& [pszName, inject, bReported] : cases) {
        SCOPED_TRACE(pszName);
        CMemFileSystem fs;
        fs.SetFile("/s.idx", "Old\r\n@old\r\n");
        inject(fs);
        CLinkIndex index(fs, m_host);
        index.AddLinkEntry("a", "A");
        index.RebuildOrder();
        index.SetProgressWnd(m_index.GetProgressWnd());
        lines.clear();
        EXPECT_FALSE(index.SaveIndex("/s.idx"));
        EXPECT_EQ(fs.GetFile("/s.idx"), "Old\r\n@old\r\n");
        EXPECT_EQ(fs.GetOpenCount(), 0);
        EXPECT_EQ(lines, bReported ? Lines{"File /s.idx could not be written!"} : Lines{});
        index.SetProgressWnd(nullptr);
    }
    EXPECT_FALSE(m_index.SaveIndex(""));
    EXPECT_FALSE(m_index.SaveIndex(nullptr));
    EXPECT_TRUE(lines.empty());
}

class QueryFilterTest : public LinkIndexTest {
protected:
    void SetUp() override {
        // Target, text as added, text as shown.
        const char* const kEntries[][3] = {
            {"alpha.htm", "Alpha", "Alpha"},
            {"beta.htm#b", "Beta Setup", "Beta Setup"},
            {"setup.htm", "setup", "setup"},  // "Setup" is only in "Beta Setup"
            {"gamma.htm", "Gamma Ray", "Gamma Ray"},
            // Decoded into Windows-1252, so its lower-case copy must follow the decoding.
            {"cp1252.htm", "M&uuml;ller", "M\xFCller"},
            {"utf8.htm", "Gr\xC3\xB6\xC3\x9Ft", "Gr\xC3\xB6\xC3\x9Ft"},
            {"caps.htm", "\xC4RGER", "\xC4RGER"},
        };
        for (const auto& entry : kEntries) {
            m_index.AddLinkEntry(entry[0], entry[1]);
            m_targets[entry[2]] = entry[0];
        }
        m_index.RebuildOrder();
    }

    Lines Filter(const char* pszQuery) {
        m_index.FilterEntries(m_list, pszQuery);
        return m_list.lines;
    }

    test::FakeResultList m_list;
    std::map<std::string, std::string> m_targets;  // text -> target
};

TEST_F(QueryFilterTest, ListsEntriesContainingQueryIgnoringCaseInTreeOrder) {
    struct Case {
        const char* pszQuery;
        Lines expected;
    };
    const Case cases[] = {
        {"",
         {"Alpha", "Beta Setup", "Gamma Ray", "Gr\xC3\xB6\xC3\x9Ft", "M\xFCller", "setup",
          "\xC4RGER"}},
        {"SETUP", {"Beta Setup", "setup"}},
        {"a s", {"Beta Setup"}},
        {"a  s", {}},
        {"a", {"Alpha", "Beta Setup", "Gamma Ray"}},
        {"\xE4rg", {"\xC4RGER"}},  // Windows-1252 capitals fold too
        // A UTF-8 query finds the Windows-1252 text, and a 1252 query the UTF-8 text.
        {"m\xC3\xBCll", {"M\xFCller"}},
        {"\xF6\xDF", {"Gr\xC3\xB6\xC3\x9Ft"}},
        {"\xC3\xA4rg", {"\xC4RGER"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("query '") + c.pszQuery + "'");
        EXPECT_EQ(Filter(c.pszQuery), c.expected);
        ASSERT_EQ(m_index.GetResultCount(), c.expected.size());
        // Every line leads back to the entry it shows, and the position after the last nowhere.
        for (std::size_t i = 0; i <= c.expected.size(); ++i) {
            EXPECT_STREQ(m_index.GetTargetAt(static_cast<std::int64_t>(i)),
                         i < c.expected.size() ? m_targets[c.expected[i]].c_str() : nullptr)
                << "line " << i;
        }
    }
}

TEST_F(QueryFilterTest, OpeningALineShowsItsTargetWithoutTheFragment) {
    ASSERT_EQ(Filter("setup"), (Lines{"Beta Setup", "setup"}));
    test::FakeBrowserPane pane;
    EXPECT_EQ(m_index.OpenEntryAt(pane, 0), 1);
    EXPECT_EQ(m_index.OpenEntryAt(pane, 2), 0);
    EXPECT_EQ(m_index.OpenEntryAt(pane, -1), 0);
    EXPECT_EQ(pane.navigations, Lines{"beta.htm"});
}

TEST_F(QueryFilterTest, QueryIsCutTo99CharactersAndEachRunReplacesListOnce) {
    const std::string sText(150, 'q');
    m_index.AddLinkEntry("long.htm", sText.c_str());
    EXPECT_EQ(Filter("").size(), 7u) << "new entries show only once the order is rebuilt";
    m_index.RebuildOrder();
    m_list.nReplaceCalls = 0;
    // 99 characters of 'q' match; a 100th different character is beyond the cut.
    EXPECT_EQ(Filter((std::string(99, 'q') + "Z").c_str()), Lines{sText});
    EXPECT_EQ(Filter(nullptr).size(), 8u);
    EXPECT_EQ(m_list.nReplaceCalls, 2);
}

TEST_F(QueryFilterTest, ListsShareOneUnchangingTextBlockThatOutlivesAClear) {
    ASSERT_EQ(Filter("").size(), 7u);
    const std::shared_ptr<const CLineTexts> pOld = m_list.pTexts;
    ASSERT_EQ(Filter("setup"), (Lines{"Beta Setup", "setup"}));
    EXPECT_EQ(m_list.pTexts, pOld) << "a keystroke reuses the block of the same order";
    // A new order makes a new block; the one a list kept still reads as before, even after the
    // entries it came from are gone.
    m_index.AddLinkEntry("aa.htm", "Aardvark");
    m_index.RebuildOrder();
    ASSERT_EQ(Filter("").size(), 8u);
    EXPECT_NE(m_list.pTexts, pOld);
    m_index.Clear();
    ASSERT_EQ(Filter(""), Lines{});
    ASSERT_EQ(pOld->GetCount(), 7u);
    EXPECT_STREQ(pOld->GetText(1), "Beta Setup");
    EXPECT_EQ(pOld->GetLine(6), "\xC4RGER");
}

TEST(ShowTargetTest, CutsAtTheLastHash) {
    const std::pair<const char*, const char*> cases[] = {
        {"c:\\site\\a.htm", "c:\\site\\a.htm"},
        {"c:\\site\\a.htm#one#two", "c:\\site\\a.htm#one"},
        {"#top", ""},
        {"/opt/my#dir/page.htm", "/opt/my"},
        {"", ""},
    };
    for (const auto& [pszTarget, pszUrl] : cases) {
        SCOPED_TRACE(pszTarget);
        test::FakeBrowserPane pane;
        EXPECT_TRUE(ShowTarget(pane, pszTarget));
        EXPECT_EQ(pane.navigations, Lines{pszUrl});
    }
    // Longer targets are cut to the 999 characters that fit the working buffer.
    test::FakeBrowserPane pane;
    const std::string sLong = std::string(1200, 'p') + "#f";
    EXPECT_TRUE(ShowTarget(pane, sLong.c_str()));
    EXPECT_EQ(pane.navigations, Lines{std::string(kShowTargetCapacity - 1, 'p')});
}

}  // namespace
}  // namespace sitefinch
