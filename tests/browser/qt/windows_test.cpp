// The browser's windows as the Qt back end shows them: a record-file browser over a
// small file worked with real keys, its edit window, the calculator, the question
// window and the single choice. Each window is left as a picture in the build folder
// and checked for controls that fall outside it or cut their text.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/choosers/dirdialog.h"
#include "browser/choosers/edituj.h"
#include "browser/choosers/foto.h"
#include "browser/choosers/inout.h"
#include "browser/codec.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/kalk.h"
#include "browser/parsys.h"
#include "browser/soub.h"
#include "browser/winsettings.h"
#include "common/encoding.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/params.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"
#include "tests/browser/qt/editwindowcheck.h"
#include "tests/browser/soubkit.h"
#include "tests/common/os_tempdir.h"
#include "ui/qt/grid_widget.h"
#include "ui/qt/qt_backend.h"
#include "ui/ui.h"

namespace {

using namespace common::literals;
using browser::FieldSetup;

QString Utf(const char* utf8) { return QString::fromUtf8(utf8); }

// Goods: a code, a Czech name, a date and an amount.
class Zbozi : public browser::TfSoub {
 public:
  Zbozi() : TfSoub("fZbozi") { Define(); }

  void Define() {
    FieldCount = 4;
    browser::SetFieldDescriptor(Field(1), FieldSetup().Caption("Kód"_cz).At(2, 1).Picture("X").Initial("     "));
    browser::SetFieldDescriptor(Field(2), FieldSetup().Caption("Název"_cz).At(2, 2).Picture("X").Initial(std::string(24, ' ')));
    browser::SetFieldDescriptor(Field(3), FieldSetup().Caption("Datum").At(2, 3).Picture("D").Initial(std::string(8, ' ')));
    browser::SetFieldDescriptor(Field(4), FieldSetup().Caption("Částka"_cz).At(2, 4).Picture("### ###.##C").Initial(std::string(10, ' ')));
  }
  int Length() { return browser::LayoutLength(FieldSpan()); }

  // One record as the list writes it (name in UTF-8).
  std::string Make(const std::string& code, const std::string& name, const std::string& date, const std::string& amount) {
    Define();
    std::string r(static_cast<std::size_t>(Length()), '\0');
    Field(1).value = code;
    Field(2).value = common::Cz(name);
    Field(3).value = date;
    Field(4).value = amount;
    browser::FieldsToRecord(FieldSpan(), r);
    return r;
  }

  void Open(int start) {
    Define();
    browser::BrowseSetup s;
    s.fileName = "ZBOZI.DTA";
    s.title = "Zboží"_cz;
    s.keyLine = " F1-Nápověda F3-Hledej F4-Nový Mezera-Oprava Esc-Konec"_cz;
    s.editTitle = "Oprava zboží"_cz;
    s.editKeyLine = "F2-OK Esc-Konec Ctrl+F9-Kalkulačka"_cz;
    s.fieldCount = FieldCount;
    s.recordLength = Length();
    s.startRecord = start;
    s.grid = {1, 1, 80, 12};
    OpenBrowse(s);
  }
};

// A scratch folder as data and program folder, the Qt back end, and the dialog
// windows created afresh.
class BrowserQt : public ::testing::Test {
 protected:
  BrowserQt() : cwd(dir.path()), scopedNotes(notes) { Reset(); }
  ~BrowserQt() override { Reset(); }

  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    soubtest::UseScratchFolders(dir.path());
  }

