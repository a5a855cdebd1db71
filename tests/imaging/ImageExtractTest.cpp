#include <gtest/gtest.h>

#include "imaging/ImageExtract.h"
#include "imaging/ImagingSupport.h"
#include "platform/Error.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

using test::MakePicture;
using test::NoiseColour;

// The weighting written out term by term: overlap of source cell i, spanning [i·to, (i+1)·to),
// with destination cell j, spanning [j·from, (j+1)·from).
std::int64_t Overlap(std::int64_t i, std::int64_t j, std::int64_t from, std::int64_t to) {
  const std::int64_t low = std::max(i * to, j * from);
  const std::int64_t high = std::min((i + 1) * to, (j + 1) * from);
  return std::max<std::int64_t>(0, high - low);
}

TBitmap ReferenceScale(const TBitmap& source, std::int32_t w, std::int32_t h) {
  const std::int64_t sw = source.Width();
  const std::int64_t sh = source.Height();
  return MakePicture(w, h, [&](std::int32_t j, std::int32_t l) {
    std::int64_t sum[3] = {0, 0, 0};
    for (std::int32_t k = 0; k < sh; ++k) {
      for (std::int32_t i = 0; i < sw; ++i) {
        const std::int64_t weight = Overlap(i, j, sw, w) * Overlap(k, l, sh, h);
        const TRGBTriple c = source.Pixel(i, k);
        sum[0] += weight * c.rgbtBlue;
        sum[1] += weight * c.rgbtGreen;
        sum[2] += weight * c.rgbtRed;
      }
    }
    const std::int64_t area = sw * sh;
    const auto channel = [&](std::int64_t s) {
      return static_cast<std::uint8_t>((s + area / 2) / area);
    };
    return TRGBTriple{channel(sum[0]), channel(sum[1]), channel(sum[2])};
  });
}

struct TScaleCase {
  std::int32_t sw, sh, w, h;
};

class ScaleAreaMatchesTheAreaFormula : public testing::TestWithParam<TScaleCase> {};

TEST_P(ScaleAreaMatchesTheAreaFormula, ToTheByte) {
  const TScaleCase c = GetParam();
  const TBitmap source = MakePicture(c.sw, c.sh, NoiseColour);
  const TBitmap scaled = ScaleArea(source, c.w, c.h);
  ASSERT_EQ(scaled.PixelFormat(), TPixelFormat::pf24bit);
  ASSERT_EQ(scaled.Width(), c.w);
  ASSERT_EQ(scaled.Height(), c.h);
  const TBitmap expected = ReferenceScale(source, c.w, c.h);
  for (std::int32_t y = 0; y < c.h; ++y) {
    for (std::int32_t x = 0; x < c.w; ++x) {
      ASSERT_EQ(scaled.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
    }
  }
  if (c.sw == c.w && c.sh == c.h) {
    EXPECT_TRUE(scaled == source);
  }
}

INSTANTIATE_TEST_SUITE_P(SmallSizes, ScaleAreaMatchesTheAreaFormula,
                         testing::Values(TScaleCase{7, 5, 3, 2},   // shrinking, uneven cells
                                         TScaleCase{5, 5, 5, 5},   // identity
                                         TScaleCase{2, 3, 7, 4},   // enlarging
                                         TScaleCase{13, 4, 4, 9},  // shrink one way, grow other
                                         TScaleCase{1, 1, 3, 2},   // a single pixel spread
                                         TScaleCase{9, 1, 1, 1},   // a row to one pixel
                                         // sums too large for 32 bits
                                         TScaleCase{2950, 2950, 3, 2}),
                         [](const testing::TestParamInfo<TScaleCase>& info) {
                           const TScaleCase& c = info.param;
                           return std::to_string(c.sw) + "x" + std::to_string(c.sh) + "to" +
                                  std::to_string(c.w) + "x" + std::to_string(c.h);
                         });

// A white picture of 4200 × 4200 pixels: each channel's sum over the whole picture is beyond
// 2^32, and still every destination pixel comes out white.
TEST(ScaleArea, KeepsWhiteWhenTheSumsExceed32Bits) {
  TBitmap source;
  source.SetPixelFormat(TPixelFormat::pf24bit);
  source.SetSize(4200, 4200);  // a new picture is white
  const TBitmap scaled = ScaleArea(source, 3, 2);
  for (std::int32_t y = 0; y < 2; ++y) {
    for (std::int32_t x = 0; x < 3; ++x) EXPECT_EQ(scaled.Pixel(x, y), kWhite) << x << "," << y;
  }
}

// The recipes' sizes: a uniform black area stays exactly black, which the fills need, and a
// uniform colour keeps its exact value.
TEST(ScaleArea, KeepsUniformAreasExactAtTheRecipeSizes) {
  for (const auto& [from, to] : {std::pair{326, 160}, std::pair{352, 200}}) {
    // Black with a solid coloured block; the block's edge lies on no cell boundary.
    const TRGBTriple colour{13, 200, 77};
    const TBitmap source = MakePicture(from, from, [&](std::int32_t x, std::int32_t y) {
      return x >= 101 && x < 250 && y >= 57 && y < 300 ? colour : kBlack;
    });
    const TBitmap scaled = ScaleArea(source, to, to);
    ASSERT_EQ(scaled.Width(), to);
    ASSERT_EQ(scaled.Height(), to);
    // Destination pixel j covers the source from j·from/to to (j+1)·from/to.
    const auto covers = [&](std::int32_t j, std::int32_t lo, std::int32_t hi) {
      return std::int64_t{j} * from >= std::int64_t{lo} * to &&
             std::int64_t{j + 1} * from <= std::int64_t{hi} * to;
    };
    std::int64_t black = 0;
    for (std::int32_t y = 0; y < to; ++y) {
      for (std::int32_t x = 0; x < to; ++x) {
        const TRGBTriple p = scaled.Pixel(x, y);
        const bool outside =
            covers(x, 0, 101) || covers(x, 250, from) || covers(y, 0, 57) || covers(y, 300, from);
        if (outside) {
          ASSERT_EQ(p, kBlack) << x << "," << y;
          ++black;
        } else if (covers(x, 101, 250) && covers(y, 57, 300)) {
          ASSERT_EQ(p, colour) << x << "," << y;
        } else {
          // The edge blends, and where the block reaches in it is never black.
          ASSERT_NE(p, kBlack) << x << "," << y;
        }
      }
    }
    EXPECT_GT(black, to * to / 3);
  }
}

// A picture with content, written as an 8-bit and as a 24-bit bitmap file.
struct TThumbnailFiles {
  test::TTempDir dir;
  TBitmap picture = MakePicture(11, 9, NoiseColour);
  std::string file24 = dir / "square24.bmp";
  std::string file8 = dir / "square8.bmp";
  TThumbnailFiles() {
    picture.SaveToFile(file24);
    std::array<TRGBQuad, 256> table{};
    for (int i = 0; i < 256; ++i) {
      table[i] = TRGBQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                          static_cast<std::uint8_t>(i * 7), 0};
    }
    const TBitmap indexed = test::MakeIndexedPicture(
        11, 9, table,
        [](std::int32_t x, std::int32_t y) { return static_cast<std::uint8_t>(x * 23 + y); });
    indexed.SaveToFile(file8);
  }
};

