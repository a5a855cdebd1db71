#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/Bm2.h"
#include "demo/DemoArchive.h"
#include "imaging/ImageRecipe.h"
#include "platform/Bitmap.h"
#include "support/TempDir.h"

namespace popuran::demo {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

struct TRecord {
  std::string name;  // up to the first NUL
  std::uint32_t offset;
  std::uint32_t size;
};

// Walks an index with plain byte reads, checking every record against the data file's length.
std::vector<TRecord> WalkIndex(const TArchiveBytes& archive) {
  const auto& index = archive.index;
  EXPECT_GE(index.size(), 8u);
  EXPECT_EQ(std::string(index.begin(), index.begin() + 4), "PACK");
  const std::uint16_t count = U16(index, 4);
  EXPECT_GE(index.size(), 8u + 32u * count);
  std::vector<TRecord> records;
  for (std::size_t i = 0; i < count && 8 + 32 * (i + 1) <= index.size(); ++i) {
    const std::size_t at = 8 + 32 * i;
    const auto nameEnd = std::find(index.begin() + at, index.begin() + at + 24, 0);
    TRecord record{std::string(index.begin() + at, nameEnd), U32(index, at + 24),
                   U32(index, at + 28)};
    EXPECT_LE(std::uint64_t{record.offset} + record.size, archive.data.size()) << record.name;
    records.push_back(record);
  }
  return records;
}

TEST(DemoArchive, IsReproducibleSmallAndWrittenWithAStandInCompanion) {
  const TArchiveBytes first = MakeDemoArchive();
  const TArchiveBytes second = MakeDemoArchive();
  EXPECT_TRUE(first.index == second.index);
  EXPECT_TRUE(first.data == second.data);
  EXPECT_LT(first.index.size() + first.data.size(), 2'000'000u);

  test::TTempDir dir;
  const TDemoPaths paths = WriteDemoArchive(dir / "demo");
  EXPECT_EQ(paths.indexFile, dir / "demo/TH2Data.000");
  EXPECT_EQ(paths.dataFile, dir / "demo/TH2Data.001");
  EXPECT_EQ(paths.companionExe, dir / "demo/Kobitone/Kobitone.exe");
  EXPECT_TRUE(test::ReadBytes(paths.indexFile) == first.index);
  EXPECT_TRUE(test::ReadBytes(paths.dataFile) == first.data);
  const std::vector<std::uint8_t> script = test::ReadBytes(paths.companionExe);
  EXPECT_EQ(std::string(script.begin(), script.begin() + 10), "#!/bin/sh\n");
  const auto perms = std::filesystem::status(paths.companionExe).permissions();
  EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);

  // A second run over the same folder gives the same files.
  WriteDemoArchive(dir / "demo");
  EXPECT_TRUE(test::ReadBytes(paths.dataFile) == first.data);
}

TEST(DemoArchive, ListsEachPictureOnceAmongFillersAndLookAlikes) {
  const TArchiveBytes archive = MakeDemoArchive();
  const std::vector<TRecord> records = WalkIndex(archive);
  ASSERT_GT(records.size(), 2000u);

  std::array<std::vector<std::size_t>, 4> positions;
  std::set<std::string> names;
  for (std::size_t i = 0; i < records.size(); ++i) {
    names.insert(records[i].name);
    for (int pose = 0; pose < 4; ++pose)
      if (records[i].name == kPoseEntryNames[pose]) positions[pose].push_back(i);
  }
  for (int pose = 0; pose < 4; ++pose) {
    ASSERT_EQ(positions[pose].size(), 1u) << kPoseEntryNames[pose];
    const TRecord& record = records[positions[pose][0]];
    const std::vector<std::uint8_t> expected = MakeCharacterBm2(pose);
    ASSERT_EQ(record.size, expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), archive.data.begin() + record.offset))
        << kPoseEntryNames[pose];
    EXPECT_GT(positions[pose][0], 100u) << "the pictures stand among other entries";
  }
  // C00210080 (pose 1) stands before C00210090 (pose 0); the others follow.
  EXPECT_LT(positions[1][0], positions[0][0]);
  EXPECT_LT(positions[0][0], positions[2][0]);
  EXPECT_LT(positions[2][0], positions[3][0]);
  // Names that only resemble the wanted ones, and no empty or duplicated names.
  for (const char* lookAlike :
       {"c00210090.bm2", "C00210091.BM2", "C00210090.BM2 ", "C00210110.BM2.BACKUP.OLD"})
    EXPECT_EQ(names.count(lookAlike), 1u) << lookAlike;
  EXPECT_EQ(names.size(), records.size());
  EXPECT_EQ(names.count(""), 0u);
}

