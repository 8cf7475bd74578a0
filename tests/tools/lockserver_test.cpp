#include "tools/lockserver/lockserver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/rawsocket.h"

using testing_support::RawSocket;

namespace {

std::string Req(const std::string& cmd, const std::string& key, const std::string& kind, const std::string& user) {
  return common::FormatLockRequest({cmd, "C:\\DATA\\", key, kind, user});
}
const std::string kOrg = "ORG.DTA     ";

struct LockServerNet : ::testing::Test {
  lockserver::Options Opt() {
    lockserver::Options o;
    o.port = 0;
    return o;
  }
  std::unique_ptr<lockserver::Server> server;
  void StartServer(lockserver::Options o) {
    server = std::make_unique<lockserver::Server>(std::move(o));
    server->Start();
  }
  void SetUp() override { StartServer(Opt()); }
};

}  // namespace

TEST(LockServerBook, SameRulesAsTheLockTable) {
  lockserver::LockBook book;
  auto ask = [&](const std::string& cmd, const std::string& kind, const std::string& user, int conn = 1) {
    return book.Handle({cmd, "C:\\DATA\\", kOrg, kind, user}, conn);
  };
  EXPECT_EQ(ask("Zamkni", "", "01  "), "OK");
  EXPECT_EQ(ask("Zamkni", "", "02  "), "OK");   // readers share
  EXPECT_EQ(ask("Zamkni", "W", "03  "), "R 01");  // a writer is refused
  EXPECT_EQ(ask("IfVolny", "p", "01  "), "R 02");  // own entries are passed over
  EXPECT_EQ(ask("Odemkni", "p", "01  "), "OK");
  EXPECT_EQ(ask("Odemkni", "p", "02  "), "OK");
  EXPECT_EQ(ask("IfVolny", "p", "01  "), "OK");
  EXPECT_EQ(ask("Zamkni", "W", "03  "), "OK");
  EXPECT_EQ(ask("Zamkni", "", "01  "), "W 03");   // a reader is refused by a writer
  EXPECT_EQ(ask("Zamkni", "", "03  "), "W 03");   // ... the writer's own reader too
  EXPECT_EQ(ask("Odemkni", "p", "09  "), "OK");   // nothing to release, still OK
  EXPECT_EQ(book.Count(), 1u);
  // Another folder is another file.
  EXPECT_EQ(book.Handle({"Zamkni", "D:\\JINDE\\", kOrg, "W", "01  "}, 1), "OK");
  EXPECT_EQ(ask("Client", "", ""), "OK");
  EXPECT_EQ(ask("Nesmysl", "", ""), "ERR unknown command");
}

TEST(LockServerBook, UnlockReleasesOneEntryOnly) {
  lockserver::LockBook book;
  common::LockRequest lock{"Zamkni", "C:\\DATA\\", kOrg, "", "01  "};
  common::LockRequest unlock{"Odemkni", "C:\\DATA\\", kOrg, "p", "01  "};
  book.Handle(lock, 1);
  book.Handle(lock, 1);  // two windows of one user
  book.Handle(unlock, 1);
  EXPECT_EQ(book.Count(), 1u);
  EXPECT_EQ(book.Handle({"Zamkni", "C:\\DATA\\", kOrg, "W", "02  "}, 2), "R 01");
}

TEST_F(LockServerNet, AnswersOverTcp) {
  RawSocket a(server->Port()), b(server->Port()), c(server->Port());
  EXPECT_EQ(a.Ask(Req("Zamkni", kOrg, "", "01  ")), "OK");
  EXPECT_EQ(b.Ask(Req("Zamkni", kOrg, "", "02  ")), "OK");
  EXPECT_EQ(c.Ask(Req("Zamkni", kOrg, "W", "03  ")), "R 01");
  EXPECT_EQ(c.Ask(Req("IfVolny", kOrg, "p", "03  ")), "R 01");
  EXPECT_EQ(a.Ask(Req("Odemkni", kOrg, "p", "01  ")), "OK");
  EXPECT_EQ(b.Ask(Req("Odemkni", kOrg, "p", "02  ")), "OK");
  EXPECT_EQ(c.Ask(Req("Zamkni", kOrg, "W", "03  ")), "OK");
  EXPECT_EQ(a.Ask("Client<Vata>#$"), "OK");
  auto reqs = server->Requests();
  ASSERT_EQ(reqs.size(), 8u);
  EXPECT_EQ(reqs[0], "Zamkni<C:\\DATA\\>ORG.DTA     #$01  ");
  EXPECT_EQ(reqs[7], "Client<Vata>#$");
}

