// The three ways a report is printed: on a printer canvas through a text channel
// (fonts per density), raw to a line printer port (control codes per density),
// and as a drop file for a print spooler. The engines see the report only as a
// PrintSource, so that they work on any list of lines.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reports/printfiles.h"
#include "reports/rawport.h"
#include "ui/canvas.h"

namespace reports {

class PrintSource {
 public:
  virtual ~PrintSource() = default;
  virtual std::int32_t LineCount() = 0;
  // Line n (1..LineCount) as plain text of the report's width.
  virtual std::string PlainLine(std::int32_t n) = 0;
  virtual bool IsMarked(std::int32_t n) = 0;
  virtual void Unmark(std::int32_t n) = 0;
  virtual std::int32_t MarkedCount() = 0;
  virtual void ClearMarks() = 0;
  virtual std::int32_t CurrentLine() = 0;
  virtual std::int32_t BlockBegin() = 0;  // 0 when not set
  virtual std::int32_t BlockEnd() = 0;
};

// Windows, line and stamp print: the marked lines when any is marked, else from the
// current line to the last.
std::vector<std::int32_t> LinesToPrint(PrintSource& source);
// Spool drop file: the block when its start is set (to its end or the last line),
// else from the current line to the last.
std::vector<std::int32_t> SpoolLines(PrintSource& source);

// Text output on a printer canvas from the top left of the printable area: text
// without a line end continues the line, a line end moves down by the height of
// the font in use, a form feed or a line that does not fit starts a new page.
// A form feed on a page that has nothing on it yet starts no empty sheet.
class TextChannel {
 public:
  explicit TextChannel(ui::PrinterCanvas& canvas) : canvas_(canvas) {}
  void Write(std::string_view text);
  void EndLine();
  void FormFeed();
  ui::PrinterCanvas& canvas() { return canvas_; }

 private:
  void FitLine();
  ui::PrinterCanvas& canvas_;
  int x_ = 0, y_ = 0;
  bool pageUsed_ = false;
};

// The pages of a print kept in "tisk.txt" for their extra copies.
class PageCopies {
 public:
  explicit PageCopies(int copies) : copies_(copies) {}
  ~PageCopies();
  int copies() const { return copies_; }
  void Start();                           // creates "tisk.txt" empty
  void Add(const std::string& line);      // one prepared line
  std::vector<std::string> TakePage();    // the lines so far; the file starts anew
  void Finish();                          // closes "tisk.txt"

 private:
  int copies_;
  std::vector<std::string> page_;
  std::string fileBuffer_;
  bool open_ = false;
};

// The print on an open canvas; the caller ends the job. File errors raise IoError,
// a bad ".fnt" value RangeError.
void PrintOnCanvas(PrintSource& source, ui::PrinterCanvas& canvas, const PrintSettings& settings);
// With CencTisk set: the printer before the current one is made current, then the
// current one again, so that the system takes up its settings anew.
void ReannounceDefaultPrinter();
// The whole Windows print of a report: notice "Probíhá tisk", the CencTisk
// re-announce, the job on the current printer. Nothing without lines.
void PozriPrintReport(PrintSource& source, const std::string& title);

// The line print to an open port; marked lines are unmarked as they go.
void PrintToPort(PrintSource& source, RawPort& port, const PrintSettings& settings);
// The whole line print: the port of the job entry "LPT". 0 or the port's I/O code.
int PozriPrintLpt(PrintSource& source);

// The spooler drop file "c:\printer\print" + NNN + ".txt" (Kamenický, CR LF) with
// the counter "SPEEDPRN" advanced and stored at once. False (after the message
// "Predešlý tisk není hotový") when the file cannot be created. The drive goes
// through the drive map; the spooler is another program (on Linux a watcher such as
// inotifywait handing each file to "lp -o raw" will do).
bool PozriSpoolPrint(PrintSource& source);

}  // namespace reports
