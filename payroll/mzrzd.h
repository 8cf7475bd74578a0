// The annual tax settlement per employee ("MZ_RZD.DTA", the supplements' record shape),
// filled on Enter from the employee file, the year's settlement results and the
// employee's tax declaration; and the unseen window over the settlement results.
#pragma once
#include <cstdint>
#include <string>

#include "browser/soub.h"
#include "payroll/supplements.h"

namespace payroll {

inline constexpr int kSettlementLength = 46;

// The settlement results of a year, "MZRZT" + year + ".dta" (46-byte records).
class TfRZproJH : public browser::TfSoub {
 public:
  TfRZproJH();
  void SetupRZproJH(const std::string& fileName);
  // The first record whose personal number equals the text exactly, or -1; the record
  // buffer then holds it.
  std::int32_t RZproJHFind(const std::string& personalNumber);
  std::string BlankRecord;
};

TfRZproJH& fRZproJH();

class TfMZ_RZD : public SupplementWindow {
 public:
  TfMZ_RZD();
  void SetupMZ_RZD() { Setup(); }
  void FieldExit(int field, std::string& text) override;

 private:
  void FillFromResults();
  void FillOtherPerson();
  void FillChildren(std::string& text);
};

TfMZ_RZD& fMZ_RZD();

}  // namespace payroll
