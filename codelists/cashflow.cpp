#include "codelists/cashflow.h"

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "codelists/lists.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"

namespace codelists {

using common::Cz;

namespace {

constexpr std::string_view kBrowseKeys = " F1-Help  F10=Opis  F4-Nová ";
constexpr int kTerms = 16;
constexpr int kFirstTerm = 13;  // field of term 1's source; a term is four fields
constexpr int kFirstText = 3;   // "1.text "
constexpr int kKam = 12;

// The 77 fields of "CI28.dta" and "CI29.dta".
const std::vector<FieldSpec>& CashFlowFields() {
  static const std::vector<std::string> captions = [] {
    std::vector<std::string> c;
    for (int i = 1; i <= 9; ++i) c.push_back(std::to_string(i) + ".text ");
    return c;
  }();
  static const std::vector<FieldSpec> fields = [] {
    static constexpr std::string_view k30 = "                              ";
    std::vector<FieldSpec> f{{"Klíč ", "P", "000", 1, 4}, {"název  ", " ", k30, 2, 2}};
    for (int i = 0; i < 9; ++i)
      f.push_back({captions[static_cast<std::size_t>(i)], " ", k30, static_cast<std::uint8_t>(i < 4 ? 3 + i : 2 + i - 4),
                   static_cast<std::uint8_t>(i < 4 ? 2 : 42)});
    f.push_back({"Kam ", " ", "   ", 7, 5});
    for (int t = 1; t <= kTerms; ++t) {
      const auto line = static_cast<std::uint8_t>(t <= 9 ? 7 + t : t - 2);
      const int a = t <= 9 ? 3 : 49;
      f.push_back({"Odkud ", "Y", "      ", line, static_cast<std::uint8_t>(a)});
      f.push_back({"MD ", "Y", "   ", line, static_cast<std::uint8_t>(a + 15)});
      f.push_back({"+ ", " ", " ", line, static_cast<std::uint8_t>(a + 23)});
      f.push_back({"Úč-Ř ", "Y", "      ", line, static_cast<std::uint8_t>(a + 29)});
    }
    f.push_back({"Datum změny ", " ", "      ", 17, 3});
    return f;
  }();
  return fields;
}

CodeListSpec CashFlowBase(int listNo, std::string_view cls, std::string_view caption, std::string_view tag) {
  CodeListSpec s;
  s.listNo = listNo;
  s.className = cls;
  s.caption = caption;
  s.recordLength = 645;
  s.fields = CashFlowFields();
  s.dateField = 77;
  s.look = Look({1, 1, 110, 25}, {1, 1, 100, 20}, tag, kBrowseKeys);
  return s;
}

}  // namespace

const std::vector<int>& CashFlowColumnFields() {
  static const std::vector<int> order = [] {
    std::vector<int> o{1, 2, 3, 12};
    for (int f = kFirstTerm; f < kFirstTerm + 4 * kTerms; ++f) o.push_back(f);
    o.push_back(77);
    for (int f = 4; f <= 11; ++f) o.push_back(f);
    return o;
  }();
  return order;
}

// ---------------------------------------------------------------- TfCis28

const CodeListSpec& Cis28Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s = CashFlowBase(28, "TfCis28", "CASH FLOW", " Cash Flow");
    s.deleted = BlankKey(3);
    s.sortNotice = "Třídím číselnik";
    s.stamp = StampPolicy::OnChangedFlag;
    for (int f : CashFlowColumnFields()) s.headers.push_back(CashFlowFields()[static_cast<std::size_t>(f - 1)].caption);
    s.listing.width = 130;
    s.listing.title = "Osnova CashFlow (28)";
    s.listing.header = ListingHeader::Custom;
    s.listing.line = ListingLine::Custom;
    s.menu = {{"A1", "Opis", MenuAction::Print}, {"b1", "Převod 20-22 na 27-26", MenuAction::Custom, TfCis28::kConvert}};
    return s;
  }();
  return spec;
}

std::string TfCis28::RecordToColumns(std::int32_t n) {
  const std::string joined = CodeListWindow::RecordToColumns(n);
  const std::vector<std::string> texts(ColumnTexts.begin(), ColumnTexts.begin() + 78);
  const std::vector<int>& order = CashFlowColumnFields();
  for (std::size_t c = 1; c <= order.size(); ++c) ColumnTexts[c] = texts[static_cast<std::size_t>(order[c - 1])];
  return joined;
}

