// tavcli: the shared services from the command line, run in the start folder.
//   tavcli [--clock YYYY-MM-DDTHH:MM:SS] COMMAND ARGS...      (tavcli --help for all)
// Arguments and output are UTF-8; inside, texts are Windows-1250 as in the files.
// Exit codes: 0 done, 1 the command failed, 2 the command line is wrong.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/iocodes.h"
#include "common/jobfile.h"
#include "common/lockclient.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/params.h"
#include "common/protocol.h"
#include "common/session.h"
#include "common/startup.h"
#include "common/text.h"
#include "common/usertab.h"
#include "common/winpath.h"

using namespace common;

namespace {

using Args = std::vector<std::string>;  // Windows-1250

constexpr int kFailed = 1;
constexpr int kWrongUse = 2;

void Print(const std::string& text) { std::printf("%s\n", Win1250ToUtf8(text).c_str()); }

// A wrong command line: what is wrong, naming the argument, then where to look.
int WrongUse(const std::string& what) {
  std::fprintf(stderr, "tavcli: %s\nTry 'tavcli --help'.\n", what.c_str());
  return kWrongUse;
}

std::string Quoted(const std::string& win1250) { return "'" + Win1250ToUtf8(win1250) + "'"; }

const char* CodeText(int code) {
  switch (code) {
    case io::kFileNotFound: return "file not found";
    case io::kPathNotFound: return "folder not found (is its drive in drives.map?)";
    case io::kAccessDenied: return "access denied";
    case io::kInvalidData: return "not a file of its kind; left as it is";
    case io::kSharingViolation: return "the file is in use by another program";
    case io::kLockViolation: return "the file stayed locked";
    case io::kReadPastEnd: return "read error";
    case io::kDiskWriteError: return "write error (disk full?)";
    default: return "I/O error";
  }
}

// The file of an error by its name and, when it differs, its real path.
int Failed(const IoError& e) {
  std::string real;
  (void)ResolveName(e.file, real);
  const std::string name = Win1250ToUtf8(e.file);
  std::string where = name;
  if (!real.empty() && real != name) where += " (" + real + ")";
  std::fprintf(stderr, "tavcli: %s: %s (code %d)\n", where.c_str(), CodeText(e.code), e.code);
  return kFailed;
}

// ---------------------------------------------------------------- commands

// The job file a job command works on, checked: a file of a wrong size (the start
// folder's included, which the program would pass over) is reported; a file that
// cannot be looked at (its folder missing) is an error. False when it must not be used.
bool UsableJobFile(const Args& a) {
  const bool in = a.size() >= 3 && a[0] == "--in";
  const std::string file = in ? a[1] + kJobFileName : JobFileName(CurrentSession());
  if ((!in && !JobFileSizeOk(kJobFileName)) || !JobFileSizeOk(file)) return false;
  const std::int32_t size = CheckFile(file);
  if (size < 0 && size != -io::kFileNotFound) throw IoError(-size, file);
  return true;
}

// "job get NAME" or "job get --in FOLDER NAME".
int JobGet(const Args& a) {
  if (!UsableJobFile(a)) return kFailed;
  Print(a.size() == 3 ? ReadJobIn(a[1], a[2]) : GetJob(a[0]));
  return 0;
}

// "job set NAME VALUE" or "job set --in FOLDER NAME VALUE". A name or value longer than an
// entry holds is refused, not cut: a cut server address names another machine.
int JobSet(const Args& a) {
  const std::string& name = a[a.size() - 2];
  const std::string& value = a.back();
  constexpr std::size_t kEntry = 8;
  if (name.size() > kEntry)
    return WrongUse("name " + Quoted(name) + " is " + std::to_string(name.size()) + " characters long; an entry holds " +
                    std::to_string(kEntry));
  if (value.size() > kEntry) {
    std::string more;
    const std::string set = a.size() == 4 ? "job set --in " + Quoted(a[1]) + " " : "job set ";
    if (UpperCz(name) == "SERVER1" && value.size() <= 2 * kEntry)
      more = "; a longer server address continues in SERVER2: " + set + "SERVER1 " + Quoted(value.substr(0, kEntry)) +
             ", then " + set + "SERVER2 " + Quoted(value.substr(kEntry));
    else if (UpperCz(name).starts_with("SERVER"))
      more = "; a server address holds at most 16 characters, 8 in SERVER1 and 8 in SERVER2";
    return WrongUse("value " + Quoted(value) + " of " + Win1250ToUtf8(name) + " is " + std::to_string(value.size()) +
                    " characters long; an entry holds " + std::to_string(kEntry) + more);
  }
  if (!UsableJobFile(a)) return kFailed;
  if (a.size() == 4) WriteJobIn(a[1], a[2], a[3]);
  else WriteJob(a[0], a[1]);
  return 0;
}

int ParamGet(const Args& a) {
  Print(ReadParam(a[0], a[1]));
  return 0;
}

int ParamSet(const Args& a) {
  WriteParam(a[0], a[1], a[2]);
  FlushParams();
  return 0;
}

int Log(const Args& a) {
  LogProtocol(a[0]);
  return 0;
}

int DataDirCmd(const Args& a) {
  Print(DataDir(a.empty() ? std::string() : a[0]));
  return 0;
}

int UserSlot(const Args&) {
  Print(CurrentSession().StartUserText);
  return 0;
}

// Entry N (0..99) of the data folder's "UZIVATEL.tab" := VALUE, as the suite's main
// program sets it (0 frees a slot, 99 takes it; entry 0 not 0 stops the watch).
int UserSlotSet(const Args& a) {
  char* end = nullptr;
  const long n = std::strtol(a[0].c_str(), &end, 10);
  if (a[0].empty() || *end || n < 0 || n >= kUserTabEntries) {
    std::fprintf(stderr, "tavcli: entry %s is not a number 0..99\n", Win1250ToUtf8(a[0]).c_str());
    return 2;
  }
  const long v = std::strtol(a[1].c_str(), &end, 10);
  if (a[1].empty() || *end || v < 0 || v > 65535) {
    std::fprintf(stderr, "tavcli: value %s is not a number 0..65535\n", Win1250ToUtf8(a[1]).c_str());
    return 2;
  }
  const int code = WriteUserTabEntry(CurrentSession(), static_cast<int>(n), static_cast<std::uint16_t>(v));
  if (code != 0) throw IoError(code, DataDir(kUserTabName));
  return 0;
}

int Startup(const Args&) {
  const Session& s = CurrentSession();
  auto line = [](const char* name, const std::string& value) { Print(std::string(name) + "=" + value); };
  auto num = [&](const char* name, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", value);
    line(name, buf);
  };
  line("CurrentUser", s.CurrentUser);
  num("UserNo", s.UserNo);
  line("LockServerName", s.LockServerName);
  num("ScrambleOn", s.ScrambleOn);
  num("FjOn", s.FjOn);
  line("CurrencyCode", s.CurrencyCode);
  num("LimRad", s.LimRad);
  line("StartDir", s.StartDir);
  num("LocksOff", s.LocksOff);
  num("PrintMode", s.PrintMode);
  num("AresOn", s.AresOn);
  line("FirmTitle", s.FirmTitle);
  line("ComputerId", s.ComputerId);
  line("StartUserText", s.StartUserText);
  line("AccYear", s.AccYear);
  line("AccPeriod", s.AccPeriod);
  num("SemicolonOut", s.SemicolonOut);
  num("JobLoadState", s.JobLoadState);
  return 0;
}

// Lock commands: the session as start-up loads it, the workstation of the start folder
// (without a "master.job" there it has no user number, as the program has none there);
// a wait notice is printed and ends the wait at once, so nothing hangs.
class GiveUpNotifier : public ConsoleNotifier {
 public:
  bool LockWait(const std::string& text, int) override {
    Message(text);
    return true;
  }
};

struct LockRun {
  LockRun() { session.LocksOff = 0; }
  GiveUpNotifier notifier;
  ScopedNotifier scoped{notifier};
  Session& session = CurrentSession();
};

int LockResultOut(LockResult r) {
  Print(r == LockResult::Held            ? "held"
        : r == LockResult::Skipped       ? "skipped"
        : r == LockResult::ReadOnlyTable ? "not held: the lock table cannot be written"
                                         : "given up");
  return GivenUpOrStopped(r) || r == LockResult::ReadOnlyTable ? kFailed : 0;
}

// KIND: R (read) or W (write), checked before the command runs.
std::string LockKind(const std::string& kind) { return kind == "R" || kind == "r" ? "" : "W"; }

// HOST or HOST:PORT (the port for tests; the program always uses 5050), checked before.
bool ParsePort(std::string_view text, int& port) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  return ec == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

bool ConnectServer(Session& s, const std::string& address) {
  const std::size_t colon = address.find(':');
  s.LockServerName = address.substr(0, colon);
  int port = kLockServerPort;
  if (colon != std::string::npos && !ParsePort(std::string_view(address).substr(colon + 1), port)) return false;
  if (CurrentLockClient().Connect(s.LockServerName, static_cast<std::uint16_t>(port)) == 0) return true;
  std::fprintf(stderr, "tavcli: no lock server answers at %s\n", Win1250ToUtf8(address).c_str());
  return false;
}

int LockCmd(const Args& a) {
  LockRun run;
  return LockResultOut(LockFile(run.session, a[1], LockKind(a[0])));
}

int LockServerCmd(const Args& a) {
  LockRun run;
  if (!ConnectServer(run.session, a[0])) return kFailed;
  const int rc = LockResultOut(LockFile(run.session, a[2], LockKind(a[1])));
  DisconnectLockServer(run.session);
  return rc;
}

int IfVolnyServerCmd(const Args& a) {
  LockRun run;
  if (!ConnectServer(run.session, a[0])) return kFailed;
  Print(IfVolny(run.session, a[1]));
  DisconnectLockServer(run.session);
  return 0;
}

// Releases this user's entry on PATH or, when it has none, one without a user number
// (left by a batch or a run without one); says which, or why nothing was released.
int UnlockCmd(const Args& a) {
  LockRun run;
  Session& s = run.session;
  const std::string& user = s.CurrentUser;
  const std::string path = Win1250ToUtf8(a[0]);
  const std::string own = user.empty() ? "entry without a user number" : "entry of user " + user;
  const ClearedEntry c = ClearLeftEntry(s, a[0]);
  std::string why;
  switch (c.result) {
    case ClearedEntry::Result::Released:
      if (ServerMode(s))
        Print("asked the lock server " + StripRightSp(s.LockServerName) + " to release the " + own + " on " + a[0] +
              " (it releases the entries of a workstation that ended)");
      else
        Print("released " + c.entry + (HolderWithoutUser(c.entry) ? " without a user number" : "") + " on " + a[0]);
      return 0;
    case ClearedEntry::Result::NoneMatched:
      why = "no lock " + own + (user.empty() ? "" : " nor one without a user number") + " on " + path +
            " in FOT.tab, nothing released";
      if (!c.other.empty()) why += "; " + Win1250ToUtf8(c.other) + " holds it (release it at that workstation)";
      break;
    case ClearedEntry::Result::NotLocked:
      why = path + " is never locked (locks are off, or it lies in the start folder), nothing released";
      break;
    case ClearedEntry::Result::Failed:  // the wait notice said why
      why = "the lock table of " + path + " could not be used, nothing released";
      break;
  }
  std::fprintf(stderr, "tavcli: %s\n", why.c_str());
  return kFailed;
}

int IfVolnyCmd(const Args& a) {
  LockRun run;
  Print(IfVolny(run.session, a[0]));
  return 0;
}

// ---------------------------------------------------------------- the table

enum class Check { None, Kind, Server, KindAfterServer, InFolder };

struct Command {
  const char* words;  // the command's words, then its fixed options ("--in", "--server")
  int args;           // arguments after the words (-1: zero or one)
  bool startup;       // runs the program's start-up first (else only the drive map)
  Check check;
  const char* usage;
  const char* help;
  int (*run)(const Args&);
};

const Command kCommands[] = {
    {"job get --in", 2, false, Check::InFolder, "job get --in FOLDER NAME",
     "print entry NAME of FOLDER's \"master.job\" (FOLDER in Windows form, ending in \\)", JobGet},
    {"job get", 1, false, Check::None, "job get NAME",
     "print entry NAME of the job file in use: \"master.job\" of the start folder when it has\n"
     "one, else the data folder's (an old 1818-byte file is widened to 3600 bytes)", JobGet},
    {"job set --in", 3, false, Check::InFolder, "job set --in FOLDER NAME VALUE",
     "store NAME=VALUE in FOLDER's \"master.job\" (created when missing)", JobSet},
    {"job set", 2, false, Check::None, "job set NAME VALUE",
     "store NAME=VALUE (at most 8 characters each, a longer one is refused; a blank VALUE\n"
     "removes NAME) in the job file in use (created in the data folder when neither exists)", JobSet},
    {"param get", 2, false, Check::None, "param get FILE KEY",
     "print KEY of the parameter file FILE (\"key : value\" lines, relative to the start folder)", ParamGet},
    {"param set", 3, false, Check::None, "param set FILE KEY VALUE",
     "set KEY in FILE (created with its folder when missing; an empty VALUE removes the line);\n"
     "a file holding binary bytes is refused and left as it is", ParamSet},
    {"log", 1, true, Check::None, "log MESSAGE", "append MESSAGE to the activity log \"PROTOKOL.PRT\" of the data folder", Log},
    {"datadir", -1, false, Check::None, "datadir [NAME]", "print the data folder (from \"data.adr\"), or the full name of NAME in it", DataDirCmd},
    {"userslot set", 2, false, Check::None, "userslot set N VALUE",
     "set entry N (0..99) of \"UZIVATEL.tab\" in the data folder to VALUE (0..65535), as the\n"
     "suite's main program does: 0 frees a user's slot, 99 takes it, entry 0 not 0 stops the\n"
     "watch (the table is created with zeros when missing)", UserSlotSet},
    {"userslot", 0, true, Check::None, "userslot", "print this user's slot in \"UZIVATEL.tab\" of the data folder", UserSlot},
    {"startup", 0, true, Check::None, "startup", "print the settings start-up loads", Startup},
    {"lock --server", 3, true, Check::KindAfterServer, "lock --server HOST[:PORT] R|W PATH",
     "take a read (R) or write (W) lock on PATH at the lock server", LockServerCmd},
    {"lock", 2, true, Check::Kind, "lock R|W PATH",
     "take a read or write lock on PATH in the lock table \"FOT.tab\" of PATH's folder", LockCmd},
    {"unlock", 1, true, Check::None, "unlock PATH",
     "release this user's lock entry on PATH in \"FOT.tab\" or, when it has none, one without a user\n"
     "number (a batch's, or of a workstation without one; check first that no such run is at\n"
     "work); says which, and fails when none matched (another user's entry stays)", UnlockCmd},
    {"ifvolny --server", 2, true, Check::Server, "ifvolny --server HOST[:PORT] PATH",
     "print who else holds PATH at the lock server (empty: nobody)", IfVolnyServerCmd},
    {"ifvolny", 1, true, Check::None, "ifvolny PATH", "print who else holds PATH in \"FOT.tab\" (empty: nobody)", IfVolnyCmd},
};

int Help() {
  std::printf(
      "usage: tavcli [--clock YYYY-MM-DDTHH:MM:SS] COMMAND ARGS...\n"
      "\n"
      "The shared services of the program from the command line. Run it in the start\n"
      "folder: the folder holding \"data.adr\" (first line: the data folder), \"prog.adr\"\n"
      "(the program folder), \"drives.map\" (\"X: /real/folder\" per drive letter) and\n"
      "\"master.job\". Names may be in Windows form (X:\\DATA\\CI10.DTA) or Linux paths.\n"
      "\n"
      "Commands:\n");
  for (const Command& c : kCommands) {
    std::printf("  %s%s\n", c.usage, c.startup ? "   [start-up]" : "");
    std::string help = c.help;
    for (std::size_t at = 0, nl; at <= help.size(); at = nl + 1) {
      nl = help.find('\n', at);
      if (nl == std::string::npos) nl = help.size();
      std::printf("      %s\n", help.substr(at, nl - at).c_str());
    }
  }
  std::printf(
      "\n"
      "Files: every command reads \"drives.map\" and \"data.adr\" of the start folder. Commands\n"
      "marked [start-up] first run the program's start-up, as the program does: it reads\n"
      "\"master.job\" of the start folder and of the data folder; when the start folder has\n"
      "one, also \"UCPARAM.DTA\", \"arj.par\", \"sys.par\" and \"par\\okna2.par\", it writes\n"
      "UZIVATEL=01 into it when it names user 00, and it creates \"UZIVATEL.tab\" in the\n"
      "data folder when that is missing.\n"
      "Lock commands write \"FOT.tab\" in the locked file's folder and read \"JMENA.tab\" of\n"
      "the program folder (creating it when missing). They act as the start folder's workstation:\n"
      "its user number from \"master.job\", none without one (as the program there).\n"
      "A \"master.job\" that is neither 3600 nor 1818 bytes long is reported and never rewritten.\n"
      "\n"
      "Options:\n"
      "  --clock YYYY-MM-DDTHH:MM:SS   run as if it were that moment (for tests)\n"
      "  --help                        this text\n"
      "\n"
      "Exit codes: 0 done, 1 the command failed (the message says why), 2 wrong command line.\n");
  return 0;
}

// A real moment in the form YYYY-MM-DDTHH:MM:SS.
bool ParseClock(const std::string& text, DateTime& t) {
  int used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                  &t.second, &used) != 6 ||
      used != static_cast<int>(text.size()) || text.size() != 19)
    return false;
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 || t.second > 59 ||
      t.hour < 0 || t.minute < 0 || t.second < 0)
    return false;
  const DateTime back = CivilFromDays(DaysFromCivil(t.year, t.month, t.day));
  return back.year == t.year && back.month == t.month && back.day == t.day;  // no 30 February
}

