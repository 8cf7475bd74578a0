#include "partners/oneoff.h"

#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "browser/codec.h"
#include "browser/entries.h"
#include "common/csvfile.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"
#include "partners/org.h"
#include "partners/orgtools.h"

namespace partners {

using common::Cz;

namespace {

constexpr std::uint64_t kMaxCsvBytes = 16u << 20;
constexpr std::int32_t kOrvekLast = 2700;             // partners 1..2700 move
constexpr std::int32_t kOthersFirst = 10000, kOthersLast = 10099;
constexpr std::int32_t kPrefixFirst = 10100, kPrefixLast = 10999;
constexpr std::int32_t kAddedFirst = 11000;            // the partners of 843.dta
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr common::CzForms kSeparated{"oddělenou", "oddělené", "oddělených"};  // of a count of parts or fields

std::string Trimmed(std::string_view s) { return common::StripLeftSp(common::StripRightSp(s)); }
std::string Number(std::int64_t n) { return std::to_string(n); }

// A file beside the window's partner file.
std::string Beside(const TfOrg& w, const char* name) { return std::string(common::FolderPart(w.DataFilePath)) + name; }

// "Soubor <file>, <where> <n>: <what>; partneři zůstali beze změny".
std::string Refusal(const std::string& file, const char* where, std::int64_t n, const std::string& what) {
  return Cz("Soubor ") + common::ShownPath(file) + ", " + Cz(where) + " " + Number(n) + ": " + what +
         Cz("; partneři zůstali beze změny");
}
std::string LineRefusal(const std::string& file, std::int64_t line, const std::string& what) {
  return Refusal(file, "řádek", line, what);
}
std::string RecordRefusal(const std::string& file, std::int64_t record, const std::string& what) {
  return Refusal(file, "věta", record, what);
}

std::string TooLong(const char* field, std::size_t length, std::size_t capacity) {
  return Cz("pole ") + Cz(field) + Cz(" má ") + Number(static_cast<std::int64_t>(length)) + Cz(" znaků, vejde se ") +
         Number(static_cast<std::int64_t>(capacity));
}

// A partner record never written or blanked: its name begins with two blanks (or is empty).
bool IsBlankPartner(std::string_view record) {
  const std::string name = OrgText(record, of::Name);
  return name.starts_with("  ") || common::StripRightSp(name).empty();
}

// "Soubor <file> <what>; partneři zůstali beze změny".
std::string FileRefusal(const std::string& file, const std::string& what) {
  return Cz("Soubor ") + common::ShownPath(file) + " " + what + Cz("; partneři zůstali beze změny");
}

// The whole input file of at most `limit` bytes; false with the refusal (`missing`: what
// is said of a file that is not there).
bool ReadInput(const std::string& path, std::uint64_t limit, std::string& bytes, std::string& refusal,
               const char* missing = "chybí") {
  std::uint64_t size = 0;
  int code = common::FileSize(path, size);
  if (code == 0 && size > limit) {
    refusal = Cz("Soubor ") + common::ShownPath(path) + Cz(" má víc než ") + Number(static_cast<std::int64_t>(limit)) +
              Cz(" B, to není vstup tohoto nástroje; partneři zůstali beze změny");
    return false;
  }
  if (code == 0) code = common::ReadFileText(path, bytes);
  if (code == common::io::kFileNotFound)
    refusal = FileRefusal(path, Cz(missing));
  else if (code != 0)
    refusal = FileRefusal(path, Cz("nelze přečíst, err ") + Number(code));
  return code == 0;
}

// The partner records of a file in the register's layout, read plain; nullopt after
// the refusal has been put into `refusal`.
std::optional<std::vector<std::string>> ReadPartnerFile(TfOrg& w, const std::string& path, std::string& refusal,
                                                        const char* missing) {
  std::string bytes;
  if (!ReadInput(path, static_cast<std::uint64_t>(kMaxPartnerNumber) * kOrgRecordLength, bytes, refusal, missing))
    return std::nullopt;
  const browser::CountedTextCheck check(w.FieldSpan());
  const std::size_t length = kOrgRecordLength;
  std::vector<std::string> records;
  for (std::size_t at = 0; at < bytes.size(); at += length) {
    const auto n = static_cast<std::int64_t>(at / length + 1);
    if (bytes.size() - at < length) {
      refusal = RecordRefusal(path, n, Cz("věta je useknutá (") + Number(static_cast<std::int64_t>(bytes.size() - at)) +
                                           Cz(" B z ") + Number(kOrgRecordLength) + ")");
      return std::nullopt;
    }
    std::string r = bytes.substr(at, length);
    if (const int f = check.FirstOverlong(r)) {
      refusal = RecordRefusal(path, n, Cz("položka ") + Number(f) + Cz(" je delší než její pole, není to soubor partnerů"));
      return std::nullopt;
    }
    if (common::CurrentSession().ScrambleOn != 0) ScrambleOrgFields(r, false);
    records.push_back(std::move(r));
  }
  return records;
}

// One line of an org.csv: its number in the file and its fields, Windows-1250, trimmed.
struct CsvLine {
  std::int64_t line = 0;
  std::vector<std::string> fields;
};

// Every non-empty line of `path` with exactly `fieldCount` ";"-separated fields; nullopt
// after the refusal has been put into `refusal`.
std::optional<std::vector<CsvLine>> ReadCsvLines(const std::string& path, int fieldCount, std::string& refusal) {
  std::string text;
  if (!ReadInput(path, kMaxCsvBytes, text, refusal)) return std::nullopt;
  text.resize(common::TextEnd(text));  // as the reader below, what follows ^Z is no text
  const bool marked = text.starts_with(kUtf8Mark);
  const bool utf8 = marked || common::IsUtf8WithNonAscii(text);
  text.clear();
  std::vector<CsvLine> lines;
  common::tFormSoub csv;
  try {
    common::CsvOpen(csv, path);
    for (std::int64_t line = 1; !csv.endOfFile; ++line) {
      common::CsvReadRecord(csv);  // one line each: a line break ends a field even in quotes
      if (line == 1 && marked) csv.fields[0].erase(0, 3);
      if (!csv.recordRead) continue;
      if (csv.fieldCount != fieldCount) {
        common::CsvClose(csv);
        refusal = LineRefusal(path, line,
                              Cz("má ") + common::CzCount(csv.fieldCount, {"položku", "položky", "položek"}, kSeparated) +
                                  Cz(" \";\", má jich být ") + Number(fieldCount));
        return std::nullopt;
      }
      CsvLine l{line, {}};
      for (int f = 1; f <= fieldCount; ++f)
        l.fields.push_back(Trimmed(utf8 ? common::Utf8ToWin1250(csv.Field(f)) : csv.Field(f)));
      lines.push_back(std::move(l));
    }
    common::CsvClose(csv);
  } catch (const common::IoError& e) {
    common::CsvClose(csv);
    refusal = FileRefusal(path, Cz("nelze přečíst, err ") + Number(e.code));
    return std::nullopt;
  } catch (const common::CsvEndByteError& e) {
    refusal = EndByteRefusal(path, e.line);
    return std::nullopt;
  }
  if (lines.empty()) {
    refusal = Cz("Soubor ") + common::ShownPath(path) + Cz(" neobsahuje žádného partnera; partneři zůstali beze změny");
    return std::nullopt;
  }
  return lines;
}

// A text field of an org.csv line: the refusal when it does not fit `capacity`.
std::optional<std::string> Overlong(const CsvLine& l, int f, const char* name, std::size_t capacity) {
  const std::string& text = l.fields[static_cast<std::size_t>(f - 1)];
  if (text.size() <= capacity) return std::nullopt;
  return TooLong(name, text.size(), capacity);
}

// A partner built from a line of org.csv.
struct NewPartner {
  std::int64_t line = 0;
  std::string record;
};

// IČO, DIČ (in capitals) and name of the line on the blank record: the refusal when
// one does not fit or the name is missing.
std::optional<std::string> PutCommon(const TfOrg& w, const CsvLine& l, std::string& r) {
  for (auto [f, name, capacity] : {std::tuple{1, "IČO", 8}, std::tuple{2, "DIČ", 16}, std::tuple{3, "název", 30}})
    if (auto problem = Overlong(l, f, name, static_cast<std::size_t>(capacity))) return problem;
  if (l.fields[2].empty()) return Cz("chybí název partnera");
  r = w.BlankRecord;
  PutOrgText(r, of::Ico, l.fields[0]);
  PutOrgText(r, of::Dic, common::UpperCz(l.fields[1]));
  PutOrgText(r, of::Name, l.fields[2]);
  return std::nullopt;
}

// Street, town and PSČ (its blanks dropped) into the address lines.
std::optional<std::string> PutAddress(const std::vector<std::string>& parts, std::string& r) {
  static constexpr std::tuple<int, const char*, std::size_t> kLines[] = {
      {of::Street, "ulice", 30}, {of::Town, "město", 30}, {of::PostalCode, "PSČ", 5}};
  if (parts.size() > std::size(kLines))
    return Cz("adresa má ") +
           common::CzCount(static_cast<std::int64_t>(parts.size()), {"část", "části", "částí"}, kSeparated) +
           Cz(" čárkou, řádky adresy jsou 3 (ulice, město, PSČ)");
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto [field, name, capacity] = kLines[i];
    const std::string text = field == of::PostalCode ? common::RemoveSpaces(parts[i]) : parts[i];
    if (text.size() > capacity) return TooLong(name, text.size(), capacity);
    PutOrgText(r, field, text);
  }
  return std::nullopt;
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::size_t from = 0;
  for (std::size_t comma; (comma = text.find(',', from)) != std::string::npos; from = comma + 1)
    parts.push_back(Trimmed(std::string_view(text).substr(from, comma - from)));
  parts.push_back(Trimmed(std::string_view(text).substr(from)));
  return parts;
}

// The partners of the lines through `build` (a refusal text, or nothing with the record
// built); nullopt after the refusal has been put into `refusal`.
std::optional<std::vector<NewPartner>> BuildPartners(
    const std::string& path, const std::vector<CsvLine>& lines,
    const std::function<std::optional<std::string>(const CsvLine&, std::string&)>& build, std::string& refusal) {
  std::vector<NewPartner> partners;
  for (const CsvLine& l : lines) {
    NewPartner p{l.line, {}};
    if (auto problem = build(l, p.record)) {
      refusal = LineRefusal(path, l.line, *problem);
      return std::nullopt;
    }
    partners.push_back(std::move(p));
  }
  return partners;
}

// podily.dta checked for damage: the refusal, or nothing.
std::optional<std::string> CheckShareFile(const std::string& path) {
  if (!common::FileExists(path)) return std::nullopt;  // made by the first import
  std::string bytes, refusal;
  if (!ReadInput(path, static_cast<std::uint64_t>(kMaxPartnerNumber) * kShareRecordLength * 4, bytes, refusal))
    return refusal;
  for (std::size_t at = 0; at < bytes.size(); at += kShareRecordLength) {
    const auto n = static_cast<std::int64_t>(at / kShareRecordLength + 1);
    if (bytes.size() - at < kShareRecordLength) return RecordRefusal(path, n, Cz("věta je useknutá"));
    for (auto [offset, capacity] : {std::pair{2, 8}, std::pair{11, 30}, std::pair{42, 15}})
      if (static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(offset)]) > capacity)
        return RecordRefusal(path, n, Cz("text je delší než jeho pole, není to soubor podílů"));
  }
  return std::nullopt;
}

