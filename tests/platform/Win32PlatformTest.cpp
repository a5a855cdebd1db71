// The Windows side of the platform layer: Unicode names, archive files held without sharing,
// whole-file replacement and the Windows forms of absolute paths.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/Stream.h"
#include "platform/Utf16.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

namespace fs = std::filesystem;

// The name as the file system holds it, independent of the code under test.
fs::path OnDisk(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// Opens a file the way another program might; INVALID_HANDLE_VALUE when the system refuses.
HANDLE OpenAsAnotherProgram(const std::string& path, DWORD share) {
  return ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Win32Files, JapaneseNamesReachTheFileSystemIntact) {
  test::TTempDir dir;
  const std::string folder = dir / "デモ\\こびと";
  ForceDirectories(folder + "\\B\\");
  EXPECT_TRUE(DirectoryExists(folder + "\\B"));
  EXPECT_TRUE(fs::is_directory(OnDisk(folder + "\\B")));

  const std::string file = folder + "\\窓辺のこびと.NAD";
  WriteWholeFile(file, std::vector<std::uint8_t>{1, 2, 3});
  EXPECT_TRUE(fs::is_regular_file(OnDisk(file)));
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_EQ(ReadWholeFile(file), (std::vector<std::uint8_t>{1, 2, 3}));
  // The error texts name the path as given, in UTF-8.
  try {
    TFileStream missing(folder + "\\無い.000");
    ADD_FAILURE() << "opened a missing file";
  } catch (const TOpenError& error) {
    EXPECT_EQ(error.Text(), "ﾌｧｲﾙ " + folder + "\\無い.000 は開けません");
  }
}

TEST(Win32Files, AnArchiveFileIsHeldWithoutSharing) {
  test::TTempDir dir;
  const std::string path = dir / "TH2Data.000";
  test::WriteBytes(path, {'P', 'A', 'C', 'K', 0, 0, 0, 0});
  {
    TFileStream stream(path);
    // Not even a reader that shares everything gets in while the run holds the file.
    const HANDLE other = OpenAsAnotherProgram(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
  }
  // Released with the stream; and while another program holds it, the run cannot open it.
  const HANDLE other = OpenAsAnotherProgram(path, FILE_SHARE_READ);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_THROW(TFileStream{path}, TOpenError);
  ::CloseHandle(other);
  EXPECT_NO_THROW(TFileStream{path});
  // A folder is not a file to read.
  EXPECT_THROW(TFileStream{dir.Path().string()}, TOpenError);
}

TEST(Win32Files, WholeFileReplacementLeavesNoTemporaryFiles) {
  test::TTempDir dir;
  const std::string path = dir / "001.BMP";
  test::WriteBytes(path, std::vector<std::uint8_t>(1000, 7));
  WriteWholeFile(path, std::vector<std::uint8_t>{9, 9});
  EXPECT_EQ(test::ReadBytes(path), (std::vector<std::uint8_t>{9, 9}));
  WriteWholeFile(path, {});
  EXPECT_EQ(fs::file_size(path), 0u);
  // Scratch files take the same way, only without waiting for the disk.
  WriteScratchFile(path, std::vector<std::uint8_t>{5});
  EXPECT_EQ(test::ReadBytes(path), (std::vector<std::uint8_t>{5}));

  // A folder in the way: the creation error, the folder untouched, nothing left beside it.
  fs::create_directory(dir.Path() / "B");
  EXPECT_THROW(WriteWholeFile(dir / "B", std::vector<std::uint8_t>{1}), TCreateError);
  EXPECT_THROW(WriteScratchFile(dir / "B", std::vector<std::uint8_t>{1}), TCreateError);
  EXPECT_TRUE(fs::is_directory(dir.Path() / "B"));
  // A folder that does not exist.
  EXPECT_THROW(WriteWholeFile(dir / "none\\x.bmp", std::vector<std::uint8_t>{1}), TCreateError);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names.size(), 2u) << "left behind: " << names.back();
}

TEST(Win32Paths, AbsolutePathsKeepTheirWindowsForms) {
  const std::string current = CurrentDir();
  ASSERT_GE(current.size(), 3u);
  ASSERT_EQ(current[1], ':');
  const struct {
    std::string path;
    std::string absolute;
  } cases[] = {
      {R"(C:\Apps\Run.exe)", R"(C:\Apps\Run.exe)"},
      {R"(\\server\share\Run.exe)", R"(\\server\share\Run.exe)"},
      {"Run.exe", current + "\\Run.exe"},
      {R"(\Apps\Run.exe)", current.substr(0, 2) + R"(\Apps\Run.exe)"},
  };
  for (const auto& c : cases) EXPECT_EQ(AbsolutePath(c.path), c.absolute) << c.path;
}

TEST(Win32Paths, TheToolFolderIsTheProgramsFolderWhenWritable) {
  const std::string exe = ExecutablePath();
  EXPECT_TRUE(FileExists(exe)) << exe;
  EXPECT_EQ(DefaultToolDir(), ExtractFileDir(exe));
  // The trial file that tested the folder is gone again.
  for (const auto& entry : fs::directory_iterator(OnDisk(ExtractFileDir(exe))))
    EXPECT_NE(entry.path().extension(), ".probe");
}

}  // namespace
}  // namespace popuran
