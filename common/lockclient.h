// The lock-server client: one TCP connection for the whole run, one request
// line per send, the reply taken from the same connection.
//
// A reply that comes after its request has timed out is never taken as the
// answer to a later request: the client counts the requests still waiting for
// an answer and gives each chunk it receives to the oldest of them. A late
// grant of a lock that is being repeated counts as the grant (so no second lock
// is taken); a late grant of a lock the caller has given up is released again.
#pragma once
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/lockwire.h"

namespace common {

struct Session;

class LockServerClient {
 public:
  struct Timing {
    int replyTimeoutMs = 500;  // wait for one reply
    int connectTimeoutMs = 3000;
    int noticeEvery = 51;      // refusals in a row before the wait notice
    int noticeAfterMs = 2550;  // ... or this long since the last notice
    int noticeMs = 2000;       // how long the notice stays
  };

  LockServerClient() = default;
  ~LockServerClient();
  LockServerClient(const LockServerClient&) = delete;
  LockServerClient& operator=(const LockServerClient&) = delete;

  void SetTiming(const Timing& t) { timing_ = t; }
  const Timing& timing() const { return timing_; }

  // 0 connected; 99 not reachable (after "Err " + code and the message
  // "Server TAVONA není spuštěn, obraťte se na správce sítě.").
  int Connect(const std::string& host, std::uint16_t port = kLockServerPort);
  void Disconnect();
  bool Connected() const { return fd_ >= 0; }
  const std::string& Host() const { return host_; }  // empty before the first Connect

  // Sends one request and returns the reply ("ERR 50" when none came in time);
  // the reply is also kept as LockReply().
  std::string Request(const LockRequest& r);
  const std::string& LockReply() const { return reply_; }

  // Repeat until granted. Every `noticeEvery` refusals (or `noticeAfterMs`) the
  // wait notice shows "Soubor je stále obsazený " + reply; when the user then
  // chooses to ignore the protection (the session's IgnoreLocks), they return
  // false without the lock.
  bool ServerLock(Session& s, const std::string& folder, const std::string& key, std::string_view kind,
                  const std::string& user);
  bool ServerUnlock(Session& s, const std::string& folder, const std::string& key, const std::string& user);
  // Empty when nobody else holds the file, else the reply ("ERR 50" included).
  std::string ServerIfVolny(const std::string& folder, const std::string& key, const std::string& user);

  // The keep-alive "Client<Vata>#$": sent at most once, and never after a lock
  // request (either stops it). The owner's 10 s timer calls this.
  void KeepAliveTimer();

  // Requests still waiting for their answer (for tests).
  std::size_t Unanswered() const { return unanswered_.size(); }

 private:
  std::string Exchange(const std::string& line);
  bool SendLine(const std::string& line);
  // One chunk within ms, or empty.
  std::string ReceiveChunk(int ms);
  // Gives a late chunk to the oldest unanswered request.
  void TakeLate(const std::string& chunk);
  void ReleaseOrphans();
  bool RepeatUntilGranted(Session& s, const LockRequest& r);
  void SocketError(int err);

  Timing timing_;
  int fd_ = -1;
  std::string host_;
  std::uint16_t port_ = kLockServerPort;
  std::string reply_;
  std::deque<std::string> unanswered_;   // lines sent, oldest first, whose reply did not come
  std::vector<std::string> lateGrants_;  // lock lines granted late, not yet claimed
  std::string repeating_;                // the lock line ServerLock is repeating
  bool keepAliveDone_ = false;
  std::set<int> errorsShown_;  // socket errors said: not said again until a reply comes or
                               // a new wait begins
};

// The process's client (the main window connects it at start).
LockServerClient& CurrentLockClient();
// Replaces it; nullptr puts the process's own back. The caller keeps ownership.
void SetLockClient(LockServerClient* client);

class ScopedLockClient {
 public:
  explicit ScopedLockClient(LockServerClient& c) { SetLockClient(&c); }
  ~ScopedLockClient() { SetLockClient(nullptr); }
  ScopedLockClient(const ScopedLockClient&) = delete;
  ScopedLockClient& operator=(const ScopedLockClient&) = delete;
};

// With the session's LockServerName: connects the current client (0 or 99);
// without one: 0.
int ConnectLockServer(Session& s);
void DisconnectLockServer(Session& s);

}  // namespace common
