#include "browser/entries.h"

#include "browser/dialogs.h"
#include "common/codepages.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/text.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/winpath.h"
#include "ui/backend.h"
#include "ui/keys.h"

namespace browser {

using namespace common::literals;

namespace {

struct ReportServices {
  ReportViewer* viewers[2] = {nullptr, nullptr};
  ReportWriter* writer = nullptr;
};

ReportServices& Services() {
  static ReportServices services;
  return services;
}

// The viewer asked for, or the other one while that is shown (a help text over an
// open report); when both are shown that is said and there is none.
ReportViewer* FreeViewer(int wanted) {
  ReportViewer* const* v = Services().viewers;
  for (ReportViewer* viewer : {v[wanted], v[1 - wanted]})
    if (viewer && !viewer->Shown()) return viewer;
  if (v[wanted]) ui::ShowMessage("Obě okna tiskových sestav jsou otevřena, zavřete jedno z nich"_cz);
  return nullptr;
}

void ShowInViewer(ReportViewer* viewer, const std::string& name) {
  const std::string file = name + ".txt";
  if (common::CheckFile(file) < 3) {
    const std::string why = common::UnreadableFileReason(file);
    ui::ShowMessage(why.empty() ? "Prázdná tisková sestava"_cz : "Tisková sestava "_cz + common::ShownPath(file) + why);
    return;
  }
  if (!viewer) return;
  viewer->SetupReport(file);
  for (;;) {
    viewer->SetLastKey(ui::vk::Esc);
    viewer->ShowReport();
    if (viewer->LastKey() == ui::vk::Esc) {
      viewer->SetCurrentRecord(-1);
      break;
    }
    if (viewer->LastKey() == ui::vk::Enter) break;
  }
  viewer->CloseBrowse();
}

constexpr int kHelpLineLength = 80;
constexpr const char* kHelpJob = "help";

std::string TopicKey(std::string_view s) { return common::UpperCz(common::StripDiacritics(s)); }

}  // namespace

void SetReportServices(ReportViewer* first, ReportViewer* second, ReportWriter* writer) {
  Services() = {{first, second}, writer};
}

ReportWriter* CurrentReportWriter() { return Services().writer; }

void PrintReport(const std::string& name) { ShowInViewer(FreeViewer(0), name); }

void PrintReport2(const std::string& name) { ShowInViewer(FreeViewer(1), name); }

std::string CzechKeysToDigits(std::string_view text) {
  static const std::string small = "é+ěščřžýáí"_cz;
  static const std::string capital = "É+ĚŠČŘŽÝÁÍ"_cz;
  std::string out(text);
  for (char& c : out) {
    std::size_t p = small.find(c);
    if (p == std::string::npos) p = capital.find(c);
    if (p != std::string::npos) c = static_cast<char>('0' + p);
  }
  return out;
}

void ShowHelpTopic(const std::string& name, const std::string& topic) {
  std::string text;
  if (common::ReadTextFile(common::ProgDir(name + ".hlp"), text) != 0) return;
  const common::Session& session = common::CurrentSession();
  const std::string wanted = TopicKey(topic);
  std::string help;
  int topicLine = 0, n = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
    ++n;
    if (topicLine == 0 && !line.empty() && line[0] == '$') {
      const int open = common::Pos("[", line);
      const int close = common::Pos("]", line, open + 1);
      if (open > 0 && close > open && TopicKey(common::Copy(line, open + 1, close - open - 1)) == wanted)
        topicLine = n;
    }
    // The work text "help": lines of 80 characters, stored as every report line is.
    std::string fixed = line;
    fixed.resize(kHelpLineLength, ' ');
    help += (session.ScrambleOn ? common::ScrambleText(fixed, session.ScrambleKey) : fixed) + "\r\n";
  }
  if (const int code = common::ReplaceFileContents(kHelpJob + std::string(".txt"), help)) {
    ui::ShowMessage("Err" + common::FormatNumberMask("##### ", code) + kHelpJob + ".txt");
    return;
  }
  ReportViewer* viewer = FreeViewer(0);
  if (!viewer && Services().viewers[0]) return;  // both shown: said
  common::WriteParam(kOkna2Par, (viewer ? viewer->SettingsName() : std::string("fPozri")) + " Index",
                     common::FormatNumberMask("######", topicLine + 1));
  ShowInViewer(viewer, kHelpJob);
}

}  // namespace browser
