#include "payroll/jhcis.h"

#include "browser/dialogs.h"
#include "browser/listing.h"
#include "common/convert.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/iocodes.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/session.h"
#include "common/pascal.h"
#include "common/text.h"

namespace payroll {

namespace {
constexpr int kOffsets[] = {0, 6, 8, 10, 17, 19, 21, 222};
constexpr int kWidths[] = {5, 1, 1, 6, 1, 1, 200, 64};
std::string TermField(std::string_view record, int i) {
  return common::GetCounted(record, kOffsets[i - 1], kWidths[i - 1]);
}
}  // namespace

Term Term::FromRecord(std::string_view r) {
  return {TermField(r, 1), TermField(r, 2), TermField(r, 3), TermField(r, 4),
          TermField(r, 5), TermField(r, 6), TermField(r, 7), TermField(r, 8)};
}

std::string TermListPath() { return common::ProgDir("MZ8\\JMHZ\\JHcis.dta"); }

TfJHcis::TfJHcis() : TfSoub("fJHcis") {
  SetCaption(common::Cz("Seznam pojmů"));
  ShowPopupItems({"Opis", "Setřiď pojmy", "Zruš XML"},
                 {[this] { PrintTerms(); }, [this] { SortJHcis(); }, [this] { ClearXmlNames(); }});
  PopupShortcut('O', [this] { PrintTerms(); });
}

void TfJHcis::SetupJHcis() {
  const std::string path = TermListPath();
  const std::string older = common::ProgDir("\\dlib\\JHCis02.pol");
  // No older layout installed and nothing to convert (no file yet, or whole 287-byte
  // records): the converter would only say that the older layout is missing.
  const std::int32_t size = common::CheckFile(path);
  const bool settled = size == -common::io::kFileNotFound || size == -common::io::kPathNotFound ||
                       (size >= 0 && size % kTermLength == 0);
  if (!(settled && common::CheckFile(older) < 2)) {
    try {
      common::ConvertFile(path, path, older, common::ProgDir("\\dlib\\JHCis.pol"));
    } catch (const common::IoError& e) {
      common::FileErrorMessage(" pise soubor: ", e.file, e.code);
    }
  }
  const char* captions[] = {"Klíč ", "Součtový ", "Povinný", "Default", "Prihl", "Vykaz", "Název ", "Název XML"};
  FieldCount = 8;
  for (int i = 1; i <= 8; ++i)
    browser::SetFieldDescriptor(Field(i), browser::FieldSetup()
                                              .Caption(common::Cz(captions[i - 1]))
                                              .At(2, i)
                                              .Picture(i == 1 ? "P" : " ")
                                              .Initial(i == 1 ? std::string(kFreedTerm) : std::string(kWidths[i - 1], ' ')));
  browser::BrowseSetup s;
  s.fileName = "=" + path;
  s.title = common::Cz(" Seznam pojmů ");
  s.keyLine = common::Cz(" F1-Help F4-Nová ");
  s.editTitle = " JHcis ";
  s.editKeyLine = common::Cz(" F2=zápis  Esc=nic ");
  s.fieldCount = 8;
  s.recordLength = kTermLength;
  s.editFontColor = ui::Rgb(0, 0, 0xFF);
  s.editColor = ui::Rgb(0xD0, 0xFD, 0xFD);
  s.edit = {30, 1, 100, 15};
  s.gridFontColor = ui::Rgb(0, 0, 0xFF);
  s.gridColor = ui::Rgb(0xF0, 0xFD, 0xFD);
  s.grid = {1, 1, 80, 20};
  OpenBrowse(s);
  HeaderLine = browser::CaptionLine(*this, {1, 2, 3, 4, 5, 6, 7, 8});
  RecordBuffer.assign(kTermLength, '\0');
  FieldsToRecord();
  BlankRecord = RecordBuffer;
}

std::int32_t TfJHcis::JHcisFindTerm(const std::string& term) {
  for (std::int32_t n = 1; n <= Count; ++n) {
    RecordRead(n);
    if (TermField(RecordBuffer, 1) == term) return n;
  }
  return -1;
}

std::string TfJHcis::JHcisTermName(const std::string& term) {
  if (Count < 1) return {};
  const std::int32_t n = common::BinarySearchRec(term, 1, Count, [this](std::int32_t r) { return RecordKey(r); }, 0);
  if (n < 1) return {};
  RecordRead(n);
  return TermField(RecordBuffer, 7);
}

bool TfJHcis::SortJHcis() {
  InPlaceSort plan;
  plan.keep = [](std::string_view r) { return TermField(r, 1) != kFreedTerm; };
  plan.less = [](std::string_view a, std::string_view b) { return TermField(a, 1) < TermField(b, 1); };
  plan.keepWhenEmpty = true;
  plan.notice = common::Cz("Třídím pojmy");
  return SortInPlace(plan);
}

void TfJHcis::ClearXmlNames() {
  RewriteEachRecord([this](std::int32_t n) {
    RecordRead(n);
    if (!lastIoOk()) return false;
    common::PutCounted(RecordBuffer, kOffsets[7], std::string(64, ' '), 64);
    RecordWrite(n);
    return lastIoOk();
  });
  RepaintPage();
}

void TfJHcis::PrintTerms() {
  browser::RecordListing listing;
  listing.report = "JHcis";
  listing.width = 140;
  listing.count = Count;
  listing.header = [this](int page) {
    return browser::StandardListingHeader(*this, common::Cz("Seznam pojmů"), page, true);
  };
  listing.line = [this](std::int32_t n) { return common::Copy(RecordToColumns(n), 1, 132); };
  listing.source = this;
  browser::PrintRecordListing(listing);
}

std::string TfJHcis::RecordKey(std::int32_t n) {
  if (n >= 1 && n <= Count) RecordRead(n);
  return TermField(RecordBuffer, 1);
}

std::string TfJHcis::RecordSearchText(std::int32_t n) { return browser::SearchForm(RecordToColumns(n)); }

void TfJHcis::NewRecord() {
  RecordBuffer = BlankRecord;
  TfSoub::NewRecord();
  Changed = true;
}

void TfJHcis::ClearRecord() { RecordBuffer = BlankRecord; }

void TfJHcis::DeleteRecord(std::int32_t current) {
  if (Count < 1 || Current < 1) return;
  TfSoub::DeleteRecord(current);
  Changed = true;
}

TfJHcis& fJHcis() { return browser::SingleWindow<TfJHcis>(); }

bool TermIndex::Load(const std::string& path) {
  terms_.clear();
  all_.clear();
  common::File f;
  if (f.Open(path, common::kModeReadOnly) != 0) return false;
  std::string all;
  if (f.ReadWhole(all) != 0) return false;
  for (std::size_t at = 0; at + kTermLength <= all.size(); at += kTermLength) {
    Term t = Term::FromRecord(std::string_view(all).substr(at, kTermLength));
    all_.push_back(t);
    terms_.try_emplace(t.key, std::move(t));
  }
  return true;
}

const Term* TermIndex::Find(const std::string& key) const {
  auto it = terms_.find(key);
  return it == terms_.end() ? nullptr : &it->second;
}

}  // namespace payroll
