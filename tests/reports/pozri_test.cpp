// The report viewer opened as the print entry opens it and driven by keys.
#include "tests/reports/reportkit.h"

#include "browser/appearance.h"
#include "browser/dotazy.h"
#include "browser/vyber.h"
#include "common/codepages.h"
#include "common/faultfs.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/winpath.h"
#include "ui/keys.h"

namespace reporttest {
namespace {

namespace vk = ui::vk;
using reports::TfPozri;

class Pozri : public ReportTest {
 protected:
  TfPozri& v = reports::fPozri();

  // What runs while the viewer is shown; it is left with Esc afterwards.
  void Steps(std::function<void()> steps) {
    backend.AnswerNextModal([this, steps](ui::Form& f) {
      steps();
      if (f.showingModal() && &backend.Active() == &f) backend.Press(vk::Esc);
    });
  }
  // The next question window is answered with text and F2 (Esc when cancel).
  void Ask(const std::string& text, bool cancel = false) {
    backend.AnswerNextModal([this, text, cancel](ui::Form& f) {
      static_cast<browser::TfDotazy&>(f).Edits[1]->SetText(Cz(text));
      backend.Press(cancel ? vk::Esc : vk::F(2));
    });
  }
  // The next choice window: row n ticked and confirmed with F2 (0: Esc).
  void Choose(int n) {
    backend.AnswerNextModal([this, n](ui::Form& f) {
      if (n == 0) return backend.Press(vk::Esc);
      backend.Click(static_cast<browser::TfVyber&>(f).Row(n));
      backend.Press(vk::F(2));
    });
  }
  void Run(const std::string& job = "R") { browser::PrintReport(job); }
  void Keys(std::string_view names) { backend.PressKeys(names); }
  std::string Row(int r) const { return v.sgRol.Cell(1, r); }
  // The plain line n of the file on disk.
  std::string Line(const std::string& file, int n, int width) const {
    std::string rec = Bytes(file).substr(static_cast<std::size_t>((n - 1) * (width + 2)), static_cast<std::size_t>(width));
    if (common::CurrentSession().ScrambleOn) rec = common::UnscrambleText(rec, common::ProgramScrambleKey());
    return rec;
  }
  static std::string Pad(const std::string& s, int w) { return Padded(s, w).substr(0, static_cast<std::size_t>(w)); }

