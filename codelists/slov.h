// The translation dictionary ("slov" + n + ".dta", n from the job entry "SLOVNIK"):
// Czech words with their translations, which the report viewer writes over a
// report's lines (SlovTranslateText). "Výměna slovníku" switches between the six.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& SlovSpec();

// One entry of the translation table: find and replacement texts of equal length.
struct SlovEntry {
  std::string find, replace;
};

// An entry from a record's fields: the length is the first count, else the second;
// both texts padded with blanks and cut to it. False for a length below 1.
bool MakeSlovEntry(std::string_view czech, std::string_view count1, std::string_view translation,
                   std::string_view count2, SlovEntry& entry);

// Entry by entry, the first occurrence is overwritten again and again (searching from
// the start) until there is none or it stands where the last replacement was made.
// Texts shorter than 2 characters come back as they are.
std::string TranslateText(const std::vector<SlovEntry>& table, std::string text);

class TfSlov : public CodeListWindow {
 public:
  TfSlov() : CodeListWindow("fSlov", SlovSpec()) {}

  std::string FileName = "slov1.dta";
  std::string Dictionary = "1";  // the number in use

  // The table, loaded on first use after a setup, a sort or a switch.
  const std::vector<SlovEntry>& Table();
  void ClearTable() { loaded_ = false; }

  // "Setřiď": by the Czech word, words beginning with six blanks dropped.
  void SortDictionary();
  // "Výměna slovníku".
  void SwitchDictionary();

  std::string RecordToColumns(std::int32_t n) override;
  void ShowHelp(int topic) override;
  void FieldCheck(int field, std::string& text) override;
  void ClearRecord() override {}  // F8 writes the entry back as it was read

 protected:
  std::string ListFileName() const override { return FileName; }
  void MenuCommand(int id) override;
  void Sorted() override { loaded_ = false; }

 private:
  std::vector<SlovEntry> table_;
  bool loaded_ = false;
};

// The number of the dictionary in use: the job entry "SLOVNIK" of the data folder,
// "1" when it is empty.
std::string SlovDictionaryNumber();

void SetupSlov(TfSlov& w, const std::string& fileName);
// A text through the dictionary set up last.
std::string SlovTranslateText(const std::string& text);

TfSlov& fSlov();
void DestroySlovWindow();

}  // namespace codelists
