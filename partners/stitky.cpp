#include "partners/stitky.h"

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

#include "browser/codec.h"
#include "browser/entries.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/text.h"
#include "ui/handlers.h"
#include "ui/printfile.h"
#include "ui/printing.h"

namespace partners {

using common::Cz;

namespace {

constexpr char kDesignFile[] = "SAMOLE.PKY";
constexpr char kListName[] = "=samol.dta";
constexpr char kListFile[] = "samol.dta";
constexpr int kPanelWidth = 329, kPanelHeight = 187;
// The partner field each address field shows.
constexpr std::array<int, 6> kAddressField{of::Name, of::Name2, of::Street, of::Town, of::State, of::PostalCode};
constexpr std::array<const char*, 6> kBoxCaptions{"Název", "Jméno", "Ulice", "Město", "Stát", "PSČ"};

std::string FieldName(int k) { return "adr" + std::to_string(k); }

std::unique_ptr<TfStitky>& LabelsInstance() {
  static std::unique_ptr<TfStitky> w;
  return w;
}
std::unique_ptr<tfSam>& ListInstance() {
  static std::unique_ptr<tfSam> w;
  return w;
}

ui::Label& Caption(ui::Form& f, const std::string& name, const char* text, int left, int top, ui::Control* parent = nullptr) {
  auto& l = f.Add<ui::Label>(name, parent);
  l.SetText(Cz(text));
  l.SetBounds(left, top, 200, 16);
  return l;
}

}  // namespace

tfSam& fSam() {
  auto& w = ListInstance();
  if (!w) w = std::make_unique<tfSam>();
  return *w;
}

TfStitky::TfStitky()
    : ui::Form("fStitky"),
      Panel1(Add<ui::Panel>("Panel1")),
      Ex(Add<ui::Edit>("Ex")),
      ey(Add<ui::Edit>("ey")),
      odsadX(Add<ui::Edit>("odsadX")),
      odsadY(Add<ui::Edit>("odsadY")),
      SpinEdit1(Add<ui::SpinEdit>("SpinEdit1")),
      SpinEdit2(Add<ui::SpinEdit>("SpinEdit2")),
      Button2(Add<ui::Button>("Button2")),
      Panel3(Add<ui::Panel>("Panel3")),
      bHelpOK(Add<ui::Button>("bHelpOK", &Panel3)) {
  SetCaption(Cz("Návrh štítku"));
  SetClientSize(640, 430);
  keyPreview = true;
  Panel1.SetBounds(16, 16, kPanelWidth, kPanelHeight);
  Panel1.SetColor(ui::colors::White);
  Panel1.SetBevel(ui::Bevel::Lowered);
  Caption(*this, "lCo", "Co tisknout", 420, 16);
  for (int k = 1; k <= 6; ++k) {
    auto& e = Add<ui::Edit>(FieldName(k), &Panel1);
    e.SetBounds(8, 8 + 26 * (k - 1), 220, 20);
    e.SetBorder(ui::BorderKind::None);
    e.SetColor(ui::colors::White);
    ui::Font font;
    font.name = "Arial";
    font.size = 10;
    font.color = ui::colors::Black;
    e.SetFont(font);
    e.SetText("Adresa " + std::to_string(k));
    e.onMouseDown = [this, k](ui::Control&, ui::MouseButton b, ui::Shift, int, int) {
      if (b == ui::MouseButton::Left) return ChooseFieldFont(k);
      LabelDragMode = 10 + k;
      adr[static_cast<std::size_t>(k - 1)]->SetEnabled(false);
    };
    // The pressed field keeps the pointer: its moves count in the panel.
    e.onMouseMove = [this, k, &e](ui::Control&, ui::Shift, int x, int y) {
      if (LabelDragMode == 10 + k) MoveFieldInPanel(k, x + e.left(), y + e.top());
    };
    e.onMouseUp = [this](ui::Control&, ui::MouseButton, ui::Shift, int, int) {
      if (LabelDragMode < 11) return;
      for (ui::Edit* field : adr) field->SetEnabled(true);
      LabelDragMode = 0;
    };
    adr[static_cast<std::size_t>(k - 1)] = &e;
    auto& box = Add<ui::CheckBox>("CheckBox" + std::to_string(k));
    box.SetText(Cz(kBoxCaptions[static_cast<std::size_t>(k - 1)]));
    box.SetBounds(420, 40 + 24 * (k - 1), 120, 20);
    box.SetChecked(true);
    box.onClick = [this, k, &box](ui::Control&) { adr[static_cast<std::size_t>(k - 1)]->SetVisible(box.checked()); };
    CheckBox[static_cast<std::size_t>(k - 1)] = &box;
  }
  Panel1.onMouseMove = [this](ui::Control&, ui::Shift, int x, int y) {
    if (LabelDragMode > 10) MoveFieldInPanel(LabelDragMode - 10, x, y);
  };
  Panel1.onMouseUp = [this](ui::Control&, ui::MouseButton, ui::Shift, int, int) {
    for (ui::Edit* field : adr) field->SetEnabled(true);
    LabelDragMode = 0;
  };
  onMouseDown = [this](ui::Control& c, ui::MouseButton b, ui::Shift, int x, int y) {
    if (&c != this || b != ui::MouseButton::Right || !PointerNearPanelEdge(x, y)) return;
    LabelDragMode = 1;
    Panel1.SetEnabled(false);
  };
  onMouseMove = [this](ui::Control& c, ui::Shift, int x, int y) {
    if (&c != this || LabelDragMode != 1) return;
    Panel1.SetBounds(Panel1.left(), Panel1.top(), std::max(x - Panel1.left(), 1), std::max(y - Panel1.top(), 1));
    ShowSize();
  };
  onMouseUp = [this](ui::Control& c, ui::MouseButton, ui::Shift, int, int) {
    if (&c != this || LabelDragMode != 1) return;
    Panel1.SetEnabled(true);
    LabelDragMode = 0;
  };

  Caption(*this, "lEx", "šířka štítku", 16, 226);
  Ex.SetBounds(120, 222, 60, 21);
  Ex.onExit = [this](ui::Control&) { ExExit(); };
  Caption(*this, "ley", "výška štítku", 16, 252);
  ey.SetBounds(120, 248, 60, 21);
  ey.onExit = [this](ui::Control&) { eyExit(); };
  Button2.SetBounds(190, 234, 150, 25);
  Button2.onClick = [this](ui::Control&) { Button2Click(); };
  Caption(*this, "lodsadX", "odsazení zleva", 16, 290);
  odsadX.SetBounds(120, 286, 60, 21);
  Caption(*this, "lodsadY", "odsazení shora", 16, 316);
  odsadY.SetBounds(120, 312, 60, 21);
  Caption(*this, "lSpin1", "počet štítků vedle sebe", 380, 226);
  SpinEdit1.SetBounds(560, 222, 50, 21);
  Caption(*this, "lSpin2", "počet štítků nad sebou", 380, 252);
  SpinEdit2.SetBounds(560, 248, 50, 21);
  for (ui::SpinEdit* spin : {&SpinEdit1, &SpinEdit2}) {
    spin->SetRange(1, 9);
    spin->SetValue(2);
  }

  Panel3.SetBounds(40, 60, 560, 140);
  Panel3.Hide();
  Caption(*this, "lHelp1", "Levým  tlačítkem na adrese změň písmo na štítku", 16, 12, &Panel3).SetWidth(520);
  Caption(*this, "lHelp2", "Pravým tlačítkem změň polohu adres, případně velikost štítku", 16, 36, &Panel3).SetWidth(520);
  Caption(*this, "lHelp3", "(klikněte vně pravého dolního rohu panelu)", 16, 60, &Panel3).SetWidth(520);
  bHelpOK.SetText("OK");
  bHelpOK.SetBounds(240, 96, 75, 25);
  bHelpOK.onClick = [this](ui::Control&) { Panel3.Hide(); };

  ui::MenuBar& menu = AddMenuBar();
  menu.AddEntry("Vberadres1", Cz("Výber adres"));
  menu.AddItem("Vberadres1", "Pidnoznaenchadresdoseznamu1", Cz("Přidání označených adres do seznamu"),
               [this](ui::MenuItem&) { Pidnoznaenchadresdoseznamu1Click(); });
  menu.AddItem("Vberadres1", "Zruenseznamu1", Cz("Zrušení seznamu"), [this](ui::MenuItem&) { Zruenseznamu1Click(); });
  menu.AddItem("Vberadres1", "Kontrolaseznamuprotisk1", Cz("Kontrola seznamu pro tisk"),
               [this](ui::MenuItem&) { Kontrolaseznamuprotisk1Click(); });
  menu.AddEntry("Tisksamolepek1", Cz("Tisk samolepek"));
  menu.AddItem("Tisksamolepek1", "Tiskzeseznamu1", Cz("Tisk ze seznamu"), [this](ui::MenuItem&) { Tiskzeseznamu1Click(); });
  menu.AddItem("Tisksamolepek1", "Nsobntisksamolepky1", Cz("Násobný tisk samolepky"),
               [this](ui::MenuItem&) { Nsobntisksamolepky1Click(); });
  menu.AddEntry("Help1", "Help", [this](ui::MenuItem&) { Help1Click(); });

  onKeyDown = [this](ui::Control&, int& key, ui::Shift) {
    if (key == ui::vk::Esc) {
      key = 0;
      Close();
    }
  };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  FormCreate();
}

TfStitky& fStitky() {
  auto& w = LabelsInstance();
  if (!w) w = std::make_unique<TfStitky>();
  return *w;
}

void DestroyLabelWindows() {
  LabelsInstance().reset();
  ListInstance().reset();
}

void ShowLabels() { fStitky().ShowModal(); }

// ---------------------------------------------------------------- the design

int TfStitky::Pixels(double value) const { return static_cast<int>(LabelUnitInches == 0 ? value * 4 : value); }

void TfStitky::ShowUnit() {
  Button2.SetText(LabelUnitInches == 1 ? Cz("<-- V setinách palců") : Cz("<-- V milimetrech"));
}

void TfStitky::ShowSize() {
  const double div = LabelUnitInches == 0 ? 4.0 : 1.0;
  Ex.SetText(common::FormatNumberMask("####", Panel1.width() / div));
  ey.SetText(common::FormatNumberMask("####", Panel1.height() / div));
}

void TfStitky::LoadFieldLayout(int k) {
  ui::Edit& e = *adr[static_cast<std::size_t>(k - 1)];
  const std::string name = FieldName(k);
  const auto read = [&](const char* key) { return common::ReadParam(kDesignFile, name + key); };
  if (const std::string v = read(" left"); !v.empty()) e.SetLeft(common::TextToInt(v));
  if (const std::string v = read(" top"); !v.empty()) e.SetTop(common::TextToInt(v));
  ui::Font font = e.font();
  if (const std::string v = read(" font"); !v.empty()) font.name = v;
  if (const std::string v = read(" size"); !v.empty()) font.size = common::TextToInt(v);
  if (const std::string v = read(" text"); !v.empty()) e.SetText(v);
  const std::string style = read(" style");
  if (style == "Normal" || style == "Bold" || style == "Italic") {
    font.bold = style == "Bold";
    font.italic = style == "Italic";
    font.underline = false;
  }
  e.SetFont(font);
}

void TfStitky::SaveFieldLayout(int k) {
  const ui::Edit& e = *adr[static_cast<std::size_t>(k - 1)];
  const std::string name = FieldName(k);
  const auto write = [&](const char* key, const std::string& v) { common::WriteParam(kDesignFile, name + key, v); };
  write(" left", common::FormatNumberMask("####", e.left()));
  write(" top", common::FormatNumberMask("####", e.top()));
  write(" font", e.font().name);
  write(" size", common::FormatNumberMask("###", e.font().size));
  write(" text", e.text());
  const ui::Font& f = e.font();
  // Other combinations (bold and italic together) leave the key as it was.
  if (!f.underline && !(f.bold && f.italic)) write(" style", f.bold ? "Bold" : f.italic ? "Italic" : "Normal");
}

void TfStitky::FormCreate() {
  for (int k = 1; k <= 6; ++k) LoadFieldLayout(k);
  LabelUnitInches = common::ReadParam(kDesignFile, "mira") == "palce" ? 1 : 0;
  if (const std::string v = common::ReadParam(kDesignFile, "Panel width"); !v.empty())
    Panel1.SetWidth(common::TextToInt(v));
  if (const std::string v = common::ReadParam(kDesignFile, "Panel height"); !v.empty())
    Panel1.SetHeight(common::TextToInt(v));
  ShowSize();
  odsadX.SetText(common::ReadParam(kDesignFile, "Odsazeni X"));
  odsadY.SetText(common::ReadParam(kDesignFile, "Odsazeni Y"));
  ShowUnit();
  if (const std::string v = common::ReadParam(kDesignFile, "Pocet X"); !v.empty()) SpinEdit1.SetValue(common::TextToInt(v));
  if (const std::string v = common::ReadParam(kDesignFile, "Pocet Y"); !v.empty()) SpinEdit2.SetValue(common::TextToInt(v));
}

void TfStitky::FormClose() {
  for (int k = 1; k <= 6; ++k) SaveFieldLayout(k);
  common::WriteParam(kDesignFile, "Panel width", common::FormatNumberMask("####", Panel1.width()));
  common::WriteParam(kDesignFile, "Panel height", common::FormatNumberMask("####", Panel1.height()));
  common::WriteParam(kDesignFile, "Odsazeni X", odsadX.text());
  common::WriteParam(kDesignFile, "Odsazeni Y", odsadY.text());
  common::WriteParam(kDesignFile, "mira", LabelUnitInches == 1 ? "palce" : "mm");
  common::WriteParam(kDesignFile, "Pocet X", common::FormatNumberMask("####", SpinEdit1.value()));
  common::WriteParam(kDesignFile, "Pocet Y", common::FormatNumberMask("####", SpinEdit2.value()));
}

void TfStitky::ExExit() {
  const double v = LabelUnitInches == 0 ? common::TextToFloat(Ex.text()) * 4 : common::TextToFloat(Ex.text());
  if (v > 10 && v < 1000) Panel1.SetWidth(static_cast<int>(v));
}

void TfStitky::eyExit() {
  const double v = LabelUnitInches == 0 ? common::TextToFloat(ey.text()) * 4 : common::TextToFloat(ey.text());
  if (v > 10 && v < 1000) Panel1.SetHeight(static_cast<int>(v));
}

void TfStitky::Button2Click() {
  LabelUnitInches = 1 - LabelUnitInches;
  ShowUnit();
  ExExit();
  eyExit();
}

bool TfStitky::PointerNearPanelEdge(int x, int y) const {
  const int right = Panel1.left() + Panel1.width(), bottom = Panel1.top() + Panel1.height();
  return (right - 20 < x && x < right + 20) || (bottom - 20 < y && y < bottom + 20);
}

void TfStitky::MoveFieldInPanel(int k, int x, int y) {
  ui::Edit& e = *adr[static_cast<std::size_t>(k - 1)];
  const int pw = Panel1.width(), ph = Panel1.height();
  int left = e.left(), top = e.top();
  if (e.left() + e.width() < pw - 3 || x < pw - e.width() - 3) left = x;
  if (left < 2) left = 2;
  if (e.top() + e.height() < ph - 3 || y < ph - e.height() - 3) top = y - e.height();
  if (top < 2) top = 2;
  e.SetBounds(left, top, e.width(), e.height());
}

void TfStitky::ChooseFieldFont(int k) {
  ui::Edit& e = *adr[static_cast<std::size_t>(k - 1)];
  ui::Font font = e.font();
  if (!ui::ChooseFont(font)) return;
  ui::Font now = e.font();
  now.bold = font.bold;
  now.italic = font.italic;
  now.underline = font.underline;
  now.name = font.name;
  now.size = font.size;
  e.SetFont(now);
}

void TfStitky::Help1Click() { Panel3.Show(); }

// ---------------------------------------------------------------- the address list

void TfStitky::Pidnoznaenchadresdoseznamu1Click() {
  TfOrg& reg = fOrg();
  SetupOrg(reg, "org.dta");
  reg.ShowModal();
  if (reg.ActiveOrder != 0) {
    reg.ActiveOrder = 0;
    reg.GridColor = reg.SavedGridColor;
    reg.FontColor = reg.SavedFontColor;
    reg.RepaintPage();
  }
  // The list is opened (and made) only for partners that may be carried.
  const common::RefusalTail tail(Cz(", do seznamu se nic nepřidává"));
  if (!reg.MayCarry()) {
    reg.CloseBrowse();
    return;
  }
  // The partners marked, read with no writer between: none while one is no longer the one marked.
  std::vector<std::string> marked;
  const bool read = reg.CarryMarked([&] {
    for (std::int32_t n = 1; n <= reg.Count; ++n) {
      if (!reg.IsMarked(n)) continue;
      reg.RecordRead(n);
      if (reg.lastIoOk()) marked.push_back(reg.RecordBuffer);
    }
    return true;
  });
  reg.CloseBrowse();
  if (!read) return;
  tfSam& list = fSam();
  SetupOrg(list, kListName);
  if (!list.DataFileUsable()) {
    // A list the user may only read (its opening said why) takes no address.
    common::MessageOk(Cz("Soubor ") + list.ShownName() + Cz(" nelze zapsat, do seznamu se nic nepřidává"));
    list.CloseBrowse();
    return;
  }
  for (const std::string& record : marked) {
    list.RecordBuffer = record;
    if (!list.AppendRecord()) break;
  }
  list.CloseBrowse();
}

void TfStitky::Zruenseznamu1Click() {
  // The erase puts a copy a step left beside the list back first (put back after the
  // erase, it would bring the list back), or leaves the list and says why.
  const common::RefusalTail tail(common::Cz(", seznam se neruší"));
  common::EraseFiles(kListFile);
}

void TfStitky::Kontrolaseznamuprotisk1Click() {
  tfSam& list = fSam();
  SetupOrg(list, kListName);
  list.ShowModal();
  RemoveMarkedFromList();
  list.CloseBrowse();
}

void TfStitky::RemoveMarkedFromList() {
  tfSam& list = fSam();
  list.ActiveOrder = 0;
  std::int32_t kept = 0;
  // The moves and the cut in one rewrite: the old list or the shorter one; nothing while a
  // marked address is no longer the one marked. The count is the list's under the turn.
  const bool done = list.StepOverMarks([&] {
    return list.RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
      const std::int32_t count = list.Count;
      for (std::int32_t n = 1; n <= count; ++n) {
        list.RecordRead(n);
        if (!list.lastIoOk()) return false;  // a failed read removes nothing
        if (list.IsMarked(n)) continue;
        ++kept;
        if (kept != n) {
          list.RecordWrite(kept);
          if (!list.lastIoOk()) return false;
        }
      }
      // Every record marked: the list is emptied like any other marked set is dropped.
      if (kept < count)
        if (const int code = list.DataFile().Truncate(static_cast<std::uint64_t>(kept) * kOrgRecordLength)) {
          list.FileMessage(" pise soubor: ", kListFile, code);
          return false;
        }
      return true;
    });
  });
  list.DataFileReopen();
  if (!done) return;
  // Marks kept by record number would now stand on other addresses.
  list.ClearMarks();
  list.RepaintPage();
}

