#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo/DemoArchive.h"
#include "support/TempDir.h"

namespace popuran::demo {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

struct TRecord {
  std::string name;  // up to the first NUL
  std::uint32_t offset;
  std::uint32_t size;
};

// Walks an index with plain byte reads, checking every record against the data file's length.
std::vector<TRecord> WalkIndex(const TArchiveBytes& archive) {
  const auto& index = archive.index;
  EXPECT_GE(index.size(), 8u);
  EXPECT_EQ(std::string(index.begin(), index.begin() + 4), "PACK");
  const std::uint16_t count = U16(index, 4);
  EXPECT_GE(index.size(), 8u + 32u * count);
  std::vector<TRecord> records;
  for (std::size_t i = 0; i < count && 8 + 32 * (i + 1) <= index.size(); ++i) {
    const std::size_t at = 8 + 32 * i;
    const auto nameEnd = std::find(index.begin() + at, index.begin() + at + 24, 0);
    TRecord record{std::string(index.begin() + at, nameEnd), U32(index, at + 24),
                   U32(index, at + 28)};
    EXPECT_LE(std::uint64_t{record.offset} + record.size, archive.data.size()) << record.name;
    records.push_back(record);
  }
  return records;
}

TEST(DemoArchive, IsReproducibleSmallAndWrittenWithAStandInCompanion) {
  const TArchiveBytes first = MakeDemoArchive();
  const TArchiveBytes second = MakeDemoArchive();
  EXPECT_TRUE(first.index == second.index);
  EXPECT_TRUE(first.data == second.data);
  EXPECT_LT(first.index.size() + first.data.size(), 2'000'000u);

  test::TTempDir dir;
  const TDemoPaths paths = WriteDemoArchive(dir / "demo");
  EXPECT_EQ(paths.indexFile, dir / "demo/TH2Data.000");
  EXPECT_EQ(paths.dataFile, dir / "demo/TH2Data.001");
  EXPECT_EQ(paths.companionExe, dir / "demo/Kobitone/Kobitone.exe");
  EXPECT_TRUE(test::ReadBytes(paths.indexFile) == first.index);
  EXPECT_TRUE(test::ReadBytes(paths.dataFile) == first.data);
  const std::vector<std::uint8_t> script = test::ReadBytes(paths.companionExe);
  EXPECT_EQ(std::string(script.begin(), script.begin() + 10), "#!/bin/sh\n");
  const auto perms = std::filesystem::status(paths.companionExe).permissions();
  EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);

  // A second run over the same folder gives the same files.
  WriteDemoArchive(dir / "demo");
  EXPECT_TRUE(test::ReadBytes(paths.dataFile) == first.data);
}

TEST(DemoArchive, ListsEachPictureOnceAmongFillersAndLookAlikes) {
  const TArchiveBytes archive = MakeDemoArchive();
  const std::vector<TRecord> records = WalkIndex(archive);
  ASSERT_GT(records.size(), 2000u);

  std::array<std::vector<std::size_t>, 4> positions;
  std::set<std::string> names;
  for (std::size_t i = 0; i < records.size(); ++i) {
    names.insert(records[i].name);
    for (int pose = 0; pose < 4; ++pose)
      if (records[i].name == kPoseEntryNames[pose]) positions[pose].push_back(i);
  }
  for (int pose = 0; pose < 4; ++pose) {
    ASSERT_EQ(positions[pose].size(), 1u) << kPoseEntryNames[pose];
    const TRecord& record = records[positions[pose][0]];
    const std::vector<std::uint8_t> expected = MakeCharacterBm2(pose);
    ASSERT_EQ(record.size, expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), archive.data.begin() + record.offset))
        << kPoseEntryNames[pose];
    EXPECT_GT(positions[pose][0], 100u) << "the pictures stand among other entries";
  }
  // C00210080 (pose 1) stands before C00210090 (pose 0); the others follow.
  EXPECT_LT(positions[1][0], positions[0][0]);
  EXPECT_LT(positions[0][0], positions[2][0]);
  EXPECT_LT(positions[2][0], positions[3][0]);
  // Names that only resemble the wanted ones, and no empty or duplicated names.
  for (const char* lookAlike :
       {"c00210090.bm2", "C00210091.BM2", "C00210090.BM2 ", "C00210110.BM2.BACKUP.OLD"})
    EXPECT_EQ(names.count(lookAlike), 1u) << lookAlike;
  EXPECT_EQ(names.size(), records.size());
  EXPECT_EQ(names.count(""), 0u);
}

