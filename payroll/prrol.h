// The payroll module's employee file "pr2000.dta" (1812-byte records of 110 fields)
// in a record-file window used as an employee picker, and the employee identifier
// of the monthly employer report.
#pragma once
#include <string>
#include <vector>

#include "browser/soub.h"

namespace payroll {

inline constexpr int kEmployeeLength = 1812;
inline constexpr int kEmployeeFields = 110;
inline constexpr char kEmployeeFile[] = "pr2000.dta";

class Tfpr_rol : public browser::TfSoub {
 public:
  Tfpr_rol();
  using TfSoub::lastIoOk;

  // Sets the window up over the file (every caller passes "pr2000.dta"): fields,
  // the browse, the empty record, pictures on, every field shown but not editable.
  void SetupPr_rol(const std::string& fileName = kEmployeeFile);
  // The record number of the first employee with this personal number (-1 none) and
  // the ten-character identifier: the OIČ; an assigned birth number when the suffix
  // starts with "X" ("/" and blanks removed); else YYMMDD + suffix, a woman's month
  // raised by 50. The record stays in the record buffer.
  std::int32_t EmployeeIdentifier(const std::string& personalNumber, std::string& identifier);
  // The identifier of the employee in the record buffer.
  std::string IdentifierOfRecord() const;

  // Field i (1..110) of a record (the field table must be defined).
  std::string FieldOf(std::string_view record, int i) const;
  void PutFieldOf(std::string& record, int i, std::string_view text) const;
  void DefineFields();

  std::string EmptyRecord;

  std::string RecordToColumns(std::int32_t n) override;
  std::string RecordSearchText(std::int32_t n) override;
  std::string RecordKey(std::int32_t n) override;
  void NewRecord() override {}
  void DeleteRecord(std::int32_t current) override;
  void ClearRecord() override;
  void BeforeWriteHook() override;
  void AfterReadHook() override;
  // An edited employee is written back with only the fields whose text the edit
  // changed packed anew; every other field keeps its stored bytes.
  void EditRecord() override;
  void RecordWrite(std::int32_t n) override;

 private:
  void Scramble(bool scramble);
  std::vector<int> offsets_;
  bool writingEdit_ = false;
};

Tfpr_rol& fpr_rol();

}  // namespace payroll
