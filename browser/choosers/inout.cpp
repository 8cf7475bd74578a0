#include "browser/choosers/inout.h"

#include <algorithm>
#include <deque>
#include <map>

#include "browser/choosers/drives.h"
#include "browser/dialogs.h"
#include "common/encoding.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/text.h"
#include "common/winpath.h"

namespace browser {

using namespace common::literals;

TfInOut& fInOut() { return SingleWindow<TfInOut>(); }

namespace {
std::string Remembered(const char* prefix, const std::string& caption) {
  return common::ReadParam(kVyberPar, prefix + caption);
}
bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }
}  // namespace

TfInOut::TfInOut()
    : ui::Form("fInOut"),
      Label1(Add<ui::Label>("Label1")),
      ePath(Add<ui::Edit>("ePath")),
      Label2(Add<ui::Label>("Label2")),
      ComboBox1(Add<ui::ComboBox>("ComboBox1")),
      Label3(Add<ui::Label>("Label3")),
      eSoub(Add<ui::Edit>("eSoub")),
      ListBox1(Add<ui::ListBox>("ListBox1")),
      Button1(Add<ui::Button>("Button1")),
      Label4(Add<ui::Label>("Label4")),
      Label5(Add<ui::Label>("Label5")) {
  SetCaption("Vstup - Výstup"_cz);
  SetBorderStyle(ui::BorderStyle::Dialog);
  SetBounds(200, 100, 520, 420);
  keyPreview = true;
  Label2.SetText("Disk");
  Label2.SetBounds(8, 8, 60, 16);
  ComboBox1.SetStyle(ui::ComboStyle::DropDownList);
  ComboBox1.SetBounds(72, 6, 70, 21);
  Label1.SetText("Složka"_cz);
  Label1.SetBounds(8, 36, 60, 16);
  ePath.SetBounds(72, 34, 420, 21);
  Label3.SetText("Soubor");
  Label3.SetBounds(8, 64, 60, 16);
  eSoub.SetBounds(72, 62, 420, 21);
  ListBox1.SetSorted(true);
  ListBox1.hint = "DblClick - vyber položku"_cz;
  ListBox1.SetBounds(72, 90, 420, 220);
  Button1.SetText("OK");
  Button1.hint = "Potvrď soubor (zelený)"_cz;
  Button1.SetBounds(417, 318, 75, 25);
  ui::Font bold = Label4.font();
  bold.bold = true;
  Label4.SetFont(bold);
  Label4.SetText("Soubor");
  Label4.SetBounds(8, 352, 60, 16);
  ui::Font green = Label5.font();
  green.color = ui::Rgb(0, 128, 0);
  Label5.SetFont(green);
  Label5.SetBounds(72, 352, 420, 16);

  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  eSoub.onExit = [this](ui::Control&) { eSoubExit(); };
  eSoub.onChange = [this](ui::Control&) { eSoubChange(); };
  eSoub.onKeyDown = [this](ui::Control&, int& key, ui::Shift) { eSoubKeyDown(key); };
  ePath.onExit = [this](ui::Control&) { ePathExit(); };
  ComboBox1.onChange = [this](ui::Control&) { ComboBox1Change(); };
  ComboBox1.onDblClick = [this](ui::Control&) { ComboBox1Change(); };
  ComboBox1.onExit = [this](ui::Control&) { ComboBox1Exit(); };
  ListBox1.onDblClick = [this](ui::Control&) { ListBox1DblClick(); };
  ListBox1.onKeyDown = [this](ui::Control&, int& key, ui::Shift) { ListBox1KeyDown(key); };
  Button1.onClick = [this](ui::Control&) { Button1Click(); };
}

void TfInOut::FillList() {
  // Every entry, empty files included, shown as well as the code page allows; each
  // leads to its own name on disk, whatever its bytes.
  std::vector<common::DirItem> entries;
  (void)common::ListDirectory(ChosenDrive + ChosenPath + "*.*", entries);
  std::vector<std::string> items{"\\.", "\\.."}, names = items;
  for (const common::DirItem& e : entries) {
    const std::string name = common::ListedName(e);
    if (!common::IsOneComponent(name)) continue;  // no Windows name reaches it
    const std::string folder = e.isDir ? "\\" : "";
    items.push_back(folder + common::ShownName(e));
    names.push_back(folder + name);
  }
  ListBox1.SetItems(items);
  // The list sorts its items (equal texts keep their order): the names follow them.
  std::map<std::string, std::deque<std::size_t>> at;
  for (std::size_t k = 0; k < items.size(); ++k) at[items[k]].push_back(k);
  EntryNames.clear();
  for (const std::string& item : ListBox1.items()) {
    EntryNames.push_back(names[at[item].front()]);
    at[item].pop_front();
  }
  eSoub.SetText(ShownOf(ChosenName));
  ePath.SetText(ChosenPath);
  ComboBox1.SetText(ChosenDrive);
  ChosenFull = ChosenDrive + ChosenPath + ChosenName;
  Label5.SetText(ChosenDrive + ChosenPath + ShownOf(ChosenName));
}

