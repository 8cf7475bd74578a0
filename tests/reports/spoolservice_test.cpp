// The report list's service operations: line lengths, archive titles, joins, the
// split and the scrambling of reports and document folders.
#include "tests/reports/spoolkit.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <iostream>
#include <map>

#include "browser/dotazy.h"
#include "common/dirs.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "common/numbers.h"
#include "common/scramble.h"
#include "common/text.h"
#include "tests/common/os_tempdir.h"

namespace reporttest {
namespace {

class SpoolService : public SpoolTest {
 protected:
  // The list is set up (not shown) as the operations find it.
  void Build() { list.SetupSpool(); }
  ~SpoolService() override { list.CloseBrowse(); }
  static std::string Lines(int n, int width, const std::string& prefix = "Line ") {
    std::string out;
    for (int i = 1; i <= n; ++i) out += Padded(prefix + std::to_string(i), width);
    return out;
  }
  void Choose(const std::string& name) {
    for (std::size_t i = 0; i < list.Entries.size(); ++i)
      if (list.Entries[i].name == name) return list.GoToRecord(static_cast<std::int32_t>(i + 1), 0);
    FAIL() << "no entry " << name;
  }
  // The next question is answered with text and F2 (Esc when cancel).
  void Answer(const std::string& text, bool cancel = false) {
    backend.AnswerNextModal([this, text, cancel](ui::Form& f) {
      static_cast<browser::TfDotazy&>(f).Edits[1]->SetText(text);
      backend.Press(cancel ? vk::Esc : vk::F(2));
    });
  }
  std::string ScrambledLines(const std::string& plain, int width) const {
    std::string out;
    const std::string key = common::ProgramScrambleKey();
    for (std::size_t at = 0; at < plain.size(); at += static_cast<std::size_t>(width) + 2)
      out += common::ScrambleText(plain.substr(at, static_cast<std::size_t>(width)), key) + "\r\n";
    return out;
  }
};

TEST_F(SpoolService, EqualLineLengthsPadTo140AndKeepWiderLines) {
  File("R.txt", "   short\r\n" + std::string(200, 'w') + "\r\nlast");
  Build();
  list.c1Click();
  const std::string out = Bytes("R.txt");
  ASSERT_EQ(out.size(), 3u * 202);
  EXPECT_EQ(out.substr(0, 202), Padded("short", 200));
  EXPECT_EQ(out.substr(202, 202), std::string(200, 'w') + "\r\n");
  EXPECT_EQ(out.substr(404), Padded("last", 200));
  File("S.txt", "a\r\nb\r\n");
  list.SetupSpool();
  Choose("S");
  list.c1Click();
  EXPECT_EQ(Bytes("S.txt"), Padded("a", 140) + Padded("b", 140));
  EXPECT_FALSE(Exists("xxx.txt"));
}

TEST_F(SpoolService, EqualLineLengthsOfAScrambledReportKeepsItReadable) {
  Scrambled(true);
  // A line whose scrambled bytes hold CR LF must not be split.
  std::string plain;
  for (int i = 0; i < 40; ++i) plain += Padded("Radek " + std::to_string(i) + " \r\n" + std::string(static_cast<std::size_t>(i), 'x'), 60);
  File("R.txt", ScrambledLines(plain, 60));
  Build();
  list.c1Click();
  const std::string out = Bytes("R.txt");
  ASSERT_EQ(out.size(), 40u * 142);
  for (int i = 0; i < 40; ++i) {
    const std::string line = common::UnscrambleText(out.substr(static_cast<std::size_t>(i) * 142, 140), common::ProgramScrambleKey());
    EXPECT_EQ(line, Padded("Radek " + std::to_string(i) + " \r\n" + std::string(static_cast<std::size_t>(i), 'x'), 140).substr(0, 140));
  }
}

TEST_F(SpoolService, AMissingReportGivesTheReadMessage) {
  File("R.txt", "x");
  Build();
  std::filesystem::remove(Path("R.txt"));
  list.c1Click();
  EXPECT_EQ(Messages("Uz: "), 1) << notes.Dump();
}

TEST_F(SpoolService, ArchiveTitlesReplaceOrAppendCatalogueLines) {
  Put("listw.tab", "OFAR0002|OF      |Stary nazev\r\n\r\nZFAR0001|OF      |Jiny\r\n");
  Put("OFCRP.DTA", "0001Title\r\n0002Novy nazev\r\n0001Again\r\n");
  Build();
  list.A1Click();
  EXPECT_EQ(Bytes("listw.tab"),
            "OFAR0002|OF      |Novy nazev\r\nZFAR0001|OF      |Jiny\r\nOFAR0001|OF      |Title\r\nOFAR0001|OF      |Again\r\n");
  Put("ZFCRP.DTA", "0001Faktury prijate\r\n");
  list.b1Click();
  EXPECT_NE(Bytes("listw.tab").find("ZFAR0001|OF      |Faktury prijate\r\n"), std::string::npos);
}

TEST_F(SpoolService, ArchiveTitlesKeepEveryLineOfALongCatalogue) {
  std::string catalogue;
  for (int i = 0; i < 2100; ++i) catalogue += "XX" + common::FormatNumberMask("@@@@@@", i) + " t\r\n";
  Put("listw.tab", catalogue);
  Put("OFCRP.DTA", "0001Title\r\n");
  Build();
  list.A1Click();
  EXPECT_EQ(Bytes("listw.tab"), catalogue + "OFAR0001|OF      |Title\r\n");
}

TEST_F(SpoolService, JoinOnePlusLLeavesTheLPartAndRenamesTheCatalogue) {
  File("OFAR1001.txt", "one\r\n");
  File("OFARl001.txt", "ell\r\n");
  Put("listw.tab", "OFAR1001|OF      |Archiv\r\nOFAR0002|OF      |Jiny\r\n");
  Build();
  list.d1Click();
  EXPECT_FALSE(Exists("OFAR1001.txt"));
  EXPECT_EQ(Bytes("OFARl001.txt"), "one\r\nell\r\n");
  EXPECT_EQ(Bytes("listw.tab"), "OFARl001|OF      |Archiv\r\nOFAR0002|OF      |Jiny\r\n");
  EXPECT_EQ(Messages("OK"), 1);
}

TEST_F(SpoolService, JoinLPlusOneKeepsTheOneName) {
  File("OFAR1001.txt", "one\r\n");
  File("OFARl001.txt", "ell\r\n");
  Put("listw.tab", "OFAR1001|OF      |Archiv\r\n");
  Build();
  list.e1Click();
  EXPECT_FALSE(Exists("OFARl001.txt"));
  EXPECT_EQ(Bytes("OFAR1001.txt"), "ell\r\none\r\n");
  EXPECT_EQ(Bytes("listw.tab"), "OFAR1001|OF      |Archiv\r\n");
  EXPECT_EQ(Messages("OK"), 1);
}

TEST_F(SpoolService, JoinsTakeBothPartsWhereTheirEntryLies) {
  Put("_sestavy.kde", "sestavy\\\r\n");
  File("sestavy/OFAR1001.TXT", "one\r\n");
  File("sestavy/ofarl001.txt", "ell\r\n");
  File("sestavy/ZFAR1001.TXT", "one\r\n");
  File("sestavy/zfarl001.txt", "ell\r\n");
  Build();
  list.d1Click();
  EXPECT_FALSE(Exists("sestavy/OFAR1001.TXT"));
  EXPECT_EQ(Bytes("sestavy/ofarl001.txt"), "one\r\nell\r\n");
  EXPECT_EQ(Bytes("sestavy/zfarl001.txt"), "one\r\nell\r\n");
  EXPECT_EQ(Messages("OK"), 1);
  EXPECT_EQ(Messages(), 1);
}

TEST_F(SpoolService, AJoinThatFailsLeavesItsFilesAndCatalogueLineAndIsNamed) {
  File("OFAR1001.txt", "one\r\n");
  File("OFARl001.txt", "ell\r\n");
  File("OFAR1002.txt", "two\r\n");
  File("OFARl002.txt", "ell 2\r\n");
  File("OFAR1003.txt", "alone\r\n");  // no l part: it becomes the l part
  Put("listw.tab", "OFAR1001|OF      |Archiv\r\nOFAR1002|OF      |Druhy\r\nOFAR1003|OF      |Treti\r\n");
  Build();
  std::filesystem::remove(dir / "OFAR1002.txt");  // gone since the list was built
  list.d1Click();
  EXPECT_EQ(Bytes("OFARl001.txt"), "one\r\nell\r\n");
  EXPECT_EQ(Bytes("OFARl002.txt"), "ell 2\r\n");
  EXPECT_EQ(Bytes("OFARl003.txt"), "alone\r\n");
  EXPECT_FALSE(Exists("OFAR1003.txt"));
  EXPECT_EQ(Bytes("listw.tab"), "OFARl001|OF      |Archiv\r\nOFAR1002|OF      |Druhy\r\nOFARl003|OF      |Treti\r\n");
  EXPECT_EQ(Messages("OK"), 0);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
            std::vector<std::string>{Cz("Spojeno archivů: 2. Nespojeno: OFAR1002 (") + dir.path() + "/OFAR1002.txt err 2)"});
}

TEST_F(SpoolService, AJoinWhoseOnePartCannotGoKeepsTheLPartAsItWas) {
  File("OFAR1001.txt", "one\r\n");
  File("OFARl001.txt", "ell\r\n");
  Build();
  // The "1" part cannot be erased: its folder is closed to changes, so the joined
  // text the l part got is taken back.
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.Fail(common::FsOp::Unlink, EACCES, "OFAR1001.txt");
  list.d1Click();
  EXPECT_EQ(Bytes("OFAR1001.txt"), "one\r\n");
  EXPECT_EQ(Bytes("OFARl001.txt"), "ell\r\n");
  EXPECT_EQ(Messages("OK"), 0);
  EXPECT_EQ(Messages(Cz("Spojeno archivů: 0. Nespojeno: OFAR1001")), 1);
}

TEST_F(SpoolService, AJoinIntoTheOnePartThatFailsLeavesBothParts) {
  File("OFAR1001.txt", "one\r\n");
  File("OFARl001.txt", "ell\r\n");
  Build();
  std::filesystem::remove(dir / "OFAR1001.txt");  // gone since the list was built
  list.e1Click();
  EXPECT_EQ(Bytes("OFARl001.txt"), "ell\r\n");
  EXPECT_FALSE(Exists("OFAR1001.txt"));
  EXPECT_EQ(Messages("OK"), 0);
  EXPECT_EQ(Messages(Cz("Spojeno archivů: 0. Nespojeno: OFAR1001")), 1);
}

// ---- A join killed half way ---------------------------------------------------------

// The real file system, but the change number `killAt` of the scratch folder (a file
// made or opened to write, a write, a rename, an erase) ends the process before it runs,
// as a kill would: no destructor, no clean-up; `count` says how many changes came.
class KillAt : public common::PosixFileSystem {
 public:
  explicit KillAt(int killAt) : killAt_(killAt) {}
  int Open(const std::string& path, int flags, unsigned perm, int& fd) override {
    if (flags & (O_CREAT | O_WRONLY | O_RDWR)) Step();
    return PosixFileSystem::Open(path, flags, perm, fd);
  }
  int WriteAt(int fd, const void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) override {
    Step();
    return PosixFileSystem::WriteAt(fd, buf, n, offset, done);
  }
  int Unlink(const std::string& path) override {
    Step();
    return PosixFileSystem::Unlink(path);
  }
  int Rename(const std::string& from, const std::string& to, bool replace) override {
    Step();
    return PosixFileSystem::Rename(from, to, replace);
  }
  int count = 0;

