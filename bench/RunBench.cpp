// One whole run on the demo archive, as the run button does it: checks, confirmation, the walk
// of its few thousand records, four decoded pictures, their recipes and the four output files.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "app/ConversionRun.h"
#include "demo/DemoArchive.h"

namespace popuran::bench {
namespace {

void BM_ConvertDemoArchive(benchmark::State& state) {
  const TScratchDir dir;
  const demo::TDemoPaths paths = demo::WriteDemoArchive(dir / "demo");
  const std::string workDir = dir / "work";
  std::filesystem::create_directory(workDir);
  TAnswersOk ui(paths.indexFile, paths.companionExe);
  for (auto _ : state) {
    TConversionRun run(workDir);
    run.FormCreate();
    if (run.ExecClick(ui) != TRunOutcome::Completed) {
      state.SkipWithError("the run did not complete");
      break;
    }
  }
}
BENCHMARK(BM_ConvertDemoArchive)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace popuran::bench