  // Runs `steps` on the next modal window once it is up. A window the steps leave
  // open fails the test and is left with Esc when the watchdog fires, so that
  // nothing hangs (a window closed by the steps ends its loop before that).
  void OnNextModal(std::function<void(QWidget*)> steps, int tries = 50) {
    QTimer::singleShot(10, [this, steps = std::move(steps), tries]() mutable {
      QWidget* w = QApplication::activeModalWidget();
      if (!w || !w->isVisible()) {
        if (tries > 0) OnNextModal(std::move(steps), tries - 1);
        else ADD_FAILURE() << "no modal window came up";
        return;
      }
      // Keys go where the focus is once the window is active.
      EXPECT_TRUE(QTest::qWaitForWindowActive(w));
      EXPECT_TRUE(QTest::qWaitFor([w] { return QApplication::focusWidget() && QApplication::focusWidget()->window() == w; }, 2000));
      steps(w);
      watchdog.disconnect();
      watchdog.setSingleShot(true);
      QObject::connect(&watchdog, &QTimer::timeout, [w] {
        if (QApplication::activeModalWidget() != w) return;
        ADD_FAILURE() << "the modal window was left open";
        QTest::keyClick(Focused(w), Qt::Key_Escape);
      });
      watchdog.start(2000);
    });
  }
  // The widget with the keyboard focus inside a window (the window itself when none).
  static QWidget* Focused(QWidget* window) {
    QWidget* f = QApplication::focusWidget();
    return f && f->window() == window ? f : window;
  }
  // Types text into the focused widget as a keyboard with a Czech layout would.
  static void TypeText(QWidget* window, const QString& text) {
    for (QChar ch : text)
      QTest::sendKeyEvent(QTest::Click, Focused(window), static_cast<Qt::Key>(ch.toUpper().unicode()), QString(ch),
                          Qt::NoModifier);
  }
  static void Key(QWidget* window, Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(Focused(window), key, m);
  }

  // Leaves a picture of the window in the build folder; its path.
  static std::string Save(QWidget* window, const std::string& name) {
    const std::string path = BROWSER_QT_OUTPUT_DIR "/" + name + ".png";
    EXPECT_TRUE(window->grab().save(QString::fromStdString(path))) << path;
    return path;
  }

  // What is wrong with a shown window's controls: one line for each visible control
  // that reaches outside the window's client area, for each label, button or input
  // whose text does not fit its width, and for each text that another control covers.
  static std::vector<std::string> LayoutFaults(QWidget* window) {
    std::vector<std::string> faults;
    auto* scroll = window->findChild<QScrollArea*>();
    if (!scroll || !scroll->widget()) return {"no content"};
    QWidget* content = scroll->widget();
    const QRect area(QPoint(0, 0), scroll->viewport()->size());
    auto describe = [](QWidget* w) {
      QString text;
      if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
      else if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
      else if (auto* e = qobject_cast<QLineEdit*>(w)) text = e->text();
      return (QString(w->metaObject()->className()) + " \"" + text + "\"").toStdString();
    };
    for (QWidget* w : content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!w->isVisibleTo(window)) continue;
      const QRect g = w->geometry();
      if (!area.contains(g))
        faults.push_back(describe(w) + " at " + std::to_string(g.x()) + "," + std::to_string(g.y()) + " " +
                         std::to_string(g.width()) + "x" + std::to_string(g.height()) + " outside " +
                         std::to_string(area.width()) + "x" + std::to_string(area.height()));
      int needed = 0;
      if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap() && !l->text().isEmpty())
        needed = l->fontMetrics().horizontalAdvance(l->text());
      else if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty())
        needed = b->fontMetrics().horizontalAdvance(b->text()) + (qobject_cast<QLabel*>(w) ? 0 : 8);
      else if (auto* e = qobject_cast<QLineEdit*>(w); e && !e->text().trimmed().isEmpty())
        needed = e->fontMetrics().horizontalAdvance(e->text().trimmed()) + 6;
      if (needed > w->width())
        faults.push_back(describe(w) + " needs " + std::to_string(needed) + " pixels, has " + std::to_string(w->width()));
    }
    // Texts over texts: the place a label's text takes, the whole of an input or button.
    auto textRect = [](QWidget* w) {
      QRect g = w->geometry();
      if (auto* l = qobject_cast<QLabel*>(w))
        g.setSize({std::min(g.width(), l->fontMetrics().horizontalAdvance(l->text())),
                   std::min(g.height(), l->fontMetrics().height())});
      return g;
    };
    std::vector<QWidget*> texts;
    for (QWidget* w : content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (w->isVisibleTo(window) && (qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) ||
                                     qobject_cast<QAbstractButton*>(w)))
        texts.push_back(w);
    for (std::size_t i = 0; i < texts.size(); ++i)
      for (std::size_t j = i + 1; j < texts.size(); ++j)
        if (textRect(texts[i]).intersects(textRect(texts[j])))
          faults.push_back(describe(texts[i]) + " and " + describe(texts[j]) + " overlap");
    return faults;
  }
  static std::string Lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& l : v) s += l + "\n";
    return s;
  }

  void WriteGoods(int n) {
    Zbozi maker;
    std::string bytes;
    const char* names[] = {"Šroub zápustný", "Matice čtyřhranná", "Podložka ŘÍDKÁ", "Těsnění ďábelské"};
    for (int i = 1; i <= n; ++i)
      bytes += maker.Make(std::to_string(100 + i), std::string(names[i % 4]) + " " + std::to_string(i),
                          std::to_string(10 + i % 18) + ".03.24", std::to_string(i * 1250) + ".50");
    ostest::WriteRaw(dir / "data/ZBOZI.DTA", bytes);
  }

  ostest::TempDir dir;
  ostest::ScopedCwd cwd;
  ui::qt::QtBackend qt;
  QTimer watchdog;
  common::RecordingNotifier notes;
  common::ScopedNotifier scopedNotes;

 private:
  static void Reset() {
    browser::SoubHooks() = {};
    browser::SetReportServices(nullptr, nullptr, nullptr);
    browser::DestroyDialogWindows();
    browser::DialogResults() = {};
    browser::ResetWindowFont();
    common::ResetSession();
  }
};

