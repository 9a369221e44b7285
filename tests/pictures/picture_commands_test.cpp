#include "bank_editor/pictures/picture_commands.h"

#include <gtest/gtest.h>

#include "bank_editor/pictures/picture_codec.h"
#include "bank_editor/pictures/picture_windows.h"
#include "databases/program_databases.h"
#include "tests/pictures/picture_fixtures.h"
#include "ui/testing/scripted_host.h"

namespace bank_editor::pictures {
namespace {

using namespace pictures_test;
using recfile::Value;
using ui::testing::ScriptedHost;

// A course bank of two questions with no pictures.
class PictureCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = dir / kBank;
    ASSERT_TRUE(engine.Create(path, databases::QuestionBankFields()));
    ASSERT_TRUE(engine.Open(path));
    for (const char* text : {"第一题", "第二题"}) {
      std::vector<Value> values(databases::kQuestionFieldCount);
      values[databases::kQuestionText1 - 1] = std::string(text);
      ASSERT_TRUE(engine.Append(values));
      ids.push_back(engine.RecordId());
    }
  }

  std::string Marker(std::int64_t id, PictureSlot slot) {
    engine.SetCurrent(kBank);
    engine.GoToId(id);
    return engine.ReadText(MarkerField(slot));
  }

  static constexpr const char* kBank = "物理";
  TempDir dir;
  recfile::RecordFileEngine engine;
  ScriptedHost host;
  std::vector<std::int64_t> ids;
};

TEST_F(PictureCommandsTest, StoringWritesMarkerAndBytesOfTheRightSlotOnly) {
  const Bytes picture = EncodeJpegAtQuality(Pattern(4, 4), 80);
  int duplicateChecks = 0;
  const auto noDuplicate = [&] {
    ++duplicateChecks;
    return false;
  };
  EXPECT_EQ(StorePicture(host, nullptr, engine, kBank, ids[1], PictureSlot::Question, picture, noDuplicate),
            PictureStoreResult::Stored);
  EXPECT_EQ(StorePicture(host, nullptr, engine, kBank, ids[0], PictureSlot::Answer, picture, noDuplicate),
            PictureStoreResult::Stored);
  EXPECT_EQ(duplicateChecks, 1) << "answer pictures are not checked for duplicates";

  EXPECT_EQ(Marker(ids[1], PictureSlot::Question), "√");
  EXPECT_EQ(ReadPicture(engine, kBank, ids[1], PictureSlot::Question), picture);
  EXPECT_EQ(Marker(ids[1], PictureSlot::Answer), "");
  EXPECT_TRUE(ReadPicture(engine, kBank, ids[1], PictureSlot::Answer).empty());
  EXPECT_EQ(Marker(ids[0], PictureSlot::Answer), "√");
  EXPECT_EQ(ReadPicture(engine, kBank, ids[0], PictureSlot::Answer), picture);
  EXPECT_EQ(Marker(ids[0], PictureSlot::Question), "");
  engine.GoToId(ids[0]);
  EXPECT_EQ(engine.ReadText(databases::kQuestionText1), "第一题") << "other fields untouched";

  ASSERT_TRUE(ErasePicture(engine, kBank, ids[0], PictureSlot::Answer));
  EXPECT_EQ(Marker(ids[0], PictureSlot::Answer), "");
  EXPECT_TRUE(ReadPicture(engine, kBank, ids[0], PictureSlot::Answer).empty());
  EXPECT_EQ(ReadPicture(engine, kBank, ids[1], PictureSlot::Question), picture);
}

