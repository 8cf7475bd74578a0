#include "tools/lockserver/lockserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <system_error>

#include "common/clock.h"
#include "common/fottab.h"
#include "common/text.h"

namespace lockserver {
namespace {

std::string Holder(char kind, const std::string& user) { return std::string(1, kind) + " " + common::StripRightSp(user); }

[[noreturn]] void ThrowErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// The longest accept queue the system allows.
int ListenBacklog() {
  int n = 0;
  if (std::FILE* f = std::fopen("/proc/sys/net/core/somaxconn", "r")) {
    if (std::fscanf(f, "%d", &n) != 1) n = 0;
    std::fclose(f);
  }
  return n > 0 ? n : SOMAXCONN;
}

}  // namespace

// ---------------------------------------------------------------- LockBook

std::string LockBook::Handle(const common::LockRequest& r, int connection) {
  using namespace common;
  if (r.command == kCmdClient) return "OK";
  if (r.command == kCmdLock) {
    const bool write = !r.part4.empty();
    for (const Entry& e : entries_)
      if (e.folder == r.part2 && e.key == r.part3 && LockKindsConflict(e.kind, write)) return Holder(e.kind, e.user);
    entries_.push_back({r.part2, r.part3, r.part5, write ? 'W' : 'R', connection});
    return "OK";
  }
  if (r.command == kCmdUnlock) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
      return e.folder == r.part2 && e.key == r.part3 && e.user == r.part5;
    });
    if (it != entries_.end()) entries_.erase(it);
    return "OK";
  }
  if (r.command == kCmdIfVolny) {
    const std::string code = r.part5.substr(0, 2);
    for (const Entry& e : entries_)
      if (e.folder == r.part2 && e.key == r.part3 && e.user.substr(0, 2) != code) return Holder(e.kind, e.user);
    return "OK";
  }
  return "ERR unknown command";
}

void LockBook::DropConnection(int connection) {
  std::erase_if(entries_, [&](const Entry& e) { return e.connection == connection; });
}

// ---------------------------------------------------------------- Server

struct Server::Connection {
  int fd = -1;
  int id = 0;
  std::string input;  // received, not yet handled
  std::deque<Reply> replies;
};

Server::Server(Options options) : opt_(std::move(options)) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) ThrowErrno("pipe");
  wakeRead_ = fds[0];
  wakeWrite_ = fds[1];
}

Server::~Server() {
  Stop();
  if (thread_.joinable()) thread_.join();
  for (auto& c : connections_) Close(*c);
  if (listenFd_ >= 0) close(listenFd_);
  close(wakeRead_);
  close(wakeWrite_);
}

void Server::Listen() {
  if (listenFd_ >= 0) return;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) ThrowErrno("socket");
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(opt_.port);
  if (inet_pton(AF_INET, opt_.bindAddress.c_str(), &addr.sin_addr) != 1) {
    close(fd);
    throw std::system_error(EINVAL, std::generic_category(), "bad address " + opt_.bindAddress);
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, ListenBacklog()) != 0) {
    int e = errno;
    close(fd);
    throw std::system_error(e, std::generic_category(), "bind " + opt_.bindAddress + ":" + std::to_string(opt_.port));
  }
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  SetNonBlocking(fd);
  listenFd_ = fd;
}

void Server::Start() {
  Listen();
  thread_ = std::thread([this] { Serve(); });
}

void Server::Stop() {
  stopping_ = true;
  char b = 1;
  [[maybe_unused]] ssize_t n = write(wakeWrite_, &b, 1);
}

std::vector<std::string> Server::Requests() const {
  std::lock_guard lock(mutex_);
  return {requests_.begin(), requests_.end()};
}

std::size_t Server::LockCount() const {
  std::lock_guard lock(mutex_);
  return book_.Count();
}

std::size_t Server::ConnectionCount() const {
  std::lock_guard lock(mutex_);
  return connections_.size();
}

void Server::SetSilent(bool on) {
  std::lock_guard lock(mutex_);
  opt_.silent = on;
}

void Server::SetDelay(int ms) {
  std::lock_guard lock(mutex_);
  opt_.delayMs = ms;
}

void Server::SetRefuse(bool on) {
  std::lock_guard lock(mutex_);
  opt_.refuse = on;
}

void Server::HoldNextReply() {
  std::lock_guard lock(mutex_);
  ++holdNext_;
}

void Server::ReleaseHeldReplies() {
  {
    std::lock_guard lock(mutex_);
    releaseHeld_ = true;
  }
  char b = 1;
  [[maybe_unused]] ssize_t n = write(wakeWrite_, &b, 1);
}

