// What a document needs to know of a picture file before embedding it: its
// format and its size in pixels, read from the file's header.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace output {

using Bytes = std::vector<std::uint8_t>;

enum class PictureFormat { Jpeg, Png, Bmp, Gif };

struct PictureInfo {
  PictureFormat format = PictureFormat::Jpeg;
  int width = 0;   // pixels
  int height = 0;  // pixels
};

// Format and size of a JPEG, PNG, BMP or GIF file; nullopt for anything else
// or a header that gives no sensible size.
std::optional<PictureInfo> ReadPictureInfo(const Bytes& bytes);

// File extension and MIME type of a format ("jpeg", "image/jpeg").
std::string_view ExtensionOf(PictureFormat format);
std::string_view MimeTypeOf(PictureFormat format);

}  // namespace output
