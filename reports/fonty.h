// TfFontyTisky: height, width and face of the print font of each density, kept in
// "norm.fnt", "12zn.fnt" and "cond.fnt" of the start folder.
#pragma once
#include <string>
#include <string_view>

#include "ui/form.h"

namespace reports {

// A height or width as typed: blanks removed; empty unless a whole number 9..99.
std::string FontSizeText(std::string_view text);

class TfFontyTisky : public ui::Form {
 public:
  TfFontyTisky();

  ui::Label& Label1;
  ui::ComboBox& ComboBox1;  // the density
  ui::Label& Label2;
  ui::Edit& Edit3;  // FaceName
  ui::Label& Label3;
  ui::Edit& Edit1;  // Height
  ui::Label& Label4;
  ui::Edit& Edit2;  // Width

  std::string ShownDensity;  // the list text last loaded into the fields

  // Shown modally from the system parameters.
  void Open();

  void FormActivate();
  void ComboBox1Change();
  void SaveFontFields();

 private:
  void LoadFields(int index);
  void ChooseFace();
};

TfFontyTisky& fFontyTisky();

}  // namespace reports
