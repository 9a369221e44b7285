// The program's icon (the same picture as dist/mochuan.svg), drawn here so
// it needs no image plugin.
#pragma once

#include <QIcon>

namespace ui::qt {

QIcon ProgramIcon();

}  // namespace ui::qt
