#include "browser/choosers/foto.h"

#include <cctype>

#include "browser/choosers/drives.h"
#include "browser/choosers/pictures.h"
#include "browser/dialogs.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/winpath.h"
#include "ui/backend.h"

namespace browser {

using namespace common::literals;

TfFotoDialog& fFotoDialog() { return SingleWindow<TfFotoDialog>(); }
TfFoto& fFoto() { return SingleWindow<TfFoto>(); }

namespace {
const std::string kFotoLeft = "FOTO FotoLeft", kFotoTop = "FOTO FotoTop", kFotoWidth = "FOTO FotoWidth",
                  kFotoHeight = "FOTO FotoHeight";
}  // namespace

// ---------------------------------------------------------------- preview

TfFoto::TfFoto() : ui::Form("fFoto"), Image1(Add<ui::Image>("Image1")) {
  SetCaption("Foto");
  SetBounds(300, 60, 532, 402);
  Image1.SetStretch(true);
  Image1.transparent = true;
  if (!common::ReadParam(kOkna2Par, kFotoLeft).empty())
    SetBounds(StoredInt(kFotoLeft), StoredInt(kFotoTop), StoredInt(kFotoWidth), StoredInt(kFotoHeight));
  FormResize();
  keyPreview = true;
  onResize = [this](ui::Form&) { FormResize(); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onDblClick = [this](ui::Control&) { FormDblClick(); };
  Image1.onDblClick = [this](ui::Control&) { FormDblClick(); };
}

void TfFoto::FormResize() { Image1.SetBounds(0, 0, std::max(width() - 10, 0), std::max(height() - 30, 0)); }

void TfFoto::FormClose() {
  StoreInt(kFotoLeft, "@@@@", left());
  StoreInt(kFotoTop, "@@@@", top());
  StoreInt(kFotoWidth, "@@@@", width());
  StoreInt(kFotoHeight, "@@@@", height());
}

void TfFoto::FormKeyDown(int& key, ui::Shift) {
  const int k = key;
  key = 0;
  if (k == ui::vk::Esc) {
    Close();
    return;
  }
  if (!Chooser) return;
  if (k == ui::vk::Enter) {
    Close();
    Chooser->ChoosePicture(Chooser->ListBox2.itemIndex() + 1);
  } else if (k == ui::vk::Up) {
    Chooser->MoveSelection(-1);
  } else if (k == ui::vk::Down) {
    Chooser->MoveSelection(1);
  } else if (Chooser->ListBox2.itemIndex() >= 0) {
    Chooser->PreviewPicture(Chooser->ListBox2.itemIndex() + 1);
  }
}

void TfFoto::FormDblClick() {
  Hide();
  if (Chooser) Chooser->ChoosePicture(common::TextToInt(common::Copy(caption(), 1, 3)));
}

// ---------------------------------------------------------------- chooser

TfFotoDialog::TfFotoDialog()
    : ui::Form("fFotoDialog"),
      DriveComboBox1(Add<ui::ComboBox>("DriveComboBox1")),
      ListBox1(Add<ui::ListBox>("ListBox1")),
      ListBox2(Add<ui::ListBox>("ListBox2")),
      Button1(Add<ui::Button>("Button1")),
      Label1(Add<ui::Label>("Label1")),
      Label2(Add<ui::Label>("Label2")),
      Label3(Add<ui::Label>("Label3")),
      Label4(Add<ui::Label>("Label4")) {
  SetCaption("Urči fotku"_cz);
  SetBounds(100, 50, 953, 619);
  SetAutoScroll(true);
  keyPreview = true;
  DriveComboBox1.SetStyle(ui::ComboStyle::DropDownList);
  DriveComboBox1.SetBounds(20, 10, 290, 21);
  ListBox1.SetBounds(20, 40, 290, 195);
  ListBox2.SetBounds(330, 40, 290, 195);
  Label1.SetText("Vybraná složka:"_cz);
  Label1.SetBounds(640, 40, 290, 16);
  ui::Font bold = Label2.font();
  bold.bold = true;
  Label2.SetFont(bold);
  Label2.SetTransparent(false);
  Label2.SetColor(13158655);
  Label2.SetBounds(640, 60, 290, 16);
  Label3.SetText("Vybraný soubor:"_cz);
  Label3.SetBounds(640, 90, 290, 16);
  Label4.SetFont(bold);
  Label4.SetBounds(640, 110, 290, 16);
  Button1.SetText("OK");
  Button1.SetBounds(640, 200, 75, 25);

  onKeyPress = [this](ui::Control&, char& ch) { FormKeyPress(ch); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  DriveComboBox1.onChange = [this](ui::Control&) { DriveComboBox1Change(); };
  ListBox1.onClick = [this](ui::Control&) { ListBox1Click(); };
  ListBox2.onClick = [this](ui::Control&) { ListBox2Click(); };
  ListBox2.onDblClick = [this](ui::Control&) { ListBox2DblClick(); };
  ListBox2.onKeyDown = [this](ui::Control&, int& key, ui::Shift) { ListBox2KeyDown(key); };
  Button1.onClick = [this](ui::Control&) { Button1Click(); };
}

TfFotoDialog::~TfFotoDialog() = default;

ui::Point TfFotoDialog::ThumbnailPosition(int i) { return {20 + 160 * ((i - 1) % 5), 250 + 200 * ((i - 1) / 5)}; }

void TfFotoDialog::SetDriveList() {
  FillDriveList(DriveComboBox1, Drive);
}

void TfFotoDialog::FreeThumbnails() {
  for (ui::Label* l : ThumbCaptions) Remove(*l);
  for (ui::Image* t : Thumbnails) Remove(*t);
  ThumbCaptions.clear();
  Thumbnails.clear();
  ThumbnailCount = 0;
}

void TfFotoDialog::FillPictureLists() {
  const std::string where = Drive + ":" + Folder;
  FileName.clear();
  CurrentFile = 0;
  ListBox1.SetItems(FolderListItems(Drive, Folder));
  Label2.SetText(where);
  FreeThumbnails();
  ListBox2.ClearItems();
  FileNames.clear();
  ShownNames.clear();
  for (const common::DirItem& e : ChooserFiles(where + Mask, kMaxEntries)) {
    const std::string name = common::ListedName(e);
    if (!common::IsOneComponent(name)) continue;  // no Windows name reaches it
    FileNames.push_back(name);
    ShownNames.push_back(common::ShownName(e));
  }
  std::vector<std::string> lines;
  for (int i = 1; i <= static_cast<int>(FileNames.size()); ++i) {
    const std::string& name = FileNames[static_cast<std::size_t>(i - 1)];
    const std::string& shown = ShownNames[static_cast<std::size_t>(i - 1)];
    lines.push_back(common::FormatFloatMask("###", i) + " " + shown);
    const ui::Point at = ThumbnailPosition(i);
    ui::Image& thumb = Add<ui::Image>("Thumb" + std::to_string(i));
    thumb.tag = i;
    thumb.SetStretch(true);
    thumb.SetBounds(at.x, at.y, kThumbSize, kThumbSize);
    try {
      // Decoded at the scale that covers the thumbnail, and kept at its size.
      thumb.SetPicture(ui::Stretch(LoadPictureFile(where + name, {kThumbSize, kThumbSize}), kThumbSize, kThumbSize));
    } catch (const std::exception&) {
      // an unreadable file keeps an empty thumbnail; its preview says why
    }
    thumb.onClick = [this, i](ui::Control&) { PreviewPicture(i); };
    thumb.onDblClick = [this, i](ui::Control&) { ChoosePicture(i); };
    ui::Label& caption = Add<ui::Label>("ThumbLabel" + std::to_string(i));
    caption.SetBounds(at.x, at.y + kThumbSize + 10, kThumbSize, 22);
    caption.SetText(shown);
    Thumbnails.push_back(&thumb);
    ThumbCaptions.push_back(&caption);
  }
  ThumbnailCount = static_cast<int>(Thumbnails.size());
  ListBox2.SetItems(std::move(lines));
  if (!FileNames.empty()) {
    FileName = FileNames.front();
    CurrentFile = 1;
    ListBox2.SetItemIndex(0);
  }
  Label4.SetText(ShownNames.empty() ? std::string() : ShownNames.front());
}

void TfFotoDialog::PreviewPicture(int i) {
  if (i < 1 || i > static_cast<int>(FileNames.size())) return;
  FileName = FileNames[static_cast<std::size_t>(i - 1)];
  CurrentFile = i;
  ListBox2.SetItemIndex(i - 1);
  const std::string& shown = ShownNames[static_cast<std::size_t>(i - 1)];
  Label4.SetText(shown);
  TfFoto& foto = fFoto();
  foto.Chooser = this;
  foto.SetCaption(common::FormatFloatMask("@@@", i) + " " + shown);
  try {
    const ui::Rect screen = ui::WorkArea();
    foto.Image1.SetPicture(LoadPictureFile(Drive + ":" + Folder + FileName, {screen.width, screen.height}));
  } catch (const std::exception& e) {
    foto.Image1.ClearPicture();
    ui::ShowMessage(e.what());
    return;
  }
  foto.Show();
}

void TfFotoDialog::ChoosePicture(int i) {
  fFoto().Hide();
  if (i < 1 || i > static_cast<int>(FileNames.size())) return;
  CurrentFile = i;
  FileName = FileNames[static_cast<std::size_t>(i - 1)];
  Button1Click();
}

void TfFotoDialog::FormKeyPress(char& ch) {
  if (ch != 27) return;
  ch = 0;
  SetModalResult(ui::mr::Cancel);
}

void TfFotoDialog::FormClose() {
  FreeThumbnails();
  ListBox2.ClearItems();
  fFoto().Hide();
}

void TfFotoDialog::DriveComboBox1Change() {
  if (Busy) return;
  if (!TakeChosenDrive(DriveComboBox1, Drive)) return;
  Folder = "\\";
  FillPictureLists();
}

void TfFotoDialog::ListBox1Click() {
  const int i = ListBox1.itemIndex();
  if (i < 0) return;
  ClickedEntry = ListBox1.items()[static_cast<std::size_t>(i)];
  Folder = FolderOfEntry(Folder, ClickedEntry);
  FillPictureLists();
}

void TfFotoDialog::ListBox2Click() { PreviewPicture(ListBox2.itemIndex() + 1); }

void TfFotoDialog::ListBox2DblClick() { ChoosePicture(ListBox2.itemIndex() + 1); }

void TfFotoDialog::MoveSelection(int by) {
  const int i = ListBox2.itemIndex() + by;
  if (i < 0 || i >= ListBox2.count()) return;
  PreviewPicture(i + 1);
}

void TfFotoDialog::ListBox2KeyDown(int& key) {
  if (key != ui::vk::Up && key != ui::vk::Down) return;
  MoveSelection(key == ui::vk::Up ? -1 : 1);
  key = 0;
}

void TfFotoDialog::Button1Click() {
  Folder = FolderWithDrive(Drive, Folder);
  Chosen = true;
  SetModalResult(ui::mr::Ok);
}

bool ChoosePictureFile(const std::string& caption, const std::string& start, const std::string& mask) {
  TfFotoDialog& d = fFotoDialog();
  d.Chosen = false;
  d.Busy = true;
  d.FileName.clear();
  d.ClickedEntry.clear();
  d.Mask = mask;
  SplitStartFolder(start, d.Drive, d.Folder);
  CheckStartDrive(d.Drive);
  d.SetDriveList();
  d.Busy = false;
  d.FillPictureLists();
  d.SetCaption(caption);
  d.ShowModal();
  return d.Chosen;
}

}  // namespace browser
