#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/info_windows.h"
#include "support.h"
#include "text/text.h"

namespace app {
namespace {

using testing::AppTest;
using testing::CourseSpec;
using testing::MakeInstallation;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

// What the person can use on the main window.
struct Enabled {
  bool list, password, editor, compose, remove, reset;
  bool operator==(const Enabled&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Enabled& e) {
  return os << "list " << e.list << " password " << e.password << " editor " << e.editor
            << " compose " << e.compose << " delete " << e.remove << " reset " << e.reset;
}
Enabled EnabledOn(MainWindow& w) {
  return {w.组合框1.enabled(), w.课程密码.enabled(), w.按钮题库编辑.enabled(),
          w.按钮组卷.enabled(), w.菜单删除.enabled(),  w.菜单重置密码.enabled()};
}
constexpr Enabled kNoCourse{true, false, false, false, false, false};
constexpr Enabled kCourseWithoutPassword{true, false, true, true, true, true};
constexpr Enabled kCourseWithPassword{true, true, true, true, true, true};
constexpr Enabled kCourseUnlocked{true, false, true, true, true, true};

std::vector<std::string> TypeNames(const std::string& dir) {
  recfile::RecordFileEngine reader;
  std::vector<std::string> names;
  if (!reader.Open(dir + "/题型库")) return names;
  for (std::int64_t i = 1; i <= reader.RecordCount(); ++i) {
    reader.GoTo(i);
    names.push_back(reader.ReadText("题型"));
  }
  return names;
}

// ---- Start-up ---------------------------------------------------------------

TEST_F(AppTest, FirstRunChecksEachAdministratorEntryThenCreatesBothLibraries) {
  Strings labels;
  OnDialog("设置管理员姓名密码", [&](AdminDialog& d) {
    EXPECT_TRUE(d.modal());
    EXPECT_EQ(d.owner(), main.get());
    EXPECT_EQ(d.caption(), "设置管理员姓名密码");
    EXPECT_EQ(d.designWidth(), 187);
    EXPECT_EQ(d.designHeight(), 216);
    labels = {d.标签1.text(), d.标签2.text(), d.标签3.text()};
    EXPECT_FALSE(d.新课程.passwordInput());
    EXPECT_TRUE(d.课程密码.passwordInput());
    EXPECT_TRUE(d.课程密码1.passwordInput());
    FillAndConfirm(d, " 　 ", "abc", "abc");
    FillAndConfirm(d, "　王老师 ", "", "");
    FillAndConfirm(d, "　王老师 ", "abc", "abd");
    FillAndConfirm(d, "一二三四五六七八九十壹", "abc", "abc");
    EXPECT_TRUE(d.isOpen());
    FillAndConfirm(d, "　王老师 ", "abc", "abc");
    EXPECT_FALSE(d.isOpen());
  });
  ASSERT_EQ(Start(), std::nullopt);

  EXPECT_EQ(labels, (Strings{"管理员姓名：", "管理员密码：", "管理员密码复核："}));
  EXPECT_EQ(Messages(), (Strings{"管理员姓名不能为空！", "管理员密码不能为空！", "管理员密码复核错误！",
                                 "管理员姓名太长，最多 20 个字节（一个汉字算 2 个字节）！"}));
  for (const auto& m : host.messages()) {
    EXPECT_EQ(m.caption, "信息：");
    EXPECT_EQ(m.buttons, ui::MessageButtons::Ok);
  }
  EXPECT_EQ(host.colourScheme(), 1);
  EXPECT_EQ(main->组合框1.count(), 0);
  EXPECT_EQ(EnabledOn(*main), kNoCourse);
  EXPECT_EQ(TypeNames(dir.path()), (Strings{"判断", "选择", "填空", "名词", "问答"}));
  const auto records = CourseLibraryRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].first, "王老师");
  EXPECT_EQ(databases::DecipherPassword(records[0].second), "abc");
}

TEST_F(AppTest, LeavingTheFirstRunDialogWithoutAnAdministratorEndsTheProgramEveryTime) {
  struct Case {
    const char* how;
    std::function<void(AdminDialog&)> leave;
  };
  const std::vector<Case> cases = {
      {"取消", [](AdminDialog& d) { d.取消.Click(); }},
      {"close box", [](AdminDialog& d) { d.UserClose(); }},
      {"refused entry, then closed", [](AdminDialog& d) { FillAndConfirm(d, "王老师", "a", "b"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    OnDialog("设置管理员姓名密码", c.leave);
    EXPECT_EQ(Start(), 0);
    EXPECT_TRUE(Exists("课程库.edb"));
    EXPECT_TRUE(CourseLibraryRecords().empty());
  }
  host.ClearRecords();
  OnDialog("设置管理员姓名密码", [](AdminDialog& d) { FillAndConfirm(d, "王老师", "a", "a"); });
  EXPECT_EQ(Start(), std::nullopt);
  EXPECT_EQ(ModalWindows(), Strings{"设置管理员姓名密码"});
  EXPECT_EQ(CourseLibraryRecords().size(), 1u);
}

TEST_F(AppTest, ASecondCopyOfTheSameProgramFileIsRefusedAndACopyUnderAnotherNameRuns) {
  MakeInstallation(dir.path(), "王老师", "admin", {{"高等数学", ""}});
  ASSERT_EQ(Start("mochuan"), std::nullopt);
  main->组合框1.Choose(0);

  recfile::RecordFileEngine secondEngine;
  AppContext second(secondEngine, host, dir.path());
  host.ClearRecords();
  {
    MainWindow copy(second, {"mochuan", lockDir});
    EXPECT_EQ(Run([&] { ShowMainWindow(copy); }), 0);
  }
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "程序 mochuan 已经运行！");
  EXPECT_EQ(host.messages()[0].caption, "信息：");
  EXPECT_EQ(host.colourScheme(), 1);
  // The first copy is untouched.
  EXPECT_EQ(main->组合框1.text(), "高等数学");
  EXPECT_EQ(EnabledOn(*main), kCourseWithoutPassword);

  host.ClearRecords();
  {
    MainWindow other(second, {"mochuan2", lockDir});
    EXPECT_EQ(Run([&] { ShowMainWindow(other); }), std::nullopt);
    EXPECT_EQ(other.组合框1.items(), Strings{"高等数学"});
  }
  EXPECT_TRUE(host.messages().empty());
}

// The program claims the lock before it shows anything: a second copy says
// so without a window of its own, and the first copy's window does not
// check again.
TEST_F(AppTest, TheSingleInstanceCheckComesBeforeAnyWindow) {
  MakeInstallation(dir.path(), "王老师", "admin", {{"高等数学", ""}});
  SingleInstanceLock first = ClaimSingleInstance(host, "mochuan", lockDir);
  ASSERT_TRUE(first.held());
  engine = std::make_unique<recfile::RecordFileEngine>();
  ctx = std::make_unique<AppContext>(*engine, host, dir.path());
  main = std::make_unique<MainWindow>(*ctx, MainWindowOptions{"mochuan", lockDir});
  main->AdoptInstanceLock(std::move(first));
  ASSERT_EQ(Run([&] { ShowMainWindow(*main); }), std::nullopt);
  EXPECT_TRUE(host.messages().empty());

  host.ClearRecords();
  EXPECT_EQ(Run([&] { ClaimSingleInstance(host, "mochuan", lockDir); }), 0);
  EXPECT_EQ(Messages(), Strings{"程序 mochuan 已经运行！"});
  EXPECT_TRUE(host.shownWindows().empty());
}

TEST_F(AppTest, AFixedLibraryThatCannotBeCreatedEndsTheProgram) {
  fs::create_directories(dir / "课程库.edb");  // a folder where the file belongs
  EXPECT_EQ(Start(), 0);
  EXPECT_EQ(Messages(), Strings{"创建 课程库.edb 不成功"});
}

TEST_F(AppTest, CoursesWhoseBankVanishedArePrunedAndTheLaterOnesMoveUp) {
  MakeInstallation(dir.path(), "王老师", "admin",
                   {{"语文", ""}, {"数学", "m"}, {"英语", "e"}, {"物理", ""}});
  fs::remove(dir / "数学.edb");
  fs::remove(dir / "数学.edt");
  ASSERT_EQ(Start(), std::nullopt);
  EXPECT_EQ(main->组合框1.items(), (Strings{"语文", "英语", "物理"}));
  EXPECT_EQ(main->组合框1.selectedIndex(), -1);
  const auto records = CourseLibraryRecords();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[2].first, "英语");

  // Position 1 is now record 3: the password of 英语 governs.
  host.onShow("组卷", [](ui::Window&) {});
  main->组合框1.Choose(1);
  EXPECT_EQ(EnabledOn(*main), kCourseWithPassword);
  main->课程密码.ReplaceText("e");
  main->按钮组卷.Click();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ModalWindows(), Strings{"组卷"});
}

TEST_F(AppTest, WithOnlyTheAdministratorTheListIsEmptyAndNothingOpens) {
  MakeInstallation(dir.path(), "王老师", "admin", {});
  ASSERT_EQ(Start(), std::nullopt);
  EXPECT_EQ(main->组合框1.count(), 0);
  EXPECT_EQ(EnabledOn(*main), kNoCourse);
  EXPECT_TRUE(main->菜单程序.enabled());
  EXPECT_TRUE(main->菜单添加.enabled());
  EXPECT_TRUE(main->菜单帮助.enabled());
  EXPECT_FALSE(main->按钮组卷.Click());
  EXPECT_FALSE(main->菜单删除.Choose());
  EXPECT_TRUE(ModalWindows().empty());
}

// ---- The window itself ------------------------------------------------------

TEST_F(AppTest, MainWindowHoldsTheUnitsAndMenusOfItsDesign) {
  MakeInstallation(dir.path(), "王老师", "admin", {});
  ASSERT_EQ(Start(), std::nullopt);
  EXPECT_EQ(main->caption(), "墨川题库与组卷系统 2.0");
  EXPECT_EQ(main->designWidth(), 262);
  EXPECT_EQ(main->designHeight(), 236);
  EXPECT_TRUE(main->layout().has_value());

  Strings names;
  for (const ui::Unit* u : main->units()) names.push_back(u->name());
  EXPECT_EQ(names, (Strings{"标签1", "组合框1", "标签2", "课程密码", "按钮题库编辑", "按钮组卷",
                            "编辑框行数测定"}));
  EXPECT_EQ(main->标签1.text(), "请选择课程：");
  EXPECT_EQ(main->标签2.text(), "课程密码：");
  EXPECT_EQ(main->按钮题库编辑.caption(), "题库编辑");
  EXPECT_EQ(main->按钮组卷.caption(), "组卷");
  EXPECT_EQ(main->组合框1.style(), ui::ComboBox::Style::DropDownList);
  EXPECT_TRUE(main->课程密码.passwordInput());
  EXPECT_TRUE(main->课程密码.text().empty());
  EXPECT_TRUE(main->编辑框行数测定.multiLine());
  EXPECT_FALSE(main->编辑框行数测定.visible());

  // Menu tree as captions, sub-menus in brackets.
  std::function<std::string(const ui::MenuItem&)> tree = [&](const ui::MenuItem& m) {
    std::string s = m.caption();
    if (!m.hasItems()) return s;
    s += "[";
    for (std::size_t i = 0; i < m.items().size(); ++i) s += (i ? "," : "") + tree(*m.items()[i]);
    return s + "]";
  };
  Strings menus;
  for (const ui::MenuItem* m : main->menus()) menus.push_back(tree(*m));
  EXPECT_EQ(menus, (Strings{
                       "程序(&F)[管理员(&G)[修改姓名(&N),修改密码(&M)],XP风格(&F)[蓝色(&B),绿色(&G),银色(&S)],"
                       "退出(&X)]",
                       "课程(&P)[添加(&A),删除(&S),重置密码(&R)]",
                       "帮助(&H)[说明(&E),关于(&A)]",
                   }));
}

TEST_F(AppTest, SelectingCoursesFollowsTheStateTable) {
  MakeInstallation(dir.path(), "王老师", "admin", {{"语文", ""}, {"英语", "e"}});
  ASSERT_EQ(Start(), std::nullopt);
  host.onShow("题库编辑", [](ui::Window&) {});
  EXPECT_EQ(EnabledOn(*main), kNoCourse);

  struct Step {
    const char* what;
    std::function<void()> act;
    Enabled expected;
    std::string selected;
    std::string password;  // in the password box afterwards
  };
  const std::vector<Step> steps = {
      {"course without password", [&] { main->组合框1.Choose(0); }, kCourseWithoutPassword, "语文", ""},
      {"course with password", [&] { main->组合框1.Choose(1); }, kCourseWithPassword, "英语", ""},
      {"unlocked",
       [&] {
         main->课程密码.ReplaceText("e");
         main->按钮题库编辑.Click();
       },
       kCourseUnlocked, "英语", "e"},
      {"same course again keeps it unlocked", [&] { main->组合框1.Choose(1); }, kCourseUnlocked, "英语",
       "e"},
      {"another course", [&] { main->组合框1.Choose(0); }, kCourseWithoutPassword, "语文", ""},
      {"back: locked again", [&] { main->组合框1.Choose(1); }, kCourseWithPassword, "英语", ""},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    s.act();
    EXPECT_EQ(EnabledOn(*main), s.expected);
    EXPECT_EQ(ctx->selectedCourse.name, s.selected);
    EXPECT_EQ(ctx->selectedCourse.position, main->组合框1.selectedIndex());
    EXPECT_EQ(ctx->openedCourseName, s.selected);
    EXPECT_EQ(main->课程密码.text(), s.password);
  }
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(IsOpen("英语"));
}

TEST_F(AppTest, AWrongCoursePasswordLeavesNoTraceAndTheRightOneOpensTheWindow) {
  MakeInstallation(dir.path(), "王老师", "admin", {{"英语", "secret"}});
  ASSERT_EQ(Start(), std::nullopt);
  int shown = 0;
  host.onShow("组卷", [&](ui::Window& w) {
    ++shown;
    EXPECT_TRUE(w.modal());
    EXPECT_EQ(w.owner(), main.get());
    EXPECT_EQ(engine->CurrentName(), "英语");
  });
  main->组合框1.Choose(0);
  main->课程密码.ReplaceText("wrong");
  main->按钮组卷.Click();
  EXPECT_EQ(Messages(), Strings{"课程密码错误！"});
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(main->课程密码.text(), "wrong");
  EXPECT_EQ(EnabledOn(*main), kCourseWithPassword);
  EXPECT_FALSE(IsOpen("英语"));

  main->课程密码.ReplaceText("secret");
  main->按钮组卷.Click();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(EnabledOn(*main), kCourseUnlocked);
  // Unlocked: a second press does not ask again.
  main->按钮组卷.Click();
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(Messages(), Strings{"课程密码错误！"});
}

TEST_F(AppTest, ACourseWithoutPasswordOpensWhateverThePasswordBoxHolds) {
  MakeInstallation(dir.path(), "王老师", "admin", {{"语文", ""}});
  ASSERT_EQ(Start(), std::nullopt);
  host.onShow("题库编辑", [](ui::Window&) {});
  main->组合框1.Choose(0);
  EXPECT_FALSE(main->课程密码.ReplaceText("anything"));
  main->课程密码.setText("left over");
  main->按钮题库编辑.Click();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ModalWindows(), Strings{"题库编辑"});
}

