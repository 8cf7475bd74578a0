#include "partners/orgtools.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>

#include "browser/choosers/inout.h"
#include "browser/entries.h"
#include "browser/indexfiles.h"
#include "common/codepages.h"
#include "common/csvfile.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/inplace.h"
#include "common/errors.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"
#include "partners/oneoff.h"
#include "partners/org.h"
#include "partners/orgservices.h"

namespace partners {

using common::Cz;

namespace {

constexpr int kOdberLength = 309;
constexpr int kMailsPerFile = 90;

// Record order for the length of a tool, whatever column sort the window shows.
class FileOrder {
 public:
  explicit FileOrder(TfOrg& w) : w_(w), order_(w.ActiveOrder) { w.ActiveOrder = 0; }
  ~FileOrder() { w_.ActiveOrder = order_; }
  FileOrder(const FileOrder&) = delete;
  FileOrder& operator=(const FileOrder&) = delete;

 private:
  TfOrg& w_;
  int order_;
};

// Reads every record (or every marked one, unmarking it: none while a marked record is
// no longer the one marked); `change` answers whether the record goes back. Stops at the
// first failed read or write; false then or when refused.
bool EachPartner(TfOrg& w, bool markedOnly, const std::function<bool(std::int32_t n, std::string& r)>& change) {
  bool done = false;
  {
    FileOrder order(w);
    // A conversion half done is put back: the file keeps the old records or the new ones.
    auto pass = [&] {
      return w.RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
        for (std::int32_t n = 1; n <= w.Count; ++n) {
          if (markedOnly) {
            if (!w.IsMarked(n)) continue;
            w.UnmarkRecord(n);
            if (w.MarkedCount > 0) --w.MarkedCount;
          }
          w.RecordReadAt(n);
          if (!w.lastIoOk()) return false;
          if (!change(n, w.RecordBuffer)) continue;
          w.RecordWriteAt(n);
          if (!w.lastIoOk()) return false;
        }
        return true;
      });
    };
    done = markedOnly ? w.StepOverMarks(pass) : pass();
  }
  w.RepaintPage();
  return done;
}

std::string Trimmed(std::string_view s) { return common::StripRightSp(s); }

std::string JoinedWithBlank(const std::string& a, const std::string& b) { return Trimmed(a) + " " + Trimmed(b); }

bool StartsWithCode(const std::string& code) {
  const std::string c = common::UpperCz(code);
  return c.starts_with("E ") || c.starts_with("I ") || c.starts_with("EI");
}

// "Setřiď": the index files read anew while no column sort is in force.
void Resort(TfOrg& w) {
  if (w.ActiveOrder != 0) return;
  w.IndexFilesClose();
  if (w.IndexFilesWanted) w.IndexFilesOpen(w.DataFilePath);
  w.RepaintPage();
}

void Recode(TfOrg& w) {
  EachPartner(w, false, [](std::int32_t, std::string& r) {
    for (int f : {of::Name, of::Name2, of::Street, of::Town, of::Contact})
      PutOrgText(r, f, common::KamenickyToCp1250(OrgText(r, f)));
    return true;
  });
}

void DicToCz(TfOrg& w) {
  EachPartner(w, false, [](std::int32_t, std::string& r) {
    PutOrgText(r, of::Dic, ConvertDic(OrgText(r, of::Dic)));
    return true;
  });
}

void ExportQuick(TfOrg& w) {
  int found = 0;
  EachPartner(w, false, [&](std::int32_t n, std::string& r) {
    if (StartsWithCode(OrgText(r, of::SalesCode)) && !w.IsMarked(n)) {
      w.MarkRecord(n);
      ++w.MarkedCount;
      ++found;
    }
    return false;
  });
  // The export takes every record when none is marked: not this item's meaning.
  if (found > 0) w.ExportToDbf();
  w.ClearMarks();
  w.RepaintPage();
}

void RemoveSlash(TfOrg& w) {
  EachPartner(w, false, [](std::int32_t, std::string& r) {
    std::string dic = OrgText(r, of::Dic);
    const std::size_t slash = dic.find('/');
    if (slash == std::string::npos) return false;
    dic.erase(slash, 1);
    PutOrgText(r, of::Dic, dic + " ");
    return true;
  });
}

