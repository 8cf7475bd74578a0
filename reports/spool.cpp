#include "reports/spool.h"

#include <memory>

#include "browser/entries.h"
#include "browser/recsort.h"
#include "common/dates.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/text.h"
#include "reports/spoolexc.h"
#include "ui/keys.h"

namespace reports {

using common::Cz;

namespace {

std::string ReportName(const std::string& file) {
  std::string name = common::UpperCz(NameWithoutExtension(file));
  if (const std::size_t p = name.find("ARL"); p != std::string::npos) name[p + 2] = 'l';
  return name;
}

std::int32_t SizeAmount(const std::string&, std::uint64_t size) {
  return static_cast<std::int32_t>(std::min<std::uint64_t>(size / 1000 + 1, 0x7FFFFFFF));
}

// The sort key: a counted text of 50, the entry's record, the entry's position.
constexpr std::size_t kSortTextLength = 50;

}  // namespace

SpoolServices& SpoolHooks() {
  static SpoolServices services;
  return services;
}

std::uint8_t& DateOrderSwitch() {
  static std::uint8_t on = 1;
  return on;
}

TfSpool::TfSpool()
    : TfSpoolList("fSpool", SpoolLayout{kSpoolEntries, 30, " Velikost ", ui::colors::Black}),
      DleN8zvu1(PopupMenu1.AddItem("DleN8zvu1", "Dle souboru", [this](ui::MenuItem&) { SortByColumn(1); })),
      Dlevelikosti1(PopupMenu1.AddItem("Dlevelikosti1", "Dle velikosti", [this](ui::MenuItem&) { SortByColumn(2); })),
      Dledata1(PopupMenu1.AddItem("Dledata1", "Dle data", [this](ui::MenuItem&) { SortByColumn(3); })),
      Dleirhonzvu1(PopupMenu1.AddItem("Dleirhonzvu1", Cz("Dle názvu"), [this](ui::MenuItem&) { SortByColumn(4); })),
      Dleumstn1(PopupMenu1.AddItem("Dleumstn1", Cz("Dle umístění"), [this](ui::MenuItem&) { SortByColumn(5); })),
      N1(PopupMenu1.AddItem("N1", "-")),
      Prekoduj1(PopupMenu1.AddItem("Prekoduj1", " ")) {
  ExportBase = "SPOOL";  // a list without a data file: its exports are named so
  SetCaption(Cz("Seznam tiskových sestav"));
  DleN8zvu1.enabled = false;
  Prekoduj1.visible = false;
  struct Item {
    const char* name;
    const char* caption;
    void (TfSpool::*click)();
  };
  static const Item kItems[] = {
      {"c1", "Sprav délku vět", &TfSpool::c1Click},
      {"A1", "Přenes názvy archívů OF ", &TfSpool::A1Click},
      {"b1", " Přenes názvy archívů ZF ", &TfSpool::b1Click},
      {"d1", "Spoj archiv 1+ l -> l", &TfSpool::d1Click},
      {"e1", "Spoj archiv l + 1 -> l", &TfSpool::e1Click},
      {"f1", "Rozděl archiv", &TfSpool::f1Click},
      {"g1", "Zašifruj sestavy (lok. nebo glob).", &TfSpool::g1Click},
      {"h1", "Zašifruj  ORG a DOKLADY (.txt a .jpg)", &TfSpool::h1Click},
      {"i1", "Dešifruj sestavy", &TfSpool::i1Click},
      {"j1", "Dešifruj jen Doklady (.txt a .jpg)", &TfSpool::j1Click},
      {"k1", "Zašifruj předkontace DF", &TfSpool::k1Click},
  };
  for (const Item& i : kItems) {
    ui::MenuItem* item = PopupMenu1.Find(i.name);
    item->caption = Cz(i.caption);
    item->visible = true;
    item->enabled = std::string_view(i.name) == "c1";
    item->onClick = [this, click = i.click](ui::MenuItem&) { (this->*click)(); };
  }
  onDblClick = [this](ui::Control&) { EditRecord(); };
}

namespace {
TfSpool*& SpoolSlot() {
  static TfSpool* form = nullptr;
  return form;
}
}  // namespace

TfSpool& fSpool() {
  if (!SpoolSlot()) SpoolSlot() = new TfSpool();
  return *SpoolSlot();
}

void TfSpool::SetupSpool() {
  Entries.clear();
  Entries.reserve(kSpoolEntries);
  std::string folders;
  if (const std::string why = common::DamagedTextReason(kFolderListName, folders); !why.empty())
    common::MessageOk(common::DamagedFileText(kFolderListName, why, Cz("ukazuji jen sestavy startovní složky")));
  if (folders.size() > 2) {
    for (const std::string& line : common::SplitTextLines(folders)) {
      const std::string folder = common::StripRightSp(line);
      if (!folder.empty()) ScanFolder(folder, "*.txt", folder, ReportName, SizeAmount);
    }
  } else {
    std::string here = common::CurrentFolder();
    if (!here.empty() && (here.back() == '/' || here.back() == '\\')) here.pop_back();
    ScanFolder("", "*.txt", here + "\\", ReportName, SizeAmount);
  }
  FinishAndOpen("");
}

std::string TfSpool::EntryReport(std::int32_t n) const {
  if (n < 1 || n > static_cast<std::int32_t>(Entries.size())) return {};
  const SpoolEntry& e = Entries[static_cast<std::size_t>(n - 1)];
  return e.place + NameWithoutExtension(e.file);
}

void TfSpool::EditRecord() {
  if (Current >= 1 && Current <= Count && !Entries[static_cast<std::size_t>(Current - 1)].Erased())
    browser::PrintReport(EntryReport(Current));
  LastKey = 10;
}

void TfSpool::DeleteRecord(std::int32_t) {
  SpoolEntry* e = CurrentEntry();
  if (!e || e->Erased()) return;
  const std::string path = EntryPath(*e);
  {
    common::ScopedFileLock lock(path, "W");
    if (lock.Stopped()) return;
    common::EraseFiles(path);
    common::EraseFiles(e->place + NameWithoutExtension(e->file) + ".txz");
  }
  // Marked only when the report is really gone.
  if (common::CheckFile(path) >= 0) return;
  e->name = kErasedName;
  RepaintPage();
}

void TfSpool::EnableMenuItems() {
  for (const char* name : {"A1", "b1", "d1", "e1", "f1", "g1", "h1", "i1", "j1", "k1"})
    if (ui::MenuItem* item = PopupMenu1.Find(name)) item->enabled = true;
}

void TfSpool::SortByColumn(int kind) {
  if (Count < 2 || kind < 1 || kind > 5) return;
  const SpoolEntry* current = CurrentEntry();
  const std::string remembered = current ? EntryPath(*current) + "|" + current->name : std::string();
  if (kind == 3) DateOrderSwitch() ^= 1;
  const bool reversed = kind == 3 && DateOrderSwitch() == 1;
  const std::size_t recordLength = static_cast<std::size_t>(RecordLengthOf());
  const std::size_t keyLength = 1 + kSortTextLength + recordLength + 4;

  browser::RecordSort sort;
  sort.onInput = [&](browser::RecordSort& s) {
    std::string key(keyLength, '\0');
    for (std::size_t i = 0; i < Entries.size(); ++i) {
      const SpoolEntry& e = Entries[i];
      std::string value;
      switch (kind) {
        case 1: value = e.name; value.resize(30, ' '); break;
        case 2: value = common::FormatNumberMask("##########", e.amount); break;
        case 3: value = common::SwapDate(e.date); break;
        case 4: value = e.title; break;
        case 5: value = e.place; break;
        default: break;
      }
      value = (value + common::FormatNumberMask("#####", static_cast<double>(i + 1))).substr(0, kSortTextLength);
      std::fill(key.begin(), key.end(), '\0');
      common::PutCounted(key, 0, value, kSortTextLength);
      key.replace(1 + kSortTextLength, recordLength, EntryRecord(e));
      common::PutLE<std::int32_t>(key, keyLength - 4, static_cast<std::int32_t>(i));
      s.SortPut(key);
    }
  };
  sort.less = [reversed](const char* a, const char* b) {
    return reversed ? browser::CountedTextLess(b, a) : browser::CountedTextLess(a, b);
  };
  std::vector<SpoolEntry> sorted;
  sorted.reserve(Entries.size());
  sort.onOutput = [&](browser::RecordSort& s) {
    std::string key;
    while (s.SortGet(key))
      sorted.push_back(Entries[static_cast<std::size_t>(common::GetLE<std::int32_t>(key, keyLength - 4))]);
  };
  if (sort.SortRun(static_cast<std::int32_t>(keyLength)) != 0 || sorted.size() != Entries.size()) return;
  Entries = std::move(sorted);
  std::int32_t found = 1;
  for (std::size_t i = 0; i < Entries.size(); ++i)
    if (EntryPath(Entries[i]) + "|" + Entries[i].name == remembered) found = static_cast<std::int32_t>(i + 1);
  GoToRecord(found, 1);
  RepaintPage();
}

void DestroySpoolWindows() {
  delete SpoolSlot();
  SpoolSlot() = nullptr;
  DestroySpoolExc();
}

void ShowReportListModal() {
  TfSpool& list = fSpool();
  if (list.showingModal()) return;
  list.SetupSpool();
  list.ShowModal();
  list.CloseBrowse();
}

}  // namespace reports
