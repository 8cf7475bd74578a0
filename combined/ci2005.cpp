#include "combined/ci2005.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "codelists/ci01.h"
#include "combined/ci01sort.h"
#include "combined/ciwindows.h"
#include "combined/fci92.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/text.h"
#include "ui/handlers.h"

namespace combined {

using codelists::Ci01Record;

namespace {
constexpr int kDateOffset = 50;
constexpr int kSearchedLength = 50;  // characters of "Co" searched

// TS + Klíč (+ P + ČV when `all`), then U1..U5 without diacritics and upper-cased.
std::string SearchText(const Ci01Record& r, bool all) {
  std::string s = r.ts + r.klic + (all ? r.p + r.cv : std::string());
  for (const auto& u : r.u) s += browser::SearchForm(u);
  return s;
}
}  // namespace

TfCi2005::TfCi2005() : TfSoub("fCi2005") {
  for (const auto& item : PopupMenu1.items())
    if (item->name == "A1") {
      item->caption = common::Cz("Přidej vzor pro DPH");
      item->visible = true;
      item->onClick = [this](ui::MenuItem&) { A1Click(); };
    }
}

TfCi2005& fCi2005() { return browser::SingleWindow<TfCi2005>(); }

void TfCi2005::SetupCi2005(const std::string& fileName) {
  if (common::UpperCz(fileName) == codelists::kCi01Name) ClearCutOffAssemblyMark();
  static const char* ruler[] = {"12", "345678", "9", "01", "234567", "890123", "456789", "012345", "678901", "345678"};
  const Ci01Record blank = Ci01Record::Blank();
  const std::string initial[] = {blank.ts, blank.klic, blank.p, blank.cv, blank.u[0], blank.u[1],
                                 blank.u[2], blank.u[3], blank.u[4], blank.date};
  FieldCount = 10;
  for (int i = 1; i <= 10; ++i)
    browser::SetFieldDescriptor(Field(i), browser::FieldSetup()
                                              .Caption(ruler[i - 1])
                                              .At(2, i)
                                              .Picture(i <= 4 ? "P" : " ")
                                              .Initial(initial[i - 1]));
  browser::BrowseSetup s;
  s.fileName = fileName;
  s.title = common::Cz(" Číselník ");
  s.keyLine = common::Cz(" F1-Help F4-Nová ");
  s.editTitle = common::Cz("Číselník");
  s.editKeyLine = common::Cz(" F2=zápis  Esc=nic ");
  s.fieldCount = 10;
  s.recordLength = codelists::kCi01Length;
  OpenBrowse(s);
  HeaderLine = common::Cz("TS Klíč   P ČV U1     U2     U3     U4     U5     RRMMDD");
  RecordTemplate = blank.Bytes();
}

std::string TfCi2005::RecordKey(std::int32_t n) {
  RecordRead(n);
  return Ci01Record::FromBytes(RecordBuffer).SortKey();
}

void TfCi2005::RecordWrite(std::int32_t n) {
  if (!Sorting) {
    RecordBuffer.resize(codelists::kCi01Length, '\0');
    common::PutCounted(RecordBuffer, kDateOffset, WorkDateYYMMDD(), 6);
  }
  TfSoub::RecordWrite(n);
}

void TfCi2005::NewRecord() {
  // The sort after the change replaces the file: where it cannot, nothing is written.
  if (RefusedWhileCopyLeft() || !ReplacementPossible()) return;
  RecordBuffer = RecordTemplate;
  TfSoub::NewRecord();
}

void TfCi2005::ClearRecord() {
  RecordBuffer.resize(codelists::kCi01Length, '\0');
  common::PutCounted(RecordBuffer, 0, "..", 2);
}

void TfCi2005::DeleteRecord(std::int32_t current) {
  if (Count < 1 || Current < 1) return;
  // The mark ".." stands only until the sort purges it, which must be able to run.
  if (RefusedWhileCopyLeft() || !ReplacementPossible()) return;
  RecordRead(Current);
  TfSoub::DeleteRecord(current);
}

void TfCi2005::CloseBrowse() {
  if (Changed && Count > 1) SortCi2005();
  TfSoub::CloseBrowse();
}

void TfCi2005::SortCi2005() {
  if (!DataFileUsable()) return;
  // Its own copy: an opening of this window during the sort's notice sets DataFilePath anew.
  const std::string path = DataFilePath;
  (void)DataFile().Close();
  common::UnlockFile(path);
  Sorting = true;
  try {
    (void)SortCombinedFile(path);  // Esc at its wait: said, the file stays as it is
  } catch (const ui::DriverError&) {
    Sorting = false;
    throw;
  } catch (const common::IoError& e) {
    common::MessageOk(common::Cz("Číselník není setříděn, soubor ") + e.file + " err " + std::to_string(e.code));
  } catch (const std::runtime_error& e) {
    common::MessageOk(common::Utf8ToWin1250(e.what()));
  }
  Sorting = false;
  if (DataFilePath == path) common::LockFile(path, "");  // else the new opening holds its own
  DataFileReopen();
  Changed = false;
}

void TfCi2005::StartSearch(std::int32_t current) {
  WholeSearch = true;
  TfSoub::StartSearch(current);
}

std::string TfCi2005::RecordSearchText(std::int32_t n) {
  RecordReadForView(n);
  const Ci01Record r = Ci01Record::FromBytes(ViewBuffer);
  if (WholeSearch) return SearchText(r, false);
  return common::Copy(SearchText(r, true), OdkudN, KolikN);
}

std::int32_t TfCi2005::SearchScan(const std::string& text) {
  if (Count <= 0 || text.empty()) return -1;
  const std::string wanted = browser::SearchForm(text);
  std::int32_t i = Current + 1;
  for (std::int32_t steps = 0; steps <= Count; ++steps) {
    if (i > Count) {
      if (NoWrap) return 0;
      i = 1;
    }
    if (i == Current) return -1;
    if (browser::SearchForm(RecordSearchText(i)).find(wanted) != std::string::npos) return i;
    if (lKolik.visible())
      lKolik.SetText(common::FormatFloatMask("######", i) + "/" + common::FormatFloatMask("######", Count));
    ++i;
  }
  return -1;
}

void TfCi2005::KeyF6(std::int32_t) {
  WholeSearch = false;
  // The query window shows an empty value as a heading without a field: "Co" is
  // offered padded with blanks, so that it can be typed even when nothing was before.
  std::string co = common::StripRightSp(Co);
  co.resize(std::max<std::size_t>(co.size(), kSearchedLength), ' ');
  const auto answer = browser::AskFields(10, 10, nullptr, common::Cz("Hledání"),
                                         {"Odkud", Odkud, "Kolik", Kolik, "Co", co});
  if (!answer.confirmed || answer.answers.size() < 3) return;
  Odkud = answer.answers[0];
  Kolik = answer.answers[1];
  Co = answer.answers[2];
  OdkudN = common::TextToInt(Odkud);
  KolikN = common::TextToInt(Kolik);
  const std::string text = common::Copy(common::StripRightSp(Co), 1, kSearchedLength);
  const std::int32_t found = SearchScan(text);
  if (found >= 1) GoToRecord(found, 0);
  RepaintPage();
}

void TfCi2005::A1Click() {
  const std::string name = common::ProgDir("\\CI\\CI.DPH");
  std::vector<std::string> records;
  if (int code = codelists::ReadCi01(name, records)) {
    common::MessageOk(common::Cz("Vzor pro DPH nelze číst, soubor ") + name + " err " + std::to_string(code));
    return;
  }
  for (const std::string& rec : records) {
    RecordBuffer = rec;
    if (!AppendRecord()) break;
  }
  SortCi2005();
  RepaintPage();
}

}  // namespace combined
