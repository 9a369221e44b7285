#include "ui/shared_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <random>
#include <string>
#include <vector>

#include "text/text.h"
#include "ui/grid_control.h"
#include "ui/testing/scripted_host.h"
#include "ui/window.h"

namespace ui {
namespace {

// Grid: column 0 the key as text, column 1 a row tag, column 2 check box,
// column 3 numeric; header row 0.
class SortTest : public ::testing::Test {
 protected:
  SortTest() : window(host, "排序", 100, 100), grid(window, "高级表格1", Settings()) {
    grid.SetColumnType(2, ColumnType::CheckBox);
    grid.SetColumnType(3, ColumnType::Numeric);
  }
  static GridSettings Settings() {
    GridSettings s = grid_presets::kBankEditor;
    s.columns = 4;
    return s;
  }
  void Fill(const std::vector<std::string>& keys) {
    grid.SetRowCount(1);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      grid.InsertRow(keys[i]);
      grid.SetCellData(static_cast<int>(i) + 1, 1, CellKind::Text, "r" + std::to_string(i + 1));
    }
  }
  std::vector<std::string> Column(int c) const {
    std::vector<std::string> out;
    for (int r = 1; r < grid.RowCount(); ++r) out.push_back(grid.cellText(r, c));
    return out;
  }
  void Sort(int kind, bool ascending, bool caseSensitive = true) {
    SortGridRows(window, grid, 0, 1, grid.RowCount() - 1, kind, caseSensitive, ascending);
  }

  testing::ScriptedHost host;
  Window window;
  GridControl grid;
};

using Tags = std::vector<std::string>;

TEST_F(SortTest, KeysOrderAsNumbersTextsOrDates) {
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    int kind;
    bool ascending;
    bool caseSensitive;
    Tags order;
  };
  const std::vector<Case> cases = {
      {"numeric puts 10 after 9", {"10", "9", "abc", "-1"}, 0, true, true, {"r4", "r3", "r2", "r1"}},
      {"numeric reads full-width digits", {"１０", "9", "2.5分"}, 0, true, true, {"r3", "r2", "r1"}},
      {"numeric treats near values as equal", {"1.00000001", "1", "0.5"}, 0, true, true,
       {"r3", "r1", "r2"}},
      {"text puts 10 before 9", {"9", "10"}, 1, true, true, {"r2", "r1"}},
      {"text in pinyin order", {"选择", "判断", "填空"}, 1, true, true, {"r1", "r2", "r3"}},
      {"text descending", {"b", "a", "c"}, 1, false, true, {"r3", "r1", "r2"}},
      {"text case-sensitive puts capitals first", {"b", "B", "a"}, 1, true, true,
       {"r2", "r3", "r1"}},
      {"text ignoring case", {"b", "B", "a"}, 1, true, false, {"r3", "r1", "r2"}},
      {"dates with the non-dates first", {"2024-01-02", "昨天", "2023/12/31", ""}, 2, true, true,
       {"r2", "r4", "r3", "r1"}},
      {"dates descending put non-dates last", {"x", "2024-01-02", "2023-12-31"}, 2, false, true,
       {"r2", "r3", "r1"}},
  };
  // "判断" < "填空" < "选择" in GBK (pinyin) order.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill(c.keys);
    Sort(c.kind, c.ascending, c.caseSensitive);
    if (std::string(c.name) == "text in pinyin order") {
      EXPECT_EQ(Column(0), (std::vector<std::string>{"判断", "填空", "选择"}));
      continue;
    }
    EXPECT_EQ(Column(1), c.order);
  }
}

TEST_F(SortTest, EqualKeysKeepTheirOrderAscendingAndDescending) {
  Fill({"b", "a", "b", "a", "c", "b"});
  Sort(1, true);
  EXPECT_EQ(Column(1), (Tags{"r2", "r4", "r1", "r3", "r6", "r5"}));
  Sort(1, false);
  EXPECT_EQ(Column(1), (Tags{"r5", "r1", "r3", "r6", "r2", "r4"}));
  Sort(1, true);
  EXPECT_EQ(Column(1), (Tags{"r2", "r4", "r1", "r3", "r6", "r5"}));
}

TEST_F(SortTest, CheckStateSortReversesTheRunsAsItAlwaysHas) {
  Fill({"1", "2", "3", "4", "5"});
  const std::vector<bool> ticks = {true, false, true, false, false};  // r1..r5
  for (int r = 1; r <= 5; ++r)
    grid.SetCellData(r, 2, CellKind::Check, static_cast<bool>(ticks[static_cast<std::size_t>(r - 1)]));
  SortGridRows(window, grid, 2, 1, 5, kSortCheckState, true, true);
  // Unchecked rows first, the last unchecked row on top; then the others.
  EXPECT_EQ(Column(1), (Tags{"r5", "r4", "r2", "r1", "r3"}));
  EXPECT_FALSE(grid.cellChecked(1, 2));
  EXPECT_TRUE(grid.cellChecked(4, 2));

  Fill({"1", "2", "3", "4", "5"});
  for (int r = 1; r <= 5; ++r)
    grid.SetCellData(r, 2, CellKind::Check, static_cast<bool>(ticks[static_cast<std::size_t>(r - 1)]));
  SortGridRows(window, grid, 2, 1, 5, kSortCheckState, true, false);
  EXPECT_EQ(Column(1), (Tags{"r3", "r1", "r2", "r4", "r5"}));
}

