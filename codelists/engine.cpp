#include "codelists/engine.h"

#include "browser/listing.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "browser/codec.h"
#include "browser/entries.h"
#include "browser/fields.h"
#include "browser/recsort.h"
#include "common/codepages.h"
#include "common/dates.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"

namespace codelists {

using common::Cz;

namespace {

std::string Cut(std::string s, std::size_t n) {
  if (s.size() > n) s.resize(n);
  return s;
}

// A notice shown while a routine works, closed however it ends.
class Notice {
 public:
  explicit Notice(std::string_view text) : shown_(!text.empty()) {
    if (shown_) browser::ShowBlik(Cz(text));
  }
  ~Notice() {
    if (shown_) browser::CloseBlik();
  }
  Notice(const Notice&) = delete;
  Notice& operator=(const Notice&) = delete;

 private:
  bool shown_;
};

}  // namespace

CodeListWindow::CodeListWindow(std::string componentName, const CodeListSpec& spec)
    : TfSoub(std::move(componentName)), spec_(spec) {
  SetCaption(Cz(spec.caption));
  BindMenu();
}

// ---------------------------------------------------------------- set-up

bool CodeListWindow::KeptOpen() const {
  const int slot = spec_.keepOpen.slot;
  return slot > 0 && common::CurrentSession().FormOpenFlags.at(static_cast<std::size_t>(slot)) == 1;
}

bool CodeListWindow::Setup() {
  const int slot = spec_.keepOpen.slot;
  if (KeptOpen()) return false;
  if (slot > 0) common::CurrentSession().FormOpenFlags.at(static_cast<std::size_t>(slot)) = 1;
  OpenReadOnly = OpenCopyKept = false;
  BeforeOpen();
  const browser::BrowseSetup s = DefineFields();
  OwnHeaders = !spec_.headers.empty();
  if (OwnHeaders) {
    ColumnCount = static_cast<std::int32_t>(spec_.headers.size());
    for (int c = 1; c <= ColumnCount; ++c) HeaderTexts[static_cast<std::size_t>(c)] = Cz(spec_.headers[static_cast<std::size_t>(c - 1)]);
  }
  OpenBrowse(s);

  std::vector<int> order;
  for (int i = 1; i <= FieldCount; ++i) {
    const auto at = static_cast<std::size_t>(i - 1);
    ColumnOrder[static_cast<std::size_t>(i)] = at < spec_.columnOrder.size() ? spec_.columnOrder[at] : i;
    ColumnShown[static_cast<std::size_t>(i)] = true;
    order.push_back(ColumnOrder[static_cast<std::size_t>(i)]);
  }
  // A list whose fields have no captions keeps its title over the rows.
  if (const std::string line = CaptionLine(*this, order); !common::StripRightSp(line).empty()) HeaderLine = line;
  TfSoub::FieldsToRecord();
  PutDate();
  RecordTemplate = RecordBuffer;
  return true;
}

browser::BrowseSetup CodeListWindow::DefineFields() {
  FieldCount = static_cast<std::int32_t>(spec_.fields.size());
  for (int i = 1; i <= FieldCount; ++i) {
    const FieldSpec& f = spec_.fields[static_cast<std::size_t>(i - 1)];
    browser::SetFieldDescriptor(Field(i), browser::FieldSetup()
                                              .Caption(Cz(f.caption))
                                              .At(f.column, f.line)
                                              .Picture(std::string(f.picture))
                                              .Initial(Cz(f.initial)));
  }
  browser::BrowseSetup s = spec_.look;
  if (s.fileName.empty()) s.fileName = ListFileName();
  s.title = Cz(spec_.caption);
  s.keyLine = Cz(s.keyLine);
  s.editTitle = Cz(s.editTitle);
  s.editKeyLine = Cz(s.editKeyLine);
  AdjustSetup(s);
  s.fieldCount = FieldCount;
  s.recordLength = spec_.recordLength;
  s.readOnly = OpenReadOnly;
  s.copyKept = OpenCopyKept;
  offsets_ = browser::FieldOffsets(FieldSpan());
  return s;
}

std::string CodeListWindow::NewRecordTemplate() {
  if (DataFileUsable()) return RecordTemplate;
  DefineFields();
  std::string record(static_cast<std::size_t>(spec_.recordLength), '\0');
  browser::FieldsToRecord(FieldSpan(), record);
  PutDate(record);
  return record;
}

void CodeListWindow::EndOfRunClose() {
  const int slot = spec_.keepOpen.slot;
  if (slot <= 0) return CloseBrowse();
  auto& flag = common::CurrentSession().FormOpenFlags.at(static_cast<std::size_t>(slot));
  if (flag != 1) return;
  flag = -1;
  CloseBrowse();
  flag = 0;
}

void CodeListWindow::BindMenu() {
  for (const MenuItemSpec& m : spec_.menu) {
    ui::MenuItem* item = PopupMenu1.Find(std::string(m.slot));
    if (!item) item = &PopupMenu1.AddItem(std::string(m.slot), "");
    item->caption = Cz(m.caption);
    item->visible = true;
    item->onClick = [this, action = m.action, id = m.customId](ui::MenuItem&) {
      switch (action) {
        case MenuAction::Print: CodeListPrint(); break;
        case MenuAction::Recode:
          CodeListRecode();
          RepaintPage();
          break;
        case MenuAction::Custom: MenuCommand(id); break;
      }
    };
  }
}

void CodeListWindow::ShowHelp(int) {
  if (!spec_.helpFile.empty()) browser::ShowHelpTopic(std::string(spec_.helpFile), Cz(spec_.helpTopic));
}

// ---------------------------------------------------------------- keys and tests

std::string CodeListWindow::KeyOf(const KeySpec& key, std::string_view record) const {
  std::string k;
  for (int f : key.fields) {
    const auto i = static_cast<std::size_t>(f - 1);
    if (f < 1 || i >= offsets_.size()) continue;
    // The length byte is clamped to the field's capacity: a damaged record reads no further.
    k += common::GetCounted(record, static_cast<std::size_t>(offsets_[i]), Field(f).width);
  }
  return k;
}

std::string CodeListWindow::KeyOf(std::string_view record) const { return KeyOf(spec_.key, record); }

bool CodeListWindow::CompareKeys(const KeySpec& key, const std::string& a, const std::string& b) const {
  switch (key.compare) {
    case KeyCompare::Bytes: return a < b;  // char_traits<char> compares as unsigned bytes
    case KeyCompare::CzSortKey: return common::CzSortKey(a) < common::CzSortKey(b);
    case KeyCompare::UpperCz: return common::UpperCz(a) < common::UpperCz(b);
    case KeyCompare::Custom: return key.less ? key.less(a, b) : a < b;
  }
  return a < b;
}

bool CodeListWindow::KeyLess(std::string_view a, std::string_view b) const {
  return CompareKeys(spec_.key, KeyOf(a), KeyOf(b));
}

bool CodeListWindow::IsDeleted(std::string_view record) const {
  const DeletedSpec& d = spec_.deleted;
  const auto i = static_cast<std::size_t>(d.field - 1);
  if (d.test == DeletedTest::Never || d.field < 1 || i >= offsets_.size()) return false;
  const std::string text = common::GetCounted(record, static_cast<std::size_t>(offsets_[i]), Field(d.field).width);
  switch (d.test) {
    case DeletedTest::Equals: return text == d.marker;
    case DeletedTest::StartsWith: return text.starts_with(d.marker);
    case DeletedTest::LeadingBlanks:
      return static_cast<int>(text.size()) >= d.blanks &&
             text.find_first_not_of(' ') >= static_cast<std::size_t>(d.blanks);
    case DeletedTest::AllBlank: return text.find_first_not_of(' ') == std::string::npos;
    case DeletedTest::Never: break;
  }
  return false;
}

std::string CodeListWindow::FieldOf(std::string_view record, int f) const {
  const auto i = static_cast<std::size_t>(f - 1);
  if (f < 1 || i >= offsets_.size()) return {};
  return common::GetCounted(record, static_cast<std::size_t>(offsets_[i]), Field(f).width);
}

void CodeListWindow::PutField(std::string& record, int f, std::string_view text) const {
  const auto i = static_cast<std::size_t>(f - 1);
  if (f < 1 || i >= offsets_.size()) return;
  common::PutCounted(record, static_cast<std::size_t>(offsets_[i]), text, Field(f).width);
}

std::string CodeListWindow::RecordKey(std::int32_t n) {
  if (n < 1 || n > Count) return {};
  RecordRead(n);
  return KeyOf(RecordBuffer);
}

// ---------------------------------------------------------------- writes

void CodeListWindow::PutDate() {
  if (spec_.dateField < 1 || static_cast<std::size_t>(spec_.dateField) > offsets_.size()) return;
  RecordBuffer.resize(static_cast<std::size_t>(std::max(RecordLength, 0)), '\0');
  PutDate(RecordBuffer);
}

void CodeListWindow::PutDate(std::string& record) const {
  const int f = spec_.dateField;
  if (f < 1 || static_cast<std::size_t>(f) > offsets_.size()) return;
  const std::string today = Cut(common::SwapDate(common::DateNoDots(common::TodayText())), 6);
  common::PutCounted(record, static_cast<std::size_t>(offsets_[static_cast<std::size_t>(f - 1)]), today, Field(f).width);
}

void CodeListWindow::RecordWrite(std::int32_t n) {
  switch (spec_.stamp) {
    case StampPolicy::None: return TfSoub::RecordWrite(n);
    case StampPolicy::EveryWrite:
      PutDate();
      return TfSoub::RecordWrite(n);
    case StampPolicy::OnChangedFlag:
      if (Changed) PutDate();
      TfSoub::RecordWrite(n);
      Changed = false;
      return;
  }
}

void CodeListWindow::ShiftRead(std::int32_t n) {
  if (spec_.shift == ShiftWrite::Raw)
    RecordReadAt(n);
  else
    RecordRead(n);
}

void CodeListWindow::ShiftWriteRecord(std::int32_t n) {
  if (spec_.shift == ShiftWrite::Raw)
    RecordWriteAt(n);
  else
    RecordWrite(n);
}

void CodeListWindow::UsePhysicalOrder() {
  ClearSortOrder();  // keeps the cursor on the same record
  IndexFilesClose();
}

bool CodeListWindow::FileFree() { return DataFilePath.empty() || common::IfVolny(DataFilePath).empty(); }

bool CodeListWindow::Refused(bool guarded, std::string_view refusal) {
  if (!guarded || DataFilePath.empty()) return false;
  const std::string holder = common::IfVolny(DataFilePath);
  if (holder.empty()) return false;
  std::string text = Cz(refusal);
  if (common::NoServerReply(holder)) {
    // Nobody need be at work: the server did not answer in time.
    if (const std::size_t busy = text.find(Cz(", někdo právě pracuje")); busy != std::string::npos) text.resize(busy);
    text += ", " + common::NoServerReplyText();
  }
  common::BeepMessage(text);
  return true;
}

// ---------------------------------------------------------------- moves

bool CodeListWindow::RewriteRecords(std::int32_t first, std::int32_t last, const std::function<bool()>& step) {
  const auto len = static_cast<std::uint64_t>(RecordLength);
  if (KeyedView()) return RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), step);  // positions are not record numbers
  return RewriteInPlace(static_cast<std::uint64_t>(first - 1) * len, static_cast<std::uint64_t>(last - first + 1) * len, step);
}

