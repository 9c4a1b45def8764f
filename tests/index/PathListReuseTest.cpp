// Membership of the crawl's path lists when paths come back after leaving and lists grow large.
#include <gtest/gtest.h>

#include <string>

#include "index/PathList.h"

namespace sitefinch {
namespace {

TEST(PathListTest, PathThatLeftCanComeBackAndRemoveAllForgetsEverything) {
    CPathList list;
    list.AddTail("d/a.htm");
    std::string sHead;
    ASSERT_TRUE(list.RemoveHead(sHead));
    EXPECT_FALSE(list.Contains("d/a.htm")) << "after its only copy left";
    list.AddTail("d/a.htm");
    EXPECT_TRUE(list.Contains("d/a.htm")) << "after it was added again";
    EXPECT_FALSE(list.Contains("")) << "the empty path was never added";
    list.AddTail(nullptr);
    EXPECT_TRUE(list.Contains(nullptr)) << "a null path counts as the empty path";
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.Contains("d/a.htm")) << "after RemoveAll";
    EXPECT_FALSE(list.Contains("")) << "after RemoveAll";
}

TEST(PathListTest, LargeListKeepsEveryMemberAndTheOrder) {
    constexpr int kPaths = 5000;  // several times the hash table's first size
    CPathList list;
    for (int i = 0; i < kPaths; ++i) {
        list.AddTail(("p" + std::to_string(i) + ".htm").c_str());
    }
    for (int i = 0; i < kPaths; ++i) {
        const std::string sPath = "p" + std::to_string(i) + ".htm";
        ASSERT_TRUE(list.Contains(sPath.c_str())) << sPath;
    }
    EXPECT_FALSE(list.Contains("p5000.htm"));
    std::string sHead;
    for (int i = 0; i < kPaths; ++i) {
        const std::string sPath = "p" + std::to_string(i) + ".htm";
        ASSERT_TRUE(list.RemoveHead(sHead));
        ASSERT_EQ(sHead, sPath);
        ASSERT_FALSE(list.Contains(sPath.c_str())) << sPath << " after it left";
    }
}

}  // namespace
}  // namespace sitefinch
