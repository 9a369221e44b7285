// Word output and PDF on the 200-question paper with 40 pictures: both
// documents typed and written, the paper generated once beforehand.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <filesystem>

#include "bench/output/paper200.h"
#include "output/paper_generation.h"
#include "output/word_output.h"
#ifdef MC_WITH_PDF
#include "ui/qt/paper_pdf.h"
#endif

namespace {

// A real 480 x 320 photograph-like JPEG (about 20 KB): the sample bank's
// picture bytes only look like JPEG, and the writers read picture headers.
recfile::Bytes RealJpeg() {
  constexpr int w = 480, h = 320;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / w);
      p[1] = static_cast<std::uint8_t>(y * 255 / h);
      p[2] = static_cast<std::uint8_t>((x * y) % 251);
    }
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[static_cast<std::size_t>(cinfo.next_scanline) * w * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  recfile::Bytes bytes(out, out + size);
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return bytes;
}

// Reads every picture from the bank as the program does, then hands out a
// real JPEG in its place.
class RealPictures : public output::CourseBankSource {
 public:
  using CourseBankSource::CourseBankSource;
  bool ReadPicture(const output::PictureRef& ref, std::vector<std::uint8_t>& bytes,
                   std::string& error) override {
    if (!CourseBankSource::ReadPicture(ref, bytes, error)) return false;
    if (!bytes.empty()) bytes = jpeg_;
    return true;
  }

 private:
  recfile::Bytes jpeg_ = RealJpeg();
};

void WriteBoth(benchmark::State& state, output::WordFormat format, output::PdfRenderer* pdf) {
  bench_output::Paper200 paper;
  if (!paper.Build()) {
    state.SkipWithError("cannot build the sample bank");
    return;
  }
  const std::string out = paper.dir + "/out";
  std::filesystem::create_directories(out);
  app::ProgramRandom random;
  RealPictures source(*paper.bank);
  const output::PaperLayout layout = output::GeneratePaper(paper.request, source, random);
  for (auto _ : state) {
    const auto a = output::WriteWordPaper(layout, source, out, format, pdf);
    const auto b = output::WriteWordAnswers(layout, source, out, format, pdf);
    if (!a.ok || !b.ok) {
      state.SkipWithError((a.ok ? b.error : a.error).c_str());
      break;
    }
  }
}

void BM_WriteDocx200(benchmark::State& state) { WriteBoth(state, output::WordFormat::Docx, nullptr); }
BENCHMARK(BM_WriteDocx200)->Unit(benchmark::kMillisecond);

#ifdef MC_WITH_PDF
void BM_WritePdf200(benchmark::State& state) {
  static const auto renderer = ui::qt::MakePdfRenderer();
  WriteBoth(state, output::WordFormat::Pdf, renderer.get());
}
BENCHMARK(BM_WritePdf200)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
