// Printer control files, print fonts and the preparation of a line for printing.
#include "tests/reports/reportkit.h"

#include "common/codepages.h"
#include "common/errors.h"
#include "reports/printfiles.h"

namespace reporttest {
namespace {

using namespace reports;

class PrinterControl : public ReportTest {};

TEST_F(PrinterControl, CodeTextsGiveTheirBytes) {
  struct Case {
    std::string text, bytes;
  } cases[] = {
      {"27 64", "\x1b@"},
      {"#27,\"M\" {elite}", "\x1bM"},
      {"$0F", "\x0f"},
      {"$1B$45", "\x1b\x45"},
      {"27,15 18", "\x1b\x0f\x12"},
      {"{a comment 99} 12", "\x0c"},
      {"\"A\"\"B\"", "AB"},
      {"", ""},
      {"  7  ", "\x07"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseCodeText(c.text), c.bytes) << c.text;
}

TEST_F(PrinterControl, FileKeysAndTheDefaultsWithoutAFile) {
  Put("2/EPSON.dst", "INIT 27 64\r\nELIT #27,\"M\" {elite}\r\nCOND $0F\r\nxxxx 1 2 3\r\nnorm 5\r\n");
  const PrinterControlCodes codes = ReadPrinterControl("2\\EPSON.dst");
  EXPECT_EQ(codes.init, "\x1b@");
  EXPECT_EQ(codes.elit, "\x1bM");
  EXPECT_EQ(codes.cond, "\x0f");
  EXPECT_EQ(codes.norm, "");  // keys are upper case, compared exactly
  for (const std::string& name : {std::string("2\\NONE.dst"), std::string("2\\SHORT.dst")}) {
    if (name == "2\\SHORT.dst") Put("2/SHORT.dst", "IN");
    const PrinterControlCodes d = ReadPrinterControl(name);
    EXPECT_EQ(d.init, "") << name;
    EXPECT_EQ(d.norm, "\x12") << name;
    EXPECT_EQ(d.elit, "\x1bM") << name;
    EXPECT_EQ(d.cond, "\x0f") << name;
    EXPECT_EQ(d.ForMode(kCondensed), "\x0f");
    EXPECT_EQ(d.ForMode(3), "");
  }
}

class PrintFont : public ReportTest {};

TEST_F(PrintFont, AllKeysAndScalingFrom300Dpi) {
  Put("norm.fnt",
      "Height : -50\r\nWidth : 25\r\nEscapement : 900\r\nOrientation : 900\r\nWeight : 700\r\nItalic : 1\r\n"
      "Underline : 1\r\nStrikeOut : 1\r\nCharset : 238\r\nOutPrecision : 3\r\nClipPrecision : 2\r\nQuality : 1\r\n"
      "PitchAndFamily : 49\r\nFaceName : Courier New\r\n");
  const PrintFontSpec f = ReadPrintFont("norm.fnt");
  EXPECT_EQ(f.height, -50);
  EXPECT_EQ(f.width, 25);
  EXPECT_EQ(f.escapement, 900);
  EXPECT_EQ(f.orientation, 900);
  EXPECT_EQ(f.weight, 700);
  EXPECT_EQ(f.italic + f.underline + f.strikeOut, 3);
  EXPECT_EQ(f.charset, 238);
  EXPECT_EQ(f.outPrecision, 3);
  EXPECT_EQ(f.clipPrecision, 2);
  EXPECT_EQ(f.quality, 1);
  EXPECT_EQ(f.pitchAndFamily, 49);
  EXPECT_EQ(f.faceName, "Courier New");
  const ui::Font font = ToPrinterFont(f, 600, 600);
  EXPECT_EQ(font.pixelHeight, -100);
  EXPECT_EQ(font.averageWidth, 50);
  EXPECT_TRUE(font.bold && font.italic && font.underline && font.strikeOut);
  EXPECT_EQ(font.escapement, 900);
  EXPECT_EQ(ToPrinterFont(PrintFontSpec{}, 600, 600).name, "Courier New");  // an empty face: fixed pitch
}

TEST_F(PrintFont, ValuesThatDoNotFitStopWithARangeError) {
  Put("a.fnt", "Italic : 256\r\n");
  EXPECT_THROW(ReadPrintFont("a.fnt"), common::RangeError);
  Put("b.fnt", "FaceName : " + std::string(32, 'F') + "\r\n");
  EXPECT_THROW(ReadPrintFont("b.fnt"), common::RangeError);
  Put("c.fnt", "FaceName : " + std::string(31, 'F') + "\r\n");
  EXPECT_EQ(ReadPrintFont("c.fnt").faceName.size(), 31u);
}

// A font file is judged by what it holds, never by its size: one that names its face
// stays however short; one without is replaced, unless the default has none either.
TEST_F(PrintFont, FontsAreSeededWhenTheyHoldNoFaceNameWhateverTheirSize) {
  const std::string big = "Height : -40\r\n" + std::string(220, ' ') + "\r\nFaceName : Seed Mono\r\n";
  const std::string small12 = "Height : 33\r\nWidth : 16\r\nFaceName : Courier New\r\n";
  Put("2/norm.fnt", big);
  Put("2/12zn.fnt", "Height : -33\r\nFaceName : Seed Mono\r\n");
  Put("2/cond.fnt", "Height : -99\r\n");  // a default without a face
  Put("norm.fnt", "Height : -1\r\n");
  Put("12zn.fnt", small12);
  Put("cond.fnt", "Height : -2\r\n");
  (void)common::ReadParam("norm.fnt", "Height");  // cached before it is replaced
  SeedPrintFonts();
  EXPECT_EQ(Bytes("norm.fnt"), big);
  EXPECT_EQ(common::ReadParam("norm.fnt", "Height"), "-40");
  EXPECT_EQ(Bytes("12zn.fnt"), small12);
  EXPECT_EQ(Bytes("cond.fnt"), "Height : -2\r\n");
  const std::vector<std::string> said = notes.Texts(common::RecordingNotifier::Kind::Message);
  EXPECT_EQ(said, (std::vector<std::string>{
                      Cz("Soubor písma norm.fnt nemá název písma (FaceName), nahrazen výchozím z \\2\\norm.fnt"),
                      Cz("Soubor písma cond.fnt nemá název písma (FaceName); výchozí \\2\\cond.fnt je také poškozen, "
                         "soubor zůstává")}));
  SeedPrintFonts();  // nothing more to replace, nothing said again
  EXPECT_EQ(Bytes("norm.fnt"), big);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).size(), 2u);
}

class PrintLine : public ReportTest {};

TEST_F(PrintLine, PreparationByTheDiacriticsSetting) {
  const std::string line = Cz("Žluťoučký kůň;úpěl   ");
  PrintSettings s;
  EXPECT_EQ(PrepareWindowsLine(line, s), Cz("Žluťoučký kůň;úpěl"));
  common::CurrentSession().SemicolonOut = 1;
  EXPECT_EQ(PrepareWindowsLine(line, s), Cz("Žluťoučký kůň úpěl"));
  s.diakTisk = " N ";
  EXPECT_EQ(PrepareWindowsLine(line, s), "Zlutoucky kun upel");
  EXPECT_EQ(common::CurrentSession().PrintMode, 5);
  s.diakTisk = "k";
  EXPECT_EQ(PrepareLptLine(line, s), common::Cp1250ToKamenicky(Cz("Žluťoučký kůň úpěl")));
  s.diakTisk = "L";
  EXPECT_EQ(PrepareLptLine(line, s), common::Cp1250ToCp852(Cz("Žluťoučký kůň úpěl")));
  s.diakTisk = "";
  EXPECT_EQ(PrepareLptLine(line, s), "Zlutoucky kun upel");
}

TEST_F(PrintLine, SplitAtTheSwitchCharacters) {
  const auto pieces = SplitLine("\x0f" "ab\x0e" "cd\x07" "e\x10\x12");
  ASSERT_EQ(pieces.size(), 8u);
  EXPECT_EQ(pieces[0].kind, LinePiece::Switch);
  EXPECT_EQ(pieces[0].mode, 15);
  EXPECT_EQ(pieces[1].text, "ab");
  EXPECT_EQ(pieces[2].mode, 14);
  EXPECT_EQ(pieces[3].text, "cd");
  EXPECT_EQ(pieces[4].kind, LinePiece::Suple);
  EXPECT_EQ(pieces[5].text, "e");
  EXPECT_EQ(pieces[6].kind, LinePiece::Smik);
  EXPECT_EQ(pieces[7].mode, 18);
  EXPECT_TRUE(SplitLine("").empty());
}

TEST_F(PrintLine, SettingsComeFromTheRegistryAndTheJobFile) {
  common::WriteParam(kRegistryFile, "Hustota", " 3");
  common::WriteParam(kRegistryFile, "OpakovatTisk", "  2");
  Job("TOPLIST", "3");
  Job("TAB", "4");
  Job("TISKARNA", "EPSON");
  Job("LPT", "0");
  Job("F10FF", "A");
  const PrintSettings s = PrintSettings::Load();
  EXPECT_EQ(s.density, 3);
  EXPECT_EQ(s.copies, 2);
  EXPECT_EQ(s.topLines, 3);
  EXPECT_EQ(s.tab, 4);
  EXPECT_EQ(s.printer, "EPSON");
  EXPECT_EQ(s.port, 1);
  EXPECT_TRUE(s.formFeedAtEnd);
}

}  // namespace
}  // namespace reporttest
