// The livestock lists: the animal movements (13, "CI13.DTA", keyed by kind and line,
// with the accounts each movement is booked to), the animal categories (18) and the
// technology groups (65, converted from its older layout at every set-up). Each is
// opened and closed with each showing and loads its entries from the combined file.
#pragma once
#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& Cis13Spec();
const CodeListSpec& Cis18Spec();
const CodeListSpec& Cis65Spec();

class TfCis13 : public CodeListWindow {
 public:
  TfCis13() : CodeListWindow("fCis13", Cis13Spec()) {}

  // "Změna 611 -> 581": the accounts U1 to U5 of every record moved to the new
  // numbering (RewriteAccountPrefix); every record is written.
  void Cis13MovePrefixes();

 protected:
  void MenuCommand(int id) override;
};

class TfCis18 : public CodeListWindow {
 public:
  TfCis18() : CodeListWindow("fCis18", Cis18Spec()) {}

 protected:
  void MenuCommand(int id) override;
};

class TfCis65 : public CodeListWindow {
 public:
  TfCis65() : CodeListWindow("fCis65", Cis65Spec()) {}

 protected:
  void BeforeOpen() override;
  void MenuCommand(int id) override;
};

void SetupCis13(TfCis13& w);
void SetupCis18(TfCis18& w);
void SetupCis65(TfCis65& w);
// The sort of list 13 from its menu ("Třiď"): refused while another user holds the file.
bool SortCis13(TfCis13& w);
inline bool SortCis18(TfCis18& w) { return w.SortFile(); }
inline bool SortCis65(TfCis65& w) { return w.SortFile(); }

TfCis13& fCis13();
TfCis18& fCis18();
TfCis65& fCis65();

}  // namespace codelists
