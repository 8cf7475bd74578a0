// The engine's policies beyond the pattern: physical positions after a header click,
// comparators, deletion markers and policies, guards, stamps, recode, the picker.
#include <filesystem>
#include <functional>

#include "common/lockclient.h"
#include "common/locking.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"
#include "tools/lockserver/lockserver.h"

namespace {

using namespace codelists;
using cltest::kOld;
using cltest::kToday;
using cltest::ServedLocks;
using cltest::Strings;
using cltest::Trimmed;
using CodeListEngine = cltest::CodeListTest;
using common::Cz;

const std::vector<FieldSpec>& SmallFields() {
  static const std::vector<FieldSpec> f = {{"Kód  ", " ", "     ", 1, 2}, {"Název     ", " ", "          ", 2, 2},
                                           {"Datum ", " ", "      ", 3, 2}};
  return f;
}

// A small list "CI98.DTA" (code 5, name 10, date 6: 26 bytes) to vary the policies on.
CodeListSpec Small() {
  CodeListSpec s;
  s.listNo = 98;
  s.className = "TfCis98";
  s.caption = "Zkouška";
  s.file = "CI98.DTA";
  s.recordLength = 26;
  s.fields = SmallFields();
  s.deleted = {1, DeletedTest::Equals, "     ", 0, {{1, "     "}}};
  s.dateField = 3;
  s.stamp = StampPolicy::EveryWrite;
  return s;
}

TEST_F(CodeListEngine, AfterAHeaderClickDeleteAndCloseWorkOnPhysicalRecords) {
  for (bool headerClick : {false, true}) {
    SCOPED_TRACE(headerClick);
    std::string bytes;
    const char* names[] = {"E", "D", "C", "B", "A"};  // name order is the reverse of the key order
    for (int i = 0; i < 5; ++i)
      bytes += cltest::MakeRecord(Cis20Spec(), {{1, "0" + std::to_string(i + 1) + "0"}, {2, names[i]}});
    WriteData("CI20.DTA", bytes);
    TfCis20 w;
    SetupCis20(w);
    w.GoToRecord(3, 0);
    if (headerClick) {
      w.SortByColumn(2);
      ASSERT_EQ(w.ActiveOrder, 1);
      ASSERT_TRUE(std::filesystem::exists(DataPath("CI20.DT1")));
      w.GoToRecord(3, 0);  // position 3 of the name order shows record 3 ("C")
    }
    w.DeleteRecord(w.Current);
    EXPECT_EQ(w.ActiveOrder, 0);
    EXPECT_EQ(w.IndexCount(1), 0);
    w.SetSortOrder1();  // a stale order cannot come back
    EXPECT_EQ(w.ActiveOrder, 0);
    w.CloseBrowse();
    EXPECT_EQ(ReadData("CI20.DTA").size(), 4u * 53u);
    EXPECT_EQ(FileKeys(Cis20Spec()), (Strings{"010", "020", "040", "050"}));
    std::filesystem::remove(DataPath("CI20.DT1"));
  }
}

TEST_F(CodeListEngine, ComparatorKinds) {
  const struct {
    KeyCompare compare;
    Strings keys, sorted;
  } cases[] = {
      {KeyCompare::Bytes, {"b", "B", "č", "c"}, {"B", "b", "c", "č"}},
      {KeyCompare::UpperCz, {"b", "C", "a"}, {"a", "b", "C"}},
      {KeyCompare::CzSortKey, {"d", "č", "c", "ch", "h"}, {"c", "č", "d", "h", "ch"}},
      {KeyCompare::Custom, {"1", "3", "2"}, {"3", "2", "1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.compare));
    CodeListSpec spec = Small();
    spec.key.compare = c.compare;
    spec.key.less = [](const std::string& a, const std::string& b) { return a > b; };
    WriteList(spec, c.keys);
    CodeListWindow w("fCis98", spec);
    w.Setup();
    EXPECT_TRUE(w.SortFile());
    Strings expected;
    for (const std::string& k : c.sorted) expected.push_back(Cz(k));
    EXPECT_EQ(Trimmed(FileKeys(spec)), expected);
    w.CloseBrowse();
  }
}

TEST_F(CodeListEngine, DeletedRecordTests) {
  const struct {
    DeletedSpec deleted;
    Strings keys, kept;
  } cases[] = {
      {{1, DeletedTest::Equals, "     ", 0, {}}, {"     ", "A", "   B"}, {"   B", "A"}},
      {{1, DeletedTest::StartsWith, ".", 0, {}}, {".", "..x", "A"}, {"A"}},
      {{1, DeletedTest::LeadingBlanks, "", 3, {}}, {"   B", "  C", "A"}, {"  C", "A"}},
      {{1, DeletedTest::AllBlank, "", 0, {}}, {"", "  ", "A"}, {"A"}},
      {{1, DeletedTest::Never, "", 0, {}}, {"     ", "A"}, {"     ", "A"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys[1]);
    CodeListSpec spec = Small();
    spec.deleted = c.deleted;
    std::string bytes;
    for (const std::string& k : c.keys) {
      std::string r = cltest::MakeRecord(spec, {});
      common::PutCounted(r, 0, k, 5);  // as written, with its own length byte
      bytes += r;
    }
    WriteData("CI98.DTA", bytes);
    CodeListWindow w("fCis98", spec);
    w.Setup();
    EXPECT_TRUE(w.SortFile());
    EXPECT_EQ(FileKeys(spec), c.kept);
    w.CloseBrowse();
  }
}

TEST_F(CodeListEngine, DeletePoliciesAndPositions) {
  const struct {
    DeletePolicy policy;
    AfterDelete after;
    Strings keys;
    int current;
  } cases[] = {
      {DeletePolicy::MarkerMoveUp, AfterDelete::FormerCurrent, {"     ", "A", "C"}, 2},
      {DeletePolicy::MarkerMoveUp, AfterDelete::FormerCurrentPlusOne, {"     ", "A", "C"}, 3},
      {DeletePolicy::MarkerInPlace, AfterDelete::StayInPlace, {"A", "     ", "C"}, 2},
      {DeletePolicy::TemplateInPlace, AfterDelete::FormerCurrent, {"A", "     ", "C"}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.policy));
    CodeListSpec spec = Small();
    spec.deletePolicy = c.policy;
    spec.afterDelete = c.after;
    spec.deleted.writes = {{1, "     "}, {2, "smazáno"}};
    WriteList(spec, {"A", "B", "C"});
    CodeListWindow w("fCis98", spec);
    w.Setup();
    w.GoToRecord(2, 0);
    w.DeleteRecord(w.Current);
    EXPECT_EQ(FileKeys(spec), c.keys);
    EXPECT_EQ(w.Current, c.current);
    const bool marker = c.policy == DeletePolicy::MarkerMoveUp || c.policy == DeletePolicy::MarkerInPlace;
    const std::string name = Texts(spec)[c.policy == DeletePolicy::MarkerMoveUp ? 0 : 1];
    EXPECT_EQ(name, marker ? Cz("smazáno") : std::string(10, ' '));
    w.CloseBrowse();
  }
}

TEST_F(CodeListEngine, TheDeleteQuestionDecides) {
  CodeListSpec spec = Small();
  spec.deletePolicy = DeletePolicy::TemplateInPlaceAsk;
  spec.deleteQuestion = "Zrušit záznam?";
  WriteList(spec, {"A", "B"});
  CodeListWindow w("fCis98", spec);
  w.Setup();
  for (int key : {ui::vk::Esc, ui::vk::Letter('A')}) {  // no, then "Ano"
    backend.AnswerNextModal([&, key](ui::Form&) { backend.Press(key); });
    w.DeleteRecord(w.Current);
    EXPECT_EQ(Trimmed(FileKeys(spec)), (key == ui::vk::Esc ? Strings{"A", "B"} : Strings{"A", ""}));
  }
  w.CloseBrowse();
}

void Guard(CodeListSpec& spec) {
  spec.guards = {true, true, true, "Oprava odmítnuta", "Pozor, záznam se nepřidal, někdo právě pracuje s číselníkem",
                 "Pozor, záznam se nezrušil, někdo právě pracuje s číselníkem"};
}

TEST_F(CodeListEngine, GuardsRefuseWhileAnotherUserHoldsTheFile) {
  CodeListSpec spec = Small();
  Guard(spec);
  WriteList(spec, {"A", "B"});
  CodeListWindow w("fCis98", spec);
  w.Setup();
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  const std::string bytes = ReadData("CI98.DTA");
  w.EditRecord();
  w.NewRecord();
  w.DeleteRecord(w.Current);
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("CI98.DTA"), bytes);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage), (Strings{Cz("Oprava odmítnuta"), Cz("Pozor, záznam se nepřidal, někdo právě pracuje s číselníkem"),
                                 Cz("Pozor, záznam se nezrušil, někdo právě pracuje s číselníkem")}));
  common::UnlockFile(other, w.DataFilePath);
  w.CloseBrowse();
}

