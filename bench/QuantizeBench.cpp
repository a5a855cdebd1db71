// Colour reduction of a character-sized picture and of a large many-coloured one.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "quantize/Octree.h"

namespace popuran {
namespace {

TRGBTriple Rgb(int red, int green, int blue) {
  return TRGBTriple{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                    static_cast<std::uint8_t>(red)};
}

TBitmap MakeBlank(std::int32_t width, std::int32_t height) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(width, height);
  return picture;
}

// A figure in a few dozen colours (four bands in three shades) with a dark outline blended over
// four steps into the figure and into the lime background.
TBitmap MakeCharacterPicture(std::int32_t size) {
  TBitmap picture = MakeBlank(size, size);
  const TRGBTriple bands[] = {Rgb(90, 60, 40), Rgb(250, 220, 200), Rgb(200, 40, 60),
                              Rgb(40, 50, 140)};
  const TRGBTriple outline = Rgb(30, 20, 25);
  const std::int64_t rx = size * 2 / 5, ry = size * 9 / 20, c = size / 2;
  const std::int64_t edge = rx * rx * ry * ry, ring = edge / 8;
  for (std::int32_t y = 0; y < size; ++y) {
    for (std::int32_t x = 0; x < size; ++x) {
      const std::int64_t dx = x - c, dy = y - c;
      const std::int64_t f = dx * dx * ry * ry + dy * dy * rx * rx;
      if (f > edge + ring) {
        picture.SetPixel(x, y, kLime);
        continue;
      }
      TRGBTriple inside = bands[(y * 4 / size) % 4];
      const int shade = static_cast<int>(x * 3 / size);
      inside.rgbtRed = static_cast<std::uint8_t>(inside.rgbtRed * (10 - shade) / 10);
      inside.rgbtGreen = static_cast<std::uint8_t>(inside.rgbtGreen * (10 - shade) / 10);
      inside.rgbtBlue = static_cast<std::uint8_t>(inside.rgbtBlue * (10 - shade) / 10);
      const std::int64_t t = (f - (edge - ring)) * 4 / ring;
      TRGBTriple from = inside, to = outline;
      std::int64_t w = t < 0 ? 0 : t;
      if (t >= 4) {
        from = outline;
        to = kLime;
        w = t - 4;
      }
      auto mix = [&](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>((a * (4 - w) + b * w) / 4);
      };
      picture.SetPixel(
          x, y,
          TRGBTriple{mix(from.rgbtBlue, to.rgbtBlue), mix(from.rgbtGreen, to.rgbtGreen),
                     mix(from.rgbtRed, to.rgbtRed)});
    }
  }
  return picture;
}

// Smooth gradients over the whole cube with a little fixed-seed noise: nearly every pixel a
// colour of its own.
TBitmap MakeManyColouredPicture(std::int32_t size) {
  TBitmap picture = MakeBlank(size, size);
  std::uint32_t state = 2024;
  for (std::int32_t y = 0; y < size; ++y) {
    for (std::int32_t x = 0; x < size; ++x) {
      state = state * 1664525u + 1013904223u;
      const int noise = static_cast<int>((state >> 24) & 15);
      picture.SetPixel(
          x, y,
          Rgb((x * 255 / (size - 1) + noise) & 255, (y * 255 / (size - 1) + noise) & 255,
              ((x + y) * 255 / (2 * size - 2) ^ noise) & 255));
    }
  }
  return picture;
}

void BM_QuantizeCharacter200(benchmark::State& state) {
  const TBitmap picture = MakeCharacterPicture(200);
  for (auto _ : state) benchmark::DoNotOptimize(QuantizeBitmap(picture, 256));
}
BENCHMARK(BM_QuantizeCharacter200)->Unit(benchmark::kMicrosecond);

void BM_QuantizeManyColoured1024(benchmark::State& state) {
  const TBitmap picture = MakeManyColouredPicture(1024);
  for (auto _ : state) benchmark::DoNotOptimize(QuantizeBitmap(picture, 256));
}
BENCHMARK(BM_QuantizeManyColoured1024)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace popuran
