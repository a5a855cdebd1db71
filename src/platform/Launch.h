// Starting the companion program after a completed run.
#pragma once

#include <string>

namespace popuran {

// Starts the program detached, without arguments, in the current folder. Elsewhere than on
// Windows, a Windows executable (a file that begins with "MZ") is started through wine when wine
// is on PATH. Whether it started is not reported.
void StartProgram(const std::string& executablePath);

// The full path of a program found on PATH, or "".
std::string FindOnPath(const std::string& name);

}  // namespace popuran
