// The Qt back end under the offscreen platform: real Qt events in, the layer's
// events out, and the form's state on screen.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QTreeView>
#include <fstream>
#include <map>
#include <QDialog>
#include <filesystem>
#include <QMouseEvent>
#include <QFile>
#include <QFileInfo>
#include <QComboBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "tests/common/os_tempdir.h"
#include "ui/qt/convert.h"
#include "ui/qt/grid_widget.h"
#include "ui/qt/qt_backend.h"
#include "ui/ui.h"

namespace ui {
namespace {

using namespace common::literals;
using qt::QtBackend;

QString Utf(const char* utf8) { return QString::fromUtf8(utf8); }

// Types text as a keyboard with a Czech layout would: each key event carries the
// letter, its key code being the upper-case letter.
void TypeText(QWidget* w, const QString& text) {
  for (QChar ch : text)
    QTest::sendKeyEvent(QTest::Click, w, static_cast<Qt::Key>(ch.toUpper().unicode()), QString(ch), Qt::NoModifier);
}

// A form with a header row and two records in a grid, a search edit and a label.
struct ListForm {
  Form form{"TfList"};
  Grid& grid = form.Add<Grid>("sgRol");
  Edit& search = form.Add<Edit>("eHled");
  Label& count = form.Add<Label>("lKolik");

  ListForm() {
    form.SetCaption("Číselník bank"_cz);
    form.SetBounds(20, 20, 520, 300);
    grid.SetBounds(0, 0, 480, 150);
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetColWidth(0, 10);
    grid.SetColWidth(1, 80);
    grid.SetColWidth(2, 300);
    grid.SetRowHeight(20);
    grid.SetRowSelect(true);
    grid.SetColSizing(true);
    grid.SetCell(1, 0, "Kód"_cz);
    grid.SetCell(2, 0, "Název"_cz);
    grid.SetCell(0, 1, "\x11");
    grid.SetCell(1, 1, "0100");
    grid.SetCell(2, 1, "Komerční banka"_cz);
    grid.SetCell(1, 2, "0800");
    grid.SetCell(2, 2, "Česká spořitelna"_cz);
    search.SetBounds(70, 160, 150, 22);
    count.SetBounds(230, 162, 250, 20);
    count.SetText("Žluťoučký kůň úpěl ďábelské ódy"_cz);
  }
};

TEST(UiQtGrid, ShowsCellsHeaderAndMark) {
  QtBackend qt;
  ListForm f;
  f.grid.SetFixedColor(colors::Silver);
  f.form.Show();
  auto* view = dynamic_cast<qt::GridWidget*>(qt.WidgetOf(f.grid));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->geometry(), QRect(0, 0, 480, 150));
  EXPECT_EQ(qt::GridWidget::DisplayText(f.grid.Cell(0, 1)), Utf("\u25C4"));
  EXPECT_EQ(qt::GridWidget::DisplayText(f.grid.Cell(2, 2)), Utf("Česká spořitelna"));
  QImage shot = view->grab().toImage();
  Rect header = f.grid.CellRect(2, 0), current = f.grid.CellRect(2, 1), other = f.grid.CellRect(2, 2);
  EXPECT_EQ(shot.pixelColor(header.right() - 3, header.top + 2), qt::ToQColor(colors::Silver));
  EXPECT_EQ(shot.pixelColor(current.right() - 3, current.top + 2), view->palette().color(QPalette::Highlight));
  EXPECT_EQ(shot.pixelColor(other.right() - 3, other.top + 2), QColor(Qt::white));
  f.form.Hide();
}

TEST(UiQtGrid, PageRepaintChangesCellsWithoutRebuilding) {
  QtBackend qt;
  ListForm f;
  f.form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(qt.WidgetOf(f.form)));
  QWidget* before = qt.WidgetOf(f.grid);
  auto widgets = qt.WidgetOf(f.form)->findChildren<QWidget*>();
  auto* view = static_cast<qt::GridWidget*>(before);
  view->repaint();
  int paints = view->paints();
  f.grid.SetCell(2, 2, "Fio banka");
  f.grid.SetCell(1, 1, "2010");
  f.grid.SetRow(2);
  qt.Flush();
  view->repaint();
  EXPECT_EQ(qt.WidgetOf(f.grid), before);
  EXPECT_EQ(qt.WidgetOf(f.form)->findChildren<QWidget*>(), widgets);
  EXPECT_EQ(view->paints(), paints + 1);
  QImage shot = view->grab().toImage();
  Rect now = f.grid.CellRect(2, 2), was = f.grid.CellRect(2, 1);
  EXPECT_EQ(shot.pixelColor(now.right() - 3, now.top + 2), view->palette().color(QPalette::Highlight));
  EXPECT_EQ(shot.pixelColor(was.right() - 3, was.top + 2), QColor(Qt::white));
  f.form.Hide();
}

