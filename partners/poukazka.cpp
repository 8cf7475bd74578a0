#include "partners/poukazka.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "browser/codec.h"
#include "browser/entries.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/inplace.h"
#include "common/winpath.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/text.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "reports/formimage.h"

namespace partners {

using common::Cz;

namespace {

constexpr char kShiftFile[] = "sek.par";

// One printed value of the form: place in screen pixels, face, pixel height, tag.
struct OrderField {
  const char* name;
  int left, top, width, height;
  const char* face;
  int pixels;
  int tag;
};
constexpr std::array<OrderField, 24> kOrderFields{{
    {"hEdit1", 84, 128, 75, 20, "MS Sans Serif", 13, 100},
    {"hEdit2", 196, 128, 21, 20, "MS Sans Serif", 13, 100},
    {"hEdit3", 12, 156, 215, 15, "MS Serif", 13, 100},
    {"hEdit4", 12, 172, 157, 15, "MS Serif", 13, 100},
    {"hEdit5", 204, 172, 25, 15, "MS Serif", 13, 100},
    {"hEdit6", 56, 318, 175, 13, "MS Serif", 13, 100},
    {"hEdit7", 56, 333, 175, 13, "MS Serif", 13, 100},
    {"hEdit8", 10, 348, 31, 13, "MS Serif", 13, 100},
    {"hEdit9", 56, 348, 175, 13, "MS Serif", 13, 100},
    {"hEdit18", 56, 276, 167, 15, "MS Serif", 13, 100},
    {"hEdit19", 56, 290, 167, 15, "MS Serif", 13, 100},
    {"hEdit10", 476, 18, 153, 20, "MS Sans Serif", 16, 30},
    {"hEdit17", 634, 18, 39, 20, "MS Sans Serif", 16, 30},
    {"hPredc", 478, 52, 109, 20, "MS Sans Serif", 16, 30},
    {"hUcet", 596, 52, 181, 20, "MS Sans Serif", 16, 30},
    {"hBK", 475, 84, 74, 21, "MS Sans Serif", 16, 30},
    {"hEdit11", 594, 84, 199, 21, "MS Sans Serif", 16, 30},
    {"hKS", 475, 116, 74, 21, "MS Sans Serif", 16, 30},
    {"hEdit12", 594, 118, 197, 21, "MS Sans Serif", 16, 30},
    {"hEdit13", 476, 176, 300, 26, "CourierPS", 16, 30},
    {"hEdit20", 476, 205, 300, 24, "CourierPS", 16, 30},
    {"hEdit14", 476, 232, 300, 26, "CourierPS", 16, 30},
    {"hEdit15", 476, 260, 101, 26, "CourierPS", 16, 30},
    {"hEdit16", 584, 260, 193, 26, "CourierPS", 16, 30},
}};

// Rows: 0 feminine units, 1 teens, 2 tens, 3 hundreds, 4 masculine units.
constexpr std::array<std::array<const char*, 10>, 5> kWords{{
    {"", "jedna", "dvě", "tři", "čtyři", "pět", "šest", "sedm", "osm", "devět"},
    {"deset", "jedenáct", "dvanáct", "třináct", "čtrnáct", "patnáct", "šestnáct", "sedmnáct", "osmnáct", "devatenáct"},
    {"", "deset", "dvacet", "třicet", "čtyřicet", "padesát", "šedesát", "sedmdesát", "osmdesát", "devadesát"},
    {"", "jednosto", "dvěstě", "třista", "čtyřista", "pětset", "šestset", "sedmset", "osmset", "devětset"},
    {"", "jeden", "dva", "tři", "čtyři", "pět", "šest", "sedm", "osm", "devět"},
}};

int Digit(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

std::string Word(int row, char digit) {
  return Cz(kWords[static_cast<std::size_t>(row)][static_cast<std::size_t>(Digit(digit))]);
}

std::unique_ptr<TfPoukazkA>& Instance() {
  static std::unique_ptr<TfPoukazkA> w;
  return w;
}

}  // namespace

TfPoukazkA::TfPoukazkA() : ui::Form("fPoukazkA"), Image1(Add<ui::Image>("Image1")) {
  SetCaption("Poukazka A");
  SetClientSize(860 - ui::kFrameWidth, 454 - ui::kFrameHeight);
  Image1.SetBounds(0, 0, 835, 413);
  Image1.SetStretch(true);
  for (const OrderField& f : kOrderFields) {
    auto& e = Add<ui::Edit>(f.name);
    e.SetBounds(f.left, f.top, f.width, f.height);
    ui::Font font;
    font.name = f.face;
    font.size = static_cast<int>(std::lround(f.pixels * 72.0 / 96.0));
    font.color = ui::colors::Black;
    e.SetFont(font);
    e.tag = f.tag;
    e.SetBorder(ui::BorderKind::None);
    e.SetText(" ");
  }
  keyPreview = true;
  onKeyDown = [this](ui::Control&, int& key, ui::Shift) {
    if (key == ui::vk::Esc) Close();
  };
}

TfPoukazkA& fPoukazkA() {
  auto& w = Instance();
  if (!w) w = std::make_unique<TfPoukazkA>();
  return *w;
}

void DestroyMoneyOrderWindow() { Instance().reset(); }

void SetEditTextByName(ui::Form& form, std::string_view name, const std::string& text) {
  if (ui::Control* c = form.Find(name)) c->SetText(text);
}

std::string GroupToWords(std::string_view group, int unitsRow) {
  if (group.size() < 3) return {};
  std::string words;
  if (group != "000") words += Word(3, group[0]);
  if (group[1] == '1') {
    words += Word(1, group[2]);
  } else {
    words += Word(2, group[1]);
    words += Word(unitsRow, group[2]);
  }
  return words.substr(0, 50);
}

void AmountToWords(double amount, std::string& line1, std::string& line2) {
  const std::string text = common::FormatFloatMask("@@@ @@@ @@@.@@", amount);
  const auto part = [&](std::size_t from, std::size_t n) { return text.size() >= from + n ? text.substr(from, n) : "000"; };
  std::string millions = GroupToWords(part(0, 3), 4);
  if (!millions.empty()) millions += common::TextToInt(part(1, 2)) == 1 ? Cz("milión") : Cz("miliónů");
  std::string thousands = GroupToWords(part(4, 3), 4);
  if (!thousands.empty()) {
    const int n = common::TextToInt(part(4, 3));
    thousands += n >= 2 && n <= 4 ? Cz("tisíce") : Cz("tisíc");
  }
  std::string crowns = GroupToWords(part(8, 3), 0);
  if (!crowns.empty()) {
    const int n = common::TextToInt(part(9, 2));
    crowns += n == 1 ? Cz("koruna") : n >= 2 && n <= 4 ? Cz("koruny") : Cz("korun");
  }
  const std::string whole = millions + thousands + crowns;
  if (whole.size() > 30) {
    line1 = millions + thousands;
    line2 = crowns;
  } else {
    line1 = whole;
    line2.clear();
  }
}

std::string AccountPrefix(std::string_view account) {
  const auto dash = account.find('-');
  if (dash == std::string_view::npos) return "000000";
  return common::AlignText(common::RemoveSpaces(account.substr(0, dash)), "P", "0", 6);
}

std::string AccountNumber(std::string_view account) {
  const auto dash = account.find('-');
  if (dash == std::string_view::npos) return common::AlignText(common::RemoveSpaces(account), "P", "0", 10);
  return common::AlignText(common::RemoveSpaces(account.substr(dash + 1, 10)), "P", "0", 10);
}

void AskMoneyOrderShift(TfPoukazkA& w) {
  std::string x = common::AlignText(common::ReadParam(kShiftFile, "POSX"), "L", " ", 6);
  std::string y = common::AlignText(common::ReadParam(kShiftFile, "POSY"), "L", " ", 6);
  const browser::FieldsResult r =
      browser::AskFields(10, 10, {}, Cz("Posunout o "), {Cz("Souřadnice X "), x, Cz("Souřadnice Y "), y});
  if (r.answers.size() >= 2) {
    x = r.answers[0];
    y = r.answers[1];
  }
  common::WriteParam(kShiftFile, "POSX", x);
  common::WriteParam(kShiftFile, "POSY", y);
  w.MoneyOrderShiftX = common::TextToInt(x);
  w.MoneyOrderShiftY = common::TextToInt(y);
}

bool MoneyOrderAmountFits(double amount) { return amount >= 0 && amount < 100000000.0; }

bool PrintMoneyOrder(TfPoukazkA& w, TfOrg& source, const std::string& sourceTag) {
  if (sourceTag != "ORG") return false;
  // The picture only helps to place the fields on the screen; it is never printed.
  try {
    w.Image1.LoadFromFile(common::RealPath(common::ProgDir("\\of\\DoPoA.bmp")));
  } catch (const std::exception&) {
    w.Image1.ClearPicture();
  }
  const OwnAccount own = OrgHooks().ownAccount ? OrgHooks().ownAccount() : OwnAccount{};
  const std::vector<std::string> texts = browser::RecordToTexts(source.FieldSpan(), source.RecordBuffer);
  const auto field = [&](int n) {
    return static_cast<std::size_t>(n) <= texts.size() ? common::StripRightSp(texts[static_cast<std::size_t>(n - 1)])
                                                       : std::string();
  };
  const double amount = common::TextToFloat(field(of::Note1));
  std::string line1, line2;
  AmountToWords(amount, line1, line2);
  const std::string digits = common::FormatFloatMask("##########", amount * 100);
  const std::string crowns = common::RemoveSpaces(digits.substr(0, 8));
  const std::string hellers = digits.size() >= 10 ? digits.substr(8, 2) : "00";
  if (line2.empty()) {
    line2 = line1;
    line1 = std::string(40, '*');
  }
  const std::string order = common::RemoveSpaces(field(26));
  const std::pair<const char*, std::string> values[] = {
      {"hEdit1", crowns},
      {"hEdit2", hellers},
      {"hEdit3", line1},
      {"hEdit4", line2},
      {"hEdit5", hellers},
      {"hEdit6", field(of::Name)},
      {"hEdit7", field(of::Street)},
      {"hEdit8", field(of::PostalCode)},
      {"hEdit9", field(of::Town)},
      {"hEdit18", order},
      {"hEdit19", ""},
      {"hEdit10", common::AlignText(crowns, "P", "=", 8)},
      {"hEdit17", hellers},
      {"hPredc", AccountPrefix(own.account)},
      {"hUcet", AccountNumber(own.account)},
      {"hBK", own.bankCode},
      {"hEdit11", order},
      {"hEdit12", ""},
      {"hEdit13", field(of::Name)},
      {"hEdit20", field(of::Street)},
      {"hEdit14", field(of::Town)},
      {"hEdit15", field(of::PostalCode)},
      {"hEdit16", field(of::State)},
  };
  for (const auto& [name, text] : values) SetEditTextByName(w, name, text);
  w.ScrollTo(0, 0);
  w.Image1.Hide();
  struct ShowAgain {
    ui::Image& image;
    ~ShowAgain() { image.Show(); }
  } showAgain{w.Image1};
  // The pre-printed form (8.35 x 4.13 inches) is wider than a standing A4 page holds.
  return reports::PrintFormImage(w, w.MoneyOrderShiftX, w.MoneyOrderShiftY, 1.0, 1.0, ui::PageOrientation::Landscape);
}

void TiskPoukazek1Click(TfOrg& reg) {
  {
    const common::RefusalTail tail(Cz(", poukázky se netisknou"));
    if (!reg.MayCarry()) return;
  }
  TfPoukazkA& w = fPoukazkA();
  AskMoneyOrderShift(w);
  // Cancel in the print dialog ends the run: nothing printed, every mark kept.
  if (!ui::ChoosePrinter(w.caption())) return;
  // Marks belong to record numbers: the records are read in file order.
  const int order = reg.ActiveOrder;
  reg.ActiveOrder = 0;
  std::string skipped;
  // The partners marked, read with no writer between: none while one is no longer the one marked.
  std::vector<std::pair<std::int32_t, std::string>> marked;
  reg.CarryMarked([&] {
    for (std::int32_t n = 1; n <= reg.Count; ++n) {
      if (!reg.IsMarked(n)) continue;
      reg.RecordRead(n);
      if (reg.lastIoOk()) marked.emplace_back(n, reg.RecordBuffer);
    }
    return true;
  });
  for (const auto& [n, record] : marked) {
    reg.RecordBuffer = record;
    const std::vector<std::string> texts = browser::RecordToTexts(reg.FieldSpan(), reg.RecordBuffer);
    if (!MoneyOrderAmountFits(common::TextToFloat(texts[of::Note1 - 1]))) {
      skipped += "\r\n" + common::FormatNumberMask("#####", n) + "  " + common::StripRightSp(texts[of::Name - 1]) +
                 "  " + common::StripRightSp(texts[of::Note1 - 1]);
      continue;
    }
    // The mark goes only with a printed order; a printer that failed ends the run.
    if (!PrintMoneyOrder(w, reg, "ORG")) break;
    reg.UnmarkRecord(n);
    if (reg.MarkedCount > 0) --reg.MarkedCount;
  }
  reg.ActiveOrder = order;
  if (!skipped.empty())
    common::MessageOk(Cz("Částka v Pozn.1 se na poukázku nevejde (0 až 99 999 999,99), partneři zůstali označeni:") +
                      skipped);
  reg.RepaintPage();
}

void InstallMoneyOrderTool() { OrgHooks().tools["TiskPoukazek1"] = TiskPoukazek1Click; }

}  // namespace partners
