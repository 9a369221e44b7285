#include "app/startup.h"

#include "ui/host.h"

namespace app {

void ShowMainWindow(MainWindow& main) { main.host().showModeless(main, nullptr); }

SingleInstanceLock ClaimSingleInstance(ui::Host& host, const std::string& programFileName,
                                       const std::string& lockDirectory) {
  SingleInstanceLock lock = SingleInstanceLock::Acquire(programFileName, lockDirectory);
  if (lock.state() == SingleInstanceLock::State::HeldElsewhere) {
    host.message(nullptr, SecondCopyMessage(programFileName));
    host.exitProgram(0);
  }
  return lock;
}

}  // namespace app
