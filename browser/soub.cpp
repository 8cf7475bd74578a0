#include "browser/soub.h"

#include <fcntl.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

#include "browser/choosers/foto.h"
#include "browser/choosers/pictures.h"
#include "browser/codec.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/export.h"
#include "browser/hint.h"
#include "browser/recsort.h"
#include "browser/winsettings.h"
#include "common/codepages.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/filesystem.h"
#include "common/inplace.h"
#include "common/iocodes.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/startup.h"
#include "common/text.h"
#include "common/winpath.h"
#include "ui/handlers.h"

namespace browser {

namespace {

constexpr int kStates = kMaxFields + 1;  // arrays [0..264]
constexpr int kSortKeyText = 40;         // column text in a column-sort key
constexpr int kSortItem = 59;            // counted text of 50, then the position twice

// The name without a leading "=" and its folders.
std::string BareDataName(std::string_view name) {
  if (!name.empty() && name.front() == '=') name.remove_prefix(1);
  return std::string(common::NamePart(name));
}

}  // namespace

SoubServices& SoubHooks() {
  static SoubServices services;
  return services;
}

TfSoub::TfSoub(std::string componentName)
    : TfRol(std::move(componentName)),
      KlF4(Add<ui::Button>("KlF4")),
      KlMez(Add<ui::Button>("KlMez")),
      KlF8(Add<ui::Button>("KlF8")),
      KlNajdi(Add<ui::Button>("KlNajdi")),
      FieldErrors(kStates, 0),
      FieldStates(kStates, 1),
      DbfFolder(kDbfFolder) {
  using common::Cz;
  const struct {
    ui::Button& button;
    const char* caption;
    std::function<void()> action;
  } buttons[] = {{KlF4, "Nový", [this] { NewRecord(); }},
                 {KlMez, "Oprav", [this] { EditRecord(); }},
                 {KlF8, "Zruš", [this] { DeleteRecord(Current); }},
                 {KlNajdi, "Hledej", [this] { KlNajdiClick(); }}};
  for (const auto& b : buttons) {
    b.button.SetText(Cz(b.caption));
    b.button.Hide();
    b.button.onClick = [this, action = b.action](ui::Control&) {
      action();
      if (!eHled.Focused() && sgRol.CanFocus()) sgRol.SetFocus();  // the search box keeps it
    };
  }
}

void TfSoub::KlNajdiClick() {
  if (eHled.enabled()) {
    if (!eHled.text().empty()) SearchNext();
    eHled.SetEnabled(false);
    eHled.SetColor(ui::colors::Window);
  } else {
    eHled.SetEnabled(true);
    eHled.SetColor(ui::colors::Yellow);
    if (eHled.CanFocus()) eHled.SetFocus();
  }
}

TfSoub::~TfSoub() {
  // Takes no lock and shows nothing: a lock still held is released by the end of the run.
  if (data_.IsOpen()) data_.Close();
}

// ---------------------------------------------------------------- open and close

void TfSoub::OpenBrowse(const BrowseSetup& setup) {
  ViewMode = setup.viewMode;
  EditTitle = setup.editTitle;
  EditKeyLine = setup.editKeyLine;
  ReadingForView = false;
  RecordLength = setup.recordLength;
  Current = setup.startRecord;
  IndexFilesWanted = RecordLength > 10000;
  if (IndexFilesWanted) RecordLength -= 10000;
  FieldCount = std::clamp(setup.fieldCount, 0, kMaxFields);
  DataFileName = setup.fileName;
  EditColor = setup.editColor;
  EditFontColor = setup.editFontColor;
  ReadOnly = setup.readOnly;
  why_ = ReadOnly ? Why::Asked : Why::None;
  whyCode_ = 0;
  copyKept_ = setup.copyKept;
  MayEdit = MayAdd = MayDelete = !ReadOnly;
  Changed = false;
  KeyLineVisible = true;
  if (RecordLength > 0) {
    RecordBuffer.resize(static_cast<std::size_t>(RecordLength), '\0');
    ViewBuffer.resize(static_cast<std::size_t>(RecordLength), '\0');
  }

  DataFileOpen();
  copyKept_ = false;
  CheckRecordLayout();
  if (cutBytes_ > 0 && WarnsOfCutRecord() && !ReadOnly && !readOnly_)  // a list opened for reading writes nothing
    common::MessageOk(common::Cz("Soubor ") + common::ShownPath(DataFilePath) + common::Cz(" končí useknutou větou: ") +
                      std::to_string(cutBytes_) + common::Cz(" B za poslední celou větou"));
  ActivateBrowse(setup, Count);

  EditFrame = setup.edit;
  WrapAround = false;
  PictureFolder.clear();
  for (int i = 1; i <= FieldCount; ++i) FieldErrors[static_cast<std::size_t>(i)] = 0;
}

void TfSoub::FileMessage(const char* action, const std::string& name, int code) {
  Later([action, name, code] { common::FileErrorMessage(action, name, code); });
}

// ---------------------------------------------------------------- the write turn

bool TfSoub::HoldTurn() {
  if (copyRefused_) return false;
  if (data_.IsOpen() && !turn_.Held()) {
    // A list opened for reading reads under a reading turn: no write of another comes between.
    if (const int code = common::TakeTurnWaiting(turn_, data_, DataFileName, !ReadOnly && !readOnly_)) {
      FileMessage(" pise soubor: ", DataFileName, code);
      return false;
    }
    if (!PutBackUnderTurn()) {
      copyRefused_ = steps_ > 0;  // the rest of the step writes nothing either
      GiveTurnBack();
      return false;
    }
  }
  ++holds_;
  return true;
}

bool TfSoub::PutBackUnderTurn() {
  if (readOnly_ || ReadOnly || DataFileName.empty()) return true;  // RefusedWhileCopyLeft's, or nothing written
  common::TakenBack what;
  const common::LeftCopy left = common::PutBackBeforeRewrite(DataFilePath, &what);
  const std::string text =
      common::LeftCopyStepText(ShownName(), common::ShownPath(common::RollbackCopyName(DataFilePath)), left, what,
                               DataFilePath, common::Cz(", soubor se nepřepíše"));
  const bool putBack = left == common::LeftCopy::PutBack;
  if (putBack)
    Later([text] { common::NewsMessage(text); });
  else if (!text.empty())
    LaterMessage(text);
  if (putBack || what.changed) {
    // The step reads the file as put back: the count, the page and the records it checks.
    DataFileReopen();
    AfterTakeBack();
  }
  return putBack ? dataOk_ : text.empty();
}

void TfSoub::EndTurn() {
  if (--holds_ == 0 && steps_ == 0) GiveTurnBack();
}

void TfSoub::GiveTurnBack() {
  turn_.Release();
  std::vector<std::function<void()>> shown;
  shown.swap(later_);
  for (const auto& show : shown) show();
}

void TfSoub::Later(std::function<void()> show) {
  if (turn_.Held())
    later_.push_back(std::move(show));
  else
    show();
}

void TfSoub::LaterMessage(const std::string& text) {
  Later([text] { common::MessageOk(text); });
}

void TfSoub::RecountRecords() {
  std::uint64_t size = 0;
  if (ViewMode >= 0 || RecordLength <= 0 || !data_.IsOpen() || data_.Size(size) != 0) return;
  Count = static_cast<std::int32_t>(std::min<std::uint64_t>(size / static_cast<std::uint64_t>(RecordLength), 0x7FFFFFFF));
}

bool TfSoub::CurrentIsChosen() {
  if (Current < 1 || Current > Count) return false;
  const std::int32_t p = PhysicalRecord(IndexPositionToRecord(Current));
  if (p != shownPhysical_) return true;
  std::string now;
  return ReadPhysical(p, now) && now == shownBytes_;
}

bool TfSoub::CurrentStillChosen() {
  if (CurrentIsChosen()) return true;
  LaterMessage(common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel"));
  return false;
}

// ---------------------------------------------------------------- steps over marks

std::optional<std::uint64_t> TfSoub::MarkValue(std::int32_t n) {
  if (!data_.IsOpen() || n < 1) return std::nullopt;
  const std::int32_t p = PhysicalRecord(n);
  // At the cursor the row as the grid shows it is what the user marked; under a turn the file.
  if (p == shownPhysical_ && !turn_.Held()) return common::ContentHash(shownBytes_);
  std::string bytes;
  if (!ReadPhysical(p, bytes)) bytes.clear();  // no record there: no record ever matches
  return common::ContentHash(bytes);
}

std::int32_t TfSoub::StaleMark() {
  std::string bytes;
  for (const auto& [n, value] : Marks.kept()) {
    if (!Marks.IsMarked(n)) continue;
    if (!KeyedView() && n > Count) return n;
    if (!ReadPhysical(PhysicalRecord(n), bytes) || common::ContentHash(bytes) != value) return n;
  }
  return 0;
}

void TfSoub::DropStaleMarks() {
  ClearMarks();
  LaterMessage(common::Cz("Označené věty mezitím změnil jiný uživatel, nic se neprovedlo; označte je znovu"));
  RepaintPage();
}

bool TfSoub::MarksStillChosen() {
  if (StaleMark() == 0) return true;
  DropStaleMarks();
  return false;
}

bool TfSoub::StepOverMarks(const std::function<bool()>& step) {
  if (!rewriting_ && !cover_ && RefusedWhileCopyLeft()) return false;
  WriteTurn turn(*this);
  if (!turn.ok()) return false;
  if (!rewriting_) RecountRecords();
  return MarksStillChosen() && step();
}

bool TfSoub::CarryMarked(const std::function<bool()>& read) {
  if (turn_.Held() || !data_.IsOpen()) return MarksStillChosen() && read();
  bool stale = false, done = false;
  {
    common::FileTurn turn;
    if (const int code = common::TakeTurnWaiting(turn, data_, DataFileName, false)) {
      FileMessage(" cte soubor: ", DataFileName, code);
      return false;
    }
    RecountRecords();
    stale = StaleMark() != 0;
    if (!stale) done = read();
  }
  if (stale) DropStaleMarks();
  return done;
}

void TfSoub::RetakeMarkValues() {
  std::vector<std::int32_t> marked;
  for (const auto& [n, value] : Marks.kept()) marked.push_back(n);
  std::string bytes;
  for (const std::int32_t n : marked) {
    if (!ReadPhysical(PhysicalRecord(n), bytes)) bytes.clear();
    Marks.Keep(n, common::ContentHash(bytes));
  }
}

void TfSoub::KeepMarkOnWrite(std::int32_t physical) {
  if (Marks.kept().empty()) return;
  std::int32_t n = physical;
  if (KeyedView()) {
    n = 0;
    for (std::int32_t p = 1; p <= Count && p <= kSelectionEntries; ++p)
      if (SelectionList[static_cast<std::size_t>(p)] == physical) n = p;
  }
  if (n > 0 && Marks.kept().contains(n)) Marks.Keep(n, common::ContentHash(RecordBuffer));
}

bool TfSoub::CutToRecords(std::int32_t count) {
  const auto size = static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(RecordLength);
  if (int code = data_.Truncate(size)) {
    FileMessage(" pise soubor: ", DataFileName, code);
    return false;
  }
  return true;
}

namespace {

struct Rewriting {
  bool& on;
  explicit Rewriting(bool& b) : on(b) { on = true; }
  ~Rewriting() { on = false; }
};

std::uint64_t EndOf(std::uint64_t offset, std::uint64_t length) {
  return length > std::numeric_limits<std::uint64_t>::max() - offset ? std::numeric_limits<std::uint64_t>::max()
                                                                      : offset + length;
}

std::string NoCopyText(const std::string& name, int code) {
  return common::Cz("Soubor ") + name + common::Cz(" se nepřepíše, nelze uložit kopii pro návrat, err ") +
         common::FormatFloatMask("######", code);
}

}  // namespace

bool TfSoub::EndRewrite(common::InPlaceRewrite& rewrite, bool done) {
  using common::Cz;
  const std::string copy = common::ShownPath(rewrite.CopyName());
  if (done) {
    bool flushing = false;
    const int code = rewrite.Finish(&flushing);
    if (code == 0) return true;
    // The copy left would undo the step at the next opening: the step is taken back.
    LaterMessage(Cz("Soubor ") + ShownName() +
                 (flushing ? Cz(" se nepřepíše, zápis nelze dokončit na disk")
                           : Cz(" se nepřepíše, nelze smazat kopii pro návrat ") + copy) +
                 ", err " + common::FormatFloatMask("######", code));
  }
  common::TakenBack what;
  const int code = rewrite.PutBack(&what);
  if (code == 0) {
    AfterTakeBack();
    return false;
  }
  // Nothing more is written while the copy waits: a later write would be undone with it.
  KeepReadOnly();
  if (what.stuckName.empty())
    LaterMessage(Cz("Soubor ") + ShownName() + Cz(" se nepodařilo vrátit do původního stavu, err ") +
                 common::FormatFloatMask("######", code) + Cz("; vrátí se z kopie ") + copy +
                 Cz(" při dalším zápisu nebo otevření, do té doby je jen pro čtení"));
  else  // another file of the step holds it back: the two go back together
    LaterMessage(Cz("Soubor ") + ShownName() + Cz(" se nepodařilo vrátit do původního stavu: ") +
                 common::StuckText(what) + Cz("; oba se vrátí z kopie ") + copy +
                 Cz(" při dalším zápisu nebo otevření, do té doby je ") + ShownName() + Cz(" jen pro čtení"));
  return false;
}

bool TfSoub::RewriteInPlace(std::uint64_t offset, std::uint64_t length, const std::function<bool()>& step) {
  return RewriteInPlace(offset, length, step, common::StepPlan{});
}

bool TfSoub::RewriteInPlace(std::uint64_t offset, std::uint64_t length, const std::function<bool()>& step,
                            const common::StepPlan& plan) {
  // A list kept read only by a copy that could not be put back says so, as an edit does.
  if (!rewriting_ && !cover_ && RefusedWhileCopyLeft()) return false;
  WriteTurn turn(*this);
  if (!turn.ok() || !data_.IsOpen() || !dataOk_) return false;
  if (rewriting_) return step();  // inside a rewrite of the whole file: its copy holds the old bytes
  // The step reads the count under the turn it writes with: others' appends and cuts are in.
  RecountRecords();
  if (cover_) {
    // Part of a covered step: under its copy.
    if (!CoverWrite(offset, length, 0)) return false;
    bool done = false;
    {
      Rewriting rewriting(rewriting_);
      done = step();
    }
    if (!done) cover_->failed = true;
    if (sgRol.visible()) LayoutGrid();
    return done;
  }
  if (plan.appends.recordLength > 0) {
    // The planned appends stand from the old end: a cut record there goes aside first,
    // as before any new record, so that the old end is a record boundary.
    std::uint64_t size = 0, moved = 0;
    if (const int code = data_.Size(size)) {
      FileMessage(" pise soubor: ", DataFileName, code);
      return false;
    }
    if (!MoveCutRecordAside(size, moved)) return false;
    if (moved > 0) LaterMessage(common::CutTailMovedText(DataFilePath, moved));
  }
  common::InPlaceRewrite rewrite;
  if (const int code = rewrite.Begin(data_, offset, length, plan)) {
    NoCopyTaken(code);
    return false;
  }
  bool done = false;
  try {
    Rewriting rewriting(rewriting_);
    done = step();
  } catch (...) {
    if (rewrite.PutBack() == 0) AfterTakeBack();
    if (sgRol.visible()) LayoutGrid();
    throw;
  }
  const bool ended = EndRewrite(rewrite, done);
  if (sgRol.visible()) LayoutGrid();
  return ended;
}

bool TfSoub::RewriteEachRecord(const std::function<bool(std::int32_t n)>& each) {
  return RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
    for (std::int32_t n = 1; n <= Count; ++n)
      if (!each(n)) return false;
    return true;
  });
}

