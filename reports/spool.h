// TfSpool: the list of produced reports ("*.txt" of the current folder or of the
// folders named in "_sestavy.kde") with their catalogue titles. Enter prints or
// views, F8 erases, the popup sorts five ways and runs the service operations on
// report files: equal line lengths, archive titles, joining and splitting archives,
// scrambling and unscrambling reports and document folders.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "reports/spoollist.h"

namespace reports {

inline constexpr char kFolderListName[] = "_sestavy.kde";
inline constexpr int kSpoolEntries = 1000;
inline constexpr int kFixedLineWidth = 140;

// What the report list takes from windows of other layers; tests put their own.
struct SpoolServices {
  // The partner step of "Zašifruj ORG a DOKLADY": scrambles the partner records the
  // user marked in the partner register. False when not every one could be (said): the
  // step goes no further. Empty: the step is skipped.
  std::function<bool()> scrambleMarkedPartners;
};
SpoolServices& SpoolHooks();

class TfSpool : public TfSpoolList {
 public:
  TfSpool();

  // Popup items besides A1..k1 of the browser.
  ui::MenuItem& DleN8zvu1;
  ui::MenuItem& Dlevelikosti1;
  ui::MenuItem& Dledata1;
  ui::MenuItem& Dleirhonzvu1;
  ui::MenuItem& Dleumstn1;
  ui::MenuItem& N1;
  ui::MenuItem& Prekoduj1;

  void SetupSpool();
  // Place + name of the entry (without extension), as the print entry takes it;
  // empty for no entry. The full name, whatever the name column shows.
  std::string EntryReport(std::int32_t n) const;

  // ---------------------------------------------------------------- overrides
  void EditRecord() override;
  void DeleteRecord(std::int32_t current) override;
  void EnableMenuItems() override;
  void SortByColumn(int kind) override;
  void ShowReportList() override {}

  // ---------------------------------------------------------------- service operations
  void c1Click();  // equal line lengths of the current report
  void A1Click();  // archive titles from "OFCRP.DTA"
  void b1Click();  // archive titles from "ZFCRP.DTA"
  void d1Click();  // join "1" + l into the l part
  void e1Click();  // join l + "1" into the "1" part
  void f1Click();  // split the current report
  void g1Click();  // scramble every listed report
  void h1Click();  // scramble partners and documents
  void i1Click();  // unscramble every listed report
  void j1Click();  // unscramble documents
  void k1Click();  // scramble the DF/DZ document texts

 private:
  void ArchiveTitles(const std::string& listFile, const std::string& prefix);
  // d1 (into the l part, catalogue renamed) and e1 (into the "1" part).
  void JoinArchives(bool intoEll);
  void ConvertReports(bool scramble);
  void ConvertDocuments(bool scramble, bool dfOnly, bool pictures);
};

TfSpool& fSpool();
// Both file lists of the report layer (made when first used).
void DestroySpoolWindows();
// The process-wide switch of the date order ("Dle data" flips it; 1 at start).
std::uint8_t& DateOrderSwitch();
// The report list as every window's Ctrl+F2 shows it: set up, shown modally, closed.
void ShowReportListModal();

}  // namespace reports
