// Tests of the set of entry texts: its equality must be exactly the entry order's.
#include <gtest/gtest.h>

#include <string>

#include "index/EntryTextSet.h"
#include "index/IndexEntry.h"

namespace sitefinch {
namespace {

TEST(EntryTextSetTest, EqualExactlyWhenTheEntryOrderSaysEqual) {
    struct Case {
        std::string sStored;
        std::string sProbe;
    };
    const Case cases[] = {
        {"Topic", "Topic"},
        {"Topic", "tOPIC"},
        {"Topic", "Topics"},
        {"Topics", "Topic"},
        {"", ""},
        {"a", ""},
        {"\xC4nderung", "\xE4nderung"},  // only 'A'..'Z' fold
        {"[x]", "{x}"},                  // neighbours of the letters do not fold
        {"@", "`"},
        {"Z_", "z_"},
        {"Page 1", "Page 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.sStored + "' vs '" + c.sProbe + "'");
        CEntryTextSet set;
        set.Add(c.sStored);
        const bool bEqual = CompareEntryTexts(c.sStored.c_str(), c.sProbe.c_str()) == 0;
        EXPECT_EQ(set.Contains(c.sProbe), bEqual);
        set.Clear();
        EXPECT_FALSE(set.Contains(c.sStored));
    }
}

}  // namespace
}  // namespace sitefinch
