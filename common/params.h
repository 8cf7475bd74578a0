// Key-and-value parameter files ("key : value" lines) read and written through a
// cache of whole files; changes reach the disk only when the cache is flushed.
#pragma once
#include <string>
#include <vector>

#include "common/errors.h"

namespace common {

inline constexpr int kParamCacheFiles = 100;
inline constexpr int kParamMaxKeys = 4000;
inline constexpr int kParamValueMax = 64;  // a value is cut to this when read from disk
// The workstation's own switches (print density and copies, "TabEnter", ...).
inline constexpr const char* kRegistryFile = "REGISTRY.DTA";

// One cached parameter file.
struct tSetReg {
  std::string fileName;  // as given by the caller, upper-cased
  std::string diskName;  // as first given (the name created on disk)
  bool dirty = false;
  // 0, or why the file on disk must not be replaced: the I/O code of a failed read, or
  // 13 when it holds binary bytes (it is no parameter file).
  int refused = 0;
  bool refusalRaised = false;  // the refusal was returned by a flush once; later ones pass it over
  std::vector<std::string> keys;    // case as read or as first written
  std::vector<std::string> values;  // parallel to keys
};

// The value of key in fileName (case-insensitive key); empty when the file or the key is absent.
std::string ReadParam(const std::string& fileName, const std::string& key);
// Sets the entry in the cached file; an empty value drops the line at the next flush.
void WriteParam(const std::string& fileName, const std::string& key, const std::string& value);
// Writes every changed cached file and empties the cache. A file that cannot be
// written (a read-only file or a folder in its place, a failed write) and a file that
// could not be read or holds binary bytes (it is never written) stay cached with their
// values for the rest of the session. The failures are returned: every time for a
// failed write (5 for a read-only file or a folder), the first time for a file never
// written (13 for binary bytes).
std::vector<IoError> StoreParams();
// StoreParams, raising the first failure as IoError.
void FlushParams();
// StoreParams for the window settings: each file that cannot be written is said once
// a session, naming it; nothing is raised.
void FlushParamsSaying();
// What StoreParams returned, said as FlushParamsSaying says it.
void SayParamFailures(const std::vector<IoError>& failures);

// A parameter file read from disk now, outside the cache and never written (the files
// another program keeps and may change during the run). A missing file gives no
// entries; another failed read leaves its I/O code in `refused`.
tSetReg ReadParamFileFresh(const std::string& fileName);
// The value of key (case-insensitive) in such a file; empty when absent.
std::string ParamValue(const tSetReg& reg, const std::string& key);

// A parameter file that others keep and whose every value counts ("UCPARAM.DTA"):
// when it cannot be used whole (a folder, unreadable, binary bytes, a last line
// without its end), nothing of it is read and it is never written this run, and this
// is said once a run, naming it. True when it is damaged.
bool SayDamagedParamFile(const std::string& fileName);

// Drops the cached copy of a file replaced on disk, so that the next read loads it
// again; a copy the run has changed stays (it is written at the next flush).
void ForgetParamFile(const std::string& fileName);

// Parses one line of a parameter file; false when it has no ":".
bool ParseParamLine(const std::string& line, std::string& key, std::string& value);

}  // namespace common
