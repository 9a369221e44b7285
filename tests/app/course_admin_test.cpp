#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "databases/password_cipher.h"
#include "support.h"
#include "text/text.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using testing::AppTest;
using testing::CourseSpec;
using testing::MakeInstallation;
using Strings = std::vector<std::string>;

constexpr const char* kTooLongPassword = "密码太长，最多 28 个字节（一个汉字算 2 个字节），请换一个密码！";
constexpr const char* kCutPassword = "这个密码加密后无法完整保存，请换一个密码！";

// A password whose cipher text holds a zero byte, so that a text field
// keeps only the part before it.
std::string PasswordWithZeroInCipher() {
  for (int i = 0; i < 100000; ++i) {
    const std::string candidate = "p" + std::to_string(i);
    if (!databases::PasswordFitsCipherField(candidate)) return candidate;
  }
  return {};
}

class CourseAdminTest : public AppTest {
 protected:
  // An installation with the administrator "王老师" / "admin".
  void StartWith(const std::vector<CourseSpec>& courses) {
    MakeInstallation(dir.path(), "王老师", "admin", courses);
    ASSERT_EQ(Start(), std::nullopt);
    host.ClearRecords();
  }
  // 课程(&P) -> 添加(&A) with the administrator password typed.
  void AddCourseAs(const std::string& adminPassword, std::function<void(AdminDialog&)> play) {
    host.AnswerInput(adminPassword);
    OnDialog("添加课程", std::move(play));
    main->菜单添加.Choose();
  }
  void ResetPasswordAs(const std::string& adminPassword, std::function<void(AdminDialog&)> play) {
    host.AnswerInput(adminPassword);
    OnDialog("重置课程密码", std::move(play));
    main->菜单重置密码.Choose();
  }
  // Presses 组卷 for the course at `position` with `password` typed; true
  // when the compose window showed.
  bool OpenCompose(int position, const std::string& password) {
    bool shown = false;
    host.onShow("组卷", [&](ui::Window&) { shown = true; });
    main->组合框1.Choose(position);
    if (main->课程密码.enabled()) main->课程密码.ReplaceText(password);
    main->按钮组卷.Click();
    return shown;
  }
  bool Protected(const std::string& course) {
    return engine->IsPasswordProtected(engine->ResolvePath(dir / course));
  }
};

// ---- Adding ---------------------------------------------------------------------

TEST_F(CourseAdminTest, AddingACourseWithAndWithoutPasswordCreatesItsBankAndRecord) {
  StartWith({});
  Strings labels;
  AddCourseAs("admin", [&](AdminDialog& d) {
    EXPECT_EQ(d.caption(), "添加课程");
    EXPECT_EQ(d.owner(), main.get());
    labels = {d.标签1.text(), d.标签2.text(), d.标签3.text()};
    EXPECT_FALSE(d.新课程.passwordInput());
    FillAndConfirm(d, " 物理　", "p1", "p1");
    EXPECT_FALSE(d.isOpen());
  });
  ASSERT_EQ(host.inputs().size(), 1u);
  EXPECT_EQ(host.inputs()[0].caption, "请输入：");
  EXPECT_EQ(host.inputs()[0].prompt, "请输入管理员密码：");
  EXPECT_TRUE(host.inputs()[0].masked);
  EXPECT_EQ(labels, (Strings{"课程名称：", "课程密码：", "课程密码复核："}));

  host.AnswerMessage(ui::kButtonOk, "您确定要将密码设置为空吗？");
  AddCourseAs("admin", [&](AdminDialog& d) { FillAndConfirm(d, "化学", "", ""); });
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "您确定要将密码设置为空吗？");
  EXPECT_EQ(host.messages()[0].buttons, ui::MessageButtons::OkCancel);
  EXPECT_EQ(host.messages()[0].caption, "信息：");

  EXPECT_EQ(main->组合框1.items(), (Strings{"物理", "化学"}));
  EXPECT_EQ(main->组合框1.selectedIndex(), -1);
  EXPECT_EQ(Magic("物理.edb"), "WCDB");
  EXPECT_EQ(Magic("化学.edb"), "WEDB");
  EXPECT_TRUE(Exists("物理.edt"));
  EXPECT_TRUE(Exists("化学.edt"));

  host.ClearRecords();
  EXPECT_FALSE(OpenCompose(0, "p2"));
  EXPECT_TRUE(OpenCompose(0, "p1"));
  EXPECT_TRUE(OpenCompose(1, ""));
  EXPECT_EQ(Messages(), Strings{"课程密码错误！"});

  const auto records = CourseLibraryRecords();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].first, "物理");
  EXPECT_EQ(databases::DecipherPassword(records[1].second), "p1");
  EXPECT_EQ(records[2].first, "化学");
  EXPECT_EQ(records[2].second, "");
}

