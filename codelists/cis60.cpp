#include "codelists/cis60.h"

#include <memory>

#include "browser/listing.h"
#include "codelists/lists.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"

namespace codelists {

using common::Cz;

namespace {

constexpr int kPrintCommand = 1;
constexpr std::size_t kListingWidth = 132;

// Fields 9-28: the main debit and credit accounts, then the pairs 01 to 09, one pair a
// line from line 5 (the main pair indented to column 5).
void AddAccountFields(std::vector<FieldSpec>& f) {
  static const std::vector<std::string> captions = [] {
    std::vector<std::string> c{"Účet MD ", "Účet Dal "};
    for (int n = 1; n <= 9; ++n) {
      c.push_back("0" + std::to_string(n) + " Účet MD ");
      c.push_back("Účet Dal ");
    }
    return c;
  }();
  for (int p = 0; p < 10; ++p) {
    const auto line = static_cast<std::uint8_t>(5 + p);
    f.push_back({captions[static_cast<std::size_t>(2 * p)], "Y", "      ", line, static_cast<std::uint8_t>(p == 0 ? 5 : 2)});
    f.push_back({captions[static_cast<std::size_t>(2 * p + 1)], "Y", "      ", line, 24});
  }
}

const std::vector<FieldSpec>& Cis60Fields() {
  static const std::vector<FieldSpec> fields = [] {
    std::vector<FieldSpec> f{{"Klíč ML ", "P", "000", 1, 2},
                             {" ", " ", "                         ", 1, 15},
                             {"  Stálý (1-ANO)", " ", " ", 2, 2},
                             {" Do prům.na dovol.", " ", " ", 2, 22},
                             {" Do v.z.zdrav.poj.", " ", " ", 2, 44},
                             {"Do v.z.soc.poj.", " ", " ", 3, 2},
                             {"      Odbor.přísp.", " ", " ", 3, 22},
                             {" Přesčas rozp.org.", " ", " ", 3, 44}};
    AddAccountFields(f);
    const std::vector<FieldSpec> tail{
        {"Rozúčtuj MD  dle OSČ ", " ", " ", 15, 2},
        {"Rozúčtuj Dal dle OSČ ", " ", " ", 16, 2},
        {"Naše poznámka        ", "X", "                                                  ", 17, 2},
        {"Vaše poznámka        ", "X", "                                                  ", 18, 2},
        {"rezerva        ", "X", "                              ", 19, 2},
        {"rezerva        ", "X", "                              ", 20, 2},
        {"Datum změny ", " ", "      ", 21, 2}};
    f.insert(f.end(), tail.begin(), tail.end());
    return f;
  }();
  return fields;
}

const std::vector<FieldSpec>& Cis61Fields() {
  static const std::vector<FieldSpec> fields = [] {
    std::vector<FieldSpec> f{{"Klíč ML ", "P", "000", 1, 2},
                             {" ", " ", "                  ", 1, 15},
                             {"Stálý (1-ANO) ", " ", " ", 2, 2},
                             {"Dovolená do prům ", " ", " ", 2, 22},
                             {"Zdravotní do prům ", " ", " ", 2, 44},
                             {"Soc. do prům  ", " ", " ", 3, 2},
                             {"Odb.přísp        ", " ", " ", 3, 22},
                             {"Přesčas rozp.org. ", " ", " ", 3, 44}};
    AddAccountFields(f);
    f.push_back({"Rozúčtuj MD  dle OSČ ", " ", " ", 15, 2});
    f.push_back({"Rozúčtuj Dal dle OSČ ", " ", " ", 16, 2});
    f.push_back({"Datum změny ", " ", "      ", 17, 2});
    return f;
  }();
  return fields;
}

// The column headers of lists 60 and 60b, one per field (the date has none).
const std::vector<std::string_view>& Cis60Headers() {
  static const std::vector<std::string> accounts = [] {
    std::vector<std::string> h{"úč.MD ", "úč.DAL"};
    for (int n = 1; n <= 9; ++n) {
      h.push_back("MD0" + std::to_string(n) + "  ");
      h.push_back("DAL0" + std::to_string(n) + " ");
    }
    return h;
  }();
  static const std::vector<std::string_view> headers = [] {
    std::vector<std::string_view> h{"KL ", "Název                    ", "S", "D", "Z", "S", "O", "P"};
    h.insert(h.end(), accounts.begin(), accounts.end());
    h.insert(h.end(), {"M", "D", "Naše poznámka", "Vaše poznámka", "Rezerva", "Rezerva", ""});
    return h;
  }();
  return headers;
}

CodeListSpec PayrollKeySpec(int no, std::string_view cls, std::string_view caption, std::string_view file, int length,
                            std::span<const FieldSpec> fields, std::string_view tag, int gridRows) {
  CodeListSpec s = KeyedListSpec(no, cls, caption, file, length, fields, 3, "Třídím seznam účtů",
                                 Look({30, 1, 100, 24}, {1, 1, 100, gridRows}, tag, " F1-Help  F10=Opis  F4-Nová "));
  s.listing.report = {};
  return s;
}

CodeListSpec Cis60Table(std::string_view cls, std::string_view caption, StampPolicy stamp) {
  CodeListSpec s = PayrollKeySpec(60, cls, caption, "CI60.dta", kCi60Layout.length, Cis60Fields(), " CI60 ", 22);
  s.stamp = stamp;
  s.headers = Cis60Headers();
  s.listing.report = "CI_OPIS";
  s.listing.width = static_cast<int>(kListingWidth);
  s.listing.title = "Klíče ML od roku 2008 (60)";
  s.menu = {{"i1", "Opis", MenuAction::Custom, kPrintCommand}};
  s.recodeFields = {2};
  return s;
}

std::string Cut(std::string s, std::size_t n) {
  if (s.size() > n) s.resize(n);
  return s;
}

std::string WithoutBlanks(std::string s) {
  std::erase(s, ' ');
  return s;
}

bool HasText(const std::string& s) { return s.find_first_not_of(' ') != std::string::npos; }

// The first account of the pairs carries the hint "KT" at column 5, line 2.
void MarkAccountHint(CodeListWindow& w) {
  browser::FieldDescriptor& account = w.Field(11);
  account.hint = "KT";
  account.hintColumn = 5;
  account.hintLine = 2;
}

}  // namespace

std::string Ci60ReferenceFile() { return "=" + common::ProgDir("\\ci\\ci60.dta"); }

const CodeListSpec& Cis60Spec() {
  static const CodeListSpec spec = Cis60Table("TfCis60", "Klíče ML od r.2008", StampPolicy::OnChangedFlag);
  return spec;
}

const CodeListSpec& Cis60bSpec() {
  static const CodeListSpec spec = Cis60Table("TfCis60b", "VZOR Klíče ML od r.2008  (v \\CI)", StampPolicy::EveryWrite);
  return spec;
}

const CodeListSpec& Cis61Spec() {
  static const CodeListSpec spec =
      PayrollKeySpec(61, "TfCis61", "Klíče ML", "CI61.DTA", kCi61Layout.length, Cis61Fields(), " CI61 ", 20);
  return spec;
}

// ---------------------------------------------------------------- lists 60 and 60b

Cis60Window::Cis60Window(std::string componentName, const CodeListSpec& spec)
    : CodeListWindow(std::move(componentName), spec) {
  // "Překóduj" is there but hidden.
  ui::MenuItem* recode = PopupMenu1.Find("j1");
  if (!recode) recode = &PopupMenu1.AddItem("j1", "");
  recode->caption = Cz("Překóduj");
  recode->visible = false;
  recode->onClick = [this](ui::MenuItem&) {
    CodeListRecode();
    RepaintPage();
  };
}

void Cis60Window::SetupOn(const std::string& file) {
  file_ = file;
  Setup();
  // No header line of captions: the title stays.
  Title = HeaderLine = Cz(" Klíče ML ");
  MarkAccountHint(*this);
}

void Cis60Window::MenuCommand(int id) {
  if (id == kPrintCommand) PrintListing();
}

std::vector<std::string> Cis60Window::ListingHeader(int page) const {
  const common::Session& s = common::CurrentSession();
  auto header = [this](int f) { return HeaderTexts[static_cast<std::size_t>(f)]; };
  std::vector<std::string> lines;
  if (page > 1 || s.NovyList) lines.push_back("\f");
  lines.insert(lines.end(), {"", ""});
  lines.push_back(s.FirmTitle + std::string(13, ' ') + Cz(spec().listing.title) + std::string(20, ' ') + "List:" +
                  common::IntToText(page, 3) + " Datum: " + common::TodayText());
  lines.push_back("");
  std::string first = header(1) + " " + header(2) + " ";
  for (int f = 3; f <= 7; ++f) first += header(f);
  for (int f = 8; f <= 18; ++f) first += header(f) + " ";
  lines.push_back(Cut(first + Cz("Naše poznámka"), kListingWidth));
  std::string second = "      M D" + std::string(28, ' ');
  for (int f = 19; f <= 28; ++f) second += header(f) + " ";
  lines.push_back(Cut(second + Cz("Vaše poznámka"), kListingWidth));
  lines.push_back(std::string(kListingWidth, '='));
  return lines;
}

std::vector<std::string> Cis60Window::ListingLines(const std::string& record) const {
  auto field = [&](int f) { return FieldOf(record, f); };
  std::string first = field(1) + " " + field(2) + " ";
  for (int f = 3; f <= 8; ++f) first += field(f);
  first += " ";
  for (int f = 9; f <= 16; ++f) first += field(f) + " ";
  first += WithoutBlanks(field(17) + " " + field(18)) + " " + field(31);
  std::vector<std::string> lines{first};
  if (common::TextToInt(field(1)) > 100) {
    std::string second = std::string(5, ' ') + field(29) + " " + field(30) + std::string(33, ' ');
    for (int f = 19; f <= 26; ++f) second += field(f) + " ";
    second = Cut(second + WithoutBlanks(field(27) + " " + field(28) + " ") + field(32), kListingWidth);
    if (HasText(second)) lines.push_back(second);
  }
  return lines;
}

void Cis60Window::PrintListing() {
  UsePhysicalOrder();
  browser::RecordListing listing;
  listing.report = std::string(spec().listing.report);
  listing.width = spec().listing.width;
  listing.count = Count;
  listing.header = [this](int page) { return ListingHeader(page); };
  listing.lines = [this](std::int32_t n) {
    RecordRead(n);
    return ListingLines(RecordBuffer);
  };
  listing.limitMargin = 2;
  listing.source = this;
  browser::PrintRecordListing(listing);
}

// ---------------------------------------------------------------- set-up and instances

void SetupCis60(TfCis60& w) { w.SetupOn({}); }
void SetupCis60b(TfCis60b& w, const std::string& fileName) { w.SetupOn(fileName); }
void SetupCis61(TfCis61& w) {
  w.Setup();
  w.Title = Cz(" Klíče ML ");
  MarkAccountHint(w);
}

namespace {

struct Windows {
  std::unique_ptr<TfCis60> cis60;
  std::unique_ptr<TfCis60b> cis60b;
  std::unique_ptr<TfCis61> cis61;
};

Windows& Instances() {
  static Windows w;
  return w;
}

}  // namespace

TfCis60& fCis60() { return Instance(Instances().cis60); }
TfCis60b& fCis60b() { return Instance(Instances().cis60b); }
TfCis61& fCis61() { return Instance(Instances().cis61); }
void DestroyCis60Windows() { Instances() = {}; }

void RegisterCis60Windows(ui::WindowRegistry& registry) {
  registry.Add("TfCis60", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfCis60"), args, 0, 0);
    TfCis60& w = fCis60();
    SetupCis60(w);
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfCis60b", "[file]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfCis60b"), args, 0, 1);
    TfCis60b& w = fCis60b();
    SetupCis60b(w, args.empty() ? Ci60ReferenceFile() : args[0]);
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfCis61", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfCis61"), args, 0, 0);
    TfCis61& w = fCis61();
    SetupCis61(w);
    w.ShowModal();
    w.CloseBrowse();
  });
}

}  // namespace codelists
