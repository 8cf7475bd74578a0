// The combined code-list file: piece layouts, the split with its lossless guard, the
// assembly and the file sort, over files in a scratch data folder.
#include <filesystem>
#include <functional>
#include <map>

#include <gtest/gtest.h>

#include "combined/ci01sort.h"
#include "combined/ci2005.h"
#include "combined/fci92.h"
#include "combined/pieces.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/jobfile.h"
#include "common/numbers.h"
#include "common/winpath.h"
#include "common/locking.h"
#include "common/session.h"
#include "common/text.h"
#include "tests/browser/soubkit.h"

namespace {

using combined::Ci01Record;

Ci01Record R(std::string ts, std::string klic, std::string p, std::string cv, std::array<std::string, 5> u = {},
             std::string date = "260101") {
  Ci01Record r;
  r.ts = ts;
  r.klic = klic;
  r.p = p;
  r.cv = cv;
  for (int i = 0; i < 5; ++i) r.u[i] = u[i].empty() ? "      " : common::Cz(u[i]);
  r.date = date;
  return r;
}

std::string Bytes(const std::vector<Ci01Record>& recs) {
  std::string s;
  for (const auto& r : recs) s += r.Bytes();
  return s;
}

std::vector<std::string> Split(const std::string& data, std::size_t length) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at + length <= data.size(); at += length) out.push_back(data.substr(at, length));
  return out;
}

// The split without files: what each piece received.
std::map<int, std::vector<std::string>> SplitRecords(const std::vector<Ci01Record>& recs) {
  std::map<int, std::vector<std::string>> out;
  combined::Splitter s;
  s.write = [&](int list, const std::string& rec) { out[list].push_back(rec); };
  for (const auto& r : recs) s.Add(r.Bytes());
  s.Finish();
  return out;
}

std::string Field(int list, const std::string& rec, const char* captionUtf8, int nth = 1) {
  const combined::PieceSpec& spec = *combined::FindPiece(list);
  for (int i = 0; i < static_cast<int>(spec.fields.size()); ++i)
    if (spec.fields[i].caption == common::Cz(captionUtf8) && --nth == 0) return spec.Get(rec, i);
  ADD_FAILURE() << "no field " << captionUtf8;
  return {};
}

TEST(Ci01Pieces, LayoutsHaveTheirLengthsAndOffsets) {
  const std::map<int, int> lengths = {{10, 79},  {11, 302}, {14, 168}, {15, 272}, {20, 53},
                                      {21, 57},  {22, 64},  {23, 53},  {26, 300}, {27, 289},
                                      {28, 645}, {30, 104}, {61, 186}, {62, 41},  {63, 26}};
  ASSERT_EQ(combined::PieceSpecs().size(), lengths.size());
  for (const auto& spec : combined::PieceSpecs()) EXPECT_EQ(spec.length, lengths.at(spec.list)) << spec.list;
  struct { int list; const char* caption; int offset; } offsets[] = {
      {10, "Datum změny", 72}, {10, "Saldo", 70}, {11, "10.Stř. D", 289}, {15, "10.skladový účet", 242},
      {26, "Text", 219}, {28, "Kam", 314}, {30, "Účet skladu", 72}, {61, "Rozúčtuj Dal dle OSČ", 177},
      {63, "Dny", 16}};
  for (const auto& o : offsets) {
    const auto& spec = *combined::FindPiece(o.list);
    auto it = std::find_if(spec.fields.begin(), spec.fields.end(),
                           [&](const combined::PieceField& f) { return f.caption == common::Cz(o.caption); });
    ASSERT_NE(it, spec.fields.end()) << o.caption;
    EXPECT_EQ(it->offset, o.offset) << o.list << " " << o.caption;
  }
  // The empty record: zero key, blank fields, unfilled fields zero bytes.
  const std::string empty30 = combined::FindPiece(30)->EmptyRecord();
  EXPECT_EQ(empty30.substr(0, 6), std::string("\x05") + "00000");
  EXPECT_EQ(empty30.substr(68, 2), std::string(2, '\0'));
  EXPECT_EQ(empty30.substr(97, 7), std::string("\x06") + "      ");
}

TEST(Ci01Split, RecordsAPieceCannotHoldGoToTheRest) {
  // Each case: the records of one run, and how many end in ci.99.
  struct Case { const char* what; std::vector<Ci01Record> recs; std::size_t rest; std::size_t pieces; };
  const Case cases[] = {
      {"list 10 with P 3", {R("10", "311000", "3", "00", {"Pokladna"})}, 1, 0},
      {"list 10 line 12", {R("10", "311000", "6", "00", {"Pokl"}), R("10", "311000", "6", "12", {"x"})}, 1, 1},
      {"title record", {R("20", "000000", "0", "00", {"Rozvaha"})}, 1, 0},
      {"list 62 line 10", {R("62", "000001", "2", "00", {"Dělník"}), R("62", "000001", "2", "10", {"x"})}, 1, 1},
      {"list 40", {R("40", "000001", "3", "00", {"Cizí"})}, 1, 0},
      {"blank TS", {R("  ", "000001", "3", "00", {"Nic"})}, 1, 0},
  };
  for (const auto& c : cases) {
    auto out = SplitRecords(c.recs);
    EXPECT_EQ(out[99].size(), c.rest) << c.what;
    std::size_t pieces = 0;
    for (const auto& [list, recs] : out)
      if (list != 99) pieces += recs.size();
    EXPECT_EQ(pieces, c.pieces) << c.what;
  }
}

