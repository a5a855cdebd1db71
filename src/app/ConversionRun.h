// The conversion run: the checks and questions around a run, and the driver that walks the
// archive and hands each wanted entry to the decoder and its recipe. It knows no window
// toolkit; it talks to the user through TUserInterface.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/UserInterface.h"
#include "archive/Pack.h"
#include "charfile/NadFile.h"
#include "platform/Bitmap.h"
#include "platform/Stream.h"

namespace popuran {

// How a run ended, when no error ended it.
enum class TRunOutcome {
  Completed,       // the archive was walked to its end
  NotPackArchive,  // the index does not begin with "PACK"
  IndexNotFound,
  DataNotFound,
  ExecutableNotFound,
  Cancelled,  // the confirmation was not answered with OK
};

class TConversionRun {
 public:
  // toolDir is the folder of the intermediate files.
  explicit TConversionRun(std::string toolDir);

  // Fills the character file's header and tail images; the window's creation calls it.
  void FormCreate();

  // The run button: checks, confirmation, output folder, MakeCharacter and the outcome's
  // message. Errors raised while the archive is walked are not caught here; they leave with
  // every stream and picture of the run released (see ShowErrorReport).
  TRunOutcome ExecClick(TUserInterface& ui);

  // Walks the archive: 0 when the index is a PACK archive and was walked to its end, 1 when it
  // does not begin with "PACK".
  std::int32_t MakeCharacter();

  const std::string& IndexFile() const { return FIndexFile; }
  const std::string& DataFile() const { return FDataFile; }
  const std::string& OutDir() const { return FOutDir; }
  const std::string& ToolDir() const { return FToolDir; }

 private:
  std::string ConvertBm2ToBmp(const PackEntry& entry);
  void ApplyRecipe(const std::string& entryName, const std::string& intermediatePath);
  void WriteNadFile(const TBitmap& thumbnail);

  std::unique_ptr<TFileStream> FIndexStream;
  std::unique_ptr<TFileStream> FDataStream;
  std::string FIndexFile;
  std::string FDataFile;
  std::string FOutDir;
  TNadHeader FNadHeader{};
  TNadTail FNadTail{};
  std::string FToolDir;
};

// The output folder for an executable: its folder, then "B" between two separators. A relative
// path is made absolute first, so a bare file name does not lead to the root folder.
std::string OutputDirFor(const std::string& executablePath);

// The confirmation's text, put together from its two pieces.
std::string ConfirmationText();

// The application's report of an error that left a handler: the text with the "." rule, the
// application title as caption, OK and the error icon.
void ShowErrorReport(TUserInterface& ui, const std::string& errorText);

// Runs an event handler as the application runs each of them: an error that leaves it is shown
// as the error report, and the window stays open. False when an error was reported.
bool CallHandler(TUserInterface& ui, const std::function<void()>& handler);

// The names of the four entries that make up the character.
inline constexpr std::array<const char*, 4> kCharacterEntryNames = {
    "C00210090.BM2", "C00210080.BM2", "C00210200.BM2", "C00210110.BM2"};

}  // namespace popuran
