// The back end for tests and for batch runs without a display.
//
// A modal show is answered, in this order, by: a handler queued with
// AnswerNextModal; a handler registered for the form's class or name (OnModal); the
// script being played (ScriptRunner), whose commands then act on that form until it
// closes. Message boxes and the standard dialogs take queued answers (Queue...), then
// the script's next "answer" command, then a default (the first button; cancel for
// the dialogs). Everything shown is recorded in the journal.
//
// Timers run on a virtual clock (a common::FakeClock made the process's current
// clock while this back end lives) that only Advance moves.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "ui/backend.h"
#include "ui/handlers.h"
#include "ui/keys.h"

namespace ui::headless {

// A step that cannot be carried out (no active form, a hidden control, a modal form
// nobody answers, a script error).
struct HeadlessError : std::runtime_error, DriverError {
  using std::runtime_error::runtime_error;
};

// An answer that does not fit what asked for it. `line` is the script line of the
// answer; 0 when a test queued it.
struct AnswerError : HeadlessError {
  int line;
  AnswerError(int line, const std::string& what) : HeadlessError(what), line(line) {}
};

// An answer for a message box, a standard dialog or a popup menu.
struct Answer {
  enum class Kind { Button, Font, Color, File, Folder, Printer, Menu, Cancel };
  Kind kind = Kind::Cancel;
  int button = mr::None;  // Button: mr::Ok, mr::Yes, ...
  Font font;              // Font
  Color color = 0;        // Color
  std::string text;       // File, Folder, Printer; Menu: the item's name or caption (Windows-1250)
  int index = -1;         // Menu: the item's index when text is empty
  int line = 0;           // the script line it came from; 0 when queued

  static Answer Of(Kind k) {
    Answer a;
    a.kind = k;
    return a;
  }
  static Answer ButtonAnswer(int result) { auto a = Of(Kind::Button); a.button = result; return a; }
  static Answer FontAnswer(const Font& f) { auto a = Of(Kind::Font); a.font = f; return a; }
  static Answer ColorAnswer(Color c) { auto a = Of(Kind::Color); a.color = c; return a; }
  static Answer FileAnswer(std::string path) { auto a = Of(Kind::File); a.text = std::move(path); return a; }
  static Answer FolderAnswer(std::string path) { auto a = Of(Kind::Folder); a.text = std::move(path); return a; }
  static Answer PrinterAnswer(std::string name) { auto a = Of(Kind::Printer); a.text = std::move(name); return a; }
  static Answer MenuAnswer(int index) { auto a = Of(Kind::Menu); a.index = index; return a; }
  static Answer MenuAnswer(std::string item) { auto a = Of(Kind::Menu); a.text = std::move(item); return a; }
  static Answer CancelAnswer() { return Of(Kind::Cancel); }
};

// Parses an answer as scripts write it: "ok", "yes", "no", "cancel", "retry",
// "font <name> <size> [bold] [italic] [#RRGGBB]", "colour #RRGGBB" (or "color"),
// "file <path>", "folder <path>", "printer <name>", "menu <index|name|caption>".
// Text is UTF-8 here and becomes Windows-1250. Throws HeadlessError.
Answer ParseAnswer(std::string_view text);

struct MessageRecord {
  std::string text, caption;  // Windows-1250
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
  int answer = mr::None;
  bool answered = false;  // false: nobody answered and the default was taken
};

struct PrintJob {
  std::string title, printer;
  std::vector<std::string> ops;  // "page 1", "font Courier 10", "text 100,200 abc" ... (UTF-8)
  int pages = 1;
  bool ended = false, aborted = false;
  bool landscape = false;  // the page lies: its width and height swapped
};

struct SnapshotOptions {
  bool geometry = false;  // add each control's position and size
  bool hidden = false;    // list hidden controls too (marked "hidden")
};

// A text picture of a form (UTF-8): caption, the controls with their texts and
// states, list items, memo lines, grid cells with the current row, focus.
std::string Snapshot(const Form& form, const SnapshotOptions& options = {});

class HeadlessBackend : public Backend {
 public:
  // Becomes the current back end, and its clock the current clock, until destroyed.
  HeadlessBackend();
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  // --- Screen and printers ---
  Rect workArea{0, 0, 1920, 1040};
  int pixelsPerInch = 96;
  std::vector<std::string> printers{"Headless"};

  // --- Modal forms ---
  using ModalHandler = std::function<void(Form&)>;
  void OnModal(const std::string& formName, ModalHandler handler);
  template <class T>
  void OnModal(std::function<void(T&)> handler) {
    typeHandlers_.push_back([handler](Form& f) {
      auto* t = dynamic_cast<T*>(&f);
      if (t) handler(*t);
      return t != nullptr;
    });
  }
  void AnswerNextModal(ModalHandler handler);
  // What happens to a modal form no handler and no script answers: by default a
  // HeadlessError; with closeUnanswered the form closes with mr::Cancel.
  bool closeUnanswered = false;

  // --- Message boxes, dialogs, menus ---
  void QueueAnswer(Answer answer);
  void QueueButton(int result) { QueueAnswer(Answer::ButtonAnswer(result)); }
  // Answers message boxes before the script does (return mr::None to pass).
  std::function<int(const MessageRecord&)> onMessage;
  const std::vector<MessageRecord>& messages() const { return messages_; }
  const std::vector<BeepKind>& beeps() const { return beeps_; }
  const std::deque<PrintJob>& printJobs() const { return jobs_; }
  // Everything shown, one UTF-8 line each: modal forms, messages, beeps, dialogs, prints.
  const std::vector<std::string>& journal() const { return journal_; }
  std::function<void(const std::string& line)> onJournal;
  void ClearRecords();

