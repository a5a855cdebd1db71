// popuran-cli preview: the contact sheet of a character set.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "cli/Commands.h"
#include "imaging/ImagingSupport.h"
#include "platform/Bytes.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

TRGBTriple Solid(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return TRGBTriple{b, g, r};
}

// A character file around an 8-bit 200 × 200 picture, laid out as the writer lays it out: the
// bitmap file image saved at 209 and then covered up to 223 by the header.
std::vector<std::uint8_t> NadBytes(const TBitmap& picture8) {
  std::vector<std::uint8_t> bytes(223, 0);
  std::memcpy(bytes.data(), "NANI", 4);
  PutU32(&bytes[4], 11);
  PutU32(&bytes[8], 41299);
  const std::vector<std::uint8_t> image = picture8.SaveToBytes();
  bytes.insert(bytes.end(), image.begin() + 14, image.end());
  bytes.resize(bytes.size() + 12, 0);
  return bytes;
}

// A character set: three 160 × 160 pictures of one colour each, with the top-left pixel marked,
// and a character file whose picture has a blue top half and a yellow bottom half.
struct TCharacterSet {
  test::TTempDir dir;
  std::string folder = dir / "B";
  TCharacterSet() {
    std::filesystem::create_directory(folder);
    const TRGBTriple colours[3] = {Solid(255, 0, 0), Solid(0, 255, 0), Solid(0, 0, 0)};
    for (int i = 0; i < 3; ++i) {
      TBitmap picture = test::MakePicture(160, 160, [&](std::int32_t x, std::int32_t y) {
        return x == 0 && y == 0 ? Solid(10, 20, 30) : colours[i];
      });
      picture.SaveToFile(folder + "/00" + std::to_string(i + 1) + ".BMP");
    }
    std::array<TRGBQuad, 256> table{};
    table[0] = TRGBQuad{255, 0, 0, 0};    // blue
    table[1] = TRGBQuad{0, 255, 255, 0};  // yellow
    const TBitmap nad = test::MakeIndexedPicture(200, 200, table, [](std::int32_t, std::int32_t y) {
      return static_cast<std::uint8_t>(y < 100 ? 0 : 1);
    });
    test::WriteBytes(folder + "/000.NAD", NadBytes(nad));
  }
};

struct TRun {
  int status;
  std::string err;
};

TRun Preview(const cli::TArguments& args) {
  std::ostringstream out, err;
  const int status = cli::RunPreviewCommand(args, out, err);
  return {status, err.str()};
}

// The decoded PNG as RGB rows.
struct TDecoded {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  TRGBTriple At(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = &rgb[(std::size_t{y} * width + x) * 3];
    return Solid(p[0], p[1], p[2]);
  }
};

TDecoded DecodePng(const std::vector<std::uint8_t>& bytes) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  TDecoded decoded;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return decoded;
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return decoded;
  decoded.width = image.width;
  decoded.height = image.height;
  decoded.rgb = std::move(rgb);
  return decoded;
}

TEST(PreviewCommand, PutsThePicturesSideBySideReproducibly) {
  TCharacterSet set;
  const std::string png = set.dir / "sheet.png";
  const TRun run = Preview({set.folder, png});
  ASSERT_EQ(run.status, cli::kExitOk) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::uint8_t> bytes = test::ReadBytes(png);
  const TDecoded sheet = DecodePng(bytes);
  // Gaps of 8 around pictures of 160, 160, 160 and 200.
  ASSERT_EQ(sheet.width, 8u + 3 * 168 + 200 + 8);
  ASSERT_EQ(sheet.height, 8u + 200 + 8);
  const TRGBTriple grey = sheet.At(0, 0);
  EXPECT_NE(grey, kWhite);
  EXPECT_NE(grey, kBlack);
  EXPECT_NE(grey, kLime);
  const TRGBTriple colours[3] = {Solid(255, 0, 0), Solid(0, 255, 0), Solid(0, 0, 0)};
  for (std::uint32_t i = 0; i < 3; ++i) {
    const std::uint32_t left = 8 + 168 * i;
    EXPECT_EQ(sheet.At(left, 8), Solid(10, 20, 30)) << i;  // top-left stays top-left
    EXPECT_EQ(sheet.At(left + 1, 8), colours[i]) << i;
    EXPECT_EQ(sheet.At(left + 159, 167), colours[i]) << i;
    EXPECT_EQ(sheet.At(left + 160, 8), grey) << i;
    EXPECT_EQ(sheet.At(left, 168), grey) << i;  // below a shorter picture
  }
  EXPECT_EQ(sheet.At(512, 8), Solid(0, 0, 255));      // the character file's top row
  EXPECT_EQ(sheet.At(711, 207), Solid(255, 255, 0));  // and its bottom row
  EXPECT_EQ(sheet.At(712, 207), grey);

  const std::string again = set.dir / "again.png";
  ASSERT_EQ(Preview({set.folder, again}).status, cli::kExitOk);
  EXPECT_EQ(test::ReadBytes(again), bytes);
}

TEST(PreviewCommand, RefusesMissingOrBadFilesWithoutWritingAPicture) {
  struct TCase {
    const char* name;
    std::function<void(const std::string& folder)> spoil;
  };
  const auto truncate = [](const std::string& path, std::size_t size) {
    std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    bytes.resize(size);
    test::WriteBytes(path, bytes);
  };
  for (const TCase& c : {
           TCase{"missing picture",
                 [](const std::string& f) { std::filesystem::remove(f + "/002.BMP"); }},
           TCase{"missing character file",
                 [](const std::string& f) { std::filesystem::remove(f + "/000.NAD"); }},
           TCase{"picture cut short",
                 [&](const std::string& f) { truncate(f + "/003.BMP", 3000); }},
           TCase{"character file cut in its rows",
                 [&](const std::string& f) { truncate(f + "/000.NAD", 30000); }},
           TCase{"character file cut in its header",
                 [&](const std::string& f) { truncate(f + "/000.NAD", 230); }},
           TCase{"not a character file",
                 [](const std::string& f) {
                   std::vector<std::uint8_t> bytes = test::ReadBytes(f + "/000.NAD");
                   bytes[0] = 'X';
                   test::WriteBytes(f + "/000.NAD", bytes);
                 }},
           TCase{"character file with a huge picture",
                 [](const std::string& f) {
                   std::vector<std::uint8_t> bytes = test::ReadBytes(f + "/000.NAD");
                   PutI32(&bytes[227], 60000);
                   PutI32(&bytes[231], -60000);
                   test::WriteBytes(f + "/000.NAD", bytes);
                 }},
       }) {
    TCharacterSet set;
    c.spoil(set.folder);
    const std::string png = set.dir / "sheet.png";
    const TRun run = Preview({set.folder, png});
    EXPECT_EQ(run.status, cli::kExitError) << c.name;
    EXPECT_FALSE(run.err.empty()) << c.name;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << c.name << ": " << run.err;
    EXPECT_FALSE(std::filesystem::exists(png)) << c.name;
  }
}

TEST(PreviewCommand, WantsAFolderAndAnOutputFile) {
  TCharacterSet set;
  for (const cli::TArguments& args :
       {cli::TArguments{}, cli::TArguments{set.folder}, cli::TArguments{set.folder, "a.png", "b"},
        cli::TArguments{"--help", "a.png"}}) {
    EXPECT_EQ(Preview(args).status, cli::kExitUsage);
  }
}

}  // namespace
}  // namespace popuran
