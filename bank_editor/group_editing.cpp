#include "bank_editor/group_editing.h"

#include <algorithm>

#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "bank_editor/cell_commit.h"
#include "text/text.h"
#include "ui/host.h"

namespace bank_editor {

namespace {

constexpr std::size_t kMaxGroupName = 512;

using Changes = databases::QuestionChanges;
using RowWrites = std::vector<std::pair<int, Changes>>;

Changes ScoreChange(long long score) {
  Changes c;
  c.score = static_cast<int>(score);
  return c;
}

// 分组号 as typed: the leading digits, however many ("0000005" is 5); -1
// when there are none. Past 999 the value stays 1000, out of range anyway.
long long LeadingDigits(const std::string& s) {
  long long v = 0;
  std::size_t i = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min(1000LL, v * 10 + (s[i] - '0'));
  return i == 0 ? -1 : v;
}

}  // namespace

GroupEditing::GroupEditing(BankEditorWindow& editor) : editor_(editor) {}

bool GroupEditing::Confirm(const std::string& question) {
  return editor_.host().MessageBox(&editor_, question, ui::kMessageCaption,
                                   ui::MessageButtons::OkCancel,
                                   ui::MessageIcon::Question) == ui::kButtonOk;
}

// ---- 分组号 in place ------------------------------------------------------------------

void GroupEditing::CommitGroupNumber(int row) {
  auto& g = editor_.高级表格1;
  const std::string n = text::TrimSpaces(g.cellText(row, kColGroupNumber));
  const std::string o = commit_->preEditText();
  const auto putBack = [&](const char* message) {
    commit_->Refuse(row, kColGroupNumber, message ? message : "");
  };
  if (n == o) {
    g.SetCellData(row, kColGroupNumber, ui::CellKind::Text, o);
    return;
  }
  const long long read = LeadingDigits(n);
  if (!n.empty() && n != "0" && (read < 1 || read > 99))
    return putBack("只能输入0-99的数字！");
  if (n.empty()) {
    if (o.empty()) return;
    if (o == "0") {
      if (!DissolveTitle(row, "不能删除带有子分组试题的标题分组序号！")) putBack(nullptr);
      return;
    }
    if (!Confirm("确定要删除该试题的分组吗？") || !LeaveGroup(row)) putBack(nullptr);
    return;
  }
  if (o.empty()) return putBack("不能单独添加标题分组序号！");
  if (o == "0") return putBack("不能更改标题分组序号！");
  if (n == "0") return putBack("已存在标题分组序号！");
  Changes c;
  c.groupNumber = std::to_string(read);
  if (!editor_.StoreRows({{row, c}})) putBack(nullptr);
}

// A title without members becomes a single question again; it must get an
// answer and a score before its row can be left. False when refused.
bool GroupEditing::DissolveTitle(int row, const char* membersMessage) {
  for (int r : editor_.GroupRows(editor_.RowQuestion(row).groupName)) {
    if (r != row && !editor_.RowQuestion(r).isTitle()) {
      editor_.host().Message(&editor_, membersMessage);
      return false;
    }
  }
  if (!Confirm("确定要删除该试题分组吗？")) return false;
  Changes c;
  c.groupName = "";
  c.groupNumber = "";
  c.answer = std::string(kAnswerPlaceholder);
  c.score = 0;
  return editor_.StoreRows({{row, c}});
}

// A member leaves its group: the title loses its score when it counted.
bool GroupEditing::LeaveGroup(int row) {
  const databases::Question& q = editor_.RowQuestion(row);
  Changes self;
  self.groupName = "";
  self.groupNumber = "";
  RowWrites writes{{row, self}};
  const int title = editor_.TitleRowOf(q.groupName);
  if (title > 0 && !q.masked)
    writes.emplace_back(title, ScoreChange(editor_.RowQuestion(title).score - q.score));
  if (!editor_.StoreRows(writes)) return false;
  editor_.RecountQuestions();
  return true;
}

// ---- 分组名 in the question text editor --------------------------------------------

bool GroupEditing::EditGroupName(int row, const std::string& content) {
  const databases::Question& q = editor_.RowQuestion(row);
  const std::string o = q.groupName;
  const std::string t = text::RemoveSpaces(content);
  // The same name again, spaces aside, changes nothing: a title would
  // otherwise find itself as the title the new name already has.
  if (TidyEditorText(content) == o || t == o) return true;
  const bool title = q.isTitle();
  if (t.empty()) {
    if (o.empty()) return true;
    if (title) {
      DissolveTitle(row, "不能删除带有子分组试题的标题分组名！");
      return true;
    }
    LeaveGroup(row);
    return true;
  }
  if (text::GbkLength(t) > kMaxGroupName) {
    editor_.host().Message(&editor_, "分组名长度超标！");
    return false;
  }
  if (o.empty()) return JoinGroup(row, t, false);
  if (title) {
    if (editor_.TitleRowOf(t) > 0) {
      editor_.host().Message(&editor_, "新分组名的标题试题已经存在！");
      return true;
    }
    if (!Confirm("确定要更改标题分组名吗？")) return true;
    Changes rename;
    rename.groupName = t;
    RowWrites writes;
    for (int r : editor_.GroupRows(o)) writes.emplace_back(r, rename);
    editor_.StoreRows(writes);
    return true;
  }
  if (!Confirm("确定要更改该分组名吗？")) return true;
  return JoinGroup(row, t, true);
}

// A single question (or a member of another group) joins group `name`, or
// founds it as its title when the group has none. False keeps the text
// editor open.
bool GroupEditing::JoinGroup(int row, const std::string& name, bool wasMember) {
  auto& g = editor_.高级表格1;
  const databases::Question q = editor_.RowQuestion(row);
  RowWrites writes;
  // The old group's title no longer counts this member.
  const int oldTitle = wasMember ? editor_.TitleRowOf(q.groupName) : 0;
  if (oldTitle > 0 && !q.masked)
    writes.emplace_back(oldTitle, ScoreChange(editor_.RowQuestion(oldTitle).score - q.score));

  const int title = editor_.TitleRowOf(name);
  if (title > 0) {
    const databases::Question& t = editor_.RowQuestion(title);
    if (t.type != q.type) {
      editor_.host().Message(&editor_, "当前题型与分组 " + name + " 题型不一致！");
      return false;
    }
    if (t.difficulty != q.difficulty &&
        !Confirm("将该题加入分组 " + name + " 会改变该题难度，确定加入吗？"))
      return false;
    Changes self;
    self.groupName = name;
    self.difficulty = t.difficulty;
    self.masked = t.masked;
    if (!wasMember) self.groupNumber = "1";
    writes.emplace_back(row, self);
    if (!t.masked) {
      long long titleScore = t.score + q.score;
      if (title == oldTitle) titleScore -= q.score;  // moved within its own group
      writes.emplace_back(title, ScoreChange(titleScore));
    }
    if (!editor_.StoreRows(writes)) return true;
    editor_.RecountQuestions();
    // The group order puts the question among its group; the cursor goes
    // with it.
    editor_.GroupSort(editor_.state().groupSortAscending);
    for (int r = 1; r < g.RowCount(); ++r) {
      if (RowRecordId(g, r) != q.id) continue;
      editor_.GoToCell(r, kColGroupName);
      editor_.setPressedRow(r);
      break;
    }
    return true;
  }
  if (!Confirm("将该题转为标题分组试题将删除该题的答案和答案图片，确定将该题转为标题分组试题吗？"))
    return false;
  Changes self;
  self.groupName = name;
  self.groupNumber = "0";
  self.answer = "";
  self.answerPictureMark = "";
  self.score = 0;
  // A stem has no options to shuffle and no score of its own.
  self.choice = false;
  self.fixedScore = false;
  self.answerPictureData = recfile::Bytes{};
  writes.emplace_back(row, self);
  if (!editor_.StoreRows(writes)) return true;
  editor_.RecountQuestions();
  return true;
}

// ---- Values of titles and members ---------------------------------------------------

void GroupEditing::CommitGroupValue(int row, int column) {
  const bool title = editor_.RowQuestion(row).isTitle();
  switch (column) {
    case kColType:
      return CommitGroupType(row, title);
    case kColDifficulty:
      return CommitGroupDifficulty(row, title);
    case kColScore:
      if (title) return commit_->CommitSingleValue(row, column);  // refused there
      return CommitMemberScore(row);
    default:
      return commit_->CommitSingleValue(row, column);  // 选择, 定分: undone on a title
  }
}

void GroupEditing::CommitGroupType(int row, bool title) {
  const std::string typed = editor_.高级表格1.cellText(row, kColType);
  const std::string& before = commit_->preEditText();
  if (typed == before) return;
  if (!title) return commit_->Refuse(row, kColType, "不能改变非标题分组试题的题型！");
  // A title's type must be one of the library's; emptied is no exception.
  const CellDecision d = typed.empty()
                             ? CellDecision{CellDecision::Kind::Restore, {}, "请直接选择题型！"}
                             : DecideQuestionType(typed, before, editor_.QuestionTypes());
  if (d.kind != CellDecision::Kind::Write || d.value == before)
    return commit_->Refuse(row, kColType, d.message);
  if (!Confirm("确定要更改该标题分组试题的题型吗？")) return commit_->Refuse(row, kColType, {});
  Changes c;
  c.type = d.value;
  RowWrites writes;
  for (int r : editor_.GroupRows(editor_.RowQuestion(row).groupName)) writes.emplace_back(r, c);
  if (!editor_.StoreRows(writes)) commit_->Refuse(row, kColType, {});
}

void GroupEditing::CommitGroupDifficulty(int row, bool title) {
  const std::string& typed = editor_.高级表格1.cellText(row, kColDifficulty);
  if (!title) {
    if (text::ToInteger(typed) != commit_->preEditNumber())
      commit_->Refuse(row, kColDifficulty, "不能更改非标题分组试题的难度值！");
    return;
  }
  const CellDecision d = DecideDifficulty(typed, commit_->preEditNumber());
  if (d.kind != CellDecision::Kind::Write)
    return commit_->Refuse(row, kColDifficulty, d.message);
  if (!Confirm("确定要更改该分组试题分组的难度吗？"))
    return commit_->Refuse(row, kColDifficulty, {});
  Changes c;
  c.difficulty = static_cast<int>(text::ToInteger(d.value));
  RowWrites writes;
  for (int r : editor_.GroupRows(editor_.RowQuestion(row).groupName)) writes.emplace_back(r, c);
  if (!editor_.StoreRows(writes)) commit_->Refuse(row, kColDifficulty, {});
}

void GroupEditing::CommitMemberScore(int row) {
  const CellDecision d = DecideScore(editor_.高级表格1.cellText(row, kColScore),
                                     commit_->preEditNumber(), false);
  if (d.kind == CellDecision::Kind::Nothing) return;
  if (d.kind == CellDecision::Kind::Restore) return commit_->Refuse(row, kColScore, d.message);
  const databases::Question& q = editor_.RowQuestion(row);
  const long long now = text::ToInteger(d.value);
  RowWrites writes{{row, ScoreChange(now)}};
  const int title = editor_.TitleRowOf(q.groupName);
  if (title > 0 && !q.masked)
    writes.emplace_back(title, ScoreChange(editor_.RowQuestion(title).score + now -
                                           commit_->preEditNumber()));
  if (!editor_.StoreRows(writes)) commit_->Refuse(row, kColScore, {});
}

// ---- 屏蔽 --------------------------------------------------------------------------------

void GroupEditing::CommitGroupMask(int row) {
  auto& g = editor_.高级表格1;
  const bool on = g.cellChecked(row, kColMasked);
  const databases::Question& q = editor_.RowQuestion(row);
  const auto undo = [&] { g.SetCellData(row, kColMasked, ui::CellKind::Check, !on); };
  Changes mask;
  mask.masked = on;
  RowWrites writes;
  if (q.isTitle()) {
    long long sum = 0;
    for (int r : editor_.GroupRows(q.groupName)) {
      if (r == row) continue;
      sum += editor_.RowQuestion(r).score;
      writes.emplace_back(r, mask);
    }
    Changes self = mask;
    self.score = static_cast<int>(on ? 0 : sum);
    writes.emplace_back(row, self);
    if (!editor_.StoreRows(writes)) undo();
    return;
  }
  const int title = editor_.TitleRowOf(q.groupName);
  const bool titleMasked = title > 0 && editor_.RowQuestion(title).masked;
  if (!on && titleMasked) return undo();  // the whole group is masked
  writes.emplace_back(row, mask);
  if (title > 0 && !titleMasked)
    writes.emplace_back(title, ScoreChange(editor_.RowQuestion(title).score +
                                           (on ? -q.score : q.score)));
  if (!editor_.StoreRows(writes)) undo();
}

}  // namespace bank_editor
