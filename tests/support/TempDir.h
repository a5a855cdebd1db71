// A scratch folder for one test, removed with everything in it when the test ends.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace popuran::test {

class TTempDir {
 public:
  TTempDir() {
#ifdef _WIN32
    // No mkdtemp: a name from the clock and a counter, taken only when the folder is new.
    static int counter = 0;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
      const auto candidate =
          std::filesystem::temp_directory_path() /
          ("popuran-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
      if (std::filesystem::create_directory(candidate)) FPath = candidate;
    }
    if (FPath.empty()) throw std::runtime_error("no scratch folder");
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "popuran-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
#endif
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const {
    return FPath;
  }
  // A path inside the folder, as a UTF-8 string; "/" in name stands for the system's
  // separator. (The narrow path functions would use the ANSI code page on Windows.)
  std::string operator/(const std::string& name) const {
    const std::u8string inside =
        (FPath / std::filesystem::path(std::u8string(name.begin(), name.end())).make_preferred())
            .u8string();
    return std::string(inside.begin(), inside.end());
  }

 private:
  std::filesystem::path FPath;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace popuran::test