// "added: n, number a" or "numbers a to b".
std::string NumbersText(std::int64_t n, std::int64_t first) {
  return Number(n) + (n == 1 ? Cz(", číslo ") + Number(first)
                             : Cz(", čísla ") + Number(first) + Cz(" až ") + Number(first + n - 1));
}

// The partner n as F8 leaves it, as stored.
std::string StoredBlank(TfOrg& w, std::int32_t n) {
  std::string r = w.BlankRecord;
  PutOrgWord(r, of::Number, static_cast<std::uint16_t>(n));
  return w.StoredRecord(std::move(r));
}

// Appends the partners as F4 does (number and invoicing place the next record number)
// under the lock and one rollback copy; `shares`, when given, then gets one record a
// partner in podily.dta. A refusal or failure leaves both files as they were.
void AppendPartners(TfOrg& w, const std::string& source, std::vector<NewPartner>& partners,
                    const std::vector<std::string>* shares) {
  const std::string sharePath = Beside(w, "podily.dta");
  std::string refusal;
  std::int32_t first = 0;
  bool done = false;
  int shareCode = 0;
  {
    common::ScopedFileLock lock(OrgLockPath(w), "W");
    if (lock.Stopped()) return;
    w.DataFileReopen();
    first = w.Count + 1;
    const std::int64_t last = static_cast<std::int64_t>(w.Count) + static_cast<std::int64_t>(partners.size());
    if (last > kMaxPartnerNumber) {
      const std::size_t over = static_cast<std::size_t>(kMaxPartnerNumber - w.Count);
      refusal = LineRefusal(source, partners[over].line,
                            Cz("partner by dostal číslo ") + Number(kMaxPartnerNumber + 1) +
                                Cz(", obchodních partnerů může být nejvýše 65535"));
    } else if (shares) {
      if (auto problem = CheckShareFile(sharePath)) refusal = *problem;
    }
    if (refusal.empty()) {
      // What the step appends, known before its first write, so that taking it back
      // takes back its partners and their shares together.
      common::StepPlan plan;
      plan.appends.recordLength = kOrgRecordLength;
      std::string shareBytes;
      for (std::size_t i = 0; i < partners.size(); ++i) {
        const auto number = static_cast<std::uint16_t>(first + static_cast<std::int32_t>(i));
        std::string& r = partners[i].record;
        PutOrgWord(r, of::Number, number);
        PutOrgWord(r, of::InvoicePlace, number);
        plan.appends.records += w.StoredRecord(r);
        plan.appends.blanks += StoredBlank(w, number);
        if (shares) shareBytes += ShareRecord(number, OrgText(r, of::Ico), OrgText(r, of::Name), (*shares)[i]);
      }
      if (shares) plan.also.push_back({sharePath, {kShareRecordLength, shareBytes, {}}});
      const std::uint64_t end = static_cast<std::uint64_t>(w.Count) * kOrgRecordLength;
      done = w.RewriteInPlace(end, std::numeric_limits<std::uint64_t>::max(), [&] {
        for (NewPartner& p : partners) {
          w.RecordBuffer = p.record;
          if (!w.AppendRecord()) return false;
        }
        if (w.Count + 1 - first != static_cast<std::int32_t>(partners.size())) return false;  // not where planned
        if (!shares) return true;
        // The shares last: a failed write of them takes the partners back as well.
        common::File f;
        int code = common::FileExists(sharePath) ? 0 : common::CreateNewFile(sharePath);
        if (code == 0) code = f.Open(sharePath, common::kModeReadWrite);
        std::uint64_t size = 0;
        if (code == 0) code = f.Size(size);
        if (code == 0) code = f.WriteAt(size, shareBytes.data(), shareBytes.size());
        if (code == 0) code = f.Sync();
        f.Close();
        shareCode = code;
        return code == 0;
      }, plan);
    }
  }
  w.RepaintPage();
  const auto count = static_cast<std::int64_t>(partners.size());
  if (!refusal.empty()) {
    common::MessageOk(refusal);
  } else if (done) {
    common::MessageOk(Cz("Ze souboru ") + common::ShownPath(source) + Cz(" přidáno partnerů: ") + NumbersText(count, first));
  } else if (shareCode != 0 && !w.ReadOnlyOpen()) {
    common::MessageOk(Cz("Soubor ") + common::ShownPath(sharePath) + Cz(" nelze zapsat, err ") + Number(shareCode) +
                      Cz("; partneři ze souboru ") + common::ShownPath(source) +
                      Cz(" byli vzati zpět, partneři i podíly zůstali beze změny"));
  }
}

