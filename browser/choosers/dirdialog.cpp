#include "browser/choosers/dirdialog.h"

#include <cctype>

#include "browser/choosers/drives.h"
#include "browser/dialogs.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/text.h"

namespace browser {

using namespace common::literals;

TfDirDialog& fDirDialog() { return SingleWindow<TfDirDialog>(); }

std::string NewFolderName(std::string_view text) {
  text = text.substr(0, text.find('.'));
  std::string out;
  for (char c : text)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') out += c;
  return out;
}

TfDirDialog::TfDirDialog()
    : ui::Form("fDirDialog"),
      Panel1(Add<ui::Panel>("Panel1")),
      Label3(Add<ui::Label>("Label3", &Panel1)),
      Label2(Add<ui::Label>("Label2", &Panel1)),
      Button2(Add<ui::Button>("Button2", &Panel1)),
      DriveComboBox1(Add<ui::ComboBox>("DriveComboBox1")),
      ListBox1(Add<ui::ListBox>("ListBox1")),
      lNova(Add<ui::Label>("lNova")),
      eNova(Add<ui::Edit>("eNova")) {
  SetCaption("Urči složku "_cz);
  SetBorderStyle(ui::BorderStyle::Dialog);
  SetBounds(200, 100, 286, 317);
  keyPreview = true;
  const int w = clientWidth();
  Panel1.SetBounds(0, 0, w, 64);
  Label3.SetText("Vybraná složka"_cz);
  Label3.SetBounds(8, 4, 120, 16);
  ui::Font bold = Label2.font();
  bold.bold = true;
  ui::Font red = bold;
  red.color = ui::colors::Red;
  Label2.SetFont(red);
  Label2.SetTransparent(false);
  Label2.SetBounds(8, 22, w - 16, 16);
  Button2.SetText("OK");
  Button2.SetFont(bold);
  Button2.SetBounds(w - 70, 38, 62, 22);
  DriveComboBox1.SetStyle(ui::ComboStyle::DropDownList);
  DriveComboBox1.SetBounds(8, 70, w - 16, 21);
  ListBox1.SetBounds(8, 96, w - 16, 150);
  lNova.SetText("Nová složka"_cz);
  lNova.SetBounds(8, 252, 80, 16);
  eNova.SetBounds(92, 250, w - 100, 21);
  eNova.Hide();

  onKeyPress = [this](ui::Control&, char& ch) { FormKeyPress(ch); };
  onActivate = [this](ui::Form&) { FormActivate(); };
  DriveComboBox1.onChange = [this](ui::Control&) { DriveComboBox1Change(); };
  ListBox1.onClick = [this](ui::Control&) { ListBox1Click(); };
  lNova.onClick = [this](ui::Control&) { lNovaClick(); };
  eNova.onChange = [this](ui::Control&) { eNovaChange(); };
  eNova.onExit = [this](ui::Control&) { eNovaExit(); };
  Button2.onClick = [this](ui::Control&) { Button2Click(); };
}

void TfDirDialog::SetDriveList() {
  FillDriveList(DriveComboBox1, Drive);
}

void TfDirDialog::FillList() {
  ListBox1.SetItems(FolderListItems(Drive, Folder));
  Label2.SetText(Drive + ":" + Folder);
}

void TfDirDialog::FormKeyPress(char& ch) {
  if (ch != 27) return;
  ch = 0;
  SetModalResult(ui::mr::Cancel);
}

void TfDirDialog::FormActivate() { Label2.SetColor(kPathColor); }

void TfDirDialog::DriveComboBox1Change() {
  if (Busy) return;
  if (!TakeChosenDrive(DriveComboBox1, Drive)) return;
  Folder = "\\";
  ClickedEntry.clear();
  FillList();
}

void TfDirDialog::ListBox1Click() {
  const int i = ListBox1.itemIndex();
  if (i < 0) return;
  ClickedEntry = ListBox1.items()[static_cast<std::size_t>(i)];
  Folder = FolderOfEntry(Folder, ClickedEntry);
  FillList();
}

void TfDirDialog::lNovaClick() {
  eNova.Show();
  eNova.SetFocus();
}

// Signs are dropped as they are typed; the dot stays in sight so that what follows
// it does not join the name.
void TfDirDialog::eNovaChange() {
  const std::string& text = eNova.text();
  const std::size_t dot = text.find('.');
  const std::string filtered = NewFolderName(text) + (dot == std::string::npos ? "" : text.substr(dot));
  if (filtered != text) eNova.SetText(filtered);
}

void TfDirDialog::eNovaExit() {
  eNova.Hide();
  const std::string name = NewFolderName(eNova.text());
  if (name.empty()) return;
  common::ForceDirs(Drive + ":" + Folder + name + "\\");
  FillList();
}

void TfDirDialog::Button2Click() {
  Folder = FolderWithDrive(Drive, Folder);
  Chosen = true;
  SetModalResult(ui::mr::Ok);
}

bool ChooseFolder(const std::string& caption, const std::string& start) {
  TfDirDialog& d = fDirDialog();
  d.Chosen = false;
  d.Busy = true;
  d.ClickedEntry.clear();
  SplitStartFolder(start, d.Drive, d.Folder);
  CheckStartDrive(d.Drive);
  d.SetDriveList();
  d.Busy = false;
  d.FillList();
  d.SetCaption(caption);
  d.eNova.Hide();
  d.ShowModal();
  return d.Chosen;
}

}  // namespace browser