TEST(Ci01Split, CellsFillTheirFields) {
  auto out = SplitRecords({
      R("10", "311000", "6", "00", {"Pokladna"}),
      R("10", "311000", "6", "10", {"112211", "221122", "1  343", "     5", "     A"}),
      R("10", "311000", "6", "11", {"", "333444"}),
      R("20", "000001", "3", "00", {"Aktiva", "", "", "", ""}),
      R("20", "000001", "3", "10", {"   002", "", "000123"}),
      R("20", "000002", "3", "00", {"Pasiva"}),
      R("20", "000002", "3", "10", {"   003", "", "000124"}),
      R("62", "000003", "2", "00", {"abc", "defghi", "jklmno", "pqrstu", "vwxyz1"}),
  });
  ASSERT_EQ(out[10].size(), 1u);
  const std::string& a = out[10][0];
  EXPECT_EQ(Field(10, a, "Účet"), "311000");
  EXPECT_EQ(Field(10, a, "RDal"), "112");
  EXPECT_EQ(Field(10, a, "RMd"), "211");
  EXPECT_EQ(Field(10, a, "V22"), "221");
  EXPECT_EQ(Field(10, a, "V24"), "444");
  EXPECT_EQ(Field(10, a, "DaňVysl"), "1");
  EXPECT_EQ(Field(10, a, "ř. DPH"), "343");
  EXPECT_EQ(Field(10, a, "Saldo"), "A");
  ASSERT_EQ(out[20].size(), 2u);
  EXPECT_EQ(Field(20, out[20][0], "Řádek"), "001");
  EXPECT_EQ(Field(20, out[20][1], "Řádek"), "002");
  EXPECT_EQ(Field(20, out[20][1], "Kam přič"), "003");
  // N30 of a 3-character first cell, and list 62's twelve blanks after it.
  ASSERT_EQ(out[62].size(), 1u);
  EXPECT_EQ(Field(62, out[62][0], "Název"), "abcdefghijklmnopqrstuvwxyz1   ");
  EXPECT_TRUE(out[99].empty());
}

// Every case of an entry the pieces cannot give back: the entry reaches ci.99
// whole, and a regular entry beside it still reaches its piece.
TEST(Ci01Split, TheGuardKeepsEntriesThePiecesWouldLose) {
  const Ci01Record regular = R("20", "000009", "3", "00", {"Pravid", "elný"});
  const Ci01Record regular10 = R("20", "000009", "3", "10", {"   001", "", "000001"});
  struct Case { const char* what; std::vector<Ci01Record> entry; };
  const Case cases[] = {
      {"no name line", {R("20", "000005", "3", "10", {"   001", "", "000001"})}},
      {"name with ten leading blanks", {R("20", "000005", "3", "00", {"      ", "    xx"})}},
      {"Klíč outside the key", {R("20", "123005", "3", "00", {"Jméno"})}},
      {"a line twice", {R("20", "000005", "3", "00", {"Jméno"}), R("20", "000005", "3", "10", {"   001"}),
                        R("20", "000005", "3", "10", {"   002"})}},
      {"characters the piece does not hold", {R("20", "000005", "3", "00", {"Jméno"}),
                                              R("20", "000005", "3", "10", {"xx 001"})}},
      {"a cell the piece does not hold", {R("20", "000005", "3", "00", {"Jméno"}),
                                          R("20", "000005", "3", "10", {"   001", "", "", "zz"})}},
  };
  for (const auto& c : cases) {
    std::vector<Ci01Record> recs = c.entry;
    recs.push_back(regular);
    recs.push_back(regular10);
    auto out = SplitRecords(recs);
    EXPECT_EQ(out[99], Split(Bytes(c.entry), 57)) << c.what;
    ASSERT_EQ(out[20].size(), 1u) << c.what;
    EXPECT_EQ(common::StripRightSp(Field(20, out[20][0], "Název")), common::Cz("Pravidelný")) << c.what;
  }
  // The list-11 name longer than the 18 characters the assembly writes back.
  auto out = SplitRecords({R("11", "000001", "3", "00", {"Dlouhý", "název", "předko", "ntace"})});
  EXPECT_TRUE(out[11].empty());
  EXPECT_EQ(out[99].size(), 1u);
}

// Every field of each line is held against the piece's lines, P too: a line whose P the
// piece would not give back fails the check, the same lines with their own P pass.
TEST(Ci01Split, TheGuardHoldsEachLinesPAgainstThePiece) {
  const combined::PieceSpec& spec = *combined::FindPiece(20);
  const std::vector<Ci01Record> lines = {R("20", "000009", "3", "00", {"Pravid", "elný"}),
                                         R("20", "000009", "3", "10", {"   001", "", "000001"})};
  std::string piece = spec.EmptyRecord();
  for (const auto& r : lines) ASSERT_TRUE(combined::ApplyRecord(spec, r, piece));
  EXPECT_TRUE(combined::EntryRoundTrips(spec, lines, piece));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<Ci01Record> other = lines;
    other[i].p = "4";
    EXPECT_FALSE(combined::EntryRoundTrips(spec, other, piece)) << i;
  }
}

TEST(Ci01Split, ARunOfAKeyMetAgainGoesToTheRest) {
  auto out = SplitRecords({
      R("20", "000001", "3", "00", {"První"}), R("20", "000001", "3", "10", {"   001"}),
      R("20", "000002", "3", "00", {"Druhý"}), R("20", "000002", "3", "10", {"   001"}),
      R("20", "000001", "3", "00", {"Znovu"}), R("20", "000001", "3", "10", {"   002"}),
  });
  EXPECT_EQ(out[20].size(), 2u);
  EXPECT_EQ(out[99].size(), 2u);
}

