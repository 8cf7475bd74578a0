// The entries through which every window opens the small dialogs, notices and
// report previews: each places the window, shows it, returns a small result and
// also fills the answer list and the chosen number (dialogs.h) that callers read
// right after the call.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace browser {

// The check routine of a question or choice window, run by F1 with the number of
// the current field or row and its text; what it returns is not used.
using CheckRoutine = std::function<void(int number, std::string& text)>;

// Up to 60 labelled fields from (caption, value) pairs; more than 120 texts are
// refused with a beep and "<title> - příliš mnoho parametrů". The answers 1..n are
// filled whether or not the window was confirmed.
struct FieldsResult {
  bool confirmed = false;
  std::vector<std::string> answers;  // answers 1..number of pairs
};
FieldsResult AskFields(int column, int line, const CheckRoutine& check, const std::string& title,
                       const std::vector<std::string>& items);
// One field without a title; when confirmed, text := the answer.
bool AskString(int column, int line, const std::string& caption, std::string& text);
// A yes/no question whose default is the last answer to it; true for yes.
bool AskOne(int column, int line, const std::string& question);

// Single choice among up to 60 items. Items beginning with "-" (or marked forbidden
// in "par\VYBER.PAR" under the title) cannot be chosen; "*" and "-" show as blanks.
struct ChoiceResult {
  int chosen = 0;    // 1-based, 0 = nothing chosen
  std::string code;  // characters 2-3 of the chosen item, two blanks when none
};
ChoiceResult ShowVyber(int column, int line, const CheckRoutine& check, const std::string& title,
                       const std::vector<std::string>& items);
// Check boxes for up to 60 items with the state kept in "par\VOLBY.PAR" under the
// title ("*" ticked, "-" forbidden). Answer i := "A" for a ticked item, else empty.
struct OptionsResult {
  bool confirmed = false;
  std::vector<bool> checked;  // [0] is item 1
};
OptionsResult ShowVolby(int column, int line, const CheckRoutine& check, const std::string& title,
                        const std::vector<std::string>& items);
// Makes the next ShowVolby with this title start ticked exactly where items begin
// with "*", whatever an earlier use of the same title left in "par\VOLBY.PAR".
void PresetVolbyState(const std::string& title, const std::vector<std::string>& items);

// The notice window with its progress bar.
void ShowBlik(const std::string& text);
void ShowBlikTimed(const std::string& text, int ms);
void BlikProgress(int maximum, int position);
void CloseBlik();

// The calculator seeded with start; the display's value when confirmed, else 0
// (callers that must tell a confirmed 0 apart read fKalk().Confirmed).
double ShowCalculator(double start);

// The calculator of Ctrl+F9 in the edit windows: the confirmed result, or nothing
// when it was left.
using CalculatorEntry = std::function<std::optional<double>(double start)>;
// Ctrl+F9 over a field's text: the calculator (`entry`, else ShowCalculator) starts
// with the text's number; a confirmed result replaces the text, written with two
// decimals and every blank removed. True when the text was replaced.
bool CalculateIntoText(std::string& text, const CalculatorEntry& entry = {});

// "é+ěščřžýáí" (and the capitals) to the digits 0..9; other characters stay.
std::string CzechKeysToDigits(std::string_view text);

// The help text "<name>.hlp" of the program folder in the report viewer, opened at
// the line of the topic.
void ShowHelpTopic(const std::string& name, const std::string& topic);

// The report "<name>.txt" in the first (or, for the twin, the second) viewer, or in
// the other one while that is shown; a file under 3 bytes gives "Prázdná tisková
// sestava".
void PrintReport(const std::string& name);
void PrintReport2(const std::string& name);

// The report viewer as the print entry needs it (the report layer's window).
class ReportViewer {
 public:
  virtual ~ReportViewer() = default;
  // Sets the viewer up on the file and switches its search to no wrap-around.
  virtual void SetupReport(const std::string& fileName) = 0;
  virtual void SetLastKey(int key) = 0;
  virtual int LastKey() const = 0;
  // Shows the viewer modally.
  virtual void ShowReport() = 0;
  virtual void SetCurrentRecord(int record) = 0;
  virtual void CloseBrowse() = 0;
  // Shown now (modally): it cannot take another report until it is closed.
  virtual bool Shown() const { return false; }
  // The name its settings are stored under in "par\okna2.par".
  virtual std::string SettingsName() const { return "fPozri"; }
};

// The report writer (job name, width, lines) the calculator prints its tape through.
class ReportWriter {
 public:
  virtual ~ReportWriter() = default;
  virtual void OpenReportOut(const std::string& jobName, int width) = 0;
  virtual void WriteReportLine(const std::string& line) = 0;
  virtual void CloseReportOut() = 0;
};

// Put in place at start-up by the report layer; without them nothing is shown or printed.
void SetReportServices(ReportViewer* first, ReportViewer* second, ReportWriter* writer);
ReportWriter* CurrentReportWriter();

}  // namespace browser
