#include "payroll/prrol.h"

#include <array>

#include "browser/dialogs.h"
#include "browser/editform.h"
#include "common/dates.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/text.h"

namespace payroll {

namespace {

// One field of the employee record: caption, picture, the initial text (a run of
// blanks when `blanks` is not 0), the caption's place and its side label's.
struct EmployeeField {
  const char* caption;
  const char* picture;
  int blanks;
  const char* initial;
  int line, column, hintLine, hintColumn;
};

// The 110 fields, packed in this order into 1812 bytes.
const EmployeeField kFields[kEmployeeFields] = {
    {"Os.číslo ", "P", 0, "00000", 2, 1, 1, 20},  // 1 @0 text[5]
    {"Příjm. Jméno tit", "x", 30, nullptr, 2, 20, 0, 0},  // 2 @6 text[30]
    {"Muž(0), Žena(1)", "@B", 0, "0", 2, 69, 0, 0},  // 3 @37 byte
    {"Dat.nar. ", "p", 8, nullptr, 3, 1, 0, 0},  // 4 @38 text[8]
    {"Rod.č.", "X", 4, nullptr, 3, 22, 0, 0},  // 5 @47 text[4]
    {"Ulice    ", "x", 25, nullptr, 4, 1, 0, 0},  // 6 @52 text[25]
    {"Místo ", "X", 25, nullptr, 4, 42, 0, 0},  // 7 @78 text[25]
    {"PSČ ", "P", 5, nullptr, 4, 77, 0, 0},  // 8 @104 text[5]
    {">Střed.  ", "P", 5, nullptr, 5, 1, 5, 20},  // 9 @110 text[5]
    {">Výpl.m.", "@@B", 0, "00", 5, 40, 5, 55},  // 10 @116 byte
    {">Kateg.  ", "@@B", 0, "00", 6, 1, 6, 16},  // 11 @117 byte
    {"Dat.přij.", "P", 0, "00000000", 7, 1, 0, 0},  // 12 @118 text[8]
    {"Dat.prop.", "P", 0, "00000000", 7, 39, 0, 0},  // 13 @127 text[8]
    {"Nár.st.d.", "###.#R", 5, nullptr, 8, 1, 0, 0},  // 14 @136 six-byte real
    {"Nár.n.d.", "###.#R", 5, nullptr, 8, 40, 0, 0},  // 15 @142 six-byte real
    {"Prům.dov.   ", "#####.##R", 8, nullptr, 9, 1, 0, 0},  // 16 @148 six-byte real
    {"HM-konto p.d.", "#######R", 7, nullptr, 9, 35, 0, 0},  // 17 @154 six-byte real
    {"Prům.přesč.", "####.##R", 7, nullptr, 9, 70, 0, 0},  // 18 @160 six-byte real
    {"Základ.plat ", "##########.##-R", 14, nullptr, 10, 1, 0, 0},  // 19 @166 six-byte real
    {"Osob.ohod.", "##########.##-R", 14, nullptr, 10, 38, 0, 0},  // 20 @172 six-byte real
    {"Prémie ", "##########.##-R", 14, nullptr, 10, 74, 0, 0},  // 21 @178 six-byte real
    {"Procento prémií ", "##.#R", 4, nullptr, 11, 65, 0, 0},  // 22 @184 six-byte real
    {">Kl.přípl.1.", "@@@W", 3, nullptr, 12, 1, 0, 0},  // 23 @190 word
    {"Přípl.1.", "##########.##-R", 14, nullptr, 12, 22, 0, 0},  // 24 @192 six-byte real
    {">Ovlivni kl.", "@@@W", 3, nullptr, 12, 49, 0, 0},  // 25 @198 word
    {">Kl.přípl.2.", "@@@W", 3, nullptr, 13, 1, 0, 0},  // 26 @200 word
    {"Přípl.2.", "##########.##-R", 14, nullptr, 13, 22, 0, 0},  // 27 @202 six-byte real
    {">Ovlivni kl.", "@@@W", 3, nullptr, 13, 49, 0, 0},  // 28 @208 word
    {">Kl.přípl.3.", "@@@W", 3, nullptr, 14, 1, 0, 0},  // 29 @210 word
    {"Přípl.3.", "##########.##-R", 14, nullptr, 14, 22, 0, 0},  // 30 @212 six-byte real
    {">Ovlivni kl.", "@@@W", 3, nullptr, 14, 49, 0, 0},  // 31 @218 word
    {">Zp.výplaty ", "@B", 0, "0", 15, 1, 0, 0},  // 32 @220 byte
    {">Zp.výpoč.", "#@B", 0, " 0", 15, 20, 0, 0},  // 33 @221 byte
    {">Zdr.poj.", "@@B", 0, "00", 15, 52, 15, 67},  // 34 @222 byte
    {">Druh čin.  ", "X", 0, "1    ", 16, 1, 0, 0},  // 35 @223 text[5]
    {">Zp.zdan.", "@B", 0, "0", 16, 21, 0, 0},  // 36 @229 byte
    {">Odbor.p.", "@B", 0, "0", 16, 34, 0, 0},  // 37 @230 byte
    {"Den.prac.doba", "##.###R", 6, nullptr, 16, 48, 0, 0},  // 38 @231 six-byte real
    {"Rodné jméno ", "x", 15, nullptr, 17, 1, 0, 0},  // 39 @237 text[15]
    {"Pův.příjm.", "x", 15, nullptr, 17, 38, 0, 0},  // 40 @253 text[15]
    {"Místo nar.", "X", 15, nullptr, 17, 71, 0, 0},  // 41 @269 text[15]
    {"Č.obč.průk. ", "X", 10, nullptr, 18, 1, 0, 0},  // 42 @285 text[10]
    {">Vzdělání", "X", 6, nullptr, 18, 39, 0, 0},  // 43 @296 text[6]
    {"Prac.třída", "X", 3, nullptr, 18, 71, 0, 0},  // 44 @303 text[3]
    {">Povolání   ", "X", 20, nullptr, 19, 1, 0, 0},  // 45 @307 text[20]
    {"Pův.pov.", "X", 20, nullptr, 19, 40, 0, 0},  // 46 @328 text[20]
    {">Změn.prac.sch.", "X", 4, nullptr, 20, 33, 0, 0},  // 47 @349 text[4]
    {">Druh důch., od DDMMRRRR", "X", 15, nullptr, 20, 57, 0, 0},  // 48 @354 text[15]
    {">Rodin.stav ", "@B", 0, "1", 21, 1, 0, 0},  // 49 @370 byte
    {"Jméno manžela", "x", 20, nullptr, 21, 35, 0, 0},  // 50 @371 text[20]
    {"R.č.manž.", "x", 11, nullptr, 21, 72, 0, 0},  // 51 @392 text[11]
    {"1.dítě ", "x", 20, nullptr, 22, 41, 0, 0},  // 52 @404 text[20]
    {"1.r.č.", "x", 11, nullptr, 22, 75, 0, 0},  // 53 @425 text[11]
    {"2.dítě ", "x", 20, nullptr, 23, 41, 0, 0},  // 54 @437 text[20]
    {"2.r.č.", "x", 11, nullptr, 23, 75, 0, 0},  // 55 @458 text[11]
    {"3.dítě ", "x", 20, nullptr, 24, 41, 0, 0},  // 56 @470 text[20]
    {"3.r.č.", "x", 11, nullptr, 24, 75, 0, 0},  // 57 @491 text[11]
    {"4.dítě ", "x", 20, nullptr, 25, 41, 0, 0},  // 58 @503 text[20]
    {"4.r.č.", "x", 11, nullptr, 25, 75, 0, 0},  // 59 @524 text[11]
    {">Primární prac.práv.vztah ANO,NE", "X", 5, nullptr, 26, 1, 0, 0},  // 60 @536 text[5]
    {"Počet vyživ.osob", "X", 5, nullptr, 26, 32, 0, 0},  // 61 @542 text[5]
    {"HM/ČM bez slev", "X", 15, nullptr, 27, 1, 0, 0},  // 62 @548 text[15]
    {"Prac.poměr do ", " ", 15, nullptr, 27, 34, 0, 0},  // 63 @564 text[15]
    {"%p.p.,min,max", "X", 15, nullptr, 6, 35, 0, 0},  // 64 @580 text[15]
    {">Penzijní fond ", "X", 15, nullptr, 6, 66, 0, 0},  // 65 @596 text[15]
    {"Starý prům.dov. ", "X", 15, nullptr, 8, 65, 0, 0},  // 66 @612 text[15]
    {"Čís.pov.-CZISCO", "X", 15, nullptr, 20, 1, 0, 0},  // 67 @628 text[15]
    {"Telefon ", "X", 15, nullptr, 26, 73, 0, 0},  // 68 @644 text[15]
    {"Kontakt ", "X", 15, nullptr, 27, 73, 0, 0},  // 69 @660 text[15]
    {" ", "X", 15, nullptr, 27, 75, 0, 0},  // 70 @676 text[15]
    {"Stát.přísl.", "X", 5, nullptr, 5, 1, 0, 0},  // 71 @692 text[5]
    {"Číslo pasu ", "X", 20, nullptr, 6, 1, 0, 0},  // 72 @698 text[20]
    {"       DIČ ", "X", 16, nullptr, 7, 1, 0, 0},  // 73 @719 text[16]
    {"Pozn.na ML MP:místo práce ; KOD:kó místa práce", "X", 70, nullptr, 8, 1, 0, 0},  // 74 @736 text[70]
    {"Pozn.inter.", "X", 70, nullptr, 9, 1, 0, 0},  // 75 @807 text[70]
    {"Přiděl.Rod.č.", "X", 15, nullptr, 10, 1, 0, 0},  // 76 @878 text[15]
    {"Země odvodu SZP ", "X", 15, nullptr, 11, 1, 0, 0},  // 77 @894 text[15]
    {"rez3 ", "X", 15, nullptr, 12, 1, 0, 0},  // 78 @910 text[15]
    {">Životní poj.", "X", 15, nullptr, 7, 68, 0, 0},  // 79 @926 text[15]
    {"rez5 ", "X", 15, nullptr, 13, 1, 0, 0},  // 80 @942 text[15]
    {"Dat.nást.", "P", 0, "00000000", 7, 20, 0, 0},  // 81 @958 text[8]
    {"Místo práce-kód", "X", 2, nullptr, 13, 1, 0, 0},  // 82 @967 text[2]
    {"ČR adr-ulice", "X", 50, nullptr, 17, 1, 0, 0},  // 83 @970 text[50]
    {"ČR-č.d.", "X", 12, nullptr, 17, 70, 0, 0},  // 84 @1021 text[12]
    {"ČR-místo", "X", 50, nullptr, 18, 1, 0, 0},  // 85 @1034 text[50]
    {"ČR-PSČ", "X", 11, nullptr, 18, 70, 0, 0},  // 86 @1085 text[11]
    {"ČR-pošta", "X", 5, nullptr, 18, 70, 0, 0},  // 87 @1097 text[5]
    {"Cizoz.poj.-kód", "X", 1, nullptr, 15, 1, 0, 0},  // 88 @1103 text[1]
    {"Cizoz.poj.-název", "X", 70, nullptr, 16, 1, 0, 0},  // 89 @1105 text[70]
    {"Cizoz.poj.-ulice", "X", 50, nullptr, 17, 1, 0, 0},  // 90 @1176 text[50]
    {"Č.d.", "X", 12, nullptr, 17, 70, 0, 0},  // 91 @1227 text[12]
    {"Cizoz.poj.-místo", "X", 50, nullptr, 18, 1, 0, 0},  // 92 @1240 text[50]
    {"PSČ", "X", 11, nullptr, 18, 70, 0, 0},  // 93 @1291 text[11]
    {"Cizoz.poj.-číslo", "X", 25, nullptr, 19, 1, 0, 0},  // 94 @1303 text[25]
    {"Cizoz.poj.-stát", "X", 2, nullptr, 20, 1, 0, 0},  // 95 @1329 text[2]
    {"Změna prac.podmínek      ", "X", 70, nullptr, 28, 1, 0, 0},  // 96 @1332 text[70]
    {"Sleva na děti v měsících ", "X", 70, nullptr, 29, 1, 0, 0},  // 97 @1403 text[70]
    {"ID PPV ", "X", 70, nullptr, 20, 1, 0, 0},  // 98 @1474 text[70]
    {"Chybějící údaj ", "X", 70, nullptr, 20, 1, 0, 0},  // 99 @1545 text[70]
    {"Č.poj.v II.důch.pil.", "X", 15, nullptr, 3, 61, 0, 0},  // 100 @1616 text[15]
    {"Prac.úvaz.", "##.####R", 6, nullptr, 16, 71, 0, 0},  // 101 @1632 six-byte real
    {"OIČ ", "X", 10, nullptr, 20, 1, 0, 0},  // 102 @1638 text[10]
    {"Kód obce bydliště ", "X", 10, nullptr, 20, 1, 0, 0},  // 103 @1649 text[10]
    {"Chybějící údaj ", "X", 10, nullptr, 20, 1, 0, 0},  // 104 @1660 text[10]
    {"Chybějící údaj ", "X", 15, nullptr, 20, 1, 0, 0},  // 105 @1671 text[15]
    {"Chybějící údaj ", "X", 15, nullptr, 20, 1, 0, 0},  // 106 @1687 text[15]
    {"Chybějící údaj ", "X", 15, nullptr, 20, 1, 0, 0},  // 107 @1703 text[15]
    {"Čip ", "X", 30, nullptr, 1, 61, 0, 0},  // 108 @1719 text[30]
    {"Chybějící údaj ", "X", 30, nullptr, 20, 1, 0, 0},  // 109 @1750 text[30]
    {"Chybějící údaj ", "X", 30, nullptr, 20, 1, 0, 0},  // 110 @1781 text[30]
};

// The personal-data fields, stored scrambled while scrambling is on.
constexpr std::array<int, 15> kPersonal = {2, 4, 6, 39, 40, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59};

}  // namespace

Tfpr_rol::Tfpr_rol() : TfSoub("fpr_rol") {
  SetCaption(common::Cz("PRACOVNÍCI"));
  ShowPopupItems({"Opis", "Sortuj Osc", "Sortuj Pin"});  // without action, as the payroll module has them
}

void Tfpr_rol::DefineFields() {
  FieldCount = kEmployeeFields;
  for (int i = 1; i <= kEmployeeFields; ++i) {
    const EmployeeField& f = kFields[i - 1];
    browser::FieldSetup s;
    s.Caption(common::Cz(f.caption)).Picture(f.picture).At(f.column, f.line);
    s.Initial(f.blanks ? std::string(static_cast<std::size_t>(f.blanks), ' ') : std::string(f.initial));
    if (f.hintLine) s.Hint("", f.hintColumn, f.hintLine);
    browser::SetFieldDescriptor(Field(i), s);
  }
  offsets_ = browser::FieldOffsets(FieldSpan());
}

void Tfpr_rol::SetupPr_rol(const std::string& fileName) {
  DefineFields();
  browser::BrowseSetup s;
  s.fileName = fileName;
  s.title = common::Cz("Pracovníci");
  s.keyLine = common::Cz("Enter=zvol Esc=konec  Mezera=vlož_čip  F8=zruš_čip    F9=MEZERA");
  s.editTitle = common::Cz("Pracovníci");
  s.fieldCount = kEmployeeFields;
  s.recordLength = kEmployeeLength;
  s.editFontColor = ui::Rgb(0, 0, 0);
  s.editColor = ui::Rgb(0xD0, 0xFF, 0xD0);
  s.edit = {1, 1, 100, 32};
  s.gridFontColor = ui::Rgb(0, 0, 0);
  s.gridColor = ui::Rgb(0xE0, 0xFF, 0xE0);
  s.grid = {1, 1, 100, 30};
  OpenBrowse(s);
  RecordBuffer.assign(kEmployeeLength, '\0');
  FieldsToRecord();
  EmptyRecord = RecordBuffer;
  PictureFolder.clear();  // pictures straight in "doklady"
  PicturesOn = true;
  std::fill(FieldStates.begin(), FieldStates.end(), 0);  // shown, not editable
}

std::string Tfpr_rol::FieldOf(std::string_view record, int i) const {
  if (offsets_.empty()) return {};
  return common::GetCounted(record, static_cast<std::size_t>(offsets_[static_cast<std::size_t>(i - 1)]),
                            static_cast<std::size_t>(Field(i).width));
}

void Tfpr_rol::PutFieldOf(std::string& record, int i, std::string_view text) const {
  common::PutCounted(record, static_cast<std::size_t>(offsets_[static_cast<std::size_t>(i - 1)]), text,
                     static_cast<std::size_t>(Field(i).width));
}

std::int32_t Tfpr_rol::EmployeeIdentifier(const std::string& personalNumber, std::string& identifier) {
  identifier = std::string(10, ' ');
  for (std::int32_t n = 1; n <= Count; ++n) {
    RecordRead(n);
    if (FieldOf(RecordBuffer, 1) != personalNumber) continue;
    identifier = IdentifierOfRecord();
    return n;
  }
  return -1;
}

std::string Tfpr_rol::IdentifierOfRecord() const {
  std::string t = common::Copy(FieldOf(RecordBuffer, 102), 1, 10);
  if (common::StripRightSp(t).empty()) {
    const std::string suffix = FieldOf(RecordBuffer, 5);
    if (common::UpperCz(common::Copy(suffix, 1, 1)) == "X") {
      // An assigned number is taken as digits: "/" and blanks would reach the report.
      std::string assigned;
      for (char c : FieldOf(RecordBuffer, 76))
        if (c != '/' && c != ' ') assigned += c;
      t = common::Copy(assigned, 1, 10);
    } else {
      t = common::Copy(common::Date8ToIso(FieldOf(RecordBuffer, 4)), 3, 6) + suffix;
      if (static_cast<unsigned char>(RecordBuffer[static_cast<std::size_t>(offsets_[2])]) == 1)
        t = common::Copy(t, 1, 2) + common::FormatFloatMask("@@", common::TextToInt(common::Copy(t, 3, 2)) + 50) +
            common::Copy(t, 5, 6);
    }
  }
  return common::AlignText(t, "L", " ", 10);
}

std::string Tfpr_rol::RecordToColumns(std::int32_t n) {
  TfSoub::RecordToColumns(n);
  ColumnTexts[7] = FieldOf(ViewBuffer, 108);
  std::string joined = common::FormatFloatMask("#### ", n);
  for (int c = 1; c <= FieldCount; ++c) joined += ColumnTexts[static_cast<std::size_t>(c)] + " ";
  return joined;
}

std::string Tfpr_rol::RecordSearchText(std::int32_t n) {
  RecordRead(n);
  return FieldOf(RecordBuffer, 1);
}

std::string Tfpr_rol::RecordKey(std::int32_t n) {
  if (n < 1 || n > Count) return std::string(16, ' ');
  RecordRead(n);
  return FieldOf(RecordBuffer, 1);
}

void Tfpr_rol::DeleteRecord(std::int32_t) {
  if (Count < 1 || Current < 1) return;
  // The record is read, cleared and written under one turn, refused when it is no longer
  // the one chosen.
  if (!DeleteCurrent()) RepaintPage();
}

void Tfpr_rol::ClearRecord() { PutFieldOf(RecordBuffer, 108, std::string(30, ' ')); }

void Tfpr_rol::Scramble(bool scramble) {
  std::string& buffer = ReadingForView ? ViewBuffer : RecordBuffer;
  if (buffer.size() < static_cast<std::size_t>(kEmployeeLength) || offsets_.empty()) return;
  const std::string& key = common::CurrentSession().ScrambleKey;
  for (int i : kPersonal) {
    const std::string text = FieldOf(buffer, i);
    PutFieldOf(buffer, i, scramble ? common::ScrambleText(text, key) : common::UnscrambleText(text, key));
  }
}

void Tfpr_rol::BeforeWriteHook() { Scramble(true); }

void Tfpr_rol::EditRecord() {
  writingEdit_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{writingEdit_};
  TfSoub::EditRecord();
}

void Tfpr_rol::RecordWrite(std::int32_t n) {
  // The edit checked that the record is still what it started from; a field whose
  // text was only walked through keeps its bytes (a number its full precision).
  if (writingEdit_ && RecordAtEditStart.size() == RecordBuffer.size() && !offsets_.empty()) {
    for (int i = 1; i <= FieldCount; ++i) {
      const browser::FieldDescriptor& d = Field(i);
      if (browser::NormaliseFieldText(d, d.valueBeforeEdit) != browser::NormaliseFieldText(d, d.value)) continue;
      const auto at = static_cast<std::size_t>(offsets_[static_cast<std::size_t>(i - 1)]);
      const auto size = static_cast<std::size_t>(browser::FieldStoredSize(d));
      RecordBuffer.replace(at, size, RecordAtEditStart, at, size);
    }
  }
  TfSoub::RecordWrite(n);
}
void Tfpr_rol::AfterReadHook() { Scramble(false); }

Tfpr_rol& fpr_rol() { return browser::SingleWindow<Tfpr_rol>(); }

}  // namespace payroll
