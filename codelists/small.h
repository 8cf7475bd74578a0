// The small code lists: employee categories (62), the months (63), the activities with
// their headings (35) and the trade-union stamps (51). Every write stamps the change
// date; lists 35 and 51 load their entries from the combined code-list file.
#pragma once
#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& Cis62Spec();
const CodeListSpec& Cis63Spec();
const CodeListSpec& Cis35Spec();
const CodeListSpec& Cis51Spec();

class TfCis62 : public CodeListWindow {
 public:
  TfCis62() : CodeListWindow("fCis62", Cis62Spec()) {}
};

class TfCis63 : public CodeListWindow {
 public:
  TfCis63() : CodeListWindow("fCis63", Cis63Spec()) {}
};

class TfCis35 : public CodeListWindow {
 public:
  TfCis35() : CodeListWindow("fCis35", Cis35Spec()) {}

 protected:
  void MenuCommand(int id) override;
};

class TfCis51 : public CodeListWindow {
 public:
  TfCis51() : CodeListWindow("fCis51", Cis51Spec()) {}

 protected:
  void MenuCommand(int id) override;
};

void SetupCis62(TfCis62& w);
void SetupCis63(TfCis63& w);
void SetupCis35(TfCis35& w);
void SetupCis51(TfCis51& w);
inline bool SortCis62(TfCis62& w) { return w.SortFile(); }
inline bool SortCis63(TfCis63& w) { return w.SortFile(); }
inline bool SortCis35(TfCis35& w) { return w.SortFile(); }
inline bool SortCis51(TfCis51& w) { return w.SortFile(); }

TfCis62& fCis62();
TfCis63& fCis63();
TfCis35& fCis35();
TfCis51& fCis51();

}  // namespace codelists
