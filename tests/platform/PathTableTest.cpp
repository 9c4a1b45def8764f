// The path table against std::unordered_map, across growth, empty and block-sized paths.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>

#include "platform/PathTable.h"

namespace sitefinch {
namespace {

TEST(PathTableTest, MatchesUnorderedMapAcrossGrowth) {
    std::mt19937 rng(3);
    CPathTable<int> table;
    std::unordered_map<std::string, int> model;
    // Short paths that collide often, the empty path, and a few longer than a path block.
    auto randomPath = [&rng]() -> std::string {
        switch (rng() % 50) {
            case 0:
                return std::string();
            case 1:
                return std::string(70000 + rng() % 3, 'x');
            default:
                return "/site/d" + std::to_string(rng() % 100) + "/P" +
                       std::to_string(rng() % 400) + ".htm";
        }
    };
    for (int i = 0; i < 60000; ++i) {
        const std::string sPath = randomPath();
        SCOPED_TRACE("step " + std::to_string(i) + " path of " + std::to_string(sPath.size()) +
                     " bytes: " + sPath.substr(0, 40));
        const auto it = model.find(sPath);
        int* pValue = table.Find(sPath);
        ASSERT_EQ(pValue != nullptr, it != model.end());
        if (pValue != nullptr) {
            ASSERT_EQ(*pValue, it->second);
            *pValue += 1;  // values are updated in place
            it->second += 1;
        } else {
            ASSERT_EQ(table.Add(sPath, i), i);
            model.emplace(sPath, i);
        }
    }
    EXPECT_EQ(table.GetCount(), model.size());
    for (const auto& [sPath, nValue] : model) {
        const int* pValue = table.Find(sPath);
        ASSERT_NE(pValue, nullptr) << sPath.substr(0, 40);
        EXPECT_EQ(*pValue, nValue) << sPath.substr(0, 40);
    }
    table.Clear();
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_EQ(table.Find("/site/d1/P1.htm"), nullptr);
    EXPECT_EQ(table.Add("/site/d1/P1.htm", 5), 5);
    EXPECT_EQ(*table.Find("/site/d1/P1.htm"), 5);
    EXPECT_EQ(table.Find("/site/d1/p1.htm"), nullptr) << "paths compare case-sensitively";
}

}  // namespace
}  // namespace sitefinch
