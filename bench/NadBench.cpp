// The character file: built in memory from the finished 200 × 200 thumbnail, and written.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "charfile/NadFile.h"

namespace popuran::bench {
namespace {

void BM_BuildNadImage(benchmark::State& state) {
  const TBitmap thumbnail = PaintedThumbnailOfPose(3);
  TNadHeader header{};
  TNadTail tail{};
  SetUpNadHeader(header, tail);
  for (auto _ : state) benchmark::DoNotOptimize(BuildNadImage(thumbnail, header, tail));
}
BENCHMARK(BM_BuildNadImage)->Unit(benchmark::kMicrosecond);

// BuildNadImage and the synced write of the file.
void BM_WriteNadFile(benchmark::State& state) {
  const TScratchDir dir;
  const TBitmap thumbnail = PaintedThumbnailOfPose(3);
  TNadHeader header{};
  TNadTail tail{};
  SetUpNadHeader(header, tail);
  const std::string outDir = dir.Path() + "/";
  for (auto _ : state) WriteNadFile(thumbnail, header, tail, outDir);
}
BENCHMARK(BM_WriteNadFile)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace popuran::bench