bool TfSoub::ReplacementPossible() {
  common::FileReplacement probe;
  const int code = probe.Begin(DataFilePath);
  probe.Abort();
  if (code == 0) return true;
  LaterMessage(NoCopyText(ShownName(), code));
  return false;
}

void TfSoub::NoCopyTaken(int code) {
  if (code != common::io::kUnfinishedRewrite) return LaterMessage(NoCopyText(ShownName(), code));
  // Another run's copy met there has been put back or refused, and said: what this step
  // read may be stale, the window reads the file again.
  DataFileReopen();
  AfterTakeBack();
}

std::string TfSoub::StoredRecord(std::string record) {
  if (!common::CurrentSession().ScrambleOn) return record;
  record.swap(RecordBuffer);
  BeforeWriteHook();
  record.swap(RecordBuffer);
  return record;
}

void TfSoub::AfterTakeBack() {
  RecountRecords();
  RetakeMarkValues();
  if (Current > Count) Current = Count;
  if (Top > Count - RowsPerPage) Top = Count - RowsPerPage;
  if (Top < 0) Top = 0;
  if (sgRol.visible()) LayoutGrid();
}

std::string TfSoub::PutBackText(const common::TakenBack& what) const { return common::PutBackText(ShownName(), what); }

bool TfSoub::CoverWrite(std::uint64_t offset, std::uint64_t length, std::int32_t physical) {
  if (!cover_) return true;
  Cover& c = *cover_;
  if (c.failed) return false;
  const std::uint64_t end = EndOf(offset, length);
  if (!c.rewrite.Active()) {
    const auto len = static_cast<std::uint64_t>(std::max(RecordLength, 0));
    std::uint64_t from = offset, to = end;
    if (const RecordSpan span = c.span ? c.span(physical) : RecordSpan{}; span.first >= 1 && span.last >= span.first) {
      from = std::min(from, static_cast<std::uint64_t>(span.first - 1) * len);
      to = std::max(to, EndOf(static_cast<std::uint64_t>(span.first - 1) * len,
                              static_cast<std::uint64_t>(span.last - span.first + 1) * len));
    }
    std::uint64_t size = 0;
    int code = data_.Size(size);
    if (code == 0) code = c.rewrite.Begin(data_, from, to - from);
    if (code != 0) {
      c.failed = true;
      NoCopyTaken(code);
      return false;
    }
    c.from = from;
    c.to = to >= size ? std::numeric_limits<std::uint64_t>::max() : to;  // bytes past the end go with the cut
    return true;
  }
  if (offset >= c.from && end <= c.to) return true;
  c.failed = true;
  LaterMessage(common::Cz("Soubor ") + ShownName() + common::Cz(" se nepřepíše, kopie pro návrat nedrží věty od bajtu ") +
               std::to_string(offset));
  return false;
}

