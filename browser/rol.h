// TfRol: the window in which every list is shown and worked. It knows nothing of
// files: it shows positions 1..Count one page at a time in the grid sgRol and turns
// each key into a call of one of its virtual operations. Descendants (the record-file
// browser and the list windows) give those operations their meaning.
//
// Positions and record numbers are 1-based. Current is the position under the cursor
// (grid row + Top), -1 after Esc. With a sort order active, position p shows the
// record of entry p of that order's index file (IndexPositionToRecord).
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "browser/fields.h"
#include "browser/indexfiles.h"
#include "ui/form.h"

namespace browser {

class TfRol;

// Marks: one bit per record number 0..400,000 (50,001 bytes). A mark may keep a value of
// the record it was put on (its stored bytes' digest), by which a step over marks tells
// that the record at that number is still the one marked.
class RecordMarks {
 public:
  static constexpr std::int32_t kMaxNumber = 400000;
  RecordMarks() : bits_(50001, 0) {}
  void Clear();
  bool IsMarked(std::int32_t n) const;
  // false when n is outside 0..400,000 (nothing happens then). A new mark keeps no value.
  bool Mark(std::int32_t n);
  bool Unmark(std::int32_t n);
  // The value kept for marked record n (replaced when there is one).
  void Keep(std::int32_t n, std::uint64_t value);
  const std::unordered_map<std::int32_t, std::uint64_t>& kept() const { return kept_; }
  const std::vector<std::uint8_t>& bits() const { return bits_; }

 private:
  std::vector<std::uint8_t> bits_;
  std::unordered_map<std::int32_t, std::uint64_t> kept_;
};

// A frame in character cells (columns and lines from 1).
struct CellFrame {
  int left = 1, top = 1, right = 80, bottom = 20;
};

// Everything an opener hands over, by name. The record-file browser's OpenBrowse
// takes the whole; TfRol's activation uses the grid part, title, key line and start.
struct BrowseSetup {
  std::string fileName;          // data file; "=" + full path, else under the data folder
  std::string title;             // also the header line until the setup replaces it
  std::string keyLine;           // the browse key-help line
  std::string editTitle;         // caption (tag) of the generated edit window
  std::string editKeyLine;
  int viewMode = -1;             // -1 all records in file order; 0/1 keyed view
  int fieldCount = 0;
  int recordLength = 0;          // above 10000: the rest, with index files
  int startRecord = 99999;       // clamped to 1..count; 99999 = the last record
  CellFrame grid;                // the browse window
  ui::Color gridColor = ui::Rgb(0xE0, 0xFF, 0xE0);
  ui::Color gridFontColor = ui::colors::Black;
  CellFrame edit{45, 1, 90, 15};  // the edit window
  ui::Color editColor = ui::Rgb(0xD0, 0xFF, 0xD0);
  ui::Color editFontColor = ui::colors::Black;
  bool useStoredIndex = false;   // open on the stored " Index" instead of the start record
  bool readOnly = false;         // the data file is only read: no edit, append, delete or sort writes it
  bool copyKept = false;         // a copy beside the file the opening's own check refused (said): kept read
                                 // only while it waits, every step looking again
};

// Services of windows built on top of the browser, put in place by the program (and
// by tests). An empty entry leaves the key without effect.
struct RolServices {
  std::function<void(TfRol&)> appearanceMenu;  // F11 "Úprava vizáže"
  std::function<void()> showReportList;        // Ctrl+F2: the list of produced reports (every window's)
};
RolServices& RolHooks();

class TfRol : public ui::Form {
 public:
  explicit TfRol(std::string componentName);
  ~TfRol() override;

