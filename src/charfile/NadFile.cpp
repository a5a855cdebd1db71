#include "charfile/NadFile.h"

#include <memory>

#include "platform/Error.h"
#include "platform/Stream.h"
#include "quantize/Octree.h"

namespace popuran {

namespace {

// The values behind the header. They agree with the file only because the picture is always
// 200 × 200 at 8 bits with a 256-entry colour table.
constexpr std::uint32_t kNadHeaderValue = 11;
constexpr std::size_t kNadSlotsOffset = 60;
constexpr std::size_t kNadSlotSize = 32;

// One record of the header: where the picture lies, and one 3-byte block.
struct NadSlot {
  std::uint32_t InfoHeaderOffset;
  std::uint32_t PixelOffset;
  std::uint32_t Side;
  std::uint32_t Reserved1;
  std::uint32_t BlockOffset;
  std::uint32_t BlockLength;
  std::uint32_t Reserved2;
  std::uint32_t Reserved3;
};

constexpr NadSlot MakeSlot(std::uint32_t blockOffset) {
  return NadSlot{static_cast<std::uint32_t>(kNadInfoHeaderOffset),
                 static_cast<std::uint32_t>(kNadPixelOffset),
                 static_cast<std::uint32_t>(kNadSide),
                 0,
                 blockOffset,
                 3,
                 0,
                 0};
}

// Slot 0 names the block just before the picture, the others the four that make up the tail.
constexpr std::array<NadSlot, 5> kNadSlots = {MakeSlot(220), MakeSlot(41287), MakeSlot(41290),
                                              MakeSlot(41293), MakeSlot(41296)};
static_assert(kNadSlotsOffset + kNadSlotSize * kNadSlots.size() == 220);
static_assert(kNadSlots[1].BlockOffset == kNadTailOffset &&
              kNadSlots[4].BlockOffset + 3 == kNadFileSize);

constexpr void Put32(TNadHeader& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

constexpr TNadHeader MakeNadHeader() {
  TNadHeader bytes{};
  bytes[0] = 'N';
  bytes[1] = 'A';
  bytes[2] = 'N';
  bytes[3] = 'I';
  Put32(bytes, 4, kNadHeaderValue);
  Put32(bytes, 8, static_cast<std::uint32_t>(kNadFileSize));
  for (std::size_t k = 0; k < kNadSlots.size(); ++k) {
    const NadSlot& s = kNadSlots[k];
    const std::size_t at = kNadSlotsOffset + kNadSlotSize * k;
    const std::array<std::uint32_t, 8> values = {s.InfoHeaderOffset, s.PixelOffset, s.Side,
                                                 s.Reserved1,        s.BlockOffset, s.BlockLength,
                                                 s.Reserved2,        s.Reserved3};
    for (std::size_t v = 0; v < values.size(); ++v) Put32(bytes, at + 4 * v, values[v]);
  }
  return bytes;
}

constexpr TNadHeader kNadHeaderTemplate = MakeNadHeader();

// The documented first bytes and the last slot's block offset, checked when compiling.
static_assert(kNadHeaderTemplate[8] == 0x53 && kNadHeaderTemplate[9] == 0xA1);
static_assert(kNadHeaderTemplate[60] == 0xDF && kNadHeaderTemplate[64] == 0x07 &&
              kNadHeaderTemplate[65] == 0x05 && kNadHeaderTemplate[68] == 0xC8);
static_assert(kNadHeaderTemplate[60 + 4 * 32 + 16] == 0x50 &&
              kNadHeaderTemplate[60 + 4 * 32 + 17] == 0xA1);

}  // namespace

const TNadHeader& NadHeaderTemplate() {
  return kNadHeaderTemplate;
}

void SetUpNadHeader(TNadHeader& header, TNadTail& tail) {
  header = kNadHeaderTemplate;
  tail.fill(0);
}

std::vector<std::uint8_t> BuildNadImage(const TBitmap& thumbnail, const TNadHeader& header,
                                        const TNadTail& tail) {
  // The header is a constant that only describes a 200 × 200 picture; any other size would
  // give a file whose header contradicts its content.
  POPURAN_ASSERT(thumbnail.Width() == kNadSide && thumbnail.Height() == kNadSide);

  TMemoryStream stream;
  stream.WriteBuffer(header.data(), header.size());
  stream.Seek(kNadPictureOffset);
  const std::unique_ptr<TBitmap> reduced = QuantizeBitmap(thumbnail, 256);
  // The bitmap file header lands on bytes 209..222 and is overwritten by the header below.
  reduced->SaveToStream(stream);
  stream.WriteBuffer(tail.data(), tail.size());
  stream.Seek(0);
  stream.WriteBuffer(header.data(), header.size());

  // A reduced picture of another size or format would not fit the header either.
  POPURAN_ASSERT(stream.Size() == kNadFileSize);
  return std::move(stream.Memory());
}

void WriteNadFile(const TBitmap& thumbnail, const TNadHeader& header, const TNadTail& tail,
                  const std::string& outDir) {
  const std::vector<std::uint8_t> bytes = BuildNadImage(thumbnail, header, tail);
  WriteWholeFile(outDir + kNadFileName, bytes);
}

}  // namespace popuran
