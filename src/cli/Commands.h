// The commands of popuran-cli. Each takes the arguments after its own name and returns the
// process's exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace popuran::cli {

using TArguments = std::vector<std::string>;

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotPack = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 3;
inline constexpr int kExitError = 4;

// The preview needs the PNG writer, which a build may leave out; the preview command and the
// demo then only say so.
#ifdef POPURAN_NO_PNG
inline constexpr bool kPreviewAvailable = false;
#else
inline constexpr bool kPreviewAvailable = true;
#endif
inline constexpr const char* kPreviewUnavailableText =
    "the preview is not in this build (it was built without libpng)";

int RunConvertCommand(const TArguments& args, std::istream& in, std::ostream& out,
                      std::ostream& err);
int RunDemoCommand(const TArguments& args, std::ostream& out, std::ostream& err);
int RunNadCommand(const TArguments& args, std::ostream& out, std::ostream& err);
int RunInspectCommand(const TArguments& args, std::ostream& out, std::ostream& err);
int RunPreviewCommand(const TArguments& args, std::ostream& out, std::ostream& err);

}  // namespace popuran::cli
