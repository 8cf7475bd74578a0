#include "codelists/small.h"

#include "browser/dialogs.h"
#include "codelists/ci01load.h"
#include "codelists/lists.h"

namespace codelists {

namespace {

enum Command { kLoad = 1 };

constexpr std::string_view k30 = "                              ";

CodeListSpec SmallList(int no, std::string_view cls, std::string_view caption, std::string_view file, int length,
                       std::span<const FieldSpec> fields, int deletedWidth, std::string_view notice, std::string_view tag,
                       std::string_view title) {
  CodeListSpec s = KeyedListSpec(no, cls, caption, file, length, fields, deletedWidth, notice,
                                 Look({50, 1, 90, 8}, {1, 1, 80, 20}, tag, " F1-Help  F10=Opis  F4-Nová "));
  s.listing.title = title;
  s.menu = {{"c1", "Opis", MenuAction::Print}};
  return s;
}

}  // namespace

const CodeListSpec& Cis62Spec() {
  static const std::vector<FieldSpec> fields = {
      {"Kat.    ", "P", "00", 1, 2}, {"Název   ", " ", k30, 2, 2}, {"Datum změny ", " ", "      ", 3, 2}};
  static const CodeListSpec spec = SmallList(62, "TfCis62", "Kategorie prac.", "CI62.DTA", 41, fields, 2, "Třídím číselnik",
                                             " CI62 ", "Kategorie pracovníků (62)");
  return spec;
}

const CodeListSpec& Cis63Spec() {
  static const std::vector<FieldSpec> fields = {{"Měsíc ", "P", "00", 1, 2},
                                                {"Název ", " ", "            ", 2, 2},
                                                {"Dny   ", "Y", "  ", 3, 2},
                                                {"Datum změny ", " ", "      ", 4, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s =
        SmallList(63, "TfCis63", "Kalendář", "CI63.DTA", 26, fields, 2, "Třídím číselnik", " CI63 ", "Měsíce v roce (63)");
    s.menu.push_back({"j1", "Překóduj", MenuAction::Recode});
    s.recodeFields = {2};
    return s;
  }();
  return spec;
}

const CodeListSpec& Cis35Spec() {
  static const std::vector<FieldSpec> fields = {{"Činnost     ", " ", "000", 1, 2},
                                                {"Název       ", " ", k30, 2, 2},
                                                {"Jen nadpis  ", " ", " ", 3, 2},
                                                {"Datum změny ", " ", "      ", 4, 2}};
  static const CodeListSpec spec = [] {
    // A deleted activity keeps a key of two blanks although the key is three wide.
    CodeListSpec s = SmallList(35, "TfCis35", "Činnosti", "CI35.DTA", 44, fields, 2, "Třídím osnovu činností", " CI35 ",
                               "Činnosti (35)");
    s.menu.push_back({"i1", "Načti z číselníků", MenuAction::Custom, kLoad});
    return s;
  }();
  return spec;
}

const CodeListSpec& Cis51Spec() {
  static const std::vector<FieldSpec> fields = {{"Částka      ", " ", "      ", 1, 2},
                                                {"Odvod       ", "#####I", "     ", 2, 2},
                                                {"Datum změny ", " ", "      ", 3, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s =
        SmallList(51, "TfCis51", "Odborové známky", "CI51.DTA", 18, fields, 6, "Třídím", " CI51 ", "Odborové známky (51)");
    s.menu.push_back({"i1", "Načti z číselníků", MenuAction::Custom, kLoad});
    return s;
  }();
  return spec;
}

void TfCis35::MenuCommand(int id) {
  if (id == kLoad) LoadCis35FromCI01(*this);
  RepaintPage();
}

void TfCis51::MenuCommand(int id) {
  if (id == kLoad) LoadCis51FromCI01(*this);
  RepaintPage();
}

void SetupCis62(TfCis62& w) { w.Setup(); }
void SetupCis63(TfCis63& w) { w.Setup(); }
void SetupCis35(TfCis35& w) { w.Setup(); }
void SetupCis51(TfCis51& w) { w.Setup(); }

TfCis62& fCis62() { return browser::SingleWindow<TfCis62>(); }
TfCis63& fCis63() { return browser::SingleWindow<TfCis63>(); }
TfCis35& fCis35() { return browser::SingleWindow<TfCis35>(); }
TfCis51& fCis51() { return browser::SingleWindow<TfCis51>(); }

}  // namespace codelists