// Where a partner goes in the renumbering.
struct Move {
  std::int32_t from = 0;  // record in org.dta, or in 843.dta for an added partner
  std::int32_t to = 0;
  std::string record;     // plain
};

}  // namespace

std::string ShareRecord(std::uint16_t number, std::string_view ico, std::string_view name, std::string_view share) {
  std::string r(kShareRecordLength, ' ');
  common::PutLE<std::uint16_t>(r, 0, number);
  auto put = [&r](std::size_t offset, std::string_view text, std::size_t capacity) {
    std::string padded(text.substr(0, std::min(text.size(), capacity)));
    padded.resize(capacity, ' ');
    common::PutCounted(r, offset, padded, capacity);
  };
  put(2, ico, 8);
  put(11, name, 30);
  put(42, share, 15);
  return r;
}

std::string EndByteRefusal(const std::string& path, std::int64_t line) {
  return LineRefusal(path, line, common::CsvEndByteError::Problem());
}

void ImportHubra(TfOrg& w) {
  const std::string path = Beside(w, "org.csv");
  std::string refusal;
  auto lines = ReadCsvLines(path, 5, refusal);
  std::vector<std::string> shares;
  std::optional<std::vector<NewPartner>> partners;
  if (lines)
    partners = BuildPartners(path, *lines, [&](const CsvLine& l, std::string& r) -> std::optional<std::string> {
      if (auto problem = PutCommon(w, l, r)) return problem;
      if (auto problem = PutAddress(SplitAtCommas(l.fields[3]), r)) return problem;
      if (auto problem = Overlong(l, 5, "podíl", 15)) return problem;
      shares.push_back(l.fields[4]);
      return std::nullopt;
    }, refusal);
  if (!partners) {
    common::MessageOk(refusal);
    return;
  }
  AppendPartners(w, path, *partners, &shares);
}

