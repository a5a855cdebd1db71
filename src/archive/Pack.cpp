#include "archive/Pack.h"

#include <algorithm>
#include <array>

#include "platform/Bytes.h"
#include "platform/Error.h"

namespace popuran {

namespace {
// The bytes up to the first NUL among them, or all of them.
std::string NulTerminated(const std::uint8_t* bytes, std::size_t length) {
  const std::uint8_t* end = std::find(bytes, bytes + length, std::uint8_t{0});
  return std::string(bytes, end);
}
}  // namespace

PackHeader ReadPackHeader(TStream& index) {
  std::array<std::uint8_t, kPackHeaderSize> bytes{};
  index.Seek(0);
  index.ReadBuffer(bytes.data(), bytes.size());
  // Bytes 6 and 7 carry nothing the tool needs and may hold anything.
  return PackHeader{NulTerminated(bytes.data(), 4), GetU16(bytes.data() + 4)};
}

bool IsPackArchive(const PackHeader& header) {
  return header.Magic == "PACK";
}

PackEntry ReadPackEntry(TStream& index, std::uint32_t number) {
  POPURAN_ASSERT(number >= 1);
  // One positioned read per record: the index is never loaded whole, and a record that is not
  // all there fails here, after the records before it have been handled.
  const std::uint64_t position =
      kPackHeaderSize + static_cast<std::uint64_t>(number - 1) * kPackEntrySize;
  std::array<std::uint8_t, kPackEntrySize> bytes{};
  index.Seek(position);
  index.ReadBuffer(bytes.data(), bytes.size());
  return PackEntry{NulTerminated(bytes.data(), kPackNameSize), GetU32(bytes.data() + 24),
                   GetU32(bytes.data() + 28)};
}

}  // namespace popuran