  // Three pages of a code-list print: page header with "List:", lines "Kod n".
  void ThreePages() {
    std::vector<std::string> lines;
    for (int p = 1; p <= 3; ++p) {
      if (p > 1) lines.push_back("\f");
      lines.push_back("");
      lines.push_back("");
      lines.push_back("FIRMA s.r.o.     Seznam    List:" + common::IntToText(p, 3) + " Datum: 06.12.26");
      for (int i = 1; i <= 40; ++i) lines.push_back("Kod " + std::to_string((p - 1) * 40 + i));
    }
    Report("R", 60, lines);
  }
};

TEST_F(Pozri, OpensAtLineOneWithTheReportAsCaption) {
  Report("R", 20, Numbered(40));
  Steps([&] {
    EXPECT_EQ(v.Count, 40);
    EXPECT_EQ(v.LineWidth, 20);
    EXPECT_EQ(v.Top, 0);
    EXPECT_EQ(Row(1), Pad("Line 1", 20));
    EXPECT_NE(v.caption().find(Cz(" Soubor: ")), std::string::npos);
    // The report's real path, spelled as on disk.
    EXPECT_NE(v.caption().find(dir.path() + "/R.TXT"), std::string::npos) << v.caption();
    EXPECT_EQ(v.GridColor, reports::kPozriColor);
    EXPECT_TRUE(v.NoWrap);
  });
  Run();
  EXPECT_EQ(v.Current, -1);
}

TEST_F(Pozri, FindPageLooksOnlyInsideFormFeedWindowsAndWraps) {
  ThreePages();
  Steps([&] {
    Keys("F4");
    EXPECT_EQ(Row(1).substr(0, 5), "FIRMA");
    EXPECT_NE(Row(1).find("List:  2"), std::string::npos);
    EXPECT_EQ(v.Current, 47);  // 43 lines of page 1, the form feed, two empty lines
    Keys("Home F4");  // page 1 has no form feed: not found, the view stays
    EXPECT_EQ(v.Top, 0);
    Keys("End F4");  // from the last line round to page 3's start
    EXPECT_NE(Row(1).find("List:  3"), std::string::npos);
  });
  Ask("2");
  Ask("1");
  Ask("3");
  Run();
}

TEST_F(Pozri, DeleteTakesTheCurrentAndTheMarkedLines) {
  Report("R", 30, Numbered(8));
  const std::string tail = "a last line without its end";  // shorter than a line: no record
  Put("R.TXT", Bytes("R.TXT") + tail);
  const std::size_t before = Bytes("R.TXT").size();
  Steps([&] {
    Keys("Down Insert Down Insert Down F8");  // Insert marks and moves down: 2 and 4 marked, F8 on 6
  });
  Run();
  EXPECT_EQ(Bytes("R.TXT").size(), before - 3 * 32);
  EXPECT_EQ(Line("R.TXT", 2, 30), Pad("Line 3", 30));
  EXPECT_EQ(Line("R.TXT", 3, 30), Pad("Line 5", 30));
  EXPECT_EQ(Line("R.TXT", 4, 30), Pad("Line 7", 30));
  EXPECT_TRUE(Bytes("R.TXT").ends_with(Padded("Line 8", 30) + tail));
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();  // a report's cut last line is no fault
  Report("One", 30, {"only"});
  Steps([&] { Keys("F8"); });
  Run("One");
  EXPECT_EQ(Bytes("One.TXT"), Padded("only", 30));
}

TEST_F(Pozri, InsertBlankLinePageBreakAndMemoText) {
  Report("R", 20, Numbered(6));
  Steps([&] {
    Keys("Down Down F7");
    EXPECT_EQ(v.Count, 7);
    EXPECT_EQ(Row(3), std::string(20, ' '));
    Keys("Down Down P");  // line 5
    EXPECT_EQ(Row(5).substr(0, 6), "@ine 4");
    Keys("Ctrl+F7");
    ASSERT_TRUE(v.Memo1.visible());
    EXPECT_EQ(v.Memo1.lines().at(0).size(), 40u);
    v.Memo1.SetLines({"first memo", "second memo"});
    Keys("Esc");
    EXPECT_FALSE(v.Memo1.visible());
    EXPECT_EQ(v.Count, 9);
  });
  Run();
  const std::string bytes = Bytes("R.TXT");
  EXPECT_EQ(bytes.size(), 9u * 22);
  EXPECT_EQ(bytes[6 * 22], '\x0c');
  EXPECT_EQ(Line("R.TXT", 5, 20), Pad("first memo", 20));
  EXPECT_EQ(Line("R.TXT", 6, 20), Pad("second memo", 20));
  EXPECT_EQ(Line("R.TXT", 7, 20), "\x0cine 4" + std::string(14, ' '));
  EXPECT_FALSE(Exists("tisk.wrk"));
}

// A report the user may read but not write: shown and searched as any other, the reason
// said once, every key that would change it refused in words, the file as it was.
TEST_F(Pozri, AReportItMayOnlyReadIsShownAndEveryChangeRefused) {
  Report("R", 20, Numbered(6));
  const std::string before = Bytes("R.TXT");
  common::FaultFileSystem faults;
  faults.Fail(common::FsOp::OpenWrite, EACCES, "R.TXT");
  common::ScopedFileSystem scoped(faults);
  const std::vector<std::string> keys = {"F7", "Down F8", "Space", "F6", "P", "Ctrl+Space", "Alt+Space", "Ctrl+F7"};
  Steps([&] {
    EXPECT_EQ(v.Count, 6);
    EXPECT_EQ(Row(2), Pad("Line 2", 20));
    for (const std::string& key : keys) Keys(key);
    EXPECT_FALSE(v.Memo1.visible());
    v.PozriScrambleAll();
    EXPECT_EQ(v.Count, 6);
  });
  Run();
  EXPECT_EQ(Bytes("R.TXT"), before);
  EXPECT_FALSE(Exists("tisk.wrk"));
  const std::string said = Cz("Soubor R.txt nelze zapsat (err 5), ");  // as the print entry names it
  std::vector<std::string> expected = {said + Cz("otevírám ho jen pro čtení")};
  expected.resize(keys.size() + 2, said + Cz("změny se nezapisují"));  // each key and the scrambling
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message), expected) << notes.Dump();
}

