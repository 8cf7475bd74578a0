#include "browser/choosers/drives.h"

#include <algorithm>
#include <cctype>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/indexsort.h"
#include "common/osfile.h"
#include "common/startup.h"
#include "common/text.h"
#include "common/winpath.h"
#include "ui/backend.h"
#include "ui/controls.h"

namespace browser {

using namespace common::literals;

namespace {
constexpr int kNotConnected = 21;
constexpr int kMaxFolders = 500;
}  // namespace

std::vector<std::string> DriveLetters() {
  std::vector<std::string> letters;
  for (const auto& [drive, folder] : common::Drives().Entries())
    if (drive.size() == 1) letters.push_back(drive);
  return letters;
}

std::string DriveItem(std::string_view letter) {
  if (letter.empty()) return {};
  return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter[0])))) + ":";
}

void SplitStartFolder(std::string_view start, std::string& drive, std::string& folder) {
  drive.clear();
  folder = start;
  if (start.find(':') != std::string_view::npos) {
    drive = start.substr(0, 1);
    folder = start.size() > 2 ? start.substr(2) : std::string_view();
  }
  if (drive.empty()) drive = "c";
  if (folder.empty()) folder = "\\";
}

std::string FolderWithDrive(std::string_view drive, std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return std::string(drive) + ":" + folder;
}

int TestDrive(std::string_view letter) {
  if (letter.empty() || common::Drives().Folder(letter.substr(0, 1)).empty()) return kNotConnected;
  std::vector<common::DirItem> items;
  const int code = common::ListDirectory(std::string(letter.substr(0, 1)) + ":\\*.*", items);
  if (code == 0 || code == common::io::kNoMoreFiles) return 0;
  return code == common::io::kPathNotFound ? kNotConnected : code;
}

void FillDriveList(ui::ComboBox& list, std::string_view drive) {
  std::vector<std::string> items;
  for (const std::string& l : DriveLetters()) items.push_back(DriveItem(l));
  list.SetItems(std::move(items));
  list.SetText(DriveItem(drive));
}

bool TakeChosenDrive(ui::ComboBox& list, std::string& drive) {
  const std::string chosen = list.text().substr(0, 1);
  const int code = TestDrive(chosen);
  if (code != 0) {
    ShowDriveError(code);
    list.SetText(DriveItem(drive));
    return false;
  }
  drive = chosen;
  return true;
}

void ShowDriveError(int code) {
  if (code == kNotConnected) ui::ShowMessage("Tato jednotka není připojena"_cz);
  else ui::ShowMessage("V této jednotce došlo k chybě "_cz + std::to_string(code));
}

void CheckStartDrive(std::string_view drive) {
  if (drive.empty()) return;
  if (const int code = TestDrive(drive.substr(0, 1))) ShowDriveError(code);
}

std::string ParentFolder(std::string_view folder) {
  std::string f(folder);
  if (!f.empty() && f.back() == '\\') f.pop_back();
  const std::size_t p = f.rfind('\\');
  f = p == std::string::npos ? std::string() : f.substr(0, p + 1);
  return f.empty() ? "\\" : f;
}

std::string FolderOfEntry(std::string_view folder, std::string_view entry) {
  if (entry == ".") return "\\";
  if (entry == "..") return ParentFolder(folder);
  return std::string(folder) + std::string(entry) + "\\";
}

namespace {
// The entries of a listing with whole names, at most maxCount (folders, or files that
// are not empty).
std::vector<common::DirItem> Listed(std::string_view mask, unsigned what, std::size_t maxCount) {
  std::vector<common::DirItem> entries, kept;
  (void)common::ListDirectory(mask, entries, what);
  for (common::DirItem& e : entries) {
    if (kept.size() >= maxCount) break;
    if (!e.isDir && e.size == 0) continue;
    kept.push_back(std::move(e));
  }
  return kept;
}
}  // namespace

std::vector<common::DirItem> ChooserFiles(std::string_view mask, int maxCount) {
  return Listed(mask, common::kListFiles, static_cast<std::size_t>(std::max(maxCount, 0)));
}

std::vector<std::string> FolderListItems(std::string_view drive, std::string_view folder) {
  std::vector<std::string> items{".", ".."};
  for (const common::DirItem& e : Listed(std::string(drive) + ":" + std::string(folder) + "*.*", common::kListDirs, kMaxFolders))
    items.push_back(common::UpperCz(e.name));
  common::QuickSortIdx(
      static_cast<std::int32_t>(items.size()),
      [&](std::int32_t a, std::int32_t b) { return items[static_cast<std::size_t>(a - 1)] < items[static_cast<std::size_t>(b - 1)]; },
      [&](std::int32_t a, std::int32_t b) { std::swap(items[static_cast<std::size_t>(a - 1)], items[static_cast<std::size_t>(b - 1)]); });
  return items;
}

std::string CurrentWinFolder() { return common::WindowsFolderName(common::CurrentFolder()); }

}  // namespace browser
