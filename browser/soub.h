// TfSoub: the browser bound to one file of fixed-length records. It opens the data
// file (creating a missing one), maps list positions to records (active sort order,
// then the selection list of a keyed view), reads and writes records with the
// scrambling hooks, appends, marks deletions through a hook, and edits a record in
// the generated edit window with an optimistic conflict check: the record is read
// again before the write and must be byte for byte what the edit started from.
//
// Record n lies at byte (n - 1) x RecordLength. Records are never removed.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/editform.h"
#include "browser/recsort.h"
#include "browser/rol.h"
#include "common/inplace.h"
#include "common/locking.h"
#include "common/osfile.h"

namespace browser {

inline constexpr int kSelectionEntries = 5000;
inline constexpr std::size_t kSelectionFileSize = 10000;  // 5000 x uint16
inline constexpr const char* kZakaktPar = "par\\zakakt.par";

// Services the record-file browser calls; the program leaves the defaults, tests
// put fakes in place. Empty entries use the defaults.
struct SoubServices {
  EditFormView* editView = nullptr;  // nullptr: the window layer's edit window
  CalculatorEntry calculator;        // Ctrl+F9 in the edit window
  std::function<bool(const std::string& question)> askOne;  // Shift+F12 in the list
};
SoubServices& SoubHooks();

class TfSoub : public TfRol {
 public:
  explicit TfSoub(std::string componentName);
  ~TfSoub() override;

  // Buttons of the window, hidden until a list shows them.
  ui::Button& KlF4;     // "Nový"
  ui::Button& KlMez;    // "Oprav"
  ui::Button& KlF8;     // "Zruš"
  ui::Button& KlNajdi;  // "Hledej"

  // ---------------------------------------------------------------- browse state
  std::string DataFileName;        // as given; "=" + full path, else under the data folder
  std::string DataFilePath;        // the full path
  bool IndexFilesWanted = false;   // record length argument above 10000
  int ViewMode = -1;               // -1 file order; 0 keyed view; 1 keyed view kept in ".idx"
  std::string SelectionPath;       // the ".idx" file
  std::vector<std::uint16_t> SelectionList;  // [0..5000], [0] unused; empty without a keyed view
  std::int32_t SortedCount = 0;    // leading selection entries known to be in key order
  bool MayEdit = true, MayAdd = true, MayDelete = true;
  bool ReadOnly = false;           // opened for reading only (BrowseSetup::readOnly, records not in the layout, or
                                   // a file the user may read but not write)
  bool Changed = false;            // a record was written by edit, new record or delete
  bool EditingExisting = true;
  bool EditAborted = false;
  std::uint32_t ChecksumBefore = 0, ChecksumAfter = 0;
  std::string RecordAtEditStart;   // the bytes the edit started from
  bool ReadingForView = false;     // while AfterReadHook runs for a display read
  std::string EditTitle, EditKeyLine;
  CellFrame EditFrame{45, 1, 90, 15};
  ui::Color EditColor = ui::Rgb(0xD0, 0xFF, 0xD0), EditFontColor = ui::colors::Black;
  std::string PictureFolder;       // subfolder of "doklady" with this list's pictures
  int ShownPicture = 0;            // number of the picture in the panel (0 = the first)

  // Edit window state.
  std::vector<std::int32_t> FieldErrors;  // [0..264]: 1 = the field's text is wrong
  std::vector<std::int32_t> FieldStates;  // [0..264]: -1 hidden, 0 disabled, 1 editable
  int CurrentField = -1;           // -1 while no edit window is open
  int LastEditKey = 0;
  std::string WorkText;            // text of the field being checked
  bool FinishFlag = false;         // while EditAccept validates
  bool WrapAround = false;         // Down past the last field goes to field 1 (else accepts)
  bool EditBarcode = false;
  std::string EditBarcodeText;     // at most 20
  bool KeyLineVisible = true;

