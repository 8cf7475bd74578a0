// The document copies: the two-way copy by file stamp between the data folder and
// its copy tree on another drive, and the one-way copy of the marked document
// series from that tree back into the data folder.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace backup {

// The file in a copy root that names the data folder it copies.
inline constexpr char kCopyRootMarker[] = "__ZDROJ.TXT";

// What one run did: the lines shown, and what it could not do.
struct CopyRun {
  std::vector<std::string> lines;  // "<target>   ->" or "<target> <-"
  int failed = 0;                  // files not copied, folders not made
  int skipped = 0;                 // data files another user holds
  int foldersSkipped = 0;          // folders walked already (links) or too deep
  std::string refused;             // the message when the copy root belongs to another data folder
  std::string stoppedAt;           // the file whose lock wait the user left with Esc: the run ended there
};

// Both roots end in "\"; `source` is in the data folder. `onLine` sees each line as it
// comes, `onFolders` the folders still to do (last one worked next).
struct CopyRoots {
  std::string source, copy;
};
using LineSink = std::function<void(const std::string& line)>;
using FolderSink = std::function<void(const std::vector<std::string>& stacked)>;

// The copy root of a data folder on a drive: drive + ":\TV3\" + its last name + "\".
std::string DocumentCopyRoot(char drive, const std::string& dataFolderName);

// Checks or writes the marker of the copy root (`copyRoot`) for the data folder
// (`dataPath`); false with the message when it names another data folder.
bool ClaimCopyRoot(const std::string& copyRoot, const std::string& dataPath, std::string& message);

// A folder of the backup store (a set folder, or a numbered copy folder with its
// marker): never walked or copied.
bool IsBackupStoreFolder(const std::string& folder);

// Walks both trees depth first and copies each file missing or older on the other
// side; names are compared without case; the data side is written only under the
// file's write lock.
CopyRun SyncDocumentFolders(const CopyRoots& roots, const LineSink& onLine = {}, const FolderSink& onFolders = {});

// The series marked "P": "DF" + the first four characters of the lines of
// "DFPOZN.DTA" (in `dataFolder`) whose sixth character is "P", then the first six
// characters of the files "OF????.DTA" whose fifth character is "P".
std::vector<std::string> MarkedSeries(const std::string& dataFolder);
// Every "*.rad" of each series (last first) from the copy tree into the data folder,
// whatever the stamps.
CopyRun CopySeriesFolders(const CopyRoots& roots, const std::vector<std::string>& series,
                          const LineSink& onLine = {}, const FolderSink& onFolders = {});

// The two sister windows; `series` makes the one-way series copy.
class TfKopieDokladu : public ui::Form {
 public:
  explicit TfKopieDokladu(bool series);
  ui::Label& Label1;      // "Zvolte disk kopie:"
  ui::ComboBox& Drive1;   // "X:" of the drive map
  ui::Button& bStart;
  ui::ListBox& ListBox2;  // folders still to do
  ui::ListBox& ListBox1;  // one line per copied file
  ui::Label& lRoot1;
  ui::Label& lRoot2;
  ui::Label& lSoubor;

  void FormActivate();
  void lRoot2Click();
  void bStartClick();
  const CopyRun& lastRun() const { return run_; }

 private:
  void ShowFolders(const std::vector<std::string>& stacked);
  void AddLine(const std::string& line);
  bool series_;
  bool activated_ = false;
  CopyRun run_;
};

TfKopieDokladu& fKopieDokladu();
TfKopieDokladu& fKopieDokladuP();

}  // namespace backup
