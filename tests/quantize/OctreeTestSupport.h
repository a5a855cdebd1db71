// Helpers shared by the quantizer tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quantize/Octree.h"

namespace popuran::test {

// Colours are written (red, green, blue) in the tests; the picture stores them the other way.
inline TRGBTriple Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return TRGBTriple{blue, green, red};
}

inline TPaletteEntry Entry(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return TPaletteEntry{red, green, blue, 0};
}

struct TRecount {
  std::int32_t nodes = 0;
  std::int32_t leaves = 0;
  std::string fault;  // the first broken rule met, empty when none
};

inline void RecountNode(const TOctree& tree, const TOctreeNode& node, const TOctreeNode* parent,
                        int depth, TRecount& r) {
  auto fail = [&](const std::string& what) {
    if (r.fault.empty()) r.fault = what + " at depth " + std::to_string(depth);
  };
  ++r.nodes;
  if (node.IsLeaf()) ++r.leaves;
  if (node.Owner() != &tree) fail("wrong owner");
  if (node.Parent() != parent) fail("wrong parent");
  if (depth > 6) fail("node below depth 6");
  if (depth == 6 && !node.IsLeaf()) fail("inner node at depth 6");
  if (node.IsLeaf() && node.PixelCount() < 1) fail("leaf without pixels");

  std::int32_t children = 0;
  std::int32_t leafChildren = 0;
  TOctreeCount pixels = 0, red = 0, green = 0, blue = 0;
  for (int i = 0; i < 8; ++i) {
    const TOctreeNode* child = node.Child(i);
    if (child == nullptr) continue;
    ++children;
    if (child->IsLeaf()) ++leafChildren;
    pixels += child->PixelCount();
    red += child->RedSum();
    green += child->GreenSum();
    blue += child->BlueSum();
    RecountNode(tree, *child, &node, depth + 1, r);
  }
  if (node.ChildCount() != children) fail("FChildCount differs from the children");
  if (node.LeafChildCount() != leafChildren) fail("FLeafChildCount differs from the children");
  if (node.IsLeaf() && children != 0) fail("leaf with children");
  if (!node.IsLeaf() && children > 0 &&
      (node.PixelCount() != pixels || node.RedSum() != red || node.GreenSum() != green ||
       node.BlueSum() != blue)) {
    fail("inner node's count or sums differ from its children's");
  }
}

// Walks the whole tree and checks every kept count against what it counts.
inline ::testing::AssertionResult CountsMatchWalk(const TOctree& tree) {
  TRecount r;
  RecountNode(tree, *tree.Root(), nullptr, 0, r);
  if (!r.fault.empty()) return ::testing::AssertionFailure() << r.fault;
  if (tree.NodeCount() != r.nodes) {
    return ::testing::AssertionFailure()
           << "FNodeCount " << tree.NodeCount() << ", walk finds " << r.nodes;
  }
  if (tree.LeafCount() != r.leaves) {
    return ::testing::AssertionFailure()
           << "FLeafCount " << tree.LeafCount() << ", walk finds " << r.leaves;
  }
  return ::testing::AssertionSuccess();
}

// The leaves in walk order (depth first by child index).
inline void CollectLeaves(const TOctreeNode& node, std::vector<const TOctreeNode*>& out) {
  for (int i = 0; i < 8; ++i) {
    if (node.Child(i) != nullptr) CollectLeaves(*node.Child(i), out);
  }
  if (node.IsLeaf()) out.push_back(&node);
}

// The node where the colour's path ends: a leaf, or an inner node with an empty slot there.
inline const TOctreeNode* PathEnd(const TOctree& tree, const TRGBTriple& colour, int* depth) {
  const TOctreeNode* node = tree.Root();
  int level = 0;
  while (!node->IsLeaf()) {
    const TOctreeNode* child = node->Child(OctantOf(colour, static_cast<std::uint8_t>(level)));
    if (child == nullptr) break;
    node = child;
    ++level;
  }
  if (depth != nullptr) *depth = level;
  return node;
}

// Structure, counts and sums of two trees are the same.
inline bool SameShape(const TOctreeNode& a, const TOctreeNode& b) {
  if (a.IsLeaf() != b.IsLeaf() || a.PixelCount() != b.PixelCount() || a.RedSum() != b.RedSum() ||
      a.GreenSum() != b.GreenSum() || a.BlueSum() != b.BlueSum() ||
      a.ChildCount() != b.ChildCount()) {
    return false;
  }
  for (int i = 0; i < 8; ++i) {
    const TOctreeNode* ca = a.Child(i);
    const TOctreeNode* cb = b.Child(i);
    if ((ca == nullptr) != (cb == nullptr)) return false;
    if (ca != nullptr && !SameShape(*ca, *cb)) return false;
  }
  return true;
}

// A fixed-seed generator of our own, the same numbers everywhere.
class TTestRandom {
 public:
  explicit TTestRandom(std::uint32_t seed) : FState(seed) {}
  std::uint32_t Next() {
    FState = FState * 1664525u + 1013904223u;
    return FState >> 8;
  }

 private:
  std::uint32_t FState;
};

}  // namespace popuran::test