  // ---------------------------------------------------------------- operations
  void OpenBrowse(const BrowseSetup& setup);
  void DataFileOpen();
  void DataFileReopen();
  void DataFileClose();
  // True while the data file is open and may be written.
  bool DataFileUsable() const { return dataOk_; }
  // The open data file (a list may cut it after sorting its records in place).
  common::File& DataFile() { return data_; }
  // A keyed view in force (view mode 0/1 with at most 5000 records).
  bool KeyedView() const;

  std::uint32_t RecordChecksum() const;
  // Field values from / to the record buffer (a list whose records are no field
  // layout, as the report viewer's lines, gives its own).
  virtual void RecordToFields();
  virtual void FieldsToRecord();
  // False for such a list: its records are not checked against the field layout.
  virtual bool RecordsHoldFields() const { return true; }
  void SnapshotFieldValues();      // value -> value before edit
  void SetOriginalFieldValues();   // value -> initial value

  std::int32_t SelectionAppend();
  std::int32_t SelectionInsertSorted(std::int32_t p);
  std::int32_t SelectionFindKey(const std::string& key);

  // The generated edit window: built, shown modally, texts taken back into the values.
  void RecordEditDialog();
  EditForm* ActiveEditForm() { return editForm_; }
  // Text of the input of field i while the edit window is open (RangeError otherwise).
  std::string& EditText(int i);
  // Puts a text into the side label of field i while the edit window is open.
  void SetSideLabel(int i, std::string text);
  void FieldNormalise(int field, std::string& text);

  // Pictures belong to the record under the cursor, found through the active sort
  // order and the keyed view (0 when the list is empty).
  std::int32_t PictureRecord();
  // The file of picture n of that record; empty when pictures are off or no record.
  std::string PictureFileName(int n);
  void AddRecordPicture();     // "F"
  void PrintRecordPicture();   // "T"
  void DeleteRecordPicture();  // Del

  // The record template file "par\" + the first 8 characters of the name + ".F12".
  std::string TemplateFileName() const;

  // ---------------------------------------------------------------- sorting in place
  // The rewrite of the whole file in sorted order. The count is taken anew from the
  // file size first (records others appended are kept); the records `keep` passes go
  // to the sort engine; the output is written back as records 1.. only when the engine
  // finished and every record came out, the file is then cut to exactly the records
  // written. A failure half way puts the old bytes back. False (the file as it was,
  // the failure shown) otherwise, and when nothing was kept and `keepWhenEmpty`.
  struct InPlaceSort {
    std::function<bool(std::string_view record)> keep;           // empty: every record
    std::function<bool(std::string_view a, std::string_view b)> less;
    std::function<bool(std::string_view record)> dropOnOutput;   // empty: none
    bool keepWhenEmpty = false;
    std::string notice;  // shown while it runs (Windows-1250); empty: none
    SortLimits limits;
    // How records are read and written (empty: RecordRead, RecordWrite); false after a
    // failure that has been shown.
    std::function<bool(std::int32_t n)> read;
    std::function<bool(std::int32_t n)> write;
  };
  bool SortInPlace(const InPlaceSort& plan);

  // ---------------------------------------------------------------- the write turn
  // A read, check and write of the data file holds the file's write turn across all
  // three, so no other workstation's write falls between them. Holds nest: an inner
  // hold shares the outer one's turn, which goes back when the last hold ends outside
  // every WriteStep. Message boxes asked for meanwhile (Later) wait until then.
  class WriteTurn {
   public:
    explicit WriteTurn(TfSoub& s) : s_(s), ok_(s.HoldTurn()) {}
    ~WriteTurn() {
      if (ok_) s_.EndTurn();
    }
    WriteTurn(const WriteTurn&) = delete;
    WriteTurn& operator=(const WriteTurn&) = delete;
    bool ok() const { return ok_; }

   private:
    TfSoub& s_;
    bool ok_;
  };
  // Keeps a turn taken inside it until it ends (an edit or a new record and its moves).
  class WriteStep {
   public:
    explicit WriteStep(TfSoub& s) : s_(s) { ++s_.steps_; }
    ~WriteStep() {
      if (--s_.steps_ == 0) s_.copyRefused_ = false;
      if (s_.steps_ == 0 && s_.holds_ == 0) s_.GiveTurnBack();
    }
    WriteStep(const WriteStep&) = delete;
    WriteStep& operator=(const WriteStep&) = delete;

