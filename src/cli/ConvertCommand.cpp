#include <iostream>
#include <optional>

#include "app/ConversionRun.h"
#include "cli/Commands.h"
#include "cli/ConsoleUi.h"
#include "platform/Error.h"
#include "platform/Paths.h"

namespace popuran::cli {

namespace {
constexpr const char* kConvertUsage =
    "usage: popuran-cli convert [--yes] [--launch | --no-launch] [--work-dir DIR] INDEX_FILE "
    "COMPANION_EXE";
}  // namespace

int RunConvertCommand(const TArguments& args, std::istream& in, std::ostream& out,
                      std::ostream& err) {
  bool yes = false;
  std::optional<bool> launch;
  std::string workDir;
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--yes" || a == "-y") {
      yes = true;
    } else if (a == "--launch" || a == "--no-launch") {
      launch = a == "--launch";
    } else if (a == "--work-dir" && i + 1 < args.size()) {
      workDir = args[++i];
    } else if (a == "--") {
      paths.insert(paths.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    } else if (!a.empty() && a[0] == '-') {
      err << "popuran-cli: unknown option " << a << '\n' << kConvertUsage << '\n';
      return kExitUsage;
    } else {
      paths.push_back(a);
    }
  }
  if (paths.size() != 2) {
    err << kConvertUsage << '\n';
    return kExitUsage;
  }
  if (workDir.empty()) {
    workDir = DefaultToolDir();
  } else if (!DirectoryExists(workDir)) {
    err << "popuran-cli: the work folder " << workDir << " does not exist\n";
    return kExitUsage;
  }

  TConsoleUi ui(paths[0], paths[1], in, out, err);
  ui.SetConfirm(yes);
  ui.SetLaunch(launch);
  TConversionRun run(AbsolutePath(workDir));
  run.FormCreate();
  try {
    switch (run.ExecClick(ui)) {
      case TRunOutcome::Completed:
        return kExitOk;
      case TRunOutcome::NotPackArchive:
        return kExitNotPack;
      case TRunOutcome::Cancelled:
        return kExitCancelled;
      case TRunOutcome::IndexNotFound:
      case TRunOutcome::DataNotFound:
      case TRunOutcome::ExecutableNotFound:
        return kExitUsage;
    }
  } catch (const std::exception& error) {
    ShowErrorReport(ui, error.what());
  }
  return kExitError;
}

}  // namespace popuran::cli
