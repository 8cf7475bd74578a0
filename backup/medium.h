// The removable medium a diskette series is written to and read from. A drive letter
// is the folder the drive map gives it; the program neither mounts nor ejects media.
// Tests put a series of folders of fixed capacity in its place.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace backup {

inline constexpr int kMediumWriteProtected = 19;
inline constexpr int kMediumNotReady = 21;

class Medium {
 public:
  virtual ~Medium() = default;
  // The user has been asked to put the next medium in.
  virtual void Change() {}
  // The folder copies go to and labels stand in (Windows name ending in "\").
  virtual std::string Root() const = 0;
  // 0 ready, 21 no medium (drive not mapped, folder missing), 19 write-protected.
  virtual int State() const = 0;
  // Free bytes on the medium; 0 or an I/O code.
  virtual int FreeSpace(std::uint64_t& bytes) const = 0;
};

// A drive of the drive map, with an optional folder on it ("\" or "\KOPIE\").
class DriveMedium : public Medium {
 public:
  DriveMedium(char drive, std::string folder);
  std::string Root() const override;
  int State() const override;
  int FreeSpace(std::uint64_t& bytes) const override;

 private:
  char drive_;
  std::string folder_;
};

// A series of folders, one per inserted medium, each holding at most `capacity` bytes
// of files. The first Change() inserts the first folder.
class FolderMedium : public Medium {
 public:
  FolderMedium(std::vector<std::string> folders, std::uint64_t capacity);
  void Change() override;
  std::string Root() const override;
  int State() const override;
  int FreeSpace(std::uint64_t& bytes) const override;
  int inserted() const { return current_ + 1; }

 private:
  std::vector<std::string> folders_;
  std::uint64_t capacity_;
  int current_ = -1;
};

// The medium for a drive and diskette folder: a DriveMedium unless a test put a maker in place.
using MediumMaker = std::function<std::unique_ptr<Medium>(char drive, const std::string& folder)>;
std::unique_ptr<Medium> OpenMedium(char drive, const std::string& folder);
void SetMediumMaker(MediumMaker maker);  // empty: back to drives

}  // namespace backup
