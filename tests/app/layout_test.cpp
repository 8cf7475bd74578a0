// The layout of the postal codes and the report viewer on a 1280x800 screen: nothing
// of a window covers another of its controls, and the grid, the search row ("Najdi
// [F3]") and the key line stand one under the other, however full the page.
#include <gtest/gtest.h>

#include "codelists/postal.h"
#include "common/dirs.h"
#include "common/fileops.h"
#include "common/osfile.h"
#include "reports/pozri.h"
#include "tests/app/appkit.h"
#include "tests/codelists/codelistkit.h"
#include "ui/overlap.h"

namespace {

using apptest::AppTest;

// What a user would see wrong in a list window: one line per fault.
std::string LayoutFaults(const browser::TfRol& w) {
  std::string out;
  for (const auto& [a, b] : ui::OverlappingControls(w)) out += a->name() + " covers " + b->name() + "\n";
  const auto bottom = [](const ui::Control& c) { return c.top() + c.height(); };
  if (bottom(w.sgRol) > w.eHled.top()) out += "the grid reaches into the search row\n";
  if (bottom(w.eHled) > w.lHelp.top() || bottom(w.lKolik) > w.lHelp.top()) out += "the search row under the key line\n";
  for (const auto& c : w.controls())
    if (c->parent() == nullptr && c->VisibleInForm() && c->width() > 0 &&
        (c->left() + c->width() > w.clientWidth() || bottom(*c) > w.clientHeight()))
      out += c->name() + " outside the window\n";
  return out;
}

TEST_F(AppTest, PostalCodesAndViewerKeepTheirControlsApart) {
  backend.workArea = {0, 0, 1280, 800};
  for (int records : {3, 60}) {
    SCOPED_TRACE(records);
    std::string bytes;
    for (int i = 0; i < records; ++i)
      bytes += cltest::MakeRecord(codelists::PscSpec(), {{1, std::to_string(11000 + i)}, {2, "Obec"}, {4, "Okres"}});
    common::ForceDirs(common::ProgDir("\\2\\PSC.dta"));
    ASSERT_EQ(common::ReplaceFileContents(common::ProgDir("\\2\\PSC.dta"), bytes), 0);
    codelists::Tfpsc& psc = codelists::fpsc();
    codelists::SetupPsc(psc);
    EXPECT_EQ(LayoutFaults(psc), "");
    // The buttons stand between the search row and the key line.
    EXPECT_GE(psc.Button1.top(), psc.eHled.top() + psc.eHled.height());
    EXPECT_EQ(psc.bpscp.top(), psc.Button1.top());
    psc.CloseBrowse();
  }

  for (int lines : {5, 400}) {
    SCOPED_TRACE(lines);
    std::string report;
    for (int i = 1; i <= lines; ++i) {
      std::string line = "Radek " + std::to_string(i);
      report += line + std::string(110 - line.size(), ' ') + "\r\n";
    }
    ASSERT_EQ(common::ReplaceFileContents("R.txt", report), 0);
    reports::TfPozri& v = reports::fPozri();
    v.SetupPozri("R.txt");
    EXPECT_EQ(LayoutFaults(v), "");
    v.GoToRecord(lines, 2);  // the page full to its last row
    EXPECT_EQ(LayoutFaults(v), "");
    // Made lower and higher by the user, the page follows and stays clear.
    v.SetBounds(v.left(), v.top(), v.width(), 300);
    EXPECT_EQ(LayoutFaults(v), "");
    v.SetBounds(v.left(), v.top(), v.width(), 780);
    EXPECT_EQ(LayoutFaults(v), "");
    v.CloseBrowse();
  }
}

}  // namespace