void TfStitky::FillLabelFromList(std::int32_t n) {
  tfSam& list = fSam();
  if (n <= list.Count) list.RecordRead(n);
  const std::vector<std::string> texts = browser::RecordToTexts(list.FieldSpan(), list.RecordBuffer);
  for (int k = 1; k <= 6; ++k) {
    const auto f = static_cast<std::size_t>(kAddressField[static_cast<std::size_t>(k - 1)]);
    adr[static_cast<std::size_t>(k - 1)]->SetText(f <= texts.size() ? common::StripRightSp(texts[f - 1]) : std::string());
  }
}

// ---------------------------------------------------------------- printing

void TfStitky::PrintLabelField(ui::PrinterCanvas& canvas, int k, int cellX, int cellY) {
  const ui::Edit& e = *adr[static_cast<std::size_t>(k - 1)];
  const ui::PrinterScaleValues& scale = ui::PrinterScaleState();
  const auto sx = static_cast<int>(scale.x), sy = static_cast<int>(scale.y);
  ui::Font font = e.font();
  font.color = ui::colors::Black;
  canvas.font = font;
  canvas.TextOut((e.left() + cellX + SheetOffsetX) * sx, (e.top() + cellY + SheetOffsetY) * sy, e.text());
}

void TfStitky::SetSheetOffsets() {
  SheetOffsetX = Pixels(common::TextToFloat(odsadX.text()));
  SheetOffsetY = Pixels(common::TextToFloat(odsadY.text()));
}

