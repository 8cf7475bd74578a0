#include "common/startup.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/text.h"
#include "common/usertab.h"
#include "common/winpath.h"

namespace common {

namespace {

int Clamp(std::int32_t v, int lo, int hi) { return std::clamp<std::int32_t>(v, lo, hi); }

std::string Separators(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

// Switches kept in the data folder's own job file, read even without a start-folder job file.
void ReadDataFolderSwitches(Session& s, const std::string& dataFolder) {
  s.LockServerName = ReadJobIn(dataFolder, "SERVER1") + ReadJobIn(dataFolder, "SERVER2");
  s.ScrambleOn = ReadJobIn(dataFolder, "GDPR").empty() ? 0 : 1;
  s.FjOn = ReadJobIn(dataFolder, "FJ").empty() ? 0 : 1;
}

void LoadUser(Session& s, const std::function<bool()>& ended) {
  s.UserNo = TextToInt(Copy(GetJob(s, "UZIVATEL"), 1, 2)) & 0xFF;
  s.CurrentUser = FormatNumberMask("@@", s.UserNo);
  if (s.CurrentUser != "00" || ended()) return;
  try {
    WriteJob(s, "UZIVATEL", "01");
  } catch (const IoError&) {
    // the default user is used all the same
  }
  s.UserNo = 1;
  s.CurrentUser = "01";
}

void LoadVatRates(Session& s) {
  s.VatRateDan3 = TextToFloat(GetJob(s, "DAN3"));
  s.VatRateDan1 = TextToFloat(GetJob(s, "DAN1"));
  s.VatRateDan2 = TextToFloat(GetJob(s, "DAN2"));
  s.VatTextDan1 = FormatNumberMask("##", s.VatRateDan1);
  s.VatTextDan2 = FormatNumberMask("##", s.VatRateDan2);
  s.VatTextDan3 = FormatNumberMask("##", s.VatRateDan3);
}

// 1 and 2: print modes with "L" in 4th place; 3 and 4 with "K"; 5 without diacritics.
std::int32_t PrintModeOf(const std::string& monpar, const std::string& diaktisk) {
  if (RemoveSpaces(diaktisk) == "N") return 5;
  const std::string m = UpperCz(monpar);
  const char second = m.size() >= 2 ? m[1] : ' ';
  const char fourth = m.size() >= 4 ? m[3] : ' ';
  if (fourth == 'L' && second == ' ') return 1;
  if (fourth == 'L' && second == 'K') return 2;
  if (fourth == 'K' && second == 'L') return 3;
  if (fourth == 'K' && second == ' ') return 4;
  return 0;
}

// LocksOff: the data folder is the start folder (without its drive when the data
// folder names none).
int DataFolderIsStart(const std::string& dataFolder, const std::string& startDir) {
  const std::string data = UpperCz(Separators(dataFolder));
  std::string start = startDir;
  if (data.find(':') == std::string::npos) {
    const std::size_t colon = start.find(':');
    if (colon != std::string::npos) start.erase(0, colon + 1);
  }
  return data == start ? 1 : 0;
}

// The mapped drive whose folder holds a folder (Windows-1250), the deepest when several
// do; an empty key when none does. `real` gets the folder in UTF-8, ending in "/".
void HoldingDrive(std::string_view folderName, std::string& real, std::string& bestKey, std::string& bestFolder) {
  real = Win1250ToUtf8(folderName);
  if (real.empty() || real.back() != '/') real += '/';
  bestKey.clear();
  bestFolder.clear();
  for (const auto& [key, folder] : Drives().Entries()) {
    if (real.compare(0, folder.size(), folder) == 0 && folder.size() > bestFolder.size()) {
      bestKey = key;
      bestFolder = folder;
    }
  }
}

}  // namespace

std::string OnCurrentDrive(std::string_view name) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (name.empty() || !separator(name[0]) || (name.size() > 1 && separator(name[1]))) return std::string(name);
  const std::string current = CurrentFolder();
  std::string real, key, folder;
  HoldingDrive(current, real, key, folder);
  const std::string rest = Separators(std::string(name.substr(1)));
  if (!folder.empty() && !(key == "C" && folder == "/")) return (key.size() == 1 ? key + ":\\" : key + "\\") + rest;
  // Only the whole file system holds it: the current folder stands for the drive's root.
  std::string root = WindowsFolderName(current);
  if (root.empty() || root.back() != '\\') root += '\\';
  return root + rest;
}

std::string WindowsFolderName(std::string_view realFolder) {
  std::string real, bestKey, bestFolder;
  HoldingDrive(realFolder, real, bestKey, bestFolder);
  if (bestFolder.empty()) return Separators(std::string(realFolder));
  const std::string rest = Separators(Utf8ToWin1250(real.substr(bestFolder.size())));
  return bestKey.size() == 1 ? bestKey + ":\\" + rest : bestKey + "\\" + rest;
}

void LoadDriveMap() {
  if (!FileExists(kDriveMapName)) return;
  std::vector<DriveMap::BadLine> bad;
  const int code = Drives().Load(kDriveMapName, &bad);
  if (code == 0) return;
  if (bad.empty()) {
    MessageOk(Cz("Soubor ") + kDriveMapName + Cz(" nelze přečíst, err ") + FormatFloatMask("######", code));
    return;
  }
  // The good lines apply; each bad one is named with its number and text.
  std::string text;
  for (const DriveMap::BadLine& b : bad)
    text += Cz("Chybný řádek ") + std::to_string(b.number) + Cz(" v souboru ") + kDriveMapName + ": " +
            Utf8ToWin1250(b.text) + "\n";
  text += Cz("Správně je např.: X: /srv/ucto/data");
  MessageOk(text);
}

void LoadStartupConfig(Session& s, const StartupOptions& options) {
  if (s.StartupDone) return;
  s.StartupDone = true;

  // A step may show a message; a signal then lets no further step begin.
  const auto ended = [&options] { return options.ended && options.ended(); };
  s.ScrambleKey = ProgramScrambleKey();
  LoadDriveMap();
  if (ended()) return;
  const std::string dataFolder = DataDir(s, "");
  // A start-folder job file of a wrong size is reported and counts as missing.
  if (!JobFileSizeOk(kJobFileName) || CheckFile(kJobFileName) < 2) {
    if (!ended()) ReadDataFolderSwitches(s, dataFolder);
    return;
  }
  if (ended()) return;
  if (options.screenPpiX == 120) s.ScreenPpi = 1.25;
  LoadUser(s, ended);
  if (ended()) return;
  ReadDataFolderSwitches(s, dataFolder);
  if (ended()) return;
  LoadVatRates(s);

  SayDamagedParamFile("UCPARAM.DTA");
  if (ended()) return;
  s.AccYear = Copy(RemoveSpaces(ReadParam("UCPARAM.DTA", "UcRok")), 1, 2);
  s.AccPeriod = Copy(RemoveSpaces(ReadParam("UCPARAM.DTA", "UcObd")), 1, 2);
  s.KursEU = TextToFloat(ReadParam("UCPARAM.DTA", "KursEU"));
  s.MenaEU = Copy(ReadParam("UCPARAM.DTA", "MenaEU"), 1, 3);
  s.CurrencyCode = Copy(GetJob(s, "MENA"), 1, 3);
  if (s.CurrencyCode.empty()) s.CurrencyCode = "CZK";
  s.Arj64 = ReadParam("arj.par", "arj64EXE").empty() ? 0 : 1;
  s.SemicolonOut = ReadParam("sys.par", "stredniky") == "Ano" ? 1 : 0;
  s.JobTab = TextToInt(GetJob(s, "TAB"));
  s.LimRad = Clamp(TextToInt(GetJob(s, "LIMRAD")), 0, 65535);
  if (s.LimRad == 0) s.LimRad = 64;

  s.StartDir = WindowsFolderName(CurrentFolder());
  if (s.StartDir.empty() || s.StartDir.back() != '\\') s.StartDir += '\\';
  s.StartDir = UpperCz(s.StartDir);
  s.LocksOff = DataFolderIsStart(dataFolder, s.StartDir);

  s.Fma343 = UpperCz(GetJob(s, "FMA343")) == "A" ? 1 : 0;
  s.NovyList = GetJob(s, "NovyList") == "A" ? 1 : 0;
  s.ObPort = TextToInt(GetJob(s, "OB_PORT"));
  s.CencTisk = ReadParam("par\\okna2.par", "CencTisk") == "A" ? 1 : 0;
  s.PrintDpiX = s.PrintDpiY = 300;
  s.PrintMode = PrintModeOf(GetJob(s, "MONPAR"), GetJob(s, "DIAKTISK"));
  const std::string ares = UpperCz(GetJob(s, "ARES"));
  if (!ares.empty() && ares[0] == 'N') s.AresOn = 0;
  s.FirmTitle = FirmNameInData();
  if (ended()) return;
  s.ComputerId = Copy(GetJob(s, "POCITAC"), 1, 4);
  s.ComputerNo = Clamp(TextToInt(s.ComputerId), 0, 65535);
  s.FormOpenFlags.fill(0);
  s.UserWatchCount = 0;
  s.StartUserText = Copy(UserTabText(s), 1, 4);
  s.JobLoadState = 0;
}

void LoadStartupConfig(const StartupOptions& options) { LoadStartupConfig(CurrentSession(), options); }

}  // namespace common
