// Sequential files of fixed-size records with a lock and an activity-log line
// for each open and close. Modes: "I" read (read lock), "O" write a new file,
// "A" append (write locks); the letter's case does not matter.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/locking.h"
#include "common/osfile.h"

namespace common {

struct Session;

struct tRecFile {
  File file;
  char mode = ' ';
  std::string path;  // the full name (DataDir of name)
  std::string name;  // as handed to OpenRecFile, cut to 30
  std::int32_t recordSize = 0;
  std::int32_t current = 0;  // next record, 1-based
  std::int32_t count = 0;
  bool opened = false;
  LockResult lock = LockResult::Skipped;
  Session* session = nullptr;
};

// Opens, locks and logs ("Open" + mode + " " + name(25) + count(6)). A missing file
// is created empty in modes "I" and "A" ("A" becomes "O"). On failure: the message
// "Chyba " + code(3) + " při otevírání " + path, the lock is given back, and false.
// A file read ("I") or written new ("O") whose rollback copy waits beside it: the copy
// goes back first (said), or false with the refusal said, naming the file and the copy.
bool OpenRecFile(Session& s, tRecFile& h, std::string_view name, std::string_view mode, std::int32_t size);
bool OpenRecFile(tRecFile& h, std::string_view name, std::string_view mode, std::int32_t size);
// Makes record n current.
void SeekRec(tRecFile& h, std::int32_t n);
// Transfer the current record and advance; failures raise IoError.
void ReadRec(tRecFile& h, void* buffer);
void WriteRec(tRecFile& h, const void* buffer);
// Fixes the count, closes, unlocks and logs "Close " + name(25) + count(6).
// Nothing at all for a handle that never opened.
void CloseRecFile(tRecFile& h);
bool RecEof(const tRecFile& h);

}  // namespace common
