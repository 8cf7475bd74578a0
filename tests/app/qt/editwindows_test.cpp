// Every list window of the window table opened as its caller opens it, under the Qt
// back end on a 1280 x 800 work area: its search row fits the window, no control of it
// covers another, and its edit window lies within the work area, with the key line in
// view and no field under it.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "app/windows.h"
#include "app/windowtable.h"
#include "browser/soub.h"
#include "common/startup.h"
#include "reports/writer.h"
#include "tests/app/appkit.h"
#include "tests/browser/qt/editwindowcheck.h"
#include "ui/overlap.h"
#include "ui/qt/qt_backend.h"
#include "ui/registry.h"

namespace {

using apptest::AppTest;

struct QtEditWindows : AppTest {
  ui::qt::QtBackend qt;
};

// The search row of a shown list: "Vybráno:" and the rest of the count within the window.
std::vector<std::string> SearchRowFaults(ui::qt::QtBackend& qt, browser::TfSoub& list) {
  QWidget* window = qt.WidgetOf(list);
  auto* label = qobject_cast<QLabel*>(qt.WidgetOf(list.lKolik));
  if (!window || !label) return {list.name() + ": no count label"};
  auto* scroll = window->findChild<QScrollArea*>();
  const QRect view = scroll ? QRect(scroll->viewport()->mapTo(window, QPoint(0, 0)), scroll->viewport()->size()) : window->rect();
  const int needed = label->fontMetrics().horizontalAdvance(label->text());
  const QRect text(label->mapTo(window, QPoint(0, 0)), QSize(needed, label->height()));
  if (!label->isVisible() || !view.contains(text))
    return {list.name() + ": \"" + label->text().toStdString() + "\" at " + qtcheck::Box(text) + " outside " + qtcheck::Box(view)};
  return {};
}

TEST_F(QtEditWindows, EveryEditWindowFitsTheScreenWithItsKeyLineInView) {
  const ui::Rect work{0, 0, 1280, 800};
  qt.workArea = work;
  common::LoadStartupConfig();
  app::WindowTable table;
  table.CreateAll();
  ui::WindowRegistry registry;
  app::RegisterProgramWindows(registry);

  // The report viewer opens over a report.
  reports::OpenReportOut("SESTAVA", 80);
  reports::WriteReportLine("Radek sestavy");
  reports::CloseReportOut();
  const std::map<std::string, std::vector<std::string>> args = {{"TfPozri", {"SESTAVA"}}};

  std::vector<std::string> faults, notOpened;
  std::set<std::string> checked;
  auto generation = std::make_shared<int>(0);  // outlives the polls still queued
  std::set<std::string> done;
  for (int n = 1; n <= app::kWindowCount; ++n) {
    auto* list = dynamic_cast<browser::TfSoub*>(table.At(n));
    const char* className = app::kWindowTable[static_cast<std::size_t>(n - 1)].className;
    if (!list || !done.insert(className).second) continue;  // a second instance opens as the first
    const ui::WindowEntry* entry = registry.Find(className);
    if (!entry) {
      notOpened.push_back(std::string(className) + " (no opener)");
      continue;
    }
    // Polls the modal windows: dialogs before the list are left with Esc; the list gets
    // its search row checked and its edit window opened, checked and left.
    enum { Waiting, Editing, Edited } state = Waiting;
    const int chain = ++*generation;
    int ticks = 0;
    std::function<void()> poll;
    poll = [&, chain, generation] {
      QTimer::singleShot(20, [&, chain, generation] {
        if (chain != *generation) return;
        if (++ticks > 500) return;  // the opener did not come back: the test ends with what it has
        poll();
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          box->reject();
          return;
        }
        ui::Form* top = ui::ModalForms().empty() ? nullptr : ui::ModalForms().back();
        if (!top) return;
        if (top == list && state == Waiting) {
          state = Editing;
          for (const std::string& f : SearchRowFaults(qt, *list)) faults.push_back(std::string(className) + " " + f);
          for (const auto& [a, b] : ui::OverlappingControls(*list))
            faults.push_back(std::string(className) + " " + a->name() + " covers " + b->name());
          list->RecordEditDialog();
          state = Edited;
          list->Close();
        } else if (top->Find("KeyLine")) {  // the edit window, also one opened without its list
          for (const std::string& f : qtcheck::EditWindowFaults(qt, *top, work)) faults.push_back(std::string(className) + " " + f);
          checked.insert(className);
          if (state == Waiting) state = Edited;
          top->Close();
        } else {
          top->Close();
        }
      });
    };
    poll();
    try {
      const auto given = args.find(className);
      entry->open(given == args.end() ? std::vector<std::string>{} : given->second);
    } catch (const std::exception& e) {
      notOpened.push_back(std::string(className) + " (" + e.what() + ")");
    }
    ++*generation;
    if (state == Waiting) notOpened.push_back(className);
  }
  std::string all;
  for (const std::string& f : faults) all += f + "\n";
  std::string missing;
  for (const std::string& m : notOpened) missing += m + " ";
  EXPECT_TRUE(faults.empty()) << all;
  EXPECT_GE(checked.size(), 60u) << "not opened: " << missing;
  std::cout << checked.size() << " edit windows checked; not opened: " << missing << "\n";
}

}  // namespace
