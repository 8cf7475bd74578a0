// The viewer's special forms: KB00.wrk from marked lines, one file per page, and
// the cash receipt window filled from its report and printed.
#include "tests/reports/reportkit.h"

#include <algorithm>

#include "common/dirs.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/winpath.h"
#include "reports/specialforms.h"
#include "ui/keys.h"

namespace reporttest {
namespace {

using reports::LinesSource;

// Lines of a report with some of them marked.
class MarkedSource : public LinesSource {
 public:
  MarkedSource(std::vector<std::string> lines, std::vector<int> marked)
      : LinesSource(std::move(lines)), marked_(std::move(marked)) {}
  bool IsMarked(std::int32_t n) override { return std::find(marked_.begin(), marked_.end(), n) != marked_.end(); }
  std::int32_t MarkedCount() override { return static_cast<std::int32_t>(marked_.size()); }

 private:
  std::vector<int> marked_;
};

// Text put at 1-based column `at` of a line, blanks before.
std::string& At(std::string& line, int at, const std::string& text) {
  if (line.size() < static_cast<std::size_t>(at - 1) + text.size()) line.resize(static_cast<std::size_t>(at - 1) + text.size(), ' ');
  line.replace(static_cast<std::size_t>(at - 1), text.size(), text);
  return line;
}

class KB00 : public ReportTest {
 protected:
  std::filesystem::path WorkPath() const { return dir / common::RealPath(common::DataDir("KB00.wrk")); }
  std::string Work() const { return ostest::ReadRaw(WorkPath()); }
};

TEST_F(KB00, KindOneAndKindTwoLines) {
  std::string one = " 2";
  At(one, 4, "1234567890123456789");
  At(one, 24, "0800");
  At(one, 30, "        1234,50");
  std::string two = "  ";
  At(two, 4, "ABCDEFGHIJKLMNOPQRS");
  At(two, 24, "0100");
  At(two, 30, "          10,00");
  At(two, 42, ".");
  At(two, 49, "0308000000");
  At(two, 66, "5555");
  At(two, 83, "Zprava pro prijemce");
  EXPECT_EQ(reports::KB00Line(one), "1|1234567890123456789|      123450|" + std::string(15, ' ') + "|0800|");
  EXPECT_EQ(reports::KB00Line(two), "2|ABCDEFGHIJKLMNOPQRS|        1000|0308000000|01005555|" + std::string(10, ' ') +
                                        "|Zprava pro prijemce");
  EXPECT_EQ(reports::KB00Line("  neither"), "");
  MarkedSource source({one, two, "  neither", one}, {1, 2, 3});
  reports::VyrobZnovaPP(source);
  EXPECT_EQ(Work(), reports::KB00Line(one) + "\r\n" + reports::KB00Line(two) + "\r\n");
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).back(), "OK");
}

TEST_F(KB00, NoMarkedLineGivesAnEmptyFileFromTheViewersMenu) {
  ostest::WriteRaw(WorkPath(), "old contents\r\n");
  std::string line = " 2";
  At(line, 30, "        1234,50");
  Report("R", 60, {line, line});
  reports::TfPozri& v = reports::fPozri();
  backend.AnswerNextModal([&](ui::Form&) {
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer("VyrobznovaPP1"));
    backend.RightClick(v.sgRol);
    EXPECT_EQ(Work(), "");
    v.ToggleMark(2);
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer("VyrobznovaPP1"));
    backend.RightClick(v.sgRol);
    backend.Press(ui::vk::Esc);
  });
  browser::PrintReport("R");
  EXPECT_EQ(Work(), "1|" + std::string(19, ' ') + "|      123450|" + std::string(15, ' ') + "|    |\r\n");
  EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::Message, "OK"), 2);
}

class RozdelUpom : public ReportTest {
 protected:
  void Split(std::vector<std::string> lines) {
    LinesSource source(std::move(lines));
    reports::RozdelUpom(source);
  }
};

TEST_F(RozdelUpom, ThreePagesGiveThreeFilesWithTheBreakFirst) {
  Split({"a1", "a2", "\fb1", "b2", "\fc1"});
  EXPECT_EQ(Bytes("XXX000.txt"), "a1\r\na2\r\n");
  EXPECT_EQ(Bytes("XXX001.txt"), "\fb1\r\nb2\r\n");
  EXPECT_EQ(Bytes("XXX002.txt"), "\fc1\r\n");
  EXPECT_FALSE(Exists("XXX003.txt"));
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).back(), "Hotovo");
}

