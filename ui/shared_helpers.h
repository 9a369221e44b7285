// Row sorts, line counting and list lookup shared by the windows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/types.h"

namespace ui {

class Window;
class GridControl;
class Host;

// `SortKeyKind`.
inline constexpr int kSortNumeric = 0;
inline constexpr int kSortText = 1;
inline constexpr int kSortDateTime = 2;
inline constexpr int kSortCheckState = 3;

// Sorts rows firstRow..lastRow of `grid` by `keyColumn`.
// Kinds 0 (numeric: leading number, full-width digits read, 1e-7 tolerance),
// 1 (text in GBK byte order, case-folding when !caseSensitive) and
// 2 (date-time; a text that is not a date is the earliest date) give a
// stable sort in both directions. Kind 3 (check state) puts the unchecked
// rows first in reverse of their order, then the others in order, when
// ascending; descending gives the others in reverse order, then the
// unchecked rows in order. Another kind shows "排序列类型错误！" and changes
// nothing. Only cell contents move: the sorted rows get the grid's default
// row height and cell styles, so callers re-apply theirs.
void SortGridRows(Window& window, GridControl& grid, int keyColumn, int firstRow, int lastRow,
                  int keyKind, bool caseSensitive = true, bool ascending = true);

// From row 1 on, sorts every run of consecutive rows with the same
// non-empty group cell numerically by `numberColumn` in the given
// direction. Run after sorting the grid by the group column.
void SortWithinGroups(Window& window, GridControl& grid, int groupColumn, int numberColumn,
                      bool ascending);

// The measuring font: "宋体", character height 19 px.
extern const Font kMeasureFont;

// Lines `text` needs in a word-wrapping box `width` pixels wide in the
// measuring font; 1 for an empty text.
int CountTextLines(Host& host, int width, std::string_view text);

// 1-based position of the first element equal to `text` (exact bytes),
// 0 when absent.
int FindTextInList(const std::vector<std::string>& list, std::string_view text);

}  // namespace ui
