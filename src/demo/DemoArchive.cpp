#include "demo/DemoArchive.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "archive/Bm2.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/Stream.h"

namespace popuran::demo {

namespace {

// xorshift32: tiny, and the same sequence everywhere, unlike std::rand or the distributions of
// <random>.
class TPrng {
 public:
  explicit TPrng(std::uint32_t seed) : FState(seed != 0 ? seed : 0x9E3779B9u) {}
  std::uint32_t Next() {
    FState ^= FState << 13;
    FState ^= FState >> 17;
    FState ^= FState << 5;
    return FState;
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() >> 24); }

 private:
  std::uint32_t FState;
};

// ---------------------------------------------------------------------------------------------
// The drawn character

// What a pixel of the figure shows. Each role has one palette index; the indices are spread
// over all eight blocks of 32, and the large areas (outline, skin, hair, dress, background) sit
// in entries 8–23 of their blocks, which a decoder must move to come out right.
enum TRole : int {
  kBackground0,
  kBackground1,
  kBackground2,
  kBackground3,
  kFringeLight,  // partly transparent outline pixels just outside the figure
  kFringeMedium,
  kFringeStrong,
  kLineOuter,  // opaque outline, outermost ring
  kLineInner,
  kSkin,
  kHair,
  kDress,
  kSkinShade,
  kHairLight,
  kDressShade,
  kCollar,
  kIris,
  kPupil,
  kHighlight,
  kMouth,
  kBlush,
  kRibbon,
  kShoe,
  kRoleCount
};

inline constexpr int kBackgroundRoles = 4;

// The colour of each role before decoding, with its alpha. The transparent ones carry colour
// bytes that must never show; the fringe decodes to dark colours such as (16, 10, 13), never to
// black; alpha above 128 counts as opaque.
constexpr std::array<TRgba, kRoleCount> kRoleColours = {{
    {255, 255, 255, 0},    // kBackground0
    {40, 160, 240, 0},     // kBackground1
    {250, 30, 120, 0},     // kBackground2
    {1, 1, 1, 0},          // kBackground3
    {64, 40, 52, 32},      // kFringeLight
    {64, 40, 52, 64},      // kFringeMedium
    {64, 40, 52, 96},      // kFringeStrong
    {56, 36, 48, 128},     // kLineOuter
    {92, 62, 76, 160},     // kLineInner
    {255, 226, 204, 128},  // kSkin
    {150, 88, 52, 128},    // kHair
    {64, 112, 200, 128},   // kDress
    {236, 196, 172, 128},  // kSkinShade
    {196, 136, 84, 128},   // kHairLight
    {44, 80, 160, 128},    // kDressShade
    {246, 246, 242, 128},  // kCollar
    {60, 84, 168, 128},    // kIris
    {36, 28, 72, 128},     // kPupil
    {252, 252, 255, 128},  // kHighlight
    {208, 72, 84, 128},    // kMouth
    {255, 182, 182, 128},  // kBlush
    {224, 40, 64, 128},    // kRibbon
    {112, 62, 32, 128},    // kShoe
}};

static_assert(kRoleCount <= 24, "three index offsets per block");

constexpr std::uint8_t RoleIndex(int role) {
  constexpr int kOffsets[] = {9, 17, 2};
  return static_cast<std::uint8_t>(32 * (role % 8) + kOffsets[role / 8]);
}

// The decoder's exchange of entries 8–15 and 16–23 within each block of 32; its own inverse.
constexpr int SwappedIndex(int index) {
  const int within = index % 32;
  if (within >= 8 && within < 16) return index + 8;
  if (within >= 16 && within < 24) return index - 8;
  return index;
}

bool InEllipse(int x, int y, int cx, int cy, int rx, int ry) {
  const std::int64_t dx = x - cx;
  const std::int64_t dy = y - cy;
  const std::int64_t rx2 = static_cast<std::int64_t>(rx) * rx;
  const std::int64_t ry2 = static_cast<std::int64_t>(ry) * ry;
  return dx * dx * ry2 + dy * dy * rx2 <= rx2 * ry2;
}

bool InRect(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x <= right && y >= top && y <= bottom;
}

// Within distance r of the segment from (x0, y0) to (x1, y1).
bool InStroke(int x, int y, int x0, int y0, int x1, int y1, int r) {
  const std::int64_t vx = x1 - x0;
  const std::int64_t vy = y1 - y0;
  const std::int64_t px = x - x0;
  const std::int64_t py = y - y0;
  const std::int64_t r2 = static_cast<std::int64_t>(r) * r;
  const std::int64_t length2 = vx * vx + vy * vy;
  const std::int64_t t = px * vx + py * vy;
  if (t <= 0 || length2 == 0) return px * px + py * py <= r2;
  if (t >= length2) {
    const std::int64_t qx = x - x1;
    const std::int64_t qy = y - y1;
    return qx * qx + qy * qy <= r2;
  }
  const std::int64_t cross = px * vy - py * vx;
  return cross * cross <= r2 * length2;
}

struct TArm {
  int shoulderX, shoulderY, elbowX, elbowY, handX, handY;
};

constexpr TArm kLeftArmDown{146, 200, 138, 230, 128, 258};
constexpr TArm kRightArmDown{214, 200, 222, 230, 232, 258};
constexpr TArm kLeftArmRaised{146, 200, 110, 172, 100, 130};
constexpr TArm kRightArmRaised{214, 200, 250, 172, 260, 130};

// The figure's role at (x, y), or kBackground0 outside it. Shapes later in the list paint over
// earlier ones.
int FigureRole(int x, int y, int pose) {
  const int cx = 180;
  int role = kBackground0;

  // Hair behind the head, with a lighter sheen near the top.
  if (InEllipse(x, y, cx, 120, 76, 70)) role = InEllipse(x, y, 160, 76, 30, 9) ? kHairLight : kHair;

  // Legs and shoes; the shoes meet between the feet, which closes the gap under the dress.
  if (InRect(x, y, 152, 264, 170, 292) || InRect(x, y, 190, 264, 208, 292)) role = kSkin;
  if (InEllipse(x, y, 163, 296, 21, 8) || InEllipse(x, y, 197, 296, 21, 8)) role = kShoe;

  // Neck and dress: a trapezoid widening downwards, with a darker hem.
  if (InRect(x, y, 170, 168, 190, 194)) role = kSkinShade;
  if (y >= 188 && y <= 270) {
    const int halfWidth = 34 + (24 * (y - 188)) / 82;
    if (x >= cx - halfWidth && x <= cx + halfWidth) role = y >= 258 ? kDressShade : kDress;
  }
  if (InEllipse(x, y, cx, 192, 22, 9)) role = kCollar;
  if (InEllipse(x, y, cx, 202, 8, 6)) role = kRibbon;

  // Arms: a sleeve from the shoulder to the elbow, the forearm, a round hand.
  const TArm& left = pose == 3 ? kLeftArmRaised : kLeftArmDown;
  const TArm& right = pose == 1 ? kRightArmRaised : kRightArmDown;
  for (const TArm* arm : {&left, &right}) {
    if (InStroke(x, y, arm->elbowX, arm->elbowY, arm->handX, arm->handY, 8)) role = kSkin;
    if (InStroke(x, y, arm->shoulderX, arm->shoulderY, arm->elbowX, arm->elbowY, 11))
      role = kDressShade;
    if (InEllipse(x, y, arm->handX, arm->handY, 10, 10)) role = kSkin;
  }

  // Face, then the fringe over its top.
  if (InEllipse(x, y, cx, 132, 54, 48)) {
    role = kSkin;
    const int tooth = (x % 16 < 8) ? x % 8 : 8 - x % 8;  // a zigzag edge of the fringe
    if (y <= 100 + tooth) role = kHair;
  }

  // Eyes: open with iris, pupil and highlight, or closed (pose 2) as a dark arc.
  for (const int ex : {cx - 20, cx + 20}) {
    if (pose == 2) {
      if (InEllipse(x, y, ex, 134, 10, 6) && !InEllipse(x, y, ex, 131, 10, 6)) role = kPupil;
    } else {
      if (InEllipse(x, y, ex, 134, 8, 11)) role = kIris;
      if (InEllipse(x, y, ex, 136, 4, 6)) role = kPupil;
      if (InEllipse(x, y, ex - 3, 129, 2, 2)) role = kHighlight;
    }
    const int blushX = ex < cx ? ex - 12 : ex + 12;
    if (InEllipse(x, y, blushX, 152, 8, 4)) role = kBlush;
  }

  // Mouth: a smile, an open mouth, a flat line or a small "o".
  switch (pose) {
    case 0:
      if (InEllipse(x, y, cx, 157, 10, 6) && !InEllipse(x, y, cx, 154, 10, 6)) role = kMouth;
      break;
    case 1:
      if (InEllipse(x, y, cx, 160, 7, 6)) role = kMouth;
      break;
    case 2:
      if (InRect(x, y, cx - 6, 159, cx + 6, 161)) role = kMouth;
      break;
    default:
      if (InEllipse(x, y, cx, 160, 4, 4)) role = kMouth;
      break;
  }
  return role;
}

// One pass of a square morphological filter along rows or columns: a pixel becomes set when any
// (or, for erosion, every) pixel within radius of it on its line is set. Pixels beyond the
// picture's edge do not count.
std::vector<std::uint8_t> Sweep(const std::vector<std::uint8_t>& in, int size, int radius,
                                bool alongRows, bool any) {
  std::vector<std::uint8_t> out(in.size());
  for (int line = 0; line < size; ++line) {
    for (int at = 0; at < size; ++at) {
      bool result = !any;
      for (int d = std::max(0, at - radius); d <= std::min(size - 1, at + radius); ++d) {
        const std::size_t i = alongRows ? static_cast<std::size_t>(line) * size + d
                                        : static_cast<std::size_t>(d) * size + line;
        if ((in[i] != 0) == any) {
          result = any;
          break;
        }
      }
      const std::size_t o = alongRows ? static_cast<std::size_t>(line) * size + at
                                      : static_cast<std::size_t>(at) * size + line;
      out[o] = result;
    }
  }
  return out;
}

// Fills every background gap narrower than about 2 × radius with the outline colour (a
// morphological closing). Narrow slits between arm, hair and body would otherwise close up in
// a scaled-down picture and leave tiny black islands that no fill reaches.
void CloseNarrowGaps(std::vector<int>& roles, int size, int radius) {
  std::vector<std::uint8_t> mask(roles.size());
  for (std::size_t i = 0; i < roles.size(); ++i) mask[i] = roles[i] >= kBackgroundRoles;
  const std::vector<std::uint8_t> dilated =
      Sweep(Sweep(mask, size, radius, true, true), size, radius, false, true);
  const std::vector<std::uint8_t> closed =
      Sweep(Sweep(dilated, size, radius, true, false), size, radius, false, false);
  for (std::size_t i = 0; i < roles.size(); ++i)
    if (closed[i] != 0 && mask[i] == 0) roles[i] = kLineOuter;
}

// The outline: the figure's two outermost rings become opaque dark lines, and the background
// pixels touching the figure become partly transparent, the more figure around them the more
// opaque.
void DrawOutline(std::vector<int>& roles, int size) {
  auto isFigure = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < size && y < size && roles[y * size + x] >= kBackgroundRoles;
  };
  std::vector<int> result = roles;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      int figureNear = 0;  // figure pixels among the 8 neighbours
      int backgroundNear = 0;
      int backgroundWithin2 = 0;
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
          if (dx == 0 && dy == 0) continue;
          const bool near = dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1;
          const bool inside = x + dx >= 0 && y + dy >= 0 && x + dx < size && y + dy < size;
          if (isFigure(x + dx, y + dy)) {
            if (near) ++figureNear;
          } else if (inside) {
            if (near) ++backgroundNear;
            ++backgroundWithin2;
          }
        }
      const std::size_t i = static_cast<std::size_t>(y) * size + x;
      if (isFigure(x, y)) {
        if (backgroundNear > 0)
          result[i] = kLineOuter;
        else if (backgroundWithin2 > 0)
          result[i] = kLineInner;
      } else if (figureNear > 0) {
        result[i] = figureNear <= 2   ? kFringeLight
                    : figureNear <= 4 ? kFringeMedium
                                      : kFringeStrong;
      }
    }
  }
  roles = std::move(result);
}