  // ---------------------------------------------------------------- controls
  ui::Grid& sgRol;          // column 0 = mark column, row 0 = header
  ui::Label& lhled;         // "Najdi [F3]"
  ui::Edit& eHled;          // the search box
  ui::Label& lKolik;        // count / position / marked
  ui::ScrollBar& ScrollBar1;
  ui::Edit& lHelp;          // the key-help line
  ui::Panel& Panel;         // record picture
  ui::Image& Image;
  ui::Memo& MemoText;
  ui::Panel& Panel1;        // progress of long operations
  ui::Label& LabSrt;
  ui::ProgressBar& BarSrt;
  ui::PopupMenu& PopupMenu1;  // items "A1", "b1" .. "k1", hidden until a descendant uses them
  // Shows the first popup items with these captions (UTF-8); a click on item i runs
  // actions[i] when there is one.
  void ShowPopupItems(const std::vector<const char*>& captions, std::vector<std::function<void()>> actions = {});
  // Ctrl + letter runs the action wherever the focus is in the window (the shortcut of
  // a popup item).
  void PopupShortcut(char letter, std::function<void()> action);
  ui::Timer& TimerError;
  ui::Timer& TimerSerPera;

  // ---------------------------------------------------------------- browse state
  std::int32_t Count = 0;          // records in the list
  std::int32_t Current = 0;        // position under the cursor; -1 after Esc
  std::int32_t Top = 0;            // position shown in grid row r is Top + r
  std::int32_t RowsPerPage = 0;    // data rows shown
  std::int32_t MaxRowsPerPage = 1;
  std::int32_t CharsPerLine = 0;
  std::int32_t RowReserve = 0;     // rows of the window kept free (0..30)
  std::int32_t LeftColumn = 1;     // first data column shown
  std::int32_t CharShift = 1;      // 1..999
  CellFrame Frame;                 // the window in character cells

  std::string SettingsKey;         // component name; prefix of the stored settings
  std::string Title;
  std::string HeaderLine;          // shown over the rows as the window caption (when not empty)
  std::string KeyHelpLine;         // shown in lHelp

  // Record buffers: RecordBuffer is read, edited and written; ViewBuffer receives
  // the records read for display; RecordTemplate is the new-record template.
  std::int32_t RecordLength = 0;
  std::string RecordBuffer, ViewBuffer, RecordTemplate;

  // Field table (1..FieldCount) and columns (1..ColumnCount).
  std::int32_t FieldCount = 0;
  std::int32_t ColumnCount = 0;
  bool OwnHeaders = false;              // the descendant set ColumnCount and HeaderTexts
  std::vector<std::string> ColumnTexts;  // [0..264], index 0 unused
  std::vector<std::string> HeaderTexts;  // [0..264]
  std::vector<int> ColumnOrder;          // [0..264]: field shown in column i
  std::vector<bool> ColumnShown;         // [0..264]
  FieldDescriptor& Field(int i);         // 1..264 (RangeError outside)
  const FieldDescriptor& Field(int i) const;
  // Fields 1..FieldCount as a span (for the record codec).
  std::span<FieldDescriptor> FieldSpan();

  // Keys.
  int LastKey = 0;                 // code of the last key (13 after Enter)
  int CloseKey = 0;                // the key that closed the window (13 Enter, 27 Esc)
  int PrevRawKey = 0;
  std::string TypedNumber;         // digits typed as a record number (at most 16)
  std::int64_t TypedTimeMs = -1;   // clock of the previous typed digit
  bool BarcodeMode = false;
  std::string BarcodeText;         // at most 20

  // Flags.
  bool EnterEdits = false;         // Enter and double click edit instead of choosing
  bool ColumnShift = false;        // cells shown from CharShift on
  bool PicturesOn = false;
  bool NoWrap = false;             // search stops at the last record
  bool ExactSearch = false;
  bool SecondPass = false;

  // Marks, block, sort orders.
  RecordMarks Marks;
  std::int32_t MarkedCount = 0;
  std::int32_t BlockBegin = 0, BlockEnd = 0;
  int ActiveOrder = 0;             // 0 physical order, 1..4 index file k
  SortIndexFiles IndexFiles;
  std::int32_t LastPhysicalRecord = 0;  // record number the last read read; 0 none

