// The grid view: a person's clicks, keys and in-place edits reach the grid
// as its user actions, in the grid's order of events, and the view follows
// every change of the grid.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>

#include "qt_test_support.h"
#include "ui/grid_control.h"
#include "ui/qt/grid_model.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/pitched_text.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/window_view.h"
#include "ui/window.h"

namespace {

using ui::CellKind;
using ui::ColumnType;
using ui::qt::GridView;

class GridWindow : public ui::Window {
 public:
  explicit GridWindow(ui::Host& host) : ui::Window(host, "表格", 600, 400) {
    grid.setGeometry({0, 0, 600, 400});
    grid.SetRowCount(6);
    for (int r = 1; r < 6; ++r) {
      grid.SetCellData(r, 0, CellKind::Text, "题目" + std::to_string(r));
      grid.SetCellData(r, 2, CellKind::Text, std::to_string(r * 10));
    }
    grid.SetCellData(0, 0, CellKind::Text, "题文");
    grid.SetCellData(0, 1, CellKind::Text, "A卷");
    grid.SetColumnType(1, ColumnType::CheckBox);
    grid.SetColumnType(2, ColumnType::Numeric);
    grid.ClearPendingListItems();
    for (const char* t : {"判断", "选择", "填空"}) grid.AddPendingListItem(t);
    grid.SetColumnType(3, ColumnType::DropDown);
    grid.ClearPendingListItems();
  }
  ui::GridControl grid{*this, "高级表格1", ui::GridSettings{5, 1, 1, 0, 24, 90, true, true, true, true}};
};

class GridViewTest : public ::testing::Test, protected qt_test::WithApp {
 protected:
  GridViewTest() {
    qt_test::app();
    w.grid.EditBegun = [this] {
      events.push_back("EditBegun " + w.grid.cellText(w.grid.CursorRow(), w.grid.CursorColumn()));
    };
    w.grid.CellEdited = [this] {
      events.push_back("CellEdited " + w.grid.cellText(w.grid.CursorRow(), w.grid.CursorColumn()));
    };
    w.grid.onLeftButtonDown = [this](int, int, int) {
      events.push_back("down at " + std::to_string(w.grid.CursorRow()));
      return true;
    };
    w.grid.onLeftButtonUp = [this](int, int, int) {
      events.push_back("up at " + std::to_string(w.grid.CursorRow()));
      return true;
    };
    w.grid.GridClicked = [this](int, int) { events.push_back("GridClicked"); };
    w.grid.HeaderClicked = [this](int r, int c) {
      events.push_back("HeaderClicked " + std::to_string(r) + "," + std::to_string(c));
    };
    w.grid.ColumnResized = [this](int c) {
      events.push_back("ColumnResized " + std::to_string(c) + " " +
                       std::to_string(w.grid.GetColumnWidth(c)));
    };
    view_ = host.OpenView(w, nullptr, false);
    qt_test::settle();
    grid = view_->GridViewFor(w.grid);
  }
  ~GridViewTest() override { w.Close(); }

  QPoint centre(int row, int column) const { return grid->CellRect(row, column).center(); }
  void click(int row, int column) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre(row, column)); }

  ui::qt::QtHost host;
  GridWindow w{host};
  ui::qt::WindowView* view_ = nullptr;
  GridView* grid = nullptr;
  std::vector<std::string> events;
};

TEST_F(GridViewTest, TheHeaderShowsRowZeroAndDataRowsFollow) {
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->model()->rowCount(), 5);
  EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("题文"));
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("题目1"));
  EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), 90);
  EXPECT_EQ(grid->horizontalHeader()->height(), 24);
  w.grid.SetColumnWidth(4, 0);
  w.grid.SetRowHeight(2, 60);
  w.grid.SetCellData(2, 0, CellKind::Text, "改过");
  qt_test::settle();
  EXPECT_TRUE(grid->isColumnHidden(4));
  EXPECT_EQ(grid->rowHeight(1), 60);
  EXPECT_EQ(grid->model()->index(1, 0).data().toString(), QStringLiteral("改过"));
}

