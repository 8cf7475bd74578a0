// The payroll-sheet key jobs: the rebuild's record rules, the 2024 conversion's rules,
// their file glue with its guards, and the program run with "CI6160" end to end.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "app/ci60.h"
#include "app/program.h"
#include "backup/pending.h"
#include "codelists/cis60.h"
#include "common/clock.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/locking.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/process.h"
#include "common/session.h"
#include "common/startup.h"
#include "tests/app/appkit.h"
#include "tests/common/leftcopy.h"

namespace {

using codelists::kCi60Layout;
using codelists::kCi61Layout;
using common::Cz;
using Strings = std::vector<std::string>;
using Fields = std::map<int, std::string>;

// A record of a list's table: every field at its initial value, then the given ones.
std::string Record(const codelists::CodeListSpec& spec, const Fields& values) {
  std::string r(static_cast<std::size_t>(spec.recordLength), '\0');
  std::size_t at = 0;
  int f = 1;
  for (const auto& field : spec.fields) {
    const std::string init = Cz(field.initial);
    const auto it = values.find(f++);
    common::PutCounted(r, at, it == values.end() ? init : Cz(it->second), init.size());
    at += init.size() + 1;
  }
  return r;
}
std::string R60(const Fields& v) { return Record(codelists::Cis60Spec(), v); }
std::string R61(const Fields& v) { return Record(codelists::Cis61Spec(), v); }

// Accounts: all 20 fields of a record set to one text.
Fields WithAccounts(Fields v, const std::string& account) {
  for (int f = 9; f <= 28; ++f) v[f] = account;
  return v;
}

std::string Field60(const std::string& rec, int at, int width) {
  return common::GetCounted(rec, static_cast<std::size_t>(at), static_cast<std::size_t>(width));
}
std::string Key(const std::string& rec) { return Field60(rec, 0, 3); }
std::string Holiday(const std::string& rec) { return Field60(rec, kCi60Layout.holiday, 1); }
Strings Accounts(const std::string& rec) {
  Strings a;
  for (int k = 0; k < codelists::kAccountFields; ++k) a.push_back(Field60(rec, kCi60Layout.accounts + 7 * k, 6));
  return a;
}
Strings All(const std::string& account) { return Strings(20, account); }
const std::string kBlank6(6, ' ');

Strings Keys(const Strings& records) {
  Strings k;
  for (const std::string& r : records) k.push_back(Key(r));
  return k;
}

// ---------------------------------------------------------------- the rebuild's rules

TEST(Ci60Merge, HolidayFlagComesFromTheOldListUnlessItIsOneBlank) {
  const struct {
    int key;
    const char* old;
    const char* result;
  } cases[] = {{35, " ", "R"}, {35, "1", "1"}, {35, "", ""}, {53, "2", "2"}, {133, "1", "1"}, {36, "1", "R"}};
  for (const auto& c : cases) {
    const std::string key = common::IntToText(c.key, 3);
    SCOPED_TRACE(key + " '" + c.old + "'");
    const Strings out = app::mergeCi60({R61({{1, key}, {4, c.old}})}, {R60({{1, key}, {4, "R"}})});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Holiday(out[0]), c.result);
  }
}

TEST(Ci60Merge, OwnAccountsOnlyAbove100AndOnlyWithANote) {
  const struct {
    const char* key;
    const char* note;
    bool taken;
  } cases[] = {{"150", "x", true}, {"150", " ", false}, {"150", "", false}, {"050", "x", false}, {"999", "poz", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " '" + c.note + "'");
    const Strings out = app::mergeCi60({R61(WithAccounts({{1, c.key}, {29, "1"}, {30, "2"}}, "521000"))},
                                       {R60(WithAccounts({{1, c.key}, {31, c.note}, {29, "M"}, {30, "D"}}, "331000"))});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Accounts(out[0]), All(c.taken ? "521000" : "331000"));
    EXPECT_EQ(Field60(out[0], kCi60Layout.flagMd, 1) + Field60(out[0], kCi60Layout.flagDal, 1), c.taken ? "12" : "MD");
  }
}

