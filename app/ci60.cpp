#include "app/ci60.h"

#include <array>
#include <optional>

#include "codelists/cis60.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/iocodes.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/small.h"
#include "common/winpath.h"

namespace app {

using codelists::kAccountFields;
using codelists::kAccountWidth;
using codelists::kCi60Layout;
using codelists::kCi61Layout;
using codelists::PayrollKeyLayout;
using common::Cz;

namespace {

constexpr int kKeys = 999;

std::string KeyText(const std::string& rec, const PayrollKeyLayout& l) {
  return common::GetCounted(rec, static_cast<std::size_t>(l.key), 3);
}

std::string Text(const std::string& rec, int at, int width) {
  return common::GetCounted(rec, static_cast<std::size_t>(at), static_cast<std::size_t>(width));
}

void Put(std::string& rec, int at, std::string_view text, int width) {
  common::PutCounted(rec, static_cast<std::size_t>(at), text, static_cast<std::size_t>(width));
}

int AccountAt(const PayrollKeyLayout& l, int k) { return l.accounts + (kAccountWidth + 1) * k; }

using Table = std::array<std::optional<std::string>, kKeys + 1>;

// Records by key number 1..999; a later record of the same number replaces an earlier one.
Table Index(const std::vector<std::string>& records, const PayrollKeyLayout& l) {
  Table t;
  for (const std::string& rec : records) {
    if (rec.size() != static_cast<std::size_t>(l.length)) continue;
    const std::int32_t k = common::TextToInt(KeyText(rec, l));
    if (k >= 1 && k <= kKeys) t[static_cast<std::size_t>(k)] = rec;
  }
  return t;
}

void CopyHolidayFlags(Table& res, const Table& old, std::initializer_list<int> keys) {
  for (int i : keys) {
    const auto& o = old[static_cast<std::size_t>(i)];
    auto& r = res[static_cast<std::size_t>(i)];
    if (!o || !r) continue;
    const std::string flag = Text(*o, kCi61Layout.holiday, 1);
    if (flag != " ") Put(*r, kCi60Layout.holiday, flag, 1);
  }
}

void CopyAccounts(std::string& to, const std::string& from) {
  for (int k = 0; k < kAccountFields; ++k)
    Put(to, AccountAt(kCi60Layout, k), Text(from, AccountAt(kCi61Layout, k), kAccountWidth), kAccountWidth);
}

bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::vector<std::string> mergeCi60(const std::vector<std::string>& old61, const std::vector<std::string>& ref60) {
  const Table old = Index(old61, kCi61Layout);
  const Table ref = Index(ref60, kCi60Layout);
  Table res = ref;
  CopyHolidayFlags(res, old, {35, 52, 53});
  for (int i = 101; i <= kKeys; ++i) {
    const auto& o = old[static_cast<std::size_t>(i)];
    auto& r = res[static_cast<std::size_t>(i)];
    if (!o || !r || Blank(Text(*ref[static_cast<std::size_t>(i)], kCi60Layout.note, 50))) continue;
    CopyAccounts(*r, *o);
    Put(*r, kCi60Layout.flagMd, Text(*o, kCi61Layout.flagMd, 1), 1);
    Put(*r, kCi60Layout.flagDal, Text(*o, kCi61Layout.flagDal, 1), 1);
  }
  CopyHolidayFlags(res, old, {115, 132, 133});
  static constexpr std::pair<int, int> kMoves[] = {{173, 103}, {178, 171}, {179, 169}, {187, 185},
                                                   {188, 186}, {338, 311}, {339, 314}, {219, 270}};
  for (const auto& [to, from] : kMoves) {
    const auto& o = old[static_cast<std::size_t>(from)];
    auto& r = res[static_cast<std::size_t>(to)];
    if (o && r) CopyAccounts(*r, *o);
  }
  for (int i : {201, 202, 311, 314, 316, 317, 320, 324, 329, 332}) {
    auto& r = res[static_cast<std::size_t>(i)];
    if (!r) continue;
    for (int k = 0; k < kAccountFields; ++k) Put(*r, AccountAt(kCi60Layout, k), std::string(kAccountWidth, ' '), kAccountWidth);
  }
  if (const auto& o = old[401]; o && res[401])
    Put(*res[401], kCi60Layout.name, Text(*o, kCi61Layout.name, kCi61Layout.nameWidth) + std::string(10, ' '),
        kCi60Layout.nameWidth);
  std::vector<std::string> out;
  for (int i = 1; i <= kKeys; ++i)
    if (res[static_cast<std::size_t>(i)]) out.push_back(*res[static_cast<std::size_t>(i)]);
  return out;
}

Ci60Conversion convertCi60_2024(const std::vector<std::string>& firm, const std::vector<std::string>& ref) {
  Ci60Conversion c;
  for (const std::string& rec : firm) {
    const std::string key = KeyText(rec, kCi60Layout);
    if (key != "288" && key != "289" && key != "342" && key != "343") c.kept.push_back(rec);
  }
  for (std::string a : c.kept) {
    const std::string key = KeyText(a, kCi60Layout);
    for (const std::string& b : ref) {
      if (KeyText(b, kCi60Layout) != key) continue;
      for (int k = 0; k < kAccountFields; ++k) {
        const int at = AccountAt(kCi60Layout, k);
        if (Blank(Text(a, at, kAccountWidth))) Put(a, at, Text(b, at, kAccountWidth), kAccountWidth);
      }
      break;
    }
    c.filled.push_back(std::move(a));
  }
  for (const std::string& b : ref) {
    const std::string key = KeyText(b, kCi60Layout);
    bool present = false;
    for (const std::string& a : c.filled) present = present || KeyText(a, kCi60Layout) == key;
    if (!present) c.added.push_back(b);
  }
  return c;
}

// ---------------------------------------------------------------- the files

namespace {

const std::string& Unchanged() {
  static const std::string text = Cz(", CI60.dta zůstává beze změny");
  return text;
}

// A source of the rebuild: readable, a whole number of records (at least one when
// `needRecords`); a missing file passes when `mayBeMissing` (the window creates it).
bool SourceUsable(const std::string& path, int length, bool mayBeMissing, bool needRecords) {
  std::uint64_t size = 0;
  int code = common::FileSize(path, size);
  if (code == 2 && mayBeMissing) return true;
  if (code == 0) {
    common::File f;
    code = f.Open(path, common::kModeReadOnly);
  }
  if (code != 0) {
    common::MessageOk(Cz("Soubor ") + common::ShownPath(path) + Cz(" nelze číst - err ") + std::to_string(code) + Unchanged());
    return false;
  }
  if (size % static_cast<std::uint64_t>(length) != 0 || (needRecords && size == 0)) {
    common::MessageOk(Cz("Soubor ") + common::ShownPath(path) + (size == 0 ? Cz(" je prázdný") : Cz(" nemá celé věty po ") + std::to_string(length) + " B") +
                      Unchanged());
    return false;
  }
  return true;
}

// Every whole record of a source's file, in file order, read after its window's check:
// the count as the file holds it now, and a file the user may only read is read all the
// same. A file gone since its window made it empty holds none.
bool ReadAll(codelists::CodeListWindow& w, std::vector<std::string>& out) {
  std::string bytes;
  if (const int code = common::ReadFileText(w.DataFilePath, bytes); code != 0 && code != common::io::kFileNotFound) {
    common::FileErrorMessage(" cte soubor: ", w.ShownName(), code);
    return false;
  }
  const auto len = static_cast<std::size_t>(w.RecordLength);
  for (std::size_t at = 0; len > 0 && at + len <= bytes.size(); at += len) out.push_back(bytes.substr(at, len));
  return true;
}

// The new list takes the place of "CI60.dta" in one step, while no other workstation
// holds it (its write lock, tried once, for the step). The button waits with the wait
// window while it is held; the batch cannot wait and ends. The old list stays whole
// until the new one is in place.
bool PutCi60InPlace(const std::string& target, const std::string& bytes, RebuildMode mode) {
  for (;;) {
    std::string holder;
    const common::LockResult lock = common::TryLockFile(target, "W", holder);
    if (common::StoppedAtWait(lock, target)) return false;
    if (lock == common::LockResult::GivenUp) {
      common::MessageOk(Cz("Soubor ") + common::ShownPath(target) + Cz(" nelze zamknout") + Unchanged());
      return false;
    }
    int code = common::io::kSharingViolation;
    if (lock != common::LockResult::Busy) {
      // A copy of a step left beside the list goes back first: put back later, it would
      // write its old bytes over the new list.
      if (!common::PutBackBeforeReplacing(target, Unchanged(), true)) {
        if (lock == common::LockResult::Held) common::UnlockFile(target);
        return false;
      }
      code = common::ReplaceFileContents(target, bytes);  // refused (32) while any open holds it
      if (lock == common::LockResult::Held) common::UnlockFile(target);
      if (code == 0) return true;
    }
    if (code != common::io::kSharingViolation || mode == RebuildMode::Batch) {
      common::MessageOk(Cz("Soubor ") + common::ShownPath(target) +
                        (holder.empty() ? Cz(" nelze přepsat - err ") + std::to_string(code)
                                        : " " + common::HeldByText(Cz("používá"), holder, target)) +
                        Unchanged());
      return false;
    }
    const std::string wait = Cz("Soubor ") + common::ShownPath(target) + Cz(" není volný při errasse - err ") + std::to_string(code);
    if (common::LockWaitMessage(common::CurrentSession(), wait, 100)) {
      common::MessageOk(Cz("Soubor ") + common::ShownPath(target) + Cz(" není volný") + Unchanged());
      return false;
    }
  }
}

}  // namespace

bool MergeCi60(RebuildMode mode) {
  const std::string target = common::DataDir("CI60.dta");
  // What a killed rebuild left half written beside the list and its lock table.
  (void)common::RemoveDeadTemps(common::FolderPart(target), {"CI60.dta", common::kLockTableName});
  const std::string refFile = codelists::Ci60ReferenceFile();
  const std::string refPath = refFile.substr(1);
  if (!SourceUsable(refPath, kCi60Layout.length, false, true) ||
      !SourceUsable(common::DataDir("CI61.DTA"), kCi61Layout.length, true, false))
    return false;

  codelists::TfCis60& w60 = codelists::fCis60();
  codelists::TfCis61& w61 = codelists::fCis61();
  codelists::TfCis60b& w60b = codelists::fCis60b();
  // A wait for a source's lock that was left (Esc, the batch's bound) stops the rebuild.
  common::Session& session = common::CurrentSession();
  session.WaitStopped = 0;
  codelists::SetupCis61(w61);
  bool stopped = session.WaitStopped != 0;
  session.WaitStopped = 0;
  codelists::SetupCis60b(w60b, refFile);
  stopped = stopped || session.WaitStopped != 0;
  std::vector<std::string> old, ref;
  // A source whose records may not be carried refuses the rebuild, said once.
  const common::RefusalTail tail(Unchanged());
  const bool carried = !stopped && w61.MayCarry() && w60b.MayCarry();
  const bool read = carried && ReadAll(w61, old) && ReadAll(w60b, ref);
  w61.CloseBrowse();
  w60b.CloseBrowse();
  if (stopped) common::MessageOk(Cz("Přestavba CI60 neproběhla") + Unchanged());
  if (!carried) return false;
  if (!read) {  // the read reported its failure
    common::MessageOk(Cz("Přestavba CI60 neproběhla") + Unchanged());
    return false;
  }
  const std::vector<std::string> merged = mergeCi60(old, ref);
  if (merged.empty()) {
    common::MessageOk(Cz("Soubor ") + common::ShownPath(refPath) + Cz(" nemá žádnou větu s klíčem 1 až 999") + Unchanged());
    return false;
  }
  std::string bytes;
  for (const std::string& rec : merged) bytes += rec;
  // This process's own open would keep the new list out.
  if (w60.DataFileUsable()) w60.DataFileClose();
  return PutCi60InPlace(target, bytes, mode);
}

namespace {

const std::string& NotConverted() {
  static const std::string text = Cz(", úprava CI60 neproběhla");
  return text;
}

// The whole records of a file; a missing file, a read error or a cut record is shown.
bool ReadRecords(const std::string& name, std::vector<std::string>& out) {
  std::string bytes;
  if (int code = common::ReadFileText(name, bytes)) {
    common::FileErrorMessage(" otvira soubor: ", name, code);
    return false;
  }
  const auto len = static_cast<std::size_t>(kCi60Layout.length);
  if (bytes.size() % len != 0) {
    common::MessageOk(Cz("Soubor ") + common::ShownPath(name) + Cz(" nemá celé věty po ") + std::to_string(len) + " B" + NotConverted());
    return false;
  }
  for (std::size_t at = 0; at < bytes.size(); at += len) out.push_back(bytes.substr(at, len));
  return true;
}

bool WriteRecords(const std::string& name, const std::vector<std::string>& records) {
  std::string bytes;
  for (const std::string& r : records) bytes += r;
  if (int code = common::ReplaceFileContents(name, bytes)) {
    common::FileErrorMessage(" pise soubor: ", name, code);
    return false;
  }
  return true;
}

}  // namespace

bool ConvertCi60For2024() {
  const std::string target = common::DataDir("CI60.dta");
  if (const std::string holder = common::IfVolny(target); !holder.empty()) {
    common::MessageOk(Cz("Soubor ") + common::ShownPath(target) + " " + common::HeldByText(Cz("používá"), holder, target) +
                      NotConverted());
    return false;
  }
  // Others that honour the locks stay out until the new list is in place.
  common::ScopedFileLock lock(target, "W");
  if (lock.Stopped()) return false;
  // The list is read as an opening gives it: a copy a step left goes back first.
  if (!common::PutBackBeforeReplacing(target, NotConverted(), true)) return false;
  std::vector<std::string> firm, ref;
  if (!ReadRecords(target, firm) || !ReadRecords(common::ProgDir("\\CI\\CI60.dta"), ref)) return false;

  const std::string backup = common::DataDir("\\kopie\\CI60-" + common::TimestampText() + ".wrk");
  if (int code = common::CopyFileKeepDate(target, backup); code != 0 || !common::FileExists(backup)) {
    common::MessageOk(Cz("Zálohu ") + common::ShownPath(backup) + Cz(" nelze vytvořit - err ") + std::to_string(code) + NotConverted());
    return false;
  }
  const Ci60Conversion c = convertCi60_2024(firm, ref);
  if (!WriteRecords("CI60.001", c.kept) || !WriteRecords("CI60.002", c.filled) || !WriteRecords("CI60.003", c.added))
    return false;
  if (int code = common::CopyFileBlocks("CI60.003", "CI60.002")) {
    common::FileErrorMessage(" pise soubor: ", "CI60.002", code);
    return false;
  }
  if (int code = common::CopyFileKeepDate("CI60.002", target)) {
    common::MessageOk(Cz("Soubor ") + common::ShownPath(target) + Cz(" nelze přepsat - err ") + std::to_string(code) + NotConverted());
    return false;
  }
  return true;
}

}  // namespace app