TEST_F(PictureCommandsTest, AQuestionPictureThatMakesADuplicateIsNotKept) {
  Bytes seenDuringCheck;
  const auto duplicate = [&] {
    // The check sees the picture in place, as the row would be compared.
    seenDuringCheck = ReadPicture(engine, kBank, ids[0], PictureSlot::Question);
    return true;
  };
  const Bytes picture = EncodeClipboardBmp(Pattern(2, 2));
  EXPECT_EQ(StorePicture(host, nullptr, engine, kBank, ids[0], PictureSlot::Question, picture, duplicate),
            PictureStoreResult::Duplicate);
  EXPECT_EQ(seenDuringCheck, picture);
  EXPECT_EQ(Marker(ids[0], PictureSlot::Question), "");
  EXPECT_TRUE(ReadPicture(engine, kBank, ids[0], PictureSlot::Question).empty());

  // A picture the question already had is what the record holds again.
  const Bytes earlier = EncodeClipboardBmp(Pattern(3, 3));
  ASSERT_TRUE(WritePicture(engine, kBank, ids[0], PictureSlot::Question, earlier));
  EXPECT_EQ(StorePicture(host, nullptr, engine, kBank, ids[0], PictureSlot::Question, picture, duplicate),
            PictureStoreResult::Duplicate);
  EXPECT_EQ(Marker(ids[0], PictureSlot::Question), "√");
  EXPECT_EQ(ReadPicture(engine, kBank, ids[0], PictureSlot::Question), earlier);
}

TEST_F(PictureCommandsTest, AFailedWriteIsReportedNotShownAsStored) {
  EXPECT_EQ(StorePicture(host, nullptr, engine, kBank, 999, PictureSlot::Question, BytesOf("x"), nullptr),
            PictureStoreResult::Failed);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_FALSE(host.messages()[0].text.empty());
  EXPECT_TRUE(ReadPicture(engine, kBank, 999, PictureSlot::Question).empty());
}

TEST_F(PictureCommandsTest, AddingFromAFileConvertsOrRefusesAndCancelDoesNothing) {
  WriteFile(dir / "b.png", EncodePng(Pattern(3, 3)));
  WriteFile(dir / "bad.png", BytesOf("not a picture"));
  host.AnswerOpenFile(dir / "b.png");
  host.AnswerOpenFile(dir / "bad.png");
  host.AnswerOpenFile(std::nullopt);

  const auto added = ChoosePictureFile(host, nullptr);
  ASSERT_TRUE(added);
  EXPECT_TRUE(StartsAsJpeg(*added));
  EXPECT_FALSE(ChoosePictureFile(host, nullptr));
  EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{std::string(kUnreadablePictureMessage)});
  EXPECT_FALSE(ChoosePictureFile(host, nullptr));
  EXPECT_EQ(host.messages().size(), 1u);

  ASSERT_EQ(host.fileDialogs().size(), 3u);
  EXPECT_EQ(host.fileDialogs()[0].filter,
            "所有图片文件|*.jpg;*.gif;*.bmp;*.png;*.ico;*.tiff|jpeg（*.jpg;*.jpeg;*.jpe;*.jfif）|*.jpg;*.jpeg;*.jpe;*.jfif|"
            "gif（*.gif）|*.gif|bmp（*.bmp）|*.bmp|png（*.png）|*.png|ico（*.ico）|*.ico|tiff（*.tif;*.tiff）|*.tif;*.tiff");
}

TEST_F(PictureCommandsTest, PreviewShowsThePictureUnderItsColumnHeading) {
  const Bytes picture = EncodeClipboardBmp(Pattern(2, 2));
  for (PictureSlot slot : {PictureSlot::Question, PictureSlot::Answer}) {
    SCOPED_TRACE(SlotHeading(slot));
    bool shown = false;
    host.onShow("图片预览", [&](ui::Window& w) {
      shown = true;
      auto& preview = dynamic_cast<PicturePreviewWindow&>(w);
      EXPECT_EQ(preview.caption(), SlotHeading(slot));
      EXPECT_EQ(preview.图片框1.image(), picture);
      preview.Resize(321, 123);
      EXPECT_EQ(preview.图片框1.geometry(), (ui::Rect{0, 0, 321, 123}));
    });
    PreviewPicture(host, nullptr, picture, slot);
    EXPECT_TRUE(shown);
  }
  EXPECT_STREQ(SlotHeading(PictureSlot::Question), "题图");
  EXPECT_STREQ(SlotHeading(PictureSlot::Answer), "答图");
  EXPECT_EQ(SlotOfColumn(4), PictureSlot::Question);
  EXPECT_EQ(SlotOfColumn(7), PictureSlot::Answer);
  EXPECT_FALSE(SlotOfColumn(5));

  const std::size_t before = host.shownWindows().size();
  PreviewPicture(host, nullptr, {}, PictureSlot::Question);
  EXPECT_EQ(host.shownWindows().size(), before);
}

