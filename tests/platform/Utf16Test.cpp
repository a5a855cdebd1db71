#include <gtest/gtest.h>

#include <string>

#include "platform/Utf16.h"

namespace popuran {
namespace {

struct TUtf16Case {
  const char* name;
  std::string utf8;
  std::wstring wide;
};

// Text that both directions carry unchanged.
TEST(Utf16, RoundTripsEveryPlane) {
  const TUtf16Case cases[] = {
      {"empty", "", L""},
      {"ASCII path", "C:\\Program FIles\\Kobitone\\Kobitone.exe",
       L"C:\\Program FIles\\Kobitone\\Kobitone.exe"},
      {"two-byte", "\xC3\xA9", {wchar_t(0xE9)}},
      {"kana and ideographic space", "ぽぷらん　", {0x307D, 0x3077, 0x3089, 0x3093, 0x3000}},
      {"halfwidth kana", "ｽﾄﾘｰﾑ", {0xFF7D, 0xFF84, 0xFF98, 0xFF70, 0xFF91}},
      {"outside the BMP", "\xF0\x9F\x98\x80", {wchar_t(0xD83D), wchar_t(0xDE00)}},
      {"NUL inside", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
  };
  for (const TUtf16Case& c : cases) {
    EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.name;
    EXPECT_EQ(WideToUtf8(c.wide), c.utf8) << c.name;
  }
}

// Bytes that are not UTF-8 give one U+FFFD per bad byte and never swallow the good text
// around them, so a mangled path cannot name some other existing file.
TEST(Utf16, ReplacesMalformedInput) {
  const wchar_t r = 0xFFFD;
  const TUtf16Case cases[] = {
      {"stray continuation byte", "a\x80z", {L'a', r, L'z'}},
      {"cut short at the end", "a\xE3\x81", {L'a', r, r}},
      {"cut short by ASCII", "\xE3\x81z", {r, r, L'z'}},
      {"overlong slash", "\xC0\xAF", {r, r}},
      {"encoded surrogate", "\xED\xA0\x80", {r, r, r}},
      {"past U+10FFFF", "\xF4\x90\x80\x80", {r, r, r, r}},
      {"invalid lead byte", "\xFF", {r}},
      {"Shift-JIS bytes", "\x83\x65", {r, L'e'}},
  };
  for (const TUtf16Case& c : cases) EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.name;

  EXPECT_EQ(WideToUtf8(std::wstring{wchar_t(0xD800)}), "\xEF\xBF\xBD");  // high alone
  EXPECT_EQ(WideToUtf8(std::wstring{wchar_t(0xDC00), L'x'}),
            "\xEF\xBF\xBDx");  // low alone
  EXPECT_EQ(WideToUtf8(std::wstring{wchar_t(0xD800), L'x'}),
            "\xEF\xBF\xBDx");  // high, no low
}

}  // namespace
}  // namespace popuran
