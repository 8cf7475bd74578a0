// TfOrvekOrg ("Orvek - Import Org"): brings the partners a satellite workstation
// numbered from 10000 up into the main computer's partner file, under the same
// numbers. The two folders are remembered in "par\org.par".
#pragma once
#include <string>

#include "ui/ui.h"

namespace partners {

inline constexpr std::int32_t kSatelliteFirst = 10000;
inline constexpr char kOrgPar[] = "par\\org.par";

class TfOrvekOrg : public ui::Form {
 public:
  TfOrvekOrg();

  ui::Label& Label1;   // "Složka Hlavní počítač"
  ui::Edit& eSlHp;
  ui::Label& Label2;   // "Složka Satelit"
  ui::Edit& eSlSat;
  ui::Button& Button1;  // "Přenos 10000-14999 ze Satelitu"

  void FormActivate();
  void FormKeyDown(int& key);
  void eSlHpClick();
  void eSlSatClick();
  void Button1Click();
};

// A folder text with its trailing separator.
std::string WithSeparator(const std::string& folder);
// The transfer from the satellite's folder into the main computer's.
void TransferFromSatellite(const std::string& mainFolder, const std::string& satelliteFolder);

TfOrvekOrg& fOrvekOrg();
void DestroyOrvekOrgWindow();

}  // namespace partners
