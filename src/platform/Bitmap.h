// The picture class: 8 bits per pixel with a 256-entry colour table, or 24 bits per pixel
// (blue, green, red), loaded from and saved as Windows bitmap files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Stream.h"

namespace popuran {

enum class TPixelFormat { pfDevice, pf8bit, pf24bit };

struct TRGBTriple {
  std::uint8_t rgbtBlue;
  std::uint8_t rgbtGreen;
  std::uint8_t rgbtRed;
  bool operator==(const TRGBTriple&) const = default;
};

struct TRGBQuad {
  std::uint8_t rgbBlue;
  std::uint8_t rgbGreen;
  std::uint8_t rgbRed;
  std::uint8_t rgbReserved;
  bool operator==(const TRGBQuad&) const = default;
};

struct TPaletteEntry {
  std::uint8_t peRed;
  std::uint8_t peGreen;
  std::uint8_t peBlue;
  std::uint8_t peFlags;
  bool operator==(const TPaletteEntry&) const = default;
};

// A palette object: its entries in order.
using TPalette = std::vector<TPaletteEntry>;

struct TPoint {
  std::int32_t x;
  std::int32_t y;
};

// Right and Bottom are exclusive.
struct TRect {
  std::int32_t Left;
  std::int32_t Top;
  std::int32_t Right;
  std::int32_t Bottom;
  std::int32_t Width() const { return Right - Left; }
  std::int32_t Height() const { return Bottom - Top; }
};

inline constexpr TRGBTriple kBlack{0, 0, 0};
inline constexpr TRGBTriple kWhite{255, 255, 255};
inline constexpr TRGBTriple kLime{0, 255, 0};  // stored as 00 FF 00

// The largest width and height the loader accepts.
inline constexpr std::int32_t kMaxBitmapSide = 65535;

class TBitmap {
 public:
  TBitmap();

  TPixelFormat PixelFormat() const { return FPixelFormat; }
  // Setting pf24bit on an 8-bit picture gives every pixel the colour of its colour-table
  // entry. Any other change of format on a picture with pixels leaves it all white.
  void SetPixelFormat(TPixelFormat format);

  std::int32_t Width() const { return FWidth; }
  std::int32_t Height() const { return FHeight; }
  // Resizing keeps the pixels that stay inside; new pixels are white. A picture without a
  // pixel format (pfDevice) takes pf24bit once it is given a size.
  void SetWidth(std::int32_t width);
  void SetHeight(std::int32_t height);
  void SetSize(std::int32_t width, std::int32_t height);

  // Bytes per row in memory (no padding): width, or 3 × width.
  std::size_t RowBytes() const;
  // Row 0 is the top row.
  std::uint8_t* ScanLine(std::int32_t row);
  const std::uint8_t* ScanLine(std::int32_t row) const;
  TRGBTriple Pixel(std::int32_t x, std::int32_t y) const;            // 24-bit pictures only
  void SetPixel(std::int32_t x, std::int32_t y, TRGBTriple colour);  // 24-bit pictures only

  // The colour table of an 8-bit picture: always 256 entries.
  const std::array<TRGBQuad, 256>& ColorTable() const { return FColorTable; }
  std::array<TRGBQuad, 256>& ColorTable() { return FColorTable; }
  // Sets colour-table entries 0 to N − 1 from the palette's N entries (at most 256); the
  // others stay.
  void SetPalette(const TPalette& palette);

  // Windows bitmap file image: 14-byte file header, 40-byte info header, for 8 bits the
  // 256-entry colour table, then the rows bottom-up, each padded to 4 bytes.
  void SaveToStream(TStream& stream) const;
  void SaveToFile(const std::string& path) const;
  std::vector<std::uint8_t> SaveToBytes() const;

  // Loads an uncompressed 8-bit or 24-bit Windows bitmap file image. TInvalidBitmap for a file
  // it does not take, TReadError for one that ends too early. On failure the picture is
  // unchanged.
  void LoadFromBytes(std::span<const std::uint8_t> bytes);
  void LoadFromStream(TStream& stream);  // reads from the position to the end
  void LoadFromFile(const std::string& path);

  // Canvas operations of the image recipes.
  TRGBTriple BrushColor() const { return FBrushColor; }
  void SetBrushColor(TRGBTriple colour) { FBrushColor = colour; }
  // Copies source rectangle from onto rectangle to of this picture without blending:
  // pixel (x, y) of to takes source pixel (from.Left + ⌊x·w/W⌋, from.Top + ⌊y·h/H⌋), w × h the
  // size of from, W × H that of to. Pixels whose source lies outside the source picture are
  // left as they are. This picture has 24 bits; the source 24 bits, or 8 bits, whose pixels give
  // the colours of their colour-table entries (as the source converted to 24 bits would).
  void CopyRect(const TRect& to, const TBitmap& source, const TRect& from);
  // Paints the brush colour over every exactly black pixel 4-connected through exactly black
  // pixels to (x, y); nothing when that pixel is not exactly black.
  void FloodFill(std::int32_t x, std::int32_t y);
  // Paints the brush colour over the rectangle, clipped to the picture.
  void FillRect(const TRect& rect);

  bool operator==(const TBitmap&) const = default;

 private:
  void Resize(std::int32_t width, std::int32_t height);
  // A picture of the loaded format and size, pixels not yet filled, with this one's brush and
  // colour table, the table replaced by the 256 file entries at colorTable when given.
  TBitmap EmptyLike(bool paletted, std::int32_t width, std::int32_t height,
                    const std::uint8_t* colorTable) const;

  TPixelFormat FPixelFormat = TPixelFormat::pfDevice;
  std::int32_t FWidth = 0;
  std::int32_t FHeight = 0;
  std::vector<std::uint8_t> FPixels;  // top row first, RowBytes() per row
  std::array<TRGBQuad, 256> FColorTable{};
  TRGBTriple FBrushColor = kWhite;
};

}  // namespace popuran