TEST_F(BrowserQt, RecordBrowserMovesOnRealKeysAndEditsInItsWindow) {
  WriteGoods(40);
  Zbozi w;
  w.Open(1);
  ASSERT_EQ(w.Count, 40);
  w.Show();
  QWidget* window = qt.WidgetOf(w);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  auto* grid = dynamic_cast<ui::qt::GridWidget*>(qt.WidgetOf(w.sgRol));
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(w.Current, 1);
  EXPECT_EQ(ui::qt::GridWidget::DisplayText(w.sgRol.Cell(2, 1)).trimmed(), Utf("Matice čtyřhranná 1"));

  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(w.Current, 2);
  QTest::keyClick(grid, Qt::Key_PageDown);
  EXPECT_EQ(w.Current, 2 + w.RowsPerPage);
  EXPECT_EQ(common::StripRightSp(w.sgRol.Cell(1, w.CursorRow())), std::to_string(100 + w.Current));
  QTest::keyClick(grid, Qt::Key_End);
  EXPECT_EQ(w.Current, 40);
  EXPECT_EQ(common::StripRightSp(w.sgRol.Cell(1, w.CursorRow())), "140");
  QTest::keyClick(grid, Qt::Key_Up);
  EXPECT_EQ(w.Current, 39);
  EXPECT_EQ(w.sgRol.row(), w.CursorRow());
  const std::string browserShot = Save(window, "record-browser");
  EXPECT_EQ(LayoutFaults(window), std::vector<std::string>{}) << browserShot;

  // Space edits the record under the cursor: a new name is typed over the old one.
  std::string editShot;
  std::vector<std::string> editFaults;
  OnNextModal([&](QWidget* edit) {
    EXPECT_EQ(edit->windowTitle(), Utf("Oprava zboží"));
    auto* code = qobject_cast<QLineEdit*>(Focused(edit));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->text().trimmed(), Utf("139"));
    Key(edit, Qt::Key_Down);
    auto* name = qobject_cast<QLineEdit*>(Focused(edit));
    ASSERT_NE(name, nullptr);
    ASSERT_NE(name, code);
    name->selectAll();
    TypeText(edit, Utf("Kolečko žluté"));
    EXPECT_EQ(name->text(), Utf("Kolečko žluté"));
    editShot = Save(edit, "edit-window");
    editFaults = LayoutFaults(edit);
    Key(edit, Qt::Key_F2);
  });
  QTest::keyClick(grid, Qt::Key_Space);
  EXPECT_EQ(editFaults, std::vector<std::string>{}) << editShot;
  w.RecordRead(39);
  EXPECT_EQ(common::StripRightSp(browser::FieldText(w.Field(2), w.RecordBuffer, 6)), "Kolečko žluté"_cz);
  EXPECT_EQ(w.Current, 39);
  EXPECT_EQ(ui::qt::GridWidget::DisplayText(w.sgRol.Cell(2, w.CursorRow())).trimmed(), Utf("Kolečko žluté"));
  EXPECT_TRUE(notes.Texts(common::RecordingNotifier::Kind::Message).empty());
  w.Hide();
  w.CloseBrowse();
}

