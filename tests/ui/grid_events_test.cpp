#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/grid_control.h"
#include "ui/testing/scripted_host.h"
#include "ui/window.h"

namespace ui {
namespace {

// A window with an editable grid: column 0 text, 1 numeric, 2 check box.
// Every event is written to `log`, with the cursor and the cell state
// where the handlers would look at them.
class EventWindow : public Window {
 public:
  explicit EventWindow(Host& host) : Window(host, "表", 400, 300), grid(*this, "高级表格1", Settings()) {
    grid.SetColumnType(1, ColumnType::Numeric);
    grid.SetColumnType(2, ColumnType::CheckBox);
    grid.onLeftButtonDown = [this](int, int, int) {
      log.push_back("down@" + Cursor());
      return acceptDown;
    };
    grid.onLeftButtonUp = [this](int, int, int) {
      log.push_back("up@" + Cursor());
      return acceptUp;
    };
    grid.onDoubleClick = [this](int, int, int) {
      log.push_back("double");
      return true;
    };
    grid.onKeyDown = [this](int key, int) {
      log.push_back("key " + std::to_string(key));
      return key != kKeyDelete || acceptDelete;
    };
    grid.EditBegun = [this] { log.push_back("begun " + State()); };
    grid.CellEdited = [this] { log.push_back("edited " + State()); };
    grid.GridClicked = [this](int, int) { log.push_back("clicked"); };
    grid.HeaderClicked = [this](int r, int c) {
      log.push_back("header " + std::to_string(r) + "," + std::to_string(c));
    };
    grid.ColumnResized = [this](int c) { log.push_back("resized " + std::to_string(c)); };
  }

  static GridSettings Settings() {
    GridSettings s = grid_presets::kBankEditor;
    s.columns = 3;
    s.rows = 4;
    return s;
  }
  std::string Cursor() const {
    return std::to_string(grid.CursorRow()) + "," + std::to_string(grid.CursorColumn());
  }
  std::string State() const {
    const int r = grid.CursorRow(), c = grid.CursorColumn();
    if (grid.GetColumnType(c) == ColumnType::CheckBox)
      return grid.cellChecked(r, c) ? "on" : "off";
    return "'" + grid.cellText(r, c) + "'";
  }

