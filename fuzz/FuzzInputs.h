// How the fuzz targets read their inputs, shared with the seed maker so that seeds and targets
// always agree on the layout.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace popuran::fuzz {

// An archive input: a 32-bit little-endian length, that many bytes of index file (fewer when
// the input ends first), and the rest as the data file. A length past the end keeps the split
// where it was while the data part is mutated.
struct TArchiveInput {
  std::span<const std::uint8_t> index;
  std::span<const std::uint8_t> data;
};

inline TArchiveInput SplitArchiveInput(std::span<const std::uint8_t> input) {
  if (input.size() < 4) return {input.subspan(input.size()), input.subspan(input.size())};
  const std::uint32_t length =
      static_cast<std::uint32_t>(input[0]) | (static_cast<std::uint32_t>(input[1]) << 8) |
      (static_cast<std::uint32_t>(input[2]) << 16) | (static_cast<std::uint32_t>(input[3]) << 24);
  const std::span<const std::uint8_t> rest = input.subspan(4);
  const std::size_t split = std::min<std::size_t>(length, rest.size());
  return {rest.first(split), rest.subspan(split)};
}

inline std::vector<std::uint8_t> JoinArchiveInput(const std::vector<std::uint8_t>& index,
                                                  const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> input;
  const auto length = static_cast<std::uint32_t>(index.size());
  for (int i = 0; i < 4; ++i) input.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  input.insert(input.end(), index.begin(), index.end());
  input.insert(input.end(), data.begin(), data.end());
  return input;
}

// A picture input: source width and height (1 to 64), target width and height (1 to 64), the
// colour limit (the first 16-bit value modulo 300, so that limits outside 2..256 occur too), a
// flag byte (low three bits 001: also build a character file from the picture, which is slow,
// so only one input in eight asks for it), then the pixels as blue,
// green, red, top row first; missing pixel bytes are zero.
inline constexpr std::size_t kPictureHeaderSize = 7;
inline constexpr std::int32_t kMaxFuzzSide = 64;

struct TPictureInput {
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::int32_t targetWidth = 1;
  std::int32_t targetHeight = 1;
  std::int32_t maxColors = 256;
  bool buildCharacterFile = false;
  std::vector<std::uint8_t> pixels;  // width × height × 3 bytes
};

inline TPictureInput ParsePictureInput(std::span<const std::uint8_t> input) {
  std::uint8_t header[kPictureHeaderSize] = {};
  std::copy_n(input.begin(), std::min(input.size(), kPictureHeaderSize), header);
  TPictureInput picture;
  picture.width = header[0] % kMaxFuzzSide + 1;
  picture.height = header[1] % kMaxFuzzSide + 1;
  picture.targetWidth = header[2] % kMaxFuzzSide + 1;
  picture.targetHeight = header[3] % kMaxFuzzSide + 1;
  picture.maxColors = (header[4] | (header[5] << 8)) % 300;
  picture.buildCharacterFile = (header[6] & 7) == 1;
  picture.pixels.assign(static_cast<std::size_t>(picture.width * picture.height * 3), 0);
  if (input.size() > kPictureHeaderSize) {
    const std::span<const std::uint8_t> rest = input.subspan(kPictureHeaderSize);
    std::copy_n(rest.begin(), std::min(rest.size(), picture.pixels.size()), picture.pixels.begin());
  }
  return picture;
}

}  // namespace popuran::fuzz
