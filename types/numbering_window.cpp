#include "types/numbering_window.h"

#include "text/text.h"
#include "types/numbering_table.h"
#include "ui/host.h"

namespace types {

// Keeps the menus and editability in step with the cursor, however it
// moves (click, keys).
class NumberingWindow::CursorWatch : public ui::GridObserver {
 public:
  explicit CursorWatch(NumberingWindow& w) : w_(w) {}
  void cursorChanged() override { w_.UpdateMenusAndSize(); }

 private:
  NumberingWindow& w_;
};

NumberingWindow::NumberingWindow(ui::Host& host, std::string path)
    : ui::Window(host, "大题编号类型设置", 3 * kColumnWidth + 15, 10 * kRowHeight + 15),
      高级表格1(*this, "高级表格1", ui::grid_presets::kSectionNumbering),
      菜单编辑(*this, "编辑"),
      菜单添加(菜单编辑, "添加"),
      菜单添加行(菜单添加, "行"),
      菜单添加列(菜单添加, "列"),
      菜单删除(菜单编辑, "删除"),
      菜单末尾行(菜单删除, "末尾行"),
      菜单当前列(菜单删除, "当前列"),
      path_(std::move(path)),
      watch_(std::make_unique<CursorWatch>(*this)) {
  // No layout: the window is fitted to the grid, which sits at its geometry.
  高级表格1.AddObserver(watch_.get());
  菜单添加行.onChoose = [this] { AddRow(); };
  菜单添加列.onChoose = [this] { AddColumn(); };
  菜单末尾行.onChoose = [this] { DeleteLastRow(); };
  菜单当前列.onChoose = [this] { DeleteCurrentColumn(); };
  高级表格1.onRightButtonUp = [this](int x, int y, int) {
    菜单编辑.Popup(高级表格1.left() + x, 高级表格1.top() + y);
    return true;
  };
  高级表格1.onKeyDown = [](int key, int) { return key != ui::kKeyDelete; };
  高级表格1.ColumnResized = [this](int) { UpdateMenusAndSize(); };
  onCreated = [this] { Opening(); };
  onMayClose = [this] { return MayClose(); };
  onDestroyed = [this] { saved_ = 高级表格1.SaveToFile(path_); };
}

NumberingWindow::~NumberingWindow() { 高级表格1.RemoveObserver(watch_.get()); }

void NumberingWindow::Opening() {
  saved_ = false;
  if (!高级表格1.LoadFromFile(path_)) FillDefaultNumberingGrid(高级表格1);
  for (int c = 0; c < 高级表格1.ColumnCount(); ++c) 高级表格1.SetColumnWidth(c, kColumnWidth);
  高级表格1.SetUniformRowHeight(kRowHeight);
  UpdateMenusAndSize();
}

void NumberingWindow::UpdateMenusAndSize() {
  auto& g = 高级表格1;
  const int rows = g.RowCount();
  const int row = g.CursorRow();
  const int col = g.CursorColumn();
  const bool manyRows = rows > kFixedNumberingRows;
  const bool addedColumn = col >= kFixedNumberingColumns;
  菜单删除.setVisible(manyRows || addedColumn);
  菜单末尾行.setVisible(manyRows);
  菜单当前列.setVisible(addedColumn);
  g.SetEditable(row >= kFixedNumberingRows || col >= kFixedNumberingColumns);

  // The window's size here is its client area: title bar and menu bar lie
  // outside it, so it takes the grid's size.
  int width = 0;
  for (int c = 0; c < g.ColumnCount(); ++c) width += g.GetColumnWidth(c);
  const int gridWidth = width + 15;
  const int gridHeight = kRowHeight * rows + 15;
  g.setGeometry({0, 0, gridWidth, gridHeight});
  Resize(gridWidth, gridHeight);
}

void NumberingWindow::AddRow() {
  auto& g = 高级表格1;
  const int heading = g.RowCount();
  g.InsertRow(std::to_string(heading));
  const int row = g.RowCount() - 1;
  g.SetRowHeight(row, kRowHeight);
  g.SetRangeAlignment(row, 0, row, g.ColumnCount() - 1, 2);
  UpdateMenusAndSize();
}

void NumberingWindow::AddColumn() {
  const auto name = host().InputBox(this, "请输入添加列的标题：");
  if (!name || text::RemoveSpaces(*name).empty()) return;
  auto& g = 高级表格1;
  g.InsertColumn(text::RemoveSpaces(*name));
  const int col = g.ColumnCount() - 1;
  g.SetColumnWidth(col, kColumnWidth);
  g.SetRangeAlignment(0, col, g.RowCount() - 1, col, 2);
  UpdateMenusAndSize();
}

void NumberingWindow::DeleteLastRow() {
  auto& g = 高级表格1;
  if (g.RowCount() <= kFixedNumberingRows) return;
  g.DeleteRow(g.RowCount() - 1);
  UpdateMenusAndSize();
}

void NumberingWindow::DeleteCurrentColumn() {
  auto& g = 高级表格1;
  const int col = g.CursorColumn();
  if (col < kFixedNumberingColumns || col >= g.ColumnCount()) return;
  g.DeleteColumn(col);
  UpdateMenusAndSize();
}

bool NumberingWindow::MayClose() {
  const auto& g = 高级表格1;
  for (int r = 1; r < g.RowCount(); ++r)
    for (int c = 1; c < g.ColumnCount(); ++c)
      if (text::RemoveSpaces(g.cellText(r, c)).empty()) {
        host().Message(this, "请完善大题编号！");
        return false;
      }
  return true;
}

}  // namespace types