  GridControl grid;
  std::vector<std::string> log;
  bool acceptDown = true;
  bool acceptUp = true;
  bool acceptDelete = true;
};

class GridEvents : public ::testing::Test {
 protected:
  testing::ScriptedHost host;
  EventWindow w{host};
  GridControl& g = w.grid;
  std::vector<std::string>& log = w.log;
};

TEST_F(GridEvents, ClickOnACheckCellTogglesBetweenEditBegunAndCellEdited) {
  g.SetCursorCell(1, 0);
  ASSERT_TRUE(g.Click(2, 2));
  EXPECT_EQ(log, (std::vector<std::string>{"down@1,0", "up@2,2", "begun off", "edited on",
                                           "clicked"}));
  EXPECT_TRUE(g.cellChecked(2, 2));
  EXPECT_EQ(g.SelectionFirstRow(), 2);
}

TEST_F(GridEvents, CheckCellsStayWhenTheGridOrCellMayNotBeEdited) {
  struct Case {
    const char* name;
    bool editable;
    bool readOnly;
    bool acceptUp;
    std::vector<std::string> events;
  };
  const std::vector<Case> cases = {
      {"grid not editable", false, false, true, {"down@0,0", "up@1,2", "clicked"}},
      {"read-only cell", true, true, true, {"down@0,0", "up@1,2", "clicked"}},
      {"released button refused", true, false, false, {"down@0,0", "up@1,2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScriptedHost h;
    EventWindow ew(h);
    ew.grid.SetEditable(c.editable);
    ew.grid.SetRangeReadOnly(1, 2, 1, 2, c.readOnly);
    ew.acceptUp = c.acceptUp;
    ew.grid.Click(1, 2);
    EXPECT_EQ(ew.log, c.events);
    EXPECT_FALSE(ew.grid.cellChecked(1, 2));
  }
}

TEST_F(GridEvents, ARefusedPressLeavesTheFocusCellAndEndsTheClick) {
  w.acceptDown = false;
  EXPECT_FALSE(g.Click(2, 2));
  EXPECT_EQ(log, (std::vector<std::string>{"down@0,0"}));
  EXPECT_EQ(g.CursorRow(), 0);
  EXPECT_FALSE(g.cellChecked(2, 2));
}

TEST_F(GridEvents, HeaderClickRaisesGridClickedThenHeaderClicked) {
  g.Click(0, 2);
  EXPECT_EQ(log, (std::vector<std::string>{"down@0,0", "up@0,2", "clicked", "header 0,2"}));
}

TEST_F(GridEvents, DoubleClickRaisesGridClickedOnlyForTheFirstClick) {
  g.DoubleClick(1, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"down@0,0", "up@1,0", "clicked", "double", "up@1,0"}));
}

TEST_F(GridEvents, InPlaceEditSeesTheOldValueAtBeginAndTheNewAtEnd) {
  g.SetCellData(1, 0, CellKind::Text, "旧");
  ASSERT_TRUE(g.EditCell(1, 0, "新"));
  EXPECT_EQ(log, (std::vector<std::string>{"begun '旧'", "edited '新'"}));
}

TEST_F(GridEvents, ANonNumericEditOfANumberCellKeepsTheOldValueAndStillEnds) {
  g.SetCellData(1, 1, CellKind::Text, "5");
  EXPECT_FALSE(g.EditCell(1, 1, "abc"));
  EXPECT_EQ(log, (std::vector<std::string>{"begun '5'", "edited '5'"}));
}

TEST_F(GridEvents, AnEditEndsInItsOwnCellWhenRowsOrColumnsMoveMeanwhile) {
  g.SetCellData(2, 0, CellKind::Text, "旧");
  ASSERT_TRUE(g.BeginEdit(2, 0));
  g.InsertRow(std::nullopt, 1);
  g.InsertColumn(std::nullopt, 0);
  g.CommitEdit("新");
  EXPECT_EQ(g.cellText(3, 1), "新");
  EXPECT_EQ(g.cellText(2, 1), "");

  ASSERT_TRUE(g.BeginEdit(3, 1));
  g.DeleteRow(1);
  g.DeleteColumn(0);
  g.CommitEdit("再");
  EXPECT_EQ(g.cellText(2, 0), "再");
  EXPECT_EQ(g.cellText(3, 0), "");
}

TEST_F(GridEvents, EditingIsRefusedWhereTheGridOrCellForbidsIt) {
  g.SetRangeReadOnly(2, 0, 2, 0, true);
  EXPECT_FALSE(g.EditCell(0, 0, "x"));  // header
  EXPECT_FALSE(g.EditCell(2, 0, "x"));  // read-only
  g.SetEditable(false);
  EXPECT_FALSE(g.EditCell(1, 0, "x"));
  EXPECT_TRUE(log.empty());
}

TEST_F(GridEvents, WritingCellsAndChangingRowsRaiseNoEvent) {
  g.SetCellData(1, 0, CellKind::Text, "a");
  g.SetCellData(1, 2, CellKind::Check, true);
  g.InsertRow();
  g.DeleteRow(1);
  g.SetRowCount(10);
  g.SetCursorCell(3, 1);
  g.SelectRange(1, 1, 2, 2);
  EXPECT_TRUE(log.empty());
}

TEST_F(GridEvents, ARefusedKeyIsIgnoredByTheGrid) {
  g.SetCellData(1, 0, CellKind::Text, "keep");
  g.SetCursorCell(1, 0);
  w.acceptDelete = false;
  EXPECT_FALSE(g.PressKey(kKeyDelete));
  EXPECT_EQ(g.cellText(1, 0), "keep");
  w.acceptDelete = true;
  EXPECT_TRUE(g.PressKey(kKeyDelete));
  EXPECT_EQ(g.cellText(1, 0), "");
  EXPECT_EQ(log, (std::vector<std::string>{"key 46", "key 46", "begun 'keep'", "edited ''"}));
}

TEST_F(GridEvents, DraggingSelectsTheRectangleAndKeepsTheFocusOnThePressedCell) {
  g.Drag(3, 2, 1, 0);
  EXPECT_EQ(g.CursorRow(), 3);
  EXPECT_EQ(g.SelectionFirstRow(), 1);
  EXPECT_EQ(g.SelectionLastRow(), 3);
  EXPECT_EQ(g.SelectionFirstColumn(), 0);
  EXPECT_EQ(g.SelectionLastColumn(), 2);
  EXPECT_FALSE(g.cellChecked(3, 2));  // a drag is not a click on a box
}

TEST_F(GridEvents, ColumnResizeByThePersonRaisesColumnResized) {
  EXPECT_TRUE(g.ResizeColumn(1, 120));
  EXPECT_EQ(g.GetColumnWidth(1), 120);
  EXPECT_EQ(log, (std::vector<std::string>{"resized 1"}));
}

TEST_F(GridEvents, NothingHappensInADisabledOrHiddenGridOrDisabledWindow) {
  const std::vector<std::pair<const char*, std::function<void(bool)>>> blockers = {
      {"grid disabled", [this](bool on) { g.setEnabled(!on); }},
      {"grid hidden", [this](bool on) { g.setVisible(!on); }},
      {"window disabled", [this](bool on) { w.setEnabled(!on); }},
  };
  for (const auto& [name, block] : blockers) {
    SCOPED_TRACE(name);
    block(true);
    EXPECT_FALSE(g.Click(1, 2));
    EXPECT_FALSE(g.EditCell(1, 0, "x"));
    EXPECT_FALSE(g.PressKey(kKeyDelete));
    EXPECT_FALSE(g.ResizeColumn(0, 5));
    EXPECT_TRUE(log.empty());
    block(false);
  }
  EXPECT_FALSE(g.cellChecked(1, 2));
}

TEST_F(GridEvents, ChoosingAListItemEditsTheCellWithIt) {
  g.ClearPendingListItems();
  g.AddPendingListItem("判断");
  g.AddPendingListItem("选择");
  g.SetColumnType(0, ColumnType::DropDown);
  EXPECT_TRUE(g.ChooseListItem(1, 0, 1));
  EXPECT_EQ(g.cellText(1, 0), "选择");
  EXPECT_FALSE(g.ChooseListItem(1, 0, 2));
  EXPECT_EQ(log, (std::vector<std::string>{"begun ''", "edited '选择'"}));
}

}  // namespace
}  // namespace ui
