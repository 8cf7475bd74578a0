#include "backup/archiver.h"

#include <sstream>

#include "common/encoding.h"
#include "common/osfile.h"
#include "common/process.h"
#include "common/winpath.h"

namespace backup {

using namespace common::literals;

namespace {

int Fail(ArchiverError& error, int code, const std::string& text) {
  error.code = code;
  error.text = text;
  return code == 0 ? -1 : code;
}

int Run(const std::vector<std::string>& args, ArchiverError& error, const std::string& workDir = {},
        const std::string& output = {}) {
  common::RunOptions options;
  options.hidden = true;
  options.wait = true;
  options.workDir = workDir;
  options.outputFile = output;
  common::RunResult result;
  if (int rc = common::RunProgram(kArchiverProgram, args, options, result))
    return Fail(error, rc, "Archivační program arj nelze spustit, chyba "_cz + std::to_string(rc));
  if (result.exitCode != 0)
    return Fail(error, result.exitCode == 0 ? -1 : result.exitCode,
                "Archivační program arj skončil chybou "_cz + std::to_string(result.exitCode));
  error = {};
  return 0;
}

int Resolve(const std::string& name, std::string& real, ArchiverError& error) {
  if (int rc = common::ResolveName(name, real)) return Fail(error, rc, "Cesta nenalezena: "_cz + name);
  return 0;
}

}  // namespace

int PackArchive(const std::string& archive, const std::string& folder, const std::vector<std::string>& names,
                ArchiverError& error) {
  std::string archivePath, folderPath;
  if (int rc = Resolve(archive, archivePath, error)) return rc;
  if (int rc = Resolve(folder, folderPath, error)) return rc;
  std::vector<std::string> args{"a", "-y", "-e", archivePath};
  for (const auto& name : names) args.push_back(common::Win1250ToUtf8(name));
  return Run(args, error, folderPath);
}

int TestArchive(const std::string& archive, ArchiverError& error) {
  std::string archivePath;
  if (int rc = Resolve(archive, archivePath, error)) return rc;
  return Run({"t", "-y", archivePath}, error);
}

int ExtractArchive(const std::string& archive, const std::string& folder, ArchiverError& error) {
  std::string archivePath, folderPath;
  if (int rc = Resolve(archive, archivePath, error)) return rc;
  if (int rc = Resolve(folder, folderPath, error)) return rc;
  if (folderPath.empty() || folderPath.back() != '/') folderPath += '/';
  return Run({"e", archivePath, folderPath, "-y"}, error);
}

int ListArchive(const std::string& archive, const std::string& scratch, ArchiveListing& listing,
                ArchiverError& error) {
  listing = {};
  std::string archivePath, listPath;
  const std::string listName = scratch + "arjlist.txt";
  if (int rc = Resolve(archive, archivePath, error)) return rc;
  if (int rc = Resolve(listName, listPath, error)) return rc;
  const int rc = Run({"v", archivePath}, error, {}, listPath);
  std::string text;
  const int read = common::ReadFileText(listName, text);
  (void)common::EraseFile(listName);
  if (rc != 0) return rc;
  if (read != 0) return Fail(error, read, "Nelze přečíst obsah archivu "_cz + archive);
  // Each file opens with "NNN) name"; the total line reads "     N files   ORIGINAL   COMPRESSED ratio".
  std::istringstream lines(text);
  std::string line;
  bool found = false;
  std::uint64_t files = 0;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto paren = line.find(") ");
    if (paren != std::string::npos && paren >= 3 &&
        line.find_first_not_of("0123456789") == paren) {
      listing.names.push_back(line.substr(paren + 2));
      continue;
    }
    std::istringstream words(line);
    std::uint64_t count = 0, original = 0;
    std::string word;
    if ((words >> count >> word) && (word == "files" || word == "file") && (words >> original)) {
      listing.original = original;
      files = count;
      found = true;
    }
  }
  if (!found || files != listing.names.size()) return Fail(error, 13, "Nelze přečíst obsah archivu "_cz + archive);
  return 0;
}

}  // namespace backup