TEST_F(LockServerNet, ReadsSplitAndCoalescedRequests) {
  RawSocket a(server->Port());
  std::string one = Req("Zamkni", kOrg, "", "01  ");
  a.Send(one.substr(0, 9));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  a.Send(one.substr(9));
  EXPECT_EQ(a.Receive(), "OK");
  // Two requests in one send get two replies (which may arrive together).
  a.Send(Req("IfVolny", kOrg, "p", "02  ") + Req("Odemkni", kOrg, "p", "01  "));
  std::string got;
  for (int i = 0; i < 5 && got.size() < 6; ++i) got += a.Receive(500);
  EXPECT_EQ(got, "R 01OK");
  // A key may hold "#" and "$"; it is taken by its length.
  EXPECT_EQ(a.Ask(Req("Zamkni", "A#B$C.DTA   ", "W", "01  ")), "OK");
  EXPECT_EQ(server->Requests().back(), "Zamkni<C:\\DATA\\>A#B$C.DTA   #W$01  ");
  // Garbage is answered and dropped; the connection stays usable.
  EXPECT_EQ(a.Ask("12345678901234567890<x>"), "ERR bad request");
  EXPECT_EQ(a.Ask("Client<Vata>#$"), "OK");
}

TEST_F(LockServerNet, DropsLocksOfAClosedConnection) {
  {
    RawSocket a(server->Port());
    EXPECT_EQ(a.Ask(Req("Zamkni", kOrg, "W", "01  ")), "OK");
    EXPECT_EQ(server->LockCount(), 1u);
  }
  for (int i = 0; i < 200 && server->LockCount() != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(server->LockCount(), 0u);
}

TEST_F(LockServerNet, KeepLocksOption) {
  auto o = Opt();
  o.keepLocks = true;
  StartServer(o);
  {
    RawSocket a(server->Port());
    EXPECT_EQ(a.Ask(Req("Zamkni", kOrg, "W", "01  ")), "OK");
  }
  RawSocket b(server->Port());
  EXPECT_EQ(b.Ask(Req("Zamkni", kOrg, "", "02  ")), "W 01");
}

TEST_F(LockServerNet, SilentDelayedAndRefusing) {
  RawSocket a(server->Port());
  server->SetSilent(true);
  EXPECT_EQ(a.Ask(Req("IfVolny", kOrg, "p", "01  "), 150), "");
  EXPECT_EQ(server->Requests().size(), 1u);  // still logged
  EXPECT_EQ(server->LockCount(), 0u);
  server->SetSilent(false);
  server->SetDelay(150);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(a.Ask(Req("Zamkni", kOrg, "", "01  "), 50), "");  // not yet
  EXPECT_EQ(server->LockCount(), 1u);                          // decided at once, answered late
  EXPECT_EQ(a.Receive(2000), "OK");
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(140));
  server->SetDelay(0);
  server->SetRefuse(true);
  EXPECT_EQ(a.Ask(Req("Odemkni", kOrg, "p", "01  ")), "ERR refused");
  EXPECT_EQ(server->LockCount(), 1u);
  EXPECT_EQ(a.Ask("Client<Vata>#$"), "OK");
}

// Only the newest request lines are kept, each cut to a sane length.
TEST_F(LockServerNet, KeepsABoundedHistory) {
  RawSocket a(server->Port());
  std::string batch;
  for (int i = 0; i < 1200; ++i) batch += Req(i % 2 ? "Odemkni" : "Zamkni", kOrg, i % 2 ? "p" : "W", "01  ");
  a.Send(batch);
  std::string replies;
  for (std::string got; replies.size() < 2400 && !(got = a.Receive()).empty();) replies += got;
  EXPECT_EQ(replies, [] {
    std::string ok;
    for (int i = 0; i < 1200; ++i) ok += "OK";
    return ok;
  }());
  EXPECT_EQ(a.Ask("Client<Vata>#$"), "OK");
  auto reqs = server->Requests();
  ASSERT_EQ(reqs.size(), 1000u);
  EXPECT_EQ(reqs.back(), "Client<Vata>#$");
  a.Send(std::string(20000, 'x'));
  EXPECT_EQ(a.Receive(), "ERR bad request");
  EXPECT_LE(server->Requests().back().size(), lockserver::kHistoryLineMax);
}

