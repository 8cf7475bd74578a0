#include "app/cicopy.h"

#include "app/form1.h"
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

int CopyCodeListFiles(const std::vector<std::string>& names, const std::string& from, const std::string& to,
                      ui::ProgressBar& bar) {
  // Both sides as an opening gives them: a list would be carried half written, or a copy
  // left beside the target put back later over the list carried in.
  for (const std::string& name : names)
    for (const std::string* folder : {&from, &to})
      if (!common::PutBackBeforeReplacing(*folder + name, ", kopírování neproběhlo"_cz)) return -1;
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

void CopyCodeListsOut(ui::ProgressBar& bar) {
  const std::string folder = AskFolder("Urči složku pro kopii číselníků"_cz);
  if (folder.empty()) return;
  const std::string data = common::DataDir("");
  std::vector<std::string> names;
  const int listed = ListCodeListFiles(data, names);
  if (listed == common::io::kNoMoreFiles) return;
  if (listed != 0) return CopyFailed(listed);
  if (CopyCodeListFiles(names, data, folder, bar) == 0) common::MessageOk("Číselníky jsou zkopírovány do "_cz + folder);
}

void RestoreCodeLists(ui::ProgressBar& bar) {
  const std::string folder = AskFolder("Urči složku s číselníky"_cz);
  if (folder.empty()) return;
  std::vector<std::string> names;
  const int listed = ListCodeListFiles(folder, names);
  if (listed == common::io::kNoMoreFiles) return common::MessageOk("Na "_cz + folder + " nejsou žádné číselníky"_cz);
  if (listed != 0) return CopyFailed(listed);
  // The lists kept open for the run hold their files: they are closed first, so that
  // the restored files take their place and no later write goes to the old ones.
  CloseCodeListForms();
  const std::string data = common::DataDir("");
  if (CopyCodeListFiles(names, folder, data, bar) == 0) common::MessageOk("Číselníky jsou zkopírovány do "_cz + data);
}

}  // namespace app
