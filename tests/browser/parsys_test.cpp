// The system parameters window over a scratch start folder (job file, "UCPARAM.DTA",
// "sys.par", "par\okna2.par") with a data folder below it, driven by keys.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "browser/appearance.h"
#include "browser/parsys.h"
#include "browser/vyber.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/jobfile.h"
#include "common/params.h"
#include "common/session.h"
#include "common/text.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using namespace browser;

class ParSysTest : public dlgtest::DialogTest {
 protected:
  ParSysTest() {
    std::filesystem::create_directories(dir / "data");
    std::filesystem::create_directories(dir / "2");
    common::CurrentSession().DataDirPath = dir.path() + "/data/";
    common::CurrentSession().ComputerId = "PC07";
  }
  void WriteJobFile(const std::vector<std::pair<std::string, std::string>>& entries) {
    common::JobImage job{};
    for (const auto& [name, value] : entries) common::SetJobValue(job, name, value);
    WriteFile("master.job", std::string(job.begin(), job.end()));
  }
  void WriteStores() {
    WriteJobFile({{"MENA", "CZK"}, {"DAN2", "21"}, {"DAN1", "12"}, {"LIMRAD", "60"}, {"TOPLIST", "3"},
                  {"F10FF", "A"}, {"TISKARNA", "EPSON"}, {"FMA343", "A"}, {"NovyList", "n"}});
    WriteFile("UCPARAM.DTA", "MenaEU : EUR\r\nKursEU : 25.2\r\nUcRok : 24\r\nUcObd : 3\r\n");
    WriteFile("data/UCPARAM.DTA", "Kontr56 : a\r\n");
    WriteFile("par/okna2.par", "Vyska pismen :  16\r\nCencTisk : n\r\n");
    WriteFile("sys.par", "TiskDefault : HP LaserJet\r\n");
  }
  // Opens the window through the one entry point with `keys` as the user.
  void Open(const std::function<void(TfParSys&)>& keys) {
    backend.AnswerNextModal([&](ui::Form& f) { keys(static_cast<TfParSys&>(f)); });
    OpenSystemParameters();
  }
  // Types over the focused field's text once the refocus timer selected it.
  void TypeOver(const std::string& text) {
    backend.Advance(100);
    backend.Type(text);
  }
  void Down(int times = 1) {
    for (int i = 0; i < times; ++i) backend.PressKeys("Down");
  }
  std::string Job(const std::string& name) {
    common::CurrentSession().JobLoadState = 0;
    return common::GetJob(name);
  }
  // The entry names of the job file in the order they stand.
  std::vector<std::string> JobNames() {
    const std::string raw = FileText("master.job");
    std::vector<std::string> names;
    for (std::size_t at = 0; at + 18 <= raw.size(); at += 18)
      if (raw[at] != 0) names.push_back(raw.substr(at + 1, static_cast<unsigned char>(raw[at])));
    return names;
  }
  std::vector<std::string> Stores() {
    return {FileText("master.job"), FileText("UCPARAM.DTA"), FileText("data/UCPARAM.DTA"), FileText("par/okna2.par"),
            FileText("sys.par")};
  }
};

TEST_F(ParSysTest, LoadsTheValuesAlignedWithTheirDefaults) {
  WriteStores();
  Open([&](TfParSys& w) {
    EXPECT_EQ(w.caption(), " Parametry systému PC07"_cz);
    EXPECT_EQ(w.FooterLine()->text(), " F2=zápis parametrů  >Enter-Výběr varianty  ESC=ven"_cz);
    const std::vector<std::pair<int, std::string>> values{
        {1, "CZK "}, {2, "EUR"}, {3, "25.2          "}, {4, "21  "}, {6, "    "}, {7, "60 "}, {9, "3 "},
        {13, "    "}, {14, "EPSON   "}, {16, "A"}, {17, " 16"}, {18, "  8"}, {19, "n"}, {20, "a"},
        {21, "24"}, {22, " 3"}, {23, "N"}, {24, " "}};
    for (const auto& [n, v] : values) EXPECT_EQ(w.Field(n).value, v) << n;
    EXPECT_EQ(w.FieldLabel(3)->text(), "Kurs CZK  k EUR               ");
    EXPECT_FALSE(w.FieldEdit(17)->visible());
    EXPECT_FALSE(w.FieldLabel(18)->visible());
    EXPECT_EQ(w.Field(13).fieldType, 4);
    // Rows 2..22 would cut off the last fields: the window grows to hold row 24 and the footer.
    EXPECT_EQ(w.bounds(), (ui::Rect{49 * 8, 18, 52 * 8, 23 * 22 + 4 + 18 + 4 + 18 + ui::kFrameHeight}));
    backend.PressKeys("Esc");
  });
}

