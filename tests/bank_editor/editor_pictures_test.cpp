// Pictures through the editor as a person adds them: the pop-up menu, the
// file dialog or the clipboard window, and the bytes that reach the bank.
#include <gtest/gtest.h>

#include "bank_editor/pictures/picture_codec.h"
#include "bank_editor/pictures/picture_commands.h"
#include "bank_editor/pictures/picture_windows.h"
#include "editor_fixture.h"
#include "tests/pictures/picture_fixtures.h"

namespace bank_editor::testing {
namespace {

namespace pt = pictures_test;

std::uint32_t Le32(const recfile::Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}

class EditorPictures : public EditorFixture {
 protected:
  recfile::Bytes DiskPicture(int row) {
    return std::get<recfile::Bytes>(DiskField(IdOf(row), databases::kQuestionPictureData));
  }
  // Chooses a pop-up item on the question picture cell of a row.
  void PopUp(int row, const std::string& item) {
    grid().Click(row, kColPicture);
    host_.AnswerPopup(item);
    grid().RightClickCell(row, kColPicture);
  }
};

TEST_F(EditorPictures, JpegNamedFilesAreStoredAsTheyAreAndOthersAsJpeg) {
  const ui::Image image = pt::Pattern(12, 6);
  const ui::Bytes jpeg = pt::EncodeJpegAtQuality(image, 95);  // the default would re-encode alike
  const ui::Bytes png = pt::EncodePng(image);
  struct Case {
    const char* name;
    const ui::Bytes* content;
    bool keptAsIs;
  };
  const Case cases[] = {{"a.jpg", &jpeg, true}, {"a.JPG", &jpeg, false}, {"b.png", &png, false}};
  std::vector<Q> questions;
  for (const Case& c : cases) questions.push_back(Question(c.name));
  OpenEditor(questions);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_.path() + "/" + c.name;
    pt::WriteFile(path, *c.content);
    host_.AnswerOpenFile(path);
    PopUp(RowOf(c.name), "从文件添加(&T)");
    EXPECT_EQ(host_.fileDialogs().back().filter, std::string(pictures::kPictureFileFilter));
    EXPECT_EQ(cell(RowOf(c.name), kColPicture), "√");
    const recfile::Bytes stored = DiskPicture(RowOf(c.name));
    if (c.keptAsIs) {
      EXPECT_EQ(stored, *c.content);
    } else {
      EXPECT_NE(stored, *c.content);
      EXPECT_TRUE(pt::StartsAsJpeg(stored));
    }
  }
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(EditorPictures, AFileThatIsNoPictureIsRefusedAndNothingStored) {
  OpenEditor({Question("甲")});
  const std::string path = dir_.path() + "/notes.png";
  pt::WriteFile(path, pt::BytesOf("plain text, not a picture"));
  host_.AnswerOpenFile(path);
  PopUp(1, "从文件添加(&T)");
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{std::string(pictures::kUnreadablePictureMessage)});
  EXPECT_EQ(cell(1, kColPicture), "");
  EXPECT_EQ(std::get<std::string>(DiskField(IdOf(1), databases::kQuestionPicture)), "");
  EXPECT_TRUE(DiskPicture(1).empty());
}

TEST_F(EditorPictures, AClipboardPictureIsStoredAsBmpAndCopiedBack) {
  OpenEditor({Question("甲")});
  const ui::Image formula = pt::Pattern(5, 3);
  host_.setClipboardImageDirect(formula);
  host_.onShow("从剪贴板导入图片", [](ui::Window& w) {
    auto& win = dynamic_cast<pictures::ClipboardPictureWindow&>(w);
    EXPECT_TRUE(win.按钮保存.enabled());
    win.按钮保存.Click();
  });
  PopUp(1, "从剪贴板导入(&P)");
  EXPECT_EQ(cell(1, kColPicture), "√");
  const recfile::Bytes stored = DiskPicture(1);
  ASSERT_GE(stored.size(), 58u);
  EXPECT_EQ(stored[0], 'B');
  EXPECT_EQ(stored[1], 'M');
  EXPECT_EQ(Le32(stored, 2), stored.size());
  EXPECT_EQ(Le32(stored, 10), 58u);
  EXPECT_EQ(Le32(stored, 14), 44u);
  EXPECT_EQ(Le32(stored, 30), 0u);

  host_.setClipboardImageDirect(std::nullopt);
  PopUp(1, "复制图片(&C)");
  const auto copied = host_.ClipboardImage();
  ASSERT_TRUE(copied);
  EXPECT_EQ(copied->pixels, formula.pixels);
}

TEST_F(EditorPictures, APictureThatMakesADuplicateIsRefusedBeforeTheWindowCloses) {
  Q earlier = Question("同");
  earlier.picture = "√";
  earlier.pictureData = {1, 2, 3};
  OpenEditor({earlier, Question("同")});
  host_.setClipboardImageDirect(pt::Pattern(2, 2));
  host_.onShow("从剪贴板导入图片", [this](ui::Window& w) {
    dynamic_cast<pictures::ClipboardPictureWindow&>(w).按钮保存.Click();
    EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"试题重复！"});
  });
  const int row = cell(1, kColPicture).empty() ? 1 : 2;
  PopUp(row, "从剪贴板导入(&P)");
  EXPECT_EQ(cell(row, kColPicture), "");
  EXPECT_EQ(std::get<std::string>(DiskField(IdOf(row), databases::kQuestionPicture)), "");
  EXPECT_TRUE(DiskPicture(row).empty());
  EXPECT_EQ(DiskPicture(3 - row), (recfile::Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace bank_editor::testing
