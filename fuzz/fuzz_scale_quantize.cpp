// The scaler and the colour reduction on small pictures made of the input, and, when the input
// asks for it, the character file built from the picture scaled to the thumbnail's size.
#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <typeinfo>

#include "FuzzInputs.h"
#include "FuzzSupport.h"
#include "charfile/NadFile.h"
#include "charfile/NadInspect.h"
#include "imaging/ImageExtract.h"
#include "platform/Bitmap.h"
#include "platform/Error.h"
#include "quantize/Octree.h"

using namespace popuran;

namespace {

TBitmap MakePicture(const fuzz::TPictureInput& input) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(input.width, input.height);
  for (std::int32_t y = 0; y < input.height; ++y) {
    std::copy_n(input.pixels.begin() + static_cast<std::ptrdiff_t>(y) * input.width * 3,
                input.width * 3, picture.ScanLine(y));
  }
  return picture;
}

// Every channel of a scaled pixel is a mean of source pixels, so it lies within the source's
// range of that channel; a picture of one colour stays that colour.
void CheckScaled(const TBitmap& source, const TBitmap& scaled, std::int32_t width,
                 std::int32_t height) {
  if (scaled.PixelFormat() != TPixelFormat::pf24bit || scaled.Width() != width ||
      scaled.Height() != height)
    fuzz::Finding("the scaled picture has the wrong shape");
  std::array<std::uint8_t, 3> low{255, 255, 255};
  std::array<std::uint8_t, 3> high{0, 0, 0};
  for (std::int32_t y = 0; y < source.Height(); ++y) {
    const std::uint8_t* row = source.ScanLine(y);
    for (std::size_t i = 0; i < source.RowBytes(); ++i) {
      low[i % 3] = std::min(low[i % 3], row[i]);
      high[i % 3] = std::max(high[i % 3], row[i]);
    }
  }
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = scaled.ScanLine(y);
    for (std::size_t i = 0; i < scaled.RowBytes(); ++i) {
      if (row[i] < low[i % 3] || row[i] > high[i % 3])
        fuzz::Finding("a scaled pixel lies outside the source's colours");
    }
  }
}

// At most maxColors indices, and one index for one colour wherever it stands.
void CheckReduced(const TBitmap& source, const TBitmap& reduced, std::int32_t maxColors) {
  if (reduced.PixelFormat() != TPixelFormat::pf8bit || reduced.Width() != source.Width() ||
      reduced.Height() != source.Height())
    fuzz::Finding("the reduced picture has the wrong shape");
  std::map<std::uint32_t, std::uint8_t> indexOf;
  std::array<bool, 256> used{};
  std::int32_t distinct = 0;
  for (std::int32_t y = 0; y < source.Height(); ++y) {
    for (std::int32_t x = 0; x < source.Width(); ++x) {
      const TRGBTriple c = source.Pixel(x, y);
      const std::uint32_t key = (c.rgbtRed << 16) | (c.rgbtGreen << 8) | c.rgbtBlue;
      const std::uint8_t index = reduced.ScanLine(y)[x];
      const auto [at, added] = indexOf.emplace(key, index);
      if (!added && at->second != index) fuzz::Finding("one colour got two indices");
      if (!used[index]) {
        used[index] = true;
        ++distinct;
      }
    }
  }
  if (distinct > maxColors) fuzz::Finding("more indices than colours allowed");
  if (indexOf.size() == 1) {
    const TRGBTriple c = source.Pixel(0, 0);
    const TRGBQuad& entry = reduced.ColorTable()[reduced.ScanLine(0)[0]];
    if (reduced.ScanLine(0)[0] != 0 || entry.rgbBlue != c.rgbtBlue ||
        entry.rgbGreen != c.rgbtGreen || entry.rgbRed != c.rgbtRed)
      fuzz::Finding("a picture of one colour did not keep it");
  }
}

void Run(const fuzz::TPictureInput& input) {
  const TBitmap source = MakePicture(input);
  CheckScaled(source, ScaleArea(source, input.targetWidth, input.targetHeight), input.targetWidth,
              input.targetHeight);

  const bool inRange = input.maxColors >= 2 && input.maxColors <= 256;
  try {
    const std::unique_ptr<TBitmap> reduced = QuantizeBitmap(source, input.maxColors);
    if (!inRange) fuzz::Finding("a colour limit out of range was taken");
    CheckReduced(source, *reduced, input.maxColors);
  } catch (const TAssertionFailure&) {
    if (inRange) fuzz::Finding("a colour limit in range was refused");
  }

  if (input.buildCharacterFile) {
    const TBitmap thumbnail = ScaleArea(source, kNadSide, kNadSide);
    TNadHeader header{};
    TNadTail tail{};
    SetUpNadHeader(header, tail);
    const TNadInspection inspection = InspectNad(BuildNadImage(thumbnail, header, tail));
    if (!inspection.Sound())
      fuzz::Finding("a built character file is not sound: " + inspection.Verdict);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  try {
    Run(fuzz::ParsePictureInput({bytes, size}));
  } catch (const TError& error) {
    fuzz::Finding("a well-formed picture raised " + error.Text());
  } catch (const std::exception& error) {
    fuzz::Finding(std::string("foreign exception ") + typeid(error).name() + ": " + error.what());
  }
  return 0;
}
