// Adding a large PNG as a question picture: decoding it and re-encoding it
// as the stored JPEG.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <random>
#include <vector>

#include "bank_editor/pictures/picture_codec.h"
#include "ui/testing/scripted_host.h"

namespace {

// An RGB PNG of random pixels: noise does not compress, so about 3 bytes a
// pixel end up in the file.
const ui::Bytes& NoisyPng() {
  static const ui::Bytes png = [] {
    constexpr int kSide = 1300;  // 1300 x 1300 x 3 bytes: just over 5 MB
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kSide) * kSide * 3);
    std::mt19937 random(42);
    for (auto& b : rgb) b = static_cast<std::uint8_t>(random());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kSide;
    image.height = kSide;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    ui::Bytes out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
    out.resize(size);
    return out;
  }();
  return png;
}

void BM_AddPngPicture(benchmark::State& state) {
  const ui::Bytes& png = NoisyPng();
  ui::testing::ScriptedHost host;
  std::size_t stored = 0;
  for (auto _ : state) {
    const auto picture = bank_editor::pictures::PictureForStorage(host, "noise.png", png);
    if (!picture.ok()) {
      state.SkipWithError("the PNG was refused");
      break;
    }
    stored = picture.bytes->size();
    benchmark::DoNotOptimize(picture.bytes->data());
  }
  state.counters["png_MB"] = static_cast<double>(png.size()) / 1e6;
  state.counters["jpeg_MB"] = static_cast<double>(stored) / 1e6;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(png.size()));
}
BENCHMARK(BM_AddPngPicture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