TEST_F(BrowserQt, CalculatorAddsOnRealKeys) {
  std::string shot;
  std::vector<std::string> faults;
  OnNextModal([&](QWidget* kalk) {
    TypeText(kalk, "25+");
    TypeText(kalk, "17,5+");
    shot = Save(kalk, "calculator");
    faults = LayoutFaults(kalk);
    Key(kalk, Qt::Key_F2);
  });
  const double r = browser::ShowCalculator(100);
  EXPECT_DOUBLE_EQ(r, 142.5);
  EXPECT_TRUE(browser::fKalk().Confirmed);
  EXPECT_EQ(faults, std::vector<std::string>{}) << shot;
}

TEST_F(BrowserQt, QuestionWindowTakesTypedAnswers) {
  std::string shot;
  std::vector<std::string> faults;
  OnNextModal([&](QWidget* ask) {
    EXPECT_EQ(ask->windowTitle(), Utf("Parametry tisku sestavy"));
    auto* first = qobject_cast<QLineEdit*>(Focused(ask));
    ASSERT_NE(first, nullptr);
    first->selectAll();
    TypeText(ask, "0105");
    Key(ask, Qt::Key_Down);
    Key(ask, Qt::Key_Down);
    qobject_cast<QLineEdit*>(Focused(ask))->selectAll();
    TypeText(ask, Utf("Příliš žluťoučký"));
    shot = Save(ask, "question-window");
    faults = LayoutFaults(ask);
    Key(ask, Qt::Key_F2);
  });
  const browser::FieldsResult r = browser::AskFields(
      10, 5, nullptr, "Parametry tisku sestavy",
      {"Od čísla"_cz, "0001", "Do čísla"_cz, "9999", "Poznámka na konci sestavy"_cz, std::string(30, ' '),
       "Datum", "01.01.24"});
  EXPECT_TRUE(r.confirmed);
  ASSERT_EQ(r.answers.size(), 4u);
  EXPECT_EQ(r.answers[0], "0105");
  EXPECT_EQ(r.answers[1], "9999");
  EXPECT_EQ(common::StripRightSp(r.answers[2]), "Příliš žluťoučký"_cz);
  EXPECT_EQ(faults, std::vector<std::string>{}) << shot;
}

TEST_F(BrowserQt, SingleChoiceTakesTheRowChosenByKeys) {
  std::string shot;
  std::vector<std::string> faults;
  OnNextModal([&](QWidget* choice) {
    Key(choice, Qt::Key_Down);
    Key(choice, Qt::Key_Down);
    shot = Save(choice, "single-choice");
    faults = LayoutFaults(choice);
    // Rows stand on the window's paper; the forbidden row greys its text.
    const QImage picture = choice->grab().toImage();
    const auto rows = choice->findChildren<QRadioButton*>();
    ASSERT_EQ(rows.size(), 5);
    for (QRadioButton* row : rows) {
      const QPoint right = row->mapTo(choice, QPoint(row->width() - 2, row->height() / 2));
      EXPECT_EQ(picture.pixelColor(right), picture.pixelColor(2, 2)) << row->text().toStdString();
      const QPalette::ColorGroup g = row->isEnabled() ? QPalette::Active : QPalette::Disabled;
      EXPECT_EQ(row->palette().color(g, QPalette::WindowText) == QColor(Qt::black), row->isEnabled())
          << row->text().toStdString();
    }
    Key(choice, Qt::Key_Return);
  });
  const browser::ChoiceResult r =
      browser::ShowVyber(10, 5, nullptr, "Druh sestavy",
                         {" 01 Přehled zboží podle kódů"_cz, " 02 Přehled podle názvů"_cz, " 03 Ceník s částkami"_cz,
                          "-04 Zakázaná sestava"_cz, " 05 Inventura skladu"_cz});
  EXPECT_EQ(r.chosen, 3);
  EXPECT_EQ(r.code, "03");
  EXPECT_EQ(faults, std::vector<std::string>{}) << shot;
}


// ---------------------------------------------------------------- edit windows and the screen

