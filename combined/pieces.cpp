#include "combined/pieces.h"

#include <algorithm>
#include <set>

#include "common/encoding.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/text.h"

namespace combined {

namespace {

CellPart B(int n) { return {n, -1}; }
CellPart F(int field) { return {0, field}; }
TextSpan Span(int readCells, int writeCells, std::string readSuffix = {}) {
  return {-1, readCells, writeCells, std::move(readSuffix)};
}

// Builds a piece's table: fields laid out one after another, then its lines.
class SpecBuilder {
 public:
  SpecBuilder(int list, std::string requiredP, std::string keyPrefix) {
    spec_.list = list;
    spec_.requiredP = std::move(requiredP);
    spec_.keyPrefix = std::move(keyPrefix);
  }
  int Field(const char* captionUtf8, int width, bool filled = true) {
    spec_.fields.push_back({common::Cz(captionUtf8), width, spec_.length, filled});
    spec_.length += width + 1;
    return static_cast<int>(spec_.fields.size()) - 1;
  }
  // The name line: key, date and the name as a text over cells.
  SpecBuilder& NameLine(int key, int name, int date, TextSpan text, std::array<Cell, 5> cells = {}) {
    spec_.keyField = key;
    spec_.nameField = name;
    spec_.dateField = date;
    text.field = name;
    spec_.lines.push_back({0, LineCondition::Always, {}, text, std::move(cells)});
    return *this;
  }
  SpecBuilder& TextLine(int cv, LineCondition condition, int field) {
    spec_.lines.push_back({cv, condition, {field}, TextSpan{field, 5, 5, {}}, {}});
    return *this;
  }
  SpecBuilder& CellLine(int cv, LineCondition condition, std::vector<int> fields, std::array<Cell, 5> cells) {
    spec_.lines.push_back({cv, condition, std::move(fields), TextSpan{-1, 5, 5, {}}, std::move(cells)});
    return *this;
  }
  SpecBuilder& KeepDate() {
    spec_.keepDate = true;
    return *this;
  }
  PieceSpec Done() { return std::move(spec_); }