void ReportShortPostalCodes(TfOrg& w) {
  EachPartner(w, false, [](std::int32_t n, std::string& r) {
    if (common::GetCounted(r, static_cast<std::size_t>(OrgOffset(of::PostalCode)), 5).size() != 5)
      common::MessageOk(common::FormatFloatMask("#####", n));
    return false;
  });
}

void Renumber(TfOrg& w) {
  EachPartner(w, false, [](std::int32_t n, std::string& r) {
    PutOrgWord(r, of::Number, static_cast<std::uint16_t>(n));
    return true;
  });
}

void ClearOwnAccount(TfOrg& w) {
  EachPartner(w, false, [](std::int32_t, std::string& r) {
    PutOrgWord(r, of::OwnAccount, 0);
    return true;
  });
}

void ReverseDiscount(TfOrg& w) {
  constexpr int kDiscount = 23;
  EachPartner(w, false, [](std::int32_t, std::string& r) {
    PutOrgReal(r, kDiscount, -OrgReal(r, kDiscount));
    return true;
  });
}

void ImportChosenCsv(TfOrg& w) {
  std::string path;
  if (!browser::ChooseFile(Cz("Naber CSV"), "org.csv", path) || path.empty()) path = "org.csv";
  ImportCsv(w, path);
}

void MovePriceList(TfOrg& w) {
  EachPartner(w, true, [](std::int32_t, std::string& r) {
    PutOrgText(r, of::Note3, OrgText(r, of::PriceList) + " " + OrgText(r, of::Note3));
    PutOrgText(r, of::PriceList, "   ");
    return true;
  });
}

void AskExtend(TfOrg& w) {
  w.DataFileReopen();
  std::string answer = common::FormatFloatMask("#####", w.Count);
  if (!browser::AskString(10, 10,
                          Cz("Odběratelé-Dodavatelé mají ") + common::FormatFloatMask("## ###", w.Count) +
                              Cz(" položek, nastav nový počet"),
                          answer))
    return;
  ExtendFile(w, answer);
}

void BlankInFrontOfName(TfOrg& w) {
  EachPartner(w, true, [](std::int32_t, std::string& r) {
    PutOrgText(r, of::Name, " " + OrgText(r, of::Name));
    return true;
  });
}

void BlankMarked(TfOrg& w) {
  EachPartner(w, true, [&](std::int32_t, std::string& r) {
    const std::uint16_t number = OrgWord(r, of::Number);
    r = w.BlankRecord;
    PutOrgWord(r, of::Number, number);
    return true;
  });
}

void ListReport(TfOrg& w) {
  browser::ReportWriter* out = browser::CurrentReportWriter();
  if (!out) return;
  {
    const common::RefusalTail tail(Cz(", opis neproběhl"));
    if (!w.MayCarry()) return;
  }
  const int limit = common::CurrentSession().LimRad > 0 ? common::CurrentSession().LimRad : 64;
  int page = 0, lines = 0, listed = 0, members = 0;
  auto header = [&] {
    ++page;
    if (page > 1) out->WriteReportLine("\f");
    out->WriteReportLine("/         Seznam                         Datum: " + common::TodayText() + "  List:" +
                         common::FormatFloatMask("###", page));
    out->WriteReportLine(std::string(100, '='));
    out->WriteReportLine(Cz(" osč.      r.č.        Jméno                         výplata_ne    není_člen "));
    out->WriteReportLine(std::string(100, '='));
    out->WriteReportLine("");
    lines = 5;
  };
  out->OpenReportOut("SEZNAM", 100);
  header();
  EachPartner(w, false, [&](std::int32_t n, std::string& r) {
    const std::string name = OrgText(r, of::Name);
    if (Trimmed(name).empty()) return false;
    if (lines >= limit) header();
    const std::string note1 = OrgText(r, of::Note1), note2 = OrgText(r, 29);
    out->WriteReportLine(common::FormatFloatMask("##### ", n) + OrgText(r, of::Dic) + " " + name + "      " +
                         note1.substr(0, 1) + "             " + note2.substr(0, 1));
    ++lines;
    ++listed;
    if (note2.starts_with(' ')) ++members;
    return false;
  });
  out->WriteReportLine("");
  out->WriteReportLine(Cz("Počet celkem: ") + common::FormatFloatMask("####", listed) + Cz("     Počet členů: ") +
                       common::FormatFloatMask("####", members));
  out->CloseReportOut();
  browser::PrintReport("SEZNAM");
}

