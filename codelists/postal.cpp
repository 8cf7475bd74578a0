#include "codelists/postal.h"

#include <memory>

#include "browser/entries.h"
#include "browser/listing.h"
#include "codelists/lists.h"
#include "common/codepages.h"
#include "common/convert.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"

namespace codelists {

using common::Cz;

namespace {

constexpr std::string_view k50 = "                                                  ";
constexpr std::string_view k30 = "                              ";
constexpr std::string_view kNoPsc = "00000";

// Offsets of the postal-code record: PSČ[5], Obec[50], Pošta[50], Okres[50].
constexpr std::size_t kObecAt = 6, kPostaAt = 57, kOkresAt = 108;

const std::vector<FieldSpec>& PscFields() {
  static const std::vector<FieldSpec> f = {
      {"PSČ   ", "P", "00000", 1, 2}, {"Obec  ", "X", k50, 2, 2}, {"Pošta ", "X", k50, 3, 2}, {"Okres ", "X", k50, 4, 2}};
  return f;
}

const std::vector<FieldSpec>& ObceFields() {
  static const std::vector<FieldSpec> f = {
      {"IČO              ", " ", "        ", 1, 2},     {"IČO ZUJ          ", " ", "            ", 2, 2},
      {"ORP              ", " ", "    ", 3, 2},         {"Název            ", " ", k30, 4, 2},
      {"Okres            ", " ", "                    ", 5, 2}, {"Název bez diakr. ", " ", k30, 6, 2},
      {"PSČ              ", " ", "     ", 7, 2},         {"rez              ", " ", k30, 8, 2}};
  return f;
}

constexpr std::string_view kBlankZuj = "            ";

enum Command { kReload = 1 };

std::string Padded(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

}  // namespace

const CodeListSpec& PscSpec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.className = "Tfpsc";
    s.caption = "PSČ - obec-pošta-okres";
    s.recordLength = 159;
    s.fields = PscFields();
    s.deleted = {1, DeletedTest::Equals, ".....", 0, {{1, "....."}}};
    s.look = Look({45, 1, 90, 15}, {1, 1, 80, 20}, " PSČ - obec-pošta-okres ", " F1-Help F4-Nová ");
    s.look.gridColor = ui::Rgb(0xD0, 0xFF, 0xD0);
    s.stamp = StampPolicy::OnChangedFlag;  // no date field: the write only clears the flag
    s.reposition = Reposition::None;
    s.closeSort = CloseSort::Never;
    s.deletePolicy = DeletePolicy::MarkerInPlace;
    s.afterDelete = AfterDelete::StayInPlace;
    s.listing.report = "";
    return s;
  }();
  return spec;
}

const CodeListSpec& ObceSpec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.className = "TfObce";
    s.caption = "Obce";
    s.file = "obce.DTA";
    s.recordLength = 147;
    s.fields = ObceFields();
    s.key = {{6}, KeyCompare::Bytes, {}};
    // The sort keeps the records with a name; F8 blanks "IČO ZUJ" of the template copy.
    s.deleted = {6, DeletedTest::AllBlank, "", 0, {{2, kBlankZuj}}};
    s.sortNotice = "Třídím Obce";
    s.look = Look({45, 1, 90, 15}, {1, 1, 80, 20}, " Obce ", " F1-Help F4-Nová F5-doplň PSČ  F10-Opis ");
    // Colours are blue-green-red as the window's resource keeps them.
    s.look.gridColor = ui::Rgb(0xD0, 0xFF, 0xD0);
    s.look.gridFontColor = s.look.editFontColor = ui::Rgb(0xFF, 0xFF, 0xA0);
    s.stamp = StampPolicy::None;
    s.closeSort = CloseSort::Never;  // CloseBrowse below
    s.guards = {true, true, true, kEditRefusal, kAddRefusal, kDeleteRefusal};
    // Columns 1 to 7; field 8 is kept but not shown.
    for (std::size_t i = 0; i < 7; ++i) s.headers.push_back(ObceFields()[i].caption);
    s.listing.report = "Obce";
    s.listing.width = 132;
    s.listing.header = ListingHeader::Custom;
    s.listing.line = ListingLine::Custom;
    s.listing.linesAfterHeader = 5;
    s.menu = {{"A1", "Načti z číselníku", MenuAction::Custom, kReload}, {"i1", "Opis", MenuAction::Print}};
    return s;
  }();
  return spec;
}

