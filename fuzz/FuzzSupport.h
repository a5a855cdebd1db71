// What every fuzz target shares: how a finding is reported.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace popuran::fuzz {

// Stops the run so that the fuzzer keeps the input: anything but an error of the tool's own is a
// fault, and so is a broken promise of the code under test.
[[noreturn]] inline void Finding(const std::string& what) {
  std::fprintf(stderr, "FINDING: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace popuran::fuzz
