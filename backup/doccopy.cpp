#include "backup/doccopy.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "backup/copystore.h"
#include "browser/dialogs.h"
#include "common/clock.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/filesystem.h"
#include "common/inplace.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/session.h"
#include "common/text.h"
#include "common/usertab.h"
#include "common/winpath.h"

namespace backup {

using namespace common::literals;

namespace {

constexpr char kFolderSettings[] = "mirtena.par";
constexpr char kForward[] = "   ->";
constexpr char kBack[] = " <-";
const std::string kSkipped = " vynecháno"_cz;  // a folder walked already, or too deep
constexpr int kMaxDepth = 64;       // folders below the root one branch may go
constexpr std::size_t kBatch = 256;  // copies prepared before they are flushed together
constexpr std::size_t kBlock = 1 << 16;

// One file of a side: its name's own bytes on disk, the name as shown (Windows-1250)
// and its stamp.
struct Entry {
  std::string disk, shown;
  std::uint32_t stamp = 0;
};
struct SubFolder {
  std::string disk, shown, key;
};
// One side of a folder: files by their key, and sub-folders.
struct Side {
  std::map<std::string, Entry> files;
  std::vector<std::string> order;  // keys in listing order
  std::vector<SubFolder> folders;
};

// A folder of the walk: its Windows path below the roots ("" or "A\B\"), the real
// path of each side (ending in "/"), and how deep it lies.
struct Place {
  std::string rel, source, copy;
  int depth = 0;
};

// A name that the code page can spell is matched without case; any other by its bytes.
std::string NameKey(const std::string& disk, std::string& shown) {
  shown = common::Utf8ToWin1250(disk, '\0');
  if (shown.find('\0') == std::string::npos) return common::UpperCp1250(shown);
  shown = common::Utf8ToWin1250(disk);
  return '\x01' + disk;
}

// Files the copy never carries: the copy root's marker, the live tables of the
// program's own locking and user slots, and the program's own temporaries, work files,
// rollback copies and join marks (a user's ".~..." file is copied).
bool NeverCopied(const std::string& disk, const std::string& shown) {
  return common::IsProgramOwnName(disk) || common::SameNameCp1250(shown, kCopyRootMarker) ||
         common::SameNameCp1250(shown, common::kLockTableName) || common::SameNameCp1250(shown, common::kUserTabName);
}

// A restore's staging folder or a run's work folder ("obnova.xxxxxxxx", "wrk.xxxxxxxx"):
// private to the run that made it, never carried.
bool PrivateRunFolder(const std::string& shown) {
  const std::string up = common::UpperCp1250(shown);
  return up.starts_with(common::UpperCp1250(kStagingPrefix)) || up.starts_with(common::UpperCp1250(kWorkPrefix));
}

// The entries of one side as they are on disk. A name that is not one path component
// (a "..\..\x" written by another system) is passed over and counted as failed.
Side ListSide(const std::string& real, const std::string& win, CopyRun& run) {
  Side side;
  common::FileSystem& fs = common::CurrentFileSystem();
  std::vector<common::DirEntryRaw> entries;
  if (fs.ListDir(real, entries) != 0) return side;
  struct Listed {
    std::string disk, shown, key;
  };
  std::vector<Listed> listed;
  for (auto& e : entries) {
    if (!common::IsOneComponent(e.name)) {
      ++run.failed;
      continue;
    }
    // What a killed run left half written goes; a living run's stays and is not copied.
    if (common::IsReplacementTemp(e.name) && !e.isDir && common::RemoveDeadTemp(real + e.name)) continue;
    Listed l{std::move(e.name), {}, {}};
    l.key = NameKey(l.disk, l.shown);
    listed.push_back(std::move(l));
  }
  std::sort(listed.begin(), listed.end(),
            [](const Listed& a, const Listed& b) { return a.shown != b.shown ? a.shown < b.shown : a.disk < b.disk; });
  for (auto& l : listed) {
    common::FileStat st;
    if (fs.StatPath(real + l.disk, st) != 0) continue;  // gone meanwhile, or a link to nothing
    if (st.isDir) {
      if (!IsBackupStoreFolder(win + l.shown + "\\") && !PrivateRunFolder(l.shown))
        side.folders.push_back({l.disk, l.shown, l.key});
      continue;
    }
    if (!st.isRegular || st.size == 0 || NeverCopied(l.disk, l.shown)) continue;  // empty files are never copied
    if (side.files.count(l.key)) continue;  // two names one file: the first listed
    side.files[l.key] = {l.disk, l.shown, common::ToDosDateTime(common::LocalFromUnixNs(st.mtimeNs))};
    side.order.push_back(l.key);
  }
  return side;
}

// Copies a file into a new temporary one beside its target, keeping the date; the
// writing to disk is started, not waited for. A source that is gone is an error.
int Prepare(const std::string& from, const std::string& to, common::FileReplacement& r) {
  common::File in;
  if (int code = in.OpenReal(from, common::kModeReadOnly)) return code;
  std::int64_t mtime = 0;
  std::uint64_t size = 0;
  if (int code = in.GetTime(mtime)) return code;
  if (int code = r.BeginReal(to)) return code;
  if (int code = common::CopyFileData(in, r.file(), 0, kBlock)) return code;
  if (int code = r.file().Size(size)) return code;
  if (int code = r.file().SetTime(mtime)) return code;
  r.file().StartWriteback(0, size);
  return in.Close();
}

// Copies onto the copy drive prepared so far: flushed together, then renamed in, so a
// copy carrying the source's stamp is never left without its data.
void Flush(std::vector<std::unique_ptr<common::FileReplacement>>& batch, CopyRun& run) {
  if (batch.empty()) return;
  const bool flushed = batch.front()->file().SyncFileSystem() == 0;
  for (auto& r : batch)
    if ((flushed ? r->CommitFlushed() : r->Commit()) != 0) ++run.failed;
  batch.clear();
}

// Into the data folder: only under the file's write lock (`lockName`) and when no
// other user holds it; a file another workstation has open is left too. Each
// replacement is on disk before it is renamed in.
void CopyIn(const std::string& from, const std::string& to, const std::string& lockName, CopyRun& run) {
  common::Session& s = common::CurrentSession();
  // A lock wait left with Esc ends the run before this file is touched.
  auto stopped = [&] {
    if (!s.WaitStopped) return false;
    run.stoppedAt = lockName;
    return true;
  };
  s.WaitStopped = 0;
  const std::string holder = common::IfVolny(lockName);
  if (stopped()) return;
  if (!holder.empty()) {
    ++run.skipped;
    return;
  }
  common::ScopedFileLock lock(lockName, "W");
  if (common::GivenUpOrStopped(lock.result())) {
    if (!stopped()) ++run.skipped;
    return;
  }
  // A copy a step left beside the data file goes back first: put back later, it would
  // write its old bytes over the file copied in.
  if (!common::PutBackBeforeReplacing(lockName, ", soubor se nekopíruje"_cz, true)) {
    ++run.failed;
    return;
  }
  common::FileReplacement r;
  int code = Prepare(from, to, r);
  if (code == 0) code = r.Commit();
  if (code == 32) ++run.skipped;
  else if (code != 0) ++run.failed;
}

void Report(CopyRun& run, const LineSink& onLine, std::string line) {
  if (onLine) onLine(line);
  run.lines.push_back(std::move(line));
}

bool AsFolder(const std::string& real, common::FileStat& st) {
  return common::CurrentFileSystem().StatPath(real, st) == 0 && st.isDir;
}

// Makes both folders of a place. Each real folder (device and inode) is walked once:
// a place whose folder on either side was walked already (a link back up the tree,
// two links to one folder) is not entered.
enum class Entered { Yes, Again, Failed };
Entered Enter(const Place& p, std::set<std::pair<std::uint64_t, std::uint64_t>>& walked) {
  common::FileStat s, c;
  const bool hasSource = AsFolder(p.source, s), hasCopy = AsFolder(p.copy, c);
  if ((hasSource && walked.count({s.dev, s.ino})) || (hasCopy && walked.count({c.dev, c.ino}))) return Entered::Again;
  common::FileSystem& fs = common::CurrentFileSystem();
  if (!hasSource) (void)fs.MakeDir(p.source);
  if (!hasCopy) (void)fs.MakeDir(p.copy);
  if (!AsFolder(p.source, s) || !AsFolder(p.copy, c)) return Entered::Failed;
  walked.insert({s.dev, s.ino});
  walked.insert({c.dev, c.ino});
  return Entered::Yes;
}

// The real path of a root folder made with every missing level, ending in "/".
bool RealRoot(const std::string& win, std::string& real) {
  common::ForceDirs(win);
  if (common::ResolveName(win, real) != 0 || !common::DirectoryExists(win)) return false;
  if (!real.ends_with('/')) real += '/';
  return true;
}

// A data folder that holds the copy tree itself is not walked: the copy would
// copy itself.
bool HoldsCopyRoot(const std::string& folder, const std::string& copyRoot) { return copyRoot.starts_with(folder); }

}  // namespace

std::string DocumentCopyRoot(char drive, const std::string& dataFolderName) {
  return std::string(1, drive) + ":\\TV3\\" + dataFolderName + "\\";
}

bool ClaimCopyRoot(const std::string& copyRoot, const std::string& dataPath, std::string& message) {
  const std::string marker = copyRoot + kCopyRootMarker;
  if (common::FileExists(marker)) {
    std::string named;
    if (int code = common::ReadFileText(marker, named)) {
      message = marker + " err " + std::to_string(code);
      return false;
    }
    named = common::StripRightSp(named.substr(0, named.find_first_of("\r\n")));
    if (common::SameNameCp1250(named, dataPath)) return true;
    message = "Kopie "_cz + copyRoot + " patří ke složce dat "_cz + named + ", ne k "_cz + dataPath;
    return false;
  }
  common::ForceDirs(copyRoot);
  if (int code = common::ReplaceFileContents(marker, dataPath + "\r\n")) {
    message = marker + " err " + std::to_string(code);
    return false;
  }
  return true;
}

bool IsBackupStoreFolder(const std::string& folder) {
  if (common::FileExists(folder + kMarkerName)) return true;
  if (!common::FileExists(folder + kCounterName)) return false;
  std::vector<common::DirItem> items;
  (void)common::ListDirectory(folder + "*.*", items, common::kListDirs);
  for (const auto& item : items)
    if (IsCopyFolderName(item.name) && common::FileExists(folder + item.name + "\\" + kMarkerName)) return true;
  return false;
}

CopyRun SyncDocumentFolders(const CopyRoots& roots, const LineSink& onLine, const FolderSink& onFolders) {
  CopyRun run;
  std::string source, copy;
  if (!RealRoot(roots.source, source) || !RealRoot(roots.copy, copy)) {
    ++run.failed;
    return run;
  }
  std::set<std::pair<std::uint64_t, std::uint64_t>> walked;
  std::vector<std::unique_ptr<common::FileReplacement>> batch;
  std::vector<Place> stack{{"", source, copy, 0}};
  while (!stack.empty()) {
    if (onFolders) {
      std::vector<std::string> stacked;
      for (const Place& s : stack) stacked.push_back(s.rel);
      onFolders(stacked);
    }
    const Place p = std::move(stack.back());
    stack.pop_back();
    if (const Entered e = Enter(p, walked); e != Entered::Yes) {
      if (e == Entered::Failed) {
        ++run.failed;
      } else {
        Report(run, onLine, roots.source + p.rel + kSkipped);
        ++run.foldersSkipped;
      }
      continue;
    }
    Side from = ListSide(p.source, roots.source + p.rel, run);
    Side to = ListSide(p.copy, roots.copy + p.rel, run);
    for (const std::string& key : from.order) {
      const Entry& s = from.files[key];
      auto c = to.files.find(key);
      if (c != to.files.end() && c->second.stamp >= s.stamp) continue;
      // An existing copy keeps its own spelling of the name.
      const Entry& named = c != to.files.end() ? c->second : s;
      const Entry target{named.disk, named.shown, s.stamp};
      Report(run, onLine, roots.copy + p.rel + target.shown + kForward);
      auto r = std::make_unique<common::FileReplacement>();
      // Carried as an opening gives it: a copy a step left beside it goes back first.
      if (!common::PutBackBeforeReplacing(roots.source + p.rel + s.shown, ", soubor se nekopíruje"_cz) ||
          Prepare(p.source + s.disk, p.copy + target.disk, *r) != 0)
        ++run.failed;
      else batch.push_back(std::move(r));
      if (batch.size() >= kBatch) Flush(batch, run);
      if (c == to.files.end()) to.order.push_back(key);
      to.files[key] = target;
    }
    Flush(batch, run);
    // A file deleted beside the copy its killed rewrite left is passed over by the listing,
    // but the copy holds its only old bytes: named as an opening names it and counted as
    // not copied (one the copy side holds is named by the way back).
    for (const std::string& name : common::MissingBesideCopies(roots.source + p.rel + "*.*")) {
      std::string shown;
      if (to.files.count(NameKey(common::Win1250ToUtf8(name), shown))) continue;
      Report(run, onLine, roots.copy + p.rel + name + kForward);
      (void)common::PutBackBeforeReplacing(roots.source + p.rel + name, ", soubor se nekopíruje"_cz);
      ++run.failed;
    }
    for (const std::string& key : to.order) {
      const Entry& c = to.files[key];
      auto s = from.files.find(key);
      if (s != from.files.end() && s->second.stamp >= c.stamp) continue;
      const Entry& target = s != from.files.end() ? s->second : c;
      Report(run, onLine, roots.source + p.rel + target.shown + kBack);
      CopyIn(p.copy + c.disk, p.source + target.disk, roots.source + p.rel + target.shown, run);
      if (!run.stoppedAt.empty()) return run;
    }
    // Sub-folders of both sides, each side keeping its own spelling.
    std::vector<std::pair<SubFolder, SubFolder>> subs;
    for (const SubFolder& f : from.folders) {
      auto c = std::find_if(to.folders.begin(), to.folders.end(), [&](const SubFolder& t) { return t.key == f.key; });
      subs.emplace_back(f, c != to.folders.end() ? *c : f);
    }
    for (const SubFolder& f : to.folders)
      if (std::none_of(from.folders.begin(), from.folders.end(), [&](const SubFolder& s) { return s.key == f.key; }))
        subs.emplace_back(f, f);
    for (const auto& [s, c] : subs) {
      Place sub{p.rel + s.shown + "\\", p.source + s.disk + "/", p.copy + c.disk + "/", p.depth + 1};
      if (HoldsCopyRoot(sub.source, copy)) continue;
      if (sub.depth > kMaxDepth) {
        Report(run, onLine, roots.source + sub.rel + kSkipped);
        ++run.foldersSkipped;
        continue;
      }
      stack.push_back(std::move(sub));
    }
  }
  return run;
}

std::vector<std::string> MarkedSeries(const std::string& dataFolder) {
  std::vector<std::string> series;
  const std::string marks = dataFolder + "DFPOZN.DTA";
  std::string text;
  if (common::CheckFile(marks) > 2 && common::ReadFileText(marks, text) == 0) {
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(at, end - at);
      if (line.size() >= 6 && line[5] == 'P') series.push_back("DF" + line.substr(0, 4));
      at = end + 1;
    }
  }
  std::vector<common::DirItem> items;
  (void)common::ListDirectory(dataFolder + "OF????.DTA", items, common::kListFiles);
  for (const auto& item : items)
    if (item.name.size() >= 6 && common::UpperCp1250(item.name[4]) == 'P') series.push_back(item.name.substr(0, 6));
  return series;
}

