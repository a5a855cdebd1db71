#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/Messages.h"
#include "cli/Commands.h"
#include "demo/DemoArchive.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace popuran::cli {
namespace {

namespace fs = std::filesystem;

struct TConsoleRun {
  int status;
  std::string out;
  std::string err;
};

TConsoleRun Convert(const TArguments& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunConvertCommand(args, in, out, err);
  return {status, out.str(), err.str()};
}

TEST(Sha256, MatchesKnownDigests) {
  EXPECT_EQ(test::Sha256Hex({}),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(test::Sha256Hex({'a', 'b', 'c'}),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

class ConvertCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    paths = demo::WriteDemoArchive(dir / "demo");
    fs::create_directory(dir.Path() / "work");
  }
  TArguments With(std::initializer_list<std::string> options) const {
    TArguments args(options);
    args.insert(args.end(), {"--work-dir", dir / "work", paths.indexFile, paths.companionExe});
    return args;
  }
  std::string OutDir() const { return dir / "demo/Kobitone/B/"; }

  test::TTempDir dir;
  demo::TDemoPaths paths;
};

TEST_F(ConvertCommandTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Convert({}).status, kExitUsage);
  EXPECT_EQ(Convert({"only-one"}).status, kExitUsage);
  EXPECT_EQ(Convert({"--bogus", "a", "b"}).status, kExitUsage);
  const TConsoleRun run = Convert({"--work-dir", dir / "nowhere", "a", "b"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("nowhere"), std::string::npos);
}

TEST_F(ConvertCommandTest, PathProblemsGoToStderrAndExitWithTwo) {
  const TConsoleRun run =
      Convert({"--yes", "--work-dir", dir / "work", dir / "none.000", paths.companionExe});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_EQ(run.err, std::string(kIndexNotFoundText) + "\n");
  EXPECT_EQ(run.out, "");
}

TEST_F(ConvertCommandTest, QuestionsAreAnsweredFromStdinOrOptions) {
  struct TCase {
    const char* name;
    std::vector<std::string> options;
    const char* input;
    int status;
    bool written;
  };
  const TCase cases[] = {
      {"end of input cancels", {}, "", kExitCancelled, false},
      {"no cancels", {}, "no\n", kExitCancelled, false},
      {"yes confirms, then end of input", {}, "YES\n", kExitOk, true},
      {"ok confirms", {"--no-launch"}, " Ok \n", kExitOk, true},
      {"--yes needs no input", {"--yes", "--no-launch"}, "", kExitOk, true},
  };
  for (const TCase& c : cases) {
    fs::remove_all(OutDir());
    TArguments args(c.options.begin(), c.options.end());
    args.insert(args.end(), {"--work-dir", dir / "work", paths.indexFile, paths.companionExe});
    const TConsoleRun run = Convert(args, c.input);
    EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.err;
    EXPECT_EQ(fs::exists(OutDir() + "000.NAD"), c.written) << c.name;
    // The confirmation's line breaks are the console's own.
    EXPECT_EQ(run.out.rfind("実行しますか？\n\n（実行前に", 0), 0u) << c.name;
    if (c.written) {
      EXPECT_NE(run.out.find(kCompletedText), std::string::npos) << c.name;
    }
    EXPECT_EQ(run.err, "") << c.name;
  }
}

TEST_F(ConvertCommandTest, NotAPackArchiveExitsWithOne) {
  test::WriteBytes(paths.indexFile, {'K', 'C', 'A', 'P', 0, 0, 0, 0});
  const TConsoleRun run = Convert(With({"--yes"}));
  EXPECT_EQ(run.status, kExitNotPack);
  EXPECT_EQ(run.err, std::string(kNotPackText) + "\n");
}

TEST_F(ConvertCommandTest, AnErrorIsReportedOnStderrAndExitsWithFour) {
  test::WriteBytes(paths.indexFile, {'P', 'A', 'C', 'K'});
  const TConsoleRun run = Convert(With({"--yes"}));
  EXPECT_EQ(run.status, kExitError);
  EXPECT_EQ(run.err, "ｽﾄﾘｰﾑからの読み込みｴﾗｰ.\n");
}

}  // namespace
}  // namespace popuran::cli
