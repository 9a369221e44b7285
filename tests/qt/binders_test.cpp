// Widgets bound to unit models: what a person does reaches the model's
// handlers, and what the model changes shows in the widgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "qt_test_support.h"
#include "ui/layout.h"
#include "ui/menu.h"
#include "ui/qt/menus.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/window_view.h"
#include "ui/units.h"
#include "ui/window.h"

namespace {

using ui::qt::QtHost;
using ui::qt::WindowView;

class SampleWindow : public ui::Window {
 public:
  explicit SampleWindow(ui::Host& host, bool arranged = false)
      : ui::Window(host, "样例窗口", 320, 240) {
    标签1.setGeometry({10, 10, 120, 22});
    编辑框1.setGeometry({10, 40, 200, 24});
    按钮1.setGeometry({10, 70, 80, 26});
    选择框1.setGeometry({100, 70, 120, 24});
    组合框1.setGeometry({10, 100, 150, 24});
    进度条1.setGeometry({10, 130, 200, 16});
    组合框1.setItems({"甲", "乙", "丙"});
    按钮1.onClick = [this] { ++clicks; };
    编辑框1.onTextChanged = [this] { ++textChanges; };
    组合框1.onListOpened = [this] { ++listOpened; };
    组合框1.onSelectionChanged = [this] { chosen.push_back(组合框1.text()); };
    新建.onChoose = [this] { ++menuChoices; };
    if (arranged) {
      namespace L = ui::layout;
      setLayout(L::column({L::row({L::unit(标签1), L::unit(编辑框1, 1)}),
                           L::row({L::unit(按钮1), L::unit(选择框1), L::stretch()}),
                           L::unit(组合框1), L::unit(进度条1), L::stretch()}));
    }
  }

  ui::Label 标签1{*this, "标签1", "请选择课程："};
  ui::EditBox 编辑框1{*this, "编辑框1"};
  ui::Button 按钮1{*this, "按钮1", "题库编辑"};
  ui::CheckBox 选择框1{*this, "选择框1", "屏蔽"};
  ui::ComboBox 组合框1{*this, "组合框1"};
  ui::ProgressBar 进度条1{*this, "进度条1"};
  ui::MenuItem 程序{*this, "程序(&F)"};
  ui::MenuItem 新建{程序, "新建(&N)"};
  ui::MenuItem 退出{程序, "退出(&X)"};

  int clicks = 0;
  int textChanges = 0;
  int listOpened = 0;
  int menuChoices = 0;
  std::vector<std::string> chosen;
};

class BindersTest : public ::testing::Test, protected qt_test::WithApp {
 protected:
  BindersTest() { qt_test::app(); }
  WindowView* show(ui::Window& w) {
    WindowView* view = host.OpenView(w, nullptr, false);
    qt_test::settle();
    return view;
  }
  template <class W>
  W* widget(WindowView* view, const ui::Unit& unit) {
    return qobject_cast<W*>(view->WidgetFor(unit));
  }
  QtHost host;
};

TEST_F(BindersTest, AClickOnABoundButtonReachesTheModelsHandler) {
  SampleWindow w(host);
  WindowView* view = show(w);
  auto* button = widget<QPushButton>(view, w.按钮1);
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(w.clicks, 1);

  // Disabled in the model: the widget is disabled and a click does nothing.
  w.按钮1.setEnabled(false);
  EXPECT_FALSE(button->isEnabled());
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(w.clicks, 1);
  w.Close();
}

TEST_F(BindersTest, ModelChangesShowInTheWidgets) {
  SampleWindow w(host);
  WindowView* view = show(w);
  w.标签1.setText("课程密码：");
  w.编辑框1.setText("数学");
  w.按钮1.setCaption("组卷");
  w.选择框1.setChecked(true);
  w.组合框1.setSelectedIndex(1);
  w.进度条1.setPosition(40);
  w.按钮1.setVisible(false);
  w.setCaption("新标题");
  EXPECT_EQ(widget<QLabel>(view, w.标签1)->text(), QStringLiteral("课程密码："));
  EXPECT_EQ(widget<QLineEdit>(view, w.编辑框1)->text(), QStringLiteral("数学"));
  EXPECT_EQ(widget<QPushButton>(view, w.按钮1)->text(), QStringLiteral("组卷"));
  EXPECT_TRUE(widget<QCheckBox>(view, w.选择框1)->isChecked());
  EXPECT_EQ(widget<QComboBox>(view, w.组合框1)->currentText(), QStringLiteral("乙"));
  EXPECT_EQ(widget<QProgressBar>(view, w.进度条1)->value(), 40);
  EXPECT_FALSE(widget<QPushButton>(view, w.按钮1)->isVisible());
  EXPECT_EQ(view->windowTitle(), QStringLiteral("新标题"));

  // Items replaced: the widget offers exactly the new ones.
  w.组合框1.setItems({"物理", "化学"});
  auto* combo = widget<QComboBox>(view, w.组合框1);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(1), QStringLiteral("化学"));
  EXPECT_EQ(combo->currentIndex(), -1);
  w.Close();
}

