#include "ui/grid_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace ui {
namespace {

// Columns: 0 text, 1 numeric, 2 check box, 3 drop-down, 4 picture, 5 date.
std::unique_ptr<GridControl> MixedGrid(bool showZero = true) {
  GridSettings s;
  s.columns = 6;
  s.rows = 3;
  s.editable = true;
  s.showZero = showZero;
  auto grid = std::make_unique<GridControl>(s);
  GridControl& g = *grid;
  g.SetColumnType(1, ColumnType::Numeric);
  g.SetColumnType(2, ColumnType::CheckBox);
  g.SetColumnType(3, ColumnType::DropDown);
  g.SetColumnType(4, ColumnType::Picture);
  g.SetColumnType(5, ColumnType::Date);
  g.SetCellData(1, 1, CellKind::Text, "7");
  return grid;
}

std::string Describe(const CellValue& v) {
  if (auto* b = std::get_if<bool>(&v)) return *b ? "bool:true" : "bool:false";
  if (auto* s = std::get_if<std::string>(&v)) return "text:" + *s;
  if (auto* p = std::get_if<Bytes>(&v)) return "bytes:" + std::to_string(p->size());
  return "other";
}

TEST(GridCells, SetAndGetFollowTheColumnTypeAndTheCellKind) {
  struct Case {
    const char* name;
    int row, column;
    CellKind kind;
    CellValue value;
    bool stored;
    std::string after;  // Describe(GetCellData) afterwards
  };
  const CellKind kOther = static_cast<CellKind>(3);
  const std::vector<Case> cases = {
      {"text as text", 1, 0, CellKind::Text, std::string("题文"), true, "text:题文"},
      {"integer as plain text", 1, 0, CellKind::Text, 42, true, "text:42"},
      {"int64 as plain text", 1, 0, CellKind::Text, std::int64_t{-9000000000}, true,
       "text:-9000000000"},
      {"float with 6 significant digits", 1, 0, CellKind::Text, 1.0f / 3.0f, true,
       "text:0.333333"},
      {"double with 13 significant digits", 1, 0, CellKind::Text, 2.0 / 3.0, true,
       "text:0.6666666666667"},
      {"whole double without point", 1, 0, CellKind::Text, 15.0, true, "text:15"},
      {"large float rounded to 6 digits", 1, 0, CellKind::Text, 1234567.0f, true,
       "text:1234570"},
      {"tiny double in exponent form", 1, 0, CellKind::Text, 1.5e-9, true, "text:1.5e-09"},
      {"bool is not a text", 1, 0, CellKind::Text, true, false, "text:"},
      {"bytes are not a text", 1, 0, CellKind::Text, Bytes{1}, false, "text:"},
      {"numeric refuses letters", 1, 1, CellKind::Text, std::string("abc"), false, "text:7"},
      {"numeric refuses a number with a tail", 1, 1, CellKind::Text, std::string("12abc"), false,
       "text:7"},
      {"numeric accepts 0", 1, 1, CellKind::Text, std::string("0"), true, "text:0"},
      {"numeric trims spaces", 1, 1, CellKind::Text, std::string(" 12 "), true, "text:12"},
      {"numeric rounds half away from zero", 1, 1, CellKind::Text, std::string("-2.5"), true,
       "text:-3"},
      {"numeric formats a double", 1, 1, CellKind::Text, 3.5, true, "text:4"},
      {"numeric keeps every digit of a large integer", 1, 1, CellKind::Text,
       std::int64_t{9007199254740993}, true, "text:9007199254740993"},
      {"not-a-number refused", 1, 0, CellKind::Text, std::numeric_limits<double>::quiet_NaN(),
       false, "text:"},
      {"infinity refused", 1, 0, CellKind::Text, std::numeric_limits<float>::infinity(), false,
       "text:"},
      {"infinity refused in a numeric cell", 1, 1, CellKind::Text,
       -std::numeric_limits<double>::infinity(), false, "text:7"},
      {"numeric accepts emptying", 1, 1, CellKind::Text, std::string(""), true, "text:"},
      {"numeric header takes any text", 0, 1, CellKind::Text, std::string("分值"), true,
       "text:分值"},
      {"check state in a check column", 1, 2, CellKind::Check, true, true, "bool:true"},
      {"text refused in a check data cell", 1, 2, CellKind::Text, std::string("x"), false,
       "bool:false"},
      {"check refused in a text column", 1, 0, CellKind::Check, true, false, "text:"},
      {"check refused on the header", 0, 2, CellKind::Check, true, false, "text:"},
      {"check needs a bool", 1, 2, CellKind::Check, 1, false, "bool:false"},
      {"header of a check column is text", 0, 2, CellKind::Text, std::string("选择"), true,
       "text:选择"},
      {"drop-down takes any text", 1, 3, CellKind::Text, std::string("自由"), true, "text:自由"},
      {"picture bytes", 1, 4, CellKind::Picture, Bytes{1, 2, 3}, true, "bytes:3"},
      {"picture from a missing file", 1, 4, CellKind::Picture, std::string("/nonexistent/x.bmp"),
       false, "bytes:0"},
      {"picture from a folder", 1, 4, CellKind::Picture, std::string("/"), false, "bytes:0"},
      {"picture refused in a text column", 1, 0, CellKind::Picture, Bytes{1}, false, "text:"},
      {"date written as year-month-day", 1, 5, CellKind::Text, std::string("2024/3/5"), true,
       "text:2024-03-05"},
      {"unknown kind", 1, 0, kOther, std::string("x"), false, "text:"},
      {"outside the grid", 9, 0, CellKind::Text, std::string("x"), false, "bool:false"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto grid = MixedGrid();
    GridControl& g = *grid;
    EXPECT_EQ(g.SetCellData(c.row, c.column, c.kind, c.value), c.stored);
    EXPECT_EQ(Describe(g.GetCellData(c.row, c.column)), c.after);
  }
}

TEST(GridCells, OutsideTheGridReadsFalseOrEmptyPicture) {
  auto grid = MixedGrid();
  GridControl& g = *grid;
  EXPECT_EQ(Describe(g.GetCellData(-1, 0)), "bool:false");
  EXPECT_EQ(Describe(g.GetCellData(0, 6)), "bool:false");
  EXPECT_EQ(Describe(g.GetCellData(3, 4)), "bytes:0");
}

TEST(GridCells, ZeroIsEmptyOnlyWhenTheGridHidesZeros) {
  auto showsGrid = MixedGrid(true);
  auto hidesGrid = MixedGrid(false);
  GridControl& shows = *showsGrid;
  GridControl& hides = *hidesGrid;
  for (GridControl* g : {&shows, &hides}) {
    g->SetCellData(1, 1, CellKind::Text, 0);
    g->SetCellData(2, 1, CellKind::Text, "0.2");
  }
  EXPECT_EQ(shows.cellText(1, 1), "0");
  EXPECT_EQ(shows.cellText(2, 1), "0");
  EXPECT_EQ(hides.cellText(1, 1), "");
  EXPECT_EQ(hides.cellText(2, 1), "");
}

TEST(GridCells, GivingANumericTypeRewritesExistingDataCells) {
  GridSettings s;
  s.columns = 1;
  s.rows = 6;
  GridControl g(s);
  const std::vector<std::string> before = {"头", "3.7", "", "abc", "-0.4", "12345678901234567"};
  for (int r = 0; r < 6; ++r) g.SetCellData(r, 0, CellKind::Text, before[static_cast<std::size_t>(r)]);
  g.SetColumnType(0, ColumnType::Numeric);
  EXPECT_EQ(g.cellText(0, 0), "头");  // header untouched
  EXPECT_EQ(g.cellText(1, 0), "4");
  EXPECT_EQ(g.cellText(2, 0), "");    // never written stays empty
  EXPECT_EQ(g.cellText(3, 0), "0");
  EXPECT_EQ(g.cellText(4, 0), "0");   // no "-0"
  EXPECT_EQ(g.cellText(5, 0), "12345678901234567");
}

TEST(GridCells, GivingTheCheckBoxTypeUnchecksEveryDataCell) {
  auto grid = MixedGrid();
  GridControl& g = *grid;
  g.SetCellData(1, 2, CellKind::Check, true);
  g.SetCellData(2, 2, CellKind::Check, true);
  g.SetColumnType(2, ColumnType::CheckBox);
  EXPECT_FALSE(g.cellChecked(1, 2));
  EXPECT_FALSE(g.cellChecked(2, 2));
}

TEST(GridColumns, DropDownColumnsKeepACopyOfThePendingItems) {
  GridSettings s;
  s.columns = 3;
  GridControl g(s);
  g.AddPendingListItem("判断");
  g.AddPendingListItem("选择");
  g.SetColumnType(0, ColumnType::DropDown);
  g.ClearPendingListItems();
  g.AddPendingListItem("1");
  g.SetColumnType(1, ColumnType::DropDown);
  EXPECT_EQ(g.columnListItems(0), (std::vector<std::string>{"判断", "选择"}));
  EXPECT_EQ(g.columnListItems(1), (std::vector<std::string>{"1"}));
  // Giving the type again replaces the items.
  g.SetColumnType(0, ColumnType::DropDown);
  EXPECT_EQ(g.columnListItems(0), (std::vector<std::string>{"1"}));
  EXPECT_TRUE(g.AddColumnListItem(0, "2"));
  EXPECT_FALSE(g.AddColumnListItem(2, "x"));  // not a list column
  EXPECT_EQ(g.GetColumnType(2), ColumnType::Text);
  EXPECT_FALSE(g.SetColumnType(2, static_cast<ColumnType>(9)));
  EXPECT_FALSE(g.SetColumnType(3, ColumnType::Numeric));
}

TEST(GridRows, InsertRowPlacesTheRowByPosition) {
  struct Case {
    std::optional<int> position;
    int expectedAt;
  };
  // Grid of header + 3 data rows "a", "b", "c".
  const std::vector<Case> cases = {
      {std::nullopt, 4}, {4, 4}, {0, 4}, {-1, 4}, {99, 4}, {1, 1}, {3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position ? *c.position : -100);
    GridSettings s;
    s.columns = 2;
    GridControl g(s);
    for (const char* t : {"a", "b", "c"}) g.InsertRow(std::string(t));
    ASSERT_TRUE(g.InsertRow(std::string("new"), c.position));
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.cellText(c.expectedAt, 0), "new");
  }
}

TEST(GridRows, InsertColumnPutsTheHeadingIntoRowZero) {
  GridSettings s;
  s.columns = 2;
  s.rows = 2;
  GridControl g(s);
  g.SetCellData(1, 1, CellKind::Text, "x");
  ASSERT_TRUE(g.InsertColumn(std::string("新列"), 1));
  EXPECT_EQ(g.ColumnCount(), 3);
  EXPECT_EQ(g.cellText(0, 1), "新列");
  EXPECT_EQ(g.cellText(1, 2), "x");
  ASSERT_TRUE(g.InsertColumn(std::string("尾")));
  EXPECT_EQ(g.cellText(0, 3), "尾");
  EXPECT_EQ(g.GetColumnWidth(3), s.columnWidth);
}

TEST(GridRows, RowCountKeepsTheHeaderAndIgnoresValuesBelowOne) {
  GridSettings s;
  s.columns = 2;
  GridControl g(s);
  g.SetCellData(0, 0, CellKind::Text, "头");
  g.SetRowCount(4);
  g.SetCellData(3, 1, CellKind::Text, "x");
  EXPECT_EQ(g.RowCount(), 4);
  g.SetRowCount(0);
  g.SetRowCount(-3);
  EXPECT_EQ(g.RowCount(), 4);
  g.SetRowCount(1);
  EXPECT_EQ(g.RowCount(), 1);
  EXPECT_EQ(g.cellText(0, 0), "头");
  g.SetRowCount(4);
  EXPECT_EQ(g.cellText(3, 1), "");  // rows come back empty
}

TEST(GridRows, DeleteRowMovesLaterRowsUpAndKeepsTheLastRow) {
  GridSettings s;
  s.columns = 1;
  GridControl g(s);
  for (const char* t : {"a", "b", "c"}) g.InsertRow(std::string(t));
  g.SetCursorCell(3, 0);
  EXPECT_TRUE(g.DeleteRow(1));
  EXPECT_EQ(g.cellText(1, 0), "b");
  EXPECT_EQ(g.CursorRow(), 2);  // the cursor stays inside the grid
  EXPECT_FALSE(g.DeleteRow(3));
  EXPECT_TRUE(g.DeleteRow(2));
  EXPECT_TRUE(g.DeleteRow(1));
  EXPECT_FALSE(g.DeleteRow(0));  // a grid always has a row
  EXPECT_TRUE(g.DeleteColumn(0));
  EXPECT_EQ(g.ColumnCount(), 0);
  EXPECT_FALSE(g.DeleteColumn(0));
}

TEST(GridStyles, RangesClampTheLastCornerAndRefuseABadFirstCorner) {
  struct Case {
    const char* name;
    int r1, c1, r2, c2;
    std::vector<std::pair<int, int>> centred;  // cells that end up centred
  };
  const std::vector<Case> cases = {
      {"last column beyond the grid", 1, 1, 1, 99, {{1, 1}, {1, 2}}},
      {"last row beyond the grid", 2, 0, 99, 0, {{2, 0}}},
      {"first corner outside", 3, 0, 3, 0, {}},
      {"negative first corner", -1, 0, 1, 1, {}},
      {"last row before first", 2, 0, 1, 2, {}},
      {"last column before first", 0, 2, 2, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GridSettings s;
    s.columns = 3;
    s.rows = 3;
    GridControl g(s);
    g.SetRangeAlignment(c.r1, c.c1, c.r2, c.c2, 2);
    for (int r = 0; r < 3; ++r)
      for (int col = 0; col < 3; ++col) {
        const bool want = std::find(c.centred.begin(), c.centred.end(),
                                    std::make_pair(r, col)) != c.centred.end();
        EXPECT_EQ(g.cellStyle(r, col).alignment == Alignment::Centre, want) << r << "," << col;
      }
  }
}

TEST(GridStyles, AlignmentAndWordWrapAreIndependent) {
  GridSettings s;
  s.columns = 2;
  s.rows = 2;
  GridControl g(s);
  g.SetRangeWordWrap(0, 0, 1, 1, true);
  g.SetRangeAlignment(0, 0, 1, 1, 3);
  EXPECT_TRUE(g.cellStyle(1, 1).wordWrap);
  EXPECT_EQ(g.cellStyle(1, 1).alignment, Alignment::Right);
  g.SetRangeAlignment(0, 0, 1, 1, 7);  // unknown mode: left
  g.SetRangeWordWrap(0, 0, 0, 0, false);
  EXPECT_EQ(g.cellStyle(1, 1).alignment, Alignment::Left);
  EXPECT_TRUE(g.cellStyle(1, 1).wordWrap);
  EXPECT_FALSE(g.cellStyle(0, 0).wordWrap);
}

TEST(GridStyles, ColoursFontsAndSizesReportDefaultsAndOutsideValues) {
  GridSettings s;
  s.columns = 2;
  s.rows = 2;
  s.rowHeight = 24;
  s.columnWidth = 75;
  GridControl g(s);
  EXPECT_EQ(g.GetCellBackColour(1, 1), kWhite);
  EXPECT_EQ(g.GetCellBackColour(2, 0), -1);
  g.SetRangeBackColour(1, 0, 1, 5, rgb(255, 0, 0));
  EXPECT_EQ(g.GetCellBackColour(1, 1), rgb(255, 0, 0));
  EXPECT_TRUE(g.cellStyle(1, 1).hasBackColour);
  g.SetRangeFontHeight(1, 0, 1, 1, 18);
  EXPECT_EQ(g.cellStyle(1, 0).fontHeight, 18);
  EXPECT_EQ(g.cellStyle(0, 0).fontHeight, g.defaultFontHeight());
  EXPECT_EQ(g.GetColumnWidth(1), 75);
  EXPECT_EQ(g.GetColumnWidth(2), -1);
  EXPECT_TRUE(g.SetColumnWidth(1, 0));  // hidden
  EXPECT_FALSE(g.SetColumnWidth(1, -5));
  EXPECT_TRUE(g.SetRowHeight(1, 0));
  EXPECT_EQ(g.rowHeight(1), 0);
  g.SetUniformRowHeight(30);
  g.InsertRow();
  EXPECT_EQ(g.rowHeight(0), 30);
  EXPECT_EQ(g.rowHeight(2), 30);
}

TEST(GridSelection, SelectionQueriesFollowTheCellSelectionSetting) {
  GridSettings on = grid_presets::kBankEditor;
  on.rows = 5;
  GridSettings off = grid_presets::kTypeEditor;
  off.rows = 5;
  GridControl withSelection(on), withoutSelection(off);
  EXPECT_EQ(withSelection.SelectionFirstRow(), -1);
  withoutSelection.SetCursorCell(3, 2);
  EXPECT_EQ(withoutSelection.SelectionFirstRow(), 3);
  EXPECT_EQ(withoutSelection.SelectionLastColumn(), 2);

  withSelection.SelectRange(4, 14, 99, 99);
  EXPECT_EQ(withSelection.SelectionFirstRow(), 4);
  EXPECT_EQ(withSelection.SelectionLastRow(), 4);
  EXPECT_EQ(withSelection.SelectionLastColumn(), 14);
  withSelection.SelectRange(2, 3);  // omitted ends equal the first cell
  EXPECT_EQ(withSelection.SelectionLastRow(), 2);
  EXPECT_EQ(withSelection.SelectionLastColumn(), 3);
  withSelection.SetRowCount(2);
  EXPECT_EQ(withSelection.SelectionFirstRow(), -1);  // the selected rows went away
}

TEST(GridPresets, InitialSettingsMatchTheWindowDefinitions) {
  struct Case {
    const char* name;
    const GridSettings& s;
    int columns, rows, fixedRows, fixedColumns, rowHeight, width;
    bool editable, visible, showZero;
  };
  const std::vector<Case> cases = {
      {"bank editor", grid_presets::kBankEditor, 15, 1, 1, 0, 24, 75, true, true, true},
      {"type editor", grid_presets::kTypeEditor, 3, 1, 1, 0, 24, 55, true, true, true},
      {"compose", grid_presets::kCompose, 14, 1, 1, 0, 24, 60, true, true, true},
      {"auto totals", grid_presets::kAutoComposeTotals, 2, 1, 1, 0, 24, 60, false, true, false},
      {"auto plan", grid_presets::kAutoComposePlan, 5, 1, 1, 0, 24, 60, true, false, true},
      {"numbering copy", grid_presets::kComposeNumberingCopy, 10, 1, 0, 0,
       grid_presets::kDefaultRowHeight, grid_presets::kDefaultColumnWidth, false, false, true},
      {"section numbering", grid_presets::kSectionNumbering, 3, 10, 1, 1, 24, 60, true, true,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GridControl g(c.s);
    EXPECT_EQ(g.ColumnCount(), c.columns);
    EXPECT_EQ(g.RowCount(), c.rows);
    EXPECT_EQ(g.FixedRowCount(), c.fixedRows);
    EXPECT_EQ(g.FixedColumnCount(), c.fixedColumns);
    EXPECT_EQ(g.rowHeight(0), c.rowHeight);
    EXPECT_EQ(g.GetColumnWidth(0), c.width);
    EXPECT_EQ(g.Editable(), c.editable);
    EXPECT_EQ(g.visible(), c.visible);
    EXPECT_EQ(g.showZero(), c.showZero);
  }
}

// Records what a view would be told.
struct RecordingObserver : GridObserver {
  std::vector<std::string> log;
  void cellsChanged(int r1, int c1, int r2, int c2) override {
    log.push_back("cells " + std::to_string(r1) + "," + std::to_string(c1) + "-" +
                  std::to_string(r2) + "," + std::to_string(c2));
  }
  void rowsAboutToBeInserted(int f, int n) override {
    log.push_back("about+rows " + std::to_string(f) + " " + std::to_string(n));
  }
  void rowsInserted(int f, int n) override {
    log.push_back("+rows " + std::to_string(f) + " " + std::to_string(n));
  }
  void rowsAboutToBeRemoved(int f, int n) override {
    log.push_back("about-rows " + std::to_string(f) + " " + std::to_string(n));
  }
  void rowsRemoved(int f, int n) override {
    log.push_back("-rows " + std::to_string(f) + " " + std::to_string(n));
  }
};

TEST(GridObservers, ViewsHearOfSingleCellsAndRowRangesNotResets) {
  GridSettings s;
  s.columns = 3;
  GridControl g(s);
  RecordingObserver o;
  g.AddObserver(&o);
  g.SetRowCount(3);
  g.SetCellData(2, 1, CellKind::Text, "x");
  g.SetCellData(2, 1, CellKind::Text, "x");  // unchanged: no notice
  g.InsertRow(std::nullopt, 1);
  g.DeleteRow(3);
  g.RemoveObserver(&o);
  g.SetCellData(1, 1, CellKind::Text, "y");
  EXPECT_EQ(o.log, (std::vector<std::string>{"about+rows 1 2", "+rows 1 2", "cells 2,1-2,1",
                                             "about+rows 1 1", "+rows 1 1", "about-rows 3 1",
                                             "-rows 3 1"}));
}

}  // namespace
}  // namespace ui
