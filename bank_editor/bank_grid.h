// The bank grid of the editor: filling it from a course bank, the group
// order, the row styles, and reading a question back out of a row.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "bank_editor/bank_model.h"
#include "bank_editor/question_rules.h"
#include "databases/course_bank.h"
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

// The heading of a question column, the bank's field name.
const char* ColumnHeading(int column);

// The one place where grid columns meet question fields.
// Shows `q` in `row`: texts, 难度 as text, 分值 as a number (empty for 0),
// the check boxes, the id in the hidden column.
void ShowQuestion(ui::GridControl& grid, int row, const databases::Question& q);
// Shows the fields the changes set (pictures have no cell of their own).
void ShowChanges(ui::GridControl& grid, int row, const databases::QuestionChanges& c);
// The change an in-place value of `column` makes: the text for 题型 and
// the long texts, the number for 难度 and 分值.
databases::QuestionChanges TextChange(int column, const std::string& value);
databases::QuestionChanges CheckChange(int column, bool on);
// The question's value shown in a text column.
const std::string& QuestionText(const databases::Question& q, int column);

// Fills the grid with the model's questions in record order (the header
// row kept) and returns how many count as questions (`TopLevelCount`).
int FillBankGrid(ui::GridControl& grid, const BankModel& model);
// Appends one question row showing `q` (its id in the hidden column).
void AppendQuestionRow(ui::GridControl& grid, const databases::Question& q);

int CountTopLevel(const BankModel& model);

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

// The record id a row shows in its hidden column.
std::int64_t RowRecordId(const ui::GridControl& grid, int row);

// "题库编辑 —— " + course + "（共 " + n + " 题）".
std::string EditorCaption(const std::string& courseName, int topLevelCount);

// The first choice question with picture options, in the order given,
// whose letter-answered or circled-answered partners (same 题文1, with a
// picture) number fewer than two each: its index in `questions` and the
// question to ask; nullopt when none.
std::optional<std::pair<int, std::string>> FindLabelPairGap(
    const std::vector<const databases::Question*>& questions);

}  // namespace bank_editor
