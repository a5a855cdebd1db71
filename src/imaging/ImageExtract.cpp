#include "imaging/ImageExtract.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "platform/Error.h"

namespace popuran {

namespace {

// One source index and how much of it falls into a destination pixel.
struct TWeight {
  std::int32_t Index;
  std::int64_t Weight;
};

// For each of the to destination positions, the source positions it covers and their overlaps.
// On a common axis of length from·to, source position i spans [i·to, (i+1)·to) and destination
// position j spans [j·from, (j+1)·from); the overlaps of one destination position sum to from.
std::vector<std::vector<TWeight>> AxisWeights(std::int64_t from, std::int64_t to) {
  std::vector<std::vector<TWeight>> weights(static_cast<std::size_t>(to));
  for (std::int64_t j = 0; j < to; ++j) {
    const std::int64_t start = j * from;
    const std::int64_t end = start + from;
    for (std::int64_t i = start / to; i < from && i * to < end; ++i) {
      const std::int64_t overlap = std::min((i + 1) * to, end) - std::max(i * to, start);
      if (overlap > 0) {
        weights[static_cast<std::size_t>(j)].push_back({static_cast<std::int32_t>(i), overlap});
      }
    }
  }
  return weights;
}

}  // namespace

TBitmap ScaleArea(const TBitmap& source, std::int32_t width, std::int32_t height) {
  POPURAN_ASSERT(source.PixelFormat() == TPixelFormat::pf24bit);
  POPURAN_ASSERT(source.Width() > 0 && source.Height() > 0 && width > 0 && height > 0);
  const std::int64_t sw = source.Width();
  const std::int64_t sh = source.Height();
  const std::vector<std::vector<TWeight>> columns = AxisWeights(sw, width);
  const std::vector<std::vector<TWeight>> rows = AxisWeights(sh, height);
  // Sums stay exact: at most 65535 · 65535 · 255 per channel, well inside 64 bits.
  const std::int64_t area = sw * sh;
  const std::int64_t half = area / 2;

  TBitmap result;
  result.SetPixelFormat(TPixelFormat::pf24bit);
  result.SetSize(width, height);
  const std::size_t rowValues = static_cast<std::size_t>(width) * 3;
  std::vector<std::int64_t> sums(rowValues);
  std::vector<std::int64_t> rowSums(rowValues);
  for (std::int32_t l = 0; l < height; ++l) {
    std::fill(sums.begin(), sums.end(), 0);
    for (const TWeight& wy : rows[static_cast<std::size_t>(l)]) {
      // The source row reduced horizontally, then added with its vertical weight.
      const std::uint8_t* in = source.ScanLine(wy.Index);
      for (std::int32_t j = 0; j < width; ++j) {
        std::int64_t b = 0, g = 0, r = 0;
        for (const TWeight& wx : columns[static_cast<std::size_t>(j)]) {
          const std::uint8_t* p = in + 3 * static_cast<std::size_t>(wx.Index);
          b += wx.Weight * p[0];
          g += wx.Weight * p[1];
          r += wx.Weight * p[2];
        }
        const std::size_t k = 3 * static_cast<std::size_t>(j);
        rowSums[k] = b;
        rowSums[k + 1] = g;
        rowSums[k + 2] = r;
      }
      for (std::size_t k = 0; k < rowValues; ++k) sums[k] += wy.Weight * rowSums[k];
    }
    std::uint8_t* out = result.ScanLine(l);
    for (std::size_t k = 0; k < rowValues; ++k) {
      out[k] = static_cast<std::uint8_t>((sums[k] + half) / area);
    }
  }
  return result;
}

bool ExtractThumbnail(const std::string& fileName, TBitmap& bitmap, std::uint32_t /*flags*/) {
  // The flags ask for no border and for quality; this scaler draws no border and has one
  // quality, so they change nothing here.
  try {
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return false;
    TBitmap picture;
    picture.LoadFromFile(fileName);
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    if (picture.Width() <= 0 || picture.Height() <= 0) return false;
    TBitmap scaled = ScaleArea(picture, bitmap.Width(), bitmap.Height());
    scaled.SetBrushColor(bitmap.BrushColor());
    // Moving in cannot fail, so the bitmap is either untouched or holds the whole result.
    bitmap = std::move(scaled);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace popuran