   private:
    TfSoub& s_;
  };
  bool TurnHeld() const { return turn_.Held(); }
  // Shows a message box now, or when the write turn has gone back.
  void Later(std::function<void()> show);
  void LaterMessage(const std::string& text);
  // The file-error message (common::FileErrorMessage), now or after the turn.
  void FileMessage(const char* action, const std::string& name, int code);
  // Count taken anew from the file size (not in a keyed view); done under the turn.
  void RecountRecords();
  // The record at Current is still the one the grid showed there (true when the grid
  // has not shown it); false also when Current is past the end.
  bool CurrentIsChosen();
  // Under the turn: CurrentIsChosen, or said as an edit of a changed record is said (false).
  bool CurrentStillChosen();
  // Under the turn: the count taken anew and row n within it, or said as an edit of a
  // changed record is said (false).
  bool RowStillThere(std::int32_t n);
  // Steps over marks. A mark stays a record number and keeps the value of the record it
  // was put on (the window's own writes keep it up to date). Under the turn (the count as
  // the file holds it): each marked record still the one marked; else the step acts on
  // none: said, the marks dropped to be put again, false.
  bool MarksStillChosen();
  // A step over marks: `step` runs under the write turn once MarksStillChosen; false when
  // refused (nothing done) or when `step` answers false.
  bool StepOverMarks(const std::function<bool()>& step);
  // A step carrying marked records elsewhere (a selection, a print, labels): `read` reads
  // them under the read turn (no writer between its reads) once MarksStillChosen.
  bool CarryMarked(const std::function<bool()>& read);
  // Rewrites bytes [offset, offset + length) of the data file in place through `step`
  // (false after a failure it has shown), under the write turn, with the old bytes in a
  // rollback copy first: the result is the old bytes or the new ones. False when the
  // copy could not be made (nothing written) or the step failed. A rewrite inside another
  // one runs under the outer one's copy, which must cover it (the outer ones rewrite the
  // whole file).
  bool RewriteInPlace(std::uint64_t offset, std::uint64_t length, const std::function<bool()>& step);
  // The same for a step whose appends (and other files) `plan` gives before it starts:
  // taken back, its appends go too, blanked in place where others' records follow. A cut
  // record at the end goes to "<name>.cut" first, as before any append.
  bool RewriteInPlace(std::uint64_t offset, std::uint64_t length, const std::function<bool()>& step,
                      const common::StepPlan& plan);
  // Both take the count anew from the file once the turn is held (outside a rewrite under
  // way), so a step reads the records others appended or removed before its first read.
  // A pass over records 1..Count of the file as the turn finds it, under one rollback copy:
  // `each` reads record n and writes it back when it changes it; false stops the pass and
  // takes it back. False when refused or taken back.
  bool RewriteEachRecord(const std::function<bool(std::int32_t n)>& each);
  // A record as a write stores it (scrambled while scrambling is on).
  std::string StoredRecord(std::string record);
  // Physical records first..last (0..0: none).
  struct RecordSpan {
    std::int32_t first = 0, last = 0;
  };
  // A step of several writes (a record's own write and the moves that follow it) under
  // one rollback copy, taken at its first write over the records `span` gives for it
  // (called with the physical record about to be written, 0 before a RewriteInPlace)
  // together with what that write touches. After a failed write, read or uncovered write
  // the step writes nothing more, and at its end the old bytes go back; when every write
  // went through the copy goes: old file or new file. A step inside another one or inside
  // a RewriteInPlace is part of that one.
  class CoveredStep {
   public:
    CoveredStep(TfSoub& s, std::function<RecordSpan(std::int32_t physical)> span);
    ~CoveredStep();
    CoveredStep(const CoveredStep&) = delete;
    CoveredStep& operator=(const CoveredStep&) = delete;

