// The fixed-asset movement kinds: the 3xx rule on every way out of the kind field, the
// lock mark, F1 and the listing cut.
#include <filesystem>

#include "codelists/assets.h"
#include "common/params.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;
using CodeListCis14 = cltest::CodeListTest;

const std::string k3xx = "Všechny zápisy s druhem pohybu 3xx jsou blokované. Nemůžete je ani zakládat.";

std::string Kind(const std::string& key, const std::string& lock = " ") {
  return cltest::MakeRecord(Cis14Spec(), {{1, key}, {2, "Pohyb " + key}, {8, lock}});
}

TEST_F(CodeListCis14, SetupValues) {
  TfCis14& w = fCis14();
  SetupCis14(w);
  EXPECT_EQ(w.RecordLength, 168);
  EXPECT_EQ(w.FieldCount, 8);
  EXPECT_EQ(w.FieldOffset(7), 159);
  EXPECT_EQ(w.FieldOffset(8), 166);
  EXPECT_EQ(w.EditTitle, " CI14 ");
  EXPECT_EQ(w.caption(), Cz("Investiční majetek"));
  EXPECT_EQ(w.FieldOf(w.RecordTemplate, 1), "000");
  EXPECT_EQ(w.FieldOf(w.RecordTemplate, 7), kToday);
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{"c1 Opis"}));
}

TEST_F(CodeListCis14, AKindBeginningWithThreeIsRefusedOnDownAndTwoHundredOneIsTaken) {
  TfCis14& w = fCis14();
  SetupCis14(w);
  int afterRefusal = -1;
  std::string textAfterRefusal = "?";
  edit.Type("301").Keys("Down").Do([&](browser::EditForm& f) {
    afterRefusal = f.currentField();
    textAfterRefusal = f.Text(1);
    EXPECT_EQ(w.FieldErrors[1], 1);
  });
  edit.Type("201").Keys("Down").Do([&](browser::EditForm& f) {
    EXPECT_EQ(f.currentField(), 2);
    EXPECT_EQ(w.FieldErrors[1], 0);
  });
  edit.Type("Zařazení").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(afterRefusal, 1);
  EXPECT_EQ(textAfterRefusal, "");
  EXPECT_EQ(Messages(), (Strings{Cz(k3xx)}));
  EXPECT_EQ(FileKeys(Cis14Spec()), (Strings{"201"}));
  EXPECT_EQ(Trimmed(Texts(Cis14Spec())), (Strings{Cz("Zařazení")}));
}

// Enter and the OK button take the same check (the edit window's Enter and OK do not
// run the field check of Down).
TEST_F(CodeListCis14, EnterAndOkRefuseAThreeHundredKindToo) {
  const struct {
    const char* name;
    std::function<void(soubtest::ScriptedEdit&)> script;
  } cases[] = {
      {"Enter", [](soubtest::ScriptedEdit& e) { e.Type("301").Keys("Enter"); }},
      {"OK", [](soubtest::ScriptedEdit& e) { e.Type("301").Do([](browser::EditForm& f) { f.OkPressed(); }); }},
      {"F2 from the name", [](soubtest::ScriptedEdit& e) {
         e.Type("201").Keys("Down").Do([](browser::EditForm& f) { f.SetText(1, "399"); }).Keys("F2");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteData("CI14.DTA", Kind("100"));
    notes.calls.clear();
    TfCis14& w = fCis14();
    SetupCis14(w);
    c.script(edit);
    bool stillOpen = false;
    edit.Do([&](browser::EditForm& f) {
      stillOpen = !f.closed();
      EXPECT_EQ(f.Text(1), "");
      EXPECT_EQ(f.currentField(), 1);
      EXPECT_EQ(w.FieldErrors[1], 1);
    });
    w.NewRecord();
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(Messages(), (Strings{Cz(k3xx)}));
    EXPECT_EQ(FileKeys(Cis14Spec()), (Strings{"100"}));  // nothing appended
    w.CloseBrowse();
    edit.steps.clear();
  }
}

TEST_F(CodeListCis14, AnEditedKindIsCheckedAsANewOne) {
  WriteData("CI14.DTA", Kind("100") + Kind("200"));
  TfCis14& w = fCis14();
  SetupCis14(w);
  w.GoToRecord(1, 0);
  edit.Type("305").Keys("Enter").Type("150").Keys("F2");
  w.EditRecord();
  EXPECT_EQ(Messages(), (Strings{Cz(k3xx)}));
  EXPECT_EQ(FileKeys(Cis14Spec()), (Strings{"150", "200"}));
  EXPECT_EQ(Dates(Cis14Spec()), (Strings{kToday, kOld}));
}

TEST_F(CodeListCis14, ALockedRecordCannotBeEditedButCanBeDeleted) {
  const struct {
    const char* lock;
    bool locked;
  } cases[] = {{"B", true}, {" ", false}, {"b", false}, {"X", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lock);
    notes.calls.clear();
    edit.steps.clear();
    edit.shown = 0;
    WriteData("CI14.DTA", Kind("100", c.lock) + Kind("200"));
    TfCis14& w = fCis14();
    SetupCis14(w);
    w.GoToRecord(1, 0);
    edit.Keys("Down").Type("Nové").Keys("F2");
    w.EditRecord();
    EXPECT_EQ(edit.shown, c.locked ? 0 : 1);
    EXPECT_EQ(Messages(), c.locked ? Strings{Cz("Tento zápis nemůžete měnit")} : Strings{});
    EXPECT_EQ(Trimmed(Texts(Cis14Spec()))[0], c.locked ? "Pohyb 100" : Cz("Nové"));
    w.CloseBrowse();
  }
  // F8 deletes a locked record all the same; the close drops it.
  WriteData("CI14.DTA", Kind("100", "B") + Kind("200"));
  TfCis14& w = fCis14();
  SetupCis14(w);
  w.GoToRecord(1, 0);
  Show(w);
  Keys("F8");
  EXPECT_EQ(FileKeys(Cis14Spec()), (Strings{"   ", "200"}));
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis14Spec()), (Strings{"200"}));
}

TEST_F(CodeListCis14, F1OpensTheHelpTopicAndSetsTheKeyCode) {
  std::filesystem::create_directories(dir / "im");
  ostest::WriteRaw(dir / "im/im.hlp", Cz("Majetek\r\n$ [Druh pohybu]\r\ntext\r\n"));
  TfCis14& w = fCis14();
  SetupCis14(w);
  Show(w);
  Keys("F1");
  EXPECT_EQ(w.LastKey, 10);
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fPozri Index"), "     3");
}

TEST_F(CodeListCis14, TheListingLinesAreCutAt132) {
  common::CurrentSession().FirmTitle = "Firma";
  WriteData("CI14.DTA", Kind("100", "B"));
  TfCis14& w = fCis14();
  SetupCis14(w);
  w.CodeListPrint();
  ASSERT_EQ(writer.lines.size(), 8u);
  EXPECT_NE(writer.lines[2].find("Pohyby IM (14)"), std::string::npos);
  EXPECT_EQ(writer.lines[4].size(), 132u);
  EXPECT_EQ(writer.lines[7].size(), 132u);
  EXPECT_TRUE(writer.lines[7].starts_with("100 Pohyb 100"));
  EXPECT_EQ(writer.lines[7].find(kOld), std::string::npos);  // neither date nor lock mark
}

}  // namespace
