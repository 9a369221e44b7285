// The database operations' message boxes and program end, shown through the
// platform host. Kept header-only so that windows built on the application
// context need no more than the context's own header.
#pragma once

#include "databases/prompter.h"
#include "ui/host.h"

namespace app {

class HostPrompter : public databases::Prompter {
 public:
  explicit HostPrompter(ui::Host& host) : host_(host) {}

  // The window the boxes belong to (the main window once it exists).
  void setOwner(const ui::Window* owner) { owner_ = owner; }

  int MessageBox(const std::string& caption, const std::string& text, databases::Buttons buttons,
                 databases::Icon icon) override {
    return host_.messageBox(owner_, text, caption, ToHost(buttons), ToHost(icon));
  }
  void EndProgram(int exitCode) override { host_.exitProgram(exitCode); }

 private:
  static ui::MessageButtons ToHost(databases::Buttons b) {
    switch (b) {
      case databases::Buttons::OkCancel: return ui::MessageButtons::OkCancel;
      case databases::Buttons::YesNo: return ui::MessageButtons::YesNo;
      case databases::Buttons::Ok: break;
    }
    return ui::MessageButtons::Ok;
  }
  static ui::MessageIcon ToHost(databases::Icon i) {
    switch (i) {
      case databases::Icon::Information: return ui::MessageIcon::Information;
      case databases::Icon::Question: return ui::MessageIcon::Question;
      case databases::Icon::Warning: return ui::MessageIcon::Warning;
      case databases::Icon::Error: return ui::MessageIcon::Error;
      case databases::Icon::None: break;
    }
    return ui::MessageIcon::None;
  }

  ui::Host& host_;
  const ui::Window* owner_ = nullptr;
};

}  // namespace app
