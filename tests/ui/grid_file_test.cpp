#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/grid_control.h"
#include "tests/support/temp_dir.h"

namespace ui {
namespace {

namespace fs = std::filesystem;

class GridFile : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return (dir / name).string(); }
  static std::string Read(const std::string& path) { return mc::testing::ReadFileBytes(path); }
  static void Write(const std::string& path, const std::string& content) {
    mc::testing::WriteFileBytes(path, content);
  }

  mc::testing::TempDir tmp{"grid-file"};
  fs::path dir = tmp.path();
};

TEST_F(GridFile, LoadRestoresCountsFixedCellsAndTextsIntoADifferentlySetUpGrid) {
  GridControl source(grid_presets::kSectionNumbering);  // 3 columns, 10 rows, 1/1 fixed
  source.SetCellData(0, 1, CellKind::Text, "汉字数字");
  source.SetCellData(1, 0, CellKind::Text, "第1大题");
  source.SetCellData(1, 1, CellKind::Text, "一");
  source.SetCellData(2, 1, CellKind::Text, "行一\r\n行二\\结尾 有空格");
  // (2,2) and most cells stay empty.
  ASSERT_TRUE(source.InsertColumn(std::string("罗马数字")));
  ASSERT_TRUE(source.InsertRow(std::string("第10大题")));
  source.SetCellData(10, 3, CellKind::Text, "Ⅹ");
  source.SetColumnWidth(3, 99);
  source.SetRowHeight(4, 40);
  const std::string path = Path("大题编号类型");
  ASSERT_TRUE(source.SaveToFile(path));

  GridControl target(grid_presets::kComposeNumberingCopy);  // 10 columns, 1 row, no fixed
  ASSERT_TRUE(target.LoadFromFile(path));
  EXPECT_EQ(target.RowCount(), 11);
  EXPECT_EQ(target.ColumnCount(), 4);
  EXPECT_EQ(target.FixedRowCount(), 1);
  EXPECT_EQ(target.FixedColumnCount(), 1);
  for (int r = 0; r < 11; ++r)
    for (int c = 0; c < 4; ++c) {
      SCOPED_TRACE(std::to_string(r) + "," + std::to_string(c));
      EXPECT_EQ(target.cellText(r, c), source.cellText(r, c));
    }
  EXPECT_EQ(target.cellText(2, 1), "行一\r\n行二\\结尾 有空格");
  EXPECT_EQ(target.GetColumnWidth(3), 99);
  EXPECT_EQ(target.rowHeight(4), 40);
  EXPECT_EQ(target.rowHeight(5), 24);
  // The file is UTF-8 text a person can read.
  EXPECT_NE(Read(path).find("汉字数字"), std::string::npos);
}

TEST_F(GridFile, TypesItemsCheckStatesAndPicturesSurviveARoundTrip) {
  GridSettings s;
  s.columns = 4;
  s.rows = 3;
  GridControl source(s);
  source.AddPendingListItem("判断");
  source.AddPendingListItem("选 择");
  source.SetColumnType(0, ColumnType::DropDown);
  source.SetColumnType(1, ColumnType::CheckBox);
  source.SetColumnType(2, ColumnType::Picture);
  source.SetColumnType(3, ColumnType::Numeric);
  source.SetCellData(2, 1, CellKind::Check, true);
  source.SetCellData(1, 2, CellKind::Picture, Bytes{0, 0xFF, 'B', 'M', '\n'});
  source.SetCellData(1, 3, CellKind::Text, 12);
  ASSERT_TRUE(source.SaveToFile(Path("g")));

  GridControl target;
  ASSERT_TRUE(target.LoadFromFile(Path("g")));
  EXPECT_EQ(target.GetColumnType(0), ColumnType::DropDown);
  EXPECT_EQ(target.columnListItems(0), (std::vector<std::string>{"判断", "选 择"}));
  EXPECT_FALSE(target.cellChecked(1, 1));
  EXPECT_TRUE(target.cellChecked(2, 1));
  EXPECT_EQ(target.cellPicture(1, 2), (Bytes{0, 0xFF, 'B', 'M', '\n'}));
  EXPECT_EQ(target.GetColumnType(3), ColumnType::Numeric);
  EXPECT_EQ(target.cellText(1, 3), "12");
}

TEST_F(GridFile, ABrokenFileIsRefusedAndTheGridStaysAsItWas) {
  GridSettings s;
  s.columns = 2;
  s.rows = 2;
  GridControl good(s);
  good.SetCellData(1, 1, CellKind::Text, "x");
  ASSERT_TRUE(good.SaveToFile(Path("good")));
  const std::string valid = Read(Path("good"));

  const std::vector<std::pair<const char*, std::string>> broken = {
      {"missing file", ""},
      {"other format", "hello\n"},
      {"cut short", valid.substr(0, valid.size() - 4)},
      {"cell outside the size", "MCGRID 1\nsize 2 2\nfixed 1 0\ndefaults 22 64\ncell 5 0 x\nend\n"},
      {"unknown keyword", "MCGRID 1\nsize 2 2\nfixed 1 0\ndefaults 22 64\nbogus 1\nend\n"},
      {"bad escape", "MCGRID 1\nsize 2 2\nfixed 1 0\ndefaults 22 64\ncell 1 1 a\\q\nend\n"},
      {"huge size", "MCGRID 1\nsize 100000000 100\nfixed 1 0\ndefaults 22 64\nend\n"},
      {"size whose cell count overflows",
       "MCGRID 1\nsize 4611686018427387904 4\nfixed 1 0\ndefaults 22 64\nend\n"},
      {"no rows", "MCGRID 1\nsize 0 2\nfixed 1 0\ndefaults 22 64\nend\n"},
      {"odd picture digits", "MCGRID 1\nsize 2 2\nfixed 1 0\ndefaults 22 64\npicture 1 1 abc\nend\n"},
  };
  for (const auto& [name, content] : broken) {
    SCOPED_TRACE(name);
    GridSettings t;
    t.columns = 3;
    GridControl target(t);
    target.SetCellData(0, 2, CellKind::Text, "保留");
    const std::string path = Path("broken");
    fs::remove(path);
    if (std::string(name) != "missing file") Write(path, content);
    EXPECT_FALSE(target.LoadFromFile(path));
    EXPECT_EQ(target.ColumnCount(), 3);
    EXPECT_EQ(target.cellText(0, 2), "保留");
  }
}

TEST_F(GridFile, SavingIntoAMissingFolderFails) {
  GridControl g;
  EXPECT_FALSE(g.SaveToFile((dir / "no" / "such" / "file").string()));
}

TEST_F(GridFile, AFolderIsNeitherLoadedNorWrittenOver) {
  GridControl g;
  g.SetCellData(0, 0, CellKind::Text, "留");
  fs::create_directory(dir / "sub");
  EXPECT_FALSE(g.LoadFromFile((dir / "sub").string()));
  EXPECT_FALSE(g.SaveToFile((dir / "sub").string()));
  EXPECT_TRUE(fs::is_directory(dir / "sub"));
  EXPECT_FALSE(fs::exists(dir / "sub.tmp"));
  EXPECT_EQ(g.cellText(0, 0), "留");
}

}  // namespace
}  // namespace ui
