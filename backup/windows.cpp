#include "backup/windows.h"

#include <stdexcept>

#include "backup/dirdialogx.h"
#include "backup/doccopy.h"
#include "backup/globkop.h"
#include "common/encoding.h"
#include "common/osfile.h"
#include "common/winpath.h"

namespace backup {

namespace {

// "LETTER FOLDER": the drive stands for a folder of the data folder for the rest of the run.
void MapDrive(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0].empty() || args[1].empty()) return;
  const std::string folder = common::Utf8ToWin1250(args[1]);
  if (int rc = common::MakeDirs(folder)) throw std::runtime_error("cannot make " + args[1] + ": " + std::to_string(rc));
  common::Drives().Set(args[0].substr(0, 1), common::Win1250ToUtf8(common::CurrentFolder()) + args[1]);
}

}  // namespace

void RegisterBackupWindows(ui::WindowRegistry& registry) {
  registry.Add("TfGlobKop", "[DRIVE FOLDER]", [](const std::vector<std::string>& args) {
    if (args.size() == 1 || args.size() > 2) throw std::invalid_argument("usage: TfGlobKop [DRIVE FOLDER]");
    MapDrive(args);
    OpenGlobKop();
  });
  // Nothing in the program opens the document copies; the driver shows them over a drive.
  for (bool series : {false, true}) {
    const std::string name = series ? "TfKopieDokladuP" : "TfKopieDokladu";
    registry.Add(name, "[DRIVE FOLDER]", [series, name](const std::vector<std::string>& args) {
      if (args.size() == 1 || args.size() > 2) throw std::invalid_argument("usage: " + name + " [DRIVE FOLDER]");
      MapDrive(args);
      TfKopieDokladu& w = series ? fKopieDokladuP() : fKopieDokladu();
      w.ShowModal();
    });
  }
  registry.Add("TfDirDialogX", "[START]", [](const std::vector<std::string>& args) { OpenDirDialogX(args); });
}

}  // namespace backup
