// popuran-cli preview in a build without libpng: it says so instead of writing a picture.
#include <ostream>

#include "cli/Commands.h"

namespace popuran::cli {

int RunPreviewCommand(const TArguments&, std::ostream&, std::ostream& err) {
  err << "popuran-cli: " << kPreviewUnavailableText << '\n';
  return kExitUsage;
}

}  // namespace popuran::cli
