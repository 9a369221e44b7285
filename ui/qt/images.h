// Image-file bytes as Qt images, including the BMP files the program stores
// for pictures taken from the clipboard, whose information header says it
// is 44 bytes long (a 40-byte header and one colour-table slot), a size
// Qt's reader does not know.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace ui::qt {

// A null image when the bytes are no image Qt can read.
QImage DecodeImageBytes(const std::uint8_t* data, std::size_t size);

}  // namespace ui::qt
