// A restore moves its staged copy into the data folder by a journal written into the
// staging folder before the first data file is touched. The journal names every file
// to erase and every staged file to move; following it again is harmless, so a run
// that is killed, or stopped by a file another workstation holds, is finished later
// from the staged copy, which stays until the journal is gone.
#pragma once
#include <string>
#include <vector>

namespace backup {

struct RestorePlan {
  std::string files;               // the staging folder's sub-folder holding the staged files
  std::vector<std::string> erase;  // names of the data folder to erase
  std::vector<std::string> move;   // staged names moved over the data folder's
  bool clearKopw = false;          // "KOPW" is cleared when the restore is through
  std::string okText;              // the log line and message of a finished restore
  bool copyOk = true;              // "COPYOK" is cleared then (a restore of the data folder)
};

// The journal's text, and back; false for a journal that is damaged or holds a name that
// is not one plain component.
std::string JournalText(const RestorePlan& plan);
bool ParseJournal(const std::string& text, RestorePlan& plan);

// The data-folder names a plan touches.
std::vector<std::string> TouchedFiles(const RestorePlan& plan);

// False (with a message: "Soubor " + name + " je otevřen na jiné stanici" or "... drží
// uživatel ...", then `tail`) when another workstation holds one of the files.
bool CheckHeldFiles(const std::vector<std::string>& names, const std::string& tail);

// False when a rollback copy a step left beside one of the files (a data file the restore
// erases or replaces) cannot be put back first (said, then `tail`): put back later it
// would write its old bytes over the restored file. The copies that can be are put back.
// False too when the user may not write one of the files (said, then `tail`).
bool PutBackLeftCopies(const std::vector<std::string>& names, const std::string& tail);

// Writes the journal into the staging folder `staging` (ending in "\") and flushes it.
// 0 or an I/O code.
int WriteJournal(const std::string& staging, const RestorePlan& plan);

// Follows the plan whose journal stands in `staging`: erases, then moves; a file another
// workstation holds is waited for 10 times 1 s. When everything is through the job
// entries are set, the journal erased and `doneText` logged; true. Otherwise the journal
// stays and `failure` gets the message for the user, which names the file and says the
// restore will be finished at the next start; false. The caller shows the outcome.
bool FollowPlan(const std::string& staging, const RestorePlan& plan, const std::string& doneText,
                std::string& failure);

// At start and before each backup or restore: finishes every restore of the data folder
// that a journal shows unfinished (after checking that no other workstation holds one of
// its files and putting back the rollback copies left beside them) and removes staging
// and work folders left by killed runs. Returns how many
// restores remain unfinished. A damaged journal cannot be followed: when a restore of the
// copy it shows (or of any copy, when it shows none) written after it was finished here,
// its staging folder is removed, and said; otherwise it is said which copy it restored,
// when it still shows that, and that restoring the copy again mends the data folder; its
// staging folder is added to `damaged` (when given) and counted.
int FinishPendingRestores(std::vector<std::string>* damaged = nullptr);

// Removes the staging folders of damaged journals once a new restore (whose log text is
// `doneText`) is through, saying each; a folder a living run holds stays.
void RemoveDamagedRestores(const std::vector<std::string>& folders, const std::string& doneText);

}  // namespace backup