TEST_F(Pozri, ScrambledReportStaysScrambledWhileTheGridShowsPlainText) {
  Scrambled(true);
  Report("R", 24, {"Novák Jan", "Dvořák Petr", "Svoboda Karel"});
  Steps([&] {
    EXPECT_EQ(Row(1), Pad(Cz("Novák Jan"), 24));
    Keys("Down F7");
    EXPECT_EQ(Row(3), Pad(Cz("Dvořák Petr"), 24));
  });
  Run();
  Steps([&] {
    Keys("Space");  // the line editor over the line, typing over it
  });
  backend.AnswerNextModal([&](ui::Form& f) {
    EXPECT_EQ(f.name(), "fEdituj");
    backend.Type(Cz("Nová Eva "));
    backend.Press(vk::Enter);
  });
  Run();
  const std::string raw = Bytes("R.TXT");
  ASSERT_EQ(raw.size(), 4u * 26);
  EXPECT_NE(raw.substr(26, 24), std::string(24, ' '));  // the inserted blank line is stored scrambled
  EXPECT_EQ(Line("R.TXT", 1, 24), Pad(Cz("Nová Eva"), 24));
  EXPECT_EQ(Line("R.TXT", 2, 24), std::string(24, ' '));
  EXPECT_EQ(Line("R.TXT", 4, 24), Pad("Svoboda Karel", 24));
}

TEST_F(Pozri, ScrambleAllThenUnscrambleAllGivesTheFileBack) {
  Report("R", 30, Numbered(5));
  const std::string plain = Bytes("R.TXT");
  Steps([&] {
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer("Zasifruj1"));
    backend.RightClick(v.sgRol, ui::Shift::Ctrl);
    EXPECT_NE(Bytes("R.TXT"), plain);
    EXPECT_EQ(Bytes("R.TXT").size(), plain.size());
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer(Cz("Dešifruj")));
    backend.RightClick(v.sgRol, ui::Shift::Ctrl);
    Keys("Ctrl+Space");
    EXPECT_NE(Bytes("R.TXT"), plain);
    Keys("Alt+Space");
  });
  Run();
  EXPECT_EQ(Bytes("R.TXT"), plain);
}

TEST_F(Pozri, ScrambleItemsWaitForTheCtrlRightClick) {
  Report("R", 10, Numbered(2));
  Steps([&] {
    EXPECT_FALSE(v.miZasifruj.enabled);
    backend.RightClick(v.sgRol);
    EXPECT_FALSE(v.miZasifruj.enabled);
  });
  Run();
}

TEST_F(Pozri, LineEditorEndsWithEnterUpOrDownToTakeTheText) {
  Report("R", 12, Numbered(3));
  std::vector<int> ends = {vk::Esc, vk::Enter, vk::Down};
  int widthSeen = 0;
  reports::ViewerHooks().editLine = [&](std::string& text, int width) {
    widthSeen = width;
    text = "edited text that is long";
    const int end = ends.front();
    ends.erase(ends.begin());
    return end;
  };
  Steps([&] { Keys("Space Down F6 Down Space"); });
  Run();
  EXPECT_GT(widthSeen, 0);
  EXPECT_EQ(Line("R.TXT", 1, 12), Pad("Line 1", 12));
  EXPECT_EQ(Line("R.TXT", 2, 12), "edited text ");
  EXPECT_EQ(Line("R.TXT", 3, 12), "edited text ");
}

TEST_F(Pozri, HelpAndBackWithEscOnAOneLineReport) {
  Put("2/spool.hhh", Padded("Napoveda k tiskum", 40) + Padded("F9 tisk", 40));
  Report("R", 30, {"the only line"});
  Steps([&] {
    Keys("F1");
    EXPECT_EQ(v.GridColor, reports::kPozriHelpColor);
    EXPECT_EQ(Row(1), Pad("Napoveda k tiskum", 40));
    EXPECT_EQ(v.Count, 2);
    Keys("Esc");
    ASSERT_TRUE(v.showingModal());
    EXPECT_EQ(v.GridColor, reports::kPozriColor);
    EXPECT_EQ(v.Count, 1);
    EXPECT_EQ(Row(1), Pad("the only line", 30));
  });
  Run();
}