TEST_F(GridViewTest, AnEditRaisesEditBegunThenCellEditedWithTheNewValueStored) {
  click(2, 0);
  events.clear();
  ASSERT_TRUE(grid->EditCellInPlace(2, 0));
  auto* editor = qobject_cast<QLineEdit*>(grid->openEditor());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), QStringLiteral("题目2"));
  qt_test::typeText(editor, QStringLiteral("新题"));  // replaces the selected text
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(events, (std::vector<std::string>{"EditBegun 题目2", "CellEdited 新题"}));
  EXPECT_EQ(w.grid.cellText(2, 0), "新题");
  EXPECT_EQ(grid->openEditor(), nullptr);
  qt_test::settle();
  EXPECT_EQ(grid->model()->index(1, 0).data().toString(), QStringLiteral("新题"));
}

TEST_F(GridViewTest, EndingAnEditWithoutChangeStillRaisesCellEdited) {
  struct Case {
    const char* name;
    Qt::Key key;
  };
  for (const Case& c : {Case{"Return", Qt::Key_Return}, Case{"Escape", Qt::Key_Escape}}) {
    SCOPED_TRACE(c.name);
    events.clear();
    ASSERT_TRUE(grid->EditCellInPlace(3, 0));
    auto* editor = qobject_cast<QLineEdit*>(grid->openEditor());
    ASSERT_NE(editor, nullptr);
    if (c.key == Qt::Key_Escape) qt_test::typeText(editor, QStringLiteral("丢弃"));
    QTest::keyClick(editor, c.key);
    EXPECT_EQ(events, (std::vector<std::string>{"EditBegun 题目3", "CellEdited 题目3"}));
    EXPECT_EQ(grid->openEditor(), nullptr);
  }
}

TEST_F(GridViewTest, TypingOnAFocusedCellStartsTheEditWithTheTypedText) {
  click(1, 0);
  events.clear();
  QTest::keyClicks(grid, "x");
  auto* editor = qobject_cast<QLineEdit*>(grid->openEditor());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), QStringLiteral("x"));
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(w.grid.cellText(1, 0), "x");
  EXPECT_EQ(events.front(), "EditBegun 题目1");
}

TEST_F(GridViewTest, ACheckBoxCellTogglesOnceOnASingleClick) {
  events.clear();
  click(2, 1);
  EXPECT_TRUE(w.grid.cellChecked(2, 1));
  EXPECT_EQ(events, (std::vector<std::string>{"down at 0", "up at 2", "EditBegun ", "CellEdited ",
                                              "GridClicked"}));
  click(2, 1);
  EXPECT_FALSE(w.grid.cellChecked(2, 1));
  // Read-only cells do not toggle.
  w.grid.SetRangeReadOnly(3, 1, 3, 1, true);
  click(3, 1);
  EXPECT_FALSE(w.grid.cellChecked(3, 1));
}

TEST_F(GridViewTest, ADropDownEditorOffersExactlyTheColumnsItemsAndTakesTypedText) {
  ASSERT_TRUE(grid->EditCellInPlace(1, 3));
  auto* combo = qobject_cast<QComboBox*>(grid->openEditor());
  ASSERT_NE(combo, nullptr);
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  EXPECT_EQ(items, (QStringList{QStringLiteral("判断"), QStringLiteral("选择"), QStringLiteral("填空")}));
  EXPECT_TRUE(combo->isEditable());
  combo->setCurrentIndex(1);
  QTest::keyClick(combo, Qt::Key_Return);
  EXPECT_EQ(w.grid.cellText(1, 3), "选择");

  ASSERT_TRUE(grid->EditCellInPlace(2, 3));
  combo = qobject_cast<QComboBox*>(grid->openEditor());
  ASSERT_NE(combo, nullptr);
  combo->setEditText(QStringLiteral("名词"));
  QTest::keyClick(combo, Qt::Key_Return);
  EXPECT_EQ(w.grid.cellText(2, 3), "名词");
}

TEST_F(GridViewTest, ANumericCellKeepsItsValueWhenTheEditIsNotANumber) {
  ASSERT_TRUE(grid->EditCellInPlace(1, 2));
  auto* editor = qobject_cast<QLineEdit*>(grid->openEditor());
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "4x2");  // the validator drops the letter
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(w.grid.cellText(1, 2), "42");
}

