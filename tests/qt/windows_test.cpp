// The program's own windows on the screen (offscreen platform): Return and
// Escape in every dialog, the bank editor's columns at two window sizes.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/course_admin.h"
#include "app/info_windows.h"
#include "app/main_window.h"
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/help_window.h"
#include "bank_editor/import_export.h"
#include "bank_editor/pictures/picture_windows.h"
#include "bank_editor/question_text_editor.h"
#include "databases/program_databases.h"
#include "qt_test_support.h"
#include "recfile/record_file_engine.h"
#include "tests/support/database_result.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/window_view.h"

namespace {

using bank_editor::BankEditorWindow;

const std::string kCourse = "语文";

class ProgramWindows : public ::testing::Test, protected qt_test::WithApp {
 protected:
  ProgramWindows() {
    ui::qt::QtHost::Automation automation;
    automation.onMessage = [this](std::string_view, std::string_view text, ui::MessageButtons) {
      messages.emplace_back(text);
      return std::optional<int>(ui::kButtonOk);
    };
    host.setAutomation(std::move(automation));
  }
  ~ProgramWindows() override {
    if (editor && editor->isOpen()) editor->Destroy();
    engine.CloseAll();
  }

  // A bank of `count` complete questions, open in the engine as the main
  // window leaves it, and the editor over it on the screen.
  void OpenEditor(int count) {
    const std::string path = dir.str() + "/" + kCourse;
    ASSERT_TRUE(engine.Create(path, databases::QuestionBankFields()));
    ASSERT_TRUE(engine.Open(path, {}, false, recfile::ShareMode::None, std::string()));
    for (int i = 1; i <= count; ++i) {
      const std::string n = std::to_string(i);
      ASSERT_TRUE(engine.Append({std::string("知识"), std::string(), std::string(),
                                 "第" + n + "题", std::string(), std::string(), "答" + n,
                                 std::string(), std::string("填空"), std::int64_t{1},
                                 std::int64_t{5}, false, false, false, recfile::Bytes{},
                                 recfile::Bytes{}}));
    }
    ASSERT_EQ(databases::OpenQuestionTypeLibrary(ctx.db()), mc::testing::Done());
    ASSERT_TRUE(engine.SetCurrent(kCourse));
    ctx.selectedCourse = {kCourse, 0};
    editor = std::make_unique<BankEditorWindow>(ctx);
    ASSERT_NE(host.OpenView(*editor, nullptr, true), nullptr);
    qt_test::settle();
  }

  // The key pressed in a unit (its widget has the focus), or in the window
  // itself when `unit` is empty.
  void Press(ui::Window& w, const std::string& unit, Qt::Key key) {
    ui::qt::WindowView* view = host.ViewOf(w);
    ASSERT_NE(view, nullptr);
    QWidget* target = view;
    if (!unit.empty()) {
      ui::Unit* u = w.FindUnit(unit);
      ASSERT_NE(u, nullptr) << unit;
      target = view->WidgetFor(*u);
      ASSERT_NE(target, nullptr) << unit;
    }
    QTest::keyClick(target, key);
    qt_test::settle();
  }

