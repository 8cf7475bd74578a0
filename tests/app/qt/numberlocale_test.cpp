// The files the program writes do not depend on the desktop's language. The toolkit
// takes the C library's locale from the system as it starts, once a process, so each
// system locale gets a process of its own: this binary again, started under that
// locale, runs the program's writers on the Qt back end; the files of a Czech run must
// be those of a C.UTF-8 run byte for byte, time stamps apart.
#include <QLocale>
#include <clocale>
#include <locale.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/soub.h"
#include "common/clock.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/params.h"
#include "common/process.h"
#include "common/startup.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "partners/poukazka.h"
#include "payroll/jhbuild.h"
#include "reports/xlsexport.h"
#include "tests/app/appkit.h"
#include "tests/payroll/payrollkit.h"
#include "ui/qt/qt_backend.h"

namespace {

namespace fs = std::filesystem;
using common::Cz;

constexpr char kOutVariable[] = "NUMBER_LOCALE_OUT";
constexpr char kWriters[] = "QtNumberLocale.DISABLED_WritersRunUnderTheSystemLocale";

// Amounts, a rate and a date as a price list holds them.
class Prices : public browser::TfSoub {
 public:
  Prices() : TfSoub("fPrices") {}
  void Open() {
    FieldCount = 4;
    using browser::FieldSetup;
    browser::SetFieldDescriptor(Field(1), FieldSetup().Caption(Cz("Kód")).At(1, 1).Picture("X").Initial("     "));
    browser::SetFieldDescriptor(Field(2), FieldSetup().Caption(Cz("Cena")).At(1, 2).Picture("#######.##C").Initial(std::string(10, ' ')));
    browser::SetFieldDescriptor(Field(3), FieldSetup().Caption("Kurz").At(1, 3).Picture("###.###").Initial(std::string(7, ' ')));
    browser::SetFieldDescriptor(Field(4), FieldSetup().Caption("Datum").At(1, 4).Picture("D").Initial("      "));
    browser::BrowseSetup s;
    s.fileName = "CENY.DTA";
    s.fieldCount = 4;
    s.recordLength = browser::LayoutLength(FieldSpan());
    s.grid = {1, 1, 80, 10};
    OpenBrowse(s);
  }
  void Add(const std::string& code, const std::string& price, const std::string& rate, const std::string& date) {
    const std::string values[] = {code, price, rate, date};
    for (int i = 1; i <= 4; ++i) Field(i).value = values[i - 1];
    RecordBuffer.assign(static_cast<std::size_t>(RecordLength), '\0');
    FieldsToRecord();
    ASSERT_TRUE(AppendRecord());
  }
};

struct QtNumberLocale : apptest::AppTest {
  common::FakeClock clock{{2026, 12, 7, 9, 5, 7, 0}};
  common::ScopedClock scopedClock{clock};
  ui::qt::QtBackend qt;  // as the program starts: the toolkit, then its back end
  ~QtNumberLocale() override { partners::DestroyMoneyOrderWindow(); }
};

// Run only as the child of the comparison below, under the locale it was given.
TEST_F(QtNumberLocale, DISABLED_WritersRunUnderTheSystemLocale) {
  const char* out = std::getenv(kOutVariable);
  ASSERT_NE(out, nullptr) << "started without " << kOutVariable;
  // The toolkit took the system's locale; its own texts are Czech.
  ASSERT_STREQ(std::setlocale(LC_MESSAGES, nullptr), std::getenv("LANG")) << "the locale could not be set";
  EXPECT_EQ(QLocale().toString(1234.5), QString::fromUtf8("1\u00a0234,5"));
  common::LoadStartupConfig();

  // The workbook of "Soubory pro Excel": numbers of the types 8, 12 and 14.
  reports::XlsExportSettings().openDocument = false;
  fs::create_directories(dir / "XLS");
  ostest::WriteRaw(dir / "XLS/ZKOUS.CSV", "Kod;Castka;Mnozstvi;Kurz;Datum;\r\n00;08;12;14;09;\r\n"
                                          "A;1234,5;-5,25;0,125;120624;\r\nB;7;1,5;-0,001;311224;\r\n");
  EXPECT_EQ(reports::ExportToExcel("ZKOUS", false), "XLS\\ZKOUS.xlsx");

  // A list's two exports, and the workbook made of its ";"-separated one.
  Prices list;
  list.Open();
  list.DbfFolder = "dbf\\";
  list.Add("A1", "1234,5", "25,125", "05.12.26");
  list.Add("B2", "-0,25", "0,5", "");
  list.ExportListToExcel();
  list.ExportToDbf();
  list.CloseBrowse();
  EXPECT_EQ(reports::ExportToExcel("CENY", false), "XLS\\CENY.xlsx");

  // The registration XML of the payroll module.
  payrolltest::TermSpec firm, number, amount;
  firm.key = "10100", number.key = "10101", amount.key = "10200";
  firm.prihl = number.prihl = amount.prihl = "1";
  fs::create_directories(dir / "prog/MZ8/JMHZ");
  ostest::WriteRaw(dir / "prog/MZ8/JMHZ/JHcis.dta",
                   payrolltest::Term(firm) + payrolltest::Term(number) + payrolltest::Term(amount));
  const std::pair<const char*, const char*> templates[] = {
      {"PrihlA.mat", "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<prihlaska firma=\"#10100#\">\r\n"},
      {"PrihlB.mat", "<zam cislo=\"#10101#\" castka=\"#10200#\"/>\r\n"},
      {"PrihlC.mat", "</prihlaska>\r\n"}};
  for (const auto& [name, text] : templates) ostest::WriteRaw(dir / (std::string("prog/MZ8/JMHZ/") + name), text);
  ostest::WriteRaw(dir / "data/JHprihl.dta", payrolltest::Row("     ", "10100", "Firma") +
                                                 payrolltest::Row("00004", "10101", "A") +
                                                 payrolltest::Row("00004", "10200", "1234.50"));
  EXPECT_TRUE(payroll::BuildRegistrationXml(dir / "data/JHprihl.dta", common::DataDir("\\JH\\PRIHLASKA.XML"), {}));

  // The money order's amounts, printed into a PDF file.
  qt.pdfOutput = dir / "poukazka.pdf";
  partners::OrgHooks().ownAccount = [] { return partners::OwnAccount{"19-2000145399", "0800"}; };
  partners::TfOrg source("fOrgLocale");
  partners::SetupOrg(source, "org.dta");
  source.RecordBuffer = source.BlankRecord;
  partners::PutOrgText(source.RecordBuffer, partners::of::Name, Cz("Žluťoučký kůň s.r.o."));
  partners::PutOrgText(source.RecordBuffer, partners::of::Note1, "1234.50");
  EXPECT_TRUE(partners::PrintMoneyOrder(partners::fPoukazkA(), source, "ORG"));
  source.CloseBrowse();
  partners::OrgHooks() = {};

  FlushParams();  // the parameter files as the end of a run writes them
  fs::copy(dir.path(), out, fs::copy_options::recursive);
  for (const char* own : {"data.adr", "prog.adr"}) fs::remove(fs::path(out) / own);  // the test's, naming its folder
}

// The names of the files below a folder, relative to it.
std::vector<std::string> FilesUnder(const fs::path& root) {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).string());
  return files;
}

