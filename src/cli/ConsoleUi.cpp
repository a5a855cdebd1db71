#include "cli/ConsoleUi.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "app/ConversionRun.h"
#include "platform/Launch.h"

namespace popuran::cli {

TConsoleUi::TConsoleUi(std::string source, std::string dest, std::istream& in, std::ostream& out,
                       std::ostream& err)
    : FSource(std::move(source)), FDest(std::move(dest)), FIn(in), FOut(out), FErr(err) {}

namespace {
// A message box's CR LF pairs become the console's line breaks.
std::string ConsoleLines(const std::string& text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  return lines;
}
}  // namespace

int TConsoleUi::MessageBox(const std::string& text, const std::string&, std::uint32_t flags) {
  const bool question = (flags & MB_BUTTONMASK) == MB_OKCANCEL;
  const std::uint32_t icon = flags & MB_ICONMASK;
  std::ostream& stream = question || icon == MB_ICONINFORMATION ? FOut : FErr;
  stream << ConsoleLines(text) << '\n' << std::flush;
  if (!question) return IDOK;
  if (text == ConfirmationText() && FConfirm) return IDOK;
  if (icon == MB_ICONINFORMATION && FLaunch.has_value()) return *FLaunch ? IDOK : IDCANCEL;
  return Ask();
}

int TConsoleUi::Ask() {
  if (&FIn == &std::cin && ::isatty(STDIN_FILENO)) FOut << "[y/N] " << std::flush;
  std::string line;
  if (!std::getline(FIn, line)) return IDCANCEL;
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  while (!line.empty() && blank(static_cast<unsigned char>(line.back()))) line.pop_back();
  line.erase(line.begin(), std::find_if_not(line.begin(), line.end(), blank));
  std::transform(line.begin(), line.end(), line.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return line == "y" || line == "yes" || line == "ok" ? IDOK : IDCANCEL;
}

void TConsoleUi::StartProgram(const std::string& executablePath) {
  FStarted = executablePath;
  if (FStartsPrograms) popuran::StartProgram(executablePath);
}

}  // namespace popuran::cli
