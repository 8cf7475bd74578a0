// TfFotoDialog: the picture chooser (drives, folders, files and a thumbnail of each
// file), and TfFoto, the large preview it opens beside itself.
#pragma once
#include <string>
#include <vector>

#include "ui/ui.h"

namespace browser {

class TfFotoDialog;

class TfFoto : public ui::Form {
 public:
  TfFoto();

  ui::Image& Image1;
  TfFotoDialog* Chooser = nullptr;  // whose selection the keys move

  void FormResize();
  void FormClose();
  void FormKeyDown(int& key, ui::Shift shift);
  void FormDblClick();
};

class TfFotoDialog : public ui::Form {
 public:
  TfFotoDialog();
  ~TfFotoDialog() override;

  ui::ComboBox& DriveComboBox1;
  ui::ListBox& ListBox1;  // folders
  ui::ListBox& ListBox2;  // files, "  1 name"
  ui::Button& Button1;    // "OK"
  ui::Label& Label1;      // "Vybraná složka:"
  ui::Label& Label2;      // drive + ":" + folder
  ui::Label& Label3;      // "Vybraný soubor:"
  ui::Label& Label4;      // the file name

  static constexpr int kMaxEntries = 500;
  static constexpr int kThumbSize = 150;

  bool Chosen = false;
  bool Busy = false;
  std::string Folder;       // from the root of the drive, with "\"; after OK with the drive
  std::string ClickedEntry;
  std::string FileName;
  std::string Mask;
  std::string Drive;        // one letter
  int ThumbnailCount = 0;
  int CurrentFile = 0;      // 1-based
  std::vector<ui::Image*> Thumbnails;    // [0] is thumbnail 1
  std::vector<ui::Label*> ThumbCaptions;
  std::vector<std::string> FileNames;    // [0] is file 1, by the name that reaches it on disk
  std::vector<std::string> ShownNames;   // the same, as the lists show them

  // Where thumbnail i (1-based) stands.
  static ui::Point ThumbnailPosition(int i);

  void FillPictureLists();
  void PreviewPicture(int i);
  void ChoosePicture(int i);
  void FreeThumbnails();
  void SetDriveList();

  void FormKeyPress(char& ch);
  void FormClose();
  void DriveComboBox1Change();
  void ListBox1Click();
  void ListBox2Click();
  void ListBox2DblClick();
  void ListBox2KeyDown(int& key);
  void Button1Click();
  // Up / Down of the file list: the previous or next line, previewed.
  void MoveSelection(int by);
};

TfFotoDialog& fFotoDialog();
TfFoto& fFoto();

// Shows the picture chooser at start ("c:\FOTO\", "\FOTO\", empty = the root of c)
// listing the files of mask; true when a file was chosen: fFotoDialog().Folder is
// then the folder with its drive and a trailing "\", FileName the name.
bool ChoosePictureFile(const std::string& caption, const std::string& start, const std::string& mask);

}  // namespace browser
