#include "codelists/assets.h"

#include "browser/dialogs.h"
#include "codelists/lists.h"
#include "common/encoding.h"
#include "common/notifier.h"

namespace codelists {

using common::Cz;

namespace {

constexpr std::string_view k30 = "                              ";

const std::vector<FieldSpec>& Cis14Fields() {
  static const std::vector<FieldSpec> fields = {
      {"Klíč ", "L", "000", 1, 2},       {"1.název  ", " ", k30, 2, 2},      {"2.název  ", " ", k30, 3, 2},
      {"3.název  ", " ", k30, 4, 2},     {"4.název  ", " ", k30, 5, 2},      {"5.název  ", " ", k30, 6, 2},
      {"Datum změny ", " ", "      ", 7, 2}, {"Blokace věty", " ", " ", 8, 2}};
  return fields;
}

}  // namespace

const CodeListSpec& Cis14Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 14;
    s.className = "TfCis14";
    s.caption = "Investiční majetek";
    s.file = "CI14.DTA";
    s.recordLength = 168;
    s.fields = Cis14Fields();
    s.deleted = BlankKey(3);
    s.dateField = 7;
    s.sortNotice = "Třídím seznam účtů";
    s.look = Look({40, 1, 90, 15}, {1, 1, 80, 20}, " CI14 ", " F1-Help  F10=Opis  F4-Nová ");
    s.stamp = StampPolicy::OnChangedFlag;
    s.listing.title = "Pohyby IM (14)";
    s.menu = {{"c1", "Opis", MenuAction::Print}};
    s.helpFile = "\\im\\im";
    s.helpTopic = "Druh pohybu";
    return s;
  }();
  return spec;
}

void TfCis14::EditRecord() {
  if (Count < 1) return;
  UsePhysicalOrder();
  RecordRead(Current);
  if (IoOk() && FieldOf(RecordBuffer, 8) == "B") {
    common::MessageOk(Cz("Tento zápis nemůžete měnit"));
    return;
  }
  CodeListWindow::EditRecord();
}

void TfCis14::ShowHelp(int topic) {
  CodeListWindow::ShowHelp(topic);
  LastKey = 10;
}

bool TfCis14::CheckKind(std::string& text) {
  auto& mark = FieldErrors.at(1);
  if (!text.starts_with('3')) {
    mark = 0;
    return true;
  }
  common::MessageOk(Cz("Všechny zápisy s druhem pohybu 3xx jsou blokované. Nemůžete je ani zakládat."));
  text.clear();
  mark = 1;
  return false;
}

// Takes the place of the base check: no normalisation by the picture.
void TfCis14::FieldCheck(int field, std::string& text) {
  if (field == 1) CheckKind(text);
}

void TfCis14::FieldExit(int field, std::string& text) {
  if (field == 1) CheckKind(text);
}

void TfCis14::EditAccept() {
  if (ActiveEditForm() && FieldCount >= 1 && !CheckKind(EditText(1))) {
    CurrentField = 1;  // the focus goes back to the refused kind
    ActiveEditForm()->SetTimer(true);
    return;
  }
  CodeListWindow::EditAccept();
}

void SetupCis14(TfCis14& w) { w.Setup(); }

TfCis14& fCis14() { return browser::SingleWindow<TfCis14>(); }

}  // namespace codelists
