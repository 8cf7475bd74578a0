// A bare loopback TCP client for tests of the lock server.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class RawSocket {
 public:
  explicit RawSocket(std::uint16_t port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("connect");
  }
  ~RawSocket() { Close(); }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  void Send(const std::string& s) { ::send(fd_, s.data(), s.size(), MSG_NOSIGNAL); }
  // The next chunk, or "" when nothing came within `ms`.
  std::string Receive(int ms = 2000) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return "";
    char buf[512];
    ssize_t n = recv(fd_, buf, sizeof buf, 0);
    return n > 0 ? std::string(buf, n) : "";
  }
  std::string Ask(const std::string& s, int ms = 2000) {
    Send(s);
    return Receive(ms);
  }

 private:
  int fd_ = -1;
};

// A listening socket on a free loopback port (set in `port`).
inline int ListenOnLoopback(int backlog, std::uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, backlog) != 0)
    throw std::runtime_error("listen");
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return fd;
}

// Accepts one connection and answers each chunk it receives with the next
// scripted reply (nothing once the script is used up).
class ScriptedServer {
 public:
  explicit ScriptedServer(std::vector<std::string> replies) : replies_(std::move(replies)) {
    listen_ = ListenOnLoopback(1, port_);
    thread_ = std::thread([this] { Run(); });
  }
  ~ScriptedServer() {
    shutdown(listen_, SHUT_RDWR);
    if (conn_ >= 0) shutdown(conn_, SHUT_RDWR);
    thread_.join();
    close(listen_);
    if (conn_ >= 0) close(conn_);
  }
  std::uint16_t Port() const { return port_; }
  std::vector<std::string> Lines() {
    std::lock_guard l(m_);
    return lines_;
  }

 private:
  void Run() {
    int c = accept(listen_, nullptr, nullptr);
    if (c < 0) return;
    conn_ = c;
    std::size_t next = 0;
    char buf[512];
    for (;;) {
      ssize_t n = recv(c, buf, sizeof buf, 0);
      if (n <= 0) return;
      {
        std::lock_guard l(m_);
        lines_.emplace_back(buf, n);
      }
      if (next < replies_.size()) {
        const std::string& r = replies_[next++];
        ::send(c, r.data(), r.size(), MSG_NOSIGNAL);
      }
    }
  }
  std::vector<std::string> replies_;
  std::vector<std::string> lines_;
  std::mutex m_;
  int listen_ = -1;
  int conn_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

// Accepts every connection, takes one request from it and closes it without a reply (a
// server going down and up, something else listening at the address).
class DroppingServer {
 public:
  DroppingServer() {
    listen_ = ListenOnLoopback(16, port_);
    thread_ = std::thread([this] { Run(); });
  }
  ~DroppingServer() {
    shutdown(listen_, SHUT_RDWR);
    thread_.join();
    close(listen_);
  }
  std::uint16_t Port() const { return port_; }
  int Dropped() {
    std::lock_guard l(m_);
    return dropped_;
  }

 private:
  void Run() {
    for (;;) {
      int c = accept(listen_, nullptr, nullptr);
      if (c < 0) return;
      pollfd p{c, POLLIN, 0};
      char buf[512];
      if (poll(&p, 1, 2000) > 0) (void)recv(c, buf, sizeof buf, 0);
      close(c);
      std::lock_guard l(m_);
      ++dropped_;
    }
  }
  std::mutex m_;
  int dropped_ = 0;
  int listen_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace testing_support
