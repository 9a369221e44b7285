// Pieces the window benchmarks share: a host that answers every dialog as
// cancelled, a check for the database steps of the setup, and a private
// folder for data written once per run.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "databases/program_databases.h"
#include "ui/host.h"
#include "ui/window.h"

namespace bench_support {

// A host that answers every dialog as cancelled and counts messages.
class QuietHost : public ui::Host {
 public:
  int messages = 0;
  std::optional<std::string> fileToOpen;  // what the file dialog answers
  int MessageBox(const ui::Window*, std::string_view, std::string_view, ui::MessageButtons,
                 ui::MessageIcon) override {
    ++messages;
    return ui::kButtonOk;
  }
  std::optional<std::string> InputBox(const ui::Window*, std::string_view, std::string_view,
                                      std::string_view, bool) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileDialog(const ui::Window*, std::string_view,
                                            std::string_view) override {
    return fileToOpen;
  }
  std::optional<std::string> ChooseFolder(const ui::Window*, std::string_view) override {
    return std::nullopt;
  }
  std::optional<ui::Rgb> ChooseColour(const ui::Window*, ui::Rgb) override { return std::nullopt; }
  std::optional<std::string> ClipboardText() override { return std::nullopt; }
  void SetClipboardText(std::string_view) override {}
  std::optional<ui::Image> ClipboardImage() override { return std::nullopt; }
  void SetClipboardImage(const ui::Image&) override {}
  std::optional<ui::Image> DecodeImage(const ui::Bytes&) override { return std::nullopt; }
  bool OpenDocument(const std::string&) override { return false; }
  void ShowModal(ui::Window& w, ui::Window* owner) override {
    w.Open(true, owner);
    w.Destroy();
  }
  void ShowModeless(ui::Window& w, ui::Window* owner) override { w.Open(false, owner); }
  void PopupMenu(ui::Window&, ui::MenuItem&, int, int) override {}
  void ProcessPendingEvents() override {}
  void SetColourScheme(int) override {}
  void StartTimer(ui::Timer&) override {}
  void StopTimer(ui::Timer&) override {}
  int CountTextLines(int, std::string_view, const ui::Font&) override { return 1; }
  double Now() override { return 45000.0; }
  std::int64_t TickCountMs() override { return 0; }
  std::string TemporaryFolder() override { return "/tmp"; }
  bool WordProcessorAvailable() override { return false; }
  [[noreturn]] void ExitProgram(int code) override { std::exit(code); }
};

// A setup step that fails leaves nothing worth measuring.
inline void Require(const databases::Result& result) {
  if (!result.ok) std::abort();
}

// A new folder under $MC_TEST_TMP (or /tmp) named after `prefix`.
inline std::string MakeDataFolder(const std::string& prefix) {
  const char* base = std::getenv("MC_TEST_TMP");
  std::filesystem::path root = base && *base ? base : "/tmp";
  std::filesystem::create_directories(root);
  std::string pattern = (root / (prefix + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) std::abort();
  return pattern;
}

}  // namespace bench_support
