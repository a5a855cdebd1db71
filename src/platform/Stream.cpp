#include "platform/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Error.h"

namespace popuran {

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw TReadError();
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw TWriteError();
}

void TStream::CopyFrom(TStream& source, std::uint64_t count) {
  constexpr std::size_t kChunk = 64 * 1024;
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunk)));
  while (count > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunk));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    count -= n;
  }
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (FPosition >= FData.size()) return 0;
  const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, FData.size() - FPosition));
  std::memcpy(buffer, FData.data() + FPosition, n);
  FPosition += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  if (FPosition > FData.max_size() - count) return 0;
  const auto end = static_cast<std::size_t>(FPosition) + count;
  if (end > FData.size()) FData.resize(end);
  std::memcpy(FData.data() + FPosition, buffer, count);
  FPosition = end;
  return count;
}

void TMemoryStream::SaveToFile(const std::string& path) const {
  WriteWholeFile(path, FData);
}

namespace {
constexpr std::size_t kFileBufferSize = 16 * 1024;
}  // namespace

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  if (count == 0) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t n = 0;
  if (count >= kFileBufferSize) {
    n = ReadAt(FPosition, out, count);
  } else {
    const bool inBuffer =
        FPosition >= FBufferStart && FPosition + count <= FBufferStart + FBufferLength;
    if (!inBuffer) {
      FBuffer.resize(kFileBufferSize);
      FBufferStart = FPosition;
      FBufferLength = ReadAt(FPosition, FBuffer.data(), kFileBufferSize);
    }
    if (FPosition < FBufferStart + FBufferLength) {
      const auto offset = static_cast<std::size_t>(FPosition - FBufferStart);
      n = std::min(count, FBufferLength - offset);
      std::memcpy(out, FBuffer.data() + offset, n);
    }
  }
  FPosition += n;
  return n;
}

std::size_t TFileStream::Write(const void*, std::size_t) {
  return 0;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  TFileStream file(path);
  if (file.Size() > SIZE_MAX) throw TReadError();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
  file.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

}  // namespace popuran