TEST(UiQtGrid, UserDraggedColumnWidthIsReadBack) {
  QtBackend qt;
  ListForm f;
  int reported = -1;
  f.grid.onColumnResized = [&](Grid&, int col, int w) { reported = col * 1000 + w; };
  f.form.Show();
  QWidget* view = qt.WidgetOf(f.grid);
  Rect kod = f.grid.CellRect(1, 0);
  QPoint divider(kod.right(), 5);
  QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, divider);
  QMouseEvent move(QEvent::MouseMove, QPointF(divider + QPoint(40, 0)), view->mapToGlobal(QPointF(divider + QPoint(40, 0))),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &move);
  QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, divider + QPoint(40, 0));
  EXPECT_EQ(f.grid.colWidth(1), 120);
  EXPECT_EQ(reported, 1120);
  f.form.Hide();
}

TEST(UiQtKeys, RealKeysReachTheFormAsFoldedCodesAndCharacters) {
  QtBackend qt;
  ListForm f;
  std::vector<int> codes;
  std::string typed;
  f.form.keyPreview = true;
  std::vector<int> modifiers;  // QTest presses the modifiers first, as a keyboard does
  f.form.onKeyDown = [&](Control&, int& key, Shift s) {
    bool modifier = key == vk::Shift || key == vk::Ctrl || key == vk::Alt;
    (modifier ? modifiers : codes).push_back(KeyCode(key, s));
  };
  f.grid.onKeyDown = [&](Control&, int& key, Shift) { key = 0; };  // the grid swallows every key
  f.grid.onKeyPress = [&](Control&, char& ch) { typed += ch; };
  f.form.Show();
  QWidget* grid = qt.WidgetOf(f.grid);
  QTest::keyClick(grid, Qt::Key_F1, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(grid, Qt::Key_F3, Qt::ControlModifier);
  QTest::keyClick(grid, Qt::Key_Down);
  QTest::keyClick(grid, Qt::Key_7);
  QTest::keyClick(grid, Qt::Key_2);
  QTest::keyClick(grid, Qt::Key_Plus, Qt::KeypadModifier);
  QTest::keyClick(grid, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(codes, (std::vector<int>{2112, 1114, vk::Down, vk::Digit(7), vk::Digit(2), vk::NumPlus}));
  // Shift then Ctrl for Ctrl+Shift+F1 (Ctrl while Shift is held counts as Shift), Ctrl for
  // Ctrl+F3, and Ctrl alone keeps its plain code.
  EXPECT_EQ(modifiers, (std::vector<int>{vk::Shift, 2017, vk::Ctrl, vk::Ctrl, vk::Ctrl}));
  EXPECT_EQ(typed, "72+");
  EXPECT_EQ(f.grid.row(), 1);  // the swallowed Down did not move the grid
  f.form.Hide();
}

TEST(UiQtKeys, AHandlerThatThrowsShowsItsTextAndTheWindowStays) {
  QtBackend qt;
  ListForm f;
  f.form.keyPreview = true;
  int keys = 0;
  f.form.onKeyDown = [&](Control&, int& key, Shift) {
    ++keys;
    if (key == vk::F(5)) throw std::out_of_range("record of 62 bytes is shorter than its 71-byte layout");
  };
  f.form.Show();
  QString shown;
  // Runs inside the message box's own loop: reads it and closes it.
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->done(QMessageBox::Ok);
    }
  });
  QWidget* grid = qt.WidgetOf(f.grid);
  QTest::keyClick(grid, Qt::Key_F5);
  EXPECT_EQ(shown, Utf("record of 62 bytes is shorter than its 71-byte layout"));
  EXPECT_TRUE(f.form.visible());
  EXPECT_TRUE(qt.WidgetOf(f.form)->isVisible());
  QTest::keyClick(grid, Qt::Key_Down);  // the window still takes keys
  EXPECT_EQ(keys, 2);
  f.form.Hide();
}

