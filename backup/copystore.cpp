#include "backup/copystore.h"

#include <random>

#include "common/numbers.h"
#include "common/osfile.h"
#include "common/text.h"
#include "common/winpath.h"

namespace backup {

std::string DataPathTail(std::string_view path) {
  std::string s(path);
  for (int i = 0; i < 2; ++i) {
    const auto slash = s.find('\\');
    if (slash != std::string::npos) s.erase(0, slash + 1);
  }
  return s;
}

std::string SetFolder(char drive, std::string_view tail, std::string_view set) {
  return std::string(1, drive) + ":\\tv3\\" + std::string(tail) + std::string(set) + "\\";
}

std::string ThreeDigits(int number) {
  std::string s = std::to_string(number);
  while (s.size() < 3) s.insert(s.begin(), '0');
  return s;
}

std::string CopyFolderName(int number) { return "kopie." + ThreeDigits(number); }

int NextCopyNumber(int last) {
  const int next = last + 1;
  return next > kCopyFolders || next < 1 ? 1 : next;
}

std::string SetName6(std::string_view set) { return common::AlignText(set, "L", " ", 6); }

std::string MarkerLine(std::string_view series, bool last, std::string_view set, std::string_view note) {
  std::string line = std::string(series) + (last ? " P " : "   ") + SetName6(set);
  if (!note.empty()) line += " | " + std::string(note);
  return line;
}

std::string CopyListLine(int position, std::string_view folder, std::string_view note) {
  return common::FormatFloatMask("#### ", position) + std::string(folder) + " " + std::string(note);
}

int CopyNumberOfLine(std::string_view line) {
  if (line.size() < 14) return 0;
  const std::string_view digits = line.substr(11, 3);
  for (char c : digits)
    if (c < '0' || c > '9') return 0;
  return (digits[0] - '0') * 100 + (digits[1] - '0') * 10 + (digits[2] - '0');
}

bool IsCopyFolderName(std::string_view name) {
  if (name.size() != 9 || !common::SameNameCp1250(name.substr(0, 6), "kopie.")) return false;
  for (char c : name.substr(6))
    if (c < '0' || c > '9') return false;
  return true;
}

int NoteComputer(std::string_view note) {
  const auto colon = note.find(':');
  const std::string_view part = colon == std::string_view::npos ? note.substr(0, 3) : note.substr(colon + 1, 3);
  const std::string digits = TrimBlanks(part);
  if (digits.empty()) return -1;
  for (char c : digits)
    if (c < '0' || c > '9') return -1;
  return std::stoi(digits);
}

std::string SideFileName(int number) { return CopyFolderName(number) + ".adr"; }

std::string TrimBlanks(std::string_view s) { return common::StripLeftSp(common::StripRightSp(s)); }

std::string RandomSeries() {
  static std::mt19937 gen{std::random_device{}()};
  std::uniform_int_distribution<int> dist(0, 9998);
  std::string s = std::to_string(dist(gen));
  while (s.size() < 4) s.insert(s.begin(), '0');
  return s;
}

std::vector<std::string> MaskLines(const std::string& file) {
  const std::string text = file.substr(0, common::TextEnd(file));
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = TrimBlanks(line);
    if (!line.empty()) lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

std::string SizeText(std::uint64_t size) {
  return common::FormatFloatMask(" ### ### ### ", static_cast<double>(size));
}

bool SafeName(std::string_view name) {
  if (!common::IsOneComponent(name)) return false;
  for (unsigned char c : name)
    if (c < 0x20) return false;
  return true;
}

int ScopedFolder::Make(const std::string& parent, const std::string& prefix, const std::string& sub) {
  if (int code = common::MakeUniqueDir(parent, prefix, name_)) return code;
  if (int code = lock_.Create(name_ + kLockName, common::kModeExclusive)) return code;
  sub_ = sub;
  if (!sub.empty())
    if (int code = common::MakeDir(Work())) return code;
  return 0;
}

ScopedFolder::~ScopedFolder() {
  if (!name_.empty() && !keep_) (void)common::RemoveTree(name_);
  lock_.Close();
}

void RemoveDeadFolders(const std::string& folder, const std::string& prefix) {
  std::vector<common::DirItem> items;
  (void)common::ListDirectory(folder + prefix + "*", items, common::kListDirs);
  for (const auto& item : items) {
    if (!SafeName(item.name)) continue;
    const std::string path = folder + item.name + "\\";
    if (item.isLink) {  // only the link goes
      (void)common::RemoveTree(path);
      continue;
    }
    common::File lock;
    const int rc = lock.Open(path + kLockName, common::kModeExclusive);
    if (rc == 32 || common::FileExists(path + kJournalName)) continue;
    (void)common::RemoveTree(path);
  }
}

}  // namespace backup
