// Text files saved by a Windows editor end at their end-of-file byte (^Z): every reader
// that shows or parses text stops there, with or without a line end before it and
// whatever follows it (a CSV only at its end mark); the instructions window writes what
// followed back as it was.
#include <filesystem>
#include <functional>

#include "app/payrolltools.h"
#include "app/printpartners.h"
#include "backup/copystore.h"
#include "browser/hint.h"
#include "codelists/cashkeys.h"
#include "codelists/csvregs.h"
#include "codelists/rows.h"
#include "common/convert.h"
#include "common/dirs.h"
#include "common/pascal.h"
#include "common/encoding.h"
#include "common/startup.h"
#include "common/text.h"
#include "common/winpath.h"
#include "partners/oneoff.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "partners/orgtools.h"
#include "reports/printfiles.h"
#include "tests/app/textendkit.h"

namespace {

using common::Cz;

using TextEndOfFile = apptest::TextFileTest;

TEST_F(TextEndOfFile, EveryReaderOfTextStopsAtTheEndOfFileByte) {
  struct Reader {
    const char* what;
    const char* file;                  // in the start folder
    std::vector<std::string> lines;    // the text, UTF-8 (written in Windows-1250)
    std::string tail;                  // after the ^Z: more of what the reader takes
    std::function<std::string(const std::string& bytes)> read;
    std::string seen;                  // UTF-8
    bool utf8 = false;                 // lines and tail written as they stand
  };
  using Strings = std::vector<std::string>;
  const std::vector<Reader> readers{
      {"drive map", "drives.map", {"# mapa", "X: /srv/ucto/data"}, "Z: /srv/jinde\r\nchyba\r\n",
       [&](const std::string&) {
         common::LoadDriveMap();
         return common::Drives().Folder("X") + ";" + common::Drives().Folder("Z");
       },
       "/srv/ucto/data/;"},
      {"ZUJ from CSV", "zuj.csv", {"h1", "h2", "a;b;c;1234;e;Obec A;g;h;i;j;k;l;42", "a;b;c;5;e;Obec B;g;h;i;j;k;l;7"},
       "a;b;c;6;e;Obec C;g;h;i;j;k;l;8\r\n",
       [&](const std::string&) { return Register(codelists::fZuj(), codelists::SetupZuj, "ZUJ", "zuj.csv", 45, {{0, 6}, {7, 30}, {38, 6}}); },
       "2: 001234 Obec A 000042|000005 Obec B 000007"},
      {"ISCO from CSV", "isco.csv", {"1", "2", "3", "2111;Fyzik", "3111;Technik"}, "4111;Úředník\r\n",
       [&](const std::string&) { return Register(codelists::fISCO(), codelists::SetupISCO, "ISCO", "isco.csv", 87, {{0, 5}, {6, 80}}); },
       "2: 21110 Fyzik|31110 Technik"},
      {"countries from CSV", "zeme.csv", {"1", "2", "3", "x;CZ;x;x;Česko", "x;DE;x;x;Německo"}, "x;AT;x;x;Rakousko\r\n",
       [&](const std::string&) { return Register(codelists::fZeme(), codelists::SetupZeme, "ZEME", "zeme.csv", 34, {{0, 2}, {3, 30}}); },
       "2: CZ Česko|DE Německo"},
      // The code page is judged on the text alone: a tail that is no UTF-8 does not count.
      {"countries from a UTF-8 CSV", "zeme.csv", {"1", "2", "3", "x;CZ;x;x;Česko"}, "x;AT;x;x;Rak\xF6usko\r\n",
       [&](const std::string&) { return Register(codelists::fZeme(), codelists::SetupZeme, "ZEME", "zeme.csv", 34, {{0, 2}, {3, 30}}); },
       "1: CZ Česko [Soubor ~/zeme.csv byl v kódování UTF-8, texty jsou převedeny do Windows-1250]", true},
      {"Naber CSV2 Hubra", "data/org.csv", {"12345678;;Dub;Brno;1/2", "87654321;;Buk;Praha;1/3"}, "1;;Jasan;Kolín;1/4\r\n",
       [&](const std::string&) { return Partner(partners::ImportHubra); },
       "|Dub|||Buk|| 1/2|1/3 [Ze souboru ~/data/org.csv přidáno partnerů: 2, čísla 1 až 2]"},
      {"Naber CSV Lufri", "data/org.csv", {"1;2;Dub;u;m;60200;1;2;3;4;5"}, "2;3;Buk;u;m;60200;1;2;3;4;6\r\n",
       [&](const std::string&) { return Partner(partners::ImportLufri); },
       "|Dub|Tuny:1 KM:2 Hod:3|Voz:4 Obj:5  [Ze souboru ~/data/org.csv přidáno partnerů: 1, číslo 1]"},
      {"Naber CSV", "data/org.csv", {"1;2;;;;;;8;9;Dub;a.s.;Dlouha;5;Brno;60200"}, "1;2;;;;;;8;9;Buk;;;;;\r\n",
       [&](const std::string&) {
         return Partner([](partners::TfOrg& w) { partners::ImportCsv(w, common::DataDir("org.csv")); });
       },
       "|Dub a.s.|9|8 "},
      {"help text", "prog/2/serv.hlp", {"Servis", "$ [Parametry]", "text"}, "$ [Jiné]\r\nnavíc\r\n",
       [&](const std::string&) {
         browser::ShowHelpTopic("2\\serv", "Parametry");
         std::string lines;
         for (const std::string& line : common::SplitTextLines(Get("help.txt"))) lines += "|" + common::StripRightSp(line);
         return lines;
       },
       "|Servis|$ [Parametry]|text"},
      {"instructions", "NAVODY/fOrg.nav", {"Návod", "&značka", "Další řádek"}, "Skryto\r\n",
       [&](const std::string&) {
         browser::fHint().Editable = false;
         return Hint({});
       },
       "|Návod|Další řádek"},
      {"instructions written back after F2", "NAVODY/fOrg.nav", {"Návod"}, "Skryto\r\n",
       [&](const std::string& bytes) {
         Hint([&](browser::TfHint& h) {
           backend.Focus(h.Memo1);
           backend.Press(ui::vk::F(2));
           h.Memo1.UserSetText(Cz("Nový text"));
         });
         // What followed the ^Z stays as it was, behind the edited text.
         const std::string tail = bytes.substr(std::min(bytes.find('\x1A'), bytes.size()));
         const std::string file = Get("NAVODY/fOrg.nav"), marker = "&" + Path("NAVODY/") + "fOrg.nav\r\n";
         const bool kept = file == Cz("Nový text\r\n") + marker + tail;
         const std::string shown = Hint({});
         browser::fHint().Editable = false;
         return (kept ? std::string() : "file: " + file + "; ") + "shown again:" + shown;
       },
       "shown again:|Nový text"},
      {"layout", "prog/dlib/ci99.pol", {"type t = record", "KOD : string[5]; { \"Kod\" \"X\" }", "end;"},
       "VOLNO : string[9]; { \"Volno\" \" \" }\r\n",
       [&](const std::string&) {
         common::toPol pol;
         std::string reason, names;
         if (!common::LoadLayout(common::ProgDir("\\dlib\\ci99.pol"), "ci99", pol, reason)) return reason;
         for (const common::PolItem& it : pol.items) names += "|" + it.name;
         return names + " " + std::to_string(pol.recordLength);
       },
       "|KOD 6"},
      {"partner captions", "prog/dlib/org.pol", {"ICO : string[8]; { \"IČO\" \" \" }"}, "VOLNO : string[9]; { \"Volno\" \" \" }\r\n",
       [&](const std::string&) {
         Strings captions;
         app::ReadPartnerCaptions(common::ProgDir("\\dlib\\org.pol"), captions);
         return captions.empty() ? std::string() : captions[0] + " of " + std::to_string(captions.size());
       },
       "IČO of 1"},
      {"backup masks", "prog/2/x.bck", {"*.PAR", " UCT*.DTA "}, "*.*\r\n",
       [&](const std::string& bytes) {
         std::string masks;
         for (const std::string& m : backup::MaskLines(bytes)) masks += "|" + m;
         return masks;
       },
       "|*.PAR|UCT*.DTA"},
      {"code list rows", "data/rozvaha.txt", {"<Aktiva>", "<Pasiva>"}, "<Navíc>\r\n",
       [&](const std::string&) {
         Strings lines;
         codelists::ReadRawLines(Path("data/rozvaha.txt"), lines);
         std::string out;
         for (const std::string& line : lines) out += "|" + line.substr(0, line.find('\r'));
         return out;
       },
       "|<Aktiva>|<Pasiva>"},
      {"printer codes", "prog/2/tisk.dst", {"INIT 27,64", "NORM 18"}, "\r\nCOND 99\r\n",
       [&](const std::string&) {
         const reports::PrinterControlCodes c = reports::ReadPrinterControl(common::ProgDir("\\2\\tisk.dst"));
         return c.init + "/" + c.norm + "/" + c.cond;
       },
       "\x1B@/\x12/"},
      {"cash keys", "data/klice.dta", {"Hotovost", "Banka"}, "Navíc\r\n",
       [&](const std::string&) {
         std::filesystem::remove(Path("data/klicew.dta"));
         codelists::CreateCashKeyFile();
         return Records(Get("data/klicew.dta").substr(0, 3 * codelists::kCashKeyLength), codelists::kCashKeyLength, {{0, 27}});
       },
       "Hotovost|Banka|"},
      {"supplement fields", "dodatky.txt", {"KOD1", "Popis jedna"}, "KOD9\r\nNavíc\r\n",
       [&](const std::string&) {
         app::WriteSupplementLayout(Path("dodatky.txt"), Path("PrDod.pol"));
         return std::to_string(common::SplitTextLines(Get("PrDod.pol")).size()) + " lines";
       },
       "5 lines"},
  };
  const struct {
    const char* what;
    std::function<std::string(const std::string& text, const std::string& tail)> make;
    bool textAfter = false;  // a CSV with text after its ^Z is refused (csvend_test.cpp)
  } endings[] = {
      {"no end-of-file byte", [](const std::string& t, const std::string&) { return t + "\r\n"; }},
      {"^Z after the last CR LF", [](const std::string& t, const std::string&) { return t + "\r\n\x1A"; }},
      {"^Z ending the last line", [](const std::string& t, const std::string&) { return t + "\x1A"; }},
      {"text after the ^Z", [](const std::string& t, const std::string& tail) { return t + "\r\n\x1A" + tail; }, true},
      {"text right after the ^Z ending the last line",
       [](const std::string& t, const std::string& tail) { return t + "\x1A" + tail + "\x1A" + tail; }, true},
  };
  for (const Reader& r : readers) {
    std::string text;
    for (const std::string& line : r.lines) text += (text.empty() ? "" : "\r\n") + (r.utf8 ? line : Cz(line));
    for (const auto& e : endings) {
      if (e.textAfter && std::string_view(r.file).ends_with(".csv")) continue;
      SCOPED_TRACE(std::string(r.what) + ", " + e.what);
      for (const char* drive : {"X", "Z"}) common::Drives().Remove(drive);
      const std::string bytes = e.make(text, r.utf8 ? r.tail : Cz(r.tail));
      Put(r.file, bytes);
      EXPECT_EQ(common::Win1250ToUtf8(Said([&] { return r.read(bytes); })), r.seen);
    }
  }
}

}  // namespace
