// A recording notifier whose waits end: a wait that is still waiting after `bound` (the
// rounds of one Wait, or LockWait rounds in a row with one text) fails the test, naming
// its text (the test's traces name the step), and is then left as with Esc, so that the
// test goes on to its checks instead of hanging until the suite's time runs out. Only a
// wait that never ends meets the bound; no test waits near it.
#pragma once
#include <chrono>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/notifier.h"
#include "common/session.h"

namespace waitbound {

class BoundedNotifier : public common::RecordingNotifier {
 public:
  std::chrono::steady_clock::duration bound = std::chrono::seconds(20);

  bool LockWait(const std::string& text, int ms) override {
    const bool goesOn = !inWait_ && !calls.empty() && calls.size() == lastRound_ &&
                        calls.back().kind == Kind::LockWait && calls.back().text == text;
    if (!inWait_ && !goesOn) started_ = std::chrono::steady_clock::now();
    const bool answer = RecordingNotifier::LockWait(text, ms);
    lastRound_ = calls.size();
    if (std::chrono::steady_clock::now() - started_ <= bound) return answer;
    ADD_FAILURE() << "a wait never ended, left as with Esc: " << common::Win1250ToUtf8(text);
    started_ = std::chrono::steady_clock::now();  // a caller that asks again gets one more bound
    if (inWait_) stopAnswer = true;                // Wait: Stopped
    common::CurrentSession().WaitStopped = 1;      // a notice of its own: left as with Esc
    return true;
  }

  common::WaitEnd Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) override {
    inWait_ = true;
    started_ = std::chrono::steady_clock::now();
    const bool stop = stopAnswer;
    struct Back {
      BoundedNotifier& n;
      bool stop;
      ~Back() {
        n.inWait_ = false;
        n.stopAnswer = stop;
      }
    } back{*this, stop};
    return RecordingNotifier::Wait(std::move(text), ms, retry);
  }

 private:
  bool inWait_ = false;
  std::size_t lastRound_ = 0;
  std::chrono::steady_clock::time_point started_{};
};

}  // namespace waitbound
