// TfInOut: the file chooser by drive, folder and name, remembering the last choice
// of each caption in "par\vyber.par".
#pragma once
#include <string>
#include <vector>

#include "ui/ui.h"

namespace browser {

class TfInOut : public ui::Form {
 public:
  TfInOut();

  ui::Label& Label1;      // "Složka"
  ui::Edit& ePath;
  ui::Label& Label2;      // "Disk"
  ui::ComboBox& ComboBox1;
  ui::Label& Label3;      // "Soubor"
  ui::Edit& eSoub;
  ui::ListBox& ListBox1;  // files, "\" + folders, "\." and "\.."
  ui::Button& Button1;    // "OK"
  ui::Label& Label4;      // "Soubor", bold
  ui::Label& Label5;      // the full name, green

  std::string ChosenDrive;  // "C:"
  std::string ChosenPath;   // "\DATA\"
  std::string ChosenName;   // as it leads to the file: an entry's own bytes where no Windows-1250 name does
  std::string ChosenFull;   // drive + path + name
  int Chosen = 0;
  std::vector<std::string> EntryNames;  // what each list entry leads to, in the list's order

  void FillList();
  // How the list shows a name it leads to (the name itself when it is not listed).
  std::string ShownOf(const std::string& name) const;
  // The name edit's text: the chosen entry's name while the edit still shows it.
  std::string TypedName() const;
  // The list entry at index i: as a double click on it.
  void ChooseEntry(int i);

  void FormKeyDown(int& key, ui::Shift shift);
  void eSoubExit();
  void eSoubChange();
  void eSoubKeyDown(int& key);
  void ePathExit();
  void ComboBox1Change();
  void ComboBox1Exit();
  void ListBox1DblClick();
  void ListBox1KeyDown(int& key);
  void Button1Click();
};

TfInOut& fInOut();

// Sets the chooser up for title (also the key of the remembered choice) and a
// default such as "*.txt"; the caller shows fInOut() modally and reads Chosen,
// ChosenName and ChosenFull.
void ChooseFileDialog(const std::string& title, const std::string& defaultFile);
// The chooser set up and shown: true with the full name chosen, false when it was
// left without a choice.
bool ChooseFile(const std::string& title, const std::string& defaultFile, std::string& chosen);

}  // namespace browser
