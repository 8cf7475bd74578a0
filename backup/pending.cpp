#include "backup/pending.h"

#include <fcntl.h>

#include <algorithm>

#include "backup/copystore.h"
#include "common/encoding.h"
#include "common/filesystem.h"
#include "common/dirs.h"
#include "common/inplace.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/protocol.h"
#include "common/text.h"
#include "common/winpath.h"

namespace backup {

using namespace common::literals;

namespace {

constexpr char kJournalHead[] = "OBNOVA 1";
constexpr char kJournalEnd[] = "KONEC ";
constexpr std::uint64_t kJournalMax = 4u << 20;
constexpr int kHeldRetries = 10;
constexpr int kSharingViolation = 32;

// Writes the folder's entries to disk, so a renamed-in file stays after a power cut.
void SyncFolder(const std::string& folder) {
  std::string path;
  if (common::ResolveName(folder, path) != 0) return;
  common::FileSystem& fs = common::CurrentFileSystem();
  int fd = -1;
  if (fs.Open(path, O_RDONLY | O_DIRECTORY, 0, fd) != 0) return;
  (void)fs.Sync(fd);
  (void)fs.Close(fd);
}

// Runs op while another workstation holds `target`, at most 10 more times 1 s apart.
template <class Op>
int WhileHeld(const std::string& target, Op op) {
  for (int failures = 1;; ++failures) {
    const int code = op();
    if (code != kSharingViolation || failures > kHeldRetries) return code;
    common::LockWaitMessage("Soubor "_cz + target + " není volný - err "_cz + common::FormatNumberMask("####", code),
                            1000);
  }
}

const std::string& NextStartTail() {
  static const std::string tail = ", obnova dat bude dokončena při příštím spuštění programu"_cz;
  return tail;
}

}  // namespace

std::string JournalText(const RestorePlan& plan) {
  // "K": the job entries set when through: "A" both, "N" only "COPYOK", "-" none.
  std::string text = std::string(kJournalHead) + "\r\nS " + plan.files + "\r\nK " +
                     (plan.clearKopw ? "A" : plan.copyOk ? "N" : "-") +
                     "\r\nT " + plan.okText + "\r\n";
  for (const auto& name : plan.erase) text += "E " + name + "\r\n";
  for (const auto& name : plan.move) text += "M " + name + "\r\n";
  return text + kJournalEnd + std::to_string(plan.erase.size() + plan.move.size()) + "\r\n";
}

bool ParseJournal(const std::string& text, RestorePlan& plan) {
  plan = {};
  const std::vector<std::string> lines = common::SplitTextLines(text);  // names hold no control bytes
  if (lines.size() < 5 || lines[0] != kJournalHead) return false;
  if (lines[1].rfind("S ", 0) != 0 || lines[2].rfind("K ", 0) != 0 || lines[3].rfind("T ", 0) != 0) return false;
  plan.files = lines[1].substr(2);
  plan.clearKopw = lines[2] == "K A";
  plan.copyOk = lines[2] != "K -";
  plan.okText = lines[3].substr(2);
  if (!SafeName(plan.files)) return false;
  for (std::size_t i = 4; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::string name = line.size() > 2 ? line.substr(2) : std::string();
    if (!SafeName(name)) return false;
    if (line.rfind("E ", 0) == 0) plan.erase.push_back(name);
    else if (line.rfind("M ", 0) == 0) plan.move.push_back(name);
    else return false;
  }
  return lines.back() == kJournalEnd + std::to_string(plan.erase.size() + plan.move.size());
}

std::vector<std::string> TouchedFiles(const RestorePlan& plan) {
  const std::string data = common::DataDir("");
  std::vector<std::string> names;
  for (const auto& name : plan.erase) names.push_back(data + name);
  for (const auto& name : plan.move) names.push_back(data + name);
  return names;
}

bool CheckHeldFiles(const std::vector<std::string>& names, const std::string& tail) {
  for (const auto& name : names) {
    if (!common::FileExists(name)) continue;
    common::File f;
    const int rc = f.Open(name, common::kModeExclusive);
    f.Close();
    if (rc == kSharingViolation) {
      common::BeepMessage("Soubor "_cz + name + " je otevřen na jiné stanici"_cz + tail);
      return false;
    }
    const std::string holder = common::IfVolny(name);
    if (!holder.empty()) {
      common::BeepMessage("Soubor "_cz + name + " " + common::HeldByText("drží uživatel"_cz, TrimBlanks(holder), name) +
                          tail);
      return false;
    }
  }
  return true;
}

bool PutBackLeftCopies(const std::vector<std::string>& names, const std::string& tail) {
  // A file the user may not write is neither erased nor moved over (a copy beside it is
  // said first, naming the copy).
  return common::PutBackAllBeforeReplacing(names, tail) && common::MayWriteAll(names, tail);
}

int WriteJournal(const std::string& staging, const RestorePlan& plan) {
  if (int code = common::ReplaceFileContents(staging + kJournalName, JournalText(plan))) return code;
  SyncFolder(staging);
  return 0;
}

bool FollowPlan(const std::string& staging, const RestorePlan& plan, const std::string& doneText,
                std::string& failure) {
  failure.clear();
  const std::string data = common::DataDir("");
  const std::string files = staging + plan.files + "\\";
  std::string stopName;
  int stopCode = 0;
  for (const auto& name : plan.erase) {
    const std::string target = data + name;
    const int code = !common::LiesInside(data, target) ? 5 : WhileHeld(target, [&] {
      const int rc = common::EraseFile(target);
      return rc == 2 ? 0 : rc;
    });
    if (code != 0) {
      stopName = target;
      stopCode = code;
      break;
    }
  }
  for (std::size_t i = 0; stopCode == 0 && i < plan.move.size(); ++i) {
    const std::string source = files + plan.move[i], target = data + plan.move[i];
    int code = 0;
    if (!common::LiesInside(data, target) || !common::LiesInside(files, source)) code = 5;
    else if (!common::FileExists(source)) code = common::FileExists(target) ? 0 : 2;  // moved before
    else code = WhileHeld(target, [&] { return common::ReplaceFileFrom(source, target); });
    if (code != 0) {
      stopName = target;
      stopCode = code;
    }
  }
  if (stopCode != 0) {
    const std::string why = stopCode == kSharingViolation
                                ? " je otevřen na jiné stanici"_cz
                                : " nelze obnovit, chyba "_cz + std::to_string(stopCode);
    common::LogProtocol("Obnova dat nedokončena: "_cz + stopName);
    failure = "Obnova dat není dokončena: soubor "_cz + stopName + why + NextStartTail();
    return false;
  }
  SyncFolder(data);
  if (plan.copyOk) common::WriteJob("COPYOK", " ");
  if (plan.clearKopw) common::WriteJob("KOPW", " ");
  (void)common::EraseFile(staging + kJournalName);
  common::LogProtocol(doneText);
  return true;
}

namespace {

// The copy a damaged journal restored, from its "T" line ("Obnova dat z čísla kopie
// 003" of "... je OK"), or empty when the journal no longer shows it.
std::string DamagedCopy(const std::string& text) {
  const std::vector<std::string> lines = common::SplitTextLines(text.substr(0, 4096));
  for (std::size_t i = 0; i < lines.size() && i < 8; ++i) {
    if (lines[i].rfind("T ", 0) != 0) continue;
    std::string what = TrimBlanks(lines[i].substr(2, 80));
    if (what.ends_with(" je OK")) what = TrimBlanks(what.substr(0, what.size() - 6));
    if (what.empty() || std::any_of(what.begin(), what.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
      return {};
    return what;
  }
  return {};
}

// The copy a restore's "T" text names ("Obnova dat z čísla kopie 003").
std::string ShownCopy(const std::string& okText) { return DamagedCopy("T " + okText); }

std::string DamagedMessage(const std::string& journal, const std::string& text) {
  const std::string copy = DamagedCopy(text);
  return "Záznam nedokončené obnovy dat "_cz + common::ShownPath(journal) + " je poškozen, obnova dat není dokončena"_cz +
         (copy.empty() ? ". Obnovte znovu kopii, ze které se obnovovalo, tím se složka dat opraví"_cz
                       : " (" + copy + "). Obnovte tuto kopii znovu, tím se složka dat opraví"_cz);
}

}  // namespace

void RemoveDamagedRestores(const std::vector<std::string>& folders, const std::string& doneText) {
  for (const std::string& folder : folders) {
    common::File lock;
    int rc = lock.Open(folder + kLockName, common::kModeExclusive);
    if (rc == 2) rc = lock.Create(folder + kLockName, common::kModeExclusive);
    if (rc == kSharingViolation) continue;
    if (common::RemoveTree(folder) != 0) continue;
    common::LogProtocol("Poškozená obnova dat odstraněna: "_cz + folder);
    common::MessageOk("Složka poškozené obnovy dat "_cz + common::ShownPath(folder) + " je odstraněna, obnova dat je dokončena ("_cz +
                      ShownCopy(doneText) + ")");
  }
}

int FinishPendingRestores(std::vector<std::string>* damaged) {
  const std::string data = common::DataDir("");
  int pending = 0;
  // Damaged journals are judged once every readable one has been followed: a restore of
  // the same copy finished after one goes over it.
  struct Damaged {
    std::string folder, text;
    std::int64_t written = 0;
  };
  struct Finished {
    std::string okText;
    std::int64_t written = 0;
  };
  std::vector<Damaged> unreadable;
  std::vector<Finished> finishedRuns;
  for (const char* prefix : {kStagingPrefix, kWorkPrefix}) {
    std::vector<common::DirItem> items;
    (void)common::ListDirectory(data + prefix + "*", items, common::kListDirs);
    for (const auto& item : items) {
      if (!SafeName(item.name) || item.isLink) continue;
      const std::string folder = data + item.name + "\\";
      const std::string journal = folder + kJournalName;
      common::FileStat st;
      if (common::GetFileInfo(journal, st) != 0 || !st.isRegular) continue;
      common::File lock;
      int rc = lock.Open(folder + kLockName, common::kModeExclusive);
      if (rc == 2) rc = lock.Create(folder + kLockName, common::kModeExclusive);
      if (rc == kSharingViolation) continue;  // a living run on another workstation
      std::string text;
      RestorePlan plan;
      if (st.size > kJournalMax || common::ReadFileText(journal, text) != 0 || !ParseJournal(text, plan)) {
        unreadable.push_back({folder, st.size > kJournalMax ? std::string() : text, st.mtimeNs});
        continue;
      }
      if (!CheckHeldFiles(TouchedFiles(plan), NextStartTail()) ||
          !PutBackLeftCopies(TouchedFiles(plan), NextStartTail())) {
        ++pending;
        continue;
      }
      const std::string done = "Přerušená obnova dokončena: "_cz + plan.okText;
      std::string failure;
      const bool finished = FollowPlan(folder, plan, done, failure);
      common::BeepMessage(finished ? done : failure);
      if (!finished) {
        ++pending;
        continue;
      }
      if (plan.copyOk) finishedRuns.push_back({plan.okText, st.mtimeNs});  // a restore of the data
      (void)common::RemoveTree(folder);
    }
    RemoveDeadFolders(data, prefix);
  }
  for (const Damaged& d : unreadable) {
    const std::string copy = DamagedCopy(d.text);
    const auto over = std::find_if(finishedRuns.begin(), finishedRuns.end(), [&](const Finished& f) {
      return f.written >= d.written && (copy.empty() || copy == ShownCopy(f.okText));
    });
    if (over != finishedRuns.end()) {
      RemoveDamagedRestores({d.folder}, over->okText);
      if (!common::FileExists(d.folder + kJournalName)) continue;
    }
    common::BeepMessage(DamagedMessage(d.folder + kJournalName, d.text));
    if (damaged) damaged->push_back(d.folder);
    ++pending;
  }
  return pending;
}

}  // namespace backup
