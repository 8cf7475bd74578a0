// A stand-in for the suite's lock server: a TCP server that speaks the
// lock-server wire format and keeps locks by (folder, key) with the rules of
// the lock table. It has switches to stay silent, to answer late or to refuse
// everything, so that the client's failure paths can be exercised.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/lockwire.h"

namespace lockserver {

// The lock bookkeeping, without sockets. Replies:
//   Zamkni  "OK" when granted, else the first conflicting holder: kind " " user
//   Odemkni "OK" always (the first entry of folder, key and user goes)
//   IfVolny "OK" when no other user holds the key, else kind " " user
//   Client  "OK"
class LockBook {
 public:
  std::string Handle(const common::LockRequest& r, int connection);
  void DropConnection(int connection);  // forgets the locks taken on it
  std::size_t Count() const { return entries_.size(); }

 private:
  struct Entry {
    std::string folder, key, user;
    char kind;
    int connection;
  };
  std::vector<Entry> entries_;
};

struct Options {
  std::string bindAddress = "127.0.0.1";
  std::uint16_t port = common::kLockServerPort;  // 0: any free port
  bool silent = false;       // read and log requests, never answer
  int delayMs = 0;           // answer this late
  bool refuse = false;       // refuse every keyed request
  bool keepLocks = false;    // keep a connection's locks after it closes
  // Request lines kept for Requests(), the newest; 0 keeps none.
  std::size_t historyMax = 1000;
  // A connection whose unfinished request grows beyond this is dropped.
  std::size_t maxRequest = 64 * 1024;
  // Called with every request line received (Windows-1250 bytes).
  std::function<void(const std::string&)> log;
  // Called with the server's own notices (a dropped connection).
  std::function<void(const std::string&)> notice;
};

// Bytes read from one connection per turn, so that no client holds up the others.
inline constexpr std::size_t kReadPerTurn = 64 * 1024;
// A kept request line is cut to this length.
inline constexpr std::size_t kHistoryLineMax = 1024;

class Server {
 public:
  explicit Server(Options options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds and listens; throws std::system_error when the address is taken.
  void Listen();
  // Listen() (when not yet done) and serve in a background thread.
  void Start();
  // Serves in the calling thread until Stop().
  void Serve();
  // Ends Serve() and closes every connection. Safe from a signal handler's
  // point of view: it only writes one byte to a pipe.
  void Stop();

  std::uint16_t Port() const { return port_; }
  std::vector<std::string> Requests() const;  // the last request lines (see historyMax)
  std::size_t LockCount() const;
  std::size_t ConnectionCount() const;

  void SetSilent(bool on);
  void SetDelay(int ms);
  void SetRefuse(bool on);
  // The reply to the next request is kept back (and the replies after it on its
  // connection) until ReleaseHeldReplies: a server answering one request late.
  void HoldNextReply();
  void ReleaseHeldReplies();

 private:
  struct Connection;
  struct Reply {
    long long due;  // steady milliseconds
    std::string text;
    bool held = false;  // kept back until released
  };
  void Accept();
  bool ReadFrom(Connection& c);  // false when the connection is gone
  bool HandleBuffered(Connection& c);  // false when the connection is to be dropped
  void Remember(const std::string& line);
  void SendDue(Connection& c, long long now);
  void Close(Connection& c);

  Options opt_;
  int listenFd_ = -1;
  int wakeRead_ = -1, wakeWrite_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  mutable std::mutex mutex_;  // guards book_, requests_, the switches and the connection count
  LockBook book_;
  std::deque<std::string> requests_;
  std::vector<std::unique_ptr<Connection>> connections_;
  int nextId_ = 1;
  int holdNext_ = 0;           // requests whose reply is to be kept back
  bool releaseHeld_ = false;   // set by ReleaseHeldReplies, done by Serve
};

}  // namespace lockserver
