#include "platform/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/Bytes.h"
#include "platform/Error.h"

namespace popuran {

namespace {
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kColorTableSize = 256 * 4;

std::size_t BytesPerPixel(TPixelFormat format) {
  return format == TPixelFormat::pf8bit ? 1 : 3;
}

// Row length in a file: padded to a multiple of 4 bytes.
std::uint64_t FileStride(std::uint64_t width, std::size_t bytesPerPixel) {
  return (width * bytesPerPixel + 3) / 4 * 4;
}
}  // namespace

TBitmap::TBitmap() {
  FColorTable[0] = TRGBQuad{255, 255, 255, 0};
}

std::size_t TBitmap::RowBytes() const {
  return static_cast<std::size_t>(FWidth) * BytesPerPixel(FPixelFormat);
}

void TBitmap::Resize(std::int32_t width, std::int32_t height) {
  if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) {
    throw TInvalidBitmap();
  }
  if (FPixelFormat == TPixelFormat::pfDevice && width > 0 && height > 0) {
    FPixelFormat = TPixelFormat::pf24bit;
  }
  const std::size_t bpp = BytesPerPixel(FPixelFormat);
  const std::size_t newRow = static_cast<std::size_t>(width) * bpp;
  // White is 255 in every byte of a 24-bit picture and colour-table entry 0 of an 8-bit one.
  const std::uint8_t fill = FPixelFormat == TPixelFormat::pf8bit ? 0 : 255;
  std::vector<std::uint8_t> pixels(newRow * static_cast<std::size_t>(height), fill);
  const std::size_t keepRow = std::min(newRow, RowBytes());
  const std::int32_t keepRows = std::min(height, FHeight);
  for (std::int32_t y = 0; y < keepRows && keepRow > 0; ++y) {
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * newRow,
                FPixels.data() + static_cast<std::size_t>(y) * RowBytes(), keepRow);
  }
  FPixels = std::move(pixels);
  FWidth = width;
  FHeight = height;
}

void TBitmap::SetWidth(std::int32_t width) {
  Resize(width, FHeight);
}
void TBitmap::SetHeight(std::int32_t height) {
  Resize(FWidth, height);
}
void TBitmap::SetSize(std::int32_t width, std::int32_t height) {
  Resize(width, height);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == FPixelFormat) return;
  if (FPixelFormat == TPixelFormat::pf8bit && format == TPixelFormat::pf24bit) {
    std::vector<std::uint8_t> pixels(FPixels.size() * 3);
    for (std::size_t i = 0; i < FPixels.size(); ++i) {
      const TRGBQuad& c = FColorTable[FPixels[i]];
      pixels[3 * i] = c.rgbBlue;
      pixels[3 * i + 1] = c.rgbGreen;
      pixels[3 * i + 2] = c.rgbRed;
    }
    FPixels = std::move(pixels);
    FPixelFormat = format;
    return;
  }
  const std::int32_t width = FWidth;
  const std::int32_t height = FHeight;
  FPixelFormat = format;
  FWidth = 0;
  FHeight = 0;
  FPixels.clear();
  Resize(width, height);
}

std::uint8_t* TBitmap::ScanLine(std::int32_t row) {
  return FPixels.data() + static_cast<std::size_t>(row) * RowBytes();
}

const std::uint8_t* TBitmap::ScanLine(std::int32_t row) const {
  return FPixels.data() + static_cast<std::size_t>(row) * RowBytes();
}

TRGBTriple TBitmap::Pixel(std::int32_t x, std::int32_t y) const {
  const std::uint8_t* p = ScanLine(y) + 3 * static_cast<std::size_t>(x);
  return TRGBTriple{p[0], p[1], p[2]};
}

void TBitmap::SetPixel(std::int32_t x, std::int32_t y, TRGBTriple colour) {
  std::uint8_t* p = ScanLine(y) + 3 * static_cast<std::size_t>(x);
  p[0] = colour.rgbtBlue;
  p[1] = colour.rgbtGreen;
  p[2] = colour.rgbtRed;
}

void TBitmap::SetPalette(const TPalette& palette) {
  const std::size_t n = std::min<std::size_t>(palette.size(), FColorTable.size());
  for (std::size_t i = 0; i < n; ++i) {
    FColorTable[i] = TRGBQuad{palette[i].peBlue, palette[i].peGreen, palette[i].peRed, 0};
  }
}