 private:
  void Step() {
    if (++count == killAt_) ::_exit(137);
  }
  int killAt_;
};

class KilledJoin : public SpoolService {
 protected:
  // The l part begins with the very lines of the "1" part: reports that share lines.
  const std::string one = Lines(12, 60, "Faktura "), ell = one + Lines(9, 60, "Dobropis ");
  const std::string catalogue = "OFAR1001|OF      |Archiv\r\n";
  void Parts() {
    File("OFAR1001.txt", one);
    File("OFARl001.txt", ell);
    Put("listw.tab", catalogue);
  }
  // Runs the join in a child killed at change `killAt`; the changes of a whole run, or -1.
  int JoinInChild(bool intoEll, int killAt) {
    int pipeFd[2];
    EXPECT_EQ(::pipe(pipeFd), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(pipeFd[0]);
      common::CurrentSession().LocksOff = 1;  // a dead workstation's lock entries are not the point here
      Build();
      KillAt killer(killAt);
      common::ScopedFileSystem use(killer);
      intoEll ? list.d1Click() : list.e1Click();
      const int n = killer.count;
      (void)!::write(pipeFd[1], &n, sizeof n);
      ::_exit(0);
    }
    ::close(pipeFd[1]);
    int n = -1;
    if (::read(pipeFd[0], &n, sizeof n) != static_cast<ssize_t>(sizeof n)) n = -1;
    ::waitpid(child, nullptr, 0);
    ::close(pipeFd[0]);
    return n;
  }
  std::string Folder() const { return ostest::Listing(dir.path()); }
  std::string Size(const std::string& rel) const { return Exists(rel) ? std::to_string(Bytes(rel).size()) : "-"; }
};

// Both joins killed at every change they make, then joined again: the kept part holds
// each part once, the other part, the join's mark and every temporary are gone.
TEST_F(KilledJoin, AJoinKilledAtEachStepIsFinishedWholeByTheNextJoin) {
  struct Join {
    bool intoEll;
    const char *kept, *gone;
    std::string joined, listing, catalogue;
  } joins[] = {
      {true, "OFARl001.txt", "OFAR1001.txt", one + ell, "FOT.tab OFARl001.txt listw.tab", "OFARl001|OF      |Archiv\r\n"},
      {false, "OFAR1001.txt", "OFARl001.txt", ell + one, "FOT.tab OFAR1001.txt listw.tab", catalogue},
  };
  for (const Join& j : joins) {
    SCOPED_TRACE(j.kept);
    Parts();
    const int steps = JoinInChild(j.intoEll, INT_MAX);
    ASSERT_GT(steps, 4);
    ASSERT_EQ(Bytes(j.kept), j.joined);
    std::map<std::string, int> atKill, afterJoin;
    for (int killAt = 1; killAt <= steps; ++killAt) {
      SCOPED_TRACE(killAt);
      std::filesystem::remove(Path(j.kept));
      Parts();
      ASSERT_EQ(JoinInChild(j.intoEll, killAt), -1);
      ++atKill[std::string(Exists(j.gone) ? "both parts" : "one part") + ", kept " + Size(j.kept) + " B"];
      notes.calls.clear();
      list.CloseBrowse();
      Build();
      j.intoEll ? list.d1Click() : list.e1Click();
      ++afterJoin[std::string(Exists(j.gone) ? "both parts" : "one part") + ", kept " + Size(j.kept) + " B"];
      EXPECT_EQ(Bytes(j.kept), j.joined) << notes.Dump();
      EXPECT_FALSE(Exists(j.gone));
      EXPECT_EQ(Folder(), j.listing);  // no mark, no temporary
      EXPECT_EQ(Bytes("listw.tab"), j.catalogue);
      EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message), std::vector<std::string>{"OK"});
    }
    std::cout << (j.intoEll ? "1 + l" : "l + 1") << ": parts " << one.size() << " + " << ell.size() << " B, joined "
              << j.joined.size() << " B; " << steps << " kills: " << ::testing::PrintToString(atKill)
              << ", after the next join " << ::testing::PrintToString(afterJoin) << "\n";
  }
  EXPECT_FALSE(common::IsReplacementTemp(".~OFAR1001.join"));
}

