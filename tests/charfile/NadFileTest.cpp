#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "charfile/NadFile.h"
#include "charfile/NadFixtures.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

using test::MarkedThumbnail;
using test::PlainPicture;
using test::ReadBytes;
using test::TTempDir;

// The header as documented, written out independently of the writer's own table.
std::vector<std::uint8_t> ExpectedHeader() {
  std::vector<std::uint8_t> h(223, 0);
  const std::uint8_t start[12] = {0x4E, 0x41, 0x4E, 0x49, 0x0B, 0, 0, 0, 0x53, 0xA1, 0, 0};
  std::copy(std::begin(start), std::end(start), h.begin());
  const std::uint8_t blocks[5][2] = {
      {0xDC, 0x00}, {0x47, 0xA1}, {0x4A, 0xA1}, {0x4D, 0xA1}, {0x50, 0xA1}};
  for (std::size_t k = 0; k < 5; ++k) {
    const std::uint8_t slot[32] = {
        0xDF,         0, 0, 0,    0x07, 0x05, 0, 0, 0xC8, 0, 0, 0, 0, 0, 0, 0, blocks[k][0],
        blocks[k][1], 0, 0, 0x03, 0,    0,    0, 0, 0,    0, 0, 0, 0, 0, 0};
    std::copy(std::begin(slot), std::end(slot), h.begin() + 60 + 32 * static_cast<long>(k));
  }
  return h;
}

std::vector<std::uint8_t> BuildWithConstants(const TBitmap& thumbnail) {
  TNadHeader header;
  TNadTail tail;
  header.fill(0xAA);  // SetUpNadHeader must replace whatever was there
  tail.fill(0xAA);
  SetUpNadHeader(header, tail);
  return BuildNadImage(thumbnail, header, tail);
}

void WriteWithConstants(const TBitmap& thumbnail, const std::string& outDir) {
  TNadHeader header;
  TNadTail tail;
  SetUpNadHeader(header, tail);
  WriteNadFile(thumbnail, header, tail, outDir);
}

TRGBTriple TableColour(const std::vector<std::uint8_t>& file, std::uint8_t index) {
  const std::uint8_t* e = &file[263 + 4 * static_cast<std::size_t>(index)];
  return TRGBTriple{e[0], e[1], e[2]};
}

TEST(NadFile, WrittenFileHasTheDocumentedLayoutByteForByte) {
  TTempDir dir;
  const TBitmap thumbnail = MarkedThumbnail();
  WriteWithConstants(thumbnail, dir.Path().string() + "/");
  const std::vector<std::uint8_t> file = ReadBytes(dir / "000.NAD");

  ASSERT_EQ(file.size(), 41299u);
  // Header: the template, so 209..222 are zero and the bitmap file header's "BM" is gone.
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 223), ExpectedHeader());

  // Info header.
  const std::uint8_t* info = &file[223];
  EXPECT_EQ(GetU32(info + 0), 40u);
  EXPECT_EQ(GetI32(info + 4), 200);
  EXPECT_EQ(GetI32(info + 8), 200);
  EXPECT_EQ(GetU16(info + 12), 1u);
  EXPECT_EQ(GetU16(info + 14), 8u);
  EXPECT_EQ(GetU32(info + 16), 0u);
  EXPECT_EQ(GetU32(info + 20), 40000u);
  EXPECT_EQ(GetI32(info + 24), 0);
  EXPECT_EQ(GetI32(info + 28), 0);
  EXPECT_EQ(GetU32(info + 32), 256u);
  EXPECT_EQ(GetU32(info + 36), 0u);

  // Colour table: the five colours of the picture in entries 0..4, each with a zero fourth
  // byte, and zeros from entry 5 on.
  const std::set<std::vector<std::uint8_t>> palette = {{0x00, 0xFF, 0x00},
                                                       {0x00, 0x00, 0xFF},
                                                       {0xFF, 0x00, 0x00},
                                                       {0xFF, 0xFF, 0xFF},
                                                       {32, 64, 128}};
  std::set<std::vector<std::uint8_t>> seen;
  for (std::size_t i = 0; i < 5; ++i) {
    seen.insert({file[263 + 4 * i], file[264 + 4 * i], file[265 + 4 * i]});
    EXPECT_EQ(file[266 + 4 * i], 0) << i;
  }
  EXPECT_EQ(seen, palette);
  for (std::size_t at = 263 + 4 * 5; at < 1287; ++at) ASSERT_EQ(file[at], 0) << at;

  // Pixel rows bottom-up: every stored index names the thumbnail's colour at its place.
  for (std::int32_t row = 0; row < 200; ++row) {
    for (std::int32_t x = 0; x < 200; ++x) {
      const std::uint8_t index = file[1287 + static_cast<std::size_t>(row) * 200 + x];
      ASSERT_LT(index, 5) << row << ", " << x;
      ASSERT_EQ(TableColour(file, index), thumbnail.Pixel(x, 199 - row)) << row << ", " << x;
    }
  }
  // The top row (red) closes the pixel array; the bottom row (blue) opens it.
  EXPECT_EQ(TableColour(file, file[41087]), test::kRed);
  EXPECT_EQ(TableColour(file, file[41286]), test::kRed);
  EXPECT_EQ(TableColour(file, file[1287]), test::kBlue);
  EXPECT_EQ(TableColour(file, file[1486]), test::kBlue);

  // Tail.
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 41287, file.end()),
            std::vector<std::uint8_t>(12, 0));
}