// The records a write of record p (the record buffer) and the moves after it may touch:
// up to the first record before p whose key is not above the buffer's, down to the last
// one after p whose key is below it; the whole file where a sort may follow.
browser::TfSoub::RecordSpan CodeListWindow::MoveSpan(std::int32_t p) {
  if (p < 1) return {};
  const bool moves = spec_.reposition != Reposition::None || spec_.deletePolicy == DeletePolicy::MarkerMoveUp;
  if (!moves) return {p, p};
  if (KeyedView() || spec_.reposition == Reposition::FullSortNow || spec_.reposition == Reposition::FullSortWhenFree)
    return {1, std::max(p, Count)};
  std::string other;
  std::int32_t first = p, last = p;
  while (first > 1 && ReadPhysical(first - 1, other) && KeyLess(RecordBuffer, other)) --first;
  while (last < Count && ReadPhysical(last + 1, other) && KeyLess(other, RecordBuffer)) ++last;
  return {first, last};
}

CodeListWindow::CoveredStep CodeListWindow::CoverMoves() {
  return CoveredStep(*this, [this](std::int32_t p) { return MoveSpan(p); });
}

// The moves find the new place first and then rewrite only the records between the
// old and the new place, all under the write turn with a rollback copy of that range.
void CodeListWindow::MoveRecordUp(std::int32_t i) {
  WriteTurn turn(*this);
  if (!turn.ok()) return;
  RecountRecords();
  if (i < 2 || i > Count) return;
  Notice notice("Zatřizuji větu");
  ShiftRead(i);
  if (!lastIoOk()) return;
  const std::string kept = RecordBuffer;
  std::vector<std::string> shifted;  // records i - 1, i - 2, ... each going one place up
  std::int32_t place = 1;
  for (std::int32_t j = i - 1; j >= 1; --j) {
    ShiftRead(j);
    if (!lastIoOk()) return;
    if (!KeyLess(kept, RecordBuffer)) {  // kept >= key(j)
      place = j + 1;
      break;
    }
    shifted.push_back(RecordBuffer);
  }
  if (place < i && !RewriteRecords(place, i, [&] {
        for (std::size_t k = 0; k < shifted.size(); ++k) {
          RecordBuffer = shifted[k];
          ShiftWriteRecord(i - static_cast<std::int32_t>(k));
          if (!lastIoOk()) return false;
        }
        RecordBuffer = kept;
        RecordWrite(place);
        return lastIoOk();
      }))
    return;
  Current = place;
}

