// The result list's model: one reset per refill, stored bytes kept, display text decoded, and
// the shared text block kept alive while rows show it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "UiTestSupport.h"
#include "ui/ResultListModel.h"

namespace sitefinch {
namespace {

std::shared_ptr<const CLineTexts> MakeTexts(const std::vector<const char*>& texts) {
    auto pTexts = std::make_shared<CLineTexts>();
    for (const char* pszText : texts) {
        pTexts->AddLine(pszText);
    }
    return pTexts;
}

TEST(ResultListModelTest, ReplacesAllLinesWithOneResetAndDecodesForDisplayOnly) {
    uitest::EnsureUiApp();
    CResultListModel model;
    int nResets = 0;
    int nInserts = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, &model, [&] { ++nResets; });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &model, [&] { ++nInserts; });

    // Windows-1252 "Größe", UTF-8 "Größe", an empty line and a plain one, shown out of order.
    std::shared_ptr<const CLineTexts> pTexts =
        MakeTexts({"Gr\xF6\xDF"
                   "e",
                   "Gr\xC3\xB6\xC3\x9F"
                   "e",
                   "", "plain"});
    std::weak_ptr<const CLineTexts> pWatch = pTexts;
    model.ReplaceLines(std::move(pTexts), {3, 0, 1, 2});
    EXPECT_EQ(nResets, 1);
    EXPECT_EQ(nInserts, 0);
    ASSERT_EQ(model.rowCount(), 4);
    // The model is the block's last holder, as after the index was cleared.
    EXPECT_FALSE(pWatch.expired());
    const QString expected = QString::fromUtf8(
        "Gr\xC3\xB6\xC3\x9F"
        "e");
    EXPECT_EQ(model.data(model.index(0)).toString(), QStringLiteral("plain"));
    EXPECT_EQ(model.data(model.index(1)).toString(), expected);
    EXPECT_EQ(model.data(model.index(2)).toString(), expected);
    EXPECT_EQ(model.data(model.index(3)).toString(), QString());
    // The bytes stay as they were given.
    EXPECT_EQ(model.GetLine(1),
              "Gr\xF6\xDF"
              "e");
    EXPECT_EQ(model.GetLine(4), "");
    EXPECT_FALSE(model.data(model.index(1), Qt::EditRole).isValid());

    // A replace lets go of the old block; a number beyond the block shows as an empty line.
    model.ReplaceLines(MakeTexts({"only"}), {0, 7});
    EXPECT_EQ(nResets, 2);
    EXPECT_TRUE(pWatch.expired());
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.GetLine(0), "only");
    EXPECT_EQ(model.GetLine(1), "");
    model.ReplaceLines(nullptr, {0});
    EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace sitefinch
