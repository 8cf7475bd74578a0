// The service operations of the report list's popup menu.
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "browser/entries.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/iocodes.h"
#include "common/indexsort.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"
#include "reports/catalogue.h"
#include "reports/pozri.h"
#include "reports/spool.h"
#include "ui/backend.h"

namespace reports {

using common::Cz;

namespace {

// The plain lines of a report of fixed lines, scrambled ones unscrambled (a
// scrambled line may hold CR LF bytes, so it is read as a fixed record).
std::vector<std::string> FixedReportLines(const std::string& text, const std::string& key) {
  std::int32_t count = 0;
  const std::int32_t width = common::MeasureReportLines(
      std::string_view(text).substr(0, common::kReportHeadBytes), text.size(), count);
  std::vector<std::string> lines;
  const std::size_t record = static_cast<std::size_t>(width) + 2;
  for (std::int32_t i = 0; i < count; ++i)
    lines.push_back(common::UnscrambleText(text.substr(static_cast<std::size_t>(i) * record, static_cast<std::size_t>(width)), key));
  return lines;
}

// A file of equal lines, each ended by CR LF: the reports the viewer converts. A plain
// one has no line end inside a line; a scrambled line may hold CR LF bytes, but a
// single "line" with inner line ends is a text of unequal lines, not a report.
bool IsFixedReport(const std::string& path, bool plain) {
  std::int32_t count = 0, plainCount = 0;
  const std::int32_t width = common::ReportLineInfo(path, count);
  const std::int32_t size = common::CheckFile(path);
  if (width <= 0 || count <= 0 || size != count * (width + 2)) return false;
  const bool plainShape = common::TextLineInfo1(path, plainCount) == width;
  return plain ? plainShape : plainShape || count > 1;
}

// "1" part and l part of an archive name: the fifth character.
std::string WithFifth(std::string name, char c) {
  if (name.size() >= 5) name[4] = c;
  return name;
}
bool IsArchiveOne(const std::string& name) { return common::UpperCz(common::Copy(name, 3, 3)) == "AR1"; }

}  // namespace

// ---------------------------------------------------------------- line lengths

void TfSpool::c1Click() {
  const SpoolEntry* e = CurrentEntry();
  if (!e) return;
  const std::string path = EntryPath(*e);
  std::string text;
  if (const int code = common::ReadFileText(path, text)) {
    common::FileErrorMessage(" cte soubor: ", path, code);
    return;
  }
  const common::Session& s = common::CurrentSession();
  const bool scrambled = s.ScrambleOn != 0;
  std::vector<std::string> lines = scrambled ? FixedReportLines(text, s.ScrambleKey) : common::SplitTextLines(text);
  std::size_t width = kFixedLineWidth;
  for (std::string& line : lines) {
    line = common::StripLeftSp(line);
    width = std::max(width, line.size());
  }
  std::string out;
  out.reserve(lines.size() * (width + 2));
  for (const std::string& line : lines) {
    std::string fixed = line;
    fixed.resize(width, ' ');
    out += (scrambled ? common::ScrambleText(fixed, s.ScrambleKey) : fixed) + "\r\n";
  }
  if (const int code = common::ReplaceFileContents(path, out)) common::FileErrorMessage(" pise soubor: ", path, code);
}

// ---------------------------------------------------------------- archive titles

void TfSpool::A1Click() { ArchiveTitles("OFCRP.DTA", "OFAR"); }
void TfSpool::b1Click() { ArchiveTitles("ZFCRP.DTA", "ZFAR"); }

void TfSpool::ArchiveTitles(const std::string& listFile, const std::string& prefix) {
  std::vector<std::string> catalogue;
  if (!ReadCatalogue(catalogue)) return;
  catalogue.erase(std::remove(catalogue.begin(), catalogue.end(), std::string()), catalogue.end());
  if (catalogue.empty()) return;
  const std::string listPath = common::DataDir(listFile);
  std::string text;
  if (const int code = common::ReadFileText(listPath, text)) {
    if (code != 2 && code != 3) common::FileErrorMessage(" cte soubor: ", listPath, code);
    return;
  }
  const std::size_t original = catalogue.size();
  for (const std::string& line : common::SplitTextLines(text)) {
    const std::string number = common::Copy(line, 1, 4), title = common::Copy(line, 5, 30);
    bool replaced = false;
    for (std::size_t i = 0; i < original && !replaced; ++i) {
      if (common::Copy(catalogue[i], 1, 4) == prefix && common::Copy(catalogue[i], 5, 4) == number) {
        catalogue[i] = common::Copy(catalogue[i], 1, 18) + title;
        replaced = true;
      }
    }
    if (!replaced) catalogue.push_back(prefix + number + "|OF      |" + title);
  }
  if (const int code = WriteCatalogue(catalogue)) common::FileErrorMessage(" pise soubor: ", CatalogueFile(), code);
}

// ---------------------------------------------------------------- joins

void TfSpool::d1Click() { JoinArchives(true); }
void TfSpool::e1Click() { JoinArchives(false); }

namespace {

// What a part of an archive held: there or not, its size and its check.
struct PartState {
  bool there = false;
  std::uint64_t size = 0, hash = 0;
  bool operator==(const PartState&) const = default;
};

PartState StateOf(bool there, const std::string& text) {
  return there ? PartState{true, text.size(), common::ContentHash(text)} : PartState{};
}

std::string StateText(const PartState& p) {
  if (!p.there) return "-";
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(p.hash));
  return std::to_string(p.size) + " " + hex;
}

bool ParseState(const std::string& line, PartState& p) {
  p = {};
  if (line == "-") return true;
  const std::size_t blank = line.find(' ');
  if (blank == std::string::npos || line.size() - blank - 1 != 16) return false;
  const char* end = line.data() + line.size();
  const auto size = std::from_chars(line.data(), line.data() + blank, p.size);
  const auto hash = std::from_chars(line.data() + blank + 1, end, p.hash, 16);
  p.there = true;
  return size.ec == std::errc() && size.ptr == line.data() + blank && hash.ec == std::errc() && hash.ptr == end;
}

constexpr char kJoinMarkHead[] = "TAVONA spojeni archivu";

// A join's mark, beside the parts from before its first write until after its last:
// ".~" + the "1" part's name + ".join" (no report, no temporary: neither the list nor
// the clearing of temporaries takes it). It says which join it was and what the kept
// part held, what the other part held and what the kept part becomes, so the next join
// tells a join cut off half way from parts that merely share lines. A join that adds
// what the other part gained since a cut-off join also says how many bytes at the
// kept part's start are the other part's already; once the kept part is written, the
// mark says that the other part is being erased ("erase"), so that a part begun anew
// after that is told from one that changed.
std::string JoinMarkName(const std::string& onePath) {
  const std::string name(common::NamePart(onePath));
  return std::string(common::FolderPart(onePath)) + ".~" + name.substr(0, name.rfind('.')) + ".join";
}

struct JoinMark {
  bool intoEll = true;
  PartState kept, gone, joined;
  std::uint64_t held = 0;
  bool erasing = false;
};

std::string JoinMarkText(const JoinMark& m) {
  return std::string(kJoinMarkHead) + "\r\n" + (m.intoEll ? "1+l" : "l+1") + "\r\n" + StateText(m.kept) + "\r\n" +
         StateText(m.gone) + "\r\n" + StateText(m.joined) + "\r\n" +
         (m.held > 0 ? std::to_string(m.held) + "\r\n" : std::string()) + (m.erasing ? "erase\r\n" : "");
}

bool ParseJoinMark(const std::string& text, JoinMark& m) {
  const std::vector<std::string> lines = common::SplitTextLines(text);
  if (lines.size() < 5 || lines.size() > 7 || lines[0] != kJoinMarkHead || (lines[1] != "1+l" && lines[1] != "l+1"))
    return false;
  m.intoEll = lines[1] == "1+l";
  m.held = 0;
  m.erasing = lines.back() == "erase" && lines.size() > 5;
  if (lines.size() - (m.erasing ? 1 : 0) == 6) {
    const std::string& h = lines[5];
    const auto r = std::from_chars(h.data(), h.data() + h.size(), m.held);
    if (r.ec != std::errc() || r.ptr != h.data() + h.size() || m.held == 0) return false;
  } else if (lines.size() - (m.erasing ? 1 : 0) != 5) {
    return false;
  }
  return ParseState(lines[2], m.kept) && ParseState(lines[3], m.gone) && ParseState(lines[4], m.joined) &&
         m.gone.there && m.joined.there;
}

// The text begins with what `state` describes, or is just that.
bool BeginsAs(bool there, const std::string& text, const PartState& state) {
  return there && state.there && text.size() >= state.size &&
         StateOf(true, text.substr(0, static_cast<std::size_t>(state.size))) == state;
}

std::string JoinFailure(const std::string& path, int code) {
  return common::ShownPath(path) + " err " + std::to_string(code);
}

// A part's text; a missing part is no failure (`there` false).
int ReadPart(const std::string& path, std::string& text, bool& there) {
  const int code = common::ReadFileText(path, text);
  there = code == 0;
  return code == common::io::kFileNotFound ? 0 : code;
}

std::string ChangedSinceCutJoin(const std::string& mark) {
  return common::ShownPath(mark) + Cz(": spojení nebylo dokončeno a části se od té doby změnily");
}

// What a join cut off half way left (its mark) means for the next join. When its kept
// part was written (what was archived behind it since stays there), the join is
// finished: the other part is erased, unless it gained lines since, which are then
// joined as well (`held`: the bytes of the kept part that are the other part's
// already; the mark stays until that join is done). When nothing was written, the
// archive is joined as any other. Parts that match neither are left as they are, with
// the mark. Empty, or what failed.
std::string FinishCutJoin(const std::string& mark, const std::string& markText, const std::string& one,
                          const std::string& ell, bool& done, std::uint64_t& held) {
  done = false;
  held = 0;
  JoinMark m;
  if (!ParseJoinMark(markText, m)) return common::ShownPath(mark) + Cz(" je poškozen");
  const std::string& kept = m.intoEll ? ell : one;
  const std::string& gone = m.intoEll ? one : ell;
  std::string keptText, goneText;
  bool keptThere = false, goneThere = false;
  if (const int code = ReadPart(kept, keptText, keptThere)) return JoinFailure(kept, code);
  if (const int code = ReadPart(gone, goneText, goneThere)) return JoinFailure(gone, code);
  const PartState keptNow = StateOf(keptThere, keptText);
  // Lines archived since stand behind what the part held; a joined part that grew
  // also begins as its old self may (the other part first), so the joined text counts first.
  const bool keptJoined = keptNow != m.kept && BeginsAs(keptThere, keptText, m.joined);
  const bool keptOld = !keptJoined && (keptNow == m.kept || BeginsAs(keptThere, keptText, m.kept));
  if (keptJoined) {
    const bool goneAsJoined = goneThere && StateOf(true, goneText) == m.gone;
    if (goneAsJoined) {
      if (const int code = common::EraseFile(gone)) return JoinFailure(gone, code);
    } else if (goneThere && BeginsAs(true, goneText, m.gone)) {
      held = m.gone.size;  // only the lines added behind the joined ones are joined now
      return {};
    } else if (goneThere && !m.erasing) {
      return ChangedSinceCutJoin(mark);  // not told from a part joined already
    }
    // Else it was erased by that join and begun anew since: it is joined as any other.
    done = !goneThere || goneAsJoined;
  } else if (keptOld) {
    held = m.held;
    if (held > 0) return {};  // that join's mark stays until its own is written
  } else {
    return ChangedSinceCutJoin(mark);
  }
  if (const int code = common::EraseFile(mark)) {
    done = false;
    return JoinFailure(mark, code);
  }
  return {};
}

enum class JoinEnd { Joined, Failed, Stopped };

// Joins the two parts of one archive: d1 (intoEll) writes the "1" part followed by
// the l part over the l part and erases the "1" part; e1 writes the l part followed by
// the "1" part over the "1" part and erases the l part. A missing l part counts as
// empty. Only under the write locks of both parts: a lock not taken stops the join
// (Stopped, `failure` names the file). The join's mark is written first and erased
// last, and the joined text is written whole before anything is erased: a part that
// cannot be written or erased leaves both as they were, and a join killed half way is
// finished by the next one (`finishOnly`: nothing more is done). The temporaries a
// killed join left are cleared first.
JoinEnd JoinParts(const std::string& one, const std::string& ell, bool intoEll, bool finishOnly, std::string& failure) {
  const auto stopped = [&](const std::string& part) {
    failure = common::ShownPath(part);
    return JoinEnd::Stopped;
  };
  common::ScopedFileLock lockOne(one, "W");
  if (common::GivenUpOrStopped(lockOne.result())) return stopped(one);
  common::ScopedFileLock lockEll(ell, "W");
  if (common::GivenUpOrStopped(lockEll.result())) return stopped(ell);
  const std::string mark = JoinMarkName(one);
  (void)common::RemoveDeadTemps(std::string(common::FolderPart(one)),
                                {std::string(common::NamePart(one)), std::string(common::NamePart(ell)),
                                 std::string(common::NamePart(mark))});
  const auto failed = [&](std::string text) {
    failure = std::move(text);
    return JoinEnd::Failed;
  };
  std::string markText;
  bool markThere = false;
  std::uint64_t held = 0;  // bytes at the kept part's start that are the other part's already
  if (const int code = ReadPart(mark, markText, markThere)) return failed(JoinFailure(mark, code));
  if (markThere) {
    bool done = false;
    if (std::string cut = FinishCutJoin(mark, markText, one, ell, done, held); !cut.empty()) return failed(cut);
    if (done) return JoinEnd::Joined;
  }
  if (finishOnly) return JoinEnd::Joined;

  std::string textOne, textEll;
  bool ellThere = false;
  if (const int code = common::ReadFileText(one, textOne)) return failed(JoinFailure(one, code));
  if (const int code = ReadPart(ell, textEll, ellThere)) return failed(JoinFailure(ell, code));
  if (!intoEll && !ellThere) return JoinEnd::Joined;  // the "1" part alone is the whole archive
  const std::string& kept = intoEll ? ell : one;
  const std::string& gone = intoEll ? one : ell;
  const std::string& keptText = intoEll ? textEll : textOne;
  const std::string& goneText = intoEll ? textOne : textEll;
  // Either way the other part comes first; what the kept part holds of it already is not
  // taken twice.
  if (held > 0 && (keptText.size() < held || goneText.size() < held ||
                   keptText.compare(0, static_cast<std::size_t>(held), goneText, 0, static_cast<std::size_t>(held)) != 0))
    return failed(ChangedSinceCutJoin(mark));
  const std::string joined = goneText + keptText.substr(static_cast<std::size_t>(held));
  const bool keptThere = intoEll ? ellThere : true;
  const JoinMark m{intoEll, StateOf(keptThere, keptText), StateOf(true, goneText), StateOf(true, joined), held};
  // A mark left for this join is replaced whole, never erased first.
  if (const int code = held > 0 ? common::ReplaceFileContents(mark, JoinMarkText(m))
                                : common::CreateNewFile(mark, JoinMarkText(m)))
    return failed(JoinFailure(mark, code));
  // Failing from here, the parts are left as the mark says they were before this join.
  const auto dropMark = [&] {
    if (held == 0) (void)common::EraseFile(mark);
  };
  if (const int code = common::ReplaceFileContents(kept, joined)) {
    dropMark();
    return failed(JoinFailure(kept, code));
  }
  JoinMark erasing = m;
  erasing.erasing = true;
  // Not rewritten, the mark only leaves a part begun anew after the erase to be named.
  (void)common::ReplaceFileContents(mark, JoinMarkText(erasing));
  if (const int code = common::EraseFile(gone)) {
    // The part that stays gets its old text back (or goes again, when it was not there).
    const int back = !keptThere ? common::EraseFile(kept) : common::ReplaceFileContents(kept, keptText);
    if (back == 0) dropMark();
    return failed(JoinFailure(gone, code) + (back != 0 ? Cz(", ") + JoinFailure(kept, back) : std::string()));
  }
  // A mark that cannot go says only that the join is done: the next join takes it away.
  (void)common::EraseFile(mark);
  return JoinEnd::Joined;
}

bool IsArchiveEll(const std::string& name) { return common::UpperCz(common::Copy(name, 3, 3)) == "ARL"; }

}  // namespace