std::function<std::string()>& PscTownSource() {
  static std::function<std::string()> source;
  return source;
}

std::string PscSearchForm(std::string_view text) {
  return common::RemoveSpaces(common::UpperCz(common::StripDiacritics(text)));
}

std::int32_t PscFind(std::int32_t count, const std::function<std::string(std::int32_t)>& record, std::string_view name,
                     std::string_view district, bool byPostOffice) {
  const std::string typed = PscSearchForm(name), typedDistrict = PscSearchForm(district);
  if (typed.empty() || count < 1) return 0;  // an empty query matches nothing
  const bool withDistrict = !typedDistrict.empty();
  auto field = [](const std::string& r, std::size_t at) { return common::GetCounted(r, at, 50); };
  // The bisection runs over the municipality keys, for either search.
  const std::int32_t hit = common::BinarySearchRec(
      typed + (withDistrict ? typedDistrict : std::string()), 1, count,
      [&](std::int32_t n) {
        const std::string r = record(n);
        return PscSearchForm(field(r, kObecAt)) + (withDistrict ? PscSearchForm(field(r, kOkresAt)) : std::string());
      },
      0);
  if (hit >= 1) return hit;
  for (std::int32_t n = 1; n <= count; ++n) {
    const std::string r = record(n);
    std::string own = PscSearchForm(field(r, byPostOffice ? kPostaAt : kObecAt));
    std::string ownDistrict = PscSearchForm(field(r, kOkresAt));
    if (!byPostOffice && own.size() > typed.size()) own.resize(typed.size());
    if (ownDistrict.size() > typedDistrict.size()) ownDistrict.resize(typedDistrict.size());
    if (own == typed && ownDistrict == typedDistrict) return n;
  }
  return 0;
}

// ---------------------------------------------------------------- postal codes

Tfpsc::Tfpsc()
    : CodeListWindow("fpsc", PscSpec()), Button1(Add<ui::Button>("Button1")), bpscp(Add<ui::Button>("bpscp")) {
  Button1.SetText(Cz("Ctrl+F3 = Hledej PSČ (podle-obec,okres)"));
  bpscp.SetText(Cz("Alt+F3 = Hledej PSČ (podle-pošta,okres)"));
  Button1.onClick = [this](ui::Control&) { SearchByName(false); };
  bpscp.onClick = [this](ui::Control&) { SearchByName(true); };
  RowReserve = 2;  // the buttons' line between the search row and the key line
}

std::string Tfpsc::ListFileName() const { return "=" + common::ProgDir("\\2\\PSC.dta"); }

// Side by side right above the key line, in the room the list keeps there.
void Tfpsc::PlaceButtons() {
  const int top = lHelp.top() - 27;
  Button1.SetBounds(8, top, 300, 25);
  bpscp.SetBounds(316, top, 300, 25);
}

std::string Tfpsc::RecordKey(std::int32_t n) {
  if (n >= 1 && n <= Count) RecordRead(n);
  return {};
}

void Tfpsc::NewRecord() {
  CodeListWindow::NewRecord();
  Changed = true;
}

void Tfpsc::CacheRecords() {
  cache_.clear();
  for (std::int32_t n = 1; n <= Count; ++n) {
    RecordReadAt(n);
    if (!IoOk()) {
      cache_.clear();
      return;
    }
    cache_.push_back(RecordBuffer);
  }
}

