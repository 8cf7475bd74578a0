// Print with the stamp: every report line becomes a label on the page window
// TfStranka, a line with the stamp or QR mark gets the picture "podpis.bmp" or
// "QRT.bmp" in its place, and each page (at most 70 lines) is printed as an image.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "reports/printing.h"
#include "ui/form.h"

namespace reports {

inline constexpr int kStampPageLabels = 70;

class TfStranka : public ui::Form {
 public:
  TfStranka();

  ui::Label& Label1;    // template of the line labels, hidden
  ui::Image& iRazitko;  // the stamp, sized to its picture
  ui::Image& IQRT;      // the QR code, 105 x 105

  void StampPageStart();
  void StampPageAddLine(std::string line);
  // Prints the page when it has lines; false once the printer has failed (the rest
  // of the print is then dropped).
  bool StampPageFlush();

  // The composition state.
  std::int32_t LabelCount() const { return static_cast<std::int32_t>(labels_.size()); }
  const std::vector<ui::Label*>& Labels() const { return labels_; }
  std::int32_t LineStep = 16;
  std::int32_t Y = 0;
  std::string Density = "norm";

 private:
  // The picture of a mark in place of its text; false when the file is missing or tiny.
  bool PlaceImage(std::string& line, const std::string& mark, const char* file, ui::Image& image);
  std::vector<ui::Label*> labels_;
  bool stopped_ = false;
};

// Made on first use, kept to the program's end.
TfStranka& fStranka();

// The lines to print (plain, trailing blanks removed) as page images.
void PozriPrintWithStamp(PrintSource& source);

}  // namespace reports