TEST(Ci60Merge, FixedMovesTakeAccountsButNotFlagsAndOnlyFromAPresentSource) {
  const std::pair<int, int> moves[] = {{173, 103}, {178, 171}, {179, 169}, {187, 185},
                                       {188, 186}, {338, 311}, {339, 314}, {219, 270}};
  for (const auto& [to, from] : moves) {
    const std::string t = common::IntToText(to, 3), s = common::IntToText(from, 3);
    SCOPED_TRACE(t + " <- " + s);
    const Strings ref{R60(WithAccounts({{1, t}, {31, "poznámka"}, {29, "M"}}, "331000"))};
    Strings out = app::mergeCi60({R61(WithAccounts({{1, s}, {29, "1"}}, "521000"))}, ref);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Accounts(out[0]), All("521000"));
    EXPECT_EQ(Field60(out[0], kCi60Layout.flagMd, 1), "M");
    // The move overwrites what the note rule gave the target.
    out = app::mergeCi60({R61(WithAccounts({{1, t}}, "111111")), R61(WithAccounts({{1, s}}, "521000"))}, ref);
    EXPECT_EQ(Accounts(out[0]), All("521000"));
    // Without the source the target keeps what the note rule gave it.
    out = app::mergeCi60({R61(WithAccounts({{1, t}}, "111111"))}, ref);
    EXPECT_EQ(Accounts(out[0]), All("111111"));
  }
}

TEST(Ci60Merge, TenEntriesAlwaysEndWithBlankAccounts) {
  Strings old, ref;
  for (int k : {201, 202, 311, 314, 316, 317, 320, 324, 329, 332}) {
    const std::string key = common::IntToText(k, 3);
    old.push_back(R61(WithAccounts({{1, key}}, "521000")));
    ref.push_back(R60(WithAccounts({{1, key}, {31, "x"}}, "331000")));
  }
  const Strings out = app::mergeCi60(old, ref);
  ASSERT_EQ(out.size(), 10u);
  for (const std::string& r : out) EXPECT_EQ(Accounts(r), All(kBlank6)) << Key(r);
}

TEST(Ci60Merge, Name401IsTheOldNameAndTenBlanksCutTo25) {
  const struct {
    const char* old;
    std::string name;
  } cases[] = {{"Osmnáct znaků xxxx", Cz("Osmnáct znaků xxxx") + std::string(7, ' ')}, {"Krátké", Cz("Krátké") + std::string(10, ' ')}};
  for (const auto& c : cases) {
    const Strings out = app::mergeCi60({R61({{1, "401"}, {2, c.old}})}, {R60({{1, "401"}, {2, "Vzor"}})});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Field60(out[0], kCi60Layout.name, 25), c.name);
  }
  // Without an old 401 the reference name stays.
  EXPECT_EQ(Field60(app::mergeCi60({}, {R60({{1, "401"}, {2, "Vzor"}})})[0], kCi60Layout.name, 25), "Vzor");
}

TEST(Ci60Merge, KeysOutside1To999AreLeftOutAndTheLaterDuplicateWins) {
  const Strings ref{R60({{1, "500"}, {2, "prvni"}}), R60({{1, "000"}}), R60({{1, "   "}}), R60({{1, "abc"}}),
                    R60({{1, "010"}}),               R60({{1, "500"}, {2, "druhy"}})};
  const Strings out = app::mergeCi60({R61({{1, "777"}})}, ref);  // an old entry alone gives nothing
  EXPECT_EQ(Keys(out), (Strings{"010", "500"}));
  EXPECT_EQ(Field60(out[1], kCi60Layout.name, 25), "druhy");
  // A reference entry the old list lacks is written unchanged.
  EXPECT_EQ(out[0], ref[4]);
}

// ---------------------------------------------------------------- the 2024 conversion's rules

TEST(Ci60Convert, FourKeysComeFromTheReferenceAndBlankAccountsAreFilled) {
  Fields partial{{1, "160"}};
  partial[9] = "52    ";
  const Strings firm{R60({{1, "289"}, {2, "firemni"}}), R60({{1, "150"}}), R60(partial), R60({{1, "999"}, {9, "111"}}),
                     R60({{1, "342"}})};
  const Strings ref{R60({{1, "150"}, {9, "521000"}, {10, "331000"}}), R60({{1, "289"}, {2, "vzor"}}), R60({{1, "300"}}),
                    R60({{1, "150"}, {9, "999999"}}), R60({{1, "160"}, {9, "521000"}, {10, "331000"}})};
  const app::Ci60Conversion c = app::convertCi60_2024(firm, ref);
  EXPECT_EQ(Keys(c.kept), (Strings{"150", "160", "999"}));
  EXPECT_EQ(Keys(c.filled), (Strings{"150", "160", "999"}));
  EXPECT_EQ(Accounts(c.filled[0])[0], "521000");  // the first reference record of the key
  EXPECT_EQ(Accounts(c.filled[0])[1], "331000");
  EXPECT_EQ(Accounts(c.filled[1])[0], "52    ");  // a partly filled account stays
  EXPECT_EQ(Accounts(c.filled[1])[1], "331000");
  EXPECT_EQ(c.filled[2], firm[3]);  // a key the reference lacks stays as it is
  EXPECT_EQ(Keys(c.added), (Strings{"289", "300"}));
  EXPECT_EQ(c.added[0], ref[1]);  // 289 in its reference form; 342 is gone with the reference lacking it
  // An empty firm list takes every reference entry, duplicates included.
  EXPECT_EQ(app::convertCi60_2024({}, ref).added, ref);
}