CopyRun CopySeriesFolders(const CopyRoots& roots, const std::vector<std::string>& series, const LineSink& onLine,
                          const FolderSink& onFolders) {
  CopyRun run;
  std::vector<std::string> left = series;
  while (!left.empty()) {
    if (onFolders) onFolders(left);
    const std::string p = left.back() + "\\";
    const bool named = common::IsOneComponent(left.back());
    left.pop_back();
    std::string source, copy;
    if (!named || !RealRoot(roots.source + p, source) || !RealRoot(roots.copy + p, copy)) {
      ++run.failed;
      continue;
    }
    (void)common::RemoveDeadTemps(roots.source + p);
    std::vector<common::DirItem> items;
    (void)common::ListDirectory(roots.copy + p + "*.rad", items, common::kListFiles);
    for (const auto& item : items) {
      if (!common::IsOneComponent(item.diskName)) {
        ++run.failed;
        continue;
      }
      Report(run, onLine, roots.copy + p + item.name + kForward);
      CopyIn(copy + item.diskName, source + item.diskName, roots.source + p + item.name, run);
      if (!run.stoppedAt.empty()) return run;
    }
  }
  return run;
}

// ---------------------------------------------------------------- the windows

TfKopieDokladu::TfKopieDokladu(bool series)
    : ui::Form(series ? "fKopieDokladuP" : "fKopieDokladu"),
      Label1(Add<ui::Label>("Label1")),
      Drive1(Add<ui::ComboBox>("Drive1")),
      bStart(Add<ui::Button>("bStart")),
      ListBox2(Add<ui::ListBox>("ListBox2")),
      ListBox1(Add<ui::ListBox>("ListBox1")),
      lRoot1(Add<ui::Label>("lRoot1")),
      lRoot2(Add<ui::Label>("lRoot2")),
      lSoubor(Add<ui::Label>("lSoubor")),
      series_(series) {
  SetCaption(series ? "Kopie dokladů přenesená pov."_cz : "Kopie dokladů"_cz);
  SetBounds(120, series ? 83 : 80, 770, 600);
  keyPreview = true;
  Label1.SetText("Zvolte disk kopie:"_cz);
  Label1.SetBounds(8, 12, 110, 16);
  Drive1.SetBounds(124, 8, 145, 22);
  bStart.SetText("Start");
  bStart.SetBounds(290, 6, 90, 26);
  ListBox2.SetBounds(8, 40, 213, 521);
  ListBox1.SetBounds(228, 36, 525, 525);
  for (ui::Label* l : {&lRoot1, &lRoot2, &lSoubor}) l->SetVisible(false);
  lRoot1.SetText("ROOT1");
  lRoot2.SetText("ROOT2");
  for (const auto& [letter, folder] : common::Drives().Entries())
    if (letter.size() == 1) Drive1.AddItem(letter + ":");
  if (!Drive1.items().empty()) Drive1.SetItemIndex(0);
  bStart.onClick = [this](ui::Control&) { bStartClick(); };
  lRoot2.onClick = [this](ui::Control&) { lRoot2Click(); };
  onActivate = [this](ui::Form&) { FormActivate(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift) {
    if (key != ui::vk::Esc) return;
    key = 0;
    Close();
  };
}

void TfKopieDokladu::FormActivate() {
  if (activated_) return;
  activated_ = true;
  lRoot1.SetText(std::string(common::FolderPart(common::ReadParam(kFolderSettings, "Zdroj"))));
  lRoot2.SetText(std::string(common::FolderPart(common::ReadParam(kFolderSettings, "Vystup"))));
}

void TfKopieDokladu::lRoot2Click() {
  const std::string output = common::ReadParam(kFolderSettings, "Vystup");
  ui::FileDialogRequest request;
  request.directory = common::RealPath(common::FolderPart(output));
  request.fileName = common::Win1250ToUtf8(std::string(common::NamePart(output)));
  if (ui::ChooseOpenFile(request)) {
    const std::string chosen = common::Utf8ToWin1250(request.fileName);
    lRoot2.SetText(std::string(common::FolderPart(chosen)));
  }
  common::WriteParam(kFolderSettings, "Vystup", common::Utf8ToWin1250(request.fileName));
}

void TfKopieDokladu::ShowFolders(const std::vector<std::string>& stacked) {
  std::vector<std::string> lines{common::FormatFloatMask("#####", static_cast<double>(stacked.size()))};
  lines.insert(lines.end(), stacked.begin(), stacked.end());
  ListBox2.SetItems(lines);
  ui::ProcessMessages();
}

void TfKopieDokladu::AddLine(const std::string& line) {
  ListBox1.SetItemIndex(ListBox1.AddItem(line));
  ui::ProcessMessages();
}

void TfKopieDokladu::bStartClick() {
  if (Drive1.itemIndex() < 0) return;
  bStart.SetEnabled(false);
  struct Enable {
    ui::Button& b;
    ~Enable() { b.SetEnabled(true); }
  } enable{bStart};
  // Without "data.adr" the start folder is the data folder.
  std::string data = common::DataFolderNamed();
  if (!data.ends_with('\\') && !data.ends_with('/')) data += '\\';
  std::string name = common::DataDirName();
  if (name.empty()) name = std::string(common::NamePart(data.substr(0, data.size() - 1)));
  const std::string copyRoot = DocumentCopyRoot(Drive1.items()[Drive1.itemIndex()][0], name);
  CopyRoots roots{data, copyRoot};
  if (series_) roots = {data + "DOKLADY\\", copyRoot + "DOKLADY\\"};
  lRoot1.SetText(roots.source);
  lRoot2.SetText(roots.copy);
  run_ = {};
  if (!ClaimCopyRoot(copyRoot, data, run_.refused)) {
    common::MessageOk(run_.refused);
    return;
  }
  ListBox1.ClearItems();
  auto line = [this](const std::string& l) { AddLine(l); };
  auto folders = [this](const std::vector<std::string>& s) { ShowFolders(s); };
  run_ = series_ ? CopySeriesFolders(roots, MarkedSeries(data), line, folders) : SyncDocumentFolders(roots, line, folders);
  std::vector<std::string> done{run_.stoppedAt.empty() ? "Hotovo" : "Přerušeno"_cz};
  if (!run_.stoppedAt.empty()) done.push_back("Kopie přerušena u souboru "_cz + run_.stoppedAt + ", nezkopírován"_cz);
  if (run_.failed) done.push_back("Nezkopírováno: "_cz + std::to_string(run_.failed));
  if (run_.skipped) done.push_back("Vynecháno, užívá jiný uživatel: "_cz + std::to_string(run_.skipped));
  if (run_.foldersSkipped)
    done.push_back("Vynecháno složek (odkaz zpět nebo hloubka nad 64): "_cz + std::to_string(run_.foldersSkipped));
  ListBox2.SetItems(done);
  std::string message;
  for (std::size_t i = 1; i < done.size(); ++i) message += (i > 1 ? ", " : "") + done[i];
  if (!message.empty()) common::MessageOk(message);
}

TfKopieDokladu& fKopieDokladu() {
  struct Sync : TfKopieDokladu {
    Sync() : TfKopieDokladu(false) {}
  };
  return browser::SingleWindow<Sync>();
}

TfKopieDokladu& fKopieDokladuP() {
  struct Series : TfKopieDokladu {
    Series() : TfKopieDokladu(true) {}
  };
  return browser::SingleWindow<Series>();
}

}  // namespace backup
