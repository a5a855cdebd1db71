// The companion program's character file: a constant 223-byte header, one embedded 200 × 200
// 8-bit picture with a 256-entry colour table, and a 12-byte tail of zeros.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace popuran {

inline constexpr std::size_t kNadHeaderSize = 223;
inline constexpr std::size_t kNadTailSize = 12;
inline constexpr std::size_t kNadFileSize = 41299;
inline constexpr std::size_t kNadPictureOffset = 209;  // where the bitmap file image is saved
inline constexpr std::size_t kNadInfoHeaderOffset = 223;
inline constexpr std::size_t kNadColorTableOffset = 263;
inline constexpr std::size_t kNadPixelOffset = 1287;
inline constexpr std::size_t kNadTailOffset = 41287;
inline constexpr std::int32_t kNadSide = 200;  // the picture's width and height
inline constexpr const char* kNadFileName = "000.NAD";

using TNadHeader = std::array<std::uint8_t, kNadHeaderSize>;
using TNadTail = std::array<std::uint8_t, kNadTailSize>;

// The 223-byte header constant: magic "NANI", the value 11, the file length and five slots that
// each name the picture and one 3-byte block.
const TNadHeader& NadHeaderTemplate();

// Copies the header and tail constants into the run's two images.
void SetUpNadHeader(TNadHeader& header, TNadTail& tail);

// The whole character file for a 200 × 200 24-bit thumbnail, built in memory: the thumbnail
// reduced to at most 256 colours between the header and the tail. A thumbnail of another size
// raises TAssertionFailure, since the constant header could not describe it.
std::vector<std::uint8_t> BuildNadImage(const TBitmap& thumbnail, const TNadHeader& header,
                                        const TNadTail& tail);

// Builds the file and only then writes it as outDir + "000.NAD".
void WriteNadFile(const TBitmap& thumbnail, const TNadHeader& header, const TNadTail& tail,
                  const std::string& outDir);

}  // namespace popuran
