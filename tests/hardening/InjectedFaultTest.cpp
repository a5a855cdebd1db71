// Faults put in the way of a whole run on the demo archive: folders that cannot be written, a
// name taken by a folder, a disk that fills, archive files that cannot be read or vanish. Each
// must end the run with the tool's own text and exit status, leave the files the run finished
// before the fault whole, leave no temporary behind, leave the archive unchanged and closed.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "HardeningSupport.h"
#include "app/ConversionRun.h"
#include "app/Messages.h"
#include "archive/Bm2.h"
#include "cli/Commands.h"
#include "demo/DemoArchive.h"
#include "platform/Error.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace popuran {
namespace {

namespace fs = std::filesystem;

// The demo archive, drawn once per test program: every scene writes the same bytes.
const demo::TArchiveBytes& DemoArchive() {
  static const demo::TArchiveBytes archive = demo::MakeDemoArchive();
  return archive;
}

// The demo archive and a stand-in companion under game/, the intermediate files under tool/.
struct TScene {
  test::TTempDir dir;
  demo::TDemoPaths paths{dir / "game/TH2Data.000", dir / "game/TH2Data.001",
                         dir / "game/Kobitone/Kobitone.exe"};
  std::string tool = dir / "tool";
  std::string outDir = dir / "game/Kobitone/B/";

  TScene() {
    fs::create_directories(dir.Path() / "game/Kobitone");
    fs::create_directory(tool);
    test::WriteBytes(paths.indexFile, DemoArchive().index);
    test::WriteBytes(paths.dataFile, DemoArchive().data);
    test::WriteBytes(paths.companionExe, {'#', '!'});
  }
  std::string Out(const std::string& name) const { return outDir + name; }
  std::string Intermediate(const std::string& entry) const { return IntermediatePath(tool, entry); }
};

// Digests of what a run without faults leaves, by file name, and of the decoded picture that
// the first wanted entry's intermediate file holds before its recipe rewrites it.
struct TReference {
  std::map<std::string, std::string> digest;
};

const TReference& Reference() {
  static const TReference reference = [] {
    TScene scene;
    std::istringstream in;
    std::ostringstream out, err;
    const int status = cli::RunConvertCommand({"--yes", "--no-launch", "--work-dir", scene.tool,
                                               scene.paths.indexFile, scene.paths.companionExe},
                                              in, out, err);
    EXPECT_EQ(status, cli::kExitOk) << err.str();
    TReference r;
    for (const auto& folder : {fs::path(scene.tool), fs::path(scene.outDir)}) {
      for (const auto& entry : fs::directory_iterator(folder)) {
        r.digest[entry.path().filename()] = test::Sha256Hex(test::ReadBytes(entry.path()));
      }
    }
    r.digest["decoded C00210080.BM2"] = test::Sha256Hex(DecodeBm2(demo::MakeCharacterBm2(1)));
    return r;
  }();
  return reference;
}

// What a fault needs while the run goes on; released before the scene's folder is removed.
struct TFaultSetup {
  std::optional<test::TMount> mount;
  rlim_t fileSizeLimit = 0;               // 0: none
  std::function<void()> whileConfirming;  // what happens while the confirmation is shown
};

enum class TDriver {
  Cli,  // popuran-cli convert --yes --no-launch --work-dir TOOL INDEX EXE
  Run,  // the conversion run itself, with a user who answers OK
};

struct TFaultCase {
  const char* name;
  TDriver driver;
  // Puts the fault in place; "" when it is in place, otherwise why the test cannot run here.
  std::function<std::string(TScene&, TFaultSetup&)> arrange;
  // The error's text (or, for a missing file, the message) and the exit status.
  std::function<std::string(const TScene&)> text;
  int status;
  // Files the run finished before the fault, each with the reference digest it must have.
  std::vector<std::pair<std::string, std::string>> whole;  // path in the scene, reference name
  bool outputFolderCreated;
};

// A user who answers OK and may do something while the confirmation is shown.
class TAnsweringUi : public TUserInterface {
 public:
  TAnsweringUi(std::string source, std::string dest, std::function<void()> whileConfirming)
      : FSource(std::move(source)),
        FDest(std::move(dest)),
        FWhileConfirming(std::move(whileConfirming)) {}
  std::string SourceText() override { return FSource; }
  std::string DestText() override { return FDest; }
  int MessageBox(const std::string& text, const std::string&, std::uint32_t flags) override {
    if (text == ConfirmationText() && FWhileConfirming) FWhileConfirming();
    if ((flags & MB_ICONMASK) == MB_ICONWARNING && (flags & MB_BUTTONMASK) == MB_OK)
      FWarning = text;
    return IDOK;
  }
  void StartProgram(const std::string&) override {}
  void CloseWindow() override {}
  const std::string& Warning() const { return FWarning; }