TEST(UiQtKeys, TypingCzechLettersReachesTheEditAsWindows1250) {
  QtBackend qt;
  ListForm f;
  std::string changes;
  f.search.onChange = [&](Control& c) { changes = c.text(); };
  f.search.SetMaxLength(6);
  f.form.Show();
  f.search.SetFocus();
  qt.Flush();
  auto* edit = qobject_cast<QLineEdit*>(qt.WidgetOf(f.search));
  ASSERT_NE(edit, nullptr);
  TypeText(edit, Utf("Řežábníček"));
  EXPECT_EQ(f.search.text(), "Řežábn"_cz);
  EXPECT_EQ(changes, "Řežábn"_cz);
  // A key-press handler replaces a character: the edit shows the replacement.
  f.search.onKeyPress = [](Control&, char& ch) {
    if (ch == 'n') ch = 'N';
  };
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_N);
  EXPECT_EQ(f.search.text(), "ŘežábN"_cz);
  EXPECT_EQ(edit->text(), Utf("ŘežábN"));
  f.form.Hide();
}

TEST(UiQtText, Windows1250TextShowsAsCzechLetters) {
  QtBackend qt;
  ListForm f;
  f.form.Show();
  auto* label = qobject_cast<QLabel*>(qt.WidgetOf(f.count));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), Utf("Žluťoučký kůň úpěl ďábelské ódy"));
  EXPECT_EQ(qt.WidgetOf(f.form)->windowTitle(), Utf("Číselník bank"));
  f.count.SetText("Vybráno: 3"_cz);
  qt.Flush();
  EXPECT_EQ(label->text(), Utf("Vybráno: 3"));
  f.form.Hide();
}

TEST(UiQtModal, ModalInsideModalClosesInOrder) {
  QtBackend qt;
  Form outer("Outer"), inner("Inner");
  std::vector<std::string> order;
  outer.keyPreview = inner.keyPreview = true;
  auto press = [&](Form& f, Qt::Key key) {
    QTimer::singleShot(0, [&qt, &f, key] { QTest::keyClick(qt.WidgetOf(f), key); });
  };
  outer.onShow = [&](Form&) { press(outer, Qt::Key_F4); };
  inner.onShow = [&](Form&) { press(inner, Qt::Key_Escape); };
  outer.onKeyDown = [&](Control&, int& key, Shift) {
    if (key == vk::F(4)) {
      order.push_back("inner opens");
      int r = inner.ShowModal();
      order.push_back("inner returned " + std::to_string(r));
      press(outer, Qt::Key_F2);
    } else if (key == vk::F(2)) {
      order.push_back("outer closes");
      outer.SetModalResult(mr::Ok);
    }
  };
  inner.onKeyDown = [&](Control&, int& key, Shift) {
    if (key == vk::Esc) {
      order.push_back("inner closes");
      inner.Close();
    }
  };
  int r = outer.ShowModal();
  order.push_back("outer returned " + std::to_string(r));
  EXPECT_EQ(order, (std::vector<std::string>{"inner opens", "inner closes", "inner returned 2", "outer closes",
                                             "outer returned 1"}));
  EXPECT_FALSE(qt.WidgetOf(inner)->isVisible());
  EXPECT_FALSE(qt.WidgetOf(outer)->isVisible());
}