std::vector<std::uint8_t> TBitmap::SaveToBytes() const {
  const bool paletted = FPixelFormat == TPixelFormat::pf8bit;
  const std::size_t bpp = BytesPerPixel(FPixelFormat);
  const auto stride = static_cast<std::size_t>(FileStride(static_cast<std::uint64_t>(FWidth), bpp));
  const std::size_t imageSize = stride * static_cast<std::size_t>(FHeight);
  const std::size_t offBits = kFileHeaderSize + kInfoHeaderSize + (paletted ? kColorTableSize : 0);
  std::vector<std::uint8_t> out(offBits + imageSize, 0);
  std::uint8_t* h = out.data();
  h[0] = 'B';
  h[1] = 'M';
  PutU32(h + 2, static_cast<std::uint32_t>(out.size()));
  PutU32(h + 10, static_cast<std::uint32_t>(offBits));
  PutU32(h + 14, kInfoHeaderSize);
  PutI32(h + 18, FWidth);
  PutI32(h + 22, FHeight);
  PutU16(h + 26, 1);
  PutU16(h + 28, paletted ? 8 : 24);
  PutU32(h + 34, static_cast<std::uint32_t>(imageSize));
  PutU32(h + 46, paletted ? 256 : 0);
  if (paletted) {
    std::uint8_t* table = h + kFileHeaderSize + kInfoHeaderSize;
    for (const TRGBQuad& c : FColorTable) {
      *table++ = c.rgbBlue;
      *table++ = c.rgbGreen;
      *table++ = c.rgbRed;
      *table++ = 0;
    }
  }
  const std::size_t rowBytes = RowBytes();
  for (std::int32_t y = 0; y < FHeight && rowBytes > 0; ++y) {
    // The file holds the bottom row first.
    std::memcpy(h + offBits + static_cast<std::size_t>(FHeight - 1 - y) * stride, ScanLine(y),
                rowBytes);
  }
  return out;
}

void TBitmap::SaveToStream(TStream& stream) const {
  const std::vector<std::uint8_t> bytes = SaveToBytes();
  stream.WriteBuffer(bytes.data(), bytes.size());
}

void TBitmap::SaveToFile(const std::string& path) const {
  WriteWholeFile(path, SaveToBytes());
}

namespace {

// Where the parts of a bitmap file lie, worked out from its headers and checked against the
// file's length.
struct TBitmapLayout {
  std::int32_t Width;
  std::int32_t Height;
  bool TopDown;
  bool Paletted;
  std::uint64_t TableStart;  // the colour table, 1024 bytes (paletted only)
  std::uint64_t OffBits;     // the first row in the file
  std::uint64_t Stride;      // bytes from one row in the file to the next
  std::uint64_t RowBytes;    // bytes of one row in memory
};

// head holds the first min(fileSize, 54) bytes of a file of fileSize bytes. TInvalidBitmap for a
// file the loader does not take, TReadError for one too short for what its headers describe.
TBitmapLayout ParseHeaders(const std::uint8_t* head, std::uint64_t fileSize) {
  if (fileSize < kFileHeaderSize) throw TReadError();
  if (head[0] != 'B' || head[1] != 'M') throw TInvalidBitmap();
  const std::uint32_t offBits = GetU32(head + 10);
  if (fileSize < kFileHeaderSize + kInfoHeaderSize) throw TReadError();
  const std::uint32_t infoSize = GetU32(head + 14);
  const std::int32_t width = GetI32(head + 18);
  const std::int32_t rawHeight = GetI32(head + 22);
  const std::uint16_t planes = GetU16(head + 26);
  const std::uint16_t bitCount = GetU16(head + 28);
  const std::uint32_t compression = GetU32(head + 30);
  if (infoSize < kInfoHeaderSize || planes != 1 || (bitCount != 8 && bitCount != 24) ||
      compression != 0 || width < 0) {
    throw TInvalidBitmap();
  }
  // Heights of either sign up to the limit; -2^31 has no positive twin.
  if (rawHeight < -kMaxBitmapSide || rawHeight > kMaxBitmapSide || width > kMaxBitmapSide) {
    throw TInvalidBitmap();
  }
  TBitmapLayout layout{};
  layout.Width = width;
  layout.TopDown = rawHeight < 0;
  layout.Height = layout.TopDown ? -rawHeight : rawHeight;
  layout.Paletted = bitCount == 8;
  // The colour table follows the info header and always has 256 entries here, whatever
  // biClrUsed says.
  layout.TableStart = kFileHeaderSize + static_cast<std::uint64_t>(infoSize);
  if (layout.Paletted && layout.TableStart + kColorTableSize > fileSize) throw TReadError();
  const std::size_t bpp = layout.Paletted ? 1 : 3;
  layout.OffBits = offBits;
  layout.Stride = FileStride(static_cast<std::uint64_t>(width), bpp);
  layout.RowBytes = static_cast<std::uint64_t>(width) * bpp;
  // Sizes are at most 65535 × 65535 × 3 + padding, far inside 64 bits.
  if (layout.Height > 0 && width > 0) {
    const std::uint64_t end =
        offBits + layout.Stride * static_cast<std::uint64_t>(layout.Height - 1) + layout.RowBytes;
    if (end > fileSize) throw TReadError();
  }
  return layout;
}

// The file row that holds picture row y.
std::uint64_t FileRowOf(const TBitmapLayout& layout, std::int32_t y) {
  return static_cast<std::uint64_t>(layout.TopDown ? y : layout.Height - 1 - y);
}

}  // namespace

