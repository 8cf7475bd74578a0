// The stand-in lock server under load, run as its own process:
//  1. flood: one client pipelines MB megabytes of lock/unlock requests and never
//     reads a reply; meanwhile a second client asks one request at a time and the
//     slowest answer is reported (target: below 100 ms);
//  2. memory: the server's resident size at start, after 30,000 lock pairs, after
//     50 MB of malformed text, and after every client closed (target: within 10 MB
//     of the start).
//
//   lockserver_bench [flood-MB]
//
// Run by hand; it is no test.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/lockwire.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int Connect(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    std::perror("connect");
    std::exit(1);
  }
  return fd;
}

void SendAll(int fd, const std::string& s) {
  for (std::size_t off = 0; off < s.size();) {
    ssize_t n = send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
    if (n <= 0) return;
    off += static_cast<std::size_t>(n);
  }
}

// The reply to one request, or "" after `ms`.
std::string Ask(int fd, const std::string& request, int ms) {
  SendAll(fd, request);
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, ms) <= 0) return "";
  char buf[512];
  ssize_t n = recv(fd, buf, sizeof buf, 0);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : "";
}

std::string Lock(const std::string& cmd, int key, const std::string& kind, const std::string& user) {
  char k[16];
  std::snprintf(k, sizeof k, "K%07d.DTA ", key % 10000000);
  return common::FormatLockRequest({cmd, "C:\\DATA\\", std::string(k, 12), kind, user});
}

long RssKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

struct ServerProcess {
  pid_t pid = -1;
  int port = 0;
  ServerProcess() {
    int err[2];
    if (pipe(err) != 0) std::exit(1);
    pid = fork();
    if (pid == 0) {
      dup2(err[1], 2);
      close(err[0]);
      execl(LOCKSERVER_EXE, "lockserver", "--port", "0", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(err[1]);
    std::string banner;
    char ch;
    while (read(err[0], &ch, 1) == 1 && ch != '\n') banner += ch;
    close(err[0]);
    port = std::atoi(banner.substr(banner.rfind(':') + 1).c_str());
  }
  ~ServerProcess() {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
};

// Waits until the server answers a fresh client (it has caught up).
void Settle(int port) {
  int fd = Connect(port);
  Ask(fd, "Client<Vata>#$", 120000);
  close(fd);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

void Flood(double megabytes) {
  ServerProcess server;
  std::string flood;
  for (int i = 0; flood.size() < megabytes * 1e6; ++i)
    flood += Lock("Zamkni", i, "W", "99  ") + Lock("Odemkni", i, "p", "99  ");
  int flooder = Connect(server.port);
  int polite = Connect(server.port);
  std::atomic<bool> sent{false};
  const auto start = Clock::now();
  double sentMs = 0;
  std::thread t([&] {
    SendAll(flooder, flood);
    sentMs = Ms(Clock::now() - start);
    sent = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  double worst = 0;
  int asked = 0, unanswered = 0;
  // Ask while the flood is being sent and for a while after.
  while (Clock::now() - start < std::chrono::seconds(2) || (!sent && Clock::now() - start < std::chrono::seconds(60))) {
    const auto t0 = Clock::now();
    std::string r = Ask(polite, Lock("Zamkni", 5000000 + asked, "W", "01  "), 60000);
    worst = std::max(worst, Ms(Clock::now() - t0));
    ++asked;
    if (r.rfind("OK", 0) != 0) ++unanswered;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  t.join();
  std::printf("flood of %.1f MB from one client (taken by the server in %.0f ms): other client asked %d times, slowest answer "
              "%.1f ms, %d not OK\n",
              flood.size() / 1e6, sentMs, asked, worst, unanswered);
  close(flooder);
  close(polite);
}

void Memory() {
  ServerProcess server;
  Settle(server.port);
  const long start = RssKb(server.pid);
  {
    std::vector<int> fds;
    for (int c = 0; c < 10; ++c) fds.push_back(Connect(server.port));
    // 30,000 pairs in batches of 100 per connection, each batch's replies read.
    for (int i = 0; i < 30000; i += 100) {
      int fd = fds[(i / 100) % fds.size()];
      std::string batch;
      for (int k = i; k < i + 100; ++k) batch += Lock("Zamkni", k, "W", "01  ") + Lock("Odemkni", k, "p", "01  ");
      SendAll(fd, batch);
      std::string got;
      char buf[4096];
      while (got.size() < 200 * 2) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) break;
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
      }
    }
    Settle(server.port);
    const long afterPairs = RssKb(server.pid);
    // 50 MB of text that is no request, from five clients.
    std::string junk(1 << 20, 'x');
    for (std::size_t i = 0; i < junk.size(); i += 97) junk[i] = '<';
    std::vector<std::thread> senders;
    for (int c = 0; c < 5; ++c)
      senders.emplace_back([&, c] {
        for (int m = 0; m < 10; ++m) SendAll(fds[static_cast<std::size_t>(c)], junk);
      });
    for (auto& s : senders) s.join();
    Settle(server.port);
    const long afterJunk = RssKb(server.pid);
    for (int fd : fds) close(fd);
    Settle(server.port);
    const long afterClose = RssKb(server.pid);
    std::printf("server resident size: start %.1f MB, after 30,000 lock pairs %.1f MB, after 50 MB of garbage "
                "%.1f MB, after the clients closed %.1f MB (growth %.1f MB)\n",
                start / 1024.0, afterPairs / 1024.0, afterJunk / 1024.0, afterClose / 1024.0,
                (std::max({afterPairs, afterJunk, afterClose}) - start) / 1024.0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  const double mb = argc > 1 ? std::atof(argv[1]) : 8;
  Flood(mb);
  Memory();
  return 0;
}
