#include "common/csvfile.h"

#include <algorithm>

#include "common/encoding.h"
#include "common/errors.h"

namespace common {
namespace {

constexpr std::int64_t kReadAhead = 65536;

// Bytes that may follow the end mark of a text.
bool EndsText(char c) { return c == kTextEndByte || c == '\r' || c == '\n' || c == ' ' || c == '\t'; }

// The length of a file handed in: up to its end mark, or all of it. A ^Z with text
// after it raises CsvEndByteError naming its line.
std::int64_t HandedInLength(tFormSoub& r) {
  std::string chunk(static_cast<std::size_t>(kReadAhead), '\0');
  std::int64_t mark = -1, line = 1, markLine = 0;
  for (std::int64_t at = 0; at < r.size;) {
    std::size_t got = 0;
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(r.size - at, kReadAhead));
    ThrowIfError(r.file.ReadSome(static_cast<std::uint64_t>(at), chunk.data(), want, got), r.name);
    if (got == 0) break;  // the file became shorter
    for (std::size_t i = 0; i < got; ++i) {
      const char c = chunk[i];
      if (mark >= 0) {
        if (!EndsText(c)) throw CsvEndByteError(r.name, markLine);
      } else if (c == kTextEndByte) {
        mark = at + static_cast<std::int64_t>(i);
        markLine = line;
      } else if (c == '\n') {
        ++line;
      }
    }
    at += static_cast<std::int64_t>(got);
  }
  return mark >= 0 ? mark : r.size;
}

// The next byte, or false at the end of the file.
bool NextByte(tFormSoub& r, char& c) {
  if (r.position >= r.size) return false;
  if (r.bufferPos >= r.buffer.size()) {
    r.buffer.resize(static_cast<std::size_t>(std::min<std::int64_t>(r.size - r.position, kReadAhead)));
    std::size_t got = 0;
    ThrowIfError(r.file.ReadSome(r.position, r.buffer.data(), r.buffer.size(), got), r.name);
    r.buffer.resize(got);
    r.bufferPos = 0;
    if (got == 0) return false;  // the file became shorter
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

std::string CsvEndByteError::Problem() { return Cz("obsahuje znak konce souboru (^Z) uprostřed textu"); }

std::string CsvEndByteError::Refusal(std::string_view shown, std::string_view outcome) const {
  return Cz("Soubor ") + std::string(shown) + Cz(", řádek ") + std::to_string(line) + ": " + Problem() +
         std::string(outcome);
}

void CsvOpen(tFormSoub& r, std::string_view name, CsvSource source) {
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
  if (source == CsvSource::kHandedIn) {
    try {
      r.size = HandedInLength(r);
    } catch (...) {
      r.file.Close();
      throw;
    }
  }
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
