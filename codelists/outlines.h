// The outlines of the income statement (lists 26 and 76) and of the balance sheet
// (list 27): rows kept in row order, rows inserted and deleted by position with the
// references renumbered, the layout converted from the older files on opening; list 27
// also takes the statutory rows and the text imports.
#pragma once
#include <string>
#include <string_view>

#include "codelists/engine.h"
#include "codelists/rows.h"

namespace codelists {

const CodeListSpec& Cis26Spec();
const CodeListSpec& Cis27Spec();
const RowLayout& Cis26Rows();
const RowLayout& Cis27Rows();

// Converts "ci" + n + ".dta" in place from one layout under "\dlib\" to another (silent
// when the file is missing); a failure is reported and the file opens as it was. ReadOnly
// (and said) when the file must not be written: its size fits neither layout, or the
// user gave up waiting to convert it and it is still in the older layout, or the new
// layout's file does not describe the list's record of `recordLength` bytes (it is
// damaged: named, and nothing converted). CopyKept (said) when a copy beside it could not
// go back, or the user left the wait for its writer.
ListOpening ConvertListLayout(const std::string& list, std::string_view inLayout, std::string_view outLayout,
                       std::int32_t recordLength);

// The list number out of a "CInn.DTA" file name; any other text as it stands.
std::string ListNumberOf(std::string_view arg);

class TfCis26 : public CodeListWindow {
 public:
  TfCis26() : CodeListWindow("fCis26", Cis26Spec()) {}
  std::string ListNo = "26";

  void InsertRow() { codelists::InsertRow(*this, Cis26Rows()); }  // "Přidej záznam"
  void DeleteRow() { codelists::DeleteRow(*this, Cis26Rows()); }  // "Zruš záznam"

 protected:
  void BeforeOpen() override;
  std::string ListFileName() const override { return "CI" + ListNo + ".dta"; }
  void MenuCommand(int id) override;
};

class TfCis27 : public CodeListWindow {
 public:
  TfCis27() : CodeListWindow("fCis27", Cis27Spec()) {}
  std::string ListNo = "27";
  // Where the imports find their files (empty: the current folder).
  std::string ImportFolder;

  void InsertRow() { codelists::InsertRow(*this, Cis27Rows()); }  // "Přidej před větu"
  void DeleteRow() { codelists::DeleteRow(*this, Cis27Rows()); }  // "Zruš větu"
  // The rows a change of the statutory balance sheet brought in, for 122 or 123 rows.
  void AddStatutoryRows();

  // Popup commands.
  enum Command { kInsert = 1, kDelete, kXml, kCodeToText, kGordicRows, kGordicTexts };
  void MenuCommand(int id) override;

 protected:
  void BeforeOpen() override;
  std::string ListFileName() const override { return "CI" + ListNo + ".DTA"; }
  std::string ListingTitle() const override;

 private:
  // False after a failed read or write (the rows added so far are taken back).
  bool AddRowAt(std::int32_t p, std::string_view name, std::string_view code);
};

// The set-up routines: n is the list number ("26" or "76"; "27", or "CI27.DTA").
void SetupCis26(TfCis26& w, std::string_view n);
void SetupCis27(TfCis27& w, std::string_view n);
// The unit sorts; the old code-list panel runs them after the window closes. A file
// another user holds is left as it is (false).
bool SortCis26(TfCis26& w);
bool SortCis27(TfCis27& w);

TfCis26& fCis26();
TfCis27& fCis27();

}  // namespace codelists
