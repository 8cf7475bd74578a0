#include "common/protocol.h"

#include <fcntl.h>
#include <sys/file.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "common/clock.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/filesystem.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/session.h"
#include "common/winpath.h"

namespace common {

namespace {

constexpr std::size_t kTextMax = kProtocolRecordSize - 1;

std::string Record(std::string_view text) {
  std::string rec(kProtocolRecordSize, '\0');
  const std::size_t n = std::min(text.size(), kTextMax);
  rec[0] = static_cast<char>(n);
  std::memcpy(&rec[1], text.data(), n);
  return rec;
}

// The log opened for appending: every write lands at the end of the file (pwrite on
// an O_APPEND descriptor appends on Linux). Holds a shared lock like every other
// open, so a file another program holds exclusively is waited for.
class AppendFile {
 public:
  ~AppendFile() {
    if (fd_ >= 0) CurrentFileSystem().Close(fd_);
  }
  int Open(const std::string& name) {
    if (int code = ResolveName(name, path_)) return code;
    FileSystem& fs = CurrentFileSystem();
    if (int e = fs.Open(path_, O_WRONLY | O_APPEND | O_CREAT, 0666, fd_)) {
      fd_ = -1;
      return IoCodeFromErrno(e, path_);
    }
    if (int e = fs.Lock(fd_, LOCK_SH | LOCK_NB)) return IoCodeFromErrno(e, path_);
    return 0;
  }
  int Size(std::uint64_t& size) {
    FileStat st;
    if (int e = CurrentFileSystem().Stat(fd_, st)) return IoCodeFromErrno(e, path_);
    size = st.size;
    return 0;
  }
  // Holds the file alone for a moment (no other writer is half-way through a record),
  // so that a torn end can be told from a record being written. False when others
  // keep writing.
  bool HoldAlone() {
    FileSystem& fs = CurrentFileSystem();
    for (int i = 0; i < 200; ++i) {
      if (fs.Lock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    fs.Lock(fd_, LOCK_SH);
    return false;
  }
  void Share() { CurrentFileSystem().Lock(fd_, LOCK_SH); }
  int Truncate() {
    const int e = CurrentFileSystem().Truncate(fd_, 0);
    return e ? IoCodeFromErrno(e, path_, IoOp::Write) : 0;
  }
  int Append(const std::string& data) {
    std::size_t done = 0;
    const int e = CurrentFileSystem().WriteAt(fd_, data.data(), data.size(), 0, done);
    if (e) return IoCodeFromErrno(e, path_, IoOp::Write);
    return done == data.size() ? 0 : io::kDiskWriteError;
  }
  int Close() {
    const int e = CurrentFileSystem().Close(fd_);
    fd_ = -1;
    return e ? IoCodeFromErrno(e, path_) : 0;
  }

 private:
  std::string path_;
  int fd_ = -1;
};

std::string UserCode(const Session& s) { return s.CurrentUser.empty() ? std::string("  ") : s.CurrentUser; }

}  // namespace

std::string StampText(Session& s) {
  const DateTime now = Now();
  const std::string time = FormatNumberMask("#@", now.hour) + ":" + FormatNumberMask("@@", now.minute) + ":" +
                           FormatNumberMask("@@", now.second);
  if (s.ComputerId.empty()) s.ComputerId = GetJob(s, "POCITAC").substr(0, 4);
  return TodayText() + " " + time + " " + s.ComputerId + " " + UserCode(s) + " ";
}

std::string StampText() { return StampText(CurrentSession()); }

void LogProtocol(Session& s, std::string_view message) {
  if (s.ProtocolOn == 0) return;
  const std::string path = DataDir(s, kProtocolFileName);
  const std::string stamp = StampText(s);

  AppendFile log;
  int code;
  while ((code = log.Open(path)) == io::kSharingViolation)
    if (LockWaitMessage(s, "Err" + FormatNumberMask("##### ", code) + path, 100)) break;  // left: said below
  std::uint64_t size = 0;
  if (code == 0) code = log.Size(size);
  if (code != 0) {
    MessageOnce(s, "protocol " + path,
                "Uz: " + UserCode(s) + " otvira protokol: " + ShownPath(path) + " err " + FormatNumberMask("######", code));
    throw IoError(code, path);
  }

  std::string data;
  if (size % kProtocolRecordSize != 0 && log.HoldAlone()) {
    if ((code = log.Size(size)) == 0) {
      if (size == 1) {
        code = log.Truncate();
        size = 0;
      } else if (size % kProtocolRecordSize != 0) {
        data.assign(kProtocolRecordSize - size % kProtocolRecordSize, '\0');  // finish a torn record
      }
    }
    log.Share();
  }
  if (size == 0) data = Record(stamp + Cz(" Prázdný protokol"));
  data += Record(stamp + std::string(message));
  if (code == 0) code = log.Append(data);
  if (code == 0) code = log.Close();
  if (code != 0)
    MessageOnce(s, "protocol " + path,
                "Uz: " + UserCode(s) + " pis protokol: " + ShownPath(path) + " err " + FormatNumberMask("######", code));
}

void LogProtocol(std::string_view message) { LogProtocol(CurrentSession(), message); }

}  // namespace common
