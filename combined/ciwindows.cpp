#include "combined/ciwindows.h"

#include <map>
#include <memory>

#include "combined/pieces.h"
#include "common/dates.h"
#include "browser/dialogs.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/text.h"

namespace combined {

namespace {

using F = PieceWindowField;

constexpr ui::Color kLight = ui::Rgb(240, 240, 240), kGreen = ui::Rgb(208, 255, 208),
                    kPaleGreen = ui::Rgb(224, 255, 224), kYellow = ui::Rgb(255, 255, 160), kBlack = ui::Rgb(0, 0, 0);

std::vector<F> Ci11Fields() {
  std::vector<F> f = {{"číslo", 6, 3, '0', "L", 1, 2}, {" ", 1, 30, ' ', " ", 1, 12}};
  static std::vector<std::string> captions;  // the row captions live as long as the table
  captions.clear();
  for (int r = 1; r <= 10; ++r)
    for (const char* c : {"Účet M", "Stř. M", "Účet D", "Stř. D"})
      captions.push_back((r < 10 ? " " : "") + std::to_string(r) + "." + c);
  for (int r = 1; r <= 10; ++r) {
    const std::string* c = &captions[4 * (r - 1)];
    f.push_back({c[0].c_str(), 10, 6, ' ', "Y", r + 1, 2});
    f.push_back({c[1].c_str(), 10, 5, ' ', "Y", r + 1, 20});
    f.push_back({c[2].c_str(), 10, 6, ' ', "Y", r + 1, 37});
    f.push_back({c[3].c_str(), 10, 5, ' ', "Y", r + 1, 55});
  }
  f.push_back({"Datum změny", 12, 6, ' ', " ", 12, 6});
  return f;
}

std::vector<F> Ci15Fields() {
  std::vector<F> f = {{"Pohyb", 6, 3, '0', "P", 1, 2}, {" ", 1, 30, ' ', " ", 1, 11}};
  static std::vector<std::string> captions;
  captions.clear();
  for (int r = 1; r <= 10; ++r) captions.push_back((r < 10 ? " " : "") + std::to_string(r) + ".skladový účet");
  for (int r = 1; r <= 10; ++r) {
    f.push_back({captions[r - 1].c_str(), 17, 6, ' ', "Y", r + 1, 2});
    f.push_back({"účet", 5, 6, ' ', "Y", r + 1, 28});
    f.push_back({"Úč-odch.", 9, 6, ' ', "Y", r + 1, 42});
    f.push_back({"stř.", 5, 1, ' ', " ", r + 1, 60});
  }
  f.push_back({"Datum změny", 12, 6, ' ', " ", 12, 2});
  return f;
}

std::vector<F> Ci28Fields() {
  std::vector<F> f = {{"Klíč", 5, 3, '0', "P", 1, 4}, {"název", 7, 30, ' ', " ", 2, 2}};
  static const char* texts[] = {"1.text", "2.text", "3.text", "4.text", "5.text",
                                "6.text", "7.text", "8.text", "9.text"};
  for (int t = 0; t < 9; ++t) f.push_back({texts[t], 7, 30, ' ', " ", t < 4 ? 3 + t : 2 + (t - 4), t < 4 ? 2 : 42});
  f.push_back({"Kam", 4, 3, ' ', " ", 7, 5});
  for (int g = 1; g <= 16; ++g) {
    const bool left = g <= 9;
    const int line = left ? 7 + g : g - 2;
    const int base = left ? 3 : 49;
    f.push_back({"Odkud", 6, 6, ' ', "Y", line, base});
    f.push_back({"MD", 3, 3, ' ', "Y", line, base + 15});
    f.push_back({"+", 2, 1, ' ', " ", line, base + 23});
    f.push_back({"Úč-Ř", 5, 6, ' ', "Y", line, base + 29});
  }
  f.push_back({"Datum změny", 12, 6, ' ', " ", 17, 3});
  return f;
}

std::vector<F> Ci61Fields() {
  std::vector<F> f = {{"Klíč ML", 8, 3, '0', "P", 1, 2},
                      {" ", 1, 18, ' ', " ", 1, 15},
                      {"Stálý (1-ANO)", 14, 1, ' ', " ", 2, 2},
                      {"Dovolená do prům", 17, 1, ' ', " ", 2, 22},
                      {"Zdravotní do prům", 18, 1, ' ', " ", 2, 44},
                      {"Soc. do prům", 14, 1, ' ', " ", 3, 2},
                      {"Odb.přísp", 17, 1, ' ', " ", 3, 22},
                      {"Přesčas rozp.org.", 18, 1, ' ', " ", 3, 44},
                      {"Účet MD", 8, 6, ' ', "Y", 5, 5},
                      {"Účet Dal", 9, 6, ' ', "Y", 5, 24}};
  static const char* pairs[] = {"01 Účet MD", "02 Účet MD", "03 Účet MD", "04 Účet MD", "05 Účet MD",
                                "06 Účet MD", "07 Účet MD", "08 Účet MD", "09 Účet MD"};
  for (int k = 1; k <= 9; ++k) {
    f.push_back({pairs[k - 1], 11, 6, ' ', "Y", 5 + k, 2});
    f.push_back({"Účet Dal", 9, 6, ' ', "Y", 5 + k, 24});
  }
  f[10].hint = "KT";
  f[10].hintLine = 5;
  f[10].hintColumn = 2;
  f.push_back({"Rozúčtuj MD  dle OSČ", 21, 1, ' ', " ", 15, 2});
  f.push_back({"Rozúčtuj Dal dle OSČ", 21, 1, ' ', " ", 16, 2});
  f.push_back({"Datum změny", 12, 6, ' ', " ", 17, 2});
  return f;
}

std::vector<PieceWindowSpec> BuildSpecs() {
  const browser::CellFrame grid80{1, 1, 80, 20}, grid100{1, 1, 100, 20};
  std::vector<PieceWindowSpec> s;
  s.push_back({"TfCi10", 10, "Účetní osnova", "CI.10", 79, false, kLight, kGreen, kYellow, kGreen, {45, 1, 90, 17}, grid80,
               {{"Účet", 8, 6, '0', "L"}, {"Název", 8, 30, ' ', " "}, {"RMd", 8, 3, ' ', "Y"}, {"RDal", 8, 3, ' ', "Y"},
                {"V21", 8, 3, ' ', "Y"}, {"V22", 8, 3, ' ', "Y"}, {"V24", 8, 3, ' ', "Y"}, {"V25", 8, 3, ' ', "Y"},
                {"DaňVysl", 8, 1, ' ', " "}, {"ř. DPH", 8, 3, ' ', "Y"}, {"druh", 8, 1, ' ', " "},
                {"Saldo", 8, 1, ' ', " "}, {"Datum změny", 12, 6, ' ', " "}}});
  s.push_back({"TfCi11", 11, "Předkontace", "CI.11", 302, false, kBlack, kGreen, kBlack, kPaleGreen, {30, 1, 105, 15},
               grid100, Ci11Fields()});
  s.push_back({"TfCi14", 14, "Investiční majetek", "CI.14", 168, false, kLight, kGreen, kYellow, kGreen, {40, 1, 90, 15},
               grid80,
               {{"Klíč", 5, 3, '0', "L"}, {"1.název", 9, 30, ' ', " "}, {"2.název", 9, 30, ' ', " "},
                {"3.název", 9, 30, ' ', " "}, {"4.název", 9, 30, ' ', " "}, {"5.název", 9, 30, ' ', " "},
                {"Datum změny", 12, 6, ' ', " "}}});
  s.push_back({"TfCi15", 15, "Pohyby skladů", "CI.15", 272, true, kBlack, ui::colors::BtnFace, kYellow, kGreen,
               {30, 1, 110, 16}, grid100, Ci15Fields()});
  for (int list : {20, 21, 22, 23}) {
    std::vector<F> f = {{"Řádek", list <= 22 && list != 20 ? 11 : 9, 3, '0', "P"}, {"Název", 0, 30, ' ', " "}};
    const int len = list == 21 || list == 22 ? 11 : 9;
    f[0].captionLength = f[1].captionLength = len;
    if (list == 20 || list == 23) {
      f.push_back({"Kam přič", len, 3, ' ', "Y"});
      f.push_back({"č.ř.výk", len, 6, ' ', "Y"});
      f.push_back({list == 20 ? "Datum" : "Datum změny", 12, 6, ' ', " "});
    } else {
      f.push_back({"Kam přič 1", len, 3, ' ', "Y"});
      f.push_back({"Kam přič 2", len, 3, ' ', "Y"});
      if (list == 22) f.push_back({"č.ř.výk.", len, 6, ' ', "Y"});
      f.push_back({"Účet", len, 6, ' ', " "});
      f.push_back({"Datum změny", 12, 6, ' ', " "});
    }
    static const char* captions[] = {"Rozvaha 20", "Výsledovka 21", "Výsledovka 22", "Rozvaha 23"};
    static const char* files[] = {"CI.20", "CI.21", "CI.22", "CI.23"};
    const int i = list - 20;
    const int length = list == 21 ? 57 : list == 22 ? 64 : 53;
    const browser::CellFrame edit = list == 21 || list == 22 ? browser::CellFrame{50, 1, 90, 10} : browser::CellFrame{50, 1, 90, 8};
    s.push_back({i == 0 ? "TfCi20" : i == 1 ? "TfCi21" : i == 2 ? "TfCi22" : "TfCi23", list, captions[i], files[i], length,
                 true, kYellow, kGreen, kYellow, kGreen, edit, grid80, f});
  }
  s.push_back({"TfCi28", 28, "CASH FLOW", "CI.28", 645, false, kBlack, ui::colors::BtnFace, kYellow, kGreen,
               {1, 1, 110, 25}, grid100, Ci28Fields()});
  s.push_back({"TfCi30", 30, "Střediska", "CI.30", 104, false, kYellow, kGreen, kYellow, kGreen, {45, 1, 90, 15}, grid80,
               {{"Středisko", 12, 5, '0', "P"}, {"Název", 12, 30, ' ', " "}, {"Název", 12, 30, ' ', " "},
                {"Jen nadpis", 12, 1, ' ', " "}, {"Typ", 12, 1, ' ', " "}, {"Účet skladu", 12, 6, ' ', " "},
                {"Činnost", 12, 3, ' ', "Y"}, {"Skl.pol. od", 12, 6, ' ', "Y"}, {"Skl.pol. do", 12, 6, ' ', "Y"},
                {"Datum změny", 12, 6, ' ', " "}}});
  s.push_back({"TfCi61", 61, "Klíče ML", "CI.61", 186, true, kBlack, ui::colors::BtnFace, kYellow, kGreen,
               {30, 1, 100, 24}, grid100, Ci61Fields()});
  s.push_back({"TfCi62", 62, "Kategorie prac.", "CI.62", 41, true, kYellow, kGreen, kYellow, kGreen, {50, 1, 90, 8}, grid80,
               {{"Kat.", 8, 2, '0', "P"}, {"Název", 8, 30, ' ', " "}, {"Datum změny", 12, 6, ' ', " "}}});
  s.push_back({"TfCi63", 63, "Kalendář", "CI.63", 26, true, kYellow, kGreen, kYellow, kGreen, {50, 1, 90, 8}, grid80,
               {{"Měsíc", 6, 2, '0', "P"}, {"Název", 6, 12, ' ', " "}, {"Dny", 6, 2, ' ', "Y"},
                {"Datum změny", 12, 6, ' ', " "}}});
  s.push_back({"TfCi99", 99, "Číselníky - zbytek", "ci.99", 57, true, kYellow, kGreen, kYellow, kGreen, {63, 1, 82, 13},
               {1, 1, 58, 20},
               {{"TS", 7, 2, '0', "P"}, {"Klíč", 7, 6, '0', "P"}, {"PM", 7, 1, '0', "P"}, {"ČV", 7, 2, '0', "P"},
                {"U1", 7, 6, ' ', " "}, {"U2", 7, 6, ' ', " "}, {"U3", 7, 6, ' ', " "}, {"U4", 7, 6, ' ', " "},
                {"U5", 7, 6, ' ', " "}, {"U6", 7, 6, ' ', " "}}});
  return s;
}

// The first field is the key; the last the change date.
constexpr int kKeyField = 1;
constexpr std::size_t kHeadingOnly = 4;  // "Jen nadpis" of list 30
// List 11's name: the assembly carries only its first 18 characters.
constexpr int kCarriedName = 18;

void CutCarriedName(int list, int field, std::string& text) {
  if (list == 11 && field == 2 && text.size() > static_cast<std::size_t>(kCarriedName))
    text = text.substr(0, kCarriedName) + std::string(text.size() - kCarriedName, ' ');
}

}  // namespace

const std::vector<PieceWindowSpec>& PieceWindowSpecs() {
  static const std::vector<PieceWindowSpec> specs = BuildSpecs();
  return specs;
}

const PieceWindowSpec* FindPieceWindow(int list) {
  for (const auto& s : PieceWindowSpecs())
    if (s.list == list) return &s;
  return nullptr;
}

std::string WorkDateYYMMDD() { return common::SwapDate(common::DateNoDots(common::TodayText())); }

TfCiPiece::TfCiPiece(const PieceWindowSpec& spec) : TfSoub(spec.className + 1), spec_(spec) {
  if (spec_.list == 30) {
    for (const auto& item : PopupMenu1.items())
      if (item->name == "k1") {
        item->caption = common::Cz("Změn střediska");
        item->visible = true;
        item->onClick = [this](ui::MenuItem&) { k1Click(); };
      }
  }
}

void TfCiPiece::Setup() {
  FieldCount = static_cast<std::int32_t>(spec_.fields.size());
  for (int i = 1; i <= FieldCount; ++i) {
    const F& f = spec_.fields[i - 1];
    std::string caption = common::Cz(f.caption);
    if (static_cast<int>(caption.size()) < f.captionLength) caption.resize(f.captionLength, ' ');
    browser::FieldSetup setup;
    setup.Caption(caption).Picture(f.picture).Initial(std::string(f.width, f.fill));
    setup.At(f.column ? f.column : 2, f.line ? f.line : i);
    if (f.hint) setup.Hint(f.hint, f.hintColumn, f.hintLine);
    browser::SetFieldDescriptor(Field(i), setup);
  }
  const std::string list = common::FormatFloatMask("@@", spec_.list);
  browser::BrowseSetup s;
  s.fileName = spec_.file;
  s.title = common::Cz(spec_.caption);
  s.keyLine = common::Cz(" F1-Help F4-Nová ");
  s.editTitle = spec_.list == 99 ? common::Cz("Číselník") : " CI" + list + " ";
  s.editKeyLine = common::Cz(" F2=zápis  Esc=nic ");
  s.fieldCount = FieldCount;
  s.recordLength = spec_.length;
  s.grid = spec_.grid;
  s.gridColor = spec_.gridColor;
  s.gridFontColor = spec_.gridFont;
  s.edit = spec_.edit;
  s.editColor = spec_.editColor;
  s.editFontColor = spec_.editFont;
  OpenBrowse(s);
  SetCaption(common::Cz(spec_.caption));
  std::fill(FieldStates.begin(), FieldStates.end(), 1);
  if (spec_.list == 30) FieldStates[kHeadingOnly] = 0;  // the assembly cannot carry it
  offsets_ = browser::FieldOffsets(FieldSpan());
  RecordBuffer.assign(static_cast<std::size_t>(spec_.length), '\0');
  FieldsToRecord();
  Stamp();
  RecordTemplate = RecordBuffer;
}

void TfCiPiece::Stamp() { PutField(FieldCount, WorkDateYYMMDD()); }

std::string TfCiPiece::GetField(int i) const {
  return common::GetCounted(RecordBuffer, static_cast<std::size_t>(offsets_[i - 1]), spec_.fields[i - 1].width);
}

void TfCiPiece::PutField(int i, const std::string& text) {
  RecordBuffer.resize(static_cast<std::size_t>(spec_.length), '\0');
  common::PutCounted(RecordBuffer, static_cast<std::size_t>(offsets_[i - 1]), text, spec_.fields[i - 1].width);
}

void TfCiPiece::NewRecord() {
  RecordBuffer = RecordTemplate;
  if (spec_.list == 99) PutField(kKeyField, "..");
  TfSoub::NewRecord();
  Changed = true;
}

void TfCiPiece::ClearRecord() {
  if (spec_.list != 99) RecordBuffer = RecordTemplate;
  PutField(kKeyField, std::string(static_cast<std::size_t>(spec_.fields[0].width), '.'));
}

void TfCiPiece::DeleteRecord(std::int32_t current) {
  if (Count < 1 || Current < 1) return;
  RecordRead(Current);
  TfSoub::DeleteRecord(current);
  Changed = true;
}

void TfCiPiece::EditRecord() {
  if (!spec_.stampAlways) Changed = false;
  TfSoub::EditRecord();
}

void TfCiPiece::RecordWrite(std::int32_t n) {
  if (spec_.stampAlways || Changed) Stamp();
  TfSoub::RecordWrite(n);
  if (!spec_.stampAlways) Changed = false;
}

void TfCiPiece::FieldCheck(int field, std::string& text) {
  CutCarriedName(spec_.list, field, text);
  TfSoub::FieldCheck(field, text);
}

void TfCiPiece::FieldExit(int field, std::string& text) {
  CutCarriedName(spec_.list, field, text);
  TfSoub::FieldExit(field, text);
}

void TfCiPiece::EditAccept() {
  if (spec_.list == 11) CutCarriedName(spec_.list, 2, EditText(2));
  TfSoub::EditAccept();
}

void TfCiPiece::k1Click() {
  RewriteEachRecord([this](std::int32_t n) {
    RecordRead(n);
    if (!lastIoOk()) return false;
    const std::string key = GetField(kKeyField);
    PutField(kKeyField, common::Copy(common::CopyFrom(key, 2) + common::Copy(key, 1, 1), 1, 5));
    RecordWrite(n);
    return lastIoOk();
  });
  RepaintPage();
}

TfCiPiece& fCiPiece(int list) {
  static std::map<int, std::unique_ptr<TfCiPiece>> windows;
  if (windows.empty()) browser::RegisterWindowReset([] { windows.clear(); });
  auto& w = windows[list];
  if (!w) w = std::make_unique<TfCiPiece>(*FindPieceWindow(list));
  return *w;
}

void SetupCiPiece(TfCiPiece& w) { w.Setup(); }

}  // namespace combined
