#include "charfile/NadInspect.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "charfile/NadFile.h"
#include "platform/Bytes.h"
#include "platform/Error.h"

namespace popuran {

namespace {

constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kColorTableEntries = 256;
constexpr std::size_t kPixelBytes = static_cast<std::size_t>(kNadSide) * kNadSide;
static_assert(kNadColorTableOffset == kNadInfoHeaderOffset + kInfoHeaderSize);
static_assert(kNadPixelOffset == kNadColorTableOffset + 4 * kColorTableEntries);
static_assert(kNadTailOffset == kNadPixelOffset + kPixelBytes);

// One field of the info header with the value the writer gives it.
struct TInfoField {
  const char* Name;
  std::size_t Offset;  // within the info header
  std::size_t Length;  // 2 or 4
  std::uint32_t Expected;
};

constexpr std::array<TInfoField, 11> kInfoFields = {{
    {"biSize", 0, 4, 40},
    {"biWidth", 4, 4, static_cast<std::uint32_t>(kNadSide)},
    {"biHeight", 8, 4, static_cast<std::uint32_t>(kNadSide)},
    {"biPlanes", 12, 2, 1},
    {"biBitCount", 14, 2, 8},
    {"biCompression", 16, 4, 0},
    {"biSizeImage", 20, 4, static_cast<std::uint32_t>(kPixelBytes)},
    {"biXPelsPerMeter", 24, 4, 0},
    {"biYPelsPerMeter", 28, 4, 0},
    {"biClrUsed", 32, 4, 256},
    {"biClrImportant", 36, 4, 0},
}};

std::uint32_t FieldValue(const std::uint8_t* info, const TInfoField& field) {
  return field.Length == 2 ? GetU16(info + field.Offset) : GetU32(info + field.Offset);
}

// The first info header field that is not the writer's, or nullptr.
const TInfoField* FirstDifferingField(const std::uint8_t* info) {
  for (const TInfoField& field : kInfoFields) {
    if (FieldValue(info, field) != field.Expected) return &field;
  }
  return nullptr;
}

bool HasColor(const std::uint8_t* entry) {
  return entry[0] != 0 || entry[1] != 0 || entry[2] != 0;
}

// The palette's entry count, read back from the colour table: the entries behind the palette
// are zero, so the count ends at the last entry with a colour. Only entry 0 can be a black
// palette colour: a leaf off octant 0 at some level has that level's bit, at least 4, set in
// one component of all its pixels, so its mean is not black; and the leaf on octant 0 at every
// level comes first in the palette's depth-first order. A table of zeros is therefore a
// one-entry black palette.
std::uint32_t PaletteEntriesOf(const std::uint8_t* table) {
  for (std::size_t i = kColorTableEntries; i > 0; --i) {
    if (HasColor(table + 4 * (i - 1))) return static_cast<std::uint32_t>(i);
  }
  return 1;
}

std::string Describe(std::uint64_t value) {
  return std::to_string(value);
}

void CountColors(std::span<const std::uint8_t> bytes, TNadInspection& result,
                 std::string& pixelFault) {
  const std::uint8_t* table = bytes.data() + kNadColorTableOffset;
  const std::uint8_t* pixels = bytes.data() + kNadPixelOffset;
  result.HasPixels = true;
  result.PaletteEntries = PaletteEntriesOf(table);
  std::array<bool, 256> used{};
  for (std::size_t i = 0; i < kPixelBytes; ++i) {
    const std::uint8_t index = pixels[i];
    if (!used[index]) {
      used[index] = true;
      ++result.DistinctIndices;
    }
    if (index + 1u > result.HighestIndexPlusOne) result.HighestIndexPlusOne = index + 1u;
    if (index >= result.PaletteEntries && pixelFault.empty()) {
      // Rows are stored bottom-up: the first stored row is the picture's bottom row.
      const std::size_t x = i % kNadSide;
      const std::size_t y = kNadSide - 1 - i / kNadSide;
      pixelFault = "pixel (" + Describe(x) + ", " + Describe(y) + ") uses colour-table entry " +
                   Describe(index) + ", behind the " + Describe(result.PaletteEntries) +
                   " entries of the palette";
    }
  }
  result.IndicesInPalette = pixelFault.empty();
}

}  // namespace

TNadInspection InspectNad(std::span<const std::uint8_t> bytes) {
  return InspectNad(bytes, bytes.size());
}

TNadInspection InspectNad(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  TNadInspection result;
  result.Size = fileSize;
  // Only what was given is read, however large the file claims to be.
  const std::span<const std::uint8_t> bytes =
      head.first(static_cast<std::size_t>(std::min<std::uint64_t>(head.size(), fileSize)));
  const std::size_t size = bytes.size();
  const std::uint8_t* p = bytes.data();

  if (size >= 4) {
    result.Magic = std::memcmp(p, "NANI", 4) == 0 ? TNadPart::Matches : TNadPart::Differs;
  }
  if (size >= kNadHeaderSize) {
    const TNadHeader& header = NadHeaderTemplate();
    result.Header = TNadPart::Matches;
    for (std::size_t i = 0; i < kNadHeaderSize; ++i) {
      if (p[i] != header[i]) {
        result.Header = TNadPart::Differs;
        result.HeaderDiffersAt = i;
        break;
      }
    }
  }
  if (size >= kNadTailOffset + kNadTailSize) {
    result.Tail = TNadPart::Matches;
    for (std::size_t i = kNadTailOffset; i < kNadTailOffset + kNadTailSize; ++i) {
      if (p[i] != 0) {
        result.Tail = TNadPart::Differs;
        result.TailDiffersAt = i;
        break;
      }
    }
  }
  if (size >= kNadInfoHeaderOffset + kInfoHeaderSize) {
    const std::uint8_t* info = p + kNadInfoHeaderOffset;
    result.HasInfoHeader = true;
    result.Width = GetI32(info + 4);
    result.Height = GetI32(info + 8);
    result.BitCount = GetU16(info + 14);
    result.ClrUsed = GetU32(info + 32);
    const TInfoField* field = FirstDifferingField(info);
    result.Picture = field == nullptr ? TNadPart::Matches : TNadPart::Differs;
    if (field != nullptr) result.PictureField = field->Name;
  }
  // Counting colours only makes sense for the picture the header describes.
  std::string pixelFault;
  if (result.Picture == TNadPart::Matches && size >= kNadTailOffset) {
    CountColors(bytes, result, pixelFault);
  }

  if (fileSize == 0) {
    result.Verdict = "the file is empty";
  } else if (result.Magic != TNadPart::Matches) {
    result.Verdict = "not a character file: it does not begin with \"NANI\"";
  } else if (fileSize != kNadFileSize || size != kNadFileSize) {
    result.Verdict =
        "the file has " + Describe(fileSize) + " bytes instead of " + Describe(kNadFileSize);
  } else if (result.Header != TNadPart::Matches) {
    result.Verdict =
        "header byte " + Describe(result.HeaderDiffersAt) + " differs from the header constant";
  } else if (result.Picture != TNadPart::Matches) {
    const TInfoField* field = FirstDifferingField(p + kNadInfoHeaderOffset);
    result.Verdict = "picture field " + result.PictureField + " is " +
                     Describe(FieldValue(p + kNadInfoHeaderOffset, *field)) + " instead of " +
                     Describe(field->Expected);
  } else if (result.Tail != TNadPart::Matches) {
    result.Verdict = "tail byte " + Describe(result.TailDiffersAt) + " is not zero";
  } else if (!result.IndicesInPalette) {
    result.Verdict = pixelFault;
  } else {
    result.Verdict = kNadSoundVerdict;
  }
  return result;
}

TBitmap ExtractNadPicture(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kNadInfoHeaderOffset + kInfoHeaderSize) throw TReadError();
  if (FirstDifferingField(bytes.data() + kNadInfoHeaderOffset) != nullptr) {
    throw TInvalidBitmap();
  }
  if (bytes.size() < kNadTailOffset) throw TReadError();

  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf8bit);
  picture.SetSize(kNadSide, kNadSide);
  const std::uint8_t* table = bytes.data() + kNadColorTableOffset;
  for (std::size_t i = 0; i < kColorTableEntries; ++i) {
    const std::uint8_t* e = table + 4 * i;
    picture.ColorTable()[i] = TRGBQuad{e[0], e[1], e[2], e[3]};
  }
  const std::uint8_t* pixels = bytes.data() + kNadPixelOffset;
  for (std::int32_t row = 0; row < kNadSide; ++row) {
    // The first stored row is the picture's bottom row.
    std::memcpy(picture.ScanLine(kNadSide - 1 - row),
                pixels + static_cast<std::size_t>(row) * kNadSide, kNadSide);
  }
  return picture;
}

}  // namespace popuran
