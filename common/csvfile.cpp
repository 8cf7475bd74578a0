#include "common/csvfile.h"

#include "common/errors.h"

namespace common {
namespace {

constexpr std::size_t kReadAhead = 65536;

// The next byte, or false at the end of the file.
bool NextByte(tFormSoub& r, char& c) {
  if (r.position >= r.size) return false;
  if (r.bufferPos >= r.buffer.size()) {
    r.buffer.resize(kReadAhead);
    std::size_t got = 0;
    ThrowIfError(r.file.ReadSome(r.position, r.buffer.data(), r.buffer.size(), got), r.name);
    r.buffer.resize(got);
    r.bufferPos = 0;
    if (got == 0) return false;  // the file became shorter
    // The text ends at its end-of-file byte: the reading ends there.
    if (const std::size_t end = TextEnd(r.buffer); end < got) {
      r.buffer.resize(end);
      r.size = r.position + static_cast<std::int64_t>(end);
      if (end == 0) return false;
    }
  }
  c = r.buffer[r.bufferPos++];
  ++r.position;
  return true;
}

}  // namespace

const std::string& tFormSoub::Field(int n) const {
  if (n < 1 || n > kCsvFields) throw RangeError("CSV field " + std::to_string(n));
  return fields[n - 1];
}

void CsvOpen(tFormSoub& r, std::string_view name) {
  r.file.Close();
  r.name = std::string(name);
  ThrowIfError(r.file.Open(name, kModeReadOnly), name);
  std::uint64_t size = 0;
  ThrowIfError(r.file.Size(size), name);
  r.size = static_cast<std::int64_t>(size);
  r.fieldCount = 0;
  r.position = 0;
  r.endOfFile = r.endOfLine = r.recordRead = false;
  r.separator = ';';
  r.lineEnd = '\n';
  r.ignored = '\r';
  r.quote = '"';
  r.buffer.clear();
  r.bufferPos = 0;
}

void CsvClose(tFormSoub& r) { r.file.Close(); }

void CsvReadField(tFormSoub& r) {
  if (r.fieldCount < kCsvFields) ++r.fieldCount;  // a longer line keeps overwriting the last field
  std::string& f = r.fields[r.fieldCount - 1];
  f.clear();
  bool quoted = false;
  for (;;) {
    char c;
    if (!NextByte(r, c)) {
      r.endOfFile = r.endOfLine = true;
      return;
    }
    if (c == r.ignored) continue;
    if (c == r.lineEnd) {
      r.endOfLine = true;
      return;
    }
    if (c == r.quote) {
      quoted = !quoted;
    } else if (c == r.separator && !quoted) {
      return;
    } else {
      f += c;
    }
  }
}

void CsvReadRecord(tFormSoub& r) {
  r.fieldCount = 0;
  r.endOfLine = false;
  r.fields.fill(kCsvMissing);
  while (!r.endOfLine) CsvReadField(r);
  r.recordRead = !(r.fieldCount == 0 || (r.fieldCount == 1 && r.fields[0].empty()));
}

}  // namespace common
