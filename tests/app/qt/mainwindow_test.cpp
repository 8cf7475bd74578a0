// The program's run on the Qt back end: every window created, the main window shown
// with its caption, buttons and label, left as a picture in the build folder, then
// ended with Esc as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/form1.h"
#include "app/program.h"
#include "app/windowtable.h"
#include "browser/rol.h"
#include "common/encoding.h"
#include "tests/app/appkit.h"
#include "ui/qt/qt_backend.h"

namespace {

using apptest::AppTest;
using apptest::CountingBrowse;

struct QtMainWindow : AppTest {
  ui::qt::QtBackend qt;
};

TEST_F(QtMainWindow, ShowsTheButtonsAndEndsWithEsc) {
  QString title, lJazyk, aktCi;
  bool sortShown = true, stitkyEnabled = true;
  int shownButtons = 0;
  bool picture = false;
  app::RunProgram({}, [&](app::WindowTable& w) {
    app::TForm1& f = w.Main();
    f.services.userSlotTaken = [] { return false; };
    QTimer::singleShot(200, [&] {
      QWidget* window = qt.WidgetOf(f);
      ASSERT_NE(window, nullptr);
      title = window->windowTitle();
      for (auto* b : window->findChildren<QAbstractButton*>())
        if (b->isVisible()) ++shownButtons;
      if (auto* l = qobject_cast<QLabel*>(qt.WidgetOf(f.lJazyk))) lJazyk = l->text();
      if (auto* b = qobject_cast<QAbstractButton*>(qt.WidgetOf(f.bAktCi))) aktCi = b->text();
      sortShown = qt.WidgetOf(f.bSortOrg) && qt.WidgetOf(f.bSortOrg)->isVisible();
      stitkyEnabled = qt.WidgetOf(f.bStitky)->isEnabled();
      picture = window->grab().save(QString(APP_QT_OUTPUT_DIR) + "/main_window.png");
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Escape);
    });
  });
  EXPECT_EQ(title, "TAVONA 01");
  EXPECT_EQ(lJazyk, QString::fromUtf8("Platí: CZ"));
  EXPECT_EQ(aktCi, QString::fromUtf8("Aktualizace číselníků"));
  EXPECT_EQ(shownButtons, 18);
  EXPECT_FALSE(sortShown);
  EXPECT_FALSE(stitkyEnabled);
  EXPECT_TRUE(picture);
  EXPECT_EQ(closes, 1);
}

// Ctrl + right click on the window's free area opens the button-mask editor; a
// right click with Shift as well does not.
TEST_F(QtMainWindow, CtrlRightClickOpensTheMaskEditor) {
  std::vector<std::string> modal;
  QTimer answer;  // takes note of a modal window and leaves it
  QObject::connect(&answer, &QTimer::timeout, [&] {
    for (ui::Form* m : ui::ModalForms()) {
      if (m->modalDone()) continue;
      modal.push_back(m->name());
      m->SetModalResult(ui::mr::Cancel);
    }
  });
  answer.start(20);
  app::RunProgram({}, [&](app::WindowTable& w) {
    app::TForm1& f = w.Main();
    f.services.userSlotTaken = [] { return false; };
    QTimer::singleShot(100, [&] {
      QWidget* window = qt.WidgetOf(f);
      const QPoint free(780, 560);
      QWidget* area = window->childAt(free) ? window->childAt(free) : window;
      const QPoint at = area->mapFrom(window, free);
      auto rightClick = [&](Qt::KeyboardModifiers held) {
        QMouseEvent press(QEvent::MouseButtonPress, at, area->mapToGlobal(at), Qt::RightButton, Qt::RightButton, held);
        QApplication::sendEvent(area, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, area->mapToGlobal(at), Qt::RightButton, Qt::NoButton, held);
        QApplication::sendEvent(area, &release);
      };
      rightClick(Qt::ControlModifier | Qt::ShiftModifier);
      rightClick(Qt::ControlModifier);
      QTimer::singleShot(0, [&] { f.RequestExit(); });
    });
  });
  EXPECT_EQ(modal, std::vector<std::string>{"fVolby"});
  EXPECT_EQ(closes, 1);
}

// The watch fires inside the list's own event loop: the message, then the list is
// rejected, its opener runs CloseBrowse, and only then the main window closes.
TEST_F(QtMainWindow, WatchEndsTheRunWhileAListIsOpen) {
  CountingBrowse browse(*this);
  QString message;
  bool listShown = false;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (qt.WidgetOf(browse) && qt.WidgetOf(browse)->isVisible()) listShown = true;
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      message = box->text();
      box->accept();
    }
  });
  answer.start(20);
  app::RunProgram({}, [&](app::WindowTable& w) {
    app::TForm1& f = w.Main();
    f.services.userSlotTaken = [] { return true; };
    f.Timer1.SetInterval(50);
    QTimer::singleShot(10, [&] { f.RunAction([&] { app::Browse(browse, nullptr); }); });
  });
  EXPECT_TRUE(listShown);
  EXPECT_EQ(message, QString::fromUtf8("Program \"Číselníky\" byl opuštěn programem TAVONA"));
  EXPECT_EQ(browse.closes, 1);
  EXPECT_EQ(browse.formClosesSeen, 0);
  EXPECT_EQ(closes, 1);
}

}  // namespace
