// The fixed-asset movement kinds (list 14, "CI14.DTA"): five name texts per kind, the
// change date and a lock mark. Kinds 3xx cannot be entered, a record marked "B"
// cannot be edited (F8 still deletes it), F1 opens the help topic of the kinds.
#pragma once
#include <string>

#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& Cis14Spec();

class TfCis14 : public CodeListWindow {
 public:
  TfCis14() : CodeListWindow("fCis14", Cis14Spec()) {}

  void EditRecord() override;
  void ShowHelp(int topic) override;
  // Field 1 refuses a kind beginning with "3" when it is left (Down, Tab, Up, F2, a
  // click), on Enter and again when the edit is confirmed.
  void FieldCheck(int field, std::string& text) override;
  void FieldExit(int field, std::string& text) override;
  void EditAccept() override;

 private:
  // The 3xx rule on the text of field 1: false (message, text emptied, field marked
  // wrong) when refused; a kept text clears the mark.
  bool CheckKind(std::string& text);
};

void SetupCis14(TfCis14& w);
inline bool SortCis14(TfCis14& w) { return w.SortFile(); }

TfCis14& fCis14();

}  // namespace codelists
