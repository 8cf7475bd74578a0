// Two workstations on one code list: two processes over one data folder, their locks in
// "FOT.tab". Every record either side wrote or left is in the file once and whole, the
// deleted ones are gone, and the file is in key order.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "codelists/cashflow.h"
#include "codelists/cashkeys.h"
#include "codelists/chart.h"
#include "codelists/income.h"
#include "codelists/livestock.h"
#include "codelists/outlines.h"
#include "codelists/postal.h"
#include "codelists/schemes.h"
#include "codelists/stock.h"
#include "common/faultfs.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"
#include "tests/codelists/outlinekit.h"
#include "tests/common/leftcopy.h"
#include "tests/common/processes.h"

namespace {

namespace fs = std::filesystem;
using namespace codelists;
using cltest::Strings;

constexpr int kRuns = 10;
constexpr std::size_t kLength11 = 302;

class CodeListWorkstations : public cltest::CodeListTest {
 protected:
  using Expected = std::map<std::string, std::string>;  // text -> key of the records that must be there once

  static std::string Rec(const std::string& key, const std::string& text) {
    return cltest::MakeRecord(Cis11Spec(), {{1, key}, {2, text}});
  }
  static std::string Key(int k) { return std::to_string(k); }
  // A record F8 has blanked (its key three blanks).
  static std::string Deleted() {
    std::string r = Rec("000", "");
    common::PutCounted(r, 0, "   ", 3);
    return r;
  }

  // F4 with the key and the text typed into the edit window.
  void Add(TfCis11& w, const std::string& key, const std::string& text) {
    edit.steps.clear();
    edit.Type(key).Keys("Down").Type(text).Keys("F2");
    w.NewRecord();
  }

  // F8 on the record with this text, as a user does it: finds it, looks that the cursor
  // row shows it, presses F8, and starts again when the list refuses (changed meanwhile).
  bool Delete(TfCis11& w, const std::string& text) {
    for (int attempt = 0; attempt < 500; ++attempt) {
      w.DataFileReopen();
      std::int32_t at = 0;
      for (std::int32_t n = 1; n <= w.Count && at == 0; ++n) {
        w.RecordRead(n);
        if (common::StripRightSp(w.FieldOf(w.RecordBuffer, 2)) == text) at = n;
      }
      if (at == 0) return false;
      w.GoToRecord(at, 0);
      if (w.sgRol.Cell(2, w.CursorRow()).find(text) == std::string::npos) continue;
      const std::size_t before = Messages().size();
      w.DeleteRecord(at);
      if (Messages().size() == before) return true;
    }
    return false;
  }

  struct Census {
    int lost = 0;      // records lost, doubled, torn (a key that is not its text's) or unknown
    int disorder = 0;  // records standing before a smaller key
    int blanks = 0;    // deleted records still there
  };
  Census Take(const Expected& expected) const {
    const std::string bytes = ReadData("CI11.DTA");
    const Strings keys = cltest::Column(Cis11Spec(), bytes, 1);
    const Strings texts = cltest::Trimmed(cltest::Column(Cis11Spec(), bytes, 2));
    Census c;
    c.lost = bytes.size() % kLength11 == 0 ? 0 : 1;
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (i > 0 && keys[i] < keys[i - 1]) ++c.disorder;
      if (keys[i] == "   ") {
        ++c.blanks;
        continue;
      }
      const auto e = expected.find(texts[i]);
      if (e == expected.end() || e->second != keys[i]) ++c.lost;  // torn or unknown
      else if (++seen[texts[i]] > 1) ++c.lost;                  // doubled
    }
    for (const auto& [text, key] : expected)
      if (seen.count(text) == 0) ++c.lost;
    return c;
  }