// ---------------------------------------------------------------------------------------------
// Archive

void PutName(std::uint8_t* field, const std::string& name) {
  for (std::size_t i = 0; i < name.size(); ++i) field[i] = static_cast<std::uint8_t>(name[i]);
}

std::vector<std::uint8_t> JunkBytes(TPrng& prng) {
  std::vector<std::uint8_t> bytes(16 + prng.Below(49));
  for (auto& b : bytes) b = prng.Byte();
  return bytes;
}

std::string FillerName(int i) {
  char name[32];
  const unsigned n = static_cast<unsigned>(i);
  switch (i % 6) {
    case 0:
      std::snprintf(name, sizeof name, "BG%04u.BM2", n);
      break;
    case 1:
      std::snprintf(name, sizeof name, "SE%04u.OGG", n);
      break;
    case 2:
      std::snprintf(name, sizeof name, "EV%04u.BM2", n);
      break;
    case 3:
      std::snprintf(name, sizeof name, "C0011%04u.BM2", n);
      break;
    case 4:
      std::snprintf(name, sizeof name, "BGM%04u.OGG", n);
      break;
    default:
      std::snprintf(name, sizeof name, "SCR%04u.TXT", n);
      break;
  }
  return name;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == PathSeparator()) return dir + name;
  return dir + PathSeparator() + name;
}

}  // namespace