TEST(UiQtModal, KeysAfterTheResultDoNotReachTheForm) {
  QtBackend qt;
  Form dialog("Dialog");
  dialog.keyPreview = true;
  std::vector<int> seen;
  dialog.onShow = [&](Form&) {
    QTimer::singleShot(0, [&] {
      QTest::keyClick(qt.WidgetOf(dialog), Qt::Key_F2);      // confirms
      QTest::keyClick(qt.WidgetOf(dialog), Qt::Key_Escape);  // arrives before the loop returns
    });
  };
  dialog.onKeyDown = [&](Control&, int& key, Shift) {
    seen.push_back(key);
    if (key == vk::F(2)) dialog.SetModalResult(mr::Ok);
    if (key == vk::Esc) dialog.SetModalResult(mr::Cancel);
  };
  EXPECT_EQ(dialog.ShowModal(), mr::Ok);
  EXPECT_EQ(seen, std::vector<int>{vk::F(2)});
}

TEST(UiQtMouse, ClicksButtonsChecksAndGridCells) {
  QtBackend qt;
  ListForm f;
  auto& ok = f.form.Add<Button>("bOk");
  ok.SetBounds(400, 160, 75, 25);
  ok.SetText("OK-F2");
  auto& check = f.form.Add<CheckBox>("cAll");
  check.SetBounds(400, 200, 100, 20);
  check.SetText("Vše"_cz);
  std::vector<std::string> events;
  ok.onClick = [&](Control&) { events.push_back("ok"); };
  check.onClick = [&](Control& c) { events.push_back(static_cast<CheckBox&>(c).checked() ? "on" : "off"); };
  f.grid.onMouseDown = [&](Control&, MouseButton b, Shift s, int x, int y) {
    events.push_back("down " + std::to_string(int(b)) + " " + std::to_string(Has(s, Shift::Ctrl)) + " " +
                     std::to_string(f.grid.MouseToCell(x, y).x) + "," + std::to_string(f.grid.MouseToCell(x, y).y));
  };
  f.form.Show();
  QTest::mouseClick(qt.WidgetOf(ok), Qt::LeftButton);
  QTest::mouseClick(qt.WidgetOf(check), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
  QWidget* view = qt.WidgetOf(f.grid);
  Rect cell = f.grid.CellRect(2, 2);
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(cell.left + 5, cell.top + 5));
  QTest::mouseClick(view, Qt::RightButton, Qt::ControlModifier, QPoint(cell.left + 5, cell.top + 5));
  Rect head = f.grid.CellRect(1, 0);
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(head.left + 3, head.top + 3));
  EXPECT_EQ(events, (std::vector<std::string>{"ok", "on", "down 0 0 2,2", "down 1 1 2,2", "down 0 0 1,0"}));
  EXPECT_TRUE(check.checked());
  EXPECT_EQ(f.grid.row(), 2);
  f.form.Hide();
}

// A press on a control that leaves it to its parent (a label, the form's own area)
// reaches only the control it fell on, once.
TEST(UiQtMouse, APressReachesOnlyTheControlItFellOn) {
  QtBackend qt;
  ListForm f;
  std::vector<std::string> downs;
  f.count.onMouseDown = [&](Control&, MouseButton, Shift, int, int) { downs.push_back("label"); };
  f.form.onMouseDown = [&](Control&, MouseButton, Shift, int, int) { downs.push_back("form"); };
  f.form.Show();
  QTest::mouseClick(qt.WidgetOf(f.count), Qt::RightButton, Qt::ControlModifier, QPoint(3, 3));
  QWidget* area = qt.WidgetOf(f.count)->parentWidget();
  QTest::mouseClick(area, Qt::RightButton, Qt::ControlModifier, QPoint(500, 250));
  EXPECT_EQ(downs, (std::vector<std::string>{"label", "form"}));
  f.form.Hide();
}

TEST(UiQtTimers, TimerTicksOnTheEventLoop) {
  QtBackend qt;
  Form f("Blink");
  auto& t = f.AddTimer("Timer2", 10);
  int ticks = 0;
  t.onTimer = [&](Timer& self) {
    if (++ticks == 3) self.Stop();
  };
  t.Start();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
  QTest::qWait(50);
  EXPECT_EQ(ticks, 3);
}

