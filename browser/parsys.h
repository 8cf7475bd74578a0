// The system parameters window: the firm's currency, VAT rates, page and printer
// settings and the accounting period, kept in the job file, "UCPARAM.DTA" (with
// "Kontr56" in the data folder's copy), "par\okna2.par" and "sys.par".
#pragma once
#include <functional>
#include <string>

#include "browser/okno.h"

namespace browser {

inline constexpr int kParSysFields = 24;

class TfParSys : public TfOkno {
 public:
  TfParSys();

  // 24 counted texts in field order.
  std::string Record;
  // A character was typed into field 24 (the printer name is written back only then).
  bool PrinterTyped = false;

  void OknoFinish() override;
  void FieldEnter(int n, std::string& text) override;
  void OknoFieldChanged(int n, std::string& text) override;
  void OknoFieldHelp(int n) override;

  // Value i (1..24) of the record.
  std::string Value(int i) const;
};

TfParSys& fParSys();

// Loads the values, defines the 24 fields and builds the window.
void SetupParSys(TfParSys& w);

// The one way in (F11 item 1 of the lists, the report viewer's "Parametry systému"):
// set-up, modal show, OknoFinish; file failures are shown, not raised.
void OpenSystemParameters();

// The print fonts window of field 13, put in place by the report layer; without it
// Enter on field 13 shows nothing.
std::function<void()>& PrintFontsHook();

}  // namespace browser