TfSoub::CoveredStep::CoveredStep(TfSoub& s, std::function<RecordSpan(std::int32_t physical)> span)
    : s_(s), own_(!s.cover_ && !s.rewriting_), exceptions_(std::uncaught_exceptions()) {
  if (!own_) return;
  s_.cover_ = std::make_unique<Cover>();
  s_.cover_->span = std::move(span);
}

TfSoub::CoveredStep::~CoveredStep() {
  if (!own_) return;
  std::unique_ptr<Cover> cover = std::move(s_.cover_);
  if (cover->rewrite.Active()) s_.EndRewrite(cover->rewrite, !cover->failed && std::uncaught_exceptions() <= exceptions_);
}

bool TfSoub::WithWriteLockOnce(const std::function<void()>& work) {
  const bool ownLock = lock_ == common::LockResult::Held;
  if (ownLock) common::UnlockFile(DataFilePath);
  std::string holder;
  const common::LockResult w = common::TryLockFile(common::CurrentSession(), DataFilePath, "W", holder);
  if (!common::GivenUpOrStopped(w) && w != common::LockResult::Busy) {
    struct Back {
      TfSoub& s;
      common::LockResult w;
      bool own;
      ~Back() {
        if (w == common::LockResult::Held) common::UnlockFile(s.DataFilePath);
        if (own) s.lock_ = common::LockFile(s.DataFilePath, "");
      }
    } back{*this, w, ownLock};
    work();
    return true;
  }
  if (ownLock) lock_ = common::LockFile(DataFilePath, "");
  return false;
}

std::string TfSoub::ShownName() const {
  return DataFileName.starts_with('=') ? common::ShownPath(DataFileName) : DataFileName;
}

void TfSoub::KeepReadOnly() {
  readOnly_ = true;
  dataOk_ = false;
  mayBefore_[0] = MayEdit;
  mayBefore_[1] = MayAdd;
  mayBefore_[2] = MayDelete;
  MayEdit = MayAdd = MayDelete = false;
}

common::LeftCopy TfSoub::PutBackStepAside(common::TakenBack& what) {
  // The copy goes back only while no other user holds the file: this window's own
  // registration steps aside meanwhile. A writer at work is waited for.
  const bool own = lock_ == common::LockResult::Held;
  common::LeftCopy left = common::LeftCopy::Stuck;
  if (!own || common::UnlockFile(DataFilePath)) {
    left = common::PutBackAfterWriter(DataFilePath, &what, false, ShownName());
    if (own) lock_ = common::LockFile(DataFilePath, "");
  }
  return left;
}

bool TfSoub::LeaveReadOnly() {
  readOnly_ = false;
  MayEdit = mayBefore_[0];
  MayAdd = mayBefore_[1];
  MayDelete = mayBefore_[2];
  // The file that came back is judged as an opening judges it: whether it can be written,
  // and whether its records are of the layout.
  const bool was = ReadOnly;
  DataFileReopen();
  CheckRecordLayout();
  return ReadOnly && !was;
}

std::string TfSoub::ReadOnlyReason() const {
  using common::Cz;
  if (!ReadOnly || DataFileName.empty()) return {};
  if (why_ == Why::NotWritable)
    return Cz("Soubor ") + ShownName() + Cz(" nelze zapsat (err ") + std::to_string(whyCode_) +
           Cz("), změny se nezapisují");
  if (why_ == Why::LockTable)
    return Cz("Soubor ") + ShownName() + Cz(" je otevřen jen pro čtení, tabulku sdílení souborů nelze zapsat, změny se nezapisují");
  return Cz("Soubor ") + ShownName() + Cz(" je otevřen jen pro čtení, změny se nezapisují");
}

bool TfSoub::SaysReadOnly() {
  const std::string why = ReadOnlyReason();
  if (why.empty()) return false;
  // Records judged while another workstation rewrites the file: its step under way is why.
  if (why_ == Why::Layout && data_.IsOpen() && common::CopyLeftBeside(DataFilePath)) {
    common::FileTurn look;
    if (look.Take(data_, false, 0) == common::io::kLockViolation) {
      LaterMessage(common::LeftCopyStepText(ShownName(), common::ShownPath(common::RollbackCopyName(DataFilePath)),
                                            common::LeftCopy::InUse, {}, DataFilePath,
                                            common::Cz(", změny se nezapisují")));
      return true;
    }
  }
  LaterMessage(why);
  return true;
}

void TfSoub::OpenedNotWritable(int code) {
  ReadOnly = true;
  why_ = Why::NotWritable;
  whyCode_ = code;
  MayEdit = MayAdd = MayDelete = false;
  LaterMessage(common::Cz("Soubor ") + ShownName() + common::Cz(" nelze zapsat (err ") + std::to_string(code) +
               common::Cz("), otevírám ho jen pro čtení"));
}

bool TfSoub::MayCarry() {
  using common::Cz;
  if (DataFileName.empty()) return true;
  const std::string copy = common::RollbackCopyName(DataFilePath);
  carry_ = Carry::Allowed;
  if (!readOnly_ && !common::FileExists(copy)) {
    // The records go as the file holds them now, not as the opening counted them.
    if (data_.IsOpen()) DataFileReopen();
    return true;
  }
  common::TakenBack what;
  const common::LeftCopy left = PutBackStepAside(what);
  const std::string text =
      common::LeftCopyStepText(ShownName(), common::ShownPath(copy), left, what, DataFilePath,
                               common::RefusalTail::Current(Cz(", jeho věty se nikam nepřenášejí")));
  if (left == common::LeftCopy::PutBack) {
    common::NewsMessage(text);
  } else if (!text.empty()) {
    carry_ = Carry::Refused;
    common::MessageOk(text);
    return false;
  }
  // A copy put back, or a writer waited for until it ended: the count and the records
  // are read anew.
  if (readOnly_)
    LeaveReadOnly();
  else
    DataFileReopen();
  if (left == common::LeftCopy::PutBack) RetakeMarkValues();
  return true;
}

bool TfSoub::RefusedWhileCopyLeft() {
  using common::Cz;
  if (DataFileName.empty()) return false;
  // Opened for reading only (not writable, its records not in the layout): every write
  // says so, whoever else is at work on the file.
  if (!readOnly_) return SaysReadOnly();
  common::TakenBack what;
  const common::LeftCopy left = PutBackStepAside(what);
  if (left == common::LeftCopy::Stuck || left == common::LeftCopy::InUse) {
    const std::string why = common::StuckReasonText(DataFilePath, what);
    const std::string copy = common::ShownPath(common::RollbackCopyName(DataFilePath));
    using H = common::TakenBack::Held;
    LaterMessage(what.held == H::FileMissing
                     ? common::StuckCopyText(ShownName(), copy, what, DataFilePath) + Cz(": je jen pro čtení")
                 : what.held == H::CopyNotErased || what.finished
                     ? Cz("Soubor ") + ShownName() + Cz(" je jen pro čtení, dokud nelze smazat kopii ") + copy + " (" + why + ")"
                     : Cz("Soubor ") + ShownName() + Cz(" je jen pro čtení, dokud nelze vrátit nedokončený přepis z kopie ") +
                           copy + (why.empty() ? "" : " (" + why + ")"));
    return true;
  }
  if (left == common::LeftCopy::PutBack) LaterMessage(PutBackText(what));
  // The file that came back may still be one to read only: said by the judging, or here.
  const bool said = LeaveReadOnly();
  RepaintPage();
  return ReadOnly && (said || SaysReadOnly());
}

void TfSoub::RecoverLeftCopy() {
  using common::Cz;
  readOnly_ = false;
  common::TakenBack what;
  switch (common::PutBackLeftCopy(DataFilePath, &what)) {
    case common::LeftCopy::PutBack:
      // Said whether this opening or one that ended before erasing the copy put the bytes back.
      common::NewsMessage(PutBackText(what));
      break;
    case common::LeftCopy::Stuck:
      readOnly_ = true;
      common::MessageOk(common::StuckCopyText(ShownName(), common::ShownPath(common::RollbackCopyName(DataFilePath)), what,
                                              DataFilePath) +
                        Cz(": otevírá se jen pro čtení"));
      break;
    case common::LeftCopy::None:
    case common::LeftCopy::Finished:  // the step went through: nothing to say
    case common::LeftCopy::InUse: break;
  }
}

