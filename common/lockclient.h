// The lock-server client: one TCP connection for the whole run, one request
// line per send, the reply taken from the same connection.
//
// Replies carry nothing that names their request, so at most one request is
// unanswered on a connection. Before the next request is sent the client waits
// once more for that reply; a late grant of the lock or unlock being repeated
// counts as its grant (nothing is asked twice), a late grant of a lock the caller
// gave up is given back. When the reply does not come then either, the
// connection is given up (the server drops what it granted on it) and a new one
// is opened, on which the locks the callers hold are taken again.
#pragma once
#include <cstdint>
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

  // Requests on the connection still waiting for their answer, 0 or 1 (for tests).
  std::size_t Unanswered() const { return pending_.line.empty() ? 0 : 1; }

 private:
  // Why a line was sent: asked by a caller, a held lock taken again on a new
  // connection, a lock granted late given back.
  enum class Why { Ask, Retake, GiveBack };
  struct Pending {
    std::string line;
    Why why = Why::Ask;
  };
  // The connection in step and the held locks on it; false when the request
  // cannot be sent now (no connection, or still a reply owed).
  bool Ready();
  // Waits once for the reply still owed; without it the connection is given up.
  void Settle();
  bool OpenAgain();
  void CloseConnection();
  // Sends one line on a connection that owes nothing and waits for its reply.
  std::string Exchange(const std::string& line, Why why);
  // One chunk within ms, or empty.
  std::string ReceiveChunk(int ms);
  void TakeLate(const Pending& p, const std::string& reply);
  void Retaken(const std::string& line, const std::string& reply);
  // Keeps held_ as the callers were told: a granted lock is held, a granted unlock frees one.
  void Granted(const std::string& line);
  bool RepeatUntilGranted(Session& s, const LockRequest& r);
  void SocketError(int err);

  Timing timing_;
  int fd_ = -1;
  std::string host_;
  std::uint16_t port_ = kLockServerPort;
  std::string reply_;
  Pending pending_;                  // the line whose reply did not come in time
  bool lateGrant_ = false;           // the line being repeated was granted late
  std::vector<std::string> held_;    // lock lines granted and not released, oldest first
  std::vector<std::string> retake_;  // held lock lines not yet taken on this connection
  std::string repeating_;            // the lock or unlock line being repeated
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
