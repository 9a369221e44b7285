// Pictures of every window of the program, for the README and for checking
// layouts by eye. A window gets its picture by one entry in Shots()
// (screenshot_registry.cpp).
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "ui/host.h"
#include "ui/qt/qt_host.h"

namespace program {

class ShotContext {
 public:
  ShotContext(ui::qt::QtHost& host, app::AppContext& ctx, app::MainWindow& main, QString outDir)
      : host(host), ctx(ctx), main(main), outDir_(std::move(outDir)) {}

  ui::qt::QtHost& host;
  app::AppContext& ctx;   // on a demonstration data folder
  app::MainWindow& main;  // open, the demonstration course listed

  // Shows the window over `owner` without waiting for it, runs `prepare`
  // (put it in a meaningful state), pictures it under its caption (or
  // `name`), then closes it.
  void Shoot(ui::Window& window, ui::Window* owner = nullptr,
             const std::function<void()>& prepare = {}, const std::string& name = {});
  // Pictures a window that is open now.
  void Capture(ui::Window& window, const std::string& name = {});
  // Pictures a message box as the host shows it, named "<caption> <text>".
  void Message(const std::string& text, const std::string& caption = std::string(ui::kMessageCaption),
               ui::MessageButtons buttons = ui::MessageButtons::Ok,
               ui::MessageIcon icon = ui::MessageIcon::None);

  // Pictures an input box as the host shows it, named after its caption.
  void Input(const std::string& prompt, const std::string& caption, const std::string& typed,
             bool masked);

  int written() const { return written_; }
  int failed() const { return failed_; }

 private:
  void Save(class QWidget& widget, const std::string& caption, const std::string& name);
  QString outDir_;
  int written_ = 0;
  int failed_ = 0;
};

struct Shot {
  std::string what;
  std::function<void(ShotContext&)> take;
};

// Every picture, in order.
const std::vector<Shot>& Shots();

}  // namespace program