TEST_F(Pozri, ReportListSwitchesToAnyWidth) {
  Report("R", 10, Numbered(2));
  Put("wide.txt", Padded("w", 300) + Padded("x", 300));
  reports::ViewerHooks().chooseFile = [&](const std::string& title, const std::string& mask, std::string& name) {
    EXPECT_EQ(title, "Vyber novou sestavu");
    EXPECT_EQ(mask, "*.txt");
    name = "wide.txt";
    return true;
  };
  reports::ViewerHooks().editLine = [](std::string& text, int) {
    text.back() = 'Z';
    return vk::Enter;
  };
  Steps([&] {
    Keys("Ctrl+F2");
    EXPECT_EQ(v.LineWidth, 300);
    EXPECT_EQ(v.Count, 2);
    Keys("Space F7");
  });
  Run();
  EXPECT_EQ(Bytes("wide.txt"), Padded("", 300) + Padded("w", 299).substr(0, 299) + "Z\r\n" + Padded("x", 300));
}

TEST_F(Pozri, RewriteOfAReportInAnotherFolderReplacesItInOneStep) {
  ostest::TempDir other(std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp");
  ASSERT_TRUE(other.ok());
  Report("*" + other.path() + "/far", 16, Numbered(4));
  Steps([&] { Keys("Down Down F8 F7"); });
  Run(other.path() + "/far");
  const std::string bytes = ostest::ReadRaw(other / "far.TXT");
  EXPECT_EQ(bytes, Padded("Line 1", 16) + Padded("Line 2", 16) + Padded("", 16) + Padded("Line 4", 16));
  for (const auto& e : std::filesystem::directory_iterator(other.path()))
    EXPECT_TRUE(e.path().filename() == "far.TXT" || e.path().filename() == "FOT.tab") << e.path();  // no work file
  EXPECT_FALSE(Exists("tisk.wrk"));
}

TEST_F(Pozri, SectionsHave250CharacterLinesAndNeverOverwriteTheReport) {
  Report("R", 20, Numbered(5));
  // The shown file by its full name and by its own name, both refused.
  std::vector<std::string> chosen = {dir.path() + "/r.txt", "R.txt", "sekce.dat", "sekce", "sekce"};
  reports::ViewerHooks().chooseFile = [&](const std::string&, const std::string&, std::string& name) {
    name = chosen.front();
    chosen.erase(chosen.begin());
    return true;
  };
  Steps([&] {
    Keys("Down Down Down Ctrl+F6");  // lines 4..5, first asked over the report itself
    Keys("Ctrl+F6");                 // "Připojit"
    Keys("Ctrl+F6");                 // "Přepsat"
  });
  Choose(2);
  Choose(1);
  Run();
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
            std::vector<std::string>(2, Cz("Určete jiný soubor, nemůžu přepsat sám sebe")));
  EXPECT_EQ(Bytes("R.TXT").size(), 5u * 22);
  EXPECT_EQ(Bytes("sekce.TXT"), Padded("Line 4", 250) + Padded("Line 5", 250));
  EXPECT_EQ(common::ReadParam("REGISTRY.DTA", "Vstupni soubor"), "sekce");
}

TEST_F(Pozri, SectionTargetCutsOnlyTheNamesOwnExtension) {
  Report("R", 10, {"a", "b"});
  std::filesystem::create_directories(dir / "DATA.2024");
  reports::ViewerHooks().chooseFile = [&](const std::string&, const std::string&, std::string& name) {
    name = "DATA.2024\\x";
    return true;
  };
  Steps([&] { Keys("Alt+F6"); });
  std::string dictionary;
  reports::ViewerHooks().openDictionary = [&](const std::string& file) { dictionary = file; };
  reports::ViewerHooks().translate = [](const std::string& s) { return s == Pad("a", 10) ? std::string("A-translated") : s; };
  Run();
  EXPECT_EQ(dictionary, "slov1.dta");
  EXPECT_EQ(Bytes("DATA.2024/x.TXT"), Padded("A-translated", 250) + Padded("b", 250));
}