// ---------------------------------------------------------------- the file glue

class Ci60Files : public apptest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    common::LoadStartupConfig();
    other.DataDirPath = common::CurrentSession().DataDirPath;
    other.ProgDirPath = common::CurrentSession().ProgDirPath;
    other.CurrentUser = "02";
  }
  common::Session other;  // a second workstation on the same folders
  std::string Data(const std::string& name) const { return dir / ("data/" + name); }
  std::string Reference() const { return dir / "prog/ci/ci60.dta"; }
  void WriteReference(const Strings& records) const {
    std::filesystem::create_directories(dir / "prog/ci");
    ostest::WriteRaw(Reference(), Join(records));
  }
  static std::string Join(const Strings& records) {
    std::string s;
    for (const std::string& r : records) s += r;
    return s;
  }
  static Strings Split(const std::string& bytes, std::size_t len) {
    Strings out;
    for (std::size_t at = 0; at + len <= bytes.size(); at += len) out.push_back(bytes.substr(at, len));
    return out;
  }
  Strings Notes() const { return notes.Texts(common::RecordingNotifier::Kind::Message); }

  const Strings ref{R60(WithAccounts({{1, "035"}, {4, " "}}, "331000")), R60(WithAccounts({{1, "150"}, {31, "x"}}, "331000")),
                    R60({{1, "173"}}), R60(WithAccounts({{1, "201"}}, "343000"))};
  const Strings old{R61({{1, "035"}, {4, "1"}}), R61(WithAccounts({{1, "103"}}, "521000")),
                    R61(WithAccounts({{1, "150"}, {29, "1"}}, "521100"))};
  const std::string firmList = Join({R60({{1, "999"}})});
};

// The firm's own assignments (150's accounts) come from the old list also when the user
// may read it but not write it.
TEST_F(Ci60Files, RebuildWritesTheMergedListAndLeavesItsSourcesAlone) {
  WriteReference(ref);
  ostest::WriteRaw(Data("CI61.DTA"), Join(old));
  ostest::WriteRaw(Data("CI60.dta"), firmList);
  ASSERT_NE(app::mergeCi60(old, ref), app::mergeCi60({}, ref));
  for (const bool writable : {true, false})
    for (app::RebuildMode mode : {app::RebuildMode::Button, app::RebuildMode::Batch}) {
      SCOPED_TRACE(writable ? "CI61.DTA writable" : "CI61.DTA not writable");
      ostest::WriteRaw(Data("CI60.dta"), firmList);
      {
        common::FaultFileSystem faults;
        if (!writable) faults.Fail(common::FsOp::OpenWrite, EACCES, "CI61.DTA");
        common::ScopedFileSystem scoped(faults);
        ASSERT_TRUE(app::MergeCi60(mode)) << notes.Dump();
      }
      EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Join(app::mergeCi60(old, ref)));
      EXPECT_EQ(ostest::ReadRaw(Reference()), Join(ref));
      EXPECT_EQ(ostest::ReadRaw(Data("CI61.DTA")), Join(old));
      if (writable) EXPECT_TRUE(Notes().empty()) << notes.Dump();
    }
}

