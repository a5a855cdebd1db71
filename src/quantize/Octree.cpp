#include "quantize/Octree.h"

#include <algorithm>
#include <vector>

#include "platform/Error.h"

namespace popuran {

namespace {
// Level of the nodes whose children sit at depth 6, the last level with a bit to look at.
constexpr std::uint8_t kLastSplitLevel = 5;
constexpr std::size_t kPaletteRoom = 256;
}  // namespace

// ---------------------------------------------------------------------------------------------
// TOctreeNode

TOctreeNode::TOctreeNode(TOctree* owner, TOctreeNode* parent) : FOwner(owner), FParent(parent) {
  ++FOwner->FNodeCount;
  if (FParent != nullptr) ++FParent->FChildCount;
}

TOctreeNode::~TOctreeNode() {
  --FOwner->FNodeCount;
  if (FIsLeaf) --FOwner->FLeafCount;
  if (FParent != nullptr) {
    --FParent->FChildCount;
    if (FIsLeaf) --FParent->FLeafChildCount;
  }
  // Slot 0 first; each child takes itself out of this node's counts.
  for (auto& child : FChildren) child.reset();
}

void TOctreeNode::AddColor(std::uint8_t level, const TRGBTriple& colour) {
  // Walks down instead of recursing: the same nodes are counted in the same order.
  TOctreeNode* node = this;
  std::uint8_t nodeLevel = level;
  std::unique_ptr<TOctreeNode>* firstMade = nullptr;
  try {
    for (;;) {
      node->Count(colour, 1);
      if (node->FIsLeaf) return;
      std::unique_ptr<TOctreeNode>& slot = node->FChildren[OctantOf(colour, nodeLevel)];
      if (!slot) {
        slot = std::make_unique<TOctreeNode>(node->FOwner, node);
        if (firstMade == nullptr) firstMade = &slot;
        // Below the last split there is no bit left to split on; ">=" also keeps a caller
        // that starts too deep from growing an endless chain.
        if (nodeLevel >= kLastSplitLevel) slot->MakeLeaf();
      }
      node = slot.get();
      ++nodeLevel;
    }
  } catch (...) {
    // Out of memory while making a node: take the colour back out of the nodes that were
    // there before and drop the new ones, so the tree is as it was before this add.
    TOctreeNode* undo = this;
    std::uint8_t undoLevel = level;
    for (;;) {
      undo->Count(colour, -1);
      if (undo == node) break;
      std::unique_ptr<TOctreeNode>& next = undo->FChildren[OctantOf(colour, undoLevel)];
      if (&next == firstMade) break;
      undo = next.get();
      ++undoLevel;
    }
    if (firstMade != nullptr) firstMade->reset();
    throw;
  }
}

void TOctreeNode::Count(const TRGBTriple& colour, TOctreeCount pixels) {
  FPixelCount += pixels;
  FRedSum += pixels * colour.rgbtRed;
  FGreenSum += pixels * colour.rgbtGreen;
  FBlueSum += pixels * colour.rgbtBlue;
}

std::int32_t TOctreeNode::GetColorIndex(std::uint8_t level, const TRGBTriple& colour) const {
  const TOctreeNode* node = this;
  while (!node->FIsLeaf) {
    const TOctreeNode* child = node->FChildren[OctantOf(colour, level)].get();
    // Only a colour that was never added can meet an empty slot.
    if (child == nullptr) return node->FColorIndex;
    node = child;
    ++level;
  }
  return node->FColorIndex;
}

void TOctreeNode::Accept(TOctreeNodeVisitor& visitor) {
  for (auto& child : FChildren) {
    if (child) child->Accept(visitor);
  }
  visitor.Visit(*this);
}

void TOctreeNode::MakeLeaf() {
  if (FIsLeaf) return;
  FIsLeaf = true;
  ++FOwner->FLeafCount;
  if (FParent != nullptr) ++FParent->FLeafChildCount;
}

TPaletteEntry TOctreeNode::GetAverageColor() const {
  if (FPixelCount <= 0) return TPaletteEntry{0, 0, 0, 0};
  // Sums of components 0 to 255 over FPixelCount pixels: each mean is 0 to 255.
  return TPaletteEntry{static_cast<std::uint8_t>(FRedSum / FPixelCount),
                       static_cast<std::uint8_t>(FGreenSum / FPixelCount),
                       static_cast<std::uint8_t>(FBlueSum / FPixelCount), 0};
}

// ---------------------------------------------------------------------------------------------
// Visitors

void TColorIndexVisitor::Visit(TOctreeNode& node) {
  if (!node.FIsLeaf) return;
  node.FColorIndex = node.FOwner->FNextIndex;
  ++node.FOwner->FNextIndex;
}

void TTrimNodeVisitor::Visit(TOctreeNode& node) {
  if (!node.IsFork() || node.FPixelCount > node.FOwner->FMinPixels) return;
  // The node keeps its count and sums, so as a leaf it stands for all its former leaves.
  for (auto& child : node.FChildren) child.reset();
  node.MakeLeaf();
}

void TGetMinForkPixels::Visit(TOctreeNode& node) {
  if (!node.IsFork()) return;
  TOctree& owner = *node.Owner();
  owner.FMinPixels = std::min(owner.FMinPixels, node.PixelCount());
}

void TCountSmallForkNodes::Visit(TOctreeNode& node) {
  if (node.IsLeaf()) return;
  TOctree& owner = *node.Owner();
  const TOctreeCount count = node.PixelCount();
  if (count <= owner.FMinPixels + 2) owner.FSmallForks2 += count - 1;
  if (count <= owner.FMinPixels + 4) owner.FSmallForks4 += count - 1;
  if (count <= owner.FMinPixels + 8) owner.FSmallForks8 += count - 1;
}

void TGetColorEntry::Visit(TOctreeNode& node) {
  if (!node.IsLeaf()) return;
  TOctree& owner = *node.Owner();
  // The record has room for 256 entries; leaves beyond that are counted but not written.
  if (owner.FNextIndex >= 0 && static_cast<std::size_t>(owner.FNextIndex) < kPaletteRoom) {
    owner.FLogPalette.palPalEntry[static_cast<std::size_t>(owner.FNextIndex)] =
        node.GetAverageColor();
  }
  ++owner.FNextIndex;
}

// ---------------------------------------------------------------------------------------------
// TOctree

TOctree::TOctree() {
  // Made here, not in the member list, so that it counts into the already set counts.
  FRoot = std::make_unique<TOctreeNode>(this, nullptr);
}

TOctree::~TOctree() {
  FRoot.reset();
}

void TOctree::AddColor(const TRGBTriple& colour) {
  FRoot->AddColor(0, colour);
  // Memory during collection is capped; merging the thinnest forks first keeps the most
  // populated colours apart.
  if (FNodeCount > kMaxNodes) TrimToNodes(kTrimNodes);
}

void TOctree::AddColors(const TRGBTriple& colour, TOctreeCount count) {
  if (count <= 0) return;
  AddColor(colour);
  const TOctreeCount more = count - 1;
  if (more == 0) return;
  // After one add the colour's path exists down to a leaf (a trim only turns nodes on it into
  // leaves), so the other adds make no node and cannot trigger a trim: they only count.
  TOctreeNode* node = FRoot.get();
  std::uint8_t level = 0;
  for (;;) {
    node->Count(colour, more);
    if (node->FIsLeaf) return;
    node = node->FChildren[OctantOf(colour, level)].get();
    ++level;
  }
}

void TOctree::TrimForks(TOctreeCount minPixels) {
  FMinPixels = minPixels;
  TTrimNodeVisitor trim;
  FRoot->Accept(trim);
}

void TOctree::FindMinForkPixels() {
  FMinPixels = kNoFork;
  TGetMinForkPixels visitor;
  FRoot->Accept(visitor);
}

void TOctree::CountSmallForkNodes() {
  FSmallForks2 = 0;
  FSmallForks4 = 0;
  FSmallForks8 = 0;
  TCountSmallForkNodes visitor;
  FRoot->Accept(visitor);
}

void TOctree::NumberLeaves() {
  FNextIndex = 0;
  TColorIndexVisitor numbering;
  FRoot->Accept(numbering);
}

namespace {

// What trim walks will do, worked out from the inner nodes alone.
//
// A trim walk with threshold t merges every inner node of at most t pixels, whole subtrees at
// once: such a node's inner descendants have no more pixels, are visited first and are merged
// first, so it is a fork when its turn comes. After walks with rising thresholds the tree is
// therefore the tree from before them with every inner node of at most the last threshold
// merged. Merging all inner nodes up to t removes the sum of their child counts from the node
// count and the sum of their child counts less one from the leaf count; the smallest fork left
// has as many pixels as the smallest inner node left (every inner node has a fork below it
// with no more pixels). So each walk's outcome follows from the inner nodes sorted by pixel
// count, and only the last walk needs to be made.
class TMergePlan {
 public:
  explicit TMergePlan(const TOctreeNode& root) {
    Gather(root);
    std::sort(FNodes.begin(), FNodes.end(),
              [](const TInner& a, const TInner& b) { return a.pixels < b.pixels; });
    FNodesRemoved.reserve(FNodes.size() + 1);
    FLeavesRemoved.reserve(FNodes.size() + 1);
    FPixelsLessOne.reserve(FNodes.size() + 1);
    FNodesRemoved.push_back(0);
    FLeavesRemoved.push_back(0);
    FPixelsLessOne.push_back(0);
    for (const TInner& node : FNodes) {
      FNodesRemoved.push_back(FNodesRemoved.back() + node.children);
      FLeavesRemoved.push_back(FLeavesRemoved.back() + node.children - 1);
      FPixelsLessOne.push_back(FPixelsLessOne.back() + node.pixels - 1);
    }
  }

