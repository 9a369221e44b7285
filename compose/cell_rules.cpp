// What an edit of the compose grid does: the rules of columns 7 to 12, the
// group bookkeeping (a group is ticked as a whole, a title's score is the
// sum of its unmasked members) and the mass commands of the pop-up menu.
#include <map>
#include <set>

#include "compose/compose_window.h"
#include "text/text.h"
#include "ui/host.h"

namespace compose {

namespace {
bool isTitleNumber(const std::string& number) { return number == "0"; }
}  // namespace

void ComposeWindow::CaptureContext(int row, int column) {
  const auto& g = 高级表格1;
  cellEditContext.set = true;
  cellEditContext.row = row;
  cellEditContext.column = column;
  cellEditContext.groupName = g.cellText(row, kColGroupName);
  cellEditContext.difficulty = static_cast<int>(text::ToInteger(g.cellText(row, kColDifficulty)));
  cellEditContext.score = static_cast<int>(text::ToInteger(g.cellText(row, kColScore)));
}

bool ComposeWindow::ComposeLeftButtonUp() {
  auto& g = 高级表格1;
  const int row = g.CursorRow();
  const int col = g.CursorColumn();
  if (row < 1) return true;
  const bool bankColumn = col >= kColDifficulty && col <= kColMasked;
  g.SetEditable(col > kColMasked || (bankColumn && !AutoComposeOpen()));
  CaptureContext(row, col);
  return true;
}

// An edit started from the keyboard acts on its own cell too, not on the
// cell clicked last.
void ComposeWindow::ComposeEditBegun() {
  const auto& g = 高级表格1;
  const int row = g.editRow() >= 0 ? g.editRow() : g.CursorRow();
  const int col = g.editColumn() >= 0 ? g.editColumn() : g.CursorColumn();
  if (row >= 1 && row < g.RowCount()) CaptureContext(row, col);
}

bool ComposeWindow::ComposeRightButtonUp(int x, int y) {
  const int col = 高级表格1.CursorColumn();
  const bool marks = col >= kColFixedScore && col <= kColB;
  菜单排序分隔.setVisible(marks);
  菜单全选.setVisible(marks);
  菜单清空.setVisible(marks);
  菜单取反.setVisible(marks);
  菜单排序.Popup(高级表格1.left() + x, 高级表格1.top() + y);
  return true;
}

void ComposeWindow::SetCheck(int row, int column, bool on) {
  高级表格1.SetCellData(row, column, ui::CellKind::Check, on);
}

void ComposeWindow::SetScoreCell(int row, int score) {
  高级表格1.SetCellData(row, kColScore, ui::CellKind::Text, score);
}

void ComposeWindow::ComposeCellEdited() {
  const CellEditContext& c = cellEditContext;
  if (!c.set || c.row < 1 || c.row >= 高级表格1.RowCount()) return;
  if (c.column < kColDifficulty || c.column > kColB) return;
  if (c.column <= kColMasked && AutoComposeOpen()) {
    // The drawing reads these values; they stay as they were meanwhile.
    if (c.column == kColDifficulty)
      高级表格1.SetCellData(c.row, c.column, ui::CellKind::Text, std::to_string(c.difficulty));
    else if (c.column == kColScore)
      SetScoreCell(c.row, c.score);
    else
      SetCheck(c.row, c.column, !高级表格1.cellChecked(c.row, c.column));
    return;
  }
  switch (c.column) {
    case kColDifficulty: EditDifficulty(); break;
    case kColScore: EditScore(); break;
    case kColFixedScore: EditFixedScore(); break;
    case kColMasked: EditMask(); break;
    default: EditPaperCheck(c.column); break;
  }
  RecomputeTypeScores();
}

void ComposeWindow::EditDifficulty() {
  auto& g = 高级表格1;
  const CellEditContext c = cellEditContext;
  const int r = c.row;
  auto putBack = [&] {
    g.SetCellData(r, kColDifficulty, ui::CellKind::Text, std::to_string(c.difficulty));
  };
  const std::int64_t v = text::ToInteger(g.cellText(r, kColDifficulty));
  if (v < 1 || v > 9) {
    putBack();
    host().Message(this, "请直接选择难度值！");
    return;
  }
  const int d = static_cast<int>(v);
  g.SetCellData(r, kColDifficulty, ui::CellKind::Text, std::to_string(d));
  if (d == c.difficulty) return;
  const std::string& number = g.cellText(r, kColGroupNumber);
  if (isTitleNumber(number)) {
    if (host().MessageBox(this, "确定要更改该试题分组的难度吗？", ui::kMessageCaption,
                          ui::MessageButtons::OkCancel, ui::MessageIcon::Question) != ui::kButtonOk)
      return putBack();
    std::vector<RowChange> changes;
    for (int row : GroupRows(c.groupName)) {
      RowChange change{row, {}};
      change.changes.difficulty = d;
      changes.push_back(std::move(change));
    }
    if (!Store(changes)) return putBack();
    for (const RowChange& change : changes)
      g.SetCellData(change.row, kColDifficulty, ui::CellKind::Text, std::to_string(d));
    return;
  }
  if (!number.empty()) return putBack();  // a group's difficulty is set on its title
  RowChange change{r, {}};
  change.changes.difficulty = d;
  if (!Store({change})) putBack();
}

void ComposeWindow::EditScore() {
  auto& g = 高级表格1;
  const CellEditContext c = cellEditContext;
  const int r = c.row;
  const std::int64_t v = text::ToInteger(g.cellText(r, kColScore));
  auto putBack = [&] { SetScoreCell(r, c.score); };
  if (v == c.score) return putBack();
  if (isTitleNumber(g.cellText(r, kColGroupNumber))) {
    putBack();
    host().Message(this, "不能修改标题试题分值");
    return;
  }
  if (v == 0) {
    putBack();
    host().Message(this, "试题分值不能为0");
    return;
  }
  if (v < 1 || v > 100) {
    putBack();
    host().Message(this, "请输入1-100的分值！");
    return;
  }
  const int score = static_cast<int>(v);
  CloseAutoCompose();
  std::vector<RowChange> changes;
  RowChange own{r, {}};
  own.changes.score = score;
  changes.push_back(own);
  int title = 0;
  int titleScore = 0;
  if (!g.cellChecked(r, kColMasked)) {
    title = TitleRowOf(c.groupName);
    if (title == r) title = 0;
    if (title) {
      titleScore =
          static_cast<int>(text::ToInteger(g.cellText(title, kColScore))) + score - c.score;
      RowChange t{title, {}};
      t.changes.score = titleScore;
      changes.push_back(t);
    }
  }
  if (!Store(changes)) return putBack();
  SetScoreCell(r, score);
  if (title) SetScoreCell(title, titleScore);
}

void ComposeWindow::EditFixedScore() {
  auto& g = 高级表格1;
  const int r = cellEditContext.row;
  const bool on = g.cellChecked(r, kColFixedScore);
  if (on && isTitleNumber(g.cellText(r, kColGroupNumber))) return SetCheck(r, kColFixedScore, false);
  RowChange change{r, {}};
  change.changes.fixedScore = on;
  if (!Store({change})) SetCheck(r, kColFixedScore, !on);
}

void ComposeWindow::EditMask() {
  auto& g = 高级表格1;
  const CellEditContext c = cellEditContext;
  const int r = c.row;
  const bool masked = g.cellChecked(r, kColMasked);
  const std::string number = g.cellText(r, kColGroupNumber);
  auto putBack = [&] { SetCheck(r, kColMasked, !masked); };
  auto score = [&](int row) { return static_cast<int>(text::ToInteger(g.cellText(row, kColScore))); };
  const int title = number.empty() ? 0 : TitleRowOf(c.groupName);

  if (title == 0) {  // ungrouped, or a group without a title
    RowChange change{r, {}};
    change.changes.masked = masked;
    if (!Store({change})) return putBack();
    if (masked) {
      SetCheck(r, kColA, false);
      SetCheck(r, kColB, false);
    }
    return;
  }

  const std::vector<int> group = GroupRows(c.groupName);
  if (title == r) {
    std::vector<RowChange> changes;
    int sum = 0;
    for (int row : group) {
      if (row == r || isTitleNumber(g.cellText(row, kColGroupNumber))) continue;
      sum += score(row);
    }
    for (int row : group) {
      RowChange change{row, {}};
      if (row == r) {
        change.changes.masked = masked;
        change.changes.score = masked ? 0 : sum;
      } else if (masked || !isTitleNumber(g.cellText(row, kColGroupNumber))) {
        change.changes.masked = masked;
      } else {
        continue;
      }
      changes.push_back(std::move(change));
    }
    if (!Store(changes)) return putBack();
    for (const RowChange& change : changes) {
      SetCheck(change.row, kColMasked, masked);
      if (masked) {
        SetCheck(change.row, kColA, false);
        SetCheck(change.row, kColB, false);
      }
    }
    SetScoreCell(r, masked ? 0 : sum);
    return;
  }

  // A member.
  if (g.cellChecked(title, kColMasked)) return putBack();
  const int titleScore = std::max(0, score(title) + (masked ? -score(r) : score(r)));
  std::vector<RowChange> changes(2);
  changes[0].row = r;
  changes[0].changes.masked = masked;
  changes[1].row = title;
  changes[1].changes.score = titleScore;
  if (!Store(changes)) return putBack();
  SetScoreCell(title, titleScore);
  if (masked) {
    if (titleScore == 0) {
      SetCheck(title, kColA, false);
      SetCheck(title, kColB, false);
    }
    SetCheck(r, kColA, false);
    SetCheck(r, kColB, false);
  } else {
    SetCheck(r, kColA, g.cellChecked(title, kColA));
    SetCheck(r, kColB, g.cellChecked(title, kColB));
  }
}

void ComposeWindow::EditPaperCheck(int column) {
  auto& g = 高级表格1;
  const CellEditContext c = cellEditContext;
  const int r = c.row;
  const bool on = g.cellChecked(r, column);
  if (text::ToInteger(g.cellText(r, kColScore)) == 0 || g.cellChecked(r, kColMasked)) {
    if (on) SetCheck(r, column, false);
    return;
  }
  if (g.cellText(r, kColGroupNumber).empty()) return;
  for (int row : GroupRows(c.groupName))
    if (!g.cellChecked(row, kColMasked)) SetCheck(row, column, on);
}

void ComposeWindow::MarkSelectedRows(int mode) {
  auto& g = 高级表格1;
  const int col = g.CursorColumn();
  if (col < kColFixedScore || col > kColB) return;
  const int first = std::max(1, g.SelectionFirstRow());
  const int last = std::min(g.RowCount() - 1, g.SelectionLastRow());
  auto next = [mode](bool now) { return mode == 1 ? true : mode == 0 ? false : !now; };
  auto score = [&](int row) { return static_cast<int>(text::ToInteger(g.cellText(row, kColScore))); };

  if (col == kColA || col == kColB) {
    for (int r = first; r <= last; ++r) {
      if (g.cellChecked(r, kColMasked)) continue;
      const bool on = next(g.cellChecked(r, col));
      if (on && score(r) <= 0) continue;
      SetCheck(r, col, on);
    }
  } else if (col == kColFixedScore) {
    std::vector<RowChange> changes;
    for (int r = first; r <= last; ++r) {
      if (isTitleNumber(g.cellText(r, kColGroupNumber))) continue;  // never fixed
      const bool now = g.cellChecked(r, col);
      if (next(now) == now) continue;
      RowChange change{r, {}};
      change.changes.fixedScore = next(now);
      changes.push_back(std::move(change));
    }
    if (Store(changes))
      for (const RowChange& change : changes) SetCheck(change.row, col, *change.changes.fixedScore);
  } else {
    // Masks change row by row; every title of a touched group then gets the
    // sum of its unmasked members again, as a single click keeps it.
    std::map<int, bool> masks;
    std::set<std::string> groups;
    for (int r = first; r <= last; ++r) {
      const bool now = g.cellChecked(r, col);
      if (next(now) == now) continue;
      masks[r] = next(now);
      if (!g.cellText(r, kColGroupName).empty()) groups.insert(g.cellText(r, kColGroupName));
    }
    auto maskedNow = [&](int row) {
      const auto it = masks.find(row);
      return it == masks.end() ? g.cellChecked(row, kColMasked) : it->second;
    };
    std::map<int, RowChange> changes;
    for (const auto& [row, on] : masks) {
      changes[row].row = row;
      changes[row].changes.masked = on;
    }
    std::map<int, int> titleScores;
    for (const std::string& name : groups) {
      const int title = TitleRowOf(name);
      if (!title) continue;
      int sum = 0;
      if (!maskedNow(title))
        for (int row : GroupRows(name))
          if (!isTitleNumber(g.cellText(row, kColGroupNumber)) && !maskedNow(row)) sum += score(row);
      if (sum == score(title)) continue;
      titleScores[title] = sum;
      changes[title].row = title;
      changes[title].changes.score = sum;
    }
    std::vector<RowChange> batch;
    for (auto& [row, change] : changes) batch.push_back(change);
    if (Store(batch)) {
      for (const auto& [row, on] : masks) {
        SetCheck(row, kColMasked, on);
        if (on) {
          SetCheck(row, kColA, false);
          SetCheck(row, kColB, false);
        }
      }
      for (const auto& [title, sum] : titleScores) {
        SetScoreCell(title, sum);
        if (sum == 0) {
          SetCheck(title, kColA, false);
          SetCheck(title, kColB, false);
        }
      }
    }
  }
  RecomputeTypeScores();
}

}  // namespace compose
