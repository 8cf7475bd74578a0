// tavcli: the shared services from the command line, run in the start folder.
//   tavcli [--clock YYYY-MM-DDTHH:MM:SS] COMMAND ARGS...
// Arguments and output are UTF-8; inside, texts are Windows-1250 as in the files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/jobfile.h"
#include "common/lockclient.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/params.h"
#include "common/protocol.h"
#include "common/session.h"
#include "common/startup.h"
#include "common/usertab.h"

using namespace common;

namespace {

using Args = std::vector<std::string>;  // Windows-1250

void Print(const std::string& text) { std::printf("%s\n", Win1250ToUtf8(text).c_str()); }

int JobGet(const Args& a) {
  Print(GetJob(a[0]));
  return 0;
}

int JobSet(const Args& a) {
  WriteJob(a[0], a[1]);
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
  LoadStartupConfig();
  LogProtocol(a[0]);
  return 0;
}

int DataDirCmd(const Args& a) {
  Print(DataDir(a.empty() ? std::string() : a[0]));
  return 0;
}

int UserSlot(const Args&) {
  LoadStartupConfig();
  Print(CurrentSession().StartUserText);
  return 0;
}

int Startup(const Args&) {
  LoadStartupConfig();
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

// Lock commands: the session as start-up loads it (user "01" when none is set);
// a wait notice is printed and ends the wait at once, so nothing hangs.
class GiveUpNotifier : public ConsoleNotifier {
 public:
  bool LockWait(const std::string& text, int) override {
    Message(text);
    return true;
  }
};

Session& LockSession() {
  LoadStartupConfig();
  Session& s = CurrentSession();
  if (s.CurrentUser.empty()) s.CurrentUser = "01";
  s.LocksOff = 0;
  return s;
}

// What every lock command runs with: the give-up notifier in place, then the session.
struct LockRun {
  GiveUpNotifier notifier;
  ScopedNotifier scoped{notifier};
  Session& session = LockSession();
};

int LockResultOut(LockResult r) {
  Print(r == LockResult::Held ? "held" : r == LockResult::Skipped ? "skipped" : "given up");
  return r == LockResult::GivenUp ? 1 : 0;
}

// KIND: R (read) or W (write).
std::string LockKind(const std::string& kind) { return kind == "R" || kind == "r" ? "" : "W"; }

int LockCmd(const Args& a) {
  LockRun run;
  return LockResultOut(LockFile(run.session, a[1], LockKind(a[0])));
}

// HOST or HOST:PORT (the port for tests; the program always uses 5050).
bool ConnectServer(Session& s, const std::string& address) {
  const std::size_t colon = address.find(':');
  s.LockServerName = address.substr(0, colon);
  const int port = colon == std::string::npos ? kLockServerPort : std::atoi(address.c_str() + colon + 1);
  if (port < 1 || port > 65535) return false;
  return CurrentLockClient().Connect(s.LockServerName, static_cast<std::uint16_t>(port)) == 0;
}

int LockServerCmd(const Args& a) {
  LockRun run;
  Session& s = run.session;
  if (!ConnectServer(s, a[0])) return 1;
  const int rc = LockResultOut(LockFile(s, a[2], LockKind(a[1])));
  DisconnectLockServer(s);
  return rc;
}

int IfVolnyServerCmd(const Args& a) {
  LockRun run;
  Session& s = run.session;
  if (!ConnectServer(s, a[0])) return 1;
  Print(IfVolny(s, a[1]));
  DisconnectLockServer(s);
  return 0;
}

int UnlockCmd(const Args& a) {
  LockRun run;
  return UnlockFile(run.session, a[0]) ? 0 : 1;
}

int IfVolnyCmd(const Args& a) {
  LockRun run;
  Print(IfVolny(run.session, a[0]));
  return 0;
}

struct Command {
  const char* words;  // one or two words
  int args;           // arguments after the words (-1: zero or one)
  const char* usage;
  int (*run)(const Args&);
};

const Command kCommands[] = {
    {"job get", 1, "job get NAME", JobGet},
    {"job set", 2, "job set NAME VALUE", JobSet},
    {"param get", 2, "param get FILE KEY", ParamGet},
    {"param set", 3, "param set FILE KEY VALUE", ParamSet},
    {"log", 1, "log MESSAGE", Log},
    {"datadir", -1, "datadir [NAME]", DataDirCmd},
    {"userslot", 0, "userslot", UserSlot},
    {"startup", 0, "startup", Startup},
    {"lock --server", 3, "lock --server HOST R|W PATH", LockServerCmd},
    {"lock", 2, "lock R|W PATH", LockCmd},
    {"unlock", 1, "unlock PATH", UnlockCmd},
    {"ifvolny --server", 2, "ifvolny --server HOST PATH", IfVolnyServerCmd},
    {"ifvolny", 1, "ifvolny PATH", IfVolnyCmd},
};

int Usage() {
  std::fprintf(stderr, "usage: tavcli [--clock YYYY-MM-DDTHH:MM:SS] COMMAND\n");
  for (const Command& c : kCommands) std::fprintf(stderr, "  %s\n", c.usage);
  return 2;
}

bool ParseClock(const char* text, DateTime& t) {
  return std::sscanf(text, "%d-%d-%dT%d:%d:%d", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second) == 6;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  FakeClock fixed;
  if (words.size() >= 2 && words[0] == "--clock") {
    DateTime t;
    if (!ParseClock(words[1].c_str(), t)) return Usage();
    fixed.Set(t);
    SetClock(&fixed);
    words.erase(words.begin(), words.begin() + 2);
  }
  for (const Command& c : kCommands) {
    const std::string name = c.words;
    const std::size_t space = name.find(' ');
    const std::size_t nameWords = space == std::string::npos ? 1 : 2;
    if (words.size() < nameWords) continue;
    if (words[0] != name.substr(0, space)) continue;
    if (nameWords == 2 && words[1] != name.substr(space + 1)) continue;
    Args args;
    for (std::size_t i = nameWords; i < words.size(); ++i) args.push_back(Utf8ToWin1250(words[i]));
    const bool fits = c.args < 0 ? args.size() <= 1 : static_cast<int>(args.size()) == c.args;
    if (!fits) return Usage();
    try {
      return c.run(args);
    } catch (const IoError& e) {
      std::fprintf(stderr, "tavcli: I/O error %d on %s\n", e.code, Win1250ToUtf8(e.file).c_str());
      return 1;
    }
  }
  return Usage();
}