bool TfSoub::OpenDataFile(bool opening) {
  // Opening names the file as given; a reopen names its path.
  const char* action = opening ? " otvira soubor: " : " Soub: ";
  const std::string& shown = opening ? DataFileName : DataFilePath;
  dataOk_ = false;
  Count = 0;
  cutBytes_ = 0;
  const std::int32_t size = common::CheckFile(DataFilePath);
  const bool missing = size == -common::io::kFileNotFound;
  if (size < 0 && !missing) {
    // Busy, denied, unreachable: the file is left exactly as it is.
    FileMessage(action, shown, -size);
    return false;
  }
  if (missing && readOnly_) {
    // A copy waits beside the missing file (said at the opening): shown empty, nothing made.
    return true;
  }
  if (missing && !ReadOnly) {
    // Created only when it is not there; one made by someone else meanwhile is kept.
    const int code = common::CreateNewFile(DataFilePath);
    if (code != 0 && code != common::io::kFileExists) {
      FileMessage(action, shown, code);
      return false;
    }
  }
  const bool reading = readOnly_ || ReadOnly;
  int code = data_.Open(DataFilePath, reading ? common::kModeReadOnly : common::DefaultOpenMode());
  if (code == common::io::kAccessDenied && !reading && data_.Open(DataFilePath, common::kModeReadOnly) == 0) {
    // A file the user may read but not write: its records shown, every write refused in words.
    OpenedNotWritable(code);
    code = 0;
  }
  std::uint64_t bytes = 0;
  if (code == 0) code = data_.Size(bytes);
  if (code == 0 && bytes == 1 && !ReadOnly && !readOnly_) {  // a one-byte file holds no record
    code = data_.Truncate(0);
    bytes = 0;
  }
  if (code != 0) {
    data_.Close();
    FileMessage(action, shown, code);
    return false;
  }
  dataOk_ = RecordLength > 0 && !readOnly_ && !ReadOnly;
  cutBytes_ = RecordLength > 0 ? bytes % static_cast<std::uint64_t>(RecordLength) : 0;
  Count = RecordLength > 0 ? static_cast<std::int32_t>(std::min<std::uint64_t>(bytes / static_cast<std::uint64_t>(RecordLength),
                                                                               0x7FFFFFFF))
                           : 0;
  return true;
}

namespace {

constexpr std::uint64_t kWholeCheckBytes = 1u << 20;  // read whole up to this size
constexpr std::uint64_t kHeadCheckBytes = 1u << 18;   // else this much from the start
constexpr std::int32_t kSpreadChecks = 64;            // and as many records spread over the rest

}  // namespace

void TfSoub::CheckRecordLayout() {
  if (!dataOk_ || ReadOnly || Count < 1 || FieldCount < 1 || !RecordsHoldFields()) return;
  const std::span<const FieldDescriptor> fields = FieldSpan();
  if (LayoutLength(fields) > RecordLength) return;  // the fields do not describe the stored record
  const CountedTextCheck check(fields);
  if (check.empty()) return;
  const auto len = static_cast<std::uint64_t>(RecordLength);
  const auto count = static_cast<std::uint64_t>(Count);
  std::string block;
  std::int32_t bad = 0, badField = 0;
  // Records first..first+n-1 read in one go; false on a read error (the reads report theirs).
  const auto scan = [&](std::uint64_t first, std::uint64_t n) {
    block.resize(static_cast<std::size_t>(n * len));
    if (data_.ReadAt(first * len, block.data(), block.size()) != 0) return false;
    for (std::uint64_t i = 0; i < n && bad == 0; ++i)
      if (const int f = check.FirstOverlong(std::string_view(block).substr(static_cast<std::size_t>(i * len), len))) {
        bad = static_cast<std::int32_t>(first + i + 1);
        badField = f;
      }
    return true;
  };
  if (count * len <= kWholeCheckBytes) {
    if (!scan(0, count)) return;
  } else {
    const std::uint64_t head = std::max<std::uint64_t>(1, kHeadCheckBytes / len);
    if (!scan(0, head)) return;
    const std::uint64_t rest = count - head;
    for (std::int32_t k = 1; k <= kSpreadChecks && bad == 0; ++k)
      if (!scan(head + (rest - 1) * static_cast<std::uint64_t>(k) / kSpreadChecks, 1)) return;
  }
  if (bad == 0) return;
  std::string record;
  (void)ReadPhysical(bad, record);
  const int length = static_cast<unsigned char>(record[static_cast<std::size_t>(check.Offset(badField))]);
  using common::Cz;
  LaterMessage(common::DamagedFileText(
      DataFilePath,
      Cz(" neodpovídá popisu své věty (věta ") + std::to_string(bad) + Cz(", položka ") + std::to_string(badField) +
          Cz(": text délky ") + std::to_string(length) + Cz(" v poli pro ") + std::to_string(check.Capacity(badField)) + ")",
      Cz("otevírám ho jen pro čtení")));
  ReadOnly = true;
  why_ = Why::Layout;
  MayEdit = MayAdd = MayDelete = false;
  data_.Close();
  OpenDataFile(true);
}

void TfSoub::DataFileOpen() {
  ActiveOrder = 0;
  IndexFilesClose();
  dataOk_ = false;
  if (!DataFileName.empty()) {
    DataFilePath = DataFileName.front() == '=' ? DataFileName.substr(1) : common::DataDir(DataFileName);
    carry_ = Carry::Unasked;
    // A copy the opening's own check refused has been said: kept, each step looks again.
    if (copyKept_)
      readOnly_ = true;
    else
      RecoverLeftCopy();
    if (readOnly_) KeepReadOnly();
    lock_ = common::LockFile(DataFilePath, "");
    if (lock_ == common::LockResult::ReadOnlyTable) {
      // No lock entry can be written beside it (said once): a write could meet another
      // workstation's, so the list opens for reading and every write says so.
      ReadOnly = true;
      why_ = Why::LockTable;
      MayEdit = MayAdd = MayDelete = false;
    }
    if (IndexFilesWanted) IndexFilesOpen(DataFilePath);
    OpenDataFile(true);
  } else {
    DataFilePath.clear();
    Count = 0;
  }
  SelectionList.clear();
  if (ViewMode >= 0) {
    SelectionList.resize(kSelectionEntries + 1);
    for (int p = 0; p <= kSelectionEntries; ++p) SelectionList[static_cast<std::size_t>(p)] = static_cast<std::uint16_t>(p);
    const std::string name = BareDataName(DataFileName);
    const std::string folder(common::FolderPart(DataFileName));
    const std::size_t dot = name.find('.');
    SelectionPath = common::DataDir(folder + (dot == std::string::npos ? name + "." : name.substr(0, dot + 1)) + "idx");
    std::string stored;
    if (ViewMode == 1 && common::CheckFile(SelectionPath) > 2 && common::ReadFileText(SelectionPath, stored) == 0) {
      const std::size_t entries = std::min<std::size_t>(stored.size() / 2, kSelectionEntries);
      for (std::size_t p = 1; p <= entries; ++p)
        SelectionList[p] = common::GetLE<std::uint16_t>(stored, 2 * (p - 1));
    }
  }
  SortedCount = Count;
  if (Current > Count) Current = Count;
}

void TfSoub::DataFileReopen() {
  if (DataFileName.empty()) return;
  if (data_.IsOpen())
    if (int code = data_.Close()) FileMessage(" Soub: ", DataFilePath, code);
  OpenDataFile(false);
  if (Top > Count - RowsPerPage) Top = Count - RowsPerPage;
  if (Top < 0) Top = 0;
}

void TfSoub::DataFileClose() {
  if (ViewMode == 1 && !SelectionList.empty()) {
    std::string bytes(kSelectionFileSize, '\0');
    for (std::size_t p = 1; p <= kSelectionEntries; ++p) common::PutLE<std::uint16_t>(bytes, 2 * (p - 1), SelectionList[p]);
    if (int code = common::ReplaceFileContents(SelectionPath, bytes)) FileMessage(" pise soubor: ", SelectionPath, code);
  }
  if (!DataFileName.empty()) {
    if (data_.IsOpen())
      if (int code = data_.Close()) FileMessage(" Soub: ", DataFilePath, code);
    IndexFilesClose();
    if (lock_ == common::LockResult::Held) common::UnlockFile(DataFilePath);
    lock_ = common::LockResult::Skipped;
  }
  dataOk_ = false;
  SelectionList.clear();
}

void TfSoub::CloseBrowse() {
  DataFileClose();
  for (int i = 1; i <= FieldCount; ++i) Field(i) = FieldDescriptor{};
  TfRol::CloseBrowse();
}

bool TfSoub::KeyedView() const {
  return ViewMode >= 0 && !SelectionList.empty() && Count <= kSelectionEntries;
}

// ---------------------------------------------------------------- record access

std::int32_t TfSoub::IndexPositionToRecord(std::int32_t p) { return TfRol::IndexPositionToRecord(p); }

std::int32_t TfSoub::IndexPositionToRecord2(std::int32_t p) { return TfRol::IndexPositionToRecord(p); }

std::int32_t TfSoub::SelectionPositionToRecord(std::int32_t p) {
  if (KeyedView() && p >= 1 && p <= Count) return SelectionList[static_cast<std::size_t>(p)];
  return p;
}

std::int32_t TfSoub::PhysicalRecord(std::int32_t p) const {
  if (KeyedView() && p >= 1 && p <= kSelectionEntries) return SelectionList[static_cast<std::size_t>(p)];
  return p;
}

