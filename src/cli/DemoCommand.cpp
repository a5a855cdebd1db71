#include <iostream>
#include <sstream>

#include "app/ConversionRun.h"
#include "archive/Bm2.h"
#include "charfile/NadFile.h"
#include "cli/Commands.h"
#include "demo/DemoArchive.h"
#include "platform/Error.h"
#include "platform/Paths.h"

namespace popuran::cli {

int RunDemoCommand(const TArguments& args, std::ostream& out, std::ostream& err) {
  if (args.size() > 1 || (args.size() == 1 && !args[0].empty() && args[0][0] == '-')) {
    err << "usage: popuran-cli demo [DIR]\n";
    return kExitUsage;
  }
  const std::string dir = AbsolutePath(args.empty() ? "popuran-demo" : args[0]);
  demo::TDemoPaths paths;
  try {
    paths = demo::WriteDemoArchive(dir);
  } catch (const std::exception& error) {
    err << ErrorReportText(error.what()) << '\n';
    return kExitError;
  }
  const std::string workDir = dir + PathSeparator() + "work";
  ForceDirectories(workDir);
  out << "archive: " << paths.indexFile << '\n'
      << "archive: " << paths.dataFile << '\n'
      << "companion: " << paths.companionExe << '\n';

  std::istringstream noInput;
  const int status = RunConvertCommand(
      {"--yes", "--no-launch", "--work-dir", workDir, paths.indexFile, paths.companionExe}, noInput,
      out, err);
  if (status != kExitOk) return status;

  for (const char* name : kCharacterEntryNames) {
    out << "intermediate: " << IntermediatePath(workDir, name) << '\n';
  }
  const std::string outDir = OutputDirFor(paths.companionExe);
  for (const char* name : {"001.BMP", "002.BMP", "003.BMP", kNadFileName}) {
    out << "output: " << outDir << name << '\n';
  }
  if (!kPreviewAvailable) {
    out << "preview: " << kPreviewUnavailableText << '\n';
    return kExitOk;
  }
  const std::string preview = dir + PathSeparator() + "preview.png";
  std::ostringstream previewOut;
  const int previewStatus = RunPreviewCommand({outDir, preview}, previewOut, err);
  if (previewStatus != kExitOk) return previewStatus;
  out << "preview: " << preview << '\n';
  return kExitOk;
}

}  // namespace popuran::cli
