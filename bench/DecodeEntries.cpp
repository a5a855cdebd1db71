// popuran-decode-entries INDEX_FILE OUT_DIR: writes each of the four character entries into
// OUT_DIR as the 8-bit bitmap file that a run decodes it into, before any recipe touches it. The
// comparison with an ImageMagick pipeline starts from these pictures.
#include <algorithm>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ConversionRun.h"
#include "archive/Bm2.h"
#include "archive/Pack.h"
#include "platform/Bytes.h"
#include "platform/Paths.h"
#include "platform/Stream.h"

int main(int argc, char** argv) {
  using namespace popuran;
  if (argc != 3) {
    std::cerr << "usage: popuran-decode-entries INDEX_FILE OUT_DIR\n";
    return 2;
  }
  try {
    const std::string indexFile = argv[1];
    TFileStream index(indexFile);
    const PackHeader header = ReadPackHeader(index);
    if (!IsPackArchive(header)) {
      std::cerr << indexFile << ": not a PACK archive\n";
      return 1;
    }
    TFileStream data(ChangeFileExt(indexFile, ".001"));
    int found = 0;
    for (std::uint32_t i = 1; i <= header.EntryCount; ++i) {
      const PackEntry entry = ReadPackEntry(index, i);
      if (std::none_of(kCharacterEntryNames.begin(), kCharacterEntryNames.end(),
                       [&](const char* name) { return entry.Name == name; })) {
        continue;
      }
      if (entry.Size > data.Size()) throw std::runtime_error(entry.Name + ": entry too large");
      std::vector<std::uint8_t> bytes(entry.Size);
      data.Seek(entry.Offset);
      data.ReadBuffer(bytes.data(), bytes.size());
      std::vector<std::uint8_t> file = DecodeBm2(bytes);
      // The decoder keeps the entry's file size field, which is ten bytes more than the file;
      // ImageMagick refuses such a file, while an archive extractor would write the true size.
      PutU32(file.data() + 2, static_cast<std::uint32_t>(file.size()));
      const std::string path = IntermediatePath(argv[2], entry.Name);
      WriteWholeFile(path, file);
      std::cout << path << '\n';
      ++found;
    }
    return found == static_cast<int>(kCharacterEntryNames.size()) ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << "popuran-decode-entries: " << error.what() << '\n';
    return 4;
  }
}
