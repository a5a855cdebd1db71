// A synthetic game archive made by the project itself, so that the demo and the tests need no
// game data. Everything here is deterministic: the same bytes on every run and every platform
// (integer arithmetic only, a fixed-seed generator of our own).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace popuran::demo {

// A palette entry of a BM2 picture: alpha 0 is transparent, 128 and above opaque.
struct TRgba {
  std::uint8_t r;
  std::uint8_t g;
  std::uint8_t b;
  std::uint8_t a;
  bool operator==(const TRgba&) const = default;
};

// The side of every drawn character picture.
inline constexpr std::int32_t kCharacterSize = 400;

// The entry name of each pose, 0 to 3.
inline constexpr std::array<const char*, 4> kPoseEntryNames = {"C00210090.BM2", "C00210080.BM2",
                                                               "C00210200.BM2", "C00210110.BM2"};

// A BM2 entry: the 64-byte header (its reserved fields and its ten trailing bytes hold junk
// that a decoder must not rely on), the palette as red, green, blue, alpha, and the rows with
// the top row first. pixels holds width × height palette indices, top row first.
// std::invalid_argument when the sizes do not fit.
std::vector<std::uint8_t> MakeBm2(std::int32_t width, std::int32_t height,
                                  const std::array<TRgba, 256>& palette,
                                  const std::vector<std::uint8_t>& pixels);

// The palette indices of one drawn character picture (kCharacterSize squared, top row first)
// and its palette, as stored in the entry.
struct TCharacterPicture {
  std::array<TRgba, 256> palette;
  std::vector<std::uint8_t> pixels;
};
TCharacterPicture DrawCharacter(int pose);

// The entry of pose 0 to 3: a figure with an anti-aliased dark outline on a fully transparent
// background. The figure's colours come out right only when a decoder moves palette entries
// 8–15 and 16–23 of every block of 32 into each other's places, and the background turns
// black only when colours are weighted by their alpha. std::invalid_argument for other poses.
std::vector<std::uint8_t> MakeCharacterBm2(int pose);

// A rectangle of the character pictures, the same in every pose, that is enclosed by the figure
// and transparent: a decoded picture shows it black, and a fill from the picture's corner
// cannot reach it.
inline constexpr TRect kCharacterPocket{174, 274, 187, 288};

struct TArchiveEntry {
  // The raw bytes of the 24-byte name field; a shorter name is padded with NUL bytes, so bytes
  // after an embedded NUL stay in the field.
  std::string name;
  std::vector<std::uint8_t> bytes;
};

struct TArchiveBytes {
  std::vector<std::uint8_t> index;
  std::vector<std::uint8_t> data;
};

// The index and data files of an archive holding the entries, in this order. The data file
// puts a few junk bytes before and between the entries. std::invalid_argument for more than
// 65535 entries, a name longer than 24 bytes, or a data file beyond 4 GiB.
TArchiveBytes MakeArchive(const std::vector<TArchiveEntry>& entries);

// Writes MakeArchive's two files.
void WriteArchive(const std::string& indexPath, const std::string& dataPath,
                  const std::vector<TArchiveEntry>& entries);

// The entries of the demo archive: the four character pictures scattered among some thousands
// of small filler entries and look-alike names, "C00210080.BM2" before "C00210090.BM2".
std::vector<TArchiveEntry> DemoEntries();

// The demo archive's files in memory.
TArchiveBytes MakeDemoArchive();

struct TDemoPaths {
  std::string indexFile;     // dir/TH2Data.000
  std::string dataFile;      // dir/TH2Data.001
  std::string companionExe;  // dir/Kobitone/Kobitone.exe
};

// Creates dir and dir/Kobitone, writes the demo archive into dir and a stand-in companion
// program (a shell script that does nothing and succeeds) into dir/Kobitone.
TDemoPaths WriteDemoArchive(const std::string& dir);

}  // namespace popuran::demo
