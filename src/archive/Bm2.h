// Decoding a BM2 picture entry into a standard 8-bit Windows bitmap file, the intermediate file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "archive/Pack.h"
#include "platform/Stream.h"

namespace popuran {

inline constexpr std::size_t kBm2HeaderSize = 64;
inline constexpr std::size_t kBm2PaletteOffset = 64;
inline constexpr std::size_t kBm2PixelOffset = 1088;
inline constexpr std::size_t kIntermediateHeaderSize = 1078;

// Turns the bytes of a whole BM2 entry into the bytes of its intermediate file: header repaired,
// palette converted and reordered, rows bottom-up. Rows whose width is not a multiple of four
// are padded with zeros to one; other widths keep every pixel byte of the entry. TReadError
// when the entry is too short for its headers, palette or rows.
std::vector<std::uint8_t> DecodeBm2(std::span<const std::uint8_t> entry);

// The intermediate file's path: the tool's folder, a separator, the entry name and ".bmp".
std::string IntermediatePath(const std::string& toolDir, const std::string& entryName);

// Reads the entry's bytes from the data file, writes its intermediate file into the tool's
// folder and returns that file's path. Leaves the data file after the entry's last byte.
// TReadError, before anything is read or written, for an entry shorter than its header and
// palette or reaching past the end of the data file; TCreateError for a name that is not a
// plain file name.
std::string ConvertBm2ToBmp(TStream& data, const PackEntry& entry, const std::string& toolDir);

}  // namespace popuran