TEST(DemoArchive, MakeArchiveLaysOutRecordsAndRejectsWhatDoesNotFit) {
  const std::string fullName(24, 'N');
  const TArchiveBytes archive =
      MakeArchive({{"A.BM2", {1, 2, 3}}, {std::string("B\0xy", 4), {}}, {fullName, {9, 8}}});
  ASSERT_EQ(archive.index.size(), 8u + 3 * 32);
  EXPECT_EQ(U16(archive.index, 4), 3);
  const std::vector<TRecord> records = WalkIndex(archive);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].name, "A.BM2");
  EXPECT_EQ(records[1].name, "B");
  EXPECT_EQ(records[2].name, fullName);
  EXPECT_EQ(archive.index[8 + 32 + 2], 'x');  // raw name bytes are kept after the NUL
  EXPECT_EQ(archive.index[8 + 5], 0);
  EXPECT_NE(records[0].offset, 0u);
  EXPECT_GT(records[2].offset, records[0].offset + records[0].size);
  EXPECT_EQ(archive.data[records[2].offset], 9);
  EXPECT_EQ(records[1].size, 0u);

  EXPECT_THROW(MakeArchive({{std::string(25, 'N'), {}}}), std::invalid_argument);
  EXPECT_THROW(MakeArchive(std::vector<TArchiveEntry>(65536)), std::invalid_argument);
}

TEST(DemoArchive, MakeBm2LaysOutHeaderPaletteAndRowsTopFirst) {
  std::array<TRgba, 256> palette{};
  palette[1] = {10, 20, 30, 40};
  palette[255] = {250, 251, 252, 128};
  const std::vector<std::uint8_t> pixels = {1, 2, 3, 4, 5, 6};  // 3 × 2, top row 1 2 3
  const std::vector<std::uint8_t> bm2 = MakeBm2(3, 2, palette, pixels);
  ASSERT_EQ(bm2.size(), 1088u + 6);
  EXPECT_EQ(bm2[0], 'B');
  EXPECT_EQ(bm2[1], 'M');
  EXPECT_EQ(U32(bm2, 2), bm2.size());
  EXPECT_NE(U16(bm2, 6), 0);
  EXPECT_NE(U16(bm2, 8), 0);
  // (offset, value) of the 32-bit fields; planes 1 and bit count 8 share the one at 26.
  const std::array<std::pair<std::size_t, std::uint32_t>, 9> fields = {{
      {10, 1088},
      {14, 40},
      {18, 3},
      {22, 2},
      {26, 1 | (8 << 16)},
      {30, 0},
      {34, 6},
      {46, 256},
      {50, 0},  //
  }};
  for (const auto& [at, value] : fields) EXPECT_EQ(U32(bm2, at), value) << "offset " << at;
  EXPECT_EQ(std::vector<std::uint8_t>(bm2.begin() + 64 + 4, bm2.begin() + 64 + 8),
            (std::vector<std::uint8_t>{10, 20, 30, 40}));
  EXPECT_EQ(U32(bm2, 64 + 4 * 255), 0x80FCFBFAu);
  EXPECT_EQ(std::vector<std::uint8_t>(bm2.begin() + 1088, bm2.end()), pixels);

  EXPECT_THROW(MakeBm2(3, 2, palette, {1, 2, 3}), std::invalid_argument);
  EXPECT_THROW(MakeBm2(-3, -2, palette, pixels), std::invalid_argument);
  EXPECT_THROW(MakeCharacterBm2(4), std::invalid_argument);
}

// The colours of a character picture as the decoder's rules give them: palette entries 8–15 and
// 16–23 of each block of 32 trade places, and colours are weighted by alpha below 128. The
// switches turn either rule off to show that the picture depends on it.
struct TDecoded {
  std::vector<std::array<int, 3>> colours;  // per pixel, top row first
  bool IsBlack(std::size_t i) const { return colours[i] == std::array<int, 3>{0, 0, 0}; }
};

