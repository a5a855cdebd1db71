// Scaling a picture file to a bitmap's size: exact area averaging in integer arithmetic.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Bitmap.h"

namespace popuran {

inline constexpr std::uint32_t IEIFLAG_NOBORDER = 0x100;
inline constexpr std::uint32_t IEIFLAG_QUALITY = 0x200;

// Scales a 24-bit picture to width × height by exact area averaging: each destination pixel is
// the rounded mean of the source area it covers, weighted by overlap.
TBitmap ScaleArea(const TBitmap& source, std::int32_t width, std::int32_t height);

// Replaces the bitmap's picture by the 8-bit or 24-bit bitmap file at fileName, scaled to the
// bitmap's own width and height, with 24 bits per pixel. False, with the bitmap exactly as it
// was, when the file cannot be read or is not such a bitmap.
bool ExtractThumbnail(const std::string& fileName, TBitmap& bitmap, std::uint32_t flags);

}  // namespace popuran