// A rebuild killed half way left its temporaries beside the list and its lock table;
// the next rebuild erases them, whatever else lies there stays.
TEST_F(Ci60Files, RebuildClearsTheTemporariesOfAKilledRebuild) {
  WriteReference(ref);
  ostest::WriteRaw(Data("CI61.DTA"), Join(old));
  ostest::WriteRaw(Data("CI60.dta"), firmList);
  ostest::WriteRaw(Data(common::ReplacementTempName("CI60.dta", 4711, 0, 123)), "half");
  ostest::WriteRaw(Data(common::ReplacementTempName("ci60.DTA", 4711, 1, 5)), "half");
  ostest::WriteRaw(Data(common::ReplacementTempName("FOT.tab", 4711, 2, 9)), "");
  const std::string another = common::ReplacementTempName("CI10.DTA", 4711, 3, 9);
  ostest::WriteRaw(Data(another), "another step's");
  ASSERT_TRUE(app::MergeCi60(app::RebuildMode::Batch)) << notes.Dump();
  EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Join(app::mergeCi60(old, ref)));
  Strings left;
  for (const auto& e : std::filesystem::directory_iterator(dir / "data"))
    if (e.path().filename().string().starts_with(".~")) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, Strings{another});
}

TEST_F(Ci60Files, RebuildSortsAndStampsAnOldListWhoseFirstKeyIsDeleted) {
  WriteReference(ref);
  // The headless clock's day is 1 Jan 2024.
  ostest::WriteRaw(Data("CI61.DTA"), Join({R61({{1, "   "}}), R61({{1, "150"}, {31, "230101"}}), R61({{1, "035"}, {31, "230101"}})}));
  ASSERT_TRUE(app::MergeCi60(app::RebuildMode::Button));
  const Strings after = Split(ostest::ReadRaw(Data("CI61.DTA")), 186);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(Keys(after), (Strings{"035", "150"}));
  for (const std::string& r : after) EXPECT_EQ(common::GetCounted(r, 179, 6), "240101");
}

TEST_F(Ci60Files, RebuildRefusesBadSourcesAndKeepsTheFirmList) {
  const struct {
    const char* what;
    std::string reference;  // empty with `missing`
    bool missing;
    std::string old;
  } cases[] = {{"missing reference", "", true, ""},
               {"empty reference", "", false, ""},
               {"cut reference", Join(ref).substr(0, 357 + 100), false, ""},
               {"reference without a usable key", Join({R60({{1, "   "}}), R60({{1, "000"}}), R60({{1, "abc"}})}), false, ""},
               {"cut old list", Join(ref), false, Join(old).substr(0, 200)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    notes.calls.clear();
    std::filesystem::remove_all(dir / "prog/ci");
    if (!c.missing) {
      std::filesystem::create_directories(dir / "prog/ci");
      ostest::WriteRaw(Reference(), c.reference);
    }
    ostest::WriteRaw(Data("CI61.DTA"), c.old);
    ostest::WriteRaw(Data("CI60.dta"), firmList);
    EXPECT_FALSE(app::MergeCi60(app::RebuildMode::Batch));
    EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), firmList);
    ASSERT_EQ(Notes().size(), 1u) << notes.Dump();
    EXPECT_NE(Notes()[0].find(Cz("CI60.dta zůstává beze změny")), std::string::npos) << notes.Dump();
  }
}

// Held by another open or another user's lock: the batch ends at once, the button
// waits with the wait window until the holder lets go.
TEST_F(Ci60Files, AHeldListEndsTheBatchAndTheButtonWaits) {
  WriteReference(ref);
  const std::string target = common::DataDir("CI60.dta");
  common::File held;
  const struct {
    const char* what;
    std::function<void()> hold, release;
    const char* told;  // by the batch
  } cases[] = {
      {"an open", [&] { ASSERT_EQ(held.Open(target, common::kModeReadOnly), 0); }, [&] { held.Close(); }, "err 32"},
      {"a lock", [&] { ASSERT_EQ(common::LockFile(other, target, ""), common::LockResult::Held); },
       [&] { common::UnlockFile(other, target); }, " používá R 02"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ostest::WriteRaw(Data("CI60.dta"), firmList);
    c.hold();
    notes.calls.clear();
    EXPECT_FALSE(app::MergeCi60(app::RebuildMode::Batch));
    EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), firmList);
    ASSERT_EQ(Notes().size(), 1u) << notes.Dump();
    EXPECT_NE(Notes()[0].find(Cz(c.told)), std::string::npos) << notes.Dump();
    EXPECT_NE(Notes()[0].find(Cz("CI60.dta zůstává beze změny")), std::string::npos) << notes.Dump();

    notes.calls.clear();
    int waits = 0;
    notes.onWait = [&](const std::string&, int) {
      if (++waits == 2) c.release();
    };
    EXPECT_TRUE(app::MergeCi60(app::RebuildMode::Button)) << notes.Dump();
    notes.onWait = nullptr;
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::LockWait, Cz("Soubor ") + target + Cz(" není volný při errasse")), 2)
        << notes.Dump();
    EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Join(app::mergeCi60({}, ref)));
    EXPECT_TRUE(Notes().empty()) << notes.Dump();
  }
}

