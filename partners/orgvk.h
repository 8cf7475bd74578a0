// TfORGVK: the selection criteria for the partner print. Up to 40 rows of masks
// (DIČ, PSČ, sales code, a text looked for in the name and address lines) in the
// user's "orgvk" + user + ".dta"; closing the window copies every partner of
// "org.dta" that fits them into "orgv" + user + ".wrk".
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "browser/soub.h"

namespace partners {

inline constexpr int kCriteriaRows = 40;
inline constexpr int kCriteriaLength = 65;

// The masks in force, each column compacted, its empty values left out.
struct OrgCriteria {
  std::vector<std::string> dic, psc, code, name;
};
// A star mask fits a text equal to it, or one with the mask's character or "*" at
// every position.
bool StarMaskFits(std::string_view mask, std::string_view text);
// Whether a partner record (plain, as the window shows it) fits every criterion.
bool PartnerFits(const OrgCriteria& criteria, std::string_view record);
// The empty criteria row.
std::string EmptyCriteriaRow();

class TfORGVK : public browser::TfSoub {
 public:
  TfORGVK();

  std::string SetupText;       // the text the caller gave to the setup
  bool SelectionRun = false;   // the last close ran a selection (not refused over a waiting copy)
  std::int32_t Selected = 0;   // partners it copied

  // The criteria file and the work file of the current user.
  static std::string CriteriaName();
  static std::string WorkName();

  // Compacts the rows, writes the job entry and copies the fitting partners.
  void RunSelection();

  void CloseBrowse() override;
  void KeyF7(std::int32_t current) override;
  void DeleteRecord(std::int32_t current) override;
  void ShowHelp(int topic) override;
  void EditFormBuilt() override;

 private:
  // The masks in force, written back compacted; false (said) when refused or cut short.
  bool CompactRows(OrgCriteria& criteria);
};

void SetupORGVK(TfORGVK& w, const std::string& text);
TfORGVK& fORGVK();
void DestroyOrgVkWindow();

}  // namespace partners