TEST(Ci01Split, ListSixtyThreeCarriesTheDateOver) {
  const auto& spec = *combined::FindPiece(63);
  std::string prev = spec.EmptyRecord();
  spec.Put(prev, spec.dateField, "260315");
  EXPECT_EQ(spec.Get(spec.EmptyRecord(prev), spec.dateField), "260315");
  const auto& s20 = *combined::FindPiece(20);
  EXPECT_EQ(s20.Get(s20.EmptyRecord(prev), s20.dateField), "      ");
}

TEST(Ci01Assembly, PieceRecordsGiveTheirLines) {
  const auto& s11 = *combined::FindPiece(11);
  std::string rec = s11.EmptyRecord();
  s11.Put(rec, 0, "007");
  s11.Put(rec, 1, common::Cz("Předkontace dlouhého jména ab"));
  s11.Put(rec, 2, "311000");   // row 1 Účet M
  s11.Put(rec, 12, "604000");  // row 3 Účet D
  const auto lines = combined::AssembleEntry(s11, rec);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].cv + lines[1].cv + lines[2].cv, "001012");
  EXPECT_EQ(lines[0].klic, "000007");
  EXPECT_EQ(lines[0].u[0] + lines[0].u[1] + lines[0].u[2], common::Cz("Předkontace dlouhé"));
  EXPECT_EQ(lines[0].u[3], "      ");
  EXPECT_EQ(lines[2].u[2], "604000");

  // The deletion mark and a blank name give nothing; a short key a short Klíč.
  const auto& s20 = *combined::FindPiece(20);
  std::string r20 = s20.EmptyRecord();
  s20.Put(r20, 1, "Aktiva");
  s20.Put(r20, 0, "12");
  EXPECT_EQ(combined::AssembleEntry(s20, r20).at(0).klic, "00012");
  s20.Put(r20, 0, "...");
  EXPECT_TRUE(combined::AssembleEntry(s20, r20).empty());
  s20.Put(r20, 0, "001");
  s20.Put(r20, 1, std::string(10, ' ') + "x");
  EXPECT_TRUE(combined::AssembleEntry(s20, r20).empty());

  // A cash-flow row with only "+" still gives its line.
  const auto& s28 = *combined::FindPiece(28);
  std::string r28 = s28.EmptyRecord();
  s28.Put(r28, 0, "001");
  s28.Put(r28, 1, "Tok");
  s28.Put(r28, 12 + 4 * 2 + 2, "+");  // row 3's "+"
  const auto l28 = combined::AssembleEntry(s28, r28);
  ASSERT_EQ(l28.size(), 2u);
  EXPECT_EQ(l28[1].cv, "13");
  EXPECT_EQ(l28[1].u[2], "     +");
}

// A data folder for the file operations, as user 01, with a second workstation.
class Ci01Files : public browsertest::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    other.DataDirPath = soubtest::UseScratchFolders(dir.path()).DataDirPath;
    other.CurrentUser = "02";
  }
  std::string Data(const std::string& name) const { return dir / ("data/" + name); }
  void Write(const std::string& name, const std::string& bytes) const { ostest::WriteRaw(Data(name), bytes); }
  std::string Read(const std::string& name) const { return ostest::ReadRaw(Data(name)); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Data(name)); }
  bool Free() { return common::IfVolny(other, Data("CI01.DTA")).empty(); }

  common::Session other;
};

// A generated file in sorted order whose entries have every line the assembly
// writes, full cells and one date per entry: it comes back byte for byte.
std::vector<Ci01Record> Generated() {
  std::vector<Ci01Record> recs;
  recs.push_back(R("10", "000000", "0", "00", {"ÚČTOVÁ", " OSNOV", "A"}));
  for (int i = 1; i <= 30; ++i) {
    const std::string acc = "3110" + std::string(i < 10 ? "0" : "") + std::to_string(i);
    const std::string d = "2601" + std::string(i < 10 ? "0" : "") + std::to_string(i);
    recs.push_back(R("10", acc, "6", "00", {"Účet č", "íslo  ", "jedna ", "dva tř", "i čtyř"}, d));
    recs.push_back(R("10", acc, "6", "10", {"112211", "221122", "1  343", "     5", "     A"}, d));
    recs.push_back(R("10", acc, "6", "11", {"", "333444"}, d));
  }
  for (int i = 1; i <= 5; ++i) {
    const std::string k = "00000" + std::to_string(i);
    recs.push_back(R("11", k, "3", "00", {"Předko", "ntace ", "prodej"}, "251231"));
    recs.push_back(R("11", k, "3", "10", {"311000", " 12345", "604000", " 54321"}, "251231"));
    recs.push_back(R("11", k, "3", "12", {"311000", "", "602000", ""}, "251231"));
  }
  recs.push_back(R("20", "000000", "0", "00", {"Rozvah", "a"}));
  for (int i = 1; i <= 4; ++i) {
    const std::string k = "00000" + std::to_string(i);
    recs.push_back(R("20", k, "3", "00", {"Řádek ", "rozvah", "y     ", "aktiva", "      "}));
    recs.push_back(R("20", k, "3", "10", {"   002", "", "000123"}));
  }
  for (int i = 1; i <= 3; ++i) {
    const std::string k = "0000" + std::to_string(i) + "0";
    recs.push_back(R("30", k, "5", "00", {"Středi", "sko   ", "výroba"}));
    recs.push_back(R("30", k, "5", "01", {"druhý ", "název "}));
    recs.push_back(R("30", k, "5", "10", {"     1", "   050", "000100", "000199", "112000"}));
  }
  recs.push_back(R("40", "000001", "3", "00", {"Cizí s", "eznam"}));
  recs.push_back(R("99", "000001", "1", "05", {"zbytek"}));
  return recs;
}