  // --- Input to the active form (ActiveForm()) ---
  Form& Active() const;
  // Key down, its character (if any) and key up, as a keyboard would send them.
  void Press(int vk, Shift shift = Shift::None);
  void Press(KeyStroke key) { Press(key.vk, key.shift); }
  // Keys by name, separated by blanks: "Ctrl+F2 Down Down Enter".
  void PressKeys(std::string_view names);
  // Queued together: a key that opens a modal window leaves the rest to that window.
  void Press(const std::vector<KeyStroke>& keys);
  // Delivers the keys still waiting (after the window they ended has returned).
  void DrainKeys();
  bool KeysPending() const { return !pendingKeys_.empty(); }
  // Types Windows-1250 text character by character.
  void Type(std::string_view text);
  void Focus(Control& c);
  void Click(Control& c);
  void DoubleClick(Control& c);
  void RightClick(Control& c, Shift shift = Shift::None);
  void ClickAt(Control& c, int x, int y, MouseButton b = MouseButton::Left, Shift shift = Shift::None);
  void ClickItem(ListBox& list, int index);
  void DoubleClickItem(ListBox& list, int index);
  void ChooseItem(ComboBox& combo, int index);
  void ClickCell(Grid& grid, int col, int row, Shift shift = Shift::None);
  void DoubleClickCell(Grid& grid, int col, int row);
  // Press at `from`, move with the button held, release at `to` (form client pixels
  // relative to the control's position when pressed).
  void Drag(Control& c, Point from, Point to, MouseButton b = MouseButton::Left);
  void MoveMouse(Control& c, int x, int y);
  // Chooses an item of the form's menu bar by name or caption (Windows-1250).
  void ChooseMenu(Form& f, const std::string& item);
  // The window's close button.
  void CloseWindow(Form& f) { f.UserClose(); }

  // --- Time ---
  // Moves the clock on, firing every timer that falls due on the way, in order.
  void Advance(std::int64_t ms);
  common::FakeClock& clock() { return clock_; }

  // --- Script support (ScriptRunner) ---
  // Runs the next script command; false when none is left.
  std::function<bool()> scriptPump;
  // Takes the script's next command when it is an "answer"; nullopt otherwise.
  std::function<std::optional<Answer>()> scriptAnswer;
  // The script has ended: modal forms still open close with mr::Cancel and are
  // named in leftOpen.
  bool scriptEnded = false;
  std::vector<std::string> leftOpen;

  // --- Backend ---
  void FormShown(Form& form) override;
  void FormHidden(Form& form) override;
  void RunModal(Form& form) override;
  void ModalEnded(Form& form) override;
  void FormChanged(Form&) override {}
  void FormDestroyed(Form& form) override;
  void ControlRemoved(Form&, Control&) override {}
  void Run(Form& mainForm) override;
  void ProcessMessages() override {}
  void TimerChanged(Timer& timer) override;
  void TimerDestroyed(Timer& timer) override;
  std::int64_t NowMs() override { return clock_.MonotonicMs(); }
  MenuItem* Popup(PopupMenu& menu, Point screen) override;
  int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) override;
  void Beep(BeepKind kind) override;
  bool ChooseFont(Font& font) override;
  bool ChooseColor(Color& color) override;
  bool ChooseOpenFile(FileDialogRequest& request) override;
  bool ChooseFolder(FolderDialogRequest& request) override;
  bool ChoosePrinter(const std::string& job) override;
  Rect WorkArea() override { return workArea; }
  int PixelsPerInch() override { return pixelsPerInch; }
  Bitmap GrabForm(Form& form) override;
  std::vector<std::string> PrinterNames() override { return printers; }
  std::string CurrentPrinter() override { return currentPrinter_; }
  bool SetCurrentPrinter(const std::string& name) override;
  std::unique_ptr<PrinterCanvas> BeginPrint(const std::string& title, PageOrientation orientation) override;
  // A step the back end could not carry out (HeadlessError) stops the test or script;
  // any other error of a handler is shown as the program shows it.
  void HandlerFailed(std::exception_ptr error) override;

 private:
  struct Scheduled {
    Timer* timer;
    std::int64_t due;
    unsigned generation;
    std::uint64_t seq;
  };
  std::optional<Answer> NextAnswer(const char* what);
  void Log(const std::string& line);
  Control& Target(Form& f) const;
  void RequireUsable(const Control& c) const;
  void MouseUpAndClick(Control& c, int x, int y, MouseButton b, Shift shift, bool click);
  // Keys wait in one queue, as in a keyboard buffer: each goes to the window active
  // when it is taken, so keys typed ahead of a modal window go to that window.
  struct PendingKey {
    int vk = 0;
    Shift shift = Shift::None;
    char ch = 0;  // typed character; 0 for a pressed key
  };
  bool DeliverPendingKey();
  void DeliverPress(int vk, Shift shift);
  void DeliverChar(char ch);
  std::deque<PendingKey> pendingKeys_;
  std::vector<Form*> running_;  // forms whose modal run is under way, innermost last

  Backend* previousBackend_;
  common::FakeClock clock_;
  common::Clock* previousClock_;
  std::map<std::string, ModalHandler> nameHandlers_;
  std::vector<std::function<bool(Form&)>> typeHandlers_;
  std::deque<ModalHandler> nextModal_;
  std::deque<Answer> answers_;
  std::vector<MessageRecord> messages_;
  std::vector<BeepKind> beeps_;
  std::deque<PrintJob> jobs_;
  std::vector<std::string> journal_;
  std::vector<Scheduled> timers_;
  std::uint64_t timerSeq_ = 0;
  std::string currentPrinter_ = "Headless";
};

}  // namespace ui::headless
