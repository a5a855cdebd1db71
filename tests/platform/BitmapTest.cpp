#include <gtest/gtest.h>

#include "platform/Bitmap.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

// A bitmap file: headers of the given info size, an optional 256-entry colour table, then rows.
std::vector<std::uint8_t> MakeBmp(std::int32_t width, std::int32_t height, std::uint16_t bits,
                                  std::uint32_t infoSize = 40) {
  const bool paletted = bits == 8;
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * (bits / 8) + 3) / 4 * 4;
  const std::uint32_t rows = static_cast<std::uint32_t>(height < 0 ? -height : height);
  const std::uint32_t offBits = 14 + infoSize + (paletted ? 1024 : 0);
  std::vector<std::uint8_t> b(offBits + stride * rows, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutU32(&b[2], static_cast<std::uint32_t>(b.size()));
  PutU32(&b[10], offBits);
  PutU32(&b[14], infoSize);
  PutI32(&b[18], width);
  PutI32(&b[22], height);
  PutU16(&b[26], 1);
  PutU16(&b[28], bits);
  PutU32(&b[46], paletted ? 3 : 0);  // a biClrUsed below 256 must not shorten the table
  return b;
}

struct TBadBitmap {
  const char* name;
  std::size_t offset;  // byte to change, or SIZE_MAX to truncate to `value` bytes
  std::uint32_t value;
  bool invalid;  // true: the bitmap text; false: the read error
};

void PrintTo(const TBadBitmap& c, std::ostream* os) {
  *os << c.name;
}

// The two loaders take the same files: LoadFromBytes from memory, LoadFromFile piece by piece
// from the file.
enum class TLoader { Bytes, File };

void Load(TBitmap& picture, const std::vector<std::uint8_t>& bytes, TLoader loader) {
  if (loader == TLoader::Bytes) {
    picture.LoadFromBytes(bytes);
    return;
  }
  test::TTempDir dir;
  const std::string path = dir / "picture.bmp";
  WriteWholeFile(path, bytes);
  picture.LoadFromFile(path);
}

class BitmapLoaderRejects : public testing::TestWithParam<TBadBitmap> {};

