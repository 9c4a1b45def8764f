// The index object: adding entries, entity decoding, clearing, counters, statistics, the path
// lists and the progress window's Ok.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"

namespace sitefinch {
namespace {

using test::BuildWindowLog;
using test::FakeBuildWindow;
using test::FakeHost;
using test::FakeResultList;

struct Entry {
    std::string sText;
    std::string sTarget;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
    return os << "{\"" << e.sText << "\", \"" << e.sTarget << "\"}";
}

class LinkIndexTest : public ::testing::Test {
protected:
    // The in-order list is only current after RebuildOrder; walk the tree itself instead.
    std::vector<Entry> Ordered() {
        std::vector<Entry> entries;
        Walk(m_index.GetTree().GetRoot(), entries);
        return entries;
    }
    static void Walk(const CEntryNode* p, std::vector<Entry>& entries) {
        if (p == nullptr) {
            return;
        }
        Walk(p->m_pLeft, entries);
        entries.push_back({p->m_pEntry->GetText(), p->m_pEntry->GetTarget()});
        Walk(p->m_pRight, entries);
    }

    CMemFileSystem m_fs;
    FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host, '\\'};
};

TEST_F(LinkIndexTest, DecodesExactlyTheEightEntities) {
    struct Case {
        const char* pszIn;
        const char* pszOut;
    };
    const Case cases[] = {
        {"M&uuml;ller", "M\xFCller"},
        {"&quot;Hi&quot;", "'Hi'"},
        {"&auml;&ouml;&uuml;&Auml;&Ouml;&Uuml;&szlig;", "\xE4\xF6\xFC\xC4\xD6\xDC\xDF"},
        {"&Auml", "&Auml"},
        {"&AUML;", "&AUML;"},
        {"&amp;", "&amp;"},
        {"&nbsp;&lt;&#228;", "&nbsp;&lt;&#228;"},
        {"a & b", "a & b"},
        {"&", "&"},
        {"&&auml;", "&\xE4"},
        {"&amp;auml;", "&amp;auml;"},
        {"x&szlig", "x&szlig"},
        {"\tTab&ouml;", "\tTab\xF6"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszIn);
        std::string sText = c.pszIn;
        CLinkIndex::DecodeEntities(sText.data());
        EXPECT_STREQ(sText.c_str(), c.pszOut);
    }
}

TEST_F(LinkIndexTest, TitleEntriesSkipLeadingBlanksDecodeAndAreNotCounted) {
    m_index.AddTitleEntry("p1", "   Welcome");
    m_index.AddTitleEntry("p2", "\xC4rger");
    m_index.AddTitleEntry("p3", " \t ");
    m_index.AddTitleEntry("p4", "  ");  // a second empty text is rejected
    m_index.AddTitleEntry("p5", "Gr&ouml;&szlig;e");
    m_index.AddTitleEntry("p6", "welcome");  // equal to "Welcome" under the order
    EXPECT_EQ(Ordered(), (std::vector<Entry>{{"", "p3"},
                                             {"Gr\xF6\xDF"
                                              "e",
                                              "p5"},
                                             {"Welcome", "p1"},
                                             {"\xC4rger", "p2"}}));
    EXPECT_EQ(m_index.GetLinkCount(), 0);
    EXPECT_EQ(m_index.GetPageCount(), 0);
}

TEST_F(LinkIndexTest, LinkEntriesFirstWinsAndCountOnlyInsertions) {
    EXPECT_TRUE(m_index.AddLinkEntry("a.htm", "Index"));
    EXPECT_FALSE(m_index.AddLinkEntry("b.htm", "index"));
    EXPECT_FALSE(m_index.AddLinkEntry("", "Text"));
    EXPECT_FALSE(m_index.AddLinkEntry("c.htm", ""));
    EXPECT_FALSE(m_index.AddLinkEntry(nullptr, "Text"));
    EXPECT_TRUE(m_index.AddLinkEntry("d.htm", "  spaced"));  // links keep their blanks
    // The emptiness test looks at the text before decoding; "&quot;" decodes to "'".
    EXPECT_TRUE(m_index.AddLinkEntry("e.htm", "&quot;"));
    EXPECT_EQ(Ordered(),
              (std::vector<Entry>{{"  spaced", "d.htm"}, {"'", "e.htm"}, {"Index", "a.htm"}}));
    EXPECT_EQ(m_index.GetLinkCount(), 3);
}

TEST_F(LinkIndexTest, ClearEmptiesEverythingButTheProgressWindow) {
    m_host.NewBuildWindow();
    FakeBuildWindow* pWnd = m_host.pLastBuildWindow;
    pWnd->SetIndex(&m_index);
    m_index.SetProgressWnd(pWnd);

    m_fs.SetFile("/x.idx", "B\r\n@b\r\n");
    ASSERT_TRUE(m_index.LoadIndex("/x.idx"));
    m_index.AddLinkEntry("a", "A");
    FakeResultList list;
    m_index.FilterEntries(list, "");
    ASSERT_EQ(m_index.GetResultCount(), 1u);

    m_index.Clear();
    EXPECT_EQ(m_index.GetTree().GetHead(), nullptr);
    EXPECT_EQ(m_index.GetTree().GetRoot(), nullptr);
    EXPECT_EQ(m_index.GetLinkCount(), 0);
    EXPECT_EQ(m_index.GetPageCount(), 0);
    EXPECT_EQ(m_index.GetResultCount(), 0u);
    for (std::int64_t nPos : {-1, 0, 1, 65536}) {
        EXPECT_EQ(m_index.GetTargetAt(nPos), nullptr) << nPos;
    }
    EXPECT_EQ(m_index.GetProgressWnd(), pWnd);

    EXPECT_TRUE(m_host.PressOkOnLiveWindow());
    EXPECT_EQ(m_index.GetProgressWnd(), nullptr);
    EXPECT_TRUE(m_host.buildWindows.back()->bDeleted);
}

TEST_F(LinkIndexTest, StatisticsGoToTheProgressWindowWhenThereIsOne) {
    m_index.UpdateStatistics();  // no window: nothing to show it in
    m_host.NewBuildWindow();
    m_index.SetProgressWnd(m_host.pLastBuildWindow);
    m_index.AddLinkEntry("a", "A");
    m_index.AddLinkEntry("b", "B");
    m_index.UpdateStatistics();
    EXPECT_EQ(m_host.buildWindows.back()->statisticsTexts,
              std::vector<std::string>{"0 pages, 2 links"});
    m_index.SetProgressWnd(nullptr);
    delete m_host.pLastBuildWindow;
}

TEST(BuildProgressWndTest, OkUnlinksBothSidesOnlyWhenLinked) {
    CMemFileSystem fs;
    FakeHost host;
    CLinkIndex index(fs, host);
    auto pLog = std::make_shared<BuildWindowLog>();
    auto* pWnd = new FakeBuildWindow(pLog);
    pWnd->OnOK();  // not linked: stays open
    pWnd->OnClose();
    EXPECT_FALSE(pLog->bDestroyed);
    pWnd->SetIndex(&index);
    pWnd->OnClose();
    EXPECT_TRUE(pLog->bDestroyed);
    EXPECT_TRUE(pLog->bDeleted);
    EXPECT_EQ(index.GetProgressWnd(), nullptr);
}

TEST(PathListTest, KeepsOrderAndAnswersMembershipLikeTheList) {
    CPathList list;
    for (const char* pszPath : {"c:\\a.htm", "c:\\b.htm", "c:\\a.htm"}) {
        list.AddTail(pszPath);
    }
    EXPECT_TRUE(list.Contains("c:\\a.htm"));
    EXPECT_FALSE(list.Contains("C:\\A.HTM")) << "membership is case-sensitive";
    std::string sHead;
    ASSERT_TRUE(list.RemoveHead(sHead));
    EXPECT_EQ(sHead, "c:\\a.htm");
    EXPECT_TRUE(list.Contains("c:\\a.htm")) << "a second copy is still queued";
    ASSERT_TRUE(list.RemoveHead(sHead));
    EXPECT_EQ(sHead, "c:\\b.htm");
    EXPECT_FALSE(list.Contains("c:\\b.htm"));
    ASSERT_TRUE(list.RemoveHead(sHead));
    EXPECT_FALSE(list.Contains("c:\\a.htm"));
    EXPECT_FALSE(list.RemoveHead(sHead));
    EXPECT_TRUE(list.IsEmpty());
}

}  // namespace
}  // namespace sitefinch
