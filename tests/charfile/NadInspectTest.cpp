#include <gtest/gtest.h>

#include <functional>

#include "charfile/NadFile.h"
#include "charfile/NadFixtures.h"
#include "charfile/NadInspect.h"
#include "platform/Error.h"

namespace popuran {
namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes NadOf(const TBitmap& thumbnail) {
  TNadHeader header;
  TNadTail tail;
  SetUpNadHeader(header, tail);
  return BuildNadImage(thumbnail, header, tail);
}

TEST(NadInspect, FilesTheWriterMakesAreSound) {
  struct TCase {
    const char* name;
    TBitmap thumbnail;
    std::uint32_t colours;  // palette entries, 0 when not known in advance
  };
  const TCase cases[] = {
      {"five colours", test::MarkedThumbnail(), 5},
      {"all white", test::PlainPicture(200, 200, kWhite), 1},
      // Black is entry 0 and the whole table is zero: still a palette of one entry.
      {"all black", test::PlainPicture(200, 200, kBlack), 1},
      {"gradient", test::GradientThumbnail(), 0},
  };
  for (const TCase& c : cases) {
    const TNadInspection report = InspectNad(NadOf(c.thumbnail));
    EXPECT_EQ(report.Verdict, "sound") << c.name;
    EXPECT_EQ(report.Size, 41299u);
    EXPECT_EQ(report.Magic, TNadPart::Matches) << c.name;
    EXPECT_EQ(report.Header, TNadPart::Matches) << c.name;
    EXPECT_EQ(report.Tail, TNadPart::Matches) << c.name;
    EXPECT_EQ(report.Picture, TNadPart::Matches) << c.name;
    EXPECT_EQ(report.Width, 200);
    EXPECT_EQ(report.Height, 200);
    EXPECT_EQ(report.BitCount, 8u);
    EXPECT_EQ(report.ClrUsed, 256u);
    ASSERT_TRUE(report.HasPixels) << c.name;
    EXPECT_TRUE(report.IndicesInPalette) << c.name;
    // Every leaf holds a pixel, so all entries are in use.
    EXPECT_EQ(report.HighestIndexPlusOne, report.PaletteEntries) << c.name;
    EXPECT_EQ(report.DistinctIndices, report.PaletteEntries) << c.name;
    if (c.colours != 0) {
      EXPECT_EQ(report.PaletteEntries, c.colours) << c.name;
    }
  }
}

TEST(NadInspect, NamesTheFirstFaultOfADamagedFile) {
  struct TCase {
    const char* name;
    std::function<void(TBytes&)> damage;
    const char* verdict;
  };
  const TCase cases[] = {
      {"empty", [](TBytes& b) { b.clear(); }, "the file is empty"},
      {"three bytes", [](TBytes& b) { b.resize(3); },
       "not a character file: it does not begin with \"NANI\""},
      {"header only", [](TBytes& b) { b.resize(223); }, "the file has 223 bytes instead of 41299"},
      {"one byte short", [](TBytes& b) { b.pop_back(); },
       "the file has 41298 bytes instead of 41299"},
      {"one byte long", [](TBytes& b) { b.push_back(0); },
       "the file has 41300 bytes instead of 41299"},
      {"wrong magic", [](TBytes& b) { b[3] = 'X'; },
       "not a character file: it does not begin with \"NANI\""},
      {"altered slot", [](TBytes& b) { b[60 + 32 * 2 + 8] = 0xC9; },
       "header byte 132 differs from the header constant"},
      {"bitmap file header left in", [](TBytes& b) { b[209] = 'B', b[210] = 'M'; },
       "header byte 209 differs from the header constant"},
      {"8-bit depth changed", [](TBytes& b) { b[237] = 24; },
       "picture field biBitCount is 24 instead of 8"},
      {"fewer colours declared", [](TBytes& b) { b[255] = 5, b[256] = 0; },
       "picture field biClrUsed is 5 instead of 256"},
      {"altered tail", [](TBytes& b) { b[41296] = 1; }, "tail byte 41296 is not zero"},
      // Stored row 0 is the bottom row; the marked picture has five entries.
      {"pixel past the palette", [](TBytes& b) { b[1287 + 200 + 7] = 5; },
       "pixel (7, 198) uses colour-table entry 5, behind the 5 entries of the palette"},
      {"pixel on the last entry", [](TBytes& b) { b[41286] = 255; },
       "pixel (199, 0) uses colour-table entry 255, behind the 5 entries of the palette"},
  };
  const TBytes sound = NadOf(test::MarkedThumbnail());
  for (const TCase& c : cases) {
    TBytes bytes = sound;
    c.damage(bytes);
    const TNadInspection report = InspectNad(bytes);
    EXPECT_FALSE(report.Sound()) << c.name;
    EXPECT_EQ(report.Verdict, c.verdict) << c.name;
  }
}

TEST(NadInspect, ReportsTheSizeOfAFileLargerThanTheBytesGiven) {
  const TBytes sound = NadOf(test::MarkedThumbnail());
  const TNadInspection report = InspectNad(sound, std::uint64_t{1} << 40);
  EXPECT_EQ(report.Size, std::uint64_t{1} << 40);
  EXPECT_EQ(report.Verdict, "the file has 1099511627776 bytes instead of 41299");
  EXPECT_EQ(report.Header, TNadPart::Matches);
}

// Every prefix around the boundaries, and bytes flipped all over a sound file: a verdict each
// time, and extraction either works or raises the system's errors.
TEST(NadInspect, AnyBytesGiveAVerdictAndNeverAnOutOfBoundsRead) {
  const TBytes sound = NadOf(test::MarkedThumbnail());
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (std::size_t n : {1286u, 1287u, 1288u, 41286u, 41287u, 41288u, 41298u}) lengths.push_back(n);
  for (std::size_t n : lengths) {
    const TBytes prefix(sound.begin(), sound.begin() + static_cast<long>(n));
    const TNadInspection report = InspectNad(prefix);
    EXPECT_FALSE(report.Sound()) << n;
    EXPECT_FALSE(report.Verdict.empty()) << n;
    if (n < 41287) {
      EXPECT_THROW(ExtractNadPicture(prefix), TReadError) << n;
    } else {
      EXPECT_NO_THROW(ExtractNadPicture(prefix)) << n;
    }
  }
  std::uint32_t seed = 12345;
  for (int round = 0; round < 200; ++round) {
    TBytes bytes = sound;
    for (int flip = 0; flip < 8; ++flip) {
      seed = seed * 1103515245u + 12345u;
      bytes[(seed >> 8) % bytes.size()] ^= static_cast<std::uint8_t>(1u << (seed & 7));
    }
    EXPECT_FALSE(InspectNad(bytes).Verdict.empty());
    try {
      (void)ExtractNadPicture(bytes);
    } catch (const TError&) {
    }
  }
}

TEST(NadInspect, ExtractsTheEmbeddedPicture) {
  const TBitmap thumbnail = test::MarkedThumbnail();
  TBytes bytes = NadOf(thumbnail);
  bytes[41296] = 7;  // damage elsewhere does not matter
  TBitmap picture = ExtractNadPicture(bytes);
  EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(picture.Width(), 200);
  EXPECT_EQ(picture.Height(), 200);
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint8_t* e = &bytes[263 + 4 * i];
    ASSERT_EQ(picture.ColorTable()[i], (TRGBQuad{e[0], e[1], e[2], e[3]})) << i;
  }
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_TRUE(test::SamePixels(picture, thumbnail));

  bytes[223 + 4] = 100;  // biWidth
  EXPECT_THROW(ExtractNadPicture(bytes), TInvalidBitmap);
}

}  // namespace
}  // namespace popuran
