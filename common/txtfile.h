// Text files of fixed-length lines addressed by line number (report files): each
// line is the text blank-padded to the line length, then CR LF. Lines are
// scrambled on disk while the session's ScrambleOn is set.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/osfile.h"

namespace common {

struct Session;

inline constexpr std::int32_t kTxtDefaultLineLength = 132;
inline constexpr std::int32_t kTxtMaxLineLength = 998;

struct tTxt {
  File file;
  std::int32_t lineLength = 0;
  std::int32_t lineCount = 0;
  std::string name;
  Session* session = nullptr;  // whose scrambling switch applies
};

// Opens the file, or creates it when it is missing or empty. The line length is
// measured from the file (132 for a new one). An existing file is never emptied:
// when its lines are not all alike, the first line end gives the length.
// Failures are shown ("Neexistuje složka ", "Err ") and leave the file closed.
void TxtOpen(tTxt& t, std::string_view name);
void TxtOpen(Session& s, tTxt& t, std::string_view name);
void TxtClose(tTxt& t);
// Line n (1..lineCount) into s; other n leave s as it is.
void TxtReadLine(tTxt& t, std::int32_t n, std::string& s);
// Writes line n (1..lineCount + 1; other n do nothing), padded or cut to the line
// length with its leading blanks kept.
void TxtWriteLine(tTxt& t, std::int32_t n, std::string_view s);

}  // namespace common
