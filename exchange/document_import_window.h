// "从文档导入": what a Word document or text file of questions would bring
// into the open bank, question by question with each problem beside it,
// before anything is written. "导入" writes the importable questions in one
// step; "取消" writes nothing.
#pragma once

#include <string>

#include "databases/course_bank.h"
#include "exchange/bulk_import.h"
#include "ui/grid_control.h"
#include "ui/units.h"
#include "ui/window.h"

namespace bank_editor {
class BankEditorWindow;
}

namespace exchange {

class DocumentImportWindow : public ui::Window {
 public:
  DocumentImportWindow(ui::Host& host, databases::CourseBank& bank, databases::TypeLibrary& types,
                       ImportPreview preview, std::string fileName);

  ui::Label 标签统计;
  ui::GridControl 高级表格1;
  ui::Label 标签问题;
  ui::EditBox 编辑框问题;
  ui::Button 按钮导入;
  ui::Button 按钮取消;

  // Questions written by "导入" (0 when cancelled or failed).
  int imported() const { return imported_; }

 private:
  void Fill();
  void Import();

  databases::CourseBank& bank_;
  databases::TypeLibrary& types_;
  ImportPreview preview_;
  int imported_ = 0;
};

// The editor's "从文档导入": asks for the file, reads it, shows the preview
// modally over `owner`. Returns the number of questions written.
int ImportQuestionsFromDocument(ui::Host& host, ui::Window* owner, databases::CourseBank& bank,
                                databases::TypeLibrary& types);

// The editor's "导出为Moodle XML": asks where, writes the bank there and
// says what was written or why not.
void ExportBankToMoodle(ui::Host& host, ui::Window* owner, databases::CourseBank& bank,
                        const std::string& course);

// Gives the bank editor its "从文档导入" and "导出为Moodle XML" commands.
void AttachExchangeCommands(bank_editor::BankEditorWindow& editor);

}  // namespace exchange