void CodeListWindow::MoveRecordDown(std::int32_t i) {
  WriteTurn turn(*this);
  if (!turn.ok()) return;
  RecountRecords();
  if (i < 1 || i >= Count) return;
  Notice notice("Zatřizuji větu");
  ShiftRead(i);
  if (!lastIoOk()) return;
  const std::string kept = RecordBuffer;
  std::vector<std::string> shifted;  // records i + 1, i + 2, ... each going one place down
  std::int32_t place = Count;
  for (std::int32_t j = i + 1; j <= Count; ++j) {
    ShiftRead(j);
    if (!lastIoOk()) return;
    if (!KeyLess(RecordBuffer, kept)) {  // kept <= key(j)
      place = j - 1;
      break;
    }
    shifted.push_back(RecordBuffer);
  }
  if (place > i && !RewriteRecords(i, place, [&] {
        for (std::size_t k = 0; k < shifted.size(); ++k) {
          RecordBuffer = shifted[k];
          ShiftWriteRecord(i + static_cast<std::int32_t>(k));
          if (!lastIoOk()) return false;
        }
        RecordBuffer = kept;
        RecordWrite(place);
        return lastIoOk();
      }))
    return;
  Current = place;
}

void CodeListWindow::Reposition() {
  WriteTurn turn(*this);
  if (!turn.ok()) return;
  RecountRecords();
  switch (spec_.reposition) {
    case Reposition::None: return;
    case Reposition::FullSortNow: SortFile(); return;
    case Reposition::FullSortWhenFree:
      if (FileFree()) {
        SortFile();
        return;
      }
      break;  // another user holds the file: the local moves
    case Reposition::Incremental: break;
  }
  if (Current == 1) MoveRecordDown(1);
  if (Current == Count) MoveRecordUp(Count);
  if (Current < 1 || Current > Count) return;
  RecordRead(Current);
  const std::string copy = RecordBuffer;
  if (Current < Count) RecordRead(Current + 1);
  if (KeyLess(copy, RecordBuffer))
    MoveRecordUp(Current);
  else
    MoveRecordDown(Current);
}

