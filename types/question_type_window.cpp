#include "types/question_type_window.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "text/text.h"
#include "ui/host.h"
#include "ui/layout.h"

namespace types {

namespace {

constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;
constexpr int kScrollBarWidth = 16;
constexpr int kScrollBarHeight = 42;
constexpr int kBaseRowHeight = 24;
constexpr int kMaxExtraRowHeight = 96;

int cut(double v) { return static_cast<int>(std::trunc(v)); }

}  // namespace

QuestionTypeWindow::QuestionTypeWindow(app::AppContext& ctx)
    : ui::Window(ctx.host, "题型编辑", 513, 397),
      高级表格1(*this, "高级表格1", ui::grid_presets::kTypeEditor),
      按钮添加(*this, "按钮添加", "添加"),
      按钮删除(*this, "按钮删除", "删除"),
      纵向滚动条1(*this, "纵向滚动条1", ui::ScrollBar::Orientation::Vertical),
      ctx_(ctx) {
  纵向滚动条1.setRange(0, kMaxExtraRowHeight);
  namespace lay = ui::layout;
  setLayout(lay::column({lay::unit(高级表格1, 1),
                         lay::row({lay::stretch(1), lay::unit(按钮删除), lay::stretch(1),
                                   lay::unit(纵向滚动条1), lay::stretch(1), lay::unit(按钮添加),
                                   lay::stretch(1)})}));
  LayoutTypeEditor();

  onCreated = [this] {
    LoadTypeList();
    LayoutTypeEditor();
  };
  onSizeChanged = [this] { LayoutTypeEditor(); };
  纵向滚动条1.onPositionChanged = [this] {
    高级表格1.SetUniformRowHeight(纵向滚动条1.position() + kBaseRowHeight);
  };
  高级表格1.EditBegun = [this] {
    editedCellOldText_ = 高级表格1.cellText(高级表格1.CursorRow(), 高级表格1.CursorColumn());
  };
  高级表格1.CellEdited = [this] { EditTypeCell(); };
  高级表格1.GridClicked = [this](int, int) { 按钮删除.setEnabled(高级表格1.CursorRow() > 0); };
  高级表格1.onKeyDown = [](int key, int) { return key == kDeleteKey; };
  按钮添加.onClick = [this] { AddQuestionType(); };
  按钮删除.onClick = [this] { DeleteQuestionType(); };
}

void QuestionTypeWindow::LoadTypeList() {
  auto& g = 高级表格1;
  ids_.clear();
  std::vector<databases::QuestionType> list;
  if (!ctx_.Show(databases::OpenQuestionTypeLibrary(ctx_.db()))) return;
  databases::TypeLibrary library(ctx_.engine);
  if (!library.ReadAll(list)) host().Message(this, library.lastError().message);
  const int n = static_cast<int>(list.size());
  g.SetRowCount(n + 1);
  g.SetRangeAlignment(0, kTypeNameColumn, n, kTypeNoteColumn, 2);
  g.SetColumnType(kAnswerOnNewLineColumn, ui::ColumnType::CheckBox);
  g.SetCellData(0, kTypeNameColumn, ui::CellKind::Text, std::string(databases::kTypeNameField));
  g.SetCellData(0, kTypeNoteColumn, ui::CellKind::Text, std::string(databases::kTypeNoteField));
  for (int i = 1; i <= n; ++i) {
    const databases::QuestionType& t = list[i - 1];
    g.SetCellData(i, kTypeNameColumn, ui::CellKind::Text, t.name);
    g.SetCellData(i, kTypeNoteColumn, ui::CellKind::Text, t.note);
    g.SetCellData(i, kAnswerOnNewLineColumn, ui::CellKind::Check, t.answerOnNewLine);
    ids_.push_back(t.id);
  }
  g.SetRangeWordWrap(1, kTypeNameColumn, n, kTypeNameColumn, true);
}

void QuestionTypeWindow::LayoutTypeEditor() {
  const int w = width() > 0 ? width() : designWidth();
  const int h = height() > 0 ? height() : designHeight();
  auto& g = 高级表格1;
  const int gridHeight = h - 48;
  g.setGeometry({0, 0, w, gridHeight});
  g.SetColumnWidth(kTypeNameColumn, std::max(0, cut((w - 24) / 3.0)));
  g.SetColumnWidth(kTypeNoteColumn, std::max(0, cut(2.0 * (w - 24) / 3.0)));
  g.SetColumnWidth(kAnswerOnNewLineColumn, 0);
  const int buttonsTop = gridHeight + 12;
  const double deleteLeft = (w - 160) / 3.0;
  按钮删除.setGeometry({cut(deleteLeft), buttonsTop, kButtonWidth, kButtonHeight});
  按钮添加.setGeometry({cut(2 * deleteLeft + 80), buttonsTop, kButtonWidth, kButtonHeight});
  纵向滚动条1.setGeometry(
      {cut(w / 2.0 - 8), buttonsTop - 9, kScrollBarWidth, kScrollBarHeight});
}

std::string QuestionTypeWindow::NameProblem(const std::string& name,
                                            const std::string& existsMessage) const {
  if (text::GbkLength(name) > static_cast<std::size_t>(kTypeNameLimit)) return "题型长度超标！";
  if (name.empty()) return "题型不能为空！";
  if (!ctx_.Show(databases::OpenQuestionTypeLibrary(ctx_.db()))) return "打开题型库错误！";
  databases::TypeLibrary library(ctx_.engine);
  if (library.FindByName(name)) return existsMessage;
  return {};
}

void QuestionTypeWindow::AddQuestionType() {
  const auto typed = host().InputBox(this, "请输入题型名称（字母512字内，汉字256字内）：");
  if (!typed) return;
  const std::string name = text::TrimSpaces(*typed);
  if (const std::string problem = NameProblem(name, "题型 " + name + " 已经存在！");
      !problem.empty()) {
    host().Message(this, problem);
    return;
  }
  databases::TypeLibrary library(ctx_.engine);
  if (!library.Add(name)) {
    host().Message(this, library.lastError().message);
    LoadTypeList();
    return;
  }
  LoadTypeList();
  for (int r = 1; r < 高级表格1.RowCount(); ++r)
    if (高级表格1.cellText(r, kTypeNameColumn) == name) 高级表格1.SetCursorCell(r, kTypeNameColumn);
  TypesChanged();
}

void QuestionTypeWindow::EditTypeCell() {
  auto& g = 高级表格1;
  const int r = g.CursorRow();
  const int c = g.CursorColumn();
  if (r <= 0 || r > static_cast<int>(ids_.size())) return;
  const std::string t = g.cellText(r, c);
  if (t == editedCellOldText_) return;
  if (c == kTypeNameColumn) return Rename(r, editedCellOldText_, t);
  if (c != kTypeNoteColumn) return;  // "答案换行" is set in the compose window
  databases::TypeLibrary library(ctx_.engine);
  if (!ctx_.Show(databases::OpenQuestionTypeLibrary(ctx_.db())) || !library.SetNote(ids_[r - 1], t)) {
    host().Message(this, library.lastError().message);
    g.SetCellData(r, c, ui::CellKind::Text, editedCellOldText_);
    return;
  }
  // The field keeps what fits; the cell shows what was kept.
  g.SetCellData(r, c, ui::CellKind::Text, text::CutToGbkBytes(t, databases::kTypeNoteWidth));
}

void QuestionTypeWindow::Rename(int row, const std::string& from, const std::string& typed) {
  auto& g = 高级表格1;
  const auto putBack = [&] { g.SetCellData(row, kTypeNameColumn, ui::CellKind::Text, from); };
  const std::string to = text::TrimSpaces(typed);
  if (to == from) return putBack();
  if (const std::string problem = NameProblem(to, "已经存在题型 " + to); !problem.empty()) {
    host().Message(this, problem);
    return putBack();
  }
  if (RefusedByUse(from, true, "该题型正在被其它题库使用，不能修改！", "不能修改！"))
    return putBack();
  if (host().MessageBox(this, "确定要将题型 " + from + " 修改为 " + to + " 吗？",
                        ui::kMessageCaption, ui::MessageButtons::OkCancel,
                        ui::MessageIcon::Question) != ui::kButtonOk)
    return putBack();
  databases::TypeLibrary library(ctx_.engine);
  if (!ctx_.Show(databases::OpenQuestionTypeLibrary(ctx_.db())) || !library.Rename(ids_[row - 1], to)) {
    host().Message(this, library.lastError().message);
    return putBack();
  }
  if (!RenameInCurrentBank(from, to)) {
    library.Rename(ids_[row - 1], from);
    return putBack();
  }
  g.SetCellData(row, kTypeNameColumn, ui::CellKind::Text, to);
  if (onRenamed) onRenamed(from, to);
  TypesChanged();
}

bool QuestionTypeWindow::RenameInCurrentBank(const std::string& from, const std::string& to) {
  const std::string& course = ctx_.selectedCourse.name;
  if (course.empty()) return true;
  databases::CourseBank bank(ctx_.engine, course);
  std::vector<databases::Question> questions;
  std::vector<std::pair<std::int64_t, databases::QuestionChanges>> changes;
  bool ok = bank.ReadAll(questions);
  if (ok) {
    for (const databases::Question& q : questions) {
      if (q.type != from) continue;
      databases::QuestionChanges change;
      change.type = to;
      changes.emplace_back(q.id, std::move(change));
    }
    ok = changes.empty() || bank.UpdateMany(changes);
  }
  if (!ok) host().Message(this, "打开 " + course + " 题库错误！" + bank.lastError().message);
  return ok;
}

bool QuestionTypeWindow::RefusedByUse(const std::string& type, bool skipCurrent,
                                      const std::string& usedMessage,
                                      const std::string& unknownEnding) {
  const databases::DatabaseContext db = ctx_.db();
  if (!ctx_.Show(databases::OpenCourseLibrary(db))) return true;
  databases::CourseLibrary courses(ctx_.engine);
  for (int position = 0;; ++position) {
    const auto course = courses.CourseAt(position);
    if (!course) break;
    if (skipCurrent && course->name == ctx_.selectedCourse.name) continue;
    databases::Result opening;
    const databases::TypeUse use = databases::CourseTypeUse(db, position, type, opening);
    ctx_.Show(opening);
    switch (use) {
      case databases::TypeUse::Unused: break;
      case databases::TypeUse::Used: host().Message(this, usedMessage); return true;
      case databases::TypeUse::Unknown:
        // A bank that cannot be read might use the type; changing it would
        // leave its questions with a type the library lacks.
        host().Message(this, "无法查看课程 " + course->name + " 的题库是否使用该题型，" +
                                 unknownEnding);
        return true;
    }
  }
  return false;
}

void QuestionTypeWindow::DeleteQuestionType() {
  auto& g = 高级表格1;
  const int r = g.CursorRow();
  if (r <= 0 || r > static_cast<int>(ids_.size())) return;
  const std::string type = g.cellText(r, kTypeNameColumn);
  if (RefusedByUse(type, false, "该题型正在被使用，不能删除！", "不能删除！")) return;
  databases::TypeLibrary library(ctx_.engine);
  if (!ctx_.Show(databases::OpenQuestionTypeLibrary(ctx_.db())) || !library.Remove(ids_[r - 1])) {
    host().Message(this, library.lastError().message);
    LoadTypeList();
    return;
  }
  g.DeleteRow(r);
  ids_.erase(ids_.begin() + (r - 1));
  TypesChanged();
}

void QuestionTypeWindow::TypesChanged() {
  if (onTypesChanged) onTypesChanged();
}

}  // namespace types
