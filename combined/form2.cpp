#include "combined/form2.h"

#include <algorithm>
#include <array>
#include <vector>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "codelists/ci01.h"
#include "combined/ci2005.h"
#include "combined/ciwindows.h"
#include "combined/fci92.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"

namespace combined {

using namespace common::literals;
using codelists::Ci01Record;

namespace {

constexpr char kListingJob[] = "CI04";

void NotThere() { common::NotAvailableMessage(); }

// The rows of the simple update: the piece window of a list, or a list's own file.
struct UpdateRow {
  const char* text;  // UTF-8
  int list;
  bool ownFile;
};
constexpr UpdateRow kRows[] = {
    {" 10 Účtová osnova", 10, false},
    {" 11 Předkontace", 11, false},
    {" 14 Investiční majetek", 14, false},
    {" 15 Pohyby skladů", 15, false},
    {" 20 Osnova rozvahy - výkaz", 20, false},
    {" 21 Osnova výsledovky - interní ", 21, false},
    {" 22 Osnova výsledovky - výkaz", 22, false},
    {"-23 Osnova rozvahy - interní", 23, false},
    {" 26 Výkaz zisků a ztrát - 2003", 26, true},
    {" 27 Rozvaha - výkaz 2003", 27, true},
    {" 28 Cash flow", 28, false},
    {" 29 Cash flow - 2003", 29, true},
    {" 30 Organizační struktura - střediska", 30, false},
    {" 61 Klíče mzdových listů", 61, false},
    {" 62 Kategorie pracovníků", 62, false},
    {" 63 Měsíce v roce", 63, false},
    {" 99 - Zbytek číselníku", 99, false},
};

// One listing run: the firm, the lists asked for, the records of CI01.DTA in file
// order, and the report it writes.
class Listing {
 public:
  // False when the query was cancelled or the file cannot be read (reported).
  bool Begin(int width) {
    firm_ = common::Copy(common::FirmName() + std::string(24, ' '), 1, 24);
    selected_.fill(true);
    const auto answer = browser::AskFields(10, 10, nullptr, "Zadej čísla podsouborů(typů) oddělené čárkami "_cz,
                                           {"Enter=Vše"_cz, std::string(48, ' ')});
    if (!answer.confirmed) return false;
    std::string text = common::RemoveSpaces(common::Copy(answer.answers.empty() ? "" : answer.answers[0], 1, 80));
    if (!text.empty()) {
      selected_.fill(false);
      text += ",";
      while (text.size() >= 3) {
        const int list = common::TextToInt(text.substr(0, 2));
        if (list >= 0 && list <= 99) selected_[static_cast<std::size_t>(list)] = true;
        text.erase(0, 3);
      }
    }
    const std::string path = common::DataDir("ci01.dta");
    common::ScopedFileLock lock(path, "");
    if (lock.Stopped()) return false;
    if (int code = codelists::ReadCi01(path, records_)) {
      common::MessageOk(common::Cz("Opis číselníků: soubor ") + path + " err " + std::to_string(code));
      return false;
    }
    writer_ = browser::CurrentReportWriter();
    if (writer_) writer_->OpenReportOut(kListingJob, width);
    return true;
  }
  void End() {
    if (writer_) writer_->CloseReportOut();
    browser::PrintReport(kListingJob);
  }
  // The selected records, each with its list number.
  template <class Each>
  void ForRecords(Each each) {
    for (const std::string& bytes : records_) {
      const Ci01Record r = Ci01Record::FromBytes(bytes);
      const int list = common::TextToInt(r.ts);
      if (list < 0 || list > 99 || !selected_[static_cast<std::size_t>(list)]) continue;
      each(r);
    }
  }
  // A list's title record names the list in the page titles from now on.
  void TakeName(const Ci01Record& r) {
    if (r.klic == "000000" && r.cv == "00" && r.p == "0") name_ = common::Copy(Cells(r) + std::string(30, ' '), 1, 30);
  }
  void Line(const std::string& text) {
    if (writer_) writer_->WriteReportLine(common::StripRightSp(text));
  }
  std::string TitleStart(const std::string& ts) const { return firm_ + std::string(13, ' ') + "TYP: " + ts + " " + name_; }
  static std::string Cells(const Ci01Record& r) { return r.u[0] + r.u[1] + r.u[2] + r.u[3] + r.u[4]; }
  static std::string Pad(std::string s, std::size_t n) {
    if (s.size() < n) s.resize(n, ' ');
    return s;
  }
  int pageLength() const { return common::CurrentSession().LimRad; }
  int page = 0;

