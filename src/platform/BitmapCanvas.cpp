// The canvas operations of TBitmap that the image recipes use.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Bitmap.h"

namespace popuran {

void TBitmap::CopyRect(const TRect& to, const TBitmap& source, const TRect& from) {
  // Sizes in 64 bits: Right − Left of two 32-bit values can need 33.
  const std::int64_t dw = std::int64_t{to.Right} - to.Left;
  const std::int64_t dh = std::int64_t{to.Bottom} - to.Top;
  const std::int64_t sw = std::int64_t{from.Right} - from.Left;
  const std::int64_t sh = std::int64_t{from.Bottom} - from.Top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const bool paletted = source.FPixelFormat == TPixelFormat::pf8bit;
  if (FPixelFormat != TPixelFormat::pf24bit ||
      (source.FPixelFormat != TPixelFormat::pf24bit && !paletted)) {
    return;
  }
  // Visit only the part of the destination inside this picture, however large the rectangle.
  const std::int64_t yBegin = std::max<std::int64_t>(0, -std::int64_t{to.Top});
  const std::int64_t yEnd = std::min<std::int64_t>(dh, std::int64_t{FHeight} - to.Top);
  const std::int64_t xBegin = std::max<std::int64_t>(0, -std::int64_t{to.Left});
  const std::int64_t xEnd = std::min<std::int64_t>(dw, std::int64_t{FWidth} - to.Left);
  // y < dh, so y · sh < dh · sh < 2^64: the products fit unsigned 64 bits.
  const auto scale = [](std::int64_t i, std::int64_t s, std::int64_t d) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(i) * static_cast<std::uint64_t>(s) /
                                     static_cast<std::uint64_t>(d));
  };
  // The columns are the same in every row: worked out once, as runs of destination columns
  // whose source columns follow one another, so that each row copies whole runs. Columns whose
  // source lies outside the source picture belong to no run. At most one run per column of this
  // picture.
  struct TRun {
    std::int64_t to;    // first destination column, from to.Left
    std::int64_t from;  // its source column
    std::int64_t count;
  };
  std::vector<TRun> runs;
  for (std::int64_t x = xBegin; x < xEnd; ++x) {
    const std::int64_t sx = from.Left + scale(x, sw, dw);
    if (sx < 0 || sx >= source.FWidth) continue;
    if (!runs.empty() && runs.back().to + runs.back().count == x &&
        runs.back().from + runs.back().count == sx) {
      ++runs.back().count;
    } else {
      runs.push_back(TRun{x, sx, 1});
    }
  }
  if (runs.empty()) return;
  for (std::int64_t y = yBegin; y < yEnd; ++y) {
    const std::int64_t sy = from.Top + scale(y, sh, dh);
    if (sy < 0 || sy >= source.FHeight) continue;
    std::uint8_t* out = ScanLine(static_cast<std::int32_t>(to.Top + y));
    const std::uint8_t* in = source.ScanLine(static_cast<std::int32_t>(sy));
    for (const TRun& run : runs) {
      std::uint8_t* o = out + 3 * (to.Left + run.to);
      if (!paletted) {
        std::memcpy(o, in + 3 * run.from, 3 * static_cast<std::size_t>(run.count));
        continue;
      }
      // An 8-bit pixel gives the colour of its colour-table entry.
      for (const std::uint8_t* i = in + run.from; i < in + run.from + run.count; ++i, o += 3) {
        const TRGBQuad& colour = source.FColorTable[*i];
        o[0] = colour.rgbBlue;
        o[1] = colour.rgbGreen;
        o[2] = colour.rgbRed;
      }
    }
  }
}

void TBitmap::FloodFill(std::int32_t x, std::int32_t y) {
  if (FPixelFormat != TPixelFormat::pf24bit) return;
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight || Pixel(x, y) != kBlack) return;
  // The brush itself may be black; then there is nothing to change, and filling would never end.
  if (FBrushColor == kBlack) return;
  // Every position below comes from a row 0 to FHeight − 1 and a column 0 to FWidth − 1, so the
  // pixel reads and writes stay inside FPixels.
  const std::size_t rowBytes = RowBytes();
  std::uint8_t* const pixels = FPixels.data();
  const auto at = [&](std::int32_t column, std::int32_t row) {
    return pixels + static_cast<std::size_t>(row) * rowBytes + 3 * static_cast<std::size_t>(column);
  };
  const auto black = [](const std::uint8_t* p) { return (p[0] | p[1] | p[2]) == 0; };
  const std::uint8_t brush[3] = {FBrushColor.rgbtBlue, FBrushColor.rgbtGreen, FBrushColor.rgbtRed};
  // Scanline fill with an explicit stack of seeds, so a large area cannot exhaust the call stack.
  std::vector<TPoint> seeds{{x, y}};
  while (!seeds.empty()) {
    const TPoint seed = seeds.back();
    seeds.pop_back();
    std::uint8_t* const row = at(0, seed.y);
    if (!black(row + 3 * static_cast<std::size_t>(seed.x))) continue;
    std::int32_t left = seed.x;
    while (left > 0 && black(row + 3 * static_cast<std::size_t>(left - 1))) --left;
    std::int32_t right = seed.x;
    while (right + 1 < FWidth && black(row + 3 * static_cast<std::size_t>(right + 1))) ++right;
    for (std::uint8_t* p = row + 3 * static_cast<std::size_t>(left);
         p <= row + 3 * static_cast<std::size_t>(right); p += 3) {
      std::memcpy(p, brush, 3);
    }
    for (const std::int32_t ny : {seed.y - 1, seed.y + 1}) {
      if (ny < 0 || ny >= FHeight) continue;
      const std::uint8_t* const next = at(0, ny);
      bool inRun = false;
      for (std::int32_t i = left; i <= right; ++i) {
        const bool isBlack = black(next + 3 * static_cast<std::size_t>(i));
        if (isBlack && !inRun) seeds.push_back({i, ny});
        inRun = isBlack;
      }
    }
  }
}

void TBitmap::FillRect(const TRect& rect) {
  if (FPixelFormat != TPixelFormat::pf24bit) return;
  const std::int32_t left = std::max(rect.Left, 0);
  const std::int32_t top = std::max(rect.Top, 0);
  const std::int32_t right = std::min(rect.Right, FWidth);
  const std::int32_t bottom = std::min(rect.Bottom, FHeight);
  for (std::int32_t y = top; y < bottom; ++y) {
    for (std::int32_t x = left; x < right; ++x) SetPixel(x, y, FBrushColor);
  }
}

}  // namespace popuran