   private:
    TfSoub& s_;
    bool own_;
    int exceptions_;
  };
  // Inside such a step: cuts the data file after its first `count` records; false, with
  // the message, when the cut failed.
  bool CutToRecords(std::int32_t count);
  // Runs `work` holding the file's "W" lock instead of this window's in-use lock, taken
  // once when no other user holds the file; false (work not run) when one does.
  bool WithWriteLockOnce(const std::function<void()>& work);
  // The record the last append wrote (0 when it wrote none).
  std::int32_t AppendedRecord() const { return appended_; }
  // The file is read only: a rollback copy of it could not be put back.
  bool ReadOnlyOpen() const { return readOnly_; }
  // The data file as messages name it: a name outside the data folder by its real path.
  std::string ShownName() const;
  // While a rollback copy could not be put back: tries again; when it still cannot, says
  // that the list is read only and returns true (the edit, new record or delete is refused).
  // A file opened for reading only is said so, each time, whatever copy lies beside it; a
  // copy that went back leaves the list read only when the file it put back is not of the
  // layout or cannot be written (said).
  bool RefusedWhileCopyLeft();
  // Why the list is read only, as a refused write says it (empty: it is not, or only
  // while a copy waits).
  std::string ReadOnlyReason() const;
  // Before the window's records go elsewhere (a print, a copy into another file, a
  // transfer): a rollback copy beside the file goes back first (said, the file read
  // again; a writer at work waited for); while it cannot false, said naming the file, the
  // copy and why, with the step's refusal tail (common::RefusalTail) after it. A step
  // asks it before it writes anything; the record reads of a window off screen that a
  // copy keeps read only ask it themselves, once an opening.
  bool MayCarry();
  // Whether a step that replaces the data file whole (its sort) can make its work file
  // beside it; when not, said as a rewrite whose rollback copy cannot be made (false).
  bool ReplacementPossible();

  // ---------------------------------------------------------------- TfRol operations
  void CloseBrowse() override;
  std::int32_t IndexPositionToRecord(std::int32_t p) override;
  std::int32_t SelectionPositionToRecord(std::int32_t p) override;
  std::string RecordPictureFile(int k) override;
  void KeyDel() override;
  void LetterKey(int code) override;
  void ShowRecordPictures() override;
  void RecordRead(std::int32_t n) override;
  void RecordReadForView(std::int32_t n) override;
  void RecordWrite(std::int32_t n) override;
  void RecordToCells() override;
  void EditRecord() override;
  void NewRecord() override;
  void DeleteRecord(std::int32_t current) override;
  // F8's work: the record at Current, still the one chosen, cleared and written under
  // the turn; false when refused or not written.
  bool DeleteCurrent();
  void EditRecordNoCheck() override;
  void KeyShiftF10() override {}
  void ApplyRecordTemplate() override;
  void SaveRecordTemplate() override;
  void ExportListToExcel() override;
  void ExportToDbf() override;
  void PutFieldText(int n, const std::string& text) override;
  void SortByColumn(int column) override;
  void MarkToggled() override {}
  std::optional<std::uint64_t> MarkValue(std::int32_t n) override;

