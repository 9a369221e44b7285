// Qt keys and modifiers as the virtual key codes and modifier flags the
// windows look at.
#pragma once

#include <Qt>

namespace ui::qt {

// 0 for a key without a virtual key code.
int VirtualKey(int qtKey);
// kModCtrl / kModShift / kModAlt added.
int ModifierFlags(Qt::KeyboardModifiers modifiers);

}  // namespace ui::qt
