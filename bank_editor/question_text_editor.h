// "试题编辑": edits one long text of one question (知识点, 分组名, 题文1,
// 题文2 or 答案); "确定" checks it and writes it at once.
#pragma once

#include <string>

#include "ui/units.h"
#include "ui/window.h"

namespace bank_editor {

class BankEditorWindow;

class QuestionTextEditor : public ui::Window {
 public:
  // Edits the text of `column` in grid row `row` of the editor.
  QuestionTextEditor(BankEditorWindow& editor, int row, int column);

  ui::EditBox 编辑框1;
  ui::Button 按钮确定;
  ui::Button 按钮复制粘贴;
  ui::Button 按钮取消;

  int row() const { return row_; }
  int column() const { return column_; }
  const std::string& textBefore() const { return before_; }

 private:
  void Confirm();
  void CopyOrPaste();

  BankEditorWindow& editor_;
  int row_;
  int column_;
  std::string before_;
};

}  // namespace bank_editor
