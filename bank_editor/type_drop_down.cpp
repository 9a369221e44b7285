#include "bank_editor/type_drop_down.h"

#include "bank_editor/question_rules.h"
#include "databases/course_bank.h"
#include "ui/grid_control.h"

namespace bank_editor {

std::vector<std::string> QuestionTypeNames(const databases::DatabaseContext& ctx) {
  std::vector<std::string> names;
  if (!databases::OpenQuestionTypeLibrary(ctx)) return names;
  std::vector<databases::QuestionType> types;
  databases::TypeLibrary(ctx.engine).ReadAll(types);
  names.reserve(types.size());
  for (databases::QuestionType& t : types) names.push_back(std::move(t.name));
  return names;
}

void RefreshTypeDropDown(ui::GridControl& grid, const databases::DatabaseContext& ctx) {
  grid.ClearPendingListItems();
  for (std::string& name : QuestionTypeNames(ctx)) grid.AddPendingListItem(std::move(name));
  grid.SetColumnType(kColType, ui::ColumnType::DropDown);
}

int HostPrompter::MessageBox(const std::string& caption, const std::string& text,
                             databases::Buttons buttons, databases::Icon icon) {
  ui::MessageButtons b = ui::MessageButtons::Ok;
  if (buttons == databases::Buttons::OkCancel) b = ui::MessageButtons::OkCancel;
  if (buttons == databases::Buttons::YesNo) b = ui::MessageButtons::YesNo;
  ui::MessageIcon i = ui::MessageIcon::None;
  switch (icon) {
    case databases::Icon::Information: i = ui::MessageIcon::Information; break;
    case databases::Icon::Question: i = ui::MessageIcon::Question; break;
    case databases::Icon::Warning: i = ui::MessageIcon::Warning; break;
    case databases::Icon::Error: i = ui::MessageIcon::Error; break;
    case databases::Icon::None: break;
  }
  return host_.messageBox(owner_, text, caption, b, i);
}

}  // namespace bank_editor
