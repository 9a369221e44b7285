// The end of an in-place edit: the new value is checked, then written at
// once to the question, or the pre-edit value goes back into the cell.
#pragma once

#include <string>

namespace bank_editor {

class BankEditorWindow;
class GroupEditing;

class CellCommit {
 public:
  CellCommit(BankEditorWindow& editor, GroupEditing& groups);

  // Remembers the cell's value as the edit begins.
  void Begin(int row, int column);
  // Takes or refuses the value the cell holds now.
  void Commit(int row, int column);
  // Puts the pre-edit value back; shows `message` when not empty.
  void Refuse(int row, int column, const std::string& message);
  // A single question's value (also a group's 选择 and 定分, which a
  // title refuses).
  void CommitSingleValue(int row, int column);

  const std::string& preEditText() const { return preEditText_; }
  long long preEditNumber() const { return preEditNumber_; }

 private:
  BankEditorWindow& editor_;
  GroupEditing& groups_;
  std::string preEditText_;
  long long preEditNumber_ = 0;
};

}  // namespace bank_editor
