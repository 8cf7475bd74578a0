// The cash-flow outline: TfCis28 over "CI28.dta" or "CI29.dta" (its own column order,
// listing and source conversion), and TfCis29, the old panel's window over "CI29.dta",
// which marks deleted rows with dots and is sorted by the panel under a write lock.
#pragma once
#include <string>
#include <string_view>

#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& Cis28Spec();
const CodeListSpec& Cis29Spec();

// The grid's columns of TfCis28: fields 1, 2, 3, 12, the 64 term fields, 77, 4 .. 11.
const std::vector<int>& CashFlowColumnFields();

class TfCis28 : public CodeListWindow {
 public:
  TfCis28() : CodeListWindow("fCis28", Cis28Spec()) {}
  std::string FileName = "CI28.dta";

  // Puts the column texts into the grid's order; the returned text keeps field order.
  std::string RecordToColumns(std::int32_t n) override;
  // "Převod 20-22 na 27-26": term sources "    20" to "    27" and "    22" to "    26".
  void CashFlowSourceConversion();

  enum Command { kConvert = 1 };

 protected:
  std::string ListFileName() const override { return FileName; }
  std::vector<std::string> ListingHeaderLines(int page) override;
  std::string ListingLineOf(std::int32_t n) override;
  void MenuCommand(int id) override;
};

class TfCis29 : public CodeListWindow {
 public:
  TfCis29() : CodeListWindow("fCis29", Cis29Spec()) {}
};

// file: "CI28.dta" or "CI29.dta".
void SetupCis28(TfCis28& w, std::string_view file);
void SetupCis29(TfCis29& w);
bool SortCis28(TfCis28& w);
// The old panel's sort after the window closed: this user's lock on the file is given
// up and taken again as a write lock (waiting for other users), the records sorted
// without the dotted ones, and the write lock taken anew for the window's close.
bool SortCis29(TfCis29& w);

TfCis28& fCis28();
TfCis29& fCis29();

}  // namespace codelists
