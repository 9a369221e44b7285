// Shows what a database operation left for a person, through the platform
// host. Header-only, like the context every window is handed.
#pragma once

#include "databases/program_databases.h"
#include "ui/host.h"

namespace app {

// The operation's message over `owner` (an error box for an error, the usual
// information box otherwise), then the end of the program where the
// operation asks for it. Returns whether the operation succeeded.
inline bool ShowResult(ui::Host& host, const ui::Window* owner, const databases::Result& result) {
  if (!result.message.empty()) {
    if (result.kind == databases::MessageKind::Error)
      host.MessageBox(owner, result.message, "错误", ui::MessageButtons::Ok, ui::MessageIcon::Error);
    else
      host.Message(owner, result.message);
  }
  if (result.endProgram) host.ExitProgram(0);
  return result.ok;
}

}  // namespace app