// The batch has nobody to press Esc: a wait it meets (a lock entry without a user number
// that a killed batch left on list 61) ends after a minute with the advice, the list kept;
// a short wait (the entry cleared as tavcli unlock clears it, the lock table open at another
// workstation a moment) goes through and the list is rebuilt. The clock is the test's.
TEST_F(Ci60Files, TheBatchEndsAWaitAfterAMinuteAndAShortOneGoesThrough) {
  WriteReference(ref);
  ostest::WriteRaw(Data("CI61.DTA"), Join(old));
  const std::string ci61 = common::DataDir("CI61.DTA");
  common::FakeClock clock;
  common::ScopedClock scopedClock(clock);
  struct Batch : app::BatchNotifier {
    explicit Batch(common::FakeClock& c) : clock(c) {}
    void Say(const std::string& text) override { said.push_back(text); }
    void Pause(int ms) override {
      clock.Advance(ms);
      // A wait that should have ended long ago is failed and let go.
      if (++pauses == (releaseAt > 0 ? releaseAt : 200)) {
        if (releaseAt == 0) ADD_FAILURE() << "a wait that never ends";
        release();
      }
    }
    common::FakeClock& clock;
    Strings said;
    int pauses = 0, releaseAt = 0;
    std::function<void()> release;
  } batch(clock);
  common::File table;
  const struct {
    const char* what;
    std::function<void()> hold, release;
    int releaseAt;  // pauses of a second; 0: never
  } cases[] = {
      {"an entry without a user number, left",
       [&] {
         common::Session killed;
         ASSERT_EQ(common::LockFile(killed, ci61, "W"), common::LockResult::Held);
       },
       [&] { common::ClearLeftEntry(common::CurrentSession(), ci61); }, 0},
      {"the same entry (kept), cleared by tavcli unlock",
       [&] {
         if (common::IfVolny(ci61).empty()) ADD_FAILURE() << "the entry is gone";
       },
       [&] { EXPECT_EQ(common::ClearLeftEntry(common::CurrentSession(), ci61).entry, "W"); }, 3},
      {"the lock table open at another workstation",
       [&] { ASSERT_EQ(table.Open(common::DataDir("FOT.tab"), common::kModeExclusive), 0); }, [&] { table.Close(); }, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ostest::WriteRaw(Data("CI60.dta"), firmList);
    c.hold();
    batch.said.clear();
    batch.messages = 0;
    batch.pauses = 0;
    batch.releaseAt = c.releaseAt;
    batch.release = c.release;
    const std::int64_t start = clock.MonotonicMs();
    common::SetNotifier(&batch);
    const bool rebuilt = app::MergeCi60(app::RebuildMode::Batch);
    common::SetNotifier(&notes);
    EXPECT_LE(clock.MonotonicMs() - start, app::kBatchWaitBoundMs + 1000);
    EXPECT_EQ(rebuilt, c.releaseAt > 0);
    EXPECT_EQ(batch.messages > 0, c.releaseAt == 0);  // the exit status: 1 when the wait ended it
    if (c.releaseAt == 0) {
      // The wait said once, then the advice that ends it, then what was not done.
      const std::string wait = Cz("Přístup k souboru CI61.DTA je blokován, drží ho ") +
                               common::EntryWithoutUserText(common::CurrentSession(), 'W', ci61);
      EXPECT_EQ(batch.said, (Strings{wait, wait + Cz(" (čekání přerušeno po 60 s)"),
                                     Cz("Přestavba CI60 neproběhla, CI60.dta zůstává beze změny")}));
      EXPECT_NE(wait.find("tavcli unlock"), std::string::npos);
      EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), firmList);
    } else {
      EXPECT_EQ(batch.pauses, c.releaseAt);
      EXPECT_EQ(batch.said.size(), 1u) << batch.said.size();  // the wait, once
      EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Join(app::mergeCi60(old, ref)));
    }
    EXPECT_EQ(ostest::ReadRaw(Data("CI61.DTA")), Join(old));
  }
}

