// Small windows the driver can open on its own, to show and test the layer: a list
// of records in a grid with an edit dialog, a yes/no question, a popup menu and a
// clock line.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace uidriver {

class DemoEdit : public ui::Form {
 public:
  DemoEdit();
  // Shows the dialog over a record; true when confirmed with F2.
  bool Run(std::string& code, std::string& name);

 private:
  ui::Edit& eKod_;
  ui::Edit& eNazev_;
  ui::Button& bOk_;
};

class DemoList : public ui::Form {
 public:
  DemoList();
  void Open();

 private:
  void Repaint();
  void KeyDown(int& key, ui::Shift shift);
  std::vector<std::pair<std::string, std::string>> rows_;
  ui::Grid& sgRol_;
  ui::Label& lKolik_;
  ui::Label& lCas_;
  ui::Timer& timer_;
  ui::PopupMenu& menu_;
  int seconds_ = 0;
  DemoEdit edit_;
};

}  // namespace uidriver
