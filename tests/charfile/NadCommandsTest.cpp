#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "charfile/NadFile.h"
#include "charfile/NadFixtures.h"
#include "cli/Commands.h"
#include "imaging/ImageExtract.h"
#include "platform/Error.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

using cli::RunInspectCommand;
using cli::RunNadCommand;
using test::ReadBytes;
using test::TTempDir;

std::vector<std::uint8_t> NadOf(const TBitmap& thumbnail) {
  TNadHeader header;
  TNadTail tail;
  SetUpNadHeader(header, tail);
  return BuildNadImage(thumbnail, header, tail);
}

// The part of a picture from (left, top), side × side, copied pixel by pixel.
TBitmap Cut(const TBitmap& picture, std::int32_t left, std::int32_t top, std::int32_t side) {
  TBitmap square = test::PlainPicture(side, side, kBlack);
  for (std::int32_t y = 0; y < side; ++y) {
    for (std::int32_t x = 0; x < side; ++x) square.SetPixel(x, y, picture.Pixel(left + x, top + y));
  }
  return square;
}

bool IsOneLine(const std::string& text) {
  return !text.empty() && text.back() == '\n' && text.find('\n') == text.size() - 1;
}

TEST(NadCommand, WritesTheCharacterFileOfTheCentreSquare) {
  struct TCase {
    const char* name;
    TBitmap picture;
    TBitmap thumbnail;  // what the file must hold
  };
  const TBitmap wide = test::MarkedThumbnail(261, 200);   // side 200, left 30
  const TBitmap tall = test::MarkedThumbnail(200, 203);   // side 200, top 1
  const TBitmap large = test::MarkedThumbnail(400, 400);  // scaled down
  const TBitmap wideLarge = test::MarkedThumbnail(500, 300);
  const TCase cases[] = {
      {"200 x 200", test::MarkedThumbnail(), test::MarkedThumbnail()},
      {"wide", wide, Cut(wide, 30, 0, 200)},
      {"tall", tall, Cut(tall, 0, 1, 200)},
      {"large square", large, ScaleArea(large, 200, 200)},
      {"wide and large", wideLarge, ScaleArea(Cut(wideLarge, 100, 0, 300), 200, 200)},
  };
  for (const TCase& c : cases) {
    TTempDir dir;
    c.picture.SaveToFile(dir / "picture.bmp");
    std::ostringstream out, err;
    EXPECT_EQ(RunNadCommand({dir / "picture.bmp", dir / "out.nad"}, out, err), cli::kExitOk)
        << c.name << ": " << err.str();
    EXPECT_EQ(err.str(), "") << c.name;
    EXPECT_EQ(ReadBytes(dir / "out.nad"), NadOf(c.thumbnail)) << c.name;
  }
}

TEST(NadCommand, RefusesPicturesItCannotUseAndWritesNothing) {
  struct TCase {
    const char* name;
    std::vector<std::uint8_t> file;  // empty: no file at all
    std::string error;               // part of the one line on stderr
  };
  TBitmap eightBit;
  eightBit.SetPixelFormat(TPixelFormat::pf8bit);
  eightBit.SetSize(200, 200);
  TBitmap empty;
  empty.SetPixelFormat(TPixelFormat::pf24bit);
  std::vector<std::uint8_t> notBitmap(64, 'x');
  std::vector<std::uint8_t> cut = test::MarkedThumbnail().SaveToBytes();
  cut.resize(cut.size() - 1);
  const TCase cases[] = {
      {"8 bits", eightBit.SaveToBytes(), "8 bits per pixel"},
      {"no pixels", empty.SaveToBytes(), "no pixels"},
      {"not a bitmap", notBitmap, kInvalidBitmapText},
      {"cut short", cut, kReadErrorText},
      {"missing", {}, "は開けません"},
  };
  for (const TCase& c : cases) {
    TTempDir dir;
    if (!c.file.empty()) test::WriteBytes(dir / "picture.bmp", c.file);
    std::ostringstream out, err;
    EXPECT_EQ(RunNadCommand({dir / "picture.bmp", dir / "out.nad"}, out, err), cli::kExitError)
        << c.name;
    EXPECT_NE(err.str().find(c.error), std::string::npos) << c.name << ": " << err.str();
    EXPECT_TRUE(IsOneLine(err.str())) << c.name << ": " << err.str();
    EXPECT_FALSE(std::filesystem::exists(dir / "out.nad")) << c.name;
  }
}

