#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/menu.h"
#include "ui/testing/scripted_host.h"
#include "ui/units.h"
#include "ui/window.h"

namespace ui {
namespace {

// A small window with one unit of each kind a person acts on.
class SampleWindow : public Window {
 public:
  explicit SampleWindow(Host& host) : Window(host, "样例", 262, 236) {
    按钮.onClick = [this] { log.push_back("click"); };
    选择框.onClick = [this] { log.push_back(选择框.checked() ? "ticked" : "unticked"); };
    组合框.onListOpened = [this] { log.push_back("opened"); };
    组合框.onSelectionChanged = [this] {
      log.push_back("chose " + std::to_string(组合框.selectedIndex()) + " " + 组合框.text());
    };
    编辑框.onTextChanged = [this] { log.push_back("text " + 编辑框.text()); };
    滚动条.setRange(1, 500);
    滚动条.setPageStep(10);
    滚动条.onPositionChanged = [this] { log.push_back("pos " + std::to_string(滚动条.position())); };
    工具条.AddButton("添加");
    工具条.AddButton("删除");
    工具条.onButtonClicked = [this](int i) { log.push_back("tool " + std::to_string(i)); };
    退出.onChoose = [this] { log.push_back("退出"); };
    预览.onChoose = [this] { log.push_back("预览"); };
    时钟.onTick = [this] { log.push_back("tick"); };
  }

