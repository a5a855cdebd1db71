#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "archive/Bm2.h"
#include "platform/Bitmap.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/Stream.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

using test::ErrorOf;
using test::MakeBm2;
using test::Pixels;

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kOut = kIntermediateHeaderSize;  // first pixel byte of the output

void SetPaletteEntry(Bytes& entry, std::size_t i, std::array<std::uint8_t, 4> rgba) {
  std::copy(rgba.begin(), rgba.end(), entry.begin() + kBm2PaletteOffset + 4 * i);
}

std::array<std::uint8_t, 4> OutputPaletteEntry(const Bytes& file, std::size_t i) {
  const std::uint8_t* e = file.data() + 54 + 4 * i;
  return {e[0], e[1], e[2], e[3]};
}

Bytes Row(const Bytes& file, std::size_t stride, std::size_t row) {
  const auto begin = file.begin() + static_cast<std::ptrdiff_t>(kOut + row * stride);
  return Bytes(begin, begin + static_cast<std::ptrdiff_t>(stride));
}

TMemoryStream DataFile(std::size_t leading, const Bytes& entry, std::size_t trailing) {
  TMemoryStream data;
  data.Memory().assign(leading, 0xA5);
  data.Memory().insert(data.Memory().end(), entry.begin(), entry.end());
  data.Memory().insert(data.Memory().end(), trailing, 0x5A);
  return data;
}

// Malformed entries: each fails with the read error before any file appears, whether it comes
// through the data file or straight from memory.
TEST(Bm2Decode, MalformedEntriesFailWithoutWritingAFile) {
  const Bytes good = MakeBm2(4, 2, Pixels(4, 2));  // 1096 bytes
  struct Case {
    std::string label;
    Bytes entry;
    std::uint32_t offset;
    std::uint32_t size;
  };
  Bytes negativeHeight = MakeBm2(4, -2, Pixels(4, 2));
  const std::vector<Case> cases = {
      {"size 0", good, 16, 0},
      {"size 64", good, 16, 64},
      {"size 65", good, 16, 65},
      {"size 1087", good, 16, 1087},
      {"size 1088 without the rows of 4 x 2", good, 16, 1088},
      {"size 1088 without the row of 5 x 1", MakeBm2(5, 1, Pixels(5, 1)), 16, 1088},
      {"one byte past the end of the data file", good, 16, 1097},
      {"offset and size near 4 GiB", good, 0xFFFFFFFFu, 0xFFFFFFFFu},
      {"11 pixel bytes for 4 x 3", MakeBm2(4, 3, Pixels(4, 3)), 16, 1088 + 11},
      {"14 pixel bytes for 5 x 3", MakeBm2(5, 3, Pixels(5, 3)), 16, 1088 + 14},
      {"negative biHeight", negativeHeight, 16, 1096},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    test::TTempDir dir;
    TMemoryStream data = DataFile(16, c.entry, 0);
    const PackEntry entry{"C00210090.BM2", c.offset, c.size};
    EXPECT_EQ(ErrorOf([&] { ConvertBm2ToBmp(data, entry, dir.Path().string()); }), kReadErrorText);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    if (std::uint64_t{c.offset} + c.size <= data.Size()) {
      const std::span<const std::uint8_t> bytes(data.Memory().data() + c.offset, c.size);
      EXPECT_EQ(ErrorOf([&] { DecodeBm2(bytes); }), kReadErrorText);
    }
  }
}

TEST(Bm2Decode, PaletteTakesAlphaIntoTheColours) {
  struct Case {
    std::array<std::uint8_t, 4> rgba;
    std::array<std::uint8_t, 3> rgb;  // as it should come out
  };
  // Entries 0 to 7 keep their places, so case i is found at index i.
  const std::vector<Case> cases = {
      {{10, 20, 30, 128}, {10, 20, 30}},      // opaque
      {{200, 100, 50, 255}, {200, 100, 50}},  // above 128 counts as opaque
      {{255, 255, 255, 0}, {0, 0, 0}},        // transparent becomes black
      {{255, 0, 128, 127}, {253, 0, 127}},
      {{0, 0, 3, 64}, {0, 0, 2}},  // 1.5 rounds up
      {{0, 1, 0, 64}, {0, 1, 0}},  // 0.5 rounds up
      {{1, 1, 1, 63}, {0, 0, 0}},  // below one half
  };
  Bytes entry = MakeBm2(0, 0, {});
  for (std::size_t i = 0; i < cases.size(); ++i) SetPaletteEntry(entry, i, cases[i].rgba);
  for (std::size_t i = cases.size(); i < 256; ++i) {
    SetPaletteEntry(entry, i, {7, 8, 9, static_cast<std::uint8_t>(i)});
  }
  const Bytes file = DecodeBm2(entry);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& [r, g, b] = cases[i].rgb;
    EXPECT_EQ(OutputPaletteEntry(file, i), (std::array<std::uint8_t, 4>{b, g, r, 0}))
        << "entry " << i;
  }
  for (std::size_t i = 0; i < 256; ++i) EXPECT_EQ(file[54 + 4 * i + 3], 0) << "entry " << i;
}