// A file's bytes without what tells when it was made: the workbook's parts one by one
// (the archive keeps their times) without its creation time, a PDF without its date.
std::string WithoutTimes(const fs::path& file, const fs::path& scratch) {
  const std::string ext = file.extension().string();
  if (ext == ".xlsx") {
    common::RunOptions o;
    o.outputFile = (scratch / "unzip.out").string();
    common::RunResult r;
    std::string parts;
    if (common::RunProgram("unzip", {"-Z1", file.string()}, o, r) != 0 || r.exitCode != 0) return "not a workbook";
    const std::string list = ostest::ReadRaw(o.outputFile);
    for (std::size_t at = 0, end; (end = list.find('\n', at)) != std::string::npos; at = end + 1) {
      const std::string part = list.substr(at, end - at);
      // unzip takes a name as a pattern: "[" stands for itself only as "[[]".
      const std::string pattern = std::regex_replace(part, std::regex(R"(\[)"), "[[]");
      if (common::RunProgram("unzip", {"-p", file.string(), pattern}, o, r) != 0 || r.exitCode != 0)
        return "unreadable: " + part;
      parts += "== " + part + "\n" + ostest::ReadRaw(o.outputFile) + "\n";
    }
    return std::regex_replace(parts, std::regex("(<dcterms:(created|modified)[^>]*>)[^<]*"), "$1");
  }
  std::string bytes = ostest::ReadRaw(file.string());
  if (ext == ".pdf") {
    bytes = std::regex_replace(bytes, std::regex(R"(/CreationDate \([^)]*\))"), "/CreationDate ()");
  }
  return bytes;
}

