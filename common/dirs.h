// The data and program folders, named by the pointer files "data.adr" and
// "prog.adr" of the start folder, the "^" redirect files, record bisection, folder
// listings and folder creation. Folders are kept as the files give them (Windows
// form); they become real paths only at the file call (winpath.h).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

struct Session;

// Full name of a data file: "\name" as "name"; "=path" is path itself; a non-empty
// first line of "^name" in the start folder is that folder; else the data folder.
std::string DataDir(std::string_view name);
std::string DataDir(Session& s, std::string_view name);
// Full name of a program file (no "=" and no redirect).
std::string ProgDir(std::string_view name);
std::string ProgDir(Session& s, std::string_view name);
// The last folder name of the data folder, read anew from "data.adr".
std::string DataDirName();
// The data folder as a message names it: DataDir(""), or without "data.adr" the start
// folder in full (never an empty name).
std::string DataFolderNamed();

// Record bisection over keys sorted bytewise, then a scan of `tail` unsorted records
// (records last+1..last+tail; with last 0, records first..tail). keyOf gives the key
// of a record; keys are compared cut to 80 characters. The record number, or a value
// <= 0 when not found (minus the last probed record after a bisection).
std::int32_t BinarySearchRec(std::string_view key, std::int32_t first, std::int32_t last,
                             const std::function<std::string(std::int32_t)>& keyOf, std::int32_t tail);

// A slot width that holds every name the listings give (they keep 100 characters).
inline constexpr std::int32_t kListNameWidth = 101;

// Names of files matching mask, sorted bytewise. widthCode = mode * 10000 + slot width:
// each name is cut to width - 1 characters; mode 1 adds "|" and the 12-digit DOS date
// and time. "#" places in the mask must be digits. Empty files are skipped. At most
// maxCount names (and as many as 200,000 bytes of width-sized slots hold) are kept.
std::int32_t ListFiles(std::string_view mask, std::vector<std::string>& names, std::int32_t widthCode,
                       std::int32_t maxCount);
// The same for folders (plain width, no size test, 100,000 bytes).
std::int32_t ListDirs(std::string_view mask, std::vector<std::string>& names, std::int32_t width,
                      std::int32_t maxCount);

// Creates the missing folders of path: all of them when path ends with "\", else those
// above its last part. Failures are ignored.
void ForceDirs(std::string_view path);

}  // namespace common
