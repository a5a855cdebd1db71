// The POSIX side of the file streams: descriptors, pread, and a rename that replaces a file
// in one step.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/Error.h"
#include "platform/Stream.h"

namespace popuran {

namespace {
int OpenForReading(const std::string& path) {
  int handle;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, for ever if none
  // comes; such a file is refused below as soon as it is open.
  do {
    handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (handle < 0 && errno == EINTR);
  return handle;
}
}  // namespace

TFileStream::TFileStream(const std::string& path) {
  const int handle = OpenForReading(path);
  if (handle < 0) throw TOpenError(path);
  struct stat info {};
  // Only a regular file has a size to walk; a FIFO, a device or a folder is refused. The
  // remaining reads of a regular file block as usual.
  const int flags = ::fcntl(handle, F_GETFL);
  if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
      ::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(handle);
    throw TOpenError(path);
  }
  FHandle = handle;
  FSize = static_cast<std::uint64_t>(info.st_size);
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(static_cast<int>(FHandle));
}

std::size_t TFileStream::ReadAt(std::uint64_t position, void* buffer, std::size_t count) {
  const int handle = static_cast<int>(FHandle);
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::pread(handle, out + done, count - done, static_cast<off_t>(position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

namespace {

// Opens a new file beside path, named <name>.popuran-XXXXXX with six characters that no file
// there has yet. O_EXCL makes the name ours alone, and mode 0666 lets the umask decide the
// permissions as for any new file. A crash before the rename leaves at worst this file, which
// its name says is a leftover of the tool.
int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  static std::atomic<std::uint64_t> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t seed =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(::getpid()) << 32) ^
        (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    std::string suffix(6, '0');
    for (char& c : suffix) {
      c = kDigits[seed % 36];
      seed /= 36;
    }
    temporary = path + ".popuran-" + suffix;
    int handle;
    do {
      handle = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (handle < 0 && errno == EINTR);
    if (handle >= 0 || errno != EEXIST) return handle;
  }
  return -1;
}

bool WriteAll(int handle, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(handle, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes the bytes to a temporary file beside path and renames it over path; synced first when
// sync is true.
void ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes, bool sync) {
  // The temporary file lies in the same folder, so the final rename stays on one file system
  // and replaces the old file in one step: a reader sees the old file or the new one, whole.
  std::string temporary;
  const int handle = CreateTemporaryBeside(path, temporary);
  if (handle < 0) throw TCreateError(path);
  // The bytes must be on the disk before the name points at them; otherwise a crash soon after
  // the rename could leave the name on an empty or partial file.
  bool written = WriteAll(handle, bytes) && (!sync || ::fsync(handle) == 0);
  // A full disk or a quota may only show when the file is closed.
  if (::close(handle) != 0) written = false;
  if (!written) {
    ::unlink(temporary.c_str());
    throw TWriteError();
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    throw TCreateError(path);
  }
}

}  // namespace

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  ReplaceFile(path, bytes, true);
}

void WriteScratchFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  ReplaceFile(path, bytes, false);
}

}  // namespace popuran