TEST_F(SortTest, AnUnknownKindIsReportedAndChangesNothing) {
  Fill({"b", "a"});
  Sort(4, true);
  EXPECT_EQ(host.MessageTexts(), (std::vector<std::string>{"排序列类型错误！"}));
  EXPECT_EQ(host.messages().at(0).caption, "信息：");
  EXPECT_EQ(Column(1), (Tags{"r1", "r2"}));
}

TEST_F(SortTest, EmptyOrReversedRangesChangeNothingNotEvenStyles) {
  Fill({"b", "a", "c"});
  grid.SetRowHeight(2, 50);
  grid.SetRangeBackColour(2, 0, 2, 3, rgb(1, 2, 3));
  SortGridRows(window, grid, 0, 2, 2, kSortText);
  SortGridRows(window, grid, 0, 3, 1, kSortText);
  EXPECT_EQ(Column(1), (Tags{"r1", "r2", "r3"}));
  EXPECT_EQ(grid.rowHeight(2), 50);
  EXPECT_EQ(grid.GetCellBackColour(2, 0), rgb(1, 2, 3));
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(SortTest, SortedRowsTakeDefaultStylesWhileOtherRowsKeepTheirs) {
  Fill({"c", "b", "a", "z"});
  grid.SetRowHeight(1, 50);
  grid.SetRowHeight(4, 60);
  grid.SetRangeBackColour(1, 0, 4, 3, rgb(9, 9, 9));
  SortGridRows(window, grid, 0, 1, 3, kSortText);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "c", "z"}));
  EXPECT_EQ(grid.rowHeight(3), 24);
  EXPECT_EQ(grid.GetCellBackColour(3, 0), kWhite);
  EXPECT_EQ(grid.rowHeight(4), 60);
  EXPECT_EQ(grid.GetCellBackColour(4, 0), rgb(9, 9, 9));
}

TEST_F(SortTest, CheckStatesPicturesAndNumbersMoveWithTheirRows) {
  GridSettings s;
  s.columns = 3;
  GridControl g(window, "g", s);
  g.SetColumnType(0, ColumnType::Numeric);
  g.SetColumnType(1, ColumnType::Picture);
  g.SetColumnType(2, ColumnType::CheckBox);
  for (int i = 0; i < 3; ++i) g.InsertRow();
  g.SetCellData(1, 0, CellKind::Text, 30);
  g.SetCellData(2, 0, CellKind::Text, 10);
  g.SetCellData(3, 0, CellKind::Text, 20);
  g.SetCellData(2, 1, CellKind::Picture, Bytes{7});
  g.SetCellData(2, 2, CellKind::Check, true);
  SortGridRows(window, g, 0, 1, 3, kSortNumeric);
  EXPECT_EQ(g.cellText(1, 0), "10");
  EXPECT_EQ(g.cellPicture(1, 1), Bytes{7});
  EXPECT_TRUE(g.cellChecked(1, 2));
  EXPECT_FALSE(g.cellChecked(2, 2));
  EXPECT_EQ(g.GetColumnType(0), ColumnType::Numeric);
}

// The row order the insertion-built list gives, step by step as described
// for the sort; the fast sort must end with the same order.
std::vector<int> ReferenceOrder(const std::vector<std::string>& keys, int kind, bool ascending) {
  struct Item {
    std::string key;
    int row;
  };
  auto cmp = [kind](const std::string& a, const std::string& b) -> int {
    if (kind == 1) return text::CompareGbk(a, b, true);
    double x, y;
    if (kind == 0) {
      x = text::LeadingNumber(a);
      y = text::LeadingNumber(b);
    } else {
      x = text::ParseDateTime(a).value_or(text::kMinDays);
      y = text::ParseDateTime(b).value_or(text::kMinDays);
    }
    if (std::abs(x - y) < 1e-7) return 0;
    return x < y ? -1 : 1;
  };
  std::list<Item> list;
  for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
    const Item item{keys[static_cast<std::size_t>(i)], i};
    if (kind == 3) {
      if (item.key == "假")
        list.push_front(item);
      else
        list.push_back(item);
    } else if (ascending) {
      auto it = list.end();
      while (it != list.begin()) {
        auto prev = std::prev(it);
        if (cmp(prev->key, item.key) <= 0) break;
        it = prev;
      }
      list.insert(it, item);
    } else {
      auto it = list.begin();
      while (it != list.end() && cmp(it->key, item.key) < 0) ++it;
      list.insert(it, item);
    }
  }
  std::vector<int> order;
  for (const Item& it : list) order.push_back(it.row);
  if (!ascending) std::reverse(order.begin(), order.end());
  return order;
}

