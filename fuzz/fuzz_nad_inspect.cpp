// The character-file inspector on any bytes, whole and as the head of a longer file. It must
// always give a verdict, and a file it calls sound must be the writer's shape throughout.
#include <cstdint>
#include <exception>
#include <string>
#include <typeinfo>

#include "FuzzSupport.h"
#include "charfile/NadFile.h"
#include "charfile/NadInspect.h"
#include "platform/Error.h"

using namespace popuran;

namespace {

void CheckInspection(const TNadInspection& r, std::span<const std::uint8_t> bytes,
                     std::uint64_t fileSize) {
  if (r.Size != fileSize) fuzz::Finding("the inspection reports the wrong size");
  if (r.Verdict.empty()) fuzz::Finding("no verdict");
  if (r.HasPixels && (r.PaletteEntries < 1 || r.PaletteEntries > 256 ||
                      r.HighestIndexPlusOne > 256 || r.DistinctIndices > 256))
    fuzz::Finding("colour counts out of range");
  if (!r.Sound()) return;
  if (fileSize != kNadFileSize || bytes.size() != kNadFileSize)
    fuzz::Finding("a file of the wrong size was called sound");
  if (r.Magic != TNadPart::Matches || r.Header != TNadPart::Matches ||
      r.Tail != TNadPart::Matches || r.Picture != TNadPart::Matches || !r.HasPixels ||
      !r.IndicesInPalette)
    fuzz::Finding("a sound verdict with a part that does not match");
  const TBitmap picture = ExtractNadPicture(bytes);
  if (picture.Width() != kNadSide || picture.Height() != kNadSide)
    fuzz::Finding("the picture of a sound file has the wrong size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::span<const std::uint8_t> input(bytes, size);
  try {
    CheckInspection(InspectNad(input), input, size);
    // The same bytes as the head of a file that goes on: never read past what was given, and
    // never sound.
    const TNadInspection longer = InspectNad(input, std::uint64_t{size} + 1);
    CheckInspection(longer, input.first(std::min<std::size_t>(size, kNadFileSize)), size + 1);
    if (longer.Sound()) fuzz::Finding("a file longer than its given head was called sound");
    try {
      ExtractNadPicture(input);
    } catch (const TError&) {
      // A file without the writer's picture.
    }
  } catch (const TError& error) {
    fuzz::Finding("the inspector raised " + error.Text());
  } catch (const std::exception& error) {
    fuzz::Finding(std::string("foreign exception ") + typeid(error).name() + ": " + error.what());
  }
  return 0;
}
