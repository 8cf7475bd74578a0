#include "reports/specialforms.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "reports/formimage.h"
#include "ui/keys.h"

namespace reports {

using common::Copy;
using common::Cz;
using common::Pos;

LinesSource LinesSource::FromFile(const std::string& fileName) {
  std::string text;
  common::ThrowIfError(common::ReadFileText(fileName, text), fileName);
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return LinesSource(std::move(lines));
}

// ---------------------------------------------------------------- KB00.wrk

std::string KB00Line(const std::string& line) {
  const std::string amount =
      common::FormatNumberMask("############", common::TextToFloat(Copy(line, 30, 15)) * 100);
  if (Copy(line, 2, 1) == "2")
    return "1|" + Copy(line, 4, 19) + "|" + amount + "|" + std::string(15, ' ') + "|" + Copy(line, 24, 4) + "|";
  if (Copy(line, 42, 1) == ".")
    return "2|" + Copy(line, 4, 19) + "|" + amount + "|" + Copy(line, 49, 10) + "|" + Copy(line, 24, 4) +
           Copy(line, 66, 4) + "|" + std::string(10, ' ') + "|" + Copy(line, 83, 30);
  return {};
}

void VyrobZnovaPP(PrintSource& source) {
  std::string out;
  for (std::int32_t n = 1; n <= source.LineCount(); ++n) {
    if (!source.IsMarked(n)) continue;
    const std::string line = KB00Line(source.PlainLine(n));
    if (!line.empty()) out += line + "\r\n";
  }
  const std::string name = common::DataDir("KB00.wrk");
  if (const int code = common::ReplaceFileContents(name, out)) {
    common::FileErrorMessage(" pise soubor: ", name, code);
    return;
  }
  common::MessageOk("OK");
}

// ---------------------------------------------------------------- page files

void RozdelUpom(PrintSource& source) {
  std::vector<std::string> page;
  int number = 0;
  const auto writeOut = [&]() -> bool {
    if (!page.empty()) {
      if (number > 999) {
        common::MessageOk(Cz("Sestava má víc než 1000 listů, další listy nejsou zapsány"));
        return false;
      }
      const std::string name = "XXX" + common::FormatNumberMask("@@@", number) + ".txt";
      std::string out;
      for (const std::string& line : page) out += line + "\r\n";
      common::File file;
      int code = file.Create(name);
      if (code == 0) code = file.WriteAt(0, out.data(), out.size());
      if (const int closed = file.Close(); code == 0) code = closed;
      if (code != 0) {
        common::FileErrorMessage(" pise soubor: ", name, code);
        return false;
      }
    }
    page.clear();
    ++number;
    return true;
  };
  for (std::int32_t n = 1; n <= source.LineCount(); ++n) {
    std::string line = source.PlainLine(n);
    if (!line.empty() && line.front() == kFormFeed && !writeOut()) return;
    page.push_back(std::move(line));
  }
  if (!writeOut()) return;
  common::MessageOk("Hotovo");
}

// ---------------------------------------------------------------- the receipt window

namespace {

// The receipt blank: a frame with the lines between its parts.
ui::Bitmap ReceiptBlank() {
  ui::Bitmap b(753, 503);
  const ui::Color ink = ui::Rgb(96, 96, 96);
  const auto hline = [&](int y, int x0, int x1) { b.Fill({x0, y, x1 - x0, 1}, ink); };
  const auto vline = [&](int x, int y0, int y1) { b.Fill({x, y0, 1, y1 - y0}, ink); };
  hline(0, 0, 753);
  hline(502, 0, 753);
  vline(0, 0, 503);
  vline(752, 0, 503);
  hline(36, 0, 753);
  vline(366, 36, 174);
  hline(174, 0, 753);
  hline(280, 0, 753);
  hline(460, 20, 200);
  hline(460, 536, 736);
  return b;
}

ui::Label& MakeLabel(ui::Form& f, const char* name, int left, int top, bool bold, int width = 250) {
  ui::Label& l = f.Add<ui::Label>(name);
  l.SetBounds(left, top, width, 16);
  ui::Font font = l.font();
  font.bold = bold;
  font.color = ui::colors::Black;
  l.SetFont(font);
  return l;
}

}  // namespace

TfPoklBlok::TfPoklBlok()
    : ui::Form("fPoklBlok"),
      Image1(Add<ui::Image>("Image1")),
      bTisk(Add<ui::Button>("bTisk")),
      lBlok(MakeLabel(*this, "lBlok", 202, 8, true, 540)),
      lDodavatel(MakeLabel(*this, "lDodavatel", 112, 42, false)),
      lAd1(MakeLabel(*this, "lAd1", 110, 66, true)),
      lAd1a(MakeLabel(*this, "lAd1a", 110, 82, true)),
      lAd2(MakeLabel(*this, "lAd2", 110, 98, true)),
      lAd3(MakeLabel(*this, "lAd3", 110, 114, true)),
      lAdICO(MakeLabel(*this, "lAdICO", 110, 130, true)),
      lAdDic(MakeLabel(*this, "lAdDic", 110, 146, true)),
      lOdberatel(MakeLabel(*this, "lOdberatel", 374, 42, false)),
      lA1(MakeLabel(*this, "lA1", 374, 66, true)),
      lA1a(MakeLabel(*this, "lA1a", 374, 82, true)),
      lA2(MakeLabel(*this, "lA2", 374, 98, true)),
      lA3(MakeLabel(*this, "lA3", 374, 114, true)),
      lAICO(MakeLabel(*this, "lAICO", 374, 132, true)),
      lADic(MakeLabel(*this, "lADic", 374, 150, true)),
      imLogo(Add<ui::Image>("imLogo")),
      r1(MakeLabel(*this, "r1", 14, 180, true, 730)),
      r2(MakeLabel(*this, "r2", 14, 196, true, 730)),
      r3(MakeLabel(*this, "r3", 14, 213, true, 730)),
      r4(MakeLabel(*this, "r4", 14, 229, true, 730)),
      r5(MakeLabel(*this, "r5", 14, 246, true, 730)),
      r6(MakeLabel(*this, "r6", 14, 262, true, 730)),
      sg(Add<ui::Grid>("sg")),
      lSlovy(MakeLabel(*this, "lSlovy", 342, 386, true, 400)),
      lCelkem(MakeLabel(*this, "lCelkem", 548, 386, true, 200)),
      imRazitko(Add<ui::Image>("imRazitko")),
      Label5(MakeLabel(*this, "Label5", 26, 466, false, 180)),
      lPrijal(MakeLabel(*this, "lPrijal", 56, 482, false, 120)),
      Label7(MakeLabel(*this, "Label7", 542, 464, false, 180)),
      lVydal(MakeLabel(*this, "lVydal", 588, 482, false, 120)),
      lDatum(MakeLabel(*this, "lDatum", 282, 478, true, 160)) {
  SetCaption(Cz("Pokladní bloček"));
  SetClientSize(759, 508);
  SetColor(ui::colors::White);
  keyPreview = true;
  Image1.SetBounds(0, 0, 753, 503);
  Image1.SetPicture(ReceiptBlank());
  bTisk.SetBounds(6, 6, 60, 24);
  bTisk.SetText("Tisk");
  bTisk.onClick = [this](ui::Control&) { PrintFormImage(*this, 0, 0, 1.0, 1.0); };
  ui::Font fixed{"Courier New", 10};
  fixed.bold = true;
  fixed.color = ui::colors::Black;
  for (ui::Label* r : {&r1, &r2, &r3, &r4, &r5, &r6}) {
    r->SetFont(fixed);
    items_.push_back(r);
  }
  ui::Font big = lBlok.font();
  big.size = 12;
  lBlok.SetFont(big);
  lCelkem.Hide();
  imLogo.SetBounds(6, 64, 105, 107);
  imLogo.SetStretch(true);
  imRazitko.SetBounds(20, 344, 219, 102);
  imRazitko.SetStretch(true);
  sg.SetBounds(342, 288, 393, 95);
  sg.SetColCount(4);
  sg.SetRowCount(5);
  sg.SetFixedCols(0);
  sg.SetFixedRows(0);
  sg.SetDefaultColWidth(100);
  sg.SetRowHeight(17);
  ui::Font gridFont = sg.font();
  gridFont.bold = true;
  sg.SetFont(gridFont);
  Label5.SetText("..............................");
  Label7.SetText("..............................");
  onKeyDown = [this](ui::Control&, int& key, ui::Shift) {
    if (key != ui::vk::Esc) return;
    key = 0;
    Close();
  };
}

void TfPoklBlok::FillRow(int row, const std::string& line) {
  const std::string base = Copy(line, 32, 14), tax = Copy(line, 51, 14);
  sg.SetCell(1, row, base);
  sg.SetCell(2, row, tax);
  std::string total = common::FormatCurrencyMask(
      "### ### ###.##-", common::RoundAmount(common::TextToCurrency(base) + common::TextToCurrency(tax)));
  if (row == 4) total += common::CurrentSession().CurrencyCode;
  sg.SetCell(3, row, total);
}

int TfPoklBlok::Fill(PrintSource& source, std::int32_t from) {
  const common::Session& s = common::CurrentSession();
  const std::string rate1 = Copy(s.VatTextDan1, 1, 2) + "%", rate2 = Copy(s.VatTextDan2, 1, 2) + "%";
  ui::Label* firm[6] = {&lAd1, &lAd1a, &lAd2, &lAd3, &lAdICO, &lAdDic};
  ui::Label* other[6] = {&lA1, &lA1a, &lA2, &lA3, &lAICO, &lADic};
  const std::int32_t count = source.LineCount();
  int copies = 0;
  bool collecting = false;
  std::size_t item = 0;
  for (std::int32_t n = std::max(from, 1); n <= count; ++n) {
    const std::string line = source.PlainLine(n);
    if (common::RemoveSpaces(line).empty() || line.front() == kFormFeed || line.front() == kNormal ||
        line.front() == kCondensed || line.starts_with("---"))
      continue;
    if (const int p = Pos("Slovy :", line)) {
      lSlovy.SetText("Slovy: " + Copy(line, p + 8, 50));
      break;
    }
    if (const int p = Pos("Dne ", line)) {
      lDatum.SetText(Copy(line, p, 14));
      lCelkem.SetText("Celkem : " + Copy(line, p + 30, 18));
      sg.SetCell(3, 4, Copy(line, p + 30, 18));
      collecting = false;
      continue;
    }
    if (Pos(Cz("S O U Č T Y :"), line)) {
      collecting = false;
      while (++n <= count) {
        const std::string sum = source.PlainLine(n);
        if (Pos("C e l k e m :", sum)) {
          FillRow(4, sum);
          break;
        }
        if (Pos(" 0%", sum)) FillRow(1, sum);
        else if (Pos(rate1, sum)) FillRow(2, sum);
        else if (Pos(rate2, sum)) FillRow(3, sum);
      }
      continue;
    }
    if (collecting) {
      if (item < items_.size()) items_[item++]->SetText(line);
      continue;
    }
    if (Pos(Cz("POKLADNÍ DOKLAD "), line)) {
      const int number = Pos(Cz("íslo"), line);
      lBlok.SetText(Copy(line, Pos(" *** ", line) + 6, 28) + Copy(line, number + 7, 10));
      copies = common::TextToInt(Copy(line, number + 17, 10));
      const bool income = Pos(Cz("PŘÍJMOVÝ"), line) > 0;
      lDodavatel.SetText(income ? Cz("Příjemce") : Cz("Plátce"));
      lOdberatel.SetText(income ? Cz("Plátce") : Cz("Příjemce"));
      lPrijal.SetText(income ? Cz("Přijal") : "Zaplatil");
      lVydal.SetText(income ? "Zaplatil" : Cz("Přijal"));
      while (++n <= count && Pos("DODAVATEL", source.PlainLine(n)) == 0) {
      }
      for (int k = 0; k < 6 && n + 1 <= count; ++k) {
        const std::string address = source.PlainLine(++n);
        firm[k]->SetText(Copy(address, 1, 36));
        other[k]->SetText(Copy(address, 38, 36));
      }
      ++n;  // the line under the address blocks
      for (ui::Label* r : items_) r->SetText({});
      sg.ClearCells();
      sg.SetCell(1, 0, Cz("Základ"));
      sg.SetCell(2, 0, Cz("Daň"));
      sg.SetCell(3, 0, Cz("včetně DPH"));
      sg.SetCell(0, 1, Cz("Bez daně"));
      sg.SetCell(0, 2, "DPH " + s.VatTextDan1);
      sg.SetCell(0, 3, "DPH " + s.VatTextDan2);
      sg.SetCell(0, 4, "Celkem");
      collecting = true;
      item = 0;
    }
  }
  return copies;
}

void TfPoklBlok::PrintCopies(int copies) {
  const ui::BorderStyle border = borderStyle();
  Show();
  Image1.Hide();
  SetBorderStyle(ui::BorderStyle::None);
  for (int i = 0; i < copies; ++i) {
    if (!PrintFormImage(*this, 0, 0, 1.0, 1.0)) break;
    std::string title = lBlok.text();
    const std::size_t cut = title.size() >= 3 ? title.size() - 3 : 0;
    const std::int32_t next = common::TextToInt(title.substr(cut)) + 1;
    lBlok.SetText(title.substr(0, cut) + common::FormatNumberMask("@@@", next));
  }
  Image1.Show();
  SetBorderStyle(border);
  Hide();
}

TfPoklBlok& fPoklBlok() { return browser::SingleWindow<TfPoklBlok>(); }

void GrafickyPoklDoklad(PrintSource& source) {
  TfPoklBlok& w = fPoklBlok();
  const int copies = w.Fill(source, source.CurrentLine());
  if (copies == 0) w.ShowModal();
  else w.PrintCopies(copies);
}

}  // namespace reports
