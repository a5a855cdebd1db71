// The fixed recipes that turn each decoded picture into one picture of the character set.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace popuran {

struct ImageRecipe {
  std::string EntryName;
  TRect CropRect;
  std::int32_t SquareSize;
  std::int32_t ThumbSize;
  std::vector<TPoint> Seeds;
  std::optional<TRect> PatchRect;
  std::optional<std::string> OutputName;  // none: the thumbnail goes to the character file
};

// The recipe of an entry, compared byte for byte, or nullptr.
const ImageRecipe* FindRecipe(const std::string& entryName);

// Paints the thumbnail's background: lime from each seed in order over exactly black pixels,
// then the patch, if the recipe has one, whatever its colour.
void PaintBackground(TBitmap& thumbnail, const ImageRecipe& recipe);

// Loads the intermediate file, crops into the square, writes the square over the intermediate
// file, scales it, paints the background lime and writes the output picture into outDir, or
// hands the thumbnail to writeNadFile. Does nothing after the load for an entry without a
// recipe. Errors of loading and saving pass through.
void ApplyRecipe(const std::string& entryName, const std::string& intermediatePath,
                 const std::string& outDir,
                 const std::function<void(const TBitmap&)>& writeNadFile);

}  // namespace popuran
