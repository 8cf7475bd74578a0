#include "app/cicopy.h"

#include "app/form1.h"
#include "backup/copystore.h"
#include "backup/pending.h"
#include "browser/choosers/dirdialog.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/iocodes.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "ui/ui.h"

namespace app {

using namespace common::literals;

namespace {

constexpr char kMask[] = "CI*.dta";
constexpr char kNotCopied[] = ", kopírování neproběhlo";

void CopyFailed(int code) {
  common::MessageOk("Kopírování skončilo chybou "_cz + common::FormatNumberMask("#####", code));
}

// The folder chooser at 200 px from the left; the chosen folder, empty after Esc.
std::string AskFolder(const std::string& title) {
  browser::TfDirDialog& d = browser::fDirDialog();
  d.SetLeft(200);
  if (!browser::ChooseFolder(title, "c:\\")) return {};
  return d.Folder;
}

}  // namespace

int ListCodeListFiles(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  std::vector<common::DirItem> items;
  const int code = common::ListDirectory(folder + kMask, items, common::kListFiles);
  if (code) return code;
  for (const common::DirItem& item : items)
    if (item.size > 0) names.push_back(item.name);
  return names.empty() ? common::io::kNoMoreFiles : 0;
}

namespace {

// The lists of a folder to carry: those listed, and first those deleted beside the copy
// their killed rewrite left. The copy holds such a list's only old bytes: it is named
// (before any copy is put back) and nothing is copied. 0, 18 for none, or the listing's code.
int ListsToCarry(const std::string& folder, std::vector<std::string>& names) {
  const int listed = ListCodeListFiles(folder, names);
  if (listed != 0 && listed != common::io::kNoMoreFiles) return listed;
  const std::vector<std::string> missing = common::MissingBesideCopies(folder + kMask);
  names.insert(names.begin(), missing.begin(), missing.end());
  return names.empty() ? common::io::kNoMoreFiles : 0;
}

// The data folder named in full, also without "data.adr".
std::string RestoredText() { return "Číselníky jsou zkopírovány do "_cz + common::DataFolderNamed(); }

// Both sides as an opening gives them: a list would be carried half written, or a copy
// left beside the target put back later over the list carried in.
bool CopiesPutBack(const std::vector<std::string>& names, const std::string& from, const std::string& to) {
  for (const std::string& name : names)
    for (const std::string* folder : {&from, &to})
      if (!common::PutBackBeforeReplacing(*folder + name, common::Cz(kNotCopied))) return false;
  return true;
}

// Each list from `from` to `to` with its date, the bar showing how far; a failure is said.
int CopyWithProgress(const std::vector<std::string>& names, const std::string& from, const std::string& to,
                     ui::ProgressBar& bar) {
  bar.SetRange(0, static_cast<int>(names.size()));
  bar.SetPosition(0);
  bar.Show();
  int result = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    bar.SetPosition(static_cast<int>(i + 1));
    ui::ProcessMessages();
    result = common::CopyFileKeepDate(from + names[i], to + names[i]);
    if (result != 0) break;
  }
  bar.Hide();
  if (result != 0) CopyFailed(result);
  return result;
}

}  // namespace

int CopyCodeListFiles(const std::vector<std::string>& names, const std::string& from, const std::string& to,
                      ui::ProgressBar& bar) {
  if (!CopiesPutBack(names, from, to)) return -1;
  return CopyWithProgress(names, from, to, bar);
}

int RestoreCodeListFiles(const std::vector<std::string>& names, const std::string& from, ui::ProgressBar& bar) {
  const std::string data = common::DataDir("");
  if (!CopiesPutBack(names, from, data)) return -1;
  // Every list is staged in the data folder first; the data folder's lists change only
  // once all are there, under the journal that the next start finishes.
  backup::ScopedFolder staging;
  int result = staging.Make(data, backup::kStagingPrefix, "data");
  if (result != 0) {
    CopyFailed(result);
    return result;
  }
  if ((result = CopyWithProgress(names, from, staging.Work(), bar)) != 0) return result;
  backup::RestorePlan plan;
  plan.files = staging.Sub();
  plan.move = names;
  plan.copyOk = false;
  plan.okText = RestoredText();
  if (!backup::CheckHeldFiles(backup::TouchedFiles(plan), common::Cz(kNotCopied))) return -1;
  if ((result = backup::WriteJournal(staging.name(), plan)) != 0) {
    CopyFailed(result);
    return result;
  }
  std::string failure;
  if (!backup::FollowPlan(staging.name(), plan, plan.okText, failure)) {
    staging.Keep();
    common::BeepMessage(failure);
    return -1;
  }
  return 0;
}

void CopyCodeListsOut(ui::ProgressBar& bar) {
  const std::string folder = AskFolder("Urči složku pro kopii číselníků"_cz);
  if (folder.empty()) return;
  // Lists half restored are not copied.
  if (backup::FinishPendingRestores() > 0)
    return common::BeepMessage("Obnova dat není dokončena"_cz + common::Cz(kNotCopied));
  const std::string data = common::DataDir("");
  std::vector<std::string> names;
  const int listed = ListsToCarry(data, names);
  if (listed == common::io::kNoMoreFiles) return;
  if (listed != 0) return CopyFailed(listed);
  if (CopyCodeListFiles(names, data, folder, bar) == 0) common::MessageOk("Číselníky jsou zkopírovány do "_cz + folder);
}

void RestoreCodeLists(ui::ProgressBar& bar) {
  const std::string folder = AskFolder("Urči složku s číselníky"_cz);
  if (folder.empty()) return;
  std::vector<std::string> names;
  const int listed = ListsToCarry(folder, names);
  if (listed == common::io::kNoMoreFiles) return common::MessageOk("Na "_cz + folder + " nejsou žádné číselníky"_cz);
  if (listed != 0) return CopyFailed(listed);
  // The lists kept open for the run hold their files: they are closed first, so that
  // the restored files take their place and no later write goes to the old ones.
  CloseCodeListForms();
  // A restore a killed run left unfinished is finished first (a damaged one of the data
  // is said, and mended only by restoring its copy).
  std::vector<std::string> damaged;
  if (backup::FinishPendingRestores(&damaged) > static_cast<int>(damaged.size()))
    return common::BeepMessage("Obnova dat není dokončena"_cz + common::Cz(kNotCopied));
  if (RestoreCodeListFiles(names, folder, bar) == 0) common::MessageOk(RestoredText());
}

}  // namespace app
