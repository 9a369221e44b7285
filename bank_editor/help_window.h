// "题库编辑帮助": how the bank editor is used, in one read-only text.
#pragma once

#include <string_view>

#include "ui/units.h"
#include "ui/window.h"

namespace bank_editor {

extern const std::string_view kBankEditorHelpText;

class HelpWindow : public ui::Window {
 public:
  explicit HelpWindow(ui::Host& host);

  ui::EditBox 编辑框1;
};

}  // namespace bank_editor
