#include "common/notifier.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/iocodes.h"
#include "common/numbers.h"
#include "common/session.h"
#include "common/winpath.h"

namespace common {

namespace {

void ToConsole(const std::string& text) {
  std::fprintf(stderr, "%s\n", Win1250ToUtf8(text).c_str());
}

ConsoleNotifier& DefaultNotifier() {
  static ConsoleNotifier console;
  return console;
}

Notifier* g_notifier = nullptr;

}  // namespace

void ConsoleNotifier::Say(const std::string& text) { ToConsole(text); }

void ConsoleNotifier::Pause(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ConsoleNotifier::SayOnce(const std::string& text) {
  if (text == lastSaid_) return;
  lastSaid_ = text;
  Say(text);
}

void ConsoleNotifier::Message(const std::string& text) {
  lastSaid_ = text;
  noticeText_.clear();
  Say(text);
}

void ConsoleNotifier::BeepMessage(const std::string& text) {
  lastSaid_ = text;
  noticeText_.clear();
  Say(text);
}

bool ConsoleNotifier::BoundPassed(const std::string& text, long long since) {
  if (waitBoundMs_ <= 0 || MonotonicMs() - since < waitBoundMs_) return false;
  Message(text + Cz(" (čekání přerušeno po ") + std::to_string(waitBoundMs_ / 1000) + " s)");
  return true;
}

bool ConsoleNotifier::LockWait(const std::string& text, int ms) {
  if (waitBoundMs_ <= 0) {
    Say(text);
    Pause(ms);
    return false;
  }
  // A notice that follows the last one of the same text at once goes on with its wait.
  const long long now = MonotonicMs();
  if (text != noticeText_ || now - noticeEnded_ > 2LL * ms + 1000) {
    noticeText_ = text;
    noticeSince_ = now;
  }
  SayOnce(text);
  Pause(ms);
  noticeEnded_ = MonotonicMs();
  if (!BoundPassed(text, noticeSince_)) return false;
  CurrentSession().WaitStopped = 1;  // left as with Esc: the step stops
  return true;
}

WaitEnd ConsoleNotifier::Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) {
  if (waitBoundMs_ <= 0) return Notifier::Wait(std::move(text), ms, retry);
  const long long since = MonotonicMs();
  for (;;) {
    SayOnce(text);
    Pause(ms);
    if (retry(text)) return WaitEnd::Done;
    if (BoundPassed(text, since)) return WaitEnd::Stopped;
  }
}

void ConsoleNotifier::Beep(unsigned) {}

EndingNotifier::EndingNotifier(int budgetMs) : deadline_(SystemMonotonicMs() + budgetMs) {}

bool EndingNotifier::LockWait(const std::string& text, int ms) {
  const long long left = deadline_ - SystemMonotonicMs();
  if (left <= 0) {
    if (text != told_) ToConsole(told_ = text);
    return true;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(std::max(ms, 1), left)));
  return false;
}

WaitEnd EndingNotifier::Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) {
  for (;;) {
    if (LockWait(text, std::min(ms, 100))) return WaitEnd::Stopped;
    if (retry(text)) return WaitEnd::Done;
  }
}

bool RecordingNotifier::LockWait(const std::string& text, int ms) {
  calls.push_back({Kind::LockWait, text, ms});
  if (onWait) onWait(text, ms);
  return ignoreAnswer;
}

WaitEnd Notifier::Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) {
  for (;;) {
    if (LockWait(text, ms)) return WaitEnd::Ignored;
    if (retry(text)) return WaitEnd::Done;
  }
}

WaitEnd RecordingNotifier::Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) {
  for (;;) {
    const bool ignore = LockWait(text, ms);
    if (stopAnswer) return WaitEnd::Stopped;
    if (ignore) return WaitEnd::Ignored;
    if (retry(text)) return WaitEnd::Done;
  }
}

int RecordingNotifier::Count(Kind kind, const std::string& prefix) const {
  int n = 0;
  for (const Call& c : calls)
    if (c.kind == kind && c.text.compare(0, prefix.size(), prefix) == 0) ++n;
  return n;
}

std::vector<std::string> RecordingNotifier::Texts(Kind kind) const {
  std::vector<std::string> out;
  for (const Call& c : calls)
    if (c.kind == kind) out.push_back(c.text);
  return out;
}

std::string RecordingNotifier::Dump() const {
  static const char* const names[] = {"Message", "BeepMessage", "LockWait", "Beep"};
  std::string out;
  for (const Call& c : calls) {
    out += names[static_cast<int>(c.kind)];
    out += ": ";
    out += Win1250ToUtf8(c.text);
    out += '\n';
  }
  return out;
}

Notifier& CurrentNotifier() { return g_notifier ? *g_notifier : DefaultNotifier(); }

void SetNotifier(Notifier* notifier) { g_notifier = notifier; }

void MessageOk(const std::string& text) { CurrentNotifier().Message(text); }

void NewsMessage(const std::string& text) { CurrentNotifier().News(text); }

std::string FileErrorText(std::string_view action, std::string_view name, int code) {
  return "Uz: " + CurrentSession().CurrentUser + std::string(action) + ShownPath(name) + " err " +
         FormatFloatMask("######", code);
}

void FileErrorMessage(std::string_view action, std::string_view name, int code) {
  if (code == io::kUnfinishedRewrite) return;  // the file layer has said why, naming the copy
  MessageOk(FileErrorText(action, name, code));
}

void BeepMessage(const std::string& text) { CurrentNotifier().BeepMessage(text); }

void NotAvailableMessage() { MessageOk(Cz("Tato funkce zde není k dispozici")); }
bool MessageOnce(Session& s, const std::string& what, const std::string& text) {
  if (!s.FailuresTold.insert(what).second) return false;
  MessageOk(text);
  return true;
}

bool LockWaitMessage(Session& s, const std::string& text, int ms) {
  // A notice left with Esc also ends the wait; the notifier marks that in the session.
  Session& shown = CurrentSession();
  shown.WaitStopped = 0;
  const bool leave = CurrentNotifier().LockWait(text, ms < 0 ? 0 : ms);
  const int stopped = shown.WaitStopped;
  s.WaitStopped = stopped;
  s.IgnoreLocks = leave && !stopped ? 1 : 0;
  return leave;
}

void LockWaitMessage(const std::string& text, int ms) { LockWaitMessage(CurrentSession(), text, ms); }

WaitEnd WaitWithNotice(Session& s, const std::string& text, int ms, const std::function<bool(std::string& text)>& retry) {
  const WaitEnd end = CurrentNotifier().Wait(text, ms < 0 ? 0 : ms, retry);
  s.IgnoreLocks = end == WaitEnd::Ignored ? 1 : 0;
  s.WaitStopped = end == WaitEnd::Stopped ? 1 : 0;
  return end;
}

int BeepAsterisk() {
  CurrentNotifier().Beep(64);
  return 0;
}

}  // namespace common