TEST_F(Pozri, PrintKeysReachTheirEngines) {
  Report("R", 20, {"first", "second"});
  Job("SPEEDPRN", "007");
  common::Drives().Set("C", dir.path());
  std::filesystem::create_directories(dir / "printer");
  Steps([&] { Keys("F9 F10 Alt+F10 F12 Ctrl+F5 Alt+F5"); });
  Run();
  common::Drives().Set("C", "/");
  ASSERT_EQ(backend.printJobs().size(), 1u);
  const auto& ops = backend.printJobs()[0].ops;
  EXPECT_NE(std::find(ops.begin(), ops.end(), "text 0,0 first"), ops.end());
  EXPECT_EQ(Bytes("LPT1.prn"), "\x12" "first\r\nsecond\r\n\x07\f\r\n");
  EXPECT_EQ(Bytes("printer/print008.txt"), Padded("first", 20) + Padded("second", 20));
}

TEST_F(Pozri, DensityRepeatsAndCopyLinesIntoTheVoucher) {
  Report("R", 20, Numbered(4));
  Steps([&] {
    Keys("F2");
    Keys("F5");  // each key that opens a window on its own: the window ends the key's run
    Keys("Down");
    Keys("Alt+F9");
  });
  Choose(3);
  Ask("  2");
  Ask("    9");
  Run();
  common::FlushParams();
  EXPECT_EQ(common::ReadParam("REGISTRY.DTA", "Hustota"), " 3");
  EXPECT_EQ(common::ReadParam("REGISTRY.DTA", "OpakovatTisk"), "  2");
  EXPECT_EQ(Bytes("doklad.txt"), Padded("Line 2", 132) + Padded("Line 3", 132) + Padded("Line 4", 132));
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
            std::vector<std::string>{Cz("Doklad je vytvořen v tiscích")});
}

TEST_F(Pozri, SemicolonsAndRecodingFromThePopupMenu) {
  Report("R", 12, {"a;b", "kůň"});
  Steps([&] {
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer("Stredniky1"));
    backend.RightClick(v.sgRol);
    EXPECT_EQ(Row(1), Pad("a b", 12));
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer("Prekoduj"));
    backend.RightClick(v.sgRol);
  });
  Run();
  common::FlushParams();
  EXPECT_EQ(common::ReadParam("sys.par", "stredniky"), "Ano");
  EXPECT_EQ(Line("R.TXT", 2, 12), Pad(common::Cp1250ToKamenicky(Cz("kůň")), 12));
}

TEST_F(Pozri, TheTwinViewerShowsAReportFromInsideAReport) {
  Report("R", 10, {"outer"});
  Report("Q", 10, {"inner"});
  Steps([&] {
    backend.AnswerNextModal([&](ui::Form& f) {
      EXPECT_EQ(&f, &reports::fPozri2());
      EXPECT_EQ(reports::fPozri2().sgRol.Cell(1, 1), Pad("inner", 10));
      backend.Press(vk::Esc);
    });
    browser::PrintReport2("Q");
    EXPECT_EQ(Row(1), Pad("outer", 10));
  });
  Run();
}

}  // namespace
}  // namespace reporttest

namespace reporttest {
namespace {

TEST_F(Pozri, HelpTopicOpensWithTheLineAfterItsTopicOnTop) {
  std::string hlp;
  for (int i = 1; i <= 70; ++i) hlp += (i == 40 ? std::string("$ [Tisky]") : "help line " + std::to_string(i)) + "\r\n";
  Put("X.hlp", hlp);
  Steps([&] {
    EXPECT_EQ(v.Count, 70);
    EXPECT_EQ(v.Top + 1, 41);
    EXPECT_EQ(Row(1), Pad("help line 41", 80));
  });
  browser::ShowHelpTopic("X", "tisky");
}

TEST_F(Pozri, PrinterDialogAndSystemParametersFromThePopup) {
  Report("R", 10, {"x"});
  int opened = 0;
  browser::SystemParametersHook() = [&] { ++opened; };
  backend.printers = {"Headless", "Laser"};
  Steps([&] {
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer(Cz("Nastavení tiskárny")));
    backend.QueueAnswer(ui::headless::Answer::PrinterAnswer("Laser"));
    backend.RightClick(v.sgRol);
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer("ParametrySystemu1"));
    backend.RightClick(v.sgRol);
  });
  Run();
  browser::SystemParametersHook() = nullptr;
  common::FlushParams();
  EXPECT_EQ(common::ReadParam("sys.par", "TiskDefault"), "Laser");
  EXPECT_EQ(opened, 1);
}

