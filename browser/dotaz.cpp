#include "browser/dotaz.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/hint.h"
#include "browser/winsettings.h"
#include "common/params.h"

namespace browser {

namespace {
constexpr ui::Color kPaper = 0xC8C8FF;

void Restyle(ui::Button& b, bool focused) {
  ui::Font f = b.font();
  f.bold = focused;
  f.size = focused ? 10 : 8;
  b.SetFont(f);
}
}  // namespace

TfDotaz& fDotaz() { return SingleWindow<TfDotaz>(); }

TfDotaz::TfDotaz() : ui::Form("fDotaz"), Button1(Add<ui::Button>("Button1")), Button2(Add<ui::Button>("Button2")) {
  SetCaption("fDotaz");
  SetColor(ui::colors::Teal);
  SetBorderStyle(ui::BorderStyle::Dialog);
  keyPreview = true;
  Button1.SetText("Ano");
  Button2.SetText("Ne");
  Button1.onClick = [this](ui::Control&) { Button1Click(); };
  Button2.onClick = [this](ui::Control&) { Button2Click(); };
  Button1.onEnter = [this](ui::Control&) { zmenTvar(); };
  Button2.onEnter = [this](ui::Control&) { zmenTvar(); };
  onShow = [this](ui::Form&) { FormShow(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
}

std::string TfDotaz::DefaultKey() const { return DialogKey(caption()) + " ANO"; }

void TfDotaz::FormShow() {
  const bool yes = common::ReadParam(kDotazPar, DefaultKey()) == "A";
  FocusControl(yes ? &Button1 : &Button2);
  AnswerYes = false;
  zmenTvar();
}

void TfDotaz::zmenTvar() {
  Restyle(Button1, activeControl() == &Button1);
  Restyle(Button2, activeControl() == &Button2);
}

void TfDotaz::FormKeyDown(int& key, ui::Shift shift) {
  const int code = ui::KeyCode(key, shift);
  if (code == ui::vk::Esc) {
    key = 0;
    AnswerYes = false;
    SetModalResult(ui::mr::Cancel);
  } else if (code == 1000 + ui::vk::F(1)) {
    key = 0;
    ShowInstructions(caption());
  } else if (key == ui::vk::Letter('A') && (code == key || code == key + 2000)) {
    key = 0;
    AnswerYes = true;
    SetModalResult(ui::mr::Yes);
  } else if (key == ui::vk::Letter('N') && (code == key || code == key + 2000)) {
    key = 0;
    AnswerYes = false;
    SetModalResult(ui::mr::No);
  }
}

void TfDotaz::Button1Click() {
  AnswerYes = true;
  SetModalResult(ui::mr::Yes);
}

void TfDotaz::Button2Click() {
  AnswerYes = false;
  SetModalResult(ui::mr::No);
}

void TfDotaz::FormClose() {
  StorePosition(*this, DialogKey(caption()) + " DotazLeft", DialogKey(caption()) + " DotazTop", "@@@@@@");
  common::WriteParam(kDotazPar, DefaultKey(), AnswerYes ? "A" : "");
}

bool AskOne(int column, int line, const std::string& question) {
  TfDotaz& d = fDotaz();
  const WindowFontState& font = WindowFont();
  const double f = ScreenScale();
  d.SetColor(kPaper);
  d.SetCaption(question);
  const int width = Px(std::max(Px((static_cast<int>(question.size()) + 6) * font.LetterWidth * f), 188) * f);
  const int height = 5 * font.LetterHeight;
  int left = d.left(), top = d.top();
  if (column > 0) left = font.LetterWidth * column;
  if (line > 0) top = (font.LetterHeight + 4) * line;
  d.KeptLeft = StoredInt(DialogKey(question) + " DotazLeft");
  d.KeptTop = StoredInt(DialogKey(question) + " DotazTop");
  if (d.KeptLeft > 0) left = d.KeptLeft;
  if (d.KeptTop > 0) top = d.KeptTop;
  int areaWidth = 0, areaHeight = 0;
  GetWorkArea(areaWidth, areaHeight);
  left = std::min(left, areaWidth - 100);
  top = std::min(top, areaHeight - 100);
  d.SetBounds(left, top, width, height);
  const int buttonWidth = std::min(75, (width - 40) / 2);
  d.Button1.SetBounds(10, height / 3, buttonWidth, font.LetterHeight + 6);
  d.Button2.SetBounds(width - 20 - buttonWidth, height / 3, buttonWidth, font.LetterHeight + 6);
  d.ShowModal();
  return d.AnswerYes;
}

}  // namespace browser