  Label 标签1{*this, "标签1", "请选择课程："};
  ComboBox 组合框{*this, "组合框1"};
  EditBox 编辑框{*this, "课程密码"};
  Button 按钮{*this, "按钮组卷", "组卷"};
  CheckBox 选择框{*this, "选择框组A卷", "组A卷"};
  RadioButton 单选word{*this, "单选框word", "word"};
  RadioButton 单选html{*this, "单选框html", "html", true};
  ScrollBar 滚动条{*this, "横向滚动条1"};
  ToolBar 工具条{*this, "工具条1"};
  Timer 时钟{*this, "时钟1"};
  MenuItem 程序{*this, "程序(&F)"};
  MenuItem 退出{程序, "退出(&X)"};
  MenuItem 右键菜单{*this, "右键菜单(&R)"};
  MenuItem 预览{右键菜单, "预览图片(&Y)"};
  MenuItem 分隔{右键菜单, kSeparator};
  std::vector<std::string> log;
};

class Units : public ::testing::Test {
 protected:
  testing::ScriptedHost host;
  SampleWindow w{host};
};

TEST_F(Units, TheWindowListsItsUnitsAndMenusInConstructionOrder) {
  std::vector<std::string> names;
  for (Unit* u : w.units()) names.push_back(u->name());
  EXPECT_EQ(names, (std::vector<std::string>{"标签1", "组合框1", "课程密码", "按钮组卷",
                                             "选择框组A卷", "单选框word", "单选框html",
                                             "横向滚动条1", "工具条1", "时钟1"}));
  ASSERT_EQ(w.menus().size(), 2u);
  EXPECT_EQ(w.menus()[1]->items().size(), 2u);
  EXPECT_EQ(w.FindUnit("按钮组卷"), &w.按钮);
  EXPECT_EQ(w.FindMenuItem("预览图片(&Y)"), &w.预览);
  EXPECT_EQ(w.FindMenuItem("预览图片(Y)"), &w.预览);
  EXPECT_EQ(w.退出.PlainCaption(), "退出(X)");
  EXPECT_EQ(w.退出.Accelerator(), 'X');
}

TEST_F(Units, UserActionsDoNothingOnDisabledOrHiddenUnitsOrInADisabledWindow) {
  w.组合框.AddItem("数学");
  const std::vector<std::pair<const char*, std::function<void(bool)>>> blockers = {
      {"unit disabled", [this](bool on) {
         for (Unit* u : w.units()) u->setEnabled(!on);
         w.退出.setEnabled(!on);
       }},
      {"unit hidden", [this](bool on) {
         for (Unit* u : w.units()) u->setVisible(!on);
         w.退出.setVisible(!on);
       }},
      {"window disabled", [this](bool on) { w.setEnabled(!on); }},
  };
  for (const auto& [name, block] : blockers) {
    SCOPED_TRACE(name);
    block(true);
    EXPECT_FALSE(w.按钮.Click());
    EXPECT_FALSE(w.选择框.Toggle());
    EXPECT_FALSE(w.组合框.Choose(0));
    EXPECT_FALSE(w.编辑框.ReplaceText("x"));
    EXPECT_FALSE(w.滚动条.MoveTo(5));
    EXPECT_FALSE(w.工具条.ClickButton(0));
    EXPECT_FALSE(w.单选word.Choose());
    EXPECT_FALSE(w.退出.Choose());
    block(false);
  }
  EXPECT_TRUE(w.log.empty());
  EXPECT_FALSE(w.选择框.checked());
  EXPECT_TRUE(w.单选html.checked());
}

TEST_F(Units, ChoosingAnItemOpensTheListFirstAndReportsEvenTheSameItem) {
  w.组合框.setItems({"语文", "数学"});
  w.组合框.setSelectedIndex(1);  // the program's own choice raises nothing
  EXPECT_TRUE(w.组合框.Choose(0));
  EXPECT_TRUE(w.组合框.Choose(0));
  EXPECT_FALSE(w.组合框.Choose(5));
  EXPECT_EQ(w.log, (std::vector<std::string>{"opened", "chose 0 语文", "opened", "chose 0 语文",
                                             "opened"}));
}

TEST_F(Units, AListRefilledWhenItOpensOffersTheNewItems) {
  // As the difficulty lists do: refill on opening, keep the old choice.
  w.组合框.onListOpened = [this] {
    const std::string kept = w.组合框.text();
    w.组合框.Clear();
    for (int i = 3; i <= 9; ++i) w.组合框.AddItem(std::to_string(i), i);
    w.组合框.setText(kept);
  };
  w.组合框.setItems({"1", "5"});
  w.组合框.setSelectedIndex(1);
  ASSERT_TRUE(w.组合框.Choose(0));
  EXPECT_EQ(w.组合框.text(), "3");
  EXPECT_EQ(w.组合框.itemData(0), 3);
  ASSERT_TRUE(w.组合框.OpenList());
  EXPECT_EQ(w.组合框.selectedIndex(), 0);
}

TEST_F(Units, TypingStopsAtTheLengthLimitWhileTheProgramMayWriteMore) {
  w.编辑框.setMaxLength(3);
  EXPECT_TRUE(w.编辑框.ReplaceText("知识点名"));
  EXPECT_EQ(w.编辑框.text(), "知识点");
  EXPECT_TRUE(w.编辑框.Type("多"));
  EXPECT_EQ(w.编辑框.text(), "知识点");
  w.编辑框.setText("粘贴的长文本");
  EXPECT_EQ(w.编辑框.text(), "粘贴的长文本");
  w.编辑框.setReadOnly(true);
  EXPECT_FALSE(w.编辑框.Type("x"));
  EXPECT_EQ(w.log, (std::vector<std::string>{"text 知识点", "text 粘贴的长文本"}));
}

TEST_F(Units, ButtonsBoxesBarsAndToolButtonsRaiseTheirEvents) {
  w.按钮.Click();
  w.选择框.Toggle();
  w.选择框.Toggle();
  w.滚动条.MoveTo(900);  // clamped to 500
  w.滚动条.MoveTo(500);  // no move, no event
  w.滚动条.PageUp();
  w.工具条.setButtonEnabled(1, false);
  w.工具条.ClickButton(1);
  w.工具条.ClickButton(0);
  EXPECT_EQ(w.log, (std::vector<std::string>{"click", "ticked", "unticked", "pos 500", "pos 490",
                                             "tool 0"}));
}

TEST_F(Units, RadioButtonsOfAGroupExcludeEachOther) {
  EXPECT_TRUE(w.单选word.Choose());
  EXPECT_TRUE(w.单选word.checked());
  EXPECT_FALSE(w.单选html.checked());
  w.单选html.setChecked(true);
  EXPECT_FALSE(w.单选word.checked());
}

TEST_F(Units, HiddenPopupEntriesCanBeChosenOnlyWhileTheMenuPopsUp) {
  w.右键菜单.setVisible(false);
  EXPECT_FALSE(w.预览.Choose());
  host.AnswerPopup("预览图片(&Y)");
  w.右键菜单.Popup(30, 40);
  EXPECT_EQ(w.log, (std::vector<std::string>{"预览"}));
  ASSERT_EQ(host.popups().size(), 1u);
  EXPECT_EQ(host.popups()[0].menu, "右键菜单(&R)");
  EXPECT_EQ(host.popups()[0].x, 30);
  EXPECT_EQ(host.popups()[0].shown, (std::vector<std::string>{"预览图片(&Y)"}));
  EXPECT_FALSE(w.分隔.Choose());
}

TEST_F(Units, ADisabledMenuBlocksItsEntries) {
  w.程序.setEnabled(false);
  EXPECT_FALSE(w.退出.Choose());
  w.程序.setEnabled(true);
  EXPECT_TRUE(w.退出.Choose());
  EXPECT_FALSE(w.程序.Choose());  // a menu with entries is opened, not chosen
  EXPECT_EQ(w.log, (std::vector<std::string>{"退出"}));
}

TEST_F(Units, ATimerTicksWhileItsIntervalIsAboveZero) {
  host.TickTimers();
  w.时钟.setInterval(1000);
  host.TickTimers();
  host.TickTimers();
  w.时钟.setInterval(0);
  host.TickTimers();
  EXPECT_EQ(w.log, (std::vector<std::string>{"tick", "tick"}));
  EXPECT_TRUE(host.runningTimers().empty());
}

TEST_F(Units, ObserversHearWhatChanged) {
  std::vector<unsigned> seen;
  const auto id = w.按钮.changed().Connect([&](unsigned what) { seen.push_back(what); });
  w.按钮.setCaption("生成A卷");
  w.按钮.setCaption("生成A卷");
  w.按钮.setEnabled(false);
  w.按钮.changed().Disconnect(id);
  w.按钮.setVisible(false);
  EXPECT_EQ(seen, (std::vector<unsigned>{change::kText, change::kEnabled}));
}

class ClosingWindow : public Window {
 public:
  explicit ClosingWindow(Host& host) : Window(host, "题库编辑", 600, 400) {
    onCreated = [this] { log.push_back("created"); };
    onMayClose = [this] {
      log.push_back("may close?");
      return mayClose;
    };
    onDestroyed = [this] { log.push_back("destroyed"); };
    onSizeChanged = [this] { log.push_back("size " + std::to_string(width())); };
  }
  bool mayClose = false;
  std::vector<std::string> log;
};

TEST(WindowLifeCycle, MayCloseFalseKeepsTheWindowOpen) {
  testing::ScriptedHost host;
  ClosingWindow w(host);
  host.onShow<ClosingWindow>([](ClosingWindow& cw) {
    EXPECT_TRUE(cw.isOpen());
    EXPECT_TRUE(cw.modal());
    cw.Resize(800, 400);
    EXPECT_FALSE(cw.UserClose());
    EXPECT_TRUE(cw.isOpen());
    cw.setEnabled(false);
    EXPECT_FALSE(cw.UserClose());  // a disabled window cannot be closed by hand
    cw.setEnabled(true);
    cw.mayClose = true;
    EXPECT_TRUE(cw.UserClose());
  });
  host.ShowModal(w, nullptr);
  EXPECT_FALSE(w.isOpen());
  EXPECT_EQ(w.log, (std::vector<std::string>{"created", "size 800", "may close?", "may close?",
                                             "destroyed"}));
}

}  // namespace
}  // namespace ui

namespace ui {
namespace {

TEST(WindowLifeCycle, ShowingAnOpenModelessWindowAgainDoesNotCreateItTwice) {
  testing::ScriptedHost host;
  ClosingWindow w(host);
  w.mayClose = true;
  int played = 0;
  host.onShow("题库编辑", [&](Window&) { ++played; });
  host.ShowModeless(w, nullptr);
  host.ShowModeless(w, nullptr);
  EXPECT_EQ(played, 1);
  EXPECT_EQ(w.log, (std::vector<std::string>{"created"}));
  EXPECT_TRUE(w.Close());
  host.ShowModeless(w, nullptr);  // closed windows can be shown anew
  EXPECT_EQ(played, 2);
}

}  // namespace
}  // namespace ui
