// Reading questions from documents: a 500-question Word document with 50
// pictures, read and prepared for a preview against a 5 000-question bank.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <zip.h>

#include <filesystem>
#include <string>

#include "bank_editor/pictures/picture_codec.h"
#include "exchange/bulk_import.h"
#include "exchange/question_markup.h"
#include "exchange/source_document.h"

namespace {

std::string Para(const std::string& text) {
  return "<w:p><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
}

// Writes the document once per process into a private folder.
const std::string& Document() {
  static const std::string path = [] {
    char pattern[] = "/tmp/mc-bench-docx-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string file = dir + "/试题.docx";
    ui::Image img;
    img.width = 320;
    img.height = 200;
    img.pixels.resize(static_cast<std::size_t>(img.width * img.height));
    for (std::size_t i = 0; i < img.pixels.size(); ++i)
      img.pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8);
    const ui::Bytes jpeg = bank_editor::pictures::EncodeJpeg(img);
    std::string body;
    for (int q = 1; q <= 500; ++q) {
      const std::string n = std::to_string(q);
      body += Para(n + ". 第" + n + "题：下列说法中正确的是（ ）");
      if (q % 10 == 0)
        body += "<w:p><w:r><w:drawing><a:blip xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                "r:embed=\"rId" + std::to_string(100 + q / 10) + "\"/></w:drawing></w:r></w:p>";
      for (char o = 'A'; o <= 'D'; ++o) body += Para(std::string(1, o) + ". 选项" + o + n);
      body += Para("答案：" + std::string(1, static_cast<char>('A' + q % 4)));
      body += Para("知识点：第" + std::to_string(q % 37) + "章|概念");
    }
    const std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>" +
        body + "</w:body></w:document>";
    std::string rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (int k = 1; k <= 50; ++k)
      rels += "<Relationship Id=\"rId" + std::to_string(100 + k) + "\" Type=\"image\" Target=\"media/p" +
              std::to_string(k) + ".jpeg\"/>";
    rels += "</Relationships>";
    int code = 0;
    zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    static std::string keep[3];
    keep[0] = doc;
    keep[1] = rels;
    keep[2] = std::string(jpeg.begin(), jpeg.end());
    zip_file_add(z, "word/document.xml", zip_source_buffer(z, keep[0].data(), keep[0].size(), 0), 0);
    zip_file_add(z, "word/_rels/document.xml.rels", zip_source_buffer(z, keep[1].data(), keep[1].size(), 0), 0);
    for (int k = 1; k <= 50; ++k)
      zip_file_add(z, ("word/media/p" + std::to_string(k) + ".jpeg").c_str(),
                   zip_source_buffer(z, keep[2].data(), keep[2].size(), 0), 0);
    zip_close(z);
    return file;
  }();
  return path;
}

std::vector<databases::Question> Bank(int n) {
  std::vector<databases::Question> bank(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    auto& q = bank[static_cast<std::size_t>(i)];
    q.text1 = "库中第" + std::to_string(i) + "题";
    q.answer = "答案" + std::to_string(i);
    q.type = i % 2 ? "选择" : "问答";
    q.score = 2 + i % 5;
    q.difficulty = 1 + i % 9;
  }
  return bank;
}

void BM_ReadDocx500(benchmark::State& state) {
  const std::string& path = Document();
  const auto bank = Bank(5000);
  const std::vector<std::string> types = {"判断", "选择", "填空", "名词", "问答"};
  for (auto _ : state) {
    exchange::SourceDocument doc;
    std::string error;
    if (!exchange::ReadSourceFile(path, doc, error)) state.SkipWithError(error.c_str());
    const auto preview = exchange::PrepareImport(exchange::ParseQuestionMarkup(doc), bank, types);
    if (preview.importable != 500) state.SkipWithError("not every question was importable");
    benchmark::DoNotOptimize(preview);
  }
}
BENCHMARK(BM_ReadDocx500)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
