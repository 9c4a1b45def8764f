// Tests of how a build treats texts that repeat across titles and links: the first entry of a
// text wins, with the same equality as the tree's (ASCII letters folded, entities decoded first).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "indexer/IndexerTestUtil.h"
#include "platform/MemFileSystem.h"

namespace sitefinch::test {
namespace {

constexpr const char kStart[] = "/site/index.htm";
constexpr const char kIndexFile[] = "/site/index.idx";

class RepeatedTextsTest : public ::testing::Test {
protected:
    RepeatedTextsTest() {
        // Octal escapes, so that a letter after them is not taken as one more hex digit.
        m_fs.SetFile(kStart,
                     "<title>Guide</title>\n"
                     "<a href=\"a.htm\">Topic</a>\n"
                     "<a href=\"b.htm\">TOPIC</a>\n"             // same text, other case
                     "<a href=\"a.htm\">Gr&uuml;&szlig;e</a>\n"  // Gr\374\337e once decoded
                     "<a href=\"b.htm\">Gr\374\337e</a>\n"       // the same text
                     "<a href=\"b.htm\">GR\334\337E</a>\n"       // 0xDC is no ASCII letter
                     "<a href=\"b.htm\">guide</a>\n"             // the title's text
                     "<a href=\"missing.htm\">Broken</a>\n");    // no file: no entry
        m_fs.SetFile("/site/a.htm",
                     "<title>topic</title>\n<a href=\"b.htm\">B page</a>\n"
                     "<a href=\"b.htm\">Broken</a>\n");
        m_fs.SetFile("/site/b.htm", "<title>Gr&uuml;&szlig;e</title>\n");
    }

    CMemFileSystem m_fs;
    FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host, '/'};
};

TEST_F(RepeatedTextsTest, FirstEntryOfATextWinsInEveryBuild) {
    const std::vector<EntryPair> expected = {
        {"B page", "/site/b.htm"},
        {"Broken", "/site/b.htm"},  // the link to the missing page made no entry to win with
        {"GR\334\337E", "/site/b.htm"},
        {"Gr\374\337e", "/site/a.htm"},
        {"Guide", "/site/index.htm"},
        {"Topic", "/site/a.htm"},
    };
    // A second build must start from nothing again, texts included.
    for (int nBuild = 1; nBuild <= 2; ++nBuild) {
        SCOPED_TRACE(nBuild);
        ASSERT_EQ(m_index.BuildIndex(kStart, kIndexFile), 1);
        EXPECT_EQ(EntriesOf(m_index), expected);
        EXPECT_EQ(m_index.GetLinkCount(), 5);  // titles are not counted
        EXPECT_EQ(m_index.GetTree().GetCount(), expected.size());
    }

    // After the build the tree alone still turns a repeated text away.
    EXPECT_FALSE(m_index.AddLinkEntry("/site/x.htm", "TOPIC"));
    EXPECT_FALSE(m_index.AddLinkEntry("/site/x.htm", "gr&Uuml;&szlig;e"));
    EXPECT_TRUE(m_index.AddLinkEntry("/site/x.htm", "Topics"));
    EXPECT_EQ(m_index.GetLinkCount(), 6);
}

// A handler nested in the build's pump that empties the index and adds an entry must find the
// texts of the entries it freed gone.
TEST_F(RepeatedTextsTest, ClearInsideTheBuildForgetsTheTexts) {
    bool bAdded = false;
    m_host.onPump = [this, &bAdded](int nPump) {
        if (nPump == 1) {
            m_index.Clear();
            bAdded = m_index.AddLinkEntry("/site/x.htm", "Topic");
        }
    };
    ASSERT_EQ(m_index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_TRUE(bAdded);
    EXPECT_EQ(EntriesOf(m_index), (std::vector<EntryPair>{{"Topic", "/site/x.htm"}}));
}

}  // namespace
}  // namespace sitefinch::test