// ---------------------------------------------------------------- edit, new, delete

void CodeListWindow::EditRecord() {
  if (RefusedWhileCopyLeft() || Count < 1 || !MayEdit || !DataFileUsable()) return;
  UsePhysicalOrder();
  if (Refused(spec_.guards.edit, spec_.guards.editRefusal)) return;
  Changed = false;
  {
    WriteStep step(*this);  // the turn the edit's write takes stays for the moves
    // One copy covers the record's write with its new key and the moves that follow.
    CoveredStep cover = CoverMoves();
    TfSoub::EditRecord();
    Reposition();
  }
  GoToRecord(Current, 0);
}

void CodeListWindow::NewRecord() {
  if (RefusedWhileCopyLeft()) return;
  UsePhysicalOrder();
  if (Refused(spec_.guards.add, spec_.guards.addRefusal)) return;
  RecordBuffer = RecordTemplate;
  {
    // From the append (after the edit window closed) to the last shift no other write
    // comes between; the new record moves by its own number.
    WriteStep step(*this);
    CoveredStep cover = CoverMoves();
    TfSoub::NewRecord();
    if (const std::int32_t own = AppendedRecord(); own > 0) {
      Current = own;
      if (spec_.reposition == Reposition::Incremental)
        MoveRecordUp(own);
      else
        Reposition();
    }
  }
  DataFileReopen();
  GoToRecord(Current, 0);
  RepaintPage();
}