TEST_P(BitmapLoaderRejects, WithTheSystemsTextAndLeavesThePictureAlone) {
  const TBadBitmap& c = GetParam();
  std::vector<std::uint8_t> bytes = MakeBmp(3, 2, 8);
  if (c.offset == SIZE_MAX) {
    bytes.resize(c.value);
  } else if (c.offset == 18 || c.offset == 30) {
    PutU32(&bytes[c.offset], c.value);
  } else {
    PutU16(&bytes[c.offset], static_cast<std::uint16_t>(c.value));
  }
  for (const TLoader loader : {TLoader::Bytes, TLoader::File}) {
    const char* from = loader == TLoader::Bytes ? " from bytes" : " from a file";
    TBitmap picture;
    picture.SetSize(2, 2);
    const TBitmap before = picture;
    try {
      Load(picture, bytes, loader);
      ADD_FAILURE() << c.name << from;
    } catch (const TError& error) {
      EXPECT_EQ(error.Text(), c.invalid ? kInvalidBitmapText : kReadErrorText) << c.name << from;
    }
    EXPECT_TRUE(picture == before) << c.name << from;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bitmap, BitmapLoaderRejects,
    testing::Values(TBadBitmap{"not BM", 0, 0x4D42 + 1, true}, TBadBitmap{"planes 0", 26, 0, true},
                    TBadBitmap{"planes 2", 26, 2, true}, TBadBitmap{"4 bits", 28, 4, true},
                    TBadBitmap{"32 bits", 28, 32, true}, TBadBitmap{"compressed", 30, 1, true},
                    TBadBitmap{"negative width", 18, 0xFFFFFFFF, true},
                    TBadBitmap{"huge width", 18, 0x7FFFFFFF, true},
                    TBadBitmap{"empty file", SIZE_MAX, 0, false},
                    TBadBitmap{"short file header", SIZE_MAX, 13, false},
                    TBadBitmap{"short info header", SIZE_MAX, 53, false},
                    TBadBitmap{"short colour table", SIZE_MAX, 54 + 1023, false},
                    TBadBitmap{"short rows", SIZE_MAX, 1078 + 4 + 2, false}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

TEST(Bitmap, LoadsEightBitPicturesWithAFullColourTableBottomUpOrTopDown) {
  for (const auto& [height, loader] : {std::pair{2, TLoader::Bytes}, std::pair{-2, TLoader::Bytes},
                                       std::pair{2, TLoader::File}, std::pair{-2, TLoader::File}}) {
    std::vector<std::uint8_t> b = MakeBmp(3, height, 8);
    // Colour 200 lies past the biClrUsed of 3 and must still be read.
    b[54 + 4 * 200] = 1;
    b[54 + 4 * 200 + 1] = 2;
    b[54 + 4 * 200 + 2] = 3;
    b[1078 + 0] = 200;    // first row in the file, first pixel
    b[1078 + 4 + 2] = 7;  // second row in the file (after 1 byte of padding), last pixel
    TBitmap picture;
    Load(picture, b, loader);
    ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_EQ(picture.Width(), 3);
    ASSERT_EQ(picture.Height(), 2);
    const std::int32_t firstFileRow = height > 0 ? 1 : 0;
    EXPECT_EQ(picture.ScanLine(firstFileRow)[0], 200);
    EXPECT_EQ(picture.ScanLine(1 - firstFileRow)[2], 7);
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(picture.Pixel(0, firstFileRow), (TRGBTriple{1, 2, 3}));
  }
}

TEST(Bitmap, AcceptsLargerInfoHeadersAndIgnoresBytesAfterTheRows) {
  std::vector<std::uint8_t> b = MakeBmp(2, 1, 24, 124);  // a V5 header
  b[14 + 124] = 9;
  b.push_back(0xEE);
  for (const TLoader loader : {TLoader::Bytes, TLoader::File}) {
    TBitmap picture;
    Load(picture, b, loader);
    EXPECT_EQ(picture.Pixel(0, 0), (TRGBTriple{9, 0, 0}));
  }
}

TEST(Bitmap, SavesTwentyFourBitPicturesBottomUpWithPaddedRows) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetWidth(160);
  picture.SetHeight(160);
  EXPECT_EQ(picture.Pixel(159, 159), kWhite);  // a new picture is white
  picture.SetPixel(0, 0, kLime);
  const std::vector<std::uint8_t> b = picture.SaveToBytes();
  ASSERT_EQ(b.size(), 76854u);
  EXPECT_EQ(GetU32(&b[2]), 76854u);
  EXPECT_EQ(GetU32(&b[10]), 54u);
  EXPECT_EQ(GetI32(&b[22]), 160);
  EXPECT_EQ(GetU16(&b[28]), 24u);
  EXPECT_EQ(GetU32(&b[34]), 76800u);
  EXPECT_EQ(GetU32(&b[46]), 0u);
  // The top row is stored last.
  EXPECT_EQ(b[54 + 159 * 480 + 0], 0x00);
  EXPECT_EQ(b[54 + 159 * 480 + 1], 0xFF);
  EXPECT_EQ(b[54 + 159 * 480 + 2], 0x00);

  TBitmap odd;
  odd.SetSize(326, 326);
  const std::vector<std::uint8_t> o = odd.SaveToBytes();
  EXPECT_EQ(o.size(), 319534u);
  EXPECT_EQ(o[54 + 978], 0);  // two fill bytes end each 980-byte row
  EXPECT_EQ(o[54 + 979], 0);
  TBitmap back;
  back.LoadFromBytes(o);
  EXPECT_TRUE(back == odd);
}

TEST(Bitmap, SavesEightBitPicturesWithAFullColourTable) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf8bit);
  picture.SetSize(200, 200);
  picture.SetPalette({{10, 20, 30, 0}, {40, 50, 60, 0}});
  picture.ScanLine(0)[0] = 1;
  const std::vector<std::uint8_t> b = picture.SaveToBytes();
  ASSERT_EQ(b.size(), 14u + 40 + 1024 + 40000);
  EXPECT_EQ(GetU32(&b[10]), 1078u);
  EXPECT_EQ(GetU32(&b[46]), 256u);
  EXPECT_EQ(GetU32(&b[38]), 0u);
  const std::uint8_t entry1[] = {60, 50, 40, 0};
  EXPECT_TRUE(std::equal(entry1, entry1 + 4, &b[54 + 4]));
  EXPECT_TRUE(std::all_of(&b[54 + 8], &b[1078], [](std::uint8_t v) { return v == 0; }));
  EXPECT_EQ(b[1078 + 199 * 200], 1);  // the top row is last
}

// Pictures read back from their files, with every pixel its own value: rows that the file
// stream's buffer serves (and that cross its edge), and rows longer than the buffer.
TEST(Bitmap, LoadFromFileReadsBackWhatSaveToFileWrote) {
  struct TSize {
    TPixelFormat format;
    std::int32_t width, height;
  };
  for (const TSize& size :
       {TSize{TPixelFormat::pf24bit, 326, 326}, TSize{TPixelFormat::pf8bit, 399, 41},
        TSize{TPixelFormat::pf24bit, 6000, 3}, TSize{TPixelFormat::pf8bit, 20001, 2}}) {
    TBitmap picture;
    picture.SetPixelFormat(size.format);
    picture.SetSize(size.width, size.height);
    // A 24-bit file has no colour table; the loader keeps its own.
    if (size.format == TPixelFormat::pf8bit) {
      picture.SetPalette({{1, 2, 3, 0}, {4, 5, 6, 0}, {250, 251, 252, 0}});
    }
    std::uint32_t state = 7;
    for (std::int32_t y = 0; y < size.height; ++y) {
      std::uint8_t* row = picture.ScanLine(y);
      for (std::size_t i = 0; i < picture.RowBytes(); ++i) {
        state = state * 1664525u + 1013904223u;
        row[i] = static_cast<std::uint8_t>(state >> 24);
      }
    }
    test::TTempDir dir;
    picture.SaveToFile(dir / "picture.bmp");
    TBitmap back;
    back.LoadFromFile(dir / "picture.bmp");
    EXPECT_TRUE(back == picture) << size.width << " x " << size.height;
  }
}

}  // namespace
}  // namespace popuran