TEST_F(PictureCommandsTest, CopyPutsTheDecodedPictureOnTheClipboardAndIsSilentOtherwise) {
  const ui::Image image = Pattern(3, 2);
  ASSERT_TRUE(CopyPictureToClipboard(host, EncodeClipboardBmp(image)));
  ASSERT_TRUE(host.ClipboardImage());
  EXPECT_EQ(host.ClipboardImage()->pixels, image.pixels);

  ASSERT_TRUE(CopyPictureToClipboard(host, EncodeJpegAtQuality(image, 90)));
  EXPECT_EQ(host.ClipboardImage()->width, 3);

  host.setClipboardImageDirect(std::nullopt);
  EXPECT_FALSE(CopyPictureToClipboard(host, BytesOf("garbage")));
  EXPECT_FALSE(CopyPictureToClipboard(host, {}));
  EXPECT_FALSE(host.ClipboardImage());
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(PictureCommandsTest, DeletingAsksFirst) {
  host.AnswerMessage(ui::kButtonOk);
  host.AnswerMessage(ui::kButtonCancel);
  EXPECT_TRUE(ConfirmDeletePicture(host, nullptr));
  EXPECT_FALSE(ConfirmDeletePicture(host, nullptr));
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].text, "确定要删除该图片吗");
  EXPECT_EQ(host.messages()[0].buttons, ui::MessageButtons::OkCancel);
}

// ---- The clipboard window ------------------------------------------------------

ProgramLauncher FakeLauncher(std::vector<std::string> installed, std::vector<std::vector<std::string>>* started,
                             bool startSucceeds = true) {
  ProgramLauncher launcher;
  launcher.findProgram = [installed](const std::string& program) -> std::optional<std::string> {
    for (const auto& p : installed)
      if (p == program) return "/opt/bin/" + program;
    return std::nullopt;
  };
  launcher.startDetached = [started, startSucceeds](const std::vector<std::string>& argv) {
    started->push_back(argv);
    return startSucceeds;
  };
  return launcher;
}

TEST(ClipboardPictureWindow, SaveIsEnabledOnlyWithAPictureAndReturnsItsBmpBytes) {
  ScriptedHost host;
  const ui::Image formula = Pattern(5, 3);
  host.onShow("从剪贴板导入图片", [&](ui::Window& w) {
    auto& win = dynamic_cast<ClipboardPictureWindow&>(w);
    EXPECT_FALSE(win.图片框1.hasImage());
    EXPECT_FALSE(win.按钮保存.enabled());
    EXPECT_FALSE(win.按钮保存.Click());

    host.setClipboardImageDirect(formula);
    win.按钮重新导入.Click();
    EXPECT_EQ(win.图片框1.image(), EncodeClipboardBmp(formula));
    EXPECT_TRUE(win.按钮保存.enabled());

    host.setClipboardImageDirect(std::nullopt);
    win.按钮重新导入.Click();
    EXPECT_FALSE(win.图片框1.hasImage()) << "the box shows what the clipboard holds";
    EXPECT_FALSE(win.按钮保存.enabled());

    host.setClipboardImageDirect(formula);
    win.按钮重新导入.Click();
    win.按钮保存.Click();
    EXPECT_FALSE(win.isOpen());
  });
  const auto saved = ImportPictureFromClipboard(host, nullptr);
  ASSERT_TRUE(saved);
  EXPECT_EQ(*saved, EncodeClipboardBmp(formula));
  EXPECT_EQ((*saved)[0], 'B');
}

