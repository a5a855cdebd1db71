#include "platform/Error.h"

namespace popuran {

std::string FormatText(const std::string& format, const std::string& argument) {
  std::string result = format;
  const auto at = result.find("%s");
  if (at != std::string::npos) result.replace(at, 2, argument);
  return result;
}

TOpenError::TOpenError(const std::string& path) : TError(FormatText(kOpenErrorFormat, path)) {}

TCreateError::TCreateError(const std::string& path)
    : TError(FormatText(kCreateErrorFormat, path)) {}

namespace {
std::string BaseName(const char* file) {
  std::string name = file;
  const auto slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}
}  // namespace

TAssertionFailure::TAssertionFailure(const char* file, int line)
    : TError("Assertion failure (" + BaseName(file) + ", line " + std::to_string(line) + ")") {}

std::string ErrorReportText(const std::string& text) {
  // Compared bytewise: every byte of a multi-byte character sorts after ".", so this is the
  // same test as on the last character.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

}  // namespace popuran
