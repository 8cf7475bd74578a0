// The instructions window: the ".nav" text of a window, editable after F2.
#pragma once
#include <string>

#include "ui/ui.h"

namespace browser {

class TfHint : public ui::Form {
 public:
  TfHint();

  ui::Memo& Memo1;
  std::string HintFolder;
  std::string HintName;
  bool HintLoaded = false;  // a file was read
  std::string HintTail;     // the file's end-of-file byte and what follows it: written back as it was
  bool Editable = false;    // F2 made the text editable (for the rest of the run)

  // The file shown: HintFolder + HintName + ".nav".
  std::string FileName() const { return HintFolder + HintName + ".nav"; }
  void Load(const std::string& folder, const std::string& name);

  void FormKeyDown(int& key, ui::Shift shift);
  void FormClose();
};

TfHint& fHint();

// Shows the instructions file of a window modally. The name loses its blanks and
// accents, and " . : \ / ? * become "_"; "?" and "*" of the folder become "_".
void HintLoad(const std::string& folder, const std::string& name);
// The instructions named name in "\NAVODY\" of the program folder.
void ShowInstructions(const std::string& name);

}  // namespace browser