bool TfSoub::ReadPhysical(std::int32_t p, std::string& buffer) {
  const auto len = static_cast<std::size_t>(std::max(RecordLength, 0));
  buffer.resize(len, '\0');
  if (p < 1 || len == 0 || !data_.IsOpen()) return false;
  const int code = data_.ReadAt(static_cast<std::uint64_t>(p - 1) * len, buffer.data(), len);
  if (code != 0) {
    lastCode_ = code;
    return false;
  }
  return true;
}

void TfSoub::ReadPosition(std::int32_t n, bool viaOverride) {
  lastIoOk_ = false;
  if (n < 1 || n > Count || !data_.IsOpen()) return;
  // Kept read only by a copy that cannot go back, a window off screen reads only to carry
  // the record elsewhere.
  if (readOnly_ && !visible() && (carry_ == Carry::Refused || (carry_ == Carry::Unasked && !MayCarry()))) {
    lastCode_ = common::io::kUnfinishedRewrite;
    return;
  }
  if (n > Count || !data_.IsOpen()) return;  // the file as a put-back left it
  const std::int32_t p = viaOverride ? IndexPositionToRecord(n) : IndexPositionToRecord2(n);
  LastPhysicalRecord = p;
  lastCode_ = common::io::kReadPastEnd;
  if (!ReadPhysical(PhysicalRecord(p), RecordBuffer)) {
    if (cover_ && cover_->rewrite.Active()) cover_->failed = true;  // the step cannot go on
    FileMessage(" cte soubor: ", DataFileName, lastCode_);
    return;
  }
  lastIoOk_ = true;
  if (common::CurrentSession().ScrambleOn) AfterReadHook();
}

void TfSoub::RecordRead(std::int32_t n) { ReadPosition(n, true); }

void TfSoub::RecordReadAt(std::int32_t n) { ReadPosition(n, false); }

void TfSoub::RecordReadForView(std::int32_t n) {
  if (n < 1 || n > Count) return;
  const std::int32_t p = IndexPositionToRecord(n);
  LastPhysicalRecord = p;
  if (!ReadPhysical(PhysicalRecord(p), ViewBuffer)) {
    // An unreadable record shows as a blank row; the page goes on.
    std::fill(ViewBuffer.begin(), ViewBuffer.end(), '\0');
    return;
  }
  if (n == Current) {
    shownPhysical_ = PhysicalRecord(p);
    shownBytes_ = ViewBuffer;
  }
  if (common::CurrentSession().ScrambleOn) {
    ReadingForView = true;
    AfterReadHook();
    ReadingForView = false;
  }
}

void TfSoub::WritePosition(std::int32_t n, bool viaOverride) {
  lastIoOk_ = false;
  if (!dataOk_ || !data_.IsOpen()) {
    if (data_.IsOpen()) SaysReadOnly();  // a tool writing into a list opened for reading
    return;
  }
  if (appendAt_ == 0 && (n < 1 || n > Count)) return;
  std::int32_t physical = appendAt_;
  if (physical == 0) {
    const std::int32_t p = viaOverride ? IndexPositionToRecord(n) : IndexPositionToRecord2(n);
    if (!viaOverride) LastPhysicalRecord = p;
    physical = PhysicalRecord(p);
  }
  const auto len = static_cast<std::size_t>(RecordLength);
  const auto at = static_cast<std::uint64_t>(physical - 1) * len;
  if (!CoverWrite(at, len, physical)) return;
  if (common::CurrentSession().ScrambleOn) BeforeWriteHook();
  RecordBuffer.resize(len, '\0');
  if (int code = data_.WriteAt(at, RecordBuffer.data(), len)) {
    if (cover_) cover_->failed = true;
    FileMessage(" pise soubor: ", DataFileName, code);
    return;
  }
  if (physical == shownPhysical_) shownBytes_ = RecordBuffer;
  if (appendAt_ == 0) KeepMarkOnWrite(physical);  // a new record is none a mark was put on
  lastIoOk_ = true;
}

void TfSoub::RecordWrite(std::int32_t n) { WritePosition(n, true); }

void TfSoub::RecordWriteAt(std::int32_t n) { WritePosition(n, false); }

std::uint32_t TfSoub::RecordChecksum() const {
  std::uint32_t sum = 0;
  const auto len = std::min(RecordBuffer.size(), static_cast<std::size_t>(std::max(RecordLength, 0)));
  for (std::size_t i = 0; i < len; ++i) sum += static_cast<unsigned char>(RecordBuffer[i]);
  return sum;
}

void TfSoub::RecordToFields() { browser::RecordToFields(FieldSpan(), RecordBuffer); }

void TfSoub::FieldsToRecord() {
  std::vector<int> wrong;
  browser::FieldsToRecord(FieldSpan(), RecordBuffer, &wrong);
}

void TfSoub::SnapshotFieldValues() {
  for (FieldDescriptor& d : FieldSpan()) d.valueBeforeEdit = d.value;
}

void TfSoub::SetOriginalFieldValues() {
  for (FieldDescriptor& d : FieldSpan()) d.initialValue = d.value;
}

void TfSoub::RecordToCells() {
  const std::vector<std::string> texts = RecordToTexts(FieldSpan(), ViewBuffer);
  for (int c = 1; c <= FieldCount && c < static_cast<int>(ColumnTexts.size()); ++c) {
    const int f = ColumnOrder[static_cast<std::size_t>(c)];
    ColumnTexts[static_cast<std::size_t>(c)] = f >= 1 && f <= static_cast<int>(texts.size()) ? texts[static_cast<std::size_t>(f - 1)] : "";
  }
}

// ---------------------------------------------------------------- record pictures

std::string TfSoub::RecordPictureFile(int k) {
  ShownPicture = 0;
  return PicturesOn ? PictureFileName(k) : std::string();
}

std::int32_t TfSoub::PictureRecord() {
  const std::int32_t position = CursorRow() + Top;
  if (position < 1 || position > Count) return 0;
  return SelectionPositionToRecord(IndexPositionToRecord(position));
}

std::string TfSoub::PictureFileName(int n) {
  const std::int32_t record = PicturesOn ? PictureRecord() : 0;
  if (record < 1) return {};
  return common::DataDir("doklady\\") + PictureFolder + "\\" + RecordPictureKey(record) + "-" +
         common::FormatFloatMask("@@", n) + ".jpg";
}

void TfSoub::ShowRecordPictures() {
  if (!PicturesOn || PictureRecord() < 1) return;
  ++ShownPicture;
  for (;;) {
    const std::string name = PictureFileName(ShownPicture);
    if (common::CheckFile(name) > 2) {
      try {
        Image.SetPicture(LoadRecordPicture(name));
      } catch (const std::exception& e) {
        ui::ShowMessage(e.what());
        return;
      }
      Panel.SetBounds(Panel.left(), Panel.top(), Image.width() + 6, Image.height() + 6);
      Panel.Show();
      return;
    }
    if (ShownPicture == 0) return;
    ShownPicture = 0;
  }
}

void TfSoub::LetterKey(int code) {
  if (PicturesOn && code == ui::vk::Letter('F')) AddRecordPicture();
  else if (PicturesOn && code == ui::vk::Letter('T') && Panel.visible()) PrintRecordPicture();
  RepaintPage();
}

void TfSoub::KeyDel() {
  if (!PicturesOn) return;
  DeleteRecordPicture();
  RepaintPage();
}

void TfSoub::AddRecordPicture() {
  const PictureNames nameOf = [this](int n) { return PictureFileName(n); };
  if (PictureRecord() < 1) return;
  const int n = FirstFreePicture(nameOf);
  if (n < 0) {
    ui::ShowMessage(common::Cz("Záznam už má 100 obrázků, další nelze přidat"));
    return;
  }
  const std::string target = nameOf(n);
  const std::string start = common::ReadParam(kSysPar, "SlozkaObr");
  if (!ChoosePictureFile(common::Cz("Vyber obrázek"), start, "*.jpg")) return;
  const TfFotoDialog& chooser = fFotoDialog();
  common::WriteParam(kSysPar, "SlozkaObr", chooser.Folder);
  const std::string source = chooser.Folder + chooser.FileName;
  // A choice that names no file says so; a file of 2 bytes or less is passed over.
  const std::int32_t size = chooser.FileName.empty() ? -common::io::kFileNotFound : common::CheckFile(source);
  if (size < 0) ui::ShowMessage(chooser.FileName.empty() ? common::Cz("Není vybrán žádný soubor")
                                                          : common::Cz("Soubor ") + source + common::Cz(" neexistuje"));
  if (size <= 2) return;
  if (common::CopyFileKeepDate(source, target) != 0) return;
  // With scrambling on the stored pictures are scrambled, and so is the new one.
  if (common::CurrentSession().ScrambleOn) {
    try {
      common::ScrambleFile(target);
    } catch (const common::IoError& e) {
      ui::ShowMessage(e.what());
    }
  }
}