class RecordedWindow : public ui::Window {
 public:
  RecordedWindow(AppContext& ctx, ui::Window* owner, std::string caption)
      : ui::Window(ctx.host, std::move(caption), 100, 100), ctx(ctx), builtFor(owner) {}
  AppContext& ctx;
  ui::Window* builtFor;
};

TEST_F(AppTest, TheButtonsShowTheRegisteredWindowsOrAPlaceholder) {
  MakeInstallation(dir.path(), "王老师", "admin", {{"语文", ""}});
  ASSERT_EQ(Start(), std::nullopt);
  main->组合框1.Choose(0);

  struct Case {
    bool registered;
    ui::Button* button;
    std::string caption;
  };
  const std::vector<Case> cases = {
      {false, &main->按钮题库编辑, "题库编辑"},
      {false, &main->按钮组卷, "组卷"},
      {true, &main->按钮题库编辑, "编辑器"},
      {true, &main->按钮组卷, "组卷窗口"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    ctx->makeBankEditor = ctx->makeComposeWindow = nullptr;
    if (c.registered) {
      WindowFactory factory = [caption = c.caption](AppContext& ctx, ui::Window* owner) {
        return std::make_unique<RecordedWindow>(ctx, owner, caption);
      };
      (c.button == &main->按钮组卷 ? ctx->makeComposeWindow : ctx->makeBankEditor) = factory;
    }
    bool played = false;
    host.onShow(c.caption, [&](ui::Window& w) {
      played = true;
      EXPECT_EQ(w.owner(), main.get());
      if (auto* r = dynamic_cast<RecordedWindow*>(&w)) {
        EXPECT_EQ(&r->ctx, ctx.get());
        EXPECT_EQ(r->builtFor, main.get());
      } else {
        EXPECT_NE(dynamic_cast<PlaceholderWindow*>(&w), nullptr);
      }
    });
    c.button->Click();
    EXPECT_TRUE(played);
  }
}

TEST_F(AppTest, ReselectingTheCourseOpenedBeforeTheListWasReloadedEnablesItAgain) {
  MakeInstallation(dir.path(), "王老师", "admin", {{"英语", "e"}});
  ASSERT_EQ(Start(), std::nullopt);
  host.onShow("组卷", [](ui::Window&) {});
  main->组合框1.Choose(0);
  main->课程密码.ReplaceText("e");
  main->按钮组卷.Click();

  main->LoadCourseList();  // as after adding or deleting a course
  EXPECT_EQ(EnabledOn(*main), kNoCourse);
  main->组合框1.Choose(0);
  EXPECT_EQ(EnabledOn(*main), kCourseWithPassword);
  // Reloading closed the bank: the password is asked for again.
  main->按钮组卷.Click();
  EXPECT_EQ(Messages(), Strings{"课程密码错误！"});
}

// ---- Menus of the program -----------------------------------------------------

TEST_F(AppTest, ColourSchemeMenuSwitchesTheSchemeAndEveryStartUsesBlue) {
  MakeInstallation(dir.path(), "王老师", "admin", {});
  ASSERT_EQ(Start(), std::nullopt);
  const std::vector<std::pair<ui::MenuItem*, int>> cases = {
      {&main->菜单绿色, 2}, {&main->菜单银色, 3}, {&main->菜单蓝色, 1}, {&main->菜单银色, 3}};
  for (const auto& [item, scheme] : cases) {
    SCOPED_TRACE(item->caption());
    EXPECT_TRUE(item->Choose());
    EXPECT_EQ(host.colourScheme(), scheme);
  }
  ASSERT_EQ(Start(), std::nullopt);
  EXPECT_EQ(host.colourScheme(), 1);
}

TEST_F(AppTest, ExitEndsAtOnceWhileClosingTheWindowClosesEveryDatabase) {
  MakeInstallation(dir.path(), "王老师", "admin", {{"语文", ""}});
  host.onShow("题库编辑", [](ui::Window&) {});

  ASSERT_EQ(Start(), std::nullopt);
  main->组合框1.Choose(0);
  main->按钮题库编辑.Click();
  EXPECT_EQ(Run([&] { main->菜单退出.Choose(); }), 0);
  EXPECT_TRUE(IsOpen("语文"));
  EXPECT_TRUE(main->isOpen());

  ASSERT_EQ(Start(), std::nullopt);
  main->组合框1.Choose(0);
  main->按钮题库编辑.Click();
  EXPECT_TRUE(main->UserClose());
  EXPECT_FALSE(IsOpen("语文"));
  EXPECT_FALSE(IsOpen("课程库"));
}

TEST_F(AppTest, HelpMenuShowsTheDescriptionOverTheMainWindowAndAboutWithoutOwner) {
  MakeInstallation(dir.path(), "王老师", "admin", {});
  ASSERT_EQ(Start(), std::nullopt);
  std::string description;
  host.onShow("程序说明", [&](ui::Window& w) {
    auto& d = dynamic_cast<DescriptionWindow&>(w);
    EXPECT_EQ(w.owner(), main.get());
    EXPECT_EQ(w.designWidth(), 509);
    EXPECT_EQ(w.designHeight(), 488);
    EXPECT_TRUE(d.编辑框说明.readOnly());
    EXPECT_TRUE(d.编辑框说明.multiLine());
    description = d.编辑框说明.text();
  });
  bool aboutShown = false;
  host.onShow("关于", [&](ui::Window& w) {
    aboutShown = true;
    EXPECT_TRUE(w.modal());
    EXPECT_EQ(w.owner(), nullptr);
    EXPECT_EQ(w.designWidth(), 245);
    EXPECT_EQ(w.designHeight(), 179);
    EXPECT_EQ(dynamic_cast<AboutWindow&>(w).标签名称.text(), "墨川题库与组卷系统 2.0");
  });
  main->菜单说明.Choose();
  main->菜单关于.Choose();
  EXPECT_TRUE(aboutShown);

  const Strings lines = {
      "墨川题库与组卷系统", "2.0",
      "本系统以课程为单位存放与操作试题，一次编写题库，无限次组卷使用，",
      "方便、快捷、高效，适用于各级各类试题，包括英语和医学试卷使用的一个",
      "题干带多道小题的形式。",
      "本系统可任意方便地添加、删除课程和题型，每道试题题目可使用2段文",
      "本和1幅图片，答案可使用1段文本和1幅图片。课程题库可导出导入，导入时",
      "自动排除重复试题，这样同一课程题库可分工编写试题，再通过导出、导入",
      "进行整合。",
      "本系统可进行人工组卷和自动组卷。对不想利用的试题可进行屏蔽。自动",
      "组卷时相同知识点（不包括空知识点）不会重复。可单独或同时组A、B卷，并",
      "可对A、B卷的相似度进行控制。组卷设计时即刻显示题型和分数。可批量调整",
      "题型分值。",
      "本系统可将组好的试卷及其答案输出为word（优先）文档或html文档，题",
      "型题目自动编号，全卷小题可连续编号，并可调整试卷的题型顺序。",
  };
  Strings shownLines;
  for (const auto& l : text::SplitLines(description))
    if (!text::TrimSpaces(l).empty()) shownLines.push_back(text::TrimSpaces(l));
  EXPECT_EQ(shownLines, lines);
}

}  // namespace
}  // namespace app