// A failing disk: the new list does not fit, the lock table cannot be written, a source
// cannot be read. The old list stays whole and the user is told so; nothing waits for ever.
TEST_F(Ci60Files, AFailingDiskKeepsTheOldList) {
  Strings big;
  for (int k = 1; k <= 200; ++k) big.push_back(R60({{1, common::FormatNumberMask("@@@", k)}}));
  WriteReference(big);
  ostest::WriteRaw(Data("CI61.DTA"), Join(old));
  ostest::WriteRaw(Data("CI60.dta"), firmList);
  int waits = 0;
  notes.onWait = [&](const std::string&, int) { notes.ignoreAnswer = ++waits > 100; };  // no endless test
  const struct {
    common::FsOp op;
    int err;
    const char* file;
  } cases[] = {{common::FsOp::Write, ENOSPC, "CI60.dta"}, {common::FsOp::Write, ENOSPC, "FOT.tab"}, {common::FsOp::Read, EIO, "CI61.DTA"},
               {common::FsOp::OpenWrite, EACCES, "/CI60.dta"}};  // a list the user may not write
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    notes.calls.clear();
    waits = 0;
    notes.ignoreAnswer = false;
    common::FaultFileSystem fs;
    fs.Fail(c.op, c.err, c.file);
    common::ScopedFileSystem scoped(fs);
    EXPECT_FALSE(app::MergeCi60(app::RebuildMode::Batch));
    EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), firmList);
    EXPECT_LE(waits, 15) << notes.Dump();
    EXPECT_NE(notes.Dump().find("CI60.dta zůstává beze změny"), std::string::npos) << notes.Dump();
  }
}

// The conversion of the checks: firm 289, 150 with blank accounts, 999; reference 150
// with 521000, 289, 300.
class Ci60Convert2024 : public Ci60Files {
 protected:
  void SetUp() override {
    Ci60Files::SetUp();
    WriteReference(reference);
    ostest::WriteRaw(Data("CI60.dta"), Join(firm));
  }
  std::vector<std::string> Backups() const {
    std::vector<std::string> names;
    if (std::filesystem::exists(dir / "data/kopie"))
      for (const auto& e : std::filesystem::directory_iterator(dir / "data/kopie")) names.push_back(e.path().filename());
    return names;
  }
  const Strings firm{R60({{1, "289"}, {2, "firma"}}), R60({{1, "150"}}), R60({{1, "999"}})};
  const Strings reference{R60({{1, "150"}, {9, "521000"}}), R60({{1, "289"}, {2, "vzor"}}), R60({{1, "300"}})};
};

TEST_F(Ci60Convert2024, ButtonConvertsBacksUpAndShowsTheSortedList) {
  main = std::make_unique<app::TForm1>();
  int shown = 0;
  backend.AnswerNextModal([&](ui::Form& f) {
    ++shown;
    EXPECT_EQ(&f, &codelists::fCis60());
    f.SetModalResult(ui::mr::Cancel);
  });
  main->CI60x2024Click();
  EXPECT_EQ(shown, 1);
  const Strings after = Split(ostest::ReadRaw(Data("CI60.dta")), 357);
  EXPECT_EQ(Keys(after), (Strings{"150", "289", "300", "999"}));
  EXPECT_EQ(Accounts(after[0])[0], "521000");
  EXPECT_EQ(after[1], reference[1]);
  ASSERT_EQ(Backups(), (Strings{"CI60-240101-080000.wrk"}));
  EXPECT_EQ(ostest::ReadRaw(dir / "data/kopie/CI60-240101-080000.wrk"), Join(firm));
  EXPECT_EQ(Keys(Split(ostest::ReadRaw(dir / "CI60.001"), 357)), (Strings{"150", "999"}));
  EXPECT_EQ(Keys(Split(ostest::ReadRaw(dir / "CI60.002"), 357)), (Strings{"150", "999", "289", "300"}));
  EXPECT_EQ(Keys(Split(ostest::ReadRaw(dir / "CI60.003"), 357)), (Strings{"289", "300"}));
  EXPECT_TRUE(Notes().empty()) << notes.Dump();
}

