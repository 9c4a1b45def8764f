// The index object: adding entries, entity decoding, the path list; the index file: golden files,
// damaged input, atomic saving, the load protocol; the query filter, the position lookups and the
// browser pane's cut at the last '#'.
#include <map>
#include <string>
#include <tuple>

#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

std::string ReadDataFile(const char* pszName) {
    return ReadWhole(std::string(SITEFINCH_TEST_DATA_DIR) + "/index/" + pszName);
}

class LinkIndexTest : public ::testing::Test, protected Site {
protected:
    bool Load(const std::string& sContent) {
        fs.SetFile("/in.idx", sContent);
        return index.LoadIndex("/in.idx");
    }

    // Links a fresh recording build window to the index, both ways, as a build does.
    BuildWindowLog& WatchProgressWindow() {
        host.NewBuildWindow();
        host.pLastBuildWindow->SetIndex(&index);
        index.SetProgressWnd(host.pLastBuildWindow);
        return *host.buildWindows.back();
    }

    void TearDown() override {
        host.PressOkOnLiveWindow();  // a window still linked is deleted with its link
        EXPECT_EQ(fs.GetOpenCount(), 0) << "every file is closed on every way out";
    }
};

TEST(DecodeEntitiesTest, DecodesExactlyTheEightEntities) {
    const std::pair<const char*, const char*> cases[] = {
        {"&quot;Hi&quot; &&auml;", "'Hi' &\xE4"},
        {"&auml;&ouml;&uuml;&Auml;&Ouml;&Uuml;&szlig;", "\xE4\xF6\xFC\xC4\xD6\xDC\xDF"},
        // Other entities, other casings, no semicolon (up to the very end of the text), and the
        // text a decoded "&amp;" would give: all stay as they are.
        {"&AUML; &Auml &nbsp;&lt;&#228; &amp;auml; x&szlig", nullptr},
    };
    for (const auto& [pszIn, pszOut] : cases) {
        SCOPED_TRACE(pszIn);
        std::string sText = pszIn;
        CLinkIndex::DecodeEntities(sText.data());
        EXPECT_STREQ(sText.c_str(), pszOut != nullptr ? pszOut : pszIn);
    }
}

// Titles, blank ones included, always make an entry (see the golden file and the scanner's title
// fallback); a link needs a target and a text.
TEST_F(LinkIndexTest, OnlyLinksWithTargetAndTextAreEnteredAndCounted) {
    EXPECT_TRUE(index.AddLinkEntry("a.htm", "Index"));
    EXPECT_FALSE(index.AddLinkEntry("", "Text"));
    EXPECT_FALSE(index.AddLinkEntry("c.htm", ""));
    EXPECT_FALSE(index.AddLinkEntry(nullptr, "Text"));
    EXPECT_TRUE(index.AddLinkEntry("d.htm", "  spaced"));  // links keep their blanks
    EXPECT_EQ(EntriesOf(index), (Entries{{"  spaced", "d.htm"}, {"Index", "a.htm"}}));
    EXPECT_EQ(index.GetLinkCount(), 2) << "rejected links are not counted";
}

TEST(PathListTest, AnswersMembershipLikeTheQueueItCounts) {
    CPathList list;
    for (const char* pszPath : {"a.htm", "b.htm", "a.htm"}) {
        list.AddTail(pszPath);
    }
    EXPECT_FALSE(list.Contains("A.HTM")) << "membership is case-sensitive";
    // After each removal exactly the paths still queued are members; a second copy counts.
    std::string sHead, sMembers;
    while (list.RemoveHead(sHead)) {
        sMembers += sHead + ":" + (list.Contains("a.htm") ? "a" : "") +
                    (list.Contains("b.htm") ? "b" : "") + " ";
    }
    EXPECT_EQ(sMembers, "a.htm:ab b.htm:a a.htm: ");
    list.AddTail("a.htm");  // a path that left can come back
    list.AddTail(nullptr);  // a null path counts as the empty path
    EXPECT_TRUE(list.Contains("a.htm") && list.Contains(nullptr) && list.Contains(""));
    list.RemoveAll();
    EXPECT_FALSE(list.Contains("a.htm")) << "after RemoveAll";
}

