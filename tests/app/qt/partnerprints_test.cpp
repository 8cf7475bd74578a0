// Prints and the label window on the Qt back end: the money order and a condensed report
// line printed into PDF files and read back, the label window shown with its menu bar and
// spin boxes; the files are left in the build folder for a reviewer to look at.
#include <QFile>
#include <filesystem>
#include <QMenuBar>
#include <QSpinBox>
#include <QWidget>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/process.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "partners/poukazka.h"
#include "partners/stitky.h"
#include "reports/printing.h"
#include "reports/specialforms.h"
#include "tests/common/os_tempdir.h"
#include "ui/backend.h"
#include "tests/app/appkit.h"
#include "ui/qt/qt_backend.h"

namespace {

struct QtPartnerPrints : apptest::AppTest {
  ui::qt::QtBackend qt;
  ~QtPartnerPrints() override {
    partners::DestroyLabelWindows();
    partners::DestroyMoneyOrderWindow();
  }
};

// The text of a PDF file as pdftotext reads it, without blanks and line ends.
std::string PdfText(const std::string& pdf) {
  const std::string txt = pdf + ".txt";
  common::RunOptions o;
  o.timeoutMs = 20000;
  common::RunResult r;
  EXPECT_EQ(common::RunProgram("pdftotext", {pdf, txt}, o, r), 0);
  EXPECT_EQ(r.exitCode, 0);
  std::string text = ostest::ReadRaw(txt), packed;
  for (char c : text)
    if (c != ' ' && c != '\n' && c != '\f') packed += c;
  return packed;
}

// Every box of the money order reads back from the PDF whole: the form is wider than a
// standing A4 page, so it prints on a lying one.
TEST_F(QtPartnerPrints, EveryBoxOfTheMoneyOrderReadsBackFromThePdf) {
  qt.pdfOutput = APP_QT_OUTPUT_DIR "/money_order.pdf";
  QFile::remove(QString::fromStdString(qt.pdfOutput));
  partners::OrgHooks().ownAccount = [] { return partners::OwnAccount{"19-2000145399", "0800"}; };
  partners::TfOrg source("fOrgPdf");
  partners::SetupOrg(source, "org.dta");
  source.RecordBuffer = source.BlankRecord;
  const std::pair<int, const char*> fields[] = {{partners::of::Name, "Žluťoučký kůň s.r.o."},
                                                {partners::of::Street, "Dlouhá 1234"},
                                                {partners::of::Town, "Horní Planá"},
                                                {partners::of::PostalCode, "38226"},
                                                {partners::of::State, "Česká republika"},
                                                {26, "OBJ77"},
                                                {partners::of::Note1, "1234.50"}};
  for (const auto& [field, text] : fields) partners::PutOrgText(source.RecordBuffer, field, common::Cz(text));
  ASSERT_TRUE(partners::PrintMoneyOrder(partners::fPoukazkA(), source, "ORG"));
  source.CloseBrowse();
  // Boxes printed a character per cell may come back in another order: each word whole.
  const std::string text = PdfText(qt.pdfOutput);
  for (const char* word : {"Žluťoučký", "kůň", "s.r.o.", "Dlouhá", "1234", "Horní", "Planá", "38226", "Česká",
                           "republika", "OBJ77", "====1234", "50", "jedentisíc", "dvěstětřicetčtyřikorun", "000019",
                           "2000145399", "0800"})
    EXPECT_NE(text.find(word), std::string::npos) << word << " in " << text;
}

// With no font file, and with the font files the installation ships, the condensed
// density prints its 130 characters on a line.
TEST_F(QtPartnerPrints, ACondensedLineReadsBackWholeWithNoFontFile) {
  qt.pdfOutput = APP_QT_OUTPUT_DIR "/condensed.pdf";
  std::string line;
  for (int i = 0; i < 13; ++i) line += "ABCDEFGHI" + std::to_string(i % 10);
  ASSERT_EQ(line.size(), 130u);
  reports::LinesSource source({line});
  reports::PrintSettings settings;
  settings.density = 3;
  for (const bool shipped : {false, true}) {
    FlushParams();  // the font files are read through the parameter cache
    if (shipped)
      for (const char* f : {"norm.fnt", "12zn.fnt", "cond.fnt"})
        std::filesystem::copy_file(std::string(REPORTS_FONTS "/") + f, dir / f);
    QFile::remove(QString::fromStdString(qt.pdfOutput));
    auto canvas = ui::BeginPrint("condensed");
    reports::PrintOnCanvas(source, *canvas, settings);
    canvas->EndDoc();
    EXPECT_NE(PdfText(qt.pdfOutput).find(line), std::string::npos) << (shipped ? "shipped fonts" : "no font file");
  }
  // The face the shipped files name is the one printed with.
  const std::string fonts = qt.pdfOutput + ".fonts";
  common::RunOptions o;
  o.outputFile = fonts;
  common::RunResult r;
  ASSERT_EQ(common::RunProgram("pdffonts", {qt.pdfOutput}, o, r), 0);
  EXPECT_NE(ostest::ReadRaw(fonts).find("DejaVuSansMono"), std::string::npos) << ostest::ReadRaw(fonts);
}

TEST_F(QtPartnerPrints, LabelWindowShowsItsMenuBarAndSpinBoxes) {
  partners::TfStitky& w = partners::fStitky();
  w.Show();
  QWidget* window = qt.WidgetOf(w);
  ASSERT_NE(window, nullptr);
  auto* menu = window->findChild<QMenuBar*>();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 3);
  EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("Výber adres"));
  auto* spin = qobject_cast<QSpinBox*>(qt.WidgetOf(w.SpinEdit1));
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->value(), 2);
  EXPECT_EQ(spin->maximum(), 9);
  EXPECT_TRUE(window->grab().save(QString(APP_QT_OUTPUT_DIR) + "/labels.png"));
  w.Hide();
}

}  // namespace
