// Scaling a picture file to a bitmap's size: exact area averaging in integer arithmetic.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Bitmap.h"

namespace popuran {

inline constexpr std::uint32_t IEIFLAG_NOBORDER = 0x100;
inline constexpr std::uint32_t IEIFLAG_QUALITY = 0x200;

// Scales a 24-bit picture to width × height by exact area averaging: each destination pixel is
// the rounded mean of the source area it covers, weighted by overlap, in integer arithmetic so
// that every platform gets the same bytes. A uniform area keeps its exact colour. Both pictures
// must have sides of at least 1 (TAssertionFailure otherwise).
TBitmap ScaleArea(const TBitmap& source, std::int32_t width, std::int32_t height);

// Replaces the bitmap's picture by the 8-bit or 24-bit bitmap file at fileName, scaled to the
// bitmap's own width and height, with 24 bits per pixel; the bitmap keeps its brush. False, with
// the bitmap exactly as it was, when the file cannot be read, is not such a bitmap, or either
// picture has no pixels. The flags are taken for the caller's sake; this scaler needs none.
bool ExtractThumbnail(const std::string& fileName, TBitmap& bitmap, std::uint32_t flags);

}  // namespace popuran
