// The start-up configuration: fills the session from "master.job", the data folder's
// own job file, "UCPARAM.DTA", "arj.par", "sys.par", "par\okna2.par", the user-slot
// table and the screen. Runs once per session.
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace common {

struct Session;

struct StartupOptions {
  int screenPpiX = 0;  // horizontal pixels per inch of the screen; 0 when unknown
  // Asked before each step that may show a message, read or make a file: true once the
  // run is to end (a signal came while a message was open); no further step begins.
  std::function<bool()> ended = nullptr;
};

// Loads the settings into the session; a second call on the same session does nothing.
// Without a "master.job" in the start folder only the data folder's own switches
// (lock server, personal-data scrambling, "FJ") are read; everything else keeps its
// initial value and the job table is read once for the whole run.
void LoadStartupConfig(Session& s, const StartupOptions& options = {});
void LoadStartupConfig(const StartupOptions& options = {});

// The drive letters of Windows folder names ("X: /srv/data" per line, UTF-8), read from
// this file in the start folder before anything else; a bad line is reported and the
// map stays as it was.
inline constexpr char kDriveMapName[] = "drives.map";
void LoadDriveMap();

// A real folder (Windows-1250, "/" separators) in Windows form through the drive map:
// "/home/x/" with "C:" on "/" gives "C:\home\x\"; a folder no drive holds keeps its
// root ("\srv\x\").
std::string WindowsFolderName(std::string_view realFolder);

// A name from the root of the current drive ("\TAVONA3W\") in Windows form: the drive
// of the mapped folder that holds the current folder (the deepest when several do);
// when only the default "C:" on "/" holds it (or nothing), the current folder stands
// for that root. Other names (relative, a drive, "\\server") come back unchanged.
std::string OnCurrentDrive(std::string_view name);

}  // namespace common
