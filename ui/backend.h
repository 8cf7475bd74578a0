// The services of the layer that windows call (message boxes, beeps, standard
// dialogs, screen metrics, printing, the clock) and the interface a back end
// implements. One back end is current in the process: the Qt one in the program,
// the headless one in tests and in batch mode.
#pragma once
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "ui/bitmap.h"
#include "ui/canvas.h"
#include "ui/form.h"

namespace ui {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class BeepKind { Default, Asterisk, Exclamation, Error, Question };

struct FileDialogRequest {
  std::string title;       // Windows-1250
  std::string directory;   // real path to start in; empty = the current folder
  std::string fileName;    // in: proposed name; out: the chosen file's real path
  std::string filter;      // "Texty|*.txt|Vše|*.*" (Windows-1250); empty = all files
};

struct FolderDialogRequest {
  std::string title;
  std::string directory;  // in: start; out: the chosen folder's real path
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Forms. The core calls these; windows call Form's own operations instead.
  virtual void FormShown(Form& form) = 0;     // shown modelessly
  virtual void FormHidden(Form& form) = 0;
  virtual void RunModal(Form& form) = 0;      // returns once form.modalDone()
  virtual void ModalEnded(Form& form) = 0;    // the modal form got its result
  virtual void FormChanged(Form& form) = 0;   // state to mirror (see Form::MarkChanged)
  virtual void FormDestroyed(Form& form) = 0;
  virtual void ControlRemoved(Form& form, Control& control) = 0;
  // The program's main loop: shows the main form and returns when it has closed.
  virtual void Run(Form& mainForm) = 0;
  // Lets pending input, paints and timers run (a long operation keeping a notice alive).
  virtual void ProcessMessages() = 0;

  virtual void TimerChanged(Timer& timer) = 0;
  virtual void TimerDestroyed(Timer& timer) = 0;
  // Monotonic milliseconds of the layer's clock (timers run on it).
  virtual std::int64_t NowMs() = 0;

  virtual MenuItem* Popup(PopupMenu& menu, Point screen) = 0;

  virtual int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) = 0;
  virtual void Beep(BeepKind kind) = 0;
  virtual bool ChooseFont(Font& font) = 0;
  virtual bool ChooseColor(Color& color) = 0;
  virtual bool ChooseOpenFile(FileDialogRequest& request) = 0;
  virtual bool ChooseFolder(FolderDialogRequest& request) = 0;
  // The print dialog: the user picks the printer (which becomes current). Printing into
  // a file, it offers the file the job `job` goes to by default (DefaultPrintFile).
  virtual bool ChoosePrinter(const std::string& job) = 0;

  virtual Rect WorkArea() = 0;
  virtual int PixelsPerInch() = 0;
  // A picture of the form's client area as it is shown.
  virtual Bitmap GrabForm(Form& form) = 0;

  virtual std::vector<std::string> PrinterNames() = 0;
  virtual std::string CurrentPrinter() = 0;
  virtual bool SetCurrentPrinter(const std::string& name) = 0;
  // Starts a print job on the current printer; throws std::runtime_error when the
  // printer cannot be opened.
  virtual std::unique_ptr<PrinterCanvas> BeginPrint(const std::string& title, PageOrientation orientation) = 0;

  // An event handler threw (ui/handlers.h): by default its text in a message box.
  virtual void HandlerFailed(std::exception_ptr error);
  // Closes the toolkit's own dialogs and menus still open (message boxes, standard
  // dialogs, popup menus) as if cancelled.
  virtual void CloseNativeDialogs() {}
};

// The program ends without a word (a signal, a lost display): from now on no window
// is shown (a modal show returns Cancel at once), message boxes go to standard error
// and are answered with Cancel (No, or OK when that is their only button), the standard
// dialogs and popup menus choose nothing, and those still open are closed.
void EndQuietly();
bool EndingQuietly();

// The current back end; throws std::logic_error when none is set.
Backend& CurrentBackend();
bool HasBackend();
// Makes `backend` current (nullptr: none). The caller keeps ownership.
void SetBackend(Backend* backend);

class ScopedBackend {
 public:
  explicit ScopedBackend(Backend& b);
  ~ScopedBackend();
  ScopedBackend(const ScopedBackend&) = delete;
  ScopedBackend& operator=(const ScopedBackend&) = delete;

 private:
  Backend* previous_;
};

// Caption of message boxes that do not name one (the program's title).
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// --- Services for windows (all text Windows-1250) ---
int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons = MsgButtons::Ok,
               MsgIcon icon = MsgIcon::None);
// An OK box with the application title.
void ShowMessage(const std::string& text);
// A yes/no box; true for yes.
bool AskYesNo(const std::string& text, const std::string& caption = {});
void Beep(BeepKind kind = BeepKind::Default);
bool ChooseFont(Font& font);
bool ChooseColor(Color& color);
bool ChooseOpenFile(FileDialogRequest& request);
bool ChooseFolder(FolderDialogRequest& request);
bool ChoosePrinter(const std::string& job = {});
Rect WorkArea();
int PixelsPerInch();
std::int64_t NowMs();
void ProcessMessages();
Bitmap GrabForm(Form& form);
std::vector<std::string> PrinterNames();
std::string CurrentPrinter();
bool SetCurrentPrinter(const std::string& name);
std::unique_ptr<PrinterCanvas> BeginPrint(const std::string& title,
                                          PageOrientation orientation = PageOrientation::Portrait);

}  // namespace ui
