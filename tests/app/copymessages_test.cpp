// What is said of a rollback copy a killed step left that cannot go: the folder that cannot
// be written named in full whatever form the data folder is given in, a lock entry without a
// user number named as such with its way out (for a list window, the CI6160 batch and the
// partner register alike), a finished copy said as finished. The way the message names is
// then taken, and the next run finds nothing in the way.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/ci60.h"
#include "codelists/chart.h"
#include "codelists/cis60.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/locking.h"
#include "common/session.h"
#include "common/startup.h"
#include "common/winpath.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "partners/orgtools.h"
#include "tests/app/appkit.h"
#include "tests/codelists/codelistkit.h"
#include "tests/common/leftcopy.h"

namespace {

using namespace common::literals;
using common::Cz;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class CopyMessages : public apptest::AppTest {
 protected:
  void TearDown() override {
    common::Drives().Remove("X");
    partners::ResetOrgServices();
    AppTest::TearDown();
  }
  std::string D(const std::string& name) const { return dir / ("data/" + name); }
  // The workstation: its data folder as "data.adr" gives it (empty: no "data.adr", the
  // start folder is the data folder) and its user (false: no "master.job", no user number).
  void Start(const std::string& dataAdr, bool user) {
    if (dataAdr.empty()) fs::remove(dir / "data.adr");
    else ostest::WriteRaw(dir / "data.adr", dataAdr + "\r\n");
    if (user) WriteStartJob();
    else fs::remove(dir / "master.job");
    common::ResetSession();
    common::LoadStartupConfig();
  }
  // A run of a batch or a workstation without a user number, killed holding `path`.
  static void LeaveEntryWithoutUser(const std::string& path, const char* kind) {
    common::Session killed;
    ASSERT_EQ(common::LockFile(killed, path, kind), common::LockResult::Held) << path;
  }
  static void Finish(const std::string& path) {  // the copy as a step that went through leaves it
    const std::string copy = leftcopy::CopyOf(path);
    std::string c = ostest::ReadRaw(copy);
    c[8] = 1;
    ostest::WriteRaw(copy, c);
  }
  // Every text shown (messages, waits), in order.
  Strings Said() const {
    Strings out;
    for (const auto& c : notes.calls)
      if (c.kind != common::RecordingNotifier::Kind::Beep) out.push_back(c.text);
    return out;
  }
};

// A window opened as a user opens it; then, when it opened read only and `press`, a new
// record is asked for. True when it opened read only.
template <class W>
bool Opened(W& w, bool press) {
  const bool readOnly = w.ReadOnlyOpen();
  if (readOnly && press) w.NewRecord();
  if constexpr (requires { w.EndOfRunClose(); })
    w.EndOfRunClose();
  else
    w.CloseBrowse();
  return readOnly;
}

TEST_F(CopyMessages, TheFolderTheLockEntryAndAFinishedCopyAreSaidAsTheyAre) {
  const std::string start = fs::canonical(dir.path()).string() + "/";
  const std::string data = start + "data/", drive = start + "x/DATA/";
  const std::string ci10 = cltest::MakeRecord(codelists::Cis10Spec(), {{1, "211000"}}) +
                           cltest::MakeRecord(codelists::Cis10Spec(), {{1, "311000"}});
  const std::string ci60 = cltest::MakeRecord(codelists::Cis60Spec(), {{1, "999"}});
  const std::string org = [&] {
    partners::TfOrg maker("fOrgMaker");
    partners::SetupOrg(maker, "=" + (dir / "maker.dta"));
    std::string bytes;
    for (std::uint16_t n : {1, 2}) {
      std::string r = maker.BlankRecord;
      partners::PutOrgWord(r, partners::of::Number, n);
      bytes += maker.StoredRecord(std::move(r));
    }
    maker.CloseBrowse();
    return bytes;
  }();
  const std::string ro = ": otevírá se jen pro čtení"_cz;
  const auto entry = [](const char* kind, const std::string& file) {
    return "záznam zámku "_cz + kind +
           " bez čísla uživatele, který zanechala tato nebo jiná stanice spuštěná bez čísla uživatele nebo dávka, "
           "možná běh, jenž neskončil řádně (tabulka FOT.tab); ověřte, že žádný takový běh nepracuje, a pak záznam "
           "uvolněte v počáteční složce příkazem tavcli unlock \""_cz +
           file + "\"";
  };
  const auto cis10 = [](bool press) {
    return [press] {
      codelists::TfCis10 w;
      codelists::SetupCis10(w);
      return Opened(w, press);
    };
  };
  const auto cis60 = [] {
    codelists::TfCis60 w;
    codelists::SetupCis60(w);
    return Opened(w, false);
  };
  const auto batch = [] { return !app::MergeCi60(app::RebuildMode::Batch); };
  const auto hubraRegister = [] {
    partners::TfOrg w("fOrg");
    partners::SetupOrg(w, "org.dta");
    return Opened(w, false);
  };
  common::Session other;
  other.CurrentUser = "02";
  const struct Row {
    const char* what;
    std::string dataAdr;               // empty: the start folder is the data folder
    bool user;                         // false: no user number (no start-folder master.job)
    std::string file, bytes;           // the file the killed step rewrote, its bytes
    bool finished;                     // its copy is a finished step's
    std::function<void()> arrange;     // lock entries left
    common::FsOp op;                   // refused meanwhile (Close: nothing)
    std::function<bool()> run;         // true: it stayed read only, or the batch failed
    Strings said;                      // the messages and waits, in order
    std::function<void()> wayOut;      // what the message tells to do
  } rows[] = {
      {"a finished copy in a start folder that cannot be written", "", true, start + "CI10.DTA", ci10, true, [] {},
       common::FsOp::Unlink, cis10(true),
       {"Soubor CI10.DTA je celý, ale kopii .~CI10.DTA.rollback z dokončeného přepisu nelze smazat (do složky "_cz +
            start + " nelze zapisovat, err 5)" + ro,
        "Soubor CI10.DTA je jen pro čtení, dokud nelze smazat kopii .~CI10.DTA.rollback (do složky "_cz + start +
            " nelze zapisovat, err 5)"},
       [] {}},
      {"an unfinished copy in a start folder that cannot be written", "", true, start + "CI10.DTA", ci10, false, [] {},
       common::FsOp::Unlink, cis10(false),
       {"Soubor CI10.DTA byl vrácen do stavu před nedokončeným přepisem, ale kopii .~CI10.DTA.rollback nelze smazat "
        "(do složky "_cz +
        start + " nelze zapisovat, err 5)" + ro},
       [] {}},
      {"a finished copy in a drive's folder that cannot be written", "X:\\DATA\\", true, drive + "CI10.DTA", ci10, true,
       [] {}, common::FsOp::Unlink, cis10(true),
       {"Soubor CI10.DTA je celý, ale kopii "_cz + drive + ".~CI10.DTA.rollback z dokončeného přepisu nelze smazat (do složky "_cz +
            drive + " nelze zapisovat, err 5)" + ro,
        "Soubor CI10.DTA je jen pro čtení, dokud nelze smazat kopii "_cz + drive + ".~CI10.DTA.rollback (do složky "_cz +
            drive + " nelze zapisovat, err 5)"},
       [] {}},
      {"a finished copy held by another user's entry", data, true, data + "CI10.DTA", ci10, true,
       [&] { ASSERT_EQ(common::LockFile(other, data + "CI10.DTA", ""), common::LockResult::Held); }, common::FsOp::Close,
       cis10(true),
       {"Soubor CI10.DTA je celý, ale kopii "_cz + data + ".~CI10.DTA.rollback z dokončeného přepisu nelze smazat (soubor "
        "užívá R 02, kopie se smaže, až ho uvolní)"_cz + ro,
        "Soubor CI10.DTA je jen pro čtení, dokud nelze smazat kopii "_cz + data +
            ".~CI10.DTA.rollback (soubor užívá R 02, kopie se smaže, až ho uvolní)"_cz},
       [&] { common::UnlockFile(other, data + "CI10.DTA"); }},
      {"a finished copy held by the own entry of a killed run", data, true, data + "CI10.DTA", ci10, true,
       [&] { ASSERT_EQ(common::LockFile(data + "CI10.DTA", ""), common::LockResult::Held); }, common::FsOp::Close,
       cis10(false),
       {"Soubor CI10.DTA je celý, ale kopii "_cz + data + ".~CI10.DTA.rollback z dokončeného přepisu nelze smazat (soubor "
        "drží zámek R 01 tohoto uživatele, který zůstal po programu, jenž neskončil řádně (tabulka FOT.tab); uvolněte ho "
        "v počáteční složce příkazem tavcli unlock \""_cz +
        data + "CI10.DTA\")"_cz + ro},
       [&] { EXPECT_EQ(common::ClearLeftEntry(common::CurrentSession(), data + "CI10.DTA").entry, "R 01"); }},
      {"the list window, an entry without a user number", data, true, data + "CI60.dta", ci60, false,
       [&] { LeaveEntryWithoutUser(data + "CI60.dta", "W"); }, common::FsOp::Close, cis60,
       {"Soubor CI60.dta má nedokončený přepis, který nelze vrátit (kopie "_cz + data + ".~CI60.dta.rollback, soubor drží "_cz +
            entry("W", data + "CI60.dta") + ")" + ro,
        "Přístup k souboru CI60.DTA je blokován, drží ho "_cz + entry("W", data + "CI60.dta")},  // its own lock waits
       [&] { EXPECT_EQ(common::ClearLeftEntry(common::CurrentSession(), data + "CI60.dta").entry, "W"); }},
      {"the CI6160 batch without a user number, an entry without one", data, false, data + "CI60.dta", ci60, false,
       [&] { LeaveEntryWithoutUser(data + "CI60.dta", "W"); }, common::FsOp::Close, batch,
       {"Soubor "_cz + data + "CI60.dta drží "_cz + entry("W", data + "CI60.dta") + ", CI60.dta zůstává beze změny"_cz},
       [&] { EXPECT_EQ(common::ClearLeftEntry(common::CurrentSession(), data + "CI60.dta").entry, "W"); }},
      {"the register without a user number after a killed import", data, false, data + "org.dta", org, true,
       [&] {
         LeaveEntryWithoutUser(data + "org.dta", "");
         LeaveEntryWithoutUser(data + partners::kOrgLock, "W");
       },
       common::FsOp::Close, hubraRegister,
       {"Soubor org.dta je celý, ale kopii "_cz + data + ".~org.dta.rollback z dokončeného přepisu nelze smazat (soubor "
        "drží "_cz +
        entry("R", data + "org.dta") + ")" + ro},
       [&] {
         EXPECT_EQ(common::ClearLeftEntry(common::CurrentSession(), data + "org.dta").entry, "R");
         EXPECT_EQ(common::ClearLeftEntry(common::CurrentSession(), data + partners::kOrgLock).entry, "W");
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    codelists::CloseCodeListForms();
    for (const char* f : {"data", "x/DATA"}) {
      fs::remove_all(dir / f);
      fs::create_directories(dir / f);
    }
    fs::remove_all(dir / "prog/ci");
    ostest::WriteRaw(dir / "prog/ci/ci60.dta", ci60);
    common::Drives().Set("X", dir / "x");
    for (const char* f : {"CI10.DTA", ".~CI10.DTA.rollback"}) fs::remove(dir / f);
    Start(r.dataAdr, r.user);
    ostest::WriteRaw(r.file, r.bytes);
    leftcopy::LeaveUnfinishedCopy(r.file);
    if (r.finished) {  // the step went through: the file is whole
      Finish(r.file);
      ostest::WriteRaw(r.file, r.bytes);
    }
    r.arrange();
    const std::string copy = ostest::ReadRaw(leftcopy::CopyOf(r.file));
    notes.calls.clear();
    notes.stopAnswer = true;  // a wait for an entry nobody clears is left
    {
      common::FaultFileSystem faults;
      if (r.op != common::FsOp::Close) faults.Fail(r.op, EACCES, ".rollback");
      common::ScopedFileSystem use(faults);
      EXPECT_TRUE(r.run());
    }
    EXPECT_EQ(Said(), r.said) << notes.Dump();
    EXPECT_EQ(ostest::ReadRaw(leftcopy::CopyOf(r.file)), copy);  // never taken away

    r.wayOut();
    notes.calls.clear();
    notes.stopAnswer = false;
    EXPECT_FALSE(r.run()) << notes.Dump();
    EXPECT_FALSE(fs::exists(leftcopy::CopyOf(r.file)));
    for (const std::string& said : Said())
      EXPECT_NE(said.find(" byl vrácen do stavu před nedokončeným přepisem"_cz), std::string::npos) << said;
  }
  Start(data, true);
}

}  // namespace
