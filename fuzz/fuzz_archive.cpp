// The whole conversion on an archive made of the input: the index walk, the BM2 decoder, the
// recipes and the character file. Errors of the tool's own (popuran::TError) are the expected
// outcome of bad input; anything else is a finding, and so is a file written where the run has
// no business writing, a change to the archive, a stray temporary file, or an output of the
// wrong size.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <typeinfo>

#include "FuzzInputs.h"
#include "FuzzSupport.h"
#include "app/ConversionRun.h"
#include "charfile/NadFile.h"
#include "charfile/NadInspect.h"
#include "platform/Error.h"
#include "platform/Stream.h"

namespace fs = std::filesystem;
using namespace popuran;

namespace {

// Answers every question with OK and starts nothing.
class TAnsweringUi : public TUserInterface {
 public:
  TAnsweringUi(std::string source, std::string dest)
      : FSource(std::move(source)), FDest(std::move(dest)) {}
  std::string SourceText() override { return FSource; }
  std::string DestText() override { return FDest; }
  int MessageBox(const std::string&, const std::string&, std::uint32_t) override { return IDOK; }
  void StartProgram(const std::string&) override {}
  void CloseWindow() override {}

 private:
  std::string FSource;
  std::string FDest;
};

// root/guard/run holds the archive, the tool's folder and the companion; root and guard must
// hold nothing else afterwards, so a write that climbs out of run is seen.
struct TScratch {
  fs::path root;
  fs::path guard;
  fs::path run;
  fs::path tool;
  fs::path companionDir;
  fs::path outDir;
  std::string indexFile;
  std::string dataFile;
  std::string companionExe;
};

TScratch* gScratch = nullptr;

void RemoveScratch() {
  if (gScratch == nullptr) return;
  std::error_code ignored;
  fs::remove_all(gScratch->root, ignored);
}

TScratch& Scratch() {
  if (gScratch != nullptr) return *gScratch;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/popuran-fuzz-archive-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) fuzz::Finding("cannot make the scratch folder");
  static TScratch scratch;
  scratch.root = pattern;
  scratch.guard = scratch.root / "guard";
  scratch.run = scratch.guard / "run";
  scratch.tool = scratch.run / "tool";
  scratch.companionDir = scratch.run / "Kobitone";
  scratch.outDir = scratch.companionDir / "B";
  scratch.indexFile = (scratch.run / "TH2Data.000").string();
  scratch.dataFile = (scratch.run / "TH2Data.001").string();
  scratch.companionExe = (scratch.companionDir / "Kobitone.exe").string();
  fs::create_directories(scratch.tool);
  fs::create_directories(scratch.companionDir);
  const std::uint8_t script[] = {'#', '!'};
  WriteWholeFile(scratch.companionExe, script);
  gScratch = &scratch;
  std::atexit(RemoveScratch);
  return scratch;
}

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

void ExpectOnly(const fs::path& dir, const std::set<std::string>& allowed) {
  for (const std::string& name : Names(dir)) {
    if (allowed.count(name) == 0) fuzz::Finding("unexpected file " + (dir / name).string());
  }
}

void ExpectSize(const fs::path& file, std::uintmax_t size) {
  std::error_code error;
  const std::uintmax_t actual = fs::file_size(file, error);
  if (!error && actual != size) {
    fuzz::Finding(file.string() + " has " + std::to_string(actual) + " bytes instead of " +
                  std::to_string(size));
  }
}

void ExpectUnchanged(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::vector<std::uint8_t> now = ReadWholeFile(path);
  if (!std::equal(now.begin(), now.end(), bytes.begin(), bytes.end())) {
    fuzz::Finding("the run changed " + path);
  }
}

// What the run left: only its own files, every output whole, the archive as it was.
void CheckAfterRun(const TScratch& s, const fuzz::TArchiveInput& input) {
  ExpectOnly(s.root, {"guard"});
  ExpectOnly(s.guard, {"run"});
  ExpectOnly(s.run, {"TH2Data.000", "TH2Data.001", "tool", "Kobitone"});
  ExpectOnly(s.companionDir, {"Kobitone.exe", "B"});
  ExpectOnly(s.tool,
             {"C00210090.BM2.bmp", "C00210080.BM2.bmp", "C00210200.BM2.bmp", "C00210110.BM2.bmp"});
  if (fs::exists(s.outDir)) {
    ExpectOnly(s.outDir, {"001.BMP", "002.BMP", "003.BMP", kNadFileName});
    for (const char* name : {"001.BMP", "002.BMP", "003.BMP"}) ExpectSize(s.outDir / name, 76854);
    const fs::path nad = s.outDir / kNadFileName;
    if (fs::exists(nad)) {
      const TNadInspection inspection = InspectNad(ReadWholeFile(nad.string()));
      if (!inspection.Sound()) fuzz::Finding("000.NAD is not sound: " + inspection.Verdict);
    }
  }
  ExpectUnchanged(s.indexFile, input.index);
  ExpectUnchanged(s.dataFile, input.data);
}

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const fs::directory_entry& entry :
       fs::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

void Clear(const fs::path& dir) {
  if (!fs::exists(dir)) return;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) fs::remove_all(entry);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const TScratch& s = Scratch();
  const fuzz::TArchiveInput input = fuzz::SplitArchiveInput({bytes, size});
  WriteWholeFile(s.indexFile, input.index);
  WriteWholeFile(s.dataFile, input.data);

  const std::size_t descriptors = OpenDescriptors();
  TAnsweringUi ui(s.indexFile, s.companionExe);
  TConversionRun run(s.tool.string());
  run.FormCreate();
  try {
    run.ExecClick(ui);
  } catch (const TError&) {
    // The tool's own report of bad input.
  } catch (const std::exception& error) {
    fuzz::Finding(std::string("foreign exception ") + typeid(error).name() + ": " + error.what());
  } catch (...) {
    fuzz::Finding("an exception that is not a std::exception");
  }
  if (OpenDescriptors() != descriptors) fuzz::Finding("the run left a file open");
  CheckAfterRun(s, input);
  Clear(s.tool);
  Clear(s.outDir);
  return 0;
}