TEST_F(Ci01Files, SplitAndAssemblyGiveTheFileBack) {
  const std::string original = Bytes(Generated());
  Write("CI01.DTA", original);
  Write("ci.14", "stale");  // a piece of a list the file has not: gone after the split
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  EXPECT_EQ(Read("ci.10").size(), 79u * 30);
  EXPECT_EQ(Read("ci.11").size(), 302u * 5);
  EXPECT_EQ(Read("ci.30").size(), 104u * 3);
  EXPECT_FALSE(Exists("ci.14"));
  // The title records and the lists without a piece.
  const auto rest = Split(Read("ci.99"), 57);
  ASSERT_EQ(rest.size(), 4u);
  EXPECT_EQ(Ci01Record::FromBytes(rest[0]).klic, "000000");
  EXPECT_EQ(Ci01Record::FromBytes(rest[2]).ts, "40");
  EXPECT_FALSE(combined::fCI92().visible());
  EXPECT_TRUE(Free());

  ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
  EXPECT_TRUE(Read("CI01.DTA") == original) << "the assembled file differs";
  EXPECT_TRUE(Free());
  EXPECT_TRUE(common::ReadJobIn(Data(""), "CI05").empty());
  EXPECT_TRUE(notes.calls.empty());
}

TEST_F(Ci01Files, AnUnsortedFileLosesNothing) {
  std::vector<Ci01Record> recs = {
      R("10", "311000", "6", "00", {"Pokladna"}), R("10", "311000", "6", "10", {"112211"}),
      R("10", "311000", "6", "11", {""}),         R("20", "000001", "3", "00", {"Aktiva"}),
      R("20", "000001", "3", "10", {"   001"}),   R("10", "321000", "6", "00", {"Dodavatelé"}),
      R("10", "321000", "6", "10", {"112211"}),   R("10", "321000", "6", "11", {""}),
  };
  Write("CI01.DTA", Bytes(recs));
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  EXPECT_EQ(Read("ci.10").size(), 79u * 2);
  EXPECT_EQ(Read("ci.99").size(), 0u);
}

TEST_F(Ci01Files, AnEmptyFileGivesAnEmptyRest) {
  Write("CI01.DTA", "");
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  EXPECT_TRUE(Exists("ci.99"));
  EXPECT_EQ(Read("ci.99").size(), 0u);
}

TEST_F(Ci01Files, AFailedSplitReleasesItsLockAndSaysWhy) {
  Write("CI01.DTA", Bytes(Generated()));
  common::FaultFileSystem fs;
  fs.Fail(common::FsOp::Write, ENOSPC, "ci.20");
  {
    common::ScopedFileSystem use(fs);
    EXPECT_FALSE(combined::fCI92().SplitCodeLists());
  }
  EXPECT_TRUE(Free());
  EXPECT_FALSE(combined::fCI92().visible());
  ASSERT_EQ(notes.calls.size(), 1u);
  EXPECT_NE(notes.calls[0].text.find("ci.20"), std::string::npos) << notes.calls[0].text;
  EXPECT_NE(notes.calls[0].text.find("err 101"), std::string::npos) << notes.calls[0].text;
}

// A CI01.DTA of random bytes (whole records, or with a cut tail) is no combined file:
// the split says once which file is damaged and uses nothing of it; every piece of
// the earlier split, their sort orders and CI01.DTA itself stay byte for byte.
TEST_F(Ci01Files, ASplitOverRandomBytesLeavesEveryPieceByteForByte) {
  Write("CI01.DTA", Bytes(Generated()));
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  Write("CI.10.IX1", "kept order");
  const auto folder = [&] {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(Data("")))
      if (e.is_regular_file()) files[e.path().filename().string()] = ostest::ReadRaw(e.path());
    return files;
  };
  for (const std::size_t size : {std::size_t{171}, std::size_t{200}}) {
    SCOPED_TRACE(size);
    std::string random(size, '\0');
    for (std::size_t i = 0; i < size; ++i) random[i] = static_cast<char>((i * 89 + size) % 256);
    Write("CI01.DTA", random);
    const auto before = folder();
    notes.calls.clear();
    EXPECT_FALSE(combined::fCI92().SplitCodeLists());
    EXPECT_EQ(folder(), before);
    EXPECT_FALSE(Exists("CI01.DTA.cut"));
    EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
              std::vector<std::string>{common::Cz("Soubor ") + common::ShownPath(Data("CI01.DTA")) +
                                       common::Cz(" neodpovídá své větě (věta 1); číselníky nerozděluji, díly zůstávají, jak byly")});
    EXPECT_TRUE(Free());
    EXPECT_FALSE(combined::fCI92().visible());
  }
}

