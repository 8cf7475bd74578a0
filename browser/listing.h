// Listings of a record window through the report writer: one line per record under a
// page header, the first page always under its header, then printed.
#pragma once
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace browser {

class TfRol;
class TfSoub;

// Per field in the given order its caption padded with blanks and cut to the field's
// width, then one blank.
std::string CaptionLine(const TfRol& w, const std::vector<int>& order);

// The usual page header: a form feed (pages after the first, and the first when
// `formFeedFirst`), two empty lines, firm + 13 blanks + title + 10 blanks + "List:" +
// page + " Datum: " + work date, an empty line, the column captions of every field
// (cut to 132), a rule as long, an empty line.
std::vector<std::string> StandardListingHeader(const TfRol& w, const std::string& title, int page, bool formFeedFirst);

struct RecordListing {
  std::string report;  // the report's name, printed when done
  int width = 132;
  // The records to print; with `source`, its count after the check below, at most `most`.
  std::int32_t count = 0;
  std::int32_t most = std::numeric_limits<std::int32_t>::max();
  std::function<std::vector<std::string>(int page)> header;
  std::function<std::string(std::int32_t n)> line;
  // Several lines of one record, each counted (used instead of `line` when set).
  std::function<std::vector<std::string>(std::int32_t n)> lines;
  int linesAfterHeader = 7;  // the line counter after a header
  int limitMargin = 0;       // a new page when the line limit less this is below the counter
  // The records that print (empty: all); a left-out record writes nothing, not even a header.
  std::function<bool(std::int32_t n)> include;
  // The first page's header even when no record prints (a listing of nothing is
  // still a report).
  bool headerWhenEmpty = false;
  // The window whose records print: nothing prints while they may not be carried.
  TfSoub* source = nullptr;
};
// Nothing without records or a report writer.
void PrintRecordListing(const RecordListing& listing);

}  // namespace browser