  // ---------------------------------------------------------------- own virtual operations
  virtual void FieldCheck(int field, std::string& text);
  virtual void FieldExit(int field, std::string& text);
  virtual void FieldChecked(int field, std::string& text);
  virtual void EditCancelled();
  virtual void EditFormBuilt();
  virtual void EditAccept();
  virtual void ClearRecord();
  virtual std::string RecordKey(std::int32_t n);
  virtual void RecordWriteAt(std::int32_t n);
  virtual void RecordReadAt(std::int32_t n);
  // Appends the record buffer as a new last record; false when nothing was written.
  virtual bool AppendRecord();
  virtual std::int32_t IndexPositionToRecord2(std::int32_t p);
  virtual void EditHelp();
  virtual void EditFinish();
  virtual void EditKeyF3();
  virtual void EditKeyF4();
  virtual void EditKeyF5();
  virtual void EditKeyF6();
  virtual void EditKeyF7();
  virtual void EditKeyF8();
  virtual void EditKeyF9();
  virtual void PrintEditForm();
  virtual void EditAppearanceMenu();
  virtual void EditShowInstructions();
  virtual void EditShowReportList();
  virtual void EditKeyCtrlF3();
  virtual void EditKeyCtrlF4();
  virtual void EditKeyCtrlF5();
  virtual void EditKeyCtrlF6();
  virtual void EditKeyCtrlF7();
  virtual void EditKeyCtrlF8();
  virtual void EditKeyAltF1();
  virtual void EditKeyAltF2();
  virtual void EditKeyAltF3();
  virtual void EditKeyAltF4();
  virtual void EditKeyAltF5();
  virtual void EditKeyAltF6();
  virtual void EditKeyAltF7();
  virtual void EditKeyAltF8();
  virtual void EditKeyAltF9();
  virtual void EditKeyAltF10();
  virtual void SaveEditTemplate();
  virtual void ApplyEditTemplate();
  virtual void BeforeWriteHook();
  virtual void AfterReadHook();

  // The edit window's folder of a dBASE export (tests point it elsewhere).
  std::string DbfFolder;
  // Names both exports ("XLS\<base>.CSV", "<base>.DBF") where there is no data file
  // to name them (the report lists); empty: the data file's (browser/export.h).
  std::string ExportBase;

 protected:
  // The column sort behind SortByColumn: refused with "Se souborem se pracuje" while
  // another user holds the file (false). Otherwise the active order is dropped and,
  // with two records or more and a key routine, index file 1 is written in the order
  // of key(n) (record n just read into RecordBuffer; cut to 50 characters, compared as
  // counted texts), each entry the record number and then `tail(n)`, and becomes the
  // active order with the record under the cursor kept current.
  struct ColumnSortPlan {
    std::function<std::string(std::int32_t n)> key;  // empty: the natural order
    bool zeroTail = false;                           // entries' second half 0 (else n)
  };
  bool SortIndexByKeys(const ColumnSortPlan& plan);

  // The last read or write worked (false after an I/O error or a position out of range).
  bool lastIoOk() const { return lastIoOk_; }
  // Record p of the file as stored (no hook, no message); false when it cannot be read.
  bool ReadPhysical(std::int32_t p, std::string& buffer);
  // Whether opening the browse warns of bytes of a cut record after the last whole one
  // (a report may end with a line of any length).
  virtual bool WarnsOfCutRecord() const { return true; }

