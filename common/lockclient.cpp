#include "common/lockclient.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/session.h"

namespace common {
namespace {

const std::string kNoReply(kNoLockReply);
// How much of a reply a notice shows.
constexpr std::size_t kShownReply = 80;

// The Windows Sockets numbers users and help desks know, where one exists.
int SocketErrorCode(int err) {
  switch (err) {
    case EINTR: return 10004;
    case EACCES: return 10013;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case EPIPE:
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS: return 10055;
    case ENOTCONN: return 10057;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    default: return 10000 + err;
  }
}

std::string Trimmed(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return std::string(s);
}

// Connects within ms; 0 or errno.
int ConnectTcp(const std::string& host, std::uint16_t port, int ms, int& fdOut) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0 || !list) return EHOSTUNREACH;
  int err = ECONNREFUSED;
  for (addrinfo* a = list; a; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) {
      err = errno;
      continue;
    }
    int rc = connect(fd, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      rc = poll(&p, 1, ms);
      if (rc == 1) {
        socklen_t len = sizeof err;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        rc = err == 0 ? 0 : -1;
      } else {
        err = ETIMEDOUT;
        rc = -1;
      }
    } else if (rc != 0) {
      err = errno;
    }
    if (rc == 0) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      freeaddrinfo(list);
      fdOut = fd;
      return 0;
    }
    close(fd);
  }
  freeaddrinfo(list);
  return err;
}

LockServerClient* g_client = nullptr;

}  // namespace

LockServerClient::~LockServerClient() { Disconnect(); }

void LockServerClient::SocketError(int err) {
  const int code = SocketErrorCode(err);
  // A server that drops each connection: said once, the wait notice goes on.
  if (!errorsShown_.insert(code).second) return;
  CurrentNotifier().Message("Err " + std::to_string(code));
}

int LockServerClient::Connect(const std::string& host, std::uint16_t port) {
  Disconnect();
  host_ = Trimmed(host);
  port_ = port;
  int fd = -1;
  int err = ConnectTcp(host_, port_, timing_.connectTimeoutMs, fd);
  if (err != 0) {
    SocketError(err);
    CurrentNotifier().Message(Cz("Server TAVONA není spuštěn, obraťte se na správce sítě."));
    return 99;
  }
  fd_ = fd;
  errorsShown_.clear();
  return 0;
}

void LockServerClient::Disconnect() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  unanswered_.clear();
  lateGrants_.clear();
}

bool LockServerClient::SendLine(const std::string& line) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (fd_ < 0) {
      // One new connection to the same server; replies owed on the old one are gone.
      if (host_.empty()) return false;
      int fd = -1;
      int err = ConnectTcp(host_, port_, timing_.connectTimeoutMs, fd);
      if (err != 0) {
        SocketError(err);
        return false;
      }
      fd_ = fd;
      unanswered_.clear();
      lateGrants_.clear();
    }
    ssize_t n = send(fd_, line.data(), line.size(), MSG_NOSIGNAL);
    if (n == static_cast<ssize_t>(line.size())) return true;
    SocketError(n < 0 ? errno : EPIPE);
    close(fd_);
    fd_ = -1;
  }
  return false;
}

std::string LockServerClient::ReceiveChunk(int ms) {
  if (fd_ < 0) return {};
  long long deadline = SystemMonotonicMs() + std::max(ms, 0);
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    int rc = poll(&p, 1, static_cast<int>(std::max(0LL, deadline - SystemMonotonicMs())));
    if (rc < 0 && errno == EINTR) continue;
    if (rc <= 0) return {};
    char buf[1024];
    ssize_t n = recv(fd_, buf, sizeof buf, 0);
    if (n > 0) return std::string(buf, n);
    if (n < 0 && errno == EINTR) continue;
    // The server closed the connection: nothing owed on it will come.
    SocketError(n < 0 ? errno : ECONNRESET);
    close(fd_);
    fd_ = -1;
    unanswered_.clear();
    return {};
  }
}

void LockServerClient::TakeLate(const std::string& chunk) {
  if (unanswered_.empty()) return;  // nothing is owed: a stray chunk is dropped
  std::string line = std::move(unanswered_.front());
  unanswered_.pop_front();
  if (LockReplyGrants(chunk) && (line.starts_with(kCmdLock) || line.starts_with(kCmdUnlock)))
    lateGrants_.push_back(std::move(line));
}

