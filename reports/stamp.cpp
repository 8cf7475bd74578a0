#include "reports/stamp.h"

#include "browser/dialogs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/text.h"
#include "common/winpath.h"
#include "reports/formimage.h"

namespace reports {

using common::Cz;

namespace {
const std::string kStampMark = Cz("..... razítko .....");
const std::string kQrMark = "..... QRT .....";
}  // namespace

TfStranka::TfStranka()
    : ui::Form("fStranka"),
      Label1(Add<ui::Label>("Label1")),
      iRazitko(Add<ui::Image>("iRazitko")),
      IQRT(Add<ui::Image>("IQRT")) {
  SetCaption(Cz("Stránka"));
  SetBounds(0, 0, 773, 640);
  ui::Font font{"Courier New", 10};
  font.color = ui::colors::Black;
  Label1.SetFont(font);
  Label1.SetBounds(20, 0, 600, 13);
  Label1.Hide();
  iRazitko.SetAutoSize(true);
  iRazitko.Hide();
  IQRT.SetBounds(0, 0, 105, 105);
  IQRT.SetStretch(true);
  IQRT.Hide();
}

void TfStranka::StampPageStart() {
  for (ui::Label* l : labels_) Remove(*l);
  labels_.clear();
  stopped_ = false;
  Density = common::TextToInt(common::ReadParam(kRegistryFile, "Hustota")) == 3 ? "cond" : "norm";
  LineStep = 16;
  Y = 0;
}

bool TfStranka::PlaceImage(std::string& line, const std::string& mark, const char* file, ui::Image& image) {
  const int p = common::Pos(mark, line);
  if (p == 0 || common::CheckFile(file) <= 2) return false;
  try {
    image.LoadFromFile(common::RealPath(file));
  } catch (const std::exception&) {
    return false;  // an unreadable picture leaves the line as text
  }
  image.Show();
  Y += LineStep;
  image.SetBounds(8 * p, Y, image.width(), image.height());
  common::Delete(line, p, 100);
  Y += image.height();
  return true;
}

void TfStranka::StampPageAddLine(std::string line) {
  if (stopped_) return;
  if (!line.empty() && line.front() == kFormFeed) {
    StampPageFlush();
    return;
  }
  if (!line.empty() && line.front() == kCondensed) {
    Density = "cond";
    line.erase(0, 1);
  } else if (!line.empty() && line.front() == kNormal) {
    Density = "norm";
    line.erase(0, 1);
  }
  PlaceImage(line, kStampMark, "podpis.bmp", iRazitko);
  PlaceImage(line, kQrMark, "QRT.bmp", IQRT);
  if (LabelCount() >= kStampPageLabels && !StampPageFlush()) return;
  ui::Label& l = Add<ui::Label>("l" + common::FormatNumberMask("@@@@", LabelCount() + 1));
  ui::Font font = Label1.font();
  font.size = Density == "cond" ? 7 : 10;
  LineStep = Density == "cond" ? 9 : 12;
  Label1.SetFont(font);
  l.SetFont(font);
  l.SetText(line);
  Y += LineStep;
  l.SetBounds(20, Y, static_cast<int>(line.size()) * (font.size * 96 / 72 * 6 / 10 + 1), Label1.height());
  labels_.push_back(&l);
}

bool TfStranka::StampPageFlush() {
  if (labels_.empty()) return !stopped_;
  stopped_ = !PrintFormImage(*this, 1, 1, 1.0, 1.0);
  for (ui::Label* l : labels_) Remove(*l);
  labels_.clear();
  Y = 0;
  iRazitko.Hide();
  IQRT.Hide();  // the QR belongs to its page, like the stamp
  return !stopped_;
}

TfStranka& fStranka() { return browser::SingleWindow<TfStranka>(); }

void PozriPrintWithStamp(PrintSource& source) {
  TfStranka& page = fStranka();
  page.StampPageStart();
  for (std::int32_t n : LinesToPrint(source)) page.StampPageAddLine(common::StripRightSp(source.PlainLine(n)));
  page.StampPageFlush();
}

}  // namespace reports