 private:
  std::string FSource;
  std::string FDest;
  std::function<void()> FWhileConfirming;
  std::string FWarning;
};

std::string Mount(TFaultSetup& setup, test::TMount mount) {
  setup.mount.emplace(std::move(mount));
  return setup.mount->Mounted() ? std::string() : setup.mount->Error();
}

std::string ReplaceByFolder(const std::string& path) {
  fs::remove(path);
  fs::create_directory(path);
  return "";
}

std::string ReplaceByFifo(const std::string& path) {
  fs::remove(path);
  return ::mkfifo(path.c_str(), 0644) == 0 ? "" : "mkfifo failed";
}

// The state of the scene's files that a run must not change: the archive's digests.
std::map<std::string, std::string> ArchiveDigests(const TScene& scene) {
  std::map<std::string, std::string> digests;
  for (const std::string& path : {scene.paths.indexFile, scene.paths.dataFile}) {
    if (fs::is_regular_file(path)) digests[path] = test::Sha256Hex(test::ReadBytes(path));
  }
  return digests;
}

// A limit on the size of the files the process writes (RLIMIT_FSIZE), with SIGXFSZ ignored so
// that a write beyond it fails as on a full disk.
struct TFileSizeLimit {
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old);
    handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
  }
  rlimit old{};
  void (*handler)(int);
};

const std::string kFirstSquare = "C00210080.BM2.bmp";  // the demo's first wanted entry

const TFaultCase kFaults[] = {
    {"OutputFolderIsARegularFile",
     TDriver::Cli,
     [](TScene& s, TFaultSetup&) {
       test::WriteBytes(s.dir / "game/Kobitone/B", {'n', 'o'});
       return std::string();
     },
     [](const TScene& s) { return FormatText(kCreateErrorFormat, s.Out("002.BMP")); },
     cli::kExitError,
     {{"tool/C00210080.BM2.bmp", kFirstSquare}},
     false},
    {"OutputFolderIsReadOnly",
     TDriver::Cli,
     [](TScene& s, TFaultSetup& setup) {
       fs::create_directory(s.outDir);
       return Mount(setup, test::TMount::ReadOnly(s.dir / "game/Kobitone/B"));
     },
     [](const TScene& s) { return FormatText(kCreateErrorFormat, s.Out("002.BMP")); },
     cli::kExitError,
     {{"tool/C00210080.BM2.bmp", kFirstSquare}},
     true},
    {"OutputNameIsAFolder",
     TDriver::Cli,
     [](TScene& s, TFaultSetup&) {
       fs::create_directories(s.Out("001.BMP"));
       test::WriteBytes(s.Out("001.BMP/keep"), {1});
       return std::string();
     },
     [](const TScene& s) { return FormatText(kCreateErrorFormat, s.Out("001.BMP")); },
     cli::kExitError,
     {{"game/Kobitone/B/002.BMP", "002.BMP"},
      {"tool/C00210080.BM2.bmp", kFirstSquare},
      {"tool/C00210090.BM2.bmp", "C00210090.BM2.bmp"}},
     true},
    {"DiskFillsWhileWritingAnOutput",
     TDriver::Cli,
     [](TScene& s, TFaultSetup& setup) {
       fs::create_directory(s.outDir);
       // Room for 002.BMP (76854 bytes) but not for 001.BMP beside it.
       return Mount(setup, test::TMount::Tmpfs(s.dir / "game/Kobitone/B", "100k"));
     },
     [](const TScene&) { return std::string(kWriteErrorText); },
     cli::kExitError,
     {{"game/Kobitone/B/002.BMP", "002.BMP"}, {"tool/C00210080.BM2.bmp", kFirstSquare}},
     true},
    {"FileSizeLimitWhileWritingTheSquare",
     TDriver::Cli,
     [](TScene&, TFaultSetup& setup) {
       // Lets the decoded picture (161078 bytes) through but not the square (319534).
       setup.fileSizeLimit = 200000;
       return std::string();
     },
     [](const TScene&) { return std::string(kWriteErrorText); },
     cli::kExitError,
     {{"tool/C00210080.BM2.bmp", "decoded C00210080.BM2"}},
     true},
    {"DataFileIsAFolder",
     TDriver::Cli,
     [](TScene& s, TFaultSetup&) { return ReplaceByFolder(s.paths.dataFile); },
     [](const TScene&) { return std::string(kDataNotFoundText); },
     cli::kExitUsage,
     {},
     false},
    {"IndexFileIsAFifo",
     TDriver::Cli,
     [](TScene& s, TFaultSetup&) { return ReplaceByFifo(s.paths.indexFile); },
     [](const TScene& s) { return FormatText(kOpenErrorFormat, s.paths.indexFile); },
     cli::kExitError,
     {},
     true},
    {"DataFileIsAFifo",
     TDriver::Cli,
     [](TScene& s, TFaultSetup&) { return ReplaceByFifo(s.paths.dataFile); },
     [](const TScene& s) { return FormatText(kOpenErrorFormat, s.paths.dataFile); },
     cli::kExitError,
     {},
     true},
    {"DataFileVanishesDuringTheConfirmation",
     TDriver::Run,
     [](TScene& s, TFaultSetup& setup) {
       setup.whileConfirming = [path = s.paths.dataFile] { fs::remove(path); };
       return std::string();
     },
     [](const TScene& s) { return FormatText(kOpenErrorFormat, s.paths.dataFile); },
     cli::kExitError,
     {},
     true},
    {"ToolFolderIsReadOnly",
     TDriver::Cli,
     [](TScene& s, TFaultSetup& setup) { return Mount(setup, test::TMount::ReadOnly(s.tool)); },
     [](const TScene& s) {
       return FormatText(kCreateErrorFormat, s.Intermediate("C00210080.BM2"));
     },
     cli::kExitError,
     {},
     true},
    {"ToolFolderLiesUnderARegularFile",
     TDriver::Run,
     [](TScene& s, TFaultSetup&) {
       fs::remove(s.tool);
       test::WriteBytes(s.dir / "not-a-folder", {1});
       s.tool = s.dir / "not-a-folder/tool";
       return std::string();
     },
     [](const TScene& s) {
       return FormatText(kCreateErrorFormat, s.Intermediate("C00210080.BM2"));
     },
     cli::kExitError,
     {},
     true},
};