TBitmap TBitmap::EmptyLike(bool paletted, std::int32_t width, std::int32_t height,
                           const std::uint8_t* colorTable) const {
  TBitmap loaded;
  loaded.FPixelFormat = paletted ? TPixelFormat::pf8bit : TPixelFormat::pf24bit;
  loaded.FColorTable = FColorTable;
  if (colorTable != nullptr) {
    for (std::size_t i = 0; i < 256; ++i) {
      const std::uint8_t* e = colorTable + 4 * i;
      loaded.FColorTable[i] = TRGBQuad{e[0], e[1], e[2], e[3]};
    }
  }
  loaded.FWidth = width;
  loaded.FHeight = height;
  loaded.FPixels.resize(loaded.RowBytes() * static_cast<std::size_t>(height));
  loaded.FBrushColor = FBrushColor;
  return loaded;
}

void TBitmap::LoadFromBytes(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const TBitmapLayout layout = ParseHeaders(p, bytes.size());
  TBitmap loaded = EmptyLike(layout.Paletted, layout.Width, layout.Height,
                             layout.Paletted ? p + layout.TableStart : nullptr);
  for (std::int32_t y = 0; y < layout.Height && layout.RowBytes > 0; ++y) {
    std::memcpy(loaded.ScanLine(y), p + layout.OffBits + layout.Stride * FileRowOf(layout, y),
                static_cast<std::size_t>(layout.RowBytes));
  }
  *this = std::move(loaded);
}

void TBitmap::LoadFromStream(TStream& stream) {
  const std::uint64_t position = stream.Position();
  const std::uint64_t size = stream.Size();
  const std::uint64_t remaining = size > position ? size - position : 0;
  if (remaining > SIZE_MAX) throw TReadError();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(remaining));
  stream.ReadBuffer(bytes.data(), bytes.size());
  LoadFromBytes(bytes);
}

void TBitmap::LoadFromFile(const std::string& path) {
  // The same checks as LoadFromBytes, but the headers, the colour table and each row are read
  // straight from the file into their places: no copy of the whole file is held besides the
  // picture. The rows are read in file order, so the stream's buffer serves the small ones.
  TFileStream file(path);
  const std::uint64_t size = file.Size();
  std::array<std::uint8_t, kFileHeaderSize + kInfoHeaderSize> head{};
  file.ReadBuffer(head.data(),
                  static_cast<std::size_t>(std::min<std::uint64_t>(size, head.size())));
  const TBitmapLayout layout = ParseHeaders(head.data(), size);
  std::array<std::uint8_t, kColorTableSize> table{};
  if (layout.Paletted) {
    file.Seek(layout.TableStart);
    file.ReadBuffer(table.data(), table.size());
  }
  TBitmap loaded = EmptyLike(layout.Paletted, layout.Width, layout.Height,
                             layout.Paletted ? table.data() : nullptr);
  for (std::int32_t i = 0; i < layout.Height && layout.RowBytes > 0; ++i) {
    // File row i holds picture row i (top-down) or Height − 1 − i (bottom-up).
    const std::int32_t y = layout.TopDown ? i : layout.Height - 1 - i;
    file.Seek(layout.OffBits + layout.Stride * static_cast<std::uint64_t>(i));
    file.ReadBuffer(loaded.ScanLine(y), static_cast<std::size_t>(layout.RowBytes));
  }
  *this = std::move(loaded);
}

}  // namespace popuran
