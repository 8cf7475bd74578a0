// What keeps a shown edit window from fitting the screen: the window reaching past the
// work area, its key line out of view, a field that cannot be scrolled into view or
// that sits under the key line. One line per fault, empty when the window is sound.
#pragma once
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/qt/qt_backend.h"

namespace qtcheck {

inline std::string Box(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

// `whole`: the window itself must lie within the work area (not so for one placed by a
// stored position that the work area pulls back only to 100 pixels from its edges).
inline std::vector<std::string> EditWindowFaults(ui::qt::QtBackend& qt, ui::Form& form, const ui::Rect& work,
                                                 bool whole = true) {
  std::vector<std::string> faults;
  const std::string name = form.name() + ": ";
  QWidget* window = qt.WidgetOf(form);
  if (!window) return {name + "no window"};
  // The client area as shown (the frame around it is the window manager's).
  const QRect client = window->geometry();
  if (whole && !QRect(work.left, work.top, work.width, work.height).contains(client))
    faults.push_back(name + "window " + Box(client) + " outside the work area " +
                     Box({work.left, work.top, work.width, work.height}));
  auto* scroll = window->findChild<QScrollArea*>();
  ui::Control* keyControl = form.Find("KeyLine");
  QWidget* key = keyControl ? qt.WidgetOf(*keyControl) : nullptr;
  if (!scroll || !key) return {name + "no window or key line"};
  QApplication::processEvents();
  const QRect view(scroll->viewport()->mapTo(window, QPoint(0, 0)), scroll->viewport()->size());
  const auto keyRect = [&] { return QRect(key->mapTo(window, QPoint(0, 0)), key->size()); };
  // The key line in view: whole in the window, and not cut by the scrolling area's edges.
  if (!key->isVisible() || !window->rect().contains(keyRect()) ||
      (scroll->isAncestorOf(key) && !view.contains(keyRect())))
    faults.push_back(name + "key line " + Box(keyRect()) + " not in view in " + Box(window->rect()));
  for (int i = 1;; ++i) {
    ui::Control* c = form.Find("Edit" + std::to_string(i));
    if (!c) break;
    QWidget* field = qt.WidgetOf(*c);
    if (!field || !field->isVisible()) continue;
    // The field into view, from its start as far as the view is wide (ensureWidgetVisible
    // would show only an input's cursor); measured before any timer of the window moves it.
    const QPoint at = field->mapTo(scroll->widget(), QPoint(0, 0));
    const int half = std::min(field->width(), view.width()) / 2;
    scroll->ensureVisible(at.x() + half, at.y() + field->height() / 2, half, field->height() / 2 + 1);
    const QRect r(field->mapTo(window, QPoint(0, 0)), field->size());
    // Reachable: its start and its whole height can be scrolled into view.
    if (!view.contains(r.topLeft()) || r.bottom() > view.bottom()) faults.push_back(name + "field " + std::to_string(i) + " " + Box(r) + " out of reach");
    if (r.intersects(keyRect()))
      faults.push_back(name + "field " + std::to_string(i) + " " + Box(r) + " under the key line " + Box(keyRect()));
  }
  scroll->ensureVisible(0, 0);
  return faults;
}

}  // namespace qtcheck
