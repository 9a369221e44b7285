// The bank editor on a 10 000-question sample bank: opening it (loading
// the grid and the group order) and the check run when a row is left.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/app_context.h"
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "databases/program_databases.h"
#include "databases/sample_bank.h"
#include "recfile/record_file_engine.h"
#include "ui/host.h"

namespace {

constexpr int kQuestions = 10000;
const std::string kCourse = "样例课程";

// A host that answers every dialog as cancelled and counts messages.
class QuietHost : public ui::Host {
 public:
  int messages = 0;
  int messageBox(const ui::Window*, std::string_view, std::string_view, ui::MessageButtons,
                 ui::MessageIcon) override {
    ++messages;
    return ui::kButtonOk;
  }
  std::optional<std::string> inputBox(const ui::Window*, std::string_view, std::string_view,
                                      std::string_view, bool) override {
    return std::nullopt;
  }
  std::optional<std::string> openFileDialog(const ui::Window*, std::string_view,
                                            std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> chooseFolder(const ui::Window*, std::string_view) override {
    return std::nullopt;
  }
  std::optional<ui::Rgb> chooseColour(const ui::Window*, ui::Rgb) override { return std::nullopt; }
  std::optional<std::string> clipboardText() override { return std::nullopt; }
  void setClipboardText(std::string_view) override {}
  std::optional<ui::Image> clipboardImage() override { return std::nullopt; }
  void setClipboardImage(const ui::Image&) override {}
  std::optional<ui::Image> decodeImage(const ui::Bytes&) override { return std::nullopt; }
  bool openDocument(const std::string&) override { return false; }
  void showModal(ui::Window& w, ui::Window* owner) override {
    w.open(true, owner);
    w.destroy();
  }
  void showModeless(ui::Window& w, ui::Window* owner) override { w.open(false, owner); }
  void popupMenu(ui::Window&, ui::MenuItem&, int, int) override {}
  void processPendingEvents() override {}
  void setColourScheme(int) override {}
  void startTimer(ui::Timer&) override {}
  void stopTimer(ui::Timer&) override {}
  int countTextLines(int, std::string_view, const ui::Font&) override { return 1; }
  double now() override { return 45000.0; }
  std::int64_t tickCountMs() override { return 0; }
  std::string temporaryFolder() override { return "/tmp"; }
  bool wordProcessorAvailable() override { return false; }
  [[noreturn]] void exitProgram(int code) override { std::exit(code); }
};

class NoPrompter : public databases::Prompter {
 public:
  int MessageBox(const std::string&, const std::string&, databases::Buttons,
                 databases::Icon) override {
    return databases::kOk;
  }
  void EndProgram(int code) override { std::exit(code); }
};

// The sample bank and the question-type library in a folder of their own,
// written once for the whole run.
const std::string& DataDir() {
  static const std::string dir = [] {
    const char* base = std::getenv("MC_TEST_TMP");
    std::filesystem::path root = base && *base ? base : "/tmp";
    std::filesystem::create_directories(root);
    std::string pattern = (root / "mc-bench-editor-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    recfile::RecordFileEngine engine;
    std::string error;
    if (!databases::WriteSampleBank(engine, pattern + "/" + kCourse, kQuestions, 7, {}, &error))
      std::abort();
    NoPrompter prompter;
    databases::DatabaseContext db{engine, prompter, pattern};
    databases::OpenQuestionTypeLibrary(db);
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
struct Session {
  recfile::RecordFileEngine engine;
  QuietHost host;
  app::AppContext ctx{engine, host, DataDir()};
  NoPrompter prompter;

  Session() {
    ctx.selectedCourse = {kCourse, 0};
    databases::DatabaseContext db{engine, prompter, DataDir()};
    databases::OpenQuestionTypeLibrary(db);
    engine.Open(DataDir() + "/" + kCourse, {}, false, recfile::ShareMode::None, std::string());
  }
};

void BM_OpenEditor10k(benchmark::State& state) {
  Session s;
  for (auto _ : state) {
    bank_editor::BankEditorWindow editor(s.ctx);
    editor.open(true, nullptr);
    benchmark::DoNotOptimize(editor.高级表格1.RowCount());
    if (editor.高级表格1.RowCount() != kQuestions + 1) state.SkipWithError("rows missing");
  }
}
BENCHMARK(BM_OpenEditor10k)->Unit(benchmark::kMillisecond);

void BM_LeaveRowCheck10k(benchmark::State& state) {
  Session s;
  bank_editor::BankEditorWindow editor(s.ctx);
  editor.open(true, nullptr);
  // A question late in the grid, so the comparison runs over every row.
  editor.state.pressedRow = editor.高级表格1.RowCount() - 1;
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

}  // namespace

BENCHMARK_MAIN();
