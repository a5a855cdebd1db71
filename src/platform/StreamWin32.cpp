// The Windows side of the file streams: wide-character paths, archive files held without
// sharing, and a replacement of a finished temporary file in one step.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/Error.h"
#include "platform/Stream.h"
#include "platform/Utf16.h"

namespace popuran {

namespace {
HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// Closes a handle when it goes out of scope.
class THandleGuard {
 public:
  explicit THandleGuard(HANDLE handle) : FHandle(handle) {}
  ~THandleGuard() { Close(); }
  THandleGuard(const THandleGuard&) = delete;
  THandleGuard& operator=(const THandleGuard&) = delete;
  HANDLE Get() const { return FHandle; }
  bool Close() {
    if (FHandle == INVALID_HANDLE_VALUE) return true;
    const bool closed = ::CloseHandle(FHandle) != 0;
    FHandle = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE FHandle;
};
}  // namespace

TFileStream::TFileStream(const std::string& path) {
  // No sharing: while the run holds an archive file nobody else can open it, and the open
  // fails while another program holds it.
  HANDLE handle = ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw TOpenError(path);
  LARGE_INTEGER size{};
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &size) ||
      size.QuadPart < 0) {
    ::CloseHandle(handle);
    throw TOpenError(path);
  }
  FHandle = reinterpret_cast<std::intptr_t>(handle);
  FSize = static_cast<std::uint64_t>(size.QuadPart);
}

TFileStream::~TFileStream() {
  if (AsHandle(FHandle) != INVALID_HANDLE_VALUE) ::CloseHandle(AsHandle(FHandle));
}

std::size_t TFileStream::ReadAt(std::uint64_t position, void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    // One call reads at most a DWORD's worth; the position goes in the OVERLAPPED block, so
    // the handle's own file pointer does not matter.
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    const std::uint64_t at = position + done;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD n = 0;
    if (!::ReadFile(AsHandle(FHandle), out + done, chunk, &n, &where) || n == 0) break;
    done += n;
  }
  return done;
}

namespace {
// Writes the bytes to a new temporary file beside path and moves it over path. With flush, the
// bytes and the move are on the disk before it returns, so a crash soon after cannot leave the
// name on a file whose bytes never arrived.
void WriteAndMove(const std::string& path, std::span<const std::uint8_t> bytes, bool flush) {
  // The temporary name lies in the same folder, so the final move is a rename on one volume.
  // The process id and a counter keep two writers (or two threads) apart; CREATE_NEW never
  // takes over a file that is there already.
  static std::atomic<unsigned> counter{0};
  std::wstring temporary;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = Utf8ToWide(path) + L".popuran-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter++) + L".tmp";
    handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (handle == INVALID_HANDLE_VALUE) throw TCreateError(path);
  THandleGuard file(handle);
  std::size_t done = 0;
  bool failed = false;
  while (done < bytes.size()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD n = 0;
    if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &n, nullptr) || n == 0) {
      failed = true;
      break;
    }
    done += n;
  }
  if (!failed && flush && !::FlushFileBuffers(file.Get())) failed = true;
  if (!file.Close()) failed = true;
  if (failed) {
    ::DeleteFileW(temporary.c_str());
    throw TWriteError();
  }
  const DWORD moveFlags = MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : 0);
  if (!::MoveFileExW(temporary.c_str(), Utf8ToWide(path).c_str(), moveFlags)) {
    ::DeleteFileW(temporary.c_str());
    throw TCreateError(path);
  }
}

}  // namespace

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  WriteAndMove(path, bytes, true);
}

void WriteScratchFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  WriteAndMove(path, bytes, false);
}

}  // namespace popuran
