// The result list's model: one reset per refill, stored bytes kept, display text decoded.
#include <gtest/gtest.h>

#include <QStringList>

#include "UiTestSupport.h"
#include "ui/ResultListModel.h"

namespace sitefinch {
namespace {

TEST(ResultListModelTest, ReplacesAllLinesWithOneResetAndDecodesForDisplayOnly) {
    uitest::EnsureUiApp();
    CResultListModel model;
    int nResets = 0;
    int nInserts = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, &model, [&] { ++nResets; });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &model, [&] { ++nInserts; });

    // Windows-1252 "Gr\xF6\xDFe", UTF-8 "Größe", an empty line and a plain one.
    const char* const lines[] = {
        "Gr\xF6\xDF"
        "e",
        "Gr\xC3\xB6\xC3\x9F"
        "e",
        "", "plain"};
    model.ReplaceLines(lines, 4);
    EXPECT_EQ(nResets, 1);
    EXPECT_EQ(nInserts, 0);
    ASSERT_EQ(model.rowCount(), 4);
    const QString expected = QString::fromUtf8(
        "Gr\xC3\xB6\xC3\x9F"
        "e");
    EXPECT_EQ(model.data(model.index(0)).toString(), expected);
    EXPECT_EQ(model.data(model.index(1)).toString(), expected);
    EXPECT_EQ(model.data(model.index(2)).toString(), QString());
    // The bytes stay as they were given.
    EXPECT_EQ(model.GetLine(0),
              "Gr\xF6\xDF"
              "e");
    EXPECT_EQ(model.GetLine(3), "plain");
    EXPECT_EQ(model.GetLine(4), "");
    EXPECT_FALSE(model.data(model.index(0), Qt::EditRole).isValid());

    model.ReplaceLines(nullptr, 0);
    EXPECT_EQ(nResets, 2);
    EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace sitefinch
