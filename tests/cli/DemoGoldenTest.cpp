// The demo's whole output, byte for byte: any change in what the tool writes shows here.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/Commands.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace popuran::cli {
namespace {

struct TGoldenFile {
  const char* path;  // inside the demo folder
  const char* sha256;
};

// Recorded from a reviewed run; `sha256sum` in the demo folder gives the same digests.
constexpr TGoldenFile kGolden[] = {
    {"TH2Data.000", "772ac68c15a9b90cf9a3b3f415f256ba36647afb074f91d834482a647d356da8"},
    {"TH2Data.001", "200bb4ce7b19db547da8ba1c1f83ee7718cd26701f398e9ecc1c52c0459e7d9c"},
    {"work/C00210090.BM2.bmp", "235c98f9d2bd562d9ceaca05031613b8b77c19fe3f3c516e3aed343a8196e527"},
    {"work/C00210080.BM2.bmp", "64dbd0452af453abfdec72fc2b894313c0c2ce158d3c6b125fe533be534d7765"},
    {"work/C00210200.BM2.bmp", "bfc7b2c627b27d00e989422d990d85accceaef238ac5c250dcc19bc49f398189"},
    {"work/C00210110.BM2.bmp", "c209a1e405173168e2fcc35807362fad5d8c21557a6651619ffdcf4b81044b0a"},
    {"Kobitone/B/001.BMP", "8c7a1e438ceb8ea4d7fc931623cc415accc83464eb707477ba994f5774b8258c"},
    {"Kobitone/B/002.BMP", "ed651e646d71393f9341f7292d0c1e4783c15cc068096d0e6244e098333ecf40"},
    {"Kobitone/B/003.BMP", "8f4e7675d89b6f85432c32261d1b938864f87f0328539f9133f19bf57bb16669"},
    {"Kobitone/B/000.NAD", "7a27f42e20e6e72fb98d899a230ff463012cb0986f6e34babd1131fff4c2d447"},
#ifndef POPURAN_NO_PNG  // the PNG bytes come from libpng and zlib as Debian builds them
    {"preview.png", "da07df118ab8c16d5bbb49e34f485444ad4436b4d7f20355d5819269cc66645a"},
#endif
};

TEST(DemoGolden, WritesTheRecordedBytes) {
  test::TTempDir dir;
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(RunDemoCommand({dir / "demo"}, out, err), kExitOk) << err.str();
  for (const TGoldenFile& file : kGolden) {
    const std::string path = dir / (std::string("demo/") + file.path);
    EXPECT_EQ(test::Sha256Hex(test::ReadBytes(path)), file.sha256) << file.path;
    EXPECT_NE(out.str().find(path), std::string::npos) << file.path << " is not reported";
  }
}

}  // namespace
}  // namespace popuran::cli