std::string TfInOut::ShownOf(const std::string& name) const {
  const auto it = std::find(EntryNames.begin(), EntryNames.end(), name);
  return it == EntryNames.end() ? name : ListBox1.items()[static_cast<std::size_t>(it - EntryNames.begin())];
}

std::string TfInOut::TypedName() const {
  return eSoub.text() == ShownOf(ChosenName) ? ChosenName : eSoub.text();
}

void TfInOut::ChooseEntry(int i) {
  if (i < 0 || i >= ListBox1.count() || static_cast<std::size_t>(i) >= EntryNames.size()) return;
  const std::string entry = ListBox1.items()[static_cast<std::size_t>(i)];
  const std::string name = EntryNames[static_cast<std::size_t>(i)];
  eSoub.SetText(entry);
  if (entry == "\\.") {
    ChosenPath = "\\";
  } else if (entry == "\\..") {
    ChosenPath = ParentFolder(ChosenPath);
  } else if (entry.front() == '\\') {
    ChosenPath += name.substr(1) + "\\";
    ChosenName.clear();
  } else {
    ChosenName = name;
    return;
  }
  FillList();
}

void TfInOut::FormKeyDown(int& key, ui::Shift) {
  if (key != ui::vk::Esc) return;
  key = 0;
  SetModalResult(ui::mr::Cancel);
}

void TfInOut::eSoubExit() {
  ChosenName = TypedName();
  FillList();
}

void TfInOut::eSoubChange() { Label5.SetText(ComboBox1.text() + ePath.text() + eSoub.text()); }

void TfInOut::eSoubKeyDown(int& key) {
  if (key != ui::vk::Enter) return;
  key = 0;
  ChosenName = TypedName();
  ChosenFull = ComboBox1.text() + ePath.text() + ChosenName;
  Chosen = ChosenName.empty() ? 0 : 1;
  SetModalResult(Chosen ? ui::mr::Ok : ui::mr::Cancel);
}

void TfInOut::ePathExit() {
  ChosenPath = ePath.text();
  FillList();
}

void TfInOut::ComboBox1Change() {
  ChosenDrive = ComboBox1.text();
  ChosenPath = "\\";
  FillList();
  if (ListBox1.CanFocus()) ListBox1.SetFocus();
}

void TfInOut::ComboBox1Exit() {
  const int i = ComboBox1.itemIndex();
  if (i >= 0) ChosenDrive = ComboBox1.items()[static_cast<std::size_t>(i)];
  ChosenPath = "\\";
  FillList();
  ListBox1.SetItemIndex(-1);
}

void TfInOut::ListBox1DblClick() { ChooseEntry(ListBox1.itemIndex()); }

void TfInOut::ListBox1KeyDown(int& key) {
  if (key != ui::vk::Enter) return;
  key = 0;
  if (ListBox1.itemIndex() > 0) ChooseEntry(ListBox1.itemIndex());
}

void TfInOut::Button1Click() {
  if (!ChosenName.empty()) {
    FillList();
    Chosen = 1;
    common::WriteParam(kVyberPar, "D-" + caption(), ChosenDrive);
    common::WriteParam(kVyberPar, "P-" + caption(), ChosenPath);
    common::WriteParam(kVyberPar, "S-" + caption(), ChosenName);
  }
  SetModalResult(Chosen ? ui::mr::Ok : ui::mr::Cancel);
}

void ChooseFileDialog(const std::string& title, const std::string& defaultFile) {
  TfInOut& f = fInOut();
  f.SetCaption(title);
  f.Chosen = 0;
  std::string drive = defaultFile.size() >= 2 && defaultFile[1] == ':' ? defaultFile.substr(0, 2) : std::string();
  std::string path(common::FolderPart(defaultFile));
  if (path.empty()) path = CurrentWinFolder();
  if (path.back() != '\\') path += '\\';
  if (path.size() >= 2 && path[1] == ':') {
    if (drive.empty()) drive = path.substr(0, 2);
    path.erase(0, 2);
  }
  std::string name(common::NamePart(defaultFile));
  if (const std::string d = Remembered("D-", title); !Blank(d)) drive = d;
  if (const std::string p = Remembered("P-", title); !Blank(p)) path = p;
  if (const std::string s = Remembered("S-", title); !Blank(s)) name = s;
  f.ChosenDrive = common::UpperCz(drive);
  f.ChosenPath = path;
  f.ChosenName = name;
  std::vector<std::string> drives;
  for (const std::string& l : DriveLetters()) drives.push_back(l + ":");
  f.ComboBox1.SetItems(std::move(drives));
  CheckStartDrive(f.ChosenDrive);
  f.FillList();
}

bool ChooseFile(const std::string& title, const std::string& defaultFile, std::string& chosen) {
  ChooseFileDialog(title, defaultFile);
  TfInOut& f = fInOut();
  f.ShowModal();
  if (f.Chosen == 0) return false;
  chosen = f.ChosenFull;
  return true;
}

}  // namespace browser
