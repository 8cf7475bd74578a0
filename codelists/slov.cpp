#include "codelists/slov.h"

#include <algorithm>
#include <memory>

#include "browser/entries.h"
#include "codelists/lists.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/jobfile.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"

namespace codelists {

using common::Cz;

namespace {

enum Command { kSort = 1, kSwitch };

constexpr std::string_view k50 = "                                                  ";

const std::vector<FieldSpec>& SlovFields() {
  static const std::vector<FieldSpec> f = {
      {"Česky   ", " ", k50, 1, 2}, {"znaků   ", " ", "  ", 2, 2}, {"Překlad ", " ", k50, 3, 2}, {"znaků   ", " ", "  ", 4, 2}};
  return f;
}

constexpr const char* kLanguages[] = {"Anglicky", "Německy", "Francouzsky", "Španělsky", "Polsky", "Maďarsky"};

std::string PaddedTo(std::string_view s, std::size_t n) {
  std::string t(s);
  t.resize(n, ' ');
  return t;
}

}  // namespace

const CodeListSpec& SlovSpec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.className = "TfSlov";
    s.caption = "Slovník";
    s.recordLength = 108;
    s.fields = SlovFields();
    s.deleted = {1, DeletedTest::LeadingBlanks, "", 6, {}};
    s.sortNotice = "Třídím slovnik";
    s.look = Look({1, 1, 105, 8}, {1, 1, 105, 25}, " Slovník ", " Enter,F1,F4,Mezera ", " F2=zápis Esc=ven ");
    // Blue-green-red 0x80CCE8 of the resource.
    s.look.editColor = s.look.gridColor = ui::Rgb(0xE8, 0xCC, 0x80);
    s.look.startRecord = 1;
    s.stamp = StampPolicy::None;
    s.reposition = Reposition::None;
    s.closeSort = CloseSort::Never;
    s.deletePolicy = DeletePolicy::MarkerInPlace;
    s.afterDelete = AfterDelete::StayInPlace;
    s.listing.report = "";
    s.menu = {{"A1", "Setřiď", MenuAction::Custom, kSort}, {"b1", "Výměna slovníku", MenuAction::Custom, kSwitch}};
    return s;
  }();
  return spec;
}

bool MakeSlovEntry(std::string_view czech, std::string_view count1, std::string_view translation,
                   std::string_view count2, SlovEntry& entry) {
  std::int32_t length = common::TextToInt(count1);
  if (length == 0) length = common::TextToInt(count2);
  if (length < 1) return false;  // no find text: the entry would match everywhere
  length = std::min<std::int32_t>(length, 255);
  const auto n = static_cast<std::size_t>(length);
  entry.find = PaddedTo(std::string(czech) + std::string(k50), n);
  entry.replace = PaddedTo(std::string(translation) + std::string(k50), n);
  return true;
}

std::string TranslateText(const std::vector<SlovEntry>& table, std::string text) {
  if (text.size() < 2) return text;
  // Replacements that keep making new occurrences end within the square of the length.
  const std::size_t cap = (text.size() + 1) * (text.size() + 1);
  for (const SlovEntry& e : table) {
    if (e.find.empty() || e.find.size() != e.replace.size()) continue;
    std::size_t last = std::string::npos;
    for (std::size_t round = 0; round < cap; ++round) {
      const std::size_t at = text.find(e.find);
      if (at == std::string::npos || at == last) break;
      text.replace(at, e.find.size(), e.replace);
      last = at;
    }
  }
  return text;
}

// ---------------------------------------------------------------- the window

const std::vector<SlovEntry>& TfSlov::Table() {
  if (loaded_) return table_;
  table_.clear();
  for (std::int32_t r = 1; r <= Count; ++r) {
    RecordReadAt(r);
    if (!IoOk()) break;
    SlovEntry e;
    if (MakeSlovEntry(FieldOf(RecordBuffer, 1), FieldOf(RecordBuffer, 2), FieldOf(RecordBuffer, 3), FieldOf(RecordBuffer, 4), e))
      table_.push_back(std::move(e));
  }
  loaded_ = true;
  return table_;
}

std::string TfSlov::RecordToColumns(std::int32_t n) {
  CodeListWindow::RecordToColumns(n);
  RecordRead(n);
  return common::FormatNumberMask("####", n) + " " + PaddedTo(FieldOf(RecordBuffer, 1), 30) + " : " + FieldOf(RecordBuffer, 3);
}

void TfSlov::ShowHelp(int topic) {
  if (topic == 0) browser::ShowHelpTopic("DZ", "Kurs");  // the list only; the edit window passes its field
}

void TfSlov::FieldCheck(int field, std::string& text) {
  CodeListWindow::FieldCheck(field, text);
  if (field != 1 && field != 3) return;
  std::string& count = EditText(field + 1);
  if (count == "  ")
    count = common::FormatNumberMask("##", static_cast<double>(common::StripRightSp(text).size()));
}

void TfSlov::SortDictionary() {
  UsePhysicalOrder();
  SortFile();
  Table();
  if (Count > 0) GoToRecord(std::clamp<std::int32_t>(Current, 1, Count), 0);
  RepaintPage();
}

void TfSlov::SwitchDictionary() {
  Dictionary = SlovDictionaryNumber();
  std::vector<std::string> items;
  for (int k = 1; k <= 6; ++k)
    items.push_back((Dictionary == std::to_string(k) ? "*" : " ") + Cz(kLanguages[k - 1]));
  const browser::ChoiceResult r = browser::ShowVyber(10, 10, nullptr, "Vyber slovnik", items);
  if (r.chosen < 1 || r.chosen > 6) return;
  try {
    common::WriteJobIn(common::DataDir(""), "SLOVNIK", std::to_string(r.chosen));
  } catch (const common::IoError&) {
    return;  // the job file's message is shown; the dictionary stays
  }
  Dictionary = std::to_string(r.chosen);
  // The normal close and open: the in-use lock moves to the new file.
  UsePhysicalOrder();
  DataFileClose();
  FileName = "slov" + Dictionary + ".dta";
  DataFileName = FileName;
  DataFileOpen();
  loaded_ = false;
  Table();
  if (Count > 0) GoToRecord(std::clamp<std::int32_t>(Current, 1, Count), 0);
  RepaintPage();
}

void TfSlov::MenuCommand(int id) {
  if (id == kSort) SortDictionary();
  if (id == kSwitch) SwitchDictionary();
}

std::string SlovDictionaryNumber() {
  const std::string value = common::StripLeftSp(common::ReadJobIn(common::DataDir(""), "SLOVNIK"));
  return value.empty() ? std::string("1") : value.substr(0, 1);
}

void SetupSlov(TfSlov& w, const std::string& fileName) {
  // The viewer sets the dictionary up before every translation without closing it.
  if (w.DataFileUsable()) w.DataFileClose();
  w.Dictionary = SlovDictionaryNumber();
  w.FileName = fileName;
  w.Setup();
  w.HeaderLine = Cz("     česky                            překlad");
  w.ClearTable();
}

std::string SlovTranslateText(const std::string& text) { return TranslateText(fSlov().Table(), text); }

namespace {

std::unique_ptr<TfSlov>& SlovSlot() {
  static std::unique_ptr<TfSlov> p;
  return p;
}

}  // namespace

TfSlov& fSlov() {
  if (!SlovSlot()) SlovSlot() = std::make_unique<TfSlov>();
  return *SlovSlot();
}
void DestroySlovWindow() { SlovSlot().reset(); }

}  // namespace codelists
