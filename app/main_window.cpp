#include "app/main_window.h"

#include <memory>

#include "app/course_admin.h"
#include "app/info_windows.h"
#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "ui/host.h"
#include "ui/layout.h"

namespace app {

namespace {
constexpr int kWidth = 262;
constexpr int kHeight = 236;
}  // namespace

MainWindow::MainWindow(AppContext& ctx, MainWindowOptions options)
    : ui::Window(ctx.host, kMainWindowCaption, kWidth, kHeight),
      标签1(*this, "标签1", "请选择课程："),
      组合框1(*this, "组合框1", ui::ComboBox::Style::DropDownList),
      标签2(*this, "标签2", "课程密码："),
      课程密码(*this, "课程密码"),
      按钮题库编辑(*this, "按钮题库编辑", "题库编辑"),
      按钮组卷(*this, "按钮组卷", "组卷"),
      编辑框行数测定(*this, "编辑框行数测定"),
      菜单程序(*this, "程序(&F)", "菜单程序"),
      菜单管理员(菜单程序, "管理员(&G)", "菜单管理员"),
      菜单修改姓名(菜单管理员, "修改姓名(&N)", "菜单修改姓名"),
      菜单修改密码(菜单管理员, "修改密码(&M)", "菜单修改密码"),
      菜单风格(菜单程序, "XP风格(&F)", "菜单风格"),
      菜单蓝色(菜单风格, "蓝色(&B)", "菜单蓝色"),
      菜单绿色(菜单风格, "绿色(&G)", "菜单绿色"),
      菜单银色(菜单风格, "银色(&S)", "菜单银色"),
      菜单退出(菜单程序, "退出(&X)", "菜单退出"),
      菜单课程(*this, "课程(&P)", "菜单课程"),
      菜单添加(菜单课程, "添加(&A)", "菜单添加"),
      菜单删除(菜单课程, "删除(&S)", "菜单删除"),
      菜单重置密码(菜单课程, "重置密码(&R)", "菜单重置密码"),
      菜单帮助(*this, "帮助(&H)", "菜单帮助"),
      菜单说明(菜单帮助, "说明(&E)", "菜单说明"),
      菜单关于(菜单帮助, "关于(&A)", "菜单关于"),
      ctx_(ctx),
      options_(std::move(options)) {
  ctx_.mainWindow = this;
  // Escape must not end the program.
  setClosesOnEscape(false);

  标签1.setGeometry({16, 14, 120, 18});
  组合框1.setGeometry({16, 34, 230, 24});
  标签2.setGeometry({16, 70, 120, 18});
  课程密码.setGeometry({16, 90, 230, 24});
  课程密码.setPasswordInput(true);
  按钮题库编辑.setGeometry({16, 140, 104, 32});
  按钮组卷.setGeometry({142, 140, 104, 32});
  // Off the visible area: only its font and width matter.
  编辑框行数测定.setMultiLine(true);
  编辑框行数测定.setGeometry({-2000, -2000, 200, 60});
  编辑框行数测定.setVisible(false);

  namespace L = ui::layout;
  setLayout(L::column({
      L::unit(标签1),
      L::unit(组合框1),
      L::spacing(8),
      L::unit(标签2),
      L::unit(课程密码),
      L::stretch(1),
      L::row({L::unit(按钮题库编辑, 1), L::spacing(16), L::unit(按钮组卷, 1)}),
      L::spacing(8),
  }));

  onCreated = [this] { Created(); };
  onDestroyed = [this] { ctx_.engine.CloseAll(); };

  组合框1.onSelectionChanged = [this] { CourseSelectionChanged(); };
  按钮题库编辑.onClick = [this] { OpenCourseWindow(ctx_.makeBankEditor, "题库编辑"); };
  按钮组卷.onClick = [this] { OpenCourseWindow(ctx_.makeComposeWindow, "组卷"); };

  菜单修改姓名.onChoose = [this] { ShowAdminDialog(*this, kModeChangeAdministratorName); };
  菜单修改密码.onChoose = [this] { ShowAdminDialog(*this, kModeChangeAdministratorPassword); };
  菜单蓝色.onChoose = [this] { host().SetColourScheme(1); };
  菜单绿色.onChoose = [this] { host().SetColourScheme(2); };
  菜单银色.onChoose = [this] { host().SetColourScheme(3); };
  菜单退出.onChoose = [this] { host().ExitProgram(0); };
  菜单添加.onChoose = [this] { AddCourseCommand(*this); };
  菜单删除.onChoose = [this] { DeleteCourseCommand(*this); };
  菜单重置密码.onChoose = [this] { ResetCoursePasswordCommand(*this); };
  菜单说明.onChoose = [this] {
    DescriptionWindow window(host());
    host().ShowModal(window, this);
  };
  菜单关于.onChoose = [this] {
    AboutWindow window(host());
    host().ShowModal(window, nullptr);
  };

  SetCourseCommandsEnabled(false);
}

MainWindow::~MainWindow() {
  if (ctx_.mainWindow == this) ctx_.mainWindow = nullptr;
}

std::string SecondCopyMessage(const std::string& programFileName) {
  return "程序 " + programFileName + " 已经运行！";
}

void MainWindow::Created() {
  if (!instanceLock_.held())
    instanceLock_ = SingleInstanceLock::Acquire(options_.programFileName, options_.lockDirectory);
  // A lock that cannot be made at all (no writable runtime folder) says
  // nothing about other copies; the program runs rather than refuse.
  if (instanceLock_.state() == SingleInstanceLock::State::HeldElsewhere) {
    host().Message(this, SecondCopyMessage(options_.programFileName));
    host().ExitProgram(0);
  }
  host().SetColourScheme(host().RememberedColourScheme(1));
  LoadCourseList();
  SetCourseCommandsEnabled(false);
}

void MainWindow::SetCourseCommandsEnabled(bool on) {
  菜单删除.setEnabled(on);
  菜单重置密码.setEnabled(on);
  按钮题库编辑.setEnabled(on);
  按钮组卷.setEnabled(on);
  if (!on) 课程密码.setEnabled(false);
}

void MainWindow::SyncSelectedCourse() {
  ctx_.selectedCourse.position = 组合框1.selectedIndex();
  ctx_.selectedCourse.name = 组合框1.text();
}

void MainWindow::LoadCourseList() {
  auto db = ctx_.db();
  auto& engine = ctx_.engine;
  // The list loses its selection, so the course opened last is closed and
  // forgotten: choosing it again must enable the commands and ask for its
  // password as for any other course.
  if (!ctx_.openedCourseName.empty()) {
    const std::string full = db.FullPathOf(ctx_.openedCourseName);
    if (engine.IsOpen(full)) engine.Close(full);
    ctx_.openedCourseName.clear();
  }

  if (!ctx_.Show(databases::OpenCourseLibrary(db))) return;
  if (engine.RecordCount() == 0) {
    ShowAdminDialog(*this, kModeSetAdministrator);
    ctx_.Show(databases::OpenQuestionTypeLibrary(db));
    return;
  }
  ctx_.Show(databases::PruneCourseLibrary(db));

  组合框1.Clear();
  SetCourseCommandsEnabled(false);
  课程密码.setText({});
  SyncSelectedCourse();

  std::vector<std::string> names;
  databases::CourseLibrary(engine).CourseNames(names);
  for (const auto& name : names) 组合框1.AddItem(name);
  SyncSelectedCourse();
}

void MainWindow::CourseSelectionChanged() {
  SyncSelectedCourse();
  const int position = 组合框1.selectedIndex();
  if (position < 0) {
    SetCourseCommandsEnabled(false);
    return;
  }
  const std::string name = 组合框1.text();
  if (name == ctx_.openedCourseName) return;

  auto db = ctx_.db();
  auto& engine = ctx_.engine;
  if (!ctx_.openedCourseName.empty()) {
    const std::string full = db.FullPathOf(ctx_.openedCourseName);
    if (engine.IsOpen(full)) engine.Close(full);
  }
  if (!ctx_.Show(databases::OpenCourseLibrary(db))) return;
  // Reading the record leaves it current, for opening the bank with its
  // password later.
  const auto course = databases::CourseLibrary(engine).CourseAt(position);
  课程密码.setText({});
  菜单删除.setEnabled(true);
  菜单重置密码.setEnabled(true);
  按钮组卷.setEnabled(true);
  按钮题库编辑.setEnabled(true);
  ctx_.openedCourseName = name;
  课程密码.setEnabled(course && !course->passwordCipher.empty());
}

void MainWindow::OpenCourseWindow(const WindowFactory& factory, const char* caption) {
  SyncSelectedCourse();
  if (!ctx_.Show(databases::OpenCourseBank(ctx_.db(), 组合框1.text(), true, 组合框1.selectedIndex(),
                                           课程密码.text())))
    return;
  课程密码.setEnabled(false);
  std::unique_ptr<ui::Window> window;
  if (factory) window = factory(ctx_, this);
  if (!window) window = std::make_unique<PlaceholderWindow>(host(), caption);
  host().ShowModal(*window, this);
}

}  // namespace app
