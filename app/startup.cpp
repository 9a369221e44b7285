#include "app/startup.h"

#include "ui/host.h"

namespace app {

void ShowMainWindow(MainWindow& main) { main.host().ShowModeless(main, nullptr); }

SingleInstanceLock ClaimSingleInstance(ui::Host& host, const std::string& programFileName,
                                       const std::string& lockDirectory) {
  SingleInstanceLock lock = SingleInstanceLock::Acquire(programFileName, lockDirectory);
  if (lock.state() == SingleInstanceLock::State::HeldElsewhere) {
    host.Message(nullptr, SecondCopyMessage(programFileName));
    host.ExitProgram(0);
  }
  return lock;
}

}  // namespace app
