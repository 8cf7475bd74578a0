// The chart of accounts (list 10, "CI10.DTA") and the cost centres (list 30,
// "CI30.DTA"): lists kept open for the run and kept in key order so that other
// programs find their entries by bisection. A header click sorts them by code
// (column 1) or by name (column 2); the close puts a list that is out of code order
// back in order when no other user holds the file. The account picker and check of
// the bank-account and firm-data windows work on the chart.
#pragma once
#include <cstdint>
#include <string>

#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& Cis10Spec();
const CodeListSpec& Cis30Spec();

// A list with the two sort modes: 1 by code (field 1), 2 by name (field 2).
class SortModeList : public CodeListWindow {
 public:
  using CodeListWindow::CodeListWindow;

  int SortMode() const { return mode_; }
  void SetSortMode(int mode) { mode_ = mode == 2 ? 2 : 1; }
  // The file is out of code order (rotations, loads that append): the close sorts it.
  void MarkOrderDirty() { orderDirty_ = true; }
  bool OrderDirty() const { return orderDirty_; }

  // Column 1 sorts by code, column 2 by name; refused while another user holds the file.
  void SortByColumn(int column) override;

 protected:
  const KeySpec& SortKey() const override;
  bool OtherOrder() const override { return mode_ == 2 || orderDirty_; }
  void BeforeCloseSort() override { mode_ = 1; }
  void Sorted() override;

 private:
  int mode_ = 1;
  bool orderDirty_ = false;
};

class TfCis10 : public SortModeList {
 public:
  TfCis10() : SortModeList("fCis10", Cis10Spec()) {}

  // The last result of Cis10FindAccount.
  std::int32_t LastLookup = -1;

  // "Posun analytiku": the marked accounts abcdef become abcfde and are unmarked.
  void RotateAnalytic();
  // "22 ->24": field 6 copied into field 7 in every record.
  void Copy22To24();

  std::string RecordKey(std::int32_t n) override;

 protected:
  void MenuCommand(int id) override;
};

class TfCis30 : public SortModeList {
 public:
  TfCis30() : SortModeList("fCis30", Cis30Spec()) {}

  // "Změň střediska": every centre code abcde becomes bcdea.
  void RotateCentre();

  // The grid shows the fields permuted; the returned row text keeps field order.
  std::string RecordToColumns(std::int32_t n) override;
  // F10: the listing, then the popup menu.
  void PrintListing(std::int32_t current) override;

 protected:
  void MenuCommand(int id) override;
  std::vector<std::string> ListingHeaderLines(int page) override;
  std::string ListingLineOf(std::int32_t n) override;
};

// The set-up routines: a list already set up for the run is left as it is.
void SetupCis10(TfCis10& w);
void SetupCis30(TfCis30& w);

// Bisection over the chart for an account: its record number; -1 for an empty chart
// or an account before the first or after the last; otherwise minus the record
// probed last (a neighbour of the gap). Kept in w.LastLookup.
std::int32_t Cis10FindAccount(TfCis10& w, std::string_view account);
// The account's name as stored, or 30 blanks when the chart has no such account.
std::string Cis10AccountName(TfCis10& w, std::string_view account);

// The program's one instance of each window, made on first use; the Existing
// variants give nullptr while there is none.
TfCis10& fCis10();
TfCis30& fCis30();
TfCis10* ExistingCis10();
TfCis30* ExistingCis30();
void DestroyChartWindows();

// Lets the user choose an account in the chart, starting at the given one; a
// heading (a name beginning with a blank) is not taken: the chart is shown again.
// Esc keeps the account. The result is always 0.
int PickAccount(std::string& account);
// 0 when the account is in the chart, as given or as chosen from the chart the
// check shows while it is not; 1 when the user left the chart without a valid one.
// "000000" (no account) is valid without the chart.
int CheckAccount(std::string& account);

}  // namespace codelists
