#include "browser/listing.h"

#include <algorithm>

#include "browser/entries.h"
#include "browser/rol.h"
#include "browser/soub.h"
#include "common/dates.h"
#include "common/encoding.h"
#include "common/inplace.h"
#include "common/numbers.h"
#include "common/session.h"

namespace browser {

std::string CaptionLine(const TfRol& w, const std::vector<int>& order) {
  std::string line;
  for (int f : order) {
    const FieldDescriptor& d = w.Field(f);
    line += (d.caption + std::string(d.width, ' ')).substr(0, d.width) + " ";
  }
  return line;
}

std::vector<std::string> StandardListingHeader(const TfRol& w, const std::string& title, int page, bool formFeedFirst) {
  const common::Session& s = common::CurrentSession();
  std::vector<std::string> lines;
  if (page > 1 || formFeedFirst) lines.push_back("\f");
  lines.insert(lines.end(), {"", ""});
  lines.push_back(s.FirmTitle + std::string(13, ' ') + title + std::string(10, ' ') + "List:" + common::IntToText(page, 3) +
                  " Datum: " + common::TodayText());
  lines.push_back("");
  std::vector<int> order;
  for (int i = 1; i <= w.FieldCount; ++i) order.push_back(i);
  const std::string captions = CaptionLine(w, order).substr(0, 132);
  lines.push_back(captions);
  lines.push_back(std::string(captions.size(), '='));
  lines.push_back("");
  return lines;
}

void PrintRecordListing(const RecordListing& l) {
  if (!l.source && l.count < 1) return;
  ReportWriter* out = CurrentReportWriter();
  if (!out) return;
  std::int32_t count = l.count;
  if (l.source) {
    const common::RefusalTail tail(common::Cz(", tisk neproběhl"));
    if (!l.source->MayCarry()) return;
    // Counted after the check, which may have waited for a writer or put a copy back.
    count = std::min(l.source->Count, l.most);
    if (count < 1) return;
  }
  const int limit = common::CurrentSession().LimRad > 0 ? common::CurrentSession().LimRad : 64;
  int page = 0;
  int line = limit + 1;  // the first record always comes under a header
  out->OpenReportOut(l.report, l.width);
  for (std::int32_t n = 1; n <= count; ++n) {
    if (l.include && !l.include(n)) continue;
    if (limit - l.limitMargin < line) {
      ++page;
      for (const std::string& h : l.header(page)) out->WriteReportLine(h);
      line = l.linesAfterHeader;
    }
    if (l.lines) {
      for (const std::string& text : l.lines(n)) {
        out->WriteReportLine(text);
        ++line;
      }
      continue;
    }
    out->WriteReportLine(l.line(n));
    ++line;
  }
  if (page == 0 && l.headerWhenEmpty)
    for (const std::string& h : l.header(1)) out->WriteReportLine(h);
  out->CloseReportOut();
  PrintReport(l.report);
}

}  // namespace browser
