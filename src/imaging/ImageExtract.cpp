#include "imaging/ImageExtract.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "platform/Error.h"

namespace popuran {

namespace {

// The taps of one axis. Destination position j takes Stride consecutive source positions from
// First[j] on, weighted by Weight[j · Stride + t]; the positions it does not overlap have weight 0.
// On a common axis of length from · to, source position i spans [i · to, (i + 1) · to) and
// destination position j spans [j · from, (j + 1) · from); the overlaps of one destination
// position sum to from. Every destination position has the same number of taps, so the loops
// over them run the same way every time.
struct TAxisTaps {
  std::vector<std::int32_t> First;
  std::vector<std::uint32_t> Weight;
  std::size_t Stride = 0;
};

TAxisTaps AxisTaps(std::int64_t from, std::int64_t to) {
  TAxisTaps taps;
  // A destination position is from units long and meets at most from / to + 2 source positions,
  // and there are only from of them.
  const std::int64_t stride = std::min(from, from / to + 2);
  taps.Stride = static_cast<std::size_t>(stride);
  taps.First.assign(static_cast<std::size_t>(to), 0);
  taps.Weight.assign(taps.Stride * static_cast<std::size_t>(to), 0);
  for (std::int64_t j = 0; j < to; ++j) {
    const std::int64_t start = j * from;
    const std::int64_t end = start + from;
    const std::int64_t firstMet = start / to;
    // The window of stride positions starts at the first one met, moved back where it would
    // reach past the last source position.
    const std::int64_t first = std::min(firstMet, from - stride);
    const auto jj = static_cast<std::size_t>(j);
    taps.First[jj] = static_cast<std::int32_t>(first);
    for (std::int64_t i = firstMet; i < from && i * to < end; ++i) {
      const std::int64_t overlap = std::min((i + 1) * to, end) - std::max(i * to, start);
      // Overlaps are at most min(from, to) units, so they fit 32 bits.
      if (overlap > 0) {
        taps.Weight[jj * taps.Stride + static_cast<std::size_t>(i - first)] =
            static_cast<std::uint32_t>(overlap);
      }
    }
  }
  return taps;
}

// Reduces one source row horizontally: three sums per destination column, each at most
// (source width) · 255 < 2^24.
template <std::size_t kStride>
void ReduceRow(const std::uint8_t* in, const TAxisTaps& columns, std::uint32_t* out) {
  const std::size_t width = columns.First.size();
  const std::size_t stride = kStride != 0 ? kStride : columns.Stride;
  for (std::size_t j = 0; j < width; ++j) {
    const std::uint8_t* p = in + 3 * static_cast<std::size_t>(columns.First[j]);
    const std::uint32_t* w = columns.Weight.data() + j * stride;
    std::uint32_t b = 0, g = 0, r = 0;
#pragma GCC unroll 4
    for (std::size_t t = 0; t < stride; ++t, p += 3) {
      b += w[t] * p[0];
      g += w[t] * p[1];
      r += w[t] * p[2];
    }
    out[3 * j] = b;
    out[3 * j + 1] = g;
    out[3 * j + 2] = r;
  }
}

// The horizontal reduction for the axis's number of taps; the common small ones get loops of a
// fixed length.
void ReduceRow(const std::uint8_t* in, const TAxisTaps& columns, std::uint32_t* out) {
  switch (columns.Stride) {
    case 2:
      return ReduceRow<2>(in, columns, out);
    case 3:
      return ReduceRow<3>(in, columns, out);
    case 4:
      return ReduceRow<4>(in, columns, out);
    default:
      return ReduceRow<0>(in, columns, out);
  }
}

// The rounded mean (sum + area / 2) / area of a destination value, without a division per value.
class TRoundedMean {
 public:
  explicit TRoundedMean(std::uint64_t area) : FArea(area), FHalf(area / 2) {
    // With k = 31 + ⌈log2 area⌉ and m = ⌈2^k / area⌉, ⌊n · m / 2^k⌋ = ⌊n / area⌋ for every
    // n < 2^31: m overshoots 2^k / area by less than 1, so n · m / 2^k overshoots n / area by less
    // than 2^31 / 2^k ≤ 1 / area, which never reaches the next whole number. m < 2^32 + 1 and
    // n < 2^31, so the product fits 64 bits.
    unsigned log2 = 0;
    while ((std::uint64_t{1} << log2) < area) ++log2;
    FShift = 31 + log2;
    if (FShift < 64) FMagic = ((std::uint64_t{1} << FShift) + area - 1) / area;
  }