TEST_F(CourseAdminTest, AddingAskForTheAdministratorPasswordFirst) {
  StartWith({});
  host.AnswerInput(std::nullopt);
  main->菜单添加.Choose();
  host.AnswerInput("Admin");
  main->菜单添加.Choose();
  host.AnswerInput("");
  main->菜单添加.Choose();
  EXPECT_EQ(Messages(), (Strings{"管理员密码错误！", "管理员密码错误！"}));
  EXPECT_TRUE(ModalWindows().empty());
}

TEST_F(CourseAdminTest, AddCourseDialogRefusesEachBadEntryAndStaysOpen) {
  StartWith({{"物理", ""}});
  struct Case {
    std::string name, password, again;
    std::string message;
    int answer = -1;  // to the question, when one is asked
  };
  const std::vector<Case> cases = {
      {"", "a", "a", "课程名称不能为空 ！"},
      {"　 ", "a", "a", "课程名称不能为空 ！"},
      {" 物理 ", "a", "a", "已经存在课程 物理 ！"},
      {"化学", "a", "b", "课程密码复核错误！"},
      {"化学", "", "", "您确定要将密码设置为空吗？", ui::kButtonCancel},
      {"化学", std::string(29, 'x'), std::string(29, 'x'), kTooLongPassword},
      {"一二三四五六七八九十壹", "a", "a", "课程名称太长，最多 20 个字节（一个汉字算 2 个字节）！"},
      {"a/b", "a", "a", "课程名称不能含有下列字符：/ \\ : * ? \" < > |"},
      {"a\\b", "a", "a", "课程名称不能含有下列字符：/ \\ : * ? \" < > |"},
      {"a:b", "a", "a", "课程名称不能含有下列字符：/ \\ : * ? \" < > |"},
      {"a*b?", "a", "a", "课程名称不能含有下列字符：/ \\ : * ? \" < > |"},
      {"\"a\"", "a", "a", "课程名称不能含有下列字符：/ \\ : * ? \" < > |"},
      {"<a>|", "a", "a", "课程名称不能含有下列字符：/ \\ : * ? \" < > |"},
      {".", "a", "a", "课程名称不能是 . 或 .. ！"},
      {"..", "a", "a", "课程名称不能是 . 或 .. ！"},
      {"a\tb", "a", "a", "课程名称不能含有控制字符！"},
      {"课程库", "a", "a", "“课程库”是系统数据库的名称，不能用作课程名称！"},
  };
  AddCourseAs("admin", [&](AdminDialog& d) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name + " / " + c.password);
      host.ClearRecords();
      if (c.answer >= 0) host.AnswerMessage(c.answer);
      FillAndConfirm(d, c.name, c.password, c.again);
      EXPECT_EQ(Messages(), Strings{c.message});
      EXPECT_TRUE(d.isOpen());
      EXPECT_EQ(d.新课程.text(), c.name);
    }
    d.取消.Click();
  });
  EXPECT_EQ(main->组合框1.items(), Strings{"物理"});
  EXPECT_EQ(CourseLibraryRecords().size(), 2u);
  EXPECT_FALSE(Exists("化学.edb"));
}

TEST_F(CourseAdminTest, AddingOverALeftoverBankFileAsksBeforeOverwriting) {
  StartWith({});
  std::ofstream(dir / "化学.edb") << "left over";
  host.AnswerMessage(ui::kButtonNo, "是否覆盖");
  AddCourseAs("admin", [&](AdminDialog& d) {
    FillAndConfirm(d, "化学", "c", "c");
    EXPECT_TRUE(d.isOpen());
    host.AnswerMessage(ui::kButtonYes, "是否覆盖");
    FillAndConfirm(d, "化学", "c", "c");
    EXPECT_FALSE(d.isOpen());
  });
  EXPECT_EQ(Messages(), (Strings{"已经存在 化学.edb 是否覆盖？", "已经存在 化学.edb 是否覆盖？"}));
  EXPECT_EQ(Magic("化学.edb"), "WCDB");
  EXPECT_EQ(main->组合框1.items(), Strings{"化学"});
}

// ---- Deleting -------------------------------------------------------------------

TEST_F(CourseAdminTest, ANonEmptyCourseCannotBeDeleted) {
  StartWith({{"语文", "y", 2}});
  main->组合框1.Choose(0);
  main->菜单删除.Choose();
  EXPECT_EQ(Messages(), Strings{"语文 题库不为空，不能删除！"});
  EXPECT_TRUE(Exists("语文.edb"));
  EXPECT_FALSE(IsOpen("语文"));
  EXPECT_EQ(main->组合框1.items(), Strings{"语文"});
}

