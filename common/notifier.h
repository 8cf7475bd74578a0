// Messages and timed waits that need a window. The library calls the current
// notifier; the user interface puts its own in place, tests a RecordingNotifier.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

struct Session;

// How a wait behind a notice ended.
enum class WaitEnd {
  Done,     // the retry succeeded
  Ignored,  // the user chose to ignore the file protection
  Stopped,  // the user left the wait (Esc, closing the notice): the step stops
};

class Notifier {
 public:
  virtual ~Notifier() = default;
  // A message box with an OK button; returns when it is closed.
  virtual void Message(const std::string& text) = 0;
  // A beep, then the message box.
  virtual void BeepMessage(const std::string& text) = 0;
  // The modal wait notice: shows text for ms milliseconds. Returns true when the
  // user chose to ignore the file protection while it was shown.
  virtual bool LockWait(const std::string& text, int ms) = 0;
  // One wait behind one notice: `retry` runs every ms milliseconds until it returns
  // true (it may change the text shown). The base shows one LockWait a round.
  virtual WaitEnd Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry);
  // A system beep of the given message-beep type (64 = asterisk).
  virtual void Beep(unsigned type) = 0;
  // A message that tells of something done (a file put back), not of a failure.
  virtual void News(const std::string& text) { Message(text); }
};

// Without a window: texts go to standard error as UTF-8, waits sleep.
class ConsoleNotifier : public Notifier {
 public:
  // `waitBoundMs` > 0: nobody is there to press Esc (a batch). A wait still waiting after
  // that long (one Wait, or notices of one text in a row) is left as with Esc, its text
  // said as a message; a wait's text is said once, not every round.
  explicit ConsoleNotifier(int waitBoundMs = 0) : waitBoundMs_(waitBoundMs) {}
  void Message(const std::string& text) override;
  void BeepMessage(const std::string& text) override;
  bool LockWait(const std::string& text, int ms) override;
  WaitEnd Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) override;
  void Beep(unsigned type) override;

 protected:
  virtual void Say(const std::string& text);  // standard error
  virtual void Pause(int ms);                 // sleeps

 private:
  void SayOnce(const std::string& text);
  // The bound has passed since `since` (the current clock): said, and true.
  bool BoundPassed(const std::string& text, long long since);

  int waitBoundMs_;
  std::string lastSaid_;
  std::string noticeText_;       // LockWait: the text of the notices in a row
  long long noticeSince_ = 0;    // ... and when the first of them came
  long long noticeEnded_ = -1;   // ... and when the last one ended
};

// While the program ends without a window (a signal, a lost display): texts go to
// standard error, and waits retry silently until one deadline, `budgetMs` after the
// notifier was made, has passed; then they give up (the wait's text is said, once).
class EndingNotifier : public ConsoleNotifier {
 public:
  explicit EndingNotifier(int budgetMs = 10000);
  // Sleeps at most the time left; true (give up) once the deadline has passed.
  bool LockWait(const std::string& text, int ms) override;
  // Retries every ms (100 at most) until done; Stopped once the deadline has passed.
  WaitEnd Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) override;

 private:
  long long deadline_;
  std::string told_;
};

// Keeps every call for tests. Waits return at once unless onWait is set
// (a test may sleep there, advance a fake clock or release a held file).
class RecordingNotifier : public Notifier {
 public:
  enum class Kind { Message, BeepMessage, LockWait, Beep };
  struct Call {
    Kind kind;
    std::string text;  // program text (Windows-1250)
    int ms = 0;        // the wait of LockWait, the beep type of Beep
  };

  void Message(const std::string& text) override { calls.push_back({Kind::Message, text}); }
  void BeepMessage(const std::string& text) override { calls.push_back({Kind::BeepMessage, text}); }
  bool LockWait(const std::string& text, int ms) override;
  // One LockWait call recorded a round; stopAnswer ends it as Stopped.
  WaitEnd Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) override;
  void Beep(unsigned type) override { calls.push_back({Kind::Beep, {}, static_cast<int>(type)}); }

  // Calls of one kind whose text begins with prefix.
  int Count(Kind kind, const std::string& prefix = {}) const;
  std::vector<std::string> Texts(Kind kind) const;
  // All messages of any kind, in order (for failure output).
  std::string Dump() const;

  std::vector<Call> calls;
  bool ignoreAnswer = false;                                    // what LockWait returns
  bool stopAnswer = false;                                      // a Wait is left as with Esc
  std::function<void(const std::string& text, int ms)> onWait;  // run inside each LockWait
};

// The process-wide current notifier (a ConsoleNotifier until replaced).
Notifier& CurrentNotifier();
// Replaces it; nullptr puts the console notifier back. The caller keeps ownership.
void SetNotifier(Notifier* notifier);

class ScopedNotifier {
 public:
  explicit ScopedNotifier(Notifier& n) { SetNotifier(&n); }
  ~ScopedNotifier() { SetNotifier(nullptr); }
  ScopedNotifier(const ScopedNotifier&) = delete;
  ScopedNotifier& operator=(const ScopedNotifier&) = delete;
};

// The program's message routines, through the current notifier.
void MessageOk(const std::string& text);
// MessageOk for news: a batch run does not count it as a failure.
void NewsMessage(const std::string& text);
// "Tato funkce zde není k dispozici": a function this program does not carry.
void NotAvailableMessage();
// The file-error message of the record-file layer: "Uz: " + user + action + name +
// " err " + the code in six places (action such as " cte soubor: ").
void FileErrorMessage(std::string_view action, std::string_view name, int code);
std::string FileErrorText(std::string_view action, std::string_view name, int code);
void BeepMessage(const std::string& text);
// The message the first time `what` fails in this session; later failures of it are
// not said again. True when it was shown now.
bool MessageOnce(Session& s, const std::string& what, const std::string& text);
// Shows the wait notice and sets the session's IgnoreLocks to the user's answer;
// true when the user chose to ignore the protection.
bool LockWaitMessage(Session& s, const std::string& text, int ms);
void LockWaitMessage(const std::string& text, int ms);
// One wait behind one notice (Notifier::Wait); the session's IgnoreLocks and
// WaitStopped tell how it ended.
WaitEnd WaitWithNotice(Session& s, const std::string& text, int ms, const std::function<bool(std::string& text)>& retry);
// The asterisk beep; the result is always 0.
int BeepAsterisk();

}  // namespace common
