// mochuan [--data-dir DIR] [--demo]: the question bank and paper composer.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/data_dir.h"
#include "app/startup.h"
#include "program/demo_data.h"
#include "recfile/record_file_engine.h"
#include "ui/qt/program_icon.h"
#include "ui/qt/qt_host.h"
#ifdef MC_WITH_BANK_EDITOR
#include "bank_editor/bank_editor_window.h"
#endif
#ifdef MC_WITH_COMPOSE
#include "compose/compose_window.h"
#endif
#ifdef MC_WITH_AUTOCOMPOSE
#include "autocompose/auto_compose_window.h"
#endif
#ifdef MC_WITH_PDF
#include "ui/qt/paper_pdf.h"
#endif
#ifdef MC_WITH_EXCHANGE
#include "exchange/document_import_window.h"
#endif

namespace {

constexpr int kUsageExitCode = 2;

const char kUsage[] =
    "用法：mochuan [--data-dir 目录] [--demo]\n"
    "  --data-dir 目录  数据库所在的目录（默认：程序所在目录可写时用它，\n"
    "                   否则 $XDG_DATA_HOME/mochuan）\n"
    "  --demo           在临时目录中建立演示数据（管理员“管理员”，密码 123456，\n"
    "                   一门含示例试题的课程）并在其上启动\n"
    "  --help           显示本说明\n"
    "  --version        显示版本\n";

// Test and demonstration hooks, off unless the environment asks:
// MC_AUTO_CLOSE=1 closes every modal window as soon as it shows and
// answers every message box with its closing answer; MC_EVENT_LOG=FILE
// appends each window, message box and the exit to FILE.
void AutomateFromEnvironment(ui::qt::QtHost& host) {
  ui::qt::QtHost::Automation automation;
  const char* autoClose = std::getenv("MC_AUTO_CLOSE");
  if (autoClose && std::string(autoClose) == "1") {
    automation.onModal = [](ui::Window&) {};
    automation.onMessage = [](std::string_view, std::string_view, ui::MessageButtons buttons) {
      switch (buttons) {
        case ui::MessageButtons::Ok: return std::optional<int>(ui::kButtonOk);
        case ui::MessageButtons::YesNo: return std::optional<int>(ui::kButtonNo);
        case ui::MessageButtons::AbortRetryIgnore: return std::optional<int>(ui::kButtonAbort);
        default: return std::optional<int>(ui::kButtonCancel);
      }
    };
    automation.cancelDialogs = true;
  }
  if (const char* path = std::getenv("MC_EVENT_LOG"); path && *path) {
    const std::string file = path;
    automation.log = [file](const std::string& line) {
      std::ofstream out(file, std::ios::app);
      out << line << '\n';
    };
  }
  host.setAutomation(std::move(automation));
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::puts("墨川题库与组卷系统 2.0");
      return 0;
    }
  }

  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("mochuan"));
  QApplication::setDesktopFileName(QStringLiteral("mochuan"));
  QApplication::setWindowIcon(ui::qt::ProgramIcon());
  // Qt has taken its own options out of argv.
  std::vector<std::string> args(argv, argv + argc);
  app::ProgramOptions options = app::ReadProgramOptions(args);
  if (!options.usageError.empty()) {
    std::fprintf(stderr, "mochuan：%s\n%s", options.usageError.c_str(), kUsage);
    return kUsageExitCode;
  }

  ui::qt::QtHost host;
  AutomateFromEnvironment(host);
  host.rememberIn(ui::qt::RememberedSettings(ui::qt::RememberedSettings::DefaultFile()));
  // Before anything of its own shows (or a demonstration folder is made).
  app::SingleInstanceLock instance = app::ClaimSingleInstance(host, app::ProgramFileName(args.front()));
  recfile::RecordFileEngine engine;

  if (options.demo) {
    std::string error;
    const std::string dir = program::MakeDemoDataDirectory(engine, host.TemporaryFolder(), &error);
    if (dir.empty()) {
      std::fprintf(stderr, "mochuan：%s\n", error.c_str());
      host.MessageBox(nullptr, error, ui::kMessageCaption, ui::MessageButtons::Ok,
                      ui::MessageIcon::Error);
      return app::kDataDirectoryExitCode;
    }
    std::fprintf(stderr, "mochuan：演示数据目录 %s（管理员 %s，密码 %s）\n", dir.c_str(),
                 program::kDemoAdministrator, program::kDemoAdministratorPassword);
    options.dataDir.dir = dir;
  }

  const app::DataDirectory dir = app::SetUpRequestedDataDirectory(options.dataDir, app::ExecutablePath());
  if (!dir.ok()) {
    std::fprintf(stderr, "mochuan：%s\n", dir.error.c_str());
    host.MessageBox(nullptr, dir.error, ui::kMessageCaption, ui::MessageButtons::Ok,
                    ui::MessageIcon::Error);
    return app::kDataDirectoryExitCode;
  }

  app::AppContext ctx(engine, host, dir.path);
#ifdef MC_WITH_BANK_EDITOR
  ctx.makeBankEditor = [](app::AppContext& c, ui::Window* owner) {
    auto window = bank_editor::MakeBankEditor(c, owner);
#ifdef MC_WITH_EXCHANGE
    if (auto* editor = dynamic_cast<bank_editor::BankEditorWindow*>(window.get()))
      exchange::AttachExchangeCommands(*editor);
#endif
    return window;
  };
#endif
#ifdef MC_WITH_COMPOSE
  ctx.makeComposeWindow = compose::MakeComposeWindow;
#endif
#ifdef MC_WITH_AUTOCOMPOSE
  ctx.makeAutoComposeWindow = autocompose::MakeAutoComposeWindow;
#endif
#ifdef MC_WITH_PDF
  const auto pdfRenderer = ui::qt::MakePdfRenderer();
  ctx.pdfRenderer = pdfRenderer.get();
#endif
  app::MainWindow main(ctx, {app::ProgramFileName(args.front()), {}});
  main.AdoptInstanceLock(std::move(instance));
  main.closed().Connect([] { QCoreApplication::quit(); });
  app::ShowMainWindow(main);
  if (!main.isOpen()) return 0;
  return qt.exec();
}