TEST_F(Ci60Convert2024, RefusesAndStopsWithoutTouchingTheFirmList) {
  const struct {
    const char* what;
    std::function<void()> arrange;
    std::function<void()> undo;
    const char* message;
  } cases[] = {
      {"another user holds it",
       [this] { (void)common::LockFile(other, common::DataDir("CI60.dta"), "W"); },
       [this] { common::UnlockFile(other, common::DataDir("CI60.dta")); },
       " používá "},
      {"missing reference", [this] { std::filesystem::remove(Reference()); }, [this] { WriteReference(reference); },
       "otvira soubor"},
      {"backup cannot be made", [this] { ostest::WriteRaw(dir / "data/kopie", "x"); },
       [this] { std::filesystem::remove(dir / "data/kopie"); }, "Zálohu "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    notes.calls.clear();
    c.arrange();
    EXPECT_FALSE(app::ConvertCi60For2024());
    c.undo();
    EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Join(firm));
    EXPECT_FALSE(std::filesystem::exists(dir / "CI60.001"));
    EXPECT_NE(notes.Dump().find(c.message), std::string::npos) << notes.Dump();
  }
}

TEST_F(Ci60Convert2024, AFailedCopyOverTheListKeepsIt) {
  common::FaultFileSystem fs;
  fs.Fail(common::FsOp::Rename, ENOSPC, "CI60.dta");
  common::ScopedFileSystem scoped(fs);
  EXPECT_FALSE(app::ConvertCi60For2024());
  EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Join(firm));
  EXPECT_NE(notes.Dump().find("nelze přepsat"), std::string::npos) << notes.Dump();
}

// ---------------------------------------------------------------- the program, end to end

// The program started in a start folder with the single parameter "CI6160", with no
// display: "CI60.dta" against a golden file, the sources untouched, a second run alike.
class Ci6160EndToEnd : public Ci60Files {
 protected:
  common::RunResult Run(std::string& errors) {
    const std::string log = dir / "stderr.txt";
    common::RunOptions o;
    o.workDir = dir.path();
    o.timeoutMs = 30000;
    o.outputFile = log;
    common::RunResult r;
    // No display of any kind: the batch must not need one.
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    EXPECT_EQ(common::RunProgram(CISELNIKY_BIN, {"CI6160"}, o, r), 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (display) setenv("DISPLAY", saved.c_str(), 1);
    errors = ostest::ReadRaw(log);
    return r;
  }

  // The fixture of the checks: reference 035, 150 (note, accounts A), 173, 201 (accounts
  // B), 500 (no note); old list 035 (flag 1), 103 (accounts C), 150 (accounts D, flags
  // "1"/" "), 500 (accounts E).
  const Strings reference{R60({{1, "035"}, {2, "Dovolena"}, {4, " "}}),
                          R60(WithAccounts({{1, "150"}, {2, "Premie"}, {31, "x"}}, "AAAAAA")),
                          R60({{1, "173"}, {2, "Odmena"}}), R60(WithAccounts({{1, "201"}}, "BBBBBB")),
                          R60(WithAccounts({{1, "500"}, {2, "Srazka"}}, "RRRRRR"))};
  const Strings oldList{R61({{1, "035"}, {4, "1"}}), R61(WithAccounts({{1, "103"}}, "CCCCCC")),
                        R61(WithAccounts({{1, "150"}, {29, "1"}, {30, " "}}, "DDDDDD")),
                        R61(WithAccounts({{1, "500"}}, "EEEEEE"))};
  // The expected list, made by hand from the reference.
  std::string Golden() const {
    Strings g = reference;
    common::PutCounted(g[0], 32, "1", 1);
    for (int k = 0; k < 20; ++k) {
      common::PutCounted(g[1], static_cast<std::size_t>(42 + 7 * k), "DDDDDD", 6);
      common::PutCounted(g[2], static_cast<std::size_t>(42 + 7 * k), "CCCCCC", 6);
      common::PutCounted(g[3], static_cast<std::size_t>(42 + 7 * k), "      ", 6);
    }
    common::PutCounted(g[1], 182, "1", 1);
    common::PutCounted(g[1], 184, " ", 1);
    return Join(g);
  }
};

TEST_F(Ci6160EndToEnd, RebuildsTheListFromTheCommandLine) {
  WriteReference(reference);
  ostest::WriteRaw(Data("CI61.DTA"), Join(oldList));
  ostest::WriteRaw(Data("CI60.dta"), firmList);
  // A restore a killed run left is finished first; that is news, not a failed rebuild.
  ostest::WriteRaw(Data("obnova.killed01/data/new.dta"), "restored");
  ostest::WriteRaw(Data("obnova.killed01/journal"), backup::JournalText({"data", {}, {"new.dta"}, false, "Obnova"}));
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    std::string errors;
    const common::RunResult r = Run(errors);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << errors;
    EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Golden());
    EXPECT_EQ(ostest::ReadRaw(Reference()), Join(reference));
    EXPECT_EQ(ostest::ReadRaw(Data("CI61.DTA")), Join(oldList));
    EXPECT_EQ(ostest::ReadRaw(Data("new.dta")), "restored");
  }
}

