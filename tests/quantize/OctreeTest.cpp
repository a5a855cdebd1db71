#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "FailingAllocation.h"
#include "OctreeTestSupport.h"

namespace popuran {
namespace {

using test::CollectLeaves;
using test::CountsMatchWalk;
using test::Entry;
using test::PathEnd;
using test::Rgb;
using test::TTestRandom;

TEST(OctantOf, TakesOneBitOfEachComponentRedHighest) {
  struct TCase {
    TRGBTriple colour;
    std::uint8_t level;
    std::uint8_t octant;
  };
  const TCase cases[] = {
      {Rgb(0, 0, 0), 0, 0},          {Rgb(255, 0, 0), 0, 4},        {Rgb(0, 255, 0), 0, 2},
      {Rgb(0, 0, 255), 0, 1},        {Rgb(255, 255, 255), 3, 7},    {Rgb(0x80, 0x40, 0x20), 0, 4},
      {Rgb(0x80, 0x40, 0x20), 1, 2}, {Rgb(0x80, 0x40, 0x20), 2, 1}, {Rgb(4, 4, 4), 5, 7},
      {Rgb(3, 3, 3), 5, 0},  // bits 1 and 0 are never looked at
      {Rgb(0x7F, 0x7F, 0x7F), 0, 0},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(OctantOf(c.colour, c.level), c.octant)
        << "r" << int(c.colour.rgbtRed) << " g" << int(c.colour.rgbtGreen) << " b"
        << int(c.colour.rgbtBlue) << " level " << int(c.level);
  }
}

TEST(Octree, EmptyTreeReducesToNoPalette) {
  TOctree tree;
  EXPECT_EQ(tree.NodeCount(), 1);
  EXPECT_EQ(tree.LeafCount(), 0);
  tree.Reduce(256);
  EXPECT_EQ(tree.NodeCount(), 1);
  EXPECT_EQ(tree.LeafCount(), 0);
  EXPECT_EQ(tree.NextIndex(), 0);
  EXPECT_FALSE(tree.Root()->IsLeaf());
  EXPECT_TRUE(tree.GetPalette().empty());
  EXPECT_EQ(tree.LogPalette().palVersion, 0x300);
  EXPECT_EQ(tree.LogPalette().palNumEntries, 0);
  EXPECT_TRUE(CountsMatchWalk(tree));
}

TEST(Octree, LimeRunsDownChildTwoToALeafAtDepthSix) {
  TOctree tree;
  tree.AddColor(kLime);
  const TOctreeNode* node = tree.Root();
  for (int depth = 0; depth < 6; ++depth) {
    ASSERT_FALSE(node->IsLeaf()) << "depth " << depth;
    ASSERT_EQ(node->ChildCount(), 1) << "depth " << depth;
    node = node->Child(2);
    ASSERT_NE(node, nullptr) << "depth " << depth;
  }
  EXPECT_TRUE(node->IsLeaf());
  EXPECT_EQ(node->PixelCount(), 1);
  EXPECT_EQ(tree.NodeCount(), 7);
  EXPECT_EQ(tree.LeafCount(), 1);
  EXPECT_TRUE(CountsMatchWalk(tree));
}

struct TAdd {
  TRGBTriple colour;
  int count;
  std::int32_t index;  // expected palette index after Reduce
};

struct TReduceCase {
  const char* name;
  std::vector<TAdd> adds;
  std::int32_t maxColors;
  std::int32_t nodes;
  std::int32_t leaves;
  TOctreeCount minPixels;
  TOctreeCount smallForks2, smallForks4, smallForks8;
  TPalette palette;
};

// The merging cases are worked out by hand, pass by pass; the comments give the passes.
const TReduceCase kReduceCases[] = {
    {"one colour repeated is one leaf holding exactly it",
     {{Rgb(12, 34, 56), 1000, 0}},
     256,
     7,
     1,
     1,
     0,
     0,
     0,
     {Entry(12, 34, 56)}},
    {"colours equal in bits 7 to 2 share a leaf, mean truncates",
     {{Rgb(0, 0, 0), 1, 0}, {Rgb(3, 3, 3), 1, 0}},
     256,
     7,
     1,
     1,
     0,
     0,
     0,
     {Entry(1, 1, 1)}},
    {"one darker pixel pulls ten lime ones off lime",
     {{kLime, 10, 0}, {Rgb(0, 254, 0), 1, 0}},
     256,
     7,
     1,
     1,
     0,
     0,
     0,
     {Entry(0, 254, 0)}},
    {"each component truncates on its own",
     {{Rgb(255, 255, 255), 1, 0}, {Rgb(252, 253, 254), 1, 0}},
     256,
     7,
     1,
     1,
     0,
     0,
     0,
     {Entry(253, 254, 254)}},
    {"palette is in depth-first child order, not in order of adding; no merge at the limit",
     {{Rgb(255, 255, 255), 1, 4},
      {Rgb(0, 128, 0), 1, 3},
      {Rgb(0, 0, 255), 1, 2},
      {Rgb(0, 0, 4), 1, 1},
      {Rgb(0, 0, 0), 1, 0}},
     5,
     26,
     5,
     1,
     0,
     0,
     0,
     {Entry(0, 0, 0), Entry(0, 0, 4), Entry(0, 0, 255), Entry(0, 128, 0), Entry(255, 255, 255)}},
    // Pass 1, threshold 1: nothing. Smallest fork 2 (the (0,0,0)/(0,0,4) fork); estimates
    // 15/35/44; excess 20 - 3 = 17 > 15, so threshold 4. Pass 2 folds the 2- and the 3-pixel
    // chains into children 0 and 1 of the root: 3 leaves.
    {"one pass folds every chain within the raised threshold",
     {{Rgb(0, 0, 0), 1, 0},
      {Rgb(0, 0, 4), 1, 0},
      {Rgb(0, 0, 255), 3, 1},
      {Rgb(255, 255, 255), 5, 2}},
     3,
     9,
     3,
     5,
     20,
     20,
     29,
     {Entry(0, 0, 2), Entry(0, 0, 255), Entry(255, 255, 255)}},
    // As above, then pass 3 (threshold 5) folds the white chain, pass 4 (threshold 10) the root.
    {"two colours asked for can end with everything in the root",
     {{Rgb(0, 0, 0), 1, 0},
      {Rgb(0, 0, 4), 1, 0},
      {Rgb(0, 0, 255), 3, 0},
      {Rgb(255, 255, 255), 5, 0}},
     2,
     1,
     1,
     TOctree::kNoFork,
     0,
     0,
     0,
     {Entry(127, 127, 204)}},
    // Pass 1 (threshold 1) folds the lone (128,0,0) chain into a leaf under the root: 5 nodes
    // fewer, still 5 leaves. Smallest fork 2; estimates 15/35/35; excess 21 - 4 = 17, so
    // threshold 4, and pass 2 leaves 4 leaves.
    {"the first pass merges single-pixel forks without losing a leaf",
     {{Rgb(0, 0, 0), 1, 0},
      {Rgb(0, 0, 4), 1, 0},
      {Rgb(128, 0, 0), 1, 2},
      {Rgb(0, 0, 255), 3, 1},
      {Rgb(255, 255, 255), 5, 3}},
     4,
     10,
     4,
     5,
     20,
     20,
     30,
     {Entry(0, 0, 2), Entry(0, 0, 255), Entry(128, 0, 0), Entry(255, 255, 255)}},
    // Smallest fork 2; estimates 5 (the 2-pixel chain), 30 (+ the 6-pixel chain), 70 (+ the
    // 9-pixel chain); excess 44 - 7 = 37 lies between, so threshold 6: the 9-pixel chain stays.
    {"an excess above the +4 estimate raises the threshold by 4",
     {{Rgb(0, 0, 0), 1, 0},
      {Rgb(0, 0, 4), 1, 0},
      {Rgb(128, 0, 0), 6, 4},
      {Rgb(0, 255, 0), 9, 2},
      {Rgb(0, 0, 255), 20, 1},
      {Rgb(0, 255, 255), 20, 3},
      {Rgb(255, 255, 0), 20, 5},
      {Rgb(255, 255, 255), 20, 6}},
     7,
     33,
     7,
     9,
     40,
     40,
     40,
     {Entry(0, 0, 2), Entry(0, 0, 255), Entry(0, 255, 0), Entry(0, 255, 255), Entry(128, 0, 0),
      Entry(255, 255, 0), Entry(255, 255, 255)}},
    // Smallest fork 2; estimates 5/5/40 (the 8-pixel chain); excess 50 - 8 = 42 > 40, so
    // threshold 10, which folds the 8-pixel chain too.
    {"an excess above the +8 estimate raises the threshold by 8",
     {{Rgb(0, 0, 0), 1, 0},
      {Rgb(0, 0, 4), 1, 0},
      {Rgb(128, 0, 0), 8, 4},
      {Rgb(0, 0, 255), 20, 1},
      {Rgb(0, 255, 0), 20, 2},
      {Rgb(0, 255, 255), 20, 3},
      {Rgb(255, 0, 255), 20, 5},
      {Rgb(255, 255, 0), 20, 6},
      {Rgb(255, 255, 255), 20, 7}},
     8,
     39,
     8,
     20,
     570,
     570,
     570,
     {Entry(0, 0, 2), Entry(0, 0, 255), Entry(0, 255, 0), Entry(0, 255, 255), Entry(128, 0, 0),
      Entry(255, 0, 255), Entry(255, 255, 0), Entry(255, 255, 255)}},
};

void PrintTo(const TReduceCase& c, std::ostream* os) {
  *os << c.name;
}

class ReduceCases : public ::testing::TestWithParam<TReduceCase> {};

TEST_P(ReduceCases, EndsInTheWorkedOutTree) {
  const TReduceCase& c = GetParam();
  TOctree tree;
  for (const TAdd& add : c.adds) {
    for (int i = 0; i < add.count; ++i) tree.AddColor(add.colour);
  }
  ASSERT_TRUE(CountsMatchWalk(tree));

  tree.Reduce(c.maxColors);
  ASSERT_TRUE(CountsMatchWalk(tree));
  EXPECT_EQ(tree.NodeCount(), c.nodes);
  EXPECT_EQ(tree.LeafCount(), c.leaves);
  EXPECT_EQ(tree.NextIndex(), c.leaves);
  EXPECT_EQ(tree.MinPixels(), c.minPixels);
  EXPECT_EQ(tree.SmallForks2(), c.smallForks2);
  EXPECT_EQ(tree.SmallForks4(), c.smallForks4);
  EXPECT_EQ(tree.SmallForks8(), c.smallForks8);

  const TPalette palette = tree.GetPalette();
  EXPECT_EQ(palette, c.palette);
  EXPECT_EQ(tree.LogPalette().palNumEntries, c.leaves);
  for (const TAdd& add : c.adds) {
    EXPECT_EQ(tree.GetColorIndex(add.colour), add.index)
        << "r" << int(add.colour.rgbtRed) << " g" << int(add.colour.rgbtGreen) << " b"
        << int(add.colour.rgbtBlue);
  }
  EXPECT_TRUE(CountsMatchWalk(tree));
}

INSTANTIATE_TEST_SUITE_P(Octree, ReduceCases, ::testing::ValuesIn(kReduceCases),
                         [](const ::testing::TestParamInfo<TReduceCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p != '\0'; ++p) {
                             const char ch = *p;
                             const bool alnum = (ch >= 'a' && ch <= 'z') ||
                                                (ch >= 'A' && ch <= 'Z') ||
                                                (ch >= '0' && ch <= '9');
                             if (alnum)
                               name += ch;
                             else if (!name.empty() && name.back() != '_')
                               name += '_';
                           }
                           return name;
                         });

// Many distinct colours: the node cap during collection, then a reduction.
TEST(Octree, ManyColoursStayUnderTheCapAndReduceConsistently) {
  for (const std::int32_t maxColors : {256, 16, 2}) {
    SCOPED_TRACE(maxColors);
    TOctree tree;
    std::vector<TRGBTriple> added;
    TTestRandom random(12345);
    for (int i = 0; i < 110000; ++i) {
      const std::uint32_t v = random.Next();
      const TRGBTriple colour = Rgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
      tree.AddColor(colour);
      added.push_back(colour);
      ASSERT_LE(tree.NodeCount(), TOctree::kMaxNodes) << "after add " << i;
    }
    ASSERT_GT(tree.MinPixels(), 0) << "the node cap was never reached";
    ASSERT_TRUE(CountsMatchWalk(tree));
    EXPECT_EQ(tree.Root()->PixelCount(), 110000);

    tree.Reduce(maxColors);
    ASSERT_TRUE(CountsMatchWalk(tree));
    EXPECT_GE(tree.LeafCount(), 1);
    EXPECT_LE(tree.LeafCount(), maxColors);

    const TPalette palette = tree.GetPalette();
    ASSERT_EQ(palette.size(), static_cast<std::size_t>(tree.LeafCount()));
    std::vector<const TOctreeNode*> leaves;
    CollectLeaves(*tree.Root(), leaves);
    for (std::size_t i = 0; i < leaves.size(); ++i) {
      EXPECT_EQ(leaves[i]->ColorIndex(), static_cast<std::int32_t>(i));
      EXPECT_EQ(palette[i], leaves[i]->GetAverageColor());
    }
    // Every added colour reaches a leaf, and its lookup is that leaf's number.
    for (const TRGBTriple& colour : added) {
      const TOctreeNode* end = PathEnd(tree, colour, nullptr);
      ASSERT_TRUE(end->IsLeaf());
      ASSERT_EQ(tree.GetColorIndex(colour), end->ColorIndex());
    }
  }
}

// Colours whose components are multiples of 8 each have a depth-5 node of their own: 32768 of
// them, 70217 nodes. A second colour (blue + 4) in such a node adds one leaf; the 29784th
// takes the tree to 100001 nodes.
TRGBTriple GridColour(int i) {
  return Rgb(static_cast<std::uint8_t>(((i >> 10) & 31) * 8),
             static_cast<std::uint8_t>(((i >> 5) & 31) * 8),
             static_cast<std::uint8_t>((i & 31) * 8));
}

TEST(Octree, CollectionTrimsWithThresholdsFromOneUp) {
  struct TCase {
    const char* name;
    int repeatedSingles;  // lone base colours added twice before the cap is reached
    std::int32_t nodes;
    std::int32_t leaves;
    TOctreeCount minPixels;
  };
  const TCase cases[] = {
      // Threshold 1 folds the 2984 one-pixel forks, one node each: 97017 nodes, one walk.
      {"one walk", 0, 97017, 62552, 2},
      // Threshold 1 folds only 484 (99517 left), so threshold 2 runs and folds every depth-5
      // node: 37449 nodes, the 32768 of depth 5 now leaves.
      {"two walks", 2500, 37449, 32768, 3},
  };
  constexpr int kBase = 32768;
  constexpr int kDoubled = 29784;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TOctree tree;
    for (int i = 0; i < kBase; ++i) tree.AddColor(GridColour(i));
    ASSERT_EQ(tree.NodeCount(), 70217);
    for (int i = kDoubled; i < kDoubled + c.repeatedSingles; ++i) tree.AddColor(GridColour(i));
    for (int i = 0; i < kDoubled - 1; ++i) {
      TRGBTriple colour = GridColour(i);
      colour.rgbtBlue = static_cast<std::uint8_t>(colour.rgbtBlue + 4);
      tree.AddColor(colour);
    }
    ASSERT_EQ(tree.NodeCount(), TOctree::kMaxNodes);  // at the cap, not past it: no trim
    ASSERT_EQ(tree.MinPixels(), 0);
    TRGBTriple last = GridColour(kDoubled - 1);
    last.rgbtBlue = static_cast<std::uint8_t>(last.rgbtBlue + 4);
    tree.AddColor(last);

    EXPECT_EQ(tree.NodeCount(), c.nodes);
    EXPECT_EQ(tree.LeafCount(), c.leaves);
    EXPECT_EQ(tree.MinPixels(), c.minPixels);
    EXPECT_TRUE(CountsMatchWalk(tree));
    EXPECT_EQ(tree.Root()->PixelCount(), kBase + c.repeatedSingles + kDoubled);
  }
}

