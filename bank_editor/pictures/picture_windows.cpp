#include "bank_editor/pictures/picture_windows.h"

#include "bank_editor/pictures/picture_codec.h"
#include "ui/host.h"
#include "ui/layout.h"

namespace bank_editor::pictures {

PicturePreviewWindow::PicturePreviewWindow(ui::Host& host, ui::Bytes picture, std::string caption)
    : ui::Window(host, "图片预览", 480, 360), 图片框1(*this, "图片框1") {
  setCaption(std::move(caption));
  图片框1.setImage(std::move(picture));
  setLayout(ui::layout::column({ui::layout::unit(图片框1, 1)}));
  onSizeChanged = [this] { FitPicture(); };
  onCreated = [this] { FitPicture(); };
  FitPicture();
}

void PicturePreviewWindow::FitPicture() { 图片框1.setGeometry({0, 0, width(), height()}); }

ClipboardPictureWindow::ClipboardPictureWindow(ui::Host& host, ProgramLauncher launcher)
    : ui::Window(host, "从剪贴板导入图片", 520, 400),
      图片框1(*this, "图片框1"),
      按钮公式编辑器(*this, "按钮公式编辑器", "打开word公式编辑器"),
      按钮重新导入(*this, "按钮重新导入", "重新导入"),
      按钮保存(*this, "按钮保存", "保存"),
      按钮取消(*this, "按钮取消", "取消"),
      菜单帮助(*this, "帮助(&H)"),
      菜单说明(菜单帮助, "说明(&E)"),
      launcher_(std::move(launcher)) {
  图片框1.setGeometry({8, 8, 504, 340});
  按钮公式编辑器.setGeometry({8, 356, 160, 30});
  按钮重新导入.setGeometry({240, 356, 84, 30});
  按钮保存.setGeometry({332, 356, 84, 30});
  按钮取消.setGeometry({424, 356, 84, 30});
  namespace L = ui::layout;
  setLayout(L::column({L::unit(图片框1, 1),
                       L::row({L::unit(按钮公式编辑器), L::stretch(), L::unit(按钮重新导入),
                               L::unit(按钮保存), L::unit(按钮取消)})}));
  按钮保存.setEnabled(false);

  onCreated = [this] {
    saved_.reset();
    LoadClipboard();
  };
  按钮重新导入.onClick = [this] { LoadClipboard(); };
  按钮保存.onClick = [this] {
    saved_ = 图片框1.image();
    if (onSave) onSave(*saved_);
    Close();
  };
  按钮取消.onClick = [this] { Close(); };
  按钮公式编辑器.onClick = [this] { OpenFormulaEditor(this->host(), this, launcher_); };
  菜单说明.onChoose = [this] { this->host().Message(this, kHelpText); };
}

void ClipboardPictureWindow::LoadClipboard() {
  const auto image = host().ClipboardImage();
  if (image && !image->empty()) 图片框1.setImage(EncodeClipboardBmp(*image));
  else 图片框1.clearImage();
  按钮保存.setEnabled(图片框1.hasImage());
}

}  // namespace bank_editor::pictures
