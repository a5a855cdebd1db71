#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>

#include "app/ConversionRun.h"
#include "app/Messages.h"
#include "demo/DemoArchive.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

namespace fs = std::filesystem;

struct TShownMessage {
  std::string text;
  std::string caption;
  std::uint32_t flags;
};

// Plays the user: the two path fields, scripted answers, and a record of what was shown.
class TScriptedUi : public TUserInterface {
 public:
  std::string source;
  std::string dest;
  std::deque<int> answers;  // for questions; OK when the script runs out
  std::vector<TShownMessage> shown;
  std::vector<std::string> started;
  bool closed = false;

  std::string SourceText() override { return source; }
  std::string DestText() override { return dest; }
  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t flags) override {
    shown.push_back({text, caption, flags});
    if ((flags & MB_BUTTONMASK) != MB_OKCANCEL || answers.empty()) return IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void StartProgram(const std::string& path) override { started.push_back(path); }
  void CloseWindow() override { closed = true; }
};

// An archive, a companion and a tool folder in a scratch folder.
class ConversionRunTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.Path() / "tool");
    fs::create_directories(dir.Path() / "Kobitone");
    test::WriteBytes(dir / "Kobitone/Kobitone.exe", {'#', '!'});
    ui.source = dir / "TH2Data.000";
    ui.dest = dir / "Kobitone/Kobitone.exe";
  }

  void WriteArchive(const std::vector<demo::TArchiveEntry>& entries) {
    demo::WriteArchive(dir / "TH2Data.000", dir / "TH2Data.001", entries);
  }

  TRunOutcome Run() {
    TConversionRun run(dir / "tool");
    run.FormCreate();
    return run.ExecClick(ui);
  }

  // Runs and expects an error report; returns its text.
  std::string RunExpectingError() {
    TConversionRun run(dir / "tool");
    run.FormCreate();
    try {
      run.ExecClick(ui);
    } catch (const TError& error) {
      return error.Text();
    }
    ADD_FAILURE() << "no error";
    return "";
  }

  std::string OutDir() const { return dir / "Kobitone/B/"; }

  test::TTempDir dir;
  TScriptedUi ui;
};

TEST_F(ConversionRunTest, PathChecksShowTheirWarningAndTouchNothing) {
  struct TCase {
    const char* name;
    bool index, data, exe;
    const char* text;
    TRunOutcome outcome;
  };
  const TCase cases[] = {
      {"no index", false, true, true, kIndexNotFoundText, TRunOutcome::IndexNotFound},
      {"no data", true, false, true, kDataNotFoundText, TRunOutcome::DataNotFound},
      {"no companion", true, true, false, kExecutableNotFoundText, TRunOutcome::ExecutableNotFound},
  };
  for (const TCase& c : cases) {
    test::TTempDir other;
    ui = TScriptedUi{};
    // A folder where a file is expected counts as missing.
    if (c.index)
      test::WriteBytes(other / "TH2Data.000", {'P', 'A', 'C', 'K', 0, 0, 0, 0});
    else
      fs::create_directory(other / "TH2Data.000");
    if (c.data) test::WriteBytes(other / "TH2Data.001", {});
    if (c.exe) test::WriteBytes(other / "Run.exe", {});
    ui.source = other / "TH2Data.000";
    ui.dest = other / "Run.exe";
    TConversionRun run(other.Path().string());
    EXPECT_EQ(run.ExecClick(ui), c.outcome) << c.name;
    ASSERT_EQ(ui.shown.size(), 1u) << c.name;
    EXPECT_EQ(ui.shown[0].text, c.text);
    EXPECT_EQ(ui.shown[0].caption, "ぽぷらん");
    EXPECT_EQ(ui.shown[0].flags, 0x30u);
    EXPECT_FALSE(fs::exists(other / "B")) << c.name;
    EXPECT_FALSE(ui.closed);
  }
}

TEST_F(ConversionRunTest, CancelAtTheConfirmationLeavesNoOutputFolder) {
  WriteArchive({});
  ui.answers = {IDCANCEL};
  EXPECT_EQ(Run(), TRunOutcome::Cancelled);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text,
            "実行しますか？\r\n\r\n（実行前に窓辺のこびとが実行中なら終了してください）　　");
  EXPECT_EQ(ui.shown[0].flags, 0x31u);
  EXPECT_FALSE(fs::exists(OutDir()));
}

TEST_F(ConversionRunTest, AnArchiveWithoutTheFourNamesStillCompletes) {
  // Decoys: case, a trailing blank, a 24-byte name without NUL.
  WriteArchive({{"c00210090.bm2", std::vector<std::uint8_t>(10)},
                {"C00210090.BM2 ", std::vector<std::uint8_t>(10)},
                {"C00210090.BM2XXXXXXXXXXX", std::vector<std::uint8_t>(10)}});
  ui.answers = {IDOK, IDCANCEL};
  EXPECT_EQ(Run(), TRunOutcome::Completed);
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_EQ(ui.shown[1].text, kCompletedText);
  EXPECT_EQ(ui.shown[1].flags, 0x41u);
  EXPECT_TRUE(fs::is_directory(OutDir()));
  EXPECT_TRUE(fs::is_empty(OutDir()));
  EXPECT_TRUE(fs::is_empty(dir.Path() / "tool"));
  EXPECT_TRUE(ui.started.empty());  // Cancel: not started, but the window closes
  EXPECT_TRUE(ui.closed);
}

