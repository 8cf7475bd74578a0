// Every place that opens the toolkit's font dialog, confirmed with OK and no change:
// the dialog shows the font being changed, and what is stored stays what it was.
#include <QApplication>
#include <QFontDialog>
#include <QListView>
#include <QTimer>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "browser/appearance.h"
#include "browser/dotazy.h"
#include "browser/okno.h"
#include "browser/vyber.h"
#include "browser/winsettings.h"
#include "common/encoding.h"
#include "common/params.h"
#include "partners/stitky.h"
#include "tests/app/appkit.h"
#include "tests/browser/rolkit.h"
#include "ui/form.h"
#include "ui/qt/qt_backend.h"

namespace {

using apptest::AppTest;
using namespace common::literals;

struct QtFontDialogs : AppTest {
  ui::qt::QtBackend qt;

  // Runs `open` as a user who confirms everything unchanged: the choice list takes
  // `item`, the font dialog OK (its shown style noted), the size question F2.
  void ConfirmUnchanged(int item, const std::function<void()>& open) {
    styles.clear();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) {
        const auto lists = dialog->findChildren<QListView*>();
        styles.push_back(lists.size() == 3 ? lists[1]->currentIndex().data().toString().toStdString() : "?");
        dialog->accept();
        return;
      }
      if (ui::ModalForms().empty()) return;
      ui::Form* top = ui::ModalForms().back();
      if (auto* menu = dynamic_cast<browser::TfVyber*>(top)) menu->DblClick(item);
      else if (auto* question = dynamic_cast<browser::TfDotazy*>(top)) question->F2KlapkaClick();
    });
    poll.start();
    open();
    poll.stop();
    EXPECT_EQ(styles.size(), 1u) << "the font dialog did not come up once";
  }
  std::string Okna2(const std::string& key) { return common::ReadParam(browser::kOkna2Par, key); }

  std::vector<std::string> styles;  // the style each font dialog showed
};

// F11 in a list window: "Změna písma a jeho barvy" and "Změna písma pro všechna okna".
TEST_F(QtFontDialogs, TheListWindowsAppearanceMenuStoresTheFontItHad) {
  struct Case {
    int item;
    std::vector<std::pair<std::string, std::string>> stored;  // before the menu: the font the window has
    std::string prefix;  // where the item stores the font
    std::string name, size, style, shownStyle;
  };
  const Case cases[] = {
      {4, {}, "", "Ms Sans Serif", "0008 ", "Normal", "Book"},  // the regular default
      {3, {}, "fMemList ", "Ms Sans Serif", "0008 ", "Normal", "Book"},
      {3, {{"fMemList FontName", "Courier"}, {"fMemList FontSize", "0010 "}, {"fMemList FontStyle", "Italic"}},
       "fMemList ", "Courier", "0010 ", "Italic", "Oblique"},
      {4, {{"FontName", "Arial"}, {"FontSize", "0009 "}, {"FontStyle", "BoldItalic"}}, "", "Arial", "0009 ",
       "BoldItalic", "Bold Oblique"},
  };
  for (const Case& c : cases) {
    common::FlushParams();
    std::filesystem::remove_all(dir / "par");
    browser::ResetWindowFont();
    for (const auto& [key, value] : c.stored) common::WriteParam(browser::kOkna2Par, key, value);
    roltest::MemList list{roltest::MemList::Numbered(3)};
    list.Open();
    ConfirmUnchanged(c.item, [&] { browser::AppearanceMenu(list); });
    const std::string what = "item " + std::to_string(c.item) + " over " + c.name + " " + c.style;
    EXPECT_EQ(styles, std::vector<std::string>{c.shownStyle}) << what;
    for (const std::string twin : {"", "A"}) {
      if (c.item == 3 && !twin.empty()) continue;  // the window's own keys have no twins
      EXPECT_EQ(Okna2(c.prefix + "FontName" + twin), c.name) << what;
      EXPECT_EQ(Okna2(c.prefix + "FontSize" + twin), c.size) << what;
      EXPECT_EQ(Okna2(c.prefix + "FontStyle" + twin), c.style) << what;
    }
    list.CloseBrowse();
  }
}

// F11 in a field screen, "Změna písma a jeho barvy": the window keeps its font, and
// closing it stores nothing, as nothing changed.
TEST_F(QtFontDialogs, TheFieldScreenKeepsItsFont) {
  browser::TfOkno w("fTestOkno");
  std::string record(6, '\0');
  w.SetFieldCount(1);
  w.OknoRecord = &record;
  w.OknoAddField(w.Field(1), "Kód"_cz, 2, 1, "X", "AB   ", 0, 0, "");
  w.OknoBuildWindow(" Test ", " F2=OK  ESC=ven ", 10, 2, 60, 12, ui::Rgb(240, 240, 240), 0);
  const ui::Font before = w.font();
  ConfirmUnchanged(2, [&] { w.OknoAppearanceMenu(); });
  EXPECT_EQ(styles, std::vector<std::string>{"Book"});
  EXPECT_EQ(w.font(), before) << w.font().name << (w.font().bold ? " bold" : "") << (w.font().italic ? " italic" : "");
  w.Cancelled = true;
  w.OknoFinish();
  EXPECT_EQ(Okna2("fTestOkno FontStyleA"), "");
  EXPECT_EQ(Okna2("fTestOkno FontNameA"), "");
}

// A click on an address field of the label window: the field keeps its font, and the
// design written at the close is the one written without the dialog.
TEST_F(QtFontDialogs, TheLabelWindowsFieldKeepsItsFont) {
  const auto design = [&](bool dialog) {
    partners::DestroyLabelWindows();
    partners::TfStitky& w = partners::fStitky();
    ui::Edit& field = *w.adr[1];
    ui::Font bold = field.font();
    bold.bold = true;
    field.SetFont(bold);  // a field in bold, the others as designed
    const ui::Font before = field.font();
    if (dialog) {
      ConfirmUnchanged(0, [&] { w.ChooseFieldFont(2); });
      EXPECT_EQ(styles, std::vector<std::string>{"Bold"});
      EXPECT_EQ(field.font(), before) << field.font().name;
    }
    w.FormClose();
    common::FlushParams();
    return ostest::ReadRaw(dir / "SAMOLE.PKY");
  };
  const std::string without = design(false);
  EXPECT_NE(without.find("adr2 style"), std::string::npos) << without;
  EXPECT_EQ(design(true), without);
  partners::DestroyLabelWindows();
}

}  // namespace