TEST_F(GridViewTest, PressIsRaisedBeforeTheFocusMovesAndReleaseAfter) {
  click(1, 0);
  events.clear();
  click(4, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"down at 1", "up at 4", "GridClicked"}));
  EXPECT_EQ(w.grid.CursorRow(), 4);
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(3, 0));
}

TEST_F(GridViewTest, TheFocusCellAndSelectionFollowTheGridBothWays) {
  w.grid.SetCursorCell(5, 2);
  w.grid.SelectRange(2, 0, 4, 2);
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(4, 2));
  EXPECT_TRUE(grid->selectionModel()->isSelected(grid->model()->index(1, 0)));
  EXPECT_TRUE(grid->selectionModel()->isSelected(grid->model()->index(3, 2)));
  EXPECT_FALSE(grid->selectionModel()->isSelected(grid->model()->index(4, 2)));

  // A drag from cell to cell selects in the grid.
  QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, centre(1, 0));
  QTest::mouseMove(grid->viewport(), centre(3, 1));
  QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, centre(3, 1));
  EXPECT_EQ(w.grid.SelectionFirstRow(), 1);
  EXPECT_EQ(w.grid.SelectionLastRow(), 3);
  EXPECT_EQ(w.grid.SelectionLastColumn(), 1);
  EXPECT_EQ(w.grid.CursorRow(), 1);
  EXPECT_TRUE(grid->selectionModel()->isSelected(grid->model()->index(2, 1)));
}

TEST_F(GridViewTest, KeysGoToTheKeyHandlerFirstAndARefusedDeleteLeavesTheCell) {
  std::vector<int> keys;
  bool refuseDelete = true;
  w.grid.onKeyDown = [&](int key, int) {
    keys.push_back(key);
    return !(refuseDelete && key == ui::kKeyDelete);
  };
  click(2, 0);
  QTest::keyClick(grid, Qt::Key_Delete);
  EXPECT_EQ(w.grid.cellText(2, 0), "题目2");
  refuseDelete = false;
  QTest::keyClick(grid, Qt::Key_Delete);
  EXPECT_EQ(w.grid.cellText(2, 0), "");
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(w.grid.CursorRow(), 3);
  EXPECT_EQ((std::vector<int>{keys.begin(), keys.end()}),
            (std::vector<int>{ui::kKeyDelete, ui::kKeyDelete, ui::kKeyDown}));
}

// A right press makes the cell under the mouse the focus cell as a left
// click would, so the pop-up menu on release is that cell's.
TEST_F(GridViewTest, ARightClickMovesTheFocusFirstWithoutTickingAndARefusedMoveHasNoMenu) {
  w.grid.onRightButtonUp = [this](int, int, int) {
    events.push_back("right up at " + std::to_string(w.grid.CursorRow()));
    return true;
  };
  click(1, 0);
  events.clear();
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, centre(3, 1));
  EXPECT_EQ(events, (std::vector<std::string>{"down at 1", "up at 3", "right up at 3"}));
  EXPECT_FALSE(w.grid.cellChecked(3, 1));
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(2, 1));

  // Inside the selection nothing moves; a refused move shows no menu.
  events.clear();
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, centre(3, 1));
  EXPECT_EQ(events, (std::vector<std::string>{"right up at 3"}));
  w.grid.onLeftButtonUp = [this](int, int, int) {
    w.grid.SetCursorCell(3, 1);  // the window sends the cursor back
    w.grid.SelectRange(3, 1);
    return false;
  };
  events.clear();
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, centre(5, 0));
  EXPECT_EQ(events, (std::vector<std::string>{"down at 3"}));
  EXPECT_EQ(w.grid.CursorRow(), 3);
}

// Escape in the grid ends an edit; with no edit open it is the window's.
TEST_F(GridViewTest, EscapeEndsAnEditFirstAndThenReachesTheWindow) {
  click(2, 0);
  ASSERT_TRUE(grid->EditCellInPlace(2, 0));
  QTest::keyClick(grid->openEditor(), Qt::Key_Escape);
  EXPECT_EQ(grid->openEditor(), nullptr);
  EXPECT_TRUE(w.isOpen());
  QTest::keyClick(grid, Qt::Key_Escape);
  EXPECT_FALSE(w.isOpen());
}

