// Finding a text in the bank grid: the cells of 知识点 … 答图, column by
// column, ignoring the case of letters.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ui {
class GridControl;
}

namespace bank_editor {

class BankEditorWindow;

struct GridCell {
  int row = 0;
  int column = 0;
  friend bool operator==(const GridCell&, const GridCell&) = default;
};

// The last column searched (答图).
inline constexpr int kLastFindColumn = 7;

// True when the cell contains `needle`, letters compared without case.
bool CellContains(std::string_view cell, std::string_view needle);

// The cell after `from`: the next row of the same column, after the last
// row row 1 of the next column (column 7 starts over at row 1).
GridCell NextFindCell(const GridCell& from, int rowCount);

// Examines `start` (when `examineStart`) and the cells after it until a hit
// or until the last row of 答图 has been examined. nullopt without a hit or
// without question rows.
std::optional<GridCell> FindFrom(const ui::GridControl& grid, std::string_view needle,
                                 GridCell start, bool examineStart);

// Column by column from the first cell.
std::optional<GridCell> FindFromFirstCell(const ui::GridControl& grid, std::string_view needle);

// Where a search from the current cell begins: the cell itself when it is a
// searched cell; column 0 of the next row (of row 1 after the last row)
// when the cursor stands right of 答图, as the stepping covers only the
// searched columns; row 1 when it stands on the heading row.
GridCell FindStartCell(const GridCell& current, int rowCount, bool& examineStart);

// The find box of the editor: "从头", "从当前" and "下一个".
class EditorFind {
 public:
  explicit EditorFind(BankEditorWindow& editor);

  // The find text changed: the search starts over.
  void TextChanged();
  void FromStart();
  void FromCurrent();
  void Next();

  // `FindPosition`: the last hit.
  const GridCell& position() const { return position_; }

 private:
  // A hit in another row leaves the current one, which must be complete.
  bool ShowHit(const GridCell& hit);

  BankEditorWindow& editor_;
  GridCell position_{1, 0};
};

}  // namespace bank_editor