TEST(UiQtPrint, PrintsToAPdfFile) {
  QtBackend qt;
  qt.pdfOutput = UI_QT_OUTPUT_DIR "/print-test.pdf";
  QFile::remove(QString::fromStdString(qt.pdfOutput));
  EXPECT_EQ(CurrentPrinter(), "PDF");
  auto p = BeginPrint("Zkouška"_cz);
  EXPECT_GT(p->PageWidth(), 1000);
  EXPECT_GE(p->DpiX(), 300);
  p->font.name = "Courier";
  p->font.size = 10;
  p->TextOut(100, 100, "Příliš žluťoučký kůň"_cz);
  EXPECT_TRUE(p->StretchDraw({100, 300, 400, 200}, Bitmap(40, 20, colors::Red)));
  p->NewPage();
  p->TextOut(100, 100, "2");
  p->EndDoc();
  QFile pdf(QString::fromStdString(qt.pdfOutput));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
}

// The toolkit's own dialogs speak Czech whatever the system's locale: the setup
// installs the toolkit's translations, the back end loads the Czech ones and adds
// what they lack; the file dialog writes sizes and dates as Czech does. The program's
// own numbers keep their point.
TEST(UiQtTranslations, TheToolkitsOwnDialogsAreCzech) {
  ASSERT_TRUE(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_cs.qm"))
      << "no Czech translations of the toolkit: ./setup installs qt6-translations-l10n";
  QtBackend qt;
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Zrušit");
  // What a modal dialog shows: its title, its buttons and its choices.
  auto seen = [](QStringList& texts) {
    QTimer::singleShot(100, [&texts] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      texts << dialog->windowTitle();
      for (auto* b : dialog->findChildren<QAbstractButton*>()) texts << b->text() << b->toolTip();
      for (auto* g : dialog->findChildren<QGroupBox*>()) texts << g->title();
      for (auto* c : dialog->findChildren<QComboBox*>())
        for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
      for (auto* l : dialog->findChildren<QLabel*>()) texts << l->text();
      dialog->reject();
    });
  };
  QStringList colour;
  seen(colour);
  Color c = colors::Red;
  EXPECT_FALSE(ChooseColor(c));
  EXPECT_EQ(colour.value(0).toStdString(), "Vybrat barvu");
  EXPECT_TRUE(colour.contains(Utf("Zrušit"))) << colour.join(" | ").toStdString();
  QStringList print;
  seen(print);
  EXPECT_FALSE(ChoosePrinter());
  for (const char* czech : {"Tisk do souboru (PDF)", "Výstupní &soubor:", "Strany", "Oboustranný tisk", "Vypnuto",
                            "Vazba na delší straně", "Vazba na kratší straně"})
    EXPECT_TRUE(print.contains(Utf(czech))) << czech << ": " << print.join(" | ").toStdString();
  for (const char* english : {"Cancel", "Pages", "Off", "Long side binding", "Short side binding", "Double Sided Printing"})
    EXPECT_FALSE(print.contains(english)) << english << ": " << print.join(" | ").toStdString();

  // The file dialog's columns over a folder, a file of 3600 bytes of no known type and a text.
  ostest::TempDir dir;
  std::filesystem::create_directory(dir / "sub");
  std::ofstream(dir / "a.bin", std::ios::binary) << std::string(3600, '\0');
  std::ofstream(dir / "b.xyzq") << "x\n";
  std::ofstream(dir / "c.xyzq") << std::string(229, 'x');
  std::ofstream(dir / "d.xyzq") << "x";
  std::map<std::string, QStringList> rows;
  QTimer::singleShot(100, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* view = dialog->findChild<QTreeView*>("treeView");
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* m = view->model();
    QTest::qWaitFor([&] { return m->rowCount(view->rootIndex()) == 3 && !m->index(0, 2, view->rootIndex()).data().toString().isEmpty(); }, 3000);
    for (int r = 0; r < m->rowCount(view->rootIndex()); ++r) {
      QStringList row;
      for (int col = 1; col < 4; ++col) row << m->index(r, col, view->rootIndex()).data().toString();
      rows[m->index(r, 0, view->rootIndex()).data().toString().toStdString()] = row;
    }
    dialog->reject();
  });
  FileDialogRequest request;
  request.directory = dir.path();
  EXPECT_FALSE(ChooseOpenFile(request));
  const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
  const auto date = [&](const std::string& name) {
    return czech.toString(QFileInfo(QString::fromStdString(dir / name)).lastModified(), QLocale::ShortFormat);
  };
  EXPECT_EQ(rows["sub"], (QStringList{"", Utf("Složka"), date("sub")})) << rows["sub"].join(" | ").toStdString();
  EXPECT_EQ(rows["a.bin"], (QStringList{"3,52 KiB", Utf("neznámý"), date("a.bin")}))
      << rows["a.bin"].join(" | ").toStdString();
  EXPECT_EQ(rows["b.xyzq"].value(0), Utf("2 bajty")) << rows["b.xyzq"].join(" | ").toStdString();
  EXPECT_EQ(rows["c.xyzq"].value(0), Utf("229 bajtů")) << rows["c.xyzq"].join(" | ").toStdString();
  EXPECT_EQ(rows["d.xyzq"].value(0), Utf("1 bajt")) << rows["d.xyzq"].join(" | ").toStdString();

  // What the program stores and prints is no text of the toolkit's locale.
  char number[16];
  std::snprintf(number, sizeof number, "%.2f", 3.52);
  EXPECT_STREQ(number, "3.52");
  EXPECT_EQ(QString::number(3.52), "3.52");
  EXPECT_EQ(common::FormatFloatMask("####.##", 3.52), "   3.52");
  EXPECT_DOUBLE_EQ(common::TextToFloat("3.52"), 3.52);
}

