#include "backup/doccopy.h"

#include <map>

#include "backup/copystore.h"
#include "browser/dialogs.h"
#include "common/clock.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/text.h"
#include "common/usertab.h"
#include "common/winpath.h"

namespace backup {

using namespace common::literals;

namespace {

constexpr char kFolderSettings[] = "mirtena.par";
constexpr char kForward[] = "   ->";
constexpr char kBack[] = " <-";

struct Entry {
  std::string name;
  std::uint32_t stamp = 0;
};
// One side of a folder: files by their name without case, and sub-folders.
struct Side {
  std::map<std::string, Entry> files;
  std::vector<std::string> order;  // upper-case names in listing order
  std::vector<std::string> folders;
};

// Files the copy never carries: the copy root's marker and the live tables of the
// program's own locking and user slots.
bool NeverCopied(const std::string& name) {
  return common::SameNameCp1250(name, kCopyRootMarker) || common::SameNameCp1250(name, common::kLockTableName) ||
         common::SameNameCp1250(name, common::kUserTabName);
}

Side ListSide(const std::string& folder) {
  Side side;
  std::vector<common::DirItem> items;
  (void)common::ListDirectory(folder + "*.*", items);
  for (const auto& item : items) {
    if (item.isDir) {
      if (!IsBackupStoreFolder(folder + item.name + "\\")) side.folders.push_back(item.name);
      continue;
    }
    if (item.size == 0 || NeverCopied(item.name)) continue;  // empty files are never copied
    const std::string key = common::UpperCp1250(item.name);
    if (side.files.count(key)) continue;  // two names one file: the first listed
    side.files[key] = {item.name, common::ToDosDateTime(common::LocalFromUnixNs(item.mtimeNs))};
    side.order.push_back(key);
  }
  return side;
}

bool HasFolder(const std::vector<std::string>& folders, const std::string& name) {
  for (const auto& f : folders)
    if (common::SameNameCp1250(f, name)) return true;
  return false;
}

// Onto the copy drive: a plain copy keeping the date.
void CopyOut(const std::string& from, const std::string& to, CopyRun& run) {
  if (common::CopyFileKeepDate(from, to) != 0) ++run.failed;
}

// Into the data folder: only under the file's write lock and when no other user
// holds it; a file another workstation has open is left too.
void CopyIn(const std::string& from, const std::string& to, CopyRun& run) {
  if (!common::IfVolny(to).empty()) {
    ++run.skipped;
    return;
  }
  common::ScopedFileLock lock(to, "W");
  if (lock.result() == common::LockResult::GivenUp) {
    ++run.skipped;
    return;
  }
  const int code = common::CopyFileKeepDate(from, to);
  if (code == 32) ++run.skipped;
  else if (code != 0) ++run.failed;
}

void Report(CopyRun& run, const LineSink& onLine, std::string line) {
  if (onLine) onLine(line);
  run.lines.push_back(std::move(line));
}

// Both folders of a path, made with every missing level; false when one is missing.
bool MakeBoth(const CopyRoots& roots, const std::string& p, CopyRun& run) {
  common::ForceDirs(roots.source + p);
  common::ForceDirs(roots.copy + p);
  if (common::DirectoryExists(roots.source + p) && common::DirectoryExists(roots.copy + p)) return true;
  ++run.failed;
  return false;
}

// A data folder that holds the copy tree itself is not walked: the copy would
// copy itself.
bool HoldsCopyRoot(const CopyRoots& roots, const std::string& p) {
  std::string folder = common::RealPath(roots.source + p), copy = common::RealPath(roots.copy);
  if (!folder.ends_with('/')) folder += '/';
  if (!copy.ends_with('/')) copy += '/';
  return copy.starts_with(folder);
}

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
  std::vector<std::string> stack{""};
  while (!stack.empty()) {
    if (onFolders) onFolders(stack);
    const std::string p = stack.back();
    stack.pop_back();
    if (!MakeBoth(roots, p, run)) continue;
    Side source = ListSide(roots.source + p);
    Side copy = ListSide(roots.copy + p);
    for (const std::string& key : source.order) {
      const Entry& s = source.files[key];
      auto c = copy.files.find(key);
      if (c != copy.files.end() && c->second.stamp >= s.stamp) continue;
      // An existing copy keeps its own spelling of the name.
      const std::string target = roots.copy + p + (c != copy.files.end() ? c->second.name : s.name);
      Report(run, onLine, target + kForward);
      CopyOut(roots.source + p + s.name, target, run);
      if (c == copy.files.end()) copy.order.push_back(key);
      copy.files[key] = {c != copy.files.end() ? c->second.name : s.name, s.stamp};
    }
    for (const std::string& key : copy.order) {
      const Entry& c = copy.files[key];
      auto s = source.files.find(key);
      if (s != source.files.end() && s->second.stamp >= c.stamp) continue;
      const std::string target = roots.source + p + (s != source.files.end() ? s->second.name : c.name);
      Report(run, onLine, target + kBack);
      CopyIn(roots.copy + p + c.name, target, run);
    }
    for (const std::string& f : copy.folders)
      if (!HasFolder(source.folders, f)) source.folders.push_back(f);
    for (const std::string& f : source.folders)
      if (!HoldsCopyRoot(roots, p + f + "\\")) stack.push_back(p + f + "\\");
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
    left.pop_back();
    if (!MakeBoth(roots, p, run)) continue;
    std::vector<common::DirItem> items;
    (void)common::ListDirectory(roots.copy + p + "*.rad", items, common::kListFiles);
    for (const auto& item : items) {
      Report(run, onLine, roots.copy + p + item.name + kForward);
      CopyIn(roots.copy + p + item.name, roots.source + p + item.name, run);
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
  std::string data = common::DataDir("");
  if (data.empty()) data = common::CurrentFolder();
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
  std::vector<std::string> done{"Hotovo"};
  if (run_.failed) done.push_back("Nezkopírováno: "_cz + std::to_string(run_.failed));
  if (run_.skipped) done.push_back("Vynecháno, užívá jiný uživatel: "_cz + std::to_string(run_.skipped));
  ListBox2.SetItems(done);
  if (run_.failed || run_.skipped) common::MessageOk(done[1] + (done.size() > 2 ? ", " + done[2] : ""));
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
