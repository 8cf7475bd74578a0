#include "browser/appearance.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/err.h"
#include "browser/parsys.h"
#include "browser/rol.h"
#include "browser/winsettings.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "ui/backend.h"

namespace browser {

using namespace common::literals;

namespace {

constexpr const char* kColourMask = "-@@@@@@@@@@@";

// Parameter files are erased or replaced on disk only after the cache has written
// and dropped them, so that no cached copy brings the old settings back.
bool DropParamCache() {
  try {
    common::FlushParams();
    return true;
  } catch (const common::IoError& e) {
    ui::ShowMessage("Err" + common::FormatNumberMask("##### ", e.code) + e.file);
    return false;
  }
}

void EraseCommonMode() {
  if (!DropParamCache()) return;
  (void)common::EraseFile(kOknagPar);
  WindowFont().CommonMode = false;
}

// The height and width question into the font state; false when it was left with Esc.
bool AskWindowLetterSize() {
  WindowFontState& f = WindowFont();
  int height = f.LetterHeight, width = f.LetterWidth;
  if (!AskLetterSize(1, 1, height, width)) return false;
  f.LetterHeight = ClampLetterHeight(height);
  f.LetterWidth = ClampLetterWidth(width);
  return true;
}

void TakeFont(const ui::Font& font) {
  WindowFontState& f = WindowFont();
  f.FontName = font.name;
  f.FontSize = std::to_string(font.size);
  f.FontStyle = FontStyleText(font);
}

void BackgroundColour(TfRol& w) {
  ui::Color colour = w.GridColor;
  if (!ui::ChooseColor(colour)) return;
  w.SetColor(colour);
  w.GridColor = colour;
  w.sgRol.SetColor(colour);
  StoreInt(w.SettingsKey + " FontPaper", kColourMask, colour);
  EraseCommonMode();
}

void WindowFontAndColour(TfRol& w) {
  ui::Font font = w.sgRol.font();
  if (!ui::ChooseFont(font)) return;
  w.sgRol.SetFont(font);
  w.FontColor = font.color;
  TakeFont(font);
  const std::string& k = w.SettingsKey;
  const WindowFontState& f = WindowFont();
  common::WriteParam(kOkna2Par, k + " FontName", font.name);
  StoreInt(k + " VyskaFontu", "###", f.LetterHeight);
  StoreInt(k + " FontSize", "@@@@-", font.size);
  common::WriteParam(kOkna2Par, k + " FontStyle", f.FontStyle);
  StoreInt(k + " FontColor", kColourMask, font.color);
  StoreInt(k + " FontPaper", kColourMask, w.GridColor);
  EraseCommonMode();
  if (!AskWindowLetterSize()) return;
  StoreInt(k + " VyskaFontu", "###", f.LetterHeight);
  StoreInt(k + " SirkaFontu", "###", f.LetterWidth);
}

void FontForAllWindows(TfRol& w) {
  ui::Font font = w.sgRol.font();
  if (!ui::ChooseFont(font)) return;
  TakeFont(font);
  const WindowFontState& f = WindowFont();
  for (const char* twin : {"", "A"}) {
    const std::string a = twin;
    common::WriteParam(kOkna2Par, "FontName" + a, f.FontName);
    StoreInt("FontSize" + a, "@@@@-", font.size);
    common::WriteParam(kOkna2Par, "FontStyle" + a, f.FontStyle);
  }
  if (!AskWindowLetterSize()) return;
  for (const char* twin : {"", "A"}) {
    const std::string a = twin;
    StoreInt("VyskaFontu" + a, "###", f.LetterHeight);
    StoreInt("SirkaFontu" + a, "###", f.LetterWidth);
  }
}

void BackToPerWindow(TfRol& w) {
  if (!DropParamCache()) return;
  (void)common::EraseFile(kOkna2Par);
  (void)common::EraseFile(kOknagPar);
  WindowFont().CommonMode = false;
  LoadWindowFont(w.SettingsKey, w.FontColor, w.GridColor);
}

void WorkAreaSize(TfRol& w) {
  int width = 0, height = 0;
  GetWorkArea(width, height);
  w.SetBounds(w.left(), w.top(), width, height);
}

// The copy replaces an earlier "par\Oknag.par" instead of being appended to it.
void StandardSettings() {
  if (!DropParamCache()) return;
  (void)common::EraseFile(kOkna2Par);
  (void)common::EraseFile("par\\Oknag.par");
  if (const int code = common::CopyFileBlocks(common::ProgDir(kStandardOknag), "par\\Oknag.par"))
    ui::ShowMessage("Err" + common::FormatNumberMask("##### ", code) + common::ProgDir(kStandardOknag));
  WindowFont().CommonMode = true;
}

}  // namespace

std::function<void()>& SystemParametersHook() {
  static std::function<void()> hook;
  return hook;
}

bool AskLetterSize(int column, int line, int& height, int& width) {
  const FieldsResult r = AskFields(column, line, nullptr, "Úprava vizáže"_cz,
                                   {"Výška písmen"_cz, common::FormatNumberMask("####", height),
                                    "Šířka písmen"_cz, common::FormatNumberMask("####", width)});
  if (!r.confirmed) return false;
  height = common::TextToInt(r.answers[0]);
  width = common::TextToInt(r.answers[1]);
  return true;
}

int ClampLetterHeight(int height) { return std::clamp(height, 10, 30); }
int ClampLetterWidth(int width) { return std::clamp(width, 5, 20); }

void AppearanceMenu(TfRol& w) {
  const ChoiceResult c = ShowVyber(1, 1, nullptr, "Úprava vizáže"_cz,
                                   {"Parametry systému"_cz, "Změna barvy pozadí"_cz, "Změna písma a jeho barvy"_cz,
                                    "Změna písma pro všechna okna (barvy zůstávají)"_cz,
                                    "Návrat k režimu pro každé okno samostatně"_cz,
                                    "Zmenšení-zvětšení okna na velikost plochy"_cz,
                                    "Nastavení standardu TAVONA"_cz});
  switch (c.chosen) {
    case 1:
      if (SystemParametersHook()) SystemParametersHook()();
      break;
    case 2: BackgroundColour(w); break;
    case 3: WindowFontAndColour(w); break;
    case 4: FontForAllWindows(w); break;
    case 5: BackToPerWindow(w); break;
    case 6: WorkAreaSize(w); break;
    case 7: StandardSettings(); break;
    default: return;
  }
  if (c.chosen != 1) w.LayoutGrid();
}

void InstallBrowserDialogs() {
  InstallDialogNotifier();
  RolHooks().appearanceMenu = [](TfRol& w) { AppearanceMenu(w); };
  SystemParametersHook() = OpenSystemParameters;
}

}  // namespace browser
