// The old code-list update panel: the simple update (split, the piece windows,
// assembly) and the editing of the combined file under the lock "CIXXX", the two
// listings of the combined file and the report list.
#pragma once
#include <functional>
#include <string>

#include "ui/ui.h"

namespace combined {

// The lock under which the pieces of the combined file are made, edited and put back.
inline constexpr char kCodeListUpdateLock[] = "CIXXX";

// What the panel needs of other layers, put in place by them; an empty entry tells
// the user the function is not there.
struct OldPanelServices {
  // Rows 9, 10 and 12 of the simple update: code list 26, 27 or 29 in its own
  // window, sorted when it closes.
  std::function<void(int list)> openOwnList;
  // Button5: the list of produced reports, its chosen entries printed.
  std::function<void()> reportList;
  // The main window's mark that an account was added; returns it and clears it.
  std::function<bool()> takeAccountAddedMark;
};
OldPanelServices& OldPanelHooks();

class TForm2 : public ui::Form {
 public:
  TForm2();
  ui::Button& Button1;  // "Jednoduchá aktualizace číselníků"
  ui::Button& Button2;  // "Opis číselníků dvojtý"
  ui::Button& Button3;  // "Opis číselníků"
  ui::Button& Button4;  // "Aktualizace číselníků"
  ui::Button& Button5;  // "Tisky"

  void Button1Click();
  void Button4Click();
  void Button5Click();
  void OldCodeListListing();        // Button3: one column, width 110
  void OldCodeListListingDouble();  // Button2: two columns, width 132
};

TForm2& fForm2();

}  // namespace combined