TEST(DemoArchive, MakeArchiveLaysOutRecordsAndRejectsWhatDoesNotFit) {
  const std::string fullName(24, 'N');
  const TArchiveBytes archive =
      MakeArchive({{"A.BM2", {1, 2, 3}}, {std::string("B\0xy", 4), {}}, {fullName, {9, 8}}});
  ASSERT_EQ(archive.index.size(), 8u + 3 * 32);
  EXPECT_EQ(U16(archive.index, 4), 3);
  const std::vector<TRecord> records = WalkIndex(archive);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].name, "A.BM2");
  EXPECT_EQ(records[1].name, "B");
  EXPECT_EQ(records[2].name, fullName);
  EXPECT_EQ(archive.index[8 + 32 + 2], 'x');  // raw name bytes are kept after the NUL
  EXPECT_EQ(archive.index[8 + 5], 0);
  EXPECT_NE(records[0].offset, 0u);
  EXPECT_GT(records[2].offset, records[0].offset + records[0].size);
  EXPECT_EQ(archive.data[records[2].offset], 9);
  EXPECT_EQ(records[1].size, 0u);

  EXPECT_THROW(MakeArchive({{std::string(25, 'N'), {}}}), std::invalid_argument);
  EXPECT_THROW(MakeArchive(std::vector<TArchiveEntry>(65536)), std::invalid_argument);
}

TEST(DemoArchive, MakeBm2LaysOutHeaderPaletteAndRowsTopFirst) {
  std::array<TRgba, 256> palette{};
  palette[1] = {10, 20, 30, 40};
  palette[255] = {250, 251, 252, 128};
  const std::vector<std::uint8_t> pixels = {1, 2, 3, 4, 5, 6};  // 3 × 2, top row 1 2 3
  const std::vector<std::uint8_t> bm2 = MakeBm2(3, 2, palette, pixels);
  ASSERT_EQ(bm2.size(), 1088u + 6);
  EXPECT_EQ(bm2[0], 'B');
  EXPECT_EQ(bm2[1], 'M');
  EXPECT_EQ(U32(bm2, 2), bm2.size());
  EXPECT_NE(U16(bm2, 6), 0);
  EXPECT_NE(U16(bm2, 8), 0);
  const std::array<std::pair<std::size_t, std::uint32_t>, 9> fields = {{{10, 1088},
                                                                        {14, 40},
                                                                        {18, 3},
                                                                        {22, 2},
                                                                        {30, 0},
                                                                        {34, 6},
                                                                        {46, 256},
                                                                        {50, 0},
                                                                        {26, 1 | (8 << 16)}}};
  for (const auto& [at, value] : fields) EXPECT_EQ(U32(bm2, at), value) << "offset " << at;
  EXPECT_EQ(std::vector<std::uint8_t>(bm2.begin() + 64 + 4, bm2.begin() + 64 + 8),
            (std::vector<std::uint8_t>{10, 20, 30, 40}));
  EXPECT_EQ(U32(bm2, 64 + 4 * 255), 0x80FCFBFAu);
  EXPECT_EQ(std::vector<std::uint8_t>(bm2.begin() + 1088, bm2.end()), pixels);

  EXPECT_THROW(MakeBm2(3, 2, palette, {1, 2, 3}), std::invalid_argument);
  EXPECT_THROW(MakeBm2(-3, -2, palette, pixels), std::invalid_argument);
  EXPECT_THROW(MakeCharacterBm2(4), std::invalid_argument);
}

}  // namespace
}  // namespace popuran::demo
