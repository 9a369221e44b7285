// The page every generated document is laid out on: A4 portrait with the
// margins a Chinese word processor gives a new document. Lengths in twips
// (1/20 point), as WordprocessingML counts them.
#pragma once

#include "output/document_writer.h"

namespace output {

inline constexpr int kPageWidthTwips = 11906;   // 210 mm
inline constexpr int kPageHeightTwips = 16838;  // 297 mm
inline constexpr int kMarginTopTwips = 1440;    // 2.54 cm
inline constexpr int kMarginBottomTwips = 1440;
inline constexpr int kMarginLeftTwips = 1800;   // 3.17 cm
inline constexpr int kMarginRightTwips = 1800;
inline constexpr int kTextWidthTwips = kPageWidthTwips - kMarginLeftTwips - kMarginRightTwips;
inline constexpr int kTextHeightTwips = kPageHeightTwips - kMarginTopTwips - kMarginBottomTwips;

// One character unit of indent: the width of a character of the normal style.
inline constexpr double kCharacterUnitTwips = kNormalFontSize * 20;

// Pictures carry no size of their own here: a pixel counts 1/96 inch.
inline constexpr double kTwipsPerPixel = 1440.0 / 96.0;

// The width a picture may take in a paragraph: the text width less the
// paragraph's left indent.
double AvailableWidthTwips(const ParagraphFormat& format);

// A picture's size on the page: its natural size, scaled down with its
// aspect kept when wider than `maxWidthTwips`.
struct PictureExtent {
  double widthTwips = 0;
  double heightTwips = 0;
};
PictureExtent FitPicture(const PictureInfo& info, double maxWidthTwips);

}  // namespace output
