// TfJHXML: the tools of the monthly employer report in one window: the term list,
// the report rows, the rows extended with the employee identifiers, the builds of
// the report and of the registration, and the two fill switches.
#pragma once
#include <string>

#include "ui/ui.h"

namespace payroll {

class TfJHXML : public ui::Form {
 public:
  TfJHXML();

  ui::Label& Label1;  // the builds' progress, red and bold
  ui::Edit& Edit1;
  ui::Button& bJHCIS;     // "JHCIS"
  ui::Button& bJHvyk;     // "JHvyk"
  ui::Button& bJHvyk2;    // "JHvyk -> JHvyk2"
  ui::Button& Button1;    // "JHvyk2"
  ui::Button& bJHvykXml;  // "JHvyk2 -> Xml"
  ui::Button& bVykazXML;  // "Vykaz do XML"
  ui::Button& bPrVzor;    // "Vzor Prihl (MZ8)"
  ui::Button& bPrihl;     // "Prihl rozni"
  ui::Button& bPrihlXML;  // "Prih do XML"
  ui::Button& bZebriky;   // "Zebriky NE"
  ui::Button& bPoznamky;  // "Poznamky NE"
  ui::Button& Button2;    // "MasterMatrice"

  void bJHCISClick();
  void bJHvykClick();
  void bJHvyk2Click();
  void Button1Click();
  void bJHvykXmlClick();
  void bVykazXMLClick();
  void bPrVzorClick();
  void bPrihlClick();
  void bPrihlXMLClick();
  void bZebrikyClick();
  void bPoznamkyClick();
  void Button2Click();
  void FormKeyDown(int& key, ui::Shift shift);

  // Puts the placeholders back into a filled element template (the main window's
  // "Nuluj Matrici"); needs no shown window.
  void ClearMatrixValues(const std::string& file);

 private:
  void ShowStatus(const std::string& text);
};

TfJHXML& fJHXML();

}  // namespace payroll