// With a lock server that answers later than the client waits, nobody need be at work:
// the refusal says the server did not answer; nothing is written.
TEST_F(CodeListEngine, GuardsSayALockServerThatDidNotAnswer) {
  ServedLocks locks;
  ASSERT_TRUE(locks.connected);
  common::LockServerClient& client = locks.client;
  CodeListSpec spec = Small();
  Guard(spec);
  WriteList(spec, {"A", "B"});
  CodeListWindow w("fCis98", spec);
  w.Setup();
  const std::string bytes = ReadData("CI98.DTA");
  // Each key's question answered late; the late answer taken in before the next key.
  const auto late = [&](const std::function<void()>& key) {
    auto t = client.timing();
    t.replyTimeoutMs = 20;
    client.SetTiming(t);
    locks.server.HoldNextReply();
    key();
    locks.server.ReleaseHeldReplies();
    t.replyTimeoutMs = 2000;
    client.SetTiming(t);
    EXPECT_EQ(client.ServerIfVolny(common::LockDir(w.DataFilePath), "JINY.DTA    ", "01  "), "");
  };
  late([&] { w.EditRecord(); });
  late([&] { w.NewRecord(); });
  late([&] { w.DeleteRecord(w.Current); });
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("CI98.DTA"), bytes);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
            (Strings{Cz("Oprava odmítnuta, server zámků neodpovídá (ERR 50)"),
                     Cz("Pozor, záznam se nepřidal, server zámků neodpovídá (ERR 50)"),
                     Cz("Pozor, záznam se nezrušil, server zámků neodpovídá (ERR 50)")}))
      << notes.Dump();
  w.CloseBrowse();
}