 private:
  std::string firm_, name_;
  std::array<bool, 100> selected_{};
  std::vector<std::string> records_;
  browser::ReportWriter* writer_ = nullptr;
};

}  // namespace

OldPanelServices& OldPanelHooks() {
  static OldPanelServices services;
  return services;
}

TForm2::TForm2()
    : ui::Form("Form2"),
      Button1(Add<ui::Button>("Button1")),
      Button2(Add<ui::Button>("Button2")),
      Button3(Add<ui::Button>("Button3")),
      Button4(Add<ui::Button>("Button4")),
      Button5(Add<ui::Button>("Button5")) {
  SetCaption("Stará aktualizace číselníků"_cz);
  SetBounds(250, 150, 330, 250);
  keyPreview = true;
  const char* captions[] = {"Jednoduchá aktualizace číselníků", "Opis číselníků dvojtý", "Opis číselníků",
                            "Aktualizace číselníků", "Tisky"};
  ui::Button* buttons[] = {&Button1, &Button2, &Button3, &Button4, &Button5};
  for (int i = 0; i < 5; ++i) {
    buttons[i]->SetText(common::Cz(captions[i]));
    buttons[i]->SetBounds(16, 12 + 44 * i, 290, 36);
  }
  Button1.onClick = [this](ui::Control&) { Button1Click(); };
  Button2.onClick = [this](ui::Control&) { OldCodeListListingDouble(); };
  Button3.onClick = [this](ui::Control&) { OldCodeListListing(); };
  Button4.onClick = [this](ui::Control&) { Button4Click(); };
  Button5.onClick = [this](ui::Control&) { Button5Click(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift) {
    if (key == ui::vk::Esc) {
      key = 0;
      Close();
    }
  };
}

TForm2& fForm2() { return browser::SingleWindow<TForm2>(); }

void TForm2::Button1Click() {
  common::ScopedFileLock lock(common::DataDir(kCodeListUpdateLock), "W");
  if (lock.Stopped()) return;
  // Pieces left from an earlier run must not be assembled over the file.
  if (!fCI92().SplitCodeLists()) return;
  std::vector<std::string> rows;
  for (const UpdateRow& r : kRows) rows.push_back(common::Cz(r.text));
  // The program ending stops the choice from coming back; the pieces are assembled as after Esc.
  while (!common::CurrentSession().Exiting) {
    const browser::ChoiceResult choice = browser::ShowVyber(10, 5, nullptr, "Aktualizace číselníků"_cz, rows);
    if (choice.chosen < 1 || choice.chosen > static_cast<int>(std::size(kRows))) break;
    const UpdateRow& row = kRows[choice.chosen - 1];
    if (row.ownFile) {
      OldPanelHooks().openOwnList ? OldPanelHooks().openOwnList(row.list) : NotThere();
      continue;
    }
    TfCiPiece& w = fCiPiece(row.list);
    SetupCiPiece(w);
    w.ShowModal();
    w.CloseBrowse();
  }
  fCI92().AssembleCodeLists();
  if (OldPanelHooks().takeAccountAddedMark && OldPanelHooks().takeAccountAddedMark())
    common::BeepMessage("Přidali jste účet, nezapomeňte upravit osnovy rozvahy a výsledovky!"_cz);
}

void TForm2::Button4Click() {
  common::ScopedFileLock lock(common::DataDir(kCodeListUpdateLock), "W");
  if (lock.Stopped()) return;
  TfCi2005& w = fCi2005();
  w.SetupCi2005(codelists::kCi01Name);
  w.MayEdit = w.MayAdd = w.MayDelete = true;
  w.ShowModal();
  if (w.Changed) w.SortCi2005();
  w.CloseBrowse();
}

void TForm2::Button5Click() { OldPanelHooks().reportList ? OldPanelHooks().reportList() : NotThere(); }

void TForm2::OldCodeListListing() {
  Listing l;
  if (!l.Begin(110)) return;
  constexpr std::size_t kLines = 80;
  std::vector<std::string> lines(kLines, std::string(120, ' '));
  std::size_t left = 0, right = 0;
  int lineCount = 0;
  bool pageBegun = false, first = true;
  std::string list, previousKey;
  auto header = [&] {
    ++l.page;
    l.Line("\f");
    l.Line("");
    l.Line(l.TitleStart(list) + std::string(5, ' ') + " D:" + common::TodayText() + " L:" +
           common::FormatFloatMask("###", l.page));
    l.Line("KLÍČ  PM ČV U1    U2    U3    U4    U5      PM ČV  ÚDAJ-1  ÚDAJ-2  ÚDAJ-3"_cz +
           "  ÚDAJ-4  ÚDAJ-5  ÚDAJ-6"_cz);
    l.Line(std::string(97, '='));
    lineCount = 5;
    pageBegun = true;
  };
  auto printPending = [&] {
    for (std::size_t i = 0; i < std::max(left, right); ++i) {
      if (!pageBegun || lineCount >= l.pageLength()) header();
      l.Line(lines[i]);
      ++lineCount;
      lines[i] = std::string(120, ' ');
    }
    left = right = 0;
  };
  l.ForRecords([&](const Ci01Record& r) {
    const std::string key = r.ts + r.klic + r.p;
    if (first) {
      first = false;
      list = r.ts;
      previousKey = key;
    }
    if (key != previousKey) {
      printPending();
      previousKey = key;
      l.TakeName(r);
      if (r.ts != list) {
        list = r.ts;
        header();
      }
    }
    l.TakeName(r);
    const bool leftSide = r.cv < "10";
    std::size_t& used = leftSide ? left : right;
    if (used == kLines) printPending();  // a side longer than a page goes out as it is
    std::string& line = lines[leftSide ? left++ : right++];
    if (leftSide) {
      line = Listing::Pad(r.klic + " " + r.p + " " + r.cv + " " + Listing::Cells(r), 42) + line.substr(42);
    } else {
      line = line.substr(0, 42) + "   " + r.p + " " + r.cv + "  " + r.u[0] + "  " + r.u[1] + "  " + r.u[2] + "  " +
             r.u[3] + "  " + r.u[4] + "  " + r.date;
    }
  });
  printPending();
  l.End();
}

void TForm2::OldCodeListListingDouble() {
  Listing l;
  if (!l.Begin(132)) return;
  const int perColumn = std::max(l.pageLength(), 11) - 10;
  std::vector<std::string> lines(static_cast<std::size_t>(2 * perColumn));
  int count = 0;
  std::string list, lastTs;
  auto printPage = [&] {
    if (count > 0) {
      ++l.page;
      for (const char* s : {"\f", "", ""}) l.Line(s);
      l.Line(l.TitleStart(list) + std::string(10, ' ') + "L:" + common::FormatFloatMask("###", l.page) + " D:" +
             common::TodayText());
      l.Line("");
      l.Line("KLÍČ  PM ČV    U-1   U-2   U-3   U-4   U-5   U-6      "_cz +
             "KLÍČ PM ČV    U-1   U-2   U-3   U-4   U-5   U-6"_cz);
      l.Line(std::string(101, '='));
      l.Line("");
      for (int i = 0; i < perColumn; ++i) {
        auto& a = lines[static_cast<std::size_t>(i)];
        auto& b = lines[static_cast<std::size_t>(i + perColumn)];
        l.Line(Listing::Pad(a, 48) + std::string(5, ' ') + b);
        a.clear();
        b.clear();
      }
    }
    count = 0;
    list = lastTs;
  };
  l.ForRecords([&](const Ci01Record& r) {
    lastTs = r.ts;
    if (r.ts != list) printPage();
    l.TakeName(r);
    lines[static_cast<std::size_t>(count++)] = r.klic + " " + r.p + " " + r.cv + " " + Listing::Cells(r) + r.date;
    if (count == 2 * perColumn) printPage();
  });
  printPage();
  l.End();
}

}  // namespace combined
