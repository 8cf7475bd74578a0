// CodeListWindow: the record-file browser that keeps one code list in key order on
// disk. Edits and new records are put in place by local moves; F8 blanks the key and
// carries the record to the front; the close sorts the file (dropping the deleted
// records) when the table's policy says so and no other user holds it. Everything a
// list differs in is its CodeListSpec; a list with real logic of its own overrides
// the virtual operations.
//
// Moves, sorts and rewrites work on physical record numbers: each first ends an
// active column order and closes the index files.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/listing.h"
#include "browser/recsort.h"
#include "browser/soub.h"
#include "codelists/spec.h"

namespace codelists {

// How a list opens after the check of its file's layout.
enum class ListOpening {
  Writable,
  ReadOnly,  // its file must not be written (said)
  CopyKept,  // a copy beside it could not go back (said): read only while the copy waits
};

class CodeListWindow : public browser::TfSoub {
 public:
  // The table must outlive the window.
  CodeListWindow(std::string componentName, const CodeListSpec& spec);
  CodeListWindow(std::string componentName, CodeListSpec&& spec) = delete;

  const CodeListSpec& spec() const { return spec_; }

  // The set-up routine's body: fields, OpenBrowse, columns, header line, template with
  // today's date. A kept-open window that is already open returns at once (false).
  bool Setup();
  // The new-record template the set-up builds, without opening the file (the fields
  // defined as the set-up defines them): for records made for a file that is not yet
  // in the table's layout. An open window's own template as it stands.
  std::string NewRecordTemplate();
  // Opened and kept for the run (its FormOpenFlags entry is 1).
  bool KeptOpen() const;
  // The end-of-run close of a kept-open window: entry -1, CloseBrowse, entry 0.
  void EndOfRunClose();

  // The key text of a record (fields at their capacity, joined) and the tests on it.
  std::string KeyOf(std::string_view record) const;
  bool KeyLess(std::string_view a, std::string_view b) const;
  bool IsDeleted(std::string_view record) const;
  // Field f of a record as stored (counted text, clamped to the field's width), and
  // a text put into it (cut to the width).
  std::string FieldOf(std::string_view record, int f) const;
  void PutField(std::string& record, int f, std::string_view text) const;

  // The sort of the whole file in key order without the deleted records. The output is
  // written back only when the engine finished and every kept record came out; the file
  // is then cut to exactly that many records. False (the file as it was) otherwise.
  bool SortFile();
  void MoveRecordUp(std::int32_t i);
  void MoveRecordDown(std::int32_t i);
  // "Překóduj": the recode fields of every record from Kamenický.
  void CodeListRecode();
  // "Opis": the listing through the report writer.
  void CodeListPrint();

  // The sort engine's limits (tests lower them).
  browser::SortLimits sortLimits;

  // Ends an active column order and closes the index files: positions are physical.
  void UsePhysicalOrder();
  // The last read or write worked.
  bool IoOk() const { return lastIoOk(); }
  // Byte offset of field f in the record.
  int FieldOffset(int f) const { return offsets_.at(static_cast<std::size_t>(f - 1)); }

  // ---------------------------------------------------------------- overrides
  std::string RecordKey(std::int32_t n) override;
  void RecordWrite(std::int32_t n) override;
  void EditRecord() override;
  void NewRecord() override;
  void DeleteRecord(std::int32_t current) override;
  void ClearRecord() override;
  void CloseBrowse() override;
  void ShowHelp(int topic) override;

 protected:
  // Hooks for lists with logic of their own.
  virtual void MenuCommand(int /*id*/) {}
  virtual std::vector<std::string> ListingHeaderLines(int page);
  virtual std::string ListingLineOf(std::int32_t n);
  // The listing's title (Windows-1250); a list whose title names its file overrides it.
  virtual std::string ListingTitle() const;
  // Before the file is opened (a layout conversion); it may set OpenReadOnly.
  virtual void BeforeOpen() {}
  // After the table's fields are defined, before the file is opened and the template is
  // built: a list whose fields or title follow a switch changes them here.
  virtual void AdjustSetup(browser::BrowseSetup& /*setup*/) {}
  bool OpenReadOnly = false;  // the file is opened for reading only: nothing is written to it
  bool OpenCopyKept = false;  // a copy beside it refused by the layout check: kept read only while it waits
  // Sets the two from a layout check's answer.
  void OpenAs(ListOpening how) {
    OpenReadOnly = how == ListOpening::ReadOnly;
    OpenCopyKept = how == ListOpening::CopyKept;
  }
  // The data file; a list whose name comes from a parameter ("CI" + n + ".dta") overrides it.
  virtual std::string ListFileName() const { return std::string(spec_.file); }
  // Just before the close sorts (a list with sort modes returns to key order here).
  virtual void BeforeCloseSort() {}
  // The key the unit sort orders by (a list with sort modes changes it).
  virtual const KeySpec& SortKey() const { return spec_.key; }
  // True when the file is in another order than the key order (a sort mode).
  virtual bool OtherOrder() const { return false; }
  // After a sort that rewrote the file.
  virtual void Sorted() {}
  // The sort's k-th output record, in the record buffer just before it is written.
  virtual void SortOutputRecord(std::int32_t /*k*/) {}

  // Reads and writes of the moves and the sort, as the table's shift rule says.
  void ShiftRead(std::int32_t n);
  void ShiftWriteRecord(std::int32_t n);
  // The records a write of record p and the moves after it may touch, and the step that
  // takes one copy of them for a record's write and its moves.
  RecordSpan MoveSpan(std::int32_t p);
  CoveredStep CoverMoves();
  // Rewrites records first..last (physical numbers) through `step` with a rollback copy.
  bool RewriteRecords(std::int32_t first, std::int32_t last, const std::function<bool()>& step);
  // Another user holds the file: beeps and shows the refusal (when a guard asks for it).
  bool Refused(bool guarded, std::string_view refusal);
  void PutDate();
  void PutDate(std::string& record) const;
  void Reposition();
  // No other user holds the data file (IfVolny).
  bool FileFree();

 private:
  // The fields, their offsets and the browse set-up, as the set-up gives them.
  browser::BrowseSetup DefineFields();
  bool CompareKeys(const KeySpec& key, const std::string& a, const std::string& b) const;
  std::string KeyOf(const KeySpec& key, std::string_view record) const;
  void BindMenu();

  const CodeListSpec& spec_;
  std::vector<int> offsets_;  // byte offset of field i at [i - 1]
};

using browser::CaptionLine;

// The program's one instance of a window, made on first use.
template <class T>
T& Instance(std::unique_ptr<T>& p) {
  if (!p) p = std::make_unique<T>();
  return *p;
}
// The slot of a window class, made on first use (so it ends before the window layer).
template <class T>
std::unique_ptr<T>& WindowSlot() {
  static std::unique_ptr<T> slot;
  return slot;
}

// The generic picker: sets the window up (`setup`), goes to the record `find` gives
// (its absolute value; 0 stays), shows it modally and, when a record was chosen (and
// Enter closed the window when `needEnter`), reads it. The window's CloseBrowse
// follows in every case. The chosen record, or nothing; `take` sees it before the close
// (while the window's fields still describe it).
std::optional<std::string> PickRecord(CodeListWindow& w, const std::function<void()>& setup, const std::function<std::int32_t()>& find,
                bool needEnter, const std::function<void(const std::string& record)>& take = {});

}  // namespace codelists
