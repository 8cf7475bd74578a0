// TfSpoolExc: the list of ";"-separated files under "XLS\" with their record counts
// and catalogue titles. Enter turns the chosen file into a workbook, F8 erases the
// file (and nothing else).
#pragma once
#include <cstdint>
#include <string>

#include "reports/spoollist.h"

namespace reports {

inline constexpr char kCsvFolder[] = "XLS\\";
inline constexpr int kSpoolExcEntries = 500;

class TfSpoolExc : public TfSpoolList {
 public:
  TfSpoolExc();

  void SetupSpoolExc();

  // ---------------------------------------------------------------- overrides
  void EditRecord() override;
  void DeleteRecord(std::int32_t current) override;
  void ShowReportList() override {}
};

TfSpoolExc& fSpoolExc();
void DestroySpoolExc();
// The list as the main window's button shows it: set up, shown modally, closed.
void ShowSpoolExcModal();

// Lines of one of the program's own CSV files, read whole (line ends counted; a last
// line without one counts too), less 1;
// 0 for an empty or unreadable file.
std::int32_t CsvRecordCount(const std::string& fileName);

}  // namespace reports