TEST(NadFile, AllWhiteThumbnailGivesOneWhiteEntryAndZeroPixels) {
  const std::vector<std::uint8_t> file = BuildWithConstants(PlainPicture(200, 200, kWhite));
  ASSERT_EQ(file.size(), 41299u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 263, file.begin() + 267),
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0x00}));
  for (std::size_t at = 267; at < 1287; ++at) ASSERT_EQ(file[at], 0) << at;
  for (std::size_t at = 1287; at < 41287; ++at) ASSERT_EQ(file[at], 0) << at;
}

TEST(NadFile, ManyColouredThumbnailKeepsTheLayoutAndBuildsAlike) {
  const TBitmap thumbnail = test::GradientThumbnail();
  const std::vector<std::uint8_t> first = BuildWithConstants(thumbnail);
  ASSERT_EQ(first.size(), 41299u);
  EXPECT_EQ(std::vector<std::uint8_t>(first.begin(), first.begin() + 223), ExpectedHeader());
  EXPECT_EQ(GetU32(&first[223 + 32]), 256u);
  // Every entry behind the highest index in use is zero.
  const std::uint8_t highest = *std::max_element(first.begin() + 1287, first.begin() + 41287);
  EXPECT_GT(highest, 100);
  for (std::size_t at = 263 + 4 * (highest + 1u); at < 1287; ++at) ASSERT_EQ(first[at], 0) << at;

  EXPECT_EQ(BuildWithConstants(thumbnail), first);
  EXPECT_EQ(BuildWithConstants(MarkedThumbnail()), BuildWithConstants(MarkedThumbnail()));
}

TEST(NadFile, ReplacesALongerFileCompletely) {
  TTempDir dir;
  test::WriteBytes(dir / "000.NAD", std::vector<std::uint8_t>(100000, 0xEE));
  const TBitmap thumbnail = MarkedThumbnail();
  WriteWithConstants(thumbnail, dir.Path().string() + "/");
  EXPECT_EQ(ReadBytes(dir / "000.NAD"), BuildWithConstants(thumbnail));
}

TEST(NadFile, MissingOutputFolderRaisesTheCreateErrorAndLeavesNothing) {
  TTempDir dir;
  const std::string outDir = dir / "missing" + "/";
  try {
    WriteWithConstants(MarkedThumbnail(), outDir);
    FAIL() << "no error";
  } catch (const TError& error) {
    EXPECT_EQ(error.Text(), "ﾌｧｲﾙ " + outDir + "000.NAD を作成できません");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// A thumbnail the header cannot describe is refused before anything is written; an earlier
// file stays as it was.
TEST(NadFile, RefusesThumbnailsTheHeaderCannotDescribe) {
  struct TCase {
    const char* name;
    TBitmap thumbnail;
  };
  TBitmap eightBit;
  eightBit.SetPixelFormat(TPixelFormat::pf8bit);
  eightBit.SetSize(200, 200);
  const TCase cases[] = {
      {"199 wide", MarkedThumbnail(199, 200)},
      {"201 high", MarkedThumbnail(200, 201)},
      {"empty", TBitmap()},
      {"8 bits", eightBit},
  };
  for (const TCase& c : cases) {
    TTempDir dir;
    const std::vector<std::uint8_t> earlier(500, 0x5A);
    test::WriteBytes(dir / "000.NAD", earlier);
    EXPECT_THROW(WriteWithConstants(c.thumbnail, dir.Path().string() + "/"), TAssertionFailure)
        << c.name;
    EXPECT_EQ(ReadBytes(dir / "000.NAD"), earlier) << c.name;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1)
        << c.name;
  }
}

}  // namespace
}  // namespace popuran
