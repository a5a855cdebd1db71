#include "archive/Bm2.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Paths.h"

namespace popuran {

static_assert(sizeof(std::size_t) >= sizeof(std::uint32_t), "an entry's size must fit in memory");

namespace {

// The header bytes that carry over: the file header and the info header. The ten bytes after
// them in the entry belong to the game only.
constexpr std::size_t kKeptHeaderSize = 54;
constexpr std::size_t kPaletteEntries = 256;
constexpr std::uint8_t kOpaqueAlpha = 128;

// Fixes the fields a bitmap reader depends on. bfSize is left as the entry had it: readers
// take sizes from the info header and the file's length.
void RepairHeader(std::uint8_t* header, std::uint32_t imageBytes) {
  PutU16(header + 6, 0);  // bfReserved1
  PutU16(header + 8, 0);  // bfReserved2
  // The rows move ten bytes nearer the start. Only the low half is adjusted, wrapping within
  // 16 bits, so stored files that relied on that keep their high half.
  PutU16(header + 10, static_cast<std::uint16_t>(GetU16(header + 10) - 10));
  PutU32(header + 14, 40);          // biSize
  PutU32(header + 34, imageBytes);  // biSizeImage
}

// Red, green, blue, alpha become blue, green, red, 0, with the alpha multiplied into the
// colours so that transparent parts come out black.
void ConvertPalette(std::uint8_t* palette) {
  for (std::size_t i = 0; i < kPaletteEntries; ++i) {
    std::uint8_t* e = palette + 4 * i;
    std::swap(e[0], e[2]);
    const unsigned alpha = e[3];
    if (alpha < kOpaqueAlpha) {
      for (int c = 0; c < 3; ++c) {
        // c × alpha / 128, halves rounded up; never above 255 since alpha < 128.
        e[c] = static_cast<std::uint8_t>((e[c] * alpha + 64) / 128);
      }
    }
    e[3] = 0;
  }
}

// The game stores each block of 32 colours with its second and third groups of eight
// exchanged; put them back where the pixel indices expect them.
void ReorderPalette(std::uint8_t* palette) {
  for (std::size_t block = 0; block < kPaletteEntries; block += 32) {
    std::uint8_t* second = palette + 4 * (block + 8);
    std::uint8_t* third = palette + 4 * (block + 16);
    std::swap_ranges(second, third, third);
  }
}

}  // namespace

std::vector<std::uint8_t> DecodeBm2(std::span<const std::uint8_t> entry) {
  if (entry.size() < kBm2PixelOffset) throw TReadError();
  const std::uint8_t* in = entry.data();
  const std::uint64_t width = GetU16(in + 18);   // low 16 bits of biWidth
  const std::uint64_t height = GetU16(in + 22);  // low 16 bits of biHeight
  const std::uint64_t pixelBytes = entry.size() - kBm2PixelOffset;
  const std::uint64_t rowBytes = width * height;  // at most 65535², far inside 64 bits

  // Rows of a width that is not a multiple of four are padded with zeros, as every bitmap
  // reader expects; the rows are rebuilt and must all be there. Other widths keep the entry's
  // pixel bytes as they are, trailing bytes included; with fewer than two rows nothing moves,
  // so a short picture passes unchanged.
  const bool padded = width % 4 != 0;
  const std::uint64_t stride = padded ? (width + 3) / 4 * 4 : width;
  if (pixelBytes < rowBytes && (padded || height >= 2)) throw TReadError();
  const std::uint64_t imageBytes = padded ? stride * height : pixelBytes;
  if (imageBytes > SIZE_MAX - kIntermediateHeaderSize) throw TReadError();

  std::vector<std::uint8_t> out(kIntermediateHeaderSize + static_cast<std::size_t>(imageBytes));
  std::uint8_t* header = out.data();
  std::copy(in, in + kKeptHeaderSize, header);
  std::copy(in + kBm2PaletteOffset, in + kBm2PixelOffset, header + kKeptHeaderSize);
  // An entry read from the archive is at most 4 GiB − 1, so its image size fits 32 bits; a
  // padded image is at most 65536 × 65535 bytes.
  RepairHeader(header, static_cast<std::uint32_t>(imageBytes));
  ConvertPalette(header + kKeptHeaderSize);
  ReorderPalette(header + kKeptHeaderSize);

  // The entry stores its top row first, a bitmap file its bottom row first.
  const std::uint8_t* source = in + kBm2PixelOffset;
  std::uint8_t* target = out.data() + kIntermediateHeaderSize;
  if (!padded) std::copy(source, source + pixelBytes, target);
  if (pixelBytes >= rowBytes) {
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    const auto s = static_cast<std::size_t>(stride);
    for (std::size_t row = 0; row < h; ++row) {
      const std::uint8_t* from = source + (h - 1 - row) * w;
      std::copy(from, from + w, target + row * s);
    }
  }
  return out;
}

std::string IntermediatePath(const std::string& toolDir, const std::string& entryName) {
  return toolDir + PathSeparator() + entryName + ".bmp";
}

std::string ConvertBm2ToBmp(TStream& data, const PackEntry& entry, const std::string& toolDir) {
  const std::string path = IntermediatePath(toolDir, entry.Name);
  // The name comes from the archive: one that would lead out of the tool's folder is refused.
  const std::string& name = entry.Name;
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
    throw TCreateError(path);
  }
  // Check the entry's extent before anything is allocated: an entry too short for its header
  // and palette cannot be converted, and one that reaches past the end of the data file would
  // only fail after a large allocation. The sum cannot overflow in 64 bits.
  if (entry.Size < kBm2PixelOffset) throw TReadError();
  if (static_cast<std::uint64_t>(entry.Offset) + entry.Size > data.Size()) throw TReadError();

  std::vector<std::uint8_t> image;
  {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(entry.Size));
    data.Seek(entry.Offset);
    data.ReadBuffer(bytes.data(), bytes.size());
    image = DecodeBm2(bytes);
  }
  // The intermediate file is the tool's own, made anew in every run.
  WriteScratchFile(path, image);
  return path;
}

}  // namespace popuran