bool TfStitky::PrintSheets(const std::function<bool()>& more, const std::function<bool()>& cell) {
  SetSheetOffsets();
  const int w = Panel1.width(), h = Panel1.height();
  do {
    std::unique_ptr<ui::PrinterCanvas> canvas;
    try {
      canvas = ui::BeginPrint(Cz("Samolepky"));
    } catch (const ui::DriverError&) {
      throw;
    } catch (const std::runtime_error& e) {
      common::MessageOk(e.what());
      return false;
    }
    ui::PrinterScale(*canvas);
    try {
      for (int r = 1; r <= SpinEdit2.value(); ++r)
        for (int c = 1; c <= SpinEdit1.value(); ++c) {
          if (!cell()) continue;
          for (int k = 1; k <= 6; ++k)
            if (CheckBox[static_cast<std::size_t>(k - 1)]->checked()) PrintLabelField(*canvas, k, (c - 1) * w, (r - 1) * h);
        }
    } catch (...) {
      canvas->Abort();
      throw;
    }
    try {
      canvas->EndDoc();
    } catch (const ui::PrintFailed& e) {  // a file that came out cut: no further sheet
      common::MessageOk(e.what());
      return false;
    }
  } while (more());
  return true;
}

void TfStitky::Tiskzeseznamu1Click() {
  if (common::CheckFile(kListFile) < 2) return;
  tfSam& list = fSam();
  SetupOrg(list, kListName);
  std::int32_t n = 1;
  PrintSheets([&] { return n <= list.Count; },
              [&] {
                FillLabelFromList(n);
                return n++ <= list.Count;
              });
  list.CloseBrowse();
}

void TfStitky::Nsobntisksamolepky1Click() {
  tfSam& list = fSam();
  SetupOrg(list, kListName);
  list.ShowModal();
  if (list.Current > 0) FillLabelFromList(list.Current);
  list.CloseBrowse();
  std::string answer = "   1";
  const int count = browser::AskString(10, 10, Cz("kolik samolepek tisknout"), answer) ? common::TextToInt(answer) : 1;
  if (count < 1 || count > 1000) return;
  int printed = 1;
  PrintSheets([&] { return printed <= count; },
              [&] {
                ++printed;
                return true;
              });
}

}  // namespace partners
