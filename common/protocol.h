// The activity log "PROTOKOL.PRT" in the data folder: fixed 80-byte records, one
// length byte (0..79) and 79 text bytes; the text is a stamp and the message.
#pragma once
#include <string>
#include <string_view>

namespace common {

struct Session;

inline constexpr char kProtocolFileName[] = "PROTOKOL.PRT";
inline constexpr int kProtocolRecordSize = 80;

// "DD.MM.YY H:MM:SS PCID UU " (26 characters when every part is full): today, the
// time with a blank before a one-digit hour, the computer id and the user code.
std::string StampText();
std::string StampText(Session& s);

// Appends stamp + message (cut to 79 characters) as one record. A missing or almost
// empty log starts with the record stamp + " Prázdný protokol". Each record goes to the
// end of the file in one write, so workstations appending at once do not overwrite
// each other. A log that cannot be opened gives a message and IoError.
void LogProtocol(std::string_view message);
void LogProtocol(Session& s, std::string_view message);

}  // namespace common
