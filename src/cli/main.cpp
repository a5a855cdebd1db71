// popuran-cli: the character set conversion from the command line.
#include <iostream>
#include <string>

// After a standard header, which tells whether the C library is glibc.
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "cli/Commands.h"
#include "platform/Console.h"

namespace {

constexpr const char* kHelp =
    "popuran-cli — makes a character set for the desktop companion program from the game "
    "archive\n"
    "\n"
    "usage:\n"
    "  popuran-cli convert [--yes] [--launch | --no-launch] [--work-dir DIR] INDEX_FILE "
    "COMPANION_EXE\n"
    "      Reads INDEX_FILE (TH2Data.000) and its data file (.001 beside it) and writes 001.BMP,\n"
    "      002.BMP, 003.BMP and 000.NAD into the folder B beside COMPANION_EXE.\n"
    "      --yes        answer the confirmation with OK\n"
    "      --launch     start the companion program after a completed run\n"
    "      --no-launch  do not start it (without either, the question is read from stdin)\n"
    "      --work-dir   folder for the intermediate files (default: the tool's folder)\n"
    "  popuran-cli demo [DIR]\n"
    "      Writes a synthetic archive into DIR (default ./popuran-demo) and converts it.\n"
    "  popuran-cli nad PICTURE.bmp OUT.NAD\n"
    "      Writes a character file from a 24-bit bitmap picture (centre-cropped, scaled to "
    "200x200).\n"
    "  popuran-cli inspect FILE [--extract OUT.bmp]\n"
    "      Checks a character file; --extract writes its picture as a bitmap file.\n"
    "  popuran-cli preview B_FOLDER OUT.png\n"
    "      Writes a contact sheet of a character set as a PNG picture.\n"
    "\n"
    "exit status: 0 done; 1 the index is not a PACK archive; 2 usage error or a path not found;\n"
    "             3 cancelled at the confirmation; 4 an error ended the run\n";

// A run makes and drops pictures of a few hundred kilobytes one after another. By default glibc
// maps each such block afresh and unmaps it when it is freed, so every picture pays for new
// zeroed pages from the system; that costs more than the work on the picture itself. Served
// from the heap, and the heap kept when it shrinks, the next picture reuses the pages of the
// last one. Blocks from 4 MiB up are still mapped and returned as before.
void KeepPictureMemoryForReuse() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
  mallopt(M_TRIM_THRESHOLD, 8 << 20);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  using namespace popuran::cli;
  KeepPictureMemoryForReuse();
  popuran::PrepareConsole();
  const TArguments all = popuran::ProgramArguments(argc, argv);
  if (all.empty()) {
    std::cerr << kHelp;
    return kExitUsage;
  }
  const std::string& command = all[0];
  const TArguments args(all.begin() + 1, all.end());
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kHelp;
    return kExitOk;
  }
  if (command == "--version") {
    std::cout << "popuran-cli " << POPURAN_VERSION << '\n';
    return kExitOk;
  }
  if (command == "convert") return RunConvertCommand(args, std::cin, std::cout, std::cerr);
  if (command == "demo") return RunDemoCommand(args, std::cout, std::cerr);
  if (command == "nad") return RunNadCommand(args, std::cout, std::cerr);
  if (command == "inspect") return RunInspectCommand(args, std::cout, std::cerr);
  if (command == "preview") return RunPreviewCommand(args, std::cout, std::cerr);
  std::cerr << "popuran-cli: unknown command " << command << "\n\n" << kHelp;
  return kExitUsage;
}
