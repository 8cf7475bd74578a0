// Address labels: the design (units, size limits, dragging, check boxes, spin
// boxes, "SAMOLE.PKY"), the address list (adding marked partners, erasing,
// checking) and the printing of sheets and copies on the recording printer.
#include <filesystem>

#include <gtest/gtest.h>

#include "common/faultfs.h"
#include "common/params.h"
#include "partners/stitky.h"
#include "tests/partners/partnerkit.h"
#include "ui/printing.h"

namespace {

using common::Cz;
using partners::TfStitky;

class Labels : public partnertest::PartnerFiles {
 protected:
  void TearDown() override {
    partners::DestroyLabelWindows();
    PartnerFiles::TearDown();
  }
  TfStitky& Open() {
    TfStitky& w = partners::fStitky();
    w.Show();
    return w;
  }
  // The address list in the current folder with n partners "Firma k".
  void WriteList(int n) {
    std::vector<partnertest::Fields> list;
    for (int k = 1; k <= n; ++k)
      list.push_back({{4, "Firma " + std::to_string(k)}, {5, "Jan"}, {6, "Ulice"}, {7, "Město"}, {8, "11000"},
                      {9, "CZ"}});
    ostest::WriteRaw(dir / "samol.dta", Partners(list));
  }
  std::string ListBytes() const { return ostest::ReadRaw(dir / "samol.dta"); }
  void Retype(ui::Edit& e, const std::string& text) {
    backend.Focus(e);
    e.SelectAll();
    backend.Type(text);
  }
  int TextCount(std::size_t job) const { return static_cast<int>(Texts(job).size()); }
};

TEST_F(Labels, SizesFollowTheUnitWithinTheLimits) {
  TfStitky& w = Open();
  EXPECT_EQ(w.Panel1.width(), 329);
  EXPECT_EQ(w.Panel1.height(), 187);
  EXPECT_EQ(w.Ex.text(), "  82");
  EXPECT_EQ(w.Button2.text(), Cz("<-- V milimetrech"));
  const std::pair<const char*, int> widths[] = {{"80", 320}, {"2", 320}, {"300", 320}, {"100", 400}};
  for (const auto& [typed, width] : widths) {
    Retype(w.Ex, typed);
    backend.Focus(w.ey);  // leaving the edit applies it
    EXPECT_EQ(w.Panel1.width(), width) << typed;
  }
  Retype(w.Ex, "80");
  backend.Focus(w.ey);
  backend.Click(w.Button2);
  EXPECT_EQ(w.Button2.text(), Cz("<-- V setinách palců"));
  EXPECT_EQ(w.Panel1.width(), 80);
  Retype(w.Ex, "300");
  backend.Focus(w.ey);
  EXPECT_EQ(w.Panel1.width(), 300);
}

TEST_F(Labels, DragResizesThePanelAndMovesFieldsInsideIt) {
  TfStitky& w = Open();
  const int right = w.Panel1.left() + w.Panel1.width(), bottom = w.Panel1.top() + w.Panel1.height();
  backend.Drag(w, {right + 5, 100}, {right + 5 + 40, bottom + 20}, ui::MouseButton::Right);
  EXPECT_EQ(w.Panel1.width(), 329 + 45);
  EXPECT_EQ(w.Panel1.height(), 187 + 20);
  EXPECT_EQ(w.Ex.text(), "  94");  // 374 / 4 rounded
  EXPECT_TRUE(w.Panel1.enabled());
  EXPECT_EQ(w.LabelDragMode, 0);
  // Far from the edges the right button does nothing.
  backend.Drag(w, {5, 5}, {50, 50}, ui::MouseButton::Right);
  EXPECT_EQ(w.Panel1.width(), 329 + 45);

  ui::Edit& a2 = *w.adr[1];
  backend.Drag(a2, {5, 5}, {5 + 100, 5 + 40}, ui::MouseButton::Right);
  EXPECT_EQ(a2.left(), 8 + 5 + 100);
  EXPECT_EQ(a2.top(), 34 + 5 + 40 - a2.height());
  EXPECT_TRUE(a2.enabled());
  // The field stays within the panel's inner corner.
  w.MoveFieldInPanel(2, -30, -30);
  EXPECT_EQ(a2.left(), 2);
  EXPECT_EQ(a2.top(), 2);
}

TEST_F(Labels, LeftClickChoosesTheFieldFontAndTheDesignIsSavedOnClose) {
  TfStitky& w = Open();
  backend.QueueAnswer(ui::headless::Answer::FontAnswer(ui::Font{"Times", 14, true}));
  backend.Click(*w.adr[0]);
  EXPECT_EQ(w.adr[0]->font().name, "Times");
  EXPECT_EQ(w.adr[0]->font().size, 14);
  EXPECT_TRUE(w.adr[0]->font().bold);
  ui::Font both = w.adr[2]->font();
  both.bold = both.italic = true;
  w.adr[2]->SetFont(both);
  common::WriteParam("SAMOLE.PKY", "adr3 style", "Italic");
  w.adr[3]->SetText(Cz("Praha"));
  w.SpinEdit1.SetValue(3);
  Retype(w.odsadX, "5,5");
  backend.Click(w.Button2);
  w.Close();
  FlushParams();
  const std::pair<const char*, const char*> keys[] = {
      {"adr1 font", "Times"}, {"adr1 size", " 14"}, {"adr1 style", "Bold"}, {"adr1 left", "   8"},
      {"adr2 style", "Normal"}, {"adr3 style", "Italic"}, {"adr4 text", "Praha"}, {"Panel width", "  82"},
      {"Odsazeni X", "5,5"}, {"mira", "palce"}, {"Pocet X", "   3"}, {"Pocet Y", "   2"}};
  for (const auto& [key, value] : keys) EXPECT_EQ(common::ReadParam("SAMOLE.PKY", key), Cz(value)) << key;

  partners::DestroyLabelWindows();
  TfStitky& again = Open();
  EXPECT_EQ(again.adr[0]->font().name, "Times");
  EXPECT_TRUE(again.adr[0]->font().bold);
  EXPECT_TRUE(again.adr[2]->font().italic);
  EXPECT_EQ(again.adr[3]->text(), Cz("Praha"));
  EXPECT_EQ(again.LabelUnitInches, 1);
  EXPECT_EQ(again.Ex.text(), "  82");  // "82" mm read again as hundredths of an inch
  EXPECT_EQ(again.SpinEdit1.value(), 3);
  EXPECT_EQ(again.odsadX.text(), "5,5");
}

TEST_F(Labels, CheckBoxesHideFieldsAndTheHelpPanelComesAndGoes) {
  TfStitky& w = Open();
  backend.Click(*w.CheckBox[4]);
  EXPECT_FALSE(w.adr[4]->visible());
  backend.ChooseMenu(w, "Help");
  EXPECT_TRUE(w.Panel3.visible());
  backend.Click(w.bHelpOK);
  EXPECT_FALSE(w.Panel3.visible());
  backend.Press(ui::vk::Esc);
  EXPECT_FALSE(w.visible());
}

TEST_F(Labels, AListOfFiveOnTwoByTwoSheetsPrintsTwoSheets) {
  WriteList(5);
  TfStitky& w = Open();
  backend.Click(*w.CheckBox[4]);  // "Stát" off: five fields a label
  w.odsadX.SetText("2");           // 8 px in millimetres
  backend.ChooseMenu(w, Cz("Tisk ze seznamu"));
  ASSERT_EQ(backend.printJobs().size(), 2u);
  EXPECT_EQ(TextCount(0), 4 * 5);
  EXPECT_EQ(TextCount(1), 1 * 5);
  const int s = static_cast<int>(ui::PrinterScaleState().x);
  EXPECT_EQ(s, 6);
  const int W = w.Panel1.width(), H = w.Panel1.height();
  const std::vector<std::string> first = Texts(0);
  EXPECT_EQ(first[0], std::to_string((8 + 8) * s) + "," + std::to_string(8 * s) + " Firma 1");
  // The second label of the row lies one panel width to the right.
  EXPECT_EQ(first[5], std::to_string((8 + W + 8) * s) + "," + std::to_string(8 * s) + " Firma 2");
  EXPECT_EQ(first[10], std::to_string((8 + 8) * s) + "," + std::to_string((8 + H) * s) + " Firma 3");
  for (const std::string& t : first) EXPECT_EQ(t.find(" CZ"), std::string::npos) << t;
  EXPECT_EQ(Texts(1)[0], std::to_string((8 + 8) * s) + "," + std::to_string(8 * s) + " Firma 5");
}

// A list the user may read but not write prints whole, the list as it was.
TEST_F(Labels, AListTheUserMayOnlyReadPrintsWhole) {
  WriteList(5);
  const std::string before = ListBytes();
  TfStitky& w = Open();
  {
    common::FaultFileSystem faults;
    faults.Fail(common::FsOp::OpenWrite, EACCES, "samol.dta");
    common::ScopedFileSystem scoped(faults);
    backend.ChooseMenu(w, Cz("Tisk ze seznamu"));
  }
  ASSERT_EQ(backend.printJobs().size(), 2u);
  EXPECT_EQ(TextCount(0), 4 * 6);
  EXPECT_EQ(TextCount(1), 1 * 6);
  EXPECT_TRUE(Texts(1)[0].ends_with(" Firma 5")) << Texts(1)[0];
  EXPECT_EQ(ListBytes(), before);
}

TEST_F(Labels, MultiplePrintingPrintsWholeSheets) {
  WriteList(2);
  TfStitky& w = Open();
  backend.AnswerNextModal([this](ui::Form&) { backend.Press(ui::vk::Esc); });  // the list left with Esc
  AnswerFields({"5"});
  backend.ChooseMenu(w, Cz("Násobný tisk samolepky"));
  ASSERT_EQ(backend.printJobs().size(), 2u);
  EXPECT_EQ(TextCount(0) + TextCount(1), 8 * 6);
  EXPECT_EQ(Texts(0)[0].substr(Texts(0)[0].find(' ') + 1), "Adresa 1");
  // A count outside 1..1000 prints nothing.
  backend.AnswerNextModal([this](ui::Form&) { backend.Press(ui::vk::Esc); });
  AnswerFields({"1001"});
  backend.ChooseMenu(w, Cz("Násobný tisk samolepky"));
  EXPECT_EQ(backend.printJobs().size(), 2u);
}

TEST_F(Labels, AnEmptyListPrintsNothing) {
  TfStitky& w = Open();
  backend.ChooseMenu(w, Cz("Tisk ze seznamu"));
  EXPECT_TRUE(backend.printJobs().empty());
}

TEST_F(Labels, MarkedPartnersAreAddedAndTheListIsErased) {
  WriteData("org.dta", Partners({{{4, "Alfa"}}, {{4, "Beta"}}, {{4, "Gama"}}}));
  TfStitky& w = Open();
  backend.AnswerNextModal([](ui::Form& f) {
    auto& reg = static_cast<partners::TfOrg&>(f);
    reg.ToggleMark(1);
    reg.ToggleMark(3);
    f.Close();
  });
  backend.ChooseMenu(w, Cz("Přidání označených adres do seznamu"));
  const std::string list = ListBytes();
  const std::string org = ReadData("org.dta");
  ASSERT_EQ(list.size(), 2u * partners::kOrgRecordLength);
  EXPECT_EQ(list.substr(0, partners::kOrgRecordLength), org.substr(0, partners::kOrgRecordLength));
  EXPECT_EQ(list.substr(partners::kOrgRecordLength), org.substr(2 * partners::kOrgRecordLength));
  backend.ChooseMenu(w, Cz("Zrušení seznamu"));
  EXPECT_FALSE(std::filesystem::exists(dir / "samol.dta"));
}

// An address list the user may only read takes no address: said in words naming it, the
// list as it was.
TEST_F(Labels, AListThatCannotBeWrittenTakesNothingAndSaysSo) {
  WriteData("org.dta", Partners({{{4, "Alfa"}}, {{4, "Beta"}}}));
  WriteList(1);
  const std::string before = ListBytes();
  TfStitky& w = Open();
  backend.AnswerNextModal([](ui::Form& f) {
    static_cast<partners::TfOrg&>(f).ToggleMark(2);
    f.Close();
  });
  {
    common::FaultFileSystem faults;
    faults.Fail(common::FsOp::OpenWrite, EACCES, "samol.dta");
    common::ScopedFileSystem scoped(faults);
    backend.ChooseMenu(w, Cz("Přidání označených adres do seznamu"));
  }
  EXPECT_EQ(ListBytes(), before);
  ASSERT_FALSE(Messages().empty()) << notes.Dump();
  EXPECT_EQ(Messages().back(), Cz("Soubor samol.dta nelze zapsat, do seznamu se nic nepřidává")) << notes.Dump();
}

TEST_F(Labels, CheckingTheListDropsMarkedAddressesAndClearsMarks) {
  struct Case {
    std::vector<int> marks;
    std::vector<int> left;  // list numbers of the addresses kept, in order
  };
  const Case cases[] = {{{2, 4}, {1, 3, 5}}, {{1, 2, 3, 4, 5}, {}}, {{}, {1, 2, 3, 4, 5}}};
  for (const Case& c : cases) {
    WriteList(5);
    const std::string before = ListBytes();
    TfStitky& w = Open();
    backend.AnswerNextModal([&c](ui::Form& f) {
      auto& list = static_cast<partners::TfOrg&>(f);
      for (int n : c.marks) list.ToggleMark(n);
      f.Close();
    });
    backend.ChooseMenu(w, Cz("Kontrola seznamu pro tisk"));
    std::string expected;
    for (int n : c.left)
      expected += before.substr(static_cast<std::size_t>((n - 1) * partners::kOrgRecordLength), partners::kOrgRecordLength);
    EXPECT_EQ(ListBytes(), expected) << c.marks.size();
    for (int n = 1; n <= 5; ++n) EXPECT_FALSE(partners::fSam().IsMarked(n));
  }
}

}  // namespace