TDecoded DecodeColours(const std::vector<std::uint8_t>& bm2, bool reorder, bool weight) {
  TDecoded decoded;
  const std::size_t count = bm2.size() - kBm2PixelOffset;
  for (std::size_t i = 0; i < count; ++i) {
    int index = bm2[kBm2PixelOffset + i];
    const int within = index % 32;
    if (reorder && within >= 8 && within < 16)
      index += 8;
    else if (reorder && within >= 16 && within < 24)
      index -= 8;
    const std::uint8_t* entry = &bm2[64 + 4 * index];
    std::array<int, 3> colour{entry[0], entry[1], entry[2]};
    if (weight && entry[3] < 128)
      for (int& c : colour) c = (c * entry[3] + 64) / 128;
    decoded.colours.push_back(colour);
  }
  return decoded;
}

// Exactly black pixels 4-connected to (x, y) through exactly black pixels.
std::vector<bool> BlackRegion(const TDecoded& decoded, int x, int y) {
  const int size = kCharacterSize;
  std::vector<bool> region(decoded.colours.size());
  std::deque<std::pair<int, int>> queue;
  auto visit = [&](int vx, int vy) {
    if (vx < 0 || vy < 0 || vx >= size || vy >= size) return;
    const std::size_t i = static_cast<std::size_t>(vy) * size + vx;
    if (region[i] || !decoded.IsBlack(i)) return;
    region[i] = true;
    queue.emplace_back(vx, vy);
  };
  visit(x, y);
  while (!queue.empty()) {
    const auto [cx, cy] = queue.front();
    queue.pop_front();
    visit(cx + 1, cy);
    visit(cx - 1, cy);
    visit(cx, cy + 1);
    visit(cx, cy - 1);
  }
  return region;
}

class CharacterPicture : public testing::TestWithParam<int> {};

TEST_P(CharacterPicture, IsBlackExactlyOnItsTransparentBackgroundAndPocket) {
  const std::vector<std::uint8_t> bm2 = MakeCharacterBm2(GetParam());
  ASSERT_EQ(bm2.size(), kBm2PixelOffset + 400 * 400);
  const TDecoded decoded = DecodeColours(bm2, true, true);
  const std::vector<bool> outside = BlackRegion(decoded, 0, 0);
  const TRect& pocket = kCharacterPocket;
  const std::vector<bool> enclosed = BlackRegion(decoded, pocket.Left, pocket.Top);

  int left = kCharacterSize, top = kCharacterSize, right = 0, bottom = 0;
  for (int y = 0; y < kCharacterSize; ++y) {
    for (int x = 0; x < kCharacterSize; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * kCharacterSize + x;
      const bool inPocket =
          x >= pocket.Left && x < pocket.Right && y >= pocket.Top && y < pocket.Bottom;
      if (inPocket) {
        ASSERT_TRUE(enclosed[i]) << x << "," << y;
      }
      ASSERT_FALSE(outside[i] && enclosed[i]) << "the pocket is open at " << x << "," << y;
      // Black exactly where the picture is transparent: outside or in the one pocket.
      ASSERT_EQ(decoded.IsBlack(i), outside[i] || enclosed[i]) << x << "," << y;
      if (!decoded.IsBlack(i)) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
      }
    }
  }
  // The figure keeps clear of the edges of every crop: columns 37–325, rows 28–328.
  EXPECT_GE(left, 37 + 16);
  EXPECT_GE(top, 28 + 16);
  EXPECT_LE(right, 326 - 16);
  EXPECT_LE(bottom, 329 - 16);
}

