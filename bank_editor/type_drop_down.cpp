#include "bank_editor/type_drop_down.h"

#include "app/show_result.h"
#include "bank_editor/question_rules.h"
#include "databases/course_bank.h"
#include "ui/grid_control.h"

namespace bank_editor {

std::vector<std::string> QuestionTypeNames(const databases::DatabaseContext& ctx, ui::Host& host,
                                           const ui::Window* owner) {
  std::vector<std::string> names;
  if (!app::ShowResult(host, owner, databases::OpenQuestionTypeLibrary(ctx))) return names;
  std::vector<databases::QuestionType> types;
  databases::TypeLibrary(ctx.engine).ReadAll(types);
  names.reserve(types.size());
  for (databases::QuestionType& t : types) names.push_back(std::move(t.name));
  return names;
}

void RefreshTypeDropDown(ui::GridControl& grid, const databases::DatabaseContext& ctx,
                         ui::Host& host, const ui::Window* owner) {
  grid.ClearPendingListItems();
  for (std::string& name : QuestionTypeNames(ctx, host, owner)) grid.AddPendingListItem(std::move(name));
  grid.SetColumnType(kColType, ui::ColumnType::DropDown);
}

}  // namespace bank_editor