TEST_F(LinkIndexTest, SavesTheGoldenFileOverAnOldOne) {
    index.AddTitleEntry("c:\\site\\index.htm", "Contents");
    index.AddLinkEntry("c:\\site\\files\\dl.htm#top", "Download area");
    index.AddLinkEntry("c:\\site\\gr\366\337e.htm", "Gr&ouml;&szlig;e");
    index.AddTitleEntry("c:\\site\\a.htm", "\xC4rger");
    index.AddTitleEntry("c:\\site\\blank.htm", "   ");
    index.AddLinkEntry("c:\\site\\other.htm", "contents");  // rejected: first wins
    index.RebuildOrder();
    fs.SetFile("/site/site.idx", "old content");
    ASSERT_TRUE(index.SaveIndex("/site/site.idx"));
    EXPECT_EQ(fs.GetFile("/site/site.idx"), ReadDataFile("saved.idx"));
    index.Clear();  // as after a build whose start page did not open
    ASSERT_TRUE(index.SaveIndex("/site/site.idx"));
    EXPECT_EQ(fs.GetFile("/site/site.idx"), "");
}

TEST_F(LinkIndexTest, DamagedGoldenFileLoadsByTheRules) {
    ASSERT_TRUE(Load(ReadDataFile("damaged.idx")));
    ASSERT_TRUE(index.SaveIndex("/out.idx"));
    EXPECT_EQ(fs.GetFile("/out.idx"), ReadDataFile("damaged-saved.idx"));
}

// The golden damaged file holds the other rules: misaligned and empty lines, LF ends, lone CRs,
// duplicates, entities and a missing final line end. Random bytes are the fuzz target's.
TEST_F(LinkIndexTest, HugeLinesAndBareTargetLinesLoadByTheRules) {
    // 10,485,760 bytes: 10,485 pieces of 999 (each losing its 1000th byte), then one of 760, so
    // the next line is a text line again.
    const std::string sHuge(10 * 1024 * 1024, 'x');
    const std::tuple<const char*, std::string, Entries> cases[] = {
        {"10 MB line, then a record", sHuge + "\r\nText\r\n@t\r\n", {{"Text", "t"}}},
        {"only @ lines", "@\r\n@\r\n@x\r\n@y\r\n", {{"@x", "y"}}},
        {"empty file", "", {}},
        // Bytes of every value, NULs cutting lines short: whatever pairs come of it, no crash.
        {"binary garbage",
         std::string("\x00\xFF\r\n\x01@\x00x\r\n\xFE\r\n@\xFF\r\n", 17),
         {{"\xFE", "\xFF"}}},
    };
    for (const auto& [pszName, sContent, expected] : cases) {
        SCOPED_TRACE(pszName);
        EXPECT_TRUE(Load(sContent));
        EXPECT_EQ(EntriesOf(index), expected);
        EXPECT_EQ(index.GetLinkCount(), static_cast<int>(expected.size()));
    }
}

TEST_F(LinkIndexTest, LoadProtocolPumpsAndReportsOncePerPair) {
    FakeResultList nestedList;
    bool bNestedLoad = true;
    host.onPump = [&](int) {
        // Handlers that run nested inside the load see an empty list and cannot start a load.
        EXPECT_TRUE(index.IsBusy());
        index.FilterEntries(nestedList, "");
        EXPECT_TRUE(nestedList.lines.empty());
        bNestedLoad = index.LoadIndex("/in.idx");
    };
    ASSERT_TRUE(Load("A\r\n@a\r\nB\r\n@b\r\nC\r\n@c\r\n"));
    EXPECT_FALSE(bNestedLoad);
    EXPECT_FALSE(index.IsBusy());
    EXPECT_EQ(host.events, (Strings{"loading-created", "progress:14", "pump", "progress:47", "pump",
                                    "progress:80", "pump", "loading-destroyed"}));
}

TEST_F(LinkIndexTest, ReadErrorEndsLoadWithWindowGoneAndNoList) {
    std::string sContent;
    for (int i = 0; i < 300; ++i) {
        sContent += "Entry " + std::to_string(1000 + i) + "\r\n@t\r\n";
    }
    fs.SetFile("/r.idx", sContent);
    fs.FailReadsAfter("/r.idx", 2000);
    EXPECT_FALSE(index.LoadIndex("/r.idx"));
    EXPECT_EQ(host.events.back(), "loading-destroyed");
    EXPECT_TRUE(InOrderOf(index).empty());
    EXPECT_GT(index.GetTree().GetCount(), 0u) << "entries read so far stay in the tree";
    EXPECT_FALSE(index.IsBusy());

    fs.SetFile("/len.idx", "A\r\n@a\r\n");
    fs.FailLength("/len.idx");
    EXPECT_FALSE(index.LoadIndex("/len.idx"));
    EXPECT_EQ(host.Count("loading-destroyed"), 2);
}