bool DigitsAndBlanks(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || (c >= '0' && c <= '9'); });
}

// Marks records last down to first whose IČO, read through the unscrambling, holds other
// than digits and blanks; with `storedPlain` only those whose IČO as stored holds nothing
// else. False when a read failed.
bool MarkPlainRecords(TfOrg& w, std::int32_t first, std::int32_t last, bool storedPlain) {
  common::Session& s = common::CurrentSession();
  const int former = s.ScrambleOn;
  s.ScrambleOn = 0;
  FileOrder order(w);
  bool ok = true;
  for (std::int32_t n = last; n >= first; --n) {
    w.RecordReadAt(n);
    if (!(ok = w.lastIoOk())) break;
    std::string read = w.RecordBuffer;
    ScrambleOrgFields(read, false);
    if (DigitsAndBlanks(OrgText(read, of::Ico))) continue;
    if (storedPlain && !DigitsAndBlanks(OrgText(w.RecordBuffer, of::Ico))) continue;
    w.MarkRecord(n);
    ++w.MarkedCount;
  }
  s.ScrambleOn = former;
  return ok;
}

// The marked plain records of first..last stored scrambled; the user's marks come back.
void ScramblePlainRecords(TfOrg& w, std::int32_t first, std::int32_t last, bool storedPlain) {
  const browser::RecordMarks userMarks = w.Marks;
  const std::int32_t userCount = w.MarkedCount;
  w.ClearMarks();
  const bool marked = MarkPlainRecords(w, first, last, storedPlain);
  const browser::RecordMarks repaired = w.Marks;
  if (marked) w.OrgScrambleMarked(true);
  w.Marks = userMarks;
  w.MarkedCount = userCount;
  // The user's marks on records this repair wrote keep what it wrote.
  for (const auto& [n, value] : userMarks.kept())
    if (repaired.IsMarked(n))
      if (const std::optional<std::uint64_t> now = w.MarkValue(n)) w.Marks.Keep(n, *now);
}

// Records read with scrambling on whose IČO shows other than digits and blanks were
// stored plain: they are stored scrambled.
void RepairPlainRecords(TfOrg& w) {
  w.RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
    ScramblePlainRecords(w, 1, w.Count, false);
    return w.lastIoOk();
  });
  w.RepaintPage();
}

}  // namespace

std::string ConvertDic(std::string_view stored) {
  std::string dic(stored);
  if (dic.size() >= 4 && dic[3] == '-') dic = "CZ" + common::Copy(dic, 5, 12) + "  ";
  if (const std::size_t slash = dic.find('/'); slash != std::string::npos) dic = "SK" + dic.substr(0, slash);
  dic.resize(16, ' ');
  return dic;
}

std::string MailListName(int n) { return "Maily" + std::to_string(n) + ".txt"; }

std::string OrgLockPath(const TfOrg& w) { return std::string(common::FolderPart(w.DataFilePath)) + kOrgLock; }

void RepairWorkstation321(TfOrg& w) {
  constexpr std::int32_t kFrom = 15000;
  const common::Session& s = common::CurrentSession();
  if (s.ComputerNo != 321 || s.ScrambleOn == 0 || w.Count < kFrom) return;
  {
    FileOrder order(w);
    w.RecordReadAt(w.Count);
  }
  if (!w.lastIoOk() || DigitsAndBlanks(OrgText(w.RecordBuffer, of::Ico))) return;
  common::ScopedFileLock lock(OrgLockPath(w), "W");
  if (lock.Stopped()) return;
  w.DataFileReopen();
  const auto length = static_cast<std::uint64_t>(kOrgRecordLength);
  w.RewriteInPlace((kFrom - 1) * length, static_cast<std::uint64_t>(w.Count - kFrom + 1) * length, [&] {
    ScramblePlainRecords(w, kFrom, w.Count, true);
    return w.lastIoOk();
  });
}

