// Thumbnails for the character file tests.
#pragma once

#include <cstdint>

#include "platform/Bitmap.h"

namespace popuran::test {

inline constexpr TRGBTriple kRed{0, 0, 255};
inline constexpr TRGBTriple kBlue{255, 0, 0};
inline constexpr TRGBTriple kGrey{32, 64, 128};

// A 24-bit picture of one colour.
inline TBitmap PlainPicture(std::int32_t width, std::int32_t height, TRGBTriple colour) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) picture.SetPixel(x, y, colour);
  }
  return picture;
}

// Five colours, each in a leaf of its own, so every pixel keeps its exact colour: lime
// background, a red top row, a blue bottom row, a white left column and one grey pixel on the
// right edge. No two rows and no row and its mirror image are alike.
inline TBitmap MarkedThumbnail(std::int32_t width = 200, std::int32_t height = 200) {
  TBitmap picture = PlainPicture(width, height, kLime);
  for (std::int32_t x = 0; x < width; ++x) {
    picture.SetPixel(x, 0, kRed);
    picture.SetPixel(x, height - 1, kBlue);
  }
  for (std::int32_t y = 1; y < height - 1; ++y) picture.SetPixel(0, y, kWhite);
  picture.SetPixel(width - 1, height / 3, kGrey);
  return picture;
}

// Same size and the same colour at every place (24-bit pictures).
inline bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (std::int32_t y = 0; y < a.Height(); ++y) {
    for (std::int32_t x = 0; x < a.Width(); ++x) {
      if (!(a.Pixel(x, y) == b.Pixel(x, y))) return false;
    }
  }
  return true;
}

// Far more colours than a palette holds, black at the top-left corner.
inline TBitmap GradientThumbnail() {
  TBitmap picture = PlainPicture(200, 200, kBlack);
  for (std::int32_t y = 0; y < 200; ++y) {
    for (std::int32_t x = 0; x < 200; ++x) {
      picture.SetPixel(x, y,
                       TRGBTriple{static_cast<std::uint8_t>((x * 7 + y * 3) & 255),
                                  static_cast<std::uint8_t>(y + 50), static_cast<std::uint8_t>(x)});
    }
  }
  return picture;
}

}  // namespace popuran::test
