// The section numbering table: one column per numbering type ("大写",
// "罗马", and what the user adds), one row per section. It is kept for the
// whole installation in the file "大题编号类型" of the data folder, in the
// grid's own file format, and read without any window by the compose
// window, paper generation and the paper command.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {
class GridControl;
}

namespace types {

inline constexpr const char* kNumberingFileName = "大题编号类型";
// The default table: header row and nine sections, row headings and two
// types. These rows and columns are never edited or deleted.
inline constexpr int kFixedNumberingRows = 10;
inline constexpr int kFixedNumberingColumns = 3;

// dir/大题编号类型 (the bare name for an empty dir).
std::string NumberingFilePath(const std::string& dataDir);

// The table as plain values.
struct NumberingTable {
  std::vector<std::string> names;                // types: headers of columns 1..C-1
  std::vector<std::vector<std::string>> labels;  // labels[t][k-1]: section k in type t

  // How many sections have labels (rows below the header).
  int labelCount() const { return sectionCount_; }
  // Index of the type with this name, -1 when absent.
  int Find(std::string_view name) const;
  // Label of 1-based section k in type t; "" outside the table.
  const std::string& label(int type, int section) const;

  int sectionCount_ = 0;
};

// Fills a grid with the default table: 10 rows, 3 columns, one fixed row and
// column, row headings 1..9, "大写" 一..九 and "罗马" Ⅰ..Ⅸ, every cell centred.
void FillDefaultNumberingGrid(ui::GridControl& grid);
NumberingTable DefaultNumberingTable();

// The table a grid holds (row 0 headers, column 0 row headings).
NumberingTable NumberingTableFromGrid(const ui::GridControl& grid);

// Reads the table file; nullopt when it is missing or not a table file.
std::optional<NumberingTable> ReadNumberingTable(const std::string& path);
// The stored table of the data folder, or the default table without one.
NumberingTable LoadNumberingTable(const std::string& dataDir);

}  // namespace types
