// Membership of the crawl's path lists when paths come back after leaving.
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

}  // namespace
}  // namespace sitefinch