void ImportLufri(TfOrg& w) {
  const std::string path = Beside(w, "org.csv");
  std::string refusal;
  auto lines = ReadCsvLines(path, 11, refusal);
  std::optional<std::vector<NewPartner>> partners;
  if (lines)
    partners = BuildPartners(path, *lines, [&](const CsvLine& l, std::string& r) -> std::optional<std::string> {
      if (auto problem = PutCommon(w, l, r)) return problem;
      if (auto problem = PutAddress({l.fields[3], l.fields[4], l.fields[5]}, r)) return problem;
      const auto& f = l.fields;
      const std::string note1 = "Tuny:" + f[6] + " KM:" + f[7] + " Hod:" + f[8], note2 = "Voz:" + f[9] + " Obj:" + f[10];
      if (note1.size() > 50) return TooLong("Pozn.1 (Tuny: KM: Hod:)", note1.size(), 50);
      if (note2.size() > 50) return TooLong("Pozn.2 (Voz: Obj:)", note2.size(), 50);
      PutOrgText(r, of::Note1, note1);
      PutOrgText(r, of::Note1 + 1, note2);
      return std::nullopt;
    }, refusal);
  if (!partners) {
    common::MessageOk(refusal);
    return;
  }
  AppendPartners(w, path, *partners, nullptr);
}

