// The old update panel: the simple update under "CIXXX" and the two listings of the
// combined file.
#include <filesystem>

#include <gtest/gtest.h>

#include "browser/dotazy.h"
#include "browser/entries.h"
#include "codelists/ci01.h"
#include "combined/fci92.h"
#include "combined/ciwindows.h"
#include "combined/form2.h"
#include "common/faultfs.h"
#include "common/locking.h"
#include "common/session.h"
#include "tests/browser/soubkit.h"
#include "tests/combined/ci01kit.h"

namespace {

using combined::Ci01Record;

// Keeps the listing's lines.
struct Lines : browser::ReportWriter {
  std::string job;
  int width = 0;
  std::vector<std::string> lines;
  void OpenReportOut(const std::string& j, int w) override {
    job = j;
    width = w;
    lines.clear();
  }
  void WriteReportLine(const std::string& line) override { lines.push_back(line); }
  void CloseReportOut() override {}
  int Count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }
};

using ci01test::Rec;

class OldPanel : public browsertest::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    other.DataDirPath = soubtest::UseScratchFolders(dir.path()).DataDirPath;
    other.CurrentUser = "02";
    browser::SetReportServices(nullptr, nullptr, &writer);
    combined::OldPanelHooks() = {};
  }
  void TearDown() override { combined::OldPanelHooks() = {}; }
  std::string Data(const std::string& name) const { return dir / ("data/" + name); }
  bool UpdateFree() { return common::IfVolny(other, Data("CIXXX")).empty(); }
  // The listing query answered with `text`.
  void Answer(const std::string& text) {
    backend.AnswerNextModal([text](ui::Form& f) {
      auto& d = static_cast<browser::TfDotazy&>(f);
      d.Edits[1]->SetText(text);
      d.F2KlapkaClick();
    });
  }

  common::Session other;
  Lines writer;
};

TEST_F(OldPanel, TheSimpleUpdateSplitsAndAssemblesUnderItsLock) {
  const std::string file = Rec("20", "000001", "3", "00", "Aktiva") + Rec("20", "000001", "3", "10", "   001");
  ostest::WriteRaw(Data("CI01.DTA"), file);
  int choices = 0;
  backend.OnModal("fVyber", [&](ui::Form& f) {
    ++choices;
    EXPECT_FALSE(UpdateFree());
    f.Close();
  });
  combined::fForm2().Button1Click();
  EXPECT_EQ(choices, 1);
  EXPECT_TRUE(UpdateFree());
  EXPECT_EQ(ostest::ReadRaw(Data("ci.20")).size(), 53u);
  EXPECT_EQ(ostest::ReadRaw(Data("CI01.DTA")), file);

  // A split that fails offers no pieces and assembles nothing.
  common::FaultFileSystem fs;
  fs.Fail(common::FsOp::Write, ENOSPC, "ci.20");
  std::filesystem::remove(Data("ci.20"));
  {
    common::ScopedFileSystem use(fs);
    combined::fForm2().Button1Click();
  }
  EXPECT_EQ(choices, 1);
  EXPECT_TRUE(UpdateFree());
  EXPECT_EQ(ostest::ReadRaw(Data("CI01.DTA")), file);
}

TEST_F(OldPanel, TheProgramEndingStopsTheChoiceAndAssembles) {
  const std::string file = Rec("20", "000001", "3", "00", "Aktiva") + Rec("20", "000001", "3", "10", "   001");
  ostest::WriteRaw(Data("CI01.DTA"), file);
  int choices = 0, pieces = 0;
  backend.OnModal("fVyber", [&](ui::Form& f) {
    if (++choices > 1) return f.Close();
    backend.Press(ui::vk::Enter);  // the first row: list 10
  });
  backend.OnModal<combined::TfCiPiece>([&](combined::TfCiPiece& w) {
    ++pieces;
    common::CurrentSession().Exiting = true;  // the main window asked the program to end
    w.SetModalResult(ui::mr::Cancel);
  });
  combined::fForm2().Button1Click();
  EXPECT_EQ(choices, 1);
  EXPECT_EQ(pieces, 1);
  EXPECT_TRUE(UpdateFree());
  EXPECT_EQ(ostest::ReadRaw(Data("CI01.DTA")), file);
}

TEST_F(OldPanel, TheListingPrintsTheListsAskedForEachOnItsPage) {
  ostest::WriteRaw(Data("CI01.DTA"),
                   Rec("10", "000000", "0", "00", "OSNOVA") + Rec("10", "311000", "6", "00", "Pokl") +
                       Rec("10", "311000", "6", "01", "a") + Rec("10", "311000", "6", "02", "b") +
                       Rec("10", "311000", "6", "10", "112211") + Rec("10", "311000", "6", "11", "x") +
                       Rec("20", "000001", "3", "00", "Aktiva") + Rec("61", "000000", "0", "00", "KLICE") +
                       Rec("61", "000001", "3", "00", "Mzda"));
  Answer("10,61");
  combined::fForm2().OldCodeListListing();
  EXPECT_EQ(writer.job, "CI04");
  EXPECT_EQ(writer.width, 110);
  EXPECT_EQ(writer.Count("\f"), 2);
  EXPECT_EQ(writer.Count("311000"), 3);  // three left lines, two of them with a right part
  EXPECT_EQ(writer.Count("000001"), 1);  // list 61's entry; list 20 is not printed
  auto at = std::find_if(writer.lines.begin(), writer.lines.end(), [](const std::string& l) { return l.rfind("311000 6 00", 0) == 0; });
  ASSERT_NE(at, writer.lines.end());
  EXPECT_NE(at->find("   6 10  112211"), std::string::npos) << *at;
  EXPECT_NE(writer.lines[2].find("TYP: 10 OSNOVA"), std::string::npos) << writer.lines[2];

  // Cancelled: nothing is printed.
  writer.lines.clear();
  backend.AnswerNextModal([](ui::Form& f) { f.Close(); });
  combined::fForm2().OldCodeListListing();
  EXPECT_TRUE(writer.lines.empty());
}

TEST_F(OldPanel, TheTwoColumnListingFillsTheLeftColumnFirst) {
  common::CurrentSession().LimRad = 60;
  std::string file;
  for (int i = 1; i <= 100; ++i) {
    const std::string n = std::to_string(i);
    file += Rec("99", std::string(6 - n.size(), '0') + n, "1", "00");
  }
  file += Rec("-1", "000001", "1", "00");  // a list no listing can show
  ostest::WriteRaw(Data("CI01.DTA"), file);
  Answer("");
  combined::fForm2().OldCodeListListingDouble();
  EXPECT_EQ(writer.width, 132);
  EXPECT_EQ(writer.Count("\f"), 1);
  auto first = std::find_if(writer.lines.begin(), writer.lines.end(), [](const std::string& l) { return l.rfind("000001 ", 0) == 0; });
  ASSERT_NE(first, writer.lines.end());
  EXPECT_NE(first->find("     000051 1 00"), std::string::npos) << *first;
  EXPECT_EQ(std::string(*(first + 49)).substr(0, 6), "000050");
  EXPECT_NE((first + 49)->find("000100"), std::string::npos);
}

}  // namespace