void TfSoub::PrintRecordPicture() {
  const std::string name = PictureFileName(ShownPicture);
  if (!ui::ChoosePrinter(std::string(common::NamePart(name)))) return;
  const bool scrambled = common::CurrentSession().ScrambleOn != 0;
  try {
    ui::Bitmap picture;
    if (scrambled) {
      picture = LoadRecordPicture(name);  // no plain copy on disk
    } else {
      JpegToBitmapFile(name, kPrintBitmap);
      picture = LoadPictureFile(kPrintBitmap);
    }
    Image.SetPicture(picture);
    auto canvas = ui::BeginPrint(std::string(common::NamePart(name)));
    // "Levy okraj" moves the picture down and "Horni okraj" to the right, as users'
    // settings are tuned to.
    const int a = common::TextToInt(common::ReadParam(kOfPar, "Levy okraj"));
    const int b = common::TextToInt(common::ReadParam(kOfPar, "Horni okraj"));
    PrintPictureAt(*canvas, b, a, picture);
    canvas->EndDoc();
    Image.SetPicture(LoadRecordPicture(name));
  } catch (const ui::DriverError&) {
    throw;
  } catch (const std::exception& e) {
    ui::ShowMessage(e.what());
  }
}

void TfSoub::DeleteRecordPicture() {
  if (PictureRecord() < 1) return;
  DeletePicture([this](int n) { return PictureFileName(n); }, ShownPicture);
}

// ---------------------------------------------------------------- keyed view

std::int32_t TfSoub::SelectionAppend() {
  if (KeyedView() && Count >= 1) SelectionList[static_cast<std::size_t>(Count)] = static_cast<std::uint16_t>(Count);
  return Count;
}

std::int32_t TfSoub::SelectionFindKey(const std::string& key) {
  std::int32_t pos = 1;
  bool equal = false;
  const std::int32_t sorted = std::min(SortedCount, Count);
  if (sorted >= 1) {
    const std::string first = RecordKey(1);
    std::int32_t hi = sorted;
    if (key <= first) {
      equal = key == first;
    } else if (const std::string last = RecordKey(hi); key >= last) {
      pos = hi;
      equal = key == last;
    } else {
      std::int32_t lo = 1;
      for (;;) {
        const std::int32_t mid = (lo + hi) / 2;
        const std::string k = RecordKey(mid);
        pos = mid;
        if (k == key) {
          equal = true;
          break;
        }
        if (key >= k)
          lo = mid;
        else
          hi = mid;
        if (hi - lo <= 1) break;
      }
    }
  }
  if (!equal)
    for (std::int32_t i = sorted + 1; i <= Count; ++i)
      if (RecordKey(i) == key) {
        pos = i;
        equal = true;
        break;
      }
  return equal ? pos : -pos;
}

std::int32_t TfSoub::SelectionInsertSorted(std::int32_t p) {
  if (Count < 2 || !KeyedView() || p < 1 || p > Count) return p;
  auto& list = SelectionList;
  const std::uint16_t w = list[static_cast<std::size_t>(p)];
  const std::string key = RecordKey(p);
  std::copy(list.begin() + p + 1, list.begin() + Count + 1, list.begin() + p);
  --Count;
  const std::int32_t keptSorted = SortedCount;
  SortedCount = Count;
  std::int32_t pos = std::abs(SelectionFindKey(key));
  if (key > RecordKey(pos)) ++pos;
  SortedCount = keptSorted;
  std::copy_backward(list.begin() + pos, list.begin() + Count + 1, list.begin() + Count + 2);
  list[static_cast<std::size_t>(pos)] = w;
  ++Count;
  return pos;
}

// ---------------------------------------------------------------- editing

