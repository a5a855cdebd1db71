// Small pictures for the imaging tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace popuran::test {

// A 24-bit picture whose pixel (x, y) is colour(x, y).
inline TBitmap MakePicture(std::int32_t width, std::int32_t height,
                           const std::function<TRGBTriple(std::int32_t, std::int32_t)>& colour) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) picture.SetPixel(x, y, colour(x, y));
  }
  return picture;
}

// Varied but reproducible channel values.
inline TRGBTriple NoiseColour(std::int32_t x, std::int32_t y) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 2654435761u ^
                    static_cast<std::uint32_t>(y) * 40503u * 2246822519u;
  h ^= h >> 13;
  h *= 3266489917u;
  h ^= h >> 16;
  return TRGBTriple{static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8),
                    static_cast<std::uint8_t>(h >> 16)};
}

// An 8-bit picture whose pixel (x, y) is colour-table entry index(x, y).
inline TBitmap MakeIndexedPicture(
    std::int32_t width, std::int32_t height, const std::array<TRGBQuad, 256>& table,
    const std::function<std::uint8_t(std::int32_t, std::int32_t)>& index) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf8bit);
  picture.SetSize(width, height);
  picture.ColorTable() = table;
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (std::int32_t x = 0; x < width; ++x) row[x] = index(x, y);
  }
  return picture;
}

// The number of pixels of a 24-bit picture that have the colour.
inline std::int64_t CountColour(const TBitmap& picture, TRGBTriple colour) {
  std::int64_t count = 0;
  for (std::int32_t y = 0; y < picture.Height(); ++y) {
    for (std::int32_t x = 0; x < picture.Width(); ++x) count += picture.Pixel(x, y) == colour;
  }
  return count;
}

}  // namespace popuran::test