// A file the user may not write, in a folder the user may write: the split over a piece
// of such a file and the assembly over such a CI01.DTA refuse before anything is written,
// say so, and every file of the folder stays byte for byte.
TEST_F(Ci01Files, AFileTheUserMayNotWriteStopsTheSplitAndTheAssembly) {
  Write("CI01.DTA", Bytes(Generated()));
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  const auto folder = [&] {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(Data("")))
      if (e.is_regular_file()) files[e.path().filename().string()] = ostest::ReadRaw(e.path());
    return files;
  };
  const std::string piece = common::ShownPath(common::DataDir("ci.20"));
  const std::string rest = common::ShownPath(common::DataDir(combined::kRestPiece));
  struct Row {
    const char* what;
    const char* file;  // the one the user may not write
    bool split;
    std::string said;
  };
  const Row rows[] = {
      {"split over a piece", "/ci.20", true,
       common::Cz("Soubor ") + piece + common::Cz(" nelze zapsat (err 5), číselníky nerozděluji, díly zůstávají, jak byly")},
      {"split over the rest", "/ci.99", true,
       common::Cz("Soubor ") + rest + common::Cz(" nelze zapsat (err 5), číselníky nerozděluji, díly zůstávají, jak byly")},
      {"assembly over CI01.DTA", "/CI01.DTA", false,
       common::Cz("Číselníky nejsou složeny, soubor ") + common::DataDir("ci01.dta") + " err 5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const auto before = folder();
    notes.calls.clear();
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::OpenWrite, EACCES, row.file);
    {
      common::ScopedFileSystem use(fs);
      EXPECT_FALSE(row.split ? combined::fCI92().SplitCodeLists() : combined::fCI92().AssembleCodeLists());
    }
    EXPECT_EQ(folder(), before);
    EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message), std::vector<std::string>{row.said});
    EXPECT_TRUE(Free());
  }
}

TEST_F(Ci01Files, AssemblyFailuresLeaveTheFileAsItWas) {
  Write("CI01.DTA", Bytes(Generated()));
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  const std::string before = Read("CI01.DTA");
  struct Case { const char* what; common::FsOp op; int err; const char* path; };
  const Case cases[] = {
      {"a piece that cannot be opened", common::FsOp::Open, EACCES, "ci.20"},
      {"a piece that cannot be read", common::FsOp::Read, EIO, "ci.30"},
      {"a full disk", common::FsOp::Write, ENOSPC, ".~"},
  };
  for (const auto& c : cases) {
    notes.calls.clear();
    common::FaultFileSystem fs;
    fs.Fail(c.op, c.err, c.path);
    {
      common::ScopedFileSystem use(fs);
      EXPECT_FALSE(combined::fCI92().AssembleCodeLists()) << c.what;
    }
    EXPECT_TRUE(Read("CI01.DTA") == before) << c.what;
    EXPECT_TRUE(Free()) << c.what;
    EXPECT_EQ(notes.calls.size(), 1u) << c.what;
  }
  // A missing piece only drops its own list.
  std::filesystem::remove(Data("ci.11"));
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
  const auto after = Split(Read("CI01.DTA"), 57);
  EXPECT_EQ(std::count_if(after.begin(), after.end(), [](const std::string& r) { return r.substr(1, 2) == "11"; }), 0);
  EXPECT_EQ(after.size(), Split(before, 57).size() - 15);
}

// A piece that is a folder, is cut, holds bytes no writer of pieces leaves, or was
// emptied after the split stops the assembly with a message naming it; CI01.DTA
// keeps every byte.
TEST_F(Ci01Files, ADamagedPieceStopsTheAssemblyAndNamesIt) {
  Write("CI01.DTA", Bytes(Generated()));
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  const std::string before = Read("CI01.DTA"), ci20 = Read("ci.20"), ci99 = Read("ci.99");
  struct Case {
    const char* what;
    std::function<void()> damage;
    const char* piece;
    const char* says;
  };
  const Case cases[] = {
      {"ci.99 a folder",
       [&] {
         std::filesystem::remove(Data("ci.99"));
         std::filesystem::create_directory(Data("ci.99"));
       },
       "ci.99", "je složka"},
      {"ci.20 cut", [&] { Write("ci.20", ci20.substr(0, ci20.size() - 20)); }, "ci.20", "není celý počet vět po 53 bajtech"},
      {"ci.20 emptied", [&] { Write("ci.20", ""); }, "ci.20", "je prázdný, ale CI01.DTA má číselník 20"},
      // The title records and the lists without a piece are carried only by ci.99.
      {"ci.99 emptied", [&] { Write("ci.99", ""); }, "ci.99", "je prázdný, ale CI01.DTA má číselníky 10, 20, 40, 99"},
      {"ci.99 random bytes", [&] { Write("ci.99", std::string(57 * 2, '\xA7')); }, "ci.99", "neodpovídá své větě (věta 1)"},
  };
  for (const auto& c : cases) {
    notes.calls.clear();
    c.damage();
    EXPECT_FALSE(combined::fCI92().AssembleCodeLists()) << c.what;
    EXPECT_TRUE(Read("CI01.DTA") == before) << c.what;
    EXPECT_TRUE(Free()) << c.what;
    ASSERT_EQ(notes.calls.size(), 1u) << c.what << notes.Dump();
    EXPECT_NE(notes.calls[0].text.find(Data(c.piece)), std::string::npos) << notes.calls[0].text;
    EXPECT_NE(notes.calls[0].text.find(common::Cz(c.says)), std::string::npos) << notes.calls[0].text;
    std::filesystem::remove_all(Data("ci.99"));
    Write("ci.99", ci99);
    Write("ci.20", ci20);
  }
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
  EXPECT_TRUE(Read("CI01.DTA") == before);
}

