// The backup window: copies the data files of the data folder into one of twenty
// rotating copy folders on a chosen drive, or onto a diskette series, optionally
// packed by the archiver, and restores a chosen copy.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backup/archiver.h"
#include "backup/copystore.h"
#include "backup/medium.h"
#include "ui/ui.h"

namespace backup {

// One file of a backup or restore.
struct CopyEntry {
  std::string name;    // bare name; empty = skipped
  std::string source;  // full Windows name it is read from
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;
};

class TfGlobKop : public ui::Form {
 public:
  TfGlobKop();

  ui::Button& bKopiruj;
  ui::Button& bObnov;
  ui::Label& Label1;
  ui::ComboBox& ComboDisk;
  ui::Label& Label4;
  ui::ComboBox& ComboCo;
  ui::Label& Label6;
  ui::ComboBox& ComboKomprese;
  ui::Label& Label3;
  ui::ListBox& ListBox1;
  ui::Label& Label2;
  ui::Label& LabelID;
  ui::ProgressBar& ProgressBar1;

  // Window state, kept between openings.
  char Drive = 'C';
  std::string Set = "TAVONA";
  bool Compression = false;
  bool DisketteMode = false;
  std::string DiskFolder;  // empty: the medium's root
  int LastKey = 0;
  std::string Tail;
  std::string CopyNumber = "000";
  std::string Series = "0000";
  int DiskCounter = 0;
  bool LastDiskette = false;
  std::string PeriodText;
  std::vector<CopyEntry> Table;
  std::uint64_t TotalBytes = 0, CopiedBytes = 0;

  // Shows the controls hidden at opening (drive, set, compression and both buttons).
  void ShowChoiceControls();

  void ComboDiskChange();
  void ComboCoChange();
  void ComboKompreseChange();
  void bKopirujClick();
  void bObnovClick();
  void FormKeyDown(int& key, ui::Shift shift);
  void FormClose();
  void ListBox1KeyDown(int& key, ui::Shift shift);
  void ListBox1DblClick();

  // Backup (copy folder or diskette series).
  void BackupData();
  void AddCopyName(const std::string& name, const std::string& source);
  void WriteCopyCounter(const std::string& number);
  int NextBackupDisk(Medium& medium);
  int CopyFileToDisks(Medium& medium, std::size_t index);
  void DiskErrorMessage(int code);

  // Restore.
  void StartRestore(const std::string& set, const std::string& drive, const std::string& diskFolder);
  void RestoreChosenCopy();
  void DeleteChosenCopy();
  int RestoreFromDisks();
  int CheckRestoreDisk(Medium& medium);
  int RestoreDiskPiece(Medium& medium, std::size_t index, const std::string& workFolder);

  // The set folder of the current drive, tail and set.
  std::string SetFolderName() const;
  // True while the list of copies is offered in the window.
  bool OfferingCopies() const { return offering_; }

  // Bounds on repeated medium and label attempts.
  static constexpr int kMediumAttempts = 5;

 private:
  void TakeDrive(const std::string& text);
  std::string IdText() const;
  std::string CopyLine(std::size_t index, const CopyEntry& e, const char* mask = "#### ") const;
  void ShowProgressLine(const std::string& line);
  // Builds the file table of the set, the names left out into notCopied; false when the
  // backup must end.
  bool CollectFiles(std::vector<std::string>& notCopied);
  bool CopyToFolder(std::vector<std::string>& notCopied);
  bool CopyToDiskettes(int& failed, const std::vector<std::string>& notCopied);
  // A copy missing files is said so, naming them: true then.
  bool SaidIncomplete(const std::vector<std::string>& notCopied);
  bool CopyDone(const std::string& note);
  bool PackTable(const std::string& workFolder);
  // Lists the copies of the set folder in the window; false when nothing is offered.
  bool OfferCopies();
  bool AnotherYear();
  void EndRestore();
  // Moves a fully staged copy into the data folder by a journal; false when nothing was
  // changed, or when the restore stays to be finished (the staging folder is then kept).
  // Files the copy holds half rewritten are first taken back by their rollback copies;
  // `from` names the copy in what is said of them ("z kopie 001").
  bool MoveStagedIn(ScopedFolder& staging, bool clearKopw, const std::string& okText, bool beep,
                    const std::string& from);
  bool ListArchiveChecked(const std::string& archive, const std::string& scratch, ArchiveListing& listing,
                          const std::string& what);
  std::vector<std::string> EraseMaskList() const;
  // The controls hidden at opening.
  std::vector<ui::Control*> ChoiceControls();
  bool AskDataPath(int number);

  std::unique_ptr<Medium> medium_;
  bool offering_ = false;
  bool otherYear_ = false;
  std::vector<std::string> damaged_;  // staging folders of damaged journals, removed by a finished restore
  bool backupRunning_ = false;
};

TfGlobKop& fGlobKop();

// The hint of the list while it offers the copies.
std::string CopyListHint();

// Opens the window as the driver does: choice controls shown, modal.
void OpenGlobKop();

}  // namespace backup
