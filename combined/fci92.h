// The progress window of the split of the combined code-list file into its pieces
// and of their assembly back into it, with the two operations.
#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "combined/pieces.h"
#include "ui/ui.h"

namespace combined {

class TFCI92 : public ui::Form {
 public:
  TFCI92();
  ui::ProgressBar& ProgressBar1;
  ui::Label& Label1;  // "CI " + the list
  ui::Label& Label2;

  // CI01.DTA of the data folder into "ci.10" .. "ci.63" and "ci.99". False after a
  // failure, which has been reported; the lock is released and the window hidden on
  // every path.
  bool SplitCodeLists();
  // The pieces back into CI01.DTA, sorted: the new file goes in whole, after its sort.
  // False after a failure, which has been reported; CI01.DTA is then as it was.
  bool AssembleCodeLists();

 private:
  void ShowList(int list);
};

TFCI92& fCI92();

// An assembly that did not end may leave "CI05" = "A" in the data folder's job file. The
// next opening of CI01.DTA clears it when no one holds the file for writing, and sorts
// a file left out of order first (said).
void ClearCutOffAssemblyMark();

// The split without files: records of CI01.DTA in, piece records and "ci.99"
// records out. An entry whose piece record would not give its lines back exactly,
// or whose key had a run before, goes to "ci.99" whole.
class Splitter {
 public:
  std::function<void(int list)> startList;  // a list's first record is coming
  std::function<void(int list, const std::string& record)> write;  // list 99: "ci.99"

  void Add(const std::string& record);
  void Finish();

 private:
  void FinishEntry();
  void StartList(int list);
  bool started_ = false;
  std::string ts_, klic_;
  int list_ = 0;
  const PieceSpec* spec_ = nullptr;
  std::map<int, std::string> pieces_;  // the piece record per list
  std::vector<Ci01Record> lines_;      // the current entry's lines held by the piece
  std::vector<std::string> bytes_;
  std::set<std::string> keysSeen_;
};

}  // namespace combined