TEST(QtProgramFiles, EveryFileIsTheSameUnderACzechSystemLocaleAsUnderC) {
  // Without the Czech locale the toolkit would take "C" and this would prove nothing.
  const locale_t czech = newlocale(LC_ALL_MASK, "cs_CZ.UTF-8", static_cast<locale_t>(nullptr));
  ASSERT_NE(czech, static_cast<locale_t>(nullptr)) << "the locale cs_CZ.UTF-8 is not installed: ./setup makes it";
  freelocale(czech);
  ostest::TempDir scratch;
  const fs::path self = fs::read_symlink("/proc/self/exe");
  std::map<std::string, std::map<std::string, std::string>> runs;
  for (const std::string locale : {"C.UTF-8", "cs_CZ.UTF-8"}) {
    const fs::path out = scratch / locale;
    common::RunOptions o;
    o.outputFile = scratch / (locale + ".log");
    o.timeoutMs = 240000;
    common::RunResult r;
    std::vector<std::string> args;
    for (const char* v : {"LC_ALL", "LC_CTYPE", "LC_NUMERIC", "LC_TIME", "LC_COLLATE", "LC_MONETARY", "LC_MESSAGES",
                          "LANGUAGE"})
      args.insert(args.end(), {"-u", v});
    // A fixed hash seed: the toolkit writes a PDF's fonts in the order of its hash.
    args.insert(args.end(), {"LANG=" + locale, "QT_QPA_PLATFORM=offscreen", "QT_HASH_SEED=0",
                             std::string(kOutVariable) + "=" + out.string(),
                             self.string(), "--gtest_also_run_disabled_tests", std::string("--gtest_filter=") + kWriters});
    ASSERT_EQ(common::RunProgram("env", args, o, r), 0);
    ASSERT_EQ(r.exitCode, 0) << locale << ":\n" << ostest::ReadRaw(o.outputFile);
    for (const std::string& name : FilesUnder(out)) runs[locale][name] = WithoutTimes(out / name, scratch.path());
  }
  const auto& c = runs["C.UTF-8"];
  const auto& cs = runs["cs_CZ.UTF-8"];
  for (const char* made : {"XLS/ZKOUS.xlsx", "XLS/CENY.CSV", "XLS/CENY.xlsx", "dbf/CENY.DBF", "data/JH/PRIHLASKA.XML",
                           "poukazka.pdf"})
    EXPECT_EQ(c.count(made), 1u) << made << " was not written";
  EXPECT_NE(c.at("XLS/ZKOUS.xlsx").find("<v>1234.5</v>"), std::string::npos);
  for (const auto& [name, bytes] : c) {
    const auto other = cs.find(name);
    if (other == cs.end()) {
      ADD_FAILURE() << name << " is not written under cs_CZ.UTF-8";
      continue;
    }
    if (other->second == bytes) continue;
    std::size_t at = 0;
    while (at < bytes.size() && at < other->second.size() && bytes[at] == other->second[at]) ++at;
    const std::size_t from = at < 60 ? 0 : at - 60;
    ADD_FAILURE() << name << " differs under cs_CZ.UTF-8 at " << at << ":\n  C:     " << bytes.substr(from, 140)
                  << "\n  cs_CZ: " << other->second.substr(from, 140);
  }
  for (const auto& [name, bytes] : cs)
    if (!c.count(name)) ADD_FAILURE() << name << " is written only under cs_CZ.UTF-8";
}

}  // namespace
