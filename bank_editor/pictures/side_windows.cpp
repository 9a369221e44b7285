#include "bank_editor/pictures/side_windows.h"

#include "app/app_context.h"
#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "text/text.h"
#include "ui/host.h"
#include "ui/layout.h"
#include "ui/shared_helpers.h"

namespace bank_editor::pictures {

DifficultyDescriptionWindow::DifficultyDescriptionWindow(app::AppContext& ctx)
    : ui::Window(ctx.host, "难度说明", 400, 260), 编辑框2(*this, "编辑框2"), ctx_(ctx) {
  编辑框2.setMultiLine(true);
  编辑框2.setGeometry({0, 0, 400, 260});
  setLayout(ui::layout::column({ui::layout::unit(编辑框2, 1)}));
  onCreated = [this] { Load(); };
  onMayClose = [this] { return MayClose(); };
  onDestroyed = [this] { Save(); };
}

void DifficultyDescriptionWindow::Load() {
  databases::CourseLibrary library(ctx_.engine);
  const auto course = library.CourseAt(ctx_.selectedCourse.position);
  loaded_ = course.has_value();
  description_ = loaded_ ? course->difficultyNote : std::string();
  编辑框2.setText(description_);
  if (!loaded_ && ctx_.selectedCourse.position >= 0) host().Message(this, library.lastError().message);
}

bool DifficultyDescriptionWindow::MayClose() {
  if (!loaded_ || text::GbkLength(编辑框2.text()) <= static_cast<std::size_t>(databases::kDifficultyNoteWidth))
    return true;
  return host().MessageBox(this, "难度说明最多80个字节（40个汉字），超出的部分将不能保存，是否仍然关闭？",
                           ui::kMessageCaption, ui::MessageButtons::YesNo,
                           ui::MessageIcon::Question) == ui::kButtonYes;
}

void DifficultyDescriptionWindow::Save() {
  // Without the record read at opening there is nothing to write back to.
  if (!loaded_) return;
  databases::CourseLibrary library(ctx_.engine);
  const int position = ctx_.selectedCourse.position;
  if (library.SetDifficultyNote(position, 编辑框2.text())) {
    if (const auto course = library.CourseAt(position)) description_ = course->difficultyNote;
  } else {
    host().Message(this, library.lastError().message);
  }
  if (!ctx_.selectedCourse.name.empty()) ctx_.engine.SetCurrent(ctx_.selectedCourse.name);
}

namespace {

struct PreviewHeights {
  int text1, picture, text2;
  int window() const { return text1 + picture + text2 + QuestionPreviewWindow::kExtraHeight; }
};

PreviewHeights MeasurePreviewHeights(ui::Host& host, std::string_view text1, bool hasPicture, std::string_view text2) {
  using W = QuestionPreviewWindow;
  return {W::kLineHeight * ui::CountTextLines(host, W::kLabelWidth, text1), hasPicture ? W::kPictureHeight : 0,
          W::kLineHeight * ui::CountTextLines(host, W::kLabelWidth, text2)};
}

}  // namespace

QuestionPreviewWindow::QuestionPreviewWindow(ui::Host& host, std::string text1, ui::Bytes picture,
                                             std::string text2)
    : ui::Window(host, "试题预览", kWidth, MeasurePreviewHeights(host, text1, !picture.empty(), text2).window()),
      标签tiwen1(*this, "标签tiwen1"),
      图片框titu1(*this, "图片框titu1"),
      标签tiwen2(*this, "标签tiwen2") {
  const PreviewHeights h = MeasurePreviewHeights(host, text1, !picture.empty(), text2);
  标签tiwen1.setText(std::move(text1));
  标签tiwen2.setText(std::move(text2));
  图片框titu1.setImage(std::move(picture));

  // Units sit at their geometry: the sizes above are the arrangement.
  标签tiwen1.setGeometry({8, 0, kLabelWidth, h.text1});
  图片框titu1.setGeometry({8, h.text1, kPictureWidth, h.picture});
  标签tiwen2.setGeometry({8, h.text1 + h.picture, kLabelWidth, h.text2});
  onSizeChanged = [this] {
    if (width() != kWidth) Resize(kWidth, height());
  };
}

}  // namespace bank_editor::pictures
