// The program description, the about window, and the stand-in for a window
// that is not part of this build.
#pragma once

#include <string>

#include "ui/units.h"
#include "ui/window.h"

namespace app {

// The description's text, lines joined by CR LF.
std::string ProgramDescriptionText();

class DescriptionWindow : public ui::Window {
 public:
  explicit DescriptionWindow(ui::Host& host);
  ui::EditBox 编辑框说明;
};

class AboutWindow : public ui::Window {
 public:
  explicit AboutWindow(ui::Host& host);
  ui::Label 标签名称;
  ui::Label 标签说明;
  ui::Button 确定;
};

// Shown in place of the bank editor or the compose window when the program
// was built without it.
class PlaceholderWindow : public ui::Window {
 public:
  PlaceholderWindow(ui::Host& host, const std::string& caption);
  ui::Label 标签1;
  ui::Button 确定;
};

}  // namespace app
