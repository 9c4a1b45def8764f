// The index object: adding entries, entity decoding, clearing, counters, statistics, the path
// list and the progress window's Ok.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"

namespace sitefinch {
namespace {

using test::BuildWindowLog;
using test::FakeBuildWindow;
using test::FakeHost;
using Entries = std::vector<std::pair<std::string, std::string>>;  // text, target

class LinkIndexTest : public ::testing::Test {
protected:
    // The in-order list is only current after RebuildOrder; walk the tree itself instead.
    Entries Ordered() {
        Entries entries;
        Walk(m_index.GetTree().GetRoot(), entries);
        return entries;
    }
    static void Walk(const CEntryNode* p, Entries& entries) {
        if (p != nullptr) {
            Walk(p->m_pLeft, entries);
            entries.emplace_back(p->m_pEntry->GetText(), p->m_pEntry->GetTarget());
            Walk(p->m_pRight, entries);
        }
    }

    CMemFileSystem m_fs;
    FakeHost m_host;
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
    m_index.AddTitleEntry("p4", "  ");  // a second empty text is rejected
    m_index.AddTitleEntry("p5", "Gr&ouml;&szlig;e");
    m_index.AddTitleEntry("p6", "welcome");  // equal to "Welcome" under the order
    EXPECT_EQ(m_index.GetLinkCount(), 0) << "titles are not counted";
    EXPECT_TRUE(m_index.AddLinkEntry("a.htm", "Index"));
    EXPECT_FALSE(m_index.AddLinkEntry("b.htm", "index"));
    EXPECT_FALSE(m_index.AddLinkEntry("", "Text"));
    EXPECT_FALSE(m_index.AddLinkEntry("c.htm", ""));
    EXPECT_FALSE(m_index.AddLinkEntry(nullptr, "Text"));
    EXPECT_TRUE(m_index.AddLinkEntry("d.htm", "  spaced"));  // links keep their blanks
    // The emptiness test looks at the text before decoding; "&quot;" decodes to "'".
    EXPECT_TRUE(m_index.AddLinkEntry("e.htm", "&quot;"));
    EXPECT_EQ(Ordered(), (Entries{{"", "p3"},
                                  {"  spaced", "d.htm"},
                                  {"'", "e.htm"},
                                  {"Gr\xF6\xDF"
                                   "e",
                                   "p5"},
                                  {"Index", "a.htm"},
                                  {"Welcome", "p1"}}));
    EXPECT_EQ(m_index.GetLinkCount(), 3);
    EXPECT_EQ(m_index.GetPageCount(), 0);
}

TEST_F(LinkIndexTest, ClearEmptiesEverythingButTheProgressWindow) {
    m_index.UpdateStatistics();  // no window: nothing to show it in
    m_host.NewBuildWindow();
    FakeBuildWindow* pWnd = m_host.pLastBuildWindow;
    pWnd->SetIndex(&m_index);
    m_index.SetProgressWnd(pWnd);
    m_fs.SetFile("/x.idx", "B\r\n@b\r\n");
    ASSERT_TRUE(m_index.LoadIndex("/x.idx"));
    m_index.AddLinkEntry("a", "A");
    m_index.AddLinkEntry("c", "C");
    m_index.UpdateStatistics();
    EXPECT_EQ(m_host.buildWindows.back()->statisticsTexts,
              std::vector<std::string>{"0 pages, 3 links"});
    test::FakeResultList list;
    m_index.FilterEntries(list, "");
    ASSERT_EQ(m_index.GetResultCount(), 1u);

    m_index.Clear();
    EXPECT_EQ(m_index.GetTree().GetHead(), nullptr);
    EXPECT_EQ(m_index.GetTree().GetRoot(), nullptr);
    EXPECT_EQ(m_index.GetLinkCount(), 0);
    EXPECT_EQ(m_index.GetResultCount(), 0u);
    for (std::int64_t nPos : {-1, 0, 1, 65536}) {
        EXPECT_EQ(m_index.GetTargetAt(nPos), nullptr) << nPos;
    }
    EXPECT_EQ(m_index.GetProgressWnd(), pWnd);
    EXPECT_TRUE(m_host.PressOkOnLiveWindow());
    EXPECT_EQ(m_index.GetProgressWnd(), nullptr);
    EXPECT_TRUE(m_host.buildWindows.back()->bDeleted);
}

TEST(BuildProgressWndTest, OkUnlinksBothSidesOnlyWhenLinked) {
    CMemFileSystem fs;
    FakeHost host;
    CLinkIndex index(fs, host);
    auto pLog = std::make_shared<BuildWindowLog>();
    auto* pWnd = new FakeBuildWindow(pLog);
    pWnd->OnOK();  // not linked: stays open
    pWnd->OnClose();
    EXPECT_FALSE(pLog->bDeleted);
    pWnd->SetIndex(&index);
    pWnd->OnClose();
    EXPECT_TRUE(pLog->bDeleted);
    EXPECT_EQ(index.GetProgressWnd(), nullptr);
}

TEST(PathListTest, KeepsOrderAndAnswersMembershipLikeTheList) {
    CPathList list;
    for (const char* pszPath : {"c:\\a.htm", "c:\\b.htm", "c:\\a.htm"}) {
        list.AddTail(pszPath);
    }
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
    EXPECT_TRUE(list.IsEmpty());
}

}  // namespace
}  // namespace sitefinch
