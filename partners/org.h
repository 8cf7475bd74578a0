// TfOrg: the register of business partners, "org.dta" of 586-byte records. Record n
// is partner n: field 1 holds n. New partners are numbered under the lock
// "ORGANIZA.CE", deleted ones are blanked and keep their number, a header click sorts
// by that column into index file 1, F7 keeps a notes file per partner, and the
// personal fields are scrambled on disk while scrambling is on. SetupOrg also serves
// windows that are never shown (prints, transfers, labels) for reading and writing.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "browser/soub.h"

namespace partners {

inline constexpr int kOrgFields = 30;
inline constexpr int kOrgRecordLength = 586;
inline constexpr char kOrgLock[] = "ORGANIZA.CE";
// Partner numbers are stored in 16 bits.
inline constexpr std::int32_t kMaxPartnerNumber = 65535;

// Field numbers the register's rules name.
namespace of {
constexpr int Number = 1, Ico = 2, Dic = 3, Name = 4, Name2 = 5, Street = 6, Town = 7, PostalCode = 8, State = 9,
              BankName = 11, BankCode = 12, Account = 13, Contact = 15, Email = 18, InvoicePlace = 19, SalesCode = 20,
              PriceList = 21, OwnAccount = 25, TaxOffice = 27, Note1 = 28, Note3 = 30;
}

// One field of the partner record (captions and pictures UTF-8).
struct OrgField {
  const char* caption;
  const char* picture;
  int width;  // characters of the initial value
  int column, line;
};
const std::array<OrgField, kOrgFields>& OrgFieldTable();

// Field access on a partner record (texts padded with blanks and cut to the width).
int OrgOffset(int field);
std::string OrgText(std::string_view record, int field);
void PutOrgText(std::string& record, int field, std::string_view text);
std::uint16_t OrgWord(std::string_view record, int field);
void PutOrgWord(std::string& record, int field, std::uint16_t value);
double OrgReal(std::string_view record, int field);
void PutOrgReal(std::string& record, int field, double value);
// Scrambles (or unscrambles) the personal fields of a record in place.
void ScrambleOrgFields(std::string& record, bool scramble);
// The fields scrambled on disk, in the order they are scrambled.
inline constexpr std::array<int, 8> kScrambledFields{4, 5, 6, 7, 15, 18, 3, 2};

class TfOrg : public browser::TfSoub {
 public:
  explicit TfOrg(std::string name);

  std::string BlankRecord;  // the record the setup builds from the initial values
  int SortColumn = 0;       // the column of the last header sort

  // The tools and transfers check their reads and writes.
  using TfSoub::lastIoOk;

  // The partner number stored in a record.
  static std::int32_t PartnerNumber(std::string_view record);

  // ---------------------------------------------------------------- overrides
  std::string RecordToColumns(std::int32_t n) override;
  std::string RecordSearchText(std::int32_t n) override;
  void RecordReadForView(std::int32_t n) override;
  void ShowHelp(int topic) override;
  void NewRecord() override;
  void KeyF7(std::int32_t current) override;
  void DeleteRecord(std::int32_t current) override;
  void ClearRecord() override;
  void PrintListing(std::int32_t) override {}  // F10 only pops the tools menu
  ui::Point ListingMenuPoint() override { return {200, 200}; }
  void SetSortOrder1() override { SortByColumn(4); }
  void ClearSortOrder() override { SortByColumn(1); }
  void EnableMenuItems() override;
  void SortByColumn(int column) override;
  void FieldCheck(int field, std::string& text) override;
  void FieldExit(int field, std::string& text) override;
  void FieldChecked(int field, std::string& text) override;
  void BeforeWriteHook() override;
  void AfterReadHook() override;

  // Each marked partner stored scrambled (or, `scramble` false, plain); its mark cleared.
  // False when not every one was: a read or write failed, or the register is kept read
  // only by a rollback copy that cannot be put back (said; nothing written).
  bool OrgScrambleMarked(bool scramble = true);

  // The notes file of partner n without its extension (the report job's name).
  static std::string NotesName(std::int32_t n);
  // The register's web page searched by IČO (key "ico") or name ("obchodniJmeno").
  static std::string RegisterPage(std::string_view key, std::string_view text);

 private:
  void BuildToolsMenu();
  void FillFromRegisters(const std::string& ico);
  void PutEditText(int field, const std::string& value);
  std::string SortKey(int column, std::int32_t n);
};

// Prepares the window over a partner file ("org.dta", "=samol.dta", another
// workstation's file) and opens it.
void SetupOrg(TfOrg& w, const std::string& fileName);

// The program's two instances, made on first use.
TfOrg& fOrg();
TfOrg& fOrg2();
void DestroyOrgWindows();

}  // namespace partners
