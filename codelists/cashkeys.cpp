#include "codelists/cashkeys.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

#include "browser/entries.h"
#include "browser/listing.h"
#include "codelists/lists.h"
#include "common/codepages.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"

namespace codelists {

using common::Cz;

namespace {

constexpr int kTextWidth = 27;
constexpr std::size_t kKam = 28, kIn = 29, kOut = 30;
enum { kPrint = 1, kRenumber = 2 };

std::uint8_t ByteAt(const std::string& record, std::size_t at) {
  return at < record.size() ? static_cast<std::uint8_t>(record[at]) : 0;
}

std::string Num3(int n) { return common::FormatFloatMask("###", n); }

bool Free(const std::string& text) { return text.size() < 3 || text.compare(0, 3, "   ") == 0; }

std::string KeyRecord(const std::string& text, int kam, int in, int out) {
  std::string r(kCashKeyLength, '\0');
  std::string t = text.substr(0, kTextWidth);
  t.resize(kTextWidth, ' ');
  common::PutCounted(r, 0, t, kTextWidth);
  r[kKam] = static_cast<char>(kam);
  r[kIn] = static_cast<char>(in);
  r[kOut] = static_cast<char>(out);
  return r;
}

// A number of at most 255 as a byte; anything else is 0.
int ByteValue(std::string_view text) {
  const std::int32_t n = common::TextToInt(text);
  return n >= 0 && n <= 255 ? n : 0;
}

}  // namespace

const CodeListSpec& KlSpec() {
  static const std::vector<FieldSpec> fields = {{"Text    ", "X", "                           ", 1, 2},
                                                {"Kam     ", "###B", "   ", 2, 2},
                                                {"Přijato ", "###B", "   ", 3, 2},
                                                {"Vydáno  ", "###B", "   ", 4, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.className = "TfKl";
    s.caption = "Klíče";
    s.file = "klicew.dta";
    s.recordLength = kCashKeyLength;
    s.fields = fields;
    s.deleted = {1, DeletedTest::LeadingBlanks, {}, 3, {}};
    s.look = Look({41, 19, 92, 25}, {41, 2, 92, 18}, "", " F1=Help Mezera=Oprava Enter=Výběr F10=Menu Esc=Konec ", "");
    s.look.editColor = 0xFFD0D0;
    s.look.gridColor = 0xFFF0F0;
    s.look.startRecord = 1;
    s.stamp = StampPolicy::None;
    s.reposition = Reposition::None;
    s.closeSort = CloseSort::Never;
    s.deletePolicy = DeletePolicy::TemplateInPlace;
    s.afterDelete = AfterDelete::StayInPlace;
    s.headers = {"Klíč", "Text                          ", "Kam"};
    s.listing.report = {};
    s.menu = {{"A1", "Opis klíčů", MenuAction::Custom, kPrint}, {"b1", "Udelej z něj", MenuAction::Custom, kRenumber}};
    return s;
  }();
  return spec;
}

// ---------------------------------------------------------------- the file

bool CreateCashKeyFile() {
  const std::string target = common::DataDir("klicew.dta");
  if (common::CheckFile(target) >= 2) return true;
  std::string bytes;
  const std::string legacy = common::DataDir("klice.dta");
  if (common::CheckFile(legacy) >= 2) {
    std::array<std::pair<int, int>, kCashKeys + 1> pairs{};
    const std::string pairsFile = common::DataDir("kl.dta");
    if (common::CheckFile(pairsFile) > 2) {
      std::string kl;
      if (const int code = common::ReadFileText(pairsFile, kl)) {
        common::FileErrorMessage(" cte soubor: ", pairsFile, code);
        return false;
      }
      for (std::size_t at = 0; at + 10 <= kl.size(); at += 10) {
        const std::string_view rec(kl.data() + at, 10);
        const std::int32_t key = common::TextToInt(common::GetCounted(rec, 0, 3));
        if (key >= 1 && key <= kCashKeys)
          pairs[static_cast<std::size_t>(key)] = {ByteValue(common::GetCounted(rec, 4, 2)),
                                                  ByteValue(common::GetCounted(rec, 7, 2))};
      }
    }
    std::string text;
    if (const int code = common::ReadTextFile(legacy, text)) {
      common::FileErrorMessage(" cte soubor: ", legacy, code);
      return false;
    }
    std::size_t at = 0;
    for (int n = 1; n <= kCashKeys && at < text.size(); ++n) {
      std::size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(at, end - at);
      at = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string name = line.substr(0, std::min<std::size_t>(line.size(), kTextWidth));
      name.resize(kTextWidth, ' ');
      const std::string kam = line.size() > kTextWidth ? line.substr(kTextWidth, 3) : std::string();
      const auto& [in, out] = pairs[static_cast<std::size_t>(n)];
      bytes += KeyRecord(common::KamenickyToCp1250(name), ByteValue(kam), in, out);
    }
  }
  while (bytes.size() < static_cast<std::size_t>(kCashKeys * kCashKeyLength)) bytes += KeyRecord("", 0, 0, 0);
  if (const int code = common::ReplaceFileContents(target, bytes)) {
    common::FileErrorMessage(" pise soubor: ", target, code);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- the window

std::string TfKl::RecordToColumns(std::int32_t n) {
  const std::string line = CodeListWindow::RecordToColumns(n);
  const std::string text = ColumnTexts[1], kam = ColumnTexts[2];
  ColumnTexts[1] = Num3(n);
  ColumnTexts[2] = text;
  ColumnTexts[3] = kam;
  return " " + Num3(n) + " " + line;
}

void TfKl::ShowHelp(int topic) {
  const char* name = topic == 0 ? "Klíče" : topic == 2 ? "Klíče peněžního deníku" : topic == 3 || topic == 4 ? "Směřování klíčů" : nullptr;
  if (name) browser::ShowHelpTopic("\\pd\\pd", Cz(name));
}

void TfKl::NewRecord() {
  if (Count < kCashKeys) CodeListWindow::NewRecord();
}

void TfKl::DeleteRecord(std::int32_t current) {
  if (Count < 1) return;
  UsePhysicalOrder();
  TfSoub::DeleteRecord(current);  // reads the current key and writes it back unchanged
}

void TfKl::FieldCheck(int field, std::string& text) {
  CodeListWindow::FieldCheck(field, text);
  if (field < 2 || field > 4) return;
  const std::string typed = common::AlignText(common::RemoveSpaces(text.substr(0, 3)), "P", " ", 3);
  const std::int32_t n = common::TextToInt(typed);
  // A byte holds no more than 255: a larger number is as wrong as letters.
  if (n > 255 || (field == 2 && Num3(n) != typed)) text = "   ";
}

void TfKl::MenuCommand(int id) {
  if (id == kPrint) PrintKeys();
  if (id == kRenumber) Renumber();
}

void TfKl::Renumber() {
  if (Count < 1) return;
  UsePhysicalOrder();
  std::string answer = "   ";
  if (!browser::AskString(10, 10, Cz("Nové číslo"), answer)) return;
  const std::int32_t k = common::TextToInt(answer);
  if (k < 1 || k > kCashKeys) return;
  RenumberKey(Current, k);
}

bool TfKl::RenumberKey(std::int32_t m, std::int32_t k) {
  if (m < 1 || k < 1 || k > kCashKeys || k == m) return false;
  UsePhysicalOrder();
  // Nobody else writes between the reads and the writes; a failure half way is put back.
  // The keys are counted under that turn.
  const bool done = RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
    const std::int32_t last = std::min<std::int32_t>(kCashKeys, Count);
    if (m > last) return false;
    if (k > last) {
      LaterMessage(Cz("Klíč ") + std::to_string(k) + Cz(" v souboru není, soubor má ") + std::to_string(last) +
                   Cz(" klíčů"));
      return false;
    }
    RecordRead(m);
    if (!IoOk()) return false;
    RecordWrite(k);
    if (!IoOk()) return false;
    RecordBuffer = RecordTemplate;
    RecordWrite(m);
    if (!IoOk()) return false;
    for (std::int32_t i = 1; i <= last; ++i) {
      RecordRead(i);
      if (!IoOk()) return false;
      if (ByteAt(RecordBuffer, kKam) != m) continue;
      RecordBuffer[kKam] = static_cast<char>(k);
      RecordWrite(i);
      if (!IoOk()) return false;
    }
    return true;
  });
  if (!done) return false;
  Changed = true;
  RepaintPage();
  return true;
}

void TfKl::PrintKeys() {
  browser::RecordListing l;
  l.report = "klice";
  l.width = 80;
  l.count = std::min<std::int32_t>(kCashKeys, Count);
  l.most = kCashKeys;
  l.linesAfterHeader = 5;
  l.headerWhenEmpty = true;  // the header comes before the first key is looked at
  l.include = [this](std::int32_t n) {
    RecordRead(n);
    return IoOk() && !Free(FieldOf(RecordBuffer, 1));
  };
  l.header = [](int page) -> std::vector<std::string> {
    const common::Session& s = common::CurrentSession();
    return {"\f",
            "",
            s.FirmTitle + std::string(11, ' ') + Cz("Opis klíčů") + std::string(11, ' ') + "D:" + common::TodayText() +
                " List:" + Num3(page),
            "",
            Cz(" KL Text                       kam prij vyd"),
            std::string(80, '=')};
  };
  l.line = [this](std::int32_t n) {
    RecordRead(n);
    std::string text = FieldOf(RecordBuffer, 1);
    text.resize(kTextWidth, ' ');
    return Num3(n) + " " + text + Num3(ByteAt(RecordBuffer, kKam)) + "  " + Num3(ByteAt(RecordBuffer, kIn)) + " " +
           Num3(ByteAt(RecordBuffer, kOut)) + " ";
  };
  l.source = this;
  browser::PrintRecordListing(l);
}

// ---------------------------------------------------------------- set-up, instance, pickers

void SetupKl(TfKl& w) {
  CreateCashKeyFile();
  w.Setup();
  std::vector<int> order;
  for (int i = 1; i <= w.FieldCount; ++i) order.push_back(i);
  w.HeaderLine = "  KL " + browser::CaptionLine(w, order);
}

TfKl& fKl() { return Instance(WindowSlot<TfKl>()); }
void DestroyCashKeyWindows() { WindowSlot<TfKl>().reset(); }

std::optional<std::int32_t> PickCashKey(std::int32_t start) {
  TfKl& w = fKl();
  SetupKl(w);
  if (start >= 1 && start <= std::min<std::int32_t>(kCashKeys, w.Count)) w.GoToRecord(start, 0);
  w.ShowModal();
  std::optional<std::int32_t> chosen;
  if (w.Current >= 1 && w.Current <= std::min<std::int32_t>(kCashKeys, w.Count)) chosen = w.Current;
  w.CloseBrowse();
  return chosen;
}

std::string CashKeyText(std::int32_t key) {
  if (key < 1 || key > kCashKeys) return {};
  TfKl& w = fKl();
  SetupKl(w);
  std::string text;
  if (key <= w.Count) {
    w.RecordRead(key);
    if (w.IoOk()) text = w.FieldOf(w.RecordBuffer, 1);
  }
  w.CloseBrowse();
  return text;
}

}  // namespace codelists