  // Nodes and leaves that merging every inner node of at most t pixels takes away.
  TOctreeCount NodesRemoved(TOctreeCount t) const { return FNodesRemoved[Upto(t)]; }
  TOctreeCount LeavesRemoved(TOctreeCount t) const { return FLeavesRemoved[Upto(t)]; }
  // The pixel count of the smallest inner node above t, TOctree::kNoFork when there is none.
  TOctreeCount SmallestAbove(TOctreeCount t) const {
    const std::size_t i = Upto(t);
    return i < FNodes.size() ? FNodes[i].pixels : TOctree::kNoFork;
  }
  // The sum of pixel counts less one over the inner nodes of more than low and at most high
  // pixels.
  TOctreeCount PixelsLessOne(TOctreeCount low, TOctreeCount high) const {
    return high <= low ? 0 : FPixelsLessOne[Upto(high)] - FPixelsLessOne[Upto(low)];
  }

 private:
  struct TInner {
    TOctreeCount pixels;
    TOctreeCount children;
  };

  void Gather(const TOctreeNode& node) {
    if (node.IsLeaf()) return;
    FNodes.push_back(TInner{node.PixelCount(), node.ChildCount()});
    for (int i = 0; i < 8; ++i) {
      const TOctreeNode* child = node.Child(i);
      if (child != nullptr && !child->IsLeaf()) Gather(*child);
    }
  }

