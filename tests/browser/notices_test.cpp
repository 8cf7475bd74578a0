// The instructions window, the timed wait, the blink notice and the lock-wait notice.
#include <filesystem>

#include "browser/blik.h"
#include "browser/cekej.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/err.h"
#include "browser/hint.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/locking.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/session.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using namespace browser;

class DialogsHint : public dlgtest::DialogTest {
 protected:
  std::string Folder() const { return dir.path() + "/NAVODY/"; }
  // Opens the instructions and hands the window to `inside` before Esc closes it.
  void Open(const std::string& name, const std::function<void(TfHint&)>& inside = {}) {
    backend.AnswerNextModal([&](ui::Form& f) {
      if (inside) inside(static_cast<TfHint&>(f));
      backend.Press(ui::vk::Esc);
    });
    HintLoad(Folder(), name);
  }
};

TEST_F(DialogsHint, AFileOfUnderThreeBytesShowsEmptyAndCreatesTheFolder) {
  Open("fOrg", [](TfHint& h) { EXPECT_TRUE(h.Memo1.lines().empty()); });
  EXPECT_TRUE(std::filesystem::is_directory(dir / "NAVODY"));
  EXPECT_FALSE(fHint().HintLoaded);

  WriteFile("NAVODY/fOrg.nav", "ab");
  Open("fOrg", [](TfHint& h) { EXPECT_TRUE(h.Memo1.lines().empty()); });
  EXPECT_FALSE(fHint().HintLoaded);
}

TEST_F(DialogsHint, TheNameLosesBlanksAndAccentsAndDotsAndColonsBecomeUnderscores) {
  WriteFile("NAVODY/UctyRozvaha1_a.nav", "Navod\r\n&stary konec\r\nDalsi radek\r\n");
  std::vector<std::string> lines;
  Open("Účty Rozvaha 1.a"_cz, [&](TfHint& h) { lines = h.Memo1.lines(); });
  EXPECT_TRUE(fHint().HintLoaded);
  EXPECT_EQ(fHint().HintName, "UctyRozvaha1_a");
  // Lines beginning with "&" never show.
  EXPECT_EQ(lines, (std::vector<std::string>{"Navod", "Dalsi radek"}));

  Open("a:b\\c/d?e*f\"g", [](TfHint&) {});
  EXPECT_EQ(fHint().HintName, "a_b_c_d_e_f_g");
}

TEST_F(DialogsHint, F2MakesTheTextEditableAndClosingWritesItWithAMarkerLine) {
  WriteFile("NAVODY/fCis.nav", "Prvni\r\n");
  Open("fCis");  // closed without F2: the file is left alone
  EXPECT_EQ(ostest::ReadRaw(dir / "NAVODY/fCis.nav"), "Prvni\r\n");

  Open("fCis", [&](TfHint& h) {
    EXPECT_TRUE(h.Memo1.readOnly());
    backend.Focus(h.Memo1);
    backend.Press(ui::vk::F(2));
    EXPECT_FALSE(h.Memo1.readOnly());
    h.Memo1.UserSetText("Prvni\r\nDruha");
  });
  const std::string file = Folder() + "fCis.nav";
  EXPECT_EQ(ostest::ReadRaw(dir / "NAVODY/fCis.nav"), "Prvni\r\nDruha\r\n&" + file + "\r\n");
  // The marker disappears on the next load, and the text stays editable in this run.
  std::vector<std::string> lines;
  Open("fCis", [&](TfHint& h) {
    lines = h.Memo1.lines();
    EXPECT_FALSE(h.Memo1.readOnly());
  });
  EXPECT_EQ(lines, (std::vector<std::string>{"Prvni", "Druha"}));
}

TEST_F(DialogsHint, TheGeometryIsStoredAndUsedNextTime) {
  Open("x", [](TfHint& h) { h.SetBounds(30, 40, 500, 300); });
  EXPECT_EQ(common::ReadParam("par\\okna2.par", " HintWidth"), "0500");
  Open("x", [](TfHint& h) {
    EXPECT_EQ(h.bounds(), (ui::Rect{30, 40, 500, 300}));
    EXPECT_EQ(h.Memo1.width(), 475);
    EXPECT_EQ(h.Memo1.height(), 295);
  });
}

using DialogsCekej = dlgtest::DialogTest;

TEST_F(DialogsCekej, ZeroMillisecondsClosesAtTheFirstTick) {
  backend.AnswerNextModal([&](ui::Form& f) {
    EXPECT_EQ(f.width(), 10);
    backend.Advance(1);
  });
  ShowCekej(0);
  EXPECT_FALSE(fCekej().WaitAborted);
}