void PrintTo(const TFaultCase& fault, std::ostream* os) {
  *os << fault.name;
}

class InjectedFaultTest : public testing::TestWithParam<TFaultCase> {
 protected:
  static void SetUpTestSuite() { Reference(); }
};

TEST_P(InjectedFaultTest, EndsTheRunCleanly) {
  const TFaultCase& fault = GetParam();
  const TReference& reference = Reference();
  TScene scene;
  TFaultSetup setup;
  const std::string problem = fault.arrange(scene, setup);
  if (!problem.empty()) GTEST_SKIP() << "fault cannot be arranged here: " << problem;
  // A run that blocks (opening a FIFO, say) ends the test program here instead of hanging.
  ::alarm(120);
  const std::map<std::string, std::string> archiveBefore = ArchiveDigests(scene);
  const std::size_t descriptorsBefore = test::OpenDescriptorCount();

  int status = 0;
  std::string reported;
  if (fault.driver == TDriver::Cli) {
    std::optional<TFileSizeLimit> limit;
    if (setup.fileSizeLimit != 0) limit.emplace(setup.fileSizeLimit);
    std::istringstream in;
    std::ostringstream out, err;
    status = cli::RunConvertCommand({"--yes", "--no-launch", "--work-dir", scene.tool,
                                     scene.paths.indexFile, scene.paths.companionExe},
                                    in, out, err);
    reported = err.str();
    const std::string expected = fault.text(scene);
    const std::string line = status == cli::kExitError ? ErrorReportText(expected) : expected;
    EXPECT_EQ(reported, line + "\n");
  } else {
    TAnsweringUi ui(scene.paths.indexFile, scene.paths.companionExe, setup.whileConfirming);
    TConversionRun run(scene.tool);
    run.FormCreate();
    try {
      run.ExecClick(ui);
      ADD_FAILURE() << "the run did not fail";
    } catch (const TError& error) {
      status = cli::kExitError;
      reported = error.Text();
    }
    EXPECT_EQ(reported, fault.text(scene));
  }
  EXPECT_EQ(status, fault.status);

  for (const auto& [path, name] : fault.whole) {
    EXPECT_EQ(test::Sha256Hex(test::ReadBytes(scene.dir / path)), reference.digest.at(name))
        << path << " is not the whole file the run finished";
  }
  EXPECT_EQ(fs::is_directory(scene.outDir), fault.outputFolderCreated);
  EXPECT_EQ(test::Temporaries(scene.dir.Path()), std::vector<std::string>{});
  EXPECT_EQ(test::OpenDescriptorCount(), descriptorsBefore) << "the run left a file open";
  // Every archive file still there (one may have been removed on purpose) is as it was.
  for (const auto& [path, digest] : ArchiveDigests(scene)) {
    EXPECT_EQ(digest, archiveBefore.at(path)) << path << " changed";
  }
  ::alarm(0);
}

INSTANTIATE_TEST_SUITE_P(Faults, InjectedFaultTest, testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace popuran
