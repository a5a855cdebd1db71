#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "archive/Pack.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Stream.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

using test::ErrorOf;

using Bytes = std::vector<std::uint8_t>;

Bytes Header(const std::string& magic, std::uint16_t count, std::uint16_t unused = 0) {
  Bytes bytes(magic.begin(), magic.end());
  bytes.resize(8);
  PutU16(bytes.data() + 4, count);
  PutU16(bytes.data() + 6, unused);
  return bytes;
}

// Appends one 32-byte record; the name's bytes are stored as given, padded with NULs.
void AddRecord(Bytes& index, const std::string& name, std::uint32_t offset, std::uint32_t size) {
  Bytes record(kPackEntrySize, 0);
  std::copy(name.begin(), name.end(), record.begin());
  PutU32(record.data() + 24, offset);
  PutU32(record.data() + 28, size);
  index.insert(index.end(), record.begin(), record.end());
}

struct IndexCase {
  std::string label;
  Bytes bytes;
  bool headerFails;  // the header itself is not all there
  std::string magic;
  bool isPack;
  std::uint16_t count;
  std::vector<PackEntry> records;  // records 1 to n as they should read
  bool nextRecordFails;            // record n + 1 is missing or cut short
};

std::vector<IndexCase> IndexCases() {
  std::vector<IndexCase> cases;
  cases.push_back(
      {"seven bytes", Bytes{'P', 'A', 'C', 'K', 1, 0, 0}, true, "", false, 0, {}, false});

  Bytes shortIndex = Header("PACK", 3);
  AddRecord(shortIndex, "C00210080.BM2", 0, 2000);
  AddRecord(shortIndex, "C00210090.BM2", 2000, 3000);
  shortIndex.resize(shortIndex.size() + 31, 0);  // the third record lacks its last byte
  cases.push_back({"count beyond the records",
                   shortIndex,
                   false,
                   "PACK",
                   true,
                   3,
                   {{"C00210080.BM2", 0, 2000}, {"C00210090.BM2", 2000, 3000}},
                   true});

  cases.push_back({"lower-case magic", Header("pack", 0), false, "pack", false, 0, {}, false});
  cases.push_back(
      {"magic PAC and NUL", Header(std::string("PAC\0", 4), 1), false, "PAC", false, 1, {}, false});
  cases.push_back(
      {"magic NUL first", Header(std::string("\0ACK", 4), 1), false, "", false, 1, {}, false});

  // Bytes 6 and 7 are not part of the count; offsets and sizes are unsigned 32-bit values.
  Bytes loose = Header("PACK", 4, 0xFFFF);
  AddRecord(loose, "A", 1, 2);
  AddRecord(loose, "B", 0x80000000u, 0xFFFFFFFFu);
  AddRecord(loose, "C", 0xFFFFFFF0u, 0x80000000u);
  AddRecord(loose, "D", 0, 0);
  cases.push_back(
      {"bytes 6 and 7 set",
       loose,
       false,
       "PACK",
       true,
       4,
       {{"A", 1, 2}, {"B", 0x80000000u, 0xFFFFFFFFu}, {"C", 0xFFFFFFF0u, 0x80000000u}, {"D", 0, 0}},
       true});

  const std::string full(24, 'N');
  Bytes fullName = Header("PACK", 1);
  AddRecord(fullName, full, 7, 8);
  cases.push_back(
      {"name of 24 bytes without NUL", fullName, false, "PACK", true, 1, {{full, 7, 8}}, true});

  Bytes junkName = Header("PACK", 1);
  AddRecord(junkName, std::string("C00210090.BM2\0junk\x01\x02", 20), 9, 10);
  cases.push_back({"name with NUL then junk",
                   junkName,
                   false,
                   "PACK",
                   true,
                   1,
                   {{"C00210090.BM2", 9, 10}},
                   true});
  return cases;
}

TEST(PackIndex, ReadsHeadersAndRecordsOfMalformedIndexes) {
  for (const IndexCase& c : IndexCases()) {
    SCOPED_TRACE(c.label);
    test::TTempDir dir;
    const std::string path = dir / "TH2Data.000";
    test::WriteBytes(path, c.bytes);
    TFileStream index(path);

    if (c.headerFails) {
      EXPECT_EQ(ErrorOf([&] { ReadPackHeader(index); }), kReadErrorText);
      continue;
    }
    const PackHeader header = ReadPackHeader(index);
    EXPECT_EQ(header.Magic, c.magic);
    EXPECT_EQ(IsPackArchive(header), c.isPack);
    EXPECT_EQ(header.EntryCount, c.count);

    for (std::uint32_t i = 1; i <= c.records.size(); ++i) {
      const PackEntry entry = ReadPackEntry(index, i);
      const PackEntry& expected = c.records[i - 1];
      EXPECT_EQ(entry.Name, expected.Name) << "record " << i;
      EXPECT_EQ(entry.Offset, expected.Offset) << "record " << i;
      EXPECT_EQ(entry.Size, expected.Size) << "record " << i;
    }
    if (c.nextRecordFails) {
      const auto next = static_cast<std::uint32_t>(c.records.size() + 1);
      EXPECT_EQ(ErrorOf([&] { ReadPackEntry(index, next); }), kReadErrorText);
    }
  }
}

TEST(PackIndex, RecordsAreReadByPositionWhateverWasReadBefore) {
  test::TTempDir dir;
  const std::string path = dir / "TH2Data.000";
  Bytes bytes = Header("PACK", 3);
  AddRecord(bytes, "first", 1, 1);
  AddRecord(bytes, "second", 2, 2);
  AddRecord(bytes, "third", 3, 3);
  bytes.resize(bytes.size() + 100, 0xEE);  // bytes after the last record are never looked at
  test::WriteBytes(path, bytes);
  TFileStream index(path);

  EXPECT_EQ(ReadPackEntry(index, 3).Name, "third");
  EXPECT_EQ(ReadPackEntry(index, 1).Name, "first");
  EXPECT_EQ(ReadPackHeader(index).EntryCount, 3);
  EXPECT_EQ(ReadPackEntry(index, 2).Name, "second");
  EXPECT_EQ(index.Position(), 8u + 2 * 32);
}

}  // namespace
}  // namespace popuran