  qt_test::ScratchDir dir;
  ui::qt::QtHost host;
  recfile::RecordFileEngine engine;
  app::AppContext ctx{engine, host, dir.str()};
  std::unique_ptr<BankEditorWindow> editor;
  std::vector<std::string> messages;
};

// Return presses the default button (确定, 保存), Escape 取消, or closes a
// window without one; keys a unit takes for itself stay with it.
TEST_F(ProgramWindows, ReturnAndEscapeInEveryDialog) {
  OpenEditor(2);
  app::MainWindow main(ctx);
  ctx.adminDialogMode = app::kModeAddCourse;
  std::string groupName;
  struct Case {
    const char* name;
    std::function<std::unique_ptr<ui::Window>()> make;
    std::string unit;  // where the focus is
    Qt::Key key;
    bool staysOpen;
    bool saysSomething;  // a message box came up
    std::function<void(ui::Window&)> prepare = {};
  };
  using W = std::unique_ptr<ui::Window>;
  const std::vector<Case> cases = {
      {"about, Return", [&]() -> W { return std::make_unique<app::AboutWindow>(host); }, "", Qt::Key_Return, false, false},
      {"about, Escape", [&]() -> W { return std::make_unique<app::AboutWindow>(host); }, "", Qt::Key_Escape, false, false},
      {"placeholder, Return", [&]() -> W { return std::make_unique<app::PlaceholderWindow>(host, "组卷"); }, "", Qt::Key_Return, false, false},
      {"description, Escape", [&]() -> W { return std::make_unique<app::DescriptionWindow>(host); }, "编辑框说明", Qt::Key_Escape, false, false},
      {"description, Return", [&]() -> W { return std::make_unique<app::DescriptionWindow>(host); }, "编辑框说明", Qt::Key_Return, true, false},
      {"help, Escape", [&]() -> W { return std::make_unique<bank_editor::HelpWindow>(host); }, "编辑框1", Qt::Key_Escape, false, false},
      {"picture preview, Escape", [&]() -> W { return std::make_unique<bank_editor::pictures::PicturePreviewWindow>(host, ui::Bytes{}, "题图"); }, "", Qt::Key_Escape, false, false},
      {"clipboard picture, Escape", [&]() -> W { return std::make_unique<bank_editor::pictures::ClipboardPictureWindow>(host); }, "", Qt::Key_Escape, false, false},
      {"clipboard picture, Return with nothing to save", [&]() -> W { return std::make_unique<bank_editor::pictures::ClipboardPictureWindow>(host); }, "", Qt::Key_Return, true, false},
      {"administrator dialog, Escape", [&]() -> W { return std::make_unique<app::AdminDialog>(ctx, main); }, "新课程", Qt::Key_Escape, false, false},
      {"administrator dialog, Return on empty fields", [&]() -> W { return std::make_unique<app::AdminDialog>(ctx, main); }, "新课程", Qt::Key_Return, true, true},
      {"administrator dialog, Return on 取消", [&]() -> W { return std::make_unique<app::AdminDialog>(ctx, main); }, "取消", Qt::Key_Return, false, false},
      {"new group name, Return", [&]() -> W { return std::make_unique<bank_editor::NewGroupNameWindow>(host, editor->高级表格1); }, "新分组名", Qt::Key_Return, false, false,
       [](ui::Window& w) { dynamic_cast<bank_editor::NewGroupNameWindow&>(w).新分组名.setText("新组"); }},
      {"new group name, Escape", [&]() -> W { return std::make_unique<bank_editor::NewGroupNameWindow>(host, editor->高级表格1); }, "新分组名", Qt::Key_Escape, false, true},  // asks before skipping
      {"question text editor, Escape", [&]() -> W { return std::make_unique<bank_editor::QuestionTextEditor>(*editor, 1, bank_editor::kColText1); }, "编辑框1", Qt::Key_Escape, false, false},
      {"question text editor, Return on 确定", [&]() -> W { return std::make_unique<bank_editor::QuestionTextEditor>(*editor, 1, bank_editor::kColKnowledge); }, "按钮确定", Qt::Key_Return, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messages.clear();
    W w = c.make();
    ASSERT_NE(host.OpenView(*w, editor.get(), true), nullptr);
    if (c.prepare) c.prepare(*w);
    qt_test::settle();
    Press(*w, c.unit, c.key);
    EXPECT_EQ(w->isOpen(), c.staysOpen);
    EXPECT_EQ(!messages.empty(), c.saysSomething);
    if (w->isOpen()) w->Destroy();
    qt_test::settle();
  }
  EXPECT_TRUE(editor->isOpen());
}

TEST_F(ProgramWindows, EscapeClosesTheEditorThroughItsChecksButNeverTheMainWindow) {
  OpenEditor(3);
  Press(*editor, "高级表格1", Qt::Key_Escape);
  EXPECT_FALSE(editor->isOpen());

  app::MainWindow main(ctx);
  main.onCreated = {};  // its start-up steps are not under test here
  ASSERT_NE(host.OpenView(main, nullptr, false), nullptr);
  Press(main, "组合框1", Qt::Key_Escape);
  EXPECT_TRUE(main.isOpen());
  main.Destroy();
}

// All fifteen columns fit the grid without a horizontal scroll bar, at the
// opening size and at a large one.
TEST_F(ProgramWindows, EveryEditorColumnFitsAtTwoWindowSizes) {
  OpenEditor(40);
  ui::qt::WindowView* view = host.ViewOf(*editor);
  ui::qt::GridView* grid = view->GridViewFor(editor->高级表格1);
  ASSERT_NE(grid, nullptr);
  int narrowText = 0;
  for (const QSize size : {view->size(), QSize(1600, 1000)}) {
    SCOPED_TRACE(size.width());
    view->resize(size);
    qt_test::settle();
    int total = 0;
    for (int c = 0; c < 15; ++c) total += editor->高级表格1.GetColumnWidth(c);
    EXPECT_TRUE(grid->verticalScrollBar()->isVisible());
    EXPECT_LE(total, grid->viewport()->width());
    EXPECT_GE(total, grid->viewport()->width() - 3);  // the long texts take the rest
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(editor->高级表格1.GetColumnWidth(bank_editor::kColText1), narrowText);
    narrowText = editor->高级表格1.GetColumnWidth(bank_editor::kColText1);
  }
}

}  // namespace