// An emptied ci.99 stops the assembly when CI01.DTA holds a list only ci.99 carries (list
// 40 beside a balance-sheet row); with nothing but piece lists it may be empty.
TEST_F(Ci01Files, AnEmptiedRestPieceKeepsAListOnlyItCarries) {
  const std::string original = Bytes({R("20", "000001", "3", "00", {"Aktiva"}), R("20", "000001", "3", "10", {"   001"}),
                                      R("40", "000001", "3", "00", {"Cizí s", "eznam"})});
  ASSERT_EQ(original.size(), 171u);
  Write("CI01.DTA", original);
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  ASSERT_EQ(Read("ci.99").size(), 57u);
  Write("ci.99", "");
  notes.calls.clear();
  EXPECT_FALSE(combined::fCI92().AssembleCodeLists());
  EXPECT_TRUE(Read("CI01.DTA") == original);
  ASSERT_EQ(notes.calls.size(), 1u) << notes.Dump();
  EXPECT_EQ(notes.calls[0].text, common::Cz("Číselníky nejsou složeny: soubor ") + Data("ci.99") +
                                     common::Cz(" je prázdný, ale CI01.DTA má číselník 40; CI01.DTA zůstává, jak byl"));
  EXPECT_TRUE(Free());
  // Without list 40 the empty rest piece takes nothing away.
  Write("CI01.DTA", original.substr(0, 114));
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  ASSERT_EQ(Read("ci.99"), "");
  notes.calls.clear();
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
  EXPECT_TRUE(Read("CI01.DTA") == original.substr(0, 114));
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

// A job file that cannot carry the sorting mark is said; the rebuilt file is still sorted.
TEST_F(Ci01Files, AJobFileThatCannotBeWrittenIsSaidAndTheFileSorted) {
  const std::string original = Bytes(Generated());
  Write("CI01.DTA", original);
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  std::filesystem::create_directory(Data("master.job"));
  EXPECT_TRUE(combined::fCI92().AssembleCodeLists());
  EXPECT_TRUE(Read("CI01.DTA") == original);
  ASSERT_EQ(notes.calls.size(), 1u) << notes.Dump();
  EXPECT_NE(notes.calls[0].text.find(Data("master.job") + " err      5"), std::string::npos) << notes.calls[0].text;
  EXPECT_TRUE(Free());
}

// A cut record at the end of CI01.DTA is moved aside by the split, and said.
TEST_F(Ci01Files, TheSplitKeepsTheBytesOfACutRecord) {
  const std::string whole = Bytes(Generated()), stray = "twenty stray bytes!!";
  Write("CI01.DTA", whole + stray);
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  EXPECT_EQ(Read("CI01.DTA.cut"), stray);
  EXPECT_TRUE(Read("CI01.DTA") == whole);
  ASSERT_EQ(notes.calls.size(), 1u) << notes.Dump();
  EXPECT_EQ(notes.calls[0].text, common::Cz("Useknutá věta souboru ") + Data("CI01.DTA") + common::Cz(" (20 B) je přesunuta do ") +
                                     Data("CI01.DTA") + ".cut");
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
  EXPECT_TRUE(Read("CI01.DTA") == whole);
  EXPECT_EQ(Read("CI01.DTA.cut"), stray);
}

// Two piece records typed with one key merge into one run after the assembly and
// the sort; the next split keeps both entries whole in ci.99.
TEST_F(Ci01Files, OneKeyTypedTwiceSurvivesTheNextRound) {
  const auto& s20 = *combined::FindPiece(20);
  std::string pieces;
  for (const char* name : {"Aktiva", "Pasiva"}) {
    std::string rec = s20.EmptyRecord();
    s20.Put(rec, 0, "001");
    s20.Put(rec, 1, name);
    pieces += rec;
  }
  Write("CI01.DTA", "");
  Write("ci.20", pieces);
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
  EXPECT_EQ(Read("CI01.DTA").size(), 57u * 4);
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  EXPECT_EQ(Read("ci.20").size(), 0u);
  EXPECT_EQ(Read("ci.99").size(), 57u * 4);
}

TEST_F(Ci01Files, TheSortPurgesDeletedRecordsAndKeepsDates) {
  Write("CI01.DTA", Bytes({R("20", "000002", "3", "00", {"B"}, "250101"), R("..", "000001", "3", "00", {"smazaný"}),
                           R("20", "00000.", "3", "00", {"tečka"}), R("20", "000001", "3", "00", {"A"}, "240101"),
                           R("20", "000002", "3", "00", {"B2"}, "250102")}));
  common::WriteJobIn(Data(""), "CI05", "A");
  combined::SortCombinedFile(Data("CI01.DTA"));
  const auto recs = Split(Read("CI01.DTA"), 57);
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(Ci01Record::FromBytes(recs[0]).date, "240101");
  // Equal keys both stay.
  EXPECT_EQ(Ci01Record::FromBytes(recs[1]).klic, "000002");
  EXPECT_EQ(Ci01Record::FromBytes(recs[2]).klic, "000002");
  EXPECT_TRUE(Free());
  // The assembly removes a "CI05" left from before.
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
  EXPECT_TRUE(common::ReadJobIn(Data(""), "CI05").empty());
}

}  // namespace

