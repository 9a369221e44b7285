// The window "题型编辑": the program-wide list of question types. Types are
// added, renamed and described here and deleted while no course uses them;
// a rename is carried into the current course's questions and the open bank
// editor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "ui/grid_control.h"
#include "ui/units.h"
#include "ui/window.h"

namespace types {

inline constexpr int kTypeNameColumn = 0;
inline constexpr int kTypeNoteColumn = 1;
inline constexpr int kAnswerOnNewLineColumn = 2;
inline constexpr int kTypeNameLimit = 512;  // GBK bytes
inline constexpr int kDeleteKey = 46;

class QuestionTypeWindow : public ui::Window {
 public:
  explicit QuestionTypeWindow(app::AppContext& ctx);

  ui::GridControl 高级表格1;
  ui::Button 按钮添加;
  ui::Button 按钮删除;
  ui::ScrollBar 纵向滚动条1;

  // The open bank editor's share of a change: its 题型 cells follow a
  // rename, its drop-down list follows every change.
  std::function<void(const std::string& from, const std::string& to)> onRenamed;
  std::function<void()> onTypesChanged;

  void LoadTypeList();
  void LayoutTypeEditor();
  void AddQuestionType();
  void EditTypeCell();
  void DeleteQuestionType();

 private:
  // Why a new name cannot be taken (empty when it can); `existsMessage`
  // is the text for a name already in the list.
  std::string NameProblem(const std::string& name, const std::string& existsMessage) const;
  // The first course (other than `except` when given) whose bank uses the
  // type or cannot be looked through; shows the refusal and returns true.
  bool RefusedByUse(const std::string& type, bool skipCurrent, const std::string& usedMessage,
                    const std::string& unknownEnding);
  bool RenameInCurrentBank(const std::string& from, const std::string& to);
  void Rename(int row, const std::string& from, const std::string& typed);
  void TypesChanged();

  app::AppContext& ctx_;
  std::string editedCellOldText_;  // `EditedCellOldText`
  std::vector<std::int64_t> ids_;  // record id of each data row
};

}  // namespace types