// The print dialog's "Vlastnosti": its tabs are Czech, the printer's own options tab
// too, and so are the warnings a printer's options and the page list can bring up.
TEST(UiQtTranslations, ThePrintersPropertiesAndTheirWarningsAreCzech) {
  QtBackend qt;
  QStringList tabs;
  QTimer::singleShot(100, [&tabs] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* properties = dialog->findChild<QPushButton*>("properties");
    ASSERT_NE(properties, nullptr);
    QTimer::singleShot(100, [&tabs] {
      auto* inner = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(inner, nullptr);
      for (auto* t : inner->findChildren<QTabWidget*>())
        for (int i = 0; i < t->count(); ++i) tabs << t->tabText(i);
      for (auto* l : inner->findChildren<QLabel*>()) tabs << l->text();
      inner->reject();
    });
    properties->click();
    dialog->reject();
  });
  EXPECT_FALSE(ChoosePrinter());
  for (const char* czech : {"Strana", "Rozšířené", "Některé volby si odporují. Opravte je, prosím."})
    EXPECT_TRUE(tabs.contains(Utf(czech))) << czech << ": " << tabs.join(" | ").toStdString();
  for (const char* english : {"Page", "Advanced", "There are conflicts in some options. Please fix them."})
    EXPECT_FALSE(tabs.contains(english)) << english << ": " << tabs.join(" | ").toStdString();

  // Boxes that only a printer with options of its own shows.
  const struct {
    const char *context, *english;
  } warnings[] = {
      {"QPrintPropertiesDialog", "Page Setup Conflicts"},
      {"QPrintPropertiesDialog", "There are conflicts in page setup options. Do you want to fix them?"},
      {"QPrintPropertiesDialog", "Advanced Option Conflicts"},
      {"QPrintPropertiesDialog", "There are conflicts in some advanced options. Do you want to fix them?"},
      {"QPrintDialog", "Invalid Pages Definition"},
      {"QPrintDialog", "%1 does not follow the correct syntax. Please use ',' to separate ranges and pages, '-' to "
                       "define ranges and make sure ranges do not intersect with each other."},
      {"QPrintDialog", "Duplex Settings Conflicts"},
      {"QPrintDialog", "There are conflicts in duplex settings. Do you want to fix them?"},
  };
  for (const auto& w : warnings) EXPECT_NE(QCoreApplication::translate(w.context, w.english).toStdString(), w.english);
  // The page list the user typed stays in its message.
  EXPECT_TRUE(QCoreApplication::translate(warnings[5].context, warnings[5].english).arg("3-,1").startsWith("3-,1 "));
}

