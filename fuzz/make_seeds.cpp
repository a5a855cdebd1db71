// Writes the seed corpora of the fuzz targets, one folder per target, from the project's own
// synthetic archive and pictures: well-formed inputs, and a few broken in the ways that matter
// (truncated, lying sizes, wrong magic). Run by scripts/fuzz.sh; nothing here is checked in.
#include <array>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "FuzzInputs.h"
#include "archive/Bm2.h"
#include "charfile/NadFile.h"
#include "demo/DemoArchive.h"
#include "imaging/ImageExtract.h"
#include "platform/Bitmap.h"
#include "platform/Bytes.h"
#include "platform/Stream.h"

namespace fs = std::filesystem;
using namespace popuran;
using Bytes = std::vector<std::uint8_t>;

namespace {

class TSeedWriter {
 public:
  explicit TSeedWriter(fs::path dir) : FDir(std::move(dir)) { fs::create_directories(FDir); }
  void Add(const std::string& name, const Bytes& bytes) {
    WriteWholeFile((FDir / name).string(), bytes);
  }

 private:
  fs::path FDir;
};

// A palette with every kind of alpha: transparent, half, opaque and above.
std::array<demo::TRgba, 256> TestPalette() {
  std::array<demo::TRgba, 256> palette{};
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    const std::uint8_t alpha = i == 0 ? 0 : i < 64 ? 64 : i < 128 ? 127 : i < 192 ? 128 : 255;
    palette[static_cast<std::size_t>(i)] =
        demo::TRgba{v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v * 7), alpha};
  }
  return palette;
}

