// "Kopie číselníku" and "Obnova číselníku": every code-list file ("CI*.dta": the list
// files, the combined file and the language copies) copied with its date into a
// chosen folder, or back from one into the data folder, with the progress on the
// main window's bar. Every matching file is taken; the first failing copy ends the
// run and no success is reported. A restore changes the data folder's lists all at once.
#pragma once
#include <string>
#include <vector>

namespace ui {
class ProgressBar;
}

namespace app {

// The non-empty files matching "CI*.dta" in folder (Windows form, ending in "\"),
// sorted by name, without a cap. 0, or the I/O code of a listing that failed
// (18 is nothing found).
int ListCodeListFiles(const std::string& folder, std::vector<std::string>& names);

// Copies the names from one folder to another on the bar (shown while it runs): 0,
// or the code of the first copy that failed (shown as "Kopírování skončilo chybou").
// A copy a step left beside a list on either side is put back first; -1, with nothing
// copied, when one cannot be (said).
int CopyCodeListFiles(const std::vector<std::string>& names, const std::string& from, const std::string& to,
                      ui::ProgressBar& bar);

// Restores the names from a folder into the data folder: all are copied into a staging
// folder there first (on the bar), then moved in under a journal, which the next start
// finishes when the run ends on the way. 0, the code of the first copy that failed
// (said), or -1 when a list is held or its copy cannot be put back first, or the moves
// stopped (said).
int RestoreCodeListFiles(const std::vector<std::string>& names, const std::string& from, ui::ProgressBar& bar);

// The two buttons; the folder is asked for through the program's folder chooser. Both
// first finish a restore a killed run left unfinished; while one stays, nothing is copied.
// A list missing beside the rollback copy its killed rewrite left (in the data folder for
// the copy out, in the chosen folder for the restore) is named, and nothing is copied.
void CopyCodeListsOut(ui::ProgressBar& bar);
void RestoreCodeLists(ui::ProgressBar& bar);

}  // namespace app
