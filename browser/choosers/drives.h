// What the file, folder and picture choosers share: the drives of the drive map,
// the drive test, folder paths from the root of a drive ("\DATA\KOPIE\") and the
// folder list with "." and "..".
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "common/osfile.h"

namespace ui {
class ComboBox;
}

namespace browser {

// Letters of the mapped drives, upper case, in order ("C", "D").
std::vector<std::string> DriveLetters();
// A drive as the drive lists show it: "c:".
std::string DriveItem(std::string_view letter);
// The drive letter and the folder of a chooser's start ("c:\FOTO\", "\DATA\"): an
// empty drive is "c", an empty folder "\".
void SplitStartFolder(std::string_view start, std::string& drive, std::string& folder);
// The chosen folder as OK gives it: drive + ":" + folder, ending with "\".
std::string FolderWithDrive(std::string_view drive, std::string folder);

// Fills a drive list with the mapped drives and shows drive in it.
void FillDriveList(ui::ComboBox& list, std::string_view drive);
// The drive list's new choice, tested: true and drive set when it can be read; else
// the message, and the list shows drive again.
bool TakeChosenDrive(ui::ComboBox& list, std::string& drive);

// Tests a drive by listing its root: 0 when it can be read, 21 when the letter is
// not mapped or its folder is missing, else the I/O code of the listing.
int TestDrive(std::string_view letter);
// The message of a failed drive test.
void ShowDriveError(int code);
// A chooser starting on a drive says at once when the drive cannot be read ("c", "C:").
void CheckStartDrive(std::string_view drive);

// The parent of a folder: "\A\B\" gives "\A\"; the root "\" stays "\".
std::string ParentFolder(std::string_view folder);
// The folder a folder-list entry leads to: "." the root, ".." the parent, else the
// entry below folder.
std::string FolderOfEntry(std::string_view folder, std::string_view entry);
// ".", ".." and the folders of drive:folder in capitals (at most 500), sorted bytewise;
// names are whole, however long.
std::vector<std::string> FolderListItems(std::string_view drive, std::string_view folder);
// The non-empty files matching a mask ("c:\FOTO\*.jpg"), sorted by name, at most maxCount.
std::vector<common::DirItem> ChooserFiles(std::string_view mask, int maxCount);

// The current folder of the process as a Windows name through the drive map
// ("C:\DATA\"), for a chooser that starts there.
std::string CurrentWinFolder();

}  // namespace browser
