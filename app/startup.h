// How the program starts. main() (the Qt program) does, in this order:
//
//   QApplication qt(argc, argv);  QtHost host;
//   const auto dir = app::SetUpDataDirectory(args, app::ExecutablePath());
//   if (!dir.ok()) { show/print dir.error; return app::kDataDirectoryExitCode; }
//   recfile::RecordFileEngine engine;
//   app::AppContext ctx(engine, host, dir.path);
//   ctx.makeBankEditor = ...;  ctx.makeComposeWindow = ...;   // optional
//   app::MainWindow main(ctx, {app::ProgramFileName(argv[0]), {}});
//   app::ShowMainWindow(main);   // runs the start-up checks below
//   return qt.exec();            // until the main window has closed
//
// SetUpDataDirectory makes the data folder the working directory. Showing
// the main window raises its creation event, which refuses a second copy
// ("程序 <name> 已经运行！", exit 0), switches colour scheme 1 on, loads the
// course list (first run: the administrator dialog, then "题型库") and
// disables the course commands. Failures there end the program through
// host.ExitProgram(0). Closing the main window closes every database; the
// host's loop should end on the window's closed() signal.
#pragma once

#include "app/app_context.h"
#include "app/data_dir.h"
#include "app/main_window.h"
#include "app/single_instance.h"

#include <string>

namespace ui {
class Host;
}

namespace app {

// Shows the main window without an owner and not modally; returns once its
// start-up steps have run (the real host exits the process on a failure).
void ShowMainWindow(MainWindow& main);

// The single-instance check, made before any window of the program shows:
// a second copy of the program file says "程序 <name> 已经运行！" and ends
// (exit 0). Hand the lock to the main window (AdoptInstanceLock), which
// then does not check again.
SingleInstanceLock ClaimSingleInstance(ui::Host& host, const std::string& programFileName,
                                       const std::string& lockDirectory = {});

}  // namespace app