// Joins the parts of every listed archive, each where its entry lies (the data folder
// when the entry names no place); an archive whose l part alone is listed only has a
// join cut off half way finished. The end message names the archives not joined; a
// lock not taken stops the run there and says so.
void TfSpool::JoinArchives(bool intoEll) {
  std::vector<std::string> failed, notJoinedNames, seen;
  std::size_t joined = 0;
  std::string stoppedAt;
  const auto codeOf = [](const std::string& name1) {
    return common::Copy(name1 + std::string(kCatalogueCodeLength, ' '), 1, kCatalogueCodeLength);
  };
  for (std::size_t i = 0; i < Entries.size(); ++i) {
    const std::string name = common::StripRightSp(Entries[i].name);
    const bool isOne = IsArchiveOne(name);
    if (!isOne && !IsArchiveEll(name)) continue;
    const std::string name1 = WithFifth(name, '1');
    const std::string& place = Entries[i].place;
    const std::string key = place + "|" + common::UpperCz(name1);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    const auto where = [&](const std::string& n) { return place.empty() ? common::DataDir(n) : place + n; };
    const std::string one = where(name1 + ".txt"), ell = where(WithFifth(name1, 'l') + ".txt");
    // Only the l part listed: joined already, unless a cut-off join left its mark.
    const bool oneListed =
        isOne || std::any_of(Entries.begin() + static_cast<std::ptrdiff_t>(i), Entries.end(), [&](const SpoolEntry& e) {
          return e.place == place && common::StripRightSp(e.name) == name1;
        });
    if (!oneListed && !common::FileExists(JoinMarkName(one))) continue;
    seen.push_back(key);
    if (!stoppedAt.empty()) {
      if (oneListed) notJoinedNames.push_back(codeOf(name1));
      continue;
    }
    std::string failure;
    switch (JoinParts(one, ell, intoEll, !oneListed, failure)) {
      case JoinEnd::Stopped:
        stoppedAt = failure;
        notJoinedNames.push_back(codeOf(name1));
        continue;
      case JoinEnd::Failed:
        failed.push_back(name1 + " (" + failure + ")");
        notJoinedNames.push_back(codeOf(name1));
        continue;
      case JoinEnd::Joined: break;
    }
    if (!oneListed) continue;
    ++joined;
    GoToRecord(static_cast<std::int32_t>(i + 1), 0);
    RepaintPage();
  }
  if (intoEll) {
    // The catalogue names the l parts from now on; the lines of archives not joined stay.
    const auto notJoined = [&](const std::string& line) {
      for (const std::string& name : notJoinedNames)
        if (CatalogueCodeMatches(common::Copy(line, 1, kCatalogueCodeLength), name)) return true;
      return false;
    };
    std::vector<std::string> catalogue;
    if (ReadCatalogue(catalogue)) {
      for (std::string& line : catalogue)
        if (IsArchiveOne(line) && !notJoined(line)) line = WithFifth(line, 'l');
      if (const int code = WriteCatalogue(catalogue)) common::FileErrorMessage(" pise soubor: ", CatalogueFile(), code);
    }
  }
  if (failed.empty() && stoppedAt.empty()) return common::MessageOk("OK");
  std::string text;
  if (!stoppedAt.empty())
    text = Cz("Spojování archivů zastaveno, soubor ") + stoppedAt + Cz(" nelze zamknout. ");
  text += Cz("Spojeno archivů: ") + std::to_string(joined) + ".";
  if (!failed.empty()) {
    text += Cz(" Nespojeno: ");
    for (std::size_t k = 0; k < failed.size(); ++k) text += (k ? ", " : "") + failed[k];
  }
  common::MessageOk(text);
}

