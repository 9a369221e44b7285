// Paper output on a 200-question paper with 40 pictures read from a course
// bank: generation and both documents written.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "bench/output/paper200.h"
#include "output/html_output.h"
#include "output/paper_generation.h"

namespace {

void BM_GeneratePaper200(benchmark::State& state) {
  bench_output::Paper200 paper;
  if (!paper.Build()) {
    state.SkipWithError("cannot build the sample bank");
    return;
  }
  const std::string out = paper.dir + "/out";
  std::filesystem::create_directories(out);
  app::ProgramRandom random;
  for (auto _ : state) {
    output::CourseBankSource source(*paper.bank);
    const output::PaperLayout layout = output::GeneratePaper(paper.request, source, random);
    const auto a = output::WriteHtmlPaper(layout, source, out);
    const auto b = output::WriteHtmlAnswers(layout, source, out);
    if (!a.ok || !b.ok) {
      state.SkipWithError("writing failed");
      break;
    }
  }
}
BENCHMARK(BM_GeneratePaper200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