// Adding a run of one colour at once is what the bitmap reduction does; it must leave the very
// tree that single adds leave, also where the node cap trims in the middle of the runs.
TEST(Octree, AddingARunEqualsAddingItsPixelsOneByOne) {
  TOctree single;
  TOctree runs;
  TTestRandom random(777);
  for (int i = 0; i < 110000; ++i) {
    const std::uint32_t v = random.Next();
    const TRGBTriple colour = Rgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    const int length = 1 + static_cast<int>((v >> 24) % 4);
    for (int k = 0; k < length; ++k) single.AddColor(colour);
    runs.AddColors(colour, length);
  }
  runs.AddColors(kLime, 0);  // an empty run adds nothing
  ASSERT_GT(single.MinPixels(), 0) << "the node cap was never reached";
  EXPECT_EQ(runs.NodeCount(), single.NodeCount());
  EXPECT_EQ(runs.LeafCount(), single.LeafCount());
  EXPECT_EQ(runs.MinPixels(), single.MinPixels());
  EXPECT_TRUE(test::SameShape(*runs.Root(), *single.Root()));
  EXPECT_TRUE(CountsMatchWalk(runs));
}

// Colour feeds for comparing the reduction with its walk-by-walk form.
std::vector<TRGBTriple> UniformFeed(int pixels, std::uint32_t seed) {
  std::vector<TRGBTriple> feed;
  TTestRandom random(seed);
  for (int i = 0; i < pixels; ++i) {
    const std::uint32_t v = random.Next();
    feed.push_back(Rgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF));
  }
  return feed;
}

