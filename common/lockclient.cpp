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
  CloseConnection();
  held_.clear();
  retake_.clear();
}

void LockServerClient::CloseConnection() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  pending_ = {};
  lateGrant_ = false;
}

bool LockServerClient::OpenAgain() {
  if (host_.empty()) return false;
  int fd = -1;
  int err = ConnectTcp(host_, port_, timing_.connectTimeoutMs, fd);
  if (err != 0) {
    SocketError(err);
    return false;
  }
  fd_ = fd;
  // The server dropped the old connection's locks: the held ones are taken again.
  retake_ = held_;
  return true;
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
    CloseConnection();
    return {};
  }
}

std::string LockServerClient::Exchange(const std::string& line, Why why) {
  ssize_t n = send(fd_, line.data(), line.size(), MSG_NOSIGNAL);
  if (n != static_cast<ssize_t>(line.size())) {
    SocketError(n < 0 ? errno : EPIPE);
    CloseConnection();
    return kNoReply;
  }
  std::string reply = ReceiveChunk(timing_.replyTimeoutMs);
  if (reply.empty()) {
    if (fd_ >= 0) pending_ = {line, why};
    return kNoReply;
  }
  errorsShown_.clear();  // the server answers: a failure after this is new
  return reply;
}

void LockServerClient::Settle() {
  if (fd_ < 0) return;
  if (pending_.line.empty()) {
    // Nothing is owed: whatever lies there is stray (and a closed connection is seen).
    for (std::string c = ReceiveChunk(0); !c.empty(); c = ReceiveChunk(0)) {
    }
    return;
  }
  std::string reply = ReceiveChunk(timing_.replyTimeoutMs);
  if (reply.empty()) {
    // Still no reply: what comes on this connection can no longer be told apart.
    CloseConnection();
    return;
  }
  errorsShown_.clear();
  Pending p = std::move(pending_);
  pending_ = {};
  TakeLate(p, reply);
}

bool LockServerClient::Ready() {
  Settle();
  if (!pending_.line.empty()) return false;  // a lock given back still owes its reply
  if (fd_ < 0 && !OpenAgain()) return false;
  while (!retake_.empty()) {
    std::string line = std::move(retake_.back());
    retake_.pop_back();
    std::string reply = Exchange(line, Why::Retake);
    if (fd_ < 0 || !pending_.line.empty()) return false;
    Retaken(line, reply);
  }
  return true;
}

void LockServerClient::TakeLate(const Pending& p, const std::string& reply) {
  if (p.why == Why::GiveBack) return;  // gone either way
  if (p.why == Why::Retake) {
    Retaken(p.line, reply);
    return;
  }
  if (!LockReplyGrants(reply)) return;  // a refusal or an answer nobody waits for
  if (p.line == repeating_) {
    lateGrant_ = true;  // the lock or unlock being repeated is granted: not asked again
    return;
  }
  // A lock granted after its caller gave it up is given back.
  LockRequestParse parsed = ParseLockRequest(p.line);
  if (parsed.status != LockRequestParse::kComplete || parsed.request.command != kCmdLock) return;
  const LockRequest& r = parsed.request;
  Exchange(FormatLockRequest({std::string(kCmdUnlock), r.part2, r.part3, "p", r.part5}), Why::GiveBack);
}

void LockServerClient::Retaken(const std::string& line, const std::string& reply) {
  if (LockReplyGrants(reply)) return;
  LockRequestParse parsed = ParseLockRequest(line);
  if (parsed.status != LockRequestParse::kComplete) return;
  const LockRequest& r = parsed.request;
  // The old connection's entry still stands (a server that keeps them): the lock is still ours.
  const std::string holder = Trimmed(reply);
  const std::string user = Trimmed(r.part5);
  if (!user.empty() && holder.size() > user.size() && holder.ends_with(" " + user)) return;
  auto it = std::find(held_.begin(), held_.end(), line);
  if (it != held_.end()) held_.erase(it);
  CurrentNotifier().Message(Cz("Zámek souboru ") + r.part2 + Trimmed(r.part3) +
                            Cz(" se po novém spojení se serverem zámků nepodařilo obnovit: ") +
                            PrintableWin1250(reply, kShownReply));
}

void LockServerClient::Granted(const std::string& line) {
  LockRequestParse parsed = ParseLockRequest(line);
  if (parsed.status != LockRequestParse::kComplete) return;
  const LockRequest& r = parsed.request;
  if (r.command == kCmdLock) {
    held_.push_back(line);
  } else if (r.command == kCmdUnlock) {
    auto it = std::find_if(held_.begin(), held_.end(), [&](const std::string& h) {
      LockRequestParse hp = ParseLockRequest(h);
      return hp.request.part2 == r.part2 && hp.request.part3 == r.part3 && hp.request.part5 == r.part5;
    });
    if (it != held_.end()) held_.erase(it);
  }
}

std::string LockServerClient::Request(const LockRequest& r) {
  keepAliveDone_ = true;  // any request stops the keep-alive
  const std::string line = FormatLockRequest(r);
  const bool ready = Ready();
  if (lateGrant_ && line == repeating_)
    reply_ = "OK";  // its own earlier request was granted late
  else
    reply_ = ready ? Exchange(line, Why::Ask) : kNoReply;
  lateGrant_ = false;
  if (LockReplyGrants(reply_)) Granted(line);
  return reply_;
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
        Settle();  // a late grant of what is left now is given back
        return false;
      }
    }
  }
  repeating_.clear();
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
