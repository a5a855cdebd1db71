#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/ImageExtract.h"
#include "imaging/ImageRecipe.h"
#include "imaging/ImagingSupport.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

constexpr std::uint8_t kMarker = 255;  // red: only outside the crop
constexpr std::uint8_t kBar = 254;     // white

std::array<TRGBQuad, 256> TestTable() {
  std::array<TRGBQuad, 256> table{};  // entry 0 stays black
  for (int i = 1; i < 254; ++i) {
    table[i] = TRGBQuad{static_cast<std::uint8_t>(i), 90, static_cast<std::uint8_t>(255 - i), 0};
  }
  table[kBar] = TRGBQuad{255, 255, 255, 0};
  table[kMarker] = TRGBQuad{0, 0, 255, 0};
  return table;
}

// A decoded picture as the decoder leaves it, 8 bits and 400 × 400: a black background inside
// the crop with a striped figure and a white bar along the crop's bottom, and red everywhere
// outside the crop so that any pixel taken from there shows.
TBitmap DecodedPicture(const TRect& crop) {
  return test::MakeIndexedPicture(400, 400, TestTable(), [&](std::int32_t x, std::int32_t y) {
    if (x < crop.Left || x >= crop.Right || y < crop.Top || y >= crop.Bottom) return kMarker;
    const std::int32_t cx = x - crop.Left;
    const std::int32_t cy = y - crop.Top;
    if (cy >= crop.Height() - 20) return kBar;
    if (cx >= 60 && cx < 260 && cy >= 80 && cy < 250) {
      return static_cast<std::uint8_t>(1 + y % 250);  // the row shows in the colour
    }
    return std::uint8_t{0};
  });
}

struct TRecipeFiles {
  test::TTempDir dir;
  std::string intermediate;
  std::string outDir = (dir.Path() / "B").string() + "/";
  explicit TRecipeFiles(const std::string& entryName) : intermediate(dir / (entryName + ".bmp")) {
    std::filesystem::create_directory(dir.Path() / "B");
  }
};

struct TRecipeCase {
  const char* entryName;
  std::uint64_t squareFileSize;
  const char* outputName;  // nullptr: handed to the character file
};

class ApplyRecipeRun : public testing::TestWithParam<TRecipeCase> {};

