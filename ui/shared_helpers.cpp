#include "ui/shared_helpers.h"

#include <algorithm>
#include <numeric>

#include "text/text.h"
#include "ui/grid_control.h"
#include "ui/host.h"
#include "ui/window.h"

namespace ui {

const Font kMeasureFont{"宋体", 19, false};

namespace {

constexpr double kTolerance = 1e-7;

// The key of a row as text: check-box data cells give "真" or "假".
std::string keyText(const GridControl& grid, int row, int column) {
  switch (grid.GetColumnType(column)) {
    case ColumnType::CheckBox:
      if (grid.IsDataCell(row, column)) return grid.cellChecked(row, column) ? "真" : "假";
      return grid.cellText(row, column);
    case ColumnType::Picture: {
      const Bytes& b = grid.cellPicture(row, column);
      return std::string(b.begin(), b.end());
    }
    default:
      return grid.cellText(row, column);
  }
}

// Row offsets 0..n-1 ordered by numeric keys; equal within the tolerance
// keeps the previous order.
std::vector<int> orderByNumber(const std::vector<double>& keys, bool ascending) {
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  const auto less = [&](int a, int b) {
    return keys[static_cast<std::size_t>(b)] - keys[static_cast<std::size_t>(a)] >= kTolerance;
  };
  if (ascending)
    std::stable_sort(order.begin(), order.end(), less);
  else
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(b, a); });
  return order;
}

}  // namespace

void SortGridRows(Window& window, GridControl& grid, int keyColumn, int firstRow, int lastRow,
                  int keyKind, bool caseSensitive, bool ascending) {
  if (firstRow >= lastRow) return;
  if (keyKind < kSortNumeric || keyKind > kSortCheckState) {
    window.host().MessageBox(&window, "排序列类型错误！");
    return;
  }
  firstRow = std::max(0, firstRow);
  lastRow = std::min(lastRow, grid.RowCount() - 1);
  if (firstRow >= lastRow || keyColumn < 0 || keyColumn >= grid.ColumnCount()) return;

  const std::size_t n = static_cast<std::size_t>(lastRow - firstRow + 1);
  std::vector<int> order;

  if (keyKind == kSortNumeric || keyKind == kSortDateTime) {
    std::vector<double> keys(n);
    for (std::size_t k = 0; k < n; ++k) {
      const std::string t = keyText(grid, firstRow + static_cast<int>(k), keyColumn);
      if (keyKind == kSortNumeric)
        keys[k] = text::LeadingNumber(t);
      else
        keys[k] = text::ParseDateTime(t).value_or(text::kMinDays);
    }
    order = orderByNumber(keys, ascending);
  } else if (keyKind == kSortText) {
    // Encode once; comparing the encoded bytes is the GBK order.
    std::vector<std::string> keys(n);
    for (std::size_t k = 0; k < n; ++k) {
      std::string t = keyText(grid, firstRow + static_cast<int>(k), keyColumn);
      keys[k] = text::ToGbk(caseSensitive ? t : text::LowerAscii(t));
    }
    order.resize(n);
    std::iota(order.begin(), order.end(), 0);
    const auto less = [&](int a, int b) {
      return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
    };
    if (ascending)
      std::stable_sort(order.begin(), order.end(), less);
    else
      std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(b, a); });
  } else {
    // Unchecked rows were put in front one by one, the others appended.
    std::vector<int> unchecked, others;
    for (std::size_t k = 0; k < n; ++k) {
      if (keyText(grid, firstRow + static_cast<int>(k), keyColumn) == "假")
        unchecked.push_back(static_cast<int>(k));
      else
        others.push_back(static_cast<int>(k));
    }
    if (ascending) {
      order.assign(unchecked.rbegin(), unchecked.rend());
      order.insert(order.end(), others.begin(), others.end());
    } else {
      order.assign(others.rbegin(), others.rend());
      order.insert(order.end(), unchecked.begin(), unchecked.end());
    }
  }

  grid.PermuteRows(firstRow, order);
  // The rows were rewritten through column 0's text; a numeric column 0 is
  // formatted again, as when its type is given back.
  if (grid.GetColumnType(0) == ColumnType::Numeric) grid.SetColumnType(0, ColumnType::Numeric);
}

void SortWithinGroups(Window& window, GridControl& grid, int groupColumn, int numberColumn,
                      bool ascending) {
  int row = 1;
  while (row < grid.RowCount()) {
    const std::string group = keyText(grid, row, groupColumn);
    if (group.empty()) {
      ++row;
      continue;
    }
    int end = row;
    while (end + 1 < grid.RowCount() && keyText(grid, end + 1, groupColumn) == group) ++end;
    SortGridRows(window, grid, numberColumn, row, end, kSortNumeric, true, ascending);
    row = end + 1;
  }
}

int CountTextLines(Host& host, int width, std::string_view text) {
  if (text.empty()) return 1;
  return host.CountTextLines(width, text, kMeasureFont);
}

int FindTextInList(const std::vector<std::string>& list, std::string_view text) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i] == text) return static_cast<int>(i) + 1;
  return 0;
}

}  // namespace ui
