// Course and administrator administration: the shared dialog in its five
// modes, the menu commands that open it, and deleting courses.
#pragma once

#include <string>

#include "app/app_context.h"
#include "databases/course_bank.h"
#include "ui/units.h"
#include "ui/window.h"

namespace app {

class MainWindow;

// The dialog's modes; each is also its title.
inline constexpr const char* kModeSetAdministrator = "设置管理员姓名密码";
inline constexpr const char* kModeAddCourse = "添加课程";
inline constexpr const char* kModeResetCoursePassword = "重置课程密码";
inline constexpr const char* kModeChangeAdministratorName = "修改管理员姓名";
inline constexpr const char* kModeChangeAdministratorPassword = "修改管理员密码";

// The longest administrator or course name, in GBK bytes ("课程名称").
inline constexpr std::size_t kMaxNameBytes = 20;

class AdminDialog : public ui::Window {
 public:
  // The mode is ctx.adminDialogMode as it is when the dialog is shown; the
  // window is built under that title too.
  AdminDialog(AppContext& ctx, MainWindow& main);

  const std::string& mode() const { return mode_; }

  ui::Label 标签1;
  ui::EditBox 新课程;
  ui::Label 标签2;
  ui::EditBox 课程密码;
  ui::Label 标签3;
  ui::EditBox 课程密码1;
  ui::Button 确定;
  ui::Button 取消;

 private:
  void Created();
  void Destroyed();
  void Confirm();
  void ConfirmSetAdministrator();
  void ConfirmAddCourse();
  void ConfirmResetCoursePassword();
  void ConfirmChangeAdministratorName();
  void ConfirmChangeAdministratorPassword();

  void Say(const std::string& text);
  bool AskOkCancel(const std::string& text);
  // The administrator's record, "课程库" made current first.
  std::optional<databases::CourseRecord> Administrator();

  AppContext& ctx_;
  MainWindow& main_;
  std::string mode_;
};

// Sets the mode and shows the dialog modally over the main window.
void ShowAdminDialog(MainWindow& main, const std::string& mode);

// Menu commands of the main window.
void AddCourseCommand(MainWindow& main);
void DeleteCourseCommand(MainWindow& main);
void ResetCoursePasswordCommand(MainWindow& main);

// The administrator password prompt; nullopt when cancelled.
std::optional<std::string> AskAdministratorPassword(ui::Host& host, const ui::Window* owner);

// Why a trimmed name cannot be a new course's name, or empty when it can.
std::string NewCourseNameProblem(const std::string& name);

}  // namespace app
