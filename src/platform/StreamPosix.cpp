// The POSIX side of the file streams: descriptors, pread, and a rename that replaces a file
// in one step.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Error.h"
#include "platform/Stream.h"

namespace popuran {

namespace {
int OpenForReading(const std::string& path) {
  int handle;
  do {
    handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (handle < 0 && errno == EINTR);
  return handle;
}
}  // namespace

TFileStream::TFileStream(const std::string& path) {
  const int handle = OpenForReading(path);
  if (handle < 0) throw TOpenError(path);
  struct stat info {};
  if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) {
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

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  // The temporary name lies in the same folder, so the final rename stays on one file system.
  std::string temporary = path + ".XXXXXX";
  int handle = ::mkstemp(temporary.data());
  if (handle < 0) throw TCreateError(path);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(handle, 0666 & ~mask);
  std::size_t done = 0;
  bool failed = false;
  while (done < bytes.size()) {
    const ssize_t n = ::write(handle, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed = true;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(handle) != 0) failed = true;
  if (failed) {
    ::unlink(temporary.c_str());
    throw TWriteError();
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    throw TCreateError(path);
  }
}

}  // namespace popuran
