// The viewer's special forms: the marked lines of a payment list into the work file
// "KB00.wrk", a report split into one file per page, and the cash receipt laid out
// on the receipt window and printed from its report.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "reports/printing.h"
#include "ui/form.h"

namespace reports {

// A report held as its lines (for callers that have no viewer open).
class LinesSource : public PrintSource {
 public:
  explicit LinesSource(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  // The lines of a report file (CR LF ends); file errors raise IoError.
  static LinesSource FromFile(const std::string& fileName);
  std::int32_t LineCount() override { return static_cast<std::int32_t>(lines_.size()); }
  std::string PlainLine(std::int32_t n) override { return lines_[static_cast<std::size_t>(n - 1)]; }
  bool IsMarked(std::int32_t) override { return false; }
  void Unmark(std::int32_t) override {}
  std::int32_t MarkedCount() override { return 0; }
  void ClearMarks() override {}
  std::int32_t CurrentLine() override { return 1; }
  std::int32_t BlockBegin() override { return 0; }
  std::int32_t BlockEnd() override { return 0; }

 private:
  std::vector<std::string> lines_;
};

// "Vyrob znova PP": the marked lines as "|"-separated lines of kind 1 (character 2 is
// "2") or kind 2 (character 42 is ".") into "KB00.wrk" of the data folder, made anew.
std::string KB00Line(const std::string& line);  // empty for a line of neither kind
void VyrobZnovaPP(PrintSource& source);

// "RozdelUpom": each page (a form feed starts the next) into "XXX" + "@@@" + ".txt"
// of the start folder. Stops with a message rather than go past "XXX999.txt".
void RozdelUpom(PrintSource& source);

class TfPoklBlok : public ui::Form {
 public:
  TfPoklBlok();

  ui::Image& Image1;  // the receipt blank
  ui::Button& bTisk;
  ui::Label& lBlok;
  ui::Label& lDodavatel;
  ui::Label &lAd1, &lAd1a, &lAd2, &lAd3, &lAdICO, &lAdDic;
  ui::Label& lOdberatel;
  ui::Label &lA1, &lA1a, &lA2, &lA3, &lAICO, &lADic;
  ui::Image& imLogo;
  ui::Label &r1, &r2, &r3, &r4, &r5, &r6;
  ui::Grid& sg;
  ui::Label& lSlovy;
  ui::Label& lCelkem;
  ui::Image& imRazitko;
  ui::Label &Label5, &lPrijal;
  ui::Label &Label7, &lVydal;
  ui::Label& lDatum;

  // Fills the window from the report, line `from` to the last; the number of copies
  // named by the title line (0 when none).
  int Fill(PrintSource& source, std::int32_t from);
  // Prints the shown receipt `copies` times without its blank and border, the number
  // at the end of the title one higher after each print.
  void PrintCopies(int copies);

 private:
  void FillRow(int row, const std::string& line);
  std::vector<ui::Label*> items_;
};

TfPoklBlok& fPoklBlok();

// "Grafický pokl. doklad": the receipt from the current line on; shown when it names
// no copies, else printed.
void GrafickyPoklDoklad(PrintSource& source);

}  // namespace reports
