#include <algorithm>
#include <cstring>
#include <iostream>

#include "charfile/NadFile.h"
#include "cli/Commands.h"
#include "imaging/ImageExtract.h"
#include "platform/Bitmap.h"
#include "platform/Error.h"
#include "platform/Stream.h"

namespace popuran::cli {

namespace {

constexpr const char* kNadUsage = "usage: popuran-cli nad PICTURE.bmp OUT.NAD\n";

// The largest centred square of a picture, pixel for pixel.
TBitmap CentreSquare(const TBitmap& picture) {
  const std::int32_t side = std::min(picture.Width(), picture.Height());
  const std::int32_t left = (picture.Width() - side) / 2;
  const std::int32_t top = (picture.Height() - side) / 2;
  TBitmap square;
  square.SetPixelFormat(TPixelFormat::pf24bit);
  square.SetSize(side, side);
  for (std::int32_t y = 0; y < side; ++y) {
    std::memcpy(square.ScanLine(y), picture.ScanLine(top + y) + 3 * static_cast<std::size_t>(left),
                square.RowBytes());
  }
  return square;
}

}  // namespace

int RunNadCommand(const TArguments& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2 || args[0].empty() || args[1].empty() || args[0][0] == '-' ||
      args[1][0] == '-') {
    err << kNadUsage;
    return kExitUsage;
  }
  const std::string& picturePath = args[0];
  const std::string& outPath = args[1];
  try {
    TBitmap picture;
    picture.LoadFromFile(picturePath);
    if (picture.PixelFormat() != TPixelFormat::pf24bit) {
      err << picturePath << ": the picture has 8 bits per pixel; a 24-bit picture is needed\n";
      return kExitError;
    }
    if (picture.Width() == 0 || picture.Height() == 0) {
      err << picturePath << ": the picture has no pixels\n";
      return kExitError;
    }
    TBitmap thumbnail =
        picture.Width() == picture.Height() ? std::move(picture) : CentreSquare(picture);
    if (thumbnail.Width() != kNadSide) thumbnail = ScaleArea(thumbnail, kNadSide, kNadSide);

    TNadHeader header;
    TNadTail tail;
    SetUpNadHeader(header, tail);
    const std::vector<std::uint8_t> bytes = BuildNadImage(thumbnail, header, tail);
    WriteWholeFile(outPath, bytes);
    out << "wrote " << outPath << " (" << bytes.size() << " bytes)\n";
    return kExitOk;
  } catch (const std::exception& error) {
    err << ErrorReportText(error.what()) << '\n';
    return kExitError;
  }
}

}  // namespace popuran::cli