TEST_F(LinkIndexTest, UnopenableFileLeavesIndexAndTellsProgressWindow) {
    ASSERT_TRUE(index.AddLinkEntry("keep", "Keep"));
    EXPECT_FALSE(index.LoadIndex("/missing.idx"));  // no window: no message, no crash
    const Strings& lines = WatchProgressWindow().lines;
    EXPECT_FALSE(index.LoadIndex("") || index.LoadIndex(nullptr));
    EXPECT_FALSE(index.LoadIndex("/missing.idx"));
    EXPECT_FALSE(index.LoadIndex(std::string(3000, 'p').c_str()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "File /missing.idx could not be opened!");
    EXPECT_EQ(lines[1].size(), kMessageCapacity - 1) << "cut to the message buffer";
    EXPECT_EQ(EntriesOf(index), (Entries{{"Keep", "keep"}}));
    EXPECT_EQ(host.Count("loading-created"), 0);
}

TEST_F(LinkIndexTest, FailedSaveLeavesPreviousFileExactlyAsItWas) {
    Strings& lines = WatchProgressWindow().lines;
    // Only a file that cannot be opened is reported; the caller reports the rest.
    const std::tuple<const char*, std::function<void(CMemFileSystem&)>, bool> cases[] = {
        {"read-only file", [](CMemFileSystem& f) { f.SetReadOnly("/s.idx"); }, true},
        {"disk full", [](CMemFileSystem& f) { f.FailWritesAfter(3); }, false},
        {"commit fails", [](CMemFileSystem& f) { f.FailCommits(); }, false},
    };
    for (const auto& [pszName, inject, bReported] : cases) {
        SCOPED_TRACE(pszName);
        CMemFileSystem disk;
        disk.SetFile("/s.idx", "Old\r\n@old\r\n");
        inject(disk);
        CLinkIndex other(disk, host);
        other.AddLinkEntry("a", "A");
        other.RebuildOrder();
        other.SetProgressWnd(index.GetProgressWnd());
        lines.clear();
        EXPECT_FALSE(other.SaveIndex("/s.idx"));
        EXPECT_EQ(disk.GetFile("/s.idx"), "Old\r\n@old\r\n");
        EXPECT_EQ(disk.GetOpenCount(), 0);
        EXPECT_EQ(lines, bReported ? Strings{"File /s.idx could not be written!"} : Strings{});
    }
    EXPECT_FALSE(index.SaveIndex("") || index.SaveIndex(nullptr));
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
            index.AddLinkEntry(entry[0], entry[1]);
            m_targets[entry[2]] = entry[0];
        }
        index.RebuildOrder();
    }

    Strings Filter(const char* pszQuery) {
        index.FilterEntries(m_list, pszQuery);
        return m_list.lines;
    }

    FakeResultList m_list;
    std::map<std::string, std::string> m_targets;  // text -> target
};

TEST_F(QueryFilterTest, ListsEntriesContainingQueryIgnoringCaseInTreeOrder) {
    const std::pair<const char*, Strings> cases[] = {
        {"",
         {"Alpha", "Beta Setup", "Gamma Ray", "Gr\xC3\xB6\xC3\x9Ft", "M\xFCller", "setup",
          "\xC4RGER"}},
        {"SETUP", {"Beta Setup", "setup"}},
        {"a s", {"Beta Setup"}},
        {"a  s", {}},
        {"\xE4rg", {"\xC4RGER"}},  // Windows-1252 capitals fold too
        // A UTF-8 query finds the Windows-1252 text, and a 1252 query the UTF-8 text.
        {"m\xC3\xBCll", {"M\xFCller"}},
        {"\xF6\xDF", {"Gr\xC3\xB6\xC3\x9Ft"}},
        {"\xC3\x84Rg", {"\xC4RGER"}},
    };
    for (const auto& [pszQuery, expected] : cases) {
        SCOPED_TRACE(std::string("query '") + pszQuery + "'");
        EXPECT_EQ(Filter(pszQuery), expected);
        ASSERT_EQ(index.GetResultCount(), expected.size());
        // Every line leads back to the entry it shows, and the position after the last nowhere.
        for (std::size_t i = 0; i <= expected.size(); ++i) {
            EXPECT_STREQ(index.GetTargetAt(static_cast<std::int64_t>(i)),
                         i < expected.size() ? m_targets[expected[i]].c_str() : nullptr)
                << "line " << i;
        }
    }
}

