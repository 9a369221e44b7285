// One entry per window (or state of a window) worth a picture.
#include "app/course_admin.h"
#include "app/info_windows.h"
#include "databases/program_databases.h"
#include "program/screenshots.h"
#ifdef MC_WITH_BANK_EDITOR
#include "bank_editor/bank_editor_window.h"
#endif

namespace program {

namespace {

// The administrator dialog in one of its modes, its inputs partly typed.
Shot adminDialog(const char* mode, std::vector<std::string> typed) {
  return {mode, [mode, typed](ShotContext& s) {
            s.ctx.adminDialogMode = mode;
            app::AdminDialog dialog(s.ctx, s.main);
            s.shoot(dialog, &s.main, [&] {
              ui::EditBox* boxes[] = {&dialog.新课程, &dialog.课程密码, &dialog.课程密码1};
              for (std::size_t i = 0; i < typed.size() && i < 3; ++i)
                if (!typed[i].empty() && !boxes[i]->readOnly()) boxes[i]->replaceText(typed[i]);
            });
          }};
}

// Selects the demonstration course in the main window.
void selectDemoCourse(ShotContext& s) {
  if (s.main.组合框1.count() > 0 && s.main.组合框1.selectedIndex() != 0) s.main.组合框1.choose(0);
}

}  // namespace

const std::vector<Shot>& Shots() {
  static const std::vector<Shot> shots = {
      {"main window", [](ShotContext& s) {
         selectDemoCourse(s);
         s.capture(s.main);
       }},
      adminDialog(app::kModeSetAdministrator, {"管理员", "123456", "123456"}),
      adminDialog(app::kModeAddCourse, {"高等数学", "", ""}),
      adminDialog(app::kModeResetCoursePassword, {"", "654321", "654321"}),
      adminDialog(app::kModeChangeAdministratorName, {"", "123456", "新管理员"}),
      adminDialog(app::kModeChangeAdministratorPassword, {"123456", "", ""}),
      {"administrator password prompt", [](ShotContext& s) {
         s.input("请输入管理员密码：", "请输入：", "123456", true);
         s.message("管理员密码错误！");
       }},
      {"messages", [](ShotContext& s) {
         s.message("程序 mochuan 已经运行！");
         s.message("确定要删除 示例课程 题库吗？", std::string(ui::kMessageCaption),
                   ui::MessageButtons::OkCancel, ui::MessageIcon::Question);
       }},
      {"description", [](ShotContext& s) {
         app::DescriptionWindow window(s.host);
         s.shoot(window, &s.main);
       }},
      {"about", [](ShotContext& s) {
         app::AboutWindow window(s.host);
         s.shoot(window);
       }},
#ifdef MC_WITH_BANK_EDITOR
      {"bank editor", [](ShotContext& s) {
         selectDemoCourse(s);
         if (!databases::OpenCourseBank(s.ctx.db(), s.main.组合框1.text(), true, 0, "")) return;
         std::unique_ptr<ui::Window> editor = bank_editor::MakeBankEditor(s.ctx, &s.main);
         if (editor) s.shoot(*editor, &s.main);
       }},
#endif
  };
  return shots;
}

}  // namespace program
