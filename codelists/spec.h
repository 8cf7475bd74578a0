// The table that describes one code-list window: its file and record, fields and
// columns, key and deletion marker, change-date rule, sorts, close, listing and popup
// items. CodeListWindow (engine.h) does the rest; a list with logic of its own
// overrides the window's virtual operations.
//
// Texts in the table are UTF-8 as written in the source; the window converts them to
// Windows-1250 when it sets itself up.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "browser/rol.h"

namespace codelists {

// One field of the record, in record order.
struct FieldSpec {
  std::string_view caption;
  std::string_view picture;   // "P", "X", "Y", "L", " ", "#####I", ...
  std::string_view initial;   // its length is the field's width
  std::uint8_t line = 0, column = 0;  // place in the edit window
};

// How the keys of two records compare.
enum class KeyCompare {
  Bytes,      // counted texts byte by byte, a shorter prefix first
  CzSortKey,  // Czech collation key of each text
  UpperCz,    // Czech upper case of each text
  Custom,     // KeySpec::less
};

// The key: one field or several joined (each taken at its field's capacity).
struct KeySpec {
  std::vector<int> fields{1};
  KeyCompare compare = KeyCompare::Bytes;
  std::function<bool(const std::string& a, const std::string& b)> less;  // Custom
};

// When a record counts as deleted, and what F8 writes into it.
enum class DeletedTest {
  Equals,         // the field's counted text is exactly `marker` (length byte included)
  StartsWith,     // the field's text begins with `marker`
  LeadingBlanks,  // the field's text begins with `blanks` blanks
  AllBlank,       // the field's text holds only blanks (or nothing)
  Never,          // no record is deleted
};
struct FieldWrite {
  int field = 1;
  std::string_view text;  // written as a counted text of its own length
};
struct DeletedSpec {
  int field = 1;
  DeletedTest test = DeletedTest::Equals;
  std::string_view marker;  // plain ASCII, compared as stored
  int blanks = 0;
  std::vector<FieldWrite> writes;  // what F8 puts into the template copy
};

enum class StampPolicy { None, OnChangedFlag, EveryWrite };
// Writes of the records the moves shift and of the sort output: through the window's
// own write (so they stamp) or through the plain write.
enum class ShiftWrite { Hooked, Raw };
// What follows an edit or a new record.
// FullSortWhenFree: the whole file sorted at once while no other user holds it, else
// the local moves (the deleted record then waits at the front for the close).
enum class Reposition { Incremental, FullSortNow, None, FullSortWhenFree };
// When the close sorts the file.
enum class CloseSort { Never, WhenFirstDeleted, WhenFirstDeletedOrOtherOrder, Always };
enum class DeletePolicy { MarkerMoveUp, MarkerInPlace, TemplateInPlace, TemplateInPlaceAsk };
enum class AfterDelete { FormerCurrent, FormerCurrentPlusOne, StayInPlace };

// Operations refused while another user holds the file (beep and the message).
inline constexpr std::string_view kEditRefusal = "Pozor, opravy se neprovedly, někdo právě pracuje s číselníkem";
inline constexpr std::string_view kAddRefusal = "Pozor, záznam se nepřidal, někdo právě pracuje s číselníkem";
inline constexpr std::string_view kDeleteRefusal = "Pozor, záznam se nezrušil, někdo právě pracuje s číselníkem";
struct GuardSpec {
  bool edit = false, add = false, del = false;
  std::string_view editRefusal, addRefusal, deleteRefusal;
};

// A window that stays open for the whole run: `slot` is its FormOpenFlags entry.
// With `deferClose` a close during the run does nothing at all; without it the close
// sorts as the close policy says and leaves the files open. The end-of-run close
// (entry -1) always sorts as the policy says and closes.
struct KeepOpenSpec {
  int slot = 0;  // 0: an ordinary window
  bool deferClose = false;
};

enum class ListingHeader {
  Pattern,  // form feed from page 2 (or with NovyList), title with "List:", caption line, "="
  Texty,    // form feed always, title with "L:", the fixed column line, 94 "="
  Custom,   // CodeListWindow::ListingHeaderLines
};
enum class ListingLine {
  Columns,        // the shown row cut to `cut`
  CollapseAfter,  // the first `keep` characters, the rest through CollapseSpaces, cut to `cut`
  Custom,         // CodeListWindow::ListingLineOf
};
struct ListingSpec {
  std::string_view report = "CI_OPIS";  // empty: the list has no listing
  int width = 100;
  std::string_view title;
  int counterStart = 130;
  ListingHeader header = ListingHeader::Pattern;
  ListingLine line = ListingLine::Columns;
  int keep = 0;
  int cut = 132;
  std::string_view columnLine;  // Texty: the fixed column line
  int linesAfterHeader = 7;     // the line counter after a page header
  bool formFeedAlways = false;  // Pattern: a form feed before every page, the first included
  bool pageAtLimit = false;     // a new page when the line counter reaches LimRad
};

enum class MenuAction { Print, Recode, Custom };
struct MenuItemSpec {
  std::string_view slot;  // "A1", "b1" .. "k1", or a new item's name
  std::string_view caption;
  MenuAction action = MenuAction::Print;
  int customId = 0;  // handed to CodeListWindow::MenuCommand
};

struct CodeListSpec {
  int listNo = 0;
  std::string_view className;  // "TfCis11"
  std::string_view caption;    // the window caption
  std::string_view file;       // "CI11.DTA"; a list with a computed name sets it in its setup
  int recordLength = 0;
  std::span<const FieldSpec> fields;
  KeySpec key;
  DeletedSpec deleted;
  int dateField = 0;  // 0: no change date
  std::string_view sortNotice;  // empty: no notice while sorting
  browser::BrowseSetup look;    // fileName, fieldCount and recordLength come from above
  StampPolicy stamp = StampPolicy::OnChangedFlag;
  ShiftWrite shift = ShiftWrite::Hooked;
  Reposition reposition = Reposition::Incremental;
  CloseSort closeSort = CloseSort::WhenFirstDeleted;
  bool closeNeedsFree = true;  // the close sorts only when IfVolny reports no holder
  KeepOpenSpec keepOpen;
  GuardSpec guards;
  DeletePolicy deletePolicy = DeletePolicy::MarkerMoveUp;
  std::string_view deleteQuestion;  // TemplateInPlaceAsk
  AfterDelete afterDelete = AfterDelete::FormerCurrent;
  std::vector<int> columnOrder;              // empty: field i in column i
  std::vector<std::string_view> headers;     // non-empty: own column headers
  ListingSpec listing;
  std::vector<MenuItemSpec> menu;
  std::vector<int> recodeFields;             // fields "Překóduj" turns from Kamenický
  std::string_view helpFile, helpTopic;      // F1; empty: F1 does nothing
};

}  // namespace codelists