void CompactMarked(TfOrg& w) {
  common::ScopedFileLock lock(OrgLockPath(w), "W");
  if (lock.Stopped()) return;
  w.DataFileReopen();
  w.IndexFilesClose();
  // The sorted view would point at moved and removed records: file order from now on.
  if (w.ActiveOrder > 0) {
    w.ActiveOrder = 0;
    w.GridColor = w.SavedGridColor;
  }
  std::int32_t written = 0;
  // The moves and the cut in one rewrite: the old file or the compacted one; nothing while
  // a marked record is no longer the one marked.
  const bool done = w.StepOverMarks([&] {
    return w.RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
      const bool moved = EachPartner(w, true, [&](std::int32_t, std::string&) {
        ++written;
        w.RecordWriteAt(written);
        return false;
      });
      if (!moved || !w.lastIoOk()) return false;
      if (written == 0) return true;
      const int code = w.DataFile().Truncate(static_cast<std::uint64_t>(written) * static_cast<std::uint64_t>(w.RecordLength));
      if (code != 0) w.FileMessage(" pise soubor: ", w.DataFilePath, code);
      return code == 0;
    });
  });
  if (done && written > 0) {
    w.DataFileReopen();
    common::File index;
    if (const int code = index.Create(browser::IndexFileName(w.DataFilePath, 1)); code == 0)
      index.Close();
    else
      common::FileErrorMessage(" pise soubor: ", browser::IndexFileName(w.DataFilePath, 1), code);
  }
  if (w.IndexFilesWanted) w.IndexFilesOpen(w.DataFilePath);
  w.RepaintPage();
}

void ImportCsv(TfOrg& w, const std::string& path) {
  if (w.RefusedWhileCopyLeft()) return;  // read only: said
  common::tFormSoub csv;
  try {
    common::CsvOpen(csv, path);
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" cte soubor: ", path, e.code);
    return;
  } catch (const common::CsvEndByteError& e) {
    common::MessageOk(EndByteRefusal(path, e.line));
    return;
  }
  common::ScopedFileLock lock(OrgLockPath(w), "W");
  if (lock.Stopped()) {
    common::CsvClose(csv);
    return;
  }
  w.DataFileReopen();
  try {
    while (!csv.endOfFile) {
      common::CsvReadRecord(csv);
      if (!csv.recordRead) continue;
      // Fields the line did not have count as empty.
      auto field = [&](int k) {
        return k <= csv.fieldCount ? common::Cp852ToCp1250(csv.Field(k)) : std::string();
      };
      std::string& r = w.RecordBuffer;
      r = w.BlankRecord;
      PutOrgWord(r, of::Number, static_cast<std::uint16_t>(w.Count + 1));
      PutOrgText(r, of::Ico, field(1));
      PutOrgText(r, of::Dic, field(2));
      PutOrgText(r, of::Name, JoinedWithBlank(field(10), field(11)));
      PutOrgText(r, of::Street, JoinedWithBlank(field(12), field(13)));
      PutOrgText(r, of::Town, field(14));
      PutOrgText(r, of::PostalCode, common::RemoveSpaces(field(15)));
      PutOrgText(r, of::Note1, field(9));
      PutOrgText(r, 29, field(8));
      if (!w.AppendRecord()) break;
    }
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" cte soubor: ", path, e.code);
  }
  common::CsvClose(csv);
  w.RepaintPage();
}

void ConvertOdber(TfOrg& w) {
  if (w.RefusedWhileCopyLeft()) return;
  std::string bytes;
  common::File in;
  int code = in.Open(common::DataDir("odber.mps"));
  if (code == 0) code = in.ReadWhole(bytes);
  if (code != 0) {
    common::MessageOk(Cz("Něco je se souborem ODBER.MPS - err.:") + common::FormatFloatMask("####", code));
    return;
  }
  common::ScopedFileLock lock(OrgLockPath(w), "W");
  if (lock.Stopped()) return;
  w.DataFileReopen();
  FileOrder order(w);
  auto text = [&](std::size_t at, int offset, int capacity) {
    return common::GetCounted(bytes, at + static_cast<std::size_t>(offset), static_cast<std::size_t>(capacity));
  };
  auto conv = [](const std::string& s) { return common::KamenickyToCp1250(s); };
  const std::size_t records = bytes.size() / kOdberLength;
  for (std::size_t i = 0; i < records; ++i) {
    const std::size_t at = i * kOdberLength;
    const auto k = static_cast<std::int32_t>(i + 1);
    std::string& r = w.RecordBuffer;
    r = w.BlankRecord;
    PutOrgWord(r, of::Number, static_cast<std::uint16_t>(k));
    PutOrgText(r, of::Name, conv(text(at, 0, 30)));
    PutOrgText(r, of::Street, conv(text(at, 31, 30)));
    const std::string place = text(at, 62, 30);
    PutOrgText(r, of::PostalCode, common::Copy(place, 1, 3) + common::Copy(place, 5, 2));
    PutOrgText(r, of::Town, conv(common::Copy(place, 8, 23)));
    PutOrgText(r, of::Contact, conv(text(at, 93, 30)));
    PutOrgText(r, 16, conv(text(at, 124, 30)));
    PutOrgText(r, of::Account, text(at, 155, 25));
    PutOrgText(r, of::BankCode, text(at, 181, 4));
    PutOrgText(r, of::Note1, conv(text(at, 186, 30)));
    PutOrgText(r, of::Ico, text(at, 217, 12));
    PutOrgText(r, of::Dic, text(at, 230, 16));
    PutOrgText(r, 10, conv(text(at, 247, 20)));
    PutOrgText(r, 17, text(at, 268, 40));
    if (k <= w.Count)
      w.RecordWriteAt(k);
    else
      (void)w.AppendRecord();
    if (!w.lastIoOk()) break;
  }
  w.RepaintPage();
}

