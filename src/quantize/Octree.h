// Octree colour quantizer: collects the colours of a true-colour picture, merges thinly
// populated subtrees until no more than a requested number of leaves remain, and gives each
// leaf a palette entry with the mean colour of its pixels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/Bitmap.h"

namespace popuran {

class TOctree;
class TOctreeNodeVisitor;

// Pixel counts and colour sums are 64-bit so that no picture the bitmap class can hold makes
// them wrap; for pictures of up to 8421504 pixels they equal what 32-bit sums would give.
using TOctreeCount = std::int64_t;

// Child slot of a colour at a level (0 to 5): red gives 4, green 2, blue 1, each from the bit
// 128 >> level of its component.
inline std::uint8_t OctantOf(const TRGBTriple& colour, std::uint8_t level) {
  const unsigned mask = 128u >> level;
  return static_cast<std::uint8_t>(((colour.rgbtRed & mask) ? 4 : 0) |
                                   ((colour.rgbtGreen & mask) ? 2 : 0) |
                                   ((colour.rgbtBlue & mask) ? 1 : 0));
}

class TOctreeNode {
 public:
  // Counts itself into the owner and into the parent (none for the root).
  TOctreeNode(TOctree* owner, TOctreeNode* parent);
  // Takes itself out of the owner's and the parent's counts, then destroys its children.
  ~TOctreeNode();
  TOctreeNode(const TOctreeNode&) = delete;
  TOctreeNode& operator=(const TOctreeNode&) = delete;

  // Counts and sums the colour here and in every node below on its path, making the missing
  // nodes; a node made at depth 6 is a leaf at once. When a node cannot be made, the tree is
  // left as it was and the exception passes on.
  void AddColor(std::uint8_t level, const TRGBTriple& colour);
  // FColorIndex of the leaf on the colour's path. A path that runs into an empty slot stops
  // there and gives this inner node's index (0); nothing is made.
  std::int32_t GetColorIndex(std::uint8_t level, const TRGBTriple& colour) const;
  // Post-order walk: every child in slot order, then the visitor on this node.
  void Accept(TOctreeNodeVisitor& visitor);
  // Only for a node that is not a leaf yet.
  void MakeLeaf();
  // Truncated mean of the node's pixels; black for a node without pixels.
  TPaletteEntry GetAverageColor() const;

  bool IsLeaf() const { return FIsLeaf; }
  // A node that is not a leaf and whose existing children are all leaves.
  bool IsFork() const { return !FIsLeaf && FChildCount == FLeafChildCount; }
  TOctree* Owner() const { return FOwner; }
  TOctreeNode* Parent() const { return FParent; }
  TOctreeNode* Child(int index) const { return FChildren[static_cast<std::size_t>(index)].get(); }
  TOctreeCount PixelCount() const { return FPixelCount; }
  TOctreeCount RedSum() const { return FRedSum; }
  TOctreeCount GreenSum() const { return FGreenSum; }
  TOctreeCount BlueSum() const { return FBlueSum; }
  std::int32_t ColorIndex() const { return FColorIndex; }
  std::int32_t ChildCount() const { return FChildCount; }
  std::int32_t LeafChildCount() const { return FLeafChildCount; }

 private:
  friend class TOctree;
  friend class TColorIndexVisitor;
  friend class TTrimNodeVisitor;

  // Adds pixels of the colour (or takes them away) in this node's count and sums.
  void Count(const TRGBTriple& colour, TOctreeCount pixels);

  bool FIsLeaf = false;
  TOctree* FOwner;
  TOctreeNode* FParent;
  std::array<std::unique_ptr<TOctreeNode>, 8> FChildren;
  TOctreeCount FPixelCount = 0;
  TOctreeCount FRedSum = 0;
  TOctreeCount FGreenSum = 0;
  TOctreeCount FBlueSum = 0;
  std::int32_t FColorIndex = 0;
  std::int32_t FChildCount = 0;
  std::int32_t FLeafChildCount = 0;
};

// The palette record that the leaves are written into: room for 256 entries.
struct TLogPalette {
  std::uint16_t palVersion = 0;
  std::uint16_t palNumEntries = 0;
  std::array<TPaletteEntry, 256> palPalEntry{};
};

class TOctree {
 public:
  // Nodes during collection: past kMaxNodes after an add, the tree is trimmed to kTrimNodes.
  static constexpr std::int32_t kMaxNodes = 100000;
  static constexpr std::int32_t kTrimNodes = 99000;
  // FMinPixels when no fork is left.
  static constexpr TOctreeCount kNoFork = 999999999;

