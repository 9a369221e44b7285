// The three colour schemes of the visual style: 1 blue, 2 green, 3 silver.
#pragma once

#include <QPalette>

namespace ui::qt {

inline constexpr int kSchemeBlue = 1;
inline constexpr int kSchemeGreen = 2;
inline constexpr int kSchemeSilver = 3;

// The palette of a scheme; any other number gives the blue one.
QPalette SchemePalette(int scheme);
// The colour a window's title strip is drawn in (pictures of windows).
QColor SchemeTitleColour(int scheme);
// Applies the scheme to the application: every open window and every window
// opened later take it at once.
void ApplyColourScheme(int scheme);

}  // namespace ui::qt