// A few clumps of colour, each colour repeated a varying number of times.
std::vector<TRGBTriple> ClumpedFeed(int colours, std::uint32_t seed) {
  const int centres[][3] = {
      {0, 255, 0}, {240, 200, 180}, {40, 30, 35}, {180, 30, 60}, {30, 40, 150}};
  std::vector<TRGBTriple> feed;
  TTestRandom random(seed);
  for (int i = 0; i < colours; ++i) {
    const int* c = centres[random.Next() % 5];
    auto near = [&](int centre) {
      const int spread =
          static_cast<int>(random.Next() % 64) - static_cast<int>(random.Next() % 64);
      return static_cast<std::uint8_t>(std::clamp(centre + spread, 0, 255));
    };
    const TRGBTriple colour = Rgb(near(c[0]), near(c[1]), near(c[2]));
    const int repeats = 1 + static_cast<int>(random.Next() % 40);
    for (int k = 0; k < repeats; ++k) feed.push_back(colour);
  }
  return feed;
}

struct TWalkOutcome {
  TOctreeCount minPixels = 0;
  TOctreeCount smallForks2 = 0, smallForks4 = 0, smallForks8 = 0;
};

// The reduction as a loop of passes, each one trim walk, FindMinForkPixels and
// CountSmallForkNodes, with the threshold raised by the estimates.
TWalkOutcome ReduceByWalks(TOctree& tree, std::int32_t maxColors) {
  TWalkOutcome outcome;
  TOctreeCount threshold = 1;
  while (tree.LeafCount() > maxColors && !tree.Root()->IsLeaf()) {
    tree.TrimForks(threshold);
    tree.FindMinForkPixels();
    tree.CountSmallForkNodes();
    const TOctreeCount excess = tree.NodeCount() - maxColors;
    threshold = tree.MinPixels() + (excess > tree.SmallForks8()   ? 8
                                    : excess > tree.SmallForks4() ? 4
                                    : excess > tree.SmallForks2() ? 2
                                                                  : 0);
    outcome.smallForks2 = tree.SmallForks2();
    outcome.smallForks4 = tree.SmallForks4();
    outcome.smallForks8 = tree.SmallForks8();
  }
  outcome.minPixels = threshold;
  tree.NumberLeaves();
  return outcome;
}

