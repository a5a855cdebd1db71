// The run's messages as lines of text: problems and error reports on stderr, the rest on
// stdout. A question is answered by an option or by a line read from stdin.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "app/UserInterface.h"

namespace popuran::cli {

class TConsoleUi : public TUserInterface {
 public:
  TConsoleUi(std::string source, std::string dest, std::istream& in, std::ostream& out,
             std::ostream& err);

  // --yes: the confirmation is answered with OK.
  void SetConfirm(bool yes) { FConfirm = yes; }
  // --launch / --no-launch: the answer to the completed run's question.
  void SetLaunch(std::optional<bool> launch) { FLaunch = launch; }
  // When false, the companion program is only recorded, not started (tests).
  void SetStartsPrograms(bool starts) { FStartsPrograms = starts; }

  std::string SourceText() override { return FSource; }
  std::string DestText() override { return FDest; }
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  void StartProgram(const std::string& executablePath) override;
  void CloseWindow() override { FClosed = true; }

  bool Closed() const { return FClosed; }
  const std::string& StartedProgram() const { return FStarted; }

 private:
  int Ask();

  std::string FSource;
  std::string FDest;
  std::istream& FIn;
  std::ostream& FOut;
  std::ostream& FErr;
  bool FConfirm = false;
  std::optional<bool> FLaunch;
  bool FStartsPrograms = true;
  bool FClosed = false;
  std::string FStarted;
};

}  // namespace popuran::cli
