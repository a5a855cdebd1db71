// The archive side of a run: walking a full index that holds none of the wanted names, and
// decoding one large BM2 entry into its intermediate file.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "app/ConversionRun.h"
#include "archive/Bm2.h"
#include "archive/Pack.h"
#include "demo/DemoArchive.h"
#include "platform/Stream.h"

namespace popuran::bench {
namespace {

constexpr std::size_t kFullIndex = 65535;

// Names of the same length and look as the wanted ones, so that every comparison has to look
// at the bytes; none of them is wanted.
std::vector<demo::TArchiveEntry> UnwantedEntries(std::size_t count) {
  std::vector<demo::TArchiveEntry> entries;
  entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "C%08zu.BM2", i);
    entries.push_back({name, {static_cast<std::uint8_t>(i), 0x42}});
  }
  return entries;
}

// MakeCharacter over an index of 65535 records: one positioned 32-byte read per record, and not
// one byte of the data file.
void BM_WalkIndexWithoutWantedNames(benchmark::State& state) {
  const TScratchDir dir;
  demo::WriteArchive(dir / "TH2Data.000", dir / "TH2Data.001", UnwantedEntries(kFullIndex));
  const std::string executable = dir / "Kobitone.exe";
  WriteWholeFile(executable, std::vector<std::uint8_t>{'#', '!'});
  TAnswersOk ui(dir / "TH2Data.000", executable);
  TConversionRun run(dir.Path());
  run.FormCreate();
  // The first run checks the paths and makes the output folder; the loop repeats its walk.
  if (run.ExecClick(ui) != TRunOutcome::Completed) {
    state.SkipWithError("the run did not complete");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(run.MakeCharacter());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFullIndex));
}
BENCHMARK(BM_WalkIndexWithoutWantedNames)->Unit(benchmark::kMillisecond);

// A 640 × 480 entry: a palette with every kind of alpha and a picture of diagonal bands.
std::vector<std::uint8_t> LargeBm2() {
  constexpr std::int32_t kWidth = 640, kHeight = 480;
  std::array<demo::TRgba, 256> palette{};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    palette[i] = demo::TRgba{v, static_cast<std::uint8_t>(255 - v),
                             static_cast<std::uint8_t>(v * 7), static_cast<std::uint8_t>(v)};
  }
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
  for (std::int32_t y = 0; y < kHeight; ++y) {
    for (std::int32_t x = 0; x < kWidth; ++x) {
      pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>((x + 3 * y) / 5);
    }
  }
  return demo::MakeBm2(kWidth, kHeight, palette, pixels);
}

// The decoding alone, in memory.
void BM_DecodeBm2_640x480(benchmark::State& state) {
  const std::vector<std::uint8_t> entry = LargeBm2();
  for (auto _ : state) benchmark::DoNotOptimize(DecodeBm2(entry));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * entry.size()));
}
BENCHMARK(BM_DecodeBm2_640x480)->Unit(benchmark::kMicrosecond);

// The whole step of the run: the entry read from the data file, decoded and written as the
// intermediate file (a synced write, so the disk's cost is part of the figure).
void BM_ConvertBm2ToBmp_640x480(benchmark::State& state) {
  const TScratchDir dir;
  const std::string index = dir / "TH2Data.000", data = dir / "TH2Data.001";
  demo::WriteArchive(index, data, {{"C00210110.BM2", LargeBm2()}});
  TFileStream indexStream(index);
  const PackEntry entry = ReadPackEntry(indexStream, 1);
  TFileStream dataStream(data);
  for (auto _ : state) benchmark::DoNotOptimize(ConvertBm2ToBmp(dataStream, entry, dir.Path()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * entry.Size));
}
BENCHMARK(BM_ConvertBm2ToBmp_640x480)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace popuran::bench