// ---------------------------------------------------------------- split

void TfSpool::f1Click() {
  const SpoolEntry* e = CurrentEntry();
  if (!e || e->Erased()) return;
  const std::string path = EntryPath(*e);
  const std::string name = NameWithoutExtension(e->file);
  if (name.size() < 2) return;
  const std::int32_t n = common::TextToInt(name.substr(name.size() - 2)) + 1;
  const std::string base = e->place + name.substr(0, name.size() - 2);
  const std::string target1 = base + common::FormatNumberMask("@@", n) + ".txt";
  const std::string target2 = base + common::FormatNumberMask("@@", n + 1) + ".txt";
  std::string answer(9, ' ');
  if (!browser::AskString(1, 1, Cz("Zadejte hranici pro střih (číslo řádku)"), answer)) return;
  std::int64_t limit = common::TextToInt(answer);

  std::string text;
  if (const int code = common::ReadFileText(path, text)) return common::FileErrorMessage(" cte soubor: ", path, code);
  // Whole records of the report's own width (scrambled lines are moved as they are).
  std::int32_t count = 0;
  const std::int32_t width = common::MeasureReportLines(std::string_view(text).substr(0, common::kReportHeadBytes), text.size(), count);
  const std::size_t record = static_cast<std::size_t>(width) + 2;
  std::string parts[2];
  int part = 0;
  std::int64_t inPart = 0;
  for (std::int32_t i = 1; i <= count; ++i) {
    if (i % 1000 == 0) {
      eHled.SetText(common::FormatNumberMask("### ###", i / 1000));
      ui::ProcessMessages();
    }
    if (++inPart > limit && part == 0) {
      part = 1;
      limit = 10'000'000;
      inPart = 1;
    }
    parts[part].append(text, static_cast<std::size_t>(i - 1) * record, record);
  }
  for (int t = 0; t < 2; ++t) {
    const std::string& target = t == 0 ? target1 : target2;
    if (const int code = common::ReplaceFileContents(target, parts[t])) {
      common::FileErrorMessage(" pise soubor: ", target, code);
      return;
    }
  }
  CloseBrowse();
  SetupSpool();
}