TEST(Octree, ReduceEndsWhereTheWalkByWalkPassesEnd) {
  struct TFeed {
    const char* name;
    std::vector<TRGBTriple> colours;
  };
  const TFeed feeds[] = {
      {"uniform", UniformFeed(20000, 5)},
      {"clumped", ClumpedFeed(3000, 6)},
      {"few", UniformFeed(40, 7)},
  };
  for (const TFeed& feed : feeds) {
    for (const std::int32_t maxColors : {256, 100, 16, 3, 2}) {
      SCOPED_TRACE(std::string(feed.name) + ", " + std::to_string(maxColors) + " colours");
      TOctree byWalks;
      TOctree reduced;
      for (const TRGBTriple& colour : feed.colours) {
        byWalks.AddColor(colour);
        reduced.AddColor(colour);
      }
      const TWalkOutcome expected = ReduceByWalks(byWalks, maxColors);
      reduced.Reduce(maxColors);
      ASSERT_TRUE(CountsMatchWalk(reduced));
      EXPECT_EQ(reduced.NodeCount(), byWalks.NodeCount());
      EXPECT_EQ(reduced.LeafCount(), byWalks.LeafCount());
      EXPECT_LE(reduced.LeafCount(), maxColors);
      EXPECT_EQ(reduced.MinPixels(), expected.minPixels);
      EXPECT_EQ(reduced.SmallForks2(), expected.smallForks2);
      EXPECT_EQ(reduced.SmallForks4(), expected.smallForks4);
      EXPECT_EQ(reduced.SmallForks8(), expected.smallForks8);
      EXPECT_TRUE(test::SameShape(*reduced.Root(), *byWalks.Root()));
      EXPECT_EQ(reduced.GetPalette(), byWalks.GetPalette());
    }
  }
}