 private:
  PieceSpec spec_;
};

constexpr auto kAlways = LineCondition::Always;
constexpr auto kAnyField = LineCondition::AnyFieldNotBlank;

PieceSpec List10() {
  SpecBuilder b(10, "6", "");
  int ucet = b.Field("Účet", 6), nazev = b.Field("Název", 30), rmd = b.Field("RMd", 3), rdal = b.Field("RDal", 3),
      v21 = b.Field("V21", 3), v22 = b.Field("V22", 3), v24 = b.Field("V24", 3), v25 = b.Field("V25", 3),
      dan = b.Field("DaňVysl", 1), dph = b.Field("ř. DPH", 3), druh = b.Field("druh", 1),
      saldo = b.Field("Saldo", 1), datum = b.Field("Datum změny", 6);
  return b.NameLine(ucet, nazev, datum, Span(5, 5))
      .CellLine(10, kAlways, {},
                {Cell{F(rdal), F(rmd)}, Cell{F(v22), F(v21)}, Cell{F(dan), B(2), F(dph)}, Cell{B(5), F(druh)},
                 Cell{B(5), F(saldo)}})
      .CellLine(11, kAlways, {}, {Cell{}, Cell{F(v25), F(v24)}, Cell{}, Cell{}, Cell{}})
      .Done();
}

PieceSpec List11() {
  SpecBuilder b(11, "3", "000");
  int cislo = b.Field("číslo", 3), name = b.Field("", 30);
  struct Row { int um, sm, ud, sd; };
  std::vector<Row> rows;
  for (int r = 1; r <= 10; ++r) {
    const std::string n = std::to_string(r) + ".";
    rows.push_back({b.Field((n + "Účet M").c_str(), 6), b.Field((n + "Stř. M").c_str(), 5),
                    b.Field((n + "Účet D").c_str(), 6), b.Field((n + "Stř. D").c_str(), 5)});
  }
  int datum = b.Field("Datum změny", 6);
  b.NameLine(cislo, name, datum, Span(5, 3));
  for (int r = 1; r <= 10; ++r) {
    const Row& w = rows[r - 1];
    b.CellLine(9 + r, kAnyField, {w.um, w.ud},
               {Cell{F(w.um)}, Cell{B(1), F(w.sm)}, Cell{F(w.ud)}, Cell{B(1), F(w.sd)}, Cell{}});
  }
  return b.Done();
}

PieceSpec List14() {
  SpecBuilder b(14, "3", "000");
  int klic = b.Field("Klíč", 3);
  int names[5];
  for (int t = 0; t < 5; ++t) names[t] = b.Field((std::to_string(t + 1) + ".název").c_str(), 30);
  int datum = b.Field("Datum změny", 6);
  b.Field("", 1, false);
  b.NameLine(klic, names[0], datum, Span(5, 5));
  for (int t = 1; t < 5; ++t) b.TextLine(t, LineCondition::TextNotBlank, names[t]);
  return b.Done();
}

PieceSpec List15() {
  SpecBuilder b(15, "3", "000");
  int pohyb = b.Field("Pohyb", 3), name = b.Field("", 30);
  struct Row { int skl, ucet, odch, str; };
  std::vector<Row> rows;
  for (int r = 1; r <= 10; ++r) {
    std::string n = (r < 10 ? " " : "") + std::to_string(r) + ".skladový účet";
    rows.push_back({b.Field(n.c_str(), 6), b.Field("účet", 6), b.Field("Úč-odch.", 6), b.Field("stř.", 1)});
  }
  int datum = b.Field("Datum změny", 6);
  b.NameLine(pohyb, name, datum, Span(5, 5));
  for (int r = 1; r <= 10; ++r) {
    const Row& w = rows[r - 1];
    b.CellLine(9 + r, kAnyField, {w.skl}, {Cell{F(w.skl)}, Cell{F(w.ucet)}, Cell{F(w.odch)}, Cell{B(5), F(w.str)}, Cell{}});
  }
  return b.Done();
}

// Balance-sheet outlines 20 and 23.
PieceSpec List20(int list, const char* dateCaption) {
  SpecBuilder b(list, "3", "000");
  int radek = b.Field("Řádek", 3), nazev = b.Field("Název", 30), kam = b.Field("Kam přič", 3),
      vyk = b.Field("č.ř.výk", 6), datum = b.Field(dateCaption, 6);
  return b.NameLine(radek, nazev, datum, Span(5, 5))
      .CellLine(10, kAlways, {}, {Cell{B(3), F(kam)}, Cell{}, Cell{F(vyk)}, Cell{}, Cell{}})
      .Done();
}

// Income-statement outlines 21, 22 and 26 (22 and 26 with report rows, 26 with texts).
PieceSpec List21(int list) {
  SpecBuilder b(list, "3", "000");
  int radek = b.Field("Řádek", 3), nazev = b.Field("Název", 30), kam1 = b.Field("Kam přič 1", 3),
      kam2 = b.Field("Kam přič 2", 3);
  int vyk = list == 21 ? -1 : b.Field("č.ř.výk.", 6);
  int ucet = b.Field("Účet", 6);
  int ucty[5];
  if (list == 26)
    for (int t = 0; t < 5; ++t) ucty[t] = b.Field(("účty " + std::to_string(t + 1)).c_str(), 30);
  int datum = b.Field("Datum změny", 6);
  if (list == 26) b.Field("Text", 80, false);
  b.NameLine(radek, nazev, datum, Span(5, 5))
      .CellLine(10, kAlways, {},
                {Cell{B(3), F(kam1)}, Cell{B(3), F(kam2)}, vyk < 0 ? Cell{} : Cell{F(vyk)}, Cell{F(ucet)}, Cell{}});
  if (list == 26)
    for (int t = 0; t < 5; ++t) b.TextLine(11 + t, LineCondition::TextNot30Blanks, ucty[t]);
  return b.Done();
}

PieceSpec List27() {
  SpecBuilder b(27, "3", "000");
  int radek = b.Field("Řádek", 3), nazev = b.Field("Název", 30), kam = b.Field("Kam přič", 3),
      vykaz = b.Field("výkaz", 6);
  int ucty[5];
  for (int t = 0; t < 5; ++t) ucty[t] = b.Field(("účty " + std::to_string(t + 1)).c_str(), 30);
  int datum = b.Field("Datum změny", 6);
  b.Field("Text", 80, false);
  b.NameLine(radek, nazev, datum, Span(5, 5))
      .CellLine(10, kAlways, {}, {Cell{B(3), F(kam)}, Cell{}, Cell{F(vykaz)}, Cell{}, Cell{}});
  for (int t = 0; t < 5; ++t) b.TextLine(11 + t, LineCondition::TextNot30Blanks, ucty[t]);
  return b.Done();
}

PieceSpec List28() {
  SpecBuilder b(28, "3", "000");
  int klic = b.Field("Klíč", 3), nazev = b.Field("název", 30);
  int texts[9];
  for (int t = 0; t < 9; ++t) texts[t] = b.Field((std::to_string(t + 1) + ".text").c_str(), 30);
  int kam = b.Field("Kam", 3);
  struct Row { int odkud, md, plus, ucr; };
  std::vector<Row> rows;
  for (int r = 0; r < 16; ++r) rows.push_back({b.Field("Odkud", 6), b.Field("MD", 3), b.Field("+", 1), b.Field("Úč-Ř", 6)});
  int datum = b.Field("Datum změny", 6);
  b.NameLine(klic, nazev, datum, Span(5, 5));
  for (int t = 0; t < 9; ++t) b.TextLine(t + 1, LineCondition::TextNotBlank, texts[t]);
  b.CellLine(10, kAnyField, {kam}, {Cell{B(3), F(kam)}, Cell{}, Cell{}, Cell{}, Cell{}});
  for (int r = 0; r < 16; ++r) {
    const Row& w = rows[r];
    b.CellLine(11 + r, kAnyField, {w.odkud, w.md, w.ucr, w.plus},
               {Cell{}, Cell{F(w.odkud)}, Cell{B(2), F(w.md), F(w.plus)}, Cell{F(w.ucr)}, Cell{}});
  }
  return b.Done();
}

PieceSpec List30() {
  SpecBuilder b(30, "5", "0");
  int stred = b.Field("Středisko", 5), nazev1 = b.Field("Název", 30), nazev2 = b.Field("Název", 30);
  b.Field("Jen nadpis", 1, false);
  int typ = b.Field("Typ", 1), sklad = b.Field("Účet skladu", 6), cin = b.Field("Činnost", 3),
      od = b.Field("Skl.pol. od", 6), po = b.Field("Skl.pol. do", 6), datum = b.Field("Datum změny", 6);
  return b.NameLine(stred, nazev1, datum, Span(5, 5))
      .TextLine(1, kAlways, nazev2)
      .CellLine(10, kAlways, {}, {Cell{B(5), F(typ)}, Cell{B(3), F(cin)}, Cell{F(od)}, Cell{F(po)}, Cell{F(sklad)}})
      .Done();
}

PieceSpec List61() {
  SpecBuilder b(61, "3", "000");
  int klic = b.Field("Klíč ML", 3), name = b.Field("", 18), stal = b.Field("Stálý (1-ANO)", 1),
      dov = b.Field("Dovolená do prům", 1), zdr = b.Field("Zdravotní do prům", 1), soc = b.Field("Soc. do prům", 1),
      odb = b.Field("Odb.přísp", 1), pres = b.Field("Přesčas rozp.org.", 1), md = b.Field("Účet MD", 6),
      dal = b.Field("Účet Dal", 6);
  int pairMd[9], pairDal[9];
  for (int k = 0; k < 9; ++k) {
    pairMd[k] = b.Field(("0" + std::to_string(k + 1) + " Účet MD").c_str(), 6);
    pairDal[k] = b.Field("Účet Dal", 6);
  }
  int rozMd = b.Field("Rozúčtuj MD  dle OSČ", 1), rozDal = b.Field("Rozúčtuj Dal dle OSČ", 1),
      datum = b.Field("Datum změny", 6);
  b.NameLine(klic, name, datum, Span(3, 3),
             {Cell{}, Cell{}, Cell{}, Cell{B(5), F(stal)}, Cell{F(pres), F(dov), F(zdr), F(soc), B(1), F(odb)}});
  for (int k = 0; k < 9; ++k)
    b.CellLine(k + 1, kAnyField, {pairMd[k], pairDal[k]}, {Cell{F(pairMd[k])}, Cell{}, Cell{F(pairDal[k])}, Cell{}, Cell{}});
  b.CellLine(10, kAnyField, {md, dal, rozMd, rozDal},
             {Cell{F(md)}, Cell{}, Cell{F(dal)}, Cell{}, Cell{B(2), F(rozMd), B(2), F(rozDal)}});
  return b.Done();
}

PieceSpec List62() {
  SpecBuilder b(62, "2", "0000");
  int kat = b.Field("Kat.", 2), nazev = b.Field("Název", 30), datum = b.Field("Datum změny", 6);
  return b.NameLine(kat, nazev, datum, Span(5, 5, std::string(12, ' '))).Done();
}

PieceSpec List63() {
  SpecBuilder b(63, "2", "0000");
  int mesic = b.Field("Měsíc", 2), nazev = b.Field("Název", 12), dny = b.Field("Dny", 2),
      datum = b.Field("Datum změny", 6);
  return b.NameLine(mesic, nazev, datum, Span(3, 2))
      .CellLine(10, kAlways, {}, {Cell{B(4), F(dny)}, Cell{}, Cell{}, Cell{}, Cell{}})
      .KeepDate()
      .Done();
}

bool FieldBlank(const PieceSpec& spec, std::string_view rec, int field) {
  return spec.Get(rec, field) == std::string(spec.fields[field].width, ' ');
}

bool TextBlank(std::string_view text) {
  return text.size() >= 10 && text.substr(0, 10) == std::string(10, ' ');
}

bool Holds(const PieceSpec& spec, const LineRule& line, std::string_view rec) {
  switch (line.condition) {
    case LineCondition::Always: return true;
    case LineCondition::AnyFieldNotBlank:
      return std::any_of(line.fields.begin(), line.fields.end(), [&](int f) { return !FieldBlank(spec, rec, f); });
    case LineCondition::TextNotBlank: return !TextBlank(spec.Get(rec, line.fields[0]));
    case LineCondition::TextNot30Blanks: return spec.Get(rec, line.fields[0]) != std::string(30, ' ');
  }
  return true;
}

std::string TwoDigits(int n) { return common::FormatFloatMask("@@", n); }

// Cells covered by a line's text, joined, in the original or the assembled line.
std::size_t JoinedCells(const LineRule& line) {
  return line.text.field < 0 ? 0 : static_cast<std::size_t>(std::max(line.text.readCells, line.text.writeCells));
}

std::string Join(const Ci01Record& r, std::size_t cells) {
  std::string s;
  for (std::size_t i = 0; i < cells; ++i) s += r.u[i];
  return s;
}

}  // namespace

std::string PieceSpec::FileName() const { return "ci." + TwoDigits(list); }

std::string PieceSpec::DeletionMark() const { return std::string(fields[keyField].width, '.'); }

const LineRule* PieceSpec::Line(int cv) const {
  for (const LineRule& l : lines)
    if (l.cv == cv) return &l;
  return nullptr;
}

std::string PieceSpec::Get(std::string_view rec, int field) const {
  const PieceField& f = fields[field];
  return common::GetCounted(rec, f.offset, f.width);
}

void PieceSpec::Put(std::string& rec, int field, std::string_view text) const {
  const PieceField& f = fields[field];
  common::PutCounted(rec, f.offset, text, f.width);
}

std::string PieceSpec::EmptyRecord(std::string_view previous) const {
  std::string rec(length, '\0');
  for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
    if (!fields[i].filled) continue;
    char fill = i == keyField ? '0' : ' ';
    Put(rec, i, std::string(fields[i].width, fill));
  }
  if (keepDate && previous.size() == static_cast<std::size_t>(length)) Put(rec, dateField, Get(previous, dateField));
  return rec;
}