TEST_F(CodeListEngine, StampPoliciesOnAPlainEdit) {
  const struct {
    StampPolicy stamp;
    Strings dates;
  } cases[] = {{StampPolicy::None, {kOld, kOld, kOld}},
               {StampPolicy::OnChangedFlag, {kOld, kToday, kOld}},
               {StampPolicy::EveryWrite, {kToday, kToday, kOld}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.stamp));
    CodeListSpec spec = Small();
    spec.stamp = c.stamp;
    WriteList(spec, {"A", "C", "E"});
    CodeListWindow w("fCis98", spec);
    w.Setup();
    w.GoToRecord(1, 0);
    edit.Type("D").Keys("F2");
    w.EditRecord();
    EXPECT_EQ(Trimmed(FileKeys(spec)), (Strings{"C", "D", "E"}));
    EXPECT_EQ(Dates(spec), c.dates);
    w.CloseBrowse();
  }
}

TEST_F(CodeListEngine, RawShiftsDoNotStampAndAFullSortRepositions) {
  CodeListSpec spec = Small();
  spec.shift = ShiftWrite::Raw;
  spec.reposition = Reposition::FullSortNow;
  WriteList(spec, {"A", "C", "E"});
  CodeListWindow w("fCis98", spec);
  w.Setup();
  w.GoToRecord(1, 0);
  edit.Type("F").Keys("F2");
  w.EditRecord();
  EXPECT_EQ(Trimmed(FileKeys(spec)), (Strings{"C", "E", "F"}));
  EXPECT_EQ(Dates(spec), (Strings{kOld, kOld, kToday}));
  w.CloseBrowse();
}