  // How many inner nodes have at most t pixels.
  std::size_t Upto(TOctreeCount t) const {
    const auto end = std::upper_bound(
        FNodes.begin(), FNodes.end(), t,
        [](TOctreeCount value, const TInner& node) { return value < node.pixels; });
    return static_cast<std::size_t>(end - FNodes.begin());
  }

  std::vector<TInner> FNodes;
  std::vector<TOctreeCount> FNodesRemoved;
  std::vector<TOctreeCount> FLeavesRemoved;
  std::vector<TOctreeCount> FPixelsLessOne;
};

}  // namespace

void TOctree::TrimToNodes(std::int32_t maxNodes) {
  // The walks with thresholds 1, 2, 3, ... change nothing between two inner nodes' pixel
  // counts, so the first threshold that is enough is 1 or such a count.
  const TMergePlan plan(*FRoot);
  TOctreeCount threshold = 1;
  while (FNodeCount - plan.NodesRemoved(threshold) > maxNodes) {
    const TOctreeCount next = plan.SmallestAbove(threshold);
    if (next == kNoFork) break;  // everything is merged into the root
    threshold = next;
  }
  TrimForks(threshold);
  FMinPixels = threshold + 1;
}

void TOctree::Reduce(std::int32_t maxColors) {
  FMinPixels = 1;
  // The loop of passes, each a trim walk, FindMinForkPixels and CountSmallForkNodes, worked
  // out on the plan; then the last pass's trim walk is made on the tree. A root that is a leaf
  // cannot shrink further; stopping there keeps a limit below 1 from looping for ever.
  if (FLeafCount > maxColors && !FRoot->IsLeaf()) {
    const TMergePlan plan(*FRoot);
    const TOctreeCount rootPixels = FRoot->PixelCount();
    TOctreeCount threshold = FMinPixels;
    TOctreeCount lastWalk = 0;
    for (;;) {
      lastWalk = threshold;
      const TOctreeCount nodes = FNodeCount - plan.NodesRemoved(threshold);
      const TOctreeCount leaves = FLeafCount - plan.LeavesRemoved(threshold);
      const TOctreeCount minFork = plan.SmallestAbove(threshold);
      FSmallForks2 = plan.PixelsLessOne(threshold, minFork + 2);
      FSmallForks4 = plan.PixelsLessOne(threshold, minFork + 4);
      FSmallForks8 = plan.PixelsLessOne(threshold, minFork + 8);
      // Merging removes nodes, not only leaves, so the excess is measured in nodes.
      const TOctreeCount excess = nodes - maxColors;
      if (excess > FSmallForks8) {
        threshold = minFork + 8;
      } else if (excess > FSmallForks4) {
        threshold = minFork + 4;
      } else if (excess > FSmallForks2) {
        threshold = minFork + 2;
      } else {
        threshold = minFork;
      }
      if (leaves <= maxColors || rootPixels <= lastWalk) break;
    }
    TrimForks(lastWalk);
    FMinPixels = threshold;
  }
  NumberLeaves();
}

TPalette TOctree::GetPalette() {
  FNextIndex = 0;
  FLogPalette.palVersion = 0x300;
  FLogPalette.palNumEntries = static_cast<std::uint16_t>(FLeafCount);
  TGetColorEntry visitor;
  FRoot->Accept(visitor);
  const std::size_t entries =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(FLeafCount, 0)), kPaletteRoom);
  return TPalette(FLogPalette.palPalEntry.begin(),
                  FLogPalette.palPalEntry.begin() + static_cast<std::ptrdiff_t>(entries));
}

