// Banks written by several people: export copies the course's bank files to
// a folder, import appends the questions of another bank file that are not
// already present.
#pragma once

#include <string>

#include "ui/units.h"
#include "ui/window.h"

namespace ui {
class GridControl;
}

namespace bank_editor {

// `AskNewGroupName`, "请输入新分组名": a group name no row of the grid uses,
// or empty when the user gives up.
class NewGroupNameWindow : public ui::Window {
 public:
  NewGroupNameWindow(ui::Host& host, const ui::GridControl& grid);

  ui::EditBox 新分组名;
  ui::Button 按钮确定;
  ui::Button 按钮取消;

  const std::string& result() const { return result_; }

 private:
  void confirm();
  bool mayClose();

  const ui::GridControl& grid_;
  std::string result_;
  bool done_ = false;
};

}  // namespace bank_editor