const std::vector<PieceSpec>& PieceSpecs() {
  static const std::vector<PieceSpec> specs = {List10(),     List11(),     List14(), List15(), List20(20, "Datum"),
                                               List21(21),   List21(22),   List20(23, "Datum změny"),
                                               List21(26),   List27(),     List28(), List30(), List61(),
                                               List62(),     List63()};
  return specs;
}

const PieceSpec* FindPiece(int list) {
  for (const PieceSpec& s : PieceSpecs())
    if (s.list == list) return &s;
  return nullptr;
}

std::vector<int> PieceOrder() {
  std::vector<int> order;
  for (const PieceSpec& s : PieceSpecs()) order.push_back(s.list);
  order.push_back(kRestList);
  return order;
}

int ListNumber(std::string_view ts) { return common::TextToInt(ts); }

bool ApplyRecord(const PieceSpec& spec, const Ci01Record& r, std::string& piece) {
  if (r.p != spec.requiredP) return false;
  const LineRule* line = spec.Line(common::TextToInt(r.cv));
  if (!line) return false;
  if (line->cv == 0) {
    const int w = spec.fields[spec.keyField].width;
    spec.Put(piece, spec.keyField, common::Copy(r.klic, 7 - w, w));
    spec.Put(piece, spec.dateField, r.date);
  }
  int first = 0;
  if (line->text.field >= 0) {
    spec.Put(piece, line->text.field, Join(r, line->text.readCells) + line->text.readSuffix);
    first = line->text.writeCells;
  }
  for (int c = first; c < 5; ++c) {
    int at = 1;
    for (const CellPart& part : line->cells[c]) {
      if (part.field < 0) {
        at += part.blanks;
      } else {
        const int w = spec.fields[part.field].width;
        spec.Put(piece, part.field, common::Copy(r.u[c], at, w));
        at += w;
      }
    }
  }
  return true;
}

