// The game archive: an index file of 32-byte records and a data file of the entries' bytes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Stream.h"

namespace popuran {

inline constexpr std::size_t kPackHeaderSize = 8;
inline constexpr std::size_t kPackEntrySize = 32;
inline constexpr std::size_t kPackNameSize = 24;

struct PackHeader {
  std::string Magic;         // the first four bytes up to the first NUL among them
  std::uint16_t EntryCount;  // records that follow the header
};

struct PackEntry {
  std::string Name;      // the bytes of the name up to the first NUL, or all 24
  std::uint32_t Offset;  // first byte in the data file
  std::uint32_t Size;    // bytes in the data file
};

// Reads the 8-byte header at position 0 of the index; TReadError when the file is shorter.
PackHeader ReadPackHeader(TStream& index);

// True when the magic is exactly "PACK".
bool IsPackArchive(const PackHeader& header);

// Reads record number i (from 1) at 8 + (i − 1) × 32; TReadError when it is not all there.
PackEntry ReadPackEntry(TStream& index, std::uint32_t number);

}  // namespace popuran
