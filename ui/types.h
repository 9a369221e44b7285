// Small value types shared by the unit models, the grid and the host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

using Bytes = std::vector<std::uint8_t>;

// A colour as the platform stores it: red in the low byte, then green, then
// blue (0x00BBGGRR). Colours kept in databases use this layout.
using Rgb = std::int32_t;
constexpr Rgb rgb(int r, int g, int b) {
  return static_cast<Rgb>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(Rgb c) { return c & 0xFF; }
constexpr int greenOf(Rgb c) { return (c >> 8) & 0xFF; }
constexpr int blueOf(Rgb c) { return (c >> 16) & 0xFF; }
inline constexpr Rgb kWhite = rgb(255, 255, 255);

// Decoded pixels: 0xAARRGGBB per pixel, rows from top to bottom.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  bool empty() const { return width <= 0 || height <= 0; }
};

// Modifier keys carried by mouse and key events; added together.
inline constexpr int kModCtrl = 1;
inline constexpr int kModShift = 2;
inline constexpr int kModAlt = 4;

// Virtual key codes the windows look at.
inline constexpr int kKeyBack = 8;
inline constexpr int kKeyTab = 9;
inline constexpr int kKeyReturn = 13;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeySpace = 32;
inline constexpr int kKeyPageUp = 33;
inline constexpr int kKeyPageDown = 34;
inline constexpr int kKeyEnd = 35;
inline constexpr int kKeyHome = 36;
inline constexpr int kKeyLeft = 37;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyRight = 39;
inline constexpr int kKeyDown = 40;
inline constexpr int kKeyInsert = 45;
inline constexpr int kKeyDelete = 46;
inline constexpr int kKeyF2 = 113;

// A position and size in a window's client area, in pixels.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The font a text is measured in.
struct Font {
  std::string family = "宋体";
  int height = 19;  // character-cell height in pixels
  bool bold = false;
};

}  // namespace ui