// A list whose edit window is given by its cells and its fields' places.
class Dodatky : public browser::TfSoub {
 public:
  explicit Dodatky(std::string name) : TfSoub(std::move(name)) {}
  void Open(browser::CellFrame edit, const std::vector<std::pair<int, int>>& places) {
    FieldCount = static_cast<int>(places.size());
    for (int i = 1; i <= FieldCount; ++i) {
      const auto [column, line] = places[static_cast<std::size_t>(i - 1)];
      browser::SetFieldDescriptor(Field(i), FieldSetup().Caption("Údaj "_cz + std::to_string(i)).At(column, line).Picture("X").Initial(std::string(20, ' ')));
    }
    browser::BrowseSetup s;
    s.fileName = "DODATKY.DTA";
    s.title = "Dodatky";
    s.editTitle = "Oprava dodatků"_cz;
    s.editKeyLine = "F2-OK Esc-Konec F1-Nápověda F4-Přidej F8-Zruš Ctrl+F9-Kalkulačka"_cz;
    s.fieldCount = FieldCount;
    s.recordLength = browser::LayoutLength(FieldSpan());
    s.grid = {1, 1, 80, 12};
    s.edit = edit;
    OpenBrowse(s);
  }
};

// An edit window larger than the work area is cut to it, scrolls, and ends at its
// edges; one whose last field would sit under the key line leaves it room; the key
// line stays in view below the scrolling fields; a stored left of 5000 opens 100
// pixels before the right edge.
TEST_F(BrowserQt, EditWindowsFitTheWorkAreaWithTheirKeyLineInView) {
  const ui::Rect work{0, 0, 1280, 800};
  qt.workArea = work;
  struct Case {
    const char* name;
    browser::CellFrame edit;
    std::vector<std::pair<int, int>> places;
    int storedLeft;
  } cases[] = {
      {"wide", {50, 1, 300, 45}, {{2, 1}, {2, 2}, {2, 20}, {2, 40}, {71, 3}, {71, 28}, {280, 3}, {280, 44}}, 0},
      {"key-line", {45, 1, 90, 13}, {{2, 1}, {2, 2}, {2, 12}}, 0},
      {"far-right", {45, 1, 90, 13}, {{2, 1}, {2, 2}}, 5000},
  };
  for (const Case& c : cases) {
    Dodatky w(std::string("fDodatky") + c.name);
    w.Open(c.edit, c.places);
    if (c.storedLeft) common::WriteParam("par\\okna2.par", std::string("fDodatky") + c.name + " AktLeft", std::to_string(c.storedLeft));
    std::vector<std::string> faults;
    ui::Rect bounds, shown;  // as laid out, and as the window stands once shown
    std::string shot;
    OnNextModal([&](QWidget* edit) {
      ui::Form* form = ui::ActiveForm();
      ASSERT_NE(form, nullptr);
      bounds = w.ActiveEditForm() ? w.ActiveEditForm()->layout().window : ui::Rect{};
      shown = form->bounds();
      shot = Save(edit, std::string("edit-fits-") + c.name);
      faults = qtcheck::EditWindowFaults(qt, *form, work, c.storedLeft == 0);
      Key(edit, Qt::Key_Escape);
    });
    w.RecordEditDialog();
    EXPECT_EQ(faults, std::vector<std::string>{}) << c.name << " " << shot;
    if (c.storedLeft) {
      EXPECT_EQ(bounds.left, work.width - 100) << c.name;
    }
    EXPECT_EQ(shown.left, bounds.left) << c.name;
    EXPECT_EQ(shown.top, bounds.top) << c.name;
    if (std::string(c.name) == "wide") {
      EXPECT_EQ(bounds.width, work.width);
      EXPECT_EQ(bounds.height, work.height);
    }
    w.CloseBrowse();
  }
}

// ---------------------------------------------------------------- choosers

// Drive C is the scratch folder while a chooser test runs.
class ChoosersQt : public BrowserQt {
 protected:
  ChoosersQt() : saved(common::Drives()) { common::Drives().Set("C", dir.path()); }
  ~ChoosersQt() override { common::Drives() = saved; }
  common::DriveMap saved;
};

TEST_F(ChoosersQt, FolderChooserConfirmsWithOk) {
  std::filesystem::create_directories(dir / "KOPIE");
  std::string shot;
  std::vector<std::string> faults;
  OnNextModal([&](QWidget* w) {
    shot = Save(w, "folder-chooser");
    faults = LayoutFaults(w);
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
      if (b->text() == "OK") QTest::mouseClick(b, Qt::LeftButton);
  });
  EXPECT_TRUE(browser::ChooseFolder("Urči složku pro kopii číselníků"_cz, "c:\\"));
  EXPECT_EQ(browser::fDirDialog().Folder, "c:\\");
  EXPECT_EQ(faults, std::vector<std::string>{}) << shot;
}