// A small BM2 picture: index 0 (transparent) around a patterned middle.
Bytes SmallBm2(std::int32_t width, std::int32_t height) {
  Bytes pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  for (std::int32_t y = 1; y + 1 < height; ++y) {
    for (std::int32_t x = 1; x + 1 < width; ++x) {
      pixels[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint8_t>(x * 13 + y * 7);
    }
  }
  return demo::MakeBm2(width, height, TestPalette(), pixels);
}

Bytes Archive(const std::vector<demo::TArchiveEntry>& entries) {
  const demo::TArchiveBytes archive = demo::MakeArchive(entries);
  return fuzz::JoinArchiveInput(archive.index, archive.data);
}

void ArchiveSeeds(TSeedWriter& out) {
  using namespace std::string_literals;
  // One drawn character at full size; the other seeds keep to small pictures, since every
  // wanted entry costs the whole recipe and large inputs slow the fuzzer down.
  out.Add("character", Archive({{"C00210110.BM2", demo::MakeCharacterBm2(3)}}));

  const Bytes small = SmallBm2(24, 20);
  std::vector<demo::TArchiveEntry> smalls;
  for (const char* name : demo::kPoseEntryNames) smalls.push_back({name, small});
  out.Add("small-pictures", Archive(smalls));
  out.Add("odd-width", Archive({{"C00210090.BM2", SmallBm2(13, 9)}}));
  out.Add("one-row", Archive({{"C00210110.BM2", SmallBm2(7, 1)}}));
  out.Add("no-rows", Archive({{"C00210200.BM2", SmallBm2(5, 0)}}));
  out.Add("name-with-tail", Archive({{"C00210080.BM2\0old"s, small}}));
  out.Add("duplicate-name", Archive({{"C00210080.BM2", small}, {"C00210080.BM2", SmallBm2(9, 9)}}));
  out.Add("look-alikes", Archive({{"c00210090.bm2", small},
                                  {"C00210090.BM2 ", small},
                                  {"C00210110.BM2.BACKUP.OLD", small},
                                  {"filler.dat", {1, 2, 3}}}));
  out.Add("empty", Archive({}));

  demo::TArchiveBytes archive = demo::MakeArchive(smalls);
  Bytes lower = archive.index;
  lower[0] = 'p';
  out.Add("lowercase-magic", fuzz::JoinArchiveInput(lower, archive.data));
  out.Add("short-index",
          fuzz::JoinArchiveInput(Bytes(archive.index.begin(), archive.index.begin() + 6),
                                 archive.data));
  Bytes countPastEnd = archive.index;
  PutU16(countPastEnd.data() + 4, 9);
  out.Add("count-past-end", fuzz::JoinArchiveInput(countPastEnd, archive.data));
  Bytes pastEnd = archive.index;
  PutU32(pastEnd.data() + 8 + 24, static_cast<std::uint32_t>(archive.data.size() - 100));
  out.Add("entry-past-end", fuzz::JoinArchiveInput(pastEnd, archive.data));
  Bytes shortEntry = archive.index;
  PutU32(shortEntry.data() + 8 + 28, 100);
  out.Add("entry-too-short", fuzz::JoinArchiveInput(shortEntry, archive.data));
  Bytes tiny = archive.index;
  PutU32(tiny.data() + 8 + 28, 64);
  out.Add("entry-of-64-bytes", fuzz::JoinArchiveInput(tiny, archive.data));
}

void BitmapSeeds(TSeedWriter& out) {
  const Bytes eight = DecodeBm2(SmallBm2(24, 20));
  out.Add("8bit", eight);
  out.Add("8bit-odd-width", DecodeBm2(SmallBm2(13, 9)));
  out.Add("8bit-truncated", Bytes(eight.begin(), eight.end() - 30));
  out.Add("8bit-short-table", Bytes(eight.begin(), eight.begin() + 600));

  TBitmap picture;
  picture.LoadFromBytes(DecodeBm2(SmallBm2(11, 7)));
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  const Bytes twentyFour = picture.SaveToBytes();
  out.Add("24bit", twentyFour);
  Bytes topDown = twentyFour;
  PutI32(topDown.data() + 22, -GetI32(topDown.data() + 22));
  out.Add("24bit-top-down", topDown);
  Bytes wrongMagic = twentyFour;
  wrongMagic[1] = 'A';
  out.Add("wrong-magic", wrongMagic);
  Bytes twoPlanes = twentyFour;
  PutU16(twoPlanes.data() + 26, 2);
  out.Add("two-planes", twoPlanes);
  Bytes hugeSide = twentyFour;
  PutI32(hugeSide.data() + 18, 65535);
  out.Add("huge-width", hugeSide);
  Bytes farRows = twentyFour;
  PutU32(farRows.data() + 10, 0xFFFFFFF0u);
  out.Add("rows-far-away", farRows);
  out.Add("header-only", Bytes(twentyFour.begin(), twentyFour.begin() + 54));
}

// A 200 × 200 thumbnail like the one the character file gets: the drawn character scaled down.
TBitmap CharacterThumbnail() {
  TBitmap picture;
  picture.LoadFromBytes(DecodeBm2(demo::MakeCharacterBm2(3)));
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  return ScaleArea(picture, kNadSide, kNadSide);
}

void NadSeeds(TSeedWriter& out) {
  TNadHeader header{};
  TNadTail tail{};
  SetUpNadHeader(header, tail);
  const Bytes sound = BuildNadImage(CharacterThumbnail(), header, tail);
  out.Add("character", sound);
  TBitmap white;
  white.SetPixelFormat(TPixelFormat::pf24bit);
  white.SetSize(kNadSide, kNadSide);
  const Bytes oneColour = BuildNadImage(white, header, tail);
  out.Add("one-colour", oneColour);
  Bytes strayIndex = oneColour;
  strayIndex[kNadPixelOffset + 4321] = 7;
  out.Add("index-behind-palette", strayIndex);
  Bytes tailByte = sound;
  tailByte[kNadFileSize - 1] = 1;
  out.Add("tail-not-zero", tailByte);
  Bytes field = sound;
  PutI32(field.data() + kNadInfoHeaderOffset + 4, 201);
  out.Add("wrong-width", field);
  Bytes headerByte = sound;
  headerByte[210] = 'M';
  out.Add("header-differs", headerByte);
  out.Add("truncated", Bytes(sound.begin(), sound.begin() + 30000));
  out.Add("header-only", Bytes(sound.begin(), sound.begin() + kNadHeaderSize));
  Bytes longer = sound;
  longer.push_back(0);
  out.Add("one-byte-too-long", longer);
}

Bytes PictureSeed(std::uint8_t width, std::uint8_t height, std::uint8_t targetWidth,
                  std::uint8_t targetHeight, std::uint16_t maxColors, bool characterFile,
                  const Bytes& pixels) {
  Bytes input = {static_cast<std::uint8_t>(width - 1),
                 static_cast<std::uint8_t>(height - 1),
                 static_cast<std::uint8_t>(targetWidth - 1),
                 static_cast<std::uint8_t>(targetHeight - 1),
                 static_cast<std::uint8_t>(maxColors),
                 static_cast<std::uint8_t>(maxColors >> 8),
                 static_cast<std::uint8_t>(characterFile ? 1 : 0)};
  input.insert(input.end(), pixels.begin(), pixels.end());
  return input;
}

void PictureSeeds(TSeedWriter& out) {
  // A 64 × 64 piece of the character thumbnail: outline, figure and black background.
  const TBitmap thumbnail = CharacterThumbnail();
  Bytes piece;
  for (std::int32_t y = 60; y < 124; ++y) {
    const std::uint8_t* row = thumbnail.ScanLine(y) + 3 * 60;
    piece.insert(piece.end(), row, row + 3 * 64);
  }
  out.Add("character-piece", PictureSeed(64, 64, 20, 20, 256, false, piece));
  out.Add("character-piece-nad", PictureSeed(64, 64, 64, 64, 256, true, piece));
  out.Add("character-piece-few-colours", PictureSeed(64, 64, 33, 17, 2, false, piece));
  Bytes gradient;
  for (int i = 0; i < 16 * 16; ++i) {
    gradient.push_back(static_cast<std::uint8_t>(i));
    gradient.push_back(static_cast<std::uint8_t>(255 - i));
    gradient.push_back(static_cast<std::uint8_t>(i * 3));
  }
  out.Add("gradient-enlarged", PictureSeed(16, 16, 64, 40, 16, false, gradient));
  out.Add("one-colour", PictureSeed(5, 3, 2, 7, 256, true, Bytes(45, 0x80)));
  out.Add("limit-out-of-range", PictureSeed(4, 4, 4, 4, 257, false, gradient));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: popuran-fuzz-seeds DIR\n";
    return 2;
  }
  const fs::path dir = argv[1];
  try {
    TSeedWriter archive(dir / "archive");
    ArchiveSeeds(archive);
    TSeedWriter bitmap(dir / "bitmap");
    BitmapSeeds(bitmap);
    TSeedWriter nad(dir / "nad_inspect");
    NadSeeds(nad);
    TSeedWriter picture(dir / "scale_quantize");
    PictureSeeds(picture);
  } catch (const std::exception& error) {
    std::cerr << "popuran-fuzz-seeds: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
