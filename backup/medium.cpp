#include "backup/medium.h"

#include "common/osfile.h"
#include "common/winpath.h"

namespace backup {

namespace {

MediumMaker& Maker() {
  static MediumMaker maker;
  return maker;
}

// 21 for a missing folder, 19 for one without write permission.
int FolderState(const std::string& root) {
  common::FileStat st;
  if (common::GetFileInfo(root, st) != 0 || !st.isDir) return kMediumNotReady;
  return st.readOnly ? kMediumWriteProtected : 0;
}

}  // namespace

DriveMedium::DriveMedium(char drive, std::string folder) : drive_(drive) {
  const bool lead = !folder.empty() && folder.front() == '\\';
  const bool trail = !folder.empty() && folder.back() == '\\';
  folder_.reserve(folder.size() + 2);
  if (!lead) folder_.push_back('\\');
  folder_.append(folder);
  if (!trail && !folder.empty()) folder_.push_back('\\');
}

std::string DriveMedium::Root() const { return std::string(1, drive_) + ":" + folder_; }

int DriveMedium::State() const {
  if (common::Drives().Folder(std::string(1, drive_)).empty()) return kMediumNotReady;
  // The medium is the drive's folder; the diskette folder on it is made by the caller.
  const int drive = FolderState(std::string(1, drive_) + ":\\");
  if (drive != 0) return drive;
  return folder_ == "\\" ? 0 : (FolderState(Root()) == kMediumWriteProtected ? kMediumWriteProtected : 0);
}

int DriveMedium::FreeSpace(std::uint64_t& bytes) const { return common::DiskFreeSpace(Root(), bytes); }

FolderMedium::FolderMedium(std::vector<std::string> folders, std::uint64_t capacity)
    : folders_(std::move(folders)), capacity_(capacity) {}

void FolderMedium::Change() {
  if (current_ < static_cast<int>(folders_.size())) ++current_;
}

std::string FolderMedium::Root() const {
  if (current_ < 0 || current_ >= static_cast<int>(folders_.size())) return "\\nonexistent-medium\\";
  std::string root = folders_[static_cast<std::size_t>(current_)];
  if (root.back() != '\\' && root.back() != '/') root += '\\';
  return root;
}

int FolderMedium::State() const { return FolderState(Root()); }

int FolderMedium::FreeSpace(std::uint64_t& bytes) const {
  bytes = 0;
  std::vector<common::DirItem> items;
  const int code = common::ListDirectory(Root() + "*", items, common::kListFiles);
  if (code != 0 && code != 18) return code;
  std::uint64_t used = 0;
  for (const auto& item : items) used += item.size;
  bytes = used >= capacity_ ? 0 : capacity_ - used;
  return 0;
}

std::unique_ptr<Medium> OpenMedium(char drive, const std::string& folder) {
  if (Maker()) return Maker()(drive, folder);
  return std::make_unique<DriveMedium>(drive, folder);
}

void SetMediumMaker(MediumMaker maker) { Maker() = std::move(maker); }

}  // namespace backup