TEST_F(RozdelUpom, ABreakOnTheFirstLineStartsAtOneAndLongPagesLoseNothing) {
  std::vector<std::string> lines{"\fhead"};
  for (int i = 1; i <= 150; ++i) lines.push_back("l" + std::to_string(i));
  Split(lines);
  EXPECT_FALSE(Exists("XXX000.txt"));
  const std::string page = Bytes("XXX001.txt");
  EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), 151);
  EXPECT_TRUE(page.ends_with("l150\r\n"));
}

TEST_F(RozdelUpom, StopsBeforeGoingPastPage999) {
  std::vector<std::string> lines;
  for (int i = 0; i < 1001; ++i) lines.push_back("\fp" + std::to_string(i));
  Split(lines);
  EXPECT_EQ(Bytes("XXX001.txt"), "\fp0\r\n");
  EXPECT_EQ(Bytes("XXX999.txt"), "\fp998\r\n");
  EXPECT_EQ(Bytes("XXX000.txt"), "");  // none: the report began with a break
  EXPECT_FALSE(Exists("XXX000.txt"));
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).back(),
            Cz("Sestava má víc než 1000 listů, další listy nejsou zapsány"));
}

class PoklBlok : public ReportTest {
 protected:
  PoklBlok() {
    common::CurrentSession().VatTextDan1 = "21";
    common::CurrentSession().VatTextDan2 = "12";
    common::CurrentSession().CurrencyCode = "CZK";
  }
  static std::string Amount(const std::string& a) { return std::string(14 - a.size(), ' ') + a; }
  // A VAT line: label, base at column 32, tax at 51.
  static std::string Vat(const std::string& label, const std::string& base, const std::string& tax) {
    std::string l = label;
    At(l, 32, Amount(base));
    return At(l, 51, Amount(tax));
  }
  static std::vector<std::string> Receipt(bool income, int copies) {
    std::string title = Cz(income ? "PŘÍJMOVÝ POKLADNÍ DOKLAD" : "VÝDAJOVÝ POKLADNÍ DOKLAD ");
    title += " *** ";
    title += " " + Cz("Příjmový doklad pokladny     ").substr(0, 28);
    title += Cz("Číslo:  ") + "PD00000041" + common::IntToText(copies, 10);
    std::vector<std::string> r = {
        "", "\x12", "-----", title, Cz("nepatří sem"), "DODAVATEL                            ODBERATEL"};
    const char* rows[6][2] = {{"Firma s.r.o.", "Jan Novak"}, {"", ""}, {"Dlouha 1", "Kratka 2"},
                              {"110 00 Praha", "602 00 Brno"}, {"ICO 12345678", "ICO 87654321"},
                              {"DIC CZ12345678", ""}};
    for (auto& row : rows) {
      std::string l = row[0];
      r.push_back(At(l, 38, row[1]));
    }
    r.push_back("under the addresses");
    r.push_back("  1 Zbozi A                 100,00");
    r.push_back("  2 Zbozi B                  50,00");
    std::string date = "Vystavil: Dne 06.12.26";
    r.push_back(At(date, 11 + 30, "            187,00"));
    r.push_back(Cz("S O U Č T Y :"));
    r.push_back(Vat("  Zaklad  0%", "10,00", "0,00"));
    r.push_back(Vat("  Zaklad 21%", "100,00", "21,00"));
    r.push_back(Vat("  Zaklad 12%", "50,00", "6,00"));
    r.push_back(Vat("  C e l k e m :", "160,00", "27,00"));
    r.push_back("Slovy : stoosmdesatsedm");
    r.push_back("after the end");
    return r;
  }
  reports::TfPoklBlok& w = reports::fPoklBlok();
};

