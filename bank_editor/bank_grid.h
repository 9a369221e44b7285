// The bank grid of the editor: filling it from a course bank, the group
// order, the row styles, and reading a question back out of a row.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "bank_editor/question_rules.h"
#include "databases/course_bank.h"
#include "recfile/record_file_engine.h"
#include "ui/grid_control.h"

namespace ui {
class Window;
}

namespace bank_editor {

// The fixed column widths together; the three long text columns share
// what is left of the cell area (the grid less its frame and vertical
// scroll bar), so every column shows without a horizontal scroll bar.
inline constexpr int kFixedColumnsWidth = 455;
// W for a cell area of that width (never negative).
int LongTextColumnWidth(int cellAreaWidth);
// Width of every column for a cell area of that width.
std::vector<int> BankColumnWidths(int cellAreaWidth);

// Column types of a fresh bank grid: 分值 and the record id numeric,
// 选择 … 屏蔽 check boxes. Zero scores show as empty cells.
void SetUpBankColumns(ui::GridControl& grid);

// The text of one field read from the current record, as the grid shows it.
// Fills the grid with every record of the current database (the header row
// kept) and returns how many rows count as questions (`TopLevelCount`).
int FillBankGrid(ui::GridControl& grid, recfile::RecordFileEngine& engine);

// Appends one question row for the current record of the current database.
void AppendQuestionRow(ui::GridControl& grid, recfile::RecordFileEngine& engine);
// Fills an existing row from the current record: fields 1 … 11 as texts,
// 12 … 14 as check states, the record id in the hidden column.
void FillQuestionRow(ui::GridControl& grid, int row, recfile::RecordFileEngine& engine);
// Appends one question row showing `q` (its id in the hidden column).
void AppendQuestionRow(ui::GridControl& grid, const databases::Question& q);

// A row counts as a question of its own when it has no group name or is
// the title of its group.
bool CountsAsQuestion(const ui::GridControl& grid, int row);
int CountTopLevel(const ui::GridControl& grid);

// Orders the question rows by 分组名 in the given direction, then each
// group by 分组号 ascending (title first), both stable.
void GroupSortRows(ui::Window& window, ui::GridControl& grid, bool ascending);

// Styles every question row and the heading row: font height 18 (question
// rows) and word wrap on the text columns, centred short columns, and
// `rowHeight` for the question rows. Sorting resets styles, so it runs
// after every reorder.
void StyleBankRows(ui::GridControl& grid, int rowHeight);
// The same for the question rows first … last only.
void StyleQuestionRows(ui::GridControl& grid, int first, int last, int rowHeight);

// The values the rules look at, read from a grid row.
QuestionRow ReadQuestionRow(const ui::GridControl& grid, int row);
std::int64_t RowRecordId(const ui::GridControl& grid, int row);

// "题库编辑 —— " + course + "（共 " + n + " 题）".
std::string EditorCaption(const std::string& courseName, int topLevelCount);

// First data row other than `row` with the same content; 0 when none.
int FindSameQuestionRow(const ui::GridControl& grid, int row);

// The first choice question with picture options whose letter-answered or
// circled-answered partners (same 题文1, with a picture) number fewer than
// two each: its row and the question to ask; nullopt when none.
std::optional<std::pair<int, std::string>> FindLabelPairGap(const ui::GridControl& grid);

}  // namespace bank_editor
