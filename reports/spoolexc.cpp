#include "reports/spoolexc.h"

#include <memory>

#include "common/encoding.h"
#include "common/fileops.h"
#include "common/osfile.h"
#include "common/text.h"
#include "reports/xlsexport.h"

namespace reports {

using common::Cz;

namespace {

std::string CsvName(const std::string& file) { return common::UpperCz(NameWithoutExtension(file)); }

std::int32_t RecordsOf(const std::string& path, std::uint64_t) { return CsvRecordCount(path); }

}  // namespace

std::int32_t CsvRecordCount(const std::string& fileName) {
  common::File f;
  if (f.Open(fileName, common::kModeReadOnly) != 0) return 0;
  std::int64_t lines = 0;
  char last = '\n';
  std::string buffer(1 << 16, '\0');
  for (std::uint64_t at = 0;;) {
    std::size_t got = 0;
    if (f.ReadSome(at, buffer.data(), buffer.size(), got) != 0 || got == 0) break;
    // The program's own file: every byte counts, a ^Z as any other.
    for (std::size_t i = 0; i < got; ++i)
      if (buffer[i] == '\n') ++lines;
    last = buffer[got - 1];
    at += got;
  }
  if (last != '\n') ++lines;
  return static_cast<std::int32_t>(std::max<std::int64_t>(lines - 1, 0));
}

TfSpoolExc::TfSpoolExc() : TfSpoolList("fSpoolExc", SpoolLayout{kSpoolExcEntries, 8, "       Vět ", ui::Rgb(0, 64, 208)}) {
  SetCaption(Cz("Seznam soborů se středníky"));
  ExportBase = "SPOOLEXC";  // a list without a data file: its exports are named so
  static const char* const kItems[][2] = {{"A1", "Přenes názvy archívů OF "},
                                           {"b1", " Přenes názvy archívů ZF "},
                                           {"c1", "Sprav délku vět"},
                                           {"d1", "Spoj archiv 1+ l -> l"},
                                           {"e1", "Spoj archiv l + 1 -> l"}};
  for (const auto& i : kItems) {
    ui::MenuItem* item = PopupMenu1.Find(i[0]);
    item->caption = Cz(i[1]);
    item->visible = true;
    item->enabled = true;
    item->onClick = nullptr;
  }
  PopupMenu1.AddItem("Prekoduj1", " ").visible = false;
}

namespace {
TfSpoolExc*& ExcSlot() {
  static TfSpoolExc* form = nullptr;
  return form;
}
}  // namespace

TfSpoolExc& fSpoolExc() {
  if (!ExcSlot()) ExcSlot() = new TfSpoolExc();
  return *ExcSlot();
}

void DestroySpoolExc() {
  delete ExcSlot();
  ExcSlot() = nullptr;
}

void ShowSpoolExcModal() {
  TfSpoolExc& list = fSpoolExc();
  if (list.showingModal()) return;
  list.SetupSpoolExc();
  list.ShowModal();
  list.CloseBrowse();
}

void TfSpoolExc::SetupSpoolExc() {
  Entries.clear();
  Entries.reserve(kSpoolExcEntries);
  ScanFolder(kCsvFolder, "*.CSV", kCsvFolder, CsvName, RecordsOf);
  FinishAndOpen("");
}

void TfSpoolExc::EditRecord() {
  if (const SpoolEntry* e = CurrentEntry(); e && !e->Erased()) ExportToExcel(NameWithoutExtension(e->file), false);
  LastKey = 10;
}

void TfSpoolExc::DeleteRecord(std::int32_t) {
  SpoolEntry* e = CurrentEntry();
  if (!e || e->Erased()) return;
  const std::string path = EntryPath(*e);
  common::EraseFiles(path);
  if (common::CheckFile(path) >= 0) return;
  e->name = kErasedName;
  RepaintPage();
}

}  // namespace reports