TEST_F(CourseAdminTest, DeletingAnEmptyCourseAsksThenRemovesItsFilesAndRecord) {
  StartWith({{"语文", ""}, {"数学", "m"}, {"英语", "e"}});
  std::ofstream(dir / "数学.enx") << "index";
  main->组合框1.Choose(1);

  host.AnswerMessage(ui::kButtonCancel);
  main->菜单删除.Choose();
  EXPECT_TRUE(Exists("数学.edb"));
  // Opened without its password to count the questions: not left unlocked.
  EXPECT_FALSE(IsOpen("数学"));
  EXPECT_TRUE(main->课程密码.enabled());

  host.AnswerMessage(ui::kButtonOk);
  main->菜单删除.Choose();
  ASSERT_EQ(host.messages().size(), 2u);
  for (const auto& m : host.messages()) {
    EXPECT_EQ(m.text, "确定要删除 数学 题库吗？");
    EXPECT_EQ(m.buttons, ui::MessageButtons::OkCancel);
  }
  for (const char* file : {"数学.edb", "数学.edt", "数学.enx"}) {
    SCOPED_TRACE(file);
    EXPECT_FALSE(Exists(file));
  }
  EXPECT_EQ(main->组合框1.items(), (Strings{"语文", "英语"}));
  EXPECT_EQ(main->组合框1.selectedIndex(), -1);
  EXPECT_FALSE(main->菜单删除.enabled());
  // 英语 moved up to position 1 with its own password.
  host.ClearRecords();
  EXPECT_TRUE(OpenCompose(1, "e"));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CourseAdminTest, DeletingACourseWhoseBankVanishedRemovesItsRecord) {
  StartWith({{"语文", ""}, {"数学", ""}});
  fs::remove(dir / "语文.edb");
  fs::remove(dir / "语文.edt");
  main->组合框1.Choose(0);
  host.AnswerMessage(ui::kButtonOk, "确定要删除");
  main->菜单删除.Choose();
  EXPECT_EQ(Messages(), (Strings{"语文.edb不存在！", "确定要删除 语文 题库吗？"}));
  EXPECT_EQ(main->组合框1.items(), Strings{"数学"});
}

TEST_F(CourseAdminTest, ABankThatExistsButCannotBeOpenedIsNotDeletedUnseen) {
  StartWith({{"语文", ""}});
  std::ofstream(dir / "语文.edb", std::ios::trunc) << "not a database, but maybe someone's work";
  main->组合框1.Choose(0);
  main->菜单删除.Choose();
  const auto messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].rfind("打开 语文 题库错误！", 0), 0u);
  EXPECT_EQ(messages[1], "语文 题库打开失败，无法确认其为空，不能删除！");
  EXPECT_TRUE(Exists("语文.edb"));
  EXPECT_EQ(main->组合框1.items(), Strings{"语文"});
}

TEST_F(CourseAdminTest, DeleteAndResetWithoutASelectedCourseAskToChooseOne) {
  StartWith({{"语文", ""}});
  DeleteCourseCommand(*main);
  ResetCoursePasswordCommand(*main);
  EXPECT_EQ(Messages(), (Strings{"请选择课程！", "请选择课程！"}));
  EXPECT_TRUE(host.inputs().empty());
}

// ---- Resetting a course password ------------------------------------------------

TEST_F(CourseAdminTest, ResettingAPasswordToEmptyUnprotectsTheBank) {
  StartWith({{"语文", ""}, {"英语", "old"}});
  main->组合框1.Choose(1);
  EXPECT_TRUE(Protected("英语"));
  ResetPasswordAs("admin", [&](AdminDialog& d) {
    EXPECT_EQ((Strings{d.标签1.text(), d.标签2.text(), d.标签3.text()}),
              (Strings{"课程名称：", "课程密码：", "课程密码复核："}));
    EXPECT_EQ(d.新课程.text(), "英语");
    EXPECT_TRUE(d.新课程.readOnly());
    FillAndConfirm(d, "", "x", "y");
    host.AnswerMessage(ui::kButtonCancel);
    FillAndConfirm(d, "", "", "");
    EXPECT_TRUE(d.isOpen());
    host.AnswerMessage(ui::kButtonOk);
    FillAndConfirm(d, "", "", "");
    EXPECT_FALSE(d.isOpen());
  });
  EXPECT_EQ(Messages(), (Strings{"课程密码复核错误 ！", "您确定要将密码设置为空吗？", "您确定要将密码设置为空吗？"}));
  EXPECT_FALSE(main->课程密码.enabled());
  EXPECT_FALSE(Protected("英语"));
  EXPECT_EQ(engine->CurrentName(), "课程库");
  EXPECT_EQ(engine->RecordNumber(), 3);

  host.ClearRecords();
  EXPECT_TRUE(OpenCompose(1, ""));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(CourseLibraryRecords()[2], (std::pair<std::string, std::string>{"英语", ""}));
}