void TfCis28::CashFlowSourceConversion() {
  UsePhysicalOrder();
  RewriteEachRecord([this](std::int32_t n) {
    RecordReadAt(n);
    if (!IoOk()) return false;
    for (int t = 0; t < kTerms; ++t) {
      const auto at = static_cast<std::size_t>(FieldOffset(kFirstTerm + 4 * t));
      const std::string source = common::GetCounted(RecordBuffer, at, 6);
      if (source == "    20") common::PutCounted(RecordBuffer, at, "    27", 6);
      if (source == "    22") common::PutCounted(RecordBuffer, at, "    26", 6);
    }
    RecordWriteAt(n);
    return IoOk();
  });
  RepaintPage();
}

void TfCis28::MenuCommand(int id) {
  if (id == kConvert) CashFlowSourceConversion();
}

std::vector<std::string> TfCis28::ListingHeaderLines(int page) {
  const common::Session& s = common::CurrentSession();
  std::vector<std::string> lines;
  if (page > 1 || s.NovyList) lines.push_back("\f");
  lines.insert(lines.end(), {"", ""});
  lines.push_back(s.FirmTitle + std::string(13, ' ') + ListingTitle() + std::string(10, ' ') + "List:" +
                  common::IntToText(page, 3) + " Datum: " + common::TodayText());
  lines.push_back("");
  lines.push_back(Cz("klíč řádek       kam odkud Md +   účet odkud Md +   účet "
                     "odkud Md +   účet odkud Md +   účet odkud Md +   účet odkud Md +   účet "));
  lines.push_back(std::string(129, '='));
  return lines;
}

std::string TfCis28::ListingLineOf(std::int32_t n) {
  RecordRead(n);
  auto text = [this](int f) { return common::GetCounted(RecordBuffer, static_cast<std::size_t>(FieldOffset(f)), Field(f).width); };
  std::string line = text(1) + " " + common::Copy(text(kFirstText), 1, 12) + " " + text(kKam);
  for (int t = 0; t < 7; ++t) {
    const int f = kFirstTerm + 4 * t;
    line += text(f) + text(f + 1) + " " + text(f + 2) + " " + text(f + 3);
  }
  if (line.size() > 132) line.resize(132);
  return line;
}

void SetupCis28(TfCis28& w, std::string_view file) {
  w.FileName = std::string(file);
  w.Setup();
  w.HeaderLine = CaptionLine(w, CashFlowColumnFields());
  if (file.size() < 4 || file[3] != '8') {
    constexpr ui::Color kOtherFile = 0xEFEFFF;
    w.GridColor = w.SavedGridColor = kOtherFile;
    w.sgRol.SetColor(kOtherFile);
  }
}

bool SortCis28(TfCis28& w) { return w.SortFile(); }

TfCis28& fCis28() { return browser::SingleWindow<TfCis28>(); }

// ---------------------------------------------------------------- TfCis29

const CodeListSpec& Cis29Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s = CashFlowBase(29, "TfCis29", "29 - Cash flow", " CI29 ");
    s.file = "CI29.dta";
    s.deleted = {1, DeletedTest::StartsWith, ".", 0, {{1, "..."}}};
    s.stamp = StampPolicy::EveryWrite;
    s.reposition = Reposition::None;
    s.closeSort = CloseSort::Never;
    s.deletePolicy = DeletePolicy::MarkerInPlace;
    s.afterDelete = AfterDelete::StayInPlace;
    s.listing.report = "";
    s.menu = {{"j1", "Překóduj", MenuAction::Recode}};
    s.recodeFields = {2};
    return s;
  }();
  return spec;
}

void SetupCis29(TfCis29& w) { w.Setup(); }

bool SortCis29(TfCis29& w) {
  if (!w.DataFileUsable()) return false;
  const std::string path = w.DataFilePath;
  browser::ShowBlik(Cz("Třídím číselnik"));
  // The in-use lock goes; the write lock waits for every other user.
  common::UnlockFile(path);
  if (common::StoppedAtWait(common::LockFile(path, "W"), path)) {
    browser::CloseBlik();
    return false;
  }
  const bool sorted = w.SortFile();
  // Taken anew: the window's close gives back this user's first lock, the write lock.
  common::UnlockFile(path);
  common::LockFile(path, "W");
  browser::CloseBlik();
  return sorted;
}

TfCis29& fCis29() { return browser::SingleWindow<TfCis29>(); }

}  // namespace codelists
