// The income-statement outlines 21, 22, 24 and 25 ("CI21.DTA" .. "CI25.DTA"): one row
// per record with where its amount is added and its account; every write stamps the
// change date. List 22 copies its rows into list 24 ("CI22 -> CI24"); lists 24 and 25
// load theirs from the combined code-list file.
#pragma once
#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& Cis21Spec();
const CodeListSpec& Cis22Spec();
const CodeListSpec& Cis24Spec();
const CodeListSpec& Cis25Spec();

class TfCis21 : public CodeListWindow {
 public:
  TfCis21() : CodeListWindow("fCis21", Cis21Spec()) {}
};

class TfCis22 : public CodeListWindow {
 public:
  TfCis22() : CodeListWindow("fCis22", Cis22Spec()) {}
  // "CI22 -> CI24": every row appended to list 24 (its own window, not shown), the
  // statement row left out; then list 24's close.
  void k1Click();

 protected:
  void MenuCommand(int id) override;
};

class TfCis24 : public CodeListWindow {
 public:
  TfCis24() : CodeListWindow("fCis24", Cis24Spec()) {}

 protected:
  void MenuCommand(int id) override;
};

class TfCis25 : public CodeListWindow {
 public:
  TfCis25() : CodeListWindow("fCis25", Cis25Spec()) {}

 protected:
  void MenuCommand(int id) override;
};

void SetupCis21(TfCis21& w);
void SetupCis22(TfCis22& w);
void SetupCis24(TfCis24& w);
void SetupCis25(TfCis25& w);
inline bool SortCis21(TfCis21& w) { return w.SortFile(); }
inline bool SortCis22(TfCis22& w) { return w.SortFile(); }
inline bool SortCis24(TfCis24& w) { return w.SortFile(); }
inline bool SortCis25(TfCis25& w) { return w.SortFile(); }

TfCis21& fCis21();
TfCis22& fCis22();
TfCis24& fCis24();
TfCis25& fCis25();

}  // namespace codelists