TEST_F(DialogsCekej, TheWaitLastsItsTimeAndEscAbortsIt) {
  backend.AnswerNextModal([&](ui::Form& f) {
    backend.Advance(499);
    EXPECT_TRUE(f.visible() && !f.modalDone());
    backend.Advance(1);
  });
  ShowCekej(500);
  EXPECT_FALSE(fCekej().WaitAborted);

  backend.AnswerNextModal([&](ui::Form&) {
    backend.Advance(100);
    backend.Press(ui::vk::Esc);
  });
  ShowCekej(500);
  EXPECT_TRUE(fCekej().WaitAborted);
  EXPECT_FALSE(fCekej().Timer1.enabled());
}

using DialogsBlik = dlgtest::DialogTest;

TEST_F(DialogsBlik, ANoticeForTenCharactersIs180PixelsWideAtLeft316) {
  ShowBlik("0123456789");
  EXPECT_TRUE(fBlik().visible());
  EXPECT_EQ(fBlik().width(), 180);
  EXPECT_EQ(fBlik().left(), 316);
  EXPECT_EQ(fBlik().Label1.text(), "0123456789");
  CloseBlik();
  EXPECT_FALSE(fBlik().visible());
  // Closing stored the position; the next notice stands there.
  fBlik().SetLeft(0);
  common::WriteParam("par\\okna2.par", "fBlik BlikLeft", "000050");
  ShowBlik("abc");
  EXPECT_EQ(fBlik().left(), 50);
  CloseBlik();
}

TEST_F(DialogsBlik, TheBarAnimatesOneToTenWhileTheNoticeIsActive) {
  ShowBlik("Pracuji");
  backend.Advance(300);
  EXPECT_TRUE(fBlik().ProgressBar1.visible());
  EXPECT_EQ(fBlik().ProgressBar1.max(), 10);
  EXPECT_EQ(fBlik().ProgressBar1.position(), 1);
  backend.Advance(300 * 10);
  EXPECT_EQ(fBlik().ProgressBar1.position(), 1);  // 2 .. 10, then 1 again
  BlikProgress(200, 150);
  EXPECT_EQ(fBlik().ProgressBar1.max(), 200);
  EXPECT_EQ(fBlik().ProgressBar1.position(), 150);
  CloseBlik();
  EXPECT_FALSE(fBlik().ProgressBar1.visible());
}

TEST_F(DialogsBlik, ATimedNoticeBeepsAndClosesAfterItsTime) {
  ShowBlik("predtim");
  backend.AnswerNextModal([&](ui::Form& f) {
    auto& b = static_cast<TfBlik&>(f);
    EXPECT_TRUE(b.topmost());
    EXPECT_EQ(b.color(), 0xD0FFD0);
    EXPECT_FALSE(b.ProgressBar1.visible());
    backend.Advance(1999);
    EXPECT_FALSE(b.modalDone());
    backend.Advance(1);
  });
  ShowBlikTimed("Ulozeno", 2000);
  EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::Beep), 1);
  EXPECT_FALSE(fBlik().visible());
  EXPECT_EQ(fBlik().color(), ui::colors::White);
}

TEST_F(DialogsBlik, AnyKeyClosesIt) {
  backend.AnswerNextModal([&](ui::Form&) { backend.Press(ui::vk::Letter('X')); });
  ShowBlikTimed("Hotovo", 60000);
  EXPECT_FALSE(fBlik().visible());
}

// The lock waits of the shared services shown in the red notice.
class DialogsErr : public dlgtest::DialogTest {
 protected:
  DialogNotifier notifier_;
  common::ScopedNotifier scoped_{notifier_};
};

TEST_F(DialogsErr, TheNoticeShowsTheTextForItsTimeAndResetsIgnoreLocks) {
  common::CurrentSession().IgnoreLocks = 1;
  backend.AnswerNextModal([&](ui::Form& f) {
    auto& e = static_cast<TfErr&>(f);
    EXPECT_EQ(e.caption(), "Počkejte na uvolnění !!! "_cz);
    EXPECT_EQ(e.Label1.text(), "Soubor CI10.DTA W užívá 07"_cz);
    EXPECT_EQ(common::CurrentSession().IgnoreLocks, 0);
    backend.Advance(999);
    EXPECT_FALSE(e.modalDone());
    backend.Advance(1);
  });
  common::LockWaitMessage("Soubor CI10.DTA W užívá 07"_cz, 1000);
  EXPECT_EQ(common::CurrentSession().IgnoreLocks, 0);
}

