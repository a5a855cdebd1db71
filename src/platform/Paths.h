// File-name routines. The pure ones come in two flavours so that both Windows-style and
// POSIX-style paths can be checked on any machine; the native flavour is used at run time.
#pragma once

#include <string>

namespace popuran {

enum class TPathFlavour { Windows, Posix };

#ifdef _WIN32
inline constexpr TPathFlavour kNativeFlavour = TPathFlavour::Windows;
#else
inline constexpr TPathFlavour kNativeFlavour = TPathFlavour::Posix;
#endif

// The separator between folders: "\" or "/".
char PathSeparator(TPathFlavour flavour = kNativeFlavour);

// Replaces the extension (from the last "." that stands after the last separator or drive
// colon) with ext, or appends ext when there is none.
std::string ChangeFileExt(const std::string& path, const std::string& ext,
                          TPathFlavour flavour = kNativeFlavour);

// The path up to its last separator, without it; a root keeps its separator ("C:\", "/").
std::string ExtractFileDir(const std::string& path, TPathFlavour flavour = kNativeFlavour);

// True only when a file of that name exists; a folder gives false.
bool FileExists(const std::string& path);

// True when a folder of that name exists.
bool DirectoryExists(const std::string& path);

// Creates every missing folder of the path, outermost first; a trailing separator is ignored.
// A folder that cannot be created is passed over without an error.
void ForceDirectories(const std::string& path);

// Creates one folder whose parent exists; false when it could not be made.
bool MakeDirectory(const std::string& path);

// The path made absolute against the current folder; an absolute path stays as it is.
std::string AbsolutePath(const std::string& path);

// The full path of the running executable ("" when the system does not say).
std::string ExecutablePath();

// The folder for the intermediate files when none is given: the executable's folder, or, when
// that folder cannot be written (an installed tool), $XDG_CACHE_HOME/popuran
// (~/.cache/popuran) or, on Windows, %LOCALAPPDATA%\popuran, created when missing.
std::string DefaultToolDir();

// The current folder of the process.
std::string CurrentDir();

}  // namespace popuran
