// The windows over the pieces of the combined code-list file: one record-file
// window class driven by a member table (piece, fields, colours, places, the date
// stamp rule), with the set-up routine of each member.
#pragma once
#include <string>
#include <vector>

#include "browser/soub.h"

namespace combined {

// One field as the window shows it: caption padded to its length, the initial value
// (`width` times `fill`), the picture, and its place in the edit window (line 0:
// the line of its number, column 2).
struct PieceWindowField {
  const char* caption;  // UTF-8
  int captionLength;
  int width;
  char fill;
  const char* picture;
  int line = 0, column = 0;
  const char* hint = nullptr;  // an extra label
  int hintLine = 0, hintColumn = 0;
};

struct PieceWindowSpec {
  const char* className;
  int list;
  const char* caption;  // UTF-8
  const char* file;
  int length;
  bool stampAlways;
  ui::Color editFont, editColor, gridFont, gridColor;
  browser::CellFrame edit, grid;
  std::vector<PieceWindowField> fields;
};

// The fourteen members, in the order of the table (10, 11, 14, 15, 20, 21, 22, 23,
// 28, 30, 61, 62, 63, 99).
const std::vector<PieceWindowSpec>& PieceWindowSpecs();
const PieceWindowSpec* FindPieceWindow(int list);

class TfCiPiece : public browser::TfSoub {
 public:
  explicit TfCiPiece(const PieceWindowSpec& spec);
  const PieceWindowSpec& spec() const { return spec_; }

  // Defines the fields, opens the piece and builds the new-record template.
  void Setup();
  // "Změn střediska": every key rotated left by one character (list 30).
  void k1Click();

  void NewRecord() override;
  void DeleteRecord(std::int32_t current) override;
  void EditRecord() override;
  void RecordWrite(std::int32_t n) override;
  void ClearRecord() override;
  void FieldCheck(int field, std::string& text) override;
  void FieldExit(int field, std::string& text) override;
  void EditAccept() override;

 private:
  void Stamp();
  std::string GetField(int i) const;  // of the record buffer
  void PutField(int i, const std::string& text);
  const PieceWindowSpec& spec_;
  std::vector<int> offsets_;
};

// The window of a list, one for the whole run.
TfCiPiece& fCiPiece(int list);
// SetupCi10 .. SetupCi99.
void SetupCiPiece(TfCiPiece& w);

// The work date as the pieces store it: YYMMDD.
std::string WorkDateYYMMDD();

}  // namespace combined