  // Colours.
  ui::Color GridColor = ui::colors::White, FontColor = ui::colors::Black;
  ui::Color SavedGridColor = ui::colors::White, SavedFontColor = ui::colors::Black;
  static constexpr ui::Color kSortedGridColor = ui::Rgb(0xE0, 0xFF, 0xE0);

  std::function<void()> MouseEnterHandler;

  // ---------------------------------------------------------------- operations
  // Activation: takes the grid frame, colours, title and key line of the setup, sets
  // Count := count and opens on the start record (or the stored " Index").
  void ActivateBrowse(const BrowseSetup& setup, std::int32_t count);

  // Moves to position n (nothing unless 1 <= n <= Count). Modes: 0 keep the cursor
  // row, 1 as top row, 2 as bottom row, 3 page-aligned.
  void GoToRecord(std::int32_t n, int mode);
  void SetPageRows();
  void RowDown();
  int CursorRow() const;           // grid row of the cursor (1..RowsPerPage)
  void SetCursorRow(int row);
  void ShowRecordPicture(int k);
  void PlaceScrollBar();
  void FormResize();
  // Data rows a window of the present height holds (at least 1).
  int MaxRowsForHeight() const;
  void UpdateCountLabel(std::int32_t position);
  // The closing keys end here: close the window (a modal run ends).
  void CloseWindow(int key);
  bool closeRequested() const { return closeRequested_; }

  // Keys and events, as the controls deliver them.
  void sgRolKeyDown(int& key, ui::Shift shift);
  void sgRolKeyPress(char& ch);
  void sgRolClick();
  void sgRolDblClick();
  void ScrollBar1Change();
  void eHledKeyDown(int& key, ui::Shift shift);
  // The column under a pixel x of the header row; 0 when none.
  int HeaderColumnAt(int x) const;

  // Marks.
  bool IsMarked(std::int32_t n) const { return Marks.IsMarked(n); }
  void MarkRecord(std::int32_t n) { TakeMark(n); }
  void UnmarkRecord(std::int32_t n) { Marks.Unmark(n); }
  void ClearMarks();
  void ToggleMark(std::int32_t n);
  void ToggleMarks();              // Ins
  void SetBlockBegin();            // Ctrl+Y, Ctrl+Z, Ctrl+F10, Ctrl+F11
  void SetBlockEnd();              // Ctrl+K, Ctrl+Num+
  void MarkBlock();                // marks the block's records (through the active order)

  // Index files of the data file (opened by the record-file browser).
  int IndexFilesOpen(std::string_view dataName);
  void IndexFilesClose();
  std::int32_t IndexCount(int k) const { return IndexFiles.Count(k); }
  void SetSortOrder(int k);        // the body of SetSortOrder1..4

  // ---------------------------------------------------------------- virtual operations
  // Those with an empty body are hooks: the list windows give them meaning.
  // Data.
  virtual std::string RecordToColumns(std::int32_t n);
  virtual void RecordRead(std::int32_t /*n*/) {}
  virtual void RecordReadForView(std::int32_t /*n*/) {}
  virtual void RecordWrite(std::int32_t /*n*/) {}
  virtual void RecordToCells() {}
  virtual std::string RecordSearchText(std::int32_t n);
  virtual std::int32_t SearchScan(const std::string& text);
  virtual void SearchNext();
  virtual std::int32_t IndexPositionToRecord(std::int32_t p);
  virtual std::int32_t SelectionPositionToRecord(std::int32_t p);
  virtual std::string RecordPictureKey(std::int32_t n);
  virtual std::string RecordPictureFile(int k);

  // Lifecycle.
  virtual void FormClose();
  virtual void CloseBrowse();
  virtual void LayoutGrid();
  virtual void RepaintPage();
  virtual void PageRepainted() {}
  virtual void CurrentRecordShown() {}
  virtual void MarkToggled() {}
  // The value a mark on record n keeps (none: the mark keeps nothing).
  virtual std::optional<std::uint64_t> MarkValue(std::int32_t /*n*/) { return std::nullopt; }

