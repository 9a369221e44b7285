// Two small windows beside the bank editor and the compose window: the
// course's difficulty description and the read-only question preview.
#pragma once

#include <string>

#include "ui/types.h"
#include "ui/units.h"
#include "ui/window.h"

namespace app {
struct AppContext;
}

namespace bank_editor::pictures {

// `DifficultyDescriptionWindow`, "难度说明": edits the "难度说明" field of
// the selected course's record (record position + 2 of "课程库"). The text
// is read when the window opens and written back whenever it closes, changed
// or not; the course's bank is made current again afterwards. A text longer
// than the field's 80 bytes is cut when stored, so closing such a text asks
// first (No keeps the window open).
//   DifficultyDescriptionWindow w(ctx);
//   host.ShowModal(w, owner);
//   composeLabel.setText(w.description());   // the text as stored
class DifficultyDescriptionWindow : public ui::Window {
 public:
  explicit DifficultyDescriptionWindow(app::AppContext& ctx);

  // The description as stored by the last close (as read while open).
  const std::string& description() const { return description_; }

  ui::EditBox 编辑框2;

 private:
  void Load();
  bool MayClose();
  void Save();

  app::AppContext& ctx_;
  std::string description_;
  bool loaded_ = false;
};

// `QuestionPreviewWindow`, "试题预览": a question's 题文1, its picture (the
// 题图数据 bytes, or none) and 题文2, stacked from the top. Label heights
// are 14 px a line (`CountTextLines` at the label width); the picture box is
// 208 px high with a picture and 0 without. The window (client area) is
// 600 px wide, always, and as high as the three units plus 80 px.
//   QuestionPreviewWindow w(host, text1, hasPicture ? data : ui::Bytes{}, text2);
//   host.ShowModal(w, composeWindow);
class QuestionPreviewWindow : public ui::Window {
 public:
  QuestionPreviewWindow(ui::Host& host, std::string text1, ui::Bytes picture, std::string text2);

  static constexpr int kWidth = 600;
  static constexpr int kLabelWidth = 577;
  static constexpr int kPictureWidth = 568;
  static constexpr int kPictureHeight = 208;
  static constexpr int kLineHeight = 14;
  static constexpr int kExtraHeight = 80;

  ui::Label 标签tiwen1;
  ui::PictureBox 图片框titu1;
  ui::Label 标签tiwen2;
};

}  // namespace bank_editor::pictures
