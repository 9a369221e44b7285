#include "bank_editor/pictures/side_windows.h"

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "databases/program_databases.h"
#include "tests/pictures/picture_fixtures.h"
#include "ui/testing/scripted_host.h"

namespace bank_editor::pictures {
namespace {

using namespace pictures_test;
using recfile::Value;
using ui::testing::ScriptedHost;

// "课程库" with the administrator and two courses, and the second course's
// bank open; the main window has selected the second course (position 1,
// record 3).
class DifficultyDescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string library = dir / databases::kCourseLibrary;
    ASSERT_TRUE(engine.Create(library, databases::CourseLibraryFields()));
    ASSERT_TRUE(engine.Open(library));
    ASSERT_TRUE(engine.Append({Value(std::string("管理员"))}));
    ASSERT_TRUE(engine.Append({Value(std::string("语文")), Value(std::string()), Value(std::string("语文说明"))}));
    ASSERT_TRUE(engine.Append({Value(std::string("物理")), Value(std::string()), Value(std::string("1易9难"))}));
    ASSERT_TRUE(engine.Create(dir / "物理", databases::QuestionBankFields()));
    ASSERT_TRUE(engine.Open(dir / "物理"));
    ctx.selectedCourse = {"物理", 1};
  }

  std::string StoredNote(int record) {
    engine.SetCurrent(databases::kCourseLibrary);
    engine.GoTo(record);
    return engine.ReadText(databases::kDifficultyNoteField);
  }

  TempDir dir;
  recfile::RecordFileEngine engine;
  ScriptedHost host;
  app::AppContext ctx{engine, host, dir.path()};
};

TEST_F(DifficultyDescriptionTest, ShowsTheCourseTextAndSavesTheEditOnClose) {
  DifficultyDescriptionWindow win(ctx);
  host.onShow("难度说明", [&](ui::Window&) {
    EXPECT_EQ(win.编辑框2.text(), "1易9难");
    win.编辑框2.ReplaceText("难度1最易，9最难");
  });
  host.ShowModal(win, nullptr);

  EXPECT_EQ(win.description(), "难度1最易，9最难");
  EXPECT_EQ(engine.CurrentName(), "物理") << "the bank is current again";
  EXPECT_EQ(StoredNote(3), "难度1最易，9最难");
  EXPECT_EQ(StoredNote(2), "语文说明");
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DifficultyDescriptionTest, SavesOnEveryWayOfClosingEvenUnchanged) {
  // Another window left the course library on another record.
  engine.SetCurrent(databases::kCourseLibrary);
  engine.GoTo(2);
  DifficultyDescriptionWindow win(ctx);
  host.onShow("难度说明", [&](ui::Window&) {});
  host.ShowModal(win, nullptr);
  EXPECT_EQ(StoredNote(3), "1易9难");
  EXPECT_EQ(StoredNote(2), "语文说明");

  // Closed by the program without asking.
  host.onShow("难度说明", [&](ui::Window& w) {
    win.编辑框2.ReplaceText("新说明");
    w.Destroy();
  });
  host.ShowModal(win, nullptr);
  EXPECT_EQ(StoredNote(3), "新说明");
}

TEST_F(DifficultyDescriptionTest, ATextLongerThanTheFieldAsksBeforeItIsCut) {
  const std::string chinese = "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一";  // 41 characters
  DifficultyDescriptionWindow win(ctx);
  host.AnswerMessage(ui::kButtonNo, "80个字节");
  host.AnswerMessage(ui::kButtonYes, "80个字节");
  host.onShow("难度说明", [&](ui::Window& w) {
    win.编辑框2.ReplaceText(chinese);
    EXPECT_FALSE(w.UserClose()) << "No keeps the window open";
    EXPECT_EQ(StoredNote(3), "1易9难");
  });
  host.ShowModal(win, nullptr);
  EXPECT_FALSE(win.isOpen());
  const std::string cut = chinese.substr(0, 40 * 3);  // 40 characters of 3 UTF-8 bytes = 80 GBK bytes
  EXPECT_EQ(StoredNote(3), cut);
  EXPECT_EQ(win.description(), cut);
  EXPECT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].buttons, ui::MessageButtons::YesNo);
}

TEST_F(DifficultyDescriptionTest, WithoutASelectedCourseNothingIsWritten) {
  ctx.selectedCourse = {"", -1};
  DifficultyDescriptionWindow win(ctx);
  host.onShow("难度说明", [&](ui::Window&) {
    EXPECT_EQ(win.编辑框2.text(), "");
    win.编辑框2.ReplaceText("无处保存");
  });
  host.ShowModal(win, nullptr);
  EXPECT_EQ(StoredNote(1), "");
  EXPECT_EQ(StoredNote(2), "语文说明");
  EXPECT_EQ(StoredNote(3), "1易9难");
}

TEST(QuestionPreviewWindow, StacksTextPictureAndTextAndKeepsItsWidth) {
  ScriptedHost host;  // 10 px a byte: a 577 px label holds 57 bytes a line
  const std::string text1(120, 'a');  // 3 lines
  const struct {
    const char* name;
    ui::Bytes picture;
    int pictureHeight;
  } cases[] = {{"with picture", BytesOf("BM-picture"), 208}, {"without picture", {}, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QuestionPreviewWindow win(host, text1, c.picture, "");
    EXPECT_EQ(win.caption(), "试题预览");
    EXPECT_EQ(win.标签tiwen1.text(), text1);
    EXPECT_EQ(win.图片框titu1.image(), c.picture);
    EXPECT_EQ(win.标签tiwen1.geometry().top, 0);
    EXPECT_EQ(win.标签tiwen1.height(), 42);
    EXPECT_EQ(win.标签tiwen1.width(), 577);
    EXPECT_EQ(win.图片框titu1.top(), 42);
    EXPECT_EQ(win.图片框titu1.height(), c.pictureHeight);
    EXPECT_EQ(win.图片框titu1.width(), 568);
    EXPECT_EQ(win.标签tiwen2.top(), 42 + c.pictureHeight);
    EXPECT_EQ(win.标签tiwen2.height(), 14) << "an empty text still takes one line";
    EXPECT_EQ(win.width(), 600);
    EXPECT_EQ(win.height(), 42 + c.pictureHeight + 14 + 80);
    EXPECT_EQ(win.designHeight(), win.height());

    win.Resize(900, 500);
    EXPECT_EQ(win.width(), 600);
    EXPECT_EQ(win.height(), 500);
  }
}

}  // namespace
}  // namespace bank_editor::pictures
