#include "reports/rawport.h"

#include "common/errors.h"
#include "common/jobfile.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/process.h"
#include "common/text.h"
#include "common/winpath.h"

namespace reports {
namespace {

std::string PortName(int n) { return "LPT" + std::to_string(n); }

// Appends to a file target through the file layer.
int AppendToFile(const std::string& name, std::string_view bytes) {
  common::File f;
  int code = f.Open(name, common::kModeReadWrite);
  if (code == common::io::kFileNotFound) code = f.Create(name, common::kModeReadWrite);
  if (code != 0) return code;
  std::uint64_t size = 0;
  code = f.Size(size);
  if (code == 0 && !bytes.empty()) code = f.WriteAt(size, bytes.data(), bytes.size());
  const int closed = f.Close();
  return code != 0 ? code : closed;
}

// Hands the bytes to a shell command on its input, through a work file beside us.
int RunWithInput(const std::string& command, const std::string& workName, std::string_view bytes) {
  if (int code = common::ReplaceFileContents(workName, bytes)) return code;
  common::RunResult result;
  const std::string input = common::RealPath(workName);
  const int code = common::RunProgram("/bin/sh", {"-c", command + " < \"$0\"", input}, {}, result);
  (void)common::EraseFile(workName);
  if (code != 0) return code;
  return result.exitCode == 0 ? 0 : common::io::kGeneralFailure;
}

}  // namespace

RawPort::~RawPort() {
  if (open_) (void)Close();
}

std::string RawPort::TargetOf(int n) {
  std::string target = common::StripRightSp(common::StripLeftSp(common::ReadParam("sys.par", PortName(n))));
  return target.empty() ? PortName(n) + ".prn" : target;
}

int RawPort::Open(int n) {
  target_ = TargetOf(n);
  buffer_.clear();
  open_ = false;
  if (target_.front() != '|' && target_.rfind("/dev/", 0) != 0) {
    // A file target must be writable now, so that a print stops before it starts.
    if (int code = AppendToFile(target_, {})) return code;
  }
  open_ = true;
  return 0;
}

int RawPort::Close() {
  if (!open_) return 0;
  open_ = false;
  std::string bytes;
  bytes.swap(buffer_);
  if (target_.front() == '|') return RunWithInput(target_.substr(1), "LPT.wrk", bytes);
  if (target_.rfind("/dev/", 0) == 0) return RunWithInput("cat >> '" + target_ + "'", "LPT.wrk", bytes);
  return AppendToFile(target_, bytes);
}

int JobPort() {
  const std::string digit = common::FormatNumberMask("@", common::TextToInt(common::GetJob("LPT")));
  return digit == "0" ? 1 : common::TextToInt(digit);
}

int SendToPort(int port, std::string_view bytes) {
  RawPort p;
  if (int code = p.Open(port)) return code;
  p.Write(bytes);
  return p.Close();
}

int PrintFileToLpt(int port) {
  if (port < 1 || port > 4) return 0;
  std::string bytes;
  const int code = common::ReadFileText("suple.txt", bytes);
  if (code != 0 && code != common::io::kFileNotFound) return code;
  if (bytes.empty()) bytes = std::string(1, '\x07');
  return SendToPort(port, bytes);
}

}  // namespace reports
