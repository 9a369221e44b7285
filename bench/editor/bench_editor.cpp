// The bank editor on a 10 000-question sample bank: opening it (loading
// the grid and the group order), the check run when a row is left, the
// editing commands, and adding a large PNG as a question picture.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "databases/program_databases.h"
#include "tools/sample_bank/sample_bank.h"
#include "recfile/record_file_engine.h"
#include "bench/support/quiet_host.h"
#include "ui/host.h"

namespace {

constexpr int kQuestions = 10000;
const std::string kCourse = "样例课程";

using bench_support::Require;
using bench_support::QuietHost;

// The sample bank and the question-type library in a folder of their own,
// written once for the whole run.
const std::string& DataDir() {
  static const std::string dir = [] {
    std::string pattern = bench_support::MakeDataFolder("mc-bench-editor");
    recfile::RecordFileEngine engine;
    std::string error;
    if (!samples::WriteSampleBank(engine, pattern + "/" + kCourse, kQuestions, 7, {}, &error))
      std::abort();
    databases::DatabaseContext db{engine, pattern};
    Require(databases::OpenQuestionTypeLibrary(db));
    engine.CloseAll();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(DataDir(), ec);
    });
    return pattern;
  }();
  return dir;
}

// The program's state as the main window leaves it when "题库编辑" opens.
// A session that changes the bank works on a copy of its own, named
// `course`, so every benchmark starts from the same 10 000 questions.
struct Session {
  recfile::RecordFileEngine engine;
  QuietHost host;
  app::AppContext ctx{engine, host, DataDir()};