  // Runs the two workstations kRuns times over a fresh `start` file (each body opens the
  // list; it is closed after) and prints the runs with a fault.
  void Measure(const char* what, const std::string& start, const Expected& expected, const std::vector<int>& blanksAllowed,
               const std::function<int(TfCis11& w, int child, std::mt19937& random)>& body) {
    int runsWithLoss = 0, lost = 0, runsOutOfOrder = 0;
    for (int run = 0; run < kRuns; ++run) {
      SCOPED_TRACE(run);
      WriteData("CI11.DTA", start);
      EXPECT_EQ(ostest::RunInChildren(2, [&](int child) {
                  common::CurrentSession().CurrentUser = child == 0 ? "01" : "02";
                  std::mt19937 random(static_cast<unsigned>(run * 2 + child));
                  TfCis11 w;
                  const int rc = body(w, child, random);
                  w.CloseBrowse();
                  return rc;
                }),
                0);
      const Census c = Take(expected);
      EXPECT_EQ(c.lost, 0);
      EXPECT_EQ(c.disorder, 0);
      EXPECT_NE(std::find(blanksAllowed.begin(), blanksAllowed.end(), c.blanks), blanksAllowed.end()) << c.blanks;
      runsWithLoss += c.lost > 0;
      lost += c.lost;
      runsOutOfOrder += c.disorder > 0;
    }
    std::cout << what << ": runs with loss " << runsWithLoss << " of " << kRuns << ", records lost or doubled " << lost
              << ", runs out of key order " << runsOutOfOrder << "\n";
  }
};