TEST_F(QueryFilterTest, LowerCasedFormsMadeInSlicesFindWhatFormsMadeAtOnceFind) {
    const Strings all = Filter("");
    const Strings expected[] = {Filter("SETUP"), Filter("\xE4rg"), Filter("m\xC3\xBCll")};
    for (const std::size_t nSlice : {1, 3, 6, 7}) {
        for (const std::size_t nPrepared : {std::size_t{0}, nSlice, std::size_t{7}}) {
            SCOPED_TRACE("slices of " + std::to_string(nSlice) + ", " + std::to_string(nPrepared) +
                         " made before the query");
            index.RebuildOrder();  // a new order drops every form made
            ASSERT_EQ(Filter(""), all);
            for (std::size_t n = 0; n < nPrepared; n += nSlice) {
                EXPECT_EQ(index.PrepareFilter(nSlice), n + nSlice >= all.size());
            }
            EXPECT_EQ(Filter("SETUP"), expected[0]);
            EXPECT_EQ(Filter("\xE4rg"), expected[1]);
            EXPECT_EQ(Filter("m\xC3\xBCll"), expected[2]);
            EXPECT_TRUE(index.PrepareFilter(1)) << "a query leaves nothing to make";
        }
    }
    index.Clear();
    EXPECT_TRUE(index.PrepareFilter(1)) << "nothing to make for a tree that changed";
}

TEST_F(QueryFilterTest, QueryIsCutTo99CharactersAndEachRunReplacesListOnce) {
    const std::string sText(150, 'q');
    index.AddLinkEntry("long.htm", sText.c_str());
    EXPECT_EQ(Filter("").size(), 7u) << "new entries show only once the order is rebuilt";
    index.RebuildOrder();
    m_list.nReplaceCalls = 0;
    // 99 characters of 'q' match; a 100th different character is beyond the cut.
    EXPECT_EQ(Filter((std::string(99, 'q') + "Z").c_str()), Strings{sText});
    EXPECT_EQ(Filter(nullptr).size(), 8u);
    EXPECT_EQ(m_list.nReplaceCalls, 2);
}

TEST_F(QueryFilterTest, ListsShareOneUnchangingTextBlockThatOutlivesAClear) {
    ASSERT_EQ(Filter("").size(), 7u);
    const std::shared_ptr<const CLineTexts> pOld = m_list.pTexts;
    ASSERT_EQ(Filter("setup"), (Strings{"Beta Setup", "setup"}));
    EXPECT_EQ(m_list.pTexts, pOld) << "a keystroke reuses the block of the same order";
    // A new order makes a new block; the one a list kept still reads as before, even after the
    // entries it came from are gone.
    index.AddLinkEntry("aa.htm", "Aardvark");
    index.RebuildOrder();
    ASSERT_EQ(Filter("").size(), 8u);
    EXPECT_NE(m_list.pTexts, pOld);
    index.Clear();
    EXPECT_EQ(index.GetResultCount(), 0u);
    EXPECT_EQ(index.GetTargetAt(0), nullptr) << "the results went with the entries";
    ASSERT_EQ(Filter(""), Strings{});
    // New entries must not land where the kept texts lie.
    for (int i = 0; i < 100; ++i) {
        index.AddLinkEntry("new.htm", ("Overwritten " + std::to_string(i)).c_str());
    }
    index.RebuildOrder();
    ASSERT_EQ(Filter("").size(), 100u);
    ASSERT_EQ(pOld->GetCount(), 7u);
    EXPECT_STREQ(pOld->GetText(1), "Beta Setup");
    EXPECT_EQ(pOld->GetLine(6), "\xC4RGER");
}

TEST(ShowTargetTest, CutsAtTheLastHash) {
    const std::string sLong = std::string(1200, 'p') + "#f";
    const std::pair<std::string, std::string> cases[] = {
        {"c:\\site\\a.htm", "c:\\site\\a.htm"},
        {"c:\\site\\a.htm#one#two", "c:\\site\\a.htm#one"},
        {"#top", ""},
        // Longer targets are cut to the 999 characters that fit the working buffer.
        {sLong, std::string(kShowTargetCapacity - 1, 'p')},
    };
    for (const auto& [sTarget, sUrl] : cases) {
        SCOPED_TRACE(sTarget.substr(0, 40));
        FakeBrowserPane pane;
        EXPECT_TRUE(ShowTarget(pane, sTarget.c_str()));
        EXPECT_EQ(pane.navigations, Strings{sUrl});
    }
}

}  // namespace
}  // namespace sitefinch::test
