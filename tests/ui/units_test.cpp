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
    工具条.addButton("添加");
    工具条.addButton("删除");
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
  EXPECT_EQ(w.findUnit("按钮组卷"), &w.按钮);
  EXPECT_EQ(w.findMenuItem("预览图片(&Y)"), &w.预览);
  EXPECT_EQ(w.findMenuItem("预览图片(Y)"), &w.预览);
  EXPECT_EQ(w.退出.plainCaption(), "退出(X)");
  EXPECT_EQ(w.退出.accelerator(), 'X');
}

TEST_F(Units, UserActionsDoNothingOnDisabledOrHiddenUnitsOrInADisabledWindow) {
  w.组合框.addItem("数学");
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
    EXPECT_FALSE(w.按钮.click());
    EXPECT_FALSE(w.选择框.toggle());
    EXPECT_FALSE(w.组合框.choose(0));
    EXPECT_FALSE(w.编辑框.replaceText("x"));
    EXPECT_FALSE(w.滚动条.moveTo(5));
    EXPECT_FALSE(w.工具条.clickButton(0));
    EXPECT_FALSE(w.单选word.choose());
    EXPECT_FALSE(w.退出.choose());
    block(false);
  }
  EXPECT_TRUE(w.log.empty());
  EXPECT_FALSE(w.选择框.checked());
  EXPECT_TRUE(w.单选html.checked());
}

TEST_F(Units, ChoosingAnItemOpensTheListFirstAndReportsEvenTheSameItem) {
  w.组合框.setItems({"语文", "数学"});
  w.组合框.setSelectedIndex(1);  // the program's own choice raises nothing
  EXPECT_TRUE(w.组合框.choose(0));
  EXPECT_TRUE(w.组合框.choose(0));
  EXPECT_FALSE(w.组合框.choose(5));
  EXPECT_EQ(w.log, (std::vector<std::string>{"opened", "chose 0 语文", "opened", "chose 0 语文",
                                             "opened"}));
}

TEST_F(Units, AListRefilledWhenItOpensOffersTheNewItems) {
  // As the difficulty lists do: refill on opening, keep the old choice.
  w.组合框.onListOpened = [this] {
    const std::string kept = w.组合框.text();
    w.组合框.clear();
    for (int i = 3; i <= 9; ++i) w.组合框.addItem(std::to_string(i), i);
    w.组合框.setText(kept);
  };
  w.组合框.setItems({"1", "5"});
  w.组合框.setSelectedIndex(1);
  ASSERT_TRUE(w.组合框.choose(0));
  EXPECT_EQ(w.组合框.text(), "3");
  EXPECT_EQ(w.组合框.itemData(0), 3);
  ASSERT_TRUE(w.组合框.openList());
  EXPECT_EQ(w.组合框.selectedIndex(), 0);
}

TEST_F(Units, TypingStopsAtTheLengthLimitWhileTheProgramMayWriteMore) {
  w.编辑框.setMaxLength(3);
  EXPECT_TRUE(w.编辑框.replaceText("知识点名"));
  EXPECT_EQ(w.编辑框.text(), "知识点");
  EXPECT_TRUE(w.编辑框.type("多"));
  EXPECT_EQ(w.编辑框.text(), "知识点");
  w.编辑框.setText("粘贴的长文本");
  EXPECT_EQ(w.编辑框.text(), "粘贴的长文本");
  w.编辑框.setReadOnly(true);
  EXPECT_FALSE(w.编辑框.type("x"));
  EXPECT_EQ(w.log, (std::vector<std::string>{"text 知识点", "text 粘贴的长文本"}));
}

TEST_F(Units, ButtonsBoxesBarsAndToolButtonsRaiseTheirEvents) {
  w.按钮.click();
  w.选择框.toggle();
  w.选择框.toggle();
  w.滚动条.moveTo(900);  // clamped to 500
  w.滚动条.moveTo(500);  // no move, no event
  w.滚动条.pageUp();
  w.工具条.setButtonEnabled(1, false);
  w.工具条.clickButton(1);
  w.工具条.clickButton(0);
  EXPECT_EQ(w.log, (std::vector<std::string>{"click", "ticked", "unticked", "pos 500", "pos 490",
                                             "tool 0"}));
}

TEST_F(Units, RadioButtonsOfAGroupExcludeEachOther) {
  EXPECT_TRUE(w.单选word.choose());
  EXPECT_TRUE(w.单选word.checked());
  EXPECT_FALSE(w.单选html.checked());
  w.单选html.setChecked(true);
  EXPECT_FALSE(w.单选word.checked());
}

TEST_F(Units, HiddenPopupEntriesCanBeChosenOnlyWhileTheMenuPopsUp) {
  w.右键菜单.setVisible(false);
  EXPECT_FALSE(w.预览.choose());
  host.answerPopup("预览图片(&Y)");
  w.右键菜单.popup(30, 40);
  EXPECT_EQ(w.log, (std::vector<std::string>{"预览"}));
  ASSERT_EQ(host.popups().size(), 1u);
  EXPECT_EQ(host.popups()[0].menu, "右键菜单(&R)");
  EXPECT_EQ(host.popups()[0].x, 30);
  EXPECT_EQ(host.popups()[0].shown, (std::vector<std::string>{"预览图片(&Y)"}));
  EXPECT_FALSE(w.分隔.choose());
}

TEST_F(Units, ADisabledMenuBlocksItsEntries) {
  w.程序.setEnabled(false);
  EXPECT_FALSE(w.退出.choose());
  w.程序.setEnabled(true);
  EXPECT_TRUE(w.退出.choose());
  EXPECT_FALSE(w.程序.choose());  // a menu with entries is opened, not chosen
  EXPECT_EQ(w.log, (std::vector<std::string>{"退出"}));
}

TEST_F(Units, ATimerTicksWhileItsIntervalIsAboveZero) {
  host.tickTimers();
  w.时钟.setInterval(1000);
  host.tickTimers();
  host.tickTimers();
  w.时钟.setInterval(0);
  host.tickTimers();
  EXPECT_EQ(w.log, (std::vector<std::string>{"tick", "tick"}));
  EXPECT_TRUE(host.runningTimers().empty());
}

TEST_F(Units, ObserversHearWhatChanged) {
  std::vector<unsigned> seen;
  const auto id = w.按钮.changed().connect([&](unsigned what) { seen.push_back(what); });
  w.按钮.setCaption("生成A卷");
  w.按钮.setCaption("生成A卷");
  w.按钮.setEnabled(false);
  w.按钮.changed().disconnect(id);
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
    cw.resize(800, 400);
    EXPECT_FALSE(cw.userClose());
    EXPECT_TRUE(cw.isOpen());
    cw.setEnabled(false);
    EXPECT_FALSE(cw.userClose());  // a disabled window cannot be closed by hand
    cw.setEnabled(true);
    cw.mayClose = true;
    EXPECT_TRUE(cw.userClose());
  });
  host.showModal(w, nullptr);
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
  host.showModeless(w, nullptr);
  host.showModeless(w, nullptr);
  EXPECT_EQ(played, 1);
  EXPECT_EQ(w.log, (std::vector<std::string>{"created"}));
  EXPECT_TRUE(w.close());
  host.showModeless(w, nullptr);  // closed windows can be shown anew
  EXPECT_EQ(played, 2);
}

}  // namespace
}  // namespace ui
