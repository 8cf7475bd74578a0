#include "app/printpartners.h"

#include <algorithm>

#include "browser/codec.h"
#include "browser/entries.h"
#include "browser/fields.h"
#include "browser/recsort.h"
#include "common/codepages.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/recfile.h"
#include "common/session.h"
#include "common/text.h"
#include "partners/org.h"
#include "partners/orgvk.h"
#include "reports/writer.h"

namespace app {

using common::Cz;
using partners::kOrgRecordLength;

namespace {

constexpr char kSortFile[] = "org.wrk";
constexpr char kTitle[] = "Obchodní partneři";

enum class Rule { Text, Czech, Word, Real };
struct SortRule {
  Rule rule;
  const char* mask;
};
// Fields 1..30 in record order.
constexpr std::array<SortRule, partners::kOrgFields> kRules{{
    {Rule::Word, "#####"}, {Rule::Text, ""},  {Rule::Text, ""},    {Rule::Czech, ""}, {Rule::Czech, ""},
    {Rule::Czech, ""},     {Rule::Czech, ""}, {Rule::Text, ""},    {Rule::Text, ""},  {Rule::Text, ""},
    {Rule::Czech, ""},     {Rule::Text, ""},  {Rule::Text, ""},    {Rule::Text, ""},  {Rule::Czech, ""},
    {Rule::Text, ""},      {Rule::Text, ""},  {Rule::Text, ""},    {Rule::Word, "####"}, {Rule::Text, ""},
    {Rule::Text, ""},      {Rule::Real, "###.##"}, {Rule::Real, "##.#-"}, {Rule::Word, "###"}, {Rule::Word, "##"},
    {Rule::Text, ""},      {Rule::Text, ""},  {Rule::Text, ""},    {Rule::Text, ""},  {Rule::Text, ""},
}};

std::string SortText(int field, std::string_view r) {
  const SortRule& rule = kRules[static_cast<std::size_t>(field - 1)];
  switch (rule.rule) {
    case Rule::Czech: return common::UpperCz(common::StripDiacritics(partners::OrgText(r, field)));
    case Rule::Word: return common::FormatFloatMask(rule.mask, partners::OrgWord(r, field));
    case Rule::Real: return common::FormatFloatMask(rule.mask, partners::OrgReal(r, field));
    case Rule::Text: break;
  }
  return {};
}

std::string SelectionName() { return partners::TfORGVK::WorkName(); }
std::string User() { return common::CurrentSession().CurrentUser; }

void PageHeader(PartnerPrintState& p) {
  ++p.page;
  if (p.page > 1 || common::CurrentSession().NovyList) reports::WriteReportLine("\f");
  reports::WriteReportLine("");
  reports::WriteReportLine("");
  std::string firm = common::FirmName();
  firm.resize(24, ' ');
  reports::WriteReportLine(firm + std::string(10, ' ') + Cz(kTitle) + std::string(7, ' ') + Cz(" uspořádáno dle:  ") +
                           p.sortCaption + std::string(10, ' ') + "D:" + common::TodayText() + " L:" +
                           common::FormatFloatMask("###", p.page));
  reports::WriteReportLine("");
  reports::WriteReportLine(p.header);
  reports::WriteReportLine(std::string(132, '='));
  p.line = 6;
}

// The marked partners of the register, stored as in "org.dta", into the selection file;
// false when the register's records may not be carried (said) or one could not be read:
// the selection file is then not touched.
bool CopyMarked() {
  partners::TfOrg& w = partners::fOrg();
  partners::SetupOrg(w, "org.dta");
  w.ShowModal();
  w.ActiveOrder = 0;  // marks are by record number
  std::vector<std::string> marked;
  // The records marked, read with no writer between: none while one is no longer the one marked.
  const bool read = w.MayCarry() && w.CarryMarked([&] {
    for (std::int32_t n = 1; n <= w.Count; ++n) {
      if (!w.IsMarked(n)) continue;
      w.RecordReadAt(n);
      if (!w.lastIoOk()) return false;
      if (common::CurrentSession().ScrambleOn) w.BeforeWriteHook();
      marked.push_back(w.RecordBuffer);
    }
    return true;
  });
  w.CloseBrowse();
  if (!read) return false;
  common::tRecFile out;
  if (!common::OpenRecFile(out, SelectionName(), "O", kOrgRecordLength)) return false;
  try {
    for (const std::string& record : marked) common::WriteRec(out, record.data());
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" pise soubor: ", e.file, e.code);
  }
  common::CloseRecFile(out);
  return true;
}

// Sorts the window's records into "org.wrk" (scrambled as in "org.dta" while
// scrambling is on). False when the sort failed.
bool SortInto(partners::TfOrg& w, int field) {
  common::tRecFile out;
  if (!common::OpenRecFile(out, "=" + std::string(kSortFile), "O", kOrgRecordLength)) return false;
  const bool scrambled = common::CurrentSession().ScrambleOn != 0;
  browser::RecordSort sort;
  sort.less = [field](const char* a, const char* b) {
    return PartnerBefore(field, std::string_view(a, kOrgRecordLength), std::string_view(b, kOrgRecordLength));
  };
  bool ok = true;
  sort.onInput = [&](browser::RecordSort& s) {
    for (std::int32_t n = 1; n <= w.Count; ++n) {
      w.RecordRead(n);
      if (!w.lastIoOk()) {
        ok = false;
        return;
      }
      s.SortPut(w.RecordBuffer.data(), kOrgRecordLength);
    }
  };
  sort.onOutput = [&](browser::RecordSort& s) {
    std::string record(kOrgRecordLength, '\0');
    try {
      while (s.SortGet(record)) {
        if (scrambled) partners::ScrambleOrgFields(record, true);
        common::WriteRec(out, record.data());
      }
    } catch (const common::IoError& e) {
      common::FileErrorMessage(" pise soubor: ", e.file, e.code);
      ok = false;
    }
  };
  const int status = sort.SortRun(kOrgRecordLength);
  common::CloseRecFile(out);
  return ok && status == browser::kSortOk;
}

void CleanUp() {
  partners::fOrg().CloseBrowse();
  common::EraseFiles(kSortFile);
  common::EraseFiles(common::DataDir(SelectionName()));
}

}  // namespace