std::vector<std::uint8_t> MakeBm2(std::int32_t width, std::int32_t height,
                                  const std::array<TRgba, 256>& palette,
                                  const std::vector<std::uint8_t>& pixels) {
  if (width < 0 || height < 0) throw std::invalid_argument("MakeBm2: negative size");
  const std::uint64_t pixelCount = static_cast<std::uint64_t>(width) * height;
  if (pixels.size() != pixelCount) throw std::invalid_argument("MakeBm2: wrong pixel count");
  const std::uint64_t total = kBm2PixelOffset + pixelCount;
  if (total > std::numeric_limits<std::uint32_t>::max())
    throw std::invalid_argument("MakeBm2: picture too large");

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(total));
  std::uint8_t* h = bytes.data();
  h[0] = 'B';
  h[1] = 'M';
  PutU32(h + 2, static_cast<std::uint32_t>(total));
  PutU16(h + 6, 0x4B43);  // reserved fields: junk that a decoder clears
  PutU16(h + 8, 0x5A17);
  PutU32(h + 10, static_cast<std::uint32_t>(kBm2PixelOffset));
  PutU32(h + 14, 40);
  PutI32(h + 18, width);
  PutI32(h + 22, height);
  PutU16(h + 26, 1);
  PutU16(h + 28, 8);
  PutU32(h + 30, 0);
  PutU32(h + 34, static_cast<std::uint32_t>(pixelCount));
  PutU32(h + 38, 2835);
  PutU32(h + 42, 2835);
  PutU32(h + 46, 256);
  PutU32(h + 50, 0);
  TPrng prng(0xB2B2u ^ static_cast<std::uint32_t>(width) ^
             (static_cast<std::uint32_t>(height) << 16));
  for (int i = 54; i < 64; ++i) h[i] = prng.Byte();
  for (int i = 0; i < 256; ++i) {
    std::uint8_t* entry = h + 64 + 4 * i;
    entry[0] = palette[i].r;
    entry[1] = palette[i].g;
    entry[2] = palette[i].b;
    entry[3] = palette[i].a;
  }
  std::copy(pixels.begin(), pixels.end(), bytes.begin() + kBm2PixelOffset);
  return bytes;
}