// The words of c at the start of words: how many, or 0 when c is not that command.
std::size_t MatchWords(const Command& c, const std::vector<std::string>& words) {
  std::vector<std::string> own;
  for (const char *p = c.words, *q; *p; p = *q ? q + 1 : q) {
    q = std::strchr(p, ' ');
    if (!q) q = p + std::strlen(p);
    own.emplace_back(p, q);
  }
  if (words.size() < own.size()) return 0;
  for (std::size_t i = 0; i < own.size(); ++i)
    if (words[i] != own[i]) return 0;
  return own.size();
}

// Checks of the arguments that can be told wrong before anything runs; empty when fine.
std::string CheckArgs(const Command& c, const Args& a) {
  auto kind = [](const std::string& k) {
    return k == "R" || k == "r" || k == "W" || k == "w" ? std::string()
                                                          : "lock kind " + Quoted(k) + " is neither R nor W";
  };
  auto server = [](const std::string& address) {
    const std::size_t colon = address.find(':');
    int port = 0;
    if (address.empty() || colon == 0) return "no server name in " + Quoted(address);
    if (colon != std::string::npos && !ParsePort(std::string_view(address).substr(colon + 1), port))
      return "port of " + Quoted(address) + " is not a number from 1 to 65535";
    return std::string();
  };
  switch (c.check) {
    case Check::Kind: return kind(a[0]);
    case Check::Server: return server(a[0]);
    case Check::KindAfterServer: {
      std::string wrong = server(a[0]);
      return wrong.empty() ? kind(a[1]) : wrong;
    }
    case Check::InFolder:
      if (a[1].empty() || (a[1].back() != '\\' && a[1].back() != '/'))
        return "folder " + Quoted(a[1]) + " must end in \\ (or /)";
      return {};
    case Check::None: return {};
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) return WrongUse("no command given");
  for (const std::string& w : words)
    if (w == "--help" || w == "-h") return Help();
  FakeClock fixed;
  if (words[0] == "--clock") {
    if (words.size() < 2) return WrongUse("--clock needs a moment YYYY-MM-DDTHH:MM:SS");
    DateTime t;
    if (!ParseClock(words[1], t)) return WrongUse("--clock: " + words[1] + " is no real date and time (YYYY-MM-DDTHH:MM:SS)");
    fixed.Set(t);
    SetClock(&fixed);
    words.erase(words.begin(), words.begin() + 2);
    if (words.empty()) return WrongUse("no command given");
  }
  if (words[0].rfind("-", 0) == 0) return WrongUse("unknown option '" + words[0] + "'");

  const Command* found = nullptr;
  std::size_t used = 0;
  for (const Command& c : kCommands)
    if ((used = MatchWords(c, words)) > 0) {
      found = &c;
      break;
    }
  if (!found) {
    std::string named = words[0];
    if (words.size() > 1 && (words[0] == "job" || words[0] == "param")) named += " " + words[1];
    return WrongUse("unknown command '" + named + "'");
  }
  const Command& c = *found;
  Args args;
  // The fixed option is kept in its place for the commands that take it ("--in").
  const bool keepsOption = c.check == Check::InFolder;
  if (keepsOption) args.push_back(Utf8ToWin1250(words[used - 1]));
  for (std::size_t i = used; i < words.size(); ++i) args.push_back(Utf8ToWin1250(words[i]));
  const std::size_t given = args.size() - (keepsOption ? 1 : 0);
  if (c.args < 0 ? given > 1 : static_cast<int>(given) != c.args) {
    if (static_cast<int>(given) > (c.args < 0 ? 1 : c.args))
      return WrongUse("'" + std::string(c.usage) + "': extra argument " + Quoted(args.back()));
    return WrongUse("'" + std::string(c.usage) + "': missing argument");
  }
  // JobGet and JobSet tell their forms apart by the count: "--in" FOLDER NAME [VALUE].
  if (const std::string wrong = CheckArgs(c, args); !wrong.empty()) return WrongUse(wrong);

  try {
    // Folders are found as start-up finds them: through "drives.map" and "data.adr".
    if (c.startup) LoadStartupConfig();
    else LoadDriveMap();
    return c.run(args);
  } catch (const IoError& e) {
    return Failed(e);
  }
}
