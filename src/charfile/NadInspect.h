// Looking into a character file: which of its parts are as the writer makes them, what the
// embedded picture is, and how many colours it uses. Any bytes at all may be given; the result
// always says what was found and never reads outside them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/Bitmap.h"

namespace popuran {

// How one part of a file compares with what the writer makes.
enum class TNadPart { Matches, Differs, Missing };

inline constexpr const char* kNadSoundVerdict = "sound";

struct TNadInspection {
  std::uint64_t Size = 0;

  TNadPart Magic = TNadPart::Missing;   // bytes 0..3 are "NANI"
  TNadPart Header = TNadPart::Missing;  // bytes 0..222 equal the header constant
  std::size_t HeaderDiffersAt = 0;      // first differing offset, when Header is Differs
  TNadPart Tail = TNadPart::Missing;    // bytes 41287..41298 are zero
  std::size_t TailDiffersAt = 0;        // first differing offset, when Tail is Differs

  // The embedded picture's info header, read when its 40 bytes are present.
  bool HasInfoHeader = false;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint16_t BitCount = 0;
  std::uint32_t ClrUsed = 0;
  // Matches when every info header field is the writer's; Differs names the first field that
  // is not.
  TNadPart Picture = TNadPart::Missing;
  std::string PictureField;  // the differing field's name, when Picture is Differs

  // Colour use, counted when the colour table and every pixel row are present.
  bool HasPixels = false;
  std::uint32_t PaletteEntries = 0;       // colour-table entries that are not padding
  std::uint32_t HighestIndexPlusOne = 0;  // highest pixel index + 1
  std::uint32_t DistinctIndices = 0;      // number of different pixel indices
  bool IndicesInPalette = false;          // no pixel refers to a padding entry

  // "sound", or one line naming the first fault found.
  std::string Verdict;
  bool Sound() const { return Verdict == kNadSoundVerdict; }
};

TNadInspection InspectNad(std::span<const std::uint8_t> bytes);
// The same for a file of fileSize bytes of which only the first ones are given (at least
// min(fileSize, 41299) of them), so that a huge file need not be read whole.
TNadInspection InspectNad(std::span<const std::uint8_t> head, std::uint64_t fileSize);

// The embedded picture as an 8-bit bitmap with the file's 256-entry colour table. TReadError
// when the file ends before the last pixel row, TInvalidBitmap when the info header is not
// that of a 200 × 200 8-bit picture.
TBitmap ExtractNadPicture(std::span<const std::uint8_t> bytes);

}  // namespace popuran
