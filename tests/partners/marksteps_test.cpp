// Steps over marks in the partner register while another workstation compacts the
// register or changes a marked partner between the marking and the step: the step acts
// on none and says so; after the window's own write it acts as marked.
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "browser/dotaz.h"
#include "common/scramble.h"
#include "common/session.h"
#include "partners/orgtools.h"
#include "partners/poukazka.h"
#include "partners/stitky.h"
#include "tests/partners/partnerkit.h"

namespace {

using common::Cz;
using partners::TfOrg;
namespace of = partners::of;

const char* const kStale = "Označené věty mezitím změnil jiný uživatel, nic se neprovedlo; označte je znovu";

enum class Between { Nothing, Compaction, Change, OwnWrite };

class MarkSteps : public partnertest::PartnerFiles {
 protected:
  void SetUp() override {
    PartnerFiles::SetUp();
    partners::InstallOrgTools();
    partners::InstallMoneyOrderTool();
    partners::OrgHooks().ownAccount = [] { return partners::OwnAccount{"12-3456789", "0800"}; };
    common::CurrentSession().ScrambleKey = common::ProgramScrambleKey();
    common::CurrentSession().CurrentUser = "01";
  }
  void TearDown() override {
    partners::DestroyLabelWindows();
    partners::DestroyMoneyOrderWindow();
    PartnerFiles::TearDown();
  }

  // Partners A to F, each with a price list and an amount a money order takes.
  void WriteRegister() {
    std::vector<partnertest::Fields> list;
    for (char c = 'A'; c <= 'F'; ++c) list.push_back({{of::Name, std::string(1, c)}, {21, "L1"}, {of::Note1, "10"}});
    WriteData("org.dta", Partners(list));
  }

  // User 01 marks D and E (Ins on their rows); then, as `between` says, user 02 keeps all
  // but B ("Sraz označené, ostatní zruš") or types a new telephone into D, or 01's own
  // window writes D.
  void MarkAndInterfere(TfOrg& w, Between between) {
    w.ActiveOrder = 0;
    for (int n : {4, 5}) {
      w.GoToRecord(n, 0);
      w.ToggleMarks();
    }
    ASSERT_EQ(w.MarkedCount, 2);
    if (between == Between::OwnWrite) {
      w.RecordReadAt(4);
      partners::PutOrgText(w.RecordBuffer, 16, "777");
      w.RecordWriteAt(4);
    } else if (between != Between::Nothing) {
      common::CurrentSession().CurrentUser = "02";
      TfOrg other("fOrgOther");
      partners::SetupOrg(other, stepFile);
      if (between == Between::Compaction) {
        for (int n : {1, 3, 4, 5, 6}) other.ToggleMark(n);
        partners::CompactMarked(other);
      } else {
        other.RecordReadAt(4);
        partners::PutOrgText(other.RecordBuffer, 16, "777");
        other.RecordWriteAt(4);
      }
      other.CloseBrowse();
      common::CurrentSession().CurrentUser = "01";
    }
    afterBetween = StepFileBytes();
  }
  std::string StepFileBytes() const {
    return stepFile == "org.dta" ? ReadData(stepFile) : ostest::ReadRaw(dir / stepFile.substr(1));
  }

  // A step run from the shown register.
  std::function<void(Between)> OnRegister(std::function<void(TfOrg&)> step) {
    return [this, step](Between between) {
      TfOrg w("fOrg");
      partners::SetupOrg(w, "org.dta");
      w.Show();
      MarkAndInterfere(w, between);
      step(w);
      marksLeft = w.MarkedCount;
      w.CloseBrowse();
    };
  }
  // A step of the labels' menu, `marked` the window shown for marking: the register, or
  // the address list (made of the register's partners).
  std::function<void(Between)> OnLabels(const char* item, TfOrg& marked) {
    return [this, item, &marked](Between between) {
      if (&marked != &partners::fOrg()) {
        stepFile = "=samol.dta";
        ostest::WriteRaw(dir / "samol.dta", ReadData("org.dta"));
      }
      partners::TfStitky& labels = partners::fStitky();
      labels.Show();
      backend.AnswerNextModal([this, between](ui::Form& f) {
        MarkAndInterfere(static_cast<TfOrg&>(f), between);
        f.Close();
      });
      backend.ChooseMenu(labels, Cz(item));
      marksLeft = marked.MarkedCount;
    };
  }
  static std::function<void(TfOrg&)> Tool(const char* item) {
    return [item](TfOrg& w) { partners::OrgHooks().tools.at(item)(w); };
  }
  void AnswerYes() {
    backend.AnswerNextModal([](ui::Form& f) { static_cast<browser::TfDotaz&>(f).Button1Click(); });
  }
  std::string FilesIn(const char* folder) const {
    std::string all;
    if (std::filesystem::exists(dir / folder))
      for (const auto& e : std::filesystem::directory_iterator(dir / folder)) all += ostest::ReadRaw(e.path());
    return all;
  }
  int Stale() const {
    int n = 0;
    for (const std::string& m : Messages()) n += m == Cz(kStale);
    return n;
  }

