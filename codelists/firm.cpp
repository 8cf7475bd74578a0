#include "codelists/firm.h"

#include "browser/entries.h"
#include "codelists/keyoraccount.h"
#include "codelists/lists.h"
#include "codelists/ownbanks.h"
#include "codelists/registers.h"
#include "common/convert.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/session.h"
#include "common/text.h"

namespace codelists {

namespace {

using common::Cz;

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

bool IsPosting(int field) { return field >= fma::VatBasic && field <= fma::BankPosting; }

}  // namespace

const CodeListSpec& FmaSpec() {
  static const std::vector<FieldSpec> fields = {
      {" I Č O  firmy  ", "X", "        ", 1, 2},
      {" D I Č         ", "X", "                ", 2, 2},
      {" Adr1 - název  ", "X", "                              ", 3, 2},
      {">Adr2 - jméno  ", "X", "                              ", 4, 2},
      {" Adr3 - ulice  ", "X", "                              ", 5, 2},
      {" Adr4 - město  ", "X", "                              ", 6, 2},
      {" P S Č         ", "X", "     ", 7, 2},
      {" Adr5 - stát   ", "X", "                              ", 8, 2},
      {" Telefon       ", "X", "                    ", 9, 2},
      {" F a x         ", "X", "                    ", 10, 2},
      {" E-mail        ", "X", "                                        ", 11, 2},
      {">Název banky   ", "X", "                    ", 12, 2},
      {" Číslo konta   ", "X", "                   ", 13, 2},
      {" Kód banky     ", "P", "    ", 14, 2},
      {" SWIFT kód     ", "X", "               ", 15, 2},
      {">Daň. účet     ", "L", "      ", 16, 2},
      {">Daň. účet     ", "L", "      ", 17, 2},
      {">Daň. účet     ", "L", "      ", 18, 2},
      {">Bankovní účet ", "L", "      ", 19, 2},
      {" Fakturant     ", "X", "                  ", 20, 2},
      {">Zp.úhrady fak.", "X", "                  ", 21, 2},
      {" Registrace    ", "X", "                                                  ", 22, 2},
      {" IBAN          ", "X", "                              ", 23, 2},
      {" Pozn.1        ", "X", "                                                  ", 24, 2},
      {" Pozn.2        ", "X", "                                                  ", 25, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.className = "TfFMA";
    s.caption = "Údaje o firmě";
    s.recordLength = kFmaLength;
    s.fields = fields;
    s.deleted = {1, DeletedTest::Never, {}, 0, {}};
    s.look = Look({5, 2, 75, 27}, {1, 1, 85, 25}, " Údaje o vlastní firmě ", "", " F2=zápis na disk  >Enter  ESC=ven ");
    s.look.editColor = 0xF0F0F0;
    s.look.gridColor = 0xF0F0F0;
    s.look.startRecord = 1;
    s.stamp = StampPolicy::None;
    s.reposition = Reposition::None;
    s.closeSort = CloseSort::Never;
    s.deletePolicy = DeletePolicy::TemplateInPlace;
    s.listing.report = "";
    return s;
  }();
  return spec;
}

std::string TfFMA::ListFileName() const { return "fmw" + common::CurrentSession().CurrentUser + ".dta"; }

void TfFMA::BeforeOpen() {
  const std::string user = common::CurrentSession().CurrentUser;
  const std::string file = common::DataDir("fmw" + user + ".dta");
  const std::string maybe = common::DataDir("fmw" + user + ",dta");  // silent when the user has none yet
  // No file yet: nothing to convert, so the older layouts are not asked for.
  if (common::CheckFile(file) < 2) return;
  try {
    common::ConvertFile(maybe, file, common::ProgDir("\\dlib\\fma2004.pol"), common::ProgDir("\\dlib\\fma2014.pol"));
    common::ConvertFile(maybe, file, common::ProgDir("\\dlib\\fma.pol"), common::ProgDir("\\dlib\\fma2014.pol"));
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" pise soubor: ", e.file, e.code);
  }
}

void TfFMA::EditRecord() {
  if (Count < 1) {
    DataFileReopen();  // another session of the same user may have made it meanwhile
    if (Count < 1) {
      RecordBuffer = RecordTemplate;
      if (!AppendRecord()) return;
    }
    Current = 1;
  }
  CodeListWindow::EditRecord();
}

std::string FmaHelpTopic(int field, bool keys, bool& opens) {
  opens = true;
  switch (field) {
    case 1: return "IČO";
    case 2: return "Daňové ident. číslo";
    case 3: return "Adresa 1";
    case 4: return "Adresa 2";
    case 5: return "Adresa 3";
    case 6: return "Adresa 4";
    case 7: return "PSČ";
    case 8: return "Telefon";
    case 9: return "Fax";
    case 10: return "E-mail";
    case 11: return "Název peněžního ústavu";
    case 12: return "Bankovní konto";
    case 13: return "Kód banky";
    case 14: return "Specifický symbol";
    case 16: return keys ? "Daňový klíč zákl" : "Daňový účet zákl";
    case 17: return keys ? "Daňovč klíč sníž" : "Daňový účet šníž";
    case 18: return keys ? "Daňovč klíč druhá sníž" : "Daňový účet druhá sníž";
    case 19: return keys ? "Bankovní klíč" : "Bankovní účet";
    case 20: return "Fakturant";
    case 21: return "Způsob úhrady";
    case 0:
    case 22: return {};
    default: opens = false; return {};
  }
}

void TfFMA::ShowHelp(int topic) {
  bool opens = false;
  const std::string text = FmaHelpTopic(topic, KeyMode(), opens);
  if (opens) browser::ShowHelpTopic(KeyMode() ? "\\fj\\fma" : "fma", Cz(text));
}

void TfFMA::EditFormBuilt() {
  CodeListWindow::EditFormBuilt();
  TfBankKody& banks = fBankKody();
  SetupBankKody(banks);
  const std::int32_t n = BankKodyFindByAccount(banks, Field(fma::Account).value);
  if (n > 0) {
    banks.RecordReadAt(n);
    if (banks.IoOk()) SetSideLabel(fma::BankName, banks.FieldOf(banks.RecordBuffer, bk::Currency));
  }
  banks.CloseBrowse();
}

void TfFMA::FieldCheck(int field, std::string& text) {
  FieldNormalise(field, text);
  if (field == fma::Account) {
    std::string account = text;
    if (common::IsBankAccount(account))
      text = account;
    else
      common::MessageOk(Cz("Chybný účet"));  // only a warning
  } else if (IsPosting(field)) {
    FieldErrors.at(static_cast<std::size_t>(field)) = CheckKeyOrAccount(text);
    CloseCodeListForms();
  }
  FieldChecked(field, text);
}

void TfFMA::FieldExit(int field, std::string& text) {
  CodeListWindow::FieldExit(field, text);
  if (field == fma::Name2) {
    if (auto chosen = PickText("provozy.dta", Cz("Provoz"))) text = *chosen;
  } else if (field == fma::BankName) {
    if (auto a = PickOwnAccount()) {
      text = a->bank;
      if (ActiveEditForm()) {
        EditText(fma::BankName) = text;
        EditText(fma::Account) = a->account;
        EditText(fma::BankCode) = a->code;
        EditText(fma::Swift) = a->swift;
        EditText(fma::BankPosting) = a->posting;
        EditText(fma::Iban) = a->iban;
        EditText(fma::Note1) = (a->currency + Blanks(50)).substr(0, 50);
        SetSideLabel(fma::BankName, a->currency);
        ActiveEditForm()->ToFields();
      }
    }
  } else if (IsPosting(field)) {
    FieldErrors.at(static_cast<std::size_t>(field)) = PickKeyOrAccount(text);
    FieldChecked(field, text);
  } else if (field == fma::Payment) {
    if (auto method = PickPaymentMethod()) {
      text = *method;
      if (ActiveEditForm()) {
        EditText(field) = text;
        ActiveEditForm()->ToFields();
      }
    }
  }
}

void TfFMA::FieldChecked(int field, std::string& text) {
  CodeListWindow::FieldChecked(field, text);
  if (IsPosting(field)) SetSideLabel(field, KeyOrAccountLabel(text));
}

void TfFMA::AdjustSetup(browser::BrowseSetup&) {
  const bool keys = KeyMode();
  const common::Session& s = common::CurrentSession();
  const std::string rates[] = {s.VatTextDan2, s.VatTextDan1, s.VatTextDan3};
  for (int f = fma::VatBasic; f <= fma::BankPosting; ++f) {
    const std::string caption = f == fma::BankPosting ? (keys ? Cz(">Bankovní klíč ") : Cz(">Bankovní účet "))
                                                      : Cz(keys ? ">Daň. klíč " : ">Daň. účet ") + rates[f - fma::VatBasic] + "  ";
    browser::SetFieldDescriptor(Field(f), browser::FieldSetup()
                                                .Caption(caption)
                                                .At(2, f)
                                                .Picture(keys ? " " : "L")
                                                .Initial(Blanks(6))
                                                .Hint("", 25, f));
  }
  browser::SetFieldDescriptor(Field(fma::BankName),
                              browser::FieldSetup().Caption(Cz(">Název banky   ")).At(2, 12).Picture("X").Initial(Blanks(20)).Hint("CZK", 40, 12));
  Field(22).hintColumn = 36;
  Field(22).hintLine = 20;
}

void SetupFMA(TfFMA& w) { w.Setup(); }

TfFMA& fFMA() { return Instance(WindowSlot<TfFMA>()); }
void DestroyFirmWindows() { WindowSlot<TfFMA>().reset(); }

void EditFirmData() {
  TfFMA& w = fFMA();
  SetupFMA(w);
  w.EditRecord();
  w.CloseBrowse();
}

FirmAccount ReadFirmAccount() {
  TfFMA& w = fFMA();
  SetupFMA(w);
  FirmAccount a;
  if (w.Count >= 1) {
    w.RecordReadAt(1);
    if (w.IoOk()) {
      a.account = common::StripRightSp(w.FieldOf(w.RecordBuffer, fma::Account));
      a.bankCode = common::StripRightSp(w.FieldOf(w.RecordBuffer, fma::BankCode));
    }
  }
  w.CloseBrowse();
  return a;
}

}  // namespace codelists