TEST(Octree, TrimToNodesEndsWhereWalksWithThresholdsFromOneUpEnd) {
  const std::vector<TRGBTriple> feed = UniformFeed(60000, 8);
  TOctree probe;
  for (const TRGBTriple& colour : feed) probe.AddColor(colour);
  ASSERT_EQ(probe.MinPixels(), 0) << "the feed must stay below the node cap";
  const std::int32_t n = probe.NodeCount();
  for (const std::int32_t maxNodes : {n + 10, n - 1, n * 3 / 4, n / 2, n / 4}) {
    SCOPED_TRACE(maxNodes);
    TOctree byWalks;
    TOctree trimmed;
    for (const TRGBTriple& colour : feed) {
      byWalks.AddColor(colour);
      trimmed.AddColor(colour);
    }
    TOctreeCount threshold = 1;
    do {
      byWalks.TrimForks(threshold);
      ++threshold;
    } while (byWalks.NodeCount() > maxNodes);
    trimmed.TrimToNodes(maxNodes);
    ASSERT_TRUE(CountsMatchWalk(trimmed));
    EXPECT_EQ(trimmed.NodeCount(), byWalks.NodeCount());
    EXPECT_EQ(trimmed.LeafCount(), byWalks.LeafCount());
    EXPECT_EQ(trimmed.MinPixels(), threshold);
    EXPECT_TRUE(test::SameShape(*trimmed.Root(), *byWalks.Root()));
  }
}