namespace {

// Generated()'s file split, then edited as a user edits the pieces: a new name, the rows
// of list 20 typed in reverse, a deleted account. The title lines in ci.99 follow the
// lines of their lists, so the lines stand out of order until the sort.
void EditThePieces(const std::function<std::string(const std::string&)>& read,
                   const std::function<void(const std::string&, const std::string&)>& write) {
  const auto& s10 = *combined::FindPiece(10);
  auto r10 = Split(read("ci.10"), s10.length);
  s10.Put(r10[0], s10.nameField, common::Cz("Nový název účtu"));
  s10.Put(r10[3], s10.keyField, "......");
  std::string b10;
  for (const auto& r : r10) b10 += r;
  write("ci.10", b10);
  auto r20 = Split(read("ci.20"), combined::FindPiece(20)->length);
  std::reverse(r20.begin(), r20.end());
  std::string b20;
  for (const auto& r : r20) b20 += r;
  write("ci.20", b20);
}

// The lines of the pieces in the order of the table.
std::string Lines(const std::function<std::string(const std::string&)>& read) {
  std::string lines;
  for (int list : combined::PieceOrder()) {
    const combined::PieceSpec* spec = combined::FindPiece(list);
    const std::string bytes = read(spec ? spec->FileName() : combined::kRestPiece);
    if (!spec) {
      lines += bytes;
      continue;
    }
    for (const auto& rec : Split(bytes, spec->length))
      for (const auto& line : combined::AssembleEntry(*spec, rec)) lines += line.Bytes();
  }
  return lines;
}

// The same sorted by the combined file's own sort: what the assembly gives.
std::string LinesSorted(const std::function<std::string(const std::string&)>& read, const std::string& scratch) {
  ostest::WriteRaw(scratch, Lines(read));
  combined::SortCombinedFile(scratch);
  return ostest::ReadRaw(scratch);
}

}  // namespace

// The assembly killed at any point of its step (each create, write, cut, flush and move
// of CI01.DTA, its temporary and the job file in turn) leaves CI01.DTA the old file byte
// for byte or the new sorted one, never the lines unsorted; a mark "CI05" it leaves goes
// with the next opening of the file, which finds it in order and says nothing; the next
// assembly gives the whole file and leaves nothing beside it.
TEST_F(Ci01Files, KilledAnywhereTheAssemblyLeavesTheOldFileOrTheNewSortedOne) {
  const std::string old = Bytes(Generated());
  Write("CI01.DTA", old);
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  const auto read = [this](const std::string& name) { return Read(name); };
  EditThePieces(read, [this](const std::string& name, const std::string& bytes) { Write(name, bytes); });
  const std::string whole = LinesSorted(read, dir / "sorted.dta");
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
  ASSERT_TRUE(Read("CI01.DTA") == whole) << "not the lines sorted";
  ASSERT_NE(whole, old);
  ASSERT_TRUE(combined::CombinedFileSorted(Data("CI01.DTA")));
  const auto leftBeside = [this] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Data("")))
      if (e.path().filename().string().starts_with(".~")) names.push_back(e.path().filename().string());
    return names;
  };
  int kills = 0, marksLeft = 0;
  for (const common::FsOp op : {common::FsOp::OpenWrite, common::FsOp::Write, common::FsOp::Truncate,
                                common::FsOp::Sync, common::FsOp::SetMode, common::FsOp::Rename}) {
    for (int skip = 0;; ++skip) {
      SCOPED_TRACE(std::to_string(static_cast<int>(op)) + " after " + std::to_string(skip));
      Write("CI01.DTA", old);
      common::CurrentSession().ReplacementTemps.clear();  // each run is a new one
      common::FaultFileSystem faults;
      faults.DieAt(op, {"CI01.DTA", "master.job"}, skip);
      {
        common::ScopedFileSystem use(faults);
        combined::fCI92().AssembleCodeLists();
      }
      if (!faults.Dead()) break;  // the step was through before that call
      ++kills;
      const std::string left = Read("CI01.DTA");
      EXPECT_TRUE(left == old || left == whole) << left.size() << " B";
      EXPECT_TRUE(Free());
      common::CurrentSession().ReplacementTemps.clear();
      marksLeft += common::ReadJobIn(Data(""), "CI05") == "A";
      notes.calls.clear();
      combined::fCi2005().SetupCi2005();
      combined::fCi2005().CloseBrowse();
      EXPECT_TRUE(common::ReadJobIn(Data(""), "CI05").empty());
      EXPECT_TRUE(Read("CI01.DTA") == left);
      EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
      ASSERT_TRUE(combined::fCI92().AssembleCodeLists());
      EXPECT_TRUE(Read("CI01.DTA") == whole);
      EXPECT_EQ(leftBeside(), std::vector<std::string>{});
    }
  }
  EXPECT_GE(kills, 8);
  EXPECT_GE(marksLeft, 1);
}

// A file that a run of an earlier release left rebuilt but unsorted, "CI05" = "A" beside it:
// the next opening sorts it and says so, and the mark goes; not while another workstation
// holds the file for writing (an assembly at work), nor without the mark.
TEST_F(Ci01Files, TheOpeningSortsAFileACutOffAssemblyLeftUnsorted) {
  Write("CI01.DTA", Bytes(Generated()));
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  const auto read = [this](const std::string& name) { return Read(name); };
  EditThePieces(read, [this](const std::string& name, const std::string& bytes) { Write(name, bytes); });
  const std::string sorted = LinesSorted(read, dir / "sorted.dta");
  const std::string unsorted = Lines(read);
  Write("CI01.DTA", unsorted);
  ASSERT_FALSE(combined::CombinedFileSorted(Data("CI01.DTA")));
  auto& w = combined::fCi2005();
  const auto open = [&w] {
    w.SetupCi2005();
    w.CloseBrowse();
  };
  // No mark: the opening leaves the file as it is.
  open();
  EXPECT_TRUE(Read("CI01.DTA") == unsorted);
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
  common::WriteJobIn(Data(""), "CI05", "A");
  // The window itself waits for the writer; the clearing it starts with does not.
  ASSERT_EQ(common::LockFile(other, Data("CI01.DTA"), "W"), common::LockResult::Held);
  combined::ClearCutOffAssemblyMark();
  EXPECT_TRUE(Read("CI01.DTA") == unsorted);
  EXPECT_EQ(common::ReadJobIn(Data(""), "CI05"), "A");
  ASSERT_TRUE(common::UnlockFile(other, Data("CI01.DTA")));
  notes.calls.clear();
  open();
  EXPECT_TRUE(Read("CI01.DTA") == sorted);
  EXPECT_TRUE(common::ReadJobIn(Data(""), "CI05").empty());
  ASSERT_EQ(notes.calls.size(), 1u) << notes.Dump();
  EXPECT_EQ(notes.calls[0].text, common::Cz("Skládání číselníků nebylo dokončeno, soubor ") + Data("CI01.DTA") +
                                     common::Cz(" je nyní setříděn"));
  EXPECT_TRUE(Free());
}