TEST_F(ChoosersQt, PictureChooserShowsItsThumbnails) {
  std::filesystem::create_directories(dir / "FOTO");
  for (int i = 1; i <= 5; ++i) ui::SaveJpegFile(ui::Bitmap(40 + 10 * i, 30, ui::Rgb(40 * i, 100, 200)), dir / ("FOTO/foto" + std::to_string(i) + ".jpg"));
  std::string shot;
  std::vector<std::string> faults;
  OnNextModal([&](QWidget* w) {
    shot = Save(w, "picture-chooser");
    faults = LayoutFaults(w);
    Key(w, Qt::Key_Escape);
  });
  EXPECT_FALSE(browser::ChoosePictureFile("Vyber obrázek"_cz, "c:\\FOTO\\", "*.jpg"));
  EXPECT_EQ(faults, std::vector<std::string>{}) << shot;
}

TEST_F(ChoosersQt, LineEditorOverwritesOnRealKeys) {
  std::string shot;
  OnNextModal([&](QWidget* w) {
    Key(w, Qt::Key_Right);
    TypeText(w, "XY");
    shot = Save(w, "line-editor");
    Key(w, Qt::Key_Return);
  });
  browser::fEdituj().init(20, 20, 1, 12, 1, "Řádek sestavy"_cz);
  browser::fEdituj().ShowModal();
  EXPECT_EQ(browser::fEdituj().EditText, "ŘXYek sestavy"_cz);
  EXPECT_EQ(browser::fEdituj().EndKey, ui::vk::Enter);
  EXPECT_FALSE(shot.empty());
}

// "Nacti z CSV": the chooser's name field holds the mask "*.csv"; a name typed there
// replaces the mask, the field entered by Tab, by a click or by the window's own move.
TEST_F(ChoosersQt, ANameTypedWhereTheMaskStandsReplacesIt) {
  ostest::WriteRaw(dir / "zeme.csv", "CZ;Česko\r\n"_cz);
  for (const char* entry : {"Tab", "click", "window"}) {
    std::string typed;
    OnNextModal([&](QWidget* w) {
      browser::TfInOut& chooser = browser::fInOut();
      auto* name = qobject_cast<QLineEdit*>(qt.WidgetOf(chooser.eSoub));
      ASSERT_NE(name, nullptr);
      EXPECT_EQ(name->text(), "*.csv");
      if (entry[0] == 'c') QTest::mouseClick(name, Qt::LeftButton, Qt::NoModifier, QPoint(name->width() - 4, name->height() / 2));
      if (entry[0] == 'w') chooser.eSoub.SetFocus();
      for (int tabs = 0; entry[0] == 'T' && QApplication::focusWidget() != name && tabs < 8; ++tabs) Key(w, Qt::Key_Tab);
      EXPECT_TRUE(QTest::qWaitFor([name] { return name->hasSelectedText(); }, 1000)) << entry;
      TypeText(w, "zeme.csv");
      typed = name->text().toStdString();
      Key(w, Qt::Key_Return);
    });
    std::string chosen;
    EXPECT_TRUE(browser::ChooseFile("Urči soubor CSV"_cz, "*.csv", chosen)) << entry;
    browser::DestroyDialogWindows();  // a chooser of its own each time
    EXPECT_EQ(typed, "zeme.csv") << entry;
    EXPECT_EQ(chosen, "C:\\zeme.csv") << entry;
  }
}

}  // namespace

namespace {

TEST_F(BrowserQt, SystemParametersTakeTypedValues) {
  std::string shot;
  std::vector<std::string> faults;
  OnNextModal([&](QWidget* par) {
    auto* first = qobject_cast<QLineEdit*>(Focused(par));
    ASSERT_NE(first, nullptr);
    first->selectAll();
    TypeText(par, "EUR");
    Key(par, Qt::Key_Down);
    shot = Save(par, "system-parameters");
    faults = LayoutFaults(par);
    Key(par, Qt::Key_F2);
  });
  browser::OpenSystemParameters();
  EXPECT_FALSE(browser::fParSys().Cancelled);
  EXPECT_EQ(common::GetJob("MENA"), "EUR");
  EXPECT_EQ(faults, std::vector<std::string>{}) << shot;
}

}  // namespace