  explicit Session(const std::string& course = kCourse) {
    if (course != kCourse) {
      for (const char* ext : {".edb", ".edt"})
        std::filesystem::copy_file(DataDir() + "/" + kCourse + ext, DataDir() + "/" + course + ext,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    ctx.selectedCourse = {course, 0};
    databases::DatabaseContext db{engine, DataDir()};
    Require(databases::OpenQuestionTypeLibrary(db));
    engine.Open(DataDir() + "/" + course, {}, false, recfile::ShareMode::None, std::string());
  }
};

// An editor open on the session's bank, the cursor on a question in the
// middle of the grid.
struct OpenEditor {
  bank_editor::BankEditorWindow window;
  int middle = 0;
  explicit OpenEditor(Session& s) : window(s.ctx) {
    window.Open(true, nullptr);
    middle = window.高级表格1.RowCount() / 2;
    window.GoToCell(middle, bank_editor::kColText1);
  }
};

void BM_OpenEditor10k(benchmark::State& state) {
  Session s;
  for (auto _ : state) {
    bank_editor::BankEditorWindow editor(s.ctx);
    editor.Open(true, nullptr);
    benchmark::DoNotOptimize(editor.高级表格1.RowCount());
    if (editor.高级表格1.RowCount() != kQuestions + 1) state.SkipWithError("rows missing");
  }
}
BENCHMARK(BM_OpenEditor10k)->Unit(benchmark::kMillisecond);

void BM_LeaveRowCheck10k(benchmark::State& state) {
  Session s;
  bank_editor::BankEditorWindow editor(s.ctx);
  editor.Open(true, nullptr);
  // A question late in the grid, so the comparison runs over every row.
  editor.setPressedRow(editor.高级表格1.RowCount() - 1);
  for (auto _ : state) benchmark::DoNotOptimize(editor.LeaveRowCheck());
  if (s.host.messages != 0) state.SkipWithError("the sample row broke a rule");
}
BENCHMARK(BM_LeaveRowCheck10k)->Unit(benchmark::kMicrosecond);

// For comparison: the duplicate count done record by record with the
// engine's Find, reading the three memo fields of every record.
void BM_DuplicateScanByFind10k(benchmark::State& state) {
  Session s;
  auto& e = s.engine;
  e.GoTo(kQuestions);
  const std::string t1 = e.ReadText(4), t2 = e.ReadText(6), answer = e.ReadText(7);
  for (auto _ : state) {
    int count = 0;
    e.GoTo(1);
    while (e.Find([&] {
      return bank_editor::SameQuestionContent(t1, t2, answer, e.ReadText(4), e.ReadText(6),
                                              e.ReadText(7));
    })) {
      ++count;
      if (!e.Skip()) break;
    }
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_DuplicateScanByFind10k)->Unit(benchmark::kMillisecond);

// "添加(&A)": a new record and row after the current one; the text editor
// it opens is closed at once. The row left each time is a complete one.
void BM_AddQuestion10k(benchmark::State& state) {
  Session s("添加");
  OpenEditor e(s);
  for (auto _ : state) {
    e.window.GoToCell(e.middle, bank_editor::kColText1);
    e.window.setPressedRow(e.middle);
    e.window.AddQuestion();
  }
  if (e.window.高级表格1.RowCount() != kQuestions + 1 + static_cast<int>(state.iterations()))
    state.SkipWithError("a question was not added");
}
BENCHMARK(BM_AddQuestion10k)->Unit(benchmark::kMillisecond);

// "复制该题并粘贴(&C)" on a question in the middle of the grid.
void BM_CopyQuestion10k(benchmark::State& state) {
  Session s("复制");
  OpenEditor e(s);
  for (auto _ : state) {
    e.window.GoToCell(e.middle, bank_editor::kColText1);
    e.window.CopyQuestion();
  }
  if (e.window.高级表格1.RowCount() != kQuestions + 1 + static_cast<int>(state.iterations()))
    state.SkipWithError("a question was not copied");
}
BENCHMARK(BM_CopyQuestion10k)->Unit(benchmark::kMillisecond);

// "删除(&D)" of one selected question, the bank packed afterwards. Each
// round first copies a question (not timed), so the bank keeps its size.
void BM_DeleteQuestion10k(benchmark::State& state) {
  Session s("删除");
  OpenEditor e(s);
  for (auto _ : state) {
    state.PauseTiming();
    e.window.GoToCell(e.middle, bank_editor::kColText1);
    e.window.CopyQuestion();  // the copy is current and selected
    state.ResumeTiming();
    e.window.DeleteQuestions();
  }
  if (e.window.高级表格1.RowCount() != kQuestions + 1 || s.engine.RecordCount() != kQuestions)
    state.SkipWithError("the copies were not deleted");
}
BENCHMARK(BM_DeleteQuestion10k)->Unit(benchmark::kMillisecond);

// An RGB PNG of random pixels: noise does not compress, so about 3 bytes a
// pixel end up in the file.
const std::string& NoisyPngFile() {
  static const std::string path = [] {
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
    std::vector<char> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
    const std::string file = DataDir() + "/noise.png";
    std::ofstream(file, std::ios::binary).write(out.data(), static_cast<std::streamsize>(size));
    return file;
  }();
  return path;
}

// "从文件添加(&T)" with a 5 MB PNG: reading the file, decoding it,
// re-encoding it as JPEG, storing it and the duplicate check of the row.
void BM_AddPngPicture(benchmark::State& state) {
  Session s("图片");
  s.host.fileToOpen = NoisyPngFile();
  OpenEditor e(s);
  for (auto _ : state) {
    e.window.GoToCell(e.middle, bank_editor::kColPicture);
    e.window.AddPictureFromFile();
  }
  const auto stored = e.window.ReadPictureData(e.middle, databases::PictureKind::Question);
  if (s.host.messages != 0 || stored.size() < 2 || stored[0] != 0xFF || stored[1] != 0xD8)
    state.SkipWithError("the picture was not stored as JPEG");
  state.counters["png_MB"] = static_cast<double>(std::filesystem::file_size(NoisyPngFile())) / 1e6;
  state.counters["jpeg_MB"] = static_cast<double>(stored.size()) / 1e6;
}
BENCHMARK(BM_AddPngPicture)->Unit(benchmark::kMillisecond);

// ---- Import -----------------------------------------------------------------

constexpr int kImportQuestions = 5000;
constexpr int kImportShared = 1000;

// A 5 000-question bank "五千" and a 5 000-question bank to import whose
// first 1 000 records are copies of the first 1 000 of "五千".
const std::string& ImportDir() {
  static const std::string dir = [] {
    const std::string base = DataDir() + "/导入";
    std::filesystem::create_directories(base);
    recfile::RecordFileEngine engine;
    std::string error;
    if (!samples::WriteSampleBank(engine, base + "/五千", kImportQuestions, 7, {}, &error) ||
        !samples::WriteSampleBank(engine, base + "/另一", kImportQuestions - kImportShared, 11, {},
                                    &error) ||
        !engine.Create(base + "/来源", databases::QuestionBankFields()) ||
        !engine.Open(base + "/五千", "五千", true) || !engine.Open(base + "/另一", "另一", true) ||
        !engine.Open(base + "/来源", "来源"))
      std::abort();
    int offered = 0;
    const auto firstOnes = [&offered] { return ++offered <= kImportShared; };
    engine.SetCurrent("来源");
    if (!engine.CopyRecords("五千", firstOnes) || !engine.CopyRecords("另一") ||
        engine.RecordCount() != kImportQuestions)
      std::abort();
    databases::DatabaseContext db{engine, base};
    Require(databases::OpenQuestionTypeLibrary(db));
    engine.CloseAll();
    return base;
  }();
  return dir;
}

// "导入(&R)" of the 5 000-question bank into the open 5 000-question bank:
// the duplicate test of every source record against every row, the copies
// written, the grid sorted by group. Each round starts from a fresh copy
// of "五千" and a fresh editor (not timed).
void BM_ImportBank5kInto5k(benchmark::State& state) {
  const std::string dir = ImportDir();
  int imported = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* ext : {".edb", ".edt"})
      std::filesystem::copy_file(dir + "/五千" + ext, dir + "/课程" + ext,
                                 std::filesystem::copy_options::overwrite_existing);
    auto engine = std::make_unique<recfile::RecordFileEngine>();
    QuietHost host;
    host.fileToOpen = dir + "/来源.edb";
    app::AppContext ctx{*engine, host, dir};
    ctx.selectedCourse = {"课程", 0};
    databases::DatabaseContext db{*engine, dir};
    Require(databases::OpenQuestionTypeLibrary(db));
    engine->Open(dir + "/课程", {}, false, recfile::ShareMode::None, std::string());
    auto editor = std::make_unique<bank_editor::BankEditorWindow>(ctx);
    editor->Open(true, nullptr);
    const int before = editor->高级表格1.RowCount();
    state.ResumeTiming();

    editor->ImportBank();

    state.PauseTiming();
    imported = editor->高级表格1.RowCount() - before;
    engine->SetCurrent("课程");
    if (imported <= 0 || engine->RecordCount() != kImportQuestions + imported)
      state.SkipWithError("the import did not go through");
    editor.reset();
    engine.reset();
    state.ResumeTiming();
  }
  state.counters["imported"] = imported;
}
BENCHMARK(BM_ImportBank5kInto5k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