std::string Tfpsc::Find(std::string_view name, std::string_view okres, bool byPostOffice) {
  const bool cached = !cache_.empty() && static_cast<std::int32_t>(cache_.size()) == Count;
  const std::int32_t n = PscFind(
      Count,
      [&](std::int32_t i) -> std::string {
        if (cached) return cache_[static_cast<std::size_t>(i - 1)];
        RecordReadAt(i);
        return RecordBuffer;
      },
      name, okres, byPostOffice);
  if (n < 1) return std::string(kNoPsc);
  Current = n;
  const std::string r = cached ? cache_[static_cast<std::size_t>(n - 1)] : (RecordReadAt(n), RecordBuffer);
  return common::GetCounted(r, 0, 5);
}

std::string Tfpsc::PscFindByObec(std::string_view obec, std::string_view okres) { return Find(obec, okres, false); }
std::string Tfpsc::PscFindByPosta(std::string_view posta, std::string_view okres) { return Find(posta, okres, true); }

void Tfpsc::SearchByName(bool byPostOffice) {
  const std::string town = PscTownSource() ? PscTownSource()() : std::string();
  const browser::FieldsResult r =
      browser::AskFields(10, 10, nullptr, Cz(byPostOffice ? "Hledaná pošta" : "Hledaná obec"),
                         {Cz(byPostOffice ? "Pošta" : "Obec"), town + std::string(k50), "Okres", std::string(k50)});
  if (r.confirmed && r.answers.size() >= 2) {
    if (byPostOffice)
      PscFindByPosta(r.answers[0], r.answers[1]);
    else
      PscFindByObec(r.answers[0], r.answers[1]);
  }
  GoToRecord(Current, 0);
  FocusControl(&sgRol);
}

void SetupPsc(Tfpsc& w) {
  w.DropCache();
  w.Setup();
  w.PlaceButtons();
}

// ---------------------------------------------------------------- municipalities

void TfObce::BeforeOpen() {
  try {
    // The "," form: a data folder without the file converts nothing and says nothing. A
    // copy beside it that cannot go back (said) keeps it read only while the copy waits.
    const common::LayoutCheck c =
        common::ConvertLayout(common::DataDir("obce,dta"), common::DataDir("obce.dta"),
                              common::ProgDir("\\dlib\\obce_puv.pol"), common::ProgDir("\\dlib\\obce.pol"));
    if (c.outcome == common::LayoutCheck::CopyLeft) OpenAs(ListOpening::CopyKept);
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" pise soubor: ", e.file, e.code);
  }
}

std::string TfObce::RecordSearchText(std::int32_t n) {
  RecordRead(n);
  return common::UpperCz(common::StripDiacritics(FieldOf(RecordBuffer, 4)));
}

void TfObce::RecordWrite(std::int32_t n) {
  PutField(RecordBuffer, 6, common::Copy(common::UpperCz(common::StripDiacritics(FieldOf(RecordBuffer, 4))), 1, 30));
  CodeListWindow::RecordWrite(n);
}

void TfObce::CloseBrowse() {
  if (DataFileUsable() && Count > 0) {
    UsePhysicalOrder();
    RecordRead(1);
    if (IoOk() && FileFree() && FieldOf(RecordBuffer, 2) == kBlankZuj) SortFile();
  }
  browser::TfSoub::CloseBrowse();
}

void TfObce::MenuCommand(int) { RepaintPage(); }