TEST_F(CodeListEngine, RecodeTurnsTheTextFieldsFromKamenicky) {
  CodeListSpec spec = Small();
  spec.recodeFields = {2};
  spec.stamp = StampPolicy::None;
  spec.menu = {{"j1", "Překóduj", MenuAction::Recode}};
  std::string r = cltest::MakeRecord(spec, {{1, "A"}});
  common::PutCounted(r, 6, std::string("\x87\x82", 2) + "        ", 10);  // "čé" in Kamenický
  WriteData("CI98.DTA", r);
  CodeListWindow w("fCis98", spec);
  w.Setup();
  ui::MenuItem* item = w.PopupMenu1.Find("j1");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->caption, Cz("Překóduj"));
  item->onClick(*item);
  EXPECT_EQ(Texts(spec)[0], Cz("čé") + std::string(8, ' '));
  w.CloseBrowse();
}

// A list in another order (a sort mode) whose file name comes from its parameter.
class ModeList : public CodeListWindow {
 public:
  ModeList(const CodeListSpec& spec, int n) : CodeListWindow("fCis98", spec), n_(n) {}
  bool byName = true;
  std::vector<std::string> calls;

 protected:
  std::string ListFileName() const override { return "CI" + std::to_string(n_) + ".dta"; }
  bool OtherOrder() const override { return byName; }
  void BeforeCloseSort() override {
    calls.push_back("BeforeCloseSort");
    byName = false;
  }

 private:
  int n_;
};

TEST_F(CodeListEngine, ACloseInAnotherOrderSortsBackAndKeptOpenFilesStayOpen) {
  CodeListSpec spec = Small();
  spec.closeSort = CloseSort::WhenFirstDeletedOrOtherOrder;
  spec.keepOpen = {98, false};
  std::string bytes;
  for (const char* k : {"C", "A", "B"}) bytes += cltest::MakeRecord(spec, {{1, k}});
  WriteData("CI76.dta", bytes);
  ModeList w(spec, 76);
  w.Setup();
  EXPECT_EQ(w.DataFileName, "CI76.dta");
  w.CloseBrowse();  // during the run: sorted, the file left open
  EXPECT_EQ(w.calls, Strings{"BeforeCloseSort"});
  EXPECT_TRUE(w.DataFileUsable());
  EXPECT_EQ(cltest::Column(spec, ReadData("CI76.dta"), 1), (Strings{"A", "B", "C"}));
  w.EndOfRunClose();  // in key order now and nothing deleted: no second sort
  EXPECT_EQ(w.calls.size(), 1u);
  EXPECT_FALSE(w.DataFileUsable());
}

TEST_F(CodeListEngine, ThePickerReadsTheChosenRecord) {
  CodeListSpec spec = Small();
  WriteList(spec, {"A", "B", "C"});
  CodeListWindow w("fCis98", spec);
  for (const char* key : {"Enter", "Esc"}) {
    SCOPED_TRACE(key);
    backend.AnswerNextModal([&](ui::Form&) {
      backend.PressKeys(key);
    });
    const auto chosen = PickRecord(w, [&] { w.Setup(); }, [] { return -2; }, true);  // a miss next to record 2
    EXPECT_EQ(chosen.has_value(), std::string(key) == "Enter");
    if (chosen) {
      EXPECT_EQ(common::StripRightSp(common::GetCounted(*chosen, 0, 5)), "B");
    }
    EXPECT_FALSE(w.DataFileUsable());
  }
}

}  // namespace
