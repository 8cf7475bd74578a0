#include "backup/dirdialogx.h"

#include <algorithm>

#include "browser/choosers/drives.h"
#include "browser/dialogs.h"
#include "common/encoding.h"
#include "common/indexsort.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/text.h"

namespace backup {

using namespace common::literals;

TfDirDialogX& fDirDialogX() { return browser::SingleWindow<TfDirDialogX>(); }

void OpenDirDialogX(const std::vector<std::string>& args) {
  std::string start = args.empty() ? "c:\\tv3\\" : args[0];
  for (std::size_t i = 1; i < args.size(); ++i) start += " " + args[i];
  TfDirDialogX& d = fDirDialogX();
  if (d.ExecuteDirDialogX("Urči složku "_cz, start)) common::MessageOk(d.ChosenPath());
}

TfDirDialogX::TfDirDialogX()
    : ui::Form("fDirDialogX"),
      DriveComboBox1(Add<ui::ComboBox>("DriveComboBox1")),
      ListBox1(Add<ui::ListBox>("ListBox1")),
      Label1(Add<ui::Label>("Label1")),
      Label2(Add<ui::Label>("Label2")),
      Button1(Add<ui::Button>("Button1")) {
  SetCaption("Urči složku "_cz);
  SetBounds(0, 0, 484, 283);
  SetBorderStyle(ui::BorderStyle::Dialog);
  keyPreview = true;
  DriveComboBox1.SetBounds(8, 8, 265, 21);
  DriveComboBox1.SetStyle(ui::ComboStyle::DropDownList);
  ListBox1.SetBounds(8, 36, 265, 149);
  Label1.SetText("Vybraná složka:"_cz);
  Label1.SetBounds(8, 196, 100, 16);
  Label2.SetBounds(8, 220, 460, 16);
  ui::Font bold = Label2.font();
  bold.bold = true;
  Label2.SetFont(bold);
  Button1.SetText("OK");
  Button1.SetBounds(232, 196, 75, 25);
  onKeyPress = [this](ui::Control&, char& ch) { FormKeyPress(ch); };
  DriveComboBox1.onChange = [this](ui::Control&) { DriveComboBox1Change(); };
  ListBox1.onClick = [this](ui::Control&) { ListBox1Click(); };
  ListBox1.onDblClick = [this](ui::Control&) {
    ListBox1Click();
    Button1Click();
  };
  Button1.onClick = [this](ui::Control&) { Button1Click(); };
}

bool TfDirDialogX::ExecuteDirDialogX(const std::string& caption, const std::string& startFolder) {
  Result = false;
  SettingUp = true;
  const std::string saved = common::CurrentFolder();
  Drive.clear();
  Path = startFolder;
  Second.clear();
  if (startFolder.find(':') != std::string::npos) {
    Drive = startFolder.substr(0, 1);
    Path = startFolder.size() > 2 ? startFolder.substr(2) : std::string();
  }
  if (Drive.empty()) Drive = "c";
  browser::FillDriveList(DriveComboBox1, Drive);
  SettingUp = false;
  FillDirList();
  SetCaption(caption);
  ShowModal();
  (void)common::SetCurrentFolder(saved);
  return Result;
}

void TfDirDialogX::FillDirList() {
  std::vector<common::DirItem> items;
  (void)common::ListDirectory(Drive + ":\\tv3\\*", items, common::kListDirs);
  std::vector<std::string> names;
  names.reserve(items.size());
  for (const auto& item : items) names.push_back(common::UpperCz(item.name));
  ListBox1.SetItems(names);
  SortDirList();
  Label2.SetText(Drive + ":" + Path);
}

void TfDirDialogX::SortDirList() {
  std::vector<std::string> names = ListBox1.items();
  if (names.size() < 2) return;
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
  });
  ListBox1.SetItems(names);
}

void TfDirDialogX::FormKeyPress(char& ch) {
  if (ch == 13) {
    ch = 0;
    if (ListBox1.itemIndex() >= 0) ListBox1Click();
    Button1Click();
  } else if (ch == 27) {
    ch = 0;
    Result = false;
    Close();
  }
}

void TfDirDialogX::DriveComboBox1Change() {
  if (SettingUp) return;
  if (!browser::TakeChosenDrive(DriveComboBox1, Drive)) return;
  Path = "\\tv3\\";
  FillDirList();
}

void TfDirDialogX::ListBox1Click() {
  const int i = ListBox1.itemIndex();
  if (i < 0 || i >= ListBox1.count()) return;
  Path = "\\tv3\\" + ListBox1.items()[static_cast<std::size_t>(i)] + "\\";
  Label2.SetText(Drive + ":" + Path);
}

void TfDirDialogX::Button1Click() {
  Result = true;
  Close();
}

}  // namespace backup