TEST_F(Ci6160EndToEnd, MissingReferenceKeepsTheListAndFails) {
  ostest::WriteRaw(Data("CI61.DTA"), Join(oldList));
  ostest::WriteRaw(Data("CI60.dta"), firmList);
  std::string errors;
  const common::RunResult r = Run(errors);
  EXPECT_FALSE(r.timedOut);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(errors.find("ci60.dta"), std::string::npos) << errors;
  EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), firmList);
}

// Copies killed steps left beside the list and beside list 61 go back on the way, and
// that is said; the list is rebuilt, so the batch ends with 0.
TEST_F(Ci6160EndToEnd, ACopyPutBackOnTheWayIsNoFailure) {
  WriteReference(reference);
  ostest::WriteRaw(Data("CI61.DTA"), Join(oldList));
  ostest::WriteRaw(Data("CI60.dta"), firmList);
  leftcopy::LeaveUnfinishedCopy(Data("CI60.dta"));
  leftcopy::LeaveUnfinishedCopy(Data("CI61.DTA"));
  std::string errors;
  const common::RunResult r = Run(errors);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << errors;
  for (const char* list : {"CI60.dta", "CI61.DTA"}) {
    EXPECT_NE(errors.find(std::string(list) + " byl vrácen do stavu před nedokončeným přepisem"), std::string::npos)
        << errors;
    EXPECT_FALSE(std::filesystem::exists(leftcopy::CopyOf(Data(list)))) << list;
  }
  EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Golden());
  EXPECT_EQ(ostest::ReadRaw(Data("CI61.DTA")), Join(oldList));
}

// A copy a killed step left beside the list that cannot be put back (one that does not
// read as a copy): the batch says so on standard error and ends with 1, the list kept.
TEST_F(Ci6160EndToEnd, ACopyThatCannotGoBackKeepsTheListAndFails) {
  WriteReference(reference);
  ostest::WriteRaw(Data("CI61.DTA"), Join(oldList));
  ostest::WriteRaw(Data("CI60.dta"), firmList);
  ostest::WriteRaw(Data(".~CI60.dta.rollback"), "RBCOPY02 cut short");
  std::string errors;
  const common::RunResult r = Run(errors);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 1) << errors;
  EXPECT_NE(errors.find("Soubor " + Data("CI60.dta") + " má nedokončený přepis, který nelze vrátit (kopie " +
                        Data(".~CI60.dta.rollback") + "), CI60.dta zůstává beze změny"),
            std::string::npos)
      << errors;
  EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), firmList);
  EXPECT_TRUE(std::filesystem::exists(Data(".~CI60.dta.rollback")));
}

}  // namespace

namespace {

TEST_F(Ci60Files, MainWindowButtonsRebuildAndOpenTheReferenceCopy) {
  WriteReference(ref);
  ostest::WriteRaw(Data("CI61.DTA"), Join(old));
  main = std::make_unique<app::TForm1>();
  main->Button4Click();
  EXPECT_EQ(ostest::ReadRaw(Data("CI60.dta")), Join(app::mergeCi60(old, ref)));
  EXPECT_FALSE(main->closed());  // the rebuild of the button does not end the program
  std::string opened;
  backend.AnswerNextModal([&](ui::Form& f) {
    opened = static_cast<codelists::TfCis60b&>(f).DataFilePath;
    f.SetModalResult(ui::mr::Cancel);
  });
  main->Button5Click();
  EXPECT_EQ("=" + opened, codelists::Ci60ReferenceFile());
  EXPECT_EQ(ostest::ReadRaw(Reference()), Join(ref));
}

TEST_F(Ci60Files, FailedCommandLineRebuildGivesTheExitStatus) {
  for (bool done : {true, false}) {
    common::ResetSession();
    common::LoadStartupConfig();
    app::MergeCi60Hook() = [done] { return done; };
    app::TForm1& f = Open({"CI6160"});
    EXPECT_FALSE(f.visible());
    EXPECT_EQ(f.ExitStatus, done ? 0 : 1);
    main.reset();
  }
}

}  // namespace
