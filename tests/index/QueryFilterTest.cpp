// The query filter, the position lookups and the browser pane's cut at the last '#'.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"

namespace sitefinch {
namespace {

using test::FakeBrowserPane;
using test::FakeHost;
using test::FakeResultList;
using Lines = std::vector<std::string>;

class QueryFilterTest : public ::testing::Test {
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

    CMemFileSystem m_fs;
    FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host};
    FakeResultList m_list;
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
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            // Every line leads back to the entry it shows.
            const char* pszTarget = m_index.GetTargetAt(static_cast<std::int64_t>(i));
            ASSERT_NE(pszTarget, nullptr) << "line " << i;
            EXPECT_EQ(pszTarget, m_targets[c.expected[i]]) << "line " << i;
        }
        EXPECT_EQ(m_index.GetTargetAt(static_cast<std::int64_t>(c.expected.size())), nullptr);
    }
}

TEST_F(QueryFilterTest, PositionsMapToTheirEntriesAndOpenDropsTheFragment) {
    ASSERT_EQ(Filter("setup"), (Lines{"Beta Setup", "setup"}));
    FakeBrowserPane pane;
    EXPECT_EQ(m_index.OpenEntryAt(pane, 0), 1);
    EXPECT_EQ(m_index.OpenEntryAt(pane, 1), 1);
    EXPECT_EQ(m_index.OpenEntryAt(pane, 2), 0);
    EXPECT_EQ(m_index.OpenEntryAt(pane, -1), 0);
    EXPECT_EQ(pane.navigations, (Lines{"beta.htm", "setup.htm"}));

    // After a Clear the old lines lead nowhere until the filter runs again.
    m_index.Clear();
    EXPECT_EQ(m_index.GetTargetAt(0), nullptr);
    EXPECT_EQ(m_index.OpenEntryAt(pane, 0), 0);
    EXPECT_EQ(pane.navigations.size(), 2u);
    EXPECT_EQ(Filter(""), Lines{});
}

TEST_F(QueryFilterTest, QueryIsCutTo99CharactersAndEachRunReplacesListOnce) {
    const std::string sText(150, 'q');
    ASSERT_EQ(Filter("").size(), 7u);
    m_index.AddLinkEntry("long.htm", sText.c_str());
    EXPECT_EQ(Filter("").size(), 7u) << "new entries show only once the order is rebuilt";
    m_index.RebuildOrder();
    EXPECT_EQ(Filter("").size(), 8u);
    // 99 characters of 'q' match; a 100th different character is beyond the cut.
    const std::string sQuery = std::string(99, 'q') + "Z";
    m_list.nReplaceCalls = 0;
    EXPECT_EQ(Filter(sQuery.c_str()), Lines{sText});
    EXPECT_EQ(Filter(nullptr).size(), 8u);
    EXPECT_EQ(m_list.nReplaceCalls, 2);
}

TEST_F(QueryFilterTest, ListsShareOneUnchangingTextBlockThatOutlivesAClear) {
    ASSERT_EQ(Filter("").size(), 7u);
    EXPECT_EQ(m_list.numbers, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6}));
    const std::shared_ptr<const CLineTexts> pOld = m_list.pTexts;
    ASSERT_EQ(Filter("setup"), (Lines{"Beta Setup", "setup"}));
    EXPECT_EQ(m_list.pTexts, pOld) << "a keystroke reuses the block of the same order";
    EXPECT_EQ(m_list.numbers, (std::vector<std::uint32_t>{1, 5}));

    // A new order makes a new block; the one a list kept still reads as before, even after the
    // entries it came from are gone.
    m_index.AddLinkEntry("aa.htm", "Aardvark");
    m_index.RebuildOrder();
    ASSERT_EQ(Filter("").size(), 8u);
    EXPECT_NE(m_list.pTexts, pOld);
    m_index.Clear();
    ASSERT_EQ(Filter(""), Lines{});
    EXPECT_EQ(m_list.pTexts->GetCount(), 0u);
    ASSERT_EQ(pOld->GetCount(), 7u);
    EXPECT_EQ(pOld->GetLine(0), "Alpha");
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
