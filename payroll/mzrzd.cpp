#include "payroll/mzrzd.h"

#include "browser/dialogs.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/params.h"
#include "common/small.h"
#include "common/text.h"

namespace payroll {

using namespace common::literals;

namespace {

const SupplementField kSettlementFields[kSupplementFields] = {
    {"> Osc ", 1, 2},  // 1
    {"Jméno ", 2, 2},  // 2
    {"10319 Žádost o roční zúct daní (1=Ano/0=Ne)   ", 3, 2},  // 3
    {"10320 > Roční zúčtování provedeno (1=Ano/0=Ne)", 4, 2},  // 4
    {"10321 Přeplatek celkem            ", 5, 2},  // 5
    {"10322 Přeplatek část z ID321      ", 6, 2},  // 6
    {"10323 Přepl./nedopl. na daň.bonusu", 7, 2},  // 7
    {"10420 Sleva ns manž. (1=Ano/0=Ne) ", 8, 2},  // 8
    {"10421   Jméno                     ", 9, 2},  // 9
    {"10422   Příjmení                  ", 10, 2},  // 10
    {"10423   Rodné číslo               ", 11, 2},  // 11
    {"10424   Datum narození            ", 12, 2},  // 12
    {"10425   Držizel ZTP/P (1=Ano/0=Ne)", 13, 2},  // 13
    {"10426   Počet měsíců slevy celkem ", 14, 2},  // 14
    {"10430   z toho poč-měs.slevy ZTP/P", 15, 2},  // 15
    {"10539   Dítě do 3 let jméno       ", 16, 2},  // 16
    {"10540                 příjmení    ", 17, 2},  // 17
    {"10541                 datum naroz.", 18, 2},  // 18
    {"10542                 rodné číslo ", 19, 2},  // 19
    {"10454 Daňové zvýhodnění na děti (1=Ano/0=Ne)", 20, 2},  // 20
    {"10455 > Vyživuje i jiná osoba (1=Ano/0=Ne)  ", 21, 2},  // 21
    {"10441     Jméno                   ", 22, 2},  // 22
    {"10442     Příjmení                ", 23, 2},  // 23
    {"10443     Datum narození          ", 24, 2},  // 24
    {"10444     Rodné číslo             ", 25, 2},  // 25
    {"10445     Měsíce vyživ.jinou os.  ", 26, 2},  // 26
    {"10446 >Dítě 1 Jméno               ", 27, 2},  // 27
    {"10447   Příjmení                  ", 28, 2},  // 28
    {"10448   Datum narození            ", 29, 2},  // 29
    {"10449   Rodné číslo               ", 30, 2},  // 30
    {"10450   Průkaz ZTP/P (pole)       ", 31, 2},  // 31
    {"10451   Pořadí dítěte pro daň.zvýh", 32, 2},  // 32
    {"10446  Dítě 2 Jméno               ", 33, 2},  // 33
    {"10447   Příjmení                  ", 34, 2},  // 34
    {"10448   Datum narození            ", 35, 2},  // 35
    {"10449   Rodné číslo               ", 36, 2},  // 36
    {"10450   Průkaz ZTP/P (pole)       ", 37, 2},  // 37
    {"10451   Pořadí dítěte pro daň.zvýh", 38, 2},  // 38
    {"10446  Dítě 3 Jméno               ", 5, 69},  // 39
    {"10447   Příjmení                  ", 6, 69},  // 40
    {"10448   Datum narození            ", 7, 69},  // 41
    {"10449   Rodné číslo               ", 8, 69},  // 42
    {"10450   Průkaz ZTP/P (pole)       ", 9, 69},  // 43
    {"10451   Pořadí dítěte pro daň.zvýh", 10, 69},  // 44
    {"10446  Dítě 4 Jméno               ", 11, 69},  // 45
    {"10447   Příjmení                  ", 12, 69},  // 46
    {"10448   Datum narození            ", 13, 69},  // 47
    {"10449   Rodné číslo               ", 14, 69},  // 48
    {"10450   Průkaz ZTP/P (pole)       ", 15, 69},  // 49
    {"10451   Pořadí dítěte pro daň.zvýh", 16, 69},  // 50
    {"10446  Dítě 5 Jméno               ", 23, 69},  // 51
    {"10447   Příjmení                  ", 24, 69},  // 52
    {"10448   Datum narození            ", 25, 69},  // 53
    {"10449   Rodné číslo               ", 26, 69},  // 54
    {"10450   Průkaz ZTP/P (pole)       ", 27, 69},  // 55
    {"10451   Pořadí dítěte pro daň.zvýh", 28, 69},  // 56
    {"10446  Dítě 6 Jméno               ", 29, 69},  // 57
    {"10447   Příjmení                  ", 30, 69},  // 58
    {"10448   Datum narození            ", 31, 69},  // 59
    {"10449   Rodné číslo               ", 32, 69},  // 60
    {"10450   Průkaz ZTP/P (pole)       ", 33, 69},  // 61
    {"10451   Pořadí dítěte pro daň.zvýh", 34, 69},  // 62
};

struct ResultField {
  const char* caption;
  const char* picture;
  int width;
};
const ResultField kResultFields[] = {
    {"Osč. ", "P", 5},
    {"Sleva manž.       ", " ", 10},
    {"Daň. zvýh. na děti", " ", 10},
    {"Přeplatek daně    ", "########R", 8},
    {"Vyr.daň.bonusu    ", "########R", 8},
    {"Přeplatek celkem  ", "########R", 8},
};

std::string Amount(std::string_view record, std::size_t offset) {
  return common::FormatNumberMask("########", common::GetReal48(record, offset));
}

// The employee's declaration, read fresh; false (after the message) when it exists
// but cannot be read.
bool ReadDeclaration(const std::string& personalNumber, common::tSetReg& out) {
  const std::string path = common::DataDir("prohl" + personalNumber + ".dta");
  out = common::ReadParamFileFresh(path);
  if (out.refused == 0) return true;
  common::FileErrorMessage(" cte soubor: ", path, out.refused);
  return false;
}

}  // namespace

// ---------------------------------------------------------------- settlement results

TfRZproJH::TfRZproJH() : TfSoub("fRZproJH") {}

void TfRZproJH::SetupRZproJH(const std::string& fileName) {
  FieldCount = 6;
  for (int i = 1; i <= 6; ++i) {
    const ResultField& f = kResultFields[i - 1];
    browser::SetFieldDescriptor(Field(i), browser::FieldSetup()
                                              .Caption(common::Cz(f.caption))
                                              .At(2, i)
                                              .Picture(f.picture)
                                              .Initial(std::string(static_cast<std::size_t>(f.width), ' ')));
  }
  browser::BrowseSetup s;
  s.fileName = fileName;
  s.title = " Údaje pro roční vyúčtování "_cz;
  s.keyLine = " F1=Help Mezera=Oprav záznam  Esc=Konec "_cz;
  s.fieldCount = 6;
  s.recordLength = kSettlementLength;
  s.startRecord = 1;
  s.editColor = ui::Rgb(0xE0, 0xFF, 0xE0);
  s.editFontColor = ui::colors::Black;
  s.edit = {41, 1, 120, 40};
  s.gridColor = ui::Rgb(0xD0, 0xFF, 0xD0);
  s.gridFontColor = ui::colors::Black;
  s.grid = {1, 2, 120, 20};
  OpenBrowse(s);
  RecordBuffer.assign(kSettlementLength, '\0');
  FieldsToRecord();
  BlankRecord = RecordBuffer;
}

std::int32_t TfRZproJH::RZproJHFind(const std::string& personalNumber) {
  for (std::int32_t n = 1; n <= Count; ++n) {
    RecordRead(n);
    if (common::GetCounted(RecordBuffer, 0, 5) == personalNumber) return n;
  }
  return -1;
}

TfRZproJH& fRZproJH() { return browser::SingleWindow<TfRZproJH>(); }

// ---------------------------------------------------------------- the settlement

TfMZ_RZD::TfMZ_RZD() : SupplementWindow("fMZ_RZD", "Roční zúčtování daně", " Roční zúčtování daně ", "MZ_RZD.DTA", kSettlementFields, {}) {}

void TfMZ_RZD::FieldExit(int field, std::string& text) {
  switch (field) {
    case 1:
      PickEmployee(text);
      break;
    case 4:
      FillFromResults();
      break;
    case 21:
      FillOtherPerson();
      break;
    case 27:
      FillChildren(text);
      break;
    default:
      break;
  }
  FieldCheck(field, text);
}

void TfMZ_RZD::FillFromResults() {
  const common::tSetReg par = common::ReadParamFileFresh(common::DataDir("MZ.PAR"));
  if (par.refused != 0) return common::FileErrorMessage(" cte soubor: ", par.diskName, par.refused);
  TfRZproJH& r = fRZproJH();
  r.SetupRZproJH("MZRZT" + common::ParamValue(par, "MZRZROK") + ".dta");
  if (r.RZproJHFind(EditText(1)) >= 1) {
    const std::string& rec = r.RecordBuffer;
    EditText(8) = common::GetCounted(rec, 6, 10);
    EditText(20) = common::GetCounted(rec, 17, 10);
    EditText(6) = Amount(rec, 28);
    EditText(7) = Amount(rec, 34);
    EditText(5) = Amount(rec, 40);
  }
  r.CloseBrowse();
}

void TfMZ_RZD::FillOtherPerson() {
  common::tSetReg d;
  if (!ReadDeclaration(EditText(1), d)) return;
  std::string number = common::ParamValue(d, "p2eRc"), suffix, date;
  common::BirthNumberToDate(number, suffix, date);
  EditText(22) = common::ParamValue(d, "p2eJm");
  EditText(23) = common::ParamValue(d, "p2ePrijm");
  EditText(24) = date;
  EditText(25) = number;
}

void TfMZ_RZD::FillChildren(std::string& text) {
  common::tSetReg d;
  if (!ReadDeclaration(EditText(1), d)) return;
  for (int n = 1; n <= 6; ++n) {
    const std::string k = std::to_string(n);
    const std::string name = common::ParamValue(d, "edj" + k);
    if (common::RemoveSpaces(name).empty()) continue;
    std::string number = common::ParamValue(d, "erc" + k), suffix, date;
    common::BirthNumberToDate(number, suffix, date);
    const int first = 27 + 6 * (n - 1);
    (n == 1 ? text : EditText(first)) = name;
    EditText(first + 1) = common::ParamValue(d, "edp" + k);
    EditText(first + 2) = date;
    EditText(first + 3) = number;
    EditText(first + 4) = common::ParamValue(d, "ezp" + k);
  }
}

TfMZ_RZD& fMZ_RZD() { return browser::SingleWindow<TfMZ_RZD>(); }

}  // namespace payroll
