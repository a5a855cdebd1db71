#include "imaging/ImageRecipe.h"

#include "imaging/ImageExtract.h"

namespace popuran {

namespace {

// The two entries of the first and second picture share everything but their output name.
constexpr TRect kPoseCrop{0, 3, 326, 329};
constexpr TRect kPosePatch{10, 68, 12, 72};

const std::vector<ImageRecipe>& Recipes() {
  static const std::vector<ImageRecipe> recipes = [] {
    const std::vector<TPoint> poseSeeds = {{0, 0},    {130, 100}, {36, 120}, {53, 110},
                                           {94, 111}, {102, 114}, {107, 116}};
    return std::vector<ImageRecipe>{
        {"C00210090.BM2", kPoseCrop, 326, 160, poseSeeds, kPosePatch, "001.BMP"},
        {"C00210080.BM2", kPoseCrop, 326, 160, poseSeeds, kPosePatch, "002.BMP"},
        {"C00210200.BM2",
         {0, 11, 326, 336},
         326,
         160,
         {{0, 0}, {130, 100}, {46, 120}, {51, 110}, {46, 116}, {100, 113}, {103, 113}},
         std::nullopt,
         "003.BMP"},
        {"C00210110.BM2",
         {37, 28, 388, 379},
         352,
         200,
         {{0, 0},
          {180, 110},
          {190, 40},
          {51, 125},
          {48, 114},
          {138, 118},
          {168, 69},
          {167, 75},
          {176, 74},
          {143, 123},
          {160, 10}},
         std::nullopt,
         std::nullopt},
    };
  }();
  return recipes;
}

// Flags for the scaler: no border around the picture, the better rendering.
constexpr std::uint32_t kThumbnailFlags = IEIFLAG_NOBORDER | IEIFLAG_QUALITY;

// A new all-white 24-bit picture of side × side.
TBitmap WhiteSquare(std::int32_t side) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetWidth(side);
  picture.SetHeight(side);
  return picture;
}

}  // namespace

const ImageRecipe* FindRecipe(const std::string& entryName) {
  for (const ImageRecipe& recipe : Recipes()) {
    if (recipe.EntryName == entryName) return &recipe;
  }
  return nullptr;
}

void PaintBackground(TBitmap& thumbnail, const ImageRecipe& recipe) {
  thumbnail.SetBrushColor(kLime);
  // A seed that an earlier fill already reached is lime by now and fills nothing.
  for (const TPoint& seed : recipe.Seeds) thumbnail.FloodFill(seed.x, seed.y);
  if (recipe.PatchRect) thumbnail.FillRect(*recipe.PatchRect);
}

void ApplyRecipe(const std::string& entryName, const std::string& intermediatePath,
                 const std::string& outDir,
                 const std::function<void(const TBitmap&)>& writeNadFile) {
  // Each picture lives only as long as it is needed: the decoded picture until the square is
  // cut out of it, the square until it is written. Every new page of memory costs more than the
  // work done on it, so the fewer pictures are alive at once, the faster the run.
  const ImageRecipe* recipe = nullptr;
  std::vector<std::uint8_t> squareFile;
  {
    TBitmap picture;
    picture.LoadFromFile(intermediatePath);
    // The crop reads an 8-bit picture's colours through its colour table, which gives the square
    // the same pixels as converting the whole picture to 24 bits first, without the copy.
    recipe = FindRecipe(entryName);
    if (recipe == nullptr) return;
    const std::int32_t side = recipe->SquareSize;
    TBitmap square = WhiteSquare(side);
    square.CopyRect(TRect{0, 0, side, side}, picture, recipe->CropRect);
    picture = TBitmap();
    squareFile = square.SaveToBytes();
  }
  // The intermediate file is the tool's own, made anew in every run.
  WriteScratchFile(intermediatePath, squareFile);
  squareFile = std::vector<std::uint8_t>();

  TBitmap thumbnail = WhiteSquare(recipe->ThumbSize);
  // A failed scaling leaves the thumbnail white; the rest goes on regardless, so the output
  // files are always written.
  ExtractThumbnail(intermediatePath, thumbnail, kThumbnailFlags);
  PaintBackground(thumbnail, *recipe);
  if (recipe->OutputName) {
    thumbnail.SaveToFile(outDir + *recipe->OutputName);
  } else {
    writeNadFile(thumbnail);
  }
}

}  // namespace popuran
