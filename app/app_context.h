// Process-wide state handed to every window: the record-file engine, the
// platform host, the shared random generator and the main window's choices.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/show_result.h"
#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"

namespace ui {
class Host;
class Window;
}  // namespace ui

namespace output {
class PdfRenderer;
}  // namespace output

namespace app {

// One generator for the whole process, never reseeded: papers drawn in one
// run of the program follow from the order of draws.
class ProgramRandom {
 public:
  // Next raw draw, 0..32767.
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }
  // A random integer in [a, b]: a + r mod (b - a + 1).
  int Between(int a, int b) {
    const int r = Next();
    const std::int64_t span = static_cast<std::int64_t>(b) - a + 1;
    if (span <= 0) return a;
    return static_cast<int>(a + r % span);
  }
  std::uint32_t state() const { return state_; }
  void setState(std::uint32_t s) { state_ = s; }

 private:
  std::uint32_t state_ = 1;
};

// The main window's course choice: the text of the course list and its
// 0-based position (-1 = none). Its course record is record position + 2.
struct SelectedCourse {
  std::string name;
  int position = -1;
};

struct AppContext;

// Builds a window that lives above this layer (the bank editor, the compose
// window); main() registers them. Without one a placeholder stands in.
using WindowFactory = std::function<std::unique_ptr<ui::Window>(AppContext&, ui::Window* owner)>;

struct AppContext {
  AppContext(recfile::RecordFileEngine& engine, ui::Host& host, std::string dataDir)
      : engine(engine), host(host), dataDir(std::move(dataDir)) {}

  recfile::RecordFileEngine& engine;
  ui::Host& host;
  std::string dataDir;  // the working directory; databases live here

  ProgramRandom random;
  SelectedCourse selectedCourse;
  std::string openedCourseName;  // `OpenedCourseName`
  std::string adminDialogMode;   // `AdminDialogMode`
  bool groupOrderFlag = false;   // `GroupOrderFlag`: the compose window's last sort was by group

  WindowFactory makeBankEditor;
  WindowFactory makeComposeWindow;
  // Draws generated papers as PDF; main() hands in the Qt layer's. Without
  // one a PDF is refused with a message.
  output::PdfRenderer* pdfRenderer = nullptr;
  // The automatic-composition window; its owner is the compose window.
  WindowFactory makeAutoComposeWindow;

  // The main window once it exists: owner of the program's dialogs.
  ui::Window* mainWindow = nullptr;

  // What the database operations work with.
  databases::DatabaseContext db() const { return {engine, dataDir}; }
  // Shows a database operation's message over the main window and ends the
  // program where it asks; returns whether the operation succeeded.
  bool Show(const databases::Result& result) { return ShowResult(host, mainWindow, result); }

  // Path of a database file in the data directory ("课程库" -> dir/课程库.edb).
  std::string DataPath(const std::string& fileName) const {
    return dataDir.empty() ? fileName : dataDir + "/" + fileName;
  }
};

}  // namespace app
