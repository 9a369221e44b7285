// The start window: the course list, the course password, the two buttons
// that open a course's bank in the editor or the compose window, and the
// menus of course administration. It owns the selected course.
#pragma once

#include <string>

#include "app/app_context.h"
#include "app/single_instance.h"
#include "ui/menu.h"
#include "ui/units.h"
#include "ui/window.h"

namespace app {

inline constexpr const char* kMainWindowCaption = "墨川题库与组卷系统 2.0";

struct MainWindowOptions {
  // The program file's name (no folder): a second copy of the same file
  // name is refused.
  std::string programFileName = "mochuan";
  // Where the single-instance lock lives; empty: DefaultLockDirectory().
  std::string lockDirectory;
};

// "程序 " + name + " 已经运行！"
std::string SecondCopyMessage(const std::string& programFileName);

class MainWindow : public ui::Window {
 public:
  MainWindow(AppContext& ctx, MainWindowOptions options = {});
  ~MainWindow() override;

  AppContext& context() const { return ctx_; }

  // `LoadCourseList`: opens "课程库" (first run: the administrator dialog,
  // then "题型库"), drops courses whose bank is gone and fills the list.
  void LoadCourseList();

  // Enables or disables what only makes sense with a course selected.
  void SetCourseCommandsEnabled(bool on);

  // A single-instance lock taken before the window showed; the window keeps
  // it and does not check again at start-up.
  void AdoptInstanceLock(SingleInstanceLock lock) { instanceLock_ = std::move(lock); }

  ui::Label 标签1;
  ui::ComboBox 组合框1;
  ui::Label 标签2;
  ui::EditBox 课程密码;
  ui::Button 按钮题库编辑;
  ui::Button 按钮组卷;
  // Kept out of sight; other windows measure wrapped text in its font.
  ui::EditBox 编辑框行数测定;

  ui::MenuItem 菜单程序;
  ui::MenuItem 菜单管理员;
  ui::MenuItem 菜单修改姓名;
  ui::MenuItem 菜单修改密码;
  ui::MenuItem 菜单风格;
  ui::MenuItem 菜单蓝色;
  ui::MenuItem 菜单绿色;
  ui::MenuItem 菜单银色;
  ui::MenuItem 菜单退出;
  ui::MenuItem 菜单课程;
  ui::MenuItem 菜单添加;
  ui::MenuItem 菜单删除;
  ui::MenuItem 菜单重置密码;
  ui::MenuItem 菜单帮助;
  ui::MenuItem 菜单说明;
  ui::MenuItem 菜单关于;

 private:
  void Created();
  void CourseSelectionChanged();
  // "题库编辑" and "组卷": open the bank with the password check, then the
  // window the factory builds (a placeholder without one).
  void OpenCourseWindow(const WindowFactory& factory, const char* caption);
  void SyncSelectedCourse();

  AppContext& ctx_;
  MainWindowOptions options_;
  SingleInstanceLock instanceLock_;
};

}  // namespace app