// "Print to file (PDF)" in the print dialog: the print that follows goes to the file
// named there, and the user is told where it is; no file appears under "tisk".
TEST(UiQtPrint, ThePrintGoesToTheFileChosenInThePrintDialog) {
  const std::string start = UI_QT_OUTPUT_DIR "/chosen-start";
  std::filesystem::remove_all(start);
  std::filesystem::create_directories(start);
  const std::string old = std::filesystem::current_path();
  std::filesystem::current_path(start);
  common::RecordingNotifier notes;
  common::ScopedNotifier scoped(notes);
  {
    QtBackend qt;
    qt.openPdf = false;
    const QString chosen = QString::fromStdString(start + "/vybrany soubor.pdf");
    bool named = false;
    QTimer::singleShot(100, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      for (auto* e : dialog->findChildren<QLineEdit*>())
        if (e->objectName() == "filename") {
          e->setText(chosen);
          named = true;
        }
      dialog->accept();
    });
    ASSERT_TRUE(ChoosePrinter());
    EXPECT_TRUE(named);
    EXPECT_EQ(CurrentPrinter(), "PDF");
    auto p = BeginPrint("SESTAVA.TXT");
    p->font.name = "Courier";
    p->font.size = 10;
    p->TextOut(100, 100, "Vybraný soubor"_cz);
    p->EndDoc();
    QFile pdf(chosen);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
    EXPECT_FALSE(std::filesystem::exists(start + "/tisk/SESTAVA.pdf"));
    ASSERT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).size(), 1u);
    EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message)[0],
              "Tisk je uložen v souboru "_cz + common::Utf8ToWin1250(chosen.toStdString()));
    // Without a new choice the next print goes to its own file under "tisk", said as well.
    auto next = BeginPrint("SESTAVA.TXT");
    next->TextOut(100, 100, "2");
    next->EndDoc();
    EXPECT_TRUE(std::filesystem::exists(start + "/tisk/SESTAVA.pdf"));
    ASSERT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).size(), 2u);
    EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message)[1],
              "Tisk je uložen v souboru "_cz + QFileInfo(QString::fromStdString(start + "/tisk/SESTAVA.pdf")).absoluteFilePath().toStdString());
  }
  std::filesystem::current_path(old);
}

// A bottom-aligned control stands below the scrolling area at the window's bottom,
// across its width, and stays there whatever is scrolled; hidden, it gives its room back.
TEST(UiQtAlignBottom, TheKeyLineStaysBelowTheScrollingFields) {
  QtBackend qt;
  Form form("TfEdit");
  form.SetAutoScroll(true);
  form.SetBounds(20, 20, 400, 300);
  Edit& far = form.Add<Edit>("Edit1");
  far.SetBounds(10, 600, 100, 20);
  Edit& key = form.Add<Edit>("KeyLine");
  key.SetBounds(0, 0, 10, 22);
  key.SetAlignBottom(true);
  form.Show();
  QWidget* window = qt.WidgetOf(form);
  ASSERT_NE(window, nullptr);
  auto* scroll = window->findChild<QScrollArea*>();
  ASSERT_NE(scroll, nullptr);
  QWidget* keyWidget = qt.WidgetOf(key);
  const QRect keyRect(keyWidget->mapTo(window, QPoint(0, 0)), keyWidget->size());
  EXPECT_EQ(keyRect, QRect(0, form.clientHeight() - 22, form.clientWidth(), 22));
  EXPECT_FALSE(scroll->isAncestorOf(keyWidget));
  EXPECT_EQ(scroll->geometry().bottom() + 1, keyRect.top());
  scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
  QWidget* farWidget = qt.WidgetOf(far);
  const QRect farRect(farWidget->mapTo(window, QPoint(0, 0)), farWidget->size());
  EXPECT_TRUE(QRect(QPoint(0, 0), scroll->size()).contains(farRect));
  EXPECT_FALSE(farRect.intersects(keyRect));
  EXPECT_EQ(QRect(keyWidget->mapTo(window, QPoint(0, 0)), keyWidget->size()), keyRect);
  key.SetVisible(false);
  qt.Flush();
  EXPECT_EQ(scroll->height(), form.clientHeight());
  form.Hide();
}

