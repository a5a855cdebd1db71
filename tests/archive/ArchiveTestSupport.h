// Small builders for archive indexes and BM2 entries, and a way to catch an error's text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/Bm2.h"
#include "platform/Bytes.h"
#include "platform/Error.h"

namespace popuran::test {

// The text of the error that f raises, or "(no error)".
template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const TError& error) {
    return error.Text();
  }
  return "(no error)";
}

// A BM2 entry: the header of an 8-bit picture of the given biWidth and biHeight,
// a palette whose entry i is (i, i, i) and opaque, and the pixel bytes as given.
inline std::vector<std::uint8_t> MakeBm2(std::uint32_t biWidth, std::int32_t biHeight,
                                         const std::vector<std::uint8_t>& pixels) {
  // Sized once and copied into: growing it with insert trips GCC 12's -Warray-bounds at -O3.
  std::vector<std::uint8_t> entry(kBm2PixelOffset + pixels.size(), 0);
  std::uint8_t* p = entry.data();
  p[0] = 'B';
  p[1] = 'M';
  PutU32(p + 2, static_cast<std::uint32_t>(kBm2PixelOffset + pixels.size()));
  PutU32(p + 10, static_cast<std::uint32_t>(kBm2PixelOffset));
  PutU32(p + 14, 40);
  PutU32(p + 18, biWidth);
  PutI32(p + 22, biHeight);
  PutU16(p + 26, 1);
  PutU16(p + 28, 8);
  for (std::size_t i = 0; i < 256; ++i) {
    std::uint8_t* e = p + kBm2PaletteOffset + 4 * i;
    e[0] = e[1] = e[2] = static_cast<std::uint8_t>(i);
    e[3] = 128;
  }
  std::copy(pixels.begin(), pixels.end(), entry.begin() + kBm2PixelOffset);
  return entry;
}

// Pixel bytes of a w × h picture, top row first, that differ from row to row and column to
// column.
inline std::vector<std::uint8_t> Pixels(std::size_t w, std::size_t h) {
  std::vector<std::uint8_t> pixels(w * h);
  for (std::size_t y = 0; y < h; ++y) {
    for (std::size_t x = 0; x < w; ++x)
      pixels[y * w + x] = static_cast<std::uint8_t>(y * 37 + x * 3 + 1);
  }
  return pixels;
}

}  // namespace popuran::test