// One workstation closes the list (the close sort drops the deleted records) while the
// other opens it and adds three records.
TEST_F(CodeListWorkstations, ACloseSortLosesNoRecordTheOtherAdds) {
  std::string start;
  Expected expected;
  for (int i = 0; i < 20; ++i) start += Deleted();
  for (int i = 0; i < 1980; ++i) {
    const std::string text = "R" + std::to_string(1000 + i), key = Key(100 + i * 900 / 1980);
    start += Rec(key, text);
    expected[text] = key;
  }
  for (const char* k : {"150", "500", "850"}) expected[std::string("B") + k] = k;
  Measure("close sort and F4", start, expected, {0, 20}, [&](TfCis11& w, int child, std::mt19937& random) {
    if (child == 0) {
      SetupCis11(w);
      return 0;  // the close sorts
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
    SetupCis11(w);  // opens after the other's look at the lock table
    for (const char* k : {"150", "500", "850"}) Add(w, k, std::string("B") + k);
    return 0;
  });
}

// One workstation adds 50 records to keys 500-549 while the other deletes 25 of them.
TEST_F(CodeListWorkstations, AddingAndDeletingAtOnceLoseAndDoubleNothing) {
  std::string start;
  Expected expected;
  for (int k = 500; k < 550; ++k) {
    start += Rec(Key(k), "O" + Key(k));
    if (k % 2 == 1) expected["O" + Key(k)] = Key(k);
  }
  for (int k = 500; k < 550; ++k) expected["A" + Key(k)] = Key(k);
  Measure("F4 and F8", start, expected, {0, 25}, [&](TfCis11& w, int child, std::mt19937&) {
    SetupCis11(w);
    int bad = 0;
    for (int k = 500; k < 550; ++k) {
      if (child == 0) Add(w, Key(k), "A" + Key(k));
      else if (k % 2 == 0 && !Delete(w, "O" + Key(k))) ++bad;
    }
    return bad == 0 ? 0 : 1;
  });
}

// Both workstations add 30 records at once.
TEST_F(CodeListWorkstations, TwoAddingAtOnceKeepTheKeyOrder) {
  std::string start;
  Expected expected;
  for (int k = 100; k < 200; ++k) {
    start += Rec(Key(k), "O" + Key(k));
    expected["O" + Key(k)] = Key(k);
  }
  auto keyOf = [](int child, int i) { return Key(100 + (child == 0 ? i * 37 : i * 53 + 11) % 100); };
  for (int child = 0; child < 2; ++child)
    for (int i = 0; i < 30; ++i) expected[(child == 0 ? "A" : "B") + keyOf(child, i)] = keyOf(child, i);
  Measure("F4 and F4", start, expected, {0}, [&](TfCis11& w, int child, std::mt19937&) {
    SetupCis11(w);
    for (int i = 0; i < 30; ++i) Add(w, keyOf(child, i), (child == 0 ? "A" : "B") + keyOf(child, i));
    return 0;
  });
}

// Every window step that rewrites records, with another workstation's write falling
// between the window's last look at the file and the step: a row appended, or the last
// row cut off. The step reads the count and its records under its own turn, so it ends
// as it ends in a window opened after that write; a current row the other removed is
// said as an edit of a changed record is said, and nothing is written.
class CodeListWorkstationSteps : public cltest::OutlineTest {
 protected:
  // A file's records one a line, bytes other than letters shown as ".", trailing blanks cut.
  static Strings Shown(const std::string& bytes, std::size_t length) {
    Strings lines;
    for (std::size_t at = 0; at < bytes.size(); at += length) {
      std::string line = bytes.substr(at, length);
      for (char& c : line)
        if (static_cast<unsigned char>(c) < 32) c = '.';
      lines.push_back(common::StripRightSp(line));
    }
    return lines;
  }
};

TEST_F(CodeListWorkstationSteps, EachStepReadsUnderItsTurnWhatAnotherWorkstationAppendedOrCut) {
  using cltest::MakeRecord;
  using Make = std::function<std::string(int i)>;
  const auto no = [](int i) { return common::FormatFloatMask("@@@", i); };
  const Make row26 = [&](int i) {
    return MakeRecord(Cis26Spec(), {{1, no(i)}, {2, "Náklady " + no(i)}, {3, common::FormatFloatMask("###", i % 4 + 1)}});
  };
  const Make row27 = [&](int i) {
    return MakeRecord(Cis27Spec(), {{1, no(i)}, {2, "Aktiva " + no(i)}, {3, common::FormatFloatMask("###", i % 4 + 1)},
                                    {4, "  R" + std::to_string(i)}, {11, "původní"}});
  };
  const auto scheme = [&](SchemeKind kind, const std::string& name) {
    return Make([kind, name](int i) {
      const std::string code = i == 1 ? "A." : "A." + std::to_string(i) + ".";
      return cltest::MakeRecord(SchemeSpec(kind), {{scheme::kRow, common::FormatFloatMask("##@", i)},
                                                   {scheme::kName, name + std::to_string(i)},
                                                   {scheme::kTarget, common::FormatFloatMask("##@", i % 4 + 1)},
                                                   {scheme::kCode, code}});
    });
  };
  const Make row13 = [](int i) {
    return MakeRecord(Cis13Spec(), {{1, std::to_string(i)}, {2, "Pohyb"}, {3, "611000"}, {7, "612000"}});
  };
  const Make row15 = [](int i) { return MakeRecord(Cis15Spec(), {{1, std::to_string(i)}, {2, "Sklad"}, {3, "611000"}}); };
  const Make row28 = [](int i) { return MakeRecord(Cis28Spec(), {{1, std::to_string(i)}, {13, "    20"}}); };
  const Make row10 = [](int i) { return MakeRecord(Cis10Spec(), {{1, std::to_string(21000 + i) + "0"}, {6, "A" + std::to_string(i)}}); };
  const Make rowKl = [](int i) {
    std::string r(31, '\0'), t = common::Cz("Klíč " + std::to_string(i));
    t.resize(27, ' ');
    common::PutCounted(r, 0, t, 27);
    r[28] = static_cast<char>(i == 3 ? 2 : 0);
    return r;
  };
  const Make row30 = [](int i) { return MakeRecord(Cis30Spec(), {{1, std::to_string(10000 + i)}, {2, "Středisko"}}); };
  const Make row29 = [&](int i) { return MakeRecord(Cis29Spec(), {{1, no(i)}, {2, "Tok " + no(i)}}); };

  // Outline 27 open at one workstation over four rows; at the other "Aktiva 005" is added
  // with F4 and that window closed; then "Zruš větu" on row 2 at the first.
  {
    SCOPED_TRACE("two windows on list 27");
    std::string four;
    for (int i = 1; i <= 4; ++i) four += row27(i);
    WriteData("CI27.DTA", four);
    TfCis27 deleting, adding;
    SetupCis27(deleting, "27");
    deleting.GoToRecord(2, 0);
    deleting.RepaintPage();
    SetupCis27(adding, "27");
    edit.steps.clear();
    edit.Type("005").Keys("Down").Type("Aktiva 005").Keys("F2");
    adding.NewRecord();
    adding.CloseBrowse();
    ASSERT_EQ(ReadData("CI27.DTA").size(), 5 * four.size() / 4);
    deleting.DeleteRow();
    deleting.CloseBrowse();
    const std::string bytes = ReadData("CI27.DTA");
    EXPECT_EQ(cltest::Column(Cis27Spec(), bytes, 1), (Strings{"001", "002", "003", "004"}));
    EXPECT_EQ(cltest::Trimmed(cltest::Column(Cis27Spec(), bytes, 2)),
              (Strings{"Aktiva 001", "Aktiva 003", "Aktiva 004", "Aktiva 005"}));
    EXPECT_TRUE(Messages().empty()) << notes.Dump();
  }

  // List 27 of 122 rows opened at two workstations at once: the first to add the statutory
  // rows adds them; the other finds 125 rows under its turn and adds nothing.
  {
    SCOPED_TRACE("statutory rows at two openings");
    std::string rows122;
    for (int i = 1; i <= 122; ++i) rows122 += row27(i);
    WriteData("CI27.DTA", rows122);
    TfCis27 late, first;
    late.ListNo = "27";
    late.Setup();  // opened, its count of 122 taken, the rows not yet judged
    SetupCis27(first, "27");
    first.CloseBrowse();
    const std::string added = ReadData("CI27.DTA");
    ASSERT_EQ(added.size(), 125 * rows122.size() / 122);
    late.AddStatutoryRows();
    late.CloseBrowse();
    EXPECT_EQ(Shown(ReadData("CI27.DTA"), row27(1).size()), Shown(added, row27(1).size()));
    EXPECT_TRUE(Messages().empty()) << notes.Dump();
  }

  // "k1" of list 22 carries its rows into list 24: a row another workstation appended to 22
  // after the window opened goes too.
  {
    SCOPED_TRACE("22 into 24");
    WriteList(Cis22Spec(), {"010", "020"});
    WriteList(Cis24Spec(), {});
    TfCis22& from = fCis22();
    SetupCis22(from);
    WriteData("CI22.DTA", ReadData("CI22.DTA") + MakeRecord(Cis22Spec(), {{1, "030"}, {2, "Text 030"}}));
    from.k1Click();
    from.CloseBrowse();
    EXPECT_EQ(FileKeys(Cis24Spec()), (Strings{"010", "020", "030"}));
    EXPECT_TRUE(Messages().empty()) << notes.Dump();
  }

  // A list's print: a row another workstation appended after the window opened prints too.
  {
    SCOPED_TRACE("a list's print");
    WriteData("CI30.DTA", row30(1) + row30(2));
    TfCis30& w = fCis30();
    SetupCis30(w);
    WriteData("CI30.DTA", ReadData("CI30.DTA") + row30(3));
    w.PrintListing(1);
    w.CloseBrowse();
    CloseCodeListForms();
    EXPECT_EQ(writer.opened, 1);
    Strings printed;
    for (const std::string& line : writer.lines)
      if (const std::size_t at = line.find("1000"); at != std::string::npos) printed.push_back(line.substr(at, 5));
    EXPECT_EQ(printed, (Strings{"10001", "10002", "10003"}));
    EXPECT_TRUE(Messages().empty()) << notes.Dump();
  }

  ostest::WriteRaw(dir / "roz.xml", common::Cz("<jedna>\n<dva>\n<tři>\n<čtyři>\n<pět>\n<šest>\n"));
  ostest::WriteRaw(dir / "rozvaha.txt", common::Cz("<I>\n<II>\n<III>\n<IV>\n<V>\n<VI>\n"));
  TfCis26& w26 = fCis26();
  TfCis27& w27 = fCis27();
  SchemeWindow &w270 = fCis270(), &w27P = fCis27P(), &w260 = fCis260();
  TfCis29& w29 = fCis29();
  enum class Edit { None, Checked, Unchecked };  // an edit window the step opens
  const struct Row {
    const char* name;
    std::string file;
    Make make;
    browser::TfSoub& w;
    std::function<void()> open, run;
    bool atRow = false;  // works on the current row
    Edit edit = Edit::None;
  } rows[] = {
      {"Mezera (29)", "CI29.dta", row29, w29, [&] { SetupCis29(w29); },
       [&] {
         edit.Keys("F2");
         w29.EditRecord();
       },
       true, Edit::Checked},
      {"Shift+F4 (29)", "CI29.dta", row29, w29, [&] { SetupCis29(w29); },
       [&] {
         edit.Keys("F2");
         w29.EditRecordNoCheck();
       },
       true, Edit::Unchecked},
      {"Zruš záznam (26)", "CI26.dta", row26, w26, [&] { SetupCis26(w26, "26"); }, [&] { w26.DeleteRow(); }, true},
      {"Přidej záznam (26)", "CI26.dta", row26, w26, [&] { SetupCis26(w26, "26"); }, [&] { w26.InsertRow(); }, true},
      {"Zruš větu (27)", "CI27.DTA", row27, w27, [&] { SetupCis27(w27, "27"); }, [&] { w27.DeleteRow(); }, true},
      {"Přidej před větu (27)", "CI27.DTA", row27, w27, [&] { SetupCis27(w27, "27"); }, [&] { w27.InsertRow(); }, true},
      {"Naber XML texty", "CI27.DTA", row27, w27, [&] { SetupCis27(w27, "27"); },
       [&] { w27.MenuCommand(TfCis27::kXml); }},
      {"ID do pozn", "CI27.DTA", row27, w27, [&] { SetupCis27(w27, "27"); },
       [&] { w27.MenuCommand(TfCis27::kCodeToText); }},
      {"Texty 27 z Gordic", "CI27.DTA", row27, w27, [&] { SetupCis27(w27, "27"); },
       [&] { w27.MenuCommand(TfCis27::kGordicTexts); }},
      {"Zruš větu (270)", "CI270.DTA", scheme(SchemeKind::Balance270, "Aktiva "), w270, [&] { SetupCis270(w270, "270"); },
       [&] { w270.DeleteRow(); }, true},
      {"Přidej před větu (270)", "CI270.DTA", scheme(SchemeKind::Balance270, "Aktiva "), w270,
       [&] { SetupCis270(w270, "270"); }, [&] { w270.InsertRow(); }, true},
      {"Spočítej", "CI270.DTA", scheme(SchemeKind::Balance270, "Aktiva "), w270, [&] { SetupCis270(w270, "270"); },
       [&] { w270.CountRows(); }},
      {"Přenes KlicKam", "CI270.DTA", scheme(SchemeKind::Balance270, "Aktiva "), w270, [&] { SetupCis270(w270, "270"); },
       [&] { w270.CarryParentCodes(); }},
      {"Uprav *", "CI270.DTA", scheme(SchemeKind::Balance270, "* Aktiva "), w270, [&] { SetupCis270(w270, "270"); },
       [&] { w270.AdjustStars(); }},
      {"Zruš větu (27P)", "CI80.DTA", scheme(SchemeKind::Annex27P, "Příloha "), w27P, [&] { SetupCis27P(w27P, "80"); },
       [&] { w27P.DeleteRow(); }, true},
      {"Oprav *", "CI260.DTA", scheme(SchemeKind::Income260, "* Výnosy "), w260, [&] { SetupCis260(w260, "260"); },
       [&] { w260.StripStars(); }},
      {"Předpony účtů (13)", "CI13.DTA", row13, fCis13(), [] { SetupCis13(fCis13()); }, [] { fCis13().Cis13MovePrefixes(); }},
      {"Předpony účtů (15)", "CI15.DTA", row15, fCis15(), [] { SetupCis15(fCis15()); },
       [] { fCis15().RewriteStockAccountPrefixes(); }},
      {"Převod 20-22 na 27-26", "CI28.dta", row28, fCis28(), [] { SetupCis28(fCis28(), "CI28.dta"); },
       [] { fCis28().CashFlowSourceConversion(); }},
      {"22 do 24", "CI10.DTA", row10, fCis10(), [] { SetupCis10(fCis10()); }, [] { fCis10().Copy22To24(); }},
      {"Přečísluj klíč 2 na 5", "klicew.dta", rowKl, fKl(), [] { SetupKl(fKl()); }, [] { fKl().RenumberKey(2, 5); }},
      {"Otoč středisko", "CI30.DTA", row30, fCis30(), [] { SetupCis30(fCis30()); }, [] { fCis30().RotateCentre(); }},
  };
  // Four rows; the other workstation appends a fifth or cuts off the fourth.
  const auto start = [](const Row& r) {
    std::string bytes;
    for (int i = 1; i <= 4; ++i) bytes += r.make(i);
    return bytes;
  };
  const auto otherWrites = [&](const Row& r, bool append) {
    const std::string path = DataPath(r.file);
    const std::string bytes = ReadData(r.file);
    const std::size_t len = r.make(1).size();
    ASSERT_EQ(bytes.size(), 4 * len);
    ostest::WriteRaw(path, append ? bytes + r.make(5) : bytes.substr(0, 3 * len));
  };
  const auto close = [](const Row& r) {
    r.w.CloseBrowse();
    CloseCodeListForms();
  };
  const auto errors = [&] {
    Strings said;
    for (const std::string& m : Messages())
      if (m.find(" err ") != std::string::npos || m.find(common::Cz("neplatí")) != std::string::npos) said.push_back(m);
    return said;
  };
  for (const Row& r : rows) {
    for (const bool append : {true, false}) {
      SCOPED_TRACE(std::string(r.name) + (append ? ": another appends" : ": another cuts the last row"));
      // As in a window opened after the other's write.
      notes.calls.clear();
      edit.steps.clear();
      WriteData(r.file, start(r));
      otherWrites(r, append);
      r.open();
      r.w.GoToRecord(2, 0);
      r.run();
      close(r);
      const std::string expected = ReadData(r.file);
      ASSERT_TRUE(errors().empty()) << notes.Dump();

      // The window open before it, its page shown.
      notes.calls.clear();
      edit.steps.clear();
      WriteData(r.file, start(r));
      r.open();
      r.w.GoToRecord(2, 0);
      r.w.RepaintPage();
      otherWrites(r, append);
      r.run();
      close(r);
      EXPECT_EQ(Shown(ReadData(r.file), r.make(1).size()), Shown(expected, r.make(1).size())) << notes.Dump();
      EXPECT_TRUE(errors().empty()) << notes.Dump();
    }
    if (!r.atRow) continue;
    // The current row is the last one, which the other workstation cuts off: refused as an
    // edit of a changed record is, nothing written.
    SCOPED_TRACE(std::string(r.name) + ": the current row cut off");
    notes.calls.clear();
    edit.steps.clear();
    WriteData(r.file, start(r));
    r.open();
    r.w.GoToRecord(4, 0);
    r.w.RepaintPage();
    otherWrites(r, false);
    const std::string cut = ReadData(r.file);
    r.run();
    close(r);
    EXPECT_EQ(Shown(ReadData(r.file), r.make(1).size()), Shown(cut, r.make(1).size()));
    EXPECT_EQ(errors(), Strings{common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel")}) << notes.Dump();
    if (r.edit == Edit::None) continue;
    // The same while the edit window is open: the row cut off is refused alike; a row
    // changed meanwhile is refused by the checked edit and written over by Shift+F4.
    const std::size_t len = r.make(1).size();
    for (const bool cutOff : {true, false}) {
      SCOPED_TRACE(cutOff ? "cut off while the edit window is open" : "changed while the edit window is open");
      notes.calls.clear();
      edit.steps.clear();
      WriteData(r.file, start(r));
      r.open();
      r.w.GoToRecord(4, 0);
      r.w.RepaintPage();
      std::string other;
      edit.Do([&](browser::EditForm&) {
        if (cutOff) {
          otherWrites(r, false);
        } else {
          std::string changed = r.make(4);
          changed.replace(changed.find("Tok"), 3, "Jin");
          ostest::WriteRaw(DataPath(r.file), ReadData(r.file).substr(0, 3 * len) + changed);
        }
        other = ReadData(r.file);
      });
      r.run();
      close(r);
      const bool refused = cutOff || r.edit == Edit::Checked;
      EXPECT_EQ(errors(), refused ? Strings{common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel")} : Strings{})
          << notes.Dump();
      if (refused) {
        EXPECT_EQ(ReadData(r.file), other);
      } else {
        EXPECT_EQ(cltest::Trimmed(cltest::Column(Cis29Spec(), ReadData(r.file), 2)),
                  (Strings{"Tok 001", "Tok 002", "Tok 003", "Tok 004"}));
        EXPECT_EQ(ReadData(r.file).substr(0, 3 * len), other.substr(0, 3 * len));
      }
    }
  }
}

// A list opened while another workstation rewrites it (a sort or an insert half way: its
// turn held, its copy beside the list): the layout check leaves the copy to its writer, the
// list opens at once with nothing said, and F4 waits for that step and adds. A copy that
// cannot go back keeps the list read only while it waits, and every F4 says so, until the
// copy goes back and F4 adds.
TEST_F(CodeListWorkstations, AListOpenedWhileAnotherRewritesItOpensAtOnceAndAdds) {
  cltest::InstallLayouts(dir.path());
  const struct Row {
    const char* name;
    std::function<CodeListWindow&()> open;
    int nameField = 0;     // a field a new record needs filled (else the sort drops it)
    bool guarded = false;  // F4 is refused (said) while another user holds the list
  } rows[] = {
      {"TfCis26", [] () -> CodeListWindow& { SetupCis26(fCis26(), "26"); return fCis26(); }},
      {"TfCis27", [] () -> CodeListWindow& { SetupCis27(fCis27(), "27"); return fCis27(); }},
      {"TfCis27P", [] () -> CodeListWindow& { SetupCis27P(fCis27P(), "80"); return fCis27P(); }},
      {"TfCis260", [] () -> CodeListWindow& { SetupCis260(fCis260(), "260"); return fCis260(); }},
      {"TfCis65", [] () -> CodeListWindow& { SetupCis65(fCis65()); return fCis65(); }},
      {"TfObce", [] () -> CodeListWindow& { SetupObce(fObce()); return fObce(); }, 4, true},
  };
  using Kind = common::RecordingNotifier::Kind;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    // F4 F2 over the template: true when the edit window came and went.
    const auto add = [&](CodeListWindow& w) {
      edit.steps.clear();
      if (r.nameField > 0) edit.Do([&r](browser::EditForm& f) { f.SetText(r.nameField, "Obec"); });
      edit.Keys("F2");
      w.NewRecord();
      const bool shown = edit.steps.empty();
      edit.steps.clear();
      return shown;
    };
    CodeListWindow& first = r.open();
    const std::string path = first.DataFilePath;
    const auto length = static_cast<std::size_t>(first.RecordLength);
    ASSERT_TRUE(add(first)) << notes.Dump();
    first.CloseBrowse();
    const std::string start = ostest::ReadRaw(path);
    ASSERT_GT(start.size(), 0u) << path << notes.Dump();
    ASSERT_EQ(start.size() % length, 0u);
    const std::size_t records = start.size() / length;
    notes.calls.clear();

    // The other workstation's step under way: the opening says nothing, F4 waits for the
    // step (its notice) and adds.
    {
      leftcopy::WriterAtWork writer(path);
      ASSERT_TRUE(writer.ok());
      ASSERT_TRUE(fs::exists(leftcopy::CopyOf(path)));
      CodeListWindow& w = r.open();
      if (HasFailure()) return;  // the opening's wait never ended (said): no 20 s more per row
      EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
      EXPECT_FALSE(w.ReadOnlyOpen());
      EXPECT_EQ(w.Count, static_cast<std::int32_t>(records));
      bool finished = false;
      if (r.guarded) {
        EXPECT_FALSE(add(w));
        EXPECT_EQ(notes.Count(Kind::BeepMessage), 1) << notes.Dump();
        finished = writer.Finish();
      }
      notes.onWait = [&](const std::string&, int) {
        if (!finished) finished = writer.Finish();
      };
      EXPECT_TRUE(add(w)) << notes.Dump();
      notes.onWait = nullptr;
      w.CloseBrowse();
      EXPECT_TRUE(finished) << notes.Dump();
      if (!r.guarded) EXPECT_GE(notes.Count(Kind::LockWait, common::Cz("Soubor ")), 1) << notes.Dump();
      EXPECT_TRUE(Messages().empty()) << notes.Dump();
      EXPECT_EQ(ostest::ReadRaw(path).size(), (records + 1) * length) << notes.Dump();
      EXPECT_FALSE(fs::exists(leftcopy::CopyOf(path)));
    }

    // A copy that cannot go back: said at the opening, and at every F4 after, nothing
    // written; once it can go back, F4 puts it back and adds.
    ostest::WriteRaw(path, start);
    leftcopy::LeaveUnfinishedCopy(path);
    const std::string half = ostest::ReadRaw(path);
    notes.calls.clear();
    {
      common::FaultFileSystem faults;
      faults.Fail(common::FsOp::Read, EIO, ".rollback");
      common::ScopedFileSystem scoped(faults);
      CodeListWindow& w = r.open();
      EXPECT_EQ(Messages().size(), 1u) << notes.Dump();
      for (int press = 1; press <= 2; ++press) {
        EXPECT_FALSE(add(w));
        EXPECT_EQ(Messages().size(), 1u + press) << notes.Dump();
        EXPECT_NE(Messages().back().find(common::Cz(" je jen pro čtení, dokud nelze vrátit nedokončený přepis z kopie ")),
                  std::string::npos)
            << notes.Dump();
      }
      EXPECT_EQ(ostest::ReadRaw(path), half);
    }
    CodeListWindow& w = first;  // the same window, still open
    EXPECT_TRUE(add(w)) << notes.Dump();
    w.CloseBrowse();
    EXPECT_TRUE(leftcopy::Said(notes, common::Cz("Soubor ") + w.DataFileName + common::Cz(" byl vrácen do stavu před nedokončeným přepisem")) ||
                leftcopy::Said(notes, common::Cz("Soubor ") + path + common::Cz(" byl vrácen do stavu před nedokončeným přepisem")))
        << notes.Dump();
    EXPECT_EQ(ostest::ReadRaw(path).size(), (records + 1) * length) << notes.Dump();
    EXPECT_FALSE(fs::exists(leftcopy::CopyOf(path)));
  }
}

}  // namespace

namespace {

// Steps over marks of the chart of accounts and the balance scheme while another
// workstation (a second open of the file) takes out a record before the marked ones or
// changes a marked one between the marking and the step: the step acts on none and says
// so; after the window's own write it acts as marked.
class CodeListMarkSteps : public cltest::CodeListTest {};

TEST_F(CodeListMarkSteps, AStepOverMarksActsOnlyOnTheRecordsMarked) {
  enum class Between { Nothing, Compaction, Change, OwnWrite };
  struct Step {
    const char* name;
    const char* file;
    std::function<std::string(int k, const std::string& text)> record;
    std::function<CodeListWindow&()> open;
    const char* item;
  };
  const Step steps[] = {
      {"Posun analytiku", "CI10.DTA",
       [](int k, const std::string& text) {
         return cltest::MakeRecord(Cis10Spec(), {{1, "3110" + std::to_string(10 + k)}, {2, text}});
       },
       []() -> CodeListWindow& {
         TfCis10& w = fCis10();
         SetupCis10(w);
         return w;
       },
       "h1"},
      {"Odeber stm:", "CI270.DTA",
       [](int k, const std::string& text) {
         return cltest::MakeRecord(SchemeSpec(SchemeKind::Balance270),
                                   {{scheme::kRow, "  " + std::to_string(k)}, {scheme::kName, text}, {scheme::kCode, "A." + std::to_string(k)}});
       },
       []() -> CodeListWindow& {
         SchemeWindow& w = fCis270();
         SetupCis270(w, "270");
         return w;
       },
       "N3"},
  };
  const std::string stale = common::Cz("Označené věty mezitím změnil jiný uživatel, nic se neprovedlo; označte je znovu");
  for (const Step& step : steps) {
    const std::string file(step.file);
    auto bytes = [&](const std::vector<int>& ks, int changed) {
      std::string b;
      for (int k : ks) b += step.record(k, k == changed ? "Zmeneno" : "Text " + std::to_string(k));
      return b;
    };
    for (const Between between : {Between::Nothing, Between::Compaction, Between::Change, Between::OwnWrite}) {
      SCOPED_TRACE(std::string(step.name) + " " + std::to_string(static_cast<int>(between)));
      WriteData(file, bytes({1, 2, 3, 4, 5}, 0));
      CodeListWindow& w = step.open();
      Show(w);
      for (int n : {3, 4}) w.ToggleMark(n);
      ASSERT_EQ(w.MarkedCount, 2);
      if (between == Between::Compaction) WriteData(file, bytes({1, 3, 4, 5}, 0));
      if (between == Between::Change) WriteData(file, bytes({1, 2, 3, 4, 5}, 3));
      if (between == Between::OwnWrite) {
        w.RecordReadAt(3);
        w.PutField(w.RecordBuffer, 2, "Vlastni");
        w.RecordWriteAt(3);
      }
      const std::string before = ReadData(file);
      notes.calls.clear();
      ui::MenuItem* item = w.PopupMenu1.Find(step.item);
      ASSERT_NE(item, nullptr);
      item->onClick(*item);
      const std::vector<std::string> messages = Messages();
      const auto said = std::count(messages.begin(), messages.end(), stale);
      if (between == Between::Compaction || between == Between::Change) {
        EXPECT_EQ(ReadData(file), before);
        EXPECT_EQ(said, 1);
        EXPECT_EQ(w.MarkedCount, 0);
      } else {
        EXPECT_NE(ReadData(file), before);
        EXPECT_EQ(said, 0);
      }
      w.CloseBrowse();
    }
  }
}

}  // namespace
