// Resource identifiers of the window program, shared by the resource script and the code.
#pragma once

#define POPURAN_ICON_ID 1

#ifdef __cplusplus
namespace popuran::win32 {
inline constexpr int kApplicationIconId = POPURAN_ICON_ID;
}  // namespace popuran::win32
#endif
