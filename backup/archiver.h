// The archiver of compressed copies: Debian's "arj", started without a shell and
// waited for. Names are Windows names (Windows-1250). Each call returns 0 when the
// archiver ran and ended with exit code 0; otherwise a code and a message text for the user.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace backup {

inline constexpr char kArchiverProgram[] = "arj";

struct ArchiverError {
  int code = 0;       // the exit code, or the I/O code of starting it
  std::string text;   // program text for the message box
};

// Packs the named files of `folder` (bare names, no paths stored) into a new archive.
int PackArchive(const std::string& archive, const std::string& folder, const std::vector<std::string>& names,
                ArchiverError& error);
// Tests every file of the archive.
int TestArchive(const std::string& archive, ArchiverError& error);
// Extracts the archive's files (without paths, with their dates) into an existing folder.
int ExtractArchive(const std::string& archive, const std::string& folder, ArchiverError& error);
// What the archive's listing tells: every stored name as it stands (bytes, with any
// folder part) and the sum of the original sizes.
struct ArchiveListing {
  std::vector<std::string> names;
  std::uint64_t original = 0;
};
// Lists the archive (the listing is written to a file of the private folder `scratch`,
// ending in "\"); a listing whose names do not add up to its file count is an error.
int ListArchive(const std::string& archive, const std::string& scratch, ArchiveListing& listing,
                ArchiverError& error);

}  // namespace backup
