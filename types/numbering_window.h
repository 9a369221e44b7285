// "大题编号类型设置": the section numbering table in a grid. The default
// block (nine sections, 大写 and 罗马) stays as it is; rows and numbering
// types can be added after it and deleted again. Closing refuses empty
// labels and saves the table to its file.
//   types::NumberingWindow w(host, types::NumberingFilePath(dataDir));
//   host.ShowModal(w, composeWindow);   // the file is written on close
#pragma once

#include <memory>
#include <string>

#include "ui/grid_control.h"
#include "ui/menu.h"
#include "ui/window.h"

namespace types {

class NumberingWindow : public ui::Window {
 public:
  NumberingWindow(ui::Host& host, std::string path);
  ~NumberingWindow() override;

  ui::GridControl 高级表格1;

  ui::MenuItem 菜单编辑;
  ui::MenuItem 菜单添加;
  ui::MenuItem 菜单添加行;
  ui::MenuItem 菜单添加列;
  ui::MenuItem 菜单删除;
  ui::MenuItem 菜单末尾行;
  ui::MenuItem 菜单当前列;

  static constexpr int kColumnWidth = 60;
  static constexpr int kRowHeight = 24;

  // Whether the last close wrote the file.
  bool saved() const { return saved_; }

  void AddRow();
  void AddColumn();
  void DeleteLastRow();
  void DeleteCurrentColumn();
  // Menus, editability and the window size follow the table and the cursor.
  void UpdateMenusAndSize();

 private:
  class CursorWatch;
  void Opening();
  bool MayClose();

  std::string path_;
  bool saved_ = false;
  std::unique_ptr<CursorWatch> watch_;
};

}  // namespace types
