// The toolkit's font dialog as the program opens it: on the font it is about to
// change, and OK without a change hands that font back as it was.
#include <QApplication>
#include <QFontDialog>
#include <QListView>
#include <QTimer>
#include <gtest/gtest.h>

#include "ui/qt/qt_backend.h"
#include "ui/ui.h"

namespace ui {
namespace {

using qt::QtBackend;

// What the dialog shows in its family, style and size lists.
struct Shown {
  std::string family, style, size;
};

// Opens the font dialog on `font`; `act` sees the dialog, then it is accepted.
bool ChooseAndAccept(Font& font, Shown& shown, const std::function<void(QFontDialog&)>& act = {}) {
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    std::vector<std::string> lists;
    for (auto* view : dialog->findChildren<QListView*>()) lists.push_back(view->currentIndex().data().toString().toStdString());
    ASSERT_EQ(lists.size(), 3u);
    shown = {lists[0], lists[1], lists[2]};
    if (act) act(*dialog);
    dialog->accept();
  });
  return ChooseFont(font);
}

TEST(UiQtFontDialog, OpensOnTheFontItChangesAndOkWithoutAChangeKeepsIt) {
  QtBackend qt;
  struct Case {
    const char* name;
    int size;
    bool bold, italic;
    Shown shown;
  };
  const Case cases[] = {
      {"MS Sans Serif", 8, false, false, {"DejaVu Sans Condensed", "Book", "8"}},  // the windows' default
      {"MS Sans Serif", 8, true, false, {"DejaVu Sans Condensed", "Bold", "8"}},
      {"Arial", 9, false, true, {"DejaVu Sans Condensed", "Oblique", "9"}},
      {"Courier", 10, true, true, {"DejaVu Sans Mono", "Bold Oblique", "10"}},
      {"DejaVu Sans", 12, false, false, {"DejaVu Sans", "Book", "12"}},
      {"Times New Roman", 11, false, true, {"DejaVu Serif", "Italic", "11"}},
  };
  for (const Case& c : cases) {
    Font font;
    font.name = c.name;
    font.size = c.size;
    font.bold = c.bold;
    font.italic = c.italic;
    font.color = 0x123456;
    const Font given = font;
    Shown shown;
    ASSERT_TRUE(ChooseAndAccept(font, shown)) << c.name;
    EXPECT_EQ(shown.family, c.shown.family) << c.name;
    EXPECT_EQ(shown.style, c.shown.style) << c.name << (c.bold ? " bold" : "") << (c.italic ? " italic" : "");
    EXPECT_EQ(shown.size, c.shown.size) << c.name;
    EXPECT_EQ(font, given) << c.name << (c.bold ? " bold" : "") << (c.italic ? " italic" : "") << " came back as "
                           << font.name << " " << font.size << (font.bold ? " bold" : "") << (font.italic ? " italic" : "");
  }
  // What the user changes is taken; the rest stays as it was.
  Font font;
  Shown shown;
  ASSERT_TRUE(ChooseAndAccept(font, shown, [](QFontDialog& d) {
    QFont bold = d.currentFont();
    bold.setBold(true);
    bold.setStyleName("Bold");
    d.setCurrentFont(bold);
  }));
  EXPECT_EQ(font.name, "MS Sans Serif");
  EXPECT_TRUE(font.bold);
  EXPECT_FALSE(font.italic);
  EXPECT_EQ(font.size, 8);
  ASSERT_TRUE(ChooseAndAccept(font, shown, [](QFontDialog& d) {
    QFont serif("DejaVu Serif", 14);
    serif.setStyleName("Book");
    d.setCurrentFont(serif);
  }));
  EXPECT_EQ(font.name, "DejaVu Serif");
  EXPECT_EQ(font.size, 14);
  EXPECT_FALSE(font.bold);
}

}  // namespace
}  // namespace ui