std::string LockServerClient::Exchange(const std::string& line) {
  if (!SendLine(line)) {
    reply_ = kNoReply;
    return reply_;
  }
  unanswered_.push_back(line);
  if (unanswered_.size() > 256) unanswered_.pop_front();  // a server that never answers
  long long deadline = SystemMonotonicMs() + timing_.replyTimeoutMs;
  for (;;) {
    long long left = deadline - SystemMonotonicMs();
    if (left < 0) break;
    std::string chunk = ReceiveChunk(static_cast<int>(left));
    if (chunk.empty()) break;
    if (unanswered_.size() > 1) {
      TakeLate(chunk);  // the answer to an older request
      continue;
    }
    unanswered_.clear();
    errorsShown_.clear();  // the server answers: a failure after this is new
    reply_ = std::move(chunk);
    return reply_;
  }
  reply_ = kNoReply;
  return reply_;
}

void LockServerClient::ReleaseOrphans() {
  // Late grants of locks nobody waits for any more are given back; late grants
  // of unlocks need nothing.
  for (int guard = 0; guard < 16; ++guard) {
    auto it = std::find_if(lateGrants_.begin(), lateGrants_.end(), [&](const std::string& l) {
      return l.starts_with(kCmdUnlock) || (l.starts_with(kCmdLock) && l != repeating_);
    });
    if (it == lateGrants_.end()) return;
    std::string line = std::move(*it);
    lateGrants_.erase(it);
    if (line.starts_with(kCmdUnlock)) continue;
    LockRequestParse p = ParseLockRequest(line);
    if (p.status != LockRequestParse::kComplete) continue;
    std::string saved = reply_;
    Exchange(FormatLockRequest({std::string(kCmdUnlock), p.request.part2, p.request.part3, "p", p.request.part5}));
    reply_ = std::move(saved);
  }
}

std::string LockServerClient::Request(const LockRequest& r) {
  keepAliveDone_ = true;  // any request stops the keep-alive
  const std::string line = FormatLockRequest(r);
  // Pick up what came late before asking anything new.
  for (std::string c = ReceiveChunk(0); !c.empty(); c = ReceiveChunk(0)) TakeLate(c);
  if (!unanswered_.empty()) {
    std::string c = ReceiveChunk(timing_.replyTimeoutMs);
    if (!c.empty()) TakeLate(c);
  }
  // A repeated lock or unlock that was granted late is granted now.
  auto claimed = std::find(lateGrants_.begin(), lateGrants_.end(), line);
  if (claimed != lateGrants_.end() && line == repeating_) {
    lateGrants_.erase(claimed);
    reply_ = "OK";
  } else {
    Exchange(line);
  }
  std::string reply = reply_;
  ReleaseOrphans();
  reply_ = reply;
  return reply;
}

bool LockServerClient::RepeatUntilGranted(Session& s, const LockRequest& r) {
  repeating_ = FormatLockRequest(r);
  errorsShown_.clear();  // a new wait says its failure once
  int refusals = 0;
  long long lastNotice = SystemMonotonicMs();
  for (;;) {
    std::string reply = Request(r);
    if (LockReplyGrants(reply)) break;
    ++refusals;
    if (refusals >= timing_.noticeEvery || SystemMonotonicMs() - lastNotice >= timing_.noticeAfterMs) {
      refusals = 0;
      const bool ignore =
          LockWaitMessage(s, Cz("Soubor je stále obsazený ") + PrintableWin1250(reply, kShownReply), timing_.noticeMs);
      lastNotice = SystemMonotonicMs();
      if (ignore) {
        repeating_.clear();
        ReleaseOrphans();
        return false;
      }
    }
  }
  repeating_.clear();
  ReleaseOrphans();  // a second grant of the same lock is given back
  return true;
}

bool LockServerClient::ServerLock(Session& s, const std::string& folder, const std::string& key,
                                  std::string_view kind, const std::string& user) {
  return RepeatUntilGranted(s, {std::string(kCmdLock), folder, key, NormalLockKind(kind), user});
}

bool LockServerClient::ServerUnlock(Session& s, const std::string& folder, const std::string& key,
                                    const std::string& user) {
  return RepeatUntilGranted(s, {std::string(kCmdUnlock), folder, key, "p", user});
}

std::string LockServerClient::ServerIfVolny(const std::string& folder, const std::string& key,
                                            const std::string& user) {
  std::string reply = Request({std::string(kCmdIfVolny), folder, key, "p", user});
  return LockReplyGrants(reply) ? std::string() : reply;
}

void LockServerClient::KeepAliveTimer() {
  if (keepAliveDone_ || !Connected()) return;
  Request({std::string(kCmdClient), "Vata", "", "", ""});
}

LockServerClient& CurrentLockClient() {
  static LockServerClient own;
  return g_client ? *g_client : own;
}

void SetLockClient(LockServerClient* client) { g_client = client; }

int ConnectLockServer(Session& s) {
  if (Trimmed(s.LockServerName).empty()) return 0;
  return CurrentLockClient().Connect(s.LockServerName);
}

void DisconnectLockServer(Session& s) {
  if (!Trimmed(s.LockServerName).empty()) CurrentLockClient().Disconnect();
}

}  // namespace common