void TfSoub::EditRecord() {
  if (RefusedWhileCopyLeft() || Count < 1 || !MayEdit) return;
  EditingExisting = true;
  DataFileReopen();
  const std::int32_t n = Current;
  if (n > Count && dataOk_) LaterMessage(common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel"));
  if (n >= 1 && n <= Count && dataOk_) {
    RecordRead(n);
    if (lastIoOk_) {
      ChecksumBefore = RecordChecksum();
      RecordAtEditStart = RecordBuffer;
      RecordToFields();
      SnapshotFieldValues();
      RecordEditDialog();
      if (!EditAborted) {
        // No other workstation's write may fall between the second read and the write.
        WriteTurn turn(*this);
        if (!turn.ok()) {
          DataFileReopen();
          return;
        }
        RecountRecords();
        lastIoOk_ = false;
        if (n <= Count) RecordRead(n);
        ChecksumAfter = RecordChecksum();
        // The sum alone misses swapped bytes: the record must be what the edit started from.
        if (lastIoOk_ && ChecksumAfter == ChecksumBefore && RecordBuffer == RecordAtEditStart) {
          FieldsToRecord();
          SetOriginalFieldValues();
          Changed = true;
          RecordWrite(n);
          RepaintPage();
        } else {
          LaterMessage(common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel"));
        }
      }
    }
  }
  DataFileReopen();
}

void TfSoub::EditRecordNoCheck() {
  const std::int32_t n = Current;
  if (RefusedWhileCopyLeft() || !MayEdit || n < 1 || n > Count || !dataOk_) return;
  {
    // The row as the file holds it now: one another workstation cut off is not there.
    WriteTurn turn(*this);
    if (!turn.ok()) return;
    if (!RowStillThere(n)) return;
    RecordRead(n);
  }
  if (!lastIoOk_) return;
  EditingExisting = false;
  RecordToFields();
  SnapshotFieldValues();
  RecordEditDialog();
  if (!EditAborted) {
    FieldsToRecord();
    SetOriginalFieldValues();
    // Unchecked, yet written under the turn as every write of the window: a copy another
    // run left goes back first, or nothing is written. A changed row is written over; a
    // row no longer there is not written past the end.
    WriteTurn turn(*this);
    if (turn.ok() && RowStillThere(n)) {
      RecordWrite(n);
      Changed = true;
    }
  }
  EditingExisting = true;
}

bool TfSoub::RowStillThere(std::int32_t n) {
  RecountRecords();
  if (n <= Count) return true;
  LaterMessage(common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel"));
  return false;
}

void TfSoub::NewRecord() {
  appended_ = 0;
  if (RefusedWhileCopyLeft()) return;
  if (!common::ReadParam(kZakaktPar, DataFileName).empty()) MayAdd = false;
  if (!MayAdd || !dataOk_) return;
  EditingExisting = false;
  RecordToFields();
  RecordEditDialog();
  if (!EditAborted) {
    FieldsToRecord();
    SnapshotFieldValues();
    SetOriginalFieldValues();
    DataFileReopen();
    if (AppendRecord()) {
      GoToRecord(Current, 2);
      Changed = true;
      TfRol::NewRecord();
    }
  }
  EditingExisting = true;
}

bool TfSoub::AppendRecord() {
  appended_ = 0;
  if (!dataOk_ || !data_.IsOpen()) {
    if (data_.IsOpen()) SaysReadOnly();  // a tool appending to a list opened for reading
    return false;
  }
  const auto len = static_cast<std::uint64_t>(RecordLength);
  const std::int32_t before = Count;
  std::uint64_t moved = 0;
  {
    // Appends of several workstations take turns: each finds the true end and writes there.
    WriteTurn turn(*this);
    if (!turn.ok()) return false;
    std::uint64_t size = 0;
    if (int code = data_.Size(size)) {
      FileMessage(" pise soubor: ", DataFileName, code);
      return false;
    }
    if (!MoveCutRecordAside(size, moved)) return false;
    // The true end: records other users appended since the last reopen are kept.
    const std::uint64_t end = size / len + 1;
    if (ViewMode >= 0 && end > static_cast<std::uint64_t>(kSelectionEntries)) {
      LaterMessage(common::Cz("Výběr souboru ") + DataFileName + common::Cz(" pojme nejvýše 5000 vět"));
      return false;
    }
    if (end > 0x7FFFFFFF) return false;
    Count = static_cast<std::int32_t>(end);
    appendAt_ = Count;
    lastIoOk_ = false;
    try {
      RecordWrite(Count);
    } catch (...) {
      appendAt_ = 0;
      Count = before;
      throw;
    }
    appendAt_ = 0;
    if (!lastIoOk_) {
      Count = before;
      return false;
    }
    appended_ = Count;
  }
  if (moved > 0) LaterMessage(common::CutTailMovedText(DataFilePath, moved));
  if (RowsPerPage < MaxRowsPerPage) ++RowsPerPage;
  if (Count < RowsPerPage) RowsPerPage = Count;
  Current = SelectionInsertSorted(SelectionAppend());
  if (sgRol.visible() && !rewriting_) LayoutGrid();  // a rewrite lays the grid out once, at its end
  return true;
}

bool TfSoub::MoveCutRecordAside(std::uint64_t& size, std::uint64_t& moved) {
  common::CutTailMove move;
  if (int code = common::MoveCutTailAside(data_, DataFilePath, static_cast<std::uint64_t>(RecordLength), size, move)) {
    const bool data = move.failed == DataFilePath;
    FileMessage(move.failedReading ? " cte soubor: " : " pise soubor: ", data ? DataFileName : move.failed, code);
    return false;
  }
  moved = move.moved;
  if (moved > 0) cutBytes_ = 0;
  return true;
}

void TfSoub::DeleteRecord(std::int32_t) { DeleteCurrent(); }

bool TfSoub::DeleteCurrent() {
  if (RefusedWhileCopyLeft() || !MayDelete || !dataOk_ || Current < 1 || Current > Count) return false;
  {
    // The hook works on the current record as it is now, and no other write comes between.
    WriteTurn turn(*this);
    if (!turn.ok()) return false;
    RecountRecords();
    if (!CurrentStillChosen()) return false;
    RecordRead(Current);
    if (!lastIoOk_) return false;
    ClearRecord();
    RecordWrite(Current);
    if (!lastIoOk_) return false;
  }
  EditingExisting = true;
  Changed = true;
  RepaintPage();
  return true;
}

// ---------------------------------------------------------------- the edit window

void TfSoub::RecordEditDialog() {
  EditForm form(*this);
  struct Reset {
    TfSoub& s;
    ~Reset() {
      s.editForm_ = nullptr;
      s.CurrentField = -1;
    }
  } reset{*this};
  editForm_ = &form;
  EditAborted = true;
  form.Build();
  EditFormBuilt();
  static EditWindowView windowView;
  EditFormView* view = SoubHooks().editView ? SoubHooks().editView : &windowView;
  editView_ = view;
  form.Show();
  view->ShowModal(form);
  editView_ = nullptr;
  if (!form.closed()) EditAborted = true;
  form.ToFields();
  const std::string& k = SettingsKey;
  const ui::Rect& b = form.finalBounds;
  StoreInt(k + " AktLeft", "@@@@", std::max(b.left, 0));
  StoreInt(k + " AktTop", "@@@@", std::max(b.top, 0));
  StoreInt(k + " AktWidth", "@@@@", std::max(b.width, 0));
  StoreInt(k + " AktHeight", "@@@@", std::max(b.height, 0));
  StoreInt(k + " AktPaper", "-@@@@@@@@@@@", form.finalPaper);
  StoreInt(k + " AktColor", "-@@@@@@@@@@@", form.finalFontColor);
}

std::string& TfSoub::EditText(int i) {
  if (!editForm_) throw common::RangeError("no edit window is open");
  return editForm_->MutableText(i);
}

void TfSoub::SetSideLabel(int i, std::string text) {
  if (editForm_) editForm_->SetSideLabel(i, std::move(text));
}

void TfSoub::FieldNormalise(int field, std::string& text) { text = NormaliseFieldText(Field(field), text); }

void TfSoub::FieldCheck(int field, std::string& text) {
  FieldNormalise(field, text);
  FieldChecked(field, text);
}

void TfSoub::FieldExit(int, std::string&) {}
void TfSoub::FieldChecked(int, std::string&) {}
void TfSoub::EditCancelled() {}
void TfSoub::EditFormBuilt() {}
void TfSoub::ClearRecord() {}
std::string TfSoub::RecordKey(std::int32_t) { return {}; }

void TfSoub::EditAccept() {
  FinishFlag = true;
  for (int i = 1; i <= FieldCount; ++i) {
    if (FieldStates[static_cast<std::size_t>(i)] > 0 && FieldErrors[static_cast<std::size_t>(i)] == 1) {
      common::MessageOk(common::Cz("Údaj ") + Field(i).caption + "\n" + common::Cz(" je chybný"));
      FinishFlag = false;
      return;
    }
  }
  EditAborted = false;
  if (editForm_) {
    editForm_->SetTimer(false);
    editForm_->Close();
  }
}

void TfSoub::EditHelp() { ShowHelp(0); }
void TfSoub::EditFinish() { EditAccept(); }
void TfSoub::EditKeyF3() {}
void TfSoub::EditKeyF4() {}
void TfSoub::EditKeyF5() {}
void TfSoub::EditKeyF6() {}
void TfSoub::EditKeyF7() {}
void TfSoub::EditKeyF8() {}
void TfSoub::EditKeyF9() {}
void TfSoub::EditKeyCtrlF3() {}
void TfSoub::EditKeyCtrlF4() {}
void TfSoub::EditKeyCtrlF5() {}
void TfSoub::EditKeyCtrlF6() {}
void TfSoub::EditKeyCtrlF7() {}
void TfSoub::EditKeyCtrlF8() {}
void TfSoub::EditKeyAltF1() {}
void TfSoub::EditKeyAltF2() {}
void TfSoub::EditKeyAltF3() {}
void TfSoub::EditKeyAltF4() {}
void TfSoub::EditKeyAltF5() {}
void TfSoub::EditKeyAltF6() {}
void TfSoub::EditKeyAltF7() {}
void TfSoub::EditKeyAltF8() {}
void TfSoub::EditKeyAltF9() {}
void TfSoub::EditKeyAltF10() {}
void TfSoub::BeforeWriteHook() {}
void TfSoub::AfterReadHook() {}

void TfSoub::PrintEditForm() {
  if (editForm_ && editView_) editView_->PrintImage(*editForm_);
}

void TfSoub::EditShowInstructions() {
  ShowInstructions(SettingsKey + common::FormatFloatMask("@@", std::max(CurrentField, 0)));
}

void TfSoub::EditShowReportList() { ShowReportList(); }

void TfSoub::EditAppearanceMenu() {
  using common::Cz;
  const ChoiceResult r =
      ShowVyber(10, 5, {}, Cz("Úprava vizáže"),
                {Cz(" Změna barvy pozadí"), Cz(" Změna písma a jeho barvy"), Cz(" Výška písmen"),
                 std::string(" TabEnter: ") + (TabEnterOn() ? "A" : "N")});
  const std::string& k = SettingsKey;
  if (r.chosen == 1) {
    ui::Color c = editForm_ ? editForm_->layout().paper : EditColor;
    if (!ui::ChooseColor(c)) return;
    StoreInt(k + " FontPaperA", "-@@@@@@@@@@@", c);
    if (editForm_) editForm_->SetPaper(c);
  } else if (r.chosen == 2) {
    ui::Font f = editForm_ ? editForm_->layout().font : ui::Font{};
    if (!ui::ChooseFont(f)) return;
    common::WriteParam(kOkna2Par, k + " FontNameA", f.name);
    StoreInt(k + " FontSizeA", "@@@@-", f.size);
    common::WriteParam(kOkna2Par, k + " FontStyleA", FontStyleText(f));
    StoreInt(k + " FontColorA", "-@@@@@@@@@@@", f.color);
    if (editForm_) editForm_->SetFont(f);
  } else if (r.chosen == 3) {
    std::string height = std::to_string(editForm_ ? editForm_->layout().letterHeight : 18);
    if (!AskString(10, 5, Cz("Výška písmen"), height)) return;
    StoreInt(k + " VyskaFontuA", "###", std::clamp(common::TextToInt(height), 10, 30));
  } else if (r.chosen == 4) {
    SwitchTabEnter();
  }
}

void TfSoub::PutFieldText(int n, const std::string& text) {
  if (!editForm_ || n < 1 || n > FieldCount) return;
  editForm_->PutText(n, text);
}

// ---------------------------------------------------------------- templates

std::string TfSoub::TemplateFileName() const {
  const std::string name = BareDataName(DataFileName);
  return "par\\" + name.substr(0, std::min<std::size_t>(name.size(), 8)) + ".F12";
}

void TfSoub::SaveRecordTemplate() {
  if (Current < 1 || Current > Count) return;
  RecordRead(Current);
  if (!lastIoOk_) return;
  RecordToFields();
  for (int i = 1; i <= FieldCount; ++i)
    common::WriteParam(TemplateFileName(), common::FormatFloatMask("@@@", i), Field(i).value);
}

void TfSoub::SaveEditTemplate() {
  if (!editForm_) return;
  editForm_->ToFields();
  for (int i = 1; i <= FieldCount; ++i)
    common::WriteParam(TemplateFileName(), common::FormatFloatMask("@@@", i), Field(i).value);
}

void TfSoub::ApplyRecordTemplate() {
  if (RefusedWhileCopyLeft() || !MayEdit || !dataOk_ || Current < 1 || Current > Count) return;
  const std::string question = common::Cz("Skutečně přepsat tento řádek");
  const bool yes = SoubHooks().askOne ? SoubHooks().askOne(question) : AskOne(10, 10, question);
  if (!yes) return;
  {
    // The fields the template leaves keep what the record holds now.
    WriteTurn turn(*this);
    if (!turn.ok()) return;
    RecordRead(Current);
    if (!lastIoOk_) return;
    RecordToFields();
    for (int i = 1; i <= FieldCount; ++i)
      if (FieldStates[static_cast<std::size_t>(i)] > 0)
        Field(i).value = common::ReadParam(TemplateFileName(), common::FormatFloatMask("@@@", i));
    FieldsToRecord();
    RecordWrite(Current);
  }
  RepaintPage();
}

void TfSoub::ApplyEditTemplate() {
  if (!editForm_) return;
  for (int i = 1; i <= FieldCount; ++i) {
    FieldDescriptor& d = Field(i);
    d.value = editForm_->Text(i);
    if (FieldStates[static_cast<std::size_t>(i)] > 0) {
      d.value = common::ReadParam(TemplateFileName(), common::FormatFloatMask("@@@", i));
      FieldNormalise(i, d.value);
    }
  }
  editForm_->FromFields();
}

// ---------------------------------------------------------------- exports

namespace {

// ForExportRecords' answer when the marked records may not go (said): nothing is written.
constexpr int kExportRefused = -1;

// An export file written through a replacement: the old file stays until all is written.
struct ExportOut {
  common::FileReplacement file;
  std::uint64_t at = 0;
  int code = 0;
  void Put(const std::string& bytes) {
    if (code == 0) code = file.file().WriteAt(at, bytes.data(), bytes.size());
    at += bytes.size();
  }
  // Puts the file in place when everything was written, else drops it; the error code.
  int Finish() {
    if (code == 0) code = file.Commit();
    if (code != 0) file.Abort();
    return code;
  }
};

}  // namespace

bool TfSoub::PutBackBeforeExport() {
  if (DataFileName.empty() || !common::FileExists(common::RollbackCopyName(DataFilePath))) return true;
  if (!common::PutBackBeforeReplacing(DataFilePath, common::Cz(", export neproběhl"), false, ShownName())) return false;
  DataFileReopen();
  return true;
}

int TfSoub::ForExportRecords(const std::function<void()>& each) {
  const bool marked = MarkedCount > 0;
  int code = 0;
  auto pass = [&] {
    for (std::int32_t n = 1; n <= Count; ++n) {
      if (marked && !IsMarked(IndexPositionToRecord(n))) continue;
      RecordRead(n);
      if (!lastIoOk_) {
        code = lastCode_;
        return false;
      }
      RecordToFields();
      each();
    }
    return true;
  };
  // The marked records go only while each is still the one marked (said otherwise).
  if (marked && !CarryMarked(pass) && code == 0) return kExportRefused;
  if (!marked) pass();
  return code;
}

void TfSoub::ExportListToExcel() {
  using common::Cz;
  if (!PutBackBeforeExport()) return;
  DataFileReopen();
  const std::string name = ExportBase.empty() ? CsvExportName(DataFileName) : "XLS\\" + ExportBase + ".CSV";
  ShowBlik(Cz("Vytvoření souboru ") + name + Cz(" pro EXCEL,WORD"));
  common::ForceDirs("XLS\\");
  ExportOut out;
  out.code = out.file.Begin(name);
  out.Put(CsvCaptionLine(FieldSpan()));
  out.Put(CsvNumberLine(static_cast<std::size_t>(FieldCount)));
  if (out.code == 0) out.code = ForExportRecords([&] { out.Put(CsvRecordLine(FieldSpan())); });
  const int code = out.Finish();
  CloseBlik();
  if (code == kExportRefused) return;
  if (code != 0) return FileMessage(" pise soubor: ", name, code);
  ClearMarks();
  RepaintPage();
  common::BeepMessage(Cz("Soubor ") + name + Cz(" pro EXCEL,WORD je vytvořen"));
}

void TfSoub::ExportToDbf() {
  using common::Cz;
  const std::string name = DbfExportName(ExportBase.empty() ? DataFileName : ExportBase, common::OnCurrentDrive(DbfFolder));
  const std::vector<DbfField> layout = DbfLayout(FieldSpan());
  if (DbfRecordLength(layout) > kDbfMaxRecord) {
    common::MessageOk(Cz("Věta pro DBF je delší než 10000 znaků"));
    return;
  }
  if (!PutBackBeforeExport()) return;
  ShowBlik(Cz("Vytvoření souboru ") + DataFilePath + Cz(" do DBF"));
  ExportOut out;
  out.code = common::MakeDirs(std::string(common::FolderPart(name)));
  if (out.code == 0) out.code = out.file.Begin(name);
  out.Put(DbfHeader(layout, 0));
  std::uint32_t written = 0;
  if (out.code == 0) out.code = ForExportRecords([&] {
      out.Put(DbfRecord(layout, FieldSpan()));
      ++written;
    });
  out.Put(std::string(1, '\x1A'));
  out.at = 0;
  out.Put(DbfHeader(layout, written));  // the record count, now known
  const int code = out.Finish();
  CloseBlik();
  if (code == kExportRefused) return;
  if (code != 0) return FileMessage(" pise soubor: ", name, code);
  common::MessageOk(Cz("Soubor ") + name + Cz(" je vytvořen"));
  ClearMarks();
  RepaintPage();
}

// ---------------------------------------------------------------- sort by a column

void TfSoub::SortByColumn(int column) {
  if (column < 1 || column > ColumnCount || DataFileName.empty()) return;
  const std::string header = common::StripRightSp(HeaderTexts[static_cast<std::size_t>(column)]);
  int field = 0;
  for (int i = 1; i <= FieldCount && field == 0; ++i)
    if (common::StripRightSp(Field(i).caption) == header) field = i;
  ColumnSortPlan plan;
  if (field != 0) {
    const FieldDescriptor& d = Field(field);
    const int offset = FieldOffsets(FieldSpan())[static_cast<std::size_t>(field - 1)];
    plan.key = [this, &d, offset](std::int32_t n) {
      const std::string value = FieldText(d, RecordBuffer, offset);
      std::string form;
      if (d.fieldType == ft::Date || d.fieldType == ft::DateDmy)
        form = common::SwapDate(common::DateNoDots(value));
      else if (d.fieldType == ft::DateLong || d.fieldType == ft::DateLongDmy)  // DD.MM.YYYY
        form = common::Date8ToIso(common::Copy(value, 1, 2) + common::Copy(value, 4, 2) + common::Copy(value, 7, 4));
      else
        form = common::CzSortKey(value);
      // The position keeps equal texts in record order.
      form = form.substr(0, std::min<std::size_t>(form.size(), kSortKeyText));
      form.resize(kSortKeyText, '\0');
      return form + common::FormatFloatMask("@@@@@@@@@@", n);
    };
  }
  SortIndexByKeys(plan);
}

bool TfSoub::SortIndexByKeys(const ColumnSortPlan& plan) {
  using common::Cz;
  if (!common::IfVolny(DataFilePath).empty()) {
    common::MessageOk(Cz("Se souborem se pracuje"));
    return false;
  }
  const std::int32_t position = Current >= 1 && Current <= Count ? Current : CursorRow() + Top;
  const std::int32_t remembered = IndexPositionToRecord(position);
  IndexFilesClose();
  if (ActiveOrder > 0) {
    ActiveOrder = 0;
    GridColor = SavedGridColor;
    FontColor = SavedFontColor;
  }
  // The natural order, the remembered record current again.
  auto reopenIndexes = [&] {
    if (IndexFilesWanted) IndexFilesOpen(DataFilePath);
    if (remembered >= 1 && remembered <= Count) GoToRecord(remembered, 0);
    RepaintPage();
    return true;
  };
  if (Count < 2 || !plan.key) return reopenIndexes();

  ShowBlik(Cz("Moment, třídím"));
  RecordSort sort;
  sort.less = CountedTextLess;
  bool readFailed = false;
  sort.onInput = [&](RecordSort& s) {
    for (std::int32_t n = 1; n <= Count; ++n) {
      RecordRead(n);
      if (!lastIoOk_) {
        readFailed = true;
        return;
      }
      std::string key = plan.key(n);
      key.resize(std::min<std::size_t>(key.size(), kSortItem - 9));
      std::string item(kSortItem, '\0');
      item[0] = static_cast<char>(key.size());
      item.replace(1, key.size(), key);
      common::PutLE<std::int32_t>(item, 51, n);
      common::PutLE<std::int32_t>(item, 55, plan.zeroTail ? 0 : n);
      s.SortPut(item);
    }
  };
  common::FileReplacement index;
  const std::string indexName = IndexFileName(DataFilePath, 1);
  // What a killed sort of this file left goes.
  (void)common::RemoveDeadTemps(common::FolderPart(indexName), {std::string(common::NamePart(indexName))});
  int code = index.Begin(indexName);
  std::uint64_t at = 0;
  sort.onOutput = [&](RecordSort& s) {
    std::string item;
    while (code == 0 && !s.SortEnd() && s.SortGet(item)) {
      code = index.file().WriteAt(at, item.data() + 51, 8);
      at += 8;
    }
  };
  int status = code == 0 ? sort.SortRun(kSortItem) : code;
  if (status == 0 && readFailed) status = lastCode_;
  if (status == 0) status = code;
  if (status == 0) status = index.Commit();
  CloseBlik();
  if (status != 0) {
    index.Abort();
    if (!readFailed)  // a record that could not be read has had its message
      common::FileErrorMessage(" pise soubor: ", indexName, status);
    return reopenIndexes();
  }
  IndexFilesOpen(DataFilePath);
  if (IndexCount(1) >= 1) {
    ActiveOrder = 1;
    SavedGridColor = GridColor;
    SavedFontColor = FontColor;
    GridColor = kSortedGridColor;
    const std::int32_t p = IndexFiles.Find(1, remembered);
    if (p >= 1 && p <= Count) GoToRecord(p, 0);
  }
  RepaintPage();
  return true;
}

}  // namespace browser