TEST(NadCommand, WrongUsageIsStatusTwo) {
  for (const cli::TArguments& args :
       {cli::TArguments{}, cli::TArguments{"a.bmp"}, cli::TArguments{"a.bmp", "b", "c"},
        cli::TArguments{"--x", "b"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunNadCommand(args, out, err), cli::kExitUsage);
    EXPECT_NE(err.str().find("usage"), std::string::npos);
  }
}

TEST(InspectCommand, ReportsASoundFileAndExtractsItsPicture) {
  TTempDir dir;
  const TBitmap thumbnail = test::MarkedThumbnail();
  test::WriteBytes(dir / "000.NAD", NadOf(thumbnail));
  std::ostringstream out, err;
  ASSERT_EQ(RunInspectCommand({dir / "000.NAD", "--extract", dir / "x.bmp"}, out, err),
            cli::kExitOk)
      << err.str();
  EXPECT_EQ(out.str(),
            "size: 41299\n"
            "magic: NANI\n"
            "header: matches\n"
            "tail: matches\n"
            "picture: 200x200, 8 bits, 256 colour-table entries\n"
            "colours used: 5 (5 distinct, palette of 5 entries)\n"
            "extracted: " +
                (dir / "x.bmp") + "\n");
  EXPECT_EQ(err.str(), "");

  TBitmap extracted;
  extracted.LoadFromFile(dir / "x.bmp");
  EXPECT_EQ(extracted.PixelFormat(), TPixelFormat::pf8bit);
  extracted.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_TRUE(test::SamePixels(extracted, thumbnail));
}

TEST(InspectCommand, DamagedOrMissingFilesAreStatusFourWithOneLine) {
  struct TCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    bool write;
    const char* outLine;  // a line expected on stdout, or "" for none
    const char* error;
  };
  const TCase cases[] = {
      {"tail", [](auto& b) { b[41290] = 9; }, true, "tail: differs at byte 41290\n",
       "tail byte 41290 is not zero"},
      {"magic", [](auto& b) { b[0] = 'M'; }, true, "magic: 4D 41 4E 49 (not NANI)\n",
       "does not begin with \"NANI\""},
      {"truncated", [](auto& b) { b.resize(1000); }, true, "colours used: unknown\n",
       "the file has 1000 bytes instead of 41299"},
      {"empty", [](auto& b) { b.clear(); }, true, "magic: missing\n", "the file is empty"},
      {"missing", [](auto&) {}, false, "", "は開けません"},
  };
  for (const TCase& c : cases) {
    TTempDir dir;
    std::vector<std::uint8_t> bytes = NadOf(test::MarkedThumbnail());
    c.damage(bytes);
    if (c.write) test::WriteBytes(dir / "000.NAD", bytes);
    std::ostringstream out, err;
    EXPECT_EQ(RunInspectCommand({dir / "000.NAD"}, out, err), cli::kExitError) << c.name;
    EXPECT_NE(out.str().find(c.outLine), std::string::npos) << c.name << ": " << out.str();
    EXPECT_NE(err.str().find(c.error), std::string::npos) << c.name << ": " << err.str();
    EXPECT_TRUE(IsOneLine(err.str())) << c.name << ": " << err.str();
  }
}

TEST(InspectCommand, ExtractsNothingFromAnIncompletePicture) {
  TTempDir dir;
  std::vector<std::uint8_t> bytes = NadOf(test::MarkedThumbnail());
  bytes.resize(5000);
  test::WriteBytes(dir / "000.NAD", bytes);
  std::ostringstream out, err;
  EXPECT_EQ(RunInspectCommand({dir / "000.NAD", "--extract", dir / "x.bmp"}, out, err),
            cli::kExitError);
  EXPECT_FALSE(std::filesystem::exists(dir / "x.bmp"));
  EXPECT_TRUE(IsOneLine(err.str())) << err.str();
}

TEST(InspectCommand, WrongUsageIsStatusTwo) {
  for (const cli::TArguments& args :
       {cli::TArguments{}, cli::TArguments{"a", "b"}, cli::TArguments{"a", "--extract"},
        cli::TArguments{"--extract", "x.bmp"}, cli::TArguments{"a", "--bogus"},
        cli::TArguments{"a", "--extract", "x", "--extract", "y"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunInspectCommand(args, out, err), cli::kExitUsage);
    EXPECT_NE(err.str().find("usage"), std::string::npos);
  }
}

}  // namespace
}  // namespace popuran
