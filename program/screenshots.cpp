// mochuan-screenshots OUTDIR: pictures every window of the program on a
// demonstration data folder, as OUTDIR/<caption>.png, on the offscreen
// platform.
#include "program/screenshots.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/data_dir.h"
#include "program/demo_data.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/snapshot.h"
#include "ui/qt/window_view.h"
#ifdef MC_WITH_BANK_EDITOR
#include "bank_editor/bank_editor_window.h"
#endif

namespace program {

void ShotContext::Save(QWidget& widget, const std::string& caption, const std::string& name) {
  const QImage image = ui::qt::Snapshot(widget, ui::qt::ToQ(caption), host.colourScheme());
  if (ui::qt::SaveSnapshot(image, outDir_, ui::qt::ToQ(name.empty() ? caption : name))) {
    ++written_;
    std::printf("%s\n", (name.empty() ? caption : name).c_str());
  } else {
    ++failed_;
    std::fprintf(stderr, "cannot write the picture of %s\n", caption.c_str());
  }
}

void ShotContext::Capture(ui::Window& window, const std::string& name) {
  ui::qt::WindowView* view = host.ViewOf(window);
  if (!view) {
    ++failed_;
    std::fprintf(stderr, "%s is not open\n", window.caption().c_str());
    return;
  }
  view->show();
  QCoreApplication::processEvents();
  // Named after the caption it was built with: a caption that counts
  // questions would give a new file name with every sample bank.
  Save(*view, window.caption(), name.empty() ? window.initialCaption() : name);
}

void ShotContext::Shoot(ui::Window& window, ui::Window* owner, const std::function<void()>& prepare,
                        const std::string& name) {
  host.OpenView(window, owner, true);
  if (!window.isOpen()) {
    ++failed_;
    std::fprintf(stderr, "%s closed as it opened\n", window.caption().c_str());
    return;
  }
  if (prepare) prepare();
  Capture(window, name);
  window.Destroy();
  QCoreApplication::processEvents();
}

void ShotContext::Message(const std::string& text, const std::string& caption,
                          ui::MessageButtons buttons, ui::MessageIcon icon) {
  QWidget* parent = host.ViewOf(main);
  std::unique_ptr<QMessageBox> box = ui::qt::QtHost::MakeMessageBox(parent, text, caption, buttons, icon);
  box->setWindowModality(Qt::NonModal);
  box->show();
  QCoreApplication::processEvents();
  Save(*box, caption, caption + " " + text);
  box->hide();
}

void ShotContext::Input(const std::string& prompt, const std::string& caption,
                        const std::string& typed, bool masked) {
  QWidget* parent = host.ViewOf(main);
  std::unique_ptr<QInputDialog> dialog =
      ui::qt::QtHost::MakeInputDialog(parent, prompt, caption, typed, masked);
  dialog->setWindowModality(Qt::NonModal);
  dialog->show();
  QCoreApplication::processEvents();
  Save(*dialog, caption, caption + " " + prompt);
  dialog->hide();
}

}  // namespace program

namespace {

std::string makeTempDir(const char* prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  return ::mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mochuan-screenshots OUTDIR\n");
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // A lock and a temporary folder of its own: a running mochuan is no
  // concern of the pictures.
  const std::string runtime = makeTempDir("mochuan-shots-run");
  if (!runtime.empty()) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

  // The offscreen platform says of each window that it cannot do what only
  // a screen does; the pictures need none of it.
  static const QtMessageHandler platformDefault = qInstallMessageHandler(nullptr);
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& where, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support"))) return;
    if (platformDefault)
      platformDefault(type, where, text);
    else
      std::fprintf(stderr, "%s\n", qPrintable(text));
  });

  QApplication qt(argc, argv);
  ui::qt::QtHost host;
  ui::qt::QtHost::Automation automation;
  automation.onModal = [](ui::Window& w) {
    std::fprintf(stderr, "closing unexpected window %s\n", w.caption().c_str());
  };
  automation.onMessage = [](std::string_view, std::string_view text, ui::MessageButtons) {
    std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    return std::optional<int>(ui::kButtonOk);
  };
  automation.cancelDialogs = true;
  host.setAutomation(automation);

  recfile::RecordFileEngine engine;
  std::string error;
  const std::string dataDir = program::MakeDemoDataDirectory(engine, host.TemporaryFolder(), &error);
  if (dataDir.empty() || !app::EnterDataDirectory(dataDir, &error)) {
    std::fprintf(stderr, "no demonstration folder: %s\n", error.c_str());
    return 1;
  }

  int failed = 0;
  int written = 0;
  {
    app::AppContext ctx(engine, host, dataDir);
#ifdef MC_WITH_BANK_EDITOR
    ctx.makeBankEditor = bank_editor::MakeBankEditor;
#endif
    app::MainWindow main(ctx, {"mochuan-screenshots", runtime});
    host.OpenView(main, nullptr, false);
    program::ShotContext shots(host, ctx, main, outDir);
    for (const program::Shot& shot : program::Shots()) shot.take(shots);
    written = shots.written();
    failed = shots.failed();
    main.Destroy();
    QCoreApplication::processEvents();
  }
  std::error_code ec;
  std::filesystem::remove_all(dataDir, ec);
  if (!runtime.empty()) std::filesystem::remove_all(runtime, ec);
  std::printf("%d pictures in %s\n", written, argv[1]);
  return failed == 0 ? 0 : 1;
}
