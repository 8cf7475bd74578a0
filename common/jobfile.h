// The firm-wide job file "master.job": 200 entries of 18 bytes, each a counted name
// of 8 and a counted value of 8; a name length of 0 marks a free entry. An older
// 1818-byte file (101 entries) is widened to 3600 bytes before it is used.
#pragma once
#include <string>
#include <string_view>

#include "common/session.h"

namespace common {

inline constexpr char kJobFileName[] = "master.job";

// The value of the first entry named name, trailing blanks removed; empty when absent.
std::string JobValue(const JobImage& table, std::string_view name);
// Stores name = value in the table by the job-file rules: an all-blank value frees
// the entry; a new name takes the first free entry; a full table takes nothing.
// True when the table changed.
bool SetJobValue(JobImage& table, std::string_view name, std::string_view value);

// False, after a message naming the file and its size (once per run), when the file is
// there but is neither 3600 nor 1818 bytes long: such a file is not a job table, and
// it is neither read (its values are empty) nor ever rewritten. True otherwise.
bool JobFileSizeOk(std::string_view file);

// The job file in use: "master.job" of the start folder when it has 2 bytes or more,
// else the data folder's.
std::string JobFileName(Session& s);

// A value of the job file in use. While the session's JobLoadState is 1 the table read
// first is kept; at 0 every call reads the file.
std::string GetJob(std::string_view name);
std::string GetJob(Session& s, std::string_view name);
// Stores an entry in the job file in use (read, change, write the whole table, holding
// the file's write turn across the three, so that workstations writing at once lose
// nothing). A file in use elsewhere gives the message and IoError 32; a file of a wrong
// size the message of JobFileSizeOk and IoError 13; any other failure IoError; the
// file is never written then.
void WriteJob(std::string_view name, std::string_view value);
void WriteJob(Session& s, std::string_view name, std::string_view value);

// The same on the job file of one folder (ending in "\"), without the kept table.
std::string ReadJobIn(std::string_view folder, std::string_view name);
void WriteJobIn(std::string_view folder, std::string_view name, std::string_view value);

// WriteJob and WriteJobIn for a step that goes on without the entry: a failure is said
// (naming the file; a file in use or of a wrong size as WriteJob says it), not raised.
// False when the entry was not written.
bool WriteJobSaying(std::string_view name, std::string_view value);
bool WriteJobInSaying(std::string_view folder, std::string_view name, std::string_view value);

// The user firm's name from "ZAK1".."ZAK3", exactly 24 characters: from the job file
// in use, or from the data folder's own job file.
std::string FirmName();
std::string FirmNameInData();

}  // namespace common
