#include "app/ConversionRun.h"

#include <algorithm>

#include "app/Messages.h"
#include "archive/Bm2.h"
#include "imaging/ImageRecipe.h"
#include "platform/Error.h"
#include "platform/Paths.h"

namespace popuran {

std::string OutputDirFor(const std::string& executablePath) {
  const char separator = PathSeparator();
  return ExtractFileDir(AbsolutePath(executablePath)) + separator + "B" + separator;
}

std::string ConfirmationText() {
  return std::string(kConfirmQuestion) + kConfirmNote;
}

void ShowErrorReport(TUserInterface& ui, const std::string& errorText) {
  ui.MessageBox(ErrorReportText(errorText), kApplicationTitle, MB_OK | MB_ICONERROR);
}

bool CallHandler(TUserInterface& ui, const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    ShowErrorReport(ui, error.what());
    return false;
  }
}

TConversionRun::TConversionRun(std::string toolDir) : FToolDir(std::move(toolDir)) {}

void TConversionRun::FormCreate() {
  SetUpNadHeader(FNadHeader, FNadTail);
}

TRunOutcome TConversionRun::ExecClick(TUserInterface& ui) {
  FIndexFile = ui.SourceText();
  if (!FileExists(FIndexFile)) {
    ui.MessageBox(kIndexNotFoundText, kMessageCaption, MB_OK | MB_ICONWARNING);
    return TRunOutcome::IndexNotFound;
  }
  FDataFile = ChangeFileExt(FIndexFile, ".001");
  if (!FileExists(FDataFile)) {
    ui.MessageBox(kDataNotFoundText, kMessageCaption, MB_OK | MB_ICONWARNING);
    return TRunOutcome::DataNotFound;
  }
  if (!FileExists(ui.DestText())) {
    ui.MessageBox(kExecutableNotFoundText, kMessageCaption, MB_OK | MB_ICONWARNING);
    return TRunOutcome::ExecutableNotFound;
  }
  FOutDir = OutputDirFor(ui.DestText());
  if (ui.MessageBox(ConfirmationText(), kMessageCaption, MB_OKCANCEL | MB_ICONWARNING) != IDOK) {
    return TRunOutcome::Cancelled;
  }
  ForceDirectories(FOutDir);
  if (MakeCharacter() == 0) {
    if (ui.MessageBox(kCompletedText, kMessageCaption, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK) {
      ui.StartProgram(ui.DestText());
    }
    ui.CloseWindow();
    return TRunOutcome::Completed;
  }
  ui.MessageBox(kNotPackText, kMessageCaption, MB_OK | MB_ICONWARNING);
  return TRunOutcome::NotPackArchive;
}

std::int32_t TConversionRun::MakeCharacter() {
  // The streams live only while the archive is walked; an error releases them on its way out,
  // so the next run can open the files again.
  struct TStreamsGuard {
    TConversionRun& run;
    ~TStreamsGuard() {
      run.FDataStream.reset();
      run.FIndexStream.reset();
    }
  } guard{*this};

  FIndexStream = std::make_unique<TFileStream>(FIndexFile);
  const PackHeader header = ReadPackHeader(*FIndexStream);
  if (!IsPackArchive(header)) return 1;
  FDataStream = std::make_unique<TFileStream>(FDataFile);
  for (std::uint32_t i = 1; i <= header.EntryCount; ++i) {
    const PackEntry entry = ReadPackEntry(*FIndexStream, i);
    const bool wanted = std::any_of(kCharacterEntryNames.begin(), kCharacterEntryNames.end(),
                                    [&](const char* name) { return entry.Name == name; });
    if (!wanted) continue;
    const std::string intermediatePath = ConvertBm2ToBmp(entry);
    ApplyRecipe(entry.Name, intermediatePath);
  }
  return 0;
}

std::string TConversionRun::ConvertBm2ToBmp(const PackEntry& entry) {
  return popuran::ConvertBm2ToBmp(*FDataStream, entry, FToolDir);
}

void TConversionRun::ApplyRecipe(const std::string& entryName,
                                 const std::string& intermediatePath) {
  popuran::ApplyRecipe(entryName, intermediatePath, FOutDir,
                       [this](const TBitmap& thumbnail) { WriteNadFile(thumbnail); });
}

void TConversionRun::WriteNadFile(const TBitmap& thumbnail) {
  popuran::WriteNadFile(thumbnail, FNadHeader, FNadTail, FOutDir);
}

}  // namespace popuran
