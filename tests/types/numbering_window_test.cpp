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
    window_->open(true, nullptr);
  }
  ui::GridControl& grid() { return window_->高级表格1; }

  mc::testing::TempDir dir_;
  ui::testing::ScriptedHost host_;
  std::unique_ptr<NumberingWindow> window_;
};

TEST_F(NumberingWindowTest, TheDefaultBlockCannotBeEditedNorDeleted) {
  EXPECT_EQ(grid().RowCount(), 10);
  EXPECT_EQ(grid().ColumnCount(), 3);
  grid().click(5, 2);
  EXPECT_FALSE(grid().editCell(5, 2, "x"));
  EXPECT_EQ(grid().cellText(5, 2), "Ⅴ");
  EXPECT_FALSE(window_->菜单删除.visible());
  EXPECT_EQ(window_->width(), 3 * 60 + 15);
  EXPECT_EQ(window_->height(), 24 * 10 + 15);
  EXPECT_EQ(grid().height(), window_->height());
}

TEST_F(NumberingWindowTest, AddedRowsAndColumnsAreEditableAndDeletable) {
  window_->菜单添加行.choose();
  EXPECT_EQ(grid().RowCount(), 11);
  EXPECT_EQ(grid().cellText(10, 0), "10");
  EXPECT_TRUE(window_->菜单末尾行.visible());
  EXPECT_FALSE(window_->菜单当前列.visible());
  grid().click(10, 1);
  EXPECT_TRUE(grid().editCell(10, 1, "十"));

  host_.answerInput("　 ");  // only spaces: nothing added
  window_->菜单添加列.choose();
  EXPECT_EQ(grid().ColumnCount(), 3);
  host_.answerInput(" 字母 ");
  window_->菜单添加列.choose();
  ASSERT_EQ(grid().ColumnCount(), 4);
  EXPECT_EQ(grid().cellText(0, 3), "字母");
  EXPECT_EQ(window_->width(), 4 * 60 + 15);
  grid().click(3, 3);
  EXPECT_TRUE(window_->菜单当前列.visible());
  EXPECT_TRUE(grid().editCell(3, 3, "C"));

  window_->菜单当前列.choose();
  EXPECT_EQ(grid().ColumnCount(), 3);
  window_->菜单末尾行.choose();
  EXPECT_EQ(grid().RowCount(), 10);
  EXPECT_FALSE(window_->菜单删除.visible());
}

TEST_F(NumberingWindowTest, AnEmptyLabelKeepsTheWindowOpenUntilFilled) {
  window_->菜单添加行.choose();
  grid().click(10, 1);
  grid().editCell(10, 1, "十");
  EXPECT_FALSE(window_->userClose());
  EXPECT_EQ(host_.messageTexts(), std::vector<std::string>{"请完善大题编号！"});
  grid().click(10, 2);
  grid().editCell(10, 2, "Ⅹ");
  EXPECT_TRUE(window_->userClose());
  EXPECT_TRUE(window_->saved());
  const auto table = ReadNumberingTable(NumberingFilePath(dir_.path()));
  ASSERT_TRUE(table);
  EXPECT_EQ(table->labelCount(), 10);
  EXPECT_EQ(table->label(1, 10), "Ⅹ");
}

}  // namespace
}  // namespace types
