// Question groups in the editor: a title question (分组号 "0") holding the
// stem, members numbered 1 … 99 with the title's type and difficulty, the
// title's score the sum of its unmasked members' scores. Every change keeps
// that so, in the grid and in the bank together.
#include <algorithm>
#include <numeric>

#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "text/text.h"
#include "ui/host.h"

namespace bank_editor {

namespace {

using V = recfile::Value;
using databases::kAnswer;
using databases::kAnswerPicture;
using databases::kAnswerPictureData;
using databases::kChoice;
using databases::kDifficulty;
using databases::kFixedScore;
using databases::kGroupName;
using databases::kGroupNumber;
using databases::kMasked;
using databases::kQuestionType;
using databases::kScore;

constexpr std::size_t kMaxGroupName = 512;

V text(std::string s) { return V{std::move(s)}; }
V number(long long n) { return V{std::int64_t{n}}; }

// 分组号 as typed: the leading digits, however many ("0000005" is 5); -1
// when there are none. Past 999 the value stays 1000, out of range anyway.
long long leadingDigits(const std::string& s) {
  long long v = 0;
  std::size_t i = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min(1000LL, v * 10 + (s[i] - '0'));
  return i == 0 ? -1 : v;
}

}  // namespace

std::vector<int> BankEditorWindow::GroupRows(const std::string& groupName) const {
  std::vector<int> rows;
  for (int r = 1; r < 高级表格1.RowCount(); ++r)
    if (高级表格1.cellText(r, kColGroupName) == groupName) rows.push_back(r);
  return rows;
}

void BankEditorWindow::RecountQuestions() {
  state.topLevelCount = CountTopLevel(高级表格1);
  UpdateEditorCaption();
}

bool BankEditorWindow::confirm(const std::string& question) {
  return host().messageBox(this, question, ui::kMessageCaption, ui::MessageButtons::OkCancel,
                           ui::MessageIcon::Question) == ui::kButtonOk;
}

// ---- 分组号 in place ------------------------------------------------------------------

void BankEditorWindow::CommitGroupNumber(int row) {
  auto& g = 高级表格1;
  const std::string n = text::trimSpaces(g.cellText(row, kColGroupNumber));
  const std::string o = state.preEditText;
  const auto putBack = [&](const char* message) { refuseCell(row, kColGroupNumber, message ? message : ""); };
  if (n == o) {
    g.SetCellData(row, kColGroupNumber, ui::CellKind::Text, o);
    return;
  }
  const long long read = leadingDigits(n);
  if (!n.empty() && n != "0" && (read < 1 || read > 99))
    return putBack("只能输入0-99的数字！");
  if (n.empty()) {
    if (o.empty()) return;
    if (o == "0") {
      if (!dissolveTitle(row, "不能删除带有子分组试题的标题分组序号！")) putBack(nullptr);
      return;
    }
    if (!confirm("确定要删除该试题的分组吗？") || !leaveGroup(row)) putBack(nullptr);
    return;
  }
  if (o.empty()) return putBack("不能单独添加标题分组序号！");
  if (o == "0") return putBack("不能更改标题分组序号！");
  if (n == "0") return putBack("已存在标题分组序号！");
  if (!StoreRows({{row, {{kGroupNumber, text(std::to_string(read))}}}})) putBack(nullptr);
}

// A title without members becomes a single question again; it must get an
// answer and a score before its row can be left. False when refused.
bool BankEditorWindow::dissolveTitle(int row, const char* membersMessage) {
  const std::string name = 高级表格1.cellText(row, kColGroupName);
  for (int r : GroupRows(name)) {
    if (r != row && 高级表格1.cellText(r, kColGroupNumber) != "0") {
      host().message(this, membersMessage);
      return false;
    }
  }
  if (!confirm("确定要删除该试题分组吗？")) return false;
  return StoreRows({{row,
                     {{kGroupName, text("")},
                      {kGroupNumber, text("")},
                      {kAnswer, text(std::string(kAnswerPlaceholder))},
                      {kScore, number(0)}}}});
}

// A member leaves its group: the title loses its score when it counted.
bool BankEditorWindow::leaveGroup(int row) {
  auto& g = 高级表格1;
  std::vector<RowWrite> writes{{row, {{kGroupName, text("")}, {kGroupNumber, text("")}}}};
  const int title = TitleRowOf(g.cellText(row, kColGroupName));
  if (title > 0 && !g.cellChecked(row, kColMasked)) {
    const long long score = text::toInteger(g.cellText(title, kColScore)) -
                            text::toInteger(g.cellText(row, kColScore));
    writes.push_back({title, {{kScore, number(score)}}});
  }
  if (!StoreRows(writes)) return false;
  RecountQuestions();
  return true;
}

// ---- 分组名 in the question text editor --------------------------------------------

bool BankEditorWindow::EditGroupName(int row, const std::string& content) {
  auto& g = 高级表格1;
  const std::string o = g.cellText(row, kColGroupName);
  const std::string t = text::removeSpaces(content);
  // The same name again, spaces aside, changes nothing: a title would
  // otherwise find itself as the title the new name already has.
  if (TidyEditorText(content) == o || t == o) return true;
  const std::string number = g.cellText(row, kColGroupNumber);
  const bool title = number == "0";
  if (t.empty()) {
    if (o.empty()) return true;
    if (title) {
      dissolveTitle(row, "不能删除带有子分组试题的标题分组名！");
      return true;
    }
    leaveGroup(row);
    return true;
  }
  if (text::gbkLength(t) > kMaxGroupName) {
    host().message(this, "分组名长度超标！");
    return false;
  }
  if (o.empty()) return joinGroup(row, t, false);
  if (title) {
    if (TitleRowOf(t) > 0) {
      host().message(this, "新分组名的标题试题已经存在！");
      return true;
    }
    if (!confirm("确定要更改标题分组名吗？")) return true;
    std::vector<RowWrite> writes;
    for (int r : GroupRows(o)) writes.push_back({r, {{kGroupName, text(t)}}});
    StoreRows(writes);
    return true;
  }
  if (!confirm("确定要更改该分组名吗？")) return true;
  return joinGroup(row, t, true);
}

// A single question (or a member of another group) joins group `name`, or
// founds it as its title when the group has none. False keeps the text
// editor open.
bool BankEditorWindow::joinGroup(int row, const std::string& name, bool wasMember) {
  auto& g = 高级表格1;
  const bool masked = g.cellChecked(row, kColMasked);
  const long long score = text::toInteger(g.cellText(row, kColScore));
  std::vector<RowWrite> writes;
  // The old group's title no longer counts this member.
  const int oldTitle = wasMember ? TitleRowOf(g.cellText(row, kColGroupName)) : 0;
  if (oldTitle > 0 && !masked)
    writes.push_back({oldTitle, {{kScore, number(text::toInteger(g.cellText(oldTitle, kColScore)) - score)}}});

  const int title = TitleRowOf(name);
  if (title > 0) {
    if (g.cellText(title, kColType) != g.cellText(row, kColType)) {
      host().message(this, "当前题型与分组 " + name + " 题型不一致！");
      return false;
    }
    const std::string difficulty = g.cellText(title, kColDifficulty);
    if (difficulty != g.cellText(row, kColDifficulty) &&
        !confirm("将该题加入分组 " + name + " 会改变该题难度，确定加入吗？"))
      return false;
    const bool nowMasked = g.cellChecked(title, kColMasked);
    RowWrite self{row,
                  {{kGroupName, text(name)},
                   {kDifficulty, number(text::toInteger(difficulty))},
                   {kMasked, V{nowMasked}}}};
    if (!wasMember) self.fields.push_back({kGroupNumber, text("1")});
    writes.push_back(self);
    if (!nowMasked) {
      long long titleScore = text::toInteger(g.cellText(title, kColScore)) + score;
      if (title == oldTitle) titleScore -= score;  // moved within its own group
      writes.push_back({title, {{kScore, number(titleScore)}}});
    }
    if (!StoreRows(writes)) return true;
    RecountQuestions();
    // The group order puts the question among its group; the cursor goes
    // with it.
    const std::int64_t id = RowRecordId(g, row);
    GroupSort(state.groupSortAscending);
    for (int r = 1; r < g.RowCount(); ++r) {
      if (RowRecordId(g, r) != id) continue;
      GoToCell(r, kColGroupName);
      state.pressedRow = r;
      break;
    }
    return true;
  }
  if (!confirm("将该题转为标题分组试题将删除该题的答案和答案图片，确定将该题转为标题分组试题吗？"))
    return false;
  writes.push_back({row,
                    {{kGroupName, text(name)},
                     {kGroupNumber, text("0")},
                     {kAnswer, text("")},
                     {kAnswerPicture, text("")},
                     {kScore, number(0)},
                     // A stem has no options to shuffle and no score of its own.
                     {kChoice, V{false}},
                     {kFixedScore, V{false}},
                     {kAnswerPictureData, V{recfile::Bytes{}}}}});
  if (!StoreRows(writes)) return true;
  RecountQuestions();
  return true;
}

// ---- Values of titles and members ---------------------------------------------------

void BankEditorWindow::CommitGroupValue(int row, int column) {
  const bool title = 高级表格1.cellText(row, kColGroupNumber) == "0";
  switch (column) {
    case kColType:
      return commitGroupType(row, title);
    case kColDifficulty:
      return commitGroupDifficulty(row, title);
    case kColScore:
      if (title) return commitSingleValue(row, column);  // refused there
      return commitMemberScore(row);
    default:
      return commitSingleValue(row, column);  // 选择, 定分: undone on a title
  }
}

void BankEditorWindow::commitGroupType(int row, bool title) {
  auto& g = 高级表格1;
  const std::string typed = g.cellText(row, kColType);
  if (typed == state.preEditText) return;
  if (!title) return refuseCell(row, kColType, "不能改变非标题分组试题的题型！");
  // A title's type must be one of the library's; emptied is no exception.
  const CellDecision d = typed.empty()
                             ? CellDecision{CellDecision::Kind::Restore, {}, "请直接选择题型！"}
                             : DecideQuestionType(typed, state.preEditText, QuestionTypeNames(dbContext()));
  if (d.kind != CellDecision::Kind::Write || d.value == state.preEditText)
    return refuseCell(row, kColType, d.message);
  if (!confirm("确定要更改该标题分组试题的题型吗？")) return refuseCell(row, kColType, {});
  std::vector<RowWrite> writes;
  for (int r : GroupRows(g.cellText(row, kColGroupName)))
    writes.push_back({r, {{kQuestionType, text(d.value)}}});
  if (!StoreRows(writes)) refuseCell(row, kColType, {});
}

void BankEditorWindow::commitGroupDifficulty(int row, bool title) {
  auto& g = 高级表格1;
  if (!title) {
    if (text::toInteger(g.cellText(row, kColDifficulty)) != state.preEditNumber)
      refuseCell(row, kColDifficulty, "不能更改非标题分组试题的难度值！");
    return;
  }
  const CellDecision d = DecideDifficulty(g.cellText(row, kColDifficulty), state.preEditNumber);
  if (d.kind != CellDecision::Kind::Write) return refuseCell(row, kColDifficulty, d.message);
  if (!confirm("确定要更改该分组试题分组的难度吗？")) return refuseCell(row, kColDifficulty, {});
  std::vector<RowWrite> writes;
  for (int r : GroupRows(g.cellText(row, kColGroupName)))
    writes.push_back({r, {{kDifficulty, number(text::toInteger(d.value))}}});
  if (!StoreRows(writes)) refuseCell(row, kColDifficulty, {});
}

void BankEditorWindow::commitMemberScore(int row) {
  auto& g = 高级表格1;
  const CellDecision d = DecideScore(g.cellText(row, kColScore), state.preEditNumber, false);
  if (d.kind == CellDecision::Kind::Nothing) return;
  if (d.kind == CellDecision::Kind::Restore) return refuseCell(row, kColScore, d.message);
  const long long now = text::toInteger(d.value);
  std::vector<RowWrite> writes{{row, {{kScore, number(now)}}}};
  const int title = TitleRowOf(g.cellText(row, kColGroupName));
  if (title > 0 && !g.cellChecked(row, kColMasked))
    writes.push_back({title, {{kScore, number(text::toInteger(g.cellText(title, kColScore)) +
                                               now - state.preEditNumber)}}});
  if (!StoreRows(writes)) refuseCell(row, kColScore, {});
}

// ---- 屏蔽 --------------------------------------------------------------------------------

void BankEditorWindow::CommitGroupMask(int row) {
  auto& g = 高级表格1;
  const bool on = g.cellChecked(row, kColMasked);
  const std::string name = g.cellText(row, kColGroupName);
  const auto undo = [&] { g.SetCellData(row, kColMasked, ui::CellKind::Check, !on); };
  std::vector<RowWrite> writes;
  if (g.cellText(row, kColGroupNumber) == "0") {
    long long sum = 0;
    for (int r : GroupRows(name)) {
      if (r == row) continue;
      sum += text::toInteger(g.cellText(r, kColScore));
      writes.push_back({r, {{kMasked, V{on}}}});
    }
    writes.push_back({row, {{kMasked, V{on}}, {kScore, number(on ? 0 : sum)}}});
    if (!StoreRows(writes)) undo();
    return;
  }
  const int title = TitleRowOf(name);
  const bool titleMasked = title > 0 && g.cellChecked(title, kColMasked);
  if (!on && titleMasked) return undo();  // the whole group is masked
  writes.push_back({row, {{kMasked, V{on}}}});
  if (title > 0 && !titleMasked) {
    const long long score = text::toInteger(g.cellText(row, kColScore));
    writes.push_back({title, {{kScore, number(text::toInteger(g.cellText(title, kColScore)) +
                                               (on ? -score : score))}}});
  }
  if (!StoreRows(writes)) undo();
}

}  // namespace bank_editor