TEST_F(ParSysTest, EscLeavesEveryStoreByteIdentical) {
  WriteStores();
  const std::vector<std::string> before = Stores();
  common::CurrentSession().CurrencyCode = "CZK";
  Open([&](TfParSys&) {
    TypeOver("USD");
    Down(6);
    TypeOver("0");
    Down(3);
    TypeOver("x");
    backend.PressKeys("Esc");
  });
  EXPECT_EQ(Stores(), before);
  EXPECT_EQ(common::CurrentSession().CurrencyCode, "CZK");  // the globals stay too
}

TEST_F(ParSysTest, PageLengthOfZeroEmptyOrNegativeIsStoredAs64) {
  for (const std::string limrad : {"0", "", "-5", "72"}) {
    WriteJobFile({{"LIMRAD", limrad}});
    Open([&](TfParSys&) { backend.PressKeys("F2"); });
    EXPECT_EQ(Job("LIMRAD"), limrad == "72" ? "72" : "64") << limrad;
    EXPECT_EQ(common::CurrentSession().LimRad, limrad == "72" ? 72 : 64);
  }
  // Typed with the keys.
  Open([&](TfParSys&) {
    Down(6);
    TypeOver("0");
    backend.PressKeys("F2");
  });
  EXPECT_EQ(JobNames(), std::vector<std::string>{"LIMRAD"});
  EXPECT_EQ(FileText("master.job").substr(9, 4), "\x03" "64 ");
}

TEST_F(ParSysTest, AnyTextInField10BecomesDolu) {
  Open([&](TfParSys& w) {
    Down(9);
    TypeOver("x");
    Down();
    EXPECT_EQ(w.FieldEdit(10)->text(), "DOLU");
    backend.PressKeys("F2");
  });
  EXPECT_EQ(Job("DAN_DOLU"), "DOLU");
}

TEST_F(ParSysTest, LetterSizesAreRaisedToTheirMinimum) {
  WriteFile("par/okna2.par", "Vyska pismen :  12\r\nSirka pismen :   4\r\n");
  Open([&](TfParSys&) { backend.PressKeys("F2"); });
  EXPECT_EQ(common::ReadParam(kOkna2Par, "Vyska pismen"), " 15");
  EXPECT_EQ(common::ReadParam(kOkna2Par, "Sirka pismen"), "  6");
  FlushParams();
  WriteFile("par/okna2.par", "");
  Open([&](TfParSys& w) {
    EXPECT_EQ(w.Field(17).value, " 15");
    EXPECT_EQ(w.Field(18).value, "  8");
    backend.PressKeys("F2");
  });
  EXPECT_EQ(common::ReadParam(kOkna2Par, "Sirka pismen"), "  8");
}

TEST_F(ParSysTest, ChangingTheCurrencyRelabelsTheRateEuCodeFirst) {
  WriteStores();
  Open([&](TfParSys& w) {
    TypeOver("USD");
    Down();
    EXPECT_EQ(w.FieldLabel(3)->text(), "Kurs EUR k USD ");
    EXPECT_EQ(w.FieldLabel(2)->text(), "Přepočítávat na měnu"_cz);
    backend.PressKeys("Esc");
  });
}