TEST_P(CharacterPicture, DependsOnReorderAndAlphaAndHasASoftDarkOutline) {
  const std::vector<std::uint8_t> bm2 = MakeCharacterBm2(GetParam());
  const TDecoded decoded = DecodeColours(bm2, true, true);
  const TDecoded unordered = DecodeColours(bm2, false, true);
  const TDecoded unweighted = DecodeColours(bm2, true, false);

  std::size_t figure = 0, changed = 0, backgroundShown = 0;
  std::set<int> blocks;
  std::set<std::array<int, 3>> transparentColours, fringe;
  for (std::size_t i = 0; i < decoded.colours.size(); ++i) {
    const int index = bm2[kBm2PixelOffset + i];
    blocks.insert(index / 32);
    if (decoded.IsBlack(i)) {
      backgroundShown += !unweighted.IsBlack(i);
      transparentColours.insert(unweighted.colours[i]);
      continue;
    }
    ++figure;
    changed += decoded.colours[i] != unordered.colours[i];
    if (decoded.colours[i] != unweighted.colours[i]) fringe.insert(decoded.colours[i]);
  }
  EXPECT_EQ(blocks.size(), 8u);
  EXPECT_GT(changed * 4, figure * 3) << "most of the figure needs the reorder";
  EXPECT_EQ(backgroundShown, decoded.colours.size() - figure) << "all background needs alpha";
  EXPECT_GE(transparentColours.size(), 3u);
  EXPECT_GE(fringe.size(), 2u) << "partly transparent outline pixels";

  // Every figure pixel next to the background is a dark outline colour, never black.
  const int size = kCharacterSize;
  for (int y = 1; y + 1 < size; ++y) {
    for (int x = 1; x + 1 < size; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * size + x;
      if (decoded.IsBlack(i)) continue;
      const bool edge = decoded.IsBlack(i - 1) || decoded.IsBlack(i + 1) ||
                        decoded.IsBlack(i - size) || decoded.IsBlack(i + size);
      if (edge) {
        const auto& c = decoded.colours[i];
        ASSERT_LE(std::max({c[0], c[1], c[2]}), 100) << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Poses, CharacterPicture, testing::Values(0, 1, 2, 3));

// Each picture through the decoder and its recipe: the background around the figure turns lime
// right to the thumbnail's edges, the figure stays, and only the pocket is left black.
TEST_P(CharacterPicture, ComesOutOfItsRecipeWithALimeBackgroundAndABlackPocket) {
  const std::string name = kPoseEntryNames[GetParam()];
  const ImageRecipe* recipe = FindRecipe(name);
  ASSERT_NE(recipe, nullptr);
  test::TTempDir dir;
  const std::string intermediate = dir / (name + ".bmp");
  test::WriteBytes(intermediate, DecodeBm2(MakeCharacterBm2(GetParam())));
  TBitmap thumbnail;
  ApplyRecipe(name, intermediate, dir / "", [&](const TBitmap& made) { thumbnail = made; });
  if (recipe->OutputName) thumbnail.LoadFromFile(dir / *recipe->OutputName);
  const std::int32_t side = recipe->ThumbSize;
  ASSERT_EQ(thumbnail.Width(), side);
  ASSERT_EQ(thumbnail.Height(), side);

  // The pocket's place in the thumbnail, widened by a pixel for rounding.
  const TRect& crop = recipe->CropRect;
  auto mapX = [&](std::int32_t x) { return (x - crop.Left) * side / crop.Width(); };
  auto mapY = [&](std::int32_t y) { return (y - crop.Top) * side / crop.Height(); };
  const TRect pocket{mapX(kCharacterPocket.Left - 2) - 1, mapY(kCharacterPocket.Top - 2) - 1,
                     mapX(kCharacterPocket.Right + 2) + 2, mapY(kCharacterPocket.Bottom + 2) + 2};
  int black = 0, figure = 0;
  for (std::int32_t y = 0; y < side; ++y) {
    for (std::int32_t x = 0; x < side; ++x) {
      const TRGBTriple colour = thumbnail.Pixel(x, y);
      const bool edge = x == 0 || y == 0 || x == side - 1 || y == side - 1;
      if (edge) {
        ASSERT_EQ(colour, kLime) << x << "," << y;
      }
      if (colour == kBlack) {
        ++black;
        EXPECT_TRUE(x >= pocket.Left && x < pocket.Right && y >= pocket.Top && y < pocket.Bottom)
            << "black left outside the pocket at " << x << "," << y;
      } else if (!(colour == kLime)) {
        ++figure;
      }
    }
  }
  EXPECT_GE(black, 9);
  EXPECT_GT(figure, side * side / 6);
}

TEST(CharacterPictures, PosesDiffer) {
  std::array<std::vector<std::uint8_t>, 4> poses;
  for (int pose = 0; pose < 4; ++pose) poses[pose] = MakeCharacterBm2(pose);
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b) EXPECT_FALSE(poses[a] == poses[b]) << a << " " << b;
}

}  // namespace
}  // namespace popuran::demo
