#include "reports/writer.h"

#include "common/dirs.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/scramble.h"
#include "common/session.h"

namespace reports {
namespace {
constexpr std::size_t kBlock = 1 << 16;
}  // namespace

int BufferedOut::Create(const std::string& name) {
  name_ = name;
  buffer_.clear();
  at_ = 0;
  return file_.Create(name);
}

void BufferedOut::Write(std::string_view bytes) {
  if (!file_.IsOpen()) throw common::IoError(common::io::kFileNotOpen, name_);
  buffer_ += bytes;
  if (buffer_.size() >= kBlock) Flush();
}

void BufferedOut::Flush() {
  if (buffer_.empty() || !file_.IsOpen()) return;
  const int code = file_.WriteAt(at_, buffer_.data(), buffer_.size());
  if (code != 0) {
    buffer_.clear();
    throw common::IoError(code, name_);
  }
  at_ += buffer_.size();
  buffer_.clear();
}

void BufferedOut::Close() {
  if (!file_.IsOpen()) return;
  try {
    Flush();
  } catch (...) {
    file_.Close();
    throw;
  }
  common::ThrowIfError(file_.Close(), name_);
}

std::string ReportBaseName(std::string_view jobName) {
  const std::size_t cut = jobName.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? jobName : jobName.substr(cut + 1));
}

int ReportOutput::Open(const std::string& jobName, int width, bool quiet) {
  if (width < 0 || width > kMaxReportWidth)
    throw common::RangeError("report width " + std::to_string(width) + " is outside 0..255");
  // A writer left open by a failed producer lets go of its files first.
  try {
    txt_.Close();
    csv_.Close();
  } catch (const common::IoError&) {
  }
  std::string job = jobName;
  csvOn_ = true;
  if (!job.empty() && job.front() == '*') {
    csvOn_ = false;
    job.erase(0, 1);
    common::ForceDirs(job);
  }
  // Names are never cut: the report is always exactly "<job>.TXT".
  jobName_ = job;
  csvName_ = "XLS\\" + ReportBaseName(job) + ".CSV";
  txtName_ = jobName_ + ".TXT";
  width_ = width;
  const auto openCopy = [this] {
    if (!csvOn_) return;
    int code = csv_.Create(csvName_);
    if (code == common::io::kPathNotFound && common::MakeDirs("XLS") == 0) code = csv_.Create(csvName_);
    if (code != 0) csvOn_ = false;  // no folder for the copy: the report goes on without it
  };
  if (quiet) {
    // The report first: one that cannot be made leaves the older copy as it was.
    if (const int code = txt_.Create(txtName_)) {
      csvOn_ = false;
      return code;
    }
    openCopy();
    return 0;
  }
  openCopy();
  const int code = txt_.Create(txtName_);
  if (code != 0) common::MessageOk("Err" + common::FormatNumberMask("### ", code) + txtName_);
  return code;
}

void ReportOutput::OpenReportOut(const std::string& jobName, int width) { (void)Open(jobName, width, false); }

int ReportOutput::TryOpenReportOut(const std::string& jobName, int width) { return Open(jobName, width, true); }

void ReportOutput::WriteReportLine(const std::string& line) {
  std::string text = line.substr(0, static_cast<std::size_t>(width_));
  text.resize(static_cast<std::size_t>(width_), ' ');
  const common::Session& s = common::CurrentSession();
  if (s.ScrambleOn) text = common::ScrambleText(text, s.ScrambleKey);
  text += "\r\n";
  txt_.Write(text);
}

void ReportOutput::WriteReportCsvLine(const std::string& line) {
  if (!csvOn_) return;
  csv_.Write(line);
  csv_.Write("\r\n");
}

void ReportOutput::CloseReportOut() {
  txt_.Close();
  if (csvOn_) csv_.Close();
  if (common::CheckFile(csvName_) < 1) (void)common::EraseFile(csvName_);
  const std::string txt = jobName_ + ".txt";
  if (common::CheckFile(txt) < 1) {
    (void)common::EraseFile(txt);
    (void)common::EraseFile(jobName_ + ".txz");
  }
}

ReportOutput& TheReportOutput() {
  static ReportOutput output;
  return output;
}

void OpenReportOut(const std::string& jobName, int width) { TheReportOutput().OpenReportOut(jobName, width); }
int TryOpenReportOut(const std::string& jobName, int width) { return TheReportOutput().TryOpenReportOut(jobName, width); }
void WriteReportLine(const std::string& line) { TheReportOutput().WriteReportLine(line); }
void WriteReportCsvLine(const std::string& line) { TheReportOutput().WriteReportCsvLine(line); }
void CloseReportOut() { TheReportOutput().CloseReportOut(); }

}  // namespace reports