  // Keys.
  virtual void KeyEsc() {}
  virtual void KeyDel() {}
  virtual void EditRecord() {}
  virtual void KeyCtrlSpace() {}
  virtual void KeyAltSpace() {}
  virtual void ShowHelp(int /*topic*/) {}
  virtual void KeyF2() {}
  virtual void StartSearch(std::int32_t current);
  virtual void NewRecord();
  virtual void KeyF5() {}
  virtual void KeyF6(std::int32_t /*current*/) {}
  virtual void KeyF7(std::int32_t /*current*/) {}
  virtual void DeleteRecord(std::int32_t /*current*/) {}
  virtual void KeyF9(std::int32_t /*current*/) {}
  virtual void PrintListing(std::int32_t /*current*/) {}
  // Where F10 pops PopupMenu1 after PrintListing (screen pixels).
  virtual ui::Point ListingMenuPoint() { return {left() + 15, top() + 50}; }
  virtual void AppearanceMenu(std::int32_t current);
  virtual void KeyF12(std::int32_t /*current*/) {}
  virtual void SetSortOrder1();
  virtual void SetSortOrder2();
  virtual void SetSortOrder3();
  virtual void SetSortOrder4();
  virtual void KeyAltF5() {}
  virtual void KeyAltF6() {}
  virtual void KeyAltF7() {}
  virtual void KeyAltF8() {}
  virtual void KeyAltF9() {}
  virtual void ClearSortOrder();
  virtual void KeyAltF11() {}
  virtual void KeyAltF12() {}
  virtual void OpenManual();
  virtual void ShowReportList();
  virtual void KeyCtrlF3() {}
  virtual void KeyCtrlF4() {}
  virtual void KeyCtrlF5() {}
  virtual void KeyCtrlF6() {}
  virtual void KeyCtrlF7() {}
  virtual void KeyCtrlF8() {}
  virtual void KeyCtrlF9() {}
  virtual void EditRecordNoCheck() {}
  virtual void KeyShiftF10() {}
  virtual void ApplyRecordTemplate() {}
  virtual void SaveRecordTemplate() {}
  virtual void KeyNumPlus() {}
  virtual void KeyNumMinus() {}
  virtual void KeyNumStar() {}
  virtual void ExportListToExcel() {}
  virtual void ExportToDbf() {}
  virtual void LetterKey(int /*code*/) {}
  virtual void RecordChosen() {}

  // Mouse.
  virtual void sgRolMouseDown(ui::MouseButton button, ui::Shift shift, int x, int y);
  virtual void EnableMenuItems() {}
  virtual void SortByColumn(int /*column*/) {}
  virtual void ShowRecordPictures() {}

  // Other.
  virtual void PutFieldText(int /*n*/, const std::string& /*text*/) {}

 protected:
  // The grid's cells for one data row (column 0 the mark), before they are shown.
  void PaintRow(int row, std::int32_t n);

 private:
  // Marks n with the value MarkValue gives; false when n cannot be marked.
  bool TakeMark(std::int32_t n);
  void WireControls();
  // The end of every grid key: repaint, count label, picture, CurrentRecordShown.
  void FinishKey();
  void Dispatch(int code, std::int32_t current, bool& stop);
  void KeyEnter(std::int32_t current, bool& stop);
  void EndSortOrder();
  void PictureMouseDown(ui::Control& c, ui::MouseButton b, int x, int y);
  void PictureMouseMove(ui::Control& c, int x, int y);
  void PictureMouseUp(ui::Control& c);

  std::vector<FieldDescriptor> fields_;
  bool closeRequested_ = false;
  bool activating_ = false;
  // Dragging of the picture and text panels.
  enum class Drag { None, Move, Size } drag_ = Drag::None;
  ui::Point dragStart_;
  ui::Rect dragFrom_;
  bool pictureLarge_ = false;
};

// The text without blanks, ",", "-" and "." (the search's second pass).
std::string NormalizeSearchText(std::string_view s);
// The search form of a text: accents removed, Czech upper case.
std::string SearchForm(std::string_view s);

}  // namespace browser