void Server::Serve() {
  Listen();
  std::vector<pollfd> fds;
  while (!stopping_) {
    fds.clear();
    fds.push_back({wakeRead_, POLLIN, 0});
    fds.push_back({listenFd_, POLLIN, 0});
    long long now = common::SystemMonotonicMs();
    {
      std::lock_guard lock(mutex_);
      if (releaseHeld_)
        for (auto& c : connections_)
          for (Reply& r : c->replies)
            if (r.held) {
              r.held = false;
              r.due = now;
            }
      releaseHeld_ = false;
    }
    long long nextDue = -1;
    for (auto& c : connections_) {
      fds.push_back({c->fd, POLLIN, 0});
      if (!c->replies.empty() && !c->replies.front().held && (nextDue < 0 || c->replies.front().due < nextDue))
        nextDue = c->replies.front().due;
    }
    int timeout = nextDue < 0 ? -1 : static_cast<int>(std::max(0LL, nextDue - now));
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) ThrowErrno("poll");
    if (fds[0].revents) {
      char buf[64];
      while (read(wakeRead_, buf, sizeof buf) > 0) {
      }
    }
    if (stopping_) break;
    if (fds[1].revents & POLLIN) Accept();
    // fds[2 + i] belongs to the connections_ listed when poll was called.
    std::vector<Connection*> gone;
    for (std::size_t i = 2; i < fds.size(); ++i) {
      Connection* c = connections_[i - 2].get();
      if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) && !ReadFrom(*c)) gone.push_back(c);
    }
    now = common::SystemMonotonicMs();
    for (auto& c : connections_)
      if (std::find(gone.begin(), gone.end(), c.get()) == gone.end()) SendDue(*c, now);
    for (Connection* c : gone) {
      Close(*c);
      std::lock_guard lock(mutex_);
      if (!opt_.keepLocks) book_.DropConnection(c->id);
      std::erase_if(connections_, [&](const auto& p) { return p.get() == c; });
    }
  }
}

void Server::Accept() {
  for (;;) {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    std::lock_guard lock(mutex_);
    c->id = nextId_++;
    connections_.push_back(std::move(c));
  }
}

bool Server::ReadFrom(Connection& c) {
  // At most kReadPerTurn bytes; the rest waits for the next turn.
  char buf[16384];
  std::size_t taken = 0;
  bool open = true;
  while (taken < kReadPerTurn) {
    ssize_t n = recv(c.fd, buf, std::min(sizeof buf, kReadPerTurn - taken), 0);
    if (n > 0) {
      c.input.append(buf, n);
      taken += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) open = false;
    break;
  }
  return HandleBuffered(c) && open;
}

void Server::Remember(const std::string& line) {
  if (opt_.historyMax == 0) return;
  if (requests_.size() >= opt_.historyMax) requests_.pop_front();
  requests_.push_back(line.substr(0, kHistoryLineMax));
}

bool Server::HandleBuffered(Connection& c) {
  std::lock_guard lock(mutex_);
  // Requests are taken from an offset; the buffer is compacted once at the end.
  std::size_t start = 0;
  while (start < c.input.size()) {
    const std::string_view rest = std::string_view(c.input).substr(start);
    common::LockRequestParse p = common::ParseLockRequest(rest);
    if (p.status == common::LockRequestParse::kIncomplete) break;
    std::string line;
    std::string reply;
    if (p.status == common::LockRequestParse::kMalformed) {
      // No way to find the next request: what came is dropped.
      line = rest;
      start = c.input.size();
      reply = "ERR bad request";
    } else {
      line = rest.substr(0, p.consumed);
      start += p.consumed;
      const bool keyed = common::IsKeyedLockCommand(p.request.command);
      if (opt_.refuse && keyed)
        reply = "ERR refused";
      else if (!opt_.silent)
        reply = book_.Handle(p.request, c.id);
    }
    Remember(line);
    if (opt_.log) opt_.log(line);
    if (opt_.silent) continue;
    if (reply.size() > common::kLockReplyMax) reply.resize(common::kLockReplyMax);
    const bool held = holdNext_ > 0;
    if (held) --holdNext_;
    c.replies.push_back({common::SystemMonotonicMs() + opt_.delayMs, reply, held});
  }
  c.input.erase(0, start);
  if (c.input.size() > opt_.maxRequest) {
    if (opt_.notice)
      opt_.notice("connection " + std::to_string(c.id) + " dropped: an unfinished request of over " +
                  std::to_string(opt_.maxRequest) + " bytes");
    return false;
  }
  return true;
}

void Server::SendDue(Connection& c, long long now) {
  while (!c.replies.empty() && !c.replies.front().held && c.replies.front().due <= now) {
    const std::string& text = c.replies.front().text;
    // A reply goes out in one send; a client too slow to take 255 bytes loses it.
    [[maybe_unused]] ssize_t n = send(c.fd, text.data(), text.size(), MSG_NOSIGNAL);
    c.replies.pop_front();
  }
}

void Server::Close(Connection& c) {
  if (c.fd >= 0) close(c.fd);
  c.fd = -1;
}

}  // namespace lockserver
