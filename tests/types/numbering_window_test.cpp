#include "types/numbering_window.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "types/numbering_table.h"
#include "ui/testing/scripted_host.h"

namespace types {
namespace {

class NumberingWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<NumberingWindow>(host_, NumberingFilePath(dir_.path()));
    window_->Open(true, nullptr);
  }
  ui::GridControl& grid() { return window_->高级表格1; }

  mc::testing::TempDir dir_;
  ui::testing::ScriptedHost host_;
  std::unique_ptr<NumberingWindow> window_;
};

TEST_F(NumberingWindowTest, TheDefaultBlockCannotBeEditedNorDeleted) {
  EXPECT_EQ(grid().RowCount(), 10);
  EXPECT_EQ(grid().ColumnCount(), 3);
  grid().Click(5, 2);
  EXPECT_FALSE(grid().EditCell(5, 2, "x"));
  EXPECT_EQ(grid().cellText(5, 2), "Ⅴ");
  EXPECT_FALSE(window_->菜单删除.visible());
  EXPECT_EQ(window_->width(), 3 * 60 + 15);
  EXPECT_EQ(window_->height(), 24 * 10 + 15);
  EXPECT_EQ(grid().height(), window_->height());
}

TEST_F(NumberingWindowTest, AddedRowsAndColumnsAreEditableAndDeletable) {
  window_->菜单添加行.Choose();
  EXPECT_EQ(grid().RowCount(), 11);
  EXPECT_EQ(grid().cellText(10, 0), "10");
  EXPECT_TRUE(window_->菜单末尾行.visible());
  EXPECT_FALSE(window_->菜单当前列.visible());
  grid().Click(10, 1);
  EXPECT_TRUE(grid().EditCell(10, 1, "十"));

  host_.AnswerInput("　 ");  // only spaces: nothing added
  window_->菜单添加列.Choose();
  EXPECT_EQ(grid().ColumnCount(), 3);
  host_.AnswerInput(" 字母 ");
  window_->菜单添加列.Choose();
  ASSERT_EQ(grid().ColumnCount(), 4);
  EXPECT_EQ(grid().cellText(0, 3), "字母");
  EXPECT_EQ(window_->width(), 4 * 60 + 15);
  grid().Click(3, 3);
  EXPECT_TRUE(window_->菜单当前列.visible());
  EXPECT_TRUE(grid().EditCell(3, 3, "C"));

  window_->菜单当前列.Choose();
  EXPECT_EQ(grid().ColumnCount(), 3);
  window_->菜单末尾行.Choose();
  EXPECT_EQ(grid().RowCount(), 10);
  EXPECT_FALSE(window_->菜单删除.visible());
}

TEST_F(NumberingWindowTest, AnEmptyLabelKeepsTheWindowOpenUntilFilled) {
  window_->菜单添加行.Choose();
  grid().Click(10, 1);
  grid().EditCell(10, 1, "十");
  EXPECT_FALSE(window_->UserClose());
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"请完善大题编号！"});
  grid().Click(10, 2);
  grid().EditCell(10, 2, "Ⅹ");
  EXPECT_TRUE(window_->UserClose());
  EXPECT_TRUE(window_->saved());
  const auto table = ReadNumberingTable(NumberingFilePath(dir_.path()));
  ASSERT_TRUE(table);
  EXPECT_EQ(table->labelCount(), 10);
  EXPECT_EQ(table->label(1, 10), "Ⅹ");
}

}  // namespace
}  // namespace types
