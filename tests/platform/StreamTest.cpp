#include <gtest/gtest.h>

#include <numeric>

#include "platform/Error.h"
#include "platform/Stream.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

TEST(MemoryStream, GrowsOnWritesAnywhereAndReadsExactly) {
  TMemoryStream m;
  m.Seek(4);
  const std::uint8_t bytes[] = {1, 2, 3};
  m.WriteBuffer(bytes, 3);
  EXPECT_EQ(m.Size(), 7u);
  EXPECT_EQ(m.Memory(), (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 2, 3}));
  m.Seek(5);
  std::uint8_t out[3] = {};
  EXPECT_THROW(m.ReadBuffer(out, 3), TReadError);  // only two bytes remain
  m.Seek(5);
  m.ReadBuffer(out, 2);
  EXPECT_EQ(out[1], 3);
}

TEST(FileStream, ReadsAcrossItsBufferAndFailsOnShortReads) {
  test::TTempDir dir;
  std::vector<std::uint8_t> bytes(100000);
  std::iota(bytes.begin(), bytes.end(), 0);
  test::WriteBytes(dir / "data", bytes);
  TFileStream file(dir / "data");
  EXPECT_EQ(file.Size(), bytes.size());
  // Small positioned reads spread over the file, larger ones straddling buffer edges.
  for (std::uint64_t position : {0ull, 16380ull, 16383ull, 50000ull, 99990ull}) {
    for (std::size_t count : {1u, 10u, 20000u}) {
      if (position + count > bytes.size()) continue;
      std::vector<std::uint8_t> out(count);
      file.Seek(position);
      file.ReadBuffer(out.data(), count);
      EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + position))
          << position << " " << count;
      EXPECT_EQ(file.Position(), position + count);
    }
  }
  std::vector<std::uint8_t> out(11);
  file.Seek(99990);
  try {
    file.ReadBuffer(out.data(), out.size());
    FAIL() << "a short read must raise";
  } catch (const TReadError& error) {
    EXPECT_EQ(error.Text(), "ｽﾄﾘｰﾑからの読み込みｴﾗｰ");
  }
  file.Seek(200000);  // positioning past the end succeeds; the read fails
  EXPECT_THROW(file.ReadBuffer(out.data(), 1), TReadError);
}

TEST(FileStream, OpenFailuresNameThePath) {
  test::TTempDir dir;
  for (const std::string& path : {dir / "missing", dir.Path().string()}) {
    try {
      TFileStream file(path);
      FAIL() << path;
    } catch (const TOpenError& error) {
      EXPECT_EQ(error.Text(), "ﾌｧｲﾙ " + path + " は開けません");
    }
  }
}

TEST(FileStream, CopyFromIsExactAndZeroCopiesNothing) {
  test::TTempDir dir;
  test::WriteBytes(dir / "data", {10, 11, 12, 13, 14});
  TFileStream file(dir / "data");
  TMemoryStream m;
  m.CopyFrom(file, 0);
  EXPECT_EQ(m.Size(), 0u);
  file.Seek(1);
  m.CopyFrom(file, 3);
  EXPECT_EQ(m.Memory(), (std::vector<std::uint8_t>{11, 12, 13}));
  EXPECT_THROW(m.CopyFrom(file, 2), TReadError);
}

TEST(WriteWholeFile, ReplacesAndLeavesNoTemporaryBehind) {
  test::TTempDir dir;
  test::WriteBytes(dir / "out", std::vector<std::uint8_t>(1000, 7));
  const std::vector<std::uint8_t> bytes{1, 2, 3};
  WriteWholeFile(dir / "out", bytes);
  EXPECT_EQ(test::ReadBytes(dir / "out"), bytes);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(WriteWholeFile, FailuresRaiseTheCreateErrorAndKeepTheOldFile) {
  test::TTempDir dir;
  std::filesystem::create_directory(dir / "folder");
  const std::vector<std::uint8_t> bytes{1};
  for (const std::string& path : {dir / "missing/out", dir / "folder"}) {
    try {
      WriteWholeFile(path, bytes);
      FAIL() << path;
    } catch (const TCreateError& error) {
      EXPECT_EQ(error.Text(), "ﾌｧｲﾙ " + path + " を作成できません");
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
  EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));
}

}  // namespace
}  // namespace popuran
