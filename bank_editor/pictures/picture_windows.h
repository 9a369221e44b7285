// The two picture dialogs of the bank editor: the preview of a stored
// picture and the import of a picture from the clipboard.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "bank_editor/pictures/formula_editor.h"
#include "ui/menu.h"
#include "ui/types.h"
#include "ui/units.h"
#include "ui/window.h"

namespace bank_editor::pictures {

// "图片预览": shows picture bytes in 图片框1, which fills the window at
// every size. The caption is the column heading the picture belongs to
// ("题图" or "答图"); the window is still found by its name "图片预览".
//   PicturePreviewWindow w(host, bytes, "题图");
//   host.ShowModal(w, editor);
class PicturePreviewWindow : public ui::Window {
 public:
  PicturePreviewWindow(ui::Host& host, ui::Bytes picture, std::string caption);

  ui::PictureBox 图片框1;

 private:
  void FitPicture();
};

// "从剪贴板导入图片": shows the clipboard's bitmap as the BMP bytes it would
// be stored as. "保存" (enabled only while a picture is shown) closes the
// window with that picture as the result; "取消" and closing otherwise leave
// no result. "重新导入" reads the clipboard again (an empty clipboard empties
// the box). "打开word公式编辑器" starts a formula editor through `launcher`.
//   ClipboardPictureWindow w(host);
//   host.ShowModal(w, editor);
//   if (w.savedPicture()) StorePicture(..., *w.savedPicture(), ...);
class ClipboardPictureWindow : public ui::Window {
 public:
  explicit ClipboardPictureWindow(ui::Host& host,
                                  ProgramLauncher launcher = ProgramLauncher::System());

  // The picture "保存" took; nullopt when the window closed without saving.
  const std::optional<ui::Bytes>& savedPicture() const { return saved_; }
  // Stores the picture "保存" took while the window is still open (any
  // message it shows appears over this window), before it closes.
  std::function<void(const ui::Bytes&)> onSave;

  ui::PictureBox 图片框1;
  ui::Button 按钮公式编辑器;
  ui::Button 按钮重新导入;
  ui::Button 按钮保存;
  ui::Button 按钮取消;
  ui::MenuItem 菜单帮助;
  ui::MenuItem 菜单说明;

  static constexpr const char* kHelpText =
      "如果公式编辑器自动安装不成功，请关闭word，从原始安装盘（不是从‘添加/删除程序’里）启动office安装程序，"
      "选择‘添加或删除功能’以及‘选择应用程序的高级功能’，在‘office工具’里设置‘公式编辑器’‘从本机运行’后更新。";

 private:
  void LoadClipboard();

  ProgramLauncher launcher_;
  std::optional<ui::Bytes> saved_;
};

}  // namespace bank_editor::pictures
