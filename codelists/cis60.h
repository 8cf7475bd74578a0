// The payroll-sheet keys: the firm's list "CI60.dta" (TfCis60), the reference copy in
// the program folder "\ci\ci60.dta" (TfCis60b, same record and columns, stamps on every
// write) and the older list "CI61.DTA" (TfCis61), which only the CI60 rebuild opens.
#pragma once
#include <string>
#include <vector>

#include "codelists/engine.h"
#include "ui/registry.h"

namespace codelists {

// Where the fields the rebuild and the conversion move lie in the two records: key
// text[3] at 0, the name, the holiday-average flag text[1], the 20 accounts text[6]
// at accounts + 7k, the two allocation flags text[1], the note text[50] (CI60 only)
// and the change date text[6].
struct PayrollKeyLayout {
  int length, key, name, nameWidth, holiday, accounts, flagMd, flagDal, note, date;
};
inline constexpr PayrollKeyLayout kCi60Layout{357, 0, 4, 25, 32, 42, 182, 184, 186, 350};
inline constexpr PayrollKeyLayout kCi61Layout{186, 0, 4, 18, 25, 35, 175, 177, -1, 179};
inline constexpr int kAccountFields = 20;
inline constexpr int kAccountWidth = 6;

// The reference copy's name as the windows open it: "=" + the program folder's "\ci\ci60.dta".
std::string Ci60ReferenceFile();

const CodeListSpec& Cis60Spec();
const CodeListSpec& Cis60bSpec();
const CodeListSpec& Cis61Spec();

// Lists 60 and 60b: the two-line listing "Opis" and the hidden "Překóduj" of the name.
class Cis60Window : public CodeListWindow {
 public:
  Cis60Window(std::string componentName, const CodeListSpec& spec);
  // The set-up routine: the table's set-up with the title " Klíče ML " kept as the
  // header line and the account field's hint; `file` empty takes the table's file.
  void SetupOn(const std::string& file);
  // Line 1 (and line 2 when it carries anything) of the listing for one record.
  std::vector<std::string> ListingLines(const std::string& record) const;
  std::vector<std::string> ListingHeader(int page) const;
  void PrintListing();

 protected:
  void MenuCommand(int id) override;
  std::string ListFileName() const override { return file_.empty() ? std::string(spec().file) : file_; }

 private:
  std::string file_;
};

class TfCis60 : public Cis60Window {
 public:
  TfCis60() : Cis60Window("fCis60", Cis60Spec()) {}
};
class TfCis60b : public Cis60Window {
 public:
  TfCis60b() : Cis60Window("fCis60b", Cis60bSpec()) {}
};
class TfCis61 : public CodeListWindow {
 public:
  TfCis61() : CodeListWindow("fCis61", Cis61Spec()) {}
};

void SetupCis60(TfCis60& w);
void SetupCis60b(TfCis60b& w, const std::string& fileName);
void SetupCis61(TfCis61& w);
inline bool SortCis60(TfCis60& w) { return w.SortFile(); }
inline bool SortCis60b(TfCis60b& w) { return w.SortFile(); }
inline bool SortCis61(TfCis61& w) { return w.SortFile(); }

TfCis60& fCis60();
TfCis60b& fCis60b();
TfCis61& fCis61();
void DestroyCis60Windows();

void RegisterCis60Windows(ui::WindowRegistry& registry);

}  // namespace codelists