TEST_F(ParSysTest, AcceptingStoresTheValuesInTheirOrderAndSetsTheGlobals) {
  WriteJobFile({});
  const std::vector<std::string> typed{"EUR", "CZK", "0.04", "21", "12", "10", "60", "5", "3",  "x", "2",
                                       "A",   "",    "LASER", "K", "A",  "a",  "a",  "24", "3", "a", "H"};
  Open([&](TfParSys&) {
    for (const std::string& t : typed) {
      if (!t.empty()) TypeOver(t);
      Down();  // past field 24 the window accepts
    }
  });
  EXPECT_EQ(JobNames(), (std::vector<std::string>{"MENA", "DAN3", "DAN1", "DAN2", "LPT", "LIMRAD", "TAB", "TOPLIST",
                                                  "F10FF", "DAN_DOLU", "TISKARNA", "DIAKTISK", "FMA343", "NovyList"}));
  EXPECT_EQ(Job("DAN_DOLU"), "DOLU");
  EXPECT_EQ(Job("NovyList"), "A");
  EXPECT_EQ(FileText("UCPARAM.DTA"), "MenaEU : CZK\r\nKursEU : 0.04          \r\nUcRok : 24\r\nUcObd : 3 \r\n");  // typed into a left-aligned field
  EXPECT_EQ(FileText("data/UCPARAM.DTA"), "Kontr56 : A\r\n");
  EXPECT_EQ(FileText("sys.par"), "TiskDefault : H\r\n");
  const std::string okna2 = FileText("par/okna2.par");
  EXPECT_LT(okna2.find("Vyska pismen :  15"), okna2.find("Sirka pismen :   8"));
  EXPECT_LT(okna2.find("Sirka pismen"), okna2.find("CencTisk : a"));
  const common::Session& s = common::CurrentSession();
  EXPECT_EQ(s.CurrencyCode, "EUR");
  EXPECT_EQ(s.MenaEU, "CZK");
  EXPECT_NEAR(s.KursEU, 0.04, 1e-9);
  EXPECT_EQ(s.VatRateDan1, 12);
  EXPECT_EQ(s.VatRateDan2, 21);
  EXPECT_EQ(s.LimRad, 60);
  EXPECT_EQ(s.JobTab, 5);
  EXPECT_EQ(s.Fma343, 1);
  EXPECT_EQ(s.NovyList, 1);
  EXPECT_EQ(s.AccYear, "24");
  EXPECT_EQ(s.AccPeriod, "3");
  EXPECT_EQ(s.CencTisk, 0);  // "a" is not "A"
}

TEST_F(ParSysTest, AcceptingWithoutTypingKeepsTheChosenPrinter) {
  WriteStores();
  Open([&](TfParSys&) {
    Down(21);  // to field 24, nothing typed
    backend.PressKeys("F2");
  });
  EXPECT_EQ(FileText("sys.par"), "TiskDefault : HP LaserJet\r\n");
  EXPECT_EQ(Job("MENA"), "CZK");
}

TEST_F(ParSysTest, EnterOnField14ChoosesAPrinterTypeAndField13OpensTheFonts) {
  WriteFile("2/epson.dst", "x");
  WriteFile("2/laser.dst", "x");
  WriteFile("2/empty.dst", "");
  WriteFile("2/other.txt", "x");
  int fonts = 0;
  PrintFontsHook() = [&] { ++fonts; };
  std::vector<std::string> offered;
  Open([&](TfParSys& w) {
    Down(12);
    backend.PressKeys("Enter");
    EXPECT_EQ(fonts, 1);
    backend.AnswerNextModal([&](ui::Form& f) {
      auto& v = static_cast<TfVyber&>(f);
      EXPECT_EQ(v.caption(), "Typ tiskárny"_cz);
      for (int i = 1; i <= v.RowCount; ++i) offered.push_back(common::StripRightSp(v.Rows[i]->text()));
      backend.DoubleClick(*v.Rows[2]);
    });
    backend.PressKeys("Enter");
    EXPECT_EQ(w.FieldEdit(14)->text(), "laser   ");
    backend.PressKeys("F2");
  });
  PrintFontsHook() = nullptr;
  EXPECT_EQ(offered, (std::vector<std::string>{"epson", "laser"}));
  EXPECT_EQ(Job("TISKARNA"), "laser");
}

TEST_F(ParSysTest, AnotherUsersJobEntryWrittenMeanwhileSurvivesAccepting) {
  WriteStores();
  Open([&](TfParSys&) {
    common::WriteJobIn(dir.path() + "/", "GDPR", "A");  // the other user, on the same folder
    TypeOver("EUR");
    backend.PressKeys("F2");
  });
  EXPECT_EQ(Job("GDPR"), "A");
  EXPECT_EQ(Job("MENA"), "EUR");
  EXPECT_EQ(Job("DAN2"), "21");
}

TEST_F(ParSysTest, AFailedWriteIsShownAndTheJobFileKeepsItsBytes) {
  WriteStores();
  const std::string before = FileText("master.job");
  common::FaultFileSystem faults;
  faults.Fail(common::FsOp::Write, ENOSPC, "master.job");
  common::ScopedFileSystem scoped(faults);
  Open([&](TfParSys&) {
    TypeOver("EUR");
    backend.PressKeys("F2");
  });
  const std::vector<std::string> shown = notes.Texts(common::RecordingNotifier::Kind::Message);
  ASSERT_FALSE(shown.empty());
  EXPECT_NE(shown.back().find(" pise soubor: "), std::string::npos) << shown.back();
  EXPECT_EQ(FileText("master.job"), before);
  EXPECT_EQ(fParSys().FieldEdit(1), nullptr);  // the window was taken down
}