TEST_P(ApplyRecipeRun, LeavesTheSquareAndWritesTheLimeBackgroundPicture) {
  const TRecipeCase& c = GetParam();
  const ImageRecipe* recipe = FindRecipe(c.entryName);
  ASSERT_NE(recipe, nullptr);
  const std::int32_t side = recipe->SquareSize;
  TRecipeFiles files(c.entryName);
  TBitmap source = DecodedPicture(recipe->CropRect);
  source.SaveToFile(files.intermediate);
  source.SetPixelFormat(TPixelFormat::pf24bit);
  if (c.outputName) {
    test::WriteBytes(files.outDir + c.outputName, std::vector<std::uint8_t>(100000, 7));
  }

  int nadCalls = 0;
  TBitmap handedOn;
  ApplyRecipe(c.entryName, files.intermediate, files.outDir, [&](const TBitmap& thumbnail) {
    ++nadCalls;
    handedOn = thumbnail;
  });

  // The intermediate file now holds the square, cut from the crop and nothing else.
  EXPECT_EQ(std::filesystem::file_size(files.intermediate), c.squareFileSize);
  TBitmap square;
  square.LoadFromFile(files.intermediate);
  ASSERT_EQ(square.Width(), side);
  ASSERT_EQ(square.Height(), side);
  const TRect& crop = recipe->CropRect;
  for (std::int32_t y = 0; y < side; ++y) {
    for (std::int32_t x = 0; x < side; ++x) {
      const std::int32_t sx = crop.Left + x * crop.Width() / side;
      const std::int32_t sy = crop.Top + y * crop.Height() / side;
      ASSERT_EQ(square.Pixel(x, y), source.Pixel(sx, sy)) << x << "," << y;
    }
  }
  EXPECT_EQ(test::CountColour(square, TRGBTriple{0, 0, 255}), 0);

  TBitmap expected = ScaleArea(square, recipe->ThumbSize, recipe->ThumbSize);
  PaintBackground(expected, *recipe);
  if (c.outputName == nullptr) {
    EXPECT_EQ(nadCalls, 1);
    EXPECT_TRUE(std::filesystem::is_empty(files.dir.Path() / "B"));
    EXPECT_TRUE(handedOn == expected);
    EXPECT_EQ(handedOn.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(handedOn.Width(), 200);
    return;
  }
  EXPECT_EQ(nadCalls, 0);
  const std::vector<std::uint8_t> file = test::ReadBytes(files.outDir + c.outputName);
  ASSERT_EQ(file.size(), 76854u);  // the longer file before it is gone
  EXPECT_EQ(GetU32(&file[2]), 76854u);
  EXPECT_EQ(GetU32(&file[10]), 54u);
  EXPECT_EQ(GetI32(&file[18]), 160);
  EXPECT_EQ(GetI32(&file[22]), 160);
  EXPECT_EQ(GetU16(&file[28]), 24);
  // Bottom-up: the white bar comes first, the lime top row last.
  const std::vector<std::uint8_t> white(480, 255);
  EXPECT_TRUE(std::equal(white.begin(), white.end(), file.begin() + 54));
  const std::uint8_t* top = &file[54 + 159 * 480];
  EXPECT_EQ((std::vector<std::uint8_t>(top, top + 3)),
            (std::vector<std::uint8_t>{0x00, 0xFF, 0x00}));
  TBitmap written;
  written.LoadFromFile(files.outDir + c.outputName);
  written.SetBrushColor(expected.BrushColor());
  EXPECT_TRUE(written == expected);
  // The background is lime, the figure is not, and the white bar stays white.
  EXPECT_GT(test::CountColour(written, kLime), 160 * 60);
  EXPECT_GT(test::CountColour(written, kWhite), 160 * 8);
  EXPECT_EQ(test::CountColour(written, kBlack), 0);
}

INSTANTIATE_TEST_SUITE_P(FourEntries, ApplyRecipeRun,
                         testing::Values(TRecipeCase{"C00210090.BM2", 319534, "001.BMP"},
                                         TRecipeCase{"C00210080.BM2", 319534, "002.BMP"},
                                         TRecipeCase{"C00210200.BM2", 319534, "003.BMP"},
                                         TRecipeCase{"C00210110.BM2", 371766, nullptr}),
                         [](const testing::TestParamInfo<TRecipeCase>& info) {
                           return std::string(info.param.entryName).substr(0, 9);
                         });

// When the scaler has failed the thumbnail is still white: the fills find nothing and only the
// patch is painted.
TEST(PaintBackground, OnAWhiteThumbnailPaintsOnlyThePatch) {
  for (const auto& [name, patchPixels] :
       {std::pair{"C00210090.BM2", 8}, std::pair{"C00210080.BM2", 8}, std::pair{"C00210200.BM2", 0},
        std::pair{"C00210110.BM2", 0}}) {
    const ImageRecipe* recipe = FindRecipe(name);
    ASSERT_NE(recipe, nullptr) << name;
    const std::int32_t t = recipe->ThumbSize;
    TBitmap thumbnail = test::MakePicture(t, t, [](std::int32_t, std::int32_t) { return kWhite; });
    PaintBackground(thumbnail, *recipe);
    EXPECT_EQ(test::CountColour(thumbnail, kLime), patchPixels) << name;
    EXPECT_EQ(test::CountColour(thumbnail, kWhite), t * t - patchPixels) << name;
    if (patchPixels > 0) {
      for (std::int32_t y = 68; y < 72; ++y) {
        EXPECT_EQ(thumbnail.Pixel(10, y), kLime);
        EXPECT_EQ(thumbnail.Pixel(11, y), kLime);
      }
    }
  }
}

TEST(FindRecipe, KnowsOnlyTheFourNamesExactly) {
  for (const char* name : {"c00210090.BM2", "C00210090.bm2", "C00210090", "C00210090.BM2 ", ""}) {
    EXPECT_EQ(FindRecipe(name), nullptr) << name;
  }
  for (const char* name : {"C00210090.BM2", "C00210080.BM2", "C00210200.BM2", "C00210110.BM2"}) {
    const ImageRecipe* recipe = FindRecipe(name);
    ASSERT_NE(recipe, nullptr) << name;
    EXPECT_EQ(recipe->EntryName, name);
    // Every seed and patch lies in the thumbnail; a seed outside would silently do nothing.
    for (const TPoint& seed : recipe->Seeds) {
      EXPECT_TRUE(seed.x >= 0 && seed.y >= 0 && seed.x < recipe->ThumbSize &&
                  seed.y < recipe->ThumbSize)
          << name;
    }
    if (recipe->PatchRect) {
      EXPECT_TRUE(recipe->PatchRect->Left >= 0 && recipe->PatchRect->Top >= 0 &&
                  recipe->PatchRect->Right <= recipe->ThumbSize &&
                  recipe->PatchRect->Bottom <= recipe->ThumbSize)
          << name;
    }
  }
}

TEST(ApplyRecipe, UnknownEntryLeavesEverythingAsItWas) {
  TRecipeFiles files("c00210090.bm2");
  DecodedPicture(TRect{0, 3, 326, 329}).SaveToFile(files.intermediate);
  const std::vector<std::uint8_t> before = test::ReadBytes(files.intermediate);
  bool called = false;
  ApplyRecipe("c00210090.bm2", files.intermediate, files.outDir,
              [&](const TBitmap&) { called = true; });
  EXPECT_EQ(test::ReadBytes(files.intermediate), before);
  EXPECT_TRUE(std::filesystem::is_empty(files.dir.Path() / "B"));
  EXPECT_FALSE(called);
}

TEST(ApplyRecipe, PassesErrorsOnWithTheirTexts) {
  TRecipeFiles files("C00210090.BM2");
  const TBitmap decoded = DecodedPicture(TRect{0, 3, 326, 329});
  const std::vector<std::uint8_t> good = decoded.SaveToBytes();
  const std::string missingOut = (files.dir.Path() / "missing").string() + "/";

  struct TCase {
    const char* name;
    std::vector<std::uint8_t> intermediate;  // empty: no file
    std::string outDir;
    std::string text;
  };
  std::vector<std::uint8_t> notBm = good;
  notBm[0] = 'X';
  std::vector<std::uint8_t> planes = good;
  PutU16(&planes[26], 2);
  const std::vector<std::uint8_t> shortTable(good.begin(), good.begin() + 500);
  for (const TCase& c :
       {TCase{"missing", {}, files.outDir, FormatText(kOpenErrorFormat, files.intermediate)},
        TCase{"not BM", notBm, files.outDir, kInvalidBitmapText},
        TCase{"planes", planes, files.outDir, kInvalidBitmapText},
        TCase{"short table", shortTable, files.outDir, kReadErrorText},
        TCase{"no output folder", good, missingOut,
              FormatText(kCreateErrorFormat, missingOut + "001.BMP")}}) {
    std::filesystem::remove(files.intermediate);
    if (!c.intermediate.empty()) test::WriteBytes(files.intermediate, c.intermediate);
    try {
      ApplyRecipe("C00210090.BM2", files.intermediate, c.outDir, [](const TBitmap&) {});
      ADD_FAILURE() << c.name;
    } catch (const TError& error) {
      EXPECT_EQ(error.Text(), c.text) << c.name;
    }
  }
}

}  // namespace
}  // namespace popuran
