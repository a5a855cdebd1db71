#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Error.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

struct TPathCase {
  TPathFlavour flavour;
  const char* path;
  const char* expected;
};

void PrintTo(const TPathCase& c, std::ostream* os) {
  *os << (c.flavour == TPathFlavour::Windows ? "windows " : "posix ") << c.path;
}

class ChangeFileExtTest : public testing::TestWithParam<TPathCase> {};

TEST_P(ChangeFileExtTest, ReplacesOrAppendsTheExtension) {
  const TPathCase& c = GetParam();
  EXPECT_EQ(ChangeFileExt(c.path, ".001", c.flavour), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ChangeFileExtTest,
    testing::Values(
        TPathCase{TPathFlavour::Windows, R"(D:\Game\TH2Data.000)", R"(D:\Game\TH2Data.001)"},
        TPathCase{TPathFlavour::Windows, R"(D:\Game\TH2Data)", R"(D:\Game\TH2Data.001)"},
        TPathCase{TPathFlavour::Windows, R"(D:\Data.old\TH2Data)", R"(D:\Data.old\TH2Data.001)"},
        TPathCase{TPathFlavour::Windows, "C:TH2Data", "C:TH2Data.001"},
        TPathCase{TPathFlavour::Windows, "a.b.c", "a.b.001"},
        TPathCase{TPathFlavour::Posix, "/game/TH2Data.000", "/game/TH2Data.001"},
        TPathCase{TPathFlavour::Posix, "/game/TH2Data", "/game/TH2Data.001"},
        TPathCase{TPathFlavour::Posix, "/data.old/TH2Data", "/data.old/TH2Data.001"},
        // A backslash is an ordinary character in a POSIX name.
        TPathCase{TPathFlavour::Posix, R"(dir.x\TH2Data)", "dir.001"}));

class ExtractFileDirTest : public testing::TestWithParam<TPathCase> {};

TEST_P(ExtractFileDirTest, KeepsTheRootSeparatorOnly) {
  const TPathCase& c = GetParam();
  EXPECT_EQ(ExtractFileDir(c.path, c.flavour), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExtractFileDirTest,
    testing::Values(TPathCase{TPathFlavour::Windows, R"(D:\Apps\Companion\Run.exe)",
                              R"(D:\Apps\Companion)"},
                    TPathCase{TPathFlavour::Windows, R"(C:\Run.exe)", R"(C:\)"},
                    TPathCase{TPathFlavour::Windows, "C:Run.exe", "C:"},
                    TPathCase{TPathFlavour::Windows, R"(\Run.exe)", R"(\)"},
                    TPathCase{TPathFlavour::Windows, "Run.exe", ""},
                    TPathCase{TPathFlavour::Posix, "/apps/companion/Run.exe", "/apps/companion"},
                    TPathCase{TPathFlavour::Posix, "/Run.exe", "/"},
                    TPathCase{TPathFlavour::Posix, "Run.exe", ""}));

TEST(Paths, OutputFolderOfADriveRootHasADoubledSeparator) {
  // The companion in a root folder: its folder keeps the root separator and one more follows.
  EXPECT_EQ(ExtractFileDir(R"(C:\Run.exe)", TPathFlavour::Windows) + R"(\B\)", R"(C:\\B\)");
  EXPECT_EQ(ExtractFileDir(R"(D:\Apps\Companion\Run.exe)", TPathFlavour::Windows) + R"(\B\)",
            R"(D:\Apps\Companion\B\)");
}

TEST(Paths, FileExistsIsFalseForFoldersAndMissingFiles) {
  test::TTempDir dir;
  test::WriteBytes(dir / "file", {1});
  EXPECT_TRUE(FileExists(dir / "file"));
  EXPECT_FALSE(FileExists(dir.Path().string()));
  EXPECT_FALSE(FileExists(dir / "missing"));
  EXPECT_FALSE(FileExists(""));
}

TEST(Paths, ForceDirectoriesCreatesEveryLevelAndPassesOverFailures) {
  test::TTempDir dir;
  ForceDirectories(dir / "a/b/c/");
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  ForceDirectories(dir / "a/b/c");  // already there
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  // A regular file in the way: nothing is created and nothing is raised.
  test::WriteBytes(dir / "file", {1});
  EXPECT_NO_THROW(ForceDirectories(dir / "file/sub/"));
  EXPECT_FALSE(DirectoryExists(dir / "file/sub"));
}

TEST(Paths, AbsolutePathAnchorsRelativePathsInTheCurrentFolder) {
  const std::string absolute = kNativeFlavour == TPathFlavour::Windows ? R"(C:\x\y)" : "/x/y";
  EXPECT_EQ(AbsolutePath(absolute), absolute);
  EXPECT_EQ(AbsolutePath("Run.exe"), CurrentDir() + PathSeparator() + "Run.exe");
}

TEST(Errors, ReportAppendsAFullStopAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ErrorReportText("ｽﾄﾘｰﾑからの読み込みｴﾗｰ"), "ｽﾄﾘｰﾑからの読み込みｴﾗｰ.");
  EXPECT_EQ(ErrorReportText("done."), "done.");
  EXPECT_EQ(ErrorReportText("ends in -"), "ends in -");
  EXPECT_EQ(ErrorReportText("x"), "x.");
  EXPECT_EQ(ErrorReportText(""), "");
  EXPECT_EQ(TOpenError("/a/b").Text(), "ﾌｧｲﾙ /a/b は開けません");
  EXPECT_EQ(TCreateError("/a/b").Text(), "ﾌｧｲﾙ /a/b を作成できません");
}

}  // namespace
}  // namespace popuran
