// The pieces of the combined code-list file: one file per list ("ci." + the list
// number) with one fixed-length record per entry, and "ci.99" holding CI01.DTA
// records as they are. One table per list drives both directions: which cells of
// which lines fill which fields (the split), and which lines the fields give back
// (the assembly).
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "codelists/ci01.h"

namespace combined {

using codelists::Ci01Record;

// A counted text field of a piece record.
struct PieceField {
  std::string caption;  // Windows-1250
  int width = 0;
  int offset = 0;
  bool filled = true;  // false: never written by the split (zero bytes in the empty record)
};

// One part of a cell: a run of blanks, or a field's text.
struct CellPart {
  int blanks = 0;
  int field = -1;
};
using Cell = std::vector<CellPart>;  // empty: six blanks

enum class LineCondition {
  Always,
  AnyFieldNotBlank,  // one of `fields` does not hold exactly its width of blanks
  TextNotBlank,      // the text's first ten characters are not all blanks
  TextNot30Blanks,   // the text is not exactly thirty blanks
};

// A text kept across cells: read as cells 1..readCells joined (cut to the field,
// after `readSuffix`), written 6 characters a cell into cells 1..writeCells.
struct TextSpan {
  int field = -1;
  int readCells = 5;
  int writeCells = 5;
  std::string readSuffix;
};

struct LineRule {
  int cv = 0;
  LineCondition condition = LineCondition::Always;
  std::vector<int> fields;  // of AnyFieldNotBlank; of the text conditions, the text field
  TextSpan text;            // field -1: no text on this line
  std::array<Cell, 5> cells;  // the cells after the text's
};

struct PieceSpec {
  int list = 0;
  std::string requiredP;
  std::string keyPrefix;  // Klíč of the name line = prefix + key field
  int keyField = 0;
  int nameField = 1;
  int dateField = 0;
  bool keepDate = false;  // the empty record leaves the date as it was
  int length = 0;
  std::vector<PieceField> fields;
  std::vector<LineRule> lines;  // in assembly order; the first is the name line "00"

  std::string FileName() const;     // "ci.10"
  std::string DeletionMark() const;  // the key field's width of dots
  const LineRule* Line(int cv) const;
  // Reads a field of a piece record (clamped to its capacity).
  std::string Get(std::string_view rec, int field) const;
  void Put(std::string& rec, int field, std::string_view text) const;
  // The empty record; `previous` gives the date a list that keeps it carries over.
  std::string EmptyRecord(std::string_view previous = {}) const;
};

// The fifteen lists with pieces, in the order of the table (10, 11, 14, ... 63).
const std::vector<PieceSpec>& PieceSpecs();
// nullptr for a list without a piece.
const PieceSpec* FindPiece(int list);
// The piece order of the split and assembly: the fifteen lists, then 99.
std::vector<int> PieceOrder();
inline constexpr int kRestList = 99;
inline constexpr char kRestPiece[] = "ci.99";

// The list number a TS names (tolerant conversion).
int ListNumber(std::string_view ts);

// Moves one CI01 record into the piece record when the list holds it: P the list's
// required P and ČV one of its lines. False when the record belongs to "ci.99".
bool ApplyRecord(const PieceSpec& spec, const Ci01Record& r, std::string& piece);

// Whether a record of the list's piece ("ci.99": a CI01.DTA record) holds no counted
// text longer than its field, as every writer of the pieces leaves them.
bool RecordDecodes(int list, std::string_view rec);

// The lines a piece record gives back, in order; none when its key is the deletion
// mark or its name is blank.
std::vector<Ci01Record> AssembleEntry(const PieceSpec& spec, std::string_view piece);
// How far the running count of the assembly moves for an entry of `lines` lines.
int ProgressStep(const PieceSpec& spec, std::size_t lines);

// True when the lines of an entry come back from its piece record exactly: TS, Klíč,
// P, each cell right-trimmed (texts joined over their cells), lines added by the
// assembly allowed; no two lines with one ČV.
bool EntryRoundTrips(const PieceSpec& spec, const std::vector<Ci01Record>& lines, std::string_view piece);

}  // namespace combined
