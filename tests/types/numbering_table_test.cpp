#include "types/numbering_table.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "ui/grid_control.h"

namespace types {
namespace {

TEST(NumberingTable, DefaultTableHasChineseAndRomanNumeralsForNineSections) {
  const NumberingTable t = DefaultNumberingTable();
  EXPECT_EQ(t.names, (std::vector<std::string>{"大写", "罗马"}));
  EXPECT_EQ(t.labelCount(), 9);
  EXPECT_EQ(t.label(0, 1), "一");
  EXPECT_EQ(t.label(0, 9), "九");
  EXPECT_EQ(t.label(1, 4), "Ⅳ");
  EXPECT_EQ(t.label(1, 10), "");
  EXPECT_EQ(t.label(2, 1), "");
  EXPECT_EQ(t.Find("罗马"), 1);
  EXPECT_EQ(t.Find("字母"), -1);
}

TEST(NumberingTable, MissingOrForeignFileReadsAsNoneAndLoadsTheDefault) {
  mc::testing::TempDir dir;
  EXPECT_FALSE(ReadNumberingTable(NumberingFilePath(dir.path())));
  {
    std::ofstream out(NumberingFilePath(dir.path()));
    out << "not a grid";
  }
  EXPECT_FALSE(ReadNumberingTable(NumberingFilePath(dir.path())));
  EXPECT_EQ(LoadNumberingTable(dir.path()).names, DefaultNumberingTable().names);
}

TEST(NumberingTable, AddedTypeAndSectionSurviveTheFile) {
  mc::testing::TempDir dir;
  ui::GridControl grid;
  FillDefaultNumberingGrid(grid);
  grid.InsertColumn(std::string("字母"));
  grid.InsertRow(std::string("10"));
  const char* letters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};
  for (int k = 1; k <= 10; ++k) grid.SetCellData(k, 3, ui::CellKind::Text, std::string(letters[k - 1]));
  grid.SetCellData(10, 1, ui::CellKind::Text, std::string("十"));
  grid.SetCellData(10, 2, ui::CellKind::Text, std::string("Ⅹ"));
  ASSERT_TRUE(grid.SaveToFile(NumberingFilePath(dir.path())));

  const NumberingTable t = LoadNumberingTable(dir.path());
  EXPECT_EQ(t.names, (std::vector<std::string>{"大写", "罗马", "字母"}));
  EXPECT_EQ(t.labelCount(), 10);
  EXPECT_EQ(t.label(t.Find("字母"), 3), "C");
  EXPECT_EQ(t.label(0, 10), "十");
}

}  // namespace
}  // namespace types