  std::string stepFile = "org.dta";  // the file the step works on
  std::string afterBetween;
  std::int32_t marksLeft = -1;
  std::size_t jobsBefore = 0;
};

TEST_F(MarkSteps, AStepOverMarksActsOnlyOnTheRecordsMarked) {
  struct Step {
    const char* name;
    std::function<void(Between)> run;
    std::function<std::string()> carried;  // what the step put elsewhere
  };
  const std::vector<Step> steps = {
      {"Šifruj označené", OnRegister(Tool("Zasifruj1")), {}},
      {"Dešifruj označené", OnRegister(Tool("Desifruj1")), {}},
      {"Oprav LV", OnRegister(Tool("OpravLV1")), {}},
      {"Mezera do ozn.", OnRegister(Tool("Mezeradoozn1")), {}},
      {"Mezeruj označené", OnRegister(Tool("Mezerujozn1")), {}},
      {"Sraz označené, ostatní zruš", OnRegister(Tool("i1")), {}},
      {"F8 s označenými", OnRegister([this](TfOrg& w) {
         AnswerYes();
         w.DeleteRecord(w.Current);
       }),
       {}},
      {"Tisk Poukazek", OnRegister([this](TfOrg& w) {
         AnswerFields({"0", "0"});
         backend.QueueAnswer(ui::headless::Answer::PrinterAnswer("Headless"));
         Tool("TiskPoukazek1")(w);
       }),
       [this] { return std::string(backend.printJobs().size() - jobsBefore, '*'); }},
      {"Export označených do EXCEL", OnRegister([](TfOrg& w) { w.ExportListToExcel(); }),
       [this] { return FilesIn("XLS"); }},
      {"Export označených do DBF", OnRegister([](TfOrg& w) {
         w.DbfFolder = "dbf\\";
         w.ExportToDbf();
       }),
       [this] { return FilesIn("dbf"); }},
      {"Přidání označených adres do seznamu", OnLabels("Přidání označených adres do seznamu", partners::fOrg()),
       [this] { return ostest::ReadRaw(dir / "samol.dta"); }},
      {"Kontrola seznamu pro tisk", OnLabels("Kontrola seznamu pro tisk", partners::fSam()), {}},
  };
  for (const Step& step : steps) {
    for (const Between between : {Between::Nothing, Between::Compaction, Between::Change, Between::OwnWrite}) {
      SCOPED_TRACE(std::string(step.name) + " " + std::to_string(static_cast<int>(between)));
      WriteRegister();
      std::filesystem::remove_all(dir / "XLS");
      std::filesystem::remove_all(dir / "dbf");
      std::filesystem::remove(dir / "samol.dta");
      jobsBefore = backend.printJobs().size();
      notes.calls.clear();
      stepFile = "org.dta";
      step.run(between);
      const bool acted = StepFileBytes() != afterBetween || (step.carried && !step.carried().empty());
      if (between == Between::Compaction || between == Between::Change) {
        EXPECT_FALSE(acted);
        EXPECT_EQ(Stale(), 1);
        EXPECT_EQ(marksLeft, 0);  // to be put again
      } else {
        EXPECT_TRUE(acted);
        EXPECT_EQ(Stale(), 0);
      }
    }
  }
}

// Another workstation compacts between the marking and the scrambling: unchecked, the
// marks would have stored E and F scrambled and left D plain; the register stays as the
// compaction left it.
TEST_F(MarkSteps, ScramblingAfterAnotherWorkstationsCompactionStoresNothing) {
  WriteRegister();
  OnRegister(Tool("Zasifruj1"))(Between::Compaction);
  const std::string org = ReadData("org.dta");
  ASSERT_EQ(org.size(), 5u * partners::kOrgRecordLength);
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(partners::OrgText(org.substr(static_cast<std::size_t>(k) * partners::kOrgRecordLength,
                                           partners::kOrgRecordLength),
                                of::Name)
                  .substr(0, 1),
              std::string(1, "ACDEF"[k]));
  EXPECT_EQ(Messages(), std::vector<std::string>{Cz(kStale)});
}

}  // namespace
