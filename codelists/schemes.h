// The statement schemes in the 316-byte layout: one window class for the balance
// sheet (lists 77 and 270), its annexes (80 .. 86) and the income statement (260),
// each row carrying a hierarchical code ("výkaz", e.g. "A.II.5.") from which
// "Spočítej" works out the row it is added into. What the three differ in is the
// variant table below.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "codelists/engine.h"
#include "codelists/rows.h"

namespace codelists {

enum class SchemeKind { Balance270, Annex27P, Income260 };

struct SchemeVariant {
  SchemeKind kind;
  std::string_view className;    // "TfCis270"
  std::string_view instance;     // "fCis270"
  std::string_view formCaption;  // the form's own caption, replaced at set-up
  std::string_view defaultList;  // the list opened without a number
  int keyField;                  // "výkaz" (4) or "Řádek" (1)
  std::string_view rowPicture, codePicture;
  std::string_view rowMask;      // "##@" or "@@@"
  bool uncodedLast;              // rows without a code sort after the coded ones
  bool annexCount;               // "Spočítej" of the annexes: no parent code kept, "* " marks
  bool parentIntoKlicKam;        // "Přenes KlicKam" writes the parent code (else blanks)
  bool starItems;                // "Uprav *" and "Pasiva X"
  bool starStrip;                // "Oprav *"
};

const SchemeVariant& VariantOf(SchemeKind kind);
const CodeListSpec& SchemeSpec(SchemeKind kind);
const RowLayout& SchemeRows(SchemeKind kind);

// Field numbers of the layout.
namespace scheme {
inline constexpr int kRow = 1, kName = 2, kTarget = 3, kCode = 4, kParent = 5, kAccounts1 = 6, kDate = 11, kText = 12;
inline constexpr int kCodeWidth = 16;
}  // namespace scheme

// The code up to and including its second "." from the right ("A.II.5." gives
// "A.II."), empty with fewer than two; left-aligned in `width`.
std::string ParentCode(std::string_view code, int width);
// A code whose first three characters are blanks (or that is shorter and blank)
// counts as no code.
bool HasNoCode(std::string_view code);

class SchemeWindow : public CodeListWindow {
 public:
  explicit SchemeWindow(SchemeKind kind);
  const SchemeVariant& variant() const { return variant_; }

  std::string ListNo;
  // Where the imports find their files (empty: the current folder).
  std::string ImportFolder;

  // "Setřiď": deleted rows ("999") out, the rest in key order and numbered from 1.
  bool SortScheme();
  // "Spočítej": sorts, then numbers the rows and points each at its parent's row.
  void CountRows();
  // "Přenes KlicKam": the parent code (or blanks) into "výkaz kam".
  void CarryParentCodes();
  // "Odeber stm:": the marked rows' codes begin with "P".
  void MarkCodesP();
  // "Uprav *": a name "* x" becomes " x".
  void AdjustStars();
  // "Oprav *": a name "* x" becomes "x".
  void StripStars();
  // "Pasiva X": "X." after the first two characters of the codes from row 101 on.
  void LiabilitiesX();
  void InsertRow() { codelists::InsertRow(*this, SchemeRows(variant_.kind)); }  // "Přidej před větu"
  void DeleteRow() { codelists::DeleteRow(*this, SchemeRows(variant_.kind)); }  // "Zruš větu"

  enum Command {
    kSort = 1, kCount, kKlicKam, kInsert, kDelete, kXml, kMarkP, kGordicRows, kGordicTexts, kAdjustStars, kLiabilitiesX,
    kStripStars
  };
  void MenuCommand(int id) override;

 protected:
  void BeforeOpen() override;
  std::string ListFileName() const override { return "CI" + ListNo + ".DTA"; }
  std::string ListingTitle() const override;
  std::vector<std::string> ListingHeaderLines(int page) override;
  std::string ListingLineOf(std::int32_t n) override;
  void SortOutputRecord(std::int32_t k) override;

 private:
  // Rewrites every record through the stamping write with `change` applied when it
  // returns true; then repaints.
  template <class Change>
  void RewriteEach(Change change);

  const SchemeVariant& variant_;
};

// The set-up routines: n is the list number ("77", "270"; "80" .. "86"; "260").
void SetupCis270(SchemeWindow& w, std::string_view n);
void SetupCis27P(SchemeWindow& w, std::string_view n);
void SetupCis260(SchemeWindow& w, std::string_view n);

SchemeWindow& fCis270();
SchemeWindow& fCis27P();
SchemeWindow& fCis260();

}  // namespace codelists