void CodeListWindow::DeleteRecord(std::int32_t) {
  if (RefusedWhileCopyLeft() || Count < 1 || !MayDelete || !DataFileUsable()) return;  // a list opened for reading asks nothing
  UsePhysicalOrder();
  if (Refused(spec_.guards.del, spec_.guards.deleteRefusal)) return;
  const std::int32_t former = Current;
  if (spec_.deletePolicy == DeletePolicy::TemplateInPlaceAsk && !browser::AskOne(10, 10, Cz(spec_.deleteQuestion)))
    return;
  bool deleted = false;
  {
    WriteStep step(*this);  // the delete and its shifts in one turn, under one copy
    CoveredStep cover = CoverMoves();
    // Reads the record (refused when it is no longer the chosen one), then ClearRecord
    // below, then writes.
    deleted = DeleteCurrent();
    if (deleted && spec_.deletePolicy == DeletePolicy::MarkerMoveUp) {
      if (spec_.reposition == Reposition::FullSortWhenFree && FileFree())
        SortFile();
      else
        MoveRecordUp(Current);
    }
  }
  if (!deleted) {
    RepaintPage();  // what the file holds now
    return;
  }
  switch (spec_.afterDelete) {
    case AfterDelete::FormerCurrent: GoToRecord(std::min(former, Count), 0); break;
    case AfterDelete::FormerCurrentPlusOne: GoToRecord(std::min(former + 1, Count), 0); break;
    case AfterDelete::StayInPlace: break;
  }
  Changed = true;
}

// The deleted record: the template, with the deletion marker where the list keeps one.
void CodeListWindow::ClearRecord() {
  RecordBuffer = RecordTemplate;
  const bool marker = spec_.deletePolicy == DeletePolicy::MarkerMoveUp || spec_.deletePolicy == DeletePolicy::MarkerInPlace;
  if (marker)
    for (const FieldWrite& w : spec_.deleted.writes) {
      const auto i = static_cast<std::size_t>(w.field - 1);
      if (w.field >= 1 && i < offsets_.size())
        common::PutCounted(RecordBuffer, static_cast<std::size_t>(offsets_[i]), Cz(w.text), Field(w.field).width);
    }
}

// ---------------------------------------------------------------- close

void CodeListWindow::CloseBrowse() {
  const int slot = spec_.keepOpen.slot;
  const bool endOfRun = slot > 0 && common::CurrentSession().FormOpenFlags.at(static_cast<std::size_t>(slot)) == -1;
  if (slot > 0 && !endOfRun && spec_.keepOpen.deferClose) return;
  if (DataFileUsable() && Count > 0 && spec_.closeSort != CloseSort::Never) {
    UsePhysicalOrder();
    RecordRead(1);
    bool wanted = spec_.closeSort == CloseSort::Always || (lastIoOk() && IsDeleted(RecordBuffer));
    if (spec_.closeSort == CloseSort::WhenFirstDeletedOrOtherOrder && OtherOrder()) wanted = true;
    if (wanted && (!spec_.closeNeedsFree || common::IfVolny(DataFilePath).empty())) {
      auto sort = [this] {
        BeforeCloseSort();
        SortFile();
      };
      // Someone who opened the file since the question keeps it unsorted.
      if (spec_.closeNeedsFree)
        WithWriteLockOnce(sort);
      else
        sort();
    }
  }
  if (slot > 0 && !endOfRun) return;  // kept open: the files stay open for the run
  TfSoub::CloseBrowse();
}

// ---------------------------------------------------------------- the unit sort