  TOctree();
  ~TOctree();
  TOctree(const TOctree&) = delete;
  TOctree& operator=(const TOctree&) = delete;

  void AddColor(const TRGBTriple& colour);
  // The same as count calls of AddColor with the colour.
  void AddColors(const TRGBTriple& colour, TOctreeCount count);
  // Merges until at most maxColors leaves remain, then numbers the leaves. The bitmap
  // reduction asks for 2 to 256; a limit below 1 ends with everything merged into the root.
  void Reduce(std::int32_t maxColors);
  // The mean colour of each leaf, in leaf order. The record holds 256 entries, so a tree with
  // more leaves (not reduced to at most 256) gets only its first 256.
  TPalette GetPalette();
  // The number of the leaf on the colour's path; for a colour that was never added, whatever
  // node its path stops at gives the answer.
  std::int32_t GetColorIndex(const TRGBTriple& colour) const;

  // The walks that Reduce and the node cap are made of.
  // FMinPixels := minPixels, then one walk with TTrimNodeVisitor.
  void TrimForks(TOctreeCount minPixels);
  // Trim walks with thresholds 1, 2, 3, ... until at most maxNodes nodes are left (at least
  // one walk); FMinPixels ends one above the last threshold.
  void TrimToNodes(std::int32_t maxNodes);
  // FMinPixels := the smallest pixel count of any fork (kNoFork when there is none).
  void FindMinForkPixels();
  // FSmallForks2/4/8 from FMinPixels.
  void CountSmallForkNodes();
  // Numbers the leaves in walk order from 0.
  void NumberLeaves();

  const TOctreeNode* Root() const { return FRoot.get(); }
  std::int32_t NodeCount() const { return FNodeCount; }
  std::int32_t LeafCount() const { return FLeafCount; }
  std::int32_t NextIndex() const { return FNextIndex; }
  TOctreeCount MinPixels() const { return FMinPixels; }
  TOctreeCount SmallForks2() const { return FSmallForks2; }
  TOctreeCount SmallForks4() const { return FSmallForks4; }
  TOctreeCount SmallForks8() const { return FSmallForks8; }
  const TLogPalette& LogPalette() const { return FLogPalette; }

 private:
  friend class TOctreeNode;
  friend class TColorIndexVisitor;
  friend class TTrimNodeVisitor;
  friend class TGetMinForkPixels;
  friend class TCountSmallForkNodes;
  friend class TGetColorEntry;

  std::unique_ptr<TOctreeNode> FRoot;
  std::int32_t FNodeCount = 0;
  std::int32_t FLeafCount = 0;
  TLogPalette FLogPalette;
  std::int32_t FNextIndex = 0;
  TOctreeCount FMinPixels = 0;
  TOctreeCount FSmallForks2 = 0;
  TOctreeCount FSmallForks4 = 0;
  TOctreeCount FSmallForks8 = 0;
};

class TOctreeNodeVisitor {
 public:
  virtual ~TOctreeNodeVisitor() = default;
  virtual void Visit(TOctreeNode& node) = 0;
};

// Numbers the leaves in walk order from the owner's FNextIndex up.
class TColorIndexVisitor : public TOctreeNodeVisitor {
 public:
  void Visit(TOctreeNode& node) override;
};

// Merges every fork of at most the owner's FMinPixels pixels into a leaf.
class TTrimNodeVisitor : public TOctreeNodeVisitor {
 public:
  void Visit(TOctreeNode& node) override;
};

// Lowers the owner's FMinPixels to the smallest pixel count of any fork.
class TGetMinForkPixels : public TOctreeNodeVisitor {
 public:
  void Visit(TOctreeNode& node) override;
};

// Estimates, for the thresholds FMinPixels + 2, + 4 and + 8, how many nodes merging would
// remove: every inner node within a threshold adds its pixel count less one.
class TCountSmallForkNodes : public TOctreeNodeVisitor {
 public:
  void Visit(TOctreeNode& node) override;
};

// Writes each leaf's mean colour into the owner's palette record at FNextIndex.
class TGetColorEntry : public TOctreeNodeVisitor {
 public:
  void Visit(TOctreeNode& node) override;
};

// A new 8-bit bitmap of the source's size whose palette the octree makes from the source's
// colours (at most maxColors, 2 to 256) and whose pixels index it. The source must be 24-bit.
std::unique_ptr<TBitmap> QuantizeBitmap(const TBitmap& source, std::int32_t maxColors);

}  // namespace popuran
