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
std::vector<std::string> QuestionTypeNames(const databases::DatabaseContext& ctx);

// Rebuilds the drop-down list of the 题型 column from "题型库": the grid's
// pending list is cleared and refilled, then the column takes it. Leaves
// "题型库" current.
void RefreshTypeDropDown(ui::GridControl& grid, const databases::DatabaseContext& ctx);

// Lets the database operations speak through a window's host.
class HostPrompter : public databases::Prompter {
 public:
  HostPrompter(ui::Host& host, const ui::Window* owner) : host_(host), owner_(owner) {}
  int MessageBox(const std::string& caption, const std::string& text, databases::Buttons buttons,
                 databases::Icon icon) override;
  void EndProgram(int exitCode) override { host_.exitProgram(exitCode); }

 private:
  ui::Host& host_;
  const ui::Window* owner_;
};

}  // namespace bank_editor
