#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>

#include "charfile/NadFile.h"
#include "charfile/NadInspect.h"
#include "cli/Commands.h"
#include "platform/Error.h"
#include "platform/Stream.h"

namespace popuran::cli {

namespace {

constexpr const char* kInspectUsage = "usage: popuran-cli inspect FILE [--extract OUT.bmp]\n";

std::string HexBytes(const std::vector<std::uint8_t>& bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count && i < bytes.size(); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
    if (!text.empty()) text += ' ';
    text += hex;
  }
  return text;
}

void PrintReport(const TNadInspection& report, const std::vector<std::uint8_t>& bytes,
                 std::ostream& out) {
  out << "size: " << report.Size << '\n';

  out << "magic: ";
  switch (report.Magic) {
    case TNadPart::Matches:
      out << "NANI\n";
      break;
    case TNadPart::Differs:
      out << HexBytes(bytes, 4) << " (not NANI)\n";
      break;
    case TNadPart::Missing:
      out << "missing\n";
      break;
  }

  out << "header: ";
  switch (report.Header) {
    case TNadPart::Matches:
      out << "matches\n";
      break;
    case TNadPart::Differs:
      out << "differs at byte " << report.HeaderDiffersAt << '\n';
      break;
    case TNadPart::Missing:
      out << "missing\n";
      break;
  }

  out << "tail: ";
  switch (report.Tail) {
    case TNadPart::Matches:
      out << "matches\n";
      break;
    case TNadPart::Differs:
      out << "differs at byte " << report.TailDiffersAt << '\n';
      break;
    case TNadPart::Missing:
      out << "missing\n";
      break;
  }

  out << "picture: ";
  if (report.HasInfoHeader) {
    out << report.Width << 'x' << report.Height << ", " << report.BitCount << " bits, "
        << report.ClrUsed << " colour-table entries";
    if (report.Picture == TNadPart::Differs) out << " (" << report.PictureField << " differs)";
    out << '\n';
  } else {
    out << "missing\n";
  }

  out << "colours used: ";
  if (report.HasPixels) {
    out << report.HighestIndexPlusOne << " (" << report.DistinctIndices << " distinct, palette of "
        << report.PaletteEntries << " entries)\n";
  } else {
    out << "unknown\n";
  }
}

}  // namespace

int RunInspectCommand(const TArguments& args, std::ostream& out, std::ostream& err) {
  std::optional<std::string> file;
  std::optional<std::string> extract;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--extract") {
      if (extract || i + 1 >= args.size() || args[i + 1].empty()) {
        err << kInspectUsage;
        return kExitUsage;
      }
      extract = args[++i];
    } else if (!arg.empty() && arg[0] != '-' && !file) {
      file = arg;
    } else {
      err << kInspectUsage;
      return kExitUsage;
    }
  }
  if (!file) {
    err << kInspectUsage;
    return kExitUsage;
  }

  try {
    // A character file has a fixed length; of a longer file only that much is read.
    TFileStream stream(*file);
    const std::uint64_t fileSize = stream.Size();
    std::vector<std::uint8_t> bytes(
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kNadFileSize)));
    stream.ReadBuffer(bytes.data(), bytes.size());
    const TNadInspection report = InspectNad(bytes, fileSize);
    PrintReport(report, bytes, out);
    if (extract) {
      // The picture can be taken out of a file that is damaged elsewhere.
      if (report.Picture == TNadPart::Matches && report.HasPixels) {
        ExtractNadPicture(bytes).SaveToFile(*extract);
        out << "extracted: " << *extract << '\n';
      } else {
        out << "extracted: nothing, the picture is damaged or incomplete\n";
      }
    }
    if (!report.Sound()) {
      err << *file << ": " << report.Verdict << '\n';
      return kExitError;
    }
    return kExitOk;
  } catch (const std::exception& error) {
    err << ErrorReportText(error.what()) << '\n';
    return kExitError;
  }
}

}  // namespace popuran::cli