TEST(Bm2Decode, PaletteGroupsOfEightTradePlaces) {
  Bytes entry = MakeBm2(0, 0, {});
  for (std::size_t i = 0; i < 256; ++i) {
    const auto id = static_cast<std::uint8_t>(i);
    SetPaletteEntry(entry, i, {id, static_cast<std::uint8_t>(255 - i), 0, 128});
  }
  const Bytes file = DecodeBm2(entry);
  const std::vector<std::pair<std::size_t, std::size_t>> moves = {
      {8, 16}, {16, 8},  {15, 23}, {23, 15}, {40, 48},   {48, 40},   {0, 0},
      {7, 7},  {24, 24}, {31, 31}, {32, 32}, {232, 240}, {247, 239}, {255, 255}};
  for (const auto& [from, to] : moves) {
    const auto id = static_cast<std::uint8_t>(from);
    EXPECT_EQ(OutputPaletteEntry(file, to),
              (std::array<std::uint8_t, 4>{0, static_cast<std::uint8_t>(255 - id), id, 0}))
        << "entry " << from << " should be at " << to;
  }
}

TEST(Bm2Decode, RowsAreTurnedUpsideDown) {
  // Width 4 needs no padding, so bytes after the rows stay where they are.
  const Bytes trailing = {0xE1, 0xE2, 0xE3};
  for (std::size_t h : {0u, 1u, 2u, 3u}) {
    SCOPED_TRACE("h = " + std::to_string(h));
    Bytes pixels = Pixels(4, h);
    pixels.insert(pixels.end(), trailing.begin(), trailing.end());
    const Bytes entry = MakeBm2(4, static_cast<std::int32_t>(h), pixels);
    const Bytes file = DecodeBm2(entry);
    ASSERT_EQ(file.size(), entry.size() - 10);
    const Bytes source = Pixels(4, h);
    for (std::size_t row = 0; row < h; ++row) {
      const auto from = source.begin() + static_cast<std::ptrdiff_t>((h - 1 - row) * 4);
      EXPECT_EQ(Row(file, 4, row), Bytes(from, from + 4)) << "file row " << row;
    }
    EXPECT_EQ(Bytes(file.end() - 3, file.end()), trailing);
  }
}

TEST(Bm2Decode, HeaderIsRepairedForABitmapReader) {
  struct Case {
    std::uint32_t offBits;
    std::uint32_t expected;
  };
  // Only the low half changes, wrapping within it.
  for (const Case& c : {Case{0xABCD0440u, 0xABCD0436u}, Case{0x00010005u, 0x0001FFFBu}}) {
    Bytes entry = MakeBm2(4, 2, Pixels(4, 2));
    PutU32(entry.data() + 2, 0xDEADBEEFu);  // bfSize, wrong on purpose
    PutU16(entry.data() + 6, 0x1234);
    PutU16(entry.data() + 8, 0x5678);
    PutU32(entry.data() + 10, c.offBits);
    PutU32(entry.data() + 14, 12);
    PutU32(entry.data() + 34, 0x99999999u);
    for (std::size_t i = 38; i < 64; ++i) entry[i] = static_cast<std::uint8_t>(i);
    const Bytes file = DecodeBm2(entry);

    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(GetU32(file.data() + 2), 0xDEADBEEFu);
    EXPECT_EQ(GetU16(file.data() + 6), 0);
    EXPECT_EQ(GetU16(file.data() + 8), 0);
    EXPECT_EQ(GetU32(file.data() + 10), c.expected);
    EXPECT_EQ(GetU32(file.data() + 14), 40u);
    EXPECT_EQ(GetU32(file.data() + 34), 8u);
    // Width, height, planes, bit count, compression and the fields after biSizeImage stay.
    EXPECT_TRUE(std::equal(file.begin() + 18, file.begin() + 34, entry.begin() + 18));
    EXPECT_TRUE(std::equal(file.begin() + 38, file.begin() + 54, entry.begin() + 38));
  }
}

TEST(Bm2Decode, FileLengthFollowsTheEntrysSize) {
  struct Case {
    std::uint32_t w, h;
    std::size_t extra;  // bytes after the rows
  };
  for (const Case& c : {Case{4, 3, 0}, Case{0, 0, 0}, Case{8, 1, 0}, Case{0, 5, 0}, Case{4, 0, 0},
                        Case{12, 2, 5}}) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h) + " + " +
                 std::to_string(c.extra));
    Bytes pixels = Pixels(c.w, c.h);
    pixels.resize(pixels.size() + c.extra, 0x77);
    const Bytes entry = MakeBm2(c.w, static_cast<std::int32_t>(c.h), pixels);
    const Bytes file = DecodeBm2(entry);
    EXPECT_EQ(file.size(), 1078 + c.w * c.h + c.extra);
    EXPECT_EQ(GetU32(file.data() + 34), c.w * c.h + c.extra);
  }
}

