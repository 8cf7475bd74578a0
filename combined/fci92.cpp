#include "combined/fci92.h"

#include <memory>

#include "browser/dialogs.h"
#include "browser/indexfiles.h"
#include "combined/ci01sort.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/winpath.h"
#include "ui/handlers.h"

namespace combined {

using namespace common::literals;

namespace {

constexpr char kJobSorting[] = "CI05";

// Hides the window however the operation ends.
struct HideOnExit {
  ui::Form& form;
  ~HideOnExit() { form.SetVisible(false); }
};

void Report(const char* what, const common::IoError& e) {
  if (e.code == common::io::kUnfinishedRewrite) return;  // said by the file layer
  common::MessageOk(common::Cz(what) + e.file + " err " + std::to_string(e.code));
}

// A piece file written from its start.
struct PieceOut {
  common::File file;
  std::uint64_t end = 0;
  void Append(const std::string& rec) {
    common::ThrowIfError(file.WriteAt(end, rec.data(), rec.size()), file.Name());
    end += rec.size();
  }
};

// CI01.DTA and every piece: an unfinished rewrite of any of them is put back before the
// split touches one (said), or nothing is done.
std::vector<std::string> PieceNames() {
  std::vector<std::string> names;
  for (int list : PieceOrder())
    names.push_back(common::DataDir(list == kRestList ? kRestPiece : FindPiece(list)->FileName()));
  return names;
}

bool PutBackAllFirst(const std::string& ci01, std::string_view tail) {
  std::vector<std::string> names{ci01};
  for (std::string& piece : PieceNames()) names.push_back(std::move(piece));
  return common::PutBackAllBeforeReplacing(names, tail);
}

// "CI05" = "A" in the data folder's job file from the sort of a rebuilt CI01.DTA until
// the new file is in; a run that ends without clearing it leaves it to the next opening.
struct SortingMark {
  const std::string& folder;
  bool marked;
  explicit SortingMark(const std::string& f) : folder(f), marked(common::WriteJobInSaying(f, kJobSorting, "A")) {}
  ~SortingMark() {
    if (!marked) return;
    try {
      common::WriteJobIn(folder, kJobSorting, "");
    } catch (const common::IoError&) {
    }
  }
};

// A piece that the assembly must not use: the text says which and why.
struct Refusal {
  std::string text;
};

// Every record of a piece is whole and each counted text fits its field.
void CheckPiece(int list, const std::string& name, const std::string& bytes) {
  const PieceSpec* spec = FindPiece(list);
  const std::size_t length = spec ? spec->length : codelists::kCi01Length;
  const std::string head = common::Cz("Číselníky nejsou složeny: soubor ") + common::ShownPath(name);
  if (bytes.size() % length != 0)
    throw Refusal{head + common::Cz(" má ") + std::to_string(bytes.size()) +
                  common::Cz(" bajtů, to není celý počet vět po ") + std::to_string(length) + common::Cz(" bajtech")};
  for (std::size_t at = 0; at < bytes.size(); at += length) {
    const std::string_view rec(bytes.data() + at, length);
    if (!RecordDecodes(list, rec))
      throw Refusal{head + common::Cz(" neodpovídá své větě (věta ") + std::to_string(at / length + 1) + ")"};
  }
}

// An empty piece may only stand for a list whose lines all went to "ci.99", and an
// empty "ci.99" only when the split of CI01.DTA gives it nothing: a list of CI01.DTA
// that no piece holds was emptied after the split and would be lost.
void CheckNoListDropped(const std::string& ci01, const std::vector<std::pair<int, std::string>>& pieces) {
  std::set<std::string> rest;
  for (const auto& [list, bytes] : pieces)
    if (list == kRestList)
      for (std::size_t at = 0; at + codelists::kCi01Length <= bytes.size(); at += codelists::kCi01Length)
        rest.insert(bytes.substr(at, codelists::kCi01Length));
  std::vector<std::string> records;
  bool read = false;
  const auto refuse = [](const std::string& piece, const std::string& lists, bool several) {
    throw Refusal{common::Cz("Číselníky nejsou složeny: soubor ") + common::ShownPath(common::DataDir(piece)) +
                  common::Cz(several ? " je prázdný, ale CI01.DTA má číselníky " : " je prázdný, ale CI01.DTA má číselník ") +
                  lists};
  };
  for (const auto& [list, bytes] : pieces) {
    if (!bytes.empty()) continue;
    if (!read) {
      common::ThrowIfError(codelists::ReadCi01(ci01, records), ci01);
      read = true;
    }
    if (list == kRestList) {
      // What the split puts into "ci.99": lists without a piece, entries no piece gives back.
      std::set<std::string> lost;
      Splitter split;
      split.write = [&](int to, const std::string& rec) {
        if (to != kRestList) return;
        const Ci01Record r = Ci01Record::FromBytes(rec);
        if (!r.Deleted()) lost.insert(r.ts);
      };
      for (const std::string& rec : records) split.Add(rec);
      split.Finish();
      std::string lists;
      for (const std::string& ts : lost) lists += (lists.empty() ? "" : ", ") + ts;
      if (!lost.empty()) refuse(kRestPiece, lists, lost.size() > 1);
      continue;
    }
    for (const std::string& rec : records) {
      const Ci01Record r = Ci01Record::FromBytes(rec);
      if (r.Deleted() || r.ts != common::FormatFloatMask("@@", list) || rest.count(rec)) continue;
      refuse(FindPiece(list)->FileName(), r.ts, false);
    }
  }
}

// Bytes of a cut record at the end of CI01.DTA go to "CI01.DTA.cut" before the split,
// as the record windows keep them, so that the assembly cannot lose them.
void MoveCutRecordAside(const std::string& ci01) {
  std::uint64_t size = 0;
  if (common::FileSize(ci01, size) != 0 || size % codelists::kCi01Length == 0) return;  // the read says why
  common::File f;
  common::ThrowIfError(f.Open(ci01, common::kModeReadWrite), ci01);
  common::FileTurn turn;
  common::ThrowIfError(turn.Take(f), ci01);
  common::ThrowIfError(f.Size(size), ci01);
  common::CutTailMove move;
  common::ThrowIfError(common::MoveCutTailAside(f, ci01, codelists::kCi01Length, size, move), move.failed);
  if (move.moved > 0) common::MessageOk(common::CutTailMovedText(ci01, move.moved));
}

}  // namespace

TFCI92::TFCI92()
    : ui::Form("FCI92"),
      ProgressBar1(Add<ui::ProgressBar>("ProgressBar1")),
      Label1(Add<ui::Label>("Label1")),
      Label2(Add<ui::Label>("Label2")) {
  SetCaption("Rozděluji Číselníky"_cz);
  SetBounds(300, 200, 260, 110);
  ProgressBar1.SetBounds(16, 48, 220, 17);
  Label1.SetBounds(16, 16, 120, 20);
  ui::Font bold = Label1.font();
  bold.bold = true;
  Label1.SetFont(bold);
  Label2.SetBounds(140, 16, 100, 20);
}

TFCI92& fCI92() { return browser::SingleWindow<TFCI92>(); }

void TFCI92::ShowList(int list) {
  Label1.SetText("CI " + common::FormatFloatMask("@@", list));
  ui::ProcessMessages();
}

void ClearCutOffAssemblyMark() {
  const std::string folder = common::DataDir("");
  const std::string ci01 = common::DataDir(codelists::kCi01Name);
  try {
    if (common::ReadJobIn(folder, kJobSorting) != "A" || !common::FileExists(ci01)) return;
    bool sorted = true;
    {
      // An assembly at work holds the file for writing until its mark is gone.
      std::string holder;
      const common::LockResult taken = common::TryLockFile(ci01, "W", holder);
      if (common::StoppedAtWait(taken, ci01) || taken == common::LockResult::Busy || taken == common::LockResult::GivenUp)
        return;
      struct Unlock {
        const std::string& name;
        bool held;
        ~Unlock() {
          if (held) common::UnlockFile(name);
        }
      } unlock{ci01, taken == common::LockResult::Held};
      sorted = CombinedFileSorted(ci01);
    }
    if (!sorted) {
      if (!SortCombinedFile(ci01)) return;  // Esc at its wait: the mark stays for the next opening
      common::NewsMessage(common::Cz("Skládání číselníků nebylo dokončeno, soubor ") + common::ShownPath(ci01) +
                          common::Cz(" je nyní setříděn"));
    }
    common::WriteJobInSaying(folder, kJobSorting, "");
  } catch (const ui::DriverError&) {
    throw;
  } catch (const common::IoError& e) {
    Report("Číselník není setříděn, soubor ", e);
  } catch (const std::runtime_error& e) {
    common::MessageOk(common::Utf8ToWin1250(e.what()));
  }
}

// ---------------------------------------------------------------- split

void Splitter::StartList(int list) {
  list_ = list;
  spec_ = FindPiece(list);
  if (spec_) {
    auto [it, fresh] = pieces_.try_emplace(list, spec_->EmptyRecord());
    if (!fresh) it->second = spec_->EmptyRecord(it->second);
  }
  if (startList) startList(list);
}

void Splitter::FinishEntry() {
  if (!spec_ || lines_.empty()) return;
  std::string& piece = pieces_[list_];
  const std::string key = ts_ + '\x01' + klic_;
  if (keysSeen_.insert(key).second && EntryRoundTrips(*spec_, lines_, piece)) {
    write(list_, piece);
  } else {
    for (const std::string& rec : bytes_) write(kRestList, rec);
  }
  piece = spec_->EmptyRecord(piece);
  lines_.clear();
  bytes_.clear();
}

void Splitter::Add(const std::string& record) {
  const Ci01Record r = Ci01Record::FromBytes(record);
  if (!started_ || r.ts != ts_) {
    if (started_) FinishEntry();
    started_ = true;
    ts_ = r.ts;
    klic_ = r.klic;
    StartList(ListNumber(r.ts));
  }
  if (r.klic != klic_) {
    FinishEntry();
    klic_ = r.klic;
  }
  if (spec_ && ApplyRecord(*spec_, r, pieces_[list_])) {
    lines_.push_back(r);
    bytes_.push_back(record);
  } else {
    write(kRestList, record);
  }
}

void Splitter::Finish() {
  if (started_) FinishEntry();
}

bool TFCI92::SplitCodeLists() {
  SetCaption("Rozděluji číselníky"_cz);
  SetVisible(true);
  HideOnExit hide{*this};
  const std::string ci01 = common::DataDir(codelists::kCi01Name);
  try {
    common::ScopedFileLock lock(ci01, "");
    if (lock.Stopped()) return false;
    const std::string tail = common::Cz(", číselníky nerozděluji, díly zůstávají, jak byly");
    const common::RefusalTail refusal(tail);
    // The pieces are erased one by one: all of them are looked at before the first goes.
    if (!PutBackAllFirst(ci01, tail)) return false;
    // Every piece is erased or emptied: one the user may not write stops the split first.
    if (!common::MayWriteAll(PieceNames(), tail)) return false;
    std::vector<std::string> records;
    common::ThrowIfError(codelists::ReadCi01(ci01, records), ci01);
    // A file whose records do not decode is no combined file: nothing of it is used.
    for (std::size_t i = 0; i < records.size(); ++i)
      if (!RecordDecodes(kRestList, records[i]))
        throw Refusal{common::DamagedFileText(ci01, common::Cz(" neodpovídá své větě (věta ") + std::to_string(i + 1) + ")",
                                              common::Cz("číselníky nerozděluji, díly zůstávají, jak byly"))};
    MoveCutRecordAside(ci01);
    for (const PieceSpec& spec : PieceSpecs()) {
      const std::string name = common::DataDir(spec.FileName());
      if (common::FileExists(name)) common::ThrowIfError(common::EraseFile(name), name);
    }
    // Sort orders kept for the old pieces would show the new ones out of order.
    for (const int list : PieceOrder())
      for (int k = 1; k <= browser::kIndexFiles; ++k) {
        const std::string index =
            browser::IndexFileName(common::DataDir(list == kRestList ? kRestPiece : FindPiece(list)->FileName()), k);
        if (common::FileExists(index)) common::ThrowIfError(common::EraseFile(index), index);
      }
    std::map<int, PieceOut> out;
    common::ThrowIfError(out[kRestList].file.Create(common::DataDir(kRestPiece)), kRestPiece);
    ProgressBar1.SetRange(1, std::max<int>(1, static_cast<int>(records.size())));

    Splitter splitter;
    splitter.startList = [&](int list) {
      ShowList(list);
      if (!FindPiece(list) || out.count(list)) return;  // a list met again appends to its piece
      const std::string name = common::DataDir(FindPiece(list)->FileName());
      common::ThrowIfError(out[list].file.Create(name), name);
    };
    splitter.write = [&](int list, const std::string& rec) { out[list].Append(rec); };
    int done = 0;
    for (const std::string& rec : records) {
      splitter.Add(rec);
      ProgressBar1.SetPosition(++done);
    }
    splitter.Finish();
    for (auto& [list, piece] : out) common::ThrowIfError(piece.file.Close(), piece.file.Name());
    return true;
  } catch (const common::IoError& e) {
    Report("Číselníky nejsou rozděleny, soubor ", e);
    return false;
  } catch (const Refusal& e) {
    common::MessageOk(e.text);
    return false;
  }
}

// ---------------------------------------------------------------- assembly

bool TFCI92::AssembleCodeLists() {
  SetCaption("Skládám číselníky"_cz);
  SetVisible(true);
  HideOnExit hide{*this};
  const std::string ci01 = common::DataDir("ci01.dta");
  const std::string folder = common::DataDir("");
  try {
    {
      common::ScopedFileLock lock(ci01, "W");
      if (lock.Stopped()) return false;
      // Every piece is read whole before CI01.DTA is replaced: the file layer puts an
      // unfinished rewrite of any of them back first, or stops the assembly here.
      const common::RefusalTail tail(common::Cz(", číselníky nejsou složeny, CI01.DTA zůstává, jak byl"));
      if (!common::FileExists(ci01)) throw common::IoError(2, ci01);
      // Every piece that exists opens before anything is written: a list must not
      // drop out of the file because its piece could not be read.
      std::vector<std::pair<int, std::string>> pieces;
      for (int list : PieceOrder()) {
        const std::string name = common::DataDir(list == kRestList ? kRestPiece : FindPiece(list)->FileName());
        common::FileStat st;
        if (common::GetFileInfo(name, st) == common::io::kFileNotFound) continue;
        if (st.isDir) throw Refusal{common::Cz("Číselníky nejsou složeny: místo souboru ") + common::ShownPath(name) +
                                    common::Cz(" je složka")};
        common::File f;
        common::ThrowIfError(f.Open(name, common::kModeReadOnly), name);
        std::string bytes;
        common::ThrowIfError(f.ReadWhole(bytes), name);
        CheckPiece(list, name, bytes);
        pieces.emplace_back(list, std::move(bytes));
      }
      CheckNoListDropped(ci01, pieces);
      std::string content;
      int count = 0;
      ProgressBar1.SetPosition(1);
      for (const auto& [list, bytes] : pieces) {
        ShowList(list);
        const PieceSpec* spec = FindPiece(list);
        const std::size_t length = spec ? spec->length : codelists::kCi01Length;
        for (std::size_t at = 0; at + length <= bytes.size(); at += length) {
          const std::string_view rec(bytes.data() + at, length);
          if (!spec) {
            content.append(rec);
            ++count;
          } else {
            const auto lines = AssembleEntry(*spec, rec);
            for (const Ci01Record& line : lines) content += line.Bytes();
            count += ProgressStep(*spec, lines.size());
          }
          ProgressBar1.SetPosition(count);
        }
      }
      // Built and sorted in the replacement's temporary, the new file goes in whole: a run
      // ended anywhere leaves the old file or the new sorted one.
      common::FileReplacement replacement;
      common::ThrowIfError(replacement.Begin(ci01), ci01);
      common::ThrowIfError(replacement.file().WriteWhole(content), ci01);
      // The sort goes on also when the job file cannot carry the mark (said).
      const SortingMark mark(folder);
      SortCombinedIn(replacement.file(), ci01);
      common::ThrowIfError(replacement.Commit(), ci01);
    }
    return true;
  } catch (const common::IoError& e) {
    Report("Číselníky nejsou složeny, soubor ", e);
    return false;
  } catch (const ui::DriverError&) {
    throw;
  } catch (const Refusal& e) {
    common::MessageOk(e.text + common::Cz("; CI01.DTA zůstává, jak byl"));
    return false;
  } catch (const std::runtime_error& e) {
    common::MessageOk(common::Utf8ToWin1250(e.what()));
    return false;
  }
}

}  // namespace combined
