// Failures that end a run. Each carries the literal text the user is shown.
#pragma once

#include <exception>
#include <string>

namespace popuran {

// Texts of the failures raised by the platform layer.
inline constexpr const char* kReadErrorText = "ｽﾄﾘｰﾑからの読み込みｴﾗｰ";
inline constexpr const char* kWriteErrorText = "ｽﾄﾘｰﾑへの書き込みｴﾗｰ";
inline constexpr const char* kInvalidBitmapText = "ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です";
inline constexpr const char* kOpenErrorFormat = "ﾌｧｲﾙ %s は開けません";
inline constexpr const char* kCreateErrorFormat = "ﾌｧｲﾙ %s を作成できません";

class TError : public std::exception {
 public:
  explicit TError(std::string text) : FText(std::move(text)) {}
  const char* what() const noexcept override { return FText.c_str(); }
  const std::string& Text() const noexcept { return FText; }

 private:
  std::string FText;
};

// Fewer bytes than asked for were there to read.
class TReadError : public TError {
 public:
  TReadError() : TError(kReadErrorText) {}
};

// Fewer bytes than asked for could be written.
class TWriteError : public TError {
 public:
  TWriteError() : TError(kWriteErrorText) {}
};

// A file could not be opened for reading.
class TOpenError : public TError {
 public:
  explicit TOpenError(const std::string& path);
};

// A file could not be created or replaced.
class TCreateError : public TError {
 public:
  explicit TCreateError(const std::string& path);
};

// The bitmap loader rejected a file.
class TInvalidBitmap : public TError {
 public:
  TInvalidBitmap() : TError(kInvalidBitmapText) {}
};

// A broken precondition, with the source position of the check.
class TAssertionFailure : public TError {
 public:
  TAssertionFailure(const char* file, int line);
};

// Replaces the one "%s" of a format with the argument.
std::string FormatText(const std::string& format, const std::string& argument);

// The text of the application's error report: the error's text, with a "." appended when its
// last character sorts after ".".
std::string ErrorReportText(const std::string& text);

}  // namespace popuran

// Raises TAssertionFailure with this source position when the condition does not hold.
#define POPURAN_ASSERT(condition)                                             \
  do {                                                                        \
    if (!(condition)) throw ::popuran::TAssertionFailure(__FILE__, __LINE__); \
  } while (false)