// Typed into a narrow cell, a value shows whole: the editor grows over the
// cells to its right while the text needs it.
TEST_F(GridViewTest, AValueTypedIntoANarrowCellShowsWhole) {
  w.grid.SetColumnWidth(2, 20);
  w.grid.SetColumnWidth(3, 20);
  qt_test::settle();
  struct Case {
    int column;
    const char* typed;
  };
  for (const Case& c : {Case{2, "100"}, Case{3, "12"}, Case{3, "填空题"}}) {
    SCOPED_TRACE(c.typed);
    ASSERT_TRUE(grid->EditCellInPlace(1, c.column));
    QWidget* editor = grid->openEditor();
    ASSERT_NE(editor, nullptr);
    auto* combo = qobject_cast<QComboBox*>(editor);
    QLineEdit* line = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(editor);
    ASSERT_NE(line, nullptr);
    line->selectAll();
    qt_test::typeText(line, QString::fromUtf8(c.typed));
    qt_test::settle();
    EXPECT_EQ(line->text(), QString::fromUtf8(c.typed));
    EXPECT_GE(line->width(), line->fontMetrics().horizontalAdvance(line->text()) + 4);
    QTest::keyClick(line, Qt::Key_Escape);
  }
}

// Cells of one row draw their first line on one baseline: a text cut off
// after its first line, or a line mixing faces, sits where a short one does.
TEST(PitchedText, TheFirstLineOfEveryCellOfARowSitsOnOneBaseline) {
  qt_test::app();
  const QFont font = ui::qt::FontFor(ui::Font{"宋体", 14, false});
  const auto draw = [&](const QString& text, bool wrap) {
    QImage image(40, 22, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    ui::qt::DrawPitchedText(&p, image.rect(), text, font, 14, 15, Qt::AlignLeft, wrap);
    return image;
  };
  const QImage shortText = draw(QStringLiteral("文学"), true);
  EXPECT_EQ(draw(QStringLiteral("文学 阅读 写作"), true), shortText);
  EXPECT_EQ(draw(QStringLiteral("文学"), false), shortText);
}

TEST_F(GridViewTest, AHeaderClickRaisesGridClickedThenHeaderClicked) {
  QHeaderView* header = grid->horizontalHeader();
  const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
  events.clear();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  EXPECT_EQ(events, (std::vector<std::string>{"down at 0", "up at 0", "GridClicked", "HeaderClicked 0,1"}));
}

TEST_F(GridViewTest, DraggingAColumnBorderRaisesColumnResizedWithTheNewWidth) {
  QHeaderView* header = grid->horizontalHeader();
  const int border = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
  const int y = header->height() / 2;
  events.clear();
  QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, y));
  QTest::mouseMove(header->viewport(), QPoint(border + 20, y));
  QTest::mouseMove(header->viewport(), QPoint(border + 40, y));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(border + 40, y));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events.front(), "ColumnResized 0 130");
  EXPECT_EQ(w.grid.GetColumnWidth(0), 130);
}

TEST_F(GridViewTest, TheTableModelStaysConsistentThroughEveryKindOfGridChange) {
  QList<QString> problems;
  static QList<QString>* sink = nullptr;
  sink = &problems;
  const QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type >= QtWarningMsg && sink) sink->append(message);
      });
  {
    QAbstractItemModelTester tester(grid->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    ui::GridControl& g = w.grid;
    g.InsertRow("插入", 2);
    g.InsertRow();
    g.DeleteRow(3);
    g.SetRowCount(40);
    g.SetCellData(30, 0, CellKind::Text, "远处");
    g.InsertColumn("新列", 1);
    g.DeleteColumn(1);
    g.SetColumnCount(7);
    g.SetFixedRowCount(0);
    g.SetFixedRowCount(1);
    g.DeleteRow(0);
    g.SetRowCount(1);
    g.SetRowCount(3);
    qt_test::settle();
    EXPECT_EQ(grid->model()->rowCount(), g.RowCount() - 1);
    EXPECT_EQ(grid->model()->columnCount(), g.ColumnCount());
  }
  qInstallMessageHandler(previous);
  sink = nullptr;
  EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