// Running out of memory while a node is made: the tree must be the tree from before the add,
// whichever of the new nodes could not be made.
TEST(Octree, AddThatRunsOutOfMemoryLeavesTheTreeAsItWas) {
  const std::vector<TRGBTriple> feed = UniformFeed(300, 9);
  // Needs five new nodes below an existing child of the root, then one more for the second.
  const TRGBTriple fresh[] = {Rgb(129, 1, 1), Rgb(129, 1, 5)};
  TOctree tree;
  TOctree twin;
  for (const TRGBTriple& colour : feed) {
    tree.AddColor(colour);
    twin.AddColor(colour);
  }
  for (const TRGBTriple& colour : fresh) {
    bool added = false;
    long succeeding = 0;
    for (; !added; ++succeeding) {
      SCOPED_TRACE(succeeding);
      ASSERT_LT(succeeding, 10);
      try {
        test::TFailingAllocation failing(succeeding);
        tree.AddColor(colour);
        added = true;
      } catch (const std::bad_alloc&) {
      }
      ASSERT_TRUE(CountsMatchWalk(tree));
      if (!added) {
        ASSERT_TRUE(test::SameShape(*tree.Root(), *twin.Root()));
      }
    }
    EXPECT_GT(succeeding, 1) << "no node was refused";
    twin.AddColor(colour);
    EXPECT_TRUE(test::SameShape(*tree.Root(), *twin.Root()));
  }
  EXPECT_EQ(tree.NodeCount(), twin.NodeCount());
}