TEST_F(ConversionRunTest, IndexThatIsNotAPackArchiveIsRejectedAfterTheFolderIsMade) {
  for (const std::vector<std::uint8_t>& header :
       {std::vector<std::uint8_t>{'p', 'a', 'c', 'k', 0, 0, 0, 0},
        std::vector<std::uint8_t>{'P', 'A', 'C', 0, 0, 0, 0, 0}}) {
    ui.shown.clear();
    test::WriteBytes(dir / "TH2Data.000", header);
    test::WriteBytes(dir / "TH2Data.001", {});
    EXPECT_EQ(Run(), TRunOutcome::NotPackArchive);
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].text, kNotPackText);
    EXPECT_EQ(ui.shown[1].flags, 0x30u);
    EXPECT_TRUE(fs::is_directory(OutDir()));
    EXPECT_FALSE(ui.closed);
  }
}

TEST_F(ConversionRunTest, ShortIndexesEndTheRunWithTheReadErrorAfterEarlierEntries) {
  // Three records announced, one present: the present one is handled before the error.
  std::vector<demo::TArchiveEntry> entries = {{"C00210090.BM2", demo::MakeCharacterBm2(0)}};
  WriteArchive(entries);
  std::vector<std::uint8_t> index = test::ReadBytes(dir / "TH2Data.000");
  PutU16(&index[4], 3);
  test::WriteBytes(dir / "TH2Data.000", index);
  EXPECT_EQ(RunExpectingError(), kReadErrorText);
  EXPECT_TRUE(fs::exists(OutDir() + "001.BMP"));

  test::WriteBytes(dir / "TH2Data.000", {'P', 'A', 'C', 'K', 1});
  EXPECT_EQ(RunExpectingError(), kReadErrorText);
}

TEST_F(ConversionRunTest, ErrorsReleaseTheArchiveAndChangeNothingInIt) {
  // An entry that reaches past the end of the data file.
  WriteArchive({{"C00210110.BM2", demo::MakeCharacterBm2(3)}});
  std::vector<std::uint8_t> index = test::ReadBytes(dir / "TH2Data.000");
  const auto dataSize = static_cast<std::uint32_t>(fs::file_size(dir / "TH2Data.001"));
  PutU32(&index[8 + 28], dataSize - GetU32(&index[8 + 24]) + 1);
  test::WriteBytes(dir / "TH2Data.000", index);
  const auto indexBefore = test::ReadBytes(dir / "TH2Data.000");
  const auto dataBefore = test::ReadBytes(dir / "TH2Data.001");
  // The descriptors this process holds. Windows has no such list; there the second run below
  // shows it, as it cannot open archive files that the first kept (they are held unshared).
  const auto openFiles = []() -> std::ptrdiff_t {
    if (kNativeFlavour == TPathFlavour::Windows) return 0;
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  const auto openBefore = openFiles();
  EXPECT_EQ(RunExpectingError(), kReadErrorText);
  EXPECT_EQ(openFiles(), openBefore);
  EXPECT_EQ(RunExpectingError(), kReadErrorText);  // a second run opens the files again
  EXPECT_EQ(test::ReadBytes(dir / "TH2Data.000"), indexBefore);
  EXPECT_EQ(test::ReadBytes(dir / "TH2Data.001"), dataBefore);
  EXPECT_FALSE(fs::exists(OutDir() + "000.NAD"));
}

TEST_F(ConversionRunTest, ACompletedRunWritesTheCharacterSetAndStartsTheCompanionOnOk) {
  const demo::TDemoPaths paths = demo::WriteDemoArchive(dir / "demo");
  ui.source = paths.indexFile;
  ui.dest = paths.companionExe;
  ui.answers = {IDOK, IDOK};
  EXPECT_EQ(Run(), TRunOutcome::Completed);
  const std::string out = dir / "demo/Kobitone/B/";
  EXPECT_EQ(fs::file_size(out + "001.BMP"), 76854u);
  EXPECT_EQ(fs::file_size(out + "002.BMP"), 76854u);
  EXPECT_EQ(fs::file_size(out + "003.BMP"), 76854u);
  EXPECT_EQ(fs::file_size(out + "000.NAD"), 41299u);
  // The intermediate files keep their squares.
  EXPECT_EQ(fs::file_size(dir / "tool/C00210090.BM2.bmp"), 319534u);
  EXPECT_EQ(fs::file_size(dir / "tool/C00210110.BM2.bmp"), 371766u);
  EXPECT_EQ(ui.started, std::vector<std::string>{paths.companionExe});
  EXPECT_TRUE(ui.closed);
}

TEST(ConversionRun, OutputFolderOfARelativeExecutableIsAbsolute) {
  if (kNativeFlavour == TPathFlavour::Windows) {
    EXPECT_EQ(OutputDirFor("Run.exe"), CurrentDir() + R"(\B\)");
    EXPECT_EQ(OutputDirFor(R"(D:\Apps\Companion\Run.exe)"), R"(D:\Apps\Companion\B\)");
    EXPECT_EQ(OutputDirFor(R"(C:\Run.exe)"), R"(C:\\B\)");
    return;
  }
  EXPECT_EQ(OutputDirFor("Run.exe"), CurrentDir() + "/B/");
  EXPECT_EQ(OutputDirFor("/apps/companion/Run.exe"), "/apps/companion/B/");
  EXPECT_EQ(OutputDirFor("/Run.exe"), "//B/");
}

TEST(ConversionRun, ErrorReportUsesTheApplicationTitleAndTheErrorIcon) {
  TScriptedUi ui;
  ShowErrorReport(ui, kReadErrorText);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "ｽﾄﾘｰﾑからの読み込みｴﾗｰ.");
  EXPECT_EQ(ui.shown[0].caption, "ぽぷらん - キャラクタ画像作成ツール for 窓辺のこびと");
  EXPECT_EQ(ui.shown[0].flags, 0x10u);
}

}  // namespace
}  // namespace popuran