bool RecordDecodes(int list, std::string_view rec) {
  auto fits = [&](int offset, int width) {
    return static_cast<std::size_t>(offset) < rec.size() && static_cast<unsigned char>(rec[offset]) <= width;
  };
  if (const PieceSpec* spec = FindPiece(list)) {
    for (const PieceField& f : spec->fields)
      if (!fits(f.offset, f.width)) return false;
    return true;
  }
  return Ci01Record::Decodes(rec);
}

std::vector<Ci01Record> AssembleEntry(const PieceSpec& spec, std::string_view piece) {
  std::vector<Ci01Record> out;
  if (spec.Get(piece, spec.keyField) == spec.DeletionMark() || TextBlank(spec.Get(piece, spec.nameField))) return out;
  Ci01Record line = Ci01Record::Blank();
  line.ts = TwoDigits(spec.list);
  line.klic = common::Copy(spec.keyPrefix + spec.Get(piece, spec.keyField), 1, 6);
  line.p = spec.requiredP;
  line.date = spec.Get(piece, spec.dateField);
  for (const LineRule& rule : spec.lines) {
    if (!Holds(spec, rule, piece)) continue;
    line.cv = TwoDigits(rule.cv);
    int first = 0;
    if (rule.text.field >= 0) {
      const std::string text = spec.Get(piece, rule.text.field);
      for (int c = 0; c < rule.text.writeCells; ++c) line.u[c] = common::Copy(text, 6 * c + 1, 6);
      first = rule.text.writeCells;
    }
    for (int c = first; c < 5; ++c) {
      if (rule.cells[c].empty()) {
        line.u[c] = "      ";
        continue;
      }
      std::string cell;
      for (const CellPart& part : rule.cells[c])
        cell += part.field < 0 ? std::string(part.blanks, ' ') : spec.Get(piece, part.field);
      line.u[c] = common::Copy(cell, 1, 6);
    }
    out.push_back(line);
  }
  return out;
}