TEST(Bm2Decode, RowsOfOddWidthsArePaddedAndLoadStraight) {
  for (std::uint32_t w : {1u, 2u, 3u, 4u, 5u, 6u, 7u}) {
    SCOPED_TRACE("w = " + std::to_string(w));
    const std::uint32_t h = 3;
    const std::uint32_t stride = (w + 3) / 4 * 4;
    const Bytes pixels = Pixels(w, h);
    Bytes entry = MakeBm2(w, static_cast<std::int32_t>(h), pixels);
    if (w % 4 != 0) entry.insert(entry.end(), {0xEE, 0xEE});  // dropped with the padding
    TMemoryStream data = DataFile(0, entry, 0);
    test::TTempDir dir;
    const std::string path = ConvertBm2ToBmp(
        data, PackEntry{"C00210110.BM2", 0, static_cast<std::uint32_t>(entry.size())},
        dir.Path().string());

    const Bytes file = test::ReadBytes(path);
    ASSERT_EQ(file.size(), 1078 + stride * h);
    EXPECT_EQ(GetU32(file.data() + 34), stride * h);
    for (std::uint32_t row = 0; row < h; ++row) {
      const Bytes bytes = Row(file, stride, row);
      EXPECT_TRUE(std::all_of(bytes.begin() + w, bytes.end(), [](auto b) { return b == 0; }));
    }

    TBitmap bitmap;
    bitmap.LoadFromFile(path);
    ASSERT_EQ(bitmap.Width(), static_cast<std::int32_t>(w));
    ASSERT_EQ(bitmap.Height(), static_cast<std::int32_t>(h));
    for (std::uint32_t y = 0; y < h; ++y) {
      const std::uint8_t* line = bitmap.ScanLine(static_cast<std::int32_t>(y));
      EXPECT_EQ(Bytes(line, line + w), Bytes(pixels.begin() + y * w, pixels.begin() + (y + 1) * w))
          << "row " << y;
    }
  }
}

TEST(Bm2Decode, WideEntriesNeedNoFixedRowBuffer) {
  const std::uint32_t w = 1000, h = 3;
  const Bytes pixels = Pixels(w, h);
  const Bytes file = DecodeBm2(MakeBm2(w, h, pixels));
  ASSERT_EQ(file.size(), 1078 + w * h);
  for (std::uint32_t row = 0; row < h; ++row) {
    const auto from = pixels.begin() + (h - 1 - row) * w;
    EXPECT_EQ(Row(file, w, row), Bytes(from, from + w)) << "file row " << row;
  }
}

TEST(Bm2Convert, WritesTheDecodedEntryAndLeavesTheDataFileAfterIt) {
  test::TTempDir dir;
  const Bytes first = MakeBm2(8, 2, Pixels(8, 2));
  Bytes second = MakeBm2(4, 1, Pixels(4, 1));
  SetPaletteEntry(second, 3, {1, 2, 3, 0});
  TMemoryStream data = DataFile(100, first, 0);
  data.Memory().insert(data.Memory().end(), second.begin(), second.end());
  data.Memory().insert(data.Memory().end(), 50, 0x5A);

  const auto convert = [&](std::uint32_t offset, const Bytes& entry) {
    data.Seek(data.Size());  // positioning is absolute, wherever the stream was
    const std::string path = ConvertBm2ToBmp(
        data, PackEntry{"C00210110.BM2", offset, static_cast<std::uint32_t>(entry.size())},
        dir.Path().string());
    EXPECT_EQ(data.Position(), offset + entry.size());
    EXPECT_EQ(path, dir.Path().string() + PathSeparator() + "C00210110.BM2.bmp");
    EXPECT_EQ(test::ReadBytes(path), DecodeBm2(entry));
  };
  convert(100, first);
  convert(static_cast<std::uint32_t>(100 + first.size()), second);  // the same name overwrites
  // Only the one file, no temporary left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(Bm2Convert, IntermediatePathJoinsFolderAndName) {
  const std::string sep(1, PathSeparator());
  EXPECT_EQ(IntermediatePath("tool", "C00210090.BM2"), "tool" + sep + "C00210090.BM2.bmp");
  // A folder that ends in a separator (a root) gets a second one.
  EXPECT_EQ(IntermediatePath(sep, "C00210110.BM2"), sep + sep + "C00210110.BM2.bmp");
}

TEST(Bm2Convert, FilesThatCannotBeCreatedAreReported) {
  test::TTempDir dir;
  const Bytes entry = MakeBm2(4, 1, Pixels(4, 1));
  struct Case {
    std::string toolDir;
    std::string name;
  };
  const std::vector<Case> cases = {
      {dir / "missing", "C00210090.BM2"},  // no such folder
      {dir / "tool", "../C00210090.BM2"},  // a name that leaves the folder
      {dir / "tool", "a\\b"},
      {dir / "tool", ".."},
      {dir / "tool", ""},
  };
  std::filesystem::create_directory(dir / "tool");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.toolDir + " | " + c.name);
    TMemoryStream data = DataFile(0, entry, 0);
    const PackEntry packEntry{c.name, 0, static_cast<std::uint32_t>(entry.size())};
    EXPECT_EQ(ErrorOf([&] { ConvertBm2ToBmp(data, packEntry, c.toolDir); }),
              FormatText(kCreateErrorFormat, IntermediatePath(c.toolDir, c.name)));
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir / "tool"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace popuran