TEST_F(BindersTest, PasswordBoxesShowStarsAndTypingReachesTheModel) {
  SampleWindow w(host);
  w.编辑框1.setPasswordInput(true);
  w.编辑框1.setMaxLength(4);
  WindowView* view = show(w);
  auto* edit = widget<QLineEdit>(view, w.编辑框1);
  EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), '*');
  edit->setFocus();
  QTest::keyClicks(edit, "abcdef");
  EXPECT_EQ(w.编辑框1.text(), "abcd");
  EXPECT_EQ(w.textChanges, 4);
  w.Close();
}

TEST_F(BindersTest, AMultiLineBoxKeepsLinesAsCrLfAndSwitchesWidgetWhenTheModelDoes) {
  SampleWindow w(host);
  WindowView* view = show(w);
  w.编辑框1.setMultiLine(true);
  auto* edit = widget<QPlainTextEdit>(view, w.编辑框1);
  ASSERT_NE(edit, nullptr);
  w.编辑框1.setText("第一行\r\n第二行");
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("第一行\n第二行"));
  edit->setPlainText(QStringLiteral("甲\n乙"));
  EXPECT_EQ(w.编辑框1.text(), "甲\r\n乙");
  w.Close();
}

TEST_F(BindersTest, ChoosingFromADropDownOpensTheListOnceAndReportsTheChoice) {
  SampleWindow w(host);
  WindowView* view = show(w);
  auto* combo = widget<QComboBox>(view, w.组合框1);
  combo->showPopup();
  EXPECT_EQ(w.listOpened, 1);
  Q_EMIT combo->activated(2);
  combo->hidePopup();
  EXPECT_EQ(w.listOpened, 1);
  EXPECT_EQ(w.组合框1.selectedIndex(), 2);
  EXPECT_EQ(w.chosen, std::vector<std::string>{"丙"});
  w.Close();
}

TEST_F(BindersTest, TickingACheckBoxFollowsTheModel) {
  SampleWindow w(host);
  int clicks = 0;
  w.选择框1.onClick = [&] { ++clicks; };
  WindowView* view = show(w);
  auto* box = widget<QCheckBox>(view, w.选择框1);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  EXPECT_TRUE(w.选择框1.checked());
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(box->isChecked());
  w.Close();
}

TEST_F(BindersTest, MenusCarryAcceleratorsAndChoosingRunsTheEntry) {
  SampleWindow w(host);
  WindowView* view = show(w);
  ASSERT_NE(view->menuBar(), nullptr);
  QAction* entry = view->menus()->ActionFor(w.新建);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text(), QStringLiteral("新建(&N)"));
  entry->trigger();
  EXPECT_EQ(w.menuChoices, 1);
  w.新建.setEnabled(false);
  EXPECT_FALSE(entry->isEnabled());
  w.Close();
}

