// The yes/no question that remembers its last answer as the next default.
#pragma once
#include <cstdint>
#include <string>

#include "ui/ui.h"

namespace browser {

class TfDotaz : public ui::Form {
 public:
  TfDotaz();

  ui::Button& Button1;  // "Ano"
  ui::Button& Button2;  // "Ne"
  bool AnswerYes = false;
  std::int32_t KeptLeft = 0, KeptTop = 0;

  // "par\dotaz.par" key of the default: the first 15 characters of the question + " ANO".
  std::string DefaultKey() const;

  void FormShow();
  void FormKeyDown(int& key, ui::Shift shift);
  void Button1Click();
  void Button2Click();
  void FormClose();
  // The focused button bold and larger, the other plain.
  void zmenTvar();
};

TfDotaz& fDotaz();

}  // namespace browser
