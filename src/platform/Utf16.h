// Conversions between the program's UTF-8 strings and the UTF-16 strings of the Windows API,
// made where the program meets the system.
#pragma once

#include <string>
#include <string_view>

namespace popuran {

// UTF-8 to UTF-16. A byte sequence that is not UTF-8 becomes U+FFFD, one per bad byte, so a
// path that cannot be named is not found instead of naming some other file.
std::wstring Utf8ToWide(std::string_view text);

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view text);

}  // namespace popuran