TEST_F(CourseAdminTest, ResettingAPasswordReplacesTheOldOneEvenWhileTheCourseIsUnlocked) {
  StartWith({{"英语", "old"}});
  ASSERT_TRUE(OpenCompose(0, "old"));
  ResetPasswordAs("admin", [&](AdminDialog& d) { FillAndConfirm(d, "", "新密码", "新密码"); });
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(IsOpen("英语"));
  EXPECT_TRUE(main->课程密码.enabled());
  EXPECT_TRUE(main->课程密码.text().empty());

  main->课程密码.ReplaceText("old");
  main->按钮组卷.Click();
  EXPECT_EQ(Messages(), Strings{"课程密码错误！"});
  EXPECT_TRUE(OpenCompose(0, "新密码"));
  EXPECT_EQ(databases::DecipherPassword(CourseLibraryRecords()[1].second), "新密码");
}

TEST_F(CourseAdminTest, ResettingNeedsTheAdministratorPasswordAndAPasswordThatCanBeStored) {
  StartWith({{"英语", "old"}});
  main->组合框1.Choose(0);
  host.AnswerInput(std::nullopt);
  main->菜单重置密码.Choose();
  host.AnswerInput("wrong");
  main->菜单重置密码.Choose();
  EXPECT_EQ(Messages(), Strings{"管理员密码错误！"});
  EXPECT_TRUE(ModalWindows().empty());
  EXPECT_EQ(engine->CurrentName(), "课程库");
  EXPECT_EQ(engine->RecordNumber(), 2);

  host.ClearRecords();
  const std::string cut = PasswordWithZeroInCipher();
  ResetPasswordAs("admin", [&](AdminDialog& d) {
    FillAndConfirm(d, "", std::string(29, 'x'), std::string(29, 'x'));
    FillAndConfirm(d, "", cut, cut);
    EXPECT_TRUE(d.isOpen());
    d.取消.Click();
  });
  EXPECT_EQ(Messages(), (Strings{kTooLongPassword, kCutPassword}));
  EXPECT_TRUE(OpenCompose(0, "old"));
}

// ---- The administrator ----------------------------------------------------------

TEST_F(CourseAdminTest, ChangingTheAdministratorNameChecksThePasswordAndTheNewName) {
  StartWith({});
  OnDialog("修改管理员姓名", [&](AdminDialog& d) {
    EXPECT_EQ((Strings{d.标签1.text(), d.标签2.text(), d.标签3.text()}),
              (Strings{"原姓名：", "原密码：", "新姓名："}));
    EXPECT_EQ(d.新课程.text(), "王老师");
    EXPECT_TRUE(d.新课程.readOnly());
    EXPECT_TRUE(d.课程密码.passwordInput());
    EXPECT_FALSE(d.课程密码1.passwordInput());
    FillAndConfirm(d, "", "Admin", "李老师");
    FillAndConfirm(d, "", "", "李老师");
    FillAndConfirm(d, "", "admin", "");
    FillAndConfirm(d, "", "admin", "一二三四五六七八九十壹");
    EXPECT_TRUE(d.isOpen());
    FillAndConfirm(d, "", "admin", " 李老师");
    EXPECT_FALSE(d.isOpen());
  });
  main->菜单修改姓名.Choose();
  EXPECT_EQ(Messages(), (Strings{"管理员密码错误！", "管理员密码错误！", "管理员姓名不能为空！",
                                 "管理员姓名太长，最多 20 个字节（一个汉字算 2 个字节）！"}));
  const auto records = CourseLibraryRecords();
  EXPECT_EQ(records[0].first, " 李老师");  // taken as typed
  EXPECT_EQ(databases::DecipherPassword(records[0].second), "admin");
}