void AskRenumberOrvek(TfOrg& w) {
  std::string prefix(16, ' ');
  if (!browser::AskString(10, 10, Cz("Orvek2017: začátek DIČ partnerů od čísla 10100 (prázdné: žádný)"), prefix)) return;
  RenumberOrvek(w, prefix);
}

void RenumberOrvek(TfOrg& w, const std::string& typed) {
  const std::string prefix = common::UpperCz(Trimmed(typed));
  const std::string orgPath = w.DataFilePath, addedPath = Beside(w, "843.dta");
  std::string refusal;
  const auto added =
      ReadPartnerFile(w, addedPath, refusal, "chybí: Orvek2017 ho potřebuje (bez partnerů k přidání prázdný soubor)");
  if (!added) {
    common::MessageOk(refusal);
    return;
  }
  std::vector<Move> moves;
  std::int32_t others = 0, prefixed = 0, addedCount = 0;
  bool done = false, failed = false;
  {
    common::ScopedFileLock lock(OrgLockPath(w), "W");
    if (lock.Stopped()) return;
    w.DataFileReopen();
    const std::int32_t oldCount = w.Count;
    const int order = w.ActiveOrder;
    w.ActiveOrder = 0;  // record numbers, whatever column sort the window shows
    auto read = [&](std::int32_t n) {  // a failed read has said so
      w.RecordReadAt(n);
      failed = !w.lastIoOk();
      return !failed;
    };
    for (std::int32_t n = 1; n <= std::min(kOrvekLast, oldCount) && refusal.empty() && !failed; ++n) {
      if (!read(n) || IsBlankPartner(w.RecordBuffer)) continue;
      const bool inPrefix = !prefix.empty() && common::UpperCz(OrgText(w.RecordBuffer, of::Dic)).starts_with(prefix);
      const std::int32_t to = inPrefix ? kPrefixFirst + prefixed++ : kOthersFirst + others++;
      if (to > (inPrefix ? kPrefixLast : kOthersLast))
        refusal = RecordRefusal(orgPath, n,
                                Cz("partner by dostal číslo ") + Number(to) + Cz(", partneři ") +
                                    (inPrefix ? Cz("s DIČ ") + prefix + Cz(" mají čísla 10100 až 10999")
                                              : Cz("bez zvoleného DIČ mají čísla 10000 až 10099")));
      moves.push_back({n, to, w.RecordBuffer});
    }
    const std::size_t fromOrg = moves.size();  // the moves of org.dta's partners come first
    for (std::size_t i = 0; i < added->size() && refusal.empty() && !failed; ++i) {
      if (IsBlankPartner((*added)[i])) continue;
      const std::int32_t to = kAddedFirst + addedCount++;
      if (to > kMaxPartnerNumber)
        refusal = RecordRefusal(addedPath, static_cast<std::int64_t>(i + 1),
                                Cz("partner by dostal číslo ") + Number(to) +
                                    Cz(", obchodních partnerů může být nejvýše 65535"));
      moves.push_back({static_cast<std::int32_t>(i + 1), to, (*added)[i]});
    }
    for (std::size_t i = 0; i < moves.size() && refusal.empty() && !failed; ++i) {
      const Move& m = moves[i];
      if (m.to > oldCount || !read(m.to) || IsBlankPartner(w.RecordBuffer)) continue;
      refusal = RecordRefusal(i < fromOrg ? orgPath : addedPath, m.from,
                              Cz("číslo ") + Number(m.to) + Cz(" už má partner ") +
                                  common::StripRightSp(OrgText(w.RecordBuffer, of::Name)));
    }
    // An invoicing place naming a moved partner of org.dta follows it, in every partner
    // that stays too; the partners of 843.dta name each other by their places there.
    std::map<std::int32_t, std::int32_t> moved, movedAdded;
    for (std::size_t i = 0; i < moves.size(); ++i) (i < fromOrg ? moved : movedAdded)[moves[i].from] = moves[i].to;
    std::vector<Move> staying;  // partners that stay, with their invoicing place changed
    for (std::int32_t n = 1; n <= oldCount && refusal.empty() && !failed && !moved.empty(); ++n) {
      if (moved.contains(n) || !read(n) || IsBlankPartner(w.RecordBuffer)) continue;
      if (auto at = moved.find(OrgWord(w.RecordBuffer, of::InvoicePlace)); at != moved.end()) {
        PutOrgWord(w.RecordBuffer, of::InvoicePlace, static_cast<std::uint16_t>(at->second));
        staying.push_back({n, n, w.RecordBuffer});
      }
    }
    if (refusal.empty() && !failed && !moves.empty()) {
      for (std::size_t i = 0; i < moves.size(); ++i) {
        Move& m = moves[i];
        const auto& map = i < fromOrg ? moved : movedAdded;
        PutOrgWord(m.record, of::Number, static_cast<std::uint16_t>(m.to));
        if (auto at = map.find(OrgWord(m.record, of::InvoicePlace)); at != map.end())
          PutOrgWord(m.record, of::InvoicePlace, static_cast<std::uint16_t>(at->second));
      }
      std::map<std::int32_t, const std::string*> target;
      for (const Move& m : moves) target[m.to] = &m.record;
      // What the step appends past the old end, known before its first write: the moved
      // partners and the free numbers between them.
      common::StepPlan plan;
      plan.appends.recordLength = kOrgRecordLength;
      for (std::int32_t n = oldCount + 1; !target.empty() && n <= target.rbegin()->first; ++n) {
        const auto at = target.find(n);
        plan.appends.records += at != target.end() ? w.StoredRecord(*at->second) : StoredBlank(w, n);
        plan.appends.blanks += StoredBlank(w, n);
      }
      done = w.RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
        for (std::size_t i = 0; i < fromOrg; ++i) {
          w.RecordBuffer = moves[i].record;
          PutOrgWord(w.RecordBuffer, of::Number, static_cast<std::uint16_t>(moves[i].from));
          w.ClearRecord();  // blanked as F8 blanks, keeping its number
          w.RecordWriteAt(moves[i].from);
          if (!w.lastIoOk()) return false;
        }
        for (const Move& m : staying) {
          w.RecordBuffer = m.record;
          w.RecordWriteAt(m.to);
          if (!w.lastIoOk()) return false;
        }
        for (const auto& [to, record] : target) {
          if (to <= w.Count) {
            w.RecordBuffer = *record;
            w.RecordWriteAt(to);
            if (!w.lastIoOk()) return false;
            continue;
          }
          while (w.Count + 1 < to) {  // the numbers between stay free
            w.RecordBuffer = w.BlankRecord;
            PutOrgWord(w.RecordBuffer, of::Number, static_cast<std::uint16_t>(w.Count + 1));
            if (!w.AppendRecord()) return false;
          }
          w.RecordBuffer = *record;
          if (!w.AppendRecord()) return false;
        }
        return true;
      }, plan);
    }
    w.ActiveOrder = order;
    if (done && order > 0) {  // the sorted view would show the old places
      w.ActiveOrder = 0;
      w.GridColor = w.SavedGridColor;
    }
  }
  w.RepaintPage();
  if (!refusal.empty()) {
    common::MessageOk(refusal);
  } else if (done || (moves.empty() && !failed)) {
    common::MessageOk(Cz("Orvek2017: přečíslováno partnerů ") + Number(others + prefixed) +
                      (prefix.empty() ? std::string() : " (" + Number(prefixed) + Cz(" s DIČ ") + prefix + ")") +
                      Cz(", přidáno ze souboru ") + common::ShownPath(addedPath) + ": " + Number(addedCount));
  }
}

}  // namespace partners