// A join killed at each change, then one more invoice archived into the "1" part, then
// the next join: the kept part holds the grown part once, in the join's order (the
// gained line right behind the old "1" lines); a "1" part begun anew after the killed
// join erased it comes first, as after any finished join.
TEST_F(KilledJoin, APartThatGrewSinceAKilledJoinIsJoinedOnceInOrder) {
  const std::string gained = Padded("Faktura 13", 60);
  struct Join {
    bool intoEll;
    const char *kept, *gone;
    std::string joined;
  } joins[] = {
      {true, "OFARl001.txt", "OFAR1001.txt", one + gained + ell},
      {false, "OFAR1001.txt", "OFARl001.txt", ell + one + gained},
  };
  for (const Join& j : joins) {
    SCOPED_TRACE(j.kept);
    Parts();
    const int steps = JoinInChild(j.intoEll, INT_MAX);
    ASSERT_GT(steps, 4);
    int keptJoinedOneLeft = 0;
    for (int killAt = 1; killAt <= steps; ++killAt) {
      SCOPED_TRACE(killAt);
      for (const char* f : {j.kept, j.gone, ".~OFAR1001.join"}) std::filesystem::remove(Path(f));
      Parts();
      ASSERT_EQ(JoinInChild(j.intoEll, killAt), -1);
      const bool oneErased = j.intoEll && !Exists(j.gone);  // the line starts a new "1" part
      const bool keptJoined = Exists(j.gone) && Bytes(j.kept) == (j.intoEll ? one + ell : ell + one);
      Put("OFAR1001.txt", (Exists("OFAR1001.txt") ? Bytes("OFAR1001.txt") : std::string()) + gained);
      if (keptJoined && ++keptJoinedOneLeft == 1) {
        // The join that adds the gained line, killed at each change in turn, is finished
        // by the one after it.
        const std::string parts[] = {Bytes(j.kept), Bytes(j.gone), Bytes(".~OFAR1001.join")};
        for (int again = 1;; ++again) {
          SCOPED_TRACE(again);
          Put(j.kept, parts[0]);
          Put(j.gone, parts[1]);
          Put(".~OFAR1001.join", parts[2]);
          if (JoinInChild(j.intoEll, again) != -1) break;
          notes.calls.clear();
          list.CloseBrowse();
          Build();
          j.intoEll ? list.d1Click() : list.e1Click();
          EXPECT_EQ(Bytes(j.kept), j.joined) << notes.Dump();
          EXPECT_FALSE(Exists(j.gone));
        }
        // Changed otherwise (its lines made longer), the part is not told from the one
        // joined: the archive is named and nothing changes.
        Put(j.kept, parts[0]);
        Put(j.gone, Lines(12, 140, "Faktura "));
        Put(".~OFAR1001.join", parts[2]);
        notes.calls.clear();
        list.CloseBrowse();
        Build();
        j.intoEll ? list.d1Click() : list.e1Click();
        EXPECT_EQ(Bytes(j.kept), parts[0]);
        EXPECT_EQ(Bytes(j.gone), Lines(12, 140, "Faktura "));
        EXPECT_EQ(Messages(Cz("Spojeno archivů: 0. Nespojeno: OFAR1001 (") + dir.path() +
                           Cz("/.~OFAR1001.join: spojení nebylo dokončeno a části se od té doby změnily)")),
                  1)
            << notes.Dump();
        Put(j.gone, parts[1]);
      }
      notes.calls.clear();
      list.CloseBrowse();
      Build();
      j.intoEll ? list.d1Click() : list.e1Click();
      EXPECT_EQ(Bytes(j.kept), oneErased ? gained + one + ell : j.joined) << notes.Dump();
      EXPECT_FALSE(Exists(j.gone));
      EXPECT_FALSE(Exists(".~OFAR1001.join"));
      EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message), std::vector<std::string>{"OK"});
    }
    EXPECT_GE(keptJoinedOneLeft, 1);  // the kill the doubled lines came from
  }
}