TCharacterPicture DrawCharacter(int pose) {
  if (pose < 0 || pose > 3) throw std::invalid_argument("DrawCharacter: pose out of range");
  const int size = kCharacterSize;
  std::vector<int> roles(static_cast<std::size_t>(size) * size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      roles[static_cast<std::size_t>(y) * size + x] = FigureRole(x, y, pose);
  CloseNarrowGaps(roles, size, 4);
  DrawOutline(roles, size);

  TCharacterPicture picture;
  // Entries no role uses get loud opaque colours, so a decoder that takes the wrong entry shows.
  TPrng prng(0xC0210u);
  for (auto& entry : picture.palette)
    entry = {prng.Byte(), prng.Byte(), prng.Byte(),
             static_cast<std::uint8_t>(128 + prng.Below(128))};
  // A pixel of index i shows, once decoded, the stored entry that the decoder moves to place i.
  for (int role = 0; role < kRoleCount; ++role)
    picture.palette[SwappedIndex(RoleIndex(role))] = kRoleColours[role];

  picture.pixels.resize(roles.size());
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * size + x;
      int role = roles[i];
      // Transparent pixels in a coarse pattern of entries whose colour bytes differ.
      if (role == kBackground0) role = ((x / 5) * 3 + (y / 7) + (x ^ y) % 3) % kBackgroundRoles;
      picture.pixels[i] = RoleIndex(role);
    }
  }
  return picture;
}

std::vector<std::uint8_t> MakeCharacterBm2(int pose) {
  const TCharacterPicture picture = DrawCharacter(pose);
  return MakeBm2(kCharacterSize, kCharacterSize, picture.palette, picture.pixels);
}

