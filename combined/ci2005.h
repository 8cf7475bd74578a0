// The window over the combined code-list file itself: its raw records, searched by
// text or by position, kept sorted when it closes after a change.
#pragma once
#include <string>

#include "browser/soub.h"

namespace combined {

class TfCi2005 : public browser::TfSoub {
 public:
  TfCi2005();

  // Opens the file in the window (the caller shows it, or only reads records).
  void SetupCi2005(const std::string& fileName = "CI01.DTA");
  // Sorts and purges the open file (the window's read lock becomes a write lock for
  // the sort and back); a failure is reported and leaves the file as it was.
  void SortCi2005();
  // "Přidej vzor pro DPH": the records of "\CI\CI.DPH" appended, then sorted.
  void A1Click();

  void CloseBrowse() override;
  std::string RecordSearchText(std::int32_t n) override;
  std::int32_t SearchScan(const std::string& text) override;
  void RecordWrite(std::int32_t n) override;
  void StartSearch(std::int32_t current) override;
  void NewRecord() override;
  void KeyF6(std::int32_t current) override;
  void DeleteRecord(std::int32_t current) override;
  void ClearRecord() override;
  std::string RecordKey(std::int32_t n) override;

  bool WholeSearch = false;  // set by the ordinary search, cleared by the positioned one
  std::string Odkud = "1", Kolik = "50", Co;
  int OdkudN = 1, KolikN = 50;
  bool Sorting = false;  // rewritten records keep their dates
};

TfCi2005& fCi2005();

}  // namespace combined
