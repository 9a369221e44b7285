// The question types offered in the bank grid's 题型 column.
#pragma once

#include <string>
#include <vector>

#include "databases/program_databases.h"
#include "ui/host.h"

namespace ui {
class GridControl;
class Window;
}

namespace bank_editor {

// The 题型 of every record of "题型库", in record order; leaves "题型库" current.
// A library that cannot be opened shows why over `owner`.
std::vector<std::string> QuestionTypeNames(const databases::DatabaseContext& ctx, ui::Host& host,
                                           const ui::Window* owner);

// Rebuilds the drop-down list of the 题型 column from "题型库": the grid's
// pending list is cleared and refilled, then the column takes it. Leaves
// "题型库" current.
void RefreshTypeDropDown(ui::GridControl& grid, const databases::DatabaseContext& ctx,
                         ui::Host& host, const ui::Window* owner);

}  // namespace bank_editor