TArchiveBytes MakeArchive(const std::vector<TArchiveEntry>& entries) {
  if (entries.size() > 0xFFFF) throw std::invalid_argument("MakeArchive: too many entries");
  TArchiveBytes archive;
  archive.index.assign(8 + 32 * entries.size(), 0);
  std::uint8_t* header = archive.index.data();
  header[0] = 'P';
  header[1] = 'A';
  header[2] = 'C';
  header[3] = 'K';
  PutU16(header + 4, static_cast<std::uint16_t>(entries.size()));
  header[6] = 0xEE;  // not part of the format; junk shows that nobody reads it
  header[7] = 0x7F;

  TPrng prng(0x9ACCu);
  auto junk = [&](std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) archive.data.push_back(prng.Byte());
  };
  junk(3);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TArchiveEntry& entry = entries[i];
    if (entry.name.size() > 24) throw std::invalid_argument("MakeArchive: name too long");
    const std::uint64_t offset = archive.data.size();
    if (offset + entry.bytes.size() > std::numeric_limits<std::uint32_t>::max())
      throw std::invalid_argument("MakeArchive: data file too large");
    std::uint8_t* record = archive.index.data() + 8 + 32 * i;
    PutName(record, entry.name);
    PutU32(record + 24, static_cast<std::uint32_t>(offset));
    PutU32(record + 28, static_cast<std::uint32_t>(entry.bytes.size()));
    archive.data.insert(archive.data.end(), entry.bytes.begin(), entry.bytes.end());
    junk(1 + prng.Below(7));
  }
  return archive;
}

void WriteArchive(const std::string& indexPath, const std::string& dataPath,
                  const std::vector<TArchiveEntry>& entries) {
  const TArchiveBytes archive = MakeArchive(entries);
  WriteWholeFile(indexPath, archive.index);
  WriteWholeFile(dataPath, archive.data);
}

std::vector<TArchiveEntry> DemoEntries() {
  constexpr int kFillers = 3000;
  using namespace std::string_literals;
  // Where the four pictures and the look-alike names stand among the fillers.
  struct TPlaced {
    int position;
    std::string name;
    int pose;  // -1: a few junk bytes instead of a picture
  };
  const std::vector<TPlaced> placed = {
      {211, "c00210090.bm2", -1},
      {517, "C00210080.BM2", 1},
      {802, "C00210091.BM2", -1},
      {1234, "C00210090.BM2\0\x7F\x13 old"s, 0},  // bytes after the NUL are not part of the name
      {1490, "C00210090.BM2 ", -1},
      {1901, "C00210200.BM2", 2},
      {2222, "C00210110.BM2.BACKUP.OLD", -1},  // all 24 bytes, no NUL
      {2650, "C00210110.BM2\0\xFF\xFF"s, 3},
      {2777, "C00210080.BMP", -1},
  };

  TPrng prng(0xF111u);
  std::vector<TArchiveEntry> entries;
  entries.reserve(kFillers + placed.size());
  auto next = placed.begin();
  for (int i = 0; i < kFillers; ++i) {
    while (next != placed.end() && next->position == static_cast<int>(entries.size())) {
      entries.push_back(
          {next->name, next->pose >= 0 ? MakeCharacterBm2(next->pose) : JunkBytes(prng)});
      ++next;
    }
    std::string name = FillerName(i);
    if (i % 7 == 3) name += "\0\x55\xAA"s;  // leftovers after the NUL, as old tools leave them
    entries.push_back({name, JunkBytes(prng)});
  }
  return entries;
}

TArchiveBytes MakeDemoArchive() {
  return MakeArchive(DemoEntries());
}

TDemoPaths WriteDemoArchive(const std::string& dir) {
  TDemoPaths paths;
  const std::string companionDir = Join(dir, "Kobitone");
  ForceDirectories(companionDir);
  paths.indexFile = Join(dir, "TH2Data.000");
  paths.dataFile = Join(dir, "TH2Data.001");
  paths.companionExe = Join(companionDir, "Kobitone.exe");

  WriteArchive(paths.indexFile, paths.dataFile, DemoEntries());

  const std::string script =
      "#!/bin/sh\n# Stands in for the companion program in the demo.\nexit 0\n";
  WriteWholeFile(paths.companionExe,
                 std::span(reinterpret_cast<const std::uint8_t*>(script.data()), script.size()));
  namespace fs = std::filesystem;
  std::error_code error;
  // The path from its UTF-8 bytes: on Windows the narrow constructor does not read UTF-8.
  const std::u8string companion(paths.companionExe.begin(), paths.companionExe.end());
  fs::permissions(fs::path(companion),
                  fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::replace, error);
  if (error) throw TCreateError(paths.companionExe);
  return paths;
}

}  // namespace popuran::demo