void TfObce::FillPostalCodes() {
  if (Count < 1) return;
  browser::ReportWriter* out = browser::CurrentReportWriter();
  if (out) out->OpenReportOut("PSCchybi", 80);
  UsePhysicalOrder();
  Tfpsc& psc = fpsc();
  SetupPsc(psc);
  psc.CacheRecords();  // every municipality searches the whole register
  RewriteEachRecord([&](std::int32_t n) {
    RecordRead(n);
    if (!IoOk()) return false;
    browser::ShowBlik(common::FormatFloatMask("######", n));
    if (common::TextToInt(FieldOf(RecordBuffer, 7)) != 0) return true;
    const std::string name = FieldOf(RecordBuffer, 4), district = FieldOf(RecordBuffer, 5);
    std::string code = psc.PscFindByObec(name, district);
    if (common::TextToInt(code) == 0) code = psc.PscFindByPosta(name, district);
    PutField(RecordBuffer, 7, common::Copy(code, 1, 5));
    if (common::TextToInt(code) != 0) {
      RecordWrite(n);
      return IoOk();
    }
    if (out) out->WriteReportLine(common::FormatFloatMask("#####", n) + " : " + name);
    return true;
  });
  browser::CloseBlik();
  psc.DropCache();
  psc.CloseBrowse();
  if (out) out->CloseReportOut();
  browser::PrintReport("PSCchybi");
  RepaintPage();
}

std::vector<std::string> TfObce::ListingHeaderLines(int page) {
  const common::Session& s = common::CurrentSession();
  return {"\f", "",
          s.FirmTitle + std::string(13, ' ') + Cz("Seznam obcí") + " " + std::string(33, ' ') + "L:" +
              common::IntToText(page, 3) + " D:" + common::TodayText(),
          "", Cz("IČO obce  PSČ  Název               Okres"), std::string(94, '=')};
}

std::string TfObce::ListingLineOf(std::int32_t n) {
  RecordRead(n);
  const std::string& r = RecordBuffer;
  return Padded(FieldOf(r, 2), 12) + " " + Padded(FieldOf(r, 7), 5) + " " + Padded(FieldOf(r, 4), 30) + " " +
         Padded(FieldOf(r, 5), 20) + " " + Padded(FieldOf(r, 6), 30);
}

void SetupObce(TfObce& w) {
  w.Setup();
  w.ColumnShown[8] = false;
  w.HeaderLine = CaptionLine(w, {1, 2, 3, 4, 5, 6, 7});
  w.lhled.SetText(Cz("Najdi obec podle názvu[F3]"));
}

// ---------------------------------------------------------------- instances and pickers

namespace {

std::unique_ptr<Tfpsc>& PscSlot() {
  static std::unique_ptr<Tfpsc> p;
  return p;
}
std::unique_ptr<TfObce>& ObceSlot() {
  static std::unique_ptr<TfObce> p;
  return p;
}

}  // namespace

Tfpsc& fpsc() {
  if (!PscSlot()) PscSlot() = std::make_unique<Tfpsc>();
  return *PscSlot();
}
TfObce& fObce() {
  if (!ObceSlot()) ObceSlot() = std::make_unique<TfObce>();
  return *ObceSlot();
}
void DestroyPostalWindows() {
  PscSlot().reset();
  ObceSlot().reset();
}

std::optional<PscRecord> PickPsc(const std::string& town) {
  std::function<std::string()> kept = PscTownSource();
  PscTownSource() = [town] { return town; };
  Tfpsc& w = fpsc();
  std::optional<std::string> r;
  try {
    r = PickRecord(w, [&w] { SetupPsc(w); }, nullptr, false);
  } catch (...) {
    PscTownSource() = kept;
    throw;
  }
  PscTownSource() = kept;
  if (!r) return std::nullopt;
  return PscRecord{common::GetCounted(*r, 0, 5), common::GetCounted(*r, kObecAt, 50), common::GetCounted(*r, kPostaAt, 50),
                   common::GetCounted(*r, kOkresAt, 50)};
}

std::optional<ObecRecord> PickObec() {
  TfObce& w = fObce();
  const std::optional<std::string> r = PickRecord(w, [&w] { SetupObce(w); }, nullptr, false);
  if (!r) return std::nullopt;
  // Offsets of "IČO ZUJ", "Název" and "PSČ" in the 147-byte record.
  return ObecRecord{common::GetCounted(*r, 9, 12), common::GetCounted(*r, 27, 30), common::GetCounted(*r, 110, 5)};
}

}  // namespace codelists
