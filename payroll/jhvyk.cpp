#include "payroll/jhvyk.h"

#include "browser/dialogs.h"
#include "browser/listing.h"
#include "common/codepages.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"

namespace payroll {

namespace {

struct RowFieldSpec {
  const char* caption;
  int width;
};
constexpr RowFieldSpec kRow[] = {{"Os.č. ", 5}, {"Dítě  ", 1}, {"Klíč  ", 5}, {"Obsah ", 64}};
constexpr RowFieldSpec kExtended[] = {{"Os.ičo ", 10}, {"dohoda ", 1}, {"Os.č.  ", 5},
                                  {"Dítě   ", 1},  {"Klíč   ", 5}, {"Obsah  ", 64}};

bool Blank(const std::string& s) { return common::StripRightSp(s).empty(); }

// Blanks and control characters removed at both ends.
std::string Trimmed(std::string_view s) {
  auto weak = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && weak(s.front())) s.remove_prefix(1);
  while (!s.empty() && weak(s.back())) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

TfJHvyk::TfJHvyk(bool extended) : TfSoub(extended ? "fJHvyk2" : "fJHvyk"), extended_(extended) {
  SetCaption(common::Cz("Jednotné Hlášení"));
  ShowPopupItems({"Třid", "Text ven", "Opis"}, {[this] {
                                                   SortJHvyk();
                                                   DataFileReopen();
                                                 },
                                                 [this] { ExportText(); }, [this] { PrintRows(); }});
}

namespace {
std::pair<std::size_t, std::size_t> RowPlace(int i, bool extended) {
  const RowFieldSpec* fields = extended ? kExtended : kRow;
  std::size_t offset = 0;
  for (int k = 1; k < i; ++k) offset += static_cast<std::size_t>(fields[k - 1].width) + 1;
  return {offset, static_cast<std::size_t>(fields[i - 1].width)};
}
}  // namespace

std::string RowField(std::string_view record, int i, bool extended) {
  const auto [offset, width] = RowPlace(i, extended);
  return common::GetCounted(record, offset, width);
}

void PutRowField(std::string& record, int i, std::string_view text, bool extended) {
  const auto [offset, width] = RowPlace(i, extended);
  common::PutCounted(record, offset, text, width);
}

std::string TfJHvyk::Field(std::string_view record, int i) const { return RowField(record, i, extended_); }

void TfJHvyk::SetupJHvyk(const std::string& fileName) {
  const RowFieldSpec* fields = extended_ ? kExtended : kRow;
  FieldCount = extended_ ? 6 : 4;
  for (int i = 1; i <= FieldCount; ++i)
    browser::SetFieldDescriptor(TfSoub::Field(i), browser::FieldSetup()
                                                      .Caption(common::Cz(fields[i - 1].caption))
                                                      .At(2, i)
                                                      .Picture(" ")
                                                      .Initial(std::string(fields[i - 1].width, ' ')));
  browser::BrowseSetup s;
  s.fileName = fileName;
  s.title = common::Cz(" Výkaz ");
  s.keyLine = common::Cz(" F1-Help  F10=Opis  F4-Nová ");
  s.editTitle = " JMHZ ";
  s.editKeyLine = common::Cz(" F2=zápis  Esc=nic ");
  s.fieldCount = FieldCount;
  s.recordLength = extended_ ? kExtendedRowLength : kRowLength;
  s.editFontColor = ui::Rgb(0, 0, 0);
  s.editColor = ui::Rgb(0xD0, 0xFF, 0xD0);
  s.edit = {50, 1, 90, 8};
  s.gridFontColor = ui::Rgb(0, 0, 0);
  s.gridColor = ui::Rgb(0xE0, 0xFF, 0xE0);
  s.grid = {1, 1, extended_ ? 80 : 120, 20};
  OpenBrowse(s);
  std::vector<int> order;
  for (int i = 1; i <= FieldCount; ++i) order.push_back(i);
  HeaderLine = browser::CaptionLine(*this, order);
  RecordBuffer.assign(static_cast<std::size_t>(s.recordLength), '\0');
  FieldsToRecord();
  BlankRow = RecordBuffer;
}

bool TfJHvyk::SortJHvyk() {
  InPlaceSort plan;
  plan.keepWhenEmpty = true;
  if (extended_) {
    plan.less = [this](std::string_view a, std::string_view b) {
      auto key = [this](std::string_view r) {
        std::string k = common::Copy(Field(r, 1) + Field(r, 2), 1, 11);
        k = common::Copy(k + Field(r, 3), 1, 16);
        k = common::Copy(k + Field(r, 4), 1, 17);
        return common::Copy(k + Field(r, 5), 1, 22);
      };
      return key(a) < key(b);
    };
    plan.dropOnOutput = [this](std::string_view r) { return Blank(Field(r, 1)) && Blank(Field(r, 3)) && Blank(Field(r, 5)); };
  } else {
    plan.keep = [this](std::string_view r) { return Field(r, 3) != "     "; };
    plan.less = [this](std::string_view a, std::string_view b) {
      return common::Copy(Field(a, 1) + Field(a, 3), 1, 10) < common::Copy(Field(b, 1) + Field(b, 3), 1, 10);
    };
    plan.dropOnOutput = [this](std::string_view r) { return Blank(Field(r, 1)) && Blank(Field(r, 3)); };
  }
  return SortInPlace(plan);
}

void TfJHvyk::ExportText() {
  if (Count < 1) return;
  const int person = extended_ ? 3 : 1, value = extended_ ? 6 : 4;
  std::string out, previous;
  for (std::int32_t n = 1; n <= Count; ++n) {
    RecordRead(n);
    const std::string& r = RecordBuffer;
    if (n == 1) previous = Field(r, person);
    if (Field(r, person) != previous) {
      out += "\r\n";
      previous = Field(r, person);
    }
    if (Trimmed(Field(r, value)).empty()) continue;
    if (extended_)
      out += common::Copy(Field(r, 1) + ";" + Field(r, 4) + ";" + Field(r, 5) + ";", 1, 19) + common::Cp1250ToUtf8(Field(r, 6));
    else
      out += common::Copy(Field(r, 3) + ";" + Field(r, 4), 1, 70);
    out += "\r\n";
  }
  const std::string name = extended_ ? "JHvyk.txt" : "JHprihl.txt";
  if (int code = common::ReplaceFileContents(name, out))
    common::FileErrorMessage(" pise soubor: ", name, code);
}

void TfJHvyk::PrintRows() {
  browser::RecordListing listing;
  listing.report = "CI_OPIS";
  listing.width = 100;
  listing.count = Count;
  listing.header = [this](int page) {
    return browser::StandardListingHeader(*this, common::Cz(" Výkaz "), page, common::CurrentSession().NovyList != 0);
  };
  listing.line = [this](std::int32_t n) { return common::Copy(RecordToColumns(n), 1, 132); };
  listing.source = this;
  browser::PrintRecordListing(listing);
}

std::string TfJHvyk::RecordKey(std::int32_t n) {
  if (n >= 1 && n <= Count) RecordRead(n);
  if (extended_) return common::Copy(Field(RecordBuffer, 1) + Field(RecordBuffer, 3), 1, 15);
  return Field(RecordBuffer, 1);
}

std::string TfJHvyk::RecordSearchText(std::int32_t n) {
  RecordRead(n);
  return browser::SearchForm(RecordToColumns(n));
}

void TfJHvyk::NewRecord() {
  if (!extended_) RecordBuffer = BlankRow;
  TfSoub::NewRecord();
  if (!extended_) Changed = true;
}

void TfJHvyk::ClearRecord() {
  if (extended_) return;
  RecordBuffer = BlankRow;
  common::PutCounted(RecordBuffer, 8, "     ", 5);
}

void TfJHvyk::DeleteRecord(std::int32_t current) {
  if (Count < 1 || Current < 1) return;
  TfSoub::DeleteRecord(current);
  if (!extended_) Changed = true;
}

TfJHvyk& fJHvyk() { return browser::SingleWindow<TfJHvyk>(); }
TfJHvyk2& fJHvyk2() { return browser::SingleWindow<TfJHvyk2>(); }

}  // namespace payroll
