// The simple registers: countries ("Staty.dta"), excise tax rates ("SpotrDan.dta"),
// payment methods ("ofzpu.dta") and the text lists whose file and title the caller
// names (the firm data's "provozy.dta"). Each is a table on the code-list engine kept
// in entry order: deletes stay in place, nothing sorts on close.
#pragma once
#include <optional>
#include <string>

#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& StatySpec();
const CodeListSpec& SpotrDanSpec();
const CodeListSpec& OFZpUhSpec();
const CodeListSpec& TXT1Spec();

class TfStaty : public CodeListWindow {
 public:
  TfStaty();  // Ctrl+O prints the listing ("Opis")
};

class TfSpotrDan : public CodeListWindow {
 public:
  TfSpotrDan() : CodeListWindow("fSpotrDan", SpotrDanSpec()) {}

  // "Zrušit záznam ?"; yes blanks the record in place.
  void DeleteRecord(std::int32_t current) override;
  void FieldCheck(int field, std::string& text) override;
  void FieldExit(int field, std::string& text) override;
};

class TfOFZpUh : public CodeListWindow {
 public:
  TfOFZpUh() : CodeListWindow("fOFZpUh", OFZpUhSpec()) {}
};

class TfTXT1 : public CodeListWindow {
 public:
  TfTXT1() : CodeListWindow("fTXT1", TXT1Spec()) {}

  // The file and title the set-up was given (Windows-1250).
  void Use(std::string fileName, std::string title);
  const std::string& ListTitle() const { return title_; }

  std::string RecordKey(std::int32_t n) override;
  std::string RecordToColumns(std::int32_t n) override;
  std::string RecordSearchText(std::int32_t n) override;
  void NewRecord() override;
  void PrintListing(std::int32_t current) override;
  // "Setřiď": by the upper-cased text, blank texts dropped; nothing with one record.
  bool SortTexts();

 protected:
  std::string ListFileName() const override { return file_; }
  std::string ListingTitle() const override { return title_; }
  std::vector<std::string> ListingHeaderLines(int page) override;
  std::string ListingLineOf(std::int32_t n) override;
  void MenuCommand(int id) override;

 private:
  std::string file_, title_;
};

// The set-up routines.
void SetupStaty(TfStaty& w);
void SetupSpotrDan(TfSpotrDan& w);
void SetupOFZpUh(TfOFZpUh& w);
// fileName and title in Windows-1250 ("provozy.dta", "Provoz").
void SetupTXT1(TfTXT1& w, const std::string& fileName, const std::string& title);

// The program's one instance of each window, made on first use.
TfStaty& fStaty();
TfSpotrDan& fSpotrDan();
TfOFZpUh& fOFZpUh();
TfTXT1& fTXT1();
void DestroyRegisterWindows();

// The main window's "Spotřební Daně": set-up, modal show, close.
void OpenSpotrDan();

// The pickers: set-up, modal show, the chosen record read, close. Nothing after Esc.
// Texts as stored (Windows-1250, counted texts at their length).
struct ChosenCountry {
  std::string code;  // field 1, "Označení země"
  std::string name;  // field 2, "Název země" (what the partner register takes)
};
std::optional<ChosenCountry> PickCountry();
// The payment method's text.
std::optional<std::string> PickPaymentMethod();
// The text of the list; only a window left with Enter chooses.
std::optional<std::string> PickText(const std::string& fileName, const std::string& title);

}  // namespace codelists
