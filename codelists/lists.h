// The code-list windows that are nothing but their table: pre-posting templates (11),
// the balance-sheet outlines (20, 23) and the contracts (36, kept open for the run).
#pragma once
#include "codelists/engine.h"

namespace codelists {

// The look the lists share: the edit form's frame and the grid's area with their
// colours, the tag (the edit form's caption) and the key lines (UTF-8).
browser::BrowseSetup Look(browser::CellFrame edit, browser::CellFrame grid, std::string_view tag, std::string_view keys,
                          std::string_view editKeys = " F2=zápis  Esc=nic ");
// A key of `width` blanks marks a deleted record; F8 writes it.
DeletedSpec BlankKey(int width);
// The table of a list keyed by its first field: a key of `deletedWidth` blanks marks a
// deleted record, the change date is the last field and is stamped on every write.
CodeListSpec KeyedListSpec(int no, std::string_view cls, std::string_view caption, std::string_view file, int length,
                           std::span<const FieldSpec> fields, int deletedWidth, std::string_view sortNotice,
                           const browser::BrowseSetup& look);

const CodeListSpec& Cis11Spec();
const CodeListSpec& Cis20Spec();
const CodeListSpec& Cis23Spec();
const CodeListSpec& Cis36Spec();

class TfCis11 : public CodeListWindow {
 public:
  TfCis11() : CodeListWindow("fCis11", Cis11Spec()) {}
};
class TfCis20 : public CodeListWindow {
 public:
  TfCis20() : CodeListWindow("fCis20", Cis20Spec()) {}
};
class TfCis23 : public CodeListWindow {
 public:
  TfCis23() : CodeListWindow("fCis23", Cis23Spec()) {}
};
class TfCis36 : public CodeListWindow {
 public:
  TfCis36() : CodeListWindow("fCis36", Cis36Spec()) {}
};

// The set-up routines: fields, file, template (a kept-open list already set up is left
// as it is).
void SetupCis11(TfCis11& w);
void SetupCis20(TfCis20& w);
void SetupCis23(TfCis23& w);
void SetupCis36(TfCis36& w);

// The unit sorts.
inline bool SortCis11(TfCis11& w) { return w.SortFile(); }
inline bool SortCis20(TfCis20& w) { return w.SortFile(); }
inline bool SortCis23(TfCis23& w) { return w.SortFile(); }
inline bool SortCis36(TfCis36& w) { return w.SortFile(); }

// The program's one instance of each window, made on first use.
TfCis11& fCis11();
TfCis20& fCis20();
TfCis23& fCis23();
TfCis36& fCis36();

// The end-of-run close: each list kept open for the run (10, 30, 36, 15 in this
// order) that is still open is closed through its CloseBrowse with its FormOpenFlags
// entry at -1; then the parameter cache is written.
void CloseCodeListForms();
// Drops the instances (tests, the driver between scenarios).
void DestroyCodeListWindows();

}  // namespace codelists