bool ReadPartnerCaptions(const std::string& file, std::vector<std::string>& captions) {
  captions.clear();
  std::string text;
  if (const int code = common::ReadTextFile(file, text)) {
    common::FileErrorMessage(" cte soubor: ", file, code);
    return false;
  }
  std::size_t at = 0;
  while (at < text.size() && static_cast<int>(captions.size()) < kPartnerCaptions) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t open = line.find('"');
    std::string caption = open == std::string::npos ? line : line.substr(open + 1, 250);
    if (const std::size_t close = caption.find('"'); close != std::string::npos) caption.resize(close);
    caption = common::RemoveSpaces(caption);
    if (!caption.empty()) captions.push_back(caption);
  }
  return true;
}

bool PartnerBefore(int field, std::string_view a, std::string_view b) {
  if (field < 1 || field > partners::kOrgFields) return false;
  if (kRules[static_cast<std::size_t>(field - 1)].rule == Rule::Text) {
    const auto at = static_cast<std::size_t>(partners::OrgOffset(field));
    return browser::CountedTextLess(a.data() + at, b.data() + at);
  }
  return SortText(field, a) < SortText(field, b);
}

PartnerPrintState& PartnerPrint() {
  static PartnerPrintState state;
  return state;
}

void PrintPartners(ui::Label& label, ui::ProgressBar& bar) {
  PartnerPrintState& p = PartnerPrint();
  p.columns.fill(false);
  p.sortField = -1;
  p.reportWritten = false;
  std::vector<std::string> captions;
  if (!ReadPartnerCaptions(common::ProgDir("\\dlib\\org.pol"), captions)) return;

  const int choice = browser::ShowVyber(60, 25, {}, Cz("Výběr firem"),
                                        {Cz("Označením v souboru"), Cz("Zadáním kritérií"), Cz("Všechny")})
                         .chosen;
  if (choice < 1) return;
  // A register whose records may not be carried prints nothing: said once, with this tail.
  const common::RefusalTail tail(Cz(", tisk neproběhl"));
  if (choice == 1 && !CopyMarked()) return;
  if (choice == 2) {
    partners::TfORGVK& vk = partners::fORGVK();
    partners::SetupORGVK(vk, "");
    vk.ShowModal();
    vk.CloseBrowse();
    if (!vk.SelectionRun) return;  // refused, said: an older work file is no selection
  }
  p.header.clear();
  if (choice != 3 && common::CheckFile(common::DataDir(SelectionName())) < 1) return;

  std::vector<std::string> items;
  for (int i = 1; i <= kPartnerChoices; ++i) {
    const std::string caption = i <= static_cast<int>(captions.size()) ? captions[static_cast<std::size_t>(i - 1)] : "";
    const bool ticked = i == 1 || i == 3 || i == 4 || i == 6 || i == 7 || i == 8;
    items.push_back(ticked ? "*" + caption : caption);
  }
  const browser::OptionsResult columns = browser::ShowVolby(10, 10, {}, Cz("Vyberte si, co tisknout"), items);
  if (!columns.confirmed) return;

  partners::TfOrg& w = partners::fOrg();
  partners::SetupOrg(w, choice == 3 ? "org.dta" : SelectionName());
  if (!w.MayCarry()) {
    CleanUp();
    return;
  }
  const std::vector<int> offsets = browser::FieldOffsets(w.FieldSpan());
  const int shown = std::min({static_cast<int>(captions.size()), kPartnerChoices, w.FieldCount});
  for (int i = 1; i <= shown; ++i) {
    if (static_cast<std::size_t>(i) > columns.checked.size() || !columns.checked[static_cast<std::size_t>(i - 1)]) continue;
    p.columns[static_cast<std::size_t>(i)] = true;
    std::string caption = w.Field(i).caption;
    caption.resize(static_cast<std::size_t>(w.Field(i).width), ' ');
    p.header += caption + " ";
  }

  std::vector<std::string> orders;
  for (int i = 1; i <= kPartnerChoices; ++i)
    orders.push_back(i <= static_cast<int>(captions.size()) ? captions[static_cast<std::size_t>(i - 1)] : "");
  const int order = browser::ShowVyber(30, 10, {}, Cz("Vyberte si, podle čeho třídit"), orders).chosen;
  if (order >= 1) {
    p.sortField = order;
    p.sortCaption = orders[static_cast<std::size_t>(order - 1)];
    bar.SetRange(0, std::max(1, w.Count));
    bar.SetPosition(0);
    bar.Show();
    label.SetText(Cz("Vytvářím tiskovou sestavu"));
    label.Show();
    // Every print starts at page 1.
    p.page = 0;
    if (const int code = reports::TryOpenReportOut("OR02" + User(), 132)) {
      // No report can be made here (a start folder the user may not write): said once.
      bar.Hide();
      label.Hide();
      common::MessageOk(Cz("Soubor ") + reports::TheReportOutput().TxtName() + Cz(" nelze zapsat do složky ") +
                        common::CurrentFolder() + Cz(", err ") + std::to_string(code) + Cz(", tisk neproběhl"));
      CleanUp();
      return;
    }
    p.reportWritten = true;
    PageHeader(p);
    p.printed = 0;
    if (w.Count >= 1) {
      // Orders past the layout's 30 fields have no rule: record order.
      const bool sorted = p.sortField > 1 && p.sortField <= partners::kOrgFields && SortInto(w, p.sortField);
      common::tRecFile in;
      const bool fromSort = sorted && common::OpenRecFile(in, "=" + std::string(kSortFile), "I", kOrgRecordLength);
      const bool scrambled = common::CurrentSession().ScrambleOn != 0;
      const int limit = common::CurrentSession().LimRad > 0 ? common::CurrentSession().LimRad : 64;
      std::string record(kOrgRecordLength, '\0');
      try {
        for (std::int32_t n = 1; n <= w.Count; ++n) {
          bar.SetPosition(n);
          if (fromSort) {
            if (common::RecEof(in)) break;
            common::ReadRec(in, record.data());
            if (scrambled) partners::ScrambleOrgFields(record, false);
          } else {
            w.RecordRead(n);
            if (!w.lastIoOk()) break;
            record = w.RecordBuffer;
          }
          if (partners::OrgText(record, partners::of::Name).starts_with(std::string(10, ' '))) continue;
          std::string line, csv;
          for (int i = 1; i <= shown; ++i) {
            if (!p.columns[static_cast<std::size_t>(i)]) continue;
            const std::string text =
                browser::FieldText(w.Field(i), record, offsets[static_cast<std::size_t>(i - 1)]);
            line += text + " ";
            csv += text + ";";
          }
          if (p.line > limit) PageHeader(p);
          reports::WriteReportLine(line);
          ++p.line;
          reports::WriteReportCsvLine(csv);
          ++p.printed;
        }
      } catch (const common::IoError& e) {
        common::FileErrorMessage(" cte soubor: ", e.file, e.code);
      }
      if (fromSort) common::CloseRecFile(in);
    }
    bar.Hide();
    label.Hide();
    if (p.printed > 0) {
      reports::WriteReportLine("");
      reports::WriteReportLine(common::FormatFloatMask("##### ", p.printed) + Cz("Vybraných firem"));
    }
    reports::CloseReportOut();
  }
  CleanUp();
  // Esc at the order wrote no report: nothing to show.
  if (p.reportWritten) browser::PrintReport("OR02" + User());
}

}  // namespace app
