// A loopback HTTP server for the lookups' tests: answers with canned bodies (by the
// request's path, else the default) and keeps every request it received.
#pragma once
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace partnerstest {

// Answers every request with the body of the moment; keeps what it received. An
// unsized reply announces no length: head, `pieces` times piece (0: until the client
// goes away), then tail.
class LoopbackServer {
 public:
  LoopbackServer() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen(fd_, 8);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    stop_ = true;
    thread_.join();
    close(fd_);
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void Reply(std::string body) {
    std::lock_guard<std::mutex> l(m_);
    body_ = std::move(body);
    unsized_ = {};
  }
  void ReplyUnsized(std::string head, std::string piece, std::size_t pieces, std::string tail) {
    std::lock_guard<std::mutex> l(m_);
    unsized_ = {true, std::move(head), std::move(piece), pieces, std::move(tail)};
  }
  // The body for requests whose target begins with `path` (before the default).
  void ReplyTo(std::string path, std::string body) {
    std::lock_guard<std::mutex> l(m_);
    byPath_.emplace_back(std::move(path), std::move(body));
  }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> l(m_);
    return requests_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int c = accept(fd_, nullptr, nullptr);
      if (c < 0) continue;
      std::string in;
      char buf[4096];
      for (;;) {
        const auto head = in.find("\r\n\r\n");
        if (head != std::string::npos) {
          const auto cl = in.find("Content-Length: ");
          const std::size_t body = cl == std::string::npos ? 0 : std::stoul(in.substr(cl + 16));
          if (in.size() >= head + 4 + body) break;
        }
        pollfd q{c, POLLIN, 0};
        if (poll(&q, 1, 2000) <= 0) break;
        const ssize_t n = recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        in.append(buf, static_cast<std::size_t>(n));
      }
      std::string body;
      Unsized unsized;
      {
        std::lock_guard<std::mutex> l(m_);
        unsized = unsized_;
        requests_.push_back(in);
        body = body_;
        const std::size_t space = in.find(' ');
        const std::string target = space == std::string::npos ? std::string() : in.substr(space + 1, in.find(' ', space + 1) - space - 1);
        for (const auto& [path, b] : byPath_)
          if (target.starts_with(path)) {
            body = b;
            break;
          }
      }
      if (unsized.on) {
        SendUnsized(c, unsized);
        continue;
      }
      const std::string out = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
      send(c, out.data(), out.size(), MSG_NOSIGNAL);
      close(c);
    }
  }
  struct Unsized {
    bool on = false;
    std::string head, piece;
    std::size_t pieces = 0;
    std::string tail;
  };
  static bool SendAll(int c, const std::string& s) {
    for (std::size_t off = 0; off < s.size();) {
      const ssize_t n = send(c, s.data() + off, s.size() - off, MSG_NOSIGNAL);
      if (n <= 0) return false;
      off += static_cast<std::size_t>(n);
    }
    return true;
  }
  void SendUnsized(int c, const Unsized& u) {
    bool on = SendAll(c, "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n" + u.head);
    for (std::size_t i = 0; on && !stop_ && (u.pieces == 0 || i < u.pieces); ++i) on = SendAll(c, u.piece);
    if (on) SendAll(c, u.tail);
    close(c);
  }
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex m_;
  std::string body_;
  Unsized unsized_;
  std::vector<std::pair<std::string, std::string>> byPath_;
  std::vector<std::string> requests_;
};

}  // namespace partnerstest
