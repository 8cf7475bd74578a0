// The chooser of a folder under "\tv3\" of a drive, where the copy folders of another
// year are found.
#pragma once
#include <string>
#include <vector>

#include "ui/ui.h"

namespace backup {

class TfDirDialogX : public ui::Form {
 public:
  TfDirDialogX();

  ui::ComboBox& DriveComboBox1;
  ui::ListBox& ListBox1;
  ui::Label& Label1;
  ui::Label& Label2;
  ui::Button& Button1;

  bool Result = false;
  bool SettingUp = false;
  std::string Drive;  // one letter
  std::string Path;   // the chosen folder without drive and colon
  std::string Second;

  // Runs the chooser modally from the start folder; true when a folder was confirmed.
  bool ExecuteDirDialogX(const std::string& caption, const std::string& startFolder);
  // The choice in full form, drive + ":" + path ("D:\tv3\NAME\").
  std::string ChosenPath() const { return Drive + ":" + Path; }
  void FillDirList();
  void SortDirList();

  void FormKeyPress(char& ch);
  void DriveComboBox1Change();
  void ListBox1Click();
  void Button1Click();
};

TfDirDialogX& fDirDialogX();

// Opens the chooser as the driver does; the start folder defaults to "c:\tv3\".
void OpenDirDialogX(const std::vector<std::string>& args);

}  // namespace backup
