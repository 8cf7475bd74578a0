// TfStitky ("Návrh štítku"): address labels on sheets of self-adhesive labels. The
// user lays out one label (a panel with six address fields, each with its place and
// font), the sheet (labels across and down, offsets) and the unit; the design lives
// in "SAMOLE.PKY". Addresses are collected from the partner register's marks into
// the list "samol.dta" of the current folder (tfSam) and printed sheet by sheet,
// or one label is printed many times.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "partners/org.h"
#include "ui/ui.h"

namespace partners {

// The address list: the partner window over "=samol.dta", nothing of its own.
class tfSam : public TfOrg {
 public:
  tfSam() : TfOrg("fSam") {}
};
tfSam& fSam();

class TfStitky : public ui::Form {
 public:
  TfStitky();

  ui::Panel& Panel1;                 // the label
  std::array<ui::Edit*, 6> adr{};    // adr1..adr6 inside Panel1
  std::array<ui::CheckBox*, 6> CheckBox{};
  ui::Edit& Ex;
  ui::Edit& ey;
  ui::Edit& odsadX;
  ui::Edit& odsadY;
  ui::SpinEdit& SpinEdit1;  // labels side by side
  ui::SpinEdit& SpinEdit2;  // labels one above another
  ui::Button& Button2;      // the unit
  ui::Panel& Panel3;        // help
  ui::Button& bHelpOK;

  int LabelUnitInches = 0;   // 0 millimetres (4 px each), 1 hundredths of an inch (1 px)
  int LabelDragMode = 0;     // 0 none, 1 the panel is resized, 11..16 adr1..adr6 moves
  std::int32_t SheetOffsetX = 0, SheetOffsetY = 0;

  // The menu's actions.
  void Pidnoznaenchadresdoseznamu1Click();
  void Zruenseznamu1Click();
  void Kontrolaseznamuprotisk1Click();
  void Tiskzeseznamu1Click();
  void Nsobntisksamolepky1Click();
  void Help1Click();

  void FormCreate();  // the design from "SAMOLE.PKY"
  void FormClose();   // the design into "SAMOLE.PKY"
  void ExExit();
  void eyExit();
  void Button2Click();

  void LoadFieldLayout(int k);
  void SaveFieldLayout(int k);
  // The six fields from record n of the list (not read again past its end).
  void FillLabelFromList(std::int32_t n);
  void PrintLabelField(ui::PrinterCanvas& canvas, int k, int cellX, int cellY);
  void MoveFieldInPanel(int k, int x, int y);
  void ChooseFieldFont(int k);
  // Drops the marked records of the list (after it was shown), the rest moved up.
  void RemoveMarkedFromList();

 private:
  void ShowUnit();
  void ShowSize();
  void SetSheetOffsets();
  int Pixels(double value) const;
  // Sheets, one printer document each, while more() holds; cell(c, r) fills a cell
  // and says whether it is printed. False when the printer could not be opened.
  bool PrintSheets(const std::function<bool()>& more, const std::function<bool()>& cell);
  bool PointerNearPanelEdge(int x, int y) const;
};
TfStitky& fStitky();
void DestroyLabelWindows();

// The main window's "Tisk adres na obálky a samolepky".
void ShowLabels();

}  // namespace partners
