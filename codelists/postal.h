// The postal codes ("\2\PSC.dta" of the program folder: PSČ, municipality, post
// office, district) with the searches by municipality (Ctrl+F3) and by post office
// (Alt+F3), and the municipalities ("obce.dta") whose F5 fills missing postal codes
// from them. Both are pickers of the partner register.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& PscSpec();
const CodeListSpec& ObceSpec();

// The town the two searches start with (the partner's "Adr4-město"); the partner
// register puts its source here. Blank while none is set.
std::function<std::string()>& PscTownSource();

// Case, accents and blanks left out: the form both sides of a name search compare in.
std::string PscSearchForm(std::string_view text);

// The name search over records 1..count (159 bytes each, given by `record`): first a
// bisection on the municipality key (municipality + district, or the municipality
// alone while the district is blank), then a scan for the first record whose
// municipality (or, by post office, whole post office) and district begin with the
// typed ones. The record number, 0 when nothing matches or nothing was typed.
std::int32_t PscFind(std::int32_t count, const std::function<std::string(std::int32_t)>& record, std::string_view name,
                     std::string_view district, bool byPostOffice);

class Tfpsc : public CodeListWindow {
 public:
  Tfpsc();

  ui::Button& Button1;  // "Ctrl+F3 = Hledej PSČ (podle-obec,okres)"
  ui::Button& bpscp;    // "Alt+F3 = Hledej PSČ (podle-pošta,okres)"

  // The postal code of the first record found ("00000" when none); a found record
  // becomes the current one.
  std::string PscFindByObec(std::string_view obec, std::string_view okres);
  std::string PscFindByPosta(std::string_view posta, std::string_view okres);

  // Holds the whole file in memory for a run of searches (the municipalities' fill).
  void CacheRecords();
  void DropCache() { cache_.clear(); }

  // The query window, the search and the page at the record found.
  void SearchByName(bool byPostOffice);

  void PlaceButtons();

  std::string RecordKey(std::int32_t n) override;
  void NewRecord() override;
  void KeyCtrlF3() override { SearchByName(false); }
  void SetSortOrder3() override { SearchByName(true); }
  void PageRepainted() override { PlaceButtons(); }

 protected:
  std::string ListFileName() const override;

 private:
  std::string Find(std::string_view name, std::string_view okres, bool byPostOffice);
  std::vector<std::string> cache_;
};

class TfObce : public CodeListWindow {
 public:
  TfObce() : CodeListWindow("fObce", ObceSpec()) {}

  // F5: the postal code of every municipality without one, from the postal codes;
  // the ones not found are listed in the report "PSCchybi".
  void FillPostalCodes();

  std::string RecordSearchText(std::int32_t n) override;
  void RecordWrite(std::int32_t n) override;
  void CloseBrowse() override;
  void KeyF5() override { FillPostalCodes(); }
  void PrintListing(std::int32_t) override { CodeListPrint(); }

 protected:
  void BeforeOpen() override;
  void MenuCommand(int id) override;
  std::vector<std::string> ListingHeaderLines(int page) override;
  std::string ListingLineOf(std::int32_t n) override;
};

void SetupPsc(Tfpsc& w);
void SetupObce(TfObce& w);

Tfpsc& fpsc();
TfObce& fObce();
void DestroyPostalWindows();

// The postal-code picker as the partner register calls it: the town prefills the
// searches; the list is shown and closed. The chosen record's fields, nothing on Esc.
struct PscRecord {
  std::string psc, obec, posta, okres;  // as stored (Windows-1250)
};
std::optional<PscRecord> PickPsc(const std::string& town);

// The municipality picker: the chosen record's "IČO ZUJ", "Název" and "PSČ".
struct ObecRecord {
  std::string icoZuj, nazev, psc;
};
std::optional<ObecRecord> PickObec();

}  // namespace codelists
