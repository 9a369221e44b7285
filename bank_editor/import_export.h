// Banks written by several people: export copies the course's bank files to
// a folder, import appends the questions of another bank file that are not
// already present.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

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
  // Names taken besides the grid's (questions an import is about to add).
  std::function<bool(const std::string&)> nameTaken;

 private:
  void Confirm();
  bool MayClose();

  const ui::GridControl& grid_;
  std::string result_;
  bool done_ = false;
};

// The duplicate rule as a set: two questions are the same when 题文1
// followed by 题文2, and 答案, are equal byte for byte.
class QuestionContentSet {
 public:
  void Add(std::string_view text1, std::string_view text2, std::string_view answer);
  bool Contains(std::string_view text1, std::string_view text2, std::string_view answer) const;

 private:
  static std::string Key(std::string_view text1, std::string_view text2, std::string_view answer);
  std::unordered_set<std::string> keys_;
};

}  // namespace bank_editor
