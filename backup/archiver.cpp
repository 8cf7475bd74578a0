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

int ArchiveOriginalSize(const std::string& archive, const std::string& scratch, std::uint64_t& size,
                        ArchiverError& error) {
  size = 0;
  std::string archivePath, listPath;
  const std::string listName = scratch + "arjlist.txt";
  if (int rc = Resolve(archive, archivePath, error)) return rc;
  if (int rc = Resolve(listName, listPath, error)) return rc;
  const int rc = Run({"l", archivePath}, error, {}, listPath);
  std::string text;
  const int read = common::ReadFileText(listName, text);
  (void)common::EraseFile(listName);
  if (rc != 0) return rc;
  if (read != 0) return Fail(error, read, "Nelze přečíst obsah archivu "_cz + archive);
  // The total line: "     N files   ORIGINAL   COMPRESSED ratio".
  std::istringstream lines(text);
  std::string line;
  bool found = false;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::uint64_t count = 0, original = 0;
    std::string word;
    if ((words >> count >> word) && (word == "files" || word == "file") && (words >> original)) {
      size = original;
      found = true;
    }
  }
  if (!found) return Fail(error, 13, "Nelze přečíst obsah archivu "_cz + archive);
  return 0;
}

}  // namespace backup
