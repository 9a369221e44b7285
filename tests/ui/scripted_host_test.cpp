#include "ui/testing/scripted_host.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "ui/units.h"

namespace ui::testing {
namespace {

TEST(ScriptedHost, AnswersDialogsInOrderAndRecordsThem) {
  ScriptedHost host;
  Window owner(host, "主窗口", 100, 100);
  host.AnswerMessage(kButtonYes, "是否");
  host.AnswerInput(std::string("secret"));
  host.AnswerInput(std::nullopt);
  host.AnswerOpenFile(std::string("/x/a.edb"));
  host.AnswerFolder(std::nullopt);
  host.AnswerColour(rgb(1, 2, 3));

  host.Message(&owner, "完成");  // OK-only boxes need no answer
  EXPECT_EQ(host.MessageBox(&owner, "是否现在编辑完善？", "信息：", MessageButtons::YesNo,
                            MessageIcon::Question),
            kButtonYes);
  EXPECT_EQ(host.InputBox(&owner, "请输入管理员密码：", "请输入：", "", true), "secret");
  EXPECT_EQ(host.InputBox(&owner, "请输入添加列的标题："), std::nullopt);
  EXPECT_EQ(host.OpenFileDialog(&owner, "数据库文件（*.edb）|*.edb"), "/x/a.edb");
  EXPECT_EQ(host.ChooseFolder(&owner, "选择保存文件的文件夹"), std::nullopt);
  EXPECT_EQ(host.ChooseColour(&owner, kWhite), rgb(1, 2, 3));
  EXPECT_TRUE(host.ScriptUsedUp());

  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].caption, "信息：");
  EXPECT_EQ(host.messages()[0].owner, "主窗口");
  EXPECT_EQ(host.messages()[1].buttons, MessageButtons::YesNo);
  EXPECT_EQ(host.messages()[1].icon, MessageIcon::Question);
  EXPECT_TRUE(host.inputs()[0].masked);
  EXPECT_EQ(host.fileDialogs()[0].filter, "数据库文件（*.edb）|*.edb");
}

TEST(ScriptedHost, FailsTheTestOnDialogsTheScriptDidNotExpect) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedHost host;
        EXPECT_EQ(host.MessageBox(nullptr, "删除？", "信息：", MessageButtons::OkCancel,
                                  MessageIcon::None),
                  kButtonCancel);
      },
      "unexpected OK/Cancel message box");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedHost host;
        EXPECT_EQ(host.InputBox(nullptr, "请输入："), std::nullopt);
      },
      "unexpected input box");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedHost host;
        host.AnswerMessage(kButtonOk, "成功");
        host.MessageBox(nullptr, "失败", "信息：", MessageButtons::OkCancel, MessageIcon::None);
      },
      "was expected");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedHost host;
        host.setStrictMessages(true);
        host.Message(nullptr, "完成");
      },
      "unexpected OK message box");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedHost host;
        Window w(host, "难度说明", 10, 10);
        host.ShowModal(w, nullptr);
        EXPECT_FALSE(w.isOpen());
      },
      "without a script");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedHost host;
        Window w(host, "题库编辑", 10, 10);
        w.onMayClose = [] { return false; };
        host.onShow("题库编辑", [](Window&) {});
        host.ShowModal(w, nullptr);
        EXPECT_FALSE(w.isOpen());
      },
      "refused to close");
}

TEST(ScriptedHost, EndingTheProgramThrowsTheExitCode) {
  ScriptedHost host;
  try {
    host.ExitProgram(3);
    FAIL() << "exitProgram returned";
  } catch (const ProgramExit& e) {
    EXPECT_EQ(e.code, 3);
  }
}

TEST(ScriptedHost, PendingEventsRunTheHookAndTheClockMovesOnDemand) {
  ScriptedHost host;
  int runs = 0;
  host.onPendingEvents([&] { ++runs; });
  host.ProcessPendingEvents();
  host.ProcessPendingEvents();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(host.pendingEventRuns(), 2);
  host.setNow(45000.0);
  host.AdvanceSeconds(43200);
  EXPECT_DOUBLE_EQ(host.Now(), 45000.5);
  EXPECT_EQ(host.TickCountMs(), 43200000);
}

TEST(ScriptedHost, ClipboardHoldsTextOrImageAndTheTempFolderExists) {
  ScriptedHost host;
  EXPECT_EQ(host.ClipboardText(), std::nullopt);
  host.SetClipboardText("题文");
  EXPECT_EQ(host.ClipboardText(), "题文");
  host.SetClipboardImage(Image{1, 1, {0xFFFF0000u}});
  EXPECT_EQ(host.ClipboardText(), std::nullopt);
  EXPECT_EQ(host.ClipboardImage()->pixels.at(0), 0xFFFF0000u);
  const std::string temp = host.TemporaryFolder();
  EXPECT_FALSE(temp.empty());
  EXPECT_EQ(host.TemporaryFolder(), temp);
}

TEST(ScriptedHost, DecodesSimpleBitmaps) {
  // 2 x 1 pixels, 24 bits, bottom-up: blue then red.
  Bytes bmp = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
               1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
               255, 0, 0, 0, 0, 255, 0, 0};
  ScriptedHost host;
  const auto img = host.DecodeImage(bmp);
  ASSERT_TRUE(img.has_value());
  EXPECT_EQ(img->width, 2);
  EXPECT_EQ(img->pixels, (std::vector<std::uint32_t>{0xFF0000FFu, 0xFFFF0000u}));
  bmp.resize(60);  // pixel data cut short
  EXPECT_EQ(host.DecodeImage(bmp), std::nullopt);
}

}  // namespace
}  // namespace ui::testing
