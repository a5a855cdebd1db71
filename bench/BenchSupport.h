// What several benchmarks share: a scratch folder, a user who answers every question with OK,
// and the pictures of the demo archive at each step of the run.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/UserInterface.h"
#include "archive/Bm2.h"
#include "demo/DemoArchive.h"
#include "imaging/ImageExtract.h"
#include "imaging/ImageRecipe.h"
#include "platform/Bitmap.h"

namespace popuran::bench {

// A folder under the system's temporary folder (TMPDIR), removed with its content at the end.
// Files written there go through the same synced writes as in a real run, so the figures of
// benchmarks that write include the disk's cost; TMPDIR=/dev/shm leaves it out.
class TScratchDir {
 public:
  TScratchDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "popuran-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
  }
  ~TScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;

  std::string operator/(const std::string& name) const { return (FPath / name).string(); }
  std::string Path() const { return FPath.string(); }

 private:
  std::filesystem::path FPath;
};

// The two path fields hold the given files; every question is answered with OK and nothing is
// started.
class TAnswersOk : public TUserInterface {
 public:
  TAnswersOk(std::string indexFile, std::string executable)
      : FIndexFile(std::move(indexFile)), FExecutable(std::move(executable)) {}
  std::string SourceText() override { return FIndexFile; }
  std::string DestText() override { return FExecutable; }
  int MessageBox(const std::string&, const std::string&, std::uint32_t) override { return IDOK; }
  void StartProgram(const std::string&) override {}
  void CloseWindow() override {}

 private:
  std::string FIndexFile;
  std::string FExecutable;
};

// The demo's picture of a pose (0 to 3), decoded as the run decodes it and made 24-bit.
inline TBitmap DecodedPose(int pose) {
  TBitmap picture;
  picture.LoadFromBytes(DecodeBm2(demo::MakeCharacterBm2(pose)));
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  return picture;
}

inline const ImageRecipe& RecipeOfPose(int pose) {
  const ImageRecipe* recipe = FindRecipe(demo::kPoseEntryNames.at(static_cast<std::size_t>(pose)));
  if (recipe == nullptr) throw std::logic_error("no recipe for the pose");
  return *recipe;
}

// The pose's square: its recipe's crop rectangle copied out of the decoded picture.
inline TBitmap SquareOfPose(int pose) {
  const ImageRecipe& recipe = RecipeOfPose(pose);
  TBitmap square;
  square.SetPixelFormat(TPixelFormat::pf24bit);
  square.SetSize(recipe.SquareSize, recipe.SquareSize);
  square.CopyRect(TRect{0, 0, recipe.SquareSize, recipe.SquareSize}, DecodedPose(pose),
                  recipe.CropRect);
  return square;
}

// The pose's thumbnail before its background is painted.
inline TBitmap ThumbnailOfPose(int pose) {
  const ImageRecipe& recipe = RecipeOfPose(pose);
  return ScaleArea(SquareOfPose(pose), recipe.ThumbSize, recipe.ThumbSize);
}

// The pose's finished thumbnail: background painted lime.
inline TBitmap PaintedThumbnailOfPose(int pose) {
  TBitmap thumbnail = ThumbnailOfPose(pose);
  PaintBackground(thumbnail, RecipeOfPose(pose));
  return thumbnail;
}

}  // namespace popuran::bench