// A thumbnail as the recipes make it: white, with a brush, plus a mark to show it is untouched.
TBitmap MarkedThumbnail(std::int32_t width, std::int32_t height) {
  TBitmap thumbnail;
  thumbnail.SetPixelFormat(TPixelFormat::pf24bit);
  thumbnail.SetSize(width, height);
  if (width > 0 && height > 0) thumbnail.SetPixel(0, 0, TRGBTriple{1, 2, 3});
  thumbnail.SetBrushColor(kLime);
  return thumbnail;
}

TEST(ExtractThumbnail, ScalesEither8Or24BitFilesToTheBitmapsSize) {
  TThumbnailFiles files;
  for (const std::string& file : {files.file24, files.file8}) {
    TBitmap loaded;
    loaded.LoadFromFile(file);
    loaded.SetPixelFormat(TPixelFormat::pf24bit);
    TBitmap thumbnail = MarkedThumbnail(4, 6);
    ASSERT_TRUE(ExtractThumbnail(file, thumbnail, IEIFLAG_NOBORDER | IEIFLAG_QUALITY)) << file;
    EXPECT_EQ(thumbnail.PixelFormat(), TPixelFormat::pf24bit);
    TBitmap expected = ScaleArea(loaded, 4, 6);
    expected.SetBrushColor(kLime);
    EXPECT_TRUE(thumbnail == expected) << file;
  }
}

TEST(ExtractThumbnail, FailsWithoutTouchingTheBitmap) {
  TThumbnailFiles files;
  const std::string text = files.dir / "notes.bmp";
  test::WriteBytes(text, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n', 0, 0, 0, 0});
  // The 8-bit file cut inside its colour table, and inside its rows.
  std::vector<std::uint8_t> bytes = test::ReadBytes(files.file8);
  const std::string shortTable = files.dir / "short-table.bmp";
  test::WriteBytes(shortTable, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 600));
  const std::string shortRows = files.dir / "short-rows.bmp";
  test::WriteBytes(shortRows, std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 5));
  const std::string empty = files.dir / "empty.bmp";
  TBitmap().SaveToFile(empty);

  struct TCase {
    std::string file;
    std::int32_t width, height;
  };
  for (const TCase& c :
       {TCase{files.dir / "missing.bmp", 5, 5}, TCase{text, 5, 5}, TCase{shortTable, 5, 5},
        TCase{shortRows, 5, 5}, TCase{files.dir.Path().string(), 5, 5},  // a folder
        TCase{empty, 5, 5},                                              // a 0 × 0 picture
        TCase{files.file24, 0, 5}, TCase{files.file24, 5, 0}}) {
    TBitmap thumbnail = MarkedThumbnail(c.width, c.height);
    const TBitmap before = thumbnail;
    EXPECT_FALSE(ExtractThumbnail(c.file, thumbnail, 768)) << c.file;
    EXPECT_TRUE(thumbnail == before) << c.file;
  }
}

}  // namespace
}  // namespace popuran