TEST_F(PoklBlok, AnExpenseReceiptIsShownWithItsCaptionsAndSums) {
  LinesSource source(Receipt(false, 0));
  backend.AnswerNextModal([&](ui::Form& f) {
    EXPECT_EQ(&f, &w);
    backend.Press(ui::vk::Esc);
  });
  reports::GrafickyPoklDoklad(source);
  EXPECT_EQ(w.lBlok.text(), Cz("Příjmový doklad pokladny    ") + "PD00000041");
  EXPECT_EQ(w.lDodavatel.text(), Cz("Plátce"));
  EXPECT_EQ(w.lOdberatel.text(), Cz("Příjemce"));
  EXPECT_EQ(w.lPrijal.text(), "Zaplatil");
  EXPECT_EQ(w.lVydal.text(), Cz("Přijal"));
  EXPECT_EQ(common::StripRightSp(w.lAd1.text()), "Firma s.r.o.");
  EXPECT_EQ(w.lA1.text(), "Jan Novak");
  EXPECT_EQ(common::StripRightSp(w.lAdDic.text()), "DIC CZ12345678");
  EXPECT_EQ(w.lAICO.text(), "ICO 87654321");
  EXPECT_EQ(w.r1.text(), "  1 Zbozi A                 100,00");
  EXPECT_EQ(w.r2.text(), "  2 Zbozi B                  50,00");
  EXPECT_EQ(w.r3.text(), "");
  EXPECT_EQ(w.sg.Cell(1, 0), Cz("Základ"));
  EXPECT_EQ(w.sg.Cell(0, 2), "DPH 21");
  EXPECT_EQ(w.sg.Cell(1, 2), Amount("100,00"));
  EXPECT_EQ(w.sg.Cell(2, 2), Amount("21,00"));
  EXPECT_EQ(w.sg.Cell(3, 2), common::FormatCurrencyMask("### ### ###.##-", 1210000));
  EXPECT_EQ(w.sg.Cell(3, 1), common::FormatCurrencyMask("### ### ###.##-", 100000));
  EXPECT_EQ(w.sg.Cell(3, 3), common::FormatCurrencyMask("### ### ###.##-", 560000));
  EXPECT_EQ(w.sg.Cell(3, 4), common::FormatCurrencyMask("### ### ###.##-", 1870000) + "CZK");
  EXPECT_EQ(w.lDatum.text(), "Dne 06.12.26  ");
  EXPECT_EQ(w.lCelkem.text(), "Celkem :             187,00");
  EXPECT_EQ(w.lSlovy.text(), "Slovy: stoosmdesatsedm");
}

TEST_F(PoklBlok, AnIncomeReceiptWithTwoCopiesPrintsTwoNumbers) {
  LinesSource source(Receipt(true, 2));
  reports::GrafickyPoklDoklad(source);
  EXPECT_EQ(w.lDodavatel.text(), Cz("Příjemce"));
  EXPECT_EQ(w.lPrijal.text(), Cz("Přijal"));
  ASSERT_EQ(backend.printJobs().size(), 2u);
  const auto has = [&](std::size_t job, const std::string& part) {
    const auto& ops = backend.printJobs()[job].ops;
    return std::any_of(ops.begin(), ops.end(), [&](const std::string& o) { return o.find(part) != std::string::npos; });
  };
  EXPECT_TRUE(has(0, "PD00000041"));
  EXPECT_TRUE(has(1, "PD00000042"));
  EXPECT_FALSE(has(1, "PD00000041"));
  EXPECT_FALSE(has(0, "picture"));  // the blank stays off the paper
  EXPECT_TRUE(has(0, "DPH 21"));    // the summary grid is printed
  EXPECT_TRUE(w.lBlok.text().ends_with("043"));
  EXPECT_TRUE(w.Image1.visible());
  EXPECT_FALSE(w.visible());
}

TEST_F(PoklBlok, TheViewerStartsAtTheCurrentLine) {
  std::vector<std::string> lines = Receipt(false, 0);
  lines[3] = "not a title";  // only the second receipt has a title
  for (const std::string& l : Receipt(true, 0)) lines.push_back(l);
  std::vector<std::string> utf;
  Report("R", 80, {});
  reports::OpenReportOut("R", 80);
  for (const std::string& l : lines) reports::WriteReportLine(l);
  reports::CloseReportOut();
  reports::TfPozri& v = reports::fPozri();
  backend.AnswerNextModal([&](ui::Form&) {
    v.GoToRecord(static_cast<std::int32_t>(Receipt(false, 0).size()) + 1, 1);
    backend.AnswerNextModal([&](ui::Form& f) {
      EXPECT_EQ(&f, &w);
      EXPECT_EQ(w.lDodavatel.text(), Cz("Příjemce"));
      backend.Press(ui::vk::Esc);
    });
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer("Grafickpokldoklad1"));
    backend.RightClick(v.sgRol);
    backend.Press(ui::vk::Esc);
  });
  browser::PrintReport("R");
}

}  // namespace
}  // namespace reporttest
