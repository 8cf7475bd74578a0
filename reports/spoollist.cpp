#include "reports/spoollist.h"

#include <algorithm>

#include "browser/entries.h"
#include "common/clock.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/text.h"
#include "reports/catalogue.h"

namespace reports {

using common::Cz;

namespace {
constexpr int kTitleWidth = 45;
constexpr int kPlaceWidth = 50;

std::string Fit(std::string s, int width) {
  s.resize(static_cast<std::size_t>(width), ' ');
  return s;
}
}  // namespace

std::string NameWithoutExtension(const std::string& file) {
  return file.size() > 4 ? file.substr(0, file.size() - 4) : std::string();
}

std::string FileDateText(std::int64_t mtimeNs) {
  const common::DateTime t = common::LocalFromUnixNs(mtimeNs);
  return common::FormatNumberMask("@@", t.day) + common::FormatNumberMask("@@", t.month) +
         common::FormatNumberMask("@@", t.year % 100);
}

TfSpoolList::TfSpoolList(std::string componentName, const SpoolLayout& layout)
    : TfSoub(std::move(componentName)), Layout(layout) {}

void TfSpoolList::AddEntry(SpoolEntry entry) {
  if (static_cast<int>(Entries.size()) < Layout.capacity) Entries.push_back(std::move(entry));
  else Entries.back() = std::move(entry);
}

std::string TfSpoolList::EntryRecord(const SpoolEntry& e) const {
  std::string rec(static_cast<std::size_t>(RecordLengthOf()), '\0');
  std::size_t at = 0;
  common::PutCounted(rec, at, Fit(e.name, Layout.nameWidth), static_cast<std::size_t>(Layout.nameWidth));
  at += static_cast<std::size_t>(Layout.nameWidth) + 1;
  common::PutLE<std::int32_t>(rec, at, e.amount);
  at += 4;
  common::PutCounted(rec, at, Fit(e.date, 6), 6);
  at += 7;
  common::PutCounted(rec, at, Fit(e.title, kTitleWidth), kTitleWidth);
  at += kTitleWidth + 1;
  common::PutCounted(rec, at, e.place.substr(0, kPlaceWidth), kPlaceWidth);
  return rec;
}

SpoolEntry* TfSpoolList::CurrentEntry() {
  if (Current < 1 || Current > Count || Current > static_cast<std::int32_t>(Entries.size())) return nullptr;
  return &Entries[static_cast<std::size_t>(Current - 1)];
}

void TfSpoolList::EntryToBuffer(std::int32_t n, std::string& buffer) {
  if (n < 1 || n > static_cast<std::int32_t>(Entries.size())) return;
  buffer = EntryRecord(Entries[static_cast<std::size_t>(n - 1)]);
}

void TfSpoolList::RecordRead(std::int32_t n) { EntryToBuffer(n, RecordBuffer); }

void TfSpoolList::RecordReadForView(std::int32_t n) {
  viewEntry_ = n;
  EntryToBuffer(n, ViewBuffer);
}

void TfSpoolList::RecordWrite(std::int32_t n) {
  if (n < 1 || n > static_cast<std::int32_t>(Entries.size())) return;
  SpoolEntry& e = Entries[static_cast<std::size_t>(n - 1)];
  // Only what the record changed: the full name stays unless the shown one was replaced.
  const std::string name = common::GetCounted(RecordBuffer, 0, static_cast<std::size_t>(Layout.nameWidth));
  if (name != Fit(e.name, Layout.nameWidth)) e.name = common::StripRightSp(name);
  std::size_t at = static_cast<std::size_t>(Layout.nameWidth) + 1;
  e.amount = common::GetLE<std::int32_t>(RecordBuffer, at);
  at += 4;
  e.date = common::GetCounted(RecordBuffer, at, 6);
  at += 7;
  e.title = common::GetCounted(RecordBuffer, at, kTitleWidth);
}

void TfSpoolList::RecordToCells() {
  TfSoub::RecordToCells();
  ColumnTexts[1] = common::FormatNumberMask(" ### ", viewEntry_) + ColumnTexts[1];
}

void TfSpoolList::ShowHelp(int) { browser::ShowHelpTopic("\\2\\spool", "Seznam"); }

void TfSpoolList::CloseBrowse() {
  Entries.clear();
  TfSoub::CloseBrowse();
}

void TfSpoolList::ScanFolder(const std::string& folder, const std::string& mask, const std::string& place,
                             std::string (*nameOf)(const std::string& file),
                             std::int32_t (*amountOf)(const std::string& path, std::uint64_t size)) {
  std::vector<common::DirItem> items;
  (void)common::ListDirectory(folder + mask, items, common::kListFiles);
  for (const common::DirItem& item : items) {
    if (item.size == 0) continue;
    SpoolEntry e;
    e.file = item.name;
    e.name = nameOf(item.name);
    e.amount = amountOf(folder + item.name, item.size);
    e.date = FileDateText(item.mtimeNs);
    e.title = std::string(kTitleWidth, ' ');
    e.place = place;
    AddEntry(std::move(e));
  }
}

void TfSpoolList::FinishAndOpen(const std::string& caption) {
  if (!Entries.empty()) {
    std::vector<std::string> names;
    names.reserve(Entries.size());
    for (const SpoolEntry& e : Entries) names.push_back(Fit(e.name, std::max<int>(Layout.nameWidth, 8)));
    const std::vector<std::string> titles = CatalogueTitles(names, kTitleWidth);
    for (std::size_t i = 0; i < Entries.size(); ++i) Entries[i].title = titles[i];
  }
  std::stable_sort(Entries.begin(), Entries.end(), [&](const SpoolEntry& a, const SpoolEntry& b) {
    const std::size_t w = static_cast<std::size_t>(Layout.nameWidth);
    return Fit(a.name, static_cast<int>(std::max(w, a.name.size()))) < Fit(b.name, static_cast<int>(std::max(w, b.name.size())));
  });

  FieldCount = 5;
  const std::string nameBlanks(static_cast<std::size_t>(Layout.nameWidth), ' ');
  browser::SetFieldDescriptor(Field(1), browser::FieldSetup().Caption("Soubor").Picture("X").Initial(nameBlanks));
  browser::SetFieldDescriptor(Field(2), browser::FieldSetup().Caption(Cz(Layout.amountCaption)).Picture("#########I").Initial(std::string(9, ' ')));
  browser::SetFieldDescriptor(Field(3), browser::FieldSetup().Caption("DD.MM.RR  ").Picture("d").Initial(std::string(8, ' ')));
  browser::SetFieldDescriptor(Field(4), browser::FieldSetup().Caption(Cz("Název sestavy")).Picture("X").Initial(std::string(kTitleWidth, ' ')));
  browser::SetFieldDescriptor(Field(5), browser::FieldSetup().Caption(Cz("Kde leží")).Picture("X").Initial(std::string(kPlaceWidth, ' ')));
  OwnHeaders = true;
  ColumnCount = FieldCount;
  for (int c = 1; c <= FieldCount; ++c) {
    ColumnOrder[static_cast<std::size_t>(c)] = c;
    ColumnShown[static_cast<std::size_t>(c)] = true;
    const int width = std::max<int>(Field(c).width, browser::FieldDisplayLength(Field(c)));
    HeaderTexts[static_cast<std::size_t>(c)] = (c == 1 ? std::string(5, ' ') : std::string()) + Fit(Field(c).caption, width + 1);
  }

  browser::BrowseSetup s;
  s.fileName.clear();
  s.title = caption;
  s.keyLine = Cz(" Enter,Mezera-Rožni  F8-Zruš ");
  s.grid = {2, 2, 90, 21};
  s.gridColor = ui::Rgb(255, 255, 208);
  s.gridFontColor = Layout.fontColor;
  s.edit = {18, 8, 88, 14};
  s.editColor = ui::Rgb(255, 255, 160);
  s.editFontColor = ui::colors::Black;
  s.fieldCount = FieldCount;
  s.recordLength = RecordLengthOf();
  s.startRecord = 99999;
  OpenBrowse(s);
  Count = static_cast<std::int32_t>(Entries.size());
  ScrollBar1.SetRange(0, Count);
  LayoutGrid();
  FieldsToRecord();
  EnterEdits = true;
  MayEdit = MayAdd = false;
  HeaderLine = caption;
  if (Count > 0) GoToRecord(Count, 2);
  RepaintPage();
}

}  // namespace reports