// A mark whose parts changed since, or that is no mark of a join, stops that archive's
// join: nothing is written and the mark is named.
TEST_F(KilledJoin, AMarkThatDoesNotFitThePartsLeavesThemAlone) {
  Parts();
  ASSERT_EQ(JoinInChild(true, 4), -1);  // the mark is in, nothing else written yet
  const std::string mark = Bytes(".~OFAR1001.join");
  ASSERT_TRUE(mark.starts_with("TAVONA spojeni archivu\r\n1+l\r\n")) << mark;
  File("OFARl001.txt", "changed since\r\n");
  Build();
  list.d1Click();
  EXPECT_EQ(Bytes("OFAR1001.txt"), one);
  EXPECT_EQ(Bytes("OFARl001.txt"), "changed since\r\n");
  EXPECT_EQ(Bytes(".~OFAR1001.join"), mark);
  const std::string named = Cz("Spojeno archivů: 0. Nespojeno: OFAR1001 (") + dir.path() + "/.~OFAR1001.join";
  EXPECT_EQ(Messages(named + Cz(": spojení nebylo dokončeno a části se od té doby změnily)")), 1) << notes.Dump();
  Put(".~OFAR1001.join", "a user's notes\r\n");
  notes.calls.clear();
  list.d1Click();
  EXPECT_EQ(Bytes("OFARl001.txt"), "changed since\r\n");
  EXPECT_EQ(Messages(named + Cz(" je poškozen)")), 1) << notes.Dump();
  EXPECT_EQ(Bytes(".~OFAR1001.join"), "a user's notes\r\n");
}