TEST_F(BindersTest, AbsoluteWindowsPlaceUnitsAtTheirGeometryAndFollowResizing) {
  SampleWindow w(host);
  int sizeChanges = 0;
  w.onSizeChanged = [&] {
    ++sizeChanges;
    w.按钮1.setLeft(w.width() - 90);
  };
  WindowView* view = show(w);
  EXPECT_EQ(view->client()->size(), QSize(320, 240));
  EXPECT_EQ(view->WidgetFor(w.编辑框1)->geometry(), QRect(10, 40, 200, 24));
  view->resize(view->width() + 100, view->height() + 50);
  qt_test::settle();
  EXPECT_EQ(w.width(), 420);
  EXPECT_EQ(w.height(), 290);
  EXPECT_GE(sizeChanges, 1);
  EXPECT_EQ(view->WidgetFor(w.按钮1)->x(), 330);
  w.Close();
}

TEST_F(BindersTest, ArrangedWindowsLayTheirUnitsOutWithoutOverlaps) {
  SampleWindow w(host, /*arranged=*/true);
  WindowView* view = show(w);
  std::vector<QRect> rects;
  for (const ui::Unit* u : std::vector<const ui::Unit*>{&w.标签1, &w.编辑框1, &w.按钮1, &w.选择框1, &w.组合框1}) {
    QWidget* widget = view->WidgetFor(*u);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->isVisible());
    rects.push_back(QRect(widget->mapTo(view, QPoint(0, 0)), widget->size()));
  }
  for (std::size_t i = 0; i < rects.size(); ++i)
    for (std::size_t j = i + 1; j < rects.size(); ++j) {
      SCOPED_TRACE(testing::Message() << i << " and " << j);
      EXPECT_FALSE(rects[i].intersects(rects[j]));
    }
  // The unit's geometry follows the layout.
  EXPECT_EQ(w.编辑框1.width(), view->WidgetFor(w.编辑框1)->width());
  w.Close();
}

TEST_F(BindersTest, ClosingTheWidgetAsksTheWindowWhichMayRefuse) {
  SampleWindow w(host);
  bool mayClose = false;
  w.onMayClose = [&] { return mayClose; };
  WindowView* view = show(w);
  view->close();
  qt_test::settle();
  EXPECT_TRUE(w.isOpen());
  EXPECT_TRUE(view->isVisible());
  mayClose = true;
  view->close();
  EXPECT_FALSE(w.isOpen());
  EXPECT_EQ(host.ViewOf(w), nullptr);
}

TEST_F(BindersTest, ClosingAWindowClosesTheModelessWindowsItOwns) {
  SampleWindow owner(host);
  ui::Window help(host, "帮助", 200, 150);
  bool helpDestroyed = false;
  help.onDestroyed = [&] { helpDestroyed = true; };
  show(owner);
  host.ShowModeless(help, &owner);
  ASSERT_NE(host.ViewOf(help), nullptr);
  EXPECT_EQ(host.ViewOf(help)->parentWidget(), host.ViewOf(owner));
  owner.Close();
  qt_test::settle();
  EXPECT_FALSE(help.isOpen());
  EXPECT_TRUE(helpDestroyed);
  EXPECT_EQ(host.ViewOf(help), nullptr);
}

TEST_F(BindersTest, AModalWindowRunsUntilItClosesAndThenLetsGo) {
  SampleWindow w(host);
  std::vector<std::string> seen;
  QtHost::Automation automation;
  automation.onModal = [&](ui::Window& shown) {
    seen.push_back(shown.caption());
    EXPECT_TRUE(shown.modal());
    EXPECT_NE(host.ViewOf(shown), nullptr);
  };
  host.setAutomation(automation);
  host.ShowModal(w, nullptr);
  EXPECT_EQ(seen, std::vector<std::string>{"样例窗口"});
  EXPECT_FALSE(w.isOpen());

  // Without automation the host waits in an event loop until the window
  // closes, here from a button of the window itself.
  host.setAutomation({});
  w.按钮1.onClick = [&] { w.Close(); };
  QTimer::singleShot(0, [&] {
    if (WindowView* view = host.ViewOf(w)) QTest::mouseClick(view->WidgetFor(w.按钮1), Qt::LeftButton);
  });
  host.ShowModal(w, nullptr);
  EXPECT_FALSE(w.isOpen());
}

}  // namespace
