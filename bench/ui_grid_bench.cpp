// Times 1,000 key presses on a form with a 40-row x 10-column grid, each press
// changing every cell, through the Qt back end (offscreen unless a platform is
// given): the key event goes in, the handler rewrites the page, the back end
// mirrors it and the window is painted.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <string>

#include "ui/qt/grid_widget.h"
#include "ui/qt/qt_backend.h"
#include "ui/ui.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ui::qt::QtBackend backend;
  const int rows = 40, cols = 10, presses = argc > 1 ? std::stoi(argv[1]) : 1000;

  ui::Form form("Bench");
  form.SetBounds(0, 0, 640, 850);
  auto& grid = form.Add<ui::Grid>("sgRol");
  grid.SetBounds(0, 0, 620, (rows + 1) * 19 + 2);
  grid.SetColCount(cols);
  grid.SetRowCount(rows + 1);
  grid.SetRowHeight(18);
  grid.SetRowSelect(true);
  grid.SetColWidth(0, 10);
  for (int c = 1; c < cols; ++c) grid.SetCell(c, 0, "Sloupec " + std::to_string(c));
  int top = 0, keys = 0;
  auto repaint = [&] {
    std::string text;
    for (int r = 1; r <= rows; ++r)
      for (int c = 0; c < cols; ++c) {
        text = c == 0 ? ((r + top) % 7 == 0 ? "\x11" : " ") : std::to_string(top + r) + "/" + std::to_string(c);
        grid.SetCell(c, r, text);
      }
  };
  grid.onKeyDown = [&](ui::Control&, int& key, ui::Shift) {
    if (key == ui::vk::Down) ++top;
    key = 0;
    ++keys;
    repaint();
  };
  repaint();
  form.Show();
  grid.SetFocus();
  backend.Flush();
  QWidget* window = backend.WidgetOf(form);
  QWidget* target = backend.WidgetOf(grid);
  window->repaint();
  for (int i = 0; i < 20 && !window->windowHandle()->isExposed(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  auto* gridWidget = static_cast<ui::qt::GridWidget*>(target);
  int paintsBefore = gridWidget->paints();

  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < presses; ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    // Let Qt paint what changed, as it does between two keys of a user.
    QCoreApplication::processEvents();
  }
  auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d key presses on a %dx%d grid, every cell changed each time (Qt, %s): %.1f ms, %.1f us a press; "
              "%d paints of the cells\n",
              keys, rows, cols, qPrintable(QGuiApplication::platformName()), elapsed, elapsed * 1000 / presses,
              gridWidget->paints() - paintsBefore);

  // The same presses delivered faster than frames: Qt paints once for many.
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < presses; ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }
  QCoreApplication::processEvents();
  elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("the same without a paint after each press (Qt paints when idle): %.1f ms\n", elapsed);
  bool ok = keys == 2 * presses && grid.Cell(1, 1) == std::to_string(2 * presses + 1) + "/1";
  form.Hide();
  return ok ? 0 : 1;
}
