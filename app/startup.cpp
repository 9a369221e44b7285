#include "app/startup.h"

#include "ui/host.h"

namespace app {

void ShowMainWindow(MainWindow& main) { main.host().showModeless(main, nullptr); }

}  // namespace app