// "UCPARAM.DTA" too big, of random bytes or a folder: the first opening says once which
// file is damaged, no value of it is shown or used, and what is typed holds for the
// run only: the file keeps its bytes, and no flush says it again.
TEST_F(ParSysTest, ADamagedUcParamIsSaidOnceAndNeitherUsedNorWritten) {
  const std::string whole = "MenaEU : EUR\r\nKursEU : 25.2\r\nUcRok : 24\r\nUcObd : 3\r\n";
  std::string random(200, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 131 + 7) % 256);
  random.replace(20, 14, "\r\nUcRok : 99\r\n");  // a line a reader would take
  std::string big;
  while (big.size() <= 1u << 20) big += whole;
  // Saved without a line end after its last line, the file is whole: shown, and F2 stores it.
  WriteStores();
  WriteFile("UCPARAM.DTA", whole.substr(0, whole.size() - 2));
  Open([&](TfParSys& w) {
    EXPECT_EQ(w.Field(2).value, "EUR");
    EXPECT_EQ(w.Field(21).value, "24");
    EXPECT_EQ(w.Field(22).value, " 3");
    backend.PressKeys("F2");
  });
  EXPECT_TRUE(notes.Texts(common::RecordingNotifier::Kind::Message).empty()) << notes.Dump();
  const std::string stored = FileText("UCPARAM.DTA");
  EXPECT_NE(stored.find("UcRok : 24\r\n"), std::string::npos) << stored;
  EXPECT_TRUE(stored.starts_with("MenaEU : EUR\r\n") && stored.ends_with("\r\n")) << stored;
  const struct {
    const char* what;
    std::function<void()> damage;
    std::string said;
  } cases[] = {
      {"too big", [&] { WriteFile("UCPARAM.DTA", big); }, " je příliš velký ("_cz + std::to_string(big.size()) + " B)"},
      {"random", [&] { WriteFile("UCPARAM.DTA", random); }, " není textový soubor"_cz},
      {"folder", [&] { std::filesystem::create_directories(std::filesystem::path(dir.path()) / "UCPARAM.DTA" / "x"); }, " je složka, ne soubor"_cz},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteStores();
    std::filesystem::remove_all(dir / "UCPARAM.DTA");
    c.damage();
    const bool folder = std::filesystem::is_directory(dir / "UCPARAM.DTA");
    const std::string before = folder ? std::string() : ostest::ReadRaw(dir / "UCPARAM.DTA");
    common::Session& s = common::CurrentSession();
    s.ParamCache.clear();
    s.FailuresTold.clear();
    s.AccYear = "24";
    notes.calls.clear();
    Open([&](TfParSys& w) {
      for (const int n : {2, 3, 21, 22}) EXPECT_TRUE(common::StripRightSp(w.Field(n).value).empty()) << n;
      EXPECT_EQ(w.Field(20).value, "a");  // the data folder's copy is whole
      EXPECT_EQ(w.Field(14).value, "EPSON   ");
      Down();
      TypeOver("USD");
      backend.PressKeys("F2");
    });
    EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
              std::vector<std::string>{"Soubor UCPARAM.DTA"_cz + c.said +
                                       "; jeho hodnoty nepoužívám a nepřepisuji ho, změny platí jen do konce práce"_cz});
    EXPECT_EQ(s.AccYear, "");  // nothing of the file, not even what it said before
    EXPECT_EQ(s.MenaEU, "USD");
    Open([&](TfParSys& w) {
      EXPECT_EQ(w.Field(2).value, "USD");  // typed, kept for the run
      backend.PressKeys("Esc");
    });
    common::FlushParamsSaying();
    EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).size(), 1u) << notes.Dump();
    if (folder) EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(dir.path()) / "UCPARAM.DTA" / "x"));
    else EXPECT_EQ(ostest::ReadRaw(dir / "UCPARAM.DTA"), before);
  }
}

TEST_F(ParSysTest, TheListsF11MenuOpensIt) {
  InstallBrowserDialogs();
  ASSERT_TRUE(SystemParametersHook());
  bool shown = false;
  backend.AnswerNextModal([&](ui::Form& f) {
    shown = f.name() == "fParSys";
    backend.PressKeys("Esc");
  });
  SystemParametersHook()();
  EXPECT_TRUE(shown);
  SystemParametersHook() = nullptr;
}

}  // namespace