TEST(UiQtMenuAndSpin, MenuBarActionsAndSpinBoxMirrorTheForm) {
  QtBackend qt;
  Form form("TfSpin");
  form.SetBounds(20, 20, 300, 200);
  SpinEdit& spin = form.Add<SpinEdit>("SpinEdit1");
  spin.SetBounds(10, 10, 60, 22);
  spin.SetRange(1, 9);
  spin.SetValue(2);
  std::vector<std::string> chosen;
  MenuBar& bar = form.AddMenuBar();
  bar.AddEntry("Tisk1", "Tisk samolepek"_cz);
  bar.AddItem("Tisk1", "Zeseznamu1", "Tisk ze seznamu"_cz, [&](MenuItem& i) { chosen.push_back(i.name); });
  bar.AddEntry("Help1", "Help", [&](MenuItem& i) { chosen.push_back(i.name); });
  form.Show();
  auto* box = qobject_cast<QSpinBox*>(qt.WidgetOf(spin));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->minimum(), 1);
  EXPECT_EQ(box->maximum(), 9);
  EXPECT_EQ(box->value(), 2);
  box->setValue(5);
  EXPECT_EQ(spin.value(), 5);
  spin.SetValue(3);
  QApplication::processEvents();
  EXPECT_EQ(box->value(), 3);
  auto* menu = qt.WidgetOf(form)->findChild<QMenuBar*>();
  ASSERT_NE(menu, nullptr);
  const auto top = menu->actions();
  ASSERT_EQ(top.size(), 2);
  EXPECT_EQ(top[0]->text(), Utf("Tisk samolepek"));
  QMenu* list = nullptr;
  for (QMenu* m : menu->findChildren<QMenu*>())
    if (m->menuAction() == top[0]) list = m;
  ASSERT_NE(list, nullptr);
  list->actions().at(0)->trigger();
  top[1]->trigger();
  EXPECT_EQ(chosen, (std::vector<std::string>{"Zeseznamu1", "Help1"}));
  form.Hide();
}

// Leaves a picture of a rendered form in the build folder for a reviewer.
TEST(UiQtGrab, SavesAPictureOfARenderedForm) {
  QtBackend qt;
  ListForm f;
  f.form.SetColor(Rgb(255, 239, 239));
  f.search.SetText("Příliš"_cz);
  f.search.SetColor(colors::Yellow);
  auto& help = f.form.Add<Edit>("lHelp");
  help.SetBounds(0, 200, 480, 20);
  help.SetReadOnly(true);
  help.SetColor(colors::Navy);
  Font bold = f.form.font();
  bold.bold = true;
  bold.color = Rgb(240, 240, 240);
  help.SetFont(bold);
  help.SetText("Esc-konec F3-hledej F4-nový Ins-označ Čšřžýáíé"_cz);
  f.grid.SetRow(2);
  f.form.Show();
  Bitmap shot = GrabForm(f.form);
  EXPECT_EQ(shot.width, f.form.clientWidth());
  EXPECT_EQ(shot.height, f.form.clientHeight());
  QImage image = qt::ToQImage(shot);
  std::string path = UI_QT_OUTPUT_DIR "/form-grab.png";
  ASSERT_TRUE(image.save(QString::fromStdString(path)));
  EXPECT_EQ(shot.Pixel(470, 210), colors::Navy);  // the key line's background
  f.form.Hide();
}

}  // namespace
}  // namespace ui
