// The bitmap loaders on any bytes. Loading from memory and loading the same bytes from a file
// must agree: the same picture, or the same error. A picture they accept must survive saving
// and loading again unchanged and convert and scale without trouble; one they reject must leave
// the picture that was loaded before as it was.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <typeinfo>

#include "FuzzSupport.h"
#include "imaging/ImageExtract.h"
#include "platform/Bitmap.h"
#include "platform/Error.h"
#include "platform/Stream.h"

using namespace popuran;

namespace {

// A file for the loader to read, in a folder of its own that is removed at exit.
const std::string& ScratchFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/popuran-fuzz-bitmap-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) fuzz::Finding("cannot make the scratch folder");
    static const std::string folder = pattern;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    });
    return folder + "/picture.bmp";
  }();
  return path;
}

// What a load gave: the picture, or the error's text.
struct TOutcome {
  std::optional<TBitmap> picture;
  std::string error;
};

template <typename TLoad>
TOutcome Load(const TBitmap& earlier, TLoad load) {
  TBitmap picture = earlier;
  try {
    load(picture);
  } catch (const TError& error) {
    if (!(picture == earlier)) fuzz::Finding("a rejected file changed the picture");
    return {std::nullopt, error.Text()};
  } catch (const std::exception& error) {
    fuzz::Finding(std::string("foreign exception ") + typeid(error).name() + ": " + error.what());
  }
  return {std::move(picture), ""};
}

// A small 8-bit picture standing for whatever was loaded before.
TBitmap EarlierPicture() {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf8bit);
  picture.SetSize(3, 2);
  picture.ColorTable()[1] = TRGBQuad{1, 2, 3, 0};
  picture.ScanLine(1)[2] = 1;
  return picture;
}

void CheckLoaded(const TBitmap& loaded) {
  if (loaded.PixelFormat() != TPixelFormat::pf8bit && loaded.PixelFormat() != TPixelFormat::pf24bit)
    fuzz::Finding("loaded a picture without a pixel format");
  if (loaded.Width() < 0 || loaded.Height() < 0 || loaded.Width() > kMaxBitmapSide ||
      loaded.Height() > kMaxBitmapSide)
    fuzz::Finding("loaded a picture of an impossible size");

  // Saving and loading again gives the same picture.
  TBitmap again;
  again.LoadFromBytes(loaded.SaveToBytes());
  bool same = again.PixelFormat() == loaded.PixelFormat() && again.Width() == loaded.Width() &&
              again.Height() == loaded.Height();
  for (std::int32_t y = 0; same && y < loaded.Height(); ++y) {
    same =
        std::equal(loaded.ScanLine(y), loaded.ScanLine(y) + loaded.RowBytes(), again.ScanLine(y));
  }
  if (same && loaded.PixelFormat() == TPixelFormat::pf8bit) {
    for (std::size_t i = 0; i < 256; ++i) {
      const TRGBQuad& a = loaded.ColorTable()[i];
      const TRGBQuad& b = again.ColorTable()[i];
      same = same && a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
    }
  }
  if (!same) fuzz::Finding("a saved picture loads differently");

  // What a recipe does with a loaded picture: convert it, then scale it down.
  TBitmap converted = loaded;
  converted.SetPixelFormat(TPixelFormat::pf24bit);
  if (converted.Width() != loaded.Width() || converted.Height() != loaded.Height())
    fuzz::Finding("conversion to 24 bits changed the size");
  if (converted.Width() > 0 && converted.Height() > 0) {
    const TBitmap scaled = ScaleArea(converted, 16, 16);
    if (scaled.Width() != 16 || scaled.Height() != 16) fuzz::Finding("scaled to the wrong size");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  static const TBitmap earlier = EarlierPicture();
  const std::span<const std::uint8_t> input(bytes, size);
  const TOutcome fromBytes = Load(earlier, [&](TBitmap& p) { p.LoadFromBytes(input); });
  WriteWholeFile(ScratchFile(), input);
  const TOutcome fromFile = Load(earlier, [](TBitmap& p) { p.LoadFromFile(ScratchFile()); });
  if (fromBytes.error != fromFile.error) {
    fuzz::Finding("the loaders disagree: \"" + fromBytes.error + "\" from memory, \"" +
                  fromFile.error + "\" from the file");
  }
  if (!fromBytes.picture) return 0;
  if (!(*fromBytes.picture == *fromFile.picture))
    fuzz::Finding("the loaders read different pictures");
  try {
    CheckLoaded(*fromBytes.picture);
  } catch (const TError& error) {
    fuzz::Finding("an accepted picture failed later: " + error.Text());
  } catch (const std::exception& error) {
    fuzz::Finding(std::string("foreign exception ") + typeid(error).name() + ": " + error.what());
  }
  return 0;
}
