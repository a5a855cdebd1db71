// Byte streams with exact reads and writes: a short transfer raises an error instead of
// returning less.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace popuran {

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes at the position; returns how many were read.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes up to count bytes at the position; returns how many were written.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves to an absolute position; a position past the end is allowed.
  virtual void Seek(std::uint64_t position) = 0;
  virtual std::uint64_t Position() const = 0;
  virtual std::uint64_t Size() const = 0;

  // Exactly count bytes, or TReadError.
  void ReadBuffer(void* buffer, std::size_t count);
  // Exactly count bytes, or TWriteError.
  void WriteBuffer(const void* buffer, std::size_t count);
  // Copies exactly count bytes from source's position to this one's; 0 copies nothing.
  void CopyFrom(TStream& source, std::uint64_t count);
};

// A stream in memory that grows as it is written.
class TMemoryStream : public TStream {
 public:
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  void Seek(std::uint64_t position) override { FPosition = position; }
  std::uint64_t Position() const override { return FPosition; }
  std::uint64_t Size() const override { return FData.size(); }

  const std::vector<std::uint8_t>& Memory() const { return FData; }
  std::vector<std::uint8_t>& Memory() { return FData; }
  // Writes the whole content to a file that is created or replaced.
  void SaveToFile(const std::string& path) const;

 private:
  std::vector<std::uint8_t> FData;
  std::uint64_t FPosition = 0;
};

// A file opened for reading only. Reads go through a small buffer, so a walk of many small
// records costs few system calls.
class TFileStream : public TStream {
 public:
  // Opens an existing file for reading; TOpenError when it cannot be opened.
  explicit TFileStream(const std::string& path);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;  // always 0: read-only
  void Seek(std::uint64_t position) override { FPosition = position; }
  std::uint64_t Position() const override { return FPosition; }
  std::uint64_t Size() const override { return FSize; }

 private:
  // Reads up to count bytes at an absolute position, bypassing the buffer; the platform's part.
  std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count);

  // A descriptor on POSIX, a HANDLE on Windows; -1 is "none" (INVALID_HANDLE_VALUE) on both.
  std::intptr_t FHandle = -1;
  std::uint64_t FSize = 0;
  std::uint64_t FPosition = 0;
  std::vector<std::uint8_t> FBuffer;
  std::uint64_t FBufferStart = 0;
  std::size_t FBufferLength = 0;
};

// Reads a whole file into memory; TOpenError when it cannot be opened, TReadError when it
// changes size while being read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Writes bytes to a file that is created or replaced. The bytes go to a temporary file in the
// same folder that replaces the file only once complete, so a failure leaves the earlier file
// as it was. TCreateError when the file cannot be created, TWriteError when a write falls short.
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// The same for one of the tool's own scratch files, which every run writes anew before it reads
// them: a reader still sees the old file or the new one whole, but the write does not wait for
// the disk, since a file lost in a crash of the system costs nothing but the next run.
void WriteScratchFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace popuran