int ProgressStep(const PieceSpec& spec, std::size_t lines) {
  if (lines > 0 && (spec.list == 10 || spec.list == 30)) return 2;
  return static_cast<int>(lines);
}

bool EntryRoundTrips(const PieceSpec& spec, const std::vector<Ci01Record>& lines, std::string_view piece) {
  const std::vector<Ci01Record> back = AssembleEntry(spec, piece);
  if (back.empty()) return false;
  std::set<std::string> seen;
  for (const Ci01Record& original : lines) {
    if (!seen.insert(original.cv).second) return false;
    auto again = std::find_if(back.begin(), back.end(), [&](const Ci01Record& b) { return b.cv == original.cv; });
    if (again == back.end()) {
      if (std::any_of(original.u.begin(), original.u.end(),
                      [](const std::string& c) { return !common::StripRightSp(c).empty(); }))
        return false;
      continue;
    }
    if (again->ts != original.ts || again->klic != original.klic || again->p != original.p) return false;
    const LineRule* rule = spec.Line(common::TextToInt(original.cv));
    const std::size_t joined = JoinedCells(*rule);
    if (common::StripRightSp(Join(original, joined)) != common::StripRightSp(Join(*again, joined))) return false;
    for (std::size_t c = joined; c < 5; ++c)
      if (common::StripRightSp(original.u[c]) != common::StripRightSp(again->u[c])) return false;
  }
  return true;
}

}  // namespace combined