// ---------------------------------------------------------------- scrambling

void TfSpool::ConvertReports(bool scramble) {
  TfPozri& viewer = fPozri2();
  for (const SpoolEntry& e : Entries) {
    if (e.Erased()) continue;
    const std::string path = EntryPath(e);
    if (common::CheckFile(path) < 1 || !IsFixedReport(path, scramble)) continue;
    browser::ShowBlik(Cz("Převádím ") + common::Copy(e.name, 1, 39));
    viewer.SetupPozri(path);
    scramble ? viewer.PozriScrambleAll() : viewer.PozriUnscrambleAll();
    viewer.CloseBrowse();
  }
}

void TfSpool::g1Click() {
  ConvertReports(true);
  common::WriteJobIn(common::DataDir(""), "GDPR", "ANO");
  common::CurrentSession().ScrambleOn = 1;
  browser::CloseBlik();
  common::MessageOk("OK");
}

void TfSpool::i1Click() {
  ConvertReports(false);
  browser::CloseBlik();
  common::MessageOk("OK");
}

void TfSpool::ConvertDocuments(bool scramble, bool dfOnly, bool pictures) {
  browser::ShowBlik(Cz("Převádím archivy"));
  std::vector<std::string> folders;
  common::ListDirs(common::DataDir("doklady\\*.*"), folders, 16, 1000);
  TfPozri& viewer = fPozri2();
  for (const std::string& padded : folders) {
    const std::string folder = common::StripRightSp(padded);
    const std::string kind = common::UpperCz(folder.substr(0, 2));
    const bool df = kind == "DF" || kind == "DZ";
    const bool withPictures = kind == "OF" || kind == "ZF";
    if (dfOnly ? !df : !(df || withPictures || kind == "PO" || kind == "PZ")) continue;
    const std::string dir = common::DataDir("doklady\\" + folder + "\\");
    browser::ShowBlik(Cz("Převádím ") + folder + " .txt");
    std::vector<std::string> files;
    common::ListFiles(dir + "*.txt", files, common::kListNameWidth, 10000);
    for (const std::string& f : files) {
      const std::string path = dir + common::StripRightSp(f);
      if (!IsFixedReport(path, scramble)) continue;
      viewer.SetupPozri(path);
      scramble ? viewer.PozriScrambleAll() : viewer.PozriUnscrambleAll();
      viewer.CloseBrowse();
    }
    if (!pictures || !withPictures) continue;
    browser::ShowBlik(Cz("Převádím ") + folder + " .jpg");
    files.clear();
    common::ListFiles(dir + "*.jpg", files, common::kListNameWidth, 10000);
    for (const std::string& f : files) {
      const std::string path = dir + common::StripRightSp(f);
      try {
        scramble ? common::ScrambleFile(path) : common::UnscrambleFile(path);
      } catch (const common::IoError& err) {
        common::FileErrorMessage(" pise soubor: ", path, err.code);
      }
    }
  }
  browser::CloseBlik();
}

void TfSpool::h1Click() {
  browser::ShowBlik(Cz("Převádím ORG"));
  // Partners left plain under the switch would be read as scrambled: nothing goes further.
  if (SpoolHooks().scrambleMarkedPartners && !SpoolHooks().scrambleMarkedPartners()) {
    browser::CloseBlik();
    return;
  }
  ConvertDocuments(true, false, true);
  common::WriteJobIn(common::DataDir(""), "GDPR", "ANO");
  common::CurrentSession().ScrambleOn = 1;
  common::MessageOk("Hotovo");
}

void TfSpool::j1Click() {
  ConvertDocuments(false, false, true);
  common::MessageOk("Hotovo");
}

void TfSpool::k1Click() {
  ConvertDocuments(true, true, false);
  common::MessageOk("Hotovo");
}

}  // namespace reports