TEST_F(Pozri, TheListKeysWorkOnTheLines) {
  Report("R", 20, {"first", "second \"quoted\"", "third"});
  v.DbfFolder = "dbf\\";
  std::string caption;
  Steps([&] {
    caption = v.Field(1).caption;
    EXPECT_LE(browser::LayoutLength(v.FieldSpan()), v.LineWidth + 2);  // no wider than a line's record
    Keys("Ctrl+E");
    Keys("Ctrl+Num5");
    Keys("Ctrl+D");
    Keys("Ctrl+Num4");
    Keys("Home Ctrl+F12 Down Down");
    Keys("Shift+F12");
  });
  backend.AnswerNextModal([this](ui::Form&) { backend.Press(vk::A); });
  Run();
  // The export: the caption line, the numbers line, one quoted line each.
  EXPECT_EQ(Bytes("XLS/R.CSV"), caption.substr(0, 20) + ";\r\n01;\r\n\"first               \";\r\n"
                                 "\"second \"quoted\"     \";\r\n\"third               \";\r\n");
  const std::string dbf = Bytes("dbf/R.DBF");
  ASSERT_EQ(dbf.size(), 32u + 32u + 1u + 3u * 21u + 1u);
  EXPECT_EQ(common::GetLE<std::uint32_t>(dbf, 4), 3u);
  EXPECT_EQ(static_cast<unsigned char>(dbf[32 + 16]), 20);  // the field is a line wide
  EXPECT_EQ(dbf.substr(65, 21), " first               ");
  // The template kept line 1; Shift+F12 answered "Ano" put it over line 3.
  EXPECT_EQ(common::ReadParam("par\\R.TXT.F12", "001"), Pad("first", 20));
  EXPECT_EQ(Bytes("R.TXT"), Padded("first", 20) + Padded("second \"quoted\"", 20) + Padded("first", 20));
  EXPECT_TRUE(notes.Texts(common::RecordingNotifier::Kind::Message).size() == 2u);  // the two dBASE files
  for (const auto& m : backend.messages()) ADD_FAILURE() << m.text;
}

TEST_F(Pozri, AHeaderClickSortsNothingAndWritesNoIndex) {
  Report("R", 20, {"zeta", "alfa", "beta"});
  Steps([&] {
    backend.ClickCell(v.sgRol, 1, 0);
    EXPECT_EQ(v.ActiveOrder, 0);
    EXPECT_EQ(Row(1), Pad("zeta", 20));
    EXPECT_EQ(Row(2), Pad("alfa", 20));
  });
  Run();
  EXPECT_FALSE(Exists("R.TX1"));
  EXPECT_TRUE(backend.messages().empty());
  EXPECT_EQ(Bytes("R.TXT"), Padded("zeta", 20) + Padded("alfa", 20) + Padded("beta", 20));
}

TEST_F(Pozri, VoucherCopyRefusesCountsOutOfRange) {
  Report("R", 10, Numbered(3));
  Steps([&] {
    Keys("Alt+F9");
    Keys("Alt+F9");
  });
  Ask("0");
  Ask("182");  // above the current line + 180
  Run();
  EXPECT_FALSE(Exists("doklad.txt"));
  EXPECT_TRUE(notes.calls.empty());
}

}  // namespace
}  // namespace reporttest


namespace reporttest {
namespace {

TEST_F(Pozri, AFullDiskDuringARewriteKeepsTheReport) {
  Report("R", 40, Numbered(50));
  const std::string before = Bytes("R.TXT");
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  Steps([&] {
    faults.SetDiskSpace(1000);
    Keys("Down F7");
    faults.SetDiskSpace(-1);
    EXPECT_EQ(v.Count, 50);
    EXPECT_EQ(Row(2), Pad("Line 2", 40));
  });
  Run();
  EXPECT_EQ(Bytes("R.TXT"), before);
  EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::Message, "Uz: "), 1) << notes.Dump();
}

}  // namespace
}  // namespace reporttest
