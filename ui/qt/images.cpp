#include "ui/qt/images.h"

#include <QByteArray>
#include <limits>

namespace ui::qt {

namespace {

constexpr std::size_t kInfoSizeAt = 14;
constexpr std::uint8_t kStoredInfoSize = 44;
constexpr std::uint8_t kPlainInfoSize = 40;

}  // namespace

QImage DecodeImageBytes(const std::uint8_t* data, std::size_t size) {
  QImage image;
  if (!data || size == 0 || size > static_cast<std::size_t>(std::numeric_limits<int>::max())) return image;
  if (image.loadFromData(data, static_cast<int>(size))) return image;
  // A 44-byte information block is the plain 40-byte header followed by a
  // colour-table slot; the pixel offset in the file header still points
  // past it, so saying 40 reads the same pixels.
  if (size > kInfoSizeAt + 4 && data[0] == 'B' && data[1] == 'M' &&
      data[kInfoSizeAt] == kStoredInfoSize && data[kInfoSizeAt + 1] == 0 &&
      data[kInfoSizeAt + 2] == 0 && data[kInfoSizeAt + 3] == 0) {
    QByteArray patched(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    patched[kInfoSizeAt] = static_cast<char>(kPlainInfoSize);
    if (image.loadFromData(patched, "BMP")) return image;
  }
  return QImage();
}

}  // namespace ui::qt