namespace {

// Entries typed twice: lines with the same TS, Klíč, P and ČV and other cells.
std::vector<Ci01Record> EqualKeys() {
  return {R("10", "311000", "6", "00", {"Pokladna"}), R("10", "311000", "6", "00", {"Pokladna 2"}),
          R("10", "311000", "6", "10", {"112211"}),   R("10", "311000", "6", "10", {"221122"}),
          R("20", "000001", "3", "00", {"Aktiva"}),   R("20", "000001", "3", "00", {"Aktiva 2"})};
}

}  // namespace

// A "CI05" = "A" left over a file the opening finds: in order by its sort keys, equal keys
// in whatever order, the file stays byte for byte and the mark goes without a word (the
// sort would swap the equal keys); out of order or with a deleted record, it is sorted
// and said.
TEST_F(Ci01Files, AMarkOverAFileInOrderLeavesItByteForByte) {
  const std::vector<Ci01Record> equal = EqualKeys();
  std::vector<Ci01Record> swapped = equal, outOfOrder = equal, deleted = equal;
  std::swap(swapped[0], swapped[1]);
  std::swap(outOfOrder[3], outOfOrder[4]);
  deleted[2].ts = "..";
  struct Row {
    const char* name;
    std::string file;
    bool inOrder;
  } rows[] = {
      {"equal keys", Bytes(equal), true},
      {"equal keys the other way", Bytes(swapped), true},
      {"one line out of order", Bytes(outOfOrder), false},
      {"a deleted line", Bytes(deleted), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Write("sorted.dta", r.file);
    combined::SortCombinedFile(Data("sorted.dta"));
    const std::string sorted = Read("sorted.dta");
    ASSERT_NE(sorted, r.file);  // the sort changes each of them
    Write("CI01.DTA", r.file);
    common::WriteJobIn(Data(""), "CI05", "A");
    notes.calls.clear();
    combined::fCi2005().SetupCi2005();
    combined::fCi2005().CloseBrowse();
    EXPECT_TRUE(common::ReadJobIn(Data(""), "CI05").empty());
    EXPECT_TRUE(Free());
    if (r.inOrder) {
      EXPECT_TRUE(Read("CI01.DTA") == r.file);
      EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
      continue;
    }
    EXPECT_TRUE(Read("CI01.DTA") == sorted);
    ASSERT_EQ(notes.calls.size(), 1u) << notes.Dump();
    EXPECT_EQ(notes.calls[0].text, common::Cz("Skládání číselníků nebylo dokončeno, soubor ") + Data("CI01.DTA") +
                                       common::Cz(" je nyní setříděn"));
  }
}

// The sort with no room for its work file (a file of more records than one load holds):
// the assembly and the opening say so in the program's words, the file stays as it was.
TEST_F(Ci01Files, ASortWithoutRoomIsSaidAndLeavesTheFile) {
  constexpr int kRecords = 250'001;
  std::string many;
  many.reserve(static_cast<std::size_t>(kRecords) * 57);
  for (int i = kRecords; i > 0; --i) many += R("99", common::FormatNumberMask("@@@@@@", i), "1", "00").Bytes();
  Write("CI01.DTA", "old");
  Write("ci.99", many);
  const auto sortWithoutRoom = [](const std::function<void()>& step) {
    common::FaultFileSystem faults;
    faults.Fail(common::FsOp::Write, ENOSPC, ".~SORT");
    common::ScopedFileSystem use(faults);
    step();
  };
  sortWithoutRoom([] { EXPECT_FALSE(combined::fCI92().AssembleCodeLists()); });
  EXPECT_EQ(Read("CI01.DTA"), "old");
  EXPECT_TRUE(common::ReadJobIn(Data(""), "CI05").empty());
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
            std::vector<std::string>{common::Cz("Číselníky nejsou složeny, soubor ") + Data("ci01.dta") + " err 101"});
  EXPECT_TRUE(Free());

  // Left out of order by a cut-off assembly: the opening cannot sort it and keeps the mark.
  Write("CI01.DTA", many);
  common::WriteJobIn(Data(""), "CI05", "A");
  notes.calls.clear();
  sortWithoutRoom([] {
    combined::fCi2005().SetupCi2005();
    combined::fCi2005().CloseBrowse();
  });
  EXPECT_TRUE(Read("CI01.DTA") == many);
  EXPECT_EQ(common::ReadJobIn(Data(""), "CI05"), "A");
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
            std::vector<std::string>{common::Cz("Číselník není setříděn, soubor ") + Data("CI01.DTA") + " err 101"});
  EXPECT_TRUE(Free());
}
