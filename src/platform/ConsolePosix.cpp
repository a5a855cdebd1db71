#include "platform/Console.h"

namespace popuran {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  if (argc < 1) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

void PrepareConsole() {}

}  // namespace popuran
