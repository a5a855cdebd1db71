// Files are written whole or not at all: a write that fails part-way or a rename that fails
// leaves the old file and no temporary, and a writer killed at any moment leaves the old file or
// the new one, never a mixture or a truncated file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "HardeningSupport.h"
#include "platform/Error.h"
#include "platform/Stream.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Files larger than the limit cannot be written; SIGXFSZ is ignored, so the write fails with
// EFBIG instead of ending the process.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &FOld);
    FOldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = FOld;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FOld);
    ::signal(SIGXFSZ, FOldHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit FOld{};
  sighandler_t FOldHandler;
};

enum class TFullDisk { SmallTmpfs, FileSizeLimit };

class FullDiskTest : public testing::TestWithParam<TFullDisk> {};

TEST_P(FullDiskTest, RaisesTheWriteErrorAndKeepsTheOldFile) {
  test::TTempDir dir;
  const fs::path disk = dir.Path() / "disk";
  fs::create_directory(disk);
  std::optional<test::TMount> mount;
  if (GetParam() == TFullDisk::SmallTmpfs) {
    mount.emplace(test::TMount::Tmpfs(disk, "64k"));
    if (!mount->Mounted()) GTEST_SKIP() << "no small disk to fill: " << mount->Error();
  }
  const std::string path = disk / "001.BMP";
  const Bytes old(1000, 0x11);
  WriteWholeFile(path, old);

  const Bytes large(200000, 0x22);
  try {
    std::optional<TFileSizeLimit> limit;
    if (GetParam() == TFullDisk::FileSizeLimit) limit.emplace(65536);
    WriteWholeFile(path, large);
    FAIL() << "the write did not fail";
  } catch (const TWriteError& error) {
    EXPECT_EQ(error.Text(), "ｽﾄﾘｰﾑへの書き込みｴﾗｰ");
  }
  EXPECT_EQ(test::ReadBytes(path), old);
  EXPECT_EQ(Names(disk), std::vector<std::string>{"001.BMP"});
  // The space of the failed temporary is free again: a file that fits can be written.
  WriteWholeFile(path, Bytes(30000, 0x33));
  EXPECT_EQ(fs::file_size(path), 30000u);
}

INSTANTIATE_TEST_SUITE_P(Faults, FullDiskTest,
                         testing::Values(TFullDisk::SmallTmpfs, TFullDisk::FileSizeLimit),
                         [](const auto& info) {
                           return info.param == TFullDisk::SmallTmpfs ? "SmallTmpfs"
                                                                      : "FileSizeLimit";
                         });

TEST(WholeFile, ACreateOrRenameFailureLeavesNoTemporary) {
  test::TTempDir dir;
  fs::create_directories(dir.Path() / "folder/inside");
  test::WriteBytes(dir / "plain", {1, 2, 3});
  struct TCase {
    const char* what;
    std::string path;
  };
  const TCase cases[] = {
      {"a folder holding files takes the name", dir / "folder"},
      {"the folder is missing", dir / "missing/out"},
      {"the folder is a regular file", dir / "plain/out"},
  };
  for (const TCase& c : cases) {
    try {
      WriteWholeFile(c.path, Bytes(5000, 7));
      ADD_FAILURE() << c.what << ": no error";
    } catch (const TCreateError& error) {
      EXPECT_EQ(error.Text(), "ﾌｧｲﾙ " + c.path + " を作成できません") << c.what;
    }
    EXPECT_TRUE(test::Temporaries(dir.Path()).empty()) << c.what;
  }
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "plain"}));
  EXPECT_EQ(Names(dir.Path() / "folder"), std::vector<std::string>{"inside"});
  EXPECT_EQ(test::ReadBytes(dir / "plain"), (Bytes{1, 2, 3}));
}

TEST(WholeFile, NewFilesTakeTheirPermissionsFromTheUmask) {
  test::TTempDir dir;
  for (const mode_t mask : {mode_t{022}, mode_t{077}}) {
    const mode_t old = ::umask(mask);
    const std::string path = dir / ("out" + std::to_string(mask));
    WriteWholeFile(path, Bytes{1});
    ::umask(old);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << "umask " << mask;
  }
}

// A child process writes two different files over one name, again and again, and is killed at
// a different moment each time. Whatever the moment, the name holds one of the two files whole,
// and the only other file is a temporary named as the tool's own.
TEST(WholeFile, AWriterKilledAtAnyMomentLeavesAWholeFile) {
  test::TTempDir dir;
  const std::string path = dir / "000.NAD";
  const Bytes first(3 << 20, 'a');
  const Bytes second(2 << 20, 'b');
  WriteWholeFile(path, first);
  const std::regex temporary(R"(000\.NAD\.popuran-[0-9a-z]{6})");
  int temporariesSeen = 0;
  for (int round = 0; round < 16; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) {
        WriteWholeFile(path, second);
        WriteWholeFile(path, first);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(3 + 7 * round));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    const Bytes now = test::ReadBytes(path);
    EXPECT_TRUE(now == first || now == second)
        << "round " << round << ": " << now.size() << " bytes, not one of the two files";
    for (const std::string& name : Names(dir.Path())) {
      if (name == "000.NAD") continue;
      EXPECT_TRUE(std::regex_match(name, temporary)) << "round " << round << ": " << name;
      ++temporariesSeen;
      fs::remove(dir.Path() / name);
    }
  }
  // Not a requirement, but the test means little if no kill ever fell inside a write.
  if (temporariesSeen == 0) GTEST_LOG_(INFO) << "no kill fell between create and rename";
}

}  // namespace
}  // namespace popuran
