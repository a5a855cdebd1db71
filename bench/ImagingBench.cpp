// The picture steps of a recipe: the crop copy, the scaler and the background's flood fills.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "BenchSupport.h"
#include "imaging/ImageExtract.h"
#include "imaging/ImageRecipe.h"
#include "platform/Bitmap.h"

namespace popuran::bench {
namespace {

// Pose 0 crops 326 × 326 into a square of the same size; pose 3 crops 351 × 351 into a square
// of 352, which repeats one row and one column.
void BM_CopyRectCrop(benchmark::State& state) {
  const int pose = static_cast<int>(state.range(0));
  const ImageRecipe& recipe = RecipeOfPose(pose);
  const TBitmap picture = DecodedPose(pose);
  const std::int32_t side = recipe.SquareSize;
  TBitmap square;
  square.SetPixelFormat(TPixelFormat::pf24bit);
  square.SetSize(side, side);
  for (auto _ : state) {
    square.CopyRect(TRect{0, 0, side, side}, picture, recipe.CropRect);
    benchmark::DoNotOptimize(square.ScanLine(0));
    benchmark::ClobberMemory();
  }
  state.SetLabel(std::to_string(recipe.CropRect.Width()) + " to " + std::to_string(side));
}
BENCHMARK(BM_CopyRectCrop)->ArgName("pose")->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

// 326 × 326 to 160 × 160 (poses 0 to 2) and 352 × 352 to 200 × 200 (pose 3).
void BM_ScaleArea(benchmark::State& state) {
  const int pose = static_cast<int>(state.range(0));
  const ImageRecipe& recipe = RecipeOfPose(pose);
  const TBitmap square = SquareOfPose(pose);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ScaleArea(square, recipe.ThumbSize, recipe.ThumbSize));
  }
  state.SetLabel(std::to_string(square.Width()) + " to " + std::to_string(recipe.ThumbSize));
}
BENCHMARK(BM_ScaleArea)->ArgName("pose")->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

// Every flood fill and the patch of one recipe on its unpainted thumbnail. Each iteration starts
// from the unpainted pixels again; BM_RestoreThumbnail is that copy alone.
void BM_PaintBackground(benchmark::State& state) {
  const int pose = static_cast<int>(state.range(0));
  const ImageRecipe& recipe = RecipeOfPose(pose);
  const TBitmap unpainted = ThumbnailOfPose(pose);
  const std::size_t bytes = unpainted.RowBytes() * static_cast<std::size_t>(unpainted.Height());
  TBitmap thumbnail = unpainted;
  for (auto _ : state) {
    std::memcpy(thumbnail.ScanLine(0), unpainted.ScanLine(0), bytes);
    PaintBackground(thumbnail, recipe);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PaintBackground)->ArgName("pose")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void BM_RestoreThumbnail(benchmark::State& state) {
  const TBitmap unpainted = ThumbnailOfPose(3);
  const std::size_t bytes = unpainted.RowBytes() * static_cast<std::size_t>(unpainted.Height());
  TBitmap thumbnail = unpainted;
  for (auto _ : state) {
    std::memcpy(thumbnail.ScanLine(0), unpainted.ScanLine(0), bytes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RestoreThumbnail)->Unit(benchmark::kMicrosecond);

// The thumbnail step as the recipe runs it: the square's file loaded, made 24-bit and scaled.
void BM_ExtractThumbnail(benchmark::State& state) {
  const TScratchDir dir;
  const std::string file = dir / "square.bmp";
  SquareOfPose(3).SaveToFile(file);
  TBitmap thumbnail;
  thumbnail.SetPixelFormat(TPixelFormat::pf24bit);
  thumbnail.SetSize(200, 200);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ExtractThumbnail(file, thumbnail, IEIFLAG_NOBORDER | IEIFLAG_QUALITY));
  }
}
BENCHMARK(BM_ExtractThumbnail)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace popuran::bench
