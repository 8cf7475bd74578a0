// The rows of the monthly employer report and of the registration: one term's value
// for one employee (or a child of one, or the employer) in the 79-byte row, and the
// 92-byte extended row that adds the employee identifier and the contract kind.
#pragma once
#include <string>

#include "browser/soub.h"

namespace payroll {

inline constexpr int kRowLength = 79;
inline constexpr int kExtendedRowLength = 92;

// Field i of a row (Os.č., Dítě, Klíč, Obsah) or of an extended row (Os.ičo, dohoda,
// Os.č., Dítě, Klíč, Obsah): counted texts, one after the other.
std::string RowField(std::string_view record, int i, bool extended);
void PutRowField(std::string& record, int i, std::string_view text, bool extended);

class TfJHvyk : public browser::TfSoub {
 public:
  TfJHvyk() : TfJHvyk(false) {}

  // Sets the window up over the rows (a name with "=" in front is used as it is).
  void SetupJHvyk(const std::string& fileName);
  // Sorts the rows: by personal number and term (extended: identifier, contract kind,
  // personal number, child, term) without the freed rows; an empty input leaves the file.
  bool SortJHvyk();
  // "Text ven": "JHprihl.txt" (extended: "JHvyk.txt") in the current folder.
  void ExportText();
  void PrintRows();  // "Opis"

  std::string Field(std::string_view record, int i) const;

  std::string RecordKey(std::int32_t n) override;
  std::string RecordSearchText(std::int32_t n) override;
  void NewRecord() override;
  void DeleteRecord(std::int32_t current) override;
  void ClearRecord() override;

  std::string BlankRow;

 protected:
  explicit TfJHvyk(bool extended);

 private:
  bool extended_;
};

class TfJHvyk2 : public TfJHvyk {
 public:
  TfJHvyk2() : TfJHvyk(true) {}
  void SetupJHvyk2(const std::string& fileName) { SetupJHvyk(fileName); }
};

TfJHvyk& fJHvyk();
TfJHvyk2& fJHvyk2();

}  // namespace payroll