std::int32_t TOctree::GetColorIndex(const TRGBTriple& colour) const {
  return FRoot->GetColorIndex(0, colour);
}

// ---------------------------------------------------------------------------------------------
// Palette bitmap reduction

std::unique_ptr<TBitmap> QuantizeBitmap(const TBitmap& source, std::int32_t maxColors) {
  POPURAN_ASSERT(maxColors >= 2 && maxColors <= 256);
  POPURAN_ASSERT(source.PixelFormat() == TPixelFormat::pf24bit);

  const std::int32_t width = source.Width();
  const std::int32_t height = source.Height();
  const auto rowPixels = static_cast<std::size_t>(width);

  TOctree tree;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = source.ScanLine(y);
    // A run of one colour is added at once; the tree ends the same as with one add per pixel.
    std::size_t x = 0;
    while (x < rowPixels) {
      const std::uint8_t* p = row + 3 * x;
      const TRGBTriple colour{p[0], p[1], p[2]};
      std::size_t end = x + 1;
      while (end < rowPixels && row[3 * end] == p[0] && row[3 * end + 1] == p[1] &&
             row[3 * end + 2] == p[2]) {
        ++end;
      }
      tree.AddColors(colour, static_cast<TOctreeCount>(end - x));
      x = end;
    }
  }
  tree.Reduce(maxColors);

  auto result = std::make_unique<TBitmap>();
  result->SetPixelFormat(TPixelFormat::pf8bit);
  result->SetWidth(width);
  result->SetHeight(height);
  result->SetPalette(tree.GetPalette());

  // The first three levels of every lookup depend only on the top three bits of each
  // component: for each of those 512 prefixes, the node that the walk reaches after them (or the
  // leaf or the last node it meets before) is found once, and each pixel's lookup goes on from
  // there. It ends at the same leaf as a lookup from the root.
  constexpr std::uint8_t kPrefixLevels = 3;
  struct TStart {
    const TOctreeNode* node;
    std::uint8_t level;
  };
  std::array<TStart, 512> starts{};
  for (unsigned prefix = 0; prefix < starts.size(); ++prefix) {
    // A colour whose top three bits are the prefix's: red 8-6, green 5-3, blue 2-0.
    const TRGBTriple colour{static_cast<std::uint8_t>((prefix & 7u) << 5),
                            static_cast<std::uint8_t>(((prefix >> 3) & 7u) << 5),
                            static_cast<std::uint8_t>(((prefix >> 6) & 7u) << 5)};
    const TOctreeNode* node = tree.Root();
    std::uint8_t level = 0;
    while (level < kPrefixLevels && !node->IsLeaf()) {
      const TOctreeNode* child = node->Child(OctantOf(colour, level));
      if (child == nullptr) break;
      node = child;
      ++level;
    }
    starts[prefix] = TStart{node, level};
  }

  for (std::int32_t y = 0; y < height && rowPixels > 0; ++y) {
    const std::uint8_t* in = source.ScanLine(y);
    std::uint8_t* out = result->ScanLine(y);
    // Neighbouring pixels often share a colour; the lookup of the last one is reused.
    const auto lookUp = [&](const TRGBTriple& colour) {
      const unsigned prefix =
          (colour.rgbtRed >> 5) << 6 | (colour.rgbtGreen >> 5) << 3 | (colour.rgbtBlue >> 5);
      const TStart& start = starts[prefix];
      return static_cast<std::uint8_t>(start.node->GetColorIndex(start.level, colour));
    };
    TRGBTriple last{in[0], in[1], in[2]};
    std::uint8_t lastIndex = lookUp(last);
    for (std::size_t x = 0; x < rowPixels; ++x) {
      const TRGBTriple colour{in[3 * x], in[3 * x + 1], in[3 * x + 2]};
      if (!(colour == last)) {
        last = colour;
        lastIndex = lookUp(colour);
      }
      out[x] = lastIndex;
    }
  }
  return result;
}

}  // namespace popuran