TEST(Octree, LookupOfAColourNeverAddedMakesNothing) {
  TOctree tree;
  tree.AddColor(Rgb(0, 0, 0));
  tree.AddColor(Rgb(255, 255, 255));
  tree.Reduce(256);
  const std::int32_t nodes = tree.NodeCount();
  // (0,0,128) leaves the black path at depth 1; (128,0,0) finds an empty root slot.
  for (const TRGBTriple& colour : {Rgb(0, 0, 128), Rgb(128, 0, 0), Rgb(0, 0, 4)}) {
    const std::int32_t index = tree.GetColorIndex(colour);
    EXPECT_GE(index, 0);
    EXPECT_LT(index, tree.LeafCount());
  }
  EXPECT_EQ(tree.NodeCount(), nodes);
  EXPECT_TRUE(CountsMatchWalk(tree));
}

// More leaves than the palette record holds: only the first 256 are written.
TEST(Octree, PaletteOfTooManyLeavesStopsAt256Entries) {
  TOctree tree;
  for (int i = 0; i < 300; ++i) tree.AddColor(GridColour(i));
  ASSERT_EQ(tree.LeafCount(), 300);
  tree.Reduce(300);
  const TPalette palette = tree.GetPalette();
  ASSERT_EQ(palette.size(), 256u);
  EXPECT_EQ(tree.LogPalette().palNumEntries, 300);
  EXPECT_EQ(tree.NextIndex(), 300);
  std::vector<const TOctreeNode*> leaves;
  CollectLeaves(*tree.Root(), leaves);
  for (std::size_t i = 0; i < palette.size(); ++i)
    EXPECT_EQ(palette[i], leaves[i]->GetAverageColor());
}

// A limit below one cannot be met; the reduction stops with everything in the root.
TEST(Octree, ReduceBelowOneColourStopsAtTheRoot) {
  for (const std::int32_t maxColors : {1, 0, -5}) {
    TOctree tree;
    for (int i = 0; i < 50; ++i) tree.AddColor(GridColour(i * 97));
    tree.Reduce(maxColors);
    EXPECT_EQ(tree.NodeCount(), 1) << maxColors;
    EXPECT_EQ(tree.LeafCount(), 1) << maxColors;
    EXPECT_TRUE(tree.Root()->IsLeaf());
    EXPECT_EQ(tree.GetPalette().size(), 1u);
  }
}

// Sums over more than 8421504 bright pixels do not fit in 32 bits; they must not wrap.
TEST(Octree, HugePixelCountsKeepExactMeans) {
  TOctree tree;
  tree.AddColors(Rgb(255, 255, 255), 9000000);
  tree.AddColors(Rgb(252, 253, 254), 3000000);
  tree.Reduce(256);
  EXPECT_EQ(tree.GetPalette(), (TPalette{Entry(254, 254, 254)}));
  EXPECT_TRUE(CountsMatchWalk(tree));
}

}  // namespace
}  // namespace popuran
