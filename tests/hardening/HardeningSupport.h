// Helpers for putting faults in the way of a run: small or read-only mounts, the process's open
// descriptors, and leftovers of interrupted writes.
#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace popuran::test {

// A file system mounted over a folder for the lifetime of the object. Mounting needs
// privileges that a container may not grant; Error() then says why, and the test skips.
class TMount {
 public:
  // A tmpfs of the given size ("64k", "100k") over dir.
  static TMount Tmpfs(const std::string& dir, const std::string& size) {
    TMount mount;
    const std::string options = "size=" + size + ",mode=0777";
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0) {
      mount.FDir = dir;
    } else {
      mount.FError = "mount -t tmpfs: " + std::string(std::strerror(errno));
    }
    return mount;
  }

  // dir mounted over itself, read-only.
  static TMount ReadOnly(const std::string& dir) {
    TMount mount;
    if (::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      mount.FError = "mount --bind: " + std::string(std::strerror(errno));
      return mount;
    }
    mount.FDir = dir;
    if (::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      mount.FError = "mount -o remount,bind,ro: " + std::string(std::strerror(errno));
    }
    return mount;
  }

  TMount(TMount&& other) noexcept : FDir(std::move(other.FDir)), FError(std::move(other.FError)) {
    other.FDir.clear();
  }
  TMount& operator=(TMount&&) = delete;
  ~TMount() {
    if (!FDir.empty()) ::umount2(FDir.c_str(), MNT_DETACH);
  }

  bool Mounted() const { return FError.empty(); }
  const std::string& Error() const { return FError; }

 private:
  TMount() = default;
  std::string FDir;
  std::string FError;
};

// How many descriptors the process has open.
inline std::size_t OpenDescriptorCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

// Files under dir whose names mark them as the temporaries of an unfinished write.
inline std::vector<std::string> Temporaries(const std::filesystem::path& dir) {
  std::vector<std::string> found;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (it->path().filename().string().find(".popuran-") != std::string::npos) {
      found.push_back(it->path().string());
    }
  }
  return found;
}

}  // namespace popuran::test
