// The canvas operations that the recipes build on: the crop copy, the flood fill, the patch.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "imaging/ImagingSupport.h"
#include "platform/Bitmap.h"

namespace popuran {
namespace {

using test::MakePicture;

// A case's description as a test name.
std::string TestName(std::string text) {
  for (char& ch : text) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return text;
}

// Every pixel tells where it came from: x and y in the low bytes, their high bits in red.
TRGBTriple Coordinates(std::int32_t x, std::int32_t y) {
  return TRGBTriple{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                    static_cast<std::uint8_t>(0x80 | (x >> 8) | ((y >> 8) << 3))};
}

struct TCropCase {
  const char* name;
  TRect crop;
  std::int32_t side;
};

class CopyRectCrop : public testing::TestWithParam<TCropCase> {};

TEST_P(CopyRectCrop, CopiesWithoutBlendingAndRepeatsOneRowWhereTheSquareIsLarger) {
  const TCropCase& c = GetParam();
  const TBitmap source = MakePicture(400, 400, Coordinates);
  TBitmap square = MakePicture(c.side, c.side, [](std::int32_t, std::int32_t) { return kWhite; });
  square.CopyRect(TRect{0, 0, c.side, c.side}, source, c.crop);

  const std::int64_t cw = c.crop.Width();
  const std::int64_t ch = c.crop.Height();
  std::map<std::int32_t, int> rowUses, columnUses;
  for (std::int32_t y = 0; y < c.side; ++y) {
    for (std::int32_t x = 0; x < c.side; ++x) {
      const std::int32_t sx = c.crop.Left + static_cast<std::int32_t>(x * cw / c.side);
      const std::int32_t sy = c.crop.Top + static_cast<std::int32_t>(y * ch / c.side);
      ASSERT_EQ(square.Pixel(x, y), Coordinates(sx, sy)) << c.name << " " << x << "," << y;
      if (x == 0) ++rowUses[sy];
      if (y == 0) ++columnUses[sx];
    }
  }
  // Every row and column of the crop, none from outside it, in order, at most one twice.
  for (const auto& [uses, first, count, extra] :
       {std::tuple{rowUses, c.crop.Top, ch, c.side - ch},
        std::tuple{columnUses, c.crop.Left, cw, c.side - cw}}) {
    ASSERT_EQ(static_cast<std::int64_t>(uses.size()), count) << c.name;
    EXPECT_EQ(uses.begin()->first, first) << c.name;
    EXPECT_EQ(uses.rbegin()->first, first + count - 1) << c.name;
    int twice = 0;
    for (const auto& [index, n] : uses) twice += n == 2;
    EXPECT_EQ(twice, extra) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    RecipeCrops, CopyRectCrop,
    testing::Values(TCropCase{"same size", {0, 3, 326, 329}, 326},
                    TCropCase{"one row short", {0, 11, 326, 336}, 326},
                    TCropCase{"one row and column short", {37, 28, 388, 379}, 352}),
    [](const testing::TestParamInfo<TCropCase>& info) { return TestName(info.param.name); });

TEST(CopyRect, LeavesSquarePixelsWhiteWhereTheCropLeavesThePicture) {
  const TBitmap source = MakePicture(20, 10, Coordinates);
  TBitmap square = MakePicture(16, 16, [](std::int32_t, std::int32_t) { return kWhite; });
  square.CopyRect(TRect{0, 0, 16, 16}, source, TRect{-4, 2, 12, 18});
  for (std::int32_t y = 0; y < 16; ++y) {
    for (std::int32_t x = 0; x < 16; ++x) {
      const bool inside = x >= 4 && y + 2 < 10;
      EXPECT_EQ(square.Pixel(x, y), inside ? Coordinates(x - 4, y + 2) : kWhite) << x << "," << y;
    }
  }
  // Rectangles far outside either picture change nothing.
  const TBitmap before = square;
  square.CopyRect(TRect{0, 0, 16, 16}, source, TRect{INT32_MIN, INT32_MIN, INT32_MIN + 16, -100});
  square.CopyRect(TRect{0, 0, 16, 16}, source, TRect{INT32_MAX - 1, 0, INT32_MAX, 10});
  square.CopyRect(TRect{INT32_MAX - 3, 0, INT32_MAX, 16}, source, TRect{0, 0, 20, 10});
  EXPECT_TRUE(square == before);
  // A destination wider than 32 bits can count: the visible part shows the source's middle.
  square.CopyRect(TRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, source, TRect{0, 0, 20, 10});
  EXPECT_EQ(test::CountColour(square, Coordinates(10, 5)), 16 * 16);
}

// An 8-bit source gives the square the colours that its 24-bit conversion gives: for the
// recipes' crops and for a crop partly outside the picture.
TEST(CopyRect, CopiesTheColoursOfAnEightBitPicturesTableEntries) {
  TBitmap paletted;
  paletted.SetPixelFormat(TPixelFormat::pf8bit);
  paletted.SetSize(400, 400);
  for (std::size_t i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    paletted.ColorTable()[i] =
        TRGBQuad{v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v * 7), 0};
  }
  for (std::int32_t y = 0; y < 400; ++y) {
    for (std::int32_t x = 0; x < 400; ++x) {
      paletted.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
    }
  }
  TBitmap converted = paletted;
  converted.SetPixelFormat(TPixelFormat::pf24bit);
  for (const auto& [crop, side] :
       {std::pair{TRect{0, 3, 326, 329}, 326}, std::pair{TRect{37, 28, 388, 379}, 352},
        std::pair{TRect{-30, 250, 300, 580}, 326}}) {
    TBitmap fromPaletted =
        MakePicture(side, side, [](std::int32_t, std::int32_t) { return kWhite; });
    TBitmap fromConverted = fromPaletted;
    fromPaletted.CopyRect(TRect{0, 0, side, side}, paletted, crop);
    fromConverted.CopyRect(TRect{0, 0, side, side}, converted, crop);
    EXPECT_TRUE(fromPaletted == fromConverted) << crop.Left << "," << crop.Top;
  }
}

// Grids for the fill: '.' black, '1' the near-black (1, 1, 1), '#' a figure, 'L' lime.
TBitmap FromGrid(const std::vector<std::string>& rows) {
  return MakePicture(static_cast<std::int32_t>(rows[0].size()),
                     static_cast<std::int32_t>(rows.size()), [&](std::int32_t x, std::int32_t y) {
                       switch (rows[y][x]) {
                         case '.':
                           return kBlack;
                         case '1':
                           return TRGBTriple{1, 1, 1};
                         case 'L':
                           return kLime;
                         default:
                           return TRGBTriple{200, 180, 160};
                       }
                     });
}

struct TFillCase {
  const char* name;
  TPoint seed;
  std::vector<std::string> before;
  std::vector<std::string> after;
};

class FloodFillRegion : public testing::TestWithParam<TFillCase> {};

TEST_P(FloodFillRegion, PaintsOnlyTheExactlyBlackPixelsConnectedSideBySide) {
  const TFillCase& c = GetParam();
  TBitmap picture = FromGrid(c.before);
  picture.SetBrushColor(kLime);
  picture.FloodFill(c.seed.x, c.seed.y);
  EXPECT_TRUE(picture == [&] {
    TBitmap expected = FromGrid(c.after);
    expected.SetBrushColor(kLime);
    return expected;
  }()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, FloodFillRegion,
                         testing::Values(TFillCase{"a figure with a pocket",
                                                   {0, 0},
                                                   {"..........",  //
                                                    "..#####...",  //
                                                    "..#...#...",  //
                                                    "..#####...",  //
                                                    ".........."},
                                                   {"LLLLLLLLLL",  //
                                                    "LL#####LLL",  //
                                                    "LL#...#LLL",  //
                                                    "LL#####LLL",  //
                                                    "LLLLLLLLLL"}},
                                         TFillCase{"near black stops the fill",
                                                   {0, 0},
                                                   {"...1....",  //
                                                    "...1....",  //
                                                    "...1....",  //
                                                    "1111...."},
                                                   {"LLL1....",  //
                                                    "LLL1....",  //
                                                    "LLL1....",  //
                                                    "1111...."}},
                                         TFillCase{"a corner does not connect",
                                                   {0, 0},
                                                   {"..#..",  //
                                                    "..#..",  //
                                                    "##..."},
                                                   {"LL#..",  //
                                                    "LL#..",  //
                                                    "##..."}},
                                         TFillCase{"runs that turn back up and down",
                                                   {0, 3},
                                                   {".#...#...",  //
                                                    ".#.#.#.#.",  //
                                                    ".#.#.#.#.",  //
                                                    "...#...#."},
                                                   {"L#LLL#LLL",  //
                                                    "L#L#L#L#L",  //
                                                    "L#L#L#L#L",  //
                                                    "LLL#LLL#L"}},
                                         TFillCase{"a seed on a figure does nothing",
                                                   {2, 1},
                                                   {"..#..",  //
                                                    "..#..",  //
                                                    "....."},
                                                   {"..#..",  //
                                                    "..#..",  //
                                                    "....."}},
                                         TFillCase{"a seed on lime does nothing",
                                                   {0, 0},
                                                   {"LL..",  //
                                                    "L..."},
                                                   {"LL..",  //
                                                    "L..."}},
                                         TFillCase{"a seed outside does nothing",
                                                   {4, 0},
                                                   {"....",  //
                                                    "...."},
                                                   {"....",  //
                                                    "...."}}),
                         [](const testing::TestParamInfo<TFillCase>& info) {
                           return TestName(info.param.name);
                         });

// The fill against a plain breadth-first walk on an irregular picture, from several seeds.
TEST(FloodFill, AgreesWithABreadthFirstWalk) {
  const std::int32_t w = 61, h = 47;
  TBitmap picture = MakePicture(w, h, [](std::int32_t x, std::int32_t y) {
    const TRGBTriple n = test::NoiseColour(x, y);
    return n.rgbtBlue < 110   ? TRGBTriple{200, 0, 0}
           : n.rgbtGreen < 20 ? TRGBTriple{1, 1, 1}
                              : kBlack;
  });
  picture.SetBrushColor(kLime);
  TBitmap expected = picture;
  for (const TPoint seed : {TPoint{0, 0}, TPoint{30, 20}, TPoint{60, 46}, TPoint{7, 40}}) {
    picture.FloodFill(seed.x, seed.y);
    if (expected.Pixel(seed.x, seed.y) != kBlack) continue;
    std::deque<TPoint> queue{seed};
    expected.SetPixel(seed.x, seed.y, kLime);
    while (!queue.empty()) {
      const TPoint p = queue.front();
      queue.pop_front();
      for (const TPoint q : {TPoint{p.x - 1, p.y}, TPoint{p.x + 1, p.y}, TPoint{p.x, p.y - 1},
                             TPoint{p.x, p.y + 1}}) {
        if (q.x < 0 || q.y < 0 || q.x >= w || q.y >= h || expected.Pixel(q.x, q.y) != kBlack) {
          continue;
        }
        expected.SetPixel(q.x, q.y, kLime);
        queue.push_back(q);
      }
    }
  }
  EXPECT_TRUE(picture == expected);
  EXPECT_GT(test::CountColour(picture, kLime), 100);
}

TEST(FloodFill, FillsALargeBlackPictureCompletely) {
  TBitmap picture = MakePicture(200, 200, [](std::int32_t, std::int32_t) { return kBlack; });
  picture.SetBrushColor(kLime);
  picture.FloodFill(0, 0);
  EXPECT_EQ(test::CountColour(picture, kLime), 200 * 200);
}

TEST(FillRect, PaintsThePatchWithRightAndBottomExclusive) {
  for (const TRGBTriple ground : {kWhite, kBlack}) {
    TBitmap picture = MakePicture(160, 160, [&](std::int32_t, std::int32_t) { return ground; });
    picture.SetBrushColor(kLime);
    picture.FillRect(TRect{10, 68, 12, 72});
    for (std::int32_t y = 0; y < 160; ++y) {
      for (std::int32_t x = 0; x < 160; ++x) {
        const bool patch = x >= 10 && x < 12 && y >= 68 && y < 72;
        ASSERT_EQ(picture.Pixel(x, y), patch ? kLime : ground) << x << "," << y;
      }
    }
  }
  // Clipped to the picture.
  TBitmap small = MakePicture(3, 3, [](std::int32_t, std::int32_t) { return kWhite; });
  small.SetBrushColor(kLime);
  small.FillRect(TRect{-5, 2, 100, INT32_MAX});
  EXPECT_EQ(test::CountColour(small, kLime), 3);
}

}  // namespace
}  // namespace popuran
