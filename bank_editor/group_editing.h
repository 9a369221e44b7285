// Question groups in the editor: a title question (分组号 "0") holding the
// stem, members numbered 1 … 99 with the title's type and difficulty, the
// title's score the sum of its unmasked members' scores. Every change keeps
// that so, in the bank and in the grid together.
#pragma once

#include <string>

namespace bank_editor {

class BankEditorWindow;
class CellCommit;

class GroupEditing {
 public:
  explicit GroupEditing(BankEditorWindow& editor);
  // The in-place edit whose pre-edit values the group rules compare with.
  void setCellCommit(CellCommit& commit) { commit_ = &commit; }

  // 分组号 typed in place.
  void CommitGroupNumber(int row);
  // 题型, 难度, 分值, 选择 or 定分 of a title or a member.
  void CommitGroupValue(int row, int column);
  // 屏蔽 of a title (the whole group) or a member.
  void CommitGroupMask(int row);
  // "确定" of the question text editor on 分组名; true when it may close.
  bool EditGroupName(int row, const std::string& content);

 private:
  bool Confirm(const std::string& question);
  bool JoinGroup(int row, const std::string& name, bool wasMember);
  bool DissolveTitle(int row, const char* membersMessage);
  bool LeaveGroup(int row);
  void CommitGroupType(int row, bool title);
  void CommitGroupDifficulty(int row, bool title);
  void CommitMemberScore(int row);

  BankEditorWindow& editor_;
  CellCommit* commit_ = nullptr;
};

}  // namespace bank_editor
