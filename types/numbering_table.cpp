#include "types/numbering_table.h"

#include "ui/grid_control.h"

namespace types {

namespace {
const char* const kChinese[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
const char* const kRoman[] = {"Ⅰ", "Ⅱ", "Ⅲ", "Ⅳ", "Ⅴ", "Ⅵ", "Ⅶ", "Ⅷ", "Ⅸ"};
}  // namespace

std::string NumberingFilePath(const std::string& dataDir) {
  return dataDir.empty() ? std::string(kNumberingFileName) : dataDir + "/" + kNumberingFileName;
}

int NumberingTable::Find(std::string_view name) const {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<int>(i);
  return -1;
}

const std::string& NumberingTable::label(int type, int section) const {
  static const std::string empty;
  if (type < 0 || type >= static_cast<int>(labels.size())) return empty;
  const auto& column = labels[static_cast<std::size_t>(type)];
  if (section < 1 || section > static_cast<int>(column.size())) return empty;
  return column[static_cast<std::size_t>(section - 1)];
}

void FillDefaultNumberingGrid(ui::GridControl& grid) {
  grid.SetColumnCount(kFixedNumberingColumns);
  grid.SetRowCount(1);
  grid.SetRowCount(kFixedNumberingRows);
  grid.SetFixedRowCount(1);
  grid.SetFixedColumnCount(1);
  grid.SetCellData(0, 0, ui::CellKind::Text, std::string());
  grid.SetCellData(0, 1, ui::CellKind::Text, std::string("大写"));
  grid.SetCellData(0, 2, ui::CellKind::Text, std::string("罗马"));
  for (int k = 1; k < kFixedNumberingRows; ++k) {
    grid.SetCellData(k, 0, ui::CellKind::Text, std::to_string(k));
    grid.SetCellData(k, 1, ui::CellKind::Text, std::string(kChinese[k - 1]));
    grid.SetCellData(k, 2, ui::CellKind::Text, std::string(kRoman[k - 1]));
  }
  grid.SetRangeAlignment(0, 0, grid.RowCount() - 1, grid.ColumnCount() - 1, 2);
}

NumberingTable DefaultNumberingTable() {
  ui::GridControl grid;
  FillDefaultNumberingGrid(grid);
  return NumberingTableFromGrid(grid);
}

NumberingTable NumberingTableFromGrid(const ui::GridControl& grid) {
  NumberingTable t;
  t.sectionCount_ = grid.RowCount() > 1 ? grid.RowCount() - 1 : 0;
  for (int c = 1; c < grid.ColumnCount(); ++c) {
    t.names.push_back(grid.cellText(0, c));
    std::vector<std::string> column;
    for (int r = 1; r < grid.RowCount(); ++r) column.push_back(grid.cellText(r, c));
    t.labels.push_back(std::move(column));
  }
  return t;
}

std::optional<NumberingTable> ReadNumberingTable(const std::string& path) {
  ui::GridControl grid;
  if (!grid.LoadFromFile(path)) return std::nullopt;
  return NumberingTableFromGrid(grid);
}

NumberingTable LoadNumberingTable(const std::string& dataDir) {
  if (auto t = ReadNumberingTable(NumberingFilePath(dataDir))) return *t;
  return DefaultNumberingTable();
}

}  // namespace types
