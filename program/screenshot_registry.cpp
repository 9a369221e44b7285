// One entry per window (or state of a window) worth a picture.
#include "app/course_admin.h"
#include "app/info_windows.h"
#include "databases/program_databases.h"
#include "program/screenshots.h"
#ifdef MC_WITH_COMPOSE
#include "compose/compose_window.h"
#include "types/numbering_table.h"
#include "types/numbering_window.h"
#endif
#ifdef MC_WITH_AUTOCOMPOSE
#include <algorithm>

#include "autocompose/auto_compose_window.h"
#endif
#ifdef MC_WITH_BANK_EDITOR
#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "bank_editor/bank_editor_window.h"
#include "bank_editor/help_window.h"
#include "bank_editor/import_export.h"
#include "bank_editor/pictures/picture_windows.h"
#include "bank_editor/pictures/side_windows.h"
#include "bank_editor/question_text_editor.h"
#include "types/question_type_window.h"
#endif
#ifdef MC_WITH_EXCHANGE
#include "exchange/document_import_window.h"
#endif

namespace program {

namespace {

// The administrator dialog in one of its modes, its inputs partly typed.
Shot adminDialog(const char* mode, std::vector<std::string> typed) {
  return {mode, [mode, typed](ShotContext& s) {
            s.ctx.adminDialogMode = mode;
            app::AdminDialog dialog(s.ctx, s.main);
            s.Shoot(dialog, &s.main, [&] {
              ui::EditBox* boxes[] = {&dialog.新课程, &dialog.课程密码, &dialog.课程密码1};
              for (std::size_t i = 0; i < typed.size() && i < 3; ++i)
                if (!typed[i].empty() && !boxes[i]->readOnly()) boxes[i]->ReplaceText(typed[i]);
            });
          }};
}

#ifdef MC_WITH_BANK_EDITOR
// A question picture: a small bar chart, as PNG file bytes.
ui::Bytes samplePicture() {
  QImage image(360, 180, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setPen(Qt::black);
  p.drawLine(30, 160, 340, 160);
  p.drawLine(30, 160, 30, 10);
  const int temperatures[] = {18, 22, 25, 21, 17, 24, 27};
  for (int i = 0; i < 7; ++i) {
    const int h = temperatures[i] * 5;
    p.fillRect(45 + i * 42, 160 - h, 28, h, QColor(0x31, 0x6A, 0xC5));
  }
  p.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return ui::Bytes(bytes.begin(), bytes.end());
}
#endif

// Selects the demonstration course in the main window.
void selectDemoCourse(ShotContext& s) {
  if (s.main.组合框1.count() > 0 && s.main.组合框1.selectedIndex() != 0) s.main.组合框1.Choose(0);
}

}  // namespace

const std::vector<Shot>& Shots() {
  static const std::vector<Shot> shots = {
      {"main window", [](ShotContext& s) {
         selectDemoCourse(s);
         s.Capture(s.main);
       }},
      {"main window in the other colour schemes", [](ShotContext& s) {
         s.main.菜单绿色.Choose();
         s.Capture(s.main, std::string(app::kMainWindowCaption) + " 绿色");
         s.main.菜单银色.Choose();
         s.Capture(s.main, std::string(app::kMainWindowCaption) + " 银色");
         s.main.菜单蓝色.Choose();
       }},
      adminDialog(app::kModeSetAdministrator, {"管理员", "123456", "123456"}),
      adminDialog(app::kModeAddCourse, {"高等数学", "", ""}),
      adminDialog(app::kModeResetCoursePassword, {"", "654321", "654321"}),
      adminDialog(app::kModeChangeAdministratorName, {"", "123456", "新管理员"}),
      adminDialog(app::kModeChangeAdministratorPassword, {"123456", "", ""}),
      {"administrator password prompt", [](ShotContext& s) {
         s.Input("请输入管理员密码：", "请输入：", "123456", true);
         s.Message("管理员密码错误！");
       }},
      {"messages", [](ShotContext& s) {
         s.Message("程序 mochuan 已经运行！");
         s.Message("确定要删除 示例课程 题库吗？", std::string(ui::kMessageCaption),
                   ui::MessageButtons::OkCancel, ui::MessageIcon::Question);
       }},
      {"description", [](ShotContext& s) {
         app::DescriptionWindow window(s.host);
         s.Shoot(window, &s.main);
       }},
      {"about", [](ShotContext& s) {
         app::AboutWindow window(s.host);
         s.Shoot(window);
       }},
#ifdef MC_WITH_BANK_EDITOR
      {"bank editor and its dialogs", [](ShotContext& s) {
         selectDemoCourse(s);
         if (!s.ctx.Show(databases::OpenCourseBank(s.ctx.db(), s.main.组合框1.text(), true, 0, "")))
           return;
         std::unique_ptr<ui::Window> window = bank_editor::MakeBankEditor(s.ctx, &s.main);
         auto* editor = dynamic_cast<bank_editor::BankEditorWindow*>(window.get());
         if (!editor) return;
         s.host.OpenView(*editor, &s.main, true);
         editor->FitRowHeights();
         s.Capture(*editor);
         namespace pics = bank_editor::pictures;
         const ui::Bytes picture = samplePicture();
         {
           bank_editor::QuestionTextEditor dialog(*editor, 1, 3);
           s.Shoot(dialog, editor);
         }
         {
           bank_editor::NewGroupNameWindow dialog(s.host, editor->高级表格1);
           s.Shoot(dialog, editor, [&] { dialog.新分组名.ReplaceText("第三单元"); });
         }
         {
           bank_editor::HelpWindow help(s.host);
           s.Shoot(help, editor);
         }
         {
           pics::PicturePreviewWindow preview(s.host, picture, "题图");
           s.Shoot(preview, editor);
         }
         {
           if (const auto image = s.host.DecodeImage(picture)) s.host.SetClipboardImage(*image);
           pics::ClipboardPictureWindow clipboard(s.host);
           s.Shoot(clipboard, editor);
         }
         {
           pics::DifficultyDescriptionWindow difficulty(s.ctx);
           s.Shoot(difficulty, editor,
                   [&] { difficulty.编辑框2.ReplaceText("1～3 容易，4～6 中等，7～9 难"); });
         }
         {
           pics::QuestionPreviewWindow preview(
               s.host, "下图是某地一周的最高气温变化，请根据图表回答下列问题。", picture,
               "（1）星期二的最高气温是多少？\r\n（2）哪一天最高气温最低？");
           s.Shoot(preview, editor);
         }
         {
           types::QuestionTypeWindow window(s.ctx);
           s.Shoot(window, editor);
         }
#ifdef MC_WITH_EXCHANGE
         {
           const exchange::SourceDocument doc = exchange::ReadTextSource(
               "一、单选题（每题3分）\n1. 水的化学式是（ ）\nA. H2O　B. CO2　C. O2　D. NaCl\n答案：A\n"
               "知识点：化学式\n2. 下列属于金属的是\nA. 铁\nB. 铁\n答案：A\n"
               "二、判断题\n1. 地球绕太阳转。\n答案：正确\n2. 月亮会发光。\n"
               "三、阅读题（每小题4分）\n1. 阅读下面的材料，回答问题。\n春天来了，万物复苏。\n"
               "（1）文中写的是哪个季节？\n答案：春天\n（2）万物怎样了？\n答案：复苏\n【解析】略\n");
           databases::CourseBank bank(s.ctx.engine, editor->courseName());
           databases::TypeLibrary types(s.ctx.engine);
           std::vector<databases::Question> questions;
           std::vector<databases::QuestionType> library;
           bank.ReadAll(questions);
           types.ReadAll(library);
           std::vector<std::string> names;
           for (const auto& t : library) names.push_back(t.name);
           exchange::DocumentImportWindow window(
               s.host, bank, types,
               exchange::PrepareImport(exchange::ParseQuestionMarkup(doc), questions, names), "期中试题.txt");
           s.Shoot(window, editor);
         }
#endif
         editor->Destroy();
       }},
#endif
#ifdef MC_WITH_COMPOSE
      {"compose window and the numbering window", [](ShotContext& s) {
         selectDemoCourse(s);
         {
           // Closing it stores the table the compose window reads.
           types::NumberingWindow numbering(s.host, types::NumberingFilePath(s.ctx.dataDir));
           s.Shoot(numbering, &s.main);
         }
         if (!s.ctx.Show(databases::OpenCourseBank(s.ctx.db(), s.main.组合框1.text(), true, 0, "")))
           return;
         std::unique_ptr<ui::Window> window = compose::MakeComposeWindow(s.ctx, &s.main);
         auto* c = dynamic_cast<compose::ComposeWindow*>(window.get());
         if (!c) return;
         s.host.OpenView(*c, &s.main, true);
         // A few questions in each paper, some in both.
         auto& g = c->高级表格1;
         int a = 0, b = 0;
         for (int r = 1; r < g.RowCount() && (a < 12 || b < 10); ++r) {
           const std::string& number = g.cellText(r, compose::kColGroupNumber);
           if (number == "0" || number.empty()) {
             if (a < 12 && r % 2 == 1) {
               g.Click(r, compose::kColA);
               ++a;
             }
             if (b < 10 && r % 3 != 0) {
               g.Click(r, compose::kColB);
               ++b;
             }
           }
         }
         g.SetCursorCell(1, compose::kColKnowledge);
         s.Capture(*c);
         {
           compose::ComposeHelpWindow help(s.host);
           s.Shoot(help, c);
         }
         c->Destroy();
       }},
#endif
#ifdef MC_WITH_AUTOCOMPOSE
      {"automatic composition with a plan drawn", [](ShotContext& s) {
         selectDemoCourse(s);
         if (!s.ctx.Show(databases::OpenCourseBank(s.ctx.db(), s.main.组合框1.text(), true, 0, "")))
           return;
         s.ctx.makeAutoComposeWindow = autocompose::MakeAutoComposeWindow;
         std::unique_ptr<ui::Window> window = compose::MakeComposeWindow(s.ctx, &s.main);
         auto* c = dynamic_cast<compose::ComposeWindow*>(window.get());
         if (!c) return;
         s.host.OpenView(*c, &s.main, true);
         c->按钮自动组卷.Click();
         auto* w = dynamic_cast<autocompose::AutoComposeWindow*>(c->autoComposeWindow());
         if (w) {
           // The rows with most selectable questions get what they offer,
           // up to 3 each; both papers drawn with the bound at 60.
           auto& g = w->高级表格1;
           for (int r = g.RowCount() - 1, rows = 0; r >= 1 && rows < 4; --r, ++rows) {
             g.Click(r, 5);
             const int offered = static_cast<int>(g.columnListItems(5).size()) - 1;
             if (g.Editable() && offered > 0) g.ChooseListItem(r, 5, std::min(offered, 3));
           }
           w->选择框组A卷.Toggle();
           w->选择框组B卷.Toggle();
           w->组合框1.ChooseText("60");
           w->按钮开始.Click();  // the pictures' host answers OK
           g.SetCursorCell(g.RowCount() - 1, 5);  // the chosen counts in sight
           s.Capture(*w);
           w->Close();
         }
         s.Capture(*c, c->caption() + " 自动组卷后");
         c->Destroy();
       }},
#endif
  };
  return shots;
}

}  // namespace program
