#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include "FailingAllocation.h"
#include "OctreeTestSupport.h"
#include "platform/Error.h"

namespace popuran {
namespace {

using test::Rgb;
using test::TTestRandom;

TBitmap MakePicture(std::int32_t width, std::int32_t height, TRGBTriple fill) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) picture.SetPixel(x, y, fill);
  }
  return picture;
}

// A figure of a few dozen colours with a dark anti-aliased outline on lime, like the character
// pictures the reduction is made for.
TBitmap MakeFigure(std::int32_t size) {
  TBitmap picture = MakePicture(size, size, kLime);
  const TRGBTriple bands[] = {Rgb(90, 60, 40), Rgb(250, 220, 200), Rgb(200, 40, 60),
                              Rgb(40, 50, 140)};
  const TRGBTriple outline = Rgb(30, 20, 25);
  const std::int64_t rx = size * 2 / 5, ry = size * 9 / 20, c = size / 2;
  for (std::int32_t y = 0; y < size; ++y) {
    for (std::int32_t x = 0; x < size; ++x) {
      const std::int64_t dx = x - c, dy = y - c;
      // 0 at the centre, rx²·ry² on the ellipse.
      const std::int64_t f = dx * dx * ry * ry + dy * dy * rx * rx;
      const std::int64_t edge = rx * rx * ry * ry;
      const std::int64_t ring = edge / 8;
      if (f > edge + ring) continue;
      TRGBTriple inside = bands[(y * 4 / size) % 4];
      const int shade = static_cast<int>((x * 6) / size);  // six shading steps across
      inside.rgbtRed = static_cast<std::uint8_t>(inside.rgbtRed * (10 - shade) / 10);
      inside.rgbtGreen = static_cast<std::uint8_t>(inside.rgbtGreen * (10 - shade) / 10);
      inside.rgbtBlue = static_cast<std::uint8_t>(inside.rgbtBlue * (10 - shade) / 10);
      // Four blend steps from the inside to the outline and from the outline to lime.
      const std::int64_t t = (f - (edge - ring)) * 4 / ring;  // -∞..0 inside, 0..8 on the ring
      TRGBTriple from = inside, to = outline;
      std::int64_t w = t;
      if (t >= 4) {
        from = outline;
        to = kLime;
        w = t - 4;
      }
      if (w < 0) w = 0;
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

// Many colours in short runs: enough distinct colours to reach the node cap.
TBitmap MakeNoise(std::int32_t width, std::int32_t height) {
  TBitmap picture = MakePicture(width, height, kBlack);
  TTestRandom random(99);
  TRGBTriple colour = kBlack;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t v = random.Next();
      if (v % 3 != 0) colour = Rgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
      picture.SetPixel(x, y, colour);
    }
  }
  return picture;
}

std::string Catch(const TBitmap& source, std::int32_t maxColors) {
  try {
    QuantizeBitmap(source, maxColors);
  } catch (const TAssertionFailure& e) {
    return e.Text();
  }
  return "no failure";
}

TEST(QuantizeBitmap, ChecksTheLimitFirstThenTheFormat) {
  const TBitmap picture24 = MakePicture(4, 3, kLime);
  TBitmap picture8;
  picture8.SetPixelFormat(TPixelFormat::pf8bit);
  picture8.SetSize(4, 3);
  const TBitmap pictureDevice;

  const std::string limitFailure = Catch(picture24, 1);
  const std::string formatFailure = Catch(picture8, 256);
  const std::string prefix = "Assertion failure (Octree.cpp, line ";
  ASSERT_EQ(limitFailure.rfind(prefix, 0), 0u) << limitFailure;
  ASSERT_EQ(formatFailure.rfind(prefix, 0), 0u) << formatFailure;
  ASSERT_NE(limitFailure, formatFailure);

  struct TCase {
    const TBitmap* source;
    std::int32_t maxColors;
    const std::string* failure;
  };
  const TCase cases[] = {
      {&picture24, 257, &limitFailure},     {&picture24, 0, &limitFailure},
      {&picture24, INT_MIN, &limitFailure}, {&picture24, INT_MAX, &limitFailure},
      {&picture8, 1, &limitFailure},  // the limit is checked before the format
      {&picture8, 2, &formatFailure},       {&pictureDevice, 256, &formatFailure},
  };
  for (const TCase& c : cases) EXPECT_EQ(Catch(*c.source, c.maxColors), *c.failure) << c.maxColors;

  for (const std::int32_t maxColors : {2, 256}) {
    EXPECT_NE(QuantizeBitmap(picture24, maxColors), nullptr) << maxColors;
  }
}

TEST(QuantizeBitmap, OneColourGivesOneEntryAndAllZeroIndices) {
  const TBitmap source = MakePicture(7, 5, Rgb(10, 200, 30));
  const auto result = QuantizeBitmap(source, 256);
  ASSERT_EQ(result->PixelFormat(), TPixelFormat::pf8bit);
  ASSERT_EQ(result->Width(), 7);
  ASSERT_EQ(result->Height(), 5);
  EXPECT_EQ(result->ColorTable()[0], (TRGBQuad{30, 200, 10, 0}));
  for (std::size_t i = 1; i < 256; ++i) EXPECT_EQ(result->ColorTable()[i], (TRGBQuad{}));
  for (std::int32_t y = 0; y < 5; ++y) {
    for (std::int32_t x = 0; x < 7; ++x) EXPECT_EQ(result->ScanLine(y)[x], 0);
  }
}

TEST(QuantizeBitmap, LimeStaysLimeOnlyWhenItsLeafIsPure) {
  TBitmap source = MakePicture(11, 2, kLime);
  EXPECT_EQ(QuantizeBitmap(source, 256)->ColorTable()[0], (TRGBQuad{0, 255, 0, 0}));
  source.SetPixel(10, 1, Rgb(0, 254, 0));
  EXPECT_EQ(QuantizeBitmap(source, 256)->ColorTable()[0], (TRGBQuad{0, 254, 0, 0}));
}

// The reduction in its plainest form: one add and one lookup per pixel.
struct TReference {
  TPalette palette;
  std::vector<std::uint8_t> indices;
};

TReference ReferenceQuantize(const TBitmap& source, std::int32_t maxColors) {
  TOctree tree;
  for (std::int32_t y = 0; y < source.Height(); ++y) {
    for (std::int32_t x = 0; x < source.Width(); ++x) tree.AddColor(source.Pixel(x, y));
  }
  tree.Reduce(maxColors);
  TReference reference;
  reference.palette = tree.GetPalette();
  for (std::int32_t y = 0; y < source.Height(); ++y) {
    for (std::int32_t x = 0; x < source.Width(); ++x) {
      reference.indices.push_back(
          static_cast<std::uint8_t>(tree.GetColorIndex(source.Pixel(x, y))));
    }
  }
  return reference;
}

TEST(QuantizeBitmap, MapsEveryPixelToItsLeafInTheTreesPalette) {
  struct TCase {
    const char* name;
    TBitmap source;
  };
  const TCase pictures[] = {
      {"figure 200", MakeFigure(200)},          {"noise past the node cap", MakeNoise(400, 300)},
      {"one row", MakeNoise(1000, 1)},          {"one column", MakeNoise(1, 700)},
      {"no columns", MakePicture(0, 5, kLime)}, {"no rows", MakePicture(5, 0, kLime)},
  };
  for (const TCase& picture : pictures) {
    for (const std::int32_t maxColors : {256, 37, 2}) {
      SCOPED_TRACE(std::string(picture.name) + ", " + std::to_string(maxColors) + " colours");
      const TBitmap& source = picture.source;
      const TBitmap before = source;
      const TReference reference = ReferenceQuantize(source, maxColors);
      const auto result = QuantizeBitmap(source, maxColors);

      EXPECT_TRUE(source == before) << "the source was changed";
      ASSERT_EQ(result->PixelFormat(), TPixelFormat::pf8bit);
      ASSERT_EQ(result->Width(), source.Width());
      ASSERT_EQ(result->Height(), source.Height());
      ASSERT_EQ(result->RowBytes(), static_cast<std::size_t>(source.Width()));

      const std::size_t n = reference.palette.size();
      const bool hasPixels = source.Width() > 0 && source.Height() > 0;
      EXPECT_EQ(n >= 1, hasPixels);
      EXPECT_LE(n, static_cast<std::size_t>(maxColors));
      for (std::size_t i = 0; i < 256; ++i) {
        const TPaletteEntry& p = i < n ? reference.palette[i] : TPaletteEntry{};
        // Past the palette the table is as a new bitmap has it: white, then zeros.
        const TRGBQuad expected = i < n    ? TRGBQuad{p.peBlue, p.peGreen, p.peRed, 0}
                                  : i == 0 ? TRGBQuad{255, 255, 255, 0}
                                           : TRGBQuad{};
        ASSERT_EQ(result->ColorTable()[i], expected) << "entry " << i;
      }

      std::map<std::tuple<int, int, int>, std::uint8_t> indexOf;
      std::size_t k = 0;
      for (std::int32_t y = 0; y < source.Height(); ++y) {
        for (std::int32_t x = 0; x < source.Width(); ++x, ++k) {
          const std::uint8_t index = result->ScanLine(y)[x];
          ASSERT_EQ(index, reference.indices[k]) << "pixel " << x << "," << y;
          ASSERT_LT(index, n);
          const TRGBTriple c = source.Pixel(x, y);
          const auto [it, fresh] = indexOf.try_emplace({c.rgbtRed, c.rgbtGreen, c.rgbtBlue}, index);
          ASSERT_EQ(it->second, index) << "same colour, other index at " << x << "," << y;
        }
      }
    }
  }
}

// Every allocation in turn fails once: each time the failure reaches the caller, the source is
// untouched, and nothing is left behind (the sanitizer build checks for leaks).
TEST(QuantizeBitmap, RunningOutOfMemoryAnywhereReleasesEverything) {
  const TBitmap source = MakeFigure(40);
  const auto expected = QuantizeBitmap(source, 256);
  for (long succeeding = 0;; ++succeeding) {
    ASSERT_LT(succeeding, 100000);
    std::unique_ptr<TBitmap> result;
    bool failed = false;
    {
      test::TFailingAllocation failing(succeeding);
      try {
        result = QuantizeBitmap(source, 256);
      } catch (const std::bad_alloc&) {
        failed = true;
      }
      ASSERT_EQ(failed, failing.Failed());
    }
    if (!failed) {
      EXPECT_TRUE(*result == *expected);
      break;
    }
  }
  EXPECT_TRUE(source == MakeFigure(40));
}

TEST(QuantizeBitmap, FigureBackgroundStaysPureLime) {
  const TBitmap source = MakeFigure(200);
  const auto result = QuantizeBitmap(source, 256);
  ASSERT_EQ(result->Width(), 200);
  ASSERT_EQ(result->Height(), 200);
  // The corner is background: a leaf of nothing but lime.
  EXPECT_EQ(result->ColorTable()[result->ScanLine(0)[0]], (TRGBQuad{0, 255, 0, 0}));
}

}  // namespace
}  // namespace popuran
