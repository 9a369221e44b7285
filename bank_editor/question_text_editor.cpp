#include "bank_editor/question_text_editor.h"

#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "ui/host.h"
#include "ui/layout.h"

namespace bank_editor {

namespace {
constexpr int kShortFieldCharacters = 20;
constexpr const char* kCopyAll = "复制全部";
constexpr const char* kPaste = "粘贴";
}  // namespace

QuestionTextEditor::QuestionTextEditor(BankEditorWindow& editor, int row, int column)
    : ui::Window(editor.host(), "试题编辑", 520, 320),
      编辑框1(*this, "编辑框1"),
      按钮确定(*this, "按钮确定", "确定"),
      按钮复制粘贴(*this, "按钮复制粘贴"),
      按钮取消(*this, "按钮取消", "取消"),
      editor_(editor),
      row_(row),
      column_(column),
      before_(editor.高级表格1.cellText(row, column)) {
  setCaption("编辑" + editor.高级表格1.cellText(0, column));
  编辑框1.setMultiLine(true);
  if (column == kColKnowledge || column == kColGroupName) 编辑框1.setMaxLength(kShortFieldCharacters);
  编辑框1.setText(before_);
  if (!before_.empty()) {
    按钮复制粘贴.setCaption(kCopyAll);
  } else {
    按钮复制粘贴.setCaption(kPaste);
    按钮复制粘贴.setEnabled(host().ClipboardText().has_value());
  }
  编辑框1.onTextChanged = [this] { 按钮复制粘贴.setEnabled(!编辑框1.text().empty()); };
  按钮确定.onClick = [this] { Confirm(); };
  按钮复制粘贴.onClick = [this] { CopyOrPaste(); };
  按钮取消.onClick = [this] { Close(); };

  编辑框1.setGeometry({8, 8, 504, 262});
  按钮确定.setGeometry({260, 282, 80, 26});
  按钮复制粘贴.setGeometry({346, 282, 80, 26});
  按钮取消.setGeometry({432, 282, 80, 26});
  namespace lay = ui::layout;
  setLayout(lay::column({lay::unit(编辑框1, 1),
                         lay::row({lay::stretch(1), lay::unit(按钮确定), lay::unit(按钮复制粘贴),
                                   lay::unit(按钮取消)})}));
}

void QuestionTextEditor::CopyOrPaste() {
  if (按钮复制粘贴.caption() == kCopyAll) {
    host().SetClipboardText(编辑框1.text());
    Close();
    return;
  }
  if (const auto clip = host().ClipboardText()) 编辑框1.setText(*clip);
}

void QuestionTextEditor::Confirm() {
  const std::string content = 编辑框1.text();
  if (column_ == kColGroupName) {
    if (editor_.EditGroupName(row_, content)) Close();
    return;
  }
  const TextEditDecision d =
      DecideTextEdit(column_, content, before_, FactsOf(editor_.RowQuestion(row_)));
  switch (d.kind) {
    case TextEditDecision::Kind::Close:
      if (!d.message.empty()) host().Message(this, d.message);
      Close();
      return;
    case TextEditDecision::Kind::StayOpen:
      host().Message(this, d.message);
      return;
    case TextEditDecision::Kind::Store:
      // A refused write keeps the editor open with the text still in it.
      if (editor_.StoreTextCell(row_, column_, d.value)) Close();
      return;
  }
}

}  // namespace bank_editor