// One client pipelining megabytes without reading its replies holds up nobody.
TEST_F(LockServerNet, AFloodingClientStallsNoOne) {
  RawSocket flooder(server->Port()), polite(server->Port());
  std::string flood;
  for (int i = 0; flood.size() < 4'000'000; ++i)
    flood += Req("Zamkni", "F" + std::to_string(100000 + i % 100000) + ".DTA ", "W", "99  ") +
             Req("Odemkni", "F" + std::to_string(100000 + i % 100000) + ".DTA ", "p", "99  ");
  std::thread t([&] { flooder.Send(flood); });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(polite.Ask(Req("Zamkni", kOrg, "W", "01  "), 20000), "OK");
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000));
  flooder.Close();  // ends the blocked send
  t.join();
}

// A request that never ends is not gathered without limit.
TEST_F(LockServerNet, DropsAConnectionWithAnOverlongRequest) {
  std::vector<std::string> notices;
  std::mutex m;
  auto o = Opt();
  o.maxRequest = 100;
  o.notice = [&](const std::string& s) {
    std::lock_guard l(m);
    notices.push_back(s);
  };
  StartServer(o);
  RawSocket a(server->Port()), b(server->Port());
  a.Send("Zamkni<" + std::string(150, 'D'));  // a folder still open: incomplete
  EXPECT_EQ(a.Receive(2000), "");               // closed without a reply
  for (int i = 0; i < 200 && server->ConnectionCount() != 1; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(server->ConnectionCount(), 1u);
  EXPECT_EQ(b.Ask(Req("Zamkni", kOrg, "W", "01  ")), "OK");
  std::lock_guard l(m);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0], "connection 1 dropped: an unfinished request of over 100 bytes");
}

// Many workstations connecting at once wait in the accept queue, not in SYN retries.
TEST(LockServerTcp, ManyConnectionsAtOnce) {
  lockserver::Options o;
  o.port = 0;
  lockserver::Server server(o);
  server.Listen();  // not serving yet: every connection waits in the queue
  std::vector<int> fds;
  for (int i = 0; i < 100; ++i) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(server.Port());
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fds.push_back(fd);
  }
  int connected = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  for (int fd : fds) {
    pollfd p{fd, POLLOUT, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    int err = 0;
    socklen_t len = sizeof err;
    if (poll(&p, 1, std::max<int>(0, static_cast<int>(left.count()))) == 1 &&
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
      ++connected;
  }
  for (int fd : fds) close(fd);
  EXPECT_EQ(connected, 100);
}

TEST(LockServerTcp, SecondServerOnATakenPortFails) {
  lockserver::Options o;
  o.port = 0;
  lockserver::Server first(o);
  first.Listen();
  o.port = first.Port();
  lockserver::Server second(o);
  EXPECT_THROW(second.Listen(), std::system_error);
}

#ifdef LOCKSERVER_EXE
// The executable, run as a child process: it prints its port, logs each
// request line and ends on SIGTERM.
TEST(LockServerExe, LogsEveryRequestLine) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("lockexe-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path log = dir / "requests.log";
  int err[2];
  ASSERT_EQ(pipe(err), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(err[1], 2);
    close(err[0]);
    execl(LOCKSERVER_EXE, "lockserver", "--port", "0", "--log", log.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(err[1]);
  std::string banner;
  char ch;
  while (read(err[0], &ch, 1) == 1 && ch != '\n') banner += ch;
  close(err[0]);
  auto colon = banner.rfind(':');
  ASSERT_NE(colon, std::string::npos) << banner;
  int port = std::stoi(banner.substr(colon + 1));
  {
    RawSocket a(static_cast<std::uint16_t>(port));
    EXPECT_EQ(a.Ask(Req("Zamkni", kOrg, "", "01  ")), "OK");
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream in(log);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "Zamkni<C:\\DATA\\>ORG.DTA     #$01  ");
  fs::remove_all(dir);
}
#endif
