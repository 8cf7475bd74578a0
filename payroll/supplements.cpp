#include "payroll/supplements.h"

#include <algorithm>
#include <functional>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "codelists/csvregs.h"
#include "codelists/postal.h"
#include "common/codepages.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/pascal.h"
#include "common/small.h"
#include "common/text.h"
#include "payroll/prrol.h"

namespace payroll {

using namespace common::literals;

namespace {

constexpr int kNameWidth = 30;
constexpr int kItemWidth = 30;
constexpr int kSortKeyWidth = 50;

int OffsetOf(int i) { return i == 1 ? 0 : i == 2 ? 6 : 37 + (i - 3) * (kItemWidth + 1); }
int WidthOf(int i) { return i == 1 ? 5 : kNameWidth; }

// Blanks and control characters off both ends.
std::string Trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

// A code list shown as picker: on a choice `take` reads the chosen record's fields
// (the record buffer holds it) before the browse closes.
template <class W>
void PickFrom(W& w, void (*setup)(W&), const std::function<void(W&)>& take) {
  setup(w);
  w.ShowModal();
  if (w.Current > 0 && w.Current <= w.Count) {
    w.RecordRead(w.Current);
    take(w);
  }
  w.CloseBrowse();
}

// A personal number not filled in: blank, or the zeros a new record starts with.
bool NoPersonalNumber(std::string_view osc) {
  const std::string t = Trimmed(osc);
  return t.empty() || t == "00000";
}

const SupplementField kPrDodFields[kSupplementFields] = {
    {"> Osc ", 1, 2},  // 1
    {"Jméno ", 2, 2},  // 2
    {"10502 Pracovněprávní vztah         ", 3, 2},  // 3
    {"10076>TRVALÝ POBYT Kód adr.místa   ", 4, 2},  // 4
    {"10079    Číslo orientační          ", 5, 2},  // 5
    {"10505>KONTAKT.ADRESA Kód adr.místa ", 6, 2},  // 6
    {"10508    Číslo orientační          ", 7, 2},  // 7
    {"10512>ADR.V ČR, je-li trv.pobyt mimo ČR Kód adr.místa", 8, 2},  // 8
    {"10515   Číslo orientační           ", 9, 2},  // 9
    {"10519 ADR BYDL.VE STÁTĚ REZID. Ulice", 10, 2},  // 10
    {"10520   Číslo popisné              ", 11, 2},  // 11
    {"10521   Číslo orientační           ", 12, 2},  // 12
    {"10523   Obec                       ", 13, 2},  // 13
    {"10522   PSČ                        ", 14, 2},  // 14
    {"10524  >Stát                       ", 15, 2},  // 15
    {"10086 Zdrav.omezení přizn.od       ", 16, 2},  // 16
    {"10087 Zdrav.omezení přizn.do       ", 17, 2},  // 17
    {"10090 Držitel karty ZTP/P          ", 18, 2},  // 18
    {"10085 Typ zdravotního omezení      ", 19, 2},  // 19
    {"10091 Nejvyš.dosaž.vzděl.dle KKOV  ", 20, 2},  // 20
    {"10096 CIZOZEMSKÝ NOSIT.POJIŠ. Čís.orient.", 21, 2},  // 21
    {"10101    Sektor (účel pojiš.       ", 22, 2},  // 22
    {"10102 Kód zdrav.poj.               ", 23, 2},  // 23
    {"10414 ZAM.BEZ STÁT.OBČ.ČR Volný příst.na trh práce", 24, 2},  // 24
    {"10105    Důvod pro volný pří       ", 25, 2},  // 25
    {"10106    Druh pracovního oprávnění ", 26, 2},  // 26
    {"10107    Vydala Krajská pob.ÚP ČR  ", 27, 2},  // 27
    {"10108    Identif.prac.oprávnění    ", 28, 2},  // 28
    {"10109    Trvání oprávnění od       ", 29, 2},  // 29
    {"10110    Trvání oprávnění do       ", 30, 2},  // 30
    {"10526    Předpokl./á místo výk.práce", 31, 2},  // 31
    {"10248    Vzděl.požad.pro výk.profese", 32, 2},  // 32
    {"10427    Přísl.k cizím práv.předp. ", 33, 2},  // 33
    {"10428   >Kód státu                 ", 34, 2},  // 34
    {"10115 STAROBNÍ DŮCHOD  Poživ.předč.star.důch.", 35, 2},  // 35
    {"10504    Poživ.star.důch.se sníž.důch.věkem", 36, 2},  // 36
    {"10227 NÁSTUP DO ZAM. Vznik zaměstnání", 37, 2},  // 37
    {"10527 MÍSTO VÝKONU PRÁCE ze smlouvy", 38, 2},  // 38
    {"10528    >Název obce               ", 39, 2},  // 39
    {"10529     Kód obce                 ", 40, 2},  // 40
    {"10234 Profese                      ", 3, 71},  // 41
    {"10235 Název pozice                 ", 4, 71},  // 42
    {"10238 Vedoucí zaměstnanec          ", 5, 71},  // 43
    {"10249 Postavení v zaměstn          ", 6, 71},  // 44
    {"10255 Pracovní režim               ", 7, 71},  // 45
    {"10407 Nepřetržitý provoz           ", 9, 71},  // 46
    {"10258 Práce probíhá převážně       ", 11, 71},  // 47
    {"10061 DAŇ.IDENT.VE STÁTĚ REZID. Typ daň.ident.", 12, 71},  // 48
    {"10062    Daňový identifikátor      ", 13, 71},  // 49
    {"10068    >Kód státu rezidenství    ", 14, 71},  // 50
    {"10459    Platn.zm.kódu stát.rez.od ", 15, 71},  // 51
    {"10069 PROKÁZÁNÍ TOTOŽNOSTI Typ dokl.", 16, 71},  // 52
    {"10070    Číslo dokladu             ", 17, 71},  // 53
    {"10071    Orgán,který vydal dokl.v zahr.", 18, 71},  // 54
    {"10072    >Kód st.,který vydal dokl.", 19, 71},  // 55
    {"10411 ÚDAJE ZAMÉSTNAVAT.Fin.úřad   ", 20, 71},  // 56
    {"10412    Územní pracoviště FÚ      ", 22, 71},  // 57
    {"10123    VČP (vlastní číslo plátce)", 23, 71},  // 58
    {"10140    ID datové schránky        ", 25, 71},  // 59
    {"10210    Agentura práce            ", 26, 71},  // 60
    {"10211    Písemná doh.-chráněný trh práce", 27, 71},  // 61
    {"10212    Integrační sociální podnik", 28, 71},  // 62
};

}  // namespace

SupplementWindow::SupplementWindow(std::string componentName, const char* caption, const char* title, const char* fileName,
                                   const SupplementField* fields, std::vector<int> hidden)
    : TfSoub(std::move(componentName)), title_(title), fileName_(fileName), fields_(fields), hidden_(std::move(hidden)) {
  SetCaption(common::Cz(caption));
  ShowPopupItems({"Třiď dle jména", "Třiď dle Osč."}, {[this] { Sort(1); }, [this] { Sort(2); }});
}

std::string SupplementWindow::FieldOf(std::string_view record, int i) {
  return common::GetCounted(record, static_cast<std::size_t>(OffsetOf(i)), static_cast<std::size_t>(WidthOf(i)));
}

void SupplementWindow::PutFieldOf(std::string& record, int i, std::string_view text) {
  common::PutCounted(record, static_cast<std::size_t>(OffsetOf(i)), text, static_cast<std::size_t>(WidthOf(i)));
}

void SupplementWindow::Setup() {
  FieldCount = kSupplementFields;
  for (int i = 1; i <= kSupplementFields; ++i) {
    const SupplementField& f = fields_[i - 1];
    browser::SetFieldDescriptor(Field(i), browser::FieldSetup()
                                              .Caption(common::Cz(f.caption))
                                              .At(f.column, f.line)
                                              .Picture(i == 1 ? "P" : "X")
                                              .Initial(std::string(static_cast<std::size_t>(WidthOf(i)), ' ')));
  }
  browser::BrowseSetup s;
  s.fileName = fileName_;
  s.title = common::Cz(title_);
  s.keyLine = "  F1=Help  F3=Najdi  Mezera=Oprav  F4=Přidej  F6=třízení  F8=Zruš  Esc=Konec "_cz;
  s.fieldCount = kSupplementFields;
  s.recordLength = kSupplementLength;
  s.startRecord = 1;
  s.editColor = ui::Rgb(0xD0, 0xFF, 0xD0);
  s.editFontColor = ui::colors::Black;
  s.edit = {50, 1, 300, 45};
  s.gridColor = ui::Rgb(0xD0, 0xFF, 0xD0);
  s.gridFontColor = ui::colors::Black;
  s.grid = {1, 2, 100, 30};
  OpenBrowse(s);
  for (int f : hidden_) FieldStates[static_cast<std::size_t>(f)] = -1;
  RecordBuffer.assign(kSupplementLength, '\0');
  FieldsToRecord();
  BlankRecord = RecordBuffer;
}

std::string SupplementWindow::RecordKey(std::int32_t n) {
  RecordRead(n);
  return common::UpperCz(common::StripDiacritics(FieldOf(RecordBuffer, 2))) + FieldOf(RecordBuffer, 1);
}

std::string SupplementWindow::RecordSearchText(std::int32_t n) { return RecordKey(n); }

void SupplementWindow::NewRecord() {
  RecordBuffer = BlankRecord;
  TfSoub::NewRecord();
}

void SupplementWindow::KeyF6(std::int32_t) {
  const browser::ChoiceResult r = browser::ShowVyber(30, 5, nullptr, " Třídit podle: "_cz, {" Jména "_cz, " Os. čísla"_cz});
  Sort(r.chosen == 2 ? 2 : 1);
}

bool SupplementWindow::Sort(int order) {
  SortOrder = order;
  if (!DataFileUsable()) return false;
  const std::string path = DataFilePath;
  // The browse's in-use lock gives way to the write lock, held from the read through
  // the cut, so that no other user's change made meanwhile is written over.
  common::UnlockFile(path);
  bool sorted = false;
  {
    common::ScopedFileLock lock(path, "W");
    DataFileReopen();
    if (!lock.Stopped() && Count > 1) {
      InPlaceSort plan;
      plan.keep = [](std::string_view r) { return !Trimmed(FieldOf(r, 2)).empty() || !NoPersonalNumber(FieldOf(r, 1)); };
      if (order == 2) {
        plan.less = [](std::string_view a, std::string_view b) { return FieldOf(a, 1) < FieldOf(b, 1); };
      } else {
        plan.less = [](std::string_view a, std::string_view b) {
          return common::CzSortKey(FieldOf(a, 2)).substr(0, kSortKeyWidth) < common::CzSortKey(FieldOf(b, 2)).substr(0, kSortKeyWidth);
        };
      }
      plan.keepWhenEmpty = true;
      sorted = SortInPlace(plan);
    }
  }
  common::LockFile(path, "");
  return sorted;
}

void SupplementWindow::FieldCheck(int field, std::string& text) {
  TfSoub::FieldCheck(field, text);
  if (field != 1) return;
  const std::int32_t own = EditingExisting ? Current : 0;
  for (std::int32_t n = 1; n <= Count; ++n) {
    if (n == own) continue;
    RecordReadForView(n);
    if (FieldOf(ViewBuffer, 1) == text) {
      common::MessageOk("Pozor, zadáváte stejné osč !"_cz);
      break;
    }
  }
  // A new record starts from the blank record's number.
  const std::string before = EditingExisting ? Field(1).valueBeforeEdit : FieldOf(BlankRecord, 1);
  if (text != before && before != "00000") common::MessageOk("Pozor, změna osč !"_cz);
}

void SupplementWindow::PickEmployee(std::string& text, const EmployeeFill& more) {
  Tfpr_rol& w = fpr_rol();
  w.SetupPr_rol(kEmployeeFile);
  w.ShowModal();
  if (w.Current >= 1 && w.Current <= w.Count) w.RecordRead(w.Current);
  if (w.Current >= 1 && w.Current <= w.Count && w.lastIoOk()) {
    const std::string chosen = w.RecordBuffer;
    text = w.FieldOf(chosen, 1);
    EditText(2) = w.FieldOf(chosen, 2);
    if (more) more(w, chosen);
  }
  w.CloseBrowse();
}

TfPrDod::TfPrDod() : SupplementWindow("fPrDod", "Pracovníci - Dodatky", " Pracovníci - dodatky ", "PrDod.DTA", kPrDodFields, {20, 23}) {}

void TfPrDod::FieldExit(int field, std::string& text) {
  switch (field) {
    case 1:
      PickEmployee(text, [this](const Tfpr_rol& w, const std::string& e) {
        std::string street, number;
        common::SplitAddressNumber(w.FieldOf(e, 6), street, number);
        EditText(5) = number;
        EditText(14) = w.FieldOf(e, 8);
        EditText(19) = w.FieldOf(e, 47);
        EditText(20) = w.FieldOf(e, 43);
      });
      break;
    case 4:
    case 6:
    case 8:
    case 39:
      PickFrom<codelists::TfZuj>(codelists::fZuj(), codelists::SetupZuj, [&](codelists::TfZuj& z) {
        const std::string code = z.FieldOf(z.RecordBuffer, 1);
        if (field == 39) {
          text = z.FieldOf(z.RecordBuffer, 2);
          EditText(40) = code;
        } else {
          text = code;
        }
      });
      break;
    case 13:
      PickFrom<codelists::Tfpsc>(codelists::fpsc(), codelists::SetupPsc, [&](codelists::Tfpsc& p) {
        text = p.FieldOf(p.RecordBuffer, 2);
        EditText(14) = p.FieldOf(p.RecordBuffer, 1);
      });
      break;
    case 15:
    case 34:
    case 50:
    case 55:
      PickFrom<codelists::TfZeme>(codelists::fZeme(), codelists::SetupZeme,
                                  [&](codelists::TfZeme& z) { text = z.FieldOf(z.RecordBuffer, 1); });
      break;
    default:
      break;
  }
  FieldCheck(field, text);
}

TfPrDod& fPrDod() { return browser::SingleWindow<TfPrDod>(); }

}  // namespace payroll