// A lock wait left with Esc stops the join there: nothing is joined without its locks.
TEST_F(KilledJoin, EscOnTheLockWaitStopsTheJoinAndSaysSo) {
  Put("_sestavy.kde", "sestavy\\\r\n");
  File("sestavy/OFAR1001.txt", "one\r\n");
  File("sestavy/OFARl001.txt", "ell\r\n");
  File("sestavy/OFAR1002.txt", "two\r\n");
  Put("listw.tab", "OFAR1001|OF      |Archiv\r\nOFAR1002|OF      |Druhy\r\n");
  common::Session other;
  other.CurrentUser = "02";
  ASSERT_EQ(common::LockFile(other, "sestavy\\OFAR1001.txt", "W"), common::LockResult::Held);
  Build();
  notes.stopAnswer = true;
  list.d1Click();
  EXPECT_EQ(Bytes("sestavy/OFAR1001.txt"), "one\r\n");
  EXPECT_EQ(Bytes("sestavy/OFARl001.txt"), "ell\r\n");
  EXPECT_EQ(Bytes("sestavy/OFAR1002.txt"), "two\r\n");  // the archives after it wait too
  EXPECT_EQ(Bytes("listw.tab"), "OFAR1001|OF      |Archiv\r\nOFAR1002|OF      |Druhy\r\n");
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
            std::vector<std::string>{Cz("Spojování archivů zastaveno, soubor sestavy/OFAR1001.txt nelze zamknout. "
                                        "Spojeno archivů: 0.")});
  // Free again, the join goes on as usual.
  common::UnlockFile(other, "sestavy\\OFAR1001.txt");
  notes.stopAnswer = false;
  notes.calls.clear();
  list.d1Click();
  EXPECT_EQ(Bytes("sestavy/OFARl001.txt"), "one\r\nell\r\n");
  EXPECT_EQ(Bytes("sestavy/OFARl002.txt"), "two\r\n");
  EXPECT_EQ(Messages("OK"), 1) << notes.Dump();
  EXPECT_EQ(common::IfVolny(other, "sestavy\\OFAR1001.txt"), "");  // no lock left behind
}