TEST(ClipboardPictureWindow, OpensWithTheClipboardPictureAndCancelReturnsNothing) {
  ScriptedHost host;
  host.setClipboardImageDirect(Pattern(2, 2));
  host.onShow("从剪贴板导入图片", [&](ui::Window& w) {
    auto& win = dynamic_cast<ClipboardPictureWindow&>(w);
    EXPECT_TRUE(win.按钮保存.enabled());
    win.按钮取消.Click();
    EXPECT_FALSE(win.isOpen());
  });
  EXPECT_FALSE(ImportPictureFromClipboard(host, nullptr));

  // Closed from its title bar: nothing either.
  host.onShow("从剪贴板导入图片", [](ui::Window&) {});
  EXPECT_FALSE(ImportPictureFromClipboard(host, nullptr));
}

TEST(ClipboardPictureWindow, HelpShowsTheInstallAdvice) {
  ScriptedHost host;
  ClipboardPictureWindow win(host);
  host.onShow("从剪贴板导入图片", [](ui::Window& w) { ASSERT_TRUE(w.FindMenuItem("说明(&E)")->Choose()); });
  host.ShowModal(win, nullptr);
  EXPECT_EQ(host.MessageTexts(),
            std::vector<std::string>{"如果公式编辑器自动安装不成功，请关闭word，从原始安装盘（不是从‘添加/删除程序’里）"
                                     "启动office安装程序，选择‘添加或删除功能’以及‘选择应用程序的高级功能’，在‘office工具’"
                                     "里设置‘公式编辑器’‘从本机运行’后更新。"});
}

TEST(FormulaEditor, StartsTheFirstInstalledEditorOrAsksForOne) {
  const struct {
    std::vector<std::string> installed;
    bool startSucceeds;
    std::vector<std::string> expectedStart;  // empty: nothing started
    std::string expectedMessage;             // empty: none
  } cases[] = {
      {{"lomath", "libreoffice"}, true, {"/opt/bin/lomath"}, ""},
      {{"libreoffice"}, true, {"/opt/bin/libreoffice", "--math"}, ""},
      {{"soffice"}, true, {"/opt/bin/soffice", "--math"}, ""},
      {{}, true, {}, "请安装word"},
      {{"lomath"}, false, {"/opt/bin/lomath"}, "无法启动公式编辑器：/opt/bin/lomath"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expectedMessage + " " + std::to_string(c.installed.size()));
    ScriptedHost host;
    std::vector<std::vector<std::string>> started;
    ClipboardPictureWindow win(host, FakeLauncher(c.installed, &started, c.startSucceeds));
    host.onShow("从剪贴板导入图片", [](ui::Window& w) {
      dynamic_cast<ClipboardPictureWindow&>(w).按钮公式编辑器.Click();
    });
    host.ShowModal(win, nullptr);
    if (c.expectedStart.empty()) EXPECT_TRUE(started.empty());
    else EXPECT_EQ(started, std::vector<std::vector<std::string>>{c.expectedStart});
    if (c.expectedMessage.empty()) EXPECT_TRUE(host.messages().empty());
    else EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{c.expectedMessage});
  }
}

TEST(FormulaEditor, FindsExecutablesOnTheSearchPathAndStartsThemDetached) {
  TempDir dir;
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  WriteFile(dir / "a/lomath", BytesOf("not executable"));
  WriteFile(dir / "b/lomath", BytesOf("#!/bin/sh\nexit 0\n"));
  std::filesystem::permissions(dir / "b/lomath", std::filesystem::perms::owner_all);
  std::filesystem::create_directories(dir / "c/lomath");  // a directory is no program

  const std::string path = (dir / "c") + ":" + (dir / "a") + ":" + (dir / "b");
  EXPECT_EQ(FindProgramOnPath("lomath", path), dir / "b/lomath");
  EXPECT_FALSE(FindProgramOnPath("lomath", (dir / "a") + ":" + (dir / "c")));
  EXPECT_FALSE(FindProgramOnPath("libreoffice", path));
  EXPECT_EQ(FindProgramOnPath(dir / "b/lomath", ""), dir / "b/lomath");

  EXPECT_TRUE(StartDetached({"/bin/sh", "-c", "exit 0"}));
  EXPECT_FALSE(StartDetached({dir / "a/lomath"}));
  EXPECT_FALSE(StartDetached({dir / "missing"}));
  EXPECT_FALSE(StartDetached({}));
}

}  // namespace
}  // namespace bank_editor::pictures
