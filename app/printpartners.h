// The main window's partner list print: which partners (marked, by the selection
// criteria, all), which columns and by which field, written as the report "OR02" +
// user with its ";" copy and shown by the report viewer.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ui.h"

namespace app {

inline constexpr int kPartnerCaptions = 50;
inline constexpr int kPartnerChoices = 40;

// Up to 50 captions of the layout description: per line the text between its first
// two double quotes, without blanks; empty ones are left out. False when the file
// cannot be read (the failure shown).
bool ReadPartnerCaptions(const std::string& file, std::vector<std::string>& captions);
// Whether partner record a goes before b in the order of field (2..30).
bool PartnerBefore(int field, std::string_view a, std::string_view b);

// What the print keeps between runs.
struct PartnerPrintState {
  std::array<bool, kPartnerCaptions + 1> columns{};  // [1..50]
  std::string header;                                // the column header line
  int sortField = -1;
  std::string sortCaption;
  int page = 0, line = 0, printed = 0;
  bool reportWritten = false;                        // the last run wrote a report
};
PartnerPrintState& PartnerPrint();

// The print; the label and bar show while the report is written.
void PrintPartners(ui::Label& label, ui::ProgressBar& bar);

}  // namespace app