TEST_F(SpoolService, SplitAtALimitMakesFreshTargetsOfTheReportsWidth) {
  File("ARCH05.txt", Lines(5, 200));
  File("ARCH06.txt", Lines(9, 132, "stale "));  // an older target is replaced whole
  Build();
  Choose("ARCH05");
  Answer("2");
  list.f1Click();
  EXPECT_EQ(Bytes("ARCH06.txt"), Lines(2, 200));
  EXPECT_EQ(Bytes("ARCH07.txt"), Padded("Line 3", 200) + Padded("Line 4", 200) + Padded("Line 5", 200));
  EXPECT_EQ(Bytes("ARCH05.txt"), Lines(5, 200));
  EXPECT_EQ(list.Count, 3);  // the list was built again
}

TEST_F(SpoolService, SplitWithAnEmptyLimitPutsEverythingInTheSecondTarget) {
  File("ARCH05.txt", Lines(3, 20));
  Build();
  Choose("ARCH05");
  Answer("");
  list.f1Click();
  EXPECT_TRUE(Exists("ARCH06.txt"));
  EXPECT_EQ(Bytes("ARCH06.txt"), "");
  EXPECT_EQ(Bytes("ARCH07.txt"), Lines(3, 20));
  Answer("1", true);
  list.SetupSpool();
  Choose("ARCH05");
  std::filesystem::remove(Path("ARCH07.txt"));
  list.f1Click();
  EXPECT_FALSE(Exists("ARCH07.txt"));
}

