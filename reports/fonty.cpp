#include "reports/fonty.h"

#include <array>

#include "browser/dialogs.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/text.h"
#include "reports/printfiles.h"
#include "ui/backend.h"
#include "ui/keys.h"

namespace reports {

using common::Cz;

namespace {

struct Density {
  const char* text;  // UTF-8
  const char* file;
};
constexpr std::array<Density, 3> kDensities = {{
    {" 80 zn/řádek", "norm.fnt"},
    {"100 zn/řádek", "12zn.fnt"},
    {"130 zn/řádek", "cond.fnt"},
}};

int DensityIndex(const std::string& text) {
  for (std::size_t i = 0; i < kDensities.size(); ++i)
    if (Cz(kDensities[i].text) == text) return static_cast<int>(i);
  return -1;
}

}  // namespace

std::string FontSizeText(std::string_view text) {
  const std::string s = common::RemoveSpaces(text);
  const std::int32_t n = common::TextToInt(s);
  std::string result = common::TextToInt(common::FormatNumberMask("##", n)) == n ? s : std::string();
  const std::int32_t v = common::TextToInt(result);
  if (v < 9 || v > 100) result.clear();
  return result;
}

TfFontyTisky::TfFontyTisky()
    : ui::Form("fFontyTisky"),
      Label1(Add<ui::Label>("Label1")),
      ComboBox1(Add<ui::ComboBox>("ComboBox1")),
      Label2(Add<ui::Label>("Label2")),
      Edit3(Add<ui::Edit>("Edit3")),
      Label3(Add<ui::Label>("Label3")),
      Edit1(Add<ui::Edit>("Edit1")),
      Label4(Add<ui::Label>("Label4")),
      Edit2(Add<ui::Edit>("Edit2")) {
  SetCaption(Cz("Nastavení velikosti fontů pro tisky"));
  SetBorderStyle(ui::BorderStyle::Dialog);
  SetClientSize(330, 170);
  keyPreview = true;
  Label1.SetText(Cz("Počet znaků na řádek"));
  Label1.SetBounds(16, 16, 130, 16);
  ComboBox1.SetBounds(160, 12, 150, 21);
  Label2.SetText(Cz("Název fontu"));
  Label2.SetBounds(16, 56, 130, 16);
  Edit3.SetBounds(160, 52, 150, 21);
  Label3.SetText(Cz("Výška fontu"));
  Label3.SetBounds(16, 96, 130, 16);
  Edit1.SetBounds(160, 92, 40, 21);
  Label4.SetText(Cz("Šířka fontu"));
  Label4.SetBounds(16, 136, 130, 16);
  Edit2.SetBounds(160, 132, 40, 21);

  onShow = [this](ui::Form&) { FormActivate(); };
  ComboBox1.onChange = [this](ui::Control&) { ComboBox1Change(); };
  const auto sizeExit = [this](ui::Control& c) {
    auto& edit = static_cast<ui::Edit&>(c);
    edit.SetText(FontSizeText(edit.text()));
    SaveFontFields();
  };
  Edit1.onExit = sizeExit;
  Edit2.onExit = sizeExit;
  Edit3.onClick = [this](ui::Control&) { ChooseFace(); };
  Edit3.onKeyPress = [this](ui::Control&, char& ch) {
    if (ch != '\r') return;
    ch = 0;
    ChooseFace();
  };
  onKeyPress = [this](ui::Control&, char& ch) {
    if (ch != 27) return;
    ch = 0;
    Close();
  };
  // A size still being typed is taken as when its field is left.
  onClose = [this](ui::Form&, ui::CloseAction&) {
    Edit1.SetText(FontSizeText(Edit1.text()));
    Edit2.SetText(FontSizeText(Edit2.text()));
    SaveFontFields();
  };
}

void TfFontyTisky::Open() { ShowModal(); }

void TfFontyTisky::LoadFields(int index) {
  const char* file = kDensities[static_cast<std::size_t>(index)].file;
  Edit1.SetText(common::ReadParam(file, "Height"));
  Edit2.SetText(common::ReadParam(file, "Width"));
  ShownDensity = Cz(kDensities[static_cast<std::size_t>(index)].text);
  Edit3.SetText(common::ReadParam(file, "FaceName"));
}

void TfFontyTisky::FormActivate() {
  std::vector<std::string> items;
  for (const Density& d : kDensities) items.push_back(Cz(d.text));
  ComboBox1.SetItems(items);
  ComboBox1.SetItemIndex(0);
  ShownDensity = items[0];
  SeedPrintFonts();
  LoadFields(0);
  FocusControl(&ComboBox1);
}

void TfFontyTisky::ComboBox1Change() {
  SaveFontFields();
  const int index = DensityIndex(ComboBox1.text());
  if (index >= 0) LoadFields(index);
}

void TfFontyTisky::SaveFontFields() {
  const int index = DensityIndex(ShownDensity);
  if (index < 0) return;
  const char* file = kDensities[static_cast<std::size_t>(index)].file;
  if (!Edit1.text().empty()) common::WriteParam(file, "Height", Edit1.text());
  if (!Edit2.text().empty()) common::WriteParam(file, "Width", Edit2.text());
  if (!Edit3.text().empty()) common::WriteParam(file, "FaceName", Edit3.text());
}

void TfFontyTisky::ChooseFace() {
  ui::Font font = Edit3.font();
  font.name = Edit3.text();
  if (ui::ChooseFont(font)) Edit3.SetText(font.name);
}

TfFontyTisky& fFontyTisky() { return browser::SingleWindow<TfFontyTisky>(); }

}  // namespace reports