TEST_F(CourseAdminTest, ChangingTheAdministratorPasswordChecksTheOldAndTheNewOnes) {
  StartWith({});
  const std::string cut = PasswordWithZeroInCipher();
  ASSERT_FALSE(cut.empty());
  OnDialog("修改管理员密码", [&](AdminDialog& d) {
    EXPECT_EQ((Strings{d.标签1.text(), d.标签2.text(), d.标签3.text()}),
              (Strings{"旧密码：", "新密码：", "新密码复核："}));
    EXPECT_TRUE(d.新课程.passwordInput());
    EXPECT_FALSE(d.新课程.readOnly());
    FillAndConfirm(d, "admin2", "new", "new");
    FillAndConfirm(d, "admin", "new", "neu");
    FillAndConfirm(d, "admin", "", "");
    FillAndConfirm(d, "admin", std::string(29, 'x'), std::string(29, 'x'));
    FillAndConfirm(d, "admin", cut, cut);
    EXPECT_TRUE(d.isOpen());
    FillAndConfirm(d, "admin", "new", "new");
    EXPECT_FALSE(d.isOpen());
  });
  main->菜单修改密码.Choose();
  EXPECT_EQ(Messages(), (Strings{"旧密码错误！", "新密码复核错误！", "新密码不能为空！", kTooLongPassword,
                                 kCutPassword}));

  host.ClearRecords();
  host.AnswerInput("admin");
  main->菜单添加.Choose();
  AddCourseAs("new", [](AdminDialog& d) { d.取消.Click(); });
  EXPECT_EQ(Messages(), Strings{"管理员密码错误！"});
  EXPECT_EQ(ModalWindows(), Strings{"添加课程"});
}

TEST_F(CourseAdminTest, FirstRunRefusesAnAdministratorPasswordThatCannotBeStoredWhole) {
  const std::string cut = PasswordWithZeroInCipher();
  OnDialog("设置管理员姓名密码", [&](AdminDialog& d) {
    FillAndConfirm(d, "王老师", cut, cut);
    FillAndConfirm(d, "王老师", std::string(29, 'x'), std::string(29, 'x'));
    FillAndConfirm(d, "王老师", std::string(28, 'x'), std::string(28, 'x'));
  });
  ASSERT_EQ(Start(), std::nullopt);
  EXPECT_EQ(Messages(), (Strings{kCutPassword, kTooLongPassword}));
  EXPECT_EQ(databases::DecipherPassword(CourseLibraryRecords()[0].second), std::string(28, 'x'));
}

TEST_F(CourseAdminTest, AnAdministratorPasswordStoredCutShortStillOpensOnlyForThatPassword) {
  // Written by an older program: the cipher text cut at its zero byte, or
  // at the field width for a password too long for it.
  const std::string zeroInCipher = PasswordWithZeroInCipher();
  ASSERT_FALSE(zeroInCipher.empty());
  const std::string tooLong(30, 'q');
  struct Stored {
    std::string password, text;
  };
  const std::vector<Stored> forms = {
      {zeroInCipher, databases::EncipherPassword(zeroInCipher)},
      {tooLong, text::ToUtf8(databases::EncipherPasswordBytes(tooLong).substr(0, 32))},
  };
  StartWith({{"英语", "e"}});
  for (const Stored& form : forms) {
    SCOPED_TRACE("administrator \"" + form.password + "\"");
    {
      engine->CloseAll();
      recfile::RecordFileEngine writer;
      ASSERT_TRUE(writer.Open(dir / "课程库"));
      writer.GoTo(1);
      ASSERT_TRUE(writer.WriteField(databases::kCoursePasswordField, recfile::Value(form.text)));
      ASSERT_EQ(databases::DecipherPassword(writer.ReadText(databases::kCoursePasswordField)), "");
    }
    ASSERT_EQ(Start(), std::nullopt);

    struct Case {
      std::string typed;
      bool admitted;
    };
    for (const Case& c : {Case{"", false}, Case{"x", false}, Case{form.password, true}}) {
      SCOPED_TRACE("typed \"" + c.typed + "\"");
      host.ClearRecords();
      AddCourseAs(c.typed, [](AdminDialog& d) { d.取消.Click(); });
      EXPECT_EQ(ModalWindows().size(), c.admitted ? 1u : 0u);
      EXPECT_EQ(Messages().size(), c.admitted ? 0u : 1u);
    }
    host.ClearRecords();
    main->组合框1.Choose(0);
    ResetPasswordAs(form.password, [](AdminDialog& d) { d.取消.Click(); });
    EXPECT_EQ(ModalWindows(), Strings{"重置课程密码"});
    host.ClearRecords();
    OnDialog("修改管理员姓名", [&](AdminDialog& d) { FillAndConfirm(d, "", form.password, "李老师"); });
    main->菜单修改姓名.Choose();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(CourseLibraryRecords()[0].first, "李老师");
  }
}

}  // namespace
}  // namespace app
