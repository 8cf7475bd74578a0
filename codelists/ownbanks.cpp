#include "codelists/ownbanks.h"

#include "browser/entries.h"
#include "codelists/banks.h"
#include "codelists/keyoraccount.h"
#include "codelists/lists.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/text.h"

namespace codelists {

namespace {

using common::Cz;

constexpr std::string_view kTitle =
    " Ozn Název banky          Číslo konta            Stav konta  Měna  Účet SWIFT kód       IBAN";
constexpr std::string_view kKeyTitle =
    " Ozn Název banky          Číslo konta            Stav konta  Měna  Klíč SWIFT kód       IBAN";

bool Blank(std::string_view s) { return common::StripRightSp(s).empty(); }

}  // namespace

const CodeListSpec& BankKodySpec() {
  static const std::vector<FieldSpec> fields = {
      {"Označení banky ", "X", " ", 1, 2},
      {"Název banky    ", "X", "                    ", 2, 2},
      {"Číslo konta    ", "X", "                   ", 3, 2},
      {"Kód banky      ", "P", "    ", 4, 2},
      {"SWIFT kód      ", "X", "               ", 5, 2},
      {"Stav konta     ", "###########.##-R", "", 6, 2},
      {"Kód měny       ", "X", "   ", 7, 2},
      {"Bankovní účet  ", "L", "      ", 8, 2},
      {"IBAN           ", "X", "                              ", 9, 2},
      {"", "X", "                              ", 10, 2},
      {"", "X", "                    ", 11, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.className = "TfBankKody";
    s.caption = kTitle;
    s.file = "bako.dta";
    s.recordLength = kBankKodyLength;
    s.fields = fields;
    s.deleted = {1, DeletedTest::Never, {}, 0, {}};
    s.look = Look({15, 14, 62, 25}, {2, 14, 110, 26}, " Bankovní konto ",
                  " Bankovní konta :   F4=přidej   F8=zruš   MEZERA=oprava   ENTER=volba ",
                  " Esc = ven    F2 = zápis na disk ");
    s.look.editColor = 0xFDFDD0;
    s.look.gridColor = 0xFDFDF0;
    s.look.startRecord = 1;
    s.stamp = StampPolicy::None;
    s.reposition = Reposition::None;
    s.closeSort = CloseSort::Never;
    s.deletePolicy = DeletePolicy::TemplateInPlace;
    s.afterDelete = AfterDelete::StayInPlace;
    s.listing.report = "";
    return s;
  }();
  return spec;
}

// ---------------------------------------------------------------- the older layout

namespace {

// The IBAN text of an account read as prefix "-" number (or the number alone).
std::string IbanOf(const std::string& rest, const std::string& bank, std::string_view head) {
  std::string prefix, number = rest;
  if (const std::size_t dash = rest.find('-'); dash != std::string::npos) {
    prefix = rest.substr(0, dash);
    number = rest.substr(dash + 1, 20);
  }
  const std::string c = common::AlignText(bank, "P", "0", 4);
  const std::string p = common::AlignText(prefix, "P", "0", 6);
  const std::string n = common::AlignText(number, "P", "0", 10);
  std::string country = std::string(head.substr(0, 4));
  country.resize(4, ' ');
  return country + " " + c + " " + p.substr(0, 4) + " " + p.substr(4, 2) + n.substr(0, 2) + " " + n.substr(2, 4) + " " +
         n.substr(6, 4);
}

}  // namespace

std::string OldAccountIban(std::string_view account, std::string_view code, std::string_view head) {
  const std::string rest = common::RemoveSpaces(account);
  const std::string bank = common::RemoveSpaces(code).substr(0, 4);
  // A "-" fourth from the end is read as a typing slip inside the number; the stored
  // check digits tell when it was a prefix with a short number instead.
  std::string joined = rest;
  if (joined.size() >= 4 && joined[joined.size() - 4] == '-') joined.erase(joined.size() - 4, 1);
  const std::string iban = IbanOf(joined, bank, head);
  if (joined == rest || common::IbanCheckPasses(iban)) return iban;
  const std::string plain = IbanOf(rest, bank, head);
  return common::IbanCheckPasses(plain) ? plain : iban;
}

namespace {

// One old record in the current layout.
std::string ConvertOldRecord(std::string_view old) {
  std::string rec(kBankKodyLength, '\0');
  auto text = [&](std::size_t at, std::size_t width) { return common::GetCounted(old, at, width); };
  common::PutCounted(rec, 0, text(0, 1), 1);
  common::PutCounted(rec, 2, text(2, 20), 20);
  common::PutCounted(rec, 23, text(23, 19), 19);
  common::PutCounted(rec, 43, text(43, 4), 4);
  common::PutCounted(rec, 48, text(48, 10) + "     ", 15);
  rec.replace(64, 6, old.substr(59, 6));  // the balance, a six-byte real as it is
  common::PutCounted(rec, 70, text(65, 3), 3);
  common::PutCounted(rec, 74, text(69, 6), 6);
  const std::string head = text(76, 12);
  common::PutCounted(rec, 81, Blank(head) ? std::string(30, ' ') : OldAccountIban(text(23, 19), text(43, 4), head), 30);
  common::PutCounted(rec, 112, std::string(30, ' '), 30);
  common::PutCounted(rec, 143, std::string(20, ' '), 20);
  return rec;
}

// The older layout: not one record of the current one, and the old IBAN head's
// length byte (76) holding 12.
constexpr std::size_t kOldIbanHeadAt = 76;
bool IsOldBankKody(std::uint64_t size, unsigned char headLength) {
  return size != kBankKodyLength && size >= kOldBankKodyLength && headLength == 12;
}
bool IsOldBankKody(std::string_view bytes) {
  const bool longEnough = bytes.size() > kOldIbanHeadAt;
  return IsOldBankKody(bytes.size(), longEnough ? static_cast<unsigned char>(bytes[kOldIbanHeadAt]) : 0);
}

// The byte that tells the old layout, read alone; true also when it cannot be read
// (the read under the lock then says why).
bool MayBeOldBankKody(const std::string& file, std::uint64_t size) {
  common::File f;
  unsigned char b = 0;
  std::size_t got = 0;
  if (f.Open(file, common::kModeReadOnly) != 0 || f.ReadSome(kOldIbanHeadAt, &b, 1, got) != 0 || got != 1) return true;
  return IsOldBankKody(size, b);
}

}  // namespace

bool ConvertOldBankKody() {
  const std::string file = common::DataDir("bako.dta");
  std::uint64_t size = 0;
  if (common::FileSize(file, size) != 0 || size == kBankKodyLength || size < kOldBankKodyLength) return true;
  // Only a file to convert is locked: the current layout opens under the list's own lock.
  if (!MayBeOldBankKody(file, size)) return true;
  common::ScopedFileLock lock(file, "W");
  if (lock.Stopped()) return false;
  // Judged and read as an opening gives it: a copy a step left goes back first, after the
  // turn of a writer still at work.
  if (!common::PutBackBeforeOpening(file, common::Cz(", převod neproběhl"), true, true)) return false;
  std::string old;
  if (const int code = common::ReadFileText(file, old)) {
    common::FileErrorMessage(" cte soubor: ", file, code);
    return false;
  }
  // Decided again on what was read under the lock.
  if (!IsOldBankKody(old)) return true;
  std::string converted;
  // Every record keeps its number, blank ones included: partners store the numbers.
  // A last record cut short is converted as far as it goes.
  for (std::size_t at = 0; at < old.size(); at += kOldBankKodyLength) {
    std::string rec = old.substr(at, kOldBankKodyLength);
    rec.resize(kOldBankKodyLength, '\0');
    converted += ConvertOldRecord(rec);
  }
  if (const int code = common::ReplaceFileContents(file, converted)) {
    common::FileErrorMessage(" pise soubor: ", file, code);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- the window

void TfBankKody::BeforeOpen() { ConvertOldBankKody(); }

void TfBankKody::EditRecord() {
  CodeListWindow::EditRecord();
  CloseCodeListForms();
}

void TfBankKody::NewRecord() {
  CodeListWindow::NewRecord();  // from the template
  CloseCodeListForms();
}

void TfBankKody::DeleteRecord(std::int32_t current) {
  if (RefusedWhileCopyLeft() || Count < 1 || !MayDelete || !DataFileUsable()) return;
  if (!browser::AskOne(4, 25, Cz("Zrušit záznam ?"))) return;
  CodeListWindow::DeleteRecord(current);  // the template written in place
}

bool TfBankKody::MarkTaken(const std::string& mark) {
  const std::string kept = RecordBuffer;
  bool taken = false;
  for (std::int32_t n = 1; n <= Count && !taken; ++n) {
    if (EditingExisting && n == Current) continue;
    RecordReadAt(n);
    if (!IoOk()) break;
    taken = FieldOf(RecordBuffer, bk::Mark) == mark;
  }
  RecordBuffer = kept;
  return taken;
}

void TfBankKody::FieldCheck(int field, std::string& text) {
  FieldNormalise(field, text);
  FieldErrors.at(static_cast<std::size_t>(field)) = 0;
  switch (field) {
    case bk::Mark:
      if (MarkTaken(text)) {
        common::MessageOk(Cz("Pozor, stejné označení bankovního účtu"));
        FieldErrors.at(static_cast<std::size_t>(field)) = 1;
      }
      break;
    case bk::Account: {
      std::string account = text;
      if (common::IsBankAccount(account))
        text = account;
      else
        common::MessageOk(Cz("Chybné číslo konta"));  // only a warning
      break;
    }
    case bk::Currency: text = common::UpperCz(text); break;
    case bk::Posting: FieldErrors.at(static_cast<std::size_t>(field)) = CheckKeyOrAccount(text); break;
    default: break;
  }
  CloseCodeListForms();
  FieldChecked(field, text);
}

void TfBankKody::FieldExit(int field, std::string& text) {
  CodeListWindow::FieldExit(field, text);
  if (field == bk::Code) {
    if (auto bank = PickBank(BankFind::ByCode, common::StripRightSp(text))) {
      text = bank->code;
      if (ActiveEditForm() && Blank(EditText(bk::Bank))) EditText(bk::Bank) = bank->name.substr(0, 20);
    }
  } else if (field == bk::Posting) {
    FieldErrors.at(static_cast<std::size_t>(field)) = PickKeyOrAccount(text);
    FieldChecked(field, text);
  }
}

void TfBankKody::FieldChecked(int field, std::string& text) {
  CodeListWindow::FieldChecked(field, text);
  if (field == bk::Posting) SetSideLabel(field, KeyOrAccountLabel(text));
}

void TfBankKody::AdjustSetup(browser::BrowseSetup& setup) {
  if (KeyMode()) {
    browser::SetFieldDescriptor(Field(bk::Posting),
                                browser::FieldSetup().Caption(Cz("Bankovní klíč  ")).At(2, 8).Picture("X").Initial("      ").Hint("", 25, 8));
    setup.title = Cz(kKeyTitle);
  } else {
    Field(bk::Posting).hintColumn = 25, Field(bk::Posting).hintLine = 8;
  }
}

void SetupBankKody(TfBankKody& w) {
  w.Setup();
  w.HeaderLine = w.Title;  // the caption follows the header line
}

std::int32_t BankKodyFindByAccount(TfBankKody& w, std::string_view account) {
  const std::string wanted = common::RemoveSpaces(account);
  for (std::int32_t n = 1; n <= w.Count; ++n) {
    w.RecordReadAt(n);
    if (!w.IoOk()) return -1;
    if (common::RemoveSpaces(w.FieldOf(w.RecordBuffer, bk::Account)) == wanted) return n;
  }
  return -1;
}

TfBankKody& fBankKody() { return Instance(WindowSlot<TfBankKody>()); }
void DestroyOwnBankWindows() { WindowSlot<TfBankKody>().reset(); }

std::optional<ChosenOwnAccount> PickOwnAccount(bool needEnter) {
  TfBankKody& w = fBankKody();
  std::optional<ChosenOwnAccount> chosen;
  PickRecord(
      w, [&w] { SetupBankKody(w); }, {}, needEnter, [&](const std::string& r) {
        chosen = ChosenOwnAccount{w.Current,
                                  w.FieldOf(r, bk::Bank),
                                  w.FieldOf(r, bk::Account),
                                  w.FieldOf(r, bk::Code),
                                  w.FieldOf(r, bk::Swift),
                                  w.FieldOf(r, bk::Currency),
                                  w.FieldOf(r, bk::Posting),
                                  w.FieldOf(r, bk::Iban)};
      });
  return chosen;
}

std::optional<std::string> OwnAccountBankName(std::int32_t n) {
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  std::optional<std::string> name;
  if (n >= 1 && n <= w.Count) {
    w.RecordReadAt(n);
    if (w.IoOk()) name = w.FieldOf(w.RecordBuffer, bk::Bank);
  }
  w.CloseBrowse();
  return name;
}

}  // namespace codelists
