#include "app/course_admin.h"

#include "app/main_window.h"
#include "databases/course_bank.h"
#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "text/text.h"
#include "ui/host.h"
#include "ui/layout.h"

namespace app {

namespace {

constexpr const char* kAdministratorNameTooLong =
    "管理员姓名太长，最多 20 个字节（一个汉字算 2 个字节）！";
constexpr const char* kNameCharacters = "/\\:*?\"<>|";
constexpr const char* kNameCharactersMessage = "课程名称不能含有下列字符：/ \\ : * ? \" < > |";

}  // namespace

// ---------------------------------------------------------------------------

std::string NewCourseNameProblem(const std::string& name) {
  if (name.empty()) return "课程名称不能为空 ！";
  if (name.find_first_of(kNameCharacters) != std::string::npos) return kNameCharactersMessage;
  if (name == "." || name == "..") return "课程名称不能是 . 或 .. ！";
  return databases::CourseNameProblem(name);
}

std::optional<std::string> AskAdministratorPassword(ui::Host& host, const ui::Window* owner) {
  return host.InputBox(owner, "请输入管理员密码：", "请输入：", {}, true);
}

void ShowAdminDialog(MainWindow& main, const std::string& mode) {
  AppContext& ctx = main.context();
  ctx.adminDialogMode = mode;
  AdminDialog dialog(ctx, main);
  ctx.host.ShowModal(dialog, &main);
}

void AddCourseCommand(MainWindow& main) {
  AppContext& ctx = main.context();
  auto db = ctx.db();
  if (!ctx.Show(databases::OpenCourseLibrary(db))) return;
  const auto typed = AskAdministratorPassword(ctx.host, &main);
  if (!typed) return;
  if (!ctx.Show(databases::OpenCourseLibrary(db))) return;
  if (databases::CourseLibrary(ctx.engine).AdministratorPasswordIs(*typed)) {
    ShowAdminDialog(main, kModeAddCourse);
  } else {
    ctx.host.Message(&main, "管理员密码错误！");
  }
}

void DeleteCourseCommand(MainWindow& main) {
  AppContext& ctx = main.context();
  auto db = ctx.db();
  auto& engine = ctx.engine;
  const std::string name = main.组合框1.text();
  const int position = main.组合框1.selectedIndex();
  if (name.empty()) {
    ctx.host.Message(&main, "请选择课程！");
    return;
  }
  // The bank is opened with the password of the course's own record.
  if (!ctx.Show(databases::OpenCourseLibrary(db))) return;
  const std::string full = db.FullPathOf(name);
  const bool wasOpen = engine.IsOpen(full);
  const bool opened = ctx.Show(databases::OpenCourseBank(db, name, false, position));
  if (opened && engine.RecordCount() > 0) {
    ctx.host.Message(&main, name + " 题库不为空，不能删除！");
    engine.Close(full);
    return;
  }
  // A bank that exists but cannot be opened (damaged, held by another
  // program) may hold questions: it is not deleted unseen.
  if (!opened && databases::CourseBankExists(db, name)) {
    ctx.host.Message(&main, name + " 题库打开失败，无法确认其为空，不能删除！");
    return;
  }
  if (ctx.host.MessageBox(&main, "确定要删除 " + name + " 题库吗？", ui::kMessageCaption,
                          ui::MessageButtons::OkCancel) != ui::kButtonOk) {
    // Opened here without its password: it must not stay unlocked.
    if (opened && !wasOpen && engine.IsOpen(full)) engine.Close(full);
    return;
  }
  ctx.Show(databases::RemoveCourse(db, name, position));
  main.LoadCourseList();
}

void ResetCoursePasswordCommand(MainWindow& main) {
  AppContext& ctx = main.context();
  auto db = ctx.db();
  const int position = main.组合框1.selectedIndex();
  if (position < 0) {
    ctx.host.Message(&main, "请选择课程！");
    return;
  }
  const auto typed = AskAdministratorPassword(ctx.host, &main);
  if (!typed) return;
  if (!ctx.Show(databases::OpenCourseLibrary(db))) return;
  databases::CourseLibrary library(ctx.engine);
  if (library.AdministratorPasswordIs(*typed)) {
    ShowAdminDialog(main, kModeResetCoursePassword);
  } else {
    ctx.host.Message(&main, "管理员密码错误！");
  }
  // The selected course's record stays current, as selecting it left it.
  if (!ctx.Show(databases::OpenCourseLibrary(db))) return;
  library.CourseAt(position);
}

// ---------------------------------------------------------------------------

AdminDialog::AdminDialog(AppContext& ctx, MainWindow& main)
    : ui::Window(ctx.host, ctx.adminDialogMode.empty() ? kModeSetAdministrator : ctx.adminDialogMode,
                 187, 216),
      标签1(*this, "标签1"),
      新课程(*this, "新课程"),
      标签2(*this, "标签2"),
      课程密码(*this, "课程密码"),
      标签3(*this, "标签3"),
      课程密码1(*this, "课程密码1"),
      确定(*this, "确定", "确定"),
      取消(*this, "取消", "取消"),
      ctx_(ctx),
      main_(main) {
  标签1.setGeometry({14, 10, 160, 18});
  新课程.setGeometry({14, 30, 160, 22});
  标签2.setGeometry({14, 60, 160, 18});
  课程密码.setGeometry({14, 80, 160, 22});
  课程密码.setPasswordInput(true);
  标签3.setGeometry({14, 110, 160, 18});
  课程密码1.setGeometry({14, 130, 160, 22});
  课程密码1.setPasswordInput(true);
  确定.setGeometry({14, 170, 72, 28});
  取消.setGeometry({102, 170, 72, 28});

  namespace L = ui::layout;
  setLayout(L::column({
      L::unit(标签1),
      L::unit(新课程),
      L::unit(标签2),
      L::unit(课程密码),
      L::unit(标签3),
      L::unit(课程密码1),
      L::stretch(1),
      L::row({L::unit(确定, 1), L::spacing(12), L::unit(取消, 1)}),
  }));

  onCreated = [this] { Created(); };
  onDestroyed = [this] { Destroyed(); };
  确定.onClick = [this] { Confirm(); };
  取消.onClick = [this] { Close(); };
}

void AdminDialog::Created() {
  mode_ = ctx_.adminDialogMode;
  setCaption(mode_);
  if (mode_ == kModeSetAdministrator) {
    标签1.setText("管理员姓名：");
    标签2.setText("管理员密码：");
    标签3.setText("管理员密码复核：");
  } else if (mode_ == kModeAddCourse) {
    标签1.setText("课程名称：");
    标签2.setText("课程密码：");
    标签3.setText("课程密码复核：");
  } else if (mode_ == kModeResetCoursePassword) {
    标签1.setText("课程名称：");
    标签2.setText("课程密码：");
    标签3.setText("课程密码复核：");
    新课程.setText(ctx_.selectedCourse.name);
    新课程.setReadOnly(true);
  } else if (mode_ == kModeChangeAdministratorName) {
    标签1.setText("原姓名：");
    标签2.setText("原密码：");
    标签3.setText("新姓名：");
    if (const auto admin = Administrator()) 新课程.setText(admin->name);
    新课程.setReadOnly(true);
    课程密码1.setPasswordInput(false);
  } else if (mode_ == kModeChangeAdministratorPassword) {
    标签1.setText("旧密码：");
    标签2.setText("新密码：");
    标签3.setText("新密码复核：");
    新课程.setPasswordInput(true);
  }
}

void AdminDialog::Destroyed() {
  if (mode_ != kModeSetAdministrator) return;
  // Without an administrator nobody could ever add a course.
  if (ctx_.Show(databases::OpenCourseLibrary(ctx_.db())) && ctx_.engine.RecordCount() == 0)
    host().ExitProgram(0);
}

void AdminDialog::Say(const std::string& text) { host().Message(this, text); }

bool AdminDialog::AskOkCancel(const std::string& text) {
  return host().MessageBox(this, text, ui::kMessageCaption, ui::MessageButtons::OkCancel) ==
         ui::kButtonOk;
}

std::optional<databases::CourseRecord> AdminDialog::Administrator() {
  if (!ctx_.Show(databases::OpenCourseLibrary(ctx_.db()))) return std::nullopt;
  return databases::CourseLibrary(ctx_.engine).Administrator();
}

void AdminDialog::Confirm() {
  if (mode_ == kModeSetAdministrator) {
    ConfirmSetAdministrator();
  } else if (mode_ == kModeAddCourse) {
    ConfirmAddCourse();
  } else if (mode_ == kModeResetCoursePassword) {
    ConfirmResetCoursePassword();
  } else if (mode_ == kModeChangeAdministratorName) {
    ConfirmChangeAdministratorName();
  } else if (mode_ == kModeChangeAdministratorPassword) {
    ConfirmChangeAdministratorPassword();
  }
}

void AdminDialog::ConfirmSetAdministrator() {
  const std::string name = text::TrimSpaces(新课程.text());
  const std::string& password = 课程密码.text();
  if (name.empty()) return Say("管理员姓名不能为空！");
  if (text::GbkLength(name) > kMaxNameBytes) return Say(kAdministratorNameTooLong);
  if (password.empty()) return Say("管理员密码不能为空！");
  if (password != 课程密码1.text()) return Say("管理员密码复核错误！");
  if (std::string why; !databases::PasswordFitsCipherField(password, &why)) return Say(why);

  if (!ctx_.Show(databases::OpenCourseLibrary(ctx_.db()))) return;
  databases::CourseLibrary library(ctx_.engine);
  if (!library.AddAdministrator(name, password)) return Say("保存管理员失败！" + library.lastError().message);
  Close();
}

void AdminDialog::ConfirmAddCourse() {
  const std::string name = text::TrimSpaces(新课程.text());
  const std::string& password = 课程密码.text();
  if (const auto problem = NewCourseNameProblem(name); !problem.empty()) return Say(problem);

  auto db = ctx_.db();
  if (!ctx_.Show(databases::OpenCourseLibrary(db))) return;
  if (databases::CourseLibrary(ctx_.engine).FindCourse(name)) return Say("已经存在课程 " + name + " ！");
  if (password != 课程密码1.text()) return Say("课程密码复核错误！");
  if (password.empty() && !AskOkCancel("您确定要将密码设置为空吗？")) return;

  // A password that does not fit is refused before the question about an
  // existing bank, and before anything is written.
  if (!ctx_.Show(databases::CheckNewCourse(name, password))) return;
  const bool exists = databases::CourseBankExists(db, name);
  if (exists && ctx_.host.MessageBox(ctx_.mainWindow, "已经存在 " + name + ".edb 是否覆盖？",
                                     ui::kMessageCaption, ui::MessageButtons::YesNo,
                                     ui::MessageIcon::Question) != ui::kButtonYes)
    return;
  const auto existing = exists ? databases::ExistingBank::Replace : databases::ExistingBank::Keep;
  if (!ctx_.Show(databases::CreateCourseBank(db, name, password, existing))) return;
  main_.LoadCourseList();
  Close();
}

void AdminDialog::ConfirmResetCoursePassword() {
  const std::string& password = 课程密码.text();
  if (password != 课程密码1.text()) return Say("课程密码复核错误 ！");
  if (std::string why; !databases::PasswordFitsCipherField(password, &why)) return Say(why);
  if (password.empty() && !AskOkCancel("您确定要将密码设置为空吗？")) return;

  auto& engine = ctx_.engine;
  auto db = ctx_.db();
  const int position = ctx_.selectedCourse.position;
  databases::CourseLibrary library(engine);
  const auto course =
      ctx_.Show(databases::OpenCourseLibrary(db)) ? library.CourseAt(position) : std::nullopt;
  if (course && ctx_.Show(databases::OpenCourseBank(db, course->name, false, position))) {
    const std::string bank = db.FullPathOf(course->name);
    const std::string oldPassword = databases::DecipherPasswordBytes(course->passwordCipher);
    if (library.SetCoursePassword(position, bank, password, text::ToUtf8(oldPassword))) {
      engine.Close(bank);
      main_.课程密码.setEnabled(!password.empty());
      main_.课程密码.setText({});
      engine.SetCurrent(db.FullPathOf(databases::kCourseLibrary));
    } else {
      engine.Close(bank);
      Say("重置课程 " + course->name + " 的密码失败！" + library.lastError().message);
    }
  }
  Close();
}

void AdminDialog::ConfirmChangeAdministratorName() {
  const auto admin = Administrator();
  if (!admin) return;
  if (!databases::PasswordMatchesCipher(admin->passwordCipher, 课程密码.text())) return Say("管理员密码错误！");
  const std::string name = 课程密码1.text();
  if (name.empty()) return Say("管理员姓名不能为空！");
  if (text::GbkLength(name) > kMaxNameBytes) return Say(kAdministratorNameTooLong);
  databases::CourseLibrary library(ctx_.engine);
  if (!library.RenameAdministrator(name)) return Say("修改管理员姓名失败！" + library.lastError().message);
  Close();
}

void AdminDialog::ConfirmChangeAdministratorPassword() {
  const auto admin = Administrator();
  if (!admin) return;
  if (!databases::PasswordMatchesCipher(admin->passwordCipher, 新课程.text())) return Say("旧密码错误！");
  const std::string& password = 课程密码.text();
  if (password != 课程密码1.text()) return Say("新密码复核错误！");
  if (password.empty()) return Say("新密码不能为空！");
  if (std::string why; !databases::PasswordFitsCipherField(password, &why)) return Say(why);
  databases::CourseLibrary library(ctx_.engine);
  if (!library.SetAdministratorPassword(password))
    return Say("修改管理员密码失败！" + library.lastError().message);
  Close();
}

}  // namespace app
