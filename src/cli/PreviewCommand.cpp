// popuran-cli preview: the pictures of a character set side by side in one PNG picture.
#include <png.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "charfile/NadFile.h"
#include "charfile/NadInspect.h"
#include "cli/Commands.h"
#include "platform/Bitmap.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/Stream.h"

namespace popuran::cli {

namespace {

constexpr std::int64_t kGap = 8;
constexpr std::uint8_t kBackground = 128;  // mid grey: neither white nor lime nor black

// A failure that names its own text; it ends the command like the system's errors.
class TPreviewError : public TError {
 public:
  using TError::TError;
};

// The picture inside a character file; the extraction checks its layout against the file.
TBitmap LoadNadPicture(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  if (bytes.size() < 4 || std::memcmp(bytes.data(), "NANI", 4) != 0) {
    throw TPreviewError("not a character file");
  }
  return ExtractNadPicture(bytes);
}

TBitmap LoadPicture(const std::string& path) {
  TBitmap picture;
  picture.LoadFromFile(path);
  return picture;
}

// The pictures of one sheet, as 24-bit pictures in the order they are shown. A failure names
// the file it came from.
std::vector<TBitmap> LoadCharacterSet(const std::string& folder) {
  std::string prefix = folder;
  if (prefix.back() != PathSeparator()) prefix += PathSeparator();
  std::vector<TBitmap> pictures;
  for (const char* name : {"001.BMP", "002.BMP", "003.BMP", kNadFileName}) {
    const std::string path = prefix + name;
    try {
      const bool isNad = std::strcmp(name, kNadFileName) == 0;
      pictures.push_back(isNad ? LoadNadPicture(path) : LoadPicture(path));
    } catch (const TOpenError&) {
      throw;  // its text names the file already
    } catch (const std::exception& error) {
      throw TPreviewError(path + ": " + error.what());
    }
    pictures.back().SetPixelFormat(TPixelFormat::pf24bit);
  }
  return pictures;
}

// The sheet as RGB rows, top row first: the pictures in a row at their own sizes, top-aligned,
// with a gap around each.
struct TSheet {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::vector<std::uint8_t> Rgb;
};

TSheet ComposeSheet(const std::vector<TBitmap>& pictures) {
  // Each side is at most 65535, so these sums are far inside 32 bits.
  std::int64_t width = kGap;
  std::int64_t tallest = 0;
  for (const TBitmap& picture : pictures) {
    width += picture.Width() + kGap;
    tallest = std::max<std::int64_t>(tallest, picture.Height());
  }
  TSheet sheet;
  sheet.Width = static_cast<std::uint32_t>(width);
  sheet.Height = static_cast<std::uint32_t>(tallest + 2 * kGap);
  const std::size_t stride = std::size_t{sheet.Width} * 3;
  sheet.Rgb.assign(stride * sheet.Height, kBackground);
  std::size_t left = kGap;
  for (const TBitmap& picture : pictures) {
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
      const std::uint8_t* in = picture.ScanLine(y);
      std::uint8_t* out =
          sheet.Rgb.data() + (kGap + static_cast<std::size_t>(y)) * stride + 3 * left;
      for (std::int32_t x = 0; x < picture.Width(); ++x, in += 3, out += 3) {
        out[0] = in[2];  // the pictures hold blue, green, red
        out[1] = in[1];
        out[2] = in[0];
      }
    }
    left += static_cast<std::size_t>(picture.Width()) + kGap;
  }
  return sheet;
}

// The PNG file's bytes. The encoder writes no time or other varying chunk, so equal sheets give
// equal files.
std::vector<std::uint8_t> EncodePng(const TSheet& sheet) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = sheet.Width;
  image.height = sheet.Height;
  image.format = PNG_FORMAT_RGB;
  const auto stride = static_cast<png_int_32>(sheet.Width * 3);
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, sheet.Rgb.data(), stride, nullptr)) {
    const std::string message = image.message;
    png_image_free(&image);
    throw TPreviewError("PNG: " + message);
  }
  std::vector<std::uint8_t> bytes(size);
  if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, sheet.Rgb.data(), stride,
                                 nullptr)) {
    const std::string message = image.message;
    png_image_free(&image);
    throw TPreviewError("PNG: " + message);
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace

int RunPreviewCommand(const TArguments& args, std::ostream& /*out*/, std::ostream& err) {
  if (args.size() != 2 || args[0].empty() || args[1].empty() || args[0][0] == '-' ||
      args[1][0] == '-') {
    err << "usage: popuran-cli preview B_FOLDER OUT.png\n";
    return kExitUsage;
  }
  try {
    const std::vector<std::uint8_t> png = EncodePng(ComposeSheet(LoadCharacterSet(args[0])));
    // Written in one piece through a temporary file, so a failure leaves no partial picture.
    WriteWholeFile(args[1], png);
  } catch (const std::exception& error) {
    err << "popuran-cli preview: " << ErrorReportText(error.what()) << '\n';
    return kExitError;
  }
  return kExitOk;
}

}  // namespace popuran::cli