void ExtendFile(TfOrg& w, const std::string& answer) {
  const std::int32_t wanted = common::TextToInt(answer);
  if (w.RefusedWhileCopyLeft()) return;
  common::ScopedFileLock lock(OrgLockPath(w), "W");
  if (lock.Stopped()) return;
  w.DataFileReopen();
  if (wanted <= w.Count || wanted >= 100000) return;
  if (wanted > kMaxPartnerNumber) {
    common::MessageOk(Cz("Obchodních partnerů může být nejvýše 65535, nový už nelze přidat"));
    return;
  }
  while (w.Count < wanted) {
    w.RecordBuffer = w.BlankRecord;
    PutOrgWord(w.RecordBuffer, of::Number, static_cast<std::uint16_t>(w.Count + 1));
    if (!w.AppendRecord()) break;
  }
  w.RepaintPage();
}

void WriteMailLists(TfOrg& w) {
  {
    const common::RefusalTail tail(Cz(", adresy nejsou zapsány"));
    if (!w.MayCarry()) return;
  }
  int number = 0, inFile = 0;
  std::string list;
  bool failed = false;
  auto flush = [&] {
    if (failed) return;
    if (const int code = common::ReplaceFileContents(MailListName(number), list)) {
      common::FileErrorMessage(" pise soubor: ", MailListName(number), code);
      failed = true;
    }
    list.clear();
  };
  EachPartner(w, false, [&](std::int32_t, std::string& r) {
    const std::string mail = OrgText(r, of::Email);
    if (mail.find('@') == std::string::npos || failed) return false;
    list += common::RemoveSpaces(mail) + "\r\n";
    if (++inFile == kMailsPerFile) {
      flush();
      ++number;
      inFile = 0;
    }
    return false;
  });
  if (inFile > 0 || number == 0) flush();
}

void InstallOrgTools() {
  auto& t = OrgHooks().tools;
  t["c1"] = Resort;
  t["D1"] = Recode;
  t["e1"] = DicToCz;
  t["F1"] = ExportQuick;
  t["g1"] = ConvertOdber;
  t["h1"] = RemoveSlash;
  t["i1"] = CompactMarked;
  t["j1"] = ReportShortPostalCodes;
  t["k1"] = Renumber;
  t["l1"] = ClearOwnAccount;
  t["m1"] = ReverseDiscount;
  t["n1"] = ImportChosenCsv;
  t["OpravLV1"] = MovePriceList;
  t["ZvetsiOrg"] = AskExtend;
  t["Mezeradoozn1"] = BlankInFrontOfName;
  t["Mezerujozn1"] = BlankMarked;
  t["Zasifruj1"] = [](TfOrg& w) { w.OrgScrambleMarked(true); };
  t["Desifruj1"] = [](TfOrg& w) { w.OrgScrambleMarked(false); };
  t["OpisLV1"] = ListReport;
  t["Mailadresy1"] = WriteMailLists;
  t["VOXAOPRAVA1"] = RepairPlainRecords;
  t["Orvek20171"] = AskRenumberOrvek;
  t["NaberCSV21"] = ImportHubra;
  t["NaberCSVLufri1"] = ImportLufri;
}

}  // namespace partners
