// The report writer: every list print writes its fixed-width report "<job>.TXT"
// and, unless the job begins with "*", the ";" copy "XLS\<base>.CSV" below the
// current folder. One report at a time, one writer for the whole program.
#pragma once
#include <cstdint>
#include <string>

#include "browser/entries.h"
#include "common/osfile.h"

namespace reports {

inline constexpr int kMaxReportWidth = 255;

// Lines are collected and written in blocks; a failed write raises common::IoError.
class BufferedOut {
 public:
  [[nodiscard]] int Create(const std::string& name);
  bool IsOpen() const { return file_.IsOpen(); }
  void Write(std::string_view bytes);
  void Flush();
  // Flushes and closes; raises IoError on a failure.
  void Close();
  const std::string& Name() const { return name_; }

 private:
  common::File file_;
  std::string name_, buffer_;
  std::uint64_t at_ = 0;
};

class ReportOutput : public browser::ReportWriter {
 public:
  // The job: "[*]" + optional folders + base name; width 0..255 (above is a RangeError,
  // raised before any file is touched).
  void OpenReportOut(const std::string& jobName, int width) override;
  // The same without a word: 0, or the I/O code of the report that could not be made
  // (nothing made then, an older ";" copy left as it was). The caller says why.
  [[nodiscard]] int TryOpenReportOut(const std::string& jobName, int width);
  // The line padded or cut to the width, scrambled while ScrambleOn is set, + CR LF.
  void WriteReportLine(const std::string& line) override;
  // The line as it is + CR LF into the ";" copy; nothing while the copy is off.
  void WriteReportCsvLine(const std::string& line);
  // Closes both files; erases an empty copy, and an empty or missing report with its ".txz".
  void CloseReportOut() override;

  const std::string& JobName() const { return jobName_; }
  const std::string& TxtName() const { return txtName_; }
  const std::string& CsvName() const { return csvName_; }
  bool CsvOn() const { return csvOn_; }
  int Width() const { return width_; }

 private:
  int Open(const std::string& jobName, int width, bool quiet);
  std::string jobName_, txtName_, csvName_;
  bool csvOn_ = false;
  int width_ = 0;
  BufferedOut txt_, csv_;
};

// The program's writer, registered with the print entry by InstallReportServices.
ReportOutput& TheReportOutput();
void OpenReportOut(const std::string& jobName, int width);
[[nodiscard]] int TryOpenReportOut(const std::string& jobName, int width);
void WriteReportLine(const std::string& line);
void WriteReportCsvLine(const std::string& line);
void CloseReportOut();

// The part of a job name after its last "\" or "/".
std::string ReportBaseName(std::string_view jobName);

}  // namespace reports