 private:
  bool OpenDataFile(bool opening);
  // At opening: records whose counted texts do not fit the fields (the file is not in
  // this list's layout) open the file for reading only, said once. Files up to
  // kWholeCheckBytes are read whole, larger ones in a bounded sample.
  void CheckRecordLayout();
  // Under the write turn, before an append: bytes of a cut record after the last whole
  // one (`size` the file's size) go to "<file>.cut" and the file ends with the whole
  // records; `moved` their count. False, with the message, when they could not be moved.
  bool MoveCutRecordAside(std::uint64_t& size, std::uint64_t& moved);
  // Before an export carries the list elsewhere: a rewrite left unfinished on the file
  // goes back first (said, the list read again), or false, said, and nothing is exported.
  bool PutBackBeforeExport();
  bool HoldTurn();
  // Under the turn just taken: another run's rollback copy beside the file goes back first
  // (said) and the window reads the file again; false, said naming the copy and why, when
  // it cannot go back (the step writes nothing).
  bool PutBackUnderTurn();
  // A rewrite's copy could not be taken (Begin's `code`): said.
  void NoCopyTaken(int code);
  void EndTurn();
  void GiveTurnBack();
  // Puts back a rollback copy left by a writer that is gone; read only when it cannot.
  void RecoverLeftCopy();
  // The copy beside the file put back once more, once a writer at work is done, this
  // window's own registration stepping aside meanwhile (another user's entry still holds it back).
  common::LeftCopy PutBackStepAside(common::TakenBack& what);
  // The copy went back: writable again, read anew, unless the file that came back cannot
  // be written or is not of the layout (said; true then).
  bool LeaveReadOnly();
  // The file may be read but not written (`code` the open's): read only from here on, said.
  void OpenedNotWritable(int code);
  // A list read only for a reason of its own (not a copy): the reason said, true.
  bool SaysReadOnly();
  // What the message after a put-back says.
  std::string PutBackText(const common::TakenBack& what) const;
  // After a step was taken back: the count, cursor and page as the file now holds them.
  void AfterTakeBack();
  // Nothing is written until a copy left behind goes back.
  void KeepReadOnly();
  std::int32_t PhysicalRecord(std::int32_t p) const;
  // The marked record a mark keeps no longer the one marked (0: none).
  std::int32_t StaleMark();
  // The marks of a step refused over a stale mark are dropped; said after the turn.
  void DropStaleMarks();
  // A put-back brought the records back as they were before a step that did not finish:
  // the marks stay on their records and keep them as they are now.
  void RetakeMarkValues();
  // After a write in place of physical record p: a mark on it keeps the bytes written.
  void KeepMarkOnWrite(std::int32_t physical);
  // Before a write of bytes [offset, offset + length) inside a CoveredStep: its copy taken
  // at the first write; false (nothing to be written) when it could not be taken, when an
  // earlier write of the step failed or when the bytes lie outside the copy.
  bool CoverWrite(std::uint64_t offset, std::uint64_t length, std::int32_t physical);
  // The end of a rewrite: the copy erased after `done`, else (or when it cannot be
  // erased) the old bytes put back; a copy that cannot be put back leaves the file read
  // only (said). True when the new bytes stay.
  bool EndRewrite(common::InPlaceRewrite& rewrite, bool done);
  void ReadPosition(std::int32_t n, bool rememberPhysical);
  void WritePosition(std::int32_t n, bool rememberPhysical);
  // Reads and decodes the records an export takes (the marked ones when any is
  // marked) and runs `each` on them; 0, the I/O code of a read, or -1 when the marked
  // records may not go (one is no longer the one marked: said).
  int ForExportRecords(const std::function<void()>& each);
  void KlNajdiClick();

  common::File data_;
  bool dataOk_ = false;
  bool lastIoOk_ = true;
  int lastCode_ = 0;  // I/O code of the last failed read
  common::LockResult lock_ = common::LockResult::Skipped;
  std::int32_t appendAt_ = 0;  // physical record of the append being written
  std::uint64_t cutBytes_ = 0;  // bytes after the last whole record at the last open
  EditForm* editForm_ = nullptr;
  EditFormView* editView_ = nullptr;
  common::FileTurn turn_;
  int holds_ = 0, steps_ = 0;
  std::vector<std::function<void()>> later_;
  std::int32_t appended_ = 0;
  bool readOnly_ = false;
  // Why ReadOnly is set: asked by the opening, records not in the layout, not writable, no
  // lock entry can be written beside it.
  enum class Why { None, Asked, Layout, NotWritable, LockTable } why_ = Why::None;
  int whyCode_ = 0;  // the open's I/O code when not writable
  enum class Carry { Unasked, Allowed, Refused } carry_ = Carry::Unasked;  // MayCarry's answer since the opening
  bool copyKept_ = false;  // BrowseSetup::copyKept of the opening under way
  bool mayBefore_[3] = {true, true, true};  // MayEdit, MayAdd, MayDelete before a copy was left
  bool rewriting_ = false;  // a RewriteInPlace is under way
  bool copyRefused_ = false;  // a copy left by another run refused this WriteStep (said once)
  struct Cover {
    std::function<RecordSpan(std::int32_t)> span;
    common::InPlaceRewrite rewrite;
    std::uint64_t from = 0, to = 0;  // the bytes the copy holds (to: max when it reaches the end)
    bool failed = false;
  };
  std::unique_ptr<Cover> cover_;
  std::int32_t shownPhysical_ = 0;  // the record the grid last showed at Current
  std::string shownBytes_;          // and its bytes on disk
};

}  // namespace browser