  // True when every sum of the picture, plus half the area, is below 2^31; then the sums fit
  // 32 bits and Of32 applies.
  bool Fits32(std::uint64_t largestSum) const {
    return FShift < 64 && largestSum + FHalf < (std::uint64_t{1} << 31);
  }
  std::uint8_t Of32(std::uint32_t sum) const {
    return static_cast<std::uint8_t>(((sum + FHalf) * FMagic) >> FShift);
  }
  std::uint8_t Of64(std::uint64_t sum) const {
    return static_cast<std::uint8_t>((sum + FHalf) / FArea);
  }

 private:
  std::uint64_t FArea;
  std::uint64_t FHalf;
  std::uint64_t FMagic = 0;
  unsigned FShift = 64;
};

// One destination row: the weighted sum of its source rows' reduced values, then the mean.
template <typename TSum, std::size_t kTaps>
void CombineRows(const std::uint32_t* const* reduced, const std::uint32_t* weights,
                 std::size_t taps, std::size_t values, const TRoundedMean& mean,
                 std::uint8_t* out) {
  const std::size_t n = kTaps != 0 ? kTaps : taps;
  for (std::size_t k = 0; k < values; ++k) {
    TSum sum = 0;
#pragma GCC unroll 4
    for (std::size_t t = 0; t < n; ++t) sum += static_cast<TSum>(weights[t]) * reduced[t][k];
    if constexpr (sizeof(TSum) == 4) {
      out[k] = mean.Of32(sum);
    } else {
      out[k] = mean.Of64(sum);
    }
  }
}

// The vertical half of the scaler, with sums of type TSum. The reduced source rows are kept in
// a ring of as many rows as a destination row has taps; neighbouring destination rows share the
// source rows on their border, so each source row is reduced once.
template <typename TSum>
void ScaleRows(const TBitmap& source, const TAxisTaps& columns, const TAxisTaps& rows,
               const TRoundedMean& mean, TBitmap& result) {
  const std::size_t values = columns.First.size() * 3;
  const std::size_t taps = rows.Stride;
  // Zero-filled, so that a tap of weight 0 whose row was never reduced adds 0.
  std::vector<std::uint32_t> ring(taps * values, 0);
  std::vector<std::int32_t> ringRow(taps, -1);
  std::vector<const std::uint32_t*> reduced(taps);
  for (std::size_t l = 0; l < rows.First.size(); ++l) {
    const std::uint32_t* weights = rows.Weight.data() + l * taps;
    for (std::size_t t = 0; t < taps; ++t) {
      const std::int32_t sourceRow = rows.First[l] + static_cast<std::int32_t>(t);
      const std::size_t slot = static_cast<std::size_t>(sourceRow) % taps;
      std::uint32_t* row = ring.data() + slot * values;
      // A row of weight 0 adds nothing whatever the slot holds.
      if (ringRow[slot] != sourceRow && weights[t] != 0) {
        ReduceRow(source.ScanLine(sourceRow), columns, row);
        ringRow[slot] = sourceRow;
      }
      reduced[t] = row;
    }
    std::uint8_t* out = result.ScanLine(static_cast<std::int32_t>(l));
    switch (taps) {
      case 2:
        CombineRows<TSum, 2>(reduced.data(), weights, taps, values, mean, out);
        break;
      case 3:
        CombineRows<TSum, 3>(reduced.data(), weights, taps, values, mean, out);
        break;
      default:
        CombineRows<TSum, 0>(reduced.data(), weights, taps, values, mean, out);
        break;
    }
  }
}

}  // namespace

TBitmap ScaleArea(const TBitmap& source, std::int32_t width, std::int32_t height) {
  POPURAN_ASSERT(source.PixelFormat() == TPixelFormat::pf24bit);
  POPURAN_ASSERT(source.Width() > 0 && source.Height() > 0 && width > 0 && height > 0);
  const std::int64_t sw = source.Width();
  const std::int64_t sh = source.Height();
  const TAxisTaps columns = AxisTaps(sw, width);
  const TAxisTaps rows = AxisTaps(sh, height);
  // Sums stay exact: at most 65535 · 65535 · 255 per channel, well inside 64 bits; a picture
  // of up to about 2900 × 2900 pixels keeps them within 32 bits.
  const auto area = static_cast<std::uint64_t>(sw * sh);
  const TRoundedMean mean(area);

  TBitmap result;
  result.SetPixelFormat(TPixelFormat::pf24bit);
  result.SetSize(width, height);
  if (mean.Fits32(area * 255)) {
    ScaleRows<std::uint32_t>(source, columns, rows, mean, result);
  } else {
    ScaleRows<std::uint64_t>(source, columns, rows, mean, result);
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
