// What the report viewer takes from windows of other layers. Empty entries use the
// browser's file chooser (TfInOut) and line editor (TfEdituj), and no translation
// until the dictionary's window sets the last two; tests put their own in place.
#pragma once
#include <functional>
#include <string>

namespace reports {

struct ViewerServices {
  // The file chooser: title, file mask ("*.txt"), the proposed and then chosen name;
  // true when a file was chosen.
  std::function<bool(const std::string& title, const std::string& mask, std::string& name)> chooseFile;
  // The one-line editor over the text, `width` characters wide: edits text in place
  // and returns the key that ended it (Enter, Up and Down accept).
  std::function<int(std::string& text, int width)> editLine;
  // The dictionary "slov<n>.dta": shown modally (and closed) before a translation.
  std::function<void(const std::string& dictionaryFile)> openDictionary;
  // One line through the dictionary.
  std::function<std::string(const std::string& text)> translate;
};
ViewerServices& ViewerHooks();

}  // namespace reports
