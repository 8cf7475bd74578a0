// Process-wide settings and state: what start-up loads from the job file and the
// parameter files, the kept folders, the job table and the parameter cache. One
// Session per process; tests reset it between cases.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace common {

struct tSetReg;  // one cached parameter file (params.h)

inline constexpr int kJobEntries = 200;
inline constexpr int kJobEntrySize = 18;
inline constexpr int kJobFileSize = kJobEntries * kJobEntrySize;  // 3600
inline constexpr int kOldJobFileSize = 101 * kJobEntrySize;       // 1818

using JobImage = std::array<std::uint8_t, kJobFileSize>;

struct Session {
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // --- loaded at start-up (texts are Windows-1250) ---
  std::string ScrambleKey;          // 17 characters
  double ScreenPpi = 1.0;           // 1.25 on a 120 ppi screen
  std::string CurrentUser;          // two digits, empty before start-up
  int UserNo = 0;                   // 0..255
  std::string LockServerName;       // empty = lock table in a file
  double VatRateDan1 = 0, VatRateDan2 = 0, VatRateDan3 = 0;
  std::string VatTextDan1, VatTextDan2, VatTextDan3;  // "##"
  std::string AccYear, AccPeriod;   // 2 characters each
  double KursEU = 0;
  std::string MenaEU;               // 3 characters
  std::string CurrencyCode;         // 3 characters, "CZK" when not set
  int Arj64 = 0;
  int SemicolonOut = 0;
  std::int32_t JobTab = 0;
  int LimRad = 64;                  // lines per page of code-list prints
  std::string StartDir;             // start folder, upper-cased, ends in "\"
  int LocksOff = 0;
  int ScrambleOn = 0;
  int FjOn = 0;
  int Fma343 = 0;
  int NovyList = 0;
  std::int32_t ObPort = 0;
  int CencTisk = 0;
  std::int32_t PrintDpiX = 300, PrintDpiY = 300;
  std::int32_t PrintMode = 0;       // 0..5
  int AresOn = 1;
  std::string SelectedCode;         // a chosen code handed from a code-list window to its caller
  std::string FirmTitle;            // 24 characters
  std::string ComputerId;           // 4 characters
  int ComputerNo = 0;
  std::array<std::int32_t, 101> FormOpenFlags{};  // 1..100 used: 1 open, -1 closing, 0 closed
  std::int32_t UserWatchCount = 0;
  bool Exiting = false;             // the program is ending: windows are not shown again
  std::string StartUserText;        // own user-slot text at start
  std::int32_t JobLoadState = -1;   // -1 not loaded, 1 kept, 0 re-read on every GetJob
  bool StartupDone = false;

  // --- folders: texts as the pointer files give them, "*" = not read yet ---
  std::string DataDirPath = "*";
  std::string ProgDirPath = "*";

  // --- job file image shared by GetJob and WriteJob ---
  JobImage JobTable{};

  // --- files (the default open mode is kept by osfile.h) ---
  std::vector<std::string> HeldLocks;  // paths locked and not yet released, one per lock
  int IgnoreLocks = 0;  // the answer of the last wait notice
  int WaitStopped = 0;  // 1 when the last wait was left with Esc: the step stops
  int ProtocolOn = 1;   // the activity log is written while non-zero
  // Folders whose lock table this run has opened: leftovers of killed writes cleared.
  std::set<std::string> LockTablesSwept;
  // Lock tables (upper case) that could not be made (a folder nobody may write), with the
  // code: said once, until one opens.
  std::map<std::string, int> LockTablesNotMade;
  // Lock tables (upper case) that could be opened only for reading, with the code: their
  // folders' files open for reading only; said once, until one opens for writing.
  std::map<std::string, int> LockTablesReadOnly;
  // Rollback copies (upper case) whose dead temporaries this run has cleared at an opening.
  std::set<std::string> CopyTempsSwept;
  // Dead temporaries of replacements this run has found: by folder (each listed once a
  // run), then by target (upper case); a target's go at its first replacement.
  std::map<std::string, std::map<std::string, std::vector<std::string>>> ReplacementTemps;

  // --- parameter cache (at most 100 files before a flush) ---
  std::vector<std::unique_ptr<tSetReg>> ParamCache;

  // --- failures said once a run (MessageOnce), by what failed ---
  std::set<std::string> FailuresTold;

  // --- user slots ---
  std::array<std::uint16_t, 100> UserTab{};
  std::string UserSlotFirst, UserSlotNow;
};

// The session of this process.
Session& CurrentSession();
// Drops the current session (cached parameter changes are not written) and starts
// a fresh one with every initial value.
void ResetSession();

}  // namespace common