TEST_F(SortTest, TheFastSortEndsInTheInsertionSortsOrder) {
  std::mt19937 rng(7);
  const std::vector<std::string> pool = {"1",  "2",    "10",  "9",     "abc", "",
                                         "选择", "判断", "2.50", "２",   "-3",  "2024-01-01",
                                         "2023/5/6", "x9", "B", "b"};
  for (int kind : {0, 1, 2, 3}) {
    for (bool ascending : {true, false}) {
      SCOPED_TRACE("kind " + std::to_string(kind) + (ascending ? " asc" : " desc"));
      std::vector<std::string> keys;
      for (int i = 0; i < 60; ++i) keys.push_back(pool[rng() % pool.size()]);
      GridSettings s;
      s.columns = 2;
      s.rows = 61;
      GridControl g(window, "g", s);
      int keyColumn = 0;
      if (kind == 3) {
        g.SetColumnType(0, ColumnType::CheckBox);
        for (int r = 1; r <= 60; ++r) {
          const bool on = rng() % 2 == 0;
          keys[static_cast<std::size_t>(r - 1)] = on ? "真" : "假";
          g.SetCellData(r, 0, CellKind::Check, on);
        }
      } else {
        for (int r = 1; r <= 60; ++r) g.SetCellData(r, 0, CellKind::Text, keys[static_cast<std::size_t>(r - 1)]);
      }
      for (int r = 1; r <= 60; ++r) g.SetCellData(r, 1, CellKind::Text, r - 1);
      SortGridRows(window, g, keyColumn, 1, 60, kind, true, ascending);
      std::vector<int> got;
      for (int r = 1; r <= 60; ++r) got.push_back(std::stoi(g.cellText(r, 1)));
      EXPECT_EQ(got, ReferenceOrder(keys, kind, ascending));
    }
  }
}

TEST_F(SortTest, WithinGroupsEachRunIsSortedByNumberAndUngroupedRowsStay) {
  // Column 0 group name, column 3 group number, column 1 tag.
  grid.SetRowCount(1);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"组B", "2"}, {"组B", "0"}, {"组B", "1"}, {"", "9"}, {"", "1"}, {"组A", "10"}, {"组A", "9"},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    grid.InsertRow(rows[i].first);
    grid.SetCellData(static_cast<int>(i) + 1, 3, CellKind::Text, rows[i].second);
    grid.SetCellData(static_cast<int>(i) + 1, 1, CellKind::Text, "r" + std::to_string(i + 1));
  }
  SortWithinGroups(window, grid, 0, 3, true);
  EXPECT_EQ(Column(1), (Tags{"r2", "r3", "r1", "r4", "r5", "r7", "r6"}));
  SortWithinGroups(window, grid, 0, 3, false);
  EXPECT_EQ(Column(1), (Tags{"r1", "r3", "r2", "r4", "r5", "r6", "r7"}));
}

TEST(CountTextLines, EmptyTextIsOneLineWithoutAskingTheHost) {
  testing::ScriptedHost host;
  int asked = 0;
  Font seen;
  host.setLineCounter([&](int, std::string_view, const Font& f) {
    ++asked;
    seen = f;
    return 3;
  });
  EXPECT_EQ(CountTextLines(host, 100, ""), 1);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(CountTextLines(host, 100, "x"), 3);
  EXPECT_EQ(seen.family, "宋体");
  EXPECT_EQ(seen.height, 19);
}

TEST(CountTextLines, LongTextWrapsIntoSeveralLines) {
  testing::ScriptedHost host;  // 10 px per GBK byte
  EXPECT_EQ(CountTextLines(host, 100, "一二三四五"), 1);       // 10 bytes
  EXPECT_EQ(CountTextLines(host, 100, "一二三四五六"), 2);     // 12 bytes
  EXPECT_EQ(CountTextLines(host, 100, "a\r\n\r\nb"), 3);
}

TEST(FindTextInList, FindsTheFirstExactMatch) {
  const std::vector<std::string> list = {"选择", "abc", "ABC", "abc"};
  EXPECT_EQ(FindTextInList(list, "abc"), 2);
  EXPECT_EQ(FindTextInList(list, "ABC"), 3);
  EXPECT_EQ(FindTextInList(list, "Abc"), 0);
  EXPECT_EQ(FindTextInList(list, "选择"), 1);
  EXPECT_EQ(FindTextInList({}, ""), 0);
}

}  // namespace
}  // namespace ui