TEST_F(SpoolService, ScrambleAndUnscrambleEveryListedReportInItsOwnFolder) {
  File("a/R1.txt", Lines(30, 50));
  File("b/R2.txt", Lines(7, 80));
  File("b/notes.txt", "free\r\ntext of\r\nany length\r\n");
  File("R1.txt", Lines(2, 10));  // a same-named report of the current folder
  Put("_sestavy.kde", "a\\\r\nb\\\r\n");
  Build();
  const std::string r1 = Bytes("a/R1.txt"), r2 = Bytes("b/R2.txt"), here = Bytes("R1.txt");
  std::filesystem::remove(Path("b/R2.txt"));
  list.g1Click();
  EXPECT_FALSE(Exists("b/R2.txt"));  // a missing report is not created
  EXPECT_EQ(Bytes("a/R1.txt"), ScrambledLines(r1, 50));
  EXPECT_EQ(common::ReadJobIn(common::DataDir(""), "GDPR"), "ANO");
  EXPECT_EQ(common::CurrentSession().ScrambleOn, 1);
  File("b/R2.txt", r2);
  list.g1Click();  // the administrator's second run scrambles the first again
  EXPECT_EQ(Bytes("b/R2.txt"), ScrambledLines(r2, 80));
  list.i1Click();
  EXPECT_EQ(Bytes("a/R1.txt"), ScrambledLines(r1, 50));
  EXPECT_EQ(Bytes("b/R2.txt"), r2);
  std::filesystem::remove(Path("b/R2.txt"));
  list.i1Click();
  EXPECT_EQ(Bytes("a/R1.txt"), r1);
  EXPECT_FALSE(Exists("b/R2.txt"));
  // Neither the same-named file of the current folder nor a text of unequal lines.
  EXPECT_EQ(Bytes("R1.txt"), here);
  EXPECT_EQ(Bytes("b/notes.txt"), "free\r\ntext of\r\nany length\r\n");
  EXPECT_EQ(Messages("OK"), 4);
}

TEST_F(SpoolService, DocumentFoldersAndTheirPictures) {
  File("doklady/OF01/F1.txt", Lines(3, 30));
  File("doklady/OF01/F1.jpg", std::string(600, 'j'));
  File("doklady/DF01/D1.txt", Lines(2, 30));
  File("doklady/XX01/X1.txt", Lines(2, 30));
  File("R.txt", "x");
  int partners = 0;
  reports::SpoolHooks().scrambleMarkedPartners = [&] { return ++partners > 0; };
  Build();
  const std::string of = Bytes("doklady/OF01/F1.txt"), jpg = Bytes("doklady/OF01/F1.jpg");
  const std::string df = Bytes("doklady/DF01/D1.txt"), xx = Bytes("doklady/XX01/X1.txt");
  list.h1Click();
  EXPECT_EQ(partners, 1);
  EXPECT_EQ(Bytes("doklady/OF01/F1.txt"), ScrambledLines(of, 30));
  EXPECT_NE(Bytes("doklady/OF01/F1.jpg"), jpg);
  EXPECT_EQ(Bytes("doklady/DF01/D1.txt"), ScrambledLines(df, 30));
  EXPECT_EQ(Bytes("doklady/XX01/X1.txt"), xx);
  EXPECT_EQ(common::ReadJobIn(common::DataDir(""), "GDPR"), "ANO");
  list.j1Click();
  EXPECT_EQ(Bytes("doklady/OF01/F1.txt"), of);
  EXPECT_EQ(Bytes("doklady/OF01/F1.jpg"), jpg);
  EXPECT_EQ(Bytes("doklady/DF01/D1.txt"), df);
  list.k1Click();
  EXPECT_EQ(Bytes("doklady/DF01/D1.txt"), ScrambledLines(df, 30));
  EXPECT_EQ(Bytes("doklady/OF01/F1.txt"), of);
  EXPECT_EQ(Messages("Hotovo"), 3);
}

// Partners that could not be stored scrambled (said by that step) stop "Zašifruj ORG a
// DOKLADY": no document is scrambled, the switch stays off and nothing says done.
TEST_F(SpoolService, PartnersLeftPlainStopTheScrambling) {
  File("doklady/OF01/F1.txt", Lines(3, 30));
  reports::SpoolHooks().scrambleMarkedPartners = [] { return false; };
  Build();
  const std::string of = Bytes("doklady/OF01/F1.txt");
  list.h1Click();
  EXPECT_EQ(Bytes("doklady/OF01/F1.txt"), of);
  EXPECT_EQ(common::ReadJobIn(common::DataDir(""), "GDPR"), "");
  EXPECT_EQ(common::CurrentSession().ScrambleOn, 0);
  EXPECT_EQ(Messages("Hotovo"), 0);
}

}  // namespace
}  // namespace reporttest