TEST_F(DialogsErr, ARightClickAndYesIgnoreTheProtection) {
  backend.AnswerNextModal([&](ui::Form& f) {
    backend.AnswerNextModal([&](ui::Form& q) {
      EXPECT_EQ(q.caption(), "Došlo k poruše, chcete ignorovat ochranu souborů"_cz);
      backend.Press(ui::vk::Letter('A'));
    });
    backend.RightClick(f);
  });
  common::LockWaitMessage("Tabulka sdílení souborů je plná"_cz, 1000);
  EXPECT_EQ(common::CurrentSession().IgnoreLocks, 1);

  // "Ne" keeps the protection; the notice closes either way.
  backend.AnswerNextModal([&](ui::Form& f) {
    backend.AnswerNextModal([&](ui::Form&) { backend.Press(ui::vk::Letter('N')); });
    backend.RightClick(f);
  });
  common::LockWaitMessage("x", 1000);
  EXPECT_EQ(common::CurrentSession().IgnoreLocks, 0);
}

TEST_F(DialogsErr, ASharingViolationIsWaitedOutInTheNotice) {
  WriteFile("held.dta", "12345");
  common::File holder;
  ASSERT_EQ(holder.Open("held.dta", common::kModeExclusive), 0);
  int rounds = 0;
  backend.OnModal("fErr", [&](ui::Form& f) {
    ++rounds;
    EXPECT_EQ(static_cast<TfErr&>(f).Timer1.interval(), 100);
    if (rounds == 2) (void)holder.Close();
    backend.Advance(100);
  });
  EXPECT_EQ(common::CheckFile("held.dta"), 5);
  EXPECT_EQ(rounds, 2);
}

TEST_F(DialogsErr, MessagesAndBeepsGoToTheWindowLayer) {
  common::MessageOk("Hotovo");
  common::BeepMessage("Pozor");
  common::BeepAsterisk();
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Hotovo", "Pozor"}));
  ASSERT_EQ(backend.beeps().size(), 2u);
  EXPECT_EQ(backend.beeps()[1], ui::BeepKind::Asterisk);
}

}  // namespace

namespace {

using namespace common::literals;
using namespace browser;

class DialogsLockWait : public dlgtest::DialogTest {
 protected:
  browser::DialogNotifier notifier_;
  common::ScopedNotifier scoped_{notifier_};
};

// A file another user holds: one notice names the holder and stays up, retrying every
// round, until the user chooses to ignore the protection.
TEST_F(DialogsLockWait, AHeldFileIsWaitedForUntilTheProtectionIsIgnored) {
  WriteFile("data/ORG.DTA", "x");
  const std::string path = dir.path() + "/data/ORG.DTA";
  common::Session other;
  other.CurrentUser = "07";
  ASSERT_EQ(common::LockFile(other, path, "W"), common::LockResult::Held);
  common::CurrentSession().CurrentUser = "01";
  std::vector<std::string> texts;
  int shown = 0;
  backend.OnModal("fErr", [&](ui::Form& f) {
    ++shown;
    for (int round = 0; round < 3; ++round) {
      texts.push_back(static_cast<TfErr&>(f).Label1.text());
      backend.Advance(1000);
      ASSERT_TRUE(f.visible());  // the retry failed: the same notice waits on
    }
    backend.AnswerNextModal([&](ui::Form&) { backend.Press(ui::vk::Letter('A')); });
    backend.RightClick(f);
  });
  EXPECT_EQ(common::LockFile(path, "W"), common::LockResult::GivenUp);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(common::CurrentSession().IgnoreLocks, 1);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].rfind("Soubor ORG.DTA", 0), 0u) << common::Win1250ToUtf8(texts[0]);
  EXPECT_NE(texts[0].find("07"), std::string::npos);
  EXPECT_TRUE(common::UnlockFile(other, path));
}

// Esc on the notice stops the wait: the lock is not taken and the step knows to stop;
// the notice is gone, never shown again by that wait.
TEST_F(DialogsLockWait, EscOnTheNoticeStopsTheWait) {
  WriteFile("data/ORG.DTA", "x");
  const std::string path = dir.path() + "/data/ORG.DTA";
  common::Session other;
  other.CurrentUser = "07";
  ASSERT_EQ(common::LockFile(other, path, "W"), common::LockResult::Held);
  common::CurrentSession().CurrentUser = "01";
  int shown = 0;
  backend.OnModal("fErr", [&](ui::Form&) {
    ++shown;
    backend.Advance(1000);
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(common::LockFile(path, "W"), common::LockResult::Stopped);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(common::CurrentSession().WaitStopped, 1);
  EXPECT_EQ(common::CurrentSession().IgnoreLocks, 0);
  EXPECT_EQ(common::IfVolny(other, path), "");  // this user holds nothing
  EXPECT_TRUE(common::UnlockFile(other, path));
}

}  // namespace
