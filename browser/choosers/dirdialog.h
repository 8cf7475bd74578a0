// TfDirDialog: the program's own folder chooser, with the drives of the drive map,
// the folders of the shown one and a field that creates a new folder.
#pragma once
#include <string>

#include "ui/ui.h"

namespace browser {

class TfDirDialog : public ui::Form {
 public:
  TfDirDialog();

  ui::Panel& Panel1;
  ui::Label& Label3;       // "Vybraná složka"
  ui::Label& Label2;       // drive + ":" + folder
  ui::Button& Button2;     // "OK"
  ui::ComboBox& DriveComboBox1;
  ui::ListBox& ListBox1;   // ".", ".." and the folders
  ui::Label& lNova;        // "Nová složka"
  ui::Edit& eNova;         // hidden until lNova is clicked

  static constexpr ui::Color kPathColor = 13158655;

  bool Chosen = false;
  bool Busy = false;
  std::string Folder;        // from the root of the drive, with "\"; after OK with the drive
  std::string ClickedEntry;
  std::string Drive;         // one letter

  void FillList();
  // The drive list holds the mapped drives; the shown one is Drive.
  void SetDriveList();

  void FormKeyPress(char& ch);
  void FormActivate();
  void DriveComboBox1Change();
  void ListBox1Click();
  void lNovaClick();
  void eNovaChange();
  void eNovaExit();
  void Button2Click();
};

TfDirDialog& fDirDialog();

// Shows the folder chooser at start ("c:\", "\DATA\"); true when OK was pressed,
// and fDirDialog().Folder is then the folder with its drive ("c:\DATA\").
bool ChooseFolder(const std::string& caption, const std::string& start);

// The new-folder filter: the text before its first "." in A-Z a-z 0-9 - _ only.
std::string NewFolderName(std::string_view text);

}  // namespace browser
