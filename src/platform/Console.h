// The command line and the console of a command-line program.
#pragma once

#include <string>
#include <vector>

namespace popuran {

// The program's arguments after its own name, as UTF-8. On Windows they come from the wide
// command line, so names outside the ANSI code page arrive intact; argc and argv serve
// elsewhere.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes the console show the program's UTF-8 output as such (Windows); nothing elsewhere.
void PrepareConsole();

}  // namespace popuran