bool CodeListWindow::SortFile() {
  const KeySpec& key = SortKey();
  const auto len = static_cast<std::size_t>(RecordLength);
  InPlaceSort plan;
  plan.keep = [&](std::string_view r) { return !IsDeleted(r); };
  plan.less = [&](std::string_view a, std::string_view b) {
    return CompareKeys(key, KeyOf(key, a.substr(0, len)), KeyOf(key, b.substr(0, len)));
  };
  plan.notice = spec_.sortNotice.empty() ? std::string() : Cz(spec_.sortNotice);
  plan.limits = sortLimits;
  plan.read = [this](std::int32_t n) {
    ShiftRead(n);
    return lastIoOk();
  };
  plan.write = [this](std::int32_t n) {
    SortOutputRecord(n);
    ShiftWriteRecord(n);
    return lastIoOk();
  };
  if (!SortInPlace(plan)) return false;
  Sorted();
  return true;
}

// ---------------------------------------------------------------- recode

void CodeListWindow::CodeListRecode() {
  if (spec_.recodeFields.empty()) return;
  UsePhysicalOrder();
  RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [this] {
    for (std::int32_t n = 1; n <= Count; ++n) {
      RecordRead(n);
      if (!lastIoOk()) return false;
      for (int f : spec_.recodeFields) {
        const auto i = static_cast<std::size_t>(f - 1);
        if (f < 1 || i >= offsets_.size()) continue;
        const auto at = static_cast<std::size_t>(offsets_[i]);
        const int width = Field(f).width;
        common::PutCounted(RecordBuffer, at,
                           Cut(common::KamenickyToCp1250(common::GetCounted(RecordBuffer, at, width)), width), width);
      }
      RecordWrite(n);
      if (!lastIoOk()) return false;
    }
    return true;
  });
}

// ---------------------------------------------------------------- listing

std::string CodeListWindow::ListingTitle() const { return Cz(spec_.listing.title); }

std::vector<std::string> CodeListWindow::ListingHeaderLines(int page) {
  const common::Session& s = common::CurrentSession();
  const ListingSpec& l = spec_.listing;
  std::vector<std::string> lines;
  const std::string date = common::TodayText();
  if (l.header == ListingHeader::Texty) {
    lines = {"\f", "", "",
             s.FirmTitle + std::string(13, ' ') + ListingTitle() + " " + std::string(33, ' ') + "L:" +
                 common::IntToText(page, 3) + " D:" + date,
             "", Cz(l.columnLine), std::string(94, '='), ""};
    return lines;
  }
  return browser::StandardListingHeader(*this, ListingTitle(), page, l.formFeedAlways || s.NovyList);
}

std::string CodeListWindow::ListingLineOf(std::int32_t n) {
  const ListingSpec& l = spec_.listing;
  std::string row = RecordToColumns(n);
  if (l.line == ListingLine::CollapseAfter) {
    row = Cut(row, 200);
    const auto keep = static_cast<std::size_t>(std::max(l.keep, 0));
    if (row.size() > keep) row = row.substr(0, keep) + common::CollapseSpaces(row.substr(keep));
  }
  return Cut(row, static_cast<std::size_t>(l.cut));
}

void CodeListWindow::CodeListPrint() {
  const ListingSpec& l = spec_.listing;
  if (l.report.empty()) return;
  browser::RecordListing listing;
  listing.report = std::string(l.report);
  listing.width = l.width;
  listing.count = Count;
  listing.linesAfterHeader = l.linesAfterHeader;
  if (l.pageAtLimit) listing.limitMargin = 1;  // a new page when the counter reaches LimRad
  listing.header = [this](int page) { return ListingHeaderLines(page); };
  listing.line = [this](std::int32_t n) { return ListingLineOf(n); };
  listing.source = this;
  browser::PrintRecordListing(listing);
}

// ---------------------------------------------------------------- picker

std::optional<std::string> PickRecord(CodeListWindow& w, const std::function<void()>& setup, const std::function<std::int32_t()>& find,
                bool needEnter, const std::function<void(const std::string& record)>& take) {
  if (setup) setup();
  if (find) {
    const std::int32_t at = std::abs(find());
    if (at >= 1 && at <= w.Count) w.GoToRecord(at, 0);
  }
  w.ShowModal();
  std::optional<std::string> chosen;
  if (w.Current > 0 && w.Current <= w.Count && (!needEnter || w.CloseKey == 13)) {
    w.RecordRead(w.Current);
    if (w.IoOk()) {
      chosen = w.RecordBuffer;  // the close may read other records
      if (take) take(*chosen);
    }
  }
  w.CloseBrowse();
  return chosen;
}

}  // namespace codelists
